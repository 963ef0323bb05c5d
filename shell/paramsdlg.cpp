// The "Enter Parameters" dialog of the VIEW command: built row by row from the list.
#include "shell/paramsdlg.h"

#include <algorithm>
#include <cstring>

#include "data/core/datetime.h"
#include "forms/controls.h"
#include "forms/messagepump.h"

namespace {

constexpr int FIRST_ROW_Y = 8;
constexpr int ROW_HEIGHT = 32;
constexpr int MIN_ROWS_BOTTOM = 64;
constexpr int BOTTOM_MARGIN = 32;

bool IsAsked(const TViewParameter& parameter) {
  return parameter.Kind == VIEW_PARAMETER_TEXT || parameter.Kind == VIEW_PARAMETER_DATE;
}

// Tells that the parameter takes only a number and puts the focus on its edit; false when
// the dialog was closed while the box was up.
bool RefuseNotANumber(HWND window, const TViewParameter& parameter, int id) {
  std::string prompt = ParameterPrompt(parameter.ValueText);
  if (prompt.empty()) prompt = parameter.Name;
  const std::string text = prompt + " takes only a number here (such as 42, -7 or 3.5).";
  ShowMessageBox(window, text.c_str(), "Enter Parameters: not a number", MB_OK | MB_ICONEXCLAMATION);
  if (!IsWindow(window)) return false;
  HWND edit = GetDlgItem(window, id);
  SetFocus(edit);
  SendMessageA(edit, EM_SETSEL, 0, -1);
  return true;
}

}  // namespace

std::string TrimmedBlanks(const std::string& text) {
  const size_t first = text.find_first_not_of(" \t");
  if (first == std::string::npos) return "";
  return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

bool IsPlainNumber(const std::string& text) {
  const std::string number = TrimmedBlanks(text);
  size_t at = number.empty() || (number[0] != '+' && number[0] != '-') ? 0 : 1;
  bool digits = false, point = false;
  for (; at < number.size(); ++at) {
    const char c = number[at];
    if (c >= '0' && c <= '9') {
      digits = true;
    } else if (c == '.' && !point) {
      point = true;
    } else {
      return false;
    }
  }
  return digits;
}

std::string ParameterPrompt(const std::string& valueText) {
  return valueText.substr(0, valueText.find('~'));
}

std::string ParameterDefault(const std::string& valueText) {
  const size_t tilde = valueText.find('~');
  if (tilde == std::string::npos) return "";
  std::string value = valueText.substr(tilde + 1);
  if (_stricmp(value.c_str(), "curdate()") == 0) {
    char today[16];
    value = FormatTodayByPreference(today, "dd-mm-yyyy");
  }
  return value;
}

TGetParametersDlg::TGetParametersDlg() { Kind = DK_GENERIC; }

INT_PTR TGetParametersDlg::OnInitDialog(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  list_ = reinterpret_cast<TViewParameterList*>(lParam);
  SetWindowTextA(window, "Enter Parameters");
  HINSTANCE instance = GetModuleHandleA(nullptr);
  HFONT font = reinterpret_cast<HFONT>(SendMessageA(window, WM_GETFONT, 0, 0));
  int y = FIRST_ROW_Y;
  int id = FIRST_PARAMETER_EDIT_ID;
  for (int i = 0; list_ && i < list_->Count(); ++i, y += ROW_HEIGHT, ++id) {
    const TViewParameter& parameter = (*list_)[i];
    if (!IsAsked(parameter)) continue;
    HWND prompt = CreateWindowA("STATIC", ParameterPrompt(parameter.ValueText).c_str(),
                                WS_CHILD | WS_VISIBLE, 10, y, 160, 16, window,
                                reinterpret_cast<HMENU>(static_cast<INT_PTR>(-1)), instance, nullptr);
    HWND edit = CreateWindowA("EDIT", ParameterDefault(parameter.ValueText).c_str(),
                              WS_CHILD | WS_VISIBLE | WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL, 164,
                              y - 2, 200, 20, window,
                              reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, nullptr);
    if (font) {
      SendMessageA(prompt, WM_SETFONT, reinterpret_cast<WPARAM>(font), 0);
      SendMessageA(edit, WM_SETFONT, reinterpret_cast<WPARAM>(font), 0);
    }
  }
  RECT place;
  GetWindowRect(window, &place);
  SetWindowPos(window, nullptr, 0, 0, place.right - place.left,
               std::max(y, MIN_ROWS_BOTTOM) + BOTTOM_MARGIN, SWP_NOMOVE | SWP_NOZORDER);
  TBaseDlg::OnInitDialog(window, message, wParam, lParam);
  HWND first = GetDlgItem(window, FIRST_PARAMETER_EDIT_ID);
  if (first) {
    SetFocus(first);
    return FALSE;
  }
  return TRUE;
}

INT_PTR TGetParametersDlg::OnOK(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  // Every value is checked before any is taken, so a refusal leaves the list as it was.
  std::vector<std::string> typed(list_ ? list_->Count() : 0);
  for (int i = 0; list_ && i < list_->Count(); ++i) {
    const TViewParameter& parameter = (*list_)[i];
    if (!IsAsked(parameter)) continue;
    char text[PARAMETER_VALUE_LIMIT + 1] = "";
    GetDlgItemTextA(window, FIRST_PARAMETER_EDIT_ID + i, text, sizeof text);
    typed[i] = text;
    if (parameter.NumberOnly && parameter.Kind == VIEW_PARAMETER_TEXT && !IsPlainNumber(text)) {
      RefuseNotANumber(window, parameter, FIRST_PARAMETER_EDIT_ID + i);
      return TRUE;
    }
  }
  for (int i = 0; list_ && i < list_->Count(); ++i) {
    TViewParameter& parameter = (*list_)[i];
    if (!IsAsked(parameter)) continue;
    parameter.ValueText =
        parameter.Kind == VIEW_PARAMETER_DATE ? DisplayDateToIso(typed[i].c_str()) : typed[i];
  }
  return TBaseDlg::OnOK(window, message, wParam, lParam);
}

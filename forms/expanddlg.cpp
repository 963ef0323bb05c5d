// The expand box of an edit form's field.
#include "forms/expanddlg.h"

#include <vector>

#include "data/model/model.h"
#include "data/model/settings.h"
#include "forms/windowmanager.h"
#include "shell/appwindow.h"

namespace {

// The window's text, at most EXPAND_TEXT_LIMIT characters.
std::string LimitedWindowText(HWND window) {
  std::vector<char> buffer(EXPAND_TEXT_LIMIT + 1, '\0');
  if (window) GetWindowTextA(window, buffer.data(), static_cast<int>(buffer.size()));
  return buffer.data();
}

}  // namespace

TExpandDlg::TExpandDlg(HWND field, const TAttribute* attribute, const char* text)
    : field_(field), attribute_(attribute), text_(text ? text : "") {
  DialogProc = ExpandDlgProc;
  Kind = DK_EXPAND;
  if (text_.size() > static_cast<size_t>(EXPAND_TEXT_LIMIT)) text_.resize(EXPAND_TEXT_LIMIT);
}

void TExpandDlg::Hook() { TBaseDlg::Hook(); }

int TExpandDlg::TextLimitFor(const TAttribute* attribute) {
  const int size = attribute ? attribute->ColumnSize : 0;
  return size > 0 && size < EXPAND_TEXT_LIMIT ? size : EXPAND_TEXT_LIMIT;
}

INT_PTR TExpandDlg::OnInitDialog(HWND window, UINT, WPARAM, LPARAM) {
  SetWindowTextA(window, attribute_ ? attribute_->Caption : "");
  SendDlgItemMessageA(window, EXPAND_EDIT_ID, EM_LIMITTEXT, static_cast<WPARAM>(TextLimitFor(attribute_)), 0);
  SetDlgItemTextA(window, EXPAND_EDIT_ID, text_.c_str());
  return TRUE;
}

INT_PTR TExpandDlg::OnActivate(HWND, UINT, WPARAM wParam, LPARAM) {
  const WORD state = LOWORD(wParam);
  if (state == WA_ACTIVE || state == WA_CLICKACTIVE) CurrentHelpContext = EXPAND_HELP_CONTEXT;
  return FALSE;
}

INT_PTR TExpandDlg::OnClose(HWND window, UINT, WPARAM, LPARAM) {
  AppWindowManager.RestoreFocus(window);
  EndDialog(window, 0);
  return TRUE;
}

INT_PTR TExpandDlg::OnCtlColorStatic(HWND, UINT, WPARAM wParam, LPARAM) {
  HDC dc = reinterpret_cast<HDC>(wParam);
  SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
  SetBkMode(dc, TRANSPARENT);
  return reinterpret_cast<INT_PTR>(GetSysColorBrush(COLOR_BTNFACE));
}

// Enter reaches the multi-line edit as a new line; a stray OK never ends the box unseen.
INT_PTR TExpandDlg::OnOK(HWND, UINT, WPARAM, LPARAM) { return TRUE; }

INT_PTR TExpandDlg::OnCancel(HWND window, UINT, WPARAM, LPARAM) {
  AppWindowManager.RestoreFocus(window);
  EndDialog(window, 0);
  return TRUE;
}

INT_PTR TExpandDlg::WriteBackAndClose(HWND window) {
  text_ = LimitedWindowText(GetDlgItem(window, EXPAND_EDIT_ID));
  if (field_ && IsWindow(field_)) SetWindowTextA(field_, text_.c_str());
  AppWindowManager.RestoreFocus(window);
  EndDialog(window, 0);
  return TRUE;
}

INT_PTR TExpandDlg::ShowHint(HWND, UINT, WPARAM wParam, LPARAM) {
  if (!FieldHelp) return FALSE;
  const int id = LOWORD(wParam);
  const bool closes = id == IDCANCEL || id == EXPAND_CLOSE_ID || id == 138;
  SetStatusText(closes ? "Click here to close this multi-line view box" : "");
  return TRUE;
}

INT_PTR CALLBACK ExpandDlgProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  TBaseDlg* dialog = nullptr;
  bool handled = false;
  const INT_PTR result = DispatchBaseDlgMessage(&dialog, window, message, wParam, lParam, &handled);
  if (handled || !dialog) return result;
  if (message == WM_COMMAND && LOWORD(wParam) == EXPAND_CLOSE_ID && HIWORD(wParam) == BN_CLICKED)
    return static_cast<TExpandDlg*>(dialog)->WriteBackAndClose(window);
  return FALSE;
}

void RunExpandBox(HWND owner, HWND field, const TAttribute* attribute) {
  TExpandDlg dialog(field, attribute, LimitedWindowText(field).c_str());
  AppWindowManager.RunModal(&dialog, ExpandDlgName, owner, 0, 0);
}

// The preferences dialog, the change colours dialog and the PREFERENCES command.
#include "shell/prefsdlg.h"

#include <cstdio>

#include "data/model/settings.h"
#include "forms/colortable.h"
#include "forms/messagepump.h"
#include "forms/preferences.h"
#include "forms/windowmanager.h"
#include "shell/appwindow.h"
#include "shell/preferencestore.h"
#include "shell/userids.h"

TChooseColorCall ChooseColorCall = ChooseColorA;

namespace {

// The radio button of a group that is checked: its offset from the first, or -1.
int CheckedRadio(HWND window, int first, int count) {
  for (int k = 0; k < count; ++k)
    if (IsDlgButtonChecked(window, first + k) == BST_CHECKED) return k;
  return -1;
}

// Checks the radio of the value (none when the value has no radio).
void CheckRadio(HWND window, int first, int count, long value) {
  for (int k = 0; k < count; ++k)
    CheckDlgButton(window, first + k, k == value ? BST_CHECKED : BST_UNCHECKED);
}

struct TPreferenceCheckBox {
  int id;
  bool TPreferences::*setting;
};

const TPreferenceCheckBox CheckBoxes[] = {
    {PREFS_AUTO_FIND, &TPreferences::AutoFind},
    {PREFS_AUTO_RECALC, &TPreferences::AutoRecalc},
    {PREFS_CASCADE_UPDATES, &TPreferences::AllowCascadedUpdates},
    {PREFS_PROMPT_UPDATE, &TPreferences::PromptBeforeUpdate},
    {PREFS_PROMPT_DELETE, &TPreferences::PromptBeforeDelete},
    {PREFS_SKIP_SINGLE_FIND, &TPreferences::SkipListBoxIfSingleFind},
    {PREFS_SKIP_SINGLE_VIEW, &TPreferences::SkipListBoxIfSingleView},
};

constexpr int AUTO_CLOSE_CHOICES = 3;
constexpr int WARN_CHOICES = 2;
constexpr int KEY_RULE_CHOICES = 4;

long WarnOnFindValue() { return long(Preferences.WarnOnFind); }
void SetWarnOnFind(long value) { Preferences.WarnOnFind = decltype(TPreferences::WarnOnFind)(value); }

const char* PreferencesHint(int id) {
  switch (id) {
    case IDOK: case USER_DIALOG_OK_KEY: return "Use these Preferences settings for now";
    case IDCANCEL: case USER_DIALOG_CANCEL_KEY: return "Close the window without changing the Preference settings";
    case 161: return "Don't close an 'Edit' window automatically after a record is entered";
    case 162: return "Only close an 'Edit' window automatically if the form was opened from a list box";
    case 163: return "Always an 'Edit' window automatically after a record is entered";
    case 165: return "Don't prompt if pressing the Find button could start a long search";
    case 166: return "Warn if there are no indexed fields filled out or all records will be found (blank form)";
    case 169: return "Always insert as a new record if the user has changed the keys before pressing Store";
    case 170: return "Always modify the existing record (including the keys) if the user has changed the keys";
    case 171: return "Always give user the choice with a message box (making Insert the default)";
    case 172: return "Always give user the choice with a message box (making Update the default)";
    case 173: return "Automatically bring up the record details (if the record) exists after the keys are filled out";
    case 174: return "Automatically recalculate calculation fields as necessary as you move between fields";
    case 178: return "Allow the cascading of a database update operation (if needed)";
    case 179: return "Allow the cascading of a database delete operation (if needed)";
    case 180: return "Prompt before updating a record (NOTE: cascading operations are always prompted)";
    case 181: return "Prompt before deleting a record (NOTE: cascading operations are always prompted)";
    case 182: return "Bring up dialog box where you can change the colouring of all the dialog boxes";
    case 183: return "Skip intermediate 'Found' window if there is only one record found";
    case 184: return "Skip intermediate 'View' window if there is only one (or zero) record(s) to view";
    case PREFS_SAVE: return "Save the Preferences settings permanently (in the database, for the user now logged in)";
    case USER_DIALOG_HELP: case USER_DIALOG_HELP_KEY: return "Bring up the help topic for this window";
  }
  return "";
}

const char* ColoursHint(int id) {
  switch (id) {
    case IDOK: case USER_DIALOG_OK_KEY: return "Use the colour settings which have been made";
    case IDCANCEL: case USER_DIALOG_CANCEL_KEY: return "Close this window without changing any settings";
    case COLOURS_CHOOSE: return "Bring up a standard Windows Colours dialog box where you can alter a specific colour";
    case USER_DIALOG_HELP: case USER_DIALOG_HELP_KEY: return "Bring up the help topic for this window";
  }
  return "";
}

bool IsActivation(WPARAM wParam) {
  const WORD state = LOWORD(wParam);
  return state == WA_ACTIVE || state == WA_CLICKACTIVE;
}

bool IsHintNotification(WPARAM wParam) {
  const WORD code = HIWORD(wParam);
  return FieldHelp && code >= 15 && code <= 18;
}

const char* const ColourItems[] = {"Mandatory fields", "Error/warning messages", "Information messages"};

}  // namespace

// ---- Preferences ----

TPreferencesDlg::TPreferencesDlg() {
  Kind = DK_PREFERENCES;
  DialogProc = PreferencesDlgProc;
}

INT_PTR TPreferencesDlg::OnInitDialog(HWND window, UINT, WPARAM, LPARAM) {
  colours_.WindowBackground = Preferences.WindowBackground;
  colours_.MandatoryFieldsColoring = Preferences.MandatoryFieldsColoring;
  colours_.SpecialFieldsColor = Preferences.SpecialFieldsColor;
  colours_.ErrorMessagesColor = Preferences.ErrorMessagesColor;
  colours_.InfoMessagesColor = Preferences.InfoMessagesColor;
  LoadControls(window);
  return TRUE;
}

void TPreferencesDlg::LoadControls(HWND window) {
  CheckRadio(window, PREFS_AUTO_CLOSE_FIRST, AUTO_CLOSE_CHOICES, long(Preferences.AutoClose));
  CheckRadio(window, PREFS_WARN_FIRST, WARN_CHOICES, WarnOnFindValue());
  CheckRadio(window, PREFS_KEYS_FIRST, KEY_RULE_CHOICES, long(Preferences.IfKeysAreChanged));
  for (const TPreferenceCheckBox& box : CheckBoxes)
    CheckDlgButton(window, box.id, Preferences.*box.setting ? BST_CHECKED : BST_UNCHECKED);
}

void TPreferencesDlg::ReadControls(HWND window) {
  const int autoClose = CheckedRadio(window, PREFS_AUTO_CLOSE_FIRST, AUTO_CLOSE_CHOICES);
  Preferences.AutoClose = TAutoClose(autoClose < 0 ? 2 : autoClose);
  // A value without a radio of its own stays as it was.
  const int warn = CheckedRadio(window, PREFS_WARN_FIRST, WARN_CHOICES);
  if (warn >= 0) SetWarnOnFind(warn);
  const int keys = CheckedRadio(window, PREFS_KEYS_FIRST, KEY_RULE_CHOICES);
  Preferences.IfKeysAreChanged = TKeyChangeRule(keys < 0 ? 3 : keys);
  for (const TPreferenceCheckBox& box : CheckBoxes)
    Preferences.*box.setting = IsDlgButtonChecked(window, box.id) == BST_CHECKED;
}

void TPreferencesDlg::ApplyColours() {
  Preferences.WindowBackground = colours_.WindowBackground;
  Preferences.MandatoryFieldsColoring = colours_.MandatoryFieldsColoring;
  Preferences.SpecialFieldsColor = colours_.SpecialFieldsColor;
  Preferences.ErrorMessagesColor = colours_.ErrorMessagesColor;
  Preferences.InfoMessagesColor = colours_.InfoMessagesColor;
}

INT_PTR TPreferencesDlg::OnActivate(HWND, UINT, WPARAM wParam, LPARAM) {
  if (IsActivation(wParam)) CurrentHelpContext = PREFERENCES_HELP_CONTEXT;
  return TRUE;
}

INT_PTR TPreferencesDlg::OnClose(HWND window, UINT, WPARAM, LPARAM) {
  EndDialog(window, PREFERENCES_CANCELLED);
  return TRUE;
}

INT_PTR TPreferencesDlg::OnCtlColorStatic(HWND, UINT, WPARAM wParam, LPARAM lParam) {
  return HandleCtlColor(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
}

INT_PTR TPreferencesDlg::OnOK(HWND window, UINT, WPARAM, LPARAM) {
  ReadControls(window);
  ApplyColours();
  EndDialog(window, PREFERENCES_APPLIED);
  return TRUE;
}

INT_PTR TPreferencesDlg::OnCancel(HWND window, UINT, WPARAM, LPARAM) {
  EndDialog(window, PREFERENCES_CANCELLED);
  return TRUE;
}

INT_PTR TPreferencesDlg::ShowHint(HWND, UINT, WPARAM wParam, LPARAM) {
  if (!FieldHelp) return FALSE;
  SetStatusText("%s", PreferencesHint(LOWORD(wParam)));
  return TRUE;
}

void TPreferencesDlg::OpenColours(HWND window) {
  TChangeColorsDlg colours(&colours_);
  AppWindowManager.RunModal(&colours, ChangeColorsDlgName, window, 0, 0);
}

void TPreferencesDlg::OnSave(HWND window) {
  if (AskQuestion(window, "Are you sure you wish to save these Preferences settings permanently?",
                  "Save Preferences", MB_YESNO | MB_ICONQUESTION) != IDYES ||
      !IsWindow(window))
    return;
  ReadControls(window);
  ApplyColours();
  if (SavePreferences()) {
    EndDialog(window, PREFERENCES_SAVED);
    return;
  }
  ShowMessageBox(window,
                 "The Preferences settings could not be saved in the database (table "
                 "User_Preferences).\n\nThey apply until the program ends.",
                 "Save Preferences", MB_OK | MB_ICONEXCLAMATION);
  EndDialog(window, PREFERENCES_APPLIED);
}

INT_PTR CALLBACK PreferencesDlgProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_COMMAND && !IsHintNotification(wParam)) {
    auto* dialog = static_cast<TPreferencesDlg*>(AppWindowManager.GetDialog(window));
    if (dialog) {
      switch (LOWORD(wParam)) {
        case USER_DIALOG_OK_KEY:
          return dialog->OnOK(window, message, wParam, lParam);
        case USER_DIALOG_CANCEL_KEY:
          return dialog->OnCancel(window, message, wParam, lParam);
        case PREFS_COLOURS:
          dialog->OpenColours(window);
          return TRUE;
        case PREFS_SAVE:
          dialog->OnSave(window);
          return TRUE;
        case USER_DIALOG_HELP:
        case USER_DIALOG_HELP_KEY:
          ShowHelp(window, HELP_CONTEXT, static_cast<ULONG_PTR>(CurrentHelpContext));
          return TRUE;
      }
    }
  }
  TBaseDlg* base = nullptr;
  bool handled = false;
  return DispatchBaseDlgMessage(&base, window, message, wParam, lParam, &handled);
}

// ---- Change colours ----

TChangeColorsDlg::TChangeColorsDlg(TColourSettings* record)
    : record_(record),
      colours_{record->SpecialFieldsColor, record->ErrorMessagesColor, record->InfoMessagesColor} {
  Kind = DK_CHANGE_COLORS;
  DialogProc = ChangeColorsDlgProc;
}

TChangeColorsDlg::~TChangeColorsDlg() {
  if (sampleBrush_) DeleteObject(sampleBrush_);
}

INT_PTR TChangeColorsDlg::OnInitDialog(HWND window, UINT, WPARAM, LPARAM) {
  sampleBrush_ = CreateSolidBrush(colours_[0]);
  for (const char* item : ColourItems)
    SendDlgItemMessageA(window, COLOURS_LIST, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item));
  SendDlgItemMessageA(window, COLOURS_LIST, LB_SETCURSEL, 0, 0);
  return TRUE;
}

INT_PTR TChangeColorsDlg::OnDestroy(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (sampleBrush_) DeleteObject(sampleBrush_);
  sampleBrush_ = nullptr;
  return TBaseDlg::OnDestroy(window, message, wParam, lParam);
}

INT_PTR TChangeColorsDlg::OnActivate(HWND, UINT, WPARAM wParam, LPARAM) {
  if (IsActivation(wParam)) CurrentHelpContext = CHANGE_COLORS_HELP_CONTEXT;
  return TRUE;
}

INT_PTR TChangeColorsDlg::OnClose(HWND window, UINT, WPARAM, LPARAM) {
  EndDialog(window, 0);
  return TRUE;
}

COLORREF TChangeColorsDlg::SelectedColour(HWND window) const {
  const LRESULT selected = SendDlgItemMessageA(window, COLOURS_LIST, LB_GETCURSEL, 0, 0);
  return selected >= 0 && selected < 3 ? colours_[selected] : RGB(255, 255, 255);
}

INT_PTR TChangeColorsDlg::OnCtlColorStatic(HWND window, UINT, WPARAM wParam, LPARAM lParam) {
  if (GetDlgCtrlID(reinterpret_cast<HWND>(lParam)) != COLOURS_SAMPLE) return FALSE;
  HDC dc = reinterpret_cast<HDC>(wParam);
  const COLORREF colour = SelectedColour(window);
  SetTextColor(dc, colour);
  SetBkColor(dc, colour);
  if (sampleBrush_) DeleteObject(sampleBrush_);
  sampleBrush_ = CreateSolidBrush(colour);
  return reinterpret_cast<INT_PTR>(sampleBrush_);
}

void TChangeColorsDlg::ChooseItemColour(HWND window) {
  const LRESULT selected = SendDlgItemMessageA(window, COLOURS_LIST, LB_GETCURSEL, 0, 0);
  COLORREF custom[16];
  for (COLORREF& colour : custom) colour = RGB(255, 255, 255);
  CHOOSECOLORA choice{};
  choice.lStructSize = sizeof choice;
  // Owned by this dialog, so that it cannot close while the chooser writes into it.
  choice.hwndOwner = window;
  choice.hInstance = reinterpret_cast<HWND>(GetModuleHandleA(nullptr));
  choice.rgbResult = SelectedColour(window);
  choice.lpCustColors = custom;
  choice.Flags = CC_RGBINIT | CC_PREVENTFULLOPEN | CC_SHOWHELP;
  if (FieldHelp) SetStatusText("");
  CurrentHelpContext = CHOOSE_COLOR_HELP_CONTEXT;
  BOOL chosen;
  {
    TModalLoopScope modal(window);
    chosen = ChooseColorCall(&choice);
  }
  if (chosen && selected >= 0 && selected < 3) colours_[selected] = choice.rgbResult;
  HWND sample = GetDlgItem(window, COLOURS_SAMPLE);
  InvalidateRect(sample, nullptr, TRUE);
  UpdateWindow(sample);
}

INT_PTR TChangeColorsDlg::OnOK(HWND window, UINT, WPARAM, LPARAM) {
  // The background and mandatory-colouring choices have no controls here: they stay.
  record_->SpecialFieldsColor = colours_[0];
  record_->ErrorMessagesColor = colours_[1];
  record_->InfoMessagesColor = colours_[2];
  EndDialog(window, 1);
  return TRUE;
}

INT_PTR TChangeColorsDlg::OnCancel(HWND window, UINT, WPARAM, LPARAM) {
  EndDialog(window, 0);
  return TRUE;
}

INT_PTR TChangeColorsDlg::ShowHint(HWND, UINT, WPARAM wParam, LPARAM) {
  if (!FieldHelp) return FALSE;
  SetStatusText("%s", ColoursHint(LOWORD(wParam)));
  return TRUE;
}

INT_PTR CALLBACK ChangeColorsDlgProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_COMMAND && !IsHintNotification(wParam)) {
    auto* dialog = static_cast<TChangeColorsDlg*>(AppWindowManager.GetDialog(window));
    if (dialog) {
      switch (LOWORD(wParam)) {
        case COLOURS_LIST:
          switch (HIWORD(wParam)) {
            case LBN_DBLCLK:
              dialog->ChooseItemColour(window);
              return TRUE;
            case LBN_SELCHANGE:
            case LBN_SELCANCEL:
              InvalidateRect(GetDlgItem(window, COLOURS_SAMPLE), nullptr, TRUE);
              UpdateWindow(GetDlgItem(window, COLOURS_SAMPLE));
              return TRUE;
            case LBN_SETFOCUS:
              if (!FieldHelp) return FALSE;
              SetStatusText("This list contains the sort of items in the windows which can be specially coloured.");
              return TRUE;
          }
          return FALSE;
        case COLOURS_CHOOSE:
          dialog->ChooseItemColour(window);
          return TRUE;
        case USER_DIALOG_OK_KEY:
          return dialog->OnOK(window, message, wParam, lParam);
        case USER_DIALOG_CANCEL_KEY:
          return dialog->OnCancel(window, message, wParam, lParam);
        case USER_DIALOG_HELP:
        case USER_DIALOG_HELP_KEY:
          ShowHelp(window, HELP_CONTEXT, static_cast<ULONG_PTR>(CurrentHelpContext));
          return TRUE;
      }
    }
  }
  TBaseDlg* base = nullptr;
  bool handled = false;
  return DispatchBaseDlgMessage(&base, window, message, wParam, lParam, &handled);
}

// ---- The command ----

int RunPreferencesDialog(HWND mainWindow) {
  TPreferencesDlg dialog;
  const int result =
      static_cast<int>(AppWindowManager.RunModal(&dialog, PreferencesDlgName, mainWindow, 0, 0));
  if (result == PREFERENCES_CANCELLED) return result;
  CreateBackgroundBrush(int(Preferences.WindowBackground));
  for (HWND window = AppWindowManager.FirstWindow(); window; window = AppWindowManager.NextWindow(window)) {
    InvalidateRect(window, nullptr, TRUE);
    UpdateWindow(window);
  }
  return result;
}

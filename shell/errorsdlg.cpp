// The errors window: shows the four error channels at opening and on Recalc.
#include "shell/errorsdlg.h"

#include "data/model/settings.h"
#include "expr/errors.h"
#include "forms/windowmanager.h"
#include "shell/appwindow.h"

namespace {

bool IsMessageStatic(int id) {
  return id == ERRORS_SQL_TEXT || id == ERRORS_EXPRESSION_TEXT || id == ERRORS_RECORD_TEXT ||
         id == ERRORS_RECORD_LIST_TEXT;
}

}  // namespace

TErrorsDlg::TErrorsDlg() {
  Kind = DK_ERRORS;
  DialogProc = ErrorsDlgProc;
}

INT_PTR TErrorsDlg::OnInitDialog(HWND window, UINT, WPARAM, LPARAM) {
  PostMessageA(window, WM_COMMAND, ERRORS_RECALC, 0);
  return TRUE;
}

INT_PTR TErrorsDlg::OnActivate(HWND, UINT, WPARAM wParam, LPARAM) {
  const WORD state = LOWORD(wParam);
  if (state == WA_ACTIVE || state == WA_CLICKACTIVE) CurrentHelpContext = ERRORS_HELP_CONTEXT;
  return TRUE;
}

INT_PTR TErrorsDlg::OnCtlColorStatic(HWND, UINT, WPARAM wParam, LPARAM lParam) {
  HWND control = reinterpret_cast<HWND>(lParam);
  if (IsMessageStatic(GetDlgCtrlID(control))) return 0;
  HDC dc = reinterpret_cast<HDC>(wParam);
  if (!BackgroundBrush) CreateBackgroundBrush();
  SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
  SetBkColor(dc, BackgroundColor);
  return reinterpret_cast<INT_PTR>(BackgroundBrush);
}

INT_PTR TErrorsDlg::OnCancel(HWND window, UINT, WPARAM, LPARAM) {
  DestroyWindow(window);
  return TRUE;
}

INT_PTR TErrorsDlg::ShowHint(HWND, UINT, WPARAM wParam, LPARAM) {
  switch (LOWORD(wParam)) {
    case IDCANCEL:
    case ERRORS_CLOSE:
    case 138:
      SetStatusText("Closes this window");
      break;
    case ERRORS_RECALC:
      SetStatusText("Refreshes the error messages in this window");
      break;
    case 32651:
      SetStatusText("Brings up the help topic for this window");
      break;
    default:
      SetStatusText("");
  }
  return TRUE;
}

void TErrorsDlg::Refresh(HWND window) {
  SetDlgItemTextA(window, ERRORS_SQL_TEXT, ErrorTextOrNone(SqlErrorState.GetErrorMessage()));
  SetDlgItemTextA(window, ERRORS_EXPRESSION_TEXT,
                  ErrorTextOrNone(ExpressionErrorState.GetErrorMessage()));
  SetDlgItemTextA(window, ERRORS_RECORD_TEXT, ErrorTextOrNone(RecordErrorState.GetErrorMessage()));
  SetDlgItemTextA(window, ERRORS_RECORD_LIST_TEXT,
                  ErrorTextOrNone(RecordListErrorState.GetErrorMessage()));
}

INT_PTR CALLBACK ErrorsDlgProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  TBaseDlg* base = nullptr;
  bool handled = false;
  if (message == WM_COMMAND && !(FieldHelp && HIWORD(wParam) >= 15 && HIWORD(wParam) <= 18)) {
    auto* dialog = static_cast<TErrorsDlg*>(AppWindowManager.GetDialog(window));
    if (dialog) {
      switch (LOWORD(wParam)) {
        case ERRORS_RECALC:
          dialog->Refresh(window);
          return TRUE;
        case ERRORS_CLOSE:
          return dialog->OnCancel(window, message, wParam, lParam);
        case 32651:
          return dialog->OnHelpButton(window, message, wParam, lParam);
      }
    }
  }
  return DispatchBaseDlgMessage(&base, window, message, wParam, lParam, &handled);
}

HWND OpenErrorsWindow(HWND owner) {
  return AppWindowManager.CreateModeless(new TErrorsDlg, ErrorsDlgName, owner, -1);
}

// The base of every dialog object and the dialog procedure that dispatches to it.
#include "forms/basedlg.h"

#include "data/model/settings.h"
#include "forms/colortable.h"
#include "forms/controlids.h"
#include "forms/messagepump.h"
#include "forms/windowmanager.h"
#include "forms/appwindow.h"


namespace {
int liveDialogs = 0;
}

TBaseDlg::TBaseDlg() : DialogProc(BaseDlgProc), Kind(DK_GENERIC) { ++liveDialogs; }

TBaseDlg::~TBaseDlg() { --liveDialogs; }

int TBaseDlg::LiveCount() { return liveDialogs; }

TBaseDlg::TGuard::TGuard(TBaseDlg* dialog) : dialog_(dialog) { ++dialog_->guards_; }

TBaseDlg::TGuard::~TGuard() {
  if (--dialog_->guards_ == 0 && dialog_->deleteWhenFree_) delete dialog_;
}

void TBaseDlg::ReleaseAfterDestroy(TBaseDlg* dialog, bool modal) {
  dialog->destroyed_ = true;
  if (modal) return;
  if (dialog->guards_ > 0) dialog->deleteWhenFree_ = true;
  else delete dialog;
}

void TBaseDlg::Hook() {}

int TBaseDlg::GetKind() { return Kind; }

INT_PTR TBaseDlg::OnInitDialog(HWND, UINT, WPARAM, LPARAM) { return TRUE; }

INT_PTR TBaseDlg::OnDestroy(HWND window, UINT, WPARAM, LPARAM) {
  AppWindowManager.DestroyOwnedDialogs(window);
  return FALSE;
}

INT_PTR TBaseDlg::OnActivate(HWND, UINT, WPARAM wParam, LPARAM) {
  const WORD state = LOWORD(wParam);
  if (state == WA_ACTIVE || state == WA_CLICKACTIVE) CurrentHelpContext = BASE_DLG_HELP_CONTEXT;
  return TRUE;
}

INT_PTR TBaseDlg::OnClose(HWND window, UINT, WPARAM, LPARAM) {
  EndDialog(window, 0);
  return FALSE;
}

INT_PTR TBaseDlg::OnCtlColorStatic(HWND, UINT, WPARAM wParam, LPARAM lParam) {
  HDC dc = reinterpret_cast<HDC>(wParam);
  HWND control = reinterpret_cast<HWND>(lParam);
  if (GetDlgCtrlID(control) == STATUS_LINE_ID) {
    SetTextColor(dc, RGB(192, 0, 0));
  } else if (GetWindowLongA(control, GWL_STYLE) & ES_READONLY) {
    SetBkColor(dc, READ_ONLY_FIELD_COLOR);
    return reinterpret_cast<INT_PTR>(ReadOnlyFieldBrush());
  } else {
    SetTextColor(dc, RGB(0, 0, 128));
  }
  SetBkMode(dc, TRANSPARENT);
  return reinterpret_cast<INT_PTR>(GetSysColorBrush(COLOR_BTNFACE));
}

INT_PTR TBaseDlg::OnOK(HWND window, UINT, WPARAM, LPARAM) {
  EndDialog(window, 1);
  return TRUE;
}

INT_PTR TBaseDlg::OnCancel(HWND window, UINT, WPARAM, LPARAM) {
  PostMessageA(window, WM_CLOSE, 0, 0);
  return TRUE;
}

INT_PTR TBaseDlg::OnHelpButton(HWND, UINT, WPARAM, LPARAM) { return TRUE; }

INT_PTR TBaseDlg::OnImport(HWND window, UINT, WPARAM, LPARAM) {
  ShowHelp(window, HELP_CONTEXT, static_cast<ULONG_PTR>(CurrentHelpContext));
  return TRUE;
}

INT_PTR TBaseDlg::ShowHint(HWND, UINT, WPARAM, LPARAM) {
  if (!FieldHelp) return FALSE;
  SetStatusText("Click here to close window");
  return TRUE;
}

INT_PTR TBaseDlg::HideHint(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

INT_PTR DispatchBaseDlgMessage(TBaseDlg** dialog, HWND window, UINT message, WPARAM wParam,
                               LPARAM lParam, bool* handled) {
  *handled = true;
  if (message == WM_INITDIALOG) AppWindowManager.AttachWindow(window);
  TBaseDlg* object = AppWindowManager.GetDialog(window);
  *dialog = object;
  if (!object) {
    *handled = false;
    return FALSE;
  }
  switch (message) {
    case WM_INITDIALOG:
      return object->OnInitDialog(window, message, wParam, lParam);
    case WM_DESTROY: {
      const bool modal = AppWindowManager.IsModal(window) != 0;
      INT_PTR result = object->OnDestroy(window, message, wParam, lParam);
      AppWindowManager.DetachWindow(window);
      TBaseDlg::ReleaseAfterDestroy(object, modal);
      if (!modal) *dialog = nullptr;
      return result;
    }
    case WM_ACTIVATE:
      return object->OnActivate(window, message, wParam, lParam);
    case WM_CLOSE:
      // Long work pumping messages under this dialog finishes before the dialog goes.
      if (DeferCloseWhilePumping(window)) return TRUE;
      return object->OnClose(window, message, wParam, lParam);
    case WM_CTLCOLORSTATIC:
      return object->OnCtlColorStatic(window, message, wParam, lParam);
    case WM_COMMAND:
      if (FieldHelp) {
        const WORD code = HIWORD(wParam);
        if (code == 15 || code == 16) return object->ShowHint(window, message, wParam, lParam);
        if (code == 17 || code == 18) return object->HideHint(window, message, wParam, lParam);
      }
      if (LOWORD(wParam) == IDOK) return object->OnOK(window, message, wParam, lParam);
      if (LOWORD(wParam) == IDCANCEL) return object->OnCancel(window, message, wParam, lParam);
      break;
  }
  *handled = false;
  return FALSE;
}

INT_PTR CALLBACK BaseDlgProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  TBaseDlg* dialog;
  bool handled;
  return DispatchBaseDlgMessage(&dialog, window, message, wParam, lParam, &handled);
}

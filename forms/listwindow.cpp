// The share of the record list windows: layout, rights, delete, refresh, the guard over
// their own pumping work, and opening edit forms from them.
#include "forms/listwindow.h"

#include <commctrl.h>

#include "data/core/userprofile.h"
#include "data/db/database.h"
#include "data/db/odbc.h"
#include "data/db/reclist.h"
#include "data/db/record.h"
#include "data/db/userrights.h"
#include "data/model/model.h"
#include "data/model/settings.h"
#include "expr/errors.h"
#include "forms/controlids.h"
#include "forms/editdlg.h"
#include "forms/preferences.h"
#include "forms/reclistbox.h"
#include "forms/windowmanager.h"
#include "shell/appwindow.h"

TListDlg::TListDlg(int kind, DLGPROC procedure, int minWidth, int minHeight)
    : minWidth_(minWidth), minHeight_(minHeight) {
  Kind = kind;
  DialogProc = procedure;
}

TListDlg::~TListDlg() { ReleaseListBox(); }

void TListDlg::ReleaseListBox() {
  // Work of this window may still read the box's list: it goes with the object.
  if (guards_ > 0) return;
  TPartialRecListBox* box = box_;
  box_ = nullptr;
  if (box) ReleaseRecListBox(box);
}

bool TListDlg::TakeListBox(HWND window, TPartialRecListBox* box) {
  if (destroyed_ || !IsWindow(window)) {
    if (box) ReleaseRecListBox(box);
    return false;
  }
  box_ = box;
  return true;
}

const TEntity* TListDlg::GetListedEntity() const { return box_ ? box_->GetEntity() : nullptr; }

TListDlg::TGuard::TGuard(TListDlg* dialog) : dialog_(dialog) { ++dialog_->guards_; }

TListDlg::TGuard::~TGuard() {
  if (--dialog_->guards_ == 0 && dialog_->destroyed_ && dialog_->deleteWhenFree_) delete dialog_;
}

INT_PTR TListDlg::OnCtlColorStatic(HWND, UINT, WPARAM wParam, LPARAM lParam) {
  HDC dc = reinterpret_cast<HDC>(wParam);
  const bool status = GetDlgCtrlID(reinterpret_cast<HWND>(lParam)) == STATUS_LINE_ID;
  SetTextColor(dc, status ? Preferences.InfoMessagesColor : GetSysColor(COLOR_WINDOWTEXT));
  SetBkMode(dc, TRANSPARENT);
  return reinterpret_cast<INT_PTR>(GetSysColorBrush(COLOR_BTNFACE));
}

INT_PTR TListDlg::OnHelpButton(HWND window, UINT, WPARAM, LPARAM) {
  ShowHelp(window, HELP_CONTEXT, static_cast<ULONG_PTR>(CurrentHelpContext));
  return TRUE;
}

void TListDlg::KeepMinimumSize(HWND window) {
  RECT r;
  GetWindowRect(window, &r);
  minWidth_ = r.right - r.left + 1;
  minHeight_ = r.bottom - r.top + 1;
}

void TListDlg::ShowListStatus(HWND window) {
  SetDlgItemTextA(window, STATUS_LINE_ID, box_ ? box_->GetStatusText().c_str() : "");
}

void TListDlg::ApplyRights(HWND window, const char* entityName, bool warn) {
  int rights = RIGHT_STORE | RIGHT_DELETE;
  if (OdbcLogin) rights = CheckUserRights(window, entityName, CurrentUser.UserId, warn);
  const bool store = (rights & RIGHT_STORE) != 0, remove = (rights & RIGHT_DELETE) != 0;
  const struct {
    int id;
    bool enabled;
  } buttons[] = {{ADD_BUTTON_ID, store}, {EDIT_BUTTON_ID, store}, {DELETE_BUTTON_ID, remove},
                 {IMPORT_BUTTON_ID, store && remove}};
  for (const auto& button : buttons)
    if (HWND control = GetDlgItem(window, button.id)) EnableWindow(control, button.enabled);
}

void TListDlg::LayOut(HWND window, int clientHeight) {
  const int frameY = GetSystemMetrics(SM_CYDLGFRAME);
  const UINT place = SWP_NOSIZE | SWP_NOZORDER | SWP_SHOWWINDOW;
  int x = 5;
  for (int id : ButtonRow()) {
    HWND button = GetDlgItem(window, id);
    if (!button) continue;
    RECT r;
    GetWindowRect(button, &r);
    const int w = r.right - r.left, h = r.bottom - r.top;
    SetWindowPos(button, nullptr, x, clientHeight - h - 1 - frameY, 0, 0, place);
    x += w + w / 4;
  }
  if (HWND status = GetDlgItem(window, STATUS_LINE_ID)) {
    RECT r;
    GetWindowRect(status, &r);
    SetWindowPos(status, nullptr, 2, clientHeight - (r.bottom - r.top) - 25 - frameY, 0, 0, place);
  }
  if (HWND list = GetDlgItem(window, LIST_ID)) {
    RECT r;
    GetWindowRect(window, &r);
    const int width = r.right - r.left - 2 * GetSystemMetrics(SM_CXDLGFRAME);
    SetWindowPos(list, nullptr, 0, 0, width, clientHeight - 50, SWP_NOMOVE | SWP_NOZORDER | SWP_SHOWWINDOW);
  }
}

INT_PTR TListDlg::Refresh(HWND window, UINT, WPARAM, LPARAM) {
  if (!box_) return TRUE;
  TGuard guard(this);
  box_->Refresh();
  if (!destroyed_) ShowListStatus(window);
  return TRUE;
}

INT_PTR TListDlg::DeleteSelected(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  TGuard guard(this);
  const TEntity* entity = GetListedEntity();
  if (!box_ || !entity) return TRUE;
  if (Preferences.PromptBeforeDelete &&
      MessageBoxA(window, "Do you wish to delete this record?", entity->Caption,
                  MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) != IDYES)
    return TRUE;
  if (destroyed_ || !box_) return TRUE;
  TDBRecord* record = box_->GetSelectedRecord();
  if (!record) return TRUE;
  const bool deleted = DeleteListedRecord(record);
  if (!deleted) {
    MessageBoxA(window, RecordErrorState.GetErrorMessage(), "Deletion failed", MB_OK | MB_ICONEXCLAMATION);
    return TRUE;
  }
  if (!destroyed_) Refresh(window, message, wParam, lParam);
  return TRUE;
}

bool DeleteListedRecord(TDBRecord* record) {
  TOdbcConnection connection(OdbcEnvironment, 1, DatabaseName);
  const bool bracket = TheModel.UseTransactions != 0;
  if (bracket) {
    connection.StartTransaction();
    record->SetForUpdate(UseForUpdateClause != 0);
  }
  record->Delete(RefuseIfChildren);
  const bool deleted = record->IsOk();
  if (bracket) {
    deleted ? connection.Commit() : connection.Rollback();
    record->SetForUpdate(false);
  }
  return deleted;
}

bool TListDlg::HandleListMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam, INT_PTR* result) {
  *result = 0;
  switch (message) {
    case WM_GETMINMAXINFO: {
      auto* info = reinterpret_cast<MINMAXINFO*>(lParam);
      info->ptMinTrackSize.x = minWidth_;
      info->ptMinTrackSize.y = minHeight_;
      return true;
    }
    case WM_SIZE:
      LayOut(window, HIWORD(lParam));
      return true;
    case WM_NOTIFY: {
      const auto* header = reinterpret_cast<const NMHDR*>(lParam);
      if (header->code == NM_SETFOCUS) {
        OnListFocus(window);
      } else if (header->code == NM_DBLCLK) {
        OnListDoubleClick(window);
      } else if (!box_ || !box_->HandleNotify(header)) {
        return false;
      }
      *result = TRUE;
      SetWindowLongPtrA(window, DWLP_MSGRESULT, TRUE);
      return true;
    }
    case WM_DESTROY:
      if (guards_ == 0) return false;  // the common handling deletes the object
      deleteWhenFree_ = !AppWindowManager.IsModal(window);
      OnDestroy(window, message, wParam, lParam);
      AppWindowManager.DetachWindow(window);
      destroyed_ = true;
      return true;
  }
  return false;
}

INT_PTR DispatchListDlgMessage(TListDlg** dialog, HWND window, UINT message, WPARAM wParam,
                               LPARAM lParam, bool* handled) {
  *dialog = nullptr;
  if (message != WM_INITDIALOG) {
    auto* list = static_cast<TListDlg*>(AppWindowManager.GetDialog(window));
    INT_PTR result = 0;
    if (list && list->HandleListMessage(window, message, wParam, lParam, &result)) {
      *handled = true;
      *dialog = message == WM_DESTROY ? nullptr : list;
      return result;
    }
  }
  TBaseDlg* base = nullptr;
  const INT_PTR result = DispatchBaseDlgMessage(&base, window, message, wParam, lParam, handled);
  *dialog = static_cast<TListDlg*>(base);
  return result;
}

namespace {

// After an opening that gave no window: frees the object unless a window was attached
// meanwhile (the dialog's own, destroyed again, which freed it).
void FreeUnopened(TBaseDlg* dialog, unsigned serialBefore) {
  AppWindowManager.ForgetReservation(dialog);
  if (AppWindowManager.AttachSerial() == serialBefore) delete dialog;
}

}  // namespace

HWND OpenOwnedEditForm(TEditDlg* form, HWND owner) {
  if (!form) return nullptr;
  const unsigned serial = AppWindowManager.AttachSerial();
  HWND window = AppWindowManager.OpenEditForm(form, form->GetEntity(), owner, 0);
  if (!window) FreeUnopened(form, serial);
  return window;
}

HWND OpenModelessOrFree(TBaseDlg* dialog, const char* resourceName, HWND owner, INT_PTR param) {
  const unsigned serial = AppWindowManager.AttachSerial();
  HWND window = AppWindowManager.CreateModeless(dialog, resourceName, owner, param);
  if (!window) FreeUnopened(dialog, serial);
  return window;
}

TEditDlg* OwnerForm(HWND window) {
  TBaseDlg* owner = AppWindowManager.GetDialog(AppWindowManager.GetOwner(window));
  return owner && owner->GetKind() == DK_EDIT_FORM ? static_cast<TEditDlg*>(owner) : nullptr;
}

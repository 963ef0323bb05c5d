// The shared part of the record list windows: layout, rights, delete, refresh, report, the
// guard over their own pumping work, and opening edit forms from them.
#include "forms/reclistdlg.h"

#include <commctrl.h>

#include <string>

#include "data/core/userprofile.h"
#include "data/db/reclist.h"
#include "data/db/record.h"
#include "data/db/userrights.h"
#include "data/model/model.h"
#include "data/model/settings.h"
#include "expr/errors.h"
#include "forms/appwindow.h"
#include "forms/controlids.h"
#include "forms/editdlg.h"
#include "forms/formtransaction.h"
#include "forms/messagepump.h"
#include "forms/preferences.h"
#include "forms/reclistbox.h"
#include "forms/shellcalls.h"
#include "forms/windowmanager.h"

TRecListDlg::TRecListDlg(int minWidth, int minHeight) : minWidth_(minWidth), minHeight_(minHeight) {}

TRecListDlg::~TRecListDlg() { ReleaseListBox(); }

bool TRecListDlg::TakeListBox(HWND window, TPartialRecListBox* box) {
  if (Destroyed() || !IsWindow(window)) {
    if (box) ReleaseRecListBox(box);
    return false;
  }
  box_ = box;
  RECT r;
  GetWindowRect(window, &r);
  minWidth_ = r.right - r.left + 1;
  minHeight_ = r.bottom - r.top + 1;
  ShowListStatus(window);
  return true;
}

void TRecListDlg::ReleaseListBox() {
  if (Guarded()) return;
  TPartialRecListBox* box = box_;
  box_ = nullptr;
  if (box) ReleaseRecListBox(box);
}

const TEntity* TRecListDlg::GetListedEntity() const { return box_ ? box_->GetEntity() : nullptr; }

void TRecListDlg::ShowListStatus(HWND window) {
  SetDlgItemTextA(window, STATUS_LINE_ID, box_ ? box_->GetStatusText().c_str() : "");
}

INT_PTR TRecListDlg::OnCtlColorStatic(HWND, UINT, WPARAM wParam, LPARAM lParam) {
  HDC dc = reinterpret_cast<HDC>(wParam);
  const bool status = GetDlgCtrlID(reinterpret_cast<HWND>(lParam)) == STATUS_LINE_ID;
  SetTextColor(dc, status ? Preferences.InfoMessagesColor : GetSysColor(COLOR_WINDOWTEXT));
  SetBkMode(dc, TRANSPARENT);
  return reinterpret_cast<INT_PTR>(GetSysColorBrush(COLOR_BTNFACE));
}

INT_PTR TRecListDlg::OnHelpButton(HWND window, UINT, WPARAM, LPARAM) {
  ShowHelp(window, HELP_CONTEXT, static_cast<ULONG_PTR>(HelpContext()));
  return TRUE;
}

INT_PTR TRecListDlg::OnDestroy(HWND window, UINT, WPARAM, LPARAM) {
  AppWindowManager.DestroyOwnedDialogs(window);
  ReleaseListBox();
  return FALSE;
}

INT_PTR TRecListDlg::OnActivate(HWND, UINT, WPARAM wParam, LPARAM) {
  const WORD state = LOWORD(wParam);
  if (state == WA_ACTIVE || state == WA_CLICKACTIVE) CurrentHelpContext = HelpContext();
  return FALSE;
}

INT_PTR TRecListDlg::OnClose(HWND window, UINT, WPARAM, LPARAM) {
  AppWindowManager.RestoreFocus(window);
  if (AppWindowManager.IsModal(window)) EndDialog(window, 0);
  else DestroyWindow(window);
  return TRUE;
}

INT_PTR TRecListDlg::OnCancel(HWND window, UINT, WPARAM, LPARAM) {
  PostMessageA(window, WM_CLOSE, 0, 0);
  return TRUE;
}

bool TRecListDlg::HandleSharedCommand(HWND window, int id) {
  switch (id) {
    case DELETE_BUTTON_ID:
      DeleteSelected(window);
      return true;
    case REFRESH_BUTTON_ID:
      RefreshList(window);
      return true;
    case REPORT_BUTTON_ID:
      ReportRows(window);
      return true;
    case HELP_BUTTON_ID:
      OnHelpButton(window, WM_COMMAND, HELP_BUTTON_ID, 0);
      return true;
  }
  return false;
}

void TRecListDlg::LayOut(HWND window, int clientHeight) {
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
  InvalidateRect(window, nullptr, TRUE);
}

void TRecListDlg::ApplyRights(HWND window, const TEntity* entity, bool warnWhenMissing) {
  int rights = RIGHT_STORE | RIGHT_DELETE;
  if (OdbcLogin) rights = CheckUserRights(window, entity->Name, CurrentUser.UserId, warnWhenMissing);
  const bool store = (rights & RIGHT_STORE) != 0, remove = (rights & RIGHT_DELETE) != 0;
  const struct {
    int id;
    bool enabled;
  } buttons[] = {{ADD_BUTTON_ID, store}, {EDIT_BUTTON_ID, store}, {DELETE_BUTTON_ID, remove},
                 {IMPORT_BUTTON_ID, store && remove}};
  for (const auto& button : buttons)
    if (HWND control = GetDlgItem(window, button.id)) EnableWindow(control, button.enabled);
}

void TRecListDlg::RefreshList(HWND window) {
  if (!box_) return;
  TGuard guard(this);
  box_->Refresh();
  if (!Destroyed()) ShowListStatus(window);
}

void TRecListDlg::DeleteSelected(HWND window) {
  TGuard guard(this);
  const TEntity* entity = GetListedEntity();
  if (!entity) return;
  if (Preferences.PromptBeforeDelete &&
      AskQuestion(window, "Do you wish to delete this record?", entity->Caption,
                  MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) != IDYES)
    return;
  if (Destroyed() || !box_) return;
  TDBRecord* record = box_->GetSelectedRecord();
  if (!record) return;
  if (!DeleteListedRecord(record)) {
    const std::string reason = RecordErrorState.GetErrorMessage();
    AskQuestion(window, reason.c_str(), "Deletion failed", MB_OK | MB_ICONEXCLAMATION);
    return;
  }
  if (!Destroyed()) RefreshList(window);
  RefreshWindowsAfterWrite(entity, window);  // the other windows follow even when this one is gone
}

void TRecListDlg::ReportRows(HWND window) {
  if (!box_) return;
  if (!OutputRecordsCall) {
    ShowMessageBox(window, OUTPUT_NOT_AVAILABLE_TEXT, "Report", MB_OK | MB_ICONEXCLAMATION);
    return;
  }
  TGuard guard(this);
  std::vector<int> columns;
  for (const TListColumn& column : box_->Columns()) columns.push_back(column.attribute);
  TPartialRecListBox* box = box_;  // held by the guard until the output is done
  OutputRecordsCall(window, *box->GetRecList(), columns, [box] { box->FetchAll(); });
  // The rows the output fetched are the list's now.
  if (Destroyed()) return;
  SendMessageA(box->GetWindow(), LVM_SETITEMCOUNT, box->GetCount(), LVSICF_NOSCROLL);
  ShowListStatus(window);
}

bool DeleteListedRecord(TDBRecord* record) {
  TFormTransaction transaction(record);
  transaction.Begin();
  record->Delete(RefuseIfChildren);
  if (!record->IsOk()) return false;  // the bracket rolls back
  transaction.Commit();
  return true;
}

bool TRecListDlg::HandleListMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam, INT_PTR* result) {
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
      if (header->idFrom != LIST_ID) return false;
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
  }
  return false;
}

INT_PTR DispatchRecListDlgMessage(TRecListDlg** dialog, HWND window, UINT message, WPARAM wParam,
                                  LPARAM lParam, bool* handled) {
  *dialog = nullptr;
  if (message != WM_INITDIALOG) {
    auto* list = static_cast<TRecListDlg*>(AppWindowManager.GetDialog(window));
    INT_PTR result = 0;
    if (list && list->HandleListMessage(window, message, wParam, lParam, &result)) {
      *handled = true;
      *dialog = list;
      return result;
    }
  }
  TBaseDlg* base = nullptr;
  const INT_PTR result = DispatchBaseDlgMessage(&base, window, message, wParam, lParam, handled);
  *dialog = static_cast<TRecListDlg*>(base);
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

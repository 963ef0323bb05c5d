// The shared part of the list windows: layout, rights, delete, refresh and report.
#include "forms/reclistdlg.h"

#include <string>
#include <vector>

#include "data/core/userprofile.h"
#include "data/db/record.h"
#include "data/db/userrights.h"
#include "data/model/model.h"
#include "data/model/settings.h"
#include "expr/errors.h"
#include "forms/controlids.h"
#include "forms/formtransaction.h"
#include "forms/preferences.h"
#include "forms/reclistbox.h"
#include "forms/shellcalls.h"
#include "forms/windowmanager.h"

TRecListDlg::TRecListDlg(int minWidth, int minHeight) : minWidth_(minWidth), minHeight_(minHeight) {}

TRecListDlg::~TRecListDlg() { ReleaseListBox(); }

void TRecListDlg::TakeListBox(HWND window, TPartialRecListBox* box) {
  box_ = box;
  RECT r;
  GetWindowRect(window, &r);
  minWidth_ = r.right - r.left + 1;
  minHeight_ = r.bottom - r.top + 1;
  ShowListStatus(window);
}

void TRecListDlg::ReleaseListBox() {
  if (box_) ReleaseRecListBox(box_);
  box_ = nullptr;
}

void TRecListDlg::ShowListStatus(HWND window) {
  if (box_) SetDlgItemTextA(window, STATUS_LINE_ID, box_->GetStatusText().c_str());
}

INT_PTR TRecListDlg::OnCtlColorStatic(HWND, UINT, WPARAM wParam, LPARAM lParam) {
  HDC dc = reinterpret_cast<HDC>(wParam);
  HWND control = reinterpret_cast<HWND>(lParam);
  SetTextColor(dc, GetDlgCtrlID(control) == STATUS_LINE_ID ? Preferences.InfoMessagesColor
                                                           : GetSysColor(COLOR_WINDOWTEXT));
  SetBkMode(dc, TRANSPARENT);
  return reinterpret_cast<INT_PTR>(GetSysColorBrush(COLOR_BTNFACE));
}

bool TRecListDlg::PassListNotify(const NMHDR* header) {
  if (!box_ || header->idFrom != LIST_ID) return false;
  return box_->HandleNotify(header);
}

void TRecListDlg::LayOut(HWND window, int clientHeight, std::initializer_list<int> buttons) {
  const int frameY = GetSystemMetrics(SM_CYDLGFRAME);
  int x = 5;
  for (int id : buttons) {
    HWND button = GetDlgItem(window, id);
    if (!button) continue;
    RECT r;
    GetWindowRect(button, &r);
    const int w = r.right - r.left, h = r.bottom - r.top;
    SetWindowPos(button, nullptr, x, clientHeight - h - 1 - frameY, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_SHOWWINDOW);
    x += w + w / 4;
  }
  if (HWND status = GetDlgItem(window, STATUS_LINE_ID)) {
    RECT s;
    GetWindowRect(status, &s);
    SetWindowPos(status, nullptr, 2, clientHeight - (s.bottom - s.top) - 25 - frameY, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_SHOWWINDOW);
  }
  RECT whole;
  GetWindowRect(window, &whole);
  SetWindowPos(GetDlgItem(window, LIST_ID), nullptr, 0, 0,
               (whole.right - whole.left) - 2 * GetSystemMetrics(SM_CXDLGFRAME), clientHeight - 50,
               SWP_NOMOVE | SWP_NOZORDER | SWP_SHOWWINDOW);
}

void TRecListDlg::LimitTracking(MINMAXINFO* info) const {
  info->ptMinTrackSize.x = minWidth_;
  info->ptMinTrackSize.y = minHeight_;
}

void TRecListDlg::ApplyRights(HWND window, const TEntity* entity, bool warnWhenMissing) {
  int rights = RIGHT_STORE | RIGHT_DELETE;
  if (OdbcLogin) rights = CheckUserRights(window, entity->Name, CurrentUser.UserId, warnWhenMissing);
  const bool store = (rights & RIGHT_STORE) != 0, remove = (rights & RIGHT_DELETE) != 0;
  EnableWindow(GetDlgItem(window, ADD_BUTTON_ID), store);
  EnableWindow(GetDlgItem(window, EDIT_BUTTON_ID), store);
  EnableWindow(GetDlgItem(window, DELETE_BUTTON_ID), remove);
  if (HWND both = GetDlgItem(window, IMPORT_BUTTON_ID)) EnableWindow(both, store && remove);
}

void TRecListDlg::DeleteSelected(HWND window, const TEntity* entity) {
  if (Preferences.PromptBeforeDelete &&
      MessageBoxA(window, "Do you wish to delete this record?", entity->Caption,
                  MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) != IDYES)
    return;
  TDBRecord* selected = box_ ? box_->GetSelectedRecord() : nullptr;
  if (!selected) return;
  TFormTransaction transaction(selected);
  transaction.Begin();
  selected->Delete(RefuseIfChildren);
  if (!selected->IsOk()) {
    const std::string message = RecordErrorState.GetErrorMessage();
    transaction.Rollback();
    MessageBoxA(window, message.c_str(), "Deletion failed", MB_OK | MB_ICONEXCLAMATION);
    return;
  }
  transaction.Commit();
  RefreshList(window);
}

void TRecListDlg::RefreshList(HWND window) {
  if (!box_) return;
  box_->Refresh();
  ShowListStatus(window);
}

void TRecListDlg::ReportRows(HWND window) {
  if (!box_) return;
  if (!OutputRecordsCall) {
    MessageBoxA(window, OUTPUT_NOT_AVAILABLE_TEXT, "Report", MB_OK | MB_ICONEXCLAMATION);
    return;
  }
  std::vector<int> columns;
  for (const TListColumn& column : box_->Columns()) columns.push_back(column.attribute);
  TPartialRecListBox* box = box_;
  OutputRecordsCall(window, *box->GetRecList(), columns, [box] { box->FetchAll(); });
  // The rows the output fetched are the list's now; the window may have gone meanwhile.
  if (!IsWindow(window) || AppWindowManager.GetDialog(window) != this || box_ != box) return;
  SendMessageA(box_->GetWindow(), LVM_SETITEMCOUNT, box_->GetCount(), LVSICF_NOSCROLL);
  ShowListStatus(window);
}

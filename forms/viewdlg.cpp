// The related-records window.
#include "forms/viewdlg.h"

#include <commctrl.h>

#include <cstdio>

#include "data/db/reclist.h"
#include "data/db/record.h"
#include "data/model/model.h"
#include "data/model/settings.h"
#include "forms/controlids.h"
#include "forms/editdlg.h"
#include "forms/reclistbox.h"
#include "forms/shellcalls.h"
#include "forms/windowmanager.h"
#include "forms/appwindow.h"

TViewDlg::TViewDlg(TRelationship* relationship, TDBRecord* parent, TDBRecList* list)
    : TRecListDlg(400, 160), relationship_(relationship), parent_(parent), list_(list) {
  Kind = DK_VIEW;
  DialogProc = ViewDlgProc;
}

TViewDlg::~TViewDlg() { delete list_; }

void TViewDlg::Hook() { TBaseDlg::Hook(); }

std::vector<int> TViewDlg::ButtonRow() const {
  return {ADD_BUTTON_ID, EDIT_BUTTON_ID, DELETE_BUTTON_ID, REFRESH_BUTTON_ID, REPORT_BUTTON_ID, CLOSE_PAGE_BUTTON_ID,
          HELP_BUTTON_ID};
}

const TEntity* TViewDlg::GetViewedEntity() const {
  if (relationship_) return relationship_->WithEntity;
  if (const TEntity* listed = GetListedEntity()) return listed;
  return list_ ? list_->GetEntity() : nullptr;
}

void PresetForeignKey(TDBRecord* record, const TRelationship* relationship, TDBRecord* parent) {
  const TEntity* entity = record->GetEntity();
  for (int i = 0; i < entity->AttributeCount; ++i) {
    const TAttribute& attribute = entity->Attributes[i];
    if (attribute.ForeignRel != relationship->Reverse || !attribute.PrimAttr) continue;
    record->SetNewValue(i, parent->GetValue(attribute.PrimAttr->Name));
  }
}

INT_PTR TViewDlg::OnInitDialog(HWND window, UINT, WPARAM, LPARAM) {
  TGuard guard(this);
  TDBRecList* list = list_;
  list_ = nullptr;  // the box owns it from here
  auto* box = new TViewRecListBox(GetDlgItem(window, LIST_ID), relationship_, parent_, list);
  if (!TakeListBox(window, box)) return TRUE;
  const TEntity* entity = GetViewedEntity();
  char caption[300];
  snprintf(caption, sizeof caption, "View %s", *entity->TitleText ? entity->TitleText : entity->Caption);
  SetWindowTextA(window, caption);
  ApplyRights(window, entity, false);
  return TRUE;
}

int TViewDlg::HelpContext() const {
  const int position = TheModel.EntityIndex(GetViewedEntity());
  return position < 0 ? 0 : VIEW_HELP_CONTEXT + position;
}

// The window has no OK button: Enter does nothing.
INT_PTR TViewDlg::OnOK(HWND, UINT, WPARAM, LPARAM) { return TRUE; }

void TViewDlg::OpenForm(HWND window, TDBRecord* record, bool existing) {
  const TFormMode mode = existing ? TFormMode::ExistingRecord : TFormMode::NewRecord;
  TGuard guard(this);
  TEditDlg* form = relationship_ ? CreateChildEditDlg(record, relationship_, parent_, box_, mode)
                                 : CreateEditDlg(record, mode);
  OpenOwnedEditForm(form, window);
}

INT_PTR TViewDlg::Add(HWND window, UINT, WPARAM, LPARAM) {
  const TEntity* entity = GetViewedEntity();
  if (!entity || !box_) return TRUE;
  TDBRecord* record = NewDBRecord(entity->Name);
  if (relationship_ && parent_) PresetForeignKey(record, relationship_, parent_);
  OpenForm(window, record, false);
  return TRUE;
}

INT_PTR TViewDlg::Edit(HWND window, UINT, WPARAM, LPARAM) {
  const TEntity* entity = GetViewedEntity();
  if (!entity || !box_) return TRUE;
  TDBRecord* record = NewDBRecord(entity->Name);
  if (TDBRecord* selected = box_->GetSelectedRecord()) record->Assign(*selected);
  else if (relationship_ && parent_) PresetForeignKey(record, relationship_, parent_);
  OpenForm(window, record, true);
  return TRUE;
}

void TViewDlg::OnListFocus(HWND) {
  if (!FieldHelp) return;
  if (relationship_ && parent_)
    SetStatusText("Lists all %s for the particular %s record", relationship_->Caption, parent_->GetEntity()->Caption);
  else if (const TEntity* entity = GetViewedEntity())
    SetStatusText("Lists all %s records in the database", entity->Caption);
}

void TViewDlg::OnListDoubleClick(HWND window) { Edit(window, WM_COMMAND, MAKEWPARAM(EDIT_BUTTON_ID, 0), 0); }

INT_PTR TViewDlg::ShowHint(HWND, UINT, WPARAM wParam, LPARAM) {
  if (!FieldHelp) return FALSE;
  static const TControlHint hints[] = {
      {IDCANCEL, "Close this window"},
      {CLOSE_PAGE_BUTTON_ID, "Close this window"},
      {CANCEL_KEY_ID, "Close this window"},
      {DELETE_BUTTON_ID, "Delete the highlighted record from the list"},
      {REFRESH_BUTTON_ID, "Refresh list box - use if another network user has altered list"},
      {HELP_BUTTON_ID, "Bring up help topic describing this window"},
      {ADD_BUTTON_ID, "Bring up form so you can add a new record to the list"},
      {EDIT_BUTTON_ID, "Bring up form containing the highlighted record in the list"},
  };
  SetStatusText("%s", HintText(hints, LOWORD(wParam)));
  return TRUE;
}

INT_PTR CALLBACK ViewDlgProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_COMMAND && !(FieldHelp && HIWORD(wParam) >= 15 && HIWORD(wParam) <= 18)) {
    if (auto* dialog = static_cast<TViewDlg*>(AppWindowManager.GetDialog(window))) {
      switch (LOWORD(wParam)) {
        case IDCANCEL:
        case CANCEL_KEY_ID:
        case CLOSE_PAGE_BUTTON_ID:  // all through WM_CLOSE, which waits for work that pumps
          return dialog->OnCancel(window, message, wParam, lParam);
        case ADD_BUTTON_ID:
          return dialog->Add(window, message, wParam, lParam);
        case EDIT_BUTTON_ID:
          return dialog->Edit(window, message, wParam, lParam);
      }
      if (dialog->HandleSharedCommand(window, LOWORD(wParam))) return TRUE;
    }
  }
  TRecListDlg* list = nullptr;
  bool handled = false;
  const INT_PTR result = DispatchRecListDlgMessage(&list, window, message, wParam, lParam, &handled);
  return handled ? result : FALSE;
}

HWND OpenViewWindow(TRelationship* relationship, TDBRecord* parent, TDBRecList* list, HWND owner) {
  return OpenModelessOrFree(new TViewDlg(relationship, parent, list), ViewDlgName, owner, -1);
}

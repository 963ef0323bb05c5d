// The edit form's relationship buttons: adding, editing and deleting the records of a
// child list, the related-records window, the lookup and the related record's form.
#include <windows.h>

#include "data/db/reclist.h"
#include "data/db/record.h"
#include "data/model/model.h"
#include "data/model/settings.h"
#include "expr/errors.h"
#include "forms/controlids.h"
#include "forms/editdlg.h"
#include "forms/reclistdlg.h"
#include "forms/lookupdlg.h"
#include "forms/preferences.h"
#include "forms/reclistbox.h"
#include "forms/viewdlg.h"

namespace {

constexpr const char* NOT_STORED_TEXT = "You have not yet found/stored the main record.\nYou should do this first.";

int ButtonRelationship(WPARAM wParam, int base) { return static_cast<int>(LOWORD(wParam)) - base; }

}  // namespace

bool TEditDlg::ParentRecordStored() {
  if (record_->Exists()) return true;
  Ask(NOT_STORED_TEXT, MB_OK | MB_ICONEXCLAMATION);
  return false;
}

void TEditDlg::OpenChildForm(int r, TDBRecord* child, TFormMode mode) {
  TRelationship* rel = &entity_->Relationships[r];
  HWND self = window_;
  if (OpenOwnedEditForm(CreateChildEditDlg(child, rel, record_, childLists_[r], mode), self) && IsWindow(self))
    ShowWindow(self, SW_MINIMIZE);
}

INT_PTR TEditDlg::AddChild(HWND, UINT, WPARAM wParam, LPARAM) {
  const int r = ButtonRelationship(wParam, CHILD_ADD_BUTTON_ID_BASE);
  if (!ParentRecordStored()) return TRUE;
  TRelationship* rel = &entity_->Relationships[r];
  TDBRecord* child = NewDBRecord(rel->WithEntity->Name);
  PresetForeignKey(child, rel, record_);
  OpenChildForm(r, child, TFormMode::NewRecord);
  return TRUE;
}

INT_PTR TEditDlg::ModifyChild(HWND, UINT, WPARAM wParam, LPARAM) {
  const int r = ButtonRelationship(wParam, CHILD_EDIT_BUTTON_ID_BASE);
  if (!ParentRecordStored()) return TRUE;
  TRelationship* rel = &entity_->Relationships[r];
  TDBRecord* child = NewDBRecord(rel->WithEntity->Name);
  TDBRecord* selected = childLists_[r] ? childLists_[r]->GetSelectedRecord() : nullptr;
  if (selected) child->Assign(*selected);
  else PresetForeignKey(child, rel, record_);
  OpenChildForm(r, child, TFormMode::ExistingRecord);
  return TRUE;
}

INT_PTR TEditDlg::DeleteChild(HWND, UINT, WPARAM wParam, LPARAM) {
  const int r = ButtonRelationship(wParam, CHILD_DELETE_BUTTON_ID_BASE);
  HWND self = window_;
  if (Preferences.PromptBeforeDelete &&
      Ask("Do you wish to delete this record?", MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) != IDYES)
    return TRUE;
  if (!IsWindow(self) || !childLists_[r]) return TRUE;
  TDBRecord* selected = childLists_[r]->GetSelectedRecord();
  if (!selected) return TRUE;
  const bool deleted = DeleteListedRecord(selected);
  if (!deleted) {
    MessageBoxA(self, RecordErrorState.GetErrorMessage(), "Deletion failed", MB_OK | MB_ICONEXCLAMATION);
    return TRUE;
  }
  const TEntity* child = entity_->Relationships[r].WithEntity;
  SendMessageA(self, WM_COMMAND, MAKEWPARAM(REFRESH_BUTTON_ID, 0), 0);
  if (IsWindow(self)) RefreshWindowsAfterWrite(child, self);
  return TRUE;
}

INT_PTR TEditDlg::ViewRelated(HWND, UINT, WPARAM wParam, LPARAM) {
  const int r = ButtonRelationship(wParam, VIEW_RELATED_BUTTON_ID_BASE);
  if (!ParentRecordStored()) return TRUE;
  TRelationship* rel = &entity_->Relationships[r];
  auto* list = new TDBRecList(rel->WithEntity->Name);
  list->SelectRelated(rel->Name, record_);
  TDBRecord* first = list->GetRecord(0);
  const bool several = first && (list->Count() > 1 || list->GetRecord(1));
  if (!Preferences.SkipListBoxIfSingleView || several) {
    // The window fetches its rows pumping messages: this form may be gone when it returns.
    HWND self = window_;
    if (!OpenViewWindow(rel, record_, list, self) && IsWindow(self))
      SetStatusLine("The related records could not be shown");
    return TRUE;
  }
  if (!first) {
    delete list;
    SetStatusLine("Related record(s) not found");
    return TRUE;
  }
  TDBRecord* copy = NewDBRecord(rel->WithEntity->Name);
  copy->Assign(*first);
  delete list;
  OpenOwnedEditForm(CreateChildEditDlg(copy, rel, record_, nullptr, TFormMode::ExistingRecord), window_);
  return TRUE;
}

INT_PTR TEditDlg::Lookup(HWND, UINT, WPARAM wParam, LPARAM) {
  const int r = ButtonRelationship(wParam, LOOKUP_BUTTON_ID_BASE);
  if (!ReadForm()) {
    SetStatusLine(RecordErrorState.GetErrorMessage());
    return TRUE;
  }
  OpenLookupWindow(window_, &entity_->Relationships[r], record_);
  return TRUE;
}

INT_PTR TEditDlg::ShowRelated(HWND, UINT, WPARAM wParam, LPARAM) {
  const int r = ButtonRelationship(wParam, SHOW_RELATED_BUTTON_ID_BASE);
  if (!ReadForm()) {
    SetStatusLine(RecordErrorState.GetErrorMessage());
    return TRUE;
  }
  TRelationship* rel = &entity_->Relationships[r];
  TDBRecord* related = NewDBRecord(rel->WithEntity->Name);
  for (int i = 0; i < entity_->AttributeCount; ++i) {
    const TAttribute& attribute = entity_->Attributes[i];
    if (attribute.ForeignRel != rel || !attribute.PrimAttr) continue;
    related->SetNewValue(attribute.PrimAttr->Name, record_->GetValue(i));
  }
  related->Read();
  const bool found = related->IsOk();
  if (!found) related->Reset();
  const TFormMode mode = found ? TFormMode::ExistingRecord : TFormMode::NewRecord;
  OpenOwnedEditForm(CreateChildEditDlg(related, rel, related, nullptr, mode), window_);
  return TRUE;
}

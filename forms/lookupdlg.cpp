// The lookup window of an edit form's relationship.
#include "forms/lookupdlg.h"

#include <commctrl.h>

#include <cstdio>

#include "data/db/record.h"
#include "data/model/model.h"
#include "data/model/settings.h"
#include "forms/controlids.h"
#include "forms/editdlg.h"
#include "forms/editparts.h"
#include "forms/reclistbox.h"
#include "forms/windowmanager.h"
#include "forms/appwindow.h"
#include "forms/messagepump.h"

TLookupDlg::TLookupDlg(TRelationship* relationship, TDBRecord* record)
    : TRecListDlg(400, 150), relationship_(relationship), record_(record) {
  Kind = DK_LOOKUP;
  DialogProc = LookupDlgProc;
}

void TLookupDlg::Hook() { TBaseDlg::Hook(); }

bool TLookupDlg::IsModelessKind() const { return relationship_->KindAndPage % 10 == 3; }

std::vector<int> TLookupDlg::ButtonRow() const {
  if (IsModelessKind())
    return {IDOK, ADD_BUTTON_ID, EDIT_BUTTON_ID, DELETE_BUTTON_ID, REFRESH_BUTTON_ID, IDCANCEL, HELP_BUTTON_ID};
  return {IDOK, IDCANCEL, HELP_BUTTON_ID};
}

HWND TLookupDlg::Anchor(HWND owner) const {
  const TEntity* entity = record_->GetEntity();
  int r = -1;
  for (int k = 0; k < entity->RelationshipCount; ++k)
    if (&entity->Relationships[k] == relationship_) r = k;
  HWND host = owner;
  if (owner && entity->PageCount > 0) host = FormPageWindow(owner, relationship_->KindAndPage / 10);
  HWND button = host && r >= 0 ? GetDlgItem(host, LookupButtonId(r)) : nullptr;
  return button ? button : owner;
}

void TLookupDlg::PlaceAt(HWND window, HWND anchor) {
  RECT own, at = {}, desktop;
  GetWindowRect(window, &own);
  if (anchor) GetWindowRect(anchor, &at);
  GetWindowRect(GetDesktopWindow(), &desktop);
  const int width = own.right - own.left + 1, height = own.bottom - own.top + 1;
  int x = at.left + 2, y = at.top + 2;
  if (x + width > desktop.right) x = desktop.right - width;
  if (y + height > desktop.bottom) y = desktop.bottom - height;
  MoveWindow(window, x, y, width, height, TRUE);
  placedWidth_ = width;
  placedHeight_ = height;
}

INT_PTR TLookupDlg::OnInitDialog(HWND window, UINT, WPARAM, LPARAM) {
  TGuard guard(this);
  PlaceAt(window, Anchor(AppWindowManager.GetOwner(window)));
  auto* box = new TLookupRecListBox(GetDlgItem(window, LIST_ID), relationship_, record_);
  if (!TakeListBox(window, box)) return TRUE;
  KeepMinimumSize(placedWidth_, placedHeight_);  // the size it was placed with
  char caption[300];
  snprintf(caption, sizeof caption, "Select %s", box->GetEntity()->Caption);
  SetWindowTextA(window, caption);
  ApplyRights(window, box->GetEntity(), false);
  return TRUE;
}

INT_PTR TLookupDlg::OnDestroy(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  const TEntity* entity = record_->GetEntity();
  bool found = false;
  for (int k = 0; k < entity->RelationshipCount; ++k) found = found || &entity->Relationships[k] == relationship_;
  if (!found) ShowMessageBox(window, "Cannot find rel to which list box belongs", "Destroy", MB_OK | MB_ICONHAND);
  return TRecListDlg::OnDestroy(window, message, wParam, lParam);
}

int TLookupDlg::HelpContext() const { return LOOKUP_HELP_CONTEXT; }

INT_PTR TLookupDlg::OnOK(HWND window, UINT, WPARAM, LPARAM) {
  TDBRecord* chosen = box_ ? box_->GetSelectedRecord() : nullptr;
  if (chosen) {
    TEditDlg* form = OwnerForm(window);
    // What the user typed on a form that stayed usable meanwhile is kept.
    if (form) form->ReadForm();
    const TEntity* entity = record_->GetEntity();
    for (int i = 0; i < entity->AttributeCount; ++i) {
      const TAttribute& attribute = entity->Attributes[i];
      if (attribute.ForeignRel != relationship_ || attribute.RealAttrIndex != -1 || !attribute.PrimAttr) continue;
      record_->SetNewValue(i, chosen->GetValue(attribute.PrimAttr->Name));
    }
    if (form) form->Redisplay(window, 0);
  }
  PostMessageA(window, WM_CLOSE, 0, 0);
  return TRUE;
}

INT_PTR TLookupDlg::Add(HWND window, UINT, WPARAM, LPARAM) {
  const TEntity* entity = GetListedEntity();
  if (!entity) return TRUE;
  TGuard guard(this);
  OpenOwnedEditForm(CreateEditDlg(NewDBRecord(entity->Name), TFormMode::NewRecord), window);
  return TRUE;
}

INT_PTR TLookupDlg::Edit(HWND window, UINT, WPARAM, LPARAM) {
  const TEntity* entity = GetListedEntity();
  if (!entity) return TRUE;
  TGuard guard(this);
  TDBRecord* record = NewDBRecord(entity->Name);
  if (TDBRecord* selected = box_->GetSelectedRecord()) record->Assign(*selected);
  OpenOwnedEditForm(CreateEditDlg(record, TFormMode::ExistingRecord), window);
  return TRUE;
}

void TLookupDlg::OnListFocus(HWND) {
  if (!FieldHelp) return;
  const TEntity* target = relationship_->WithEntity;
  SetStatusText("Select one of these %s records", target ? target->Caption : "");
}

void TLookupDlg::OnListDoubleClick(HWND window) { OnOK(window, WM_COMMAND, MAKEWPARAM(IDOK, 0), 0); }

INT_PTR TLookupDlg::ShowHint(HWND, UINT, WPARAM wParam, LPARAM) {
  if (!FieldHelp) return FALSE;
  static const TControlHint hints[] = {
      {IDOK, "Click here when you have selected your record"},
      {OK_KEY_ID, "Click here when you have selected your record"},
      {IDCANCEL, "Click here to close this window without selecting a record"},
      {CANCEL_KEY_ID, "Click here to close this window without selecting a record"},
      {DELETE_BUTTON_ID, "Delete the highlighted record from the list"},
      {REFRESH_BUTTON_ID, "Refresh the list box - use if another network user has altered records"},
      {HELP_BUTTON_ID, "Bring up the help topic for this window"},
      {ADD_BUTTON_ID, "Bring up a form where you can add a new record to the list"},
      {EDIT_BUTTON_ID, "Bring up the form containing the details of the highlighted record"},
  };
  SetStatusText("%s", HintText(hints, LOWORD(wParam)));
  return TRUE;
}

INT_PTR CALLBACK LookupDlgProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  TRecListDlg* list = nullptr;
  bool handled = false;
  if (message == WM_COMMAND && !(FieldHelp && HIWORD(wParam) >= 15 && HIWORD(wParam) <= 18)) {
    auto* dialog = static_cast<TLookupDlg*>(AppWindowManager.GetDialog(window));
    if (dialog) {
      switch (LOWORD(wParam)) {
        case IDOK:
        case OK_KEY_ID:
          return dialog->OnOK(window, message, wParam, lParam);
        case IDCANCEL:
        case CANCEL_KEY_ID:
          return dialog->OnCancel(window, message, wParam, lParam);
        case ADD_BUTTON_ID:
          return dialog->Add(window, message, wParam, lParam);
        case EDIT_BUTTON_ID:
          return dialog->Edit(window, message, wParam, lParam);
      }
      if (dialog->HandleSharedCommand(window, LOWORD(wParam))) return TRUE;
    }
  }
  const INT_PTR result = DispatchRecListDlgMessage(&list, window, message, wParam, lParam, &handled);
  return handled ? result : FALSE;
}

void OpenLookupWindow(HWND formWindow, TRelationship* relationship, TDBRecord* record) {
  auto* dialog = new TLookupDlg(relationship, record);
  if (dialog->IsModelessKind()) {
    OpenModelessOrFree(dialog, Lookup3DlgName, formWindow, -1);
    return;
  }
  AppWindowManager.RunModal(dialog, Lookup0DlgName, formWindow, -1, 0);
  delete dialog;
}

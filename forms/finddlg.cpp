// The find-results window: its object, dialog procedure and the commands of its buttons,
// and the opening of it by the edit form's Find.
#include "forms/finddlg.h"

#include <commctrl.h>

#include <cstdio>

#include "data/db/reclist.h"
#include "data/db/record.h"
#include "data/model/model.h"
#include "data/model/settings.h"
#include "forms/controlids.h"
#include "forms/editdlg.h"
#include "forms/editparts.h"
#include "forms/messagepump.h"
#include "forms/reclistbox.h"
#include "forms/windowmanager.h"
#include "forms/appwindow.h"

TFindDlg::TFindDlg(TDBRecord* templateRecord, TDBRecList* list)
    : TRecListDlg(400, 150),
      templateRecord_(templateRecord),
      criteria_(NewDBRecord(templateRecord->GetEntityName())),
      list_(list) {
  DialogProc = FindDlgProc;
  Kind = DK_FIND_RESULTS;
  criteria_->Assign(*templateRecord);
}

TFindDlg::~TFindDlg() {
  ReleaseListBox();  // before the criteria it finds with
  delete list_;
  delete criteria_;
}

INT_PTR TFindDlg::OnInitDialog(HWND window, UINT, WPARAM, LPARAM) {
  TGuard guard(this);  // the list's first fetch pumps messages
  TEntity* entity = criteria_->GetEntity();
  char caption[300];
  // An entity without a title of its own is named by its name.
  snprintf(caption, sizeof caption, "Found: %s", *entity->TitleText ? entity->TitleText : entity->Name);
  SetWindowTextA(window, caption);
  TDBRecList* list = list_;
  list_ = nullptr;
  if (!TakeListBox(window, new TFindRecListBox(GetDlgItem(window, LIST_ID), criteria_, list))) return TRUE;
  // A single hit is the one the user means: OK takes it without a click on it first.
  if (box_->GetCount() == 1 && box_->IsComplete()) box_->SetSelectionMark(0);
  // A user without a rights row is told so in a box: closes asked for while it waits go
  // when it has been answered.
  TPumpingScope asking;
  ApplyRights(window, entity, true);
  return TRUE;
}

INT_PTR TFindDlg::OnOK(HWND window, UINT, WPARAM, LPARAM) {
  TDBRecord* selected = box_ ? box_->GetSelectedRecord() : nullptr;
  if (selected && AppWindowManager.IsModal(window)) {
    templateRecord_->Assign(*selected);
  } else if (selected) {
    HWND owner = AppWindowManager.GetOwner(window);
    TBaseDlg* dialog = AppWindowManager.GetDialog(owner);
    if (dialog && dialog->GetKind() == DK_EDIT_FORM) {
      auto* form = static_cast<TEditDlg*>(dialog);
      form->AssignRecord(selected);
      form->AfterChangeHook(owner, 0);
      form->SetFormState(owner, TFormState::Existing);
      form->FocusFirstField(owner);
    }
  }
  PostMessageA(window, WM_CLOSE, 0, 0);
  return TRUE;
}

void TFindDlg::OnAdd(HWND window) {
  OpenOwnedEditForm(CreateEditDlg(NewDBRecord(criteria_->GetEntityName()), TFormMode::NewRecord), window);
}

void TFindDlg::OnEdit(HWND window) {
  TDBRecord* record = NewDBRecord(criteria_->GetEntityName());
  if (TDBRecord* selected = box_ ? box_->GetSelectedRecord() : nullptr) record->Assign(*selected);
  OpenOwnedEditForm(CreateEditDlg(record, TFormMode::ExistingRecord), window);
}

INT_PTR TFindDlg::ShowHint(HWND, UINT, WPARAM wParam, LPARAM) {
  static const TControlHint hints[] = {
      {IDOK, "Close this window and fills existing form with the highlighted record's details"},
      {OK_KEY_ID, "Close this window and fills existing form with the highlighted record's details"},
      {CANCEL_BUTTON_ID, "Close this window"},
      {CANCEL_KEY_ID, "Close this window"},
      {DELETE_BUTTON_ID, "Delete highlighted record from list"},
      {REFRESH_BUTTON_ID, "Refresh list box - use if another network user has altered these records"},
      {HELP_BUTTON_ID, "Bring up help topic for this window"},
      {ADD_BUTTON_ID, "Bring up form which you can use to add new record to list"},
      {EDIT_BUTTON_ID, "Bring up new form containing the highlighted record's details"},
  };
  SetStatusText("%s", HintText(hints, LOWORD(wParam)));
  return TRUE;
}

int TFindDlg::HelpContext() const { return FIND_WINDOW_HELP_CONTEXT; }

std::vector<int> TFindDlg::ButtonRow() const {
  return {IDOK,           ADD_BUTTON_ID, EDIT_BUTTON_ID,   DELETE_BUTTON_ID, REFRESH_BUTTON_ID,
          REPORT_BUTTON_ID, CANCEL_BUTTON_ID, HELP_BUTTON_ID};
}

void TFindDlg::OnListFocus(HWND) {
  if (FieldHelp) SetStatusText("Lists all matching %s records", criteria_->GetEntity()->Caption);
}

void TFindDlg::OnListDoubleClick(HWND window) { OnOK(window, WM_COMMAND, IDOK, 0); }

namespace {

INT_PTR FindCommand(TFindDlg* dialog, HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (FieldHelp) {
    const WORD code = HIWORD(wParam);
    if (code == 15 || code == 16) return dialog->ShowHint(window, message, wParam, lParam);
    if (code == 17 || code == 18) return dialog->HideHint(window, message, wParam, lParam);
  }
  switch (LOWORD(wParam)) {
    case IDOK:
    case OK_KEY_ID:
      return dialog->OnOK(window, message, wParam, lParam);
    case CANCEL_BUTTON_ID:
    case CANCEL_KEY_ID:
      return dialog->OnCancel(window, message, wParam, lParam);
    case ADD_BUTTON_ID:
      dialog->OnAdd(window);
      return TRUE;
    case EDIT_BUTTON_ID:
      dialog->OnEdit(window);
      return TRUE;
  }
  return dialog->HandleSharedCommand(window, LOWORD(wParam)) ? TRUE : FALSE;
}

TFindDlg* FindDialogOf(HWND window) {
  TBaseDlg* object = AppWindowManager.GetDialog(window);
  return object && object->GetKind() == DK_FIND_RESULTS ? static_cast<TFindDlg*>(object) : nullptr;
}

}  // namespace

INT_PTR CALLBACK FindDlgProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_COMMAND) {
    if (TFindDlg* dialog = FindDialogOf(window)) return FindCommand(dialog, window, message, wParam, lParam);
    return FALSE;
  }
  TRecListDlg* dialog = nullptr;
  bool handled = false;
  const INT_PTR result = DispatchRecListDlgMessage(&dialog, window, message, wParam, lParam, &handled);
  return handled ? result : FALSE;
}

bool OpenFindWindow(TEditDlg* form, TDBRecList* list) {
  // A window that never opened frees its object, which still holds the list.
  return OpenModelessOrFree(new TFindDlg(form->GetRecord(), list), FindDlgName, form->GetWindow(), -1) != nullptr;
}

// The edit form's record commands: store, find, delete, reset, recalculate, the four
// navigation buttons and the quick search, with the refresh of the windows they affect.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "data/db/database.h"
#include "data/db/odbc.h"
#include "data/db/reclist.h"
#include "data/db/record.h"
#include "data/db/sqltypes.h"
#include "data/model/model.h"
#include "data/model/settings.h"
#include "expr/errors.h"
#include "forms/editdlg.h"
#include "forms/controlids.h"
#include "forms/editparts.h"
#include "forms/formtransaction.h"
#include "forms/messagepump.h"
#include "forms/preferences.h"
#include "forms/windowmanager.h"
#include "forms/appwindow.h"

namespace {

constexpr const char* KEY_CHANGED_QUESTION =
    "You have changed the record's key fields.\nDo you wish to insert a new record (YES) or instead "
    "replace the current one (NO)?";
constexpr const char* CASCADE_QUESTION_AFTER_KEY_CHANGE =
    "Related record(s) have been found.\n\nDo you wish to update these as well (i.e. cascade update)?";
constexpr const char* CASCADE_QUESTION =
    "Related record(s) have been found.\nDo you wish to update these as well (i.e. cascade)?";
constexpr const char* UPDATE_CHANGED_QUESTION = "Record has changed. Update it?";
constexpr const char* UPDATE_UNCHANGED_QUESTION =
    "You have not altered the record. Do you still wish to update it?";
constexpr const char* DELETE_QUESTION = "Do you wish to delete this record?";
constexpr const char* DEPENDANTS_TEXT =
    "Could not delete record!\n\nOther records exist in one or more"
    " related tables that reference this record.\n\nThey will need"
    " to be deleted and then you can try to delete again.";
constexpr const char* FIND_ALL_QUESTION =
    "You have not filled out any fields, and the search will find every record in the table.\n"
    "Do you wish to continue?";
constexpr const char* FIND_UNINDEXED_QUESTION =
    "None of the filled out fields are indexed in the database, so the search could take a while.\n"
    "Do you wish to continue?";

constexpr UINT YES_NO_QUESTION = MB_YESNO | MB_ICONQUESTION;
constexpr UINT YES_NO_QUESTION_NO_DEFAULT = MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2;

// The record holds a row as stored: some key field has a stored value (read from the
// database or written by a store), not only values typed into a fresh form.
bool HoldsStoredRow(TDBRecord* record) {
  const TEntity* entity = record->GetEntity();
  for (int i = 0; i < entity->AttributeCount; ++i)
    if (IsKeyAttribute(entity->Attributes[i]) && (record->Field(i).Flags() & TDBFieldValue::HasValue))
      return true;
  return false;
}

}  // namespace

int TEditDlg::Ask(const char* text, UINT style) {
  return AskQuestion(window_, text, entity_->Caption, style);
}

void TEditDlg::ApplyAutoClose(HWND) {
  const TAutoClose autoClose = Preferences.AutoClose;
  if (autoClose == TAutoClose::Always ||
      (autoClose == TAutoClose::WhenOpenedFromList && AppWindowManager.GetOwner(window_) != MainWindow))
    PostMessageA(window_, WM_CLOSE, 0, 0);
}

void TEditDlg::AfterWrite(HWND window, bool resetValues, const char* status) {
  if (resetValues) SetDefaults(0);
  ClearControls();
  RecalculateFields();
  ShowRecord();
  PushLinkedValues(window_);
  if (!RefreshOpenDialogs()) return;
  AfterChangeHook(window_, 0);
  SetFormState(window_, TFormState::Fresh);
  AfterStoreHook(window_);
  FocusFirstField(window_);
  singleFind_ = false;
  ApplyAutoClose(window);
  SetStatusLine(status);
}

INT_PTR TEditDlg::Store(HWND window, UINT, WPARAM, LPARAM) {
  TGuard guard(this);  // the questions below pump messages
  SetStatusLine("");
  if (!ReadForm()) {
    SetStatusLine(RecordErrorState.GetErrorMessage());
    return TRUE;
  }
  const TPreferences& prefs = Preferences;
  TFormTransaction transaction(record_);
  if (record_->IsKeyChanged()) {
    const TKeyChangeRule rule = prefs.IfKeysAreChanged;
    int answer = rule == TKeyChangeRule::AlwaysInsert ? IDYES : rule == TKeyChangeRule::AlwaysUpdate ? IDNO : 0;
    if (!answer)
      answer = Ask(KEY_CHANGED_QUESTION, MB_YESNOCANCEL | MB_ICONQUESTION |
                                             (rule == TKeyChangeRule::AskUpdateByDefault ? MB_DEFBUTTON2 : 0));
    if (answer == IDCANCEL || Destroyed()) return TRUE;
    transaction.Begin();
    if (answer == IDYES) record_->Insert(CheckParents);
    else if (!UpdateWithCascade(transaction, CASCADE_QUESTION_AFTER_KEY_CHANGE)) return TRUE;
  } else {
    const bool exists = record_->Exists();
    if (record_->IsOk() && exists && !HoldsStoredRow(record_)) {
      // A key typed into a fresh form that some row already has: never overwrite it unseen.
      record_->SetStatus(RecordAlreadyExists);
    } else if (record_->IsOk() && exists) {
      if (prefs.PromptBeforeUpdate) {
        const bool modified = HasUserChanges();
        const int answer = modified ? Ask(UPDATE_CHANGED_QUESTION, YES_NO_QUESTION)
                                    : Ask(UPDATE_UNCHANGED_QUESTION, YES_NO_QUESTION_NO_DEFAULT);
        if (answer != IDYES || Destroyed()) return TRUE;
      }
      transaction.Begin();
      if (!UpdateWithCascade(transaction, CASCADE_QUESTION)) return TRUE;
    } else if (record_->IsOk()) {
      transaction.Begin();
      record_->Insert(CheckParents);
    }
  }
  if (!record_->IsOk()) {
    const std::string message = RecordErrorState.GetErrorMessage();
    transaction.Rollback();
    SetStatusLine(message.c_str());
    return TRUE;
  }
  transaction.Commit();
  AfterWrite(window, !DisableResetAfterStore && entity_->IsResetEnabled(), "Record successfully stored");
  return TRUE;
}

bool TEditDlg::UpdateWithCascade(TFormTransaction& transaction, const char* question) {
  record_->Update(RefuseIfChildren, CheckParents);
  if (record_->GetStatus() != RecordRelatedFound || !Preferences.AllowCascadedUpdates) return true;
  const std::string refusal = RecordErrorState.GetErrorMessage();
  transaction.Rollback();
  const int answer = Ask(question, YES_NO_QUESTION_NO_DEFAULT);
  if (Destroyed()) return false;
  if (answer != IDYES) {
    SetStatusLine(refusal.c_str());
    return false;
  }
  transaction.Begin();
  record_->Update(CascadeToChildren, CheckParents);
  return true;
}

INT_PTR TEditDlg::Delete(HWND window, UINT, WPARAM, LPARAM) {
  TGuard guard(this);  // the questions below pump messages
  SetStatusLine("");
  if (Preferences.PromptBeforeDelete && (Ask(DELETE_QUESTION, YES_NO_QUESTION) != IDYES || Destroyed())) return TRUE;
  if (!ReadForm()) {
    SetStatusLine(RecordErrorState.GetErrorMessage());
    return TRUE;
  }
  TFormTransaction transaction(record_);
  transaction.Begin();
  record_->Delete(RefuseIfChildren);
  if (record_->GetStatus() == RecordRelatedFound) {
    const std::string reason = RecordErrorState.GetErrorMessage();
    transaction.Rollback();
    AskQuestion(window_, DEPENDANTS_TEXT, "Could not delete record", MB_OK | MB_ICONHAND);
    if (!Destroyed()) SetStatusLine(reason.c_str());
    return TRUE;
  }
  if (!record_->IsOk()) {
    const std::string message = RecordErrorState.GetErrorMessage();
    transaction.Rollback();
    SetStatusLine(message.c_str());
    return TRUE;
  }
  transaction.Commit();
  AfterWrite(window, true, "Record successfully deleted");
  return TRUE;
}

INT_PTR TEditDlg::Reset(HWND, UINT, WPARAM, LPARAM) {
  SetStatusLine("");
  SetDefaults(0);
  ClearControls();
  RecalculateFields();
  ShowRecord();
  PushLinkedValues(window_);
  AfterStoreHook(window_);
  AfterChangeHook(window_, 0);
  SetFormState(window_, TFormState::Fresh);
  FocusFirstField(window_);
  return TRUE;
}

INT_PTR TEditDlg::Recalculate(HWND, UINT, WPARAM, LPARAM) {
  SetStatusLine("");
  if (!ReadForm()) {
    SetStatusLine(RecordErrorState.GetErrorMessage());
    return TRUE;
  }
  RecalculateFields();
  ShowRecord();
  PushLinkedValues(window_);
  RefreshOpenDialogs();
  return TRUE;
}

// ---- find ---------------------------------------------------------------------------------

INT_PTR TEditDlg::Find(HWND, UINT, WPARAM, LPARAM) {
  TGuard guard(this);  // the question and the first fetch pump messages
  SetStatusLine("");
  if (!ReadForm()) {
    SetStatusLine(RecordErrorState.GetErrorMessage());
    return TRUE;
  }
  const TPreferences& prefs = Preferences;
  TDBRecList* list = new TDBRecList(entity_->Name);
  const int criteria = list->ClassifyFindCriteria(record_);
  const bool warn = (criteria == 2 && prefs.WarnOnFind != TFindWarning::Never) ||
                    (criteria == 1 && prefs.WarnOnFind == TFindWarning::NoCriteriaOrNotIndexed);
  if (warn && (Ask(criteria == 2 ? FIND_ALL_QUESTION : FIND_UNINDEXED_QUESTION, YES_NO_QUESTION_NO_DEFAULT) != IDYES ||
               Destroyed())) {
    delete list;
    return TRUE;
  }
  const char* order = *entity_->OrderText ? entity_->OrderText : OrderByColumns(entity_->ColumnListText);
  if (!list->SelectByExample(order, record_)) {
    SetStatusLine(RecordListErrorState.GetErrorMessage());
    delete list;
    return TRUE;
  }
  TDBRecord* first = list->GetRecord(0);
  if (!first) {
    delete list;
    SetStatusLine("Record not found");
    return TRUE;
  }
  if (list->Count() == 1 && !list->HasMore() && prefs.SkipListBoxIfSingleFind) {
    record_->Assign(*first);
    RecalculateFields();
    delete list;
    ShowRecord();
    PushLinkedValues(window_);
    AfterStoreHook(window_);
    AfterChangeHook(window_, 0);
    SetFormState(window_, TFormState::Existing);
    singleFind_ = true;
    return TRUE;
  }
  AfterStoreHook(window_);
  const bool opened = OpenFindWindow(this, list);
  if (!opened && !Destroyed()) SetStatusLine("The list of found records could not be opened");
  return TRUE;
}

void TEditDlg::QuickSearch(int attribute) {
  const TAttribute& target = entity_->Attributes[attribute];
  if (target.KeyPart) return;
  for (int i = 0; i < attribute; ++i) {
    const TAttribute& a = entity_->Attributes[i];
    if (a.KeyPart || a.NonStored || a.Calculated || a.Page != 0) continue;
    HWND control = FieldItem(i, FIELD_ID_BASE + i);
    if (control && IsWindowVisible(control)) return;
  }
  if (!ReadForm()) return;
  TDBRecord* example = NewDBRecord(entity_->Name);
  bool anyKey = false;
  for (int i = 0; i < entity_->AttributeCount; ++i) {
    if (!IsKeyAttribute(entity_->Attributes[i])) continue;
    const char* value = record_->Field(i).CurrentValue();
    example->Field(i).SetNewValue(value);
    anyKey = anyKey || *value;
  }
  if (!anyKey) {
    delete example;
    return;
  }
  TDBRecList list(entity_->Name);
  const char* order = *entity_->OrderText ? entity_->OrderText : OrderByColumns(entity_->ColumnListText);
  TDBRecord* first = list.SelectByExample(order, example) ? list.GetRecord(0) : nullptr;
  delete example;
  if (!first) {
    SetStatusLine("Record not found");
  } else if (list.Count() > 1 || list.HasMore()) {
    SetStatusLine("There is more than one record matching this criteria");
  } else {
    record_->Assign(*first);
    RecalculateFields();
    ShowRecord();
    PushLinkedValues(window_);
    SetFormState(window_, TFormState::Existing);
    singleFind_ = true;
    SetStatusLine("Found record");
  }
}

// ---- navigation ---------------------------------------------------------------------------

namespace {
enum TDirection { DIRECTION_FIRST = NavigateFirst, DIRECTION_PREVIOUS = NavigatePrevious, DIRECTION_NEXT = NavigateNext, DIRECTION_LAST = NavigateLast };
}

INT_PTR TEditDlg::First(HWND window, UINT, WPARAM, LPARAM) {
  Move(window, DIRECTION_FIRST);
  return TRUE;
}

INT_PTR TEditDlg::Previous(HWND window, UINT, WPARAM, LPARAM) {
  Move(window, DIRECTION_PREVIOUS);
  return TRUE;
}

INT_PTR TEditDlg::Next(HWND window, UINT, WPARAM, LPARAM) {
  Move(window, DIRECTION_NEXT);
  return TRUE;
}

INT_PTR TEditDlg::Last(HWND window, UINT, WPARAM, LPARAM) {
  Move(window, DIRECTION_LAST);
  return TRUE;
}

void TEditDlg::Move(HWND window, int direction) {
  TGuard guard(this);  // fetching more rows of the list pumps messages
  SetStatusLine("");
  if (!ReadForm()) {
    SetStatusLine(RecordErrorState.GetErrorMessage());
    return;
  }
  if (parentList_) MoveInList(window, direction);
  else MoveInTable(direction);
}

void TEditDlg::MoveInTable(int direction) {
  static const char* const failures[4] = {"Unable to find first record", "No more records in this direction",
                                          "No more records in this direction", "Unable to find last record"};
  record_->Navigate(static_cast<TNavigation>(direction));
  if (!record_->IsOk()) {
    SetStatusLine(failures[direction]);
    return;
  }
  AfterMove();
}

void TEditDlg::MoveInList(HWND, int direction) {
  TRecListBox* list = parentList_;
  int count = ListCount(list);
  if (count == 0) {
    SetStatusLine("There are no records in the list");
    return;
  }
  // A list that shrank since the row was taken: the row stays inside it.
  if (currentRow_ >= count) currentRow_ = count - 1;
  int row = currentRow_;
  switch (direction) {
    case DIRECTION_FIRST:
      row = 0;
      break;
    case DIRECTION_PREVIOUS:
      if (row == 0) return SetStatusLine("No more records in the list in this direction");
      row = row < 0 ? 0 : row - 1;
      break;
    case DIRECTION_NEXT:
      if (row >= 0 && row + 1 >= count && ListHasMore(list)) {
        if (!FetchRowsAfter(row)) return;
        count = ListCount(list);
      }
      if (row >= 0 && row + 1 >= count) return SetStatusLine("No more records in the list in this direction");
      row = row < 0 ? 0 : row + 1;
      break;
    case DIRECTION_LAST:
      if (!FetchAllRows(list)) {
        if (!Destroyed()) parentList_ = nullptr;  // released by its window during the fetch
        return;
      }
      if (Destroyed()) return;
      count = ListCount(list);
      row = count - 1;
      break;
  }
  TDBRecord* record = ListRecord(list, row);
  if (!record) {
    SetStatusLine("There are no records in the list");
    return;
  }
  currentRow_ = row;
  record_->Assign(*record);
  MarkListRow(list, row);
  AfterMove();
}

bool TEditDlg::FetchRowsAfter(int row) {
  // The form stays while its opener's list fetches: Cancel is off meanwhile.
  HWND cancel = GetDlgItem(window_, CANCEL_BUTTON_ID);
  HWND focus = GetFocus();
  const bool cancelWasOff = EnableWindow(cancel, FALSE) != 0;
  const bool listLives = FetchRowsPast(parentList_, row);
  if (Destroyed()) return false;
  EnableWindow(cancel, !cancelWasOff);
  if (focus && IsWindow(focus)) SetFocus(focus);
  if (!listLives) {
    parentList_ = nullptr;  // released by its window during the fetch
    SetStatusLine("There are no records in the list");
  }
  return listLives;
}

void TEditDlg::AfterMove() {
  RecalculateFields();
  ShowRecord();
  PushLinkedValues(window_);
}

// ---- the lists of this form and of the other windows --------------------------------------

void TEditDlg::PushLinkedValues(HWND) {
  for (int r = 0; r < entity_->RelationshipCount; ++r) {
    if (!childLists_[r]) continue;
    RefreshListBox(childLists_[r]);
    const std::string status = ListStatusText(childLists_[r]);
    SetDlgItemTextA(PageWindow(entity_->Relationships[r].Page()), CHILD_COUNT_LABEL_ID_BASE + r, status.c_str());
  }
}

void TEditDlg::RefreshChildListsLeadingTo(const TEntity* entity) {
  for (int r = 0; r < entity_->RelationshipCount; ++r) {
    TRelationship& rel = entity_->Relationships[r];
    if (!childLists_[r]) continue;
    if (rel.WithEntity != entity && !const_cast<TEntity*>(entity)->HasDependentRelationship(&rel)) continue;
    RefreshListBox(childLists_[r]);
    const std::string status = ListStatusText(childLists_[r]);
    SetDlgItemTextA(PageWindow(rel.Page()), CHILD_COUNT_LABEL_ID_BASE + r, status.c_str());
  }
}

namespace {

// Whether the expressions of entity read records of the stored entity, so that its
// calculated and shadow fields change when such a record is stored or deleted.
bool ReadsRecordsOf(const TEntity* entity, const TEntity* stored) {
  if (stored->HasDependentEntity(entity)) return true;
  for (int d = 0; d < stored->DependentRelCount; ++d)
    if (stored->DependentRels[d]->PrimaryEntity == entity) return true;
  return false;
}

// The entities whose rows a write of the entity changes: itself, and the parents whose
// stored calculated columns its dependents update, and theirs in turn.
std::vector<const TEntity*> ChangedEntities(const TEntity* written) {
  std::vector<const TEntity*> changed = {written};
  for (size_t k = 0; k < changed.size(); ++k)
    for (int d = 0; d < changed[k]->DependentRelCount; ++d) {
      const TEntity* parent = changed[k]->DependentRels[d]->PrimaryEntity;
      if (parent && std::find(changed.begin(), changed.end(), parent) == changed.end()) changed.push_back(parent);
    }
  return changed;
}

// Brings one other open window up to date after the entities' rows changed.
void RefreshWindow(HWND window, TBaseDlg* dialog, const std::vector<const TEntity*>& changed) {
  const int kind = dialog->GetKind();
  if (kind == DK_EDIT_FORM) {
    auto* form = static_cast<TEditDlg*>(dialog);
    bool recalculate = false;
    for (const TEntity* entity : changed) {
      form->RefreshChildListsLeadingTo(entity);
      if (AppWindowManager.GetDialog(window) != dialog) return;  // closed while its list fetched
      recalculate = recalculate || ReadsRecordsOf(form->GetEntity(), entity);
    }
    if (recalculate) form->RefreshComputedFields();
  } else if (kind == DK_VIEW || kind == DK_LOOKUP || kind == DK_FIND_RESULTS) {
    for (const TEntity* entity : changed)
      if (DialogListsEntity(window, entity)) {
        SendMessageA(window, WM_COMMAND, MAKEWPARAM(REFRESH_BUTTON_ID, 0), 0);
        return;
      }
  }
}

}  // namespace

void TEditDlg::RefreshComputedFields() {
  RecalculateFields();
  showing_ = true;
  for (int i = 0; i < entity_->AttributeCount; ++i) {
    const TAttribute& a = entity_->Attributes[i];
    if (!a.Hidden && a.Default && (a.Calculated || a.NonStored)) ShowField(i);
  }
  showing_ = false;
}

void RefreshWindowsAfterWrite(const TEntity* written, HWND except) {
  const std::vector<const TEntity*> changed = ChangedEntities(written);
  // The windows are taken first: a list fetching its rows handles messages meanwhile, and
  // windows may come and go.
  std::vector<std::pair<HWND, TBaseDlg*>> windows;
  for (HWND w = AppWindowManager.FirstWindow(); w; w = AppWindowManager.NextWindow(w))
    if (w != except) windows.emplace_back(w, AppWindowManager.GetDialog(w));
  for (const auto& [w, dialog] : windows)
    if (dialog && IsWindow(w) && AppWindowManager.GetDialog(w) == dialog) RefreshWindow(w, dialog, changed);
}

bool TEditDlg::RefreshOpenDialogs() {
  const HWND self = window_;
  RefreshWindowsAfterWrite(entity_, self);
  // This form may have gone with a window that owned it.
  return IsWindow(self) && AppWindowManager.GetDialog(self) == this;
}

// ---- hints --------------------------------------------------------------------------------

INT_PTR TEditDlg::ShowHint(HWND, UINT, WPARAM wParam, LPARAM) {
  const int id = LOWORD(wParam);
  const char* caption = entity_->Caption;
  static const struct {
    int id;
    const char* text;
  } fixed[] = {
      {CANCEL_BUTTON_ID, "Close the form without altering the database"},
      {CANCEL_KEY_ID, "Close the form without altering the database"},
      {CLOSE_PAGE_BUTTON_ID, "Close this page and return to the main page"},
      {FIRST_BUTTON_ID, "Display first %s record"},
      {PREVIOUS_BUTTON_ID, "Display previous %s record"},
      {NEXT_BUTTON_ID, "Display next %s record"},
      {LAST_BUTTON_ID, "Display final %s record"},
      {SAVE_BUTTON_ID, "Adds/modify record to/in database"},
      {FIND_BUTTON_ID, "Search for record based on fields which you have filled in"},
      {DELETE_BUTTON_ID, "Delete record from database"},
      {RESET_BUTTON_ID, "Reset fields to their default values"},
      {PRINT_BUTTON_ID, "Print out record details onto a sheet of paper"},
      {REFRESH_BUTTON_ID, "Update all calculated fields"},
      {HELP_BUTTON_ID, "Bring up topic in help file for this window"},
      {IMPORT_BUTTON_ID, "Import records from an external file to this screen."},
  };
  for (const auto& hint : fixed)
    if (hint.id == id) {
      SetStatusText(hint.text, caption);
      return TRUE;
    }
  if (id >= 151 && id <= 159) {
    SetStatusText("Open up/goto additional page of information");
    return TRUE;
  }
  if (id >= RUN_BUTTON_ID_BASE && id < RUN_BUTTON_ID_BASE + RUN_BUTTON_COUNT) {
    SetStatusText("Run external processing/procedure/program");
    return TRUE;
  }
  const int attributes = entity_->AttributeCount;
  if (id >= RADIO_BUTTON_ID_BASE && id < RADIO_BUTTON_ID_BASE + attributes * RADIO_BUTTONS_PER_ATTRIBUTE) {
    const int i = (id - RADIO_BUTTON_ID_BASE) / RADIO_BUTTONS_PER_ATTRIBUTE, k = (id - RADIO_BUTTON_ID_BASE) % RADIO_BUTTONS_PER_ATTRIBUTE;
    const TAttribute& a = entity_->Attributes[i];
    if (a.CodeList && k < a.CodeList->ItemCount)
      SetStatusText("%s: %s", a.CodeList->Items[k].Key, a.CodeList->Items[k].Caption);
    return TRUE;
  }
  static const struct {
    int base;
    const char* text;
  } perAttribute[] = {
      {EXPAND_BUTTON_ID_BASE, "Expand display of field into the multi-line format"},
      {BROWSE_BUTTON_ID_BASE, "Browse and select a filename from the local system"},
      {EXECUTE_BUTTON_ID_BASE, "Execute specified application loading the entered filename"},
  };
  if (id >= FIELD_ID_BASE && id < FIELD_ID_BASE + attributes) {
    ShowFieldHelp(id - FIELD_ID_BASE);
    return TRUE;
  }
  for (const auto& hint : perAttribute)
    if (id >= hint.base && id < hint.base + attributes) {
      SetStatusText(hint.text);
      return TRUE;
    }
  static const struct {
    int base;
    const char* text;
  } perRelationship[] = {
      {CHILD_ADD_BUTTON_ID_BASE, "Add a new %s record to list"},
      {CHILD_EDIT_BUTTON_ID_BASE, "Modify the highlighted %s record in list"},
      {CHILD_DELETE_BUTTON_ID_BASE, "Delete highlighted %s record in list from database"},
      {VIEW_RELATED_BUTTON_ID_BASE, "View %s for this particular %s"},
      {LOOKUP_BUTTON_ID_BASE, "Pop up a list of %s from which you can choose"},
      {SHOW_RELATED_BUTTON_ID_BASE, "Display %s record (blank form if no related record)"},
  };
  for (const auto& hint : perRelationship)
    if (id >= hint.base && id < hint.base + entity_->RelationshipCount) {
      const TRelationship& rel = entity_->Relationships[id - hint.base];
      SetStatusText(hint.text, rel.WithEntity ? rel.WithEntity->Caption : rel.Caption, caption);
      return TRUE;
    }
  return TRUE;
}

// The edit form object: construction, the dialog procedure and the page procedure, and the
// operations of the buttons that other windows of the program provide.
#include "forms/editdlg.h"

#include <commctrl.h>

#include <cstdio>
#include <new>

#include "data/db/record.h"
#include "data/model/model.h"
#include "data/model/settings.h"
#include "expr/errors.h"
#include "forms/controlids.h"
#include "forms/editparts.h"
#include "forms/messagepump.h"
#include "forms/reclistbox.h"
#include "forms/shellcalls.h"
#include "forms/tabpages.h"
#include "forms/windowmanager.h"
#include "forms/appwindow.h"

TEditDlg::TEditDlg(TDBRecord* record, TFormMode mode)
    : record_(record), entity_(record->GetEntity()), mode_(mode) {
  DialogProc = EditDlgProc;
  Kind = DK_EDIT_FORM;
  childLists_ = new TRecListBox*[entity_->RelationshipCount + 1]();
}

TEditDlg::TEditDlg(TDBRecord* record, TRelationship* relationship, TDBRecord* parent,
                   TRecListBox* list, TFormMode mode)
    : TEditDlg(record, mode) {
  parentRelationship_ = relationship;
  parentRecord_ = parent;
  parentList_ = list;
  currentRow_ = list ? ListSelectedRow(list) : 0;
}

TEditDlg::~TEditDlg() {
  DeleteChildLists();
  delete[] childLists_;
  delete pages_;
  delete record_;
}

void TEditDlg::Hook() { TBaseDlg::Hook(); }

TDBRecord* TEditDlg::GetRecord() { return record_; }

TRelationship* TEditDlg::GetParentLink() { return parentRelationship_; }

TRecListBox* TEditDlg::GetChildList(int relationship) const {
  if (relationship < 0 || relationship >= entity_->RelationshipCount) return nullptr;
  return childLists_[relationship];
}

DLGPROC TEditDlg::GetDialogProc() { return EditDlgProc; }

TEditDlg* CreateEditDlg(TDBRecord* record, TFormMode mode) {
  return new (std::nothrow) TEditDlg(record, mode);
}

TEditDlg* CreateChildEditDlg(TDBRecord* record, TRelationship* relationship, TDBRecord* parent,
                             TRecListBox* list, TFormMode mode) {
  return new (std::nothrow) TEditDlg(record, relationship, parent, list, mode);
}

INT_PTR TEditDlg::OnClose(HWND window, UINT, WPARAM, LPARAM) {
  SetStatusText("");
  AppWindowManager.RestoreFocus(window_ ? window_ : window);
  DestroyWindow(window_ ? window_ : window);
  return TRUE;
}

INT_PTR TEditDlg::OnCancel(HWND window, UINT, WPARAM, LPARAM) {
  PostMessageA(window_ ? window_ : window, WM_CLOSE, 0, 0);
  return TRUE;
}

INT_PTR TEditDlg::OnDestroy(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  AppWindowManager.DestroyOwnedDialogs(window);
  DeleteChildLists();
  return FALSE;
}

INT_PTR TEditDlg::OnActivate(HWND, UINT, WPARAM wParam, LPARAM) {
  const WORD state = LOWORD(wParam);
  if (state != WA_ACTIVE && state != WA_CLICKACTIVE) return FALSE;
  const int position = TheModel.EntityIndex(entity_);
  CurrentHelpContext = EDIT_FORM_HELP_CONTEXT + (position < 0 ? 0 : position);
  ApplyFieldFonts();
  return FALSE;
}

void TEditDlg::NotAvailable(const char* what) {
  char text[200];
  snprintf(text, sizeof text, "%s is not available in this version", what);
  SetStatusLine(text);
}

// The import wizard with the form's entity as destination.
INT_PTR TEditDlg::OnImport(HWND window, UINT, WPARAM, LPARAM) {
  if (ImportWizardCall)
    ImportWizardCall(window_ ? window_ : window, entity_);
  else
    NotAvailable("Import");
  return TRUE;
}

// Printing, the relationship buttons, the field buttons and the RUN buttons live in
// formbuttons.cpp, formrelated.cpp and formrun.cpp.

void TEditDlg::StopSteppingThrough(const TRecListBox* list) {
  for (HWND w = AppWindowManager.FirstWindow(); w; w = AppWindowManager.NextWindow(w)) {
    TBaseDlg* dialog = AppWindowManager.GetDialog(w);
    if (!dialog || dialog->GetKind() != DK_EDIT_FORM) continue;
    auto* form = static_cast<TEditDlg*>(dialog);
    if (form->parentList_ == list) form->parentList_ = nullptr;
  }
}

// A secondary page's window goes and the main page shows. What was typed on the page stays
// in the record; the page's child lists go with their list views (forms stepping through
// one step through their table from then on), and the page is made and filled again from
// the record when it is next needed.
INT_PTR TEditDlg::OnClosePage(HWND, UINT, WPARAM, LPARAM) {
  const int page = pageContext_;
  HWND pageWindow = pages_ && page > 0 ? pages_->PageWindow(page) : nullptr;
  if (!pageWindow || !IsWindow(pageWindow)) return TRUE;  // the main page stays
  if (!ReadForm()) {
    SetStatusLine(RecordErrorState.GetErrorMessage());
    return TRUE;
  }
  for (int r = 0; r < entity_->RelationshipCount; ++r) {
    if (!childLists_[r] || entity_->Relationships[r].Page() != page) continue;
    StopSteppingThrough(childLists_[r]);
    DeleteListBox(childLists_[r]);
    childLists_[r] = nullptr;
  }
  SendMessageA(pages_->TabControl(), TCM_SETCURSEL, 0, 0);
  ShowSelectedPage();
  DestroyWindow(pageWindow);
  closedPages_ |= 1u << page;
  return TRUE;
}

// ---- dispatch ----------------------------------------------------------------------------

namespace {

// Child list notifications: the row texts of the owner-data list and the list events.
INT_PTR ChildListNotify(TEditDlg* form, HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                        bool* handled) {
  auto* header = reinterpret_cast<NMHDR*>(lParam);
  const int r = static_cast<int>(header->idFrom) - CHILD_LIST_ID_BASE;
  *handled = true;
  switch (header->code) {
    case LVN_GETDISPINFOA:
      if (TRecListBox* box = form->GetChildList(r)) box->HandleNotify(header);
      return TRUE;
    case LVN_ODCACHEHINT:
      return form->OnListCacheHint(window, message, wParam, lParam);
    case LVN_ITEMCHANGED:
      return form->OnListItemChanged(window, message, wParam, lParam);
    case NM_SETFOCUS:
      return form->OnListFocus(window, message, wParam, lParam);
    case NM_DBLCLK:
      return form->ModifyChild(window, WM_COMMAND, static_cast<WPARAM>(header->idFrom + 2000), 0);
  }
  *handled = false;
  return FALSE;
}

INT_PTR Notify(TEditDlg* form, HWND window, UINT message, WPARAM wParam, LPARAM lParam,
               bool* handled) {
  auto* header = reinterpret_cast<NMHDR*>(lParam);
  TEntity* entity = form->GetEntity();
  const int id = static_cast<int>(header->idFrom);
  *handled = true;
  if (id >= CHILD_LIST_ID_BASE && id < CHILD_LIST_ID_BASE + entity->RelationshipCount)
    return ChildListNotify(form, window, message, wParam, lParam, handled);
  if (id >= FIELD_ID_BASE && id < FIELD_ID_BASE + entity->AttributeCount) {
    const WPARAM command = MAKEWPARAM(id, 0);
    switch (header->code) {
      case NM_KILLFOCUS:
        return form->OnFieldKillFocus(window, WM_COMMAND, command, lParam);
      case DTN_DATETIMECHANGE:
        form->OnFieldChange(window, WM_COMMAND, command, lParam);
        return FALSE;
      case NM_SETFOCUS:
        return form->OnFieldSetFocus(window, WM_COMMAND, command, lParam);
    }
  }
  if (id == TAB_CONTROL_ID && header->code == TCN_SELCHANGE) {
    SelectFormPage(form, form->GetWindow());
    return TRUE;
  }
  *handled = false;
  return FALSE;
}

struct TRangeCommand {
  int base;
  INT_PTR (TEditDlg::*operation)(HWND, UINT, WPARAM, LPARAM);
  bool byAttribute;  // bounded by the attribute count, else by the relationship count
};

const TRangeCommand RangeCommands[] = {
    {CHILD_ADD_BUTTON_ID_BASE, &TEditDlg::AddChild, false},       {CHILD_EDIT_BUTTON_ID_BASE, &TEditDlg::ModifyChild, false},
    {CHILD_DELETE_BUTTON_ID_BASE, &TEditDlg::DeleteChild, false}, {VIEW_RELATED_BUTTON_ID_BASE, &TEditDlg::ViewRelated, false},
    {LOOKUP_BUTTON_ID_BASE, &TEditDlg::Lookup, false},            {SHOW_RELATED_BUTTON_ID_BASE, &TEditDlg::ShowRelated, false},
    {EXPAND_BUTTON_ID_BASE, &TEditDlg::ExpandField, true},        {BROWSE_BUTTON_ID_BASE, &TEditDlg::BrowseFile, true},
    {EXECUTE_BUTTON_ID_BASE, &TEditDlg::ExecuteField, true},
};

INT_PTR FieldCommand(TEditDlg* form, HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                     bool* handled) {
  switch (HIWORD(wParam)) {
    case EN_CHANGE:
      return form->OnFieldChange(window, message, wParam, lParam);
    case EN_KILLFOCUS:
    case CBN_KILLFOCUS:
      return form->OnFieldKillFocus(window, message, wParam, lParam);
    case EN_SETFOCUS:
      return form->OnFieldSetFocus(window, message, wParam, lParam);
    case CBN_EDITUPDATE:
      return form->OnComboEditUpdate(window, message, wParam, lParam);
    case CBN_SETFOCUS:
      return form->OnComboSetFocus(window, message, wParam, lParam);
  }
  *handled = false;
  return FALSE;
}

INT_PTR Command(TEditDlg* form, HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                bool* handled) {
  *handled = true;
  if (FieldHelp) {
    const WORD code = HIWORD(wParam);
    if (code == 15 || code == 16) return form->ShowHint(window, message, wParam, lParam);
    if (code == 17 || code == 18) return form->HideHint(window, message, wParam, lParam);
  }
  const int id = LOWORD(wParam);
  switch (id) {
    case CANCEL_BUTTON_ID:
    case CANCEL_KEY_ID:
      return form->OnCancel(window, message, wParam, lParam);
    case SAVE_BUTTON_ID:
      return form->Store(window, message, wParam, lParam);
    case FIND_BUTTON_ID:
      return form->Find(window, message, wParam, lParam);
    case DELETE_BUTTON_ID:
      return form->Delete(window, message, wParam, lParam);
    case RESET_BUTTON_ID:
      return form->Reset(window, message, wParam, lParam);
    case PRINT_BUTTON_ID:
      return form->PrintScreen(window, message, wParam, lParam);
    case REFRESH_BUTTON_ID:
      return form->Recalculate(window, message, wParam, lParam);
    case HELP_BUTTON_ID:
      return form->OnHelpButton(window, message, wParam, lParam);
    case CLOSE_PAGE_BUTTON_ID:
      return form->OnClosePage(window, message, wParam, lParam);
    case FIRST_BUTTON_ID:
      return form->First(window, message, wParam, lParam);
    case PREVIOUS_BUTTON_ID:
      return form->Previous(window, message, wParam, lParam);
    case NEXT_BUTTON_ID:
      return form->Next(window, message, wParam, lParam);
    case LAST_BUTTON_ID:
      return form->Last(window, message, wParam, lParam);
    case IMPORT_BUTTON_ID:
      return form->OnImport(window, message, wParam, lParam);
  }
  const TEntity* entity = form->GetEntity();
  for (const TRangeCommand& range : RangeCommands) {
    const int count = range.byAttribute ? entity->AttributeCount : entity->RelationshipCount;
    if (id >= range.base && id < range.base + count)
      return (form->*range.operation)(window, message, wParam, lParam);
  }
  if (id >= RUN_BUTTON_ID_BASE && id < RUN_BUTTON_ID_BASE + RUN_BUTTON_COUNT) return form->RunButton(window, message, wParam, lParam);
  if (id >= FIELD_ID_BASE && id < FIELD_ID_BASE + entity->AttributeCount)
    return FieldCommand(form, window, message, wParam, lParam, handled);
  *handled = false;
  return FALSE;
}

// The messages a form and its pages share.
INT_PTR DispatchShared(TEditDlg* form, HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                       bool* handled) {
  *handled = true;
  switch (message) {
    case WM_ACTIVATE:
      return form->OnActivate(window, message, wParam, lParam);
    case WM_CTLCOLORSTATIC:
      return form->OnCtlColorStatic(window, message, wParam, lParam);
    case WM_CTLCOLOREDIT:
      return form->OnCtlColorEdit(window, message, wParam, lParam);
    case WM_CTLCOLORDLG:
      return form->OnCtlColorDlg(window, message, wParam, lParam);
    case WM_NOTIFY:
      return Notify(form, window, message, wParam, lParam, handled);
    case WM_COMMAND:
      return Command(form, window, message, wParam, lParam, handled);
  }
  if (message == ReportAckMessage()) return form->OnReportAck(window, message, wParam, lParam);
  *handled = false;
  return FALSE;
}

// A notification's answer goes through the window's message result.
INT_PTR DialogResult(HWND window, UINT message, INT_PTR result, bool handled) {
  if (!handled) return FALSE;
  if (message != WM_NOTIFY) return result;
  SetWindowLongPtrA(window, DWLP_MSGRESULT, result);
  return TRUE;
}

TEditDlg* FormOf(HWND window) {
  TBaseDlg* dialog = AppWindowManager.GetDialog(window);
  if (!dialog || dialog->GetKind() != DK_EDIT_FORM) return nullptr;
  return static_cast<TEditDlg*>(dialog);
}

}  // namespace

UINT ReportAckMessage() {
  static const UINT message = RegisterWindowMessageA("RAPTEL_ACK");
  return message;
}

INT_PTR CALLBACK EditDlgProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) AppWindowManager.AttachWindow(window);
  TEditDlg* form = FormOf(window);
  if (!form) return FALSE;
  form->SetPageContext(-1);
  switch (message) {
    case WM_INITDIALOG:
      return form->OnInitDialog(window, message, wParam, lParam);
    case WM_DESTROY: {
      INT_PTR result = form->OnDestroy(window, message, wParam, lParam);
      AppWindowManager.DetachWindow(window);
      TBaseDlg::ReleaseAfterDestroy(form, false);
      return result;
    }
    case WM_CLOSE:
      // Work of the form that pumps messages (a RUN button waiting for the report
      // program, a list fetching) ends before the form goes.
      if (DeferCloseWhilePumping(window)) return TRUE;
      return form->OnClose(window, message, wParam, lParam);
  }
  bool handled = false;
  INT_PTR result = DispatchShared(form, window, message, wParam, lParam, &handled);
  return DialogResult(window, message, result, handled);
}

INT_PTR CALLBACK EditPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
  // A page's own creation (the page set places it), closing and destruction are never the
  // form's.
  if (message == WM_INITDIALOG || message == WM_DESTROY || message == WM_CLOSE) return FALSE;
  HWND formWindow = GetParent(page);
  TEditDlg* form = FormOf(formWindow);
  if (!form) return FALSE;
  const int page_ = static_cast<int>(SendDlgItemMessageA(formWindow, TAB_CONTROL_ID, TCM_GETCURSEL, 0, 0));
  form->SetPageContext(page_);
  bool handled = false;
  INT_PTR result = DispatchShared(form, page, message, wParam, lParam, &handled);
  form->SetPageContext(-1);
  return DialogResult(page, message, result, handled);
}

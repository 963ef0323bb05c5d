// What the edit form needs of the list boxes and the tab pages.
#include "forms/editparts.h"

#include "data/db/reclist.h"
#include "forms/basedlg.h"
#include "forms/controlids.h"
#include "forms/editdlg.h"
#include "forms/reclistbox.h"
#include "forms/tabpages.h"

namespace {

TPartialRecListBox* Partial(TRecListBox* list) { return dynamic_cast<TPartialRecListBox*>(list); }

}  // namespace

int ListSelectedRow(TRecListBox* list) { return list ? list->GetSelectedIndex() : 0; }

void SelectFormPage(TEditDlg* form, HWND) { form->ShowSelectedPage(); }

TTabPages* BuildFormPages(TEditDlg* form, HWND formWindow, DLGPROC pageProcedure) {
  auto* pages = new TTabPages;
  if (!pages->Install(formWindow, form->GetEntity(), pageProcedure, form)) {
    delete pages;
    return nullptr;
  }
  SendMessageA(pages->TabControl(), TCM_SETCURSEL, 0, 0);
  TTabPages::OnTabChange(form, formWindow, false);
  return pages;
}

HWND FormPageWindow(HWND formWindow, int page) {
  TTabPages* pages = TTabPages::FromWindow(formWindow);
  return pages ? pages->EnsurePage(page) : nullptr;
}

TRecListBox* MakeChildList(HWND list, TRelationship* relationship, TDBRecord* record) {
  return new TViewRecListBox(list, relationship, record, nullptr);
}

void DeleteListBox(TRecListBox* list) {
  if (list) ReleaseRecListBox(list);
}

int ListCount(TRecListBox* list) { return list ? list->GetCount() : 0; }

bool ListHasMore(TRecListBox* list) {
  TPartialRecListBox* partial = Partial(list);
  return partial && !partial->IsComplete();
}

bool FetchRowsPast(TRecListBox* list, int row) {
  TPartialRecListBox* partial = Partial(list);
  return !partial || partial->IsComplete() || partial->FetchPastRow(row);
}

bool FetchAllRows(TRecListBox* list) {
  TPartialRecListBox* partial = Partial(list);
  return !partial || partial->IsComplete() || partial->FetchAll();
}

TDBRecord* ListRecord(TRecListBox* list, int row) {
  return list && row >= 0 ? list->GetRecList()->GetRecord(row) : nullptr;
}

void MarkListRow(TRecListBox* list, int row) {
  if (list) list->SetSelectionMark(row);
}

void RefreshListBox(TRecListBox* list) {
  if (list) list->Refresh();
}

std::string ListStatusText(TRecListBox* list) {
  TPartialRecListBox* partial = Partial(list);
  return partial ? partial->GetStatusText() : "";
}

bool DialogListsEntity(HWND window, const TEntity* entity) {
  TRecListBox* box = TRecListBoxRegistry::Find(GetDlgItem(window, LIST_ID));
  if (!box) return false;
  if (box->GetEntity() == entity) return true;
  auto* view = dynamic_cast<TViewRecListBox*>(box);
  return view && view->GetParentRecord() && view->GetParentRecord()->GetEntity() == entity;
}

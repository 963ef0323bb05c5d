// What the edit form needs of the list boxes and the tab pages.
#include "forms/editparts.h"

#include "data/db/reclist.h"
#include "forms/basedlg.h"

int ListSelectedRow(TRecListBox*) { return 0; }

void CopyRowCell(TRecListBox*, int, int, char* buffer, int size) {
  if (buffer && size > 0) buffer[0] = '\0';
}

void SelectFormPage(TEditDlg*, HWND) {}

void PlacePageInTab(HWND, HWND) {}

void BuildFormPages(TEditDlg*, HWND) {}

HWND FormPageWindow(HWND, int) { return nullptr; }

TRecListBox* MakeChildList(HWND, TRelationship*, TDBRecord*) { return nullptr; }

void DeleteListBox(TRecListBox*) {}

int ListCount(TRecListBox*) { return 0; }

bool FetchMoreRows(TRecListBox*) { return false; }

void FetchAllRows(TRecListBox*) {}

TDBRecord* ListRecord(TRecListBox*, int) { return nullptr; }

void MarkListRow(TRecListBox*, int) {}

void RefreshListBox(TRecListBox*) {}

std::string ListStatusText(TRecListBox*) { return ""; }

bool DialogListsEntity(TBaseDlg*, const TEntity*) { return false; }

bool OpenFindWindow(TEditDlg*, TDBRecList* list) {
  delete list;
  return false;
}

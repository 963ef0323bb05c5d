// What the edit form needs of the list boxes and the tab pages, in one place.
#pragma once

#include <windows.h>

#include <string>

class TBaseDlg;
class TDBRecList;
class TDBRecord;
class TEditDlg;
class TRecListBox;
struct TEntity;
struct TRelationship;

// The selected row of a list box (0 when none is selected).
int ListSelectedRow(TRecListBox* list);
// Copies cell column of row into buffer (size bytes, always terminated); empty when the
// row has fewer cells or there is no list.
void CopyRowCell(TRecListBox* list, int row, int column, char* buffer, int size);
// Shows the page the tab control of the form has selected.
void SelectFormPage(TEditDlg* form, HWND formWindow);
// Places a page in the display area of the form's tab control.
void PlacePageInTab(HWND formWindow, HWND page);
// The registered message of the report program's acknowledgement.
UINT ReportAckMessage();
// Builds the tab captions and page dialogs of a paged form.
void BuildFormPages(TEditDlg* form, HWND formWindow);
// The dialog of page n of a paged form (made when first asked for), or null.
HWND FormPageWindow(HWND formWindow, int page);
// The list box of a child list over the record's related records, or null.
TRecListBox* MakeChildList(HWND list, TRelationship* relationship, TDBRecord* record);
void DeleteListBox(TRecListBox* list);

// Rows of a list box: the count held, fetching one step further (true when rows came),
// fetching all, the record of a row (null when none) and the row marked as current.
int ListCount(TRecListBox* list);
bool FetchMoreRows(TRecListBox* list);
void FetchAllRows(TRecListBox* list);
TDBRecord* ListRecord(TRecListBox* list, int row);
void MarkListRow(TRecListBox* list, int row);
void RefreshListBox(TRecListBox* list);
// The count text a list box shows beside its list.
std::string ListStatusText(TRecListBox* list);
// Whether a list window (related records, lookup, find results) lists the entity.
bool DialogListsEntity(TBaseDlg* dialog, const TEntity* entity);
// Opens the find-results window over the form with the list (which it then owns); false,
// with the list freed, when it cannot be opened.
bool OpenFindWindow(TEditDlg* form, TDBRecList* list);

// What the edit form needs of the list boxes and the tab pages, in one place.
#pragma once

#include <windows.h>

#include <string>

class TDBRecList;
class TDBRecord;
class TEditDlg;
class TRecListBox;
class TTabPages;
struct TEntity;
struct TRelationship;

// The selected row of a list box (-1 when none is selected, 0 without a list box).
int ListSelectedRow(TRecListBox* list);
// Shows the page the tab control of the form has selected, with the focus.
void SelectFormPage(TEditDlg* form, HWND formWindow);
// Builds the tab captions and page dialogs of a paged form (pages run the procedure) and
// shows the first page; null when the form has no tab control. The form owns the set.
TTabPages* BuildFormPages(TEditDlg* form, HWND formWindow, DLGPROC pageProcedure);
// The dialog of page n of a paged form (made when first asked for), or null.
HWND FormPageWindow(HWND formWindow, int page);
// The registered message of the report program's acknowledgement.
UINT ReportAckMessage();
// The list box of a child list over the record's related records.
TRecListBox* MakeChildList(HWND list, TRelationship* relationship, TDBRecord* record);
// Releases a list box (a box in the middle of a fetch goes when the fetch returns).
void DeleteListBox(TRecListBox* list);

// Rows of a list box: the count held, whether rows remain unfetched, fetching on until the
// row after the given one has come (showing the count beside the list and handling the
// waiting messages after each step), fetching all (both false when the box was released
// meanwhile: it is gone), the record of a row (null when none) and the row marked as current.
int ListCount(TRecListBox* list);
bool ListHasMore(TRecListBox* list);
bool FetchRowsPast(TRecListBox* list, int row);
bool FetchAllRows(TRecListBox* list);
TDBRecord* ListRecord(TRecListBox* list, int row);
void MarkListRow(TRecListBox* list, int row);
void RefreshListBox(TRecListBox* list);
// The count text a list box shows beside its list.
std::string ListStatusText(TRecListBox* list);
// Whether the list window (related records, lookup, find results) lists the entity, or,
// for related records, lists them for a record of it.
bool DialogListsEntity(HWND window, const TEntity* entity);
// Opens the find-results window over the form with the list (which it then owns); false,
// with the list freed, when it cannot be opened.
bool OpenFindWindow(TEditDlg* form, TDBRecList* list);

// Record list boxes: owner-data report list views in front of a record list, which
// answer the rows' texts as the list view paints them and fetch further rows on demand;
// the four kinds differ in how they fill their list.
#pragma once

#include <windows.h>

#include <commctrl.h>

#include <string>
#include <vector>

#include "data/db/reclist.h"

struct TEntity;
struct TRelationship;

// One column of a list box.
struct TListColumn {
  int attribute;       // position of the attribute in the entity
  std::string header;  // the quoted header, else the attribute's caption
  int width;           // in characters; 0 keeps the column out of sight
  bool noShow;         // the attribute's flag word is "noshow": no list-view column at all
};

// The columns of a column text (see the list boxes) for the entity; an empty text, one
// that starts with a blank or with "ORDER BY" gives the default columns: every stored
// attribute but the one pointing back through the relationship's reverse.
std::vector<TListColumn> ListColumns(const TEntity* entity, const char* columnText,
                                     const TRelationship* relationship);

// Largest row text (the terminating zero included); longer rows are cut.
constexpr int ROW_TEXT_SIZE = 8192;

class TRecListBox {
public:
  // Sets up the columns on the list view, registers the window and takes the list (or,
  // without one, creates an empty record list of the entity). The box owns the list.
  TRecListBox(HWND listWindow, TEntity* entity, const char* columnText,
              const TRelationship* relationship, TDBRecList* list);
  virtual ~TRecListBox();
  TRecListBox(const TRecListBox&) = delete;
  TRecListBox& operator=(const TRecListBox&) = delete;

  // Number of records the record list holds.
  virtual int GetCount();
  // The selected row, or -1.
  virtual int GetSelectedIndex();
  // The record of the selected row (kept by the list), or null.
  virtual TDBRecord* GetSelectedRecord();
  // The row's column values separated by TABs ("?" when the record cannot be had), in a
  // buffer the boxes share until the next call; hidden ("noshow") columns only on request.
  virtual const char* GetRowText(int index, bool includeHidden);
  // Selects and focuses the row (and makes it the selection mark).
  virtual void SetSelectionMark(int index);
  // Removes the record and its row: the list view is one row shorter.
  virtual void DeleteRow(int index);
  // Runs the list's query again and shows its rows, keeping the selected row.
  virtual void Refresh();
  HWND GetWindow() const { return window_; }
  TDBRecList* GetRecList() const { return list_; }
  TEntity* GetEntity() const { return entity_; }
  const std::vector<TListColumn>& Columns() const { return columns_; }

  // The list view's notifications that the box answers (row texts as the view paints,
  // the rows about to be painted); the dialog passes on WM_NOTIFY from the list view.
  // True when the notification was one of them.
  bool HandleNotify(const NMHDR* header);
  // Forgets the row texts kept for painting (after the records changed).
  void ForgetRowTexts();

protected:
  // Tells the list view how many rows there are now.
  void ShowItemCount();
  void ClearSelection();
  // The texts of the visible columns of a row, converted for display; false when the
  // record cannot be had.
  bool CellTexts(int index, bool includeHidden, std::vector<std::string>* cells);
  // The cell texts of a row for painting, from the rows kept since the last hint.
  const std::vector<std::string>& PaintedRow(int index);

  HWND window_;
  TDBRecList* list_;
  std::vector<TListColumn> columns_;
  TEntity* entity_;
  // Rows kept for painting, from keptFrom_ on: the first page as it was fetched, or the
  // rows of the list view's last hint.
  int keptFrom_ = 0;
  std::vector<std::vector<std::string>> keptRows_;

private:
  void SetUpListView();
  // The column's width in pixels: its characters of ordinary text, and never less than
  // its header needs; 0 stays 0.
  int ColumnPixels(const TListColumn& column, int charPixels) const;

  // The last row asked for alone.
  int lastIndex_ = -1;
  std::vector<std::string> lastRow_;
};

// A box that fetches its rows a page at a time or all at once, pumping messages.
class TPartialRecListBox : public TRecListBox {
public:
  TPartialRecListBox(HWND listWindow, TEntity* entity, const char* columnText,
                     const TRelationship* relationship, TDBRecList* list, int pageSize,
                     int fetchStep);
  ~TPartialRecListBox() override;

  virtual int GetPageSize() { return pageSize_; }
  virtual int GetFetchStep() { return fetchStep_; }
  // Reads up to a fetch step of further rows; true when at least one came.
  virtual bool FetchMore();
  // True when the list has no unfetched rows.
  virtual bool IsComplete();
  // Reads every remaining row, handling the waiting messages every 50 ms meanwhile. It
  // stops early when the box's dialog is being closed or the box is released. False when
  // the box was released during the fetch: it has then been deleted.
  virtual bool FetchAll();
  // Fetches steps of further rows until the row after the given one has come or no rows
  // remain, writing the count text beside the list and handling the waiting messages after
  // each step. It stops early like FetchAll; false when the box was released meanwhile:
  // it has then been deleted.
  bool FetchPastRow(int row);
  // "No records found", "1 record found" or "%ld records found", then ", more to come"
  // or ", search complete".
  virtual std::string GetStatusText();
  // Writes the count text on the control beside the list: the count label of an edit
  // form's child list, else the status line of the list's window.
  void ShowStatusText();

  bool IsFetching() const { return fetchDepth_ > 0; }
  // Deletes the box now, or, while it fetches, as soon as its fetch returns.
  void Release();

protected:
  // Fetches every row and shows the count; false when the box was released meanwhile.
  bool ShowAllRows();
  // Refresh of the kinds: empties the view and the list, selects again (false: nothing
  // to show), fetches every row and selects the row selected before when it still exists.
  void RefreshWith(bool (*select)(TPartialRecListBox* box));

private:
  bool StopFetching() const;
  // Keeps the texts of the first page's rows that have arrived.
  void KeepFirstPageRows(int available);
  int pageSize_;
  int fetchStep_;
  int fetchDepth_ = 0;
  bool released_ = false;
};

// The related records of a parent record through a relationship, or without one every
// record of the list's entity.
class TViewRecListBox : public TPartialRecListBox {
public:
  TViewRecListBox(HWND listWindow, TRelationship* relationship, TDBRecord* parent,
                  TDBRecList* list);
  void Refresh() override;
  // On an edit form "(n)" or "(n...)", elsewhere the common text.
  std::string GetStatusText() override;
  TRelationship* GetRelationship() const { return relationship_; }
  TDBRecord* GetParentRecord() const { return parent_; }

private:
  bool Select();
  TRelationship* relationship_;
  TDBRecord* parent_;
};

// The candidates of a lookup through a relationship, filtered by the values the form's
// record already holds in the relationship's fields.
class TLookupRecListBox : public TPartialRecListBox {
public:
  TLookupRecListBox(HWND listWindow, TRelationship* relationship, TDBRecord* record);
  void Refresh() override;
  TRelationship* GetRelationship() const { return relationship_; }
  TDBRecord* GetRecord() const { return record_; }

  // The lookup's condition on the filled fields and its order part, with the values
  // bound to it. False (with the reason on the record-list channel) when a value of a
  // number column is not a number.
  bool BuildWhereClause(std::string* clause, std::vector<TClauseValue>* values);

private:
  bool Select();
  TRelationship* relationship_;
  TDBRecord* record_;
};

// The results of an edit form's find by example.
class TFindRecListBox : public TPartialRecListBox {
public:
  TFindRecListBox(HWND listWindow, TDBRecord* example, TDBRecList* list);
  void Refresh() override;
  TDBRecord* GetRecord() const { return example_; }

private:
  bool Select();
  TDBRecord* example_;
};

// Deletes a box, deferring the deletion while the box is fetching.
void ReleaseRecListBox(TRecListBox* box);

// The boxes registered by their list windows: at most 20 at once.
constexpr int RECLISTBOX_REGISTRY_SIZE = 20;
class TRecListBoxRegistry {
public:
  // Takes the first free place; all taken: a message box, and the box stays unregistered.
  static void Register(HWND window, TRecListBox* box);
  static void Unregister(HWND window);
  static TRecListBox* Find(HWND window);
};

// The row text (hidden columns left out) of the box registered for the window, or "?".
const char* GetListBoxRowText(HWND window, int ignored, int index);

// What the list windows (find results, related records, lookup) share: one record list box
// on control 141 with its status line 140, the button row at their foot, the minimum size,
// the rights on their buttons, and the delete, refresh and report of their rows.
#pragma once

#include <windows.h>

#include <commctrl.h>

#include <initializer_list>

#include "forms/basedlg.h"

class TPartialRecListBox;
struct TEntity;

class TRecListDlg : public TBaseDlg {
public:
  TRecListDlg(int minWidth, int minHeight);
  // Releases a list box still held.
  ~TRecListDlg() override;

  TPartialRecListBox* GetListBox() const { return box_; }

  // Status line 140 in the information colour, other statics in the window-text colour,
  // on the button face.
  INT_PTR OnCtlColorStatic(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;

  // The window's list box answers the list view's row texts and cache hints; true when
  // the notification was one of them (WM_NOTIFY of control 141 only).
  bool PassListNotify(const NMHDR* header);
  // Resizing: the buttons (in this order) in one row at the foot of the client area, the
  // status line above them, the list stretched over the rest.
  void LayOut(HWND window, int clientHeight, std::initializer_list<int> buttons);
  // The window never gets smaller than it opened.
  void LimitTracking(MINMAXINFO* info) const;

  // Delete of the selected row: the question (with Prompt_Before_Delete, the entity's
  // caption as caption, No the default), the delete without cascade in the form's
  // transaction bracket, "Deletion failed" with the record's error, else a refresh.
  void DeleteSelected(HWND window, const TEntity* entity);
  // Runs the list's query again and shows its count.
  void RefreshList(HWND window);
  // Hands the rows (with the list box's columns and its fetch of the rows still pending)
  // to the output of records; when the program has none, says so in a box.
  void ReportRows(HWND window);

protected:
  // At WM_INITDIALOG: takes the box, remembers the window's size as its minimum and shows
  // the box's status text.
  void TakeListBox(HWND window, TPartialRecListBox* box);
  // Add 108 and Edit 109 follow the store right, Delete 102 the delete right, 200 both;
  // with ODBC_LOGIN from the user's rights row (warn: a missing row shows the security
  // warning), else all enabled.
  void ApplyRights(HWND window, const TEntity* entity, bool warnWhenMissing);
  void ShowListStatus(HWND window);
  // Releases the box (at WM_DESTROY); a box in the middle of a fetch goes when it returns.
  void ReleaseListBox();

  TPartialRecListBox* box_ = nullptr;

private:
  int minWidth_;
  int minHeight_;
};

// The text of the box shown when a list window's Report has no output to go to.
constexpr const char* OUTPUT_NOT_AVAILABLE_TEXT = "Output of records is not available in this program.";

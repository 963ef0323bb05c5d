// What the record list windows (related records, lookup) share: the list box they own,
// the button row along the foot, the minimum size, the rights on their buttons, deleting
// the highlighted record and refreshing, and the guard that keeps the window's object
// alive while its own work pumps messages.
#pragma once

#include <windows.h>

#include <vector>

#include "forms/basedlg.h"

class TDBRecord;
class TEditDlg;
class TPartialRecListBox;
struct TEntity;

class TListDlg : public TBaseDlg {
public:
  TListDlg(int kind, DLGPROC procedure, int minWidth, int minHeight);
  // Releases a list box still held.
  ~TListDlg() override;

  INT_PTR OnCtlColorStatic(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;
  // The help file at the window's help context.
  INT_PTR OnHelpButton(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;

  TPartialRecListBox* GetListBox() const { return box_; }
  // The entity the window lists (null before its list box exists).
  const TEntity* GetListedEntity() const;
  // Runs the list's query again and shows its status (command 105).
  INT_PTR Refresh(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  // Deletes the highlighted record (command 102): the question when the preference asks
  // for it, the transaction bracket, "Deletion failed" with the reason, then a refresh.
  INT_PTR DeleteSelected(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

  // While work of this window pumps messages, a WM_DESTROY does not delete the object:
  // the outermost guard does when it ends. Callers look at Destroyed() after every step
  // that pumped, and stop.
  class TGuard {
  public:
    explicit TGuard(TListDlg* dialog);
    ~TGuard();
    TGuard(const TGuard&) = delete;
    TGuard& operator=(const TGuard&) = delete;

  private:
    TListDlg* dialog_;
  };
  bool Destroyed() const { return destroyed_; }

  // The message handling every list window shares: minimum size, the button row, the
  // list's notifications (row texts, cache hints; focus and double click through the
  // two operations below), WM_DESTROY under a guard. True when the message was handled.
  bool HandleListMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam, INT_PTR* result);

protected:
  // The buttons of the foot row, left to right.
  virtual std::vector<int> ButtonRow() const = 0;
  virtual void OnListFocus(HWND window) {}
  virtual void OnListDoubleClick(HWND window) {}
  // Keeps the list box made at WM_INITDIALOG; a window destroyed while the box fetched its
  // first rows lets it go at once. False when the window is gone.
  bool TakeListBox(HWND window, TPartialRecListBox* box);
  void ReleaseListBox();
  // The window's size now is the least it may be given.
  void KeepMinimumSize(HWND window);
  void ShowListStatus(HWND window);
  // With login: the user's rights on the entity enable Add and Edit (store), Delete
  // (delete) and Import (both); without login all four are enabled.
  void ApplyRights(HWND window, const char* entityName, bool warn);
  // Places the foot buttons, the status line and the list for a client height.
  void LayOut(HWND window, int clientHeight);

  TPartialRecListBox* box_ = nullptr;
  int minWidth_;
  int minHeight_;

private:
  int guards_ = 0;
  bool destroyed_ = false;
  bool deleteWhenFree_ = false;  // destroyed under a guard as a modeless window
};

// The dialog procedure's share of a list window: the common dialog messages, then the
// list window's own. dialog is null after the object was deleted (or when there is none).
INT_PTR DispatchListDlgMessage(TListDlg** dialog, HWND window, UINT message, WPARAM wParam,
                               LPARAM lParam, bool* handled);

// Deletes a record of a list (no cascade) between the start and the end of a transaction on
// a connection of its own when the model asks for transactions; false (the reason on the
// record channel) when it was not deleted.
bool DeleteListedRecord(TDBRecord* record);

// A control's hover-help text from a table of them; empty for a control not in it.
struct TControlHint {
  int id;
  const char* text;
};
template <size_t N>
const char* HintText(const TControlHint (&hints)[N], int id) {
  for (const TControlHint& hint : hints)
    if (hint.id == id) return hint.text;
  return "";
}

// Opens an edit form owned by owner. When the form cannot be opened (PIN refused, no
// template, no free slot) its object and record are freed and null is returned.
HWND OpenOwnedEditForm(TEditDlg* form, HWND owner);
// Creates a modeless dialog from the resource; when it gets no window its object is freed
// (unless its window came and went already, which freed it) and null is returned.
HWND OpenModelessOrFree(TBaseDlg* dialog, const char* resourceName, HWND owner, INT_PTR param);
// The owner window's edit form, or null.
TEditDlg* OwnerForm(HWND window);

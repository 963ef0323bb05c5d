// What the record list windows (find results, related records, lookup) share: one record
// list box on control 141 with its status line 140, the button row at their foot, the
// minimum size, the rights on their buttons, and the delete, refresh and report of their
// rows, each under the dialog's guard while it pumps messages.
#pragma once

#include <windows.h>

#include <vector>

#include "forms/basedlg.h"

class TDBRecord;
class TEditDlg;
class TPartialRecListBox;
struct TEntity;

class TRecListDlg : public TBaseDlg {
public:
  // The least size until the window opens (it never gets smaller than it opened).
  TRecListDlg(int minWidth, int minHeight);
  // Releases a list box still held.
  ~TRecListDlg() override;

  TPartialRecListBox* GetListBox() const { return box_; }
  // The entity the window lists (null before its list box exists).
  const TEntity* GetListedEntity() const;

  // Status line 140 in the information colour, other statics in the window-text colour,
  // on the button face.
  INT_PTR OnCtlColorStatic(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;
  // The help file at the window's help context.
  INT_PTR OnHelpButton(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;
  // The forms opened from the window go first (they hold its list box), then the box.
  INT_PTR OnDestroy(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;
  // Activation makes the window's help context the current one.
  INT_PTR OnActivate(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;
  // Focus back to where it was; a modal window ends, a modeless one is destroyed.
  INT_PTR OnClose(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;
  // Closes the window through WM_CLOSE.
  INT_PTR OnCancel(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;
  // The window's help context.
  virtual int HelpContext() const = 0;

  // The buttons every list window answers alike: Delete 102, Recalc 105, Report 199 and
  // Help 103. False for any other command.
  bool HandleSharedCommand(HWND window, int id);

  // Delete of the selected row (command 102): the question (with Prompt_Before_Delete, the
  // entity's caption as caption, No the default), the delete without cascade in the form's
  // transaction bracket, "Deletion failed" with the record's error, else a refresh.
  void DeleteSelected(HWND window);
  // Runs the list's query again and shows its count (command 105).
  void RefreshList(HWND window);
  // Hands the rows (with the list box's columns and its fetch of the rows still pending)
  // to the output of records; when the program has none, says so in a box.
  void ReportRows(HWND window);


  // The message handling every list window shares: minimum size, the button row, the
  // list's notifications (row texts, cache hints; focus and double click through the
  // two operations below). True when the message was handled.
  bool HandleListMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam, INT_PTR* result);

protected:
  // The buttons of the foot row, left to right.
  virtual std::vector<int> ButtonRow() const = 0;
  virtual void OnListFocus(HWND window) {}
  virtual void OnListDoubleClick(HWND window) {}

  // At WM_INITDIALOG: takes the box, remembers the window's size now as its minimum and
  // shows the box's status text. A window destroyed while the box fetched its first rows
  // lets the box go at once and gets false.
  bool TakeListBox(HWND window, TPartialRecListBox* box);
  // Releases the box (at WM_DESTROY); while work of this window still reads it, it goes
  // with the object.
  void ReleaseListBox();
  void ShowListStatus(HWND window);
  // The least size the window may be given from now on.
  void KeepMinimumSize(int width, int height) {
    minWidth_ = width;
    minHeight_ = height;
  }
  // Add 108 and Edit 109 follow the store right, Delete 102 the delete right, Import 200
  // both; with ODBC_LOGIN from the user's rights row (warn: a missing row shows the
  // security warning), else all enabled.
  void ApplyRights(HWND window, const TEntity* entity, bool warnWhenMissing);
  // Places the foot buttons, the status line and the list for a client height.
  void LayOut(HWND window, int clientHeight);

  TPartialRecListBox* box_ = nullptr;

private:
  int minWidth_;
  int minHeight_;
};

// The dialog procedure's share of a list window: the list window's own messages, then
// the common dialog messages. dialog is null after the object was deleted (or when there
// is none).
INT_PTR DispatchRecListDlgMessage(TRecListDlg** dialog, HWND window, UINT message, WPARAM wParam,
                                  LPARAM lParam, bool* handled);

// Deletes a record of a list (no cascade) in the form's transaction bracket; false (the
// reason on the record channel) when it was not deleted.
bool DeleteListedRecord(TDBRecord* record);

// The text of the box shown when a list window's Report has no output to go to.
constexpr const char* OUTPUT_NOT_AVAILABLE_TEXT = "Output of records is not available in this program.";

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

// The related-records window: the records of one entity in a list, either the children of
// an edit form's record through a relationship (parent mode) or the rows a VIEW command
// queried (list mode), with Add, Edit, Delete, Recalc, Report, Close and Help.
#pragma once

#include <windows.h>

#include <vector>

#include "forms/reclistdlg.h"

class TDBRecList;
class TDBRecord;
struct TEntity;
struct TRelationship;

// Help context of the window: this plus the listed entity's position in the model.
constexpr int VIEW_HELP_CONTEXT = 400;

class TViewDlg : public TRecListDlg {
public:
  // Parent mode: relationship and parent record (not owned); list mode: both null. The
  // record list (may be null in parent mode: the window selects the children itself)
  // passes to the window's list box.
  TViewDlg(TRelationship* relationship, TDBRecord* parent, TDBRecList* list);
  ~TViewDlg() override;

  void Hook() override;
  INT_PTR OnInitDialog(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;
  INT_PTR OnOK(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;
  INT_PTR ShowHint(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;
  int HelpContext() const override;

  // Add (108): a form on a new record, its foreign key taken from the parent record in
  // parent mode. Edit (109, double click): a form on a copy of the highlighted record.
  INT_PTR Add(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  INT_PTR Edit(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

  TDBRecord* GetParentRecord() const { return parent_; }
  TRelationship* GetRelationship() const { return relationship_; }
  // The entity the window lists (also before its list box exists).
  const TEntity* GetViewedEntity() const;

protected:
  std::vector<int> ButtonRow() const override;
  void OnListFocus(HWND window) override;
  void OnListDoubleClick(HWND window) override;

private:
  // A form over record: a child form of the parent in parent mode, a plain one in list mode.
  void OpenForm(HWND window, TDBRecord* record, bool existing);

  TRelationship* relationship_;
  TDBRecord* parent_;
  TDBRecList* list_;  // until the list box takes it
};

INT_PTR CALLBACK ViewDlgProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Opens the window modeless, owned by owner; null (with the list freed) when it cannot be.
HWND OpenViewWindow(TRelationship* relationship, TDBRecord* parent, TDBRecList* list, HWND owner);
// Presets a new record of the relationship's target with the parent's key: every
// attribute whose foreign relationship is the relationship's reverse takes the parent's
// value of its primary attribute.
void PresetForeignKey(TDBRecord* record, const TRelationship* relationship, TDBRecord* parent);

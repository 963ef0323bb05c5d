// The lookup window: candidate records of a relationship's target for an edit form's
// record; OK copies the chosen record's key into the form's record and shows it again.
#pragma once

#include <windows.h>

#include <vector>

#include "forms/reclistdlg.h"

class TDBRecord;
struct TRelationship;

// Help context of the lookup window.
constexpr int LOOKUP_HELP_CONTEXT = 150;

class TLookupDlg : public TRecListDlg {
public:
  // relationship: one of the record's entity's relationships; record: the form's (not owned).
  TLookupDlg(TRelationship* relationship, TDBRecord* record);

  void Hook() override;
  INT_PTR OnInitDialog(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;
  INT_PTR OnDestroy(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;
  INT_PTR OnOK(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;
  INT_PTR ShowHint(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;
  int HelpContext() const override;

  // Add (108): a form on a new record of the listed entity; Edit (109): on a copy of the
  // highlighted record.
  INT_PTR Add(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  INT_PTR Edit(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

  TDBRecord* GetRecord() const { return record_; }
  TRelationship* GetRelationship() const { return relationship_; }
  // Relationships of kind 3 get the modeless window with Add, Edit, Delete and Recalc.
  bool IsModelessKind() const;

protected:
  std::vector<int> ButtonRow() const override;
  void OnListFocus(HWND window) override;
  void OnListDoubleClick(HWND window) override;

private:
  // Where the window opens: the form's lookup button of the relationship (on its page),
  // else the form.
  HWND Anchor(HWND owner) const;
  void PlaceAt(HWND window, HWND anchor);

  TRelationship* relationship_;
  TDBRecord* record_;
  int placedWidth_ = 0;
  int placedHeight_ = 0;
};

INT_PTR CALLBACK LookupDlgProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Opens the lookup of the relationship over the form's record, owned by the form window:
// modeless for a relationship of kind 3, else modal (returning when it closes).
void OpenLookupWindow(HWND formWindow, TRelationship* relationship, TDBRecord* record);

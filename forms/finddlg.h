// The find-results window: the rows an edit form's query by example returned, from which
// OK fills the form; it also adds, edits, deletes, refreshes and reports rows.
#pragma once

#include <windows.h>

#include <vector>

#include "forms/reclistdlg.h"

class TDBRecList;
class TDBRecord;

// Help context of the find-results window.
constexpr int FIND_WINDOW_HELP_CONTEXT = 151;

class TFindDlg : public TRecListDlg {
public:
  // Over the form's record (not owned) and the list its find selected (owned from now on:
  // by the window's list box once it is open, else by this object). The criteria are
  // copied as they are now, so a refresh finds again what was asked, whatever the form
  // shows later.
  TFindDlg(TDBRecord* templateRecord, TDBRecList* list);
  ~TFindDlg() override;

  INT_PTR OnInitDialog(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;
  INT_PTR OnOK(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;
  INT_PTR ShowHint(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;
  int HelpContext() const override;

  virtual void OnAdd(HWND window);
  virtual void OnEdit(HWND window);

  // The form's record whose fields were the criteria.
  TDBRecord* GetTemplateRecord() const { return templateRecord_; }
  // The criteria the window finds with.
  TDBRecord* GetCriteria() const { return criteria_; }

protected:
  std::vector<int> ButtonRow() const override;
  void OnListFocus(HWND window) override;
  void OnListDoubleClick(HWND window) override;

private:
  TDBRecord* templateRecord_;
  TDBRecord* criteria_;
  TDBRecList* list_;  // until the list box takes it
};

INT_PTR CALLBACK FindDlgProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

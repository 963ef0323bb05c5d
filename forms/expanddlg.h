// The expand box: one field of an edit form shown in a large multi-line edit, written back
// into the field on Close and dropped on Escape.
#pragma once

#include <windows.h>

#include <string>

#include "forms/basedlg.h"

struct TAttribute;

// Help context of the expand box.
constexpr int EXPAND_HELP_CONTEXT = 152;
// Largest text the box takes and gives back (a field buffer of 8192 bytes).
constexpr int EXPAND_TEXT_LIMIT = 8191;
// The box's controls.
constexpr int EXPAND_EDIT_ID = 109;
constexpr int EXPAND_CLOSE_ID = 107;

class TExpandDlg : public TBaseDlg {
public:
  // field: the form's edit control being expanded; text: its text at opening (cut to the limit).
  TExpandDlg(HWND field, const TAttribute* attribute, const char* text);

  void Hook() override;
  INT_PTR OnInitDialog(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;
  INT_PTR OnActivate(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;
  INT_PTR OnClose(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;
  INT_PTR OnCtlColorStatic(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;
  INT_PTR OnOK(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;
  INT_PTR OnCancel(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;
  INT_PTR ShowHint(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;

  // Close: the box's text replaces the field's, and the box ends.
  INT_PTR WriteBackAndClose(HWND window);
  // The most characters the box lets the user type for the attribute: its column size,
  // bounded by the text limit.
  static int TextLimitFor(const TAttribute* attribute);
  const std::string& GetText() const { return text_; }

private:
  HWND field_;
  const TAttribute* attribute_;
  std::string text_;
};

INT_PTR CALLBACK ExpandDlgProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Runs the expand box modally over the field control, owned by owner; returns when it ends.
void RunExpandBox(HWND owner, HWND field, const TAttribute* attribute);

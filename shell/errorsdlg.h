// The "Error Summary" window: the latest message of each of the four error channels.
#pragma once

#include "forms/basedlg.h"

// Control ids of the window: a heading and a message static per channel, and its buttons.
enum TErrorsDlgControl {
  ERRORS_SQL_HEADING = 120,
  ERRORS_SQL_TEXT = 121,
  ERRORS_EXPRESSION_HEADING = 122,
  ERRORS_EXPRESSION_TEXT = 123,
  ERRORS_RECORD_HEADING = 124,
  ERRORS_RECORD_TEXT = 125,
  ERRORS_RECORD_LIST_HEADING = 126,
  ERRORS_RECORD_LIST_TEXT = 127,
  ERRORS_RECALC = 105,
  ERRORS_HELP = 106,
  ERRORS_CLOSE = 107
};
constexpr int ERRORS_HELP_CONTEXT = 102;

class TErrorsDlg : public TBaseDlg {
public:
  TErrorsDlg();
  INT_PTR OnInitDialog(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;
  INT_PTR OnActivate(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;
  INT_PTR OnCtlColorStatic(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;
  INT_PTR OnCancel(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;
  INT_PTR ShowHint(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;
  // Reads the four channels into the message statics.
  void Refresh(HWND window);
};

INT_PTR CALLBACK ErrorsDlgProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// Opens a new errors window, modeless, owned by the window.
HWND OpenErrorsWindow(HWND owner);

// Helpers for tests that open real forms: the window classes registered once, a main
// window standing in for the program's, message pumping and control geometry in dialog units.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

// Registers the common controls and the program's form and control classes (once per
// process) and creates the stand-in main window with a status bar.
void StartFormSession();

// Dispatches the queued messages of this thread for a while.
void PumpMessages(DWORD milliseconds = 50);
// Dispatches every message waiting now (a WM_QUIT of a destroyed main window too) and returns.
void DispatchWaitingMessages();

// A message-only window of a class of the test's own (registered on first use) whose
// procedure takes the messages a test posts to act from inside a loop of the program.
HWND MakeMessageWindow(const char* className, WNDPROC procedure);

// Registers the common controls, the main program's window classes and its messages,
// once per process (a failure fails the test that asked first).
void RegisterMainWindowClassesOnce();

// The control's class name and text.
std::string ControlClass(HWND control);
std::string ControlText(HWND control);

// A list view's rows: how many, the text of one cell (up to 255 characters), and making
// one the selected and focused row.
int ListViewRowCount(HWND list);
std::string ListViewCellText(HWND list, int row, int column);
// The header text of a list view's column.
std::string ListViewColumnTitle(HWND list, int column);
void SelectListViewRow(HWND list, int row);

// A control's place in the dialog's client area in pixels, as {x, y, width, height}.
RECT ControlPlace(HWND dialog, HWND control);
// The place a control given in dialog units gets, as {x, y, width, height} in pixels.
RECT UnitsPlace(HWND dialog, int x, int y, int cx, int cy);

// Ids of the dialog's child controls in tab (z) order.
std::vector<int> ChildIds(HWND dialog);

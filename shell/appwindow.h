// What the dialogs need of the main window: its handle, its status bar, the current
// help context and the help file.
#pragma once

#include <windows.h>

extern HWND MainWindow;
extern HWND StatusBarWindow;
extern int CurrentHelpContext;
extern char HelpFilePath[MAX_PATH];

// Printf-style text of at most 200 characters on the main window's status bar: part 1,
// or the given part. Without a status bar the text is only kept.
void SetStatusText(const char* format, ...);
void SetStatusTextPart(int part, const char* format, ...);
// The last text written by SetStatusText or SetStatusTextPart.
const char* GetStatusText();

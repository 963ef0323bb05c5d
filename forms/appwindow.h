// What the dialogs need of the main window: its handle, its status bar, the current
// help context, the help file, the dialog background, and the one replaceable call each
// for help and print set-up (opening and printing files: data/core/fileaction.h).
#pragma once

#include <windows.h>

#include <commdlg.h>

extern HWND MainWindow;
extern HWND StatusBarWindow;
extern int CurrentHelpContext;
extern char HelpFilePath[MAX_PATH];

// Printf-style text of at most 200 characters on the main window's status bar: part 1,
// or the given part. Without a status bar the text is only kept. Longer texts are cut.
void SetStatusText(const char* format, ...);
void SetStatusTextPart(int part, const char* format, ...);
// The last text written by SetStatusText or SetStatusTextPart.
const char* GetStatusText();

// The text, or "No error" when it is empty.
const char* ErrorTextOrNone(const char* text);

// The dialog background: the colour and solid brush the dialogs paint with. The
// preference value 0 takes the system window colour, 1 white, any other light grey
// (2 is the built-in default). The previous brush is deleted.
extern HBRUSH BackgroundBrush;
extern COLORREF BackgroundColor;
void CreateBackgroundBrush(int windowBackground = 2);
void DeleteBackgroundBrush();

// Help: opens the help file (HelpFilePath) with a WinHelp command (HELP_CONTEXT,
// HELP_CONTENTS, HELP_QUIT). A file ending in ".CHM" opens through HTML Help. The call
// goes through HelpCall, which tests replace to record it; a help file that cannot be
// opened is reported in a box (never for HELP_QUIT).
using THelpCall = BOOL (*)(HWND window, const char* file, UINT command, ULONG_PTR data);
extern THelpCall HelpCall;
BOOL SystemHelpCall(HWND window, const char* file, UINT command, ULONG_PTR data);
void ShowHelp(HWND window, UINT command, ULONG_PTR data);

// Print set-up: the common print dialog on the record; replaceable like help.
using TPrintSetupCall = BOOL (*)(PRINTDLGA* record);
extern TPrintSetupCall PrintSetupCall;

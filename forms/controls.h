// The program's own control classes: whole-number and decimal edits, the button that
// reports its focus for hover help, and the window classes of the generated forms.
#pragma once

#include <windows.h>

// Notification a ZKWButton sends (in the high word of WM_COMMAND's wParam) when it gets the focus.
constexpr WORD ZKWBN_FOCUS = 15;

LRESULT CALLBACK IntegerEditProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK RealEditProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK ZKWButtonProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Registers "IntegerEdit", "RealEdit" and "ZKWButton" as subclasses of the system EDIT and
// BUTTON classes. Returns null, or the message naming the class that failed.
const char* RegisterFormControlClasses();

// Registers the dialog classes of the generated forms ("EditDlg") and of the related-records
// window ("ViewDlg"). Returns null, or the message naming the class that failed.
const char* RegisterFormDialogClasses(HICON editIcon, HICON viewIcon);

// Sets one font on every child control of the window.
void SetFontOnChildren(HWND window, HFONT font);

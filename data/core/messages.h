// The two message boxes every part of the program may raise.
#pragma once

#include <windows.h>

// The message box the data layer's boxes are shown through: MessageBoxA, unless the program
// puts another here (the forms put theirs, which waits for its answer as their questions do).
using TMessageBoxCall = int (*)(HWND owner, const char* text, const char* caption, UINT style);
extern TMessageBoxCall MessageBoxCall;

// Shows "ERROR" with the stop icon and ends the program with exit code 1.
[[noreturn]] void FatalError(const char* message, const char* detail);
// Shows "WARNING" with the exclamation icon; returns the box's result.
int WarningBox(const char* message, const char* detail);

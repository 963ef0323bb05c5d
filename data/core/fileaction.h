// Opening and printing a file with the program the system associates with it: one small
// call that tests replace, so they record what would have been opened or printed.
#pragma once

#include <windows.h>

enum class TFileAction { Open, Print };

// Opens (shown) or prints (hidden) the file; false when no program could be started for it.
bool OpenOrPrintFile(HWND owner, TFileAction action, const char* path);

using TFileActionCall = bool (*)(HWND owner, TFileAction action, const char* path);
// Puts a call in place of the system's (null restores the system's); returns the one before.
TFileActionCall ReplaceFileActionCall(TFileActionCall call);

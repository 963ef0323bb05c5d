// Opening and printing a file with the program the system associates with it: one small
// replaceable call each (help has its own, HelpCall), so tests record what would have been
// opened or printed.
#pragma once

#include <windows.h>

// Each returns the ShellExecute value: above 32 when a program was started for the file.
using TFileCall = INT_PTR (*)(HWND owner, const char* path);
// ShellExecute "open", shown.
extern TFileCall OpenFileCall;
// ShellExecute "print", hidden.
extern TFileCall PrintFileCall;

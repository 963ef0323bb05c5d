// The full-screen backdrop window behind the installer's pages.
#pragma once

#include <windows.h>

extern const char BackdropClassName[];

LRESULT CALLBACK BackdropWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// The About box: the model's title, a line of the string table, and how many dialog
// slots and colour-table brushes are in use.
#pragma once

#include <windows.h>

#include <string>

enum TAboutDlgControl { ABOUT_TITLE = 100, ABOUT_STRING = 101, ABOUT_USAGE = 103 };
// String-table entries of the box: the line it shows, and a spare one.
constexpr UINT ABOUT_STRING_ID = 1000;
constexpr UINT ABOUT_SPARE_STRING_ID = 1001;

// The two usage lines for the numbers given.
std::string ResourceUsageText(int dialogs, int dialogCapacity, int brushes, int brushCapacity);
INT_PTR CALLBACK AboutDlgProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// Runs the box modal, owned by the window.
void ShowAboutBox(HWND owner);

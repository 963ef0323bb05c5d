// The installer's pages (licence, readme, welcome), the restart question and their shared colours.
#pragma once

#include <windows.h>

// Pale yellow behind read-only edits; made at start, freed at the end.
extern HBRUSH PaleYellowBrush;

// The pages' answer to WM_CTLCOLORSTATIC (its wParam and lParam): red status texts, pale
// yellow read-only edits.
INT_PTR ColorStaticControl(WPARAM dc, LPARAM control);

// Opens the first page over the backdrop: the licence, else the readme, else the welcome page.
HWND OpenFirstPage(HWND backdrop);
// Brings the open pages in front of the backdrop; destroys them when it goes.
void BringPagesToFront();
void DestroyPages();

INT_PTR CALLBACK LicenseDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK ReadmeDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK WelcomeDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK RebootDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

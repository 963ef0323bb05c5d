// The two outside report components: the report library loaded at run time (its exports
// "InitLibrary" and "RunReport") and the report program started with a command line.
#pragma once

#include <windows.h>

#include <string>

// The folder the program was installed in: WIN.INI section "VORN" key "InstallPath",
// else the folder of the program file itself.
std::string InstallFolder();

// A "report_new.vl" delivered in the install folder (else in the current folder) replaces
// "report.dll" there; the old library is kept as "report.old". The user is told of both steps.
void SwapReportLibrary();
// Loads "report.dll" (else "report/report.dll") and calls its InitLibrary with the main
// window and the application INI path. False, with the warning on the status line, when
// there is no library.
bool LoadReportLibrary(HWND mainWindow, const char* iniPath);
void FreeReportLibrary();
bool ReportLibraryLoaded();
// Calls RunReport(window, name) of the library; false when it has no such export.
bool RunReportFunction(HWND window, const char* name);

// The report program's command line for a report file (already made a full path).
std::string ReportCommandLine(const char* reportFile);
// The report file of a command, found in the "reports" folder of the install folder.
std::string ReportFilePath(const char* file);
// Starts the report program on the report; the WinExec value (below 32: failed, the
// user has been told).
UINT RunReportProgram(HWND window, const char* file);

// SQL script files: a text file of statements run one by one against the application
// database under a progress window, each statement and its outcome written to a log; and
// the "Run Database Script" dialog that runs or shows any script.
#pragma once

#include <windows.h>

#include <commdlg.h>

#include <cstdio>

// Longest statement a script may hold (characters); a longer one is logged as an error
// and not run.
constexpr int SCRIPT_STATEMENT_LIMIT = 8191;

// What a run of a script came to.
struct TScriptRun {
  bool opened = false;  // the script could be read
  int statements = 0;   // statements run or refused
  int failed = 0;       // of them, those that failed or were refused
  bool Succeeded() const { return opened && failed == 0; }
};

// Runs the script's statements on one connection to the database of [Network], in
// autocommit, so each statement stands on its own. A statement ends with the line that
// ends with ';' (lines are joined as they are, without a blank between them); the text
// left after the last line is a statement too. The log is rewritten: every statement,
// then "Success" or "Error Returned: <the server's message>". A script that cannot be
// opened leaves the log empty. The progress window belongs to owner (none: no owner).
TScriptRun RunSqlScriptFile(HWND owner, const char* scriptPath, const char* logPath);

// Writes the text and a line end to the log, when one is open.
void LogScriptLine(HWND owner, const char* text, int flag, FILE* log);

// The progress window "Processing" and the "Run Database Script" dialog.
INT_PTR CALLBACK ScriptProgressProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK RunScriptDlgProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// The log of scripts run from the dialog, in the current folder.
constexpr const char* RUN_SCRIPT_LOG = "rds.log";

// The open-file dialog of "Select File" (GetOpenFileNameA; tests put their own in).
extern BOOL(WINAPI* ChooseScriptFile)(OPENFILENAMEA*);

// Opens "Run Database Script" modal over the owner (FUNCTION RunScript).
void ShowRunScriptDialog(HWND owner);

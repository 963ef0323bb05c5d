// Test helper for programs that ask for a login: finds the login dialog of a process,
// types a user name and password into it and presses OK or Cancel.
#pragma once

#include <windows.h>

#include <string>

// The users the sample application's creation script seeds.
constexpr const char* SAMPLE_USER = "demo";
constexpr const char* SAMPLE_PASSWORD = "vorn";
constexpr const char* SAMPLE_CLERK = "clerk";
constexpr const char* SAMPLE_CLERK_PASSWORD = "counter";

// Statements that give an empty SQLite database (made by a test) the sample's demo user,
// so that a program started on it can log in as SAMPLE_USER.
extern const char* const SampleUserTableSql[];

struct TLoginDialog {
  HWND window = nullptr;
  std::string message;  // the text of its message line
};

// Waits for the visible login dialog of the process (pid 0: any) and reads its message line.
TLoginDialog FindLoginDialog(DWORD pid, DWORD timeoutMs);
// The text of the login dialog's message line now.
std::string LoginMessage(HWND dialog);
// Types the user name and password into the dialog and presses OK (the press returns
// when the dialog has checked them, unless it shows a box).
void SubmitLogin(HWND dialog, const char* user, const char* password);
// A Unix path as Wine names it from any current drive ("Z:" and backslashes).
std::string WineZPath(const std::string& unixPath);
// The command line that starts the vorn program: $VORN_PROGRAM, else the build's vorn.exe, quoted.
std::string VornCommandLine();

// Finds the login dialog of the process and logs in; false when no dialog showed.
bool LogIn(DWORD pid, const char* user, const char* password, DWORD timeoutMs = 60000);

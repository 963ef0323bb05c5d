// Login against the table UserIds: checking a user, the login dialog, and logging out
// and in again after an idle time-out or the LOGOUT command.
#pragma once

#include <windows.h>

#include <string>

struct TUserProfile;

// The longest user name and password the dialog takes (and reads whole).
constexpr int LOGIN_TEXT_LIMIT = 30;
// Failed attempts after which the dialog closes the program.
constexpr int LOGIN_ATTEMPTS = 3;

constexpr const char* TIMED_OUT_TEXT = "Your session has been timed out.  Please login again.";

// True when a row of UserIds has this user and password (both compared as given, which
// the dialog upper-cases); the profile is filled from it then. Both texts are bound as
// parameters. A failed statement (no table, no database) is shown in the box "Could not
// validate Login Details" and gives false.
bool CheckLogin(TUserProfile& profile, const char* user, const char* password);

// Copies every field of one profile into another.
void CopyUserProfile(TUserProfile& to, const TUserProfile& from);

// The dialog procedure of LoginDlg; the initial value is a message text for the message
// line, or 0. Ends with 1 when an allowed user has logged in (CurrentUser then holds him
// and his start-up command has run), 0 after Cancel or the third failed attempt.
INT_PTR CALLBACK LoginDlgProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Runs the login dialog modal, owned by the window, with the message (or none).
INT_PTR RunLoginDialog(HWND owner, const char* message);

// The menu file of the current user: his INI_File, else "menu.ini", as a full path in
// the model folder.
std::string UserMenuFilePath();

// Builds the current user's menus, tool bar and popup bar, sets the new menu bar on the
// main window (destroying the one before), and loads his preferences.
void LoadUserMenusAndPreferences(HWND mainWindow);

// Logout: stops the idle timer, removes the tool-bar and popup-bar buttons and asks for
// a login again, with every window of the program disabled meanwhile. A refused login
// destroys the main window; a new one loads that user's menus and preferences and starts
// the idle timer again. Open forms stay open.
void LogoutAndLoginAgain(HWND mainWindow, int timedOut);

// Puts the user commands in the main window's hooks: LOGOUT and PREFERENCES.
void InstallUserCommands();

// Login against the table UserIds, the login dialog, and logout with a new login.
#include "shell/login.h"

#include <cctype>
#include <cstdio>
#include <vector>

#include "data/core/paths.h"
#include "data/core/strings.h"
#include "data/core/userprofile.h"
#include "data/db/database.h"
#include "data/db/odbcstatement.h"
#include "data/model/appfiles.h"
#include "data/model/settings.h"
#include "forms/colortable.h"
#include "forms/messagepump.h"
#include "shell/appwindow.h"
#include "shell/commands.h"
#include "shell/mainwnd.h"
#include "shell/menus.h"
#include "shell/preferencestore.h"
#include "shell/prefsdlg.h"
#include "shell/startup.h"
#include "shell/userids.h"

namespace {

// The user and password go in as parameters: a quote in either stays a character of it.
const char* const LoginSql =
    "select Staff_Name,Start_up_File,User_Status,INI_File,on_exit_run from UserIds"
    " where User_Id=? and NPassword=?";

void ReportLoginError(const char* diagnostic) {
  char text[600];
  std::snprintf(text, sizeof text, "SQL Error: %s", diagnostic);
  ShowMessageBox(MainWindow, text, "Could not validate Login Details", MB_OK | MB_ICONHAND);
}

void ReadProfile(TOdbcStatement& statement, TUserProfile& profile, const char* user) {
  ReplaceString(&profile.UserId, user);
  statement.GetStringByName("Staff_Name", &profile.Staff_Name);
  statement.GetStringByName("Start_Up_File", &profile.Start_up_File);
  statement.GetStringByName("User_Status", &profile.User_Status);
  statement.GetStringByName("INI_File", &profile.INI_File);
  statement.GetStringByName("on_exit_run", &profile.on_exit_run);
}

// The text of an edit, whole (up to the limit), upper-cased.
std::string UpperCaseText(HWND window, int id) {
  char text[LOGIN_TEXT_LIMIT + 1] = "";
  GetDlgItemTextA(window, id, text, sizeof text);
  for (char* c = text; *c; ++c) *c = static_cast<char>(std::toupper(static_cast<unsigned char>(*c)));
  return text;
}

// The message line of the dialog.
void ShowLoginMessage(HWND window, const char* text) {
  SetDlgItemTextA(window, LOGIN_MESSAGE_ID, text);
}

// The answer of the dialog to the status of a user whose name and password matched.
const char* StatusMessage(const char* status) {
  if (_stricmp(status, "Denied") == 0)
    return "Your login profile currently Denies you access to the system.";
  if (_stricmp(status, "Inactive") == 0) return "Your login profile is currently Inactive.";
  return "No User Status defined for this user.";
}

// The failed attempts of the dialog now showing (one dialog at a time).
int failedAttempts = 0;

// The allowed user becomes the current one and his start-up command runs.
void StartSession(HWND window, const TUserProfile& user) {
  CopyUserProfile(CurrentUser, user);
  if (!*CurrentUser.Start_up_File) {
    ShowLoginMessage(window, "Login Successful.");
    return;
  }
  ShowLoginMessage(window, "Login Successful, running your Login Script...");
  // Windows the command opens belong to the main window: this dialog closes right after.
  HWND owner = MainWindow ? MainWindow : window;
  const std::string command = CurrentUser.Start_up_File;
  if (!RunCommand(owner, command.c_str())) ReportFailedCommand(window, command.c_str());
}

// OK: checks the typed user; true when the dialog is to end (its result in *result).
bool TryLogin(HWND window, INT_PTR* result) {
  const std::string user = UpperCaseText(window, LOGIN_USER_ID);
  const std::string password = UpperCaseText(window, LOGIN_PASSWORD_ID);
  TUserProfile candidate;
  bool ended = false;
  if (!CheckLogin(candidate, user.c_str(), password.c_str())) {
    ShowLoginMessage(window, "Invalid Username or Password!");
    if (++failedAttempts >= LOGIN_ATTEMPTS) {
      ShowMessageBox(window,
                     "You have exceeded the number of allowed password attempts!\n\n"
                     "The application will now be closed.",
                     "Login Unsuccessful", MB_OK | MB_ICONHAND);
      *result = 0;
      ended = true;
    }
  } else if (_stricmp(candidate.User_Status, "Allowed") == 0) {
    StartSession(window, candidate);
    *result = 1;
    ended = true;
  } else {
    ShowLoginMessage(window, StatusMessage(candidate.User_Status));
  }
  if (!ended) {
    SetDlgItemTextA(window, LOGIN_USER_ID, "");
    SetDlgItemTextA(window, LOGIN_PASSWORD_ID, "");
    SetFocus(GetDlgItem(window, LOGIN_USER_ID));
  }
  return ended;
}

// Disables every enabled top-level window of this thread but the main window (which the
// modal dialog disables itself); gives back the ones it disabled.
struct TWindowWalk {
  HWND main;
  std::vector<HWND> disabled;
};

BOOL CALLBACK CollectEnabledWindow(HWND window, LPARAM data) {
  auto* w = reinterpret_cast<TWindowWalk*>(data);
  if (window != w->main && IsWindowEnabled(window)) w->disabled.push_back(window);
  return TRUE;
}

std::vector<HWND> DisableProgramWindows(HWND mainWindow) {
  TWindowWalk walk{mainWindow, {}};
  EnumThreadWindows(GetCurrentThreadId(), CollectEnabledWindow, reinterpret_cast<LPARAM>(&walk));
  for (HWND window : walk.disabled) EnableWindow(window, FALSE);
  return walk.disabled;
}

void EnableWindows(const std::vector<HWND>& windows) {
  for (HWND window : windows)
    if (IsWindow(window)) EnableWindow(window, TRUE);
}

}  // namespace

bool CheckLogin(TUserProfile& profile, const char* user, const char* password) {
  if (!OdbcEnvironment) return false;
  TOdbcConnection connection(OdbcEnvironment, 1, DatabaseName);
  TOdbcStatement statement(&connection);
  SQLRETURN rc = statement.Prepare(LoginSql);
  if (SQL_SUCCEEDED(rc)) rc = statement.BindParameter(0, SQL_VARCHAR, LOGIN_TEXT_LIMIT, 0, user);
  if (SQL_SUCCEEDED(rc)) rc = statement.BindParameter(1, SQL_VARCHAR, LOGIN_TEXT_LIMIT, 0, password);
  if (SQL_SUCCEEDED(rc)) rc = statement.Execute();
  if (!SQL_SUCCEEDED(rc)) {
    const char* diagnostic = *statement.GetDiagMessage() ? statement.GetDiagMessage()
                                                        : connection.GetDiagMessage();
    ReportLoginError(diagnostic);
    return false;
  }
  const bool found = SQL_SUCCEEDED(statement.Fetch());
  if (found) ReadProfile(statement, profile, user);
  statement.CloseCursor();
  return found;
}

void CopyUserProfile(TUserProfile& to, const TUserProfile& from) {
  ReplaceString(&to.UserId, from.UserId);
  ReplaceString(&to.Staff_Name, from.Staff_Name);
  ReplaceString(&to.Start_up_File, from.Start_up_File);
  ReplaceString(&to.User_Status, from.User_Status);
  ReplaceString(&to.INI_File, from.INI_File);
  ReplaceString(&to.on_exit_run, from.on_exit_run);
}

INT_PTR CALLBACK LoginDlgProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      SendDlgItemMessageA(window, LOGIN_USER_ID, EM_LIMITTEXT, LOGIN_TEXT_LIMIT, 0);
      SendDlgItemMessageA(window, LOGIN_PASSWORD_ID, EM_LIMITTEXT, LOGIN_TEXT_LIMIT, 0);
      failedAttempts = 0;
      if (lParam) ShowLoginMessage(window, reinterpret_cast<const char*>(lParam));
      return TRUE;
    case WM_COMMAND:
      // Hover help sends its own notifications with the buttons' ids: only clicks count.
      if (HIWORD(wParam) != BN_CLICKED) break;
      if (LOWORD(wParam) == IDOK) {
        INT_PTR result = 0;
        if (TryLogin(window, &result)) EndDialog(window, result);
        return TRUE;
      }
      if (LOWORD(wParam) == IDCANCEL) {
        EndDialog(window, 0);
        return TRUE;
      }
      break;
    case WM_CTLCOLORSTATIC:
      return HandleCtlColor(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
  }
  return FALSE;
}

INT_PTR RunLoginDialog(HWND owner, const char* message) {
  TModalLoopScope modal(owner);
  const INT_PTR result =
      DialogBoxParamA(AppInstance ? AppInstance : GetModuleHandleA(nullptr), LoginDlgName, owner,
                      LoginDlgProc, reinterpret_cast<LPARAM>(message));
  // A dialog that could not open, or went with its owner, let nobody in.
  return result == 1 && (!owner || IsWindow(owner)) ? 1 : 0;
}

std::string UserMenuFilePath() {
  const char* name = *CurrentUser.INI_File ? CurrentUser.INI_File : "menu.ini";
  return FullPathInDir(name, ModelFolder.c_str());
}

void LoadUserMenusAndPreferences(HWND mainWindow) {
  BuildMainMenus(UserMenuFilePath().c_str());
  LoadPreferences(ApplicationIniPath.c_str());
  HMENU previous = GetMenu(mainWindow);
  SetMenuBarFromTables(mainWindow);
  if (previous && previous != GetMenu(mainWindow)) DestroyMenu(previous);
}

void LogoutAndLoginAgain(HWND mainWindow, int timedOut) {
  KillTimer(mainWindow, IDLE_TIMER_ID);
  DestroyMenuButtons();
  InvalidateRect(mainWindow, nullptr, TRUE);
  UpdateWindow(mainWindow);

  // Nothing of the previous user may be used while the login is asked for.
  const std::vector<HWND> disabled = DisableProgramWindows(mainWindow);
  const INT_PTR loggedIn = RunLoginDialog(mainWindow, timedOut ? TIMED_OUT_TEXT : nullptr);
  EnableWindows(disabled);
  if (!loggedIn) {
    // The previous user's session is over: what he left open waits for nobody.
    EndProgram(mainWindow, TOpenDialogs::Cancel);
    return;
  }
  HCURSOR before = SetCursor(LoadCursorA(nullptr, IDC_WAIT));
  LoadUserMenusAndPreferences(mainWindow);
  InvalidateRect(mainWindow, nullptr, TRUE);
  UpdateWindow(mainWindow);
  SetCursor(before);
  StartIdleTimer(mainWindow);
}

void InstallUserCommands() {
  LogoutCommand = LogoutAndLoginAgain;
  PreferencesCommand = [](HWND mainWindow) { RunPreferencesDialog(mainWindow); };
}

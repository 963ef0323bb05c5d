// Finding and filling the login dialog of a program under test.
#include "support/login_helper.h"

#include <cstdlib>

#include "shell/userids.h"
#include "support/dialog_watcher.h"

const char* const SampleUserTableSql[] = {
    "CREATE TABLE UserIds (User_Id VARCHAR(30) NOT NULL PRIMARY KEY, NPassword VARCHAR(30), "
    "Staff_Name VARCHAR(40), Start_up_File VARCHAR(120), User_Status VARCHAR(10), "
    "INI_File VARCHAR(120), on_exit_run VARCHAR(120))",
    "INSERT INTO UserIds VALUES ('DEMO', 'VORN', 'Demo User', '', 'Allowed', '', '')",
    nullptr};

std::string LoginMessage(HWND dialog) {
  char text[256] = "";
  HWND line = GetDlgItem(dialog, LOGIN_MESSAGE_ID);
  DWORD_PTR ignored = 0;
  if (line)
    SendMessageTimeoutA(line, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text), SMTO_BLOCK,
                        5000, &ignored);
  return text;
}

TLoginDialog FindLoginDialog(DWORD pid, DWORD timeoutMs) {
  TLoginDialog login;
  TWatchedDialog dialog = FindDialog(pid, "Login", timeoutMs);
  if (!dialog.found) return login;
  login.window = dialog.window;
  login.message = LoginMessage(dialog.window);
  return login;
}

void SubmitLogin(HWND dialog, const char* user, const char* password) {
  DWORD_PTR ignored = 0;
  SendMessageTimeoutA(GetDlgItem(dialog, LOGIN_USER_ID), WM_SETTEXT, 0,
                      reinterpret_cast<LPARAM>(user), SMTO_BLOCK, 5000, &ignored);
  SendMessageTimeoutA(GetDlgItem(dialog, LOGIN_PASSWORD_ID), WM_SETTEXT, 0,
                      reinterpret_cast<LPARAM>(password), SMTO_BLOCK, 5000, &ignored);
  PressDialogButton(dialog, IDOK);
}

bool LogIn(DWORD pid, const char* user, const char* password, DWORD timeoutMs) {
  TLoginDialog login = FindLoginDialog(pid, timeoutMs);
  if (!login.window) return false;
  SubmitLogin(login.window, user, password);
  return true;
}

std::string WineZPath(const std::string& unixPath) {
  std::string path = "Z:" + unixPath;
  for (char& c : path)
    if (c == '/') c = '\\';
  return path;
}

std::string VornCommandLine() {
  const char* program = std::getenv("VORN_PROGRAM");
  return "\"" + WineZPath(program ? program : VORN_BINARY_DIR "/vorn.exe") + "\"";
}

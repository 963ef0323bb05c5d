// The database step of start-up: server, connection dialog, database and its creation.
#include "shell/dbconnect.h"

#include <shellapi.h>

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string>

#include "data/db/database.h"
#include "data/db/databaseopen.h"
#include "data/db/odbc.h"
#include "data/model/model.h"
#include "forms/colortable.h"
#include "forms/messagepump.h"
#include "shell/appwindow.h"
#include "shell/databaseids.h"
#include "shell/sqlscript.h"

namespace {

TNetworkSettings connected;

void OpenServiceManager() { ShellExecuteA(nullptr, "open", "sqlmangr", nullptr, nullptr, SW_SHOWMAXIMIZED); }

std::string Format(const char* format, ...) {
  va_list args;
  va_start(args, format);
  char text[2048];
  vsnprintf(text, sizeof text, format, args);
  va_end(args);
  return text;
}

// Start-up holds the mouse and shows the wait cursor while it works; the dialogs and
// boxes of this step need both back.
void HoldMouse() {
  if (MainWindow) SetCapture(MainWindow);
  SetCursor(LoadCursorA(nullptr, IDC_WAIT));
}
void ReleaseMouse() {
  ReleaseCapture();
  SetCursor(LoadCursorA(nullptr, IDC_ARROW));
}

void ShowConnecting(const TNetworkSettings& settings, const TConnectPlan& plan) {
  if (!settings.dsn.empty())
    SetStatusText("Connecting using Data Source %s...", settings.dsn.c_str());
  else if (plan.kind == TDriverKind::SQLite)
    SetStatusText("Opening database %s...", plan.databaseFile.c_str());
  else
    SetStatusText("Finding Server %s on network...", settings.server.c_str());
}

bool ProveWith(const TNetworkSettings& settings, const std::string& modelFolder, std::string* diagnostic) {
  TConnectPlan plan = PlanConnection(settings, modelFolder);
  ShowConnecting(settings, plan);
  HoldMouse();
  bool proven = ProveServer(OdbcEnvironment, plan, diagnostic);
  ReleaseMouse();
  return proven;
}

void ShowConnectionError(const std::string& diagnostic) {
  std::string text =
      "Could not connect to the selected Database Server!\n\n"
      "Check that the Database Server is running, validate the security settings you are using are correct "
      "and try again.\n\n"
      "The error returned from the database was:\n \"" + diagnostic + "\"";
  ShowMessageBox(MainWindow, text.c_str(), "Database Connection Error", MB_OK | MB_ICONHAND);
}

// Offers to keep what the user typed. The password is never shown.
void OfferToSave(const std::string& iniPath, const TNetworkSettings& settings) {
  std::string text = "You are now connected to Database Server " + settings.server;
  text += settings.trusted ? " using a Trusted Connection.\n"
                           : " using the Username " + settings.user + " and the password you entered.\n";
  text += "\nWould like these settings saved for next time you use the program?";
  if (AskQuestion(MainWindow, text.c_str(), "Connection Successful", MB_YESNO | MB_ICONQUESTION) == IDYES)
    SaveNetworkSettings(iniPath, settings);
}

// Proves the server with the INI's settings, else once with the connection dialog's.
bool ReachServer(const std::string& iniPath, const std::string& modelFolder) {
  std::string diagnostic;
  if (ProveWith(connected, modelFolder, &diagnostic)) return true;
  SetStatusText("Could not connect to database server...");
  if (DriverKindOf(connected.driver) == TDriverKind::SqlServer) StartServiceManager();
  TNetworkSettings typed = connected;
  typed.dsn.clear();  // the dialog's values name the server; the driver stays as read
  if (DialogBoxParamA(GetModuleHandleA(nullptr), "DATABASECONNECTION", nullptr, DatabaseConnectionDlgProc,
                      reinterpret_cast<LPARAM>(&typed)) != 1)
    return false;
  if (!ProveWith(typed, modelFolder, &diagnostic)) {
    ShowConnectionError(diagnostic);
    return false;
  }
  OfferToSave(iniPath, typed);
  connected = typed;
  return true;
}

// Runs the creation scripts; tells the user when one could not be read or had errors.
void RunCreationScripts(const std::string& modelFolder) {
  const struct {
    const char* script;
    const char* log;
  } scripts[] = {{CREATE_TABLES_SCRIPT, CREATE_TABLES_LOG}, {USER_TABLES_SCRIPT, USER_TABLES_LOG}};
  std::string troubles;
  for (const auto& s : scripts) {
    std::string script = modelFolder + "\\" + s.script, log = modelFolder + "\\" + s.log;
    TScriptRun run = RunSqlScriptFile(nullptr, script.c_str(), log.c_str());
    if (!run.opened)
      troubles += Format("\n%s could not be read.", script.c_str());
    else if (run.failed > 0)
      troubles += Format("\n%d of the %d statements of %s failed: see %s.", run.failed, run.statements,
                         s.script, log.c_str());
  }
  if (troubles.empty()) return;
  std::string text = "The database " + connected.database + " was created, but not completely:\n" + troubles;
  ShowMessageBox(MainWindow, text.c_str(), "Database Created With Errors", MB_OK | MB_ICONEXCLAMATION);
}

// Reaches the database; offers to create it when it is missing.
bool ReachDatabase(const std::string& modelFolder) {
  TConnectPlan plan = PlanConnection(connected, modelFolder);
  std::string diagnostic;
  if (OpenDatabase(OdbcEnvironment, plan, &diagnostic)) return true;
  const char* server = connected.server.c_str();
  const char* database = connected.database.c_str();
  std::string question = Format(
      "You are connected to the database server %s, but the %s database does not exist!\n\n"
      "Would you like to create the database %s from the source script files?",
      server, database, database);
  if (AskQuestion(MainWindow, question.c_str(), "No database found", MB_YESNO | MB_ICONEXCLAMATION) != IDYES)
    return false;
  HoldMouse();
  bool created = CreateDatabase(OdbcEnvironment, plan, &diagnostic);
  ReleaseMouse();
  if (!created) {
    std::string text = Format(
        "Could not create the database %s on server %s!\n\nThe database server returned the following error:\n\n %s",
        database, server, diagnostic.c_str());
    ShowMessageBox(MainWindow, text.c_str(), "Could not create database", MB_OK | MB_ICONHAND);
    return false;
  }
  RunCreationScripts(modelFolder);
  return true;
}

// Windows 98 and Me know no trusted connections.
bool IsWindows9x() {
  DWORD version = GetVersion();
  return LOBYTE(LOWORD(version)) == 4 && HIBYTE(LOWORD(version)) != 0 && (version & 0x80000000u);
}

void EnableCredentials(HWND dialog, bool trusted) {
  EnableWindow(GetDlgItem(dialog, CONNECT_USER_ID), !trusted);
  EnableWindow(GetDlgItem(dialog, CONNECT_PASSWORD_ID), !trusted);
}

std::string DialogText(HWND dialog, int id) {
  char text[NETWORK_NAME_LIMIT + 1] = "";
  GetDlgItemTextA(dialog, id, text, sizeof text);
  return text;
}

}  // namespace

void (*StartServiceManager)() = OpenServiceManager;

const TNetworkSettings& ConnectedSettings() { return connected; }

void ReadConnectionSettings(const std::string& iniPath) {
  connected = ReadNetworkSettings(iniPath, TheModel.ModelName ? TheModel.ModelName : "",
                                  TheModel.DefaultUser ? TheModel.DefaultUser : "",
                                  TheModel.DefaultPassword ? TheModel.DefaultPassword : "");
}

bool OpenApplicationDatabase(const std::string& iniPath, const std::string& modelFolder) {
  delete OdbcEnvironment;
  OdbcEnvironment = new TOdbcEnv;
  ReadConnectionSettings(iniPath);
  if (!ReachServer(iniPath, modelFolder)) return false;
  snprintf(DatabaseName, sizeof DatabaseName, "%s", connected.database.c_str());
  return ReachDatabase(modelFolder);
}

INT_PTR CALLBACK DatabaseConnectionDlgProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG: {
      SetWindowLongPtrA(window, DWLP_USER, lParam);
      auto* settings = reinterpret_cast<TNetworkSettings*>(lParam);
      for (int id : {CONNECT_SERVER_ID, CONNECT_USER_ID, CONNECT_PASSWORD_ID})
        SendDlgItemMessageA(window, id, EM_LIMITTEXT, NETWORK_NAME_LIMIT, 0);
      SetDlgItemTextA(window, CONNECT_SERVER_ID, "(local)");
      SetDlgItemTextA(window, CONNECT_USER_ID, settings->user.c_str());
      SetDlgItemTextA(window, CONNECT_PASSWORD_ID, "");
      bool trustedPossible = !IsWindows9x();
      CheckDlgButton(window, CONNECT_TRUSTED_ID, trustedPossible ? BST_CHECKED : BST_UNCHECKED);
      EnableWindow(GetDlgItem(window, CONNECT_TRUSTED_ID), trustedPossible);
      EnableCredentials(window, trustedPossible);
      HWND server = GetDlgItem(window, CONNECT_SERVER_ID);
      SetFocus(server);
      SendMessageA(server, EM_SETSEL, 0, -1);
      return FALSE;
    }
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case CONNECT_TRUSTED_ID:
          EnableCredentials(window, IsDlgButtonChecked(window, CONNECT_TRUSTED_ID) == BST_CHECKED);
          return TRUE;
        case IDOK: {
          auto* settings = reinterpret_cast<TNetworkSettings*>(GetWindowLongPtrA(window, DWLP_USER));
          settings->server = DialogText(window, CONNECT_SERVER_ID);
          if (settings->server.empty()) settings->server = "(local)";
          settings->user = DialogText(window, CONNECT_USER_ID);
          settings->password = DialogText(window, CONNECT_PASSWORD_ID);
          settings->trusted = IsDlgButtonChecked(window, CONNECT_TRUSTED_ID) == BST_CHECKED;
          EndDialog(window, 1);
          return TRUE;
        }
        case IDCANCEL: EndDialog(window, 0); return TRUE;
      }
      return FALSE;
    case WM_CTLCOLORSTATIC:
      return HandleCtlColor(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
  }
  return FALSE;
}

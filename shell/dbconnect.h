// The database step of start-up: the one ODBC environment, proving the server with the
// [Network] settings (once more with the values of the connection dialog when it cannot
// be reached), switching to the application database and, when it is missing and the
// user agrees, creating it from the delivered scripts.
#pragma once

#include <windows.h>

#include <string>

#include "data/db/connectstrings.h"

// The scripts that make a new database and their logs, in the model folder.
constexpr const char* CREATE_TABLES_SCRIPT = "vorn.sql";
constexpr const char* CREATE_TABLES_LOG = "vorn.log";
constexpr const char* USER_TABLES_SCRIPT = "utables.sql";
constexpr const char* USER_TABLES_LOG = "utables.log";

// Creates OdbcEnvironment (replacing one made before), reaches the server and the
// database named in [Network] of the INI file (DatabaseName is set to it) and creates a
// missing one when the user agrees. True when the program can go on; false when it must
// end: the user cancelled or said No, or was told why it cannot go on. The environment
// then remembers the database's connection for every later operation.
bool OpenApplicationDatabase(const std::string& iniPath, const std::string& modelFolder);

// The [Network] settings the program connected with ("Connected to: %s-%s").
const TNetworkSettings& ConnectedSettings();
// The first step of connecting: the settings to connect with, read from [Network] of the
// application INI with the model's defaults (the connection dialog may correct them).
void ReadConnectionSettings(const std::string& iniPath);

// Starts the SQL Server service manager, so that the user can start the server after a
// failed connect (ShellExecute "open" "sqlmangr", maximised). Tests put their own in.
extern void (*StartServiceManager)();

// The connection dialog (DATABASECONNECTION): lParam is the TNetworkSettings it fills on
// OK (server, user name, password, trusted connection). Ends with 1 on OK, 0 on Cancel.
INT_PTR CALLBACK DatabaseConnectionDlgProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

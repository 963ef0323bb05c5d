// The maintenance wizard: control ids, the values of one backup or restore run, and the
// functions its dialog and its worker share.
#pragma once

#include <windows.h>

#include <string>

// Controls of "MainDialog".
constexpr int IDC_BACKUP = 1000;
constexpr int IDC_RESTORE = 1001;
constexpr int IDC_DATABASE_NAME = 1002;
constexpr int IDC_BACKUP_PATH = 1003;
constexpr int IDC_SELECT = 1004;
constexpr int IDC_DATABASE_LABEL = 1005;
constexpr int IDC_PATH_LABEL = 1006;
constexpr int IDC_USER_LABEL = 1007;
constexpr int IDC_LOG = 1008;
constexpr int IDC_PIN = 1009;
constexpr int IDC_PIN_LABEL = 1020;
constexpr int IDC_USER = 1021;
constexpr int IDC_PASSWORD_LABEL = 1022;
constexpr int IDC_PASSWORD = 1023;
// Keypad keys 1010 to 1019; each key's digit is its caption.
constexpr int IDC_FIRST_KEY = 1010;
constexpr int IDC_LAST_KEY = 1019;

// Sizes of the program-wide values, terminator included.
constexpr int DATABASE_NAME_SIZE = 128;
constexpr int CREDENTIAL_SIZE = 32;
constexpr int BACKUP_PATH_SIZE = 1024;

// Messages of the dialog: log lines from the worker (lParam: a std::string the dialog
// deletes), and the end of a run (wParam: 1 when it succeeded).
constexpr UINT WM_KEEPSAKE_LOG = WM_APP + 1;
constexpr UINT WM_KEEPSAKE_RUN_ENDED = WM_APP + 2;

constexpr const char* WIZARD_CAPTION = "DB Maintenance Wizard";

// Everything one run works on: its own copy, taken when Proceed is pressed.
struct TRun {
  HWND dialog = nullptr;
  bool backup = true;
  std::string iniPath;
  std::string database;
  std::string user;
  std::string password;
  std::string path;  // absolute
};

// The INI path of the command line: without its quotes and surrounding blanks, made
// absolute against the current folder.
std::string IniPathFromCommandLine(const char* commandLine);
// The backup path as typed, made absolute: a path starting with '\' or with a drive
// letter and ':' stays as it is, any other goes under the current folder.
std::string AbsoluteBackupPath(const char* typed, const char* currentFolder);

// Whether a path names a device (NUL, CON, COM1, ... in any of its parts, with any
// extension, or a path of the device namespace) where a backup file is meant.
bool NamesDevice(const std::string& path);
// Whether a schema text of a backup file is one CREATE statement of the given type
// ("table", "index", "view", "trigger") for the object of that name and nothing more:
// restoring runs it, so a second statement after it, or an object of another schema,
// would run or be made too.
bool IsOneCreateStatement(const std::string& sql, const std::string& type, const std::string& name);

// Appends one line to the log pane of the dialog (from any thread).
void LogMessage(const char* format, ...);
// Appends lines at once, separated by "\r\n" (from any thread).
void LogLines(const std::string& lines);
// The log pane's window is the dialog's control IDC_LOG.
void SetLogDialog(HWND dialog);

// Starts the worker of one run, which owns it from then on and posts
// WM_KEEPSAKE_RUN_ENDED at its end; false (run deleted, failure logged) when no
// thread could be started.
bool StartBackupRestoreThread(TRun* run);

// The connect string of the database the INI's [Network] section names, with the user
// name and password of the run in place of the INI's; false with the reason when the
// settings cannot make one.
bool DatabaseConnectString(const TRun& run, std::string& connectString, std::string& error);

INT_PTR CALLBACK MainDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

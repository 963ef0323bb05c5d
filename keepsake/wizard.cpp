// The wizard's start and its dialog: the INI values, the PIN keypad, the choice of the
// backup file, Proceed and the log pane.
#include <windows.h>

#include <commdlg.h>
#include <objbase.h>

#include <cctype>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "forms/accesspin.h"
#include "forms/openfilename.h"
#include "keepsake/keepsake.h"

namespace {

// Program-wide values, read once at start.
std::string iniPath;
char databaseName[DATABASE_NAME_SIZE] = "";
char userName[CREDENTIAL_SIZE] = "";
char password[CREDENTIAL_SIZE] = "";
char backupPath[BACKUP_PATH_SIZE] = "";

HWND logDialog = nullptr;
HFONT smallFont = nullptr;
bool running = false;

// The log pane keeps at most this much text; older lines go first.
constexpr int LOG_KEEP = 60000;

const char BACKUP_FILTER[] = "SQL Backup Dump Files (*.dmp)|*.dmp|All Files (*.*)|*.*||";

void AppendToLogPane(const char* text) {
  HWND pane = GetDlgItem(logDialog, IDC_LOG);
  if (!pane) return;
  int length = GetWindowTextLengthA(pane);
  if (length > LOG_KEEP) {
    // Drop whole lines from the start until half the bound is left.
    std::string all(length + 1, '\0');
    GetWindowTextA(pane, &all[0], length + 1);
    size_t cut = all.find('\n', length - LOG_KEEP / 2);
    if (cut != std::string::npos) {
      SendMessageA(pane, EM_SETSEL, 0, cut + 1);
      SendMessageA(pane, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(""));
      length = GetWindowTextLengthA(pane);
    }
  }
  std::string line = length > 0 ? "\r\n" : "";
  line += text;
  SendMessageA(pane, EM_SETSEL, length, length);
  SendMessageA(pane, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(line.c_str()));
  SendMessageA(pane, EM_SCROLLCARET, 0, 0);
}

void ClearLogPane() { SetDlgItemTextA(logDialog, IDC_LOG, ""); }

bool IsBackupChecked(HWND dialog) { return IsDlgButtonChecked(dialog, IDC_BACKUP) == BST_CHECKED; }

bool PinMatches(HWND dialog) {
  char text[8] = "";
  GetDlgItemTextA(dialog, IDC_PIN, text, sizeof text);
  return _stricmp(text, ACCESS_PIN) == 0;
}

// Proceed only while the PIN is right and no run is working; Cancel only while idle.
void UpdateButtons(HWND dialog) {
  EnableWindow(GetDlgItem(dialog, IDOK), !running && PinMatches(dialog));
  EnableWindow(GetDlgItem(dialog, IDCANCEL), !running);
}

void PressKey(HWND dialog, int id) {
  char text[8] = "";
  GetDlgItemTextA(dialog, IDC_PIN, text, sizeof text);
  size_t length = strlen(text);
  if (length < strlen(ACCESS_PIN)) {
    char caption[8] = "";
    GetDlgItemTextA(dialog, id, caption, sizeof caption);
    text[length] = caption[0];
    text[length + 1] = '\0';
    SetDlgItemTextA(dialog, IDC_PIN, text);
  }
  HWND pin = GetDlgItem(dialog, IDC_PIN);
  SetFocus(pin);
  SendMessageA(pin, EM_SETSEL, 0, -1);
}

HFONT CreateSmallFont(HWND dialog) {
  LOGFONTA font = {};
  HDC dc = GetDC(dialog);
  font.lfHeight = -(GetDeviceCaps(dc, LOGPIXELSY) * 7 / 72);
  ReleaseDC(dialog, dc);
  strcpy(font.lfFaceName, "Verdana");
  return CreateFontIndirectA(&font);
}

void InitDialog(HWND dialog) {
  logDialog = dialog;
  SetDlgItemTextA(dialog, IDC_DATABASE_NAME, databaseName);
  CheckRadioButton(dialog, IDC_BACKUP, IDC_RESTORE, IDC_BACKUP);
  snprintf(backupPath, sizeof backupPath, "%s_db.dmp", databaseName);
  SetDlgItemTextA(dialog, IDC_BACKUP_PATH, backupPath);
  SetDlgItemTextA(dialog, IDC_USER, userName);
  SetDlgItemTextA(dialog, IDC_PASSWORD, password);
  SendDlgItemMessageA(dialog, IDC_USER, EM_LIMITTEXT, CREDENTIAL_SIZE - 1, 0);
  SendDlgItemMessageA(dialog, IDC_PASSWORD, EM_LIMITTEXT, CREDENTIAL_SIZE - 1, 0);
  SendDlgItemMessageA(dialog, IDC_BACKUP_PATH, EM_LIMITTEXT, BACKUP_PATH_SIZE - 1, 0);
  SendDlgItemMessageA(dialog, IDC_PIN, EM_LIMITTEXT, strlen(ACCESS_PIN), 0);
  SendDlgItemMessageA(dialog, IDC_LOG, EM_LIMITTEXT, 0, 0);
  smallFont = CreateSmallFont(dialog);
  if (smallFont) {
    for (int id : {IDC_DATABASE_LABEL, IDC_PATH_LABEL, IDC_PIN_LABEL, IDC_USER_LABEL, IDC_PASSWORD_LABEL, IDC_LOG})
      SendDlgItemMessageA(dialog, id, WM_SETFONT, reinterpret_cast<WPARAM>(smallFont), TRUE);
  }
  UpdateButtons(dialog);
}

void SelectBackupFile(HWND dialog) {
  const bool backup = IsBackupChecked(dialog);
  char file[OPEN_FILE_NAME_BUFFER] = "";
  GetDlgItemTextA(dialog, IDC_BACKUP_PATH, file, sizeof file);
  DWORD flags = OFN_HIDEREADONLY | OFN_PATHMUSTEXIST | (backup ? 0 : OFN_FILEMUSTEXIST);
  OPENFILENAMEA* record = MakeOpenFileName(dialog, BACKUP_FILTER, flags, file,
                                           backup ? "Select Backup file to create" : "Select Backup file to load");
  if (!record) return;
  BOOL chosen = backup ? GetSaveFileNameA(record) : GetOpenFileNameA(record);
  FreeOpenFileName(record);
  if (chosen) {
    for (char* c = file; *c; ++c) *c = static_cast<char>(tolower(static_cast<unsigned char>(*c)));
    SetDlgItemTextA(dialog, IDC_BACKUP_PATH, file);
    return;
  }
  DWORD error = CommDlgExtendedError();
  if (error != 0) {
    char text[64];
    snprintf(text, sizeof text, "Error %ld returned", static_cast<long>(error));
    MessageBoxA(dialog, text, "WARNING", MB_OK | MB_ICONERROR);
  }
}

void Proceed(HWND dialog) {
  if (running || !PinMatches(dialog)) return;
  running = true;
  UpdateButtons(dialog);
  ClearLogPane();

  auto* run = new TRun;
  run->dialog = dialog;
  run->backup = IsBackupChecked(dialog);
  run->iniPath = iniPath;
  run->database = databaseName;
  char typed[BACKUP_PATH_SIZE] = "";
  GetDlgItemTextA(dialog, IDC_BACKUP_PATH, typed, sizeof typed);
  char folder[MAX_PATH] = "";
  GetCurrentDirectoryA(sizeof folder, folder);
  run->path = AbsoluteBackupPath(typed, folder);
  snprintf(backupPath, sizeof backupPath, "%s", run->path.c_str());
  char text[CREDENTIAL_SIZE] = "";
  GetDlgItemTextA(dialog, IDC_USER, text, sizeof text);
  run->user = text;
  GetDlgItemTextA(dialog, IDC_PASSWORD, text, sizeof text);
  run->password = text;

  if (run->backup)
    LogMessage("Performing a Backup of database %s to the disk file %s.", run->database.c_str(), run->path.c_str());
  else
    LogMessage("Performing a Restore of database %s from the disk file %s.", run->database.c_str(), run->path.c_str());
  LogMessage("Sending the SQL...");
  const bool backup = run->backup;
  if (!StartBackupRestoreThread(run)) {
    LogMessage("execSQL failed.");
    LogMessage(backup ? "Backup failed." : "Restore failed.");
    running = false;
    UpdateButtons(dialog);
  }
}

// Closing waits for the end of a running backup or restore: cutting one off could
// leave a half-written database.
void Close(HWND dialog) {
  if (running) {
    MessageBeep(MB_ICONEXCLAMATION);
    return;
  }
  PostQuitMessage(0);
  DestroyWindow(dialog);
}

}  // namespace

std::string IniPathFromCommandLine(const char* commandLine) {
  std::string path = commandLine ? commandLine : "";
  auto isBlank = [](char c) { return c == ' ' || c == '\t'; };
  while (!path.empty() && isBlank(path.back())) path.pop_back();
  size_t start = 0;
  while (start < path.size() && isBlank(path[start])) ++start;
  path.erase(0, start);
  if (path.size() >= 2 && path.front() == '"' && path.back() == '"') path = path.substr(1, path.size() - 2);
  if (path.empty()) return path;
  char full[MAX_PATH * 2];
  DWORD n = GetFullPathNameA(path.c_str(), sizeof full, full, nullptr);
  return n > 0 && n < sizeof full ? std::string(full) : path;
}

std::string AbsoluteBackupPath(const char* typed, const char* currentFolder) {
  if (typed[0] == '\\' || (typed[0] && typed[1] == ':')) return typed;
  std::string path = currentFolder;
  if (path.empty() || path.back() != '\\') path += '\\';
  return path + typed;
}

void SetLogDialog(HWND dialog) { logDialog = dialog; }

void LogMessage(const char* format, ...) {
  char text[2048];
  va_list args;
  va_start(args, format);
  vsnprintf(text, sizeof text, format, args);
  va_end(args);
  // One line each: the trailing line breaks some messages carry add nothing.
  size_t n = strlen(text);
  while (n > 0 && (text[n - 1] == '\n' || text[n - 1] == '\r')) text[--n] = '\0';
  LogLines(text);
}

void LogLines(const std::string& lines) {
  if (!logDialog) return;
  if (GetWindowThreadProcessId(logDialog, nullptr) == GetCurrentThreadId()) {
    AppendToLogPane(lines.c_str());
    return;
  }
  // Posted, so the worker goes on while the pane is painted; the dialog frees the copy.
  // Only a full queue refuses it: then the worker waits for the dialog.
  auto* copy = new std::string(lines);
  if (!PostMessageA(logDialog, WM_KEEPSAKE_LOG, 0, reinterpret_cast<LPARAM>(copy)))
    SendMessageA(logDialog, WM_KEEPSAKE_LOG, 0, reinterpret_cast<LPARAM>(copy));
}

INT_PTR CALLBACK MainDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      InitDialog(dialog);
      return TRUE;
    case WM_COMMAND: {
      const int id = LOWORD(wParam);
      const int code = HIWORD(wParam);
      if (id >= IDC_FIRST_KEY && id <= IDC_LAST_KEY && code == BN_CLICKED) {
        PressKey(dialog, id);
        return TRUE;
      }
      switch (id) {
        case IDC_PIN:
          if (code == EN_CHANGE) UpdateButtons(dialog);
          return TRUE;
        case IDC_SELECT:
          SelectBackupFile(dialog);
          return TRUE;
        case IDOK:
          Proceed(dialog);
          return TRUE;
        case IDCANCEL:
          Close(dialog);
          return TRUE;
      }
      return FALSE;
    }
    case WM_KEEPSAKE_LOG: {
      std::unique_ptr<std::string> lines(reinterpret_cast<std::string*>(lParam));
      AppendToLogPane(lines->c_str());
      return TRUE;
    }
    case WM_KEEPSAKE_RUN_ENDED:
      running = false;
      UpdateButtons(dialog);
      return TRUE;
    case WM_CLOSE:
      Close(dialog);
      return TRUE;
    case WM_DESTROY:
      if (smallFont) DeleteObject(smallFont);
      smallFont = nullptr;
      logDialog = nullptr;
      return FALSE;
  }
  return FALSE;
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int) {
  iniPath = IniPathFromCommandLine(commandLine);
  GetPrivateProfileStringA("Network", "Database", "", databaseName, sizeof databaseName, iniPath.c_str());
  if (!databaseName[0]) {
    char text[MAX_PATH * 2 + 64];
    snprintf(text, sizeof text, "No database name specified in the file %s!", iniPath.c_str());
    MessageBoxA(nullptr, text, WIZARD_CAPTION, MB_OK | MB_ICONERROR);
    return 1;
  }
  GetPrivateProfileStringA("Network", "Username", "", userName, sizeof userName, iniPath.c_str());
  GetPrivateProfileStringA("Network", "Password", "", password, sizeof password, iniPath.c_str());
  HRESULT result = CoInitializeEx(nullptr, 0);
  if (FAILED(result)) {
    char text[64];
    snprintf(text, sizeof text, "Coinit fails: x%lX\n", static_cast<unsigned long>(result));
    MessageBoxA(nullptr, text, WIZARD_CAPTION, MB_OK | MB_ICONERROR);
    return 1;
  }
  HWND dialog = CreateDialogParamA(instance, "MainDialog", nullptr, MainDialogProc, 0);
  if (dialog) {
    ShowWindow(dialog, SW_SHOW);
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
      if (!IsDialogMessageA(dialog, &msg)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
      }
    }
  }
  CoUninitialize();
  return 0;
}

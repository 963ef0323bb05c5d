// The database page: server, connection settings, and the offer to install a local engine.
#include "install/selectdatabase.h"

#include "install/installids.h"
#include "install/messagepump.h"
#include "install/pages.h"
#include "install/setupscript.h"
#include "install/systemcalls.h"

#include <cstdio>
#include <cstring>

TDatabaseChoice DatabaseChoice;

namespace {

bool DefaultInstanceInstalled() {
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Microsoft SQL Server", 0, KEY_READ, &key) != ERROR_SUCCESS)
    return false;
  char instances[1024] = "";
  DWORD size = sizeof instances - 2;
  DWORD type = 0;
  LONG status = RegQueryValueExA(key, "InstalledInstances", nullptr, &type, reinterpret_cast<BYTE*>(instances), &size);
  RegCloseKey(key);
  if (status != ERROR_SUCCESS || (type != REG_MULTI_SZ && type != REG_SZ)) return false;
  instances[size < sizeof instances - 2 ? size : sizeof instances - 2] = '\0';
  return _stricmp(instances, "MSSQLSERVER") == 0;
}

bool IsWindows9x() {
  OSVERSIONINFOA version{};
  version.dwOSVersionInfoSize = sizeof version;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
  GetVersionExA(&version);
#pragma GCC diagnostic pop
  return version.dwMajorVersion == 4 && version.dwMinorVersion != 0;
}

void UpdateEnabling(HWND dialog) {
  bool other = IsDlgButtonChecked(dialog, IDC_OTHER_MACHINE) == BST_CHECKED;
  EnableWindow(GetDlgItem(dialog, IDC_SERVER_NAME), other);
  bool trusted = IsDlgButtonChecked(dialog, IDC_TRUSTED) == BST_CHECKED;
  EnableWindow(GetDlgItem(dialog, IDC_DB_USER), !trusted);
  EnableWindow(GetDlgItem(dialog, IDC_DB_PASSWORD), !trusted);
}

void InitDialog(HWND dialog) {
  DatabaseChoice = TDatabaseChoice{};
  DatabaseChoice.localInstances = DefaultInstanceInstalled() ? 1 : 0;
  char computer[MAX_COMPUTERNAME_LENGTH + 1] = "";
  DWORD size = sizeof computer;
  GetComputerNameA(computer, &size);
  char caption[256];
  std::snprintf(caption, sizeof caption, "This machine (%s)%s", computer,
                DatabaseChoice.localInstances ? " (Instance Detected)" : " (Installation Required)");
  SetDlgItemTextA(dialog, IDC_THIS_MACHINE, caption);
  CheckRadioButton(dialog, IDC_THIS_MACHINE, IDC_OTHER_MACHINE, IDC_THIS_MACHINE);
  CheckDlgButton(dialog, IDC_TRUSTED, IsWindows9x() ? BST_UNCHECKED : BST_CHECKED);
  if (IsWindows9x()) EnableWindow(GetDlgItem(dialog, IDC_TRUSTED), FALSE);
  SetDlgItemTextA(dialog, IDC_DB_USER, "sa");
  SendDlgItemMessageA(dialog, IDC_DB_USER, EM_LIMITTEXT, 31, 0);
  UpdateEnabling(dialog);
}

void ShowStatus(HWND dialog, const char* text, int focus) {
  SetDlgItemTextA(dialog, IDC_DB_STATUS, text);
  if (focus) SetFocus(GetDlgItem(dialog, focus));
}

// Runs the engine's installer and tells how it went; the choice of server stands either way.
void InstallEngine(HWND dialog) {
  EnableWindow(GetDlgItem(dialog, IDOK), FALSE);
  ShowStatus(dialog, "Please Wait - Installing Microsoft Data Engine...", 0);
  PumpPendingMessages();
  TProgramRun run = RunEngineInstaller(Installer.setupFolder);
  char text[200];
  switch (run.outcome) {
    case TProgramOutcome::NotStarted:
      MessageBoxA(dialog, "Could not run the MSDE installation file.", "Setup script error!", MB_OK | MB_ICONHAND);
      ShowStatus(dialog, "The data engine was not installed.", 0);
      break;
    case TProgramOutcome::TimedOut:
      MessageBoxA(dialog, "The Microsoft SQL Data Engine installation did not finish within two minutes.",
                  "Install MSDE", MB_OK | MB_ICONEXCLAMATION);
      ShowStatus(dialog, "The data engine installation did not finish.", 0);
      break;
    case TProgramOutcome::Finished:
      if (run.exitCode == 0) {
        ShowStatus(dialog, "Installation complete.", 0);
      } else {
        std::snprintf(text, sizeof text, "The Microsoft SQL Data Engine installation failed (exit code %lu).",
                      run.exitCode);
        MessageBoxA(dialog, text, "Install MSDE", MB_OK | MB_ICONEXCLAMATION);
        ShowStatus(dialog, text, 0);
      }
      break;
  }
}

void OnOk(HWND dialog) {
  char text[256] = "";
  std::string server = "(local)";
  if (IsDlgButtonChecked(dialog, IDC_OTHER_MACHINE) == BST_CHECKED) {
    GetDlgItemTextA(dialog, IDC_SERVER_NAME, text, sizeof text);
    server = text;
    if (server.empty()) {
      ShowStatus(dialog, "Please enter the Computer Name of the machine you would like to connect to.", IDC_SERVER_NAME);
      return;
    }
  }
  bool trusted = IsDlgButtonChecked(dialog, IDC_TRUSTED) == BST_CHECKED;
  std::string user, password;
  if (!trusted) {
    GetDlgItemTextA(dialog, IDC_DB_USER, text, 32);
    user = text;
    if (user.empty()) {
      ShowStatus(dialog, "A username is required to connect to the database (Default = sa).", IDC_DB_USER);
      return;
    }
    GetDlgItemTextA(dialog, IDC_DB_PASSWORD, text, sizeof text);
    password = text;
  }
  DatabaseChoice.server = server;
  DatabaseChoice.trusted = trusted;
  DatabaseChoice.user = user;
  DatabaseChoice.password = password;
  if (server == "(local)" && DatabaseChoice.localInstances == 0 &&
      MessageBoxA(dialog, "Do you want to install a copy of the Microsoft SQL Data Engine?", "Install MSDE",
                  MB_YESNO | MB_ICONQUESTION) == IDYES)
    InstallEngine(dialog);
  EndDialog(dialog, 1);
}

}  // namespace

INT_PTR CALLBACK SelectDatabaseDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      InitDialog(dialog);
      return TRUE;
    case WM_CTLCOLORSTATIC:
      return ColorStaticControl(wParam, lParam);
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case IDC_THIS_MACHINE:
        case IDC_OTHER_MACHINE:
        case IDC_TRUSTED:
          UpdateEnabling(dialog);
          return TRUE;
        case IDOK:
          OnOk(dialog);
          return TRUE;
        case IDCANCEL:
          EndDialog(dialog, 0);
          return TRUE;
      }
      break;
  }
  return FALSE;
}

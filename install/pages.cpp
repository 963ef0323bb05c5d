// The licence, readme and welcome pages, the restart question and the pages' colours.
#include "install/pages.h"

#include "install/installids.h"
#include "install/installrun.h"
#include "install/setupscript.h"
#include "install/systemcalls.h"

#include <shlobj.h>

#include <cstdio>
#include <string>

HBRUSH PaleYellowBrush = nullptr;

namespace {

HWND LicensePage = nullptr;
HWND ReadmePage = nullptr;
HWND WelcomePage = nullptr;
HWND Backdrop = nullptr;

// The welcome page's run: Proceed is ignored while it goes, Cancel asks it to stop.
bool Running = false;
volatile bool CancelRequested = false;
bool CloseAfterRun = false;

HWND OpenPage(const char* name, DLGPROC procedure) {
  HWND page = CreateDialogParamA(GetModuleHandleA(nullptr), name, Backdrop, procedure, 0);
  if (page) {
    ShowWindow(page, SW_SHOW);
    EnableWindow(page, TRUE);
    SetForegroundWindow(page);
  }
  return page;
}

HWND OpenPageAfter(const char* current) {
  std::string name = current;
  if (name == "LicenseAgreement" && !Installer.readmeFile.empty())
    return ReadmePage = OpenPage("Readme", ReadmeDlgProc);
  return WelcomePage = OpenPage("Welcome", WelcomeDlgProc);
}

void ClosePage(HWND& page) {
  HWND closing = page;
  page = nullptr;
  if (closing) DestroyWindow(closing);
}

// Closing a page by Cancel or Finish ends the program.
void EndProgram(HWND& page) {
  ClosePage(page);
  PostQuitMessage(0);
}

// The buttons of the licence and readme pages: OK opens the page after this one and closes
// it, Cancel ends the program. False for any other command.
bool NextOrCancel(int id, const char* name, HWND& page) {
  if (id == IDOK) {
    OpenPageAfter(name);
    ClosePage(page);
    return true;
  }
  if (id == IDCANCEL) {
    EndProgram(page);
    return true;
  }
  return false;
}

void FormatItem(HWND dialog, int id, const char* format) {
  char text[512];
  std::snprintf(text, sizeof text, format, Installer.appName.c_str());
  SetDlgItemTextA(dialog, id, text);
}

// Up to 8192 bytes of a text file of the setup folder; line ends made CR LF for the edit.
std::string ReadPageText(const std::string& file) {
  std::string path = JoinPath(Installer.setupFolder, file);
  if (file.size() > 1 && file[1] == ':') path = file;
  FILE* in = std::fopen(path.c_str(), "rb");
  if (!in) return "";
  char buffer[8193];
  size_t got = std::fread(buffer, 1, 8192, in);
  std::fclose(in);
  std::string text;
  for (size_t i = 0; i < got; ++i) {
    if (buffer[i] == '\n' && (i == 0 || buffer[i - 1] != '\r')) text += '\r';
    if (buffer[i] == '\0') break;
    text += buffer[i];
  }
  return text;
}

bool ExistingInstallation(HWND page) {
  char directory[1025] = "";
  GetDlgItemTextA(page, IDC_INSTALL_DIR, directory, 1024);
  if (Installer.checkFile.empty()) return false;
  return GetFileAttributesA(JoinPath(directory, Installer.checkFile).c_str()) != INVALID_FILE_ATTRIBUTES;
}

void ShowExistingInstallation(HWND page) {
  bool found = ExistingInstallation(page);
  SetDlgItemTextA(page, IDC_EXISTING, found ? "Existing Installation found." : "");
  CheckDlgButton(page, IDC_SHORTCUT, found ? BST_UNCHECKED : BST_CHECKED);
}

void BrowseForDirectory(HWND page) {
  char title[512];
  std::snprintf(title, sizeof title, "Select the directory to install %s", Installer.appName.c_str());
  char chosen[MAX_PATH] = "";
  BROWSEINFOA browse{};
  browse.hwndOwner = page;
  browse.pszDisplayName = chosen;
  browse.lpszTitle = title;
  browse.ulFlags = BIF_RETURNONLYFSDIRS;
  LPITEMIDLIST item = SHBrowseForFolderA(&browse);
  if (!item) return;
  if (SHGetPathFromIDListA(item, chosen)) SetDlgItemTextA(page, IDC_INSTALL_DIR, chosen);
  CoTaskMemFree(item);
}

void InitWelcome(HWND page) {
  FormatItem(page, IDC_TITLE, "Welcome to the %s installation program.");
  FormatItem(page, IDC_DIR_LABEL, "Directory to install %s:");
  char directory[1025] = "";
  GetProfileStringA(Installer.appName.c_str(), "Installation Directory", Installer.directory.c_str(), directory,
                    sizeof directory);
  SetDlgItemTextA(page, IDC_INSTALL_DIR, directory);
  SendDlgItemMessageA(page, IDC_INSTALL_DIR, EM_LIMITTEXT, 1024, 0);
  ShowExistingInstallation(page);
}

void EnableDuringRun(HWND page, bool enable) {
  for (int id : {IDOK, IDC_INSTALL_DIR, IDC_BROWSE, IDC_SHORTCUT}) EnableWindow(GetDlgItem(page, id), enable);
}

void Proceed(HWND page) {
  char caption[32] = "";
  GetDlgItemTextA(page, IDOK, caption, sizeof caption);
  if (std::string(caption) == "Finish") {
    if (Installer.reboot &&
        DialogBoxParamA(GetModuleHandleA(nullptr), "REBOOT", page, RebootDlgProc, 0) == 1)
      RestartWindows();
    EndProgram(WelcomePage);
    return;
  }
  Running = true;
  CancelRequested = false;
  EnableDuringRun(page, false);
  TRunOutcome outcome = RunInstallation(page, &CancelRequested);
  Running = false;
  EnableDuringRun(page, true);
  if (outcome == TRunOutcome::Complete) {
    EnableWindow(GetDlgItem(page, IDC_INSTALL_DIR), FALSE);
    EnableWindow(GetDlgItem(page, IDC_BROWSE), FALSE);
    EnableWindow(GetDlgItem(page, IDC_SHORTCUT), FALSE);
    SetFocus(GetDlgItem(page, IDOK));
  }
  if (CloseAfterRun) EndProgram(WelcomePage);
}

}  // namespace

INT_PTR ColorStaticControl(WPARAM dcParam, LPARAM controlParam) {
  HDC dc = reinterpret_cast<HDC>(dcParam);
  HWND control = reinterpret_cast<HWND>(controlParam);
  int id = GetDlgCtrlID(control);
  if (id == IDC_EXISTING || id == IDC_DB_STATUS) {
    SetTextColor(dc, RGB(0xC0, 0, 0));
    SetBkMode(dc, TRANSPARENT);
    return reinterpret_cast<INT_PTR>(GetStockObject(NULL_BRUSH));
  }
  char className[16] = "";
  GetClassNameA(control, className, sizeof className);
  if (_stricmp(className, "Edit") == 0 && (GetWindowLongA(control, GWL_STYLE) & ES_READONLY)) {
    SetBkColor(dc, RGB(0xFF, 0xFF, 0x80));
    return reinterpret_cast<INT_PTR>(PaleYellowBrush);
  }
  return 0;
}

HWND OpenFirstPage(HWND backdrop) {
  Backdrop = backdrop;
  if (!Installer.licenseFile.empty()) return LicensePage = OpenPage("LicenseAgreement", LicenseDlgProc);
  if (!Installer.readmeFile.empty()) return ReadmePage = OpenPage("Readme", ReadmeDlgProc);
  return WelcomePage = OpenPage("Welcome", WelcomeDlgProc);
}

void BringPagesToFront() {
  for (HWND page : {LicensePage, ReadmePage, WelcomePage})
    if (page) SetWindowPos(page, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void DestroyPages() {
  ClosePage(LicensePage);
  ClosePage(ReadmePage);
  // A page whose run is going is closed by the run when it has stopped.
  if (Running) {
    CancelRequested = true;
    CloseAfterRun = true;
    return;
  }
  ClosePage(WelcomePage);
}

INT_PTR CALLBACK LicenseDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      FormatItem(dialog, IDC_TITLE, "Welcome to the %s installation program.");
      SetDlgItemTextA(dialog, IDC_LICENSE_TEXT, ReadPageText(Installer.licenseFile).c_str());
      CheckRadioButton(dialog, IDC_ACCEPT, IDC_DECLINE, IDC_ACCEPT);
      return TRUE;
    case WM_CTLCOLORSTATIC:
      if (GetDlgCtrlID(reinterpret_cast<HWND>(lParam)) == IDC_LICENSE_TEXT) {
        SetBkColor(reinterpret_cast<HDC>(wParam), RGB(255, 255, 255));
        return reinterpret_cast<INT_PTR>(GetStockObject(WHITE_BRUSH));
      }
      return ColorStaticControl(wParam, lParam);
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case IDC_ACCEPT: EnableWindow(GetDlgItem(dialog, IDOK), TRUE); return TRUE;
        case IDC_DECLINE: EnableWindow(GetDlgItem(dialog, IDOK), FALSE); return TRUE;
        case IDOK:
          if (IsDlgButtonChecked(dialog, IDC_ACCEPT) != BST_CHECKED) return TRUE;
          break;
      }
      if (NextOrCancel(LOWORD(wParam), "LicenseAgreement", LicensePage)) return TRUE;
      break;
  }
  return FALSE;
}

INT_PTR CALLBACK ReadmeDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      FormatItem(dialog, IDC_TITLE, "Welcome to the %s installation program.");
      SetDlgItemTextA(dialog, IDC_README_TEXT, ReadPageText(Installer.readmeFile).c_str());
      return TRUE;
    case WM_CTLCOLORSTATIC:
      return ColorStaticControl(wParam, lParam);
    case WM_COMMAND:
      if (NextOrCancel(LOWORD(wParam), "Readme", ReadmePage)) return TRUE;
      break;
  }
  return FALSE;
}

INT_PTR CALLBACK WelcomeDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      InitWelcome(dialog);
      return TRUE;
    case WM_CTLCOLORSTATIC:
      return ColorStaticControl(wParam, lParam);
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case IDC_INSTALL_DIR:
          if (HIWORD(wParam) == EN_CHANGE && !Running) ShowExistingInstallation(dialog);
          return TRUE;
        case IDC_BROWSE:
          if (!Running) BrowseForDirectory(dialog);
          return TRUE;
        case IDOK:
          if (!Running) Proceed(dialog);
          return TRUE;
        case IDCANCEL:
          if (Running) {
            CancelRequested = true;
            CloseAfterRun = true;
            SetDlgItemTextA(dialog, IDC_STATUS, "Cancelling after the current step...");
          } else {
            EndProgram(WelcomePage);
          }
          return TRUE;
      }
      break;
  }
  return FALSE;
}

INT_PTR CALLBACK RebootDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG: return TRUE;
    case WM_COMMAND:
      if (LOWORD(wParam) == IDYES) EndDialog(dialog, 1);
      if (LOWORD(wParam) == IDNO || LOWORD(wParam) == IDCANCEL) EndDialog(dialog, 0);
      return TRUE;
  }
  return FALSE;
}

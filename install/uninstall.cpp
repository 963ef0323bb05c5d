// The uninstaller's dialog, its reading of the install log and the removal.
#include "install/uninstall.h"

#include "install/installids.h"
#include "install/installlog.h"
#include "install/messagepump.h"
#include "install/pages.h"
#include "install/registry.h"
#include "install/setupscript.h"
#include "install/systemcalls.h"

#include <commctrl.h>
#include <shlobj.h>

#include <cstdio>
#include <cstring>

namespace {

std::string LogPath;
std::string AppName;
std::vector<TUninstallEntry> Entries;
bool LogWasRead = false;
bool Removing = false;

void TrimRight(std::string& text) {
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r' || text.back() == '\n'))
    text.pop_back();
}

bool IsInside(const std::string& path, const std::string& folder) {
  if (folder.empty() || path.size() <= folder.size() + 1) return false;
  if (_strnicmp(path.c_str(), folder.c_str(), folder.size()) != 0) return false;
  return path[folder.size()] == '\\' || folder.back() == '\\';
}

bool IsAbsolute(const std::string& path) { return path.size() > 2 && path[1] == ':' && path[2] == '\\'; }

// An absolute path that names its place plainly: no "..", no '/'.
bool IsPlainAbsolute(const std::string& path) {
  return IsAbsolute(path) && path.find("..") == std::string::npos && path.find('/') == std::string::npos;
}

std::string WithoutTrailingBackslash(std::string path) {
  while (path.size() > 3 && path.back() == '\\') path.pop_back();
  return path;
}

std::string DesktopFolder() {
  char desktop[MAX_PATH] = "";
  SHGetSpecialFolderPathA(nullptr, desktop, CSIDL_DESKTOPDIRECTORY, FALSE);
  return desktop;
}

// Undoes one line of the log; false when it was left alone because it lies outside the
// installation folder.
bool RemoveEntry(const TUninstallEntry& entry, const std::string& installFolder, const std::string& desktop) {
  switch (entry.type) {
    case 0:
      if (!MayRemoveFile(entry, installFolder, desktop)) return false;
      SetFileAttributesA(entry.path.c_str(), FILE_ATTRIBUTE_NORMAL);
      DeleteFileA(entry.path.c_str());
      break;
    case 2:
      if (!MayRemoveDirectory(entry.path, installFolder)) return false;
      RemoveDirectoryA(entry.path.c_str());
      break;
    case 6:
      if (!MayRemoveFile(entry, installFolder, "")) return false;
      if (RunRegsvr32("/u", entry.path).outcome == TProgramOutcome::NotStarted) {
        char text[1024];
        std::snprintf(text, sizeof text, "Could not run the external command 'regsvr32.exe /u %s'.", entry.path.c_str());
        MessageBoxA(nullptr, text, "Setup script error!", MB_OK);
      }
      break;
    case 7:
      // One value only: an empty key would remove the whole section.
      if (!entry.path.empty() && !entry.text.empty()) WriteProfileStringA(entry.path.c_str(), entry.text.c_str(), nullptr);
      break;
    default:
      break;  // type 1: files the installation deleted or unpacked stay as they are
  }
  return true;
}

std::string WindowsFolder() {
  char folder[MAX_PATH] = "";
  GetWindowsDirectoryA(folder, sizeof folder);
  return folder;
}

std::string SystemFolder() {
  char folder[MAX_PATH] = "";
  GetSystemDirectoryA(folder, sizeof folder);
  return folder;
}

// The closing box: what was done, and the paths left in place outside the folder.
constexpr size_t MAX_LISTED_PATHS = 20;

std::string ClosingText(const std::vector<std::string>& leftOutside, const std::string& installFolder) {
  std::string text = "Uninstall complete";
  if (leftOutside.empty()) return text;
  text += "\n\nLeft in place, outside the installation folder " + installFolder + ":";
  for (size_t i = 0; i < leftOutside.size() && i < MAX_LISTED_PATHS; ++i) text += "\n" + leftOutside[i];
  if (leftOutside.size() > MAX_LISTED_PATHS)
    text += "\n... and " + std::to_string(leftOutside.size() - MAX_LISTED_PATHS) + " more";
  return text;
}

// Ends the removal with a box and closes the dialog.
void FinishRemoval(HWND dialog, const std::string& text, UINT icon) {
  SetDlgItemTextA(dialog, IDC_STATUS, text.substr(0, text.find('\n')).c_str());
  MessageBoxA(dialog, text.c_str(), "Uninstall", MB_OK | icon);
  Removing = false;
  DestroyWindow(dialog);
}

void RemoveAll(HWND dialog) {
  Removing = true;
  EnableWindow(GetDlgItem(dialog, IDOK), FALSE);
  EnableWindow(GetDlgItem(dialog, IDCANCEL), FALSE);
  SendDlgItemMessageA(dialog, IDC_PROGRESS, PBM_SETRANGE, 0, MAKELPARAM(0, 100));
  SendDlgItemMessageA(dialog, IDC_PROGRESS, PBM_SETPOS, 0, 0);
  std::string installFolder = DirectoryPart(LogPath);
  if (!MayBeInstallationFolder(installFolder, WindowsFolder(), SystemFolder())) {
    FinishRemoval(dialog,
                  "Nothing was removed: the installation folder " + installFolder +
                      " of the log is a drive root, or is or holds the Windows or the system folder.",
                  MB_ICONEXCLAMATION);
    return;
  }
  if (!LogWasRead) {
    DeleteUninstallKey(AppName);
    FinishRemoval(dialog,
                  "The installation log " + LogPath +
                      " could not be read: nothing of the installation could be removed, only its Uninstall entry.",
                  MB_ICONEXCLAMATION);
    return;
  }
  std::string desktop = DesktopFolder();
  std::vector<std::string> leftOutside;
  size_t count = Entries.size();
  for (size_t done = 0; done < count; ++done) {
    PumpPendingMessages();
    char status[1024];
    std::snprintf(status, sizeof status, "Removing %s... (%d)", Entries[done].text.c_str(), Entries[done].type);
    SetDlgItemTextA(dialog, IDC_STATUS, status);
    if (!RemoveEntry(Entries[done], installFolder, desktop)) leftOutside.push_back(Entries[done].path);
    SendDlgItemMessageA(dialog, IDC_PROGRESS, PBM_SETPOS, static_cast<WPARAM>((done + 1) * 100 / count), 0);
  }
  SendDlgItemMessageA(dialog, IDC_PROGRESS, PBM_SETPOS, 100, 0);
  DeleteFileA(LogPath.c_str());
  RemoveDirectoryA(installFolder.c_str());
  DeleteUninstallKey(AppName);
  FinishRemoval(dialog, ClosingText(leftOutside, installFolder), MB_ICONINFORMATION);
}

}  // namespace

void ParseUninstallCommand(const std::string& commandLine, std::string& logPath, std::string& appName) {
  logPath.clear();
  appName.clear();
  size_t at = 0;
  while (at < commandLine.size() && commandLine[at] == ' ') ++at;
  if (_strnicmp(commandLine.c_str() + at, "/U", 2) == 0) at += 2;
  while (at < commandLine.size() && commandLine[at] == ' ') ++at;
  if (at < commandLine.size() && commandLine[at] == '"') {
    size_t close = commandLine.find('"', at + 1);
    logPath = commandLine.substr(at + 1, close == std::string::npos ? std::string::npos : close - at - 1);
    at = close == std::string::npos ? commandLine.size() : close + 1;
  } else {
    size_t blank = commandLine.find(' ', at);
    logPath = commandLine.substr(at, blank == std::string::npos ? std::string::npos : blank - at);
    at = blank == std::string::npos ? commandLine.size() : blank;
  }
  if (at < commandLine.size() && commandLine[at] == ' ') ++at;
  appName = commandLine.substr(at < commandLine.size() ? at : commandLine.size());
  TrimRight(appName);
}

bool LogIsReadable(const std::string& logPath) {
  FILE* file = std::fopen(logPath.c_str(), "r");
  if (!file) return false;
  std::fclose(file);
  return true;
}

std::vector<TUninstallEntry> ReadUninstallLog(const std::string& logPath) {
  std::vector<TUninstallEntry> entries;
  FILE* file = std::fopen(logPath.c_str(), "r");
  if (!file) return entries;
  char line[8193];
  while (std::fgets(line, sizeof line, file)) {
    std::string text = line;
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
    size_t firstTab = text.find('\t');
    size_t secondTab = firstTab == std::string::npos ? firstTab : text.find('\t', firstTab + 1);
    if (secondTab != firstTab + 2 || firstTab == 0) continue;
    char digit = text[firstTab + 1];
    if (digit < '0' || digit > '7') continue;
    entries.push_back({text.substr(0, firstTab), digit - '0', text.substr(secondTab + 1)});
  }
  std::fclose(file);
  return std::vector<TUninstallEntry>(entries.rbegin(), entries.rend());
}

bool MayBeInstallationFolder(const std::string& folder, const std::string& windowsFolder,
                             const std::string& systemFolder) {
  const std::string plain = WithoutTrailingBackslash(folder);
  // "c:" or "c:\": the whole drive.
  if (!IsPlainAbsolute(plain + "\\") || plain.size() <= 3) return false;
  for (const std::string& kept : {windowsFolder, systemFolder}) {
    const std::string keptPlain = WithoutTrailingBackslash(kept);
    if (keptPlain.empty()) continue;
    if (_stricmp(plain.c_str(), keptPlain.c_str()) == 0 || IsInside(keptPlain, plain)) return false;
  }
  return true;
}

bool MayRemoveDirectory(const std::string& path, const std::string& installFolder) {
  if (!IsPlainAbsolute(path) || WithoutTrailingBackslash(installFolder).size() <= 3) return false;
  return IsInside(path, installFolder) ||
         _stricmp(WithoutTrailingBackslash(path).c_str(), WithoutTrailingBackslash(installFolder).c_str()) == 0;
}

bool MayRemoveFile(const TUninstallEntry& entry, const std::string& installFolder, const std::string& desktopFolder) {
  const std::string& path = entry.path;
  if (!IsPlainAbsolute(path)) return false;
  if (WithoutTrailingBackslash(installFolder).size() > 3 && IsInside(path, installFolder)) return true;
  return !desktopFolder.empty() && entry.text == "Desktop Shortcut" && path.size() > 4 &&
         _stricmp(path.c_str() + path.size() - 4, ".lnk") == 0 && _stricmp(DirectoryPart(path).c_str(), desktopFolder.c_str()) == 0;
}

INT_PTR CALLBACK UninstallDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      ParseUninstallCommand(reinterpret_cast<const char*>(lParam), LogPath, AppName);
      Entries = ReadUninstallLog(LogPath);
      LogWasRead = LogIsReadable(LogPath);
      return TRUE;
    case WM_CTLCOLORSTATIC:
      return ColorStaticControl(wParam, lParam);
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case IDOK:
          if (!Removing && MessageBoxA(dialog, "Are you sure you want to completely remove this program from your system?",
                                       "Uninstall", MB_YESNO | MB_ICONQUESTION) == IDYES)
            RemoveAll(dialog);
          return TRUE;
        case IDCANCEL:
          if (!Removing) DestroyWindow(dialog);
          return TRUE;
      }
      break;
    case WM_DESTROY:
      Entries.clear();
      PostQuitMessage(0);
      break;
  }
  return FALSE;
}

// The installation run: each script entry in order, logged, then the machine-wide settings.
#include "install/installrun.h"

#include "data/core/waitcursor.h"
#include "install/archive.h"
#include "install/download.h"
#include "install/installids.h"
#include "install/installlog.h"
#include "install/messagepump.h"
#include "install/registry.h"
#include "install/selectdatabase.h"
#include "install/setupscript.h"
#include "install/systemcalls.h"

#include <commctrl.h>
#include <shellapi.h>
#include <shlobj.h>

#include <algorithm>
#include <cctype>
#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace {

// What one run works with.
struct TRun {
  HWND page;
  std::string installDir;
  TInstallLog log;
};

void Status(HWND page, const char* format, ...) {
  char text[1024];
  va_list args;
  va_start(args, format);
  std::vsnprintf(text, sizeof text, format, args);
  va_end(args);
  SetDlgItemTextA(page, IDC_STATUS, text);
  UpdateWindow(GetDlgItem(page, IDC_STATUS));
}

void Box(HWND page, const char* caption, UINT icon, const char* format, ...) {
  char text[1024];
  va_list args;
  va_start(args, format);
  std::vsnprintf(text, sizeof text, format, args);
  va_end(args);
  MessageBoxA(page, text, caption, MB_OK | icon);
}

bool EndsWithNoCase(const std::string& text, const char* tail) {
  size_t n = std::strlen(tail);
  return text.size() >= n && _stricmp(text.c_str() + text.size() - n, tail) == 0;
}

std::string ToLower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
  return text;
}

bool ContainsNoCase(const std::string& text, const char* part) { return ToLower(text).find(ToLower(part)) != std::string::npos; }

// The first INI file the run puts in place becomes the one that gets the [Network] keys.
void NoteIniFile(const std::string& path) {
  if (Installer.iniFile.empty() && ContainsNoCase(path, ".ini")) Installer.iniFile = path;
}

bool HasWildcard(const std::string& name) { return name.find_first_of("*?") != std::string::npos; }

// Copies one file, clearing a read-only target's attributes before the second try.
bool CopyOneFile(TRun& run, const std::string& source, const std::string& target, const TSetupEntry& entry) {
  if (!CopyFileA(source.c_str(), target.c_str(), FALSE)) {
    SetFileAttributesA(target.c_str(), FILE_ATTRIBUTE_NORMAL);
    if (!CopyFileA(source.c_str(), target.c_str(), FALSE)) {
      Box(run.page, "", 0, "Could not copy %s to %s!", source.c_str(), target.c_str());
      return false;
    }
  }
  WriteLogLine(&run.log, "%s\t0\t%s", target.c_str(), entry.description.c_str());
  NoteIniFile(target);
  return true;
}

void CopyEntry(TRun& run, const TSetupEntry& entry) {
  if (entry.destDir.empty())
    Status(run.page, "Copying %s (%s)", entry.name.c_str(), entry.description.c_str());
  else
    Status(run.page, "Copying %s (%s) to %s", entry.name.c_str(), entry.description.c_str(), entry.destDir.c_str());
  std::string sourceFolder = JoinPath(Installer.setupFolder, entry.sourceDir);
  std::string targetFolder = JoinPath(run.installDir, entry.destDir);
  CreateDirectoryPath(&run.log, targetFolder);
  if (!HasWildcard(entry.name)) {
    CopyOneFile(run, JoinPath(sourceFolder, entry.name), JoinPath(targetFolder, entry.name), entry);
    return;
  }
  WIN32_FIND_DATAA found;
  HANDLE find = FindFirstFileA(JoinPath(sourceFolder, entry.name).c_str(), &found);
  if (find == INVALID_HANDLE_VALUE) return;
  do {
    if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
    if (!CopyOneFile(run, JoinPath(sourceFolder, found.cFileName), JoinPath(targetFolder, found.cFileName), entry))
      break;
  } while (FindNextFileA(find, &found));
  FindClose(find);
}

void DeleteEntry(TRun& run, const TSetupEntry& entry) {
  std::string folder = JoinPath(run.installDir, entry.destDir);
  std::string pattern = JoinPath(folder, entry.name);
  if (!HasWildcard(entry.name)) {
    Status(run.page, "Removing %s (%s)", entry.name.c_str(), entry.description.c_str());
    if (DeleteFileA(pattern.c_str())) WriteLogLine(&run.log, "%s\t1\t%s", pattern.c_str(), entry.description.c_str());
    return;
  }
  WIN32_FIND_DATAA found;
  HANDLE find = FindFirstFileA(pattern.c_str(), &found);
  if (find == INVALID_HANDLE_VALUE) return;
  do {
    if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
    Status(run.page, "Deleting %s (%s)", found.cFileName, entry.description.c_str());
    std::string path = JoinPath(folder, found.cFileName);
    if (DeleteFileA(path.c_str())) WriteLogLine(&run.log, "%s\t1\t%s", path.c_str(), entry.description.c_str());
  } while (FindNextFileA(find, &found));
  FindClose(find);
}

void RunEntry(TRun& run, const TSetupEntry& entry) {
  Status(run.page, "Running %s", entry.description.c_str());
  std::string command = JoinPath(JoinPath(run.installDir, entry.destDir), entry.name);
  bool started = false;
  if (EndsWithNoCase(command, ".bat")) {
    started = WinExec(command.c_str(), SW_SHOW) > 31;
  } else {
    std::string lower = ToLower(command);
    size_t cut = lower.find(".exe");
    cut = cut != std::string::npos ? cut + 4 : lower.find(' ');
    std::string program = lower.substr(0, cut);
    std::string arguments = cut == std::string::npos ? "" : lower.substr(cut);
    TProgramRun ran = RunAndWait("\"" + program + "\"" + arguments, nullptr, INFINITE);
    started = ran.outcome != TProgramOutcome::NotStarted;
    SetForegroundWindow(run.page);
    SetFocus(run.page);
  }
  if (!started) Box(run.page, "Setup script error!", 0, "Could not run the external command %s.", command.c_str());
}

// Unpacks a downloaded archive into its folder and removes it.
void UnpackArchive(TRun& run, const std::string& archivePath, const std::string& folder) {
  int handle = OpenArchive(archivePath.c_str());
  TMemberResult result = TMemberResult::EndOfArchive;
  if (handle >= 0) {
    for (;;) {
      std::string member;
      result = ExtractArchiveMember(handle, folder.c_str(), member);
      if (result != TMemberResult::Written) break;
      std::string target = JoinPath(folder, member);
      WriteLogLine(&run.log, "%s\t1\t%s->%s", target.c_str(), archivePath.c_str(), member.c_str());
      if (Installer.iniFile.empty() && ContainsNoCase(member, ".ini")) Installer.iniFile = target;
    }
    CloseArchive(handle);
  }
  DeleteFileA(archivePath.c_str());
  if (result != TMemberResult::EndOfArchive && result != TMemberResult::CannotReplace)
    Box(run.page, "Download Error", MB_ICONEXCLAMATION, "The archive %s is damaged; the rest of its files were not installed.",
        archivePath.c_str());
}

void FetchEntry(TRun& run, const TSetupEntry& entry) {
  Status(run.page, "Fetching %s (%s) from %s", entry.name.c_str(), entry.description.c_str(),
         Installer.remoteSite.c_str());
  std::string folder = JoinPath(run.installDir, entry.destDir);
  CreateDirectoryPath(&run.log, folder);
  std::string local = JoinPath(folder, entry.name);
  if (!DownloadFile(run.page, Installer.remoteSite.c_str(), entry.name.c_str(), local.c_str(), entry.sourceDir.c_str())) {
    Status(run.page, "Error transferring file %s!", entry.name.c_str());
    Box(run.page, "Download Error", MB_ICONEXCLAMATION, "Error transferring file %s!", entry.name.c_str());
    return;
  }
  if (EndsWithNoCase(entry.name, ".sq"))
    UnpackArchive(run, local, folder);
  else
    WriteLogLine(&run.log, "%s\t0\t%s", local.c_str(), entry.name.c_str());
  Status(run.page, "File %s transferred successfully.", entry.name.c_str());
}

// "http://host/folder" in the source field names the server of a prerequisite.
void SplitUrl(const std::string& url, std::string& host, std::string& folder) {
  size_t scheme = ToLower(url).find("http://");
  size_t start = scheme == std::string::npos ? 0 : scheme + 7;
  size_t slash = url.find('/', start);
  host = url.substr(start, slash == std::string::npos ? std::string::npos : slash - start);
  folder = slash == std::string::npos ? "" : url.substr(slash + 1);
}

void PrerequisiteEntry(TRun& run, const TSetupEntry& entry) {
  Status(run.page, "Checking for the presence of %s", entry.description.c_str());
  SHFILEINFOA info{};
  std::string present = JoinPath(run.installDir, entry.name);
  SHGetFileInfoA(present.c_str(), 0, &info, sizeof info, SHGFI_TYPENAME);
  if (info.szTypeName[0] || !ContainsNoCase(entry.sourceDir, "http://")) return;
  Status(run.page, "Downloading %s", entry.description.c_str());
  std::string folder = JoinPath(run.installDir, "install");
  CreateDirectoryPath(&run.log, folder);
  std::string host, remoteFolder;
  SplitUrl(entry.sourceDir, host, remoteFolder);
  std::string local = JoinPath(folder, entry.destDir);
  if (!DownloadFile(run.page, host.c_str(), entry.destDir.c_str(), local.c_str(), remoteFolder.c_str())) {
    Status(run.page, "Error transferring file %s!", entry.destDir.c_str());
    Box(run.page, "Download Error", MB_ICONEXCLAMATION, "Error transferring file %s!", entry.destDir.c_str());
    return;
  }
  Status(run.page, "Installing %s", entry.description.c_str());
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  std::string command = "\"" + local + "\"";
  if (CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(), &startup, &process)) {
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
  } else {
    Box(run.page, "Install", MB_ICONEXCLAMATION, "Could not run the installation command: %s", local.c_str());
  }
}

void RegisterEntry(TRun& run, const TSetupEntry& entry) {
  Status(run.page, "Registering %s", entry.description.c_str());
  std::string path = JoinPath(JoinPath(run.installDir, entry.destDir), entry.name);
  TProgramRun ran = RunRegsvr32("/s", path);
  if (ran.outcome == TProgramOutcome::Finished && ran.exitCode == 0)
    WriteLogLine(&run.log, "%s\t6\t%s", path.c_str(), entry.description.c_str());
  else
    Box(run.page, "Setup script error!", 0, "Could not run the external command 'regsvr32.exe /s %s'.", path.c_str());
}

void ProfileEntry(TRun& run, const TSetupEntry& entry) {
  Status(run.page, "WIN.INI change [%s] %s", entry.name.c_str(), entry.description.c_str());
  if (entry.name.empty() || entry.description.empty()) return;  // never a whole section
  std::string value = ExpandDirMacros(entry.sourceDir, run.installDir, Installer.setupFolder);
  if (WriteProfileStringA(entry.name.c_str(), entry.description.c_str(), value.c_str()))
    WriteLogLine(&run.log, "%s\t7\t%s", entry.name.c_str(), entry.description.c_str());
}

void CarryOut(TRun& run, const TSetupEntry& entry) {
  switch (entry.type) {
    case ENTRY_COPY: CopyEntry(run, entry); break;
    case ENTRY_DELETE: DeleteEntry(run, entry); break;
    case ENTRY_DIRECTORY: CreateDirectoryPath(&run.log, JoinPath(run.installDir, entry.destDir)); break;
    case ENTRY_RUN: RunEntry(run, entry); break;
    case ENTRY_FETCH: FetchEntry(run, entry); break;
    case ENTRY_PREREQUISITE: PrerequisiteEntry(run, entry); break;
    case ENTRY_REGISTER: RegisterEntry(run, entry); break;
    case ENTRY_PROFILE: ProfileEntry(run, entry); break;
    default: break;
  }
}

void MakeShortcut(TRun& run) {
  Status(run.page, "Creating Desktop Shortcut..");
  char desktop[MAX_PATH] = "";
  if (!SHGetSpecialFolderPathA(run.page, desktop, CSIDL_DESKTOPDIRECTORY, TRUE)) return;
  CreateDesktopShortcut(JoinPath(run.installDir, Installer.checkFile), JoinPath(desktop, Installer.appName + ".lnk"),
                        Installer.appName, run.installDir, &run.log);
}

// A relative INI file lives in the installation directory.
std::string IniFilePath(const TRun& run) {
  const std::string& ini = Installer.iniFile;
  bool absolute = ini.size() > 1 && (ini[1] == ':' || (ini[0] == '\\' && ini[1] == '\\'));
  return absolute ? ini : JoinPath(run.installDir, ini);
}

void WriteNetworkKeys(const TRun& run) {
  if (DatabaseChoice.server.empty() || Installer.iniFile.empty()) return;
  std::string ini = IniFilePath(run);
  WritePrivateProfileStringA("Network", "Server Name", DatabaseChoice.server.c_str(), ini.c_str());
  WritePrivateProfileStringA("Network", "Trusted Connection", DatabaseChoice.trusted ? "Y" : "N", ini.c_str());
  WritePrivateProfileStringA("Network", "Username", DatabaseChoice.trusted ? "" : DatabaseChoice.user.c_str(), ini.c_str());
  WritePrivateProfileStringA("Network", "Password", DatabaseChoice.trusted ? "" : DatabaseChoice.password.c_str(),
                             ini.c_str());
}

// The uninstaller later runs from this copy, since the setup folder may be gone by then.
void CopyInstallerForRemoval() {
  char self[MAX_PATH] = "";
  GetModuleFileNameA(nullptr, self, sizeof self);
  std::string copy = UninstallerCopyPath();
  CreateDirectoryPath(nullptr, DirectoryPart(copy));
  if (_stricmp(self, copy.c_str()) == 0) return;
  SetFileAttributesA(copy.c_str(), FILE_ATTRIBUTE_NORMAL);
  CopyFileA(self, copy.c_str(), FALSE);
}

void SetProgress(HWND page, int position) { SendDlgItemMessageA(page, IDC_PROGRESS, PBM_SETPOS, position, 0); }

}  // namespace

TRunOutcome RunInstallation(HWND page, const volatile bool* cancelRequested) {
  TWaitCursor wait;
  TRun run;
  run.page = page;
  Status(page, "Preparing setup...");
  char directory[1025] = "";
  GetDlgItemTextA(page, IDC_INSTALL_DIR, directory, 1024);
  run.installDir = directory;
  while (run.installDir.size() > 3 && run.installDir.back() == '\\') run.installDir.pop_back();
  CreateDirectoryPath(nullptr, run.installDir);
  std::string logPath = JoinPath(run.installDir, "install.log");
  if (!run.log.Open(logPath)) {
    MessageBoxA(page, "Could not open installation log file!", "Install", MB_OK | MB_ICONHAND);
    return TRunOutcome::NoLog;
  }
  SendDlgItemMessageA(page, IDC_PROGRESS, PBM_SETRANGE, 0, MAKELPARAM(0, 100));
  SetProgress(page, 0);
  size_t count = Installer.entries.size();

  DatabaseChoice = TDatabaseChoice{};
  if (_stricmp(Installer.database.c_str(), "SQL-Server") == 0 &&
      DialogBoxParamA(GetModuleHandleA(nullptr), "SelectDatabase", page, SelectDatabaseDlgProc, 0) != 1) {
    // Nothing at all was installed: a log this run created stays behind only when it holds lines.
    run.log.Close();
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (GetFileAttributesExA(logPath.c_str(), GetFileExInfoStandard, &data) && data.nFileSizeLow == 0 &&
        data.nFileSizeHigh == 0)
      DeleteFileA(logPath.c_str());
    Status(page, "Installation cancelled.");
    return TRunOutcome::Cancelled;
  }

  Status(page, "Copying files...");
  for (size_t done = 0; done < count; ++done) {
    if (!PumpPendingMessages() || *cancelRequested) {
      // What is in place already stays removable.
      if (run.log.linesWritten() > 0) {
        WriteUninstallKey(Installer.appName, Installer.version, logPath);
        CopyInstallerForRemoval();
      }
      Status(page, "Installation cancelled.");
      return TRunOutcome::Cancelled;
    }
    CarryOut(run, Installer.entries[done]);
    SetProgress(page, static_cast<int>((done + 1) * 100 / count));
  }
  SetProgress(page, 100);
  if (IsDlgButtonChecked(page, IDC_SHORTCUT) == BST_CHECKED) MakeShortcut(run);
  Status(page, "Updating Registry...");
  WriteUninstallKey(Installer.appName, Installer.version, logPath);
  WriteNetworkKeys(run);
  CopyInstallerForRemoval();
  Status(page, "Installation Complete.");
  SetDlgItemTextA(page, IDOK, "Finish");
  WriteProfileStringA("Solution", "Installation Directory", run.installDir.c_str());
  return TRunOutcome::Complete;
}

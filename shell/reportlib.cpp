// Loading, swapping and calling the report library, and starting the report program.
#include "shell/reportlib.h"

#include <cstdio>
#include <cstring>

#include "data/core/paths.h"
#include "data/model/appfiles.h"
#include "data/model/model.h"
#include "data/model/settings.h"
#include "forms/messagepump.h"
#include "shell/appwindow.h"
#include "shell/dbconnect.h"

namespace {

HMODULE reportLibrary = nullptr;

using TInitLibrary = void (*)(HWND, const char*);
using TRunReport = void (*)(HWND, const char*);

bool FileExists(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::string CurrentFolder() {
  char folder[MAX_PATH] = "";
  GetCurrentDirectoryA(sizeof folder, folder);
  return folder;
}

std::string InFolder(const std::string& folder, const char* name) {
  return FullPathInDir(name, folder.c_str());
}

void Inform(const char* text) {
  ShowMessageBox(MainWindow, text, "Information Message", MB_OK | MB_ICONINFORMATION);
}

// Moves the new library into place in one folder; false when none was delivered there.
bool SwapInFolder(const std::string& folder) {
  const std::string fresh = InFolder(folder, "report_new.vl");
  if (!FileExists(fresh)) return false;
  const std::string current = InFolder(folder, "report.dll");
  if (MoveFileExA(current.c_str(), InFolder(folder, "report.old").c_str(), MOVEFILE_REPLACE_EXISTING))
    Inform("There is a newer version of the report library found, the old report library has been renamed");
  if (MoveFileExA(fresh.c_str(), current.c_str(), MOVEFILE_REPLACE_EXISTING))
    Inform("The newer version of the report library has been introduced to system");
  return true;
}

void* LibraryEntry(const char* name) {
  return reportLibrary ? reinterpret_cast<void*>(GetProcAddress(reportLibrary, name)) : nullptr;
}

}  // namespace

std::string InstallFolder() {
  char folder[MAX_PATH] = "";
  GetProfileStringA("VORN", "InstallPath", "", folder, sizeof folder);
  if (*folder) return folder;
  GetModuleFileNameA(nullptr, folder, sizeof folder);
  char* slash = std::strrchr(folder, '\\');
  if (slash) *slash = '\0';
  return folder;
}

void SwapReportLibrary() {
  if (!SwapInFolder(InstallFolder())) SwapInFolder(CurrentFolder());
}

bool LoadReportLibrary(HWND mainWindow, const char* iniPath) {
  reportLibrary = LoadLibraryA("report.dll");
  if (!reportLibrary) reportLibrary = LoadLibraryA("report/report.dll");
  if (!reportLibrary) {
    SetStatusText("Warning: Could not find reporting library!");
    return false;
  }
  if (auto init = reinterpret_cast<TInitLibrary>(LibraryEntry("InitLibrary"))) init(mainWindow, iniPath);
  return true;
}

void FreeReportLibrary() {
  if (reportLibrary) FreeLibrary(reportLibrary);
  reportLibrary = nullptr;
}

bool ReportLibraryLoaded() { return reportLibrary != nullptr; }

bool RunReportFunction(HWND window, const char* name) {
  auto run = reinterpret_cast<TRunReport>(LibraryEntry("RunReport"));
  if (!run) return false;
  run(window, name);
  return true;
}

std::string ReportFilePath(const char* file) {
  return FindFileInFolder(file, InFolder(InstallFolder(), "reports").c_str());
}

std::string ReportCommandLine(const char* reportFile) {
  const std::string program = *RaptelFilename ? RaptelFilename : "VUDOVED.EXE";
  std::string line = program + " " + RaptelOptions + " /D ";
  if (_stricmp(RaptelVersion, "16") == 0) {
    line += "vorn.dmd ";
  } else {
    // The credentials the program connected with, which the user may have corrected in the
    // connection dialog without saving them.
    const TNetworkSettings& network = ConnectedSettings();
    const std::string user = network.user.empty() ? "sa" : network.user;
    const std::string& password = network.password;
    line += std::string(TheModel.DatabaseName) + " /U " + user + " ";
    if (!password.empty()) line += "/p " + password + " ";
  }
  return line + reportFile;
}

UINT RunReportProgram(HWND window, const char* file) {
  const std::string line = ReportCommandLine(ReportFilePath(file).c_str());
  const UINT result = WinExec(line.c_str(), static_cast<UINT>(RaptelShow));
  if (result < 32)
    ShowMessageBox(window, "RAPTEL could not be run", "Cannot run command", MB_OK | MB_ICONEXCLAMATION);
  return result;
}

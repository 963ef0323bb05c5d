// Driving the installer and uninstaller as child processes for tests: setup folders, pages,
// boxes, and reading back what an installation left in files, profile and registry.
#pragma once

#include "install/registry.h"
#include "support/dialog_watcher.h"
#include "support/http_test_server.h"
#include "support/scratch_dir.h"
#include "support/screen_capture.h"
#include "support/sq_archive_writer.h"

#include <commctrl.h>
#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

constexpr DWORD Wait = 60000;

inline std::string InstallerPath() { return VORN_BINARY_DIR "/install.exe"; }

inline bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

inline std::string ItemText(HWND dialog, int id) {
  char text[2048] = "";
  GetWindowTextA(GetDlgItem(dialog, id), text, sizeof text);
  return text;
}

// An edit control's text, asked of the control itself (edits keep their text to themselves).
inline std::string EditText(HWND dialog, int id) {
  char text[8192] = "";
  DWORD_PTR ignored = 0;
  SendMessageTimeoutA(GetDlgItem(dialog, id), WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text), SMTO_NORMAL, 5000,
                      &ignored);
  return text;
}

// Clicks a button as the user would, without waiting for what it starts.
inline void Click(HWND dialog, int id) {
  PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

inline void SetItem(HWND dialog, int id, const std::string& text) {
  DWORD_PTR ignored = 0;
  SendMessageTimeoutA(GetDlgItem(dialog, id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()), SMTO_NORMAL, 5000,
                      &ignored);
}

inline void SetCheck(HWND dialog, int id, bool checked) {
  DWORD_PTR ignored = 0;
  SendMessageTimeoutA(GetDlgItem(dialog, id), BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0, SMTO_NORMAL, 5000,
                      &ignored);
  Click(dialog, id);
}

inline bool WaitForText(HWND dialog, int id, const std::string& wanted, DWORD timeoutMs = Wait) {
  for (DWORD start = GetTickCount(); GetTickCount() - start < timeoutMs; Sleep(50))
    if (ItemText(dialog, id) == wanted) return true;
  return false;
}

struct TFoundBox {
  HWND window = nullptr;
  std::string text;
};

struct TBoxSearch {
  const char* title;
  int buttonId;
  int withoutId;
  HWND found;
};

inline BOOL CALLBACK FindBoxWithButton(HWND window, LPARAM param) {
  auto* search = reinterpret_cast<TBoxSearch*>(param);
  char title[256] = "", className[32] = "";
  GetClassNameA(window, className, sizeof className);
  GetWindowTextA(window, title, sizeof title);
  if (IsWindowVisible(window) && std::string(className) == "#32770" && std::string(title) == search->title &&
      GetDlgItem(window, search->buttonId) && !(search->withoutId && GetDlgItem(window, search->withoutId))) {
    search->found = window;
    return FALSE;
  }
  return TRUE;
}

// A dialog of any process by title that has a button with this id and lacks the other control
// (the uninstaller's dialog and its boxes share the caption "Uninstall").
inline HWND FindWithButton(const char* title, int buttonId, int withoutId = 0, DWORD timeoutMs = Wait) {
  for (DWORD start = GetTickCount(); GetTickCount() - start < timeoutMs; Sleep(50)) {
    TBoxSearch search{title, buttonId, withoutId, nullptr};
    EnumWindows(FindBoxWithButton, reinterpret_cast<LPARAM>(&search));
    if (search.found) return search.found;
  }
  return nullptr;
}

// Presses a message box's button once it shows; the box's text comes back.
inline std::string AnswerBox(DWORD pid, const char* title, int buttonId, DWORD timeoutMs = Wait) {
  TWatchedDialog box = WatchAndPress(pid, title, buttonId, timeoutMs);
  return box.found ? box.text : "<no box '" + std::string(title) + "'>";
}

// The uninstaller's closing box (not its dialog, which has the progress bar).
inline std::string AnswerUninstallBox(DWORD timeoutMs = Wait) {
  HWND box = FindWithButton("Uninstall", IDOK, 1009, timeoutMs);
  if (!box) return "<no closing box>";
  std::string text = ReadStaticTexts(box);
  PressDialogButton(box, IDOK);
  return text;
}

inline void Screenshot(HWND window, const char* name) {
  Sleep(300);
  SaveScreenBitmap(window, ScreenshotFolder() + "/" + name + ".bmp");
}

inline std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line)) lines.push_back(line);
  return lines;
}

inline std::string ReadProfile(const std::string& section, const std::string& key) {
  char value[1024] = "";
  GetProfileStringA(section.c_str(), key.c_str(), "<none>", value, sizeof value);
  return value;
}

inline std::string ReadIni(const std::string& file, const char* key) {
  char value[1024] = "";
  GetPrivateProfileStringA("Network", key, "<none>", value, sizeof value, file.c_str());
  return value;
}

inline std::string RegistryValue(const std::string& keyPath, const char* name) {
  char value[2048] = "";
  DWORD size = sizeof value;
  if (RegGetValueA(HKEY_LOCAL_MACHINE, keyPath.c_str(), name, RRF_RT_REG_SZ, nullptr, value, &size) != ERROR_SUCCESS)
    return "<none>";
  return value;
}

inline std::string DesktopFolder() {
  char desktop[MAX_PATH] = "";
  SHGetSpecialFolderPathA(nullptr, desktop, CSIDL_DESKTOPDIRECTORY, FALSE);
  return desktop;
}

inline std::string ShortcutTarget(const std::string& path) {
  CoInitialize(nullptr);
  std::string target = "<unreadable>";
  IShellLinkA* link = nullptr;
  if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                 reinterpret_cast<void**>(&link)))) {
    IPersistFile* file = nullptr;
    if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
      WCHAR wide[MAX_PATH];
      MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide, MAX_PATH);
      char found[MAX_PATH] = "";
      if (SUCCEEDED(file->Load(wide, STGM_READ)) && SUCCEEDED(link->GetPath(found, MAX_PATH, nullptr, 0)))
        target = found;
      file->Release();
    }
    link->Release();
  }
  CoUninitialize();
  return target;
}

// Runs a program and returns what it wrote to its standard output.
inline std::string RunForOutput(const std::string& commandLine, DWORD timeoutMs = Wait) {
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  HANDLE readEnd = nullptr, writeEnd = nullptr;
  CreatePipe(&readEnd, &writeEnd, &inherit, 0);
  SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdOutput = writeEnd;
  startup.hStdError = writeEnd;
  PROCESS_INFORMATION process{};
  std::string line = commandLine;
  std::string output;
  if (CreateProcessA(nullptr, &line[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process)) {
    CloseHandle(writeEnd);
    writeEnd = nullptr;
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(readEnd, buffer, sizeof buffer, &got, nullptr) && got) output.append(buffer, got);
    WaitForSingleObject(process.hProcess, timeoutMs);
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
  }
  if (writeEnd) CloseHandle(writeEnd);
  CloseHandle(readEnd);
  return output;
}

// A setup folder with its script and source files, and the folder it installs into.
struct TSetupFolder {
  TScratchDir scratch{"setup"};
  std::string appName;
  std::string installDir;

  explicit TSetupFolder(const char* tag) {
    appName = std::string("VornTest ") + tag + " " + std::to_string(GetCurrentProcessId());
    installDir = scratch.File("target dir\\vorn app");
    CreateDirectoryA(scratch.File("files").c_str(), nullptr);
  }
  ~TSetupFolder() {
    // Whatever a failing test left behind in the machine-wide places.
    std::string key = UninstallKeyPath(appName);
    if (!key.empty()) RegDeleteKeyA(HKEY_LOCAL_MACHINE, key.c_str());
    WriteProfileStringA(appName.c_str(), nullptr, nullptr);
    DeleteFileA((DesktopFolder() + "\\" + appName + ".lnk").c_str());
    CleanTree(installDir);
  }
  static void CleanTree(const std::string& dir) {
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA((dir + "\\*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return;
    do {
      std::string name = data.cFileName;
      if (name == "." || name == "..") continue;
      std::string full = dir + "\\" + name;
      SetFileAttributesA(full.c_str(), FILE_ATTRIBUTE_NORMAL);
      if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        CleanTree(full);
        RemoveDirectoryA(full.c_str());
      } else {
        DeleteFileA(full.c_str());
      }
    } while (FindNextFileA(find, &data));
    FindClose(find);
  }
  void Script(const std::string& body) const {
    scratch.Write("setup.inf", "app=" + appName + "\r\ndir=" + installDir + "\r\ncheck=vorn.exe\r\n" + body);
  }
  std::string Installed(const std::string& name) const { return installDir + "\\" + name; }
  std::string LogPath() const { return Installed("install.log"); }
  std::string Log() const { return TScratchDir::Read(LogPath()); }
  std::string Shortcut() const { return DesktopFolder() + "\\" + appName + ".lnk"; }
};

// Starts the installer in the setup folder and clicks through Welcome to the end of the run.
struct TInstallerRun {
  TChild child;
  HWND welcome = nullptr;
  bool Start(const TSetupFolder& setup) {
    return StartChild(child, "\"" + InstallerPath() + "\"", setup.scratch.path().c_str());
  }
  bool OpenWelcome() {
    welcome = FindDialog(child.pid(), "Welcome", Wait).window;
    return welcome != nullptr;
  }
  bool WaitForEnd(DWORD timeoutMs = Wait) {
    return WaitForText(welcome, 1010, "Installation Complete.", timeoutMs);
  }
  // Finish closes the page and ends the program.
  int Finish() {
    Click(welcome, IDOK);
    return child.Wait(Wait);
  }
};

// Installs a plain script without pages beyond Welcome; returns the exit code.
inline int InstallQuietly(const TSetupFolder& setup) {
  TInstallerRun run;
  if (!run.Start(setup) || !run.OpenWelcome()) return -10;
  Click(run.welcome, IDOK);
  if (!run.WaitForEnd()) return -11;
  return run.Finish();
}

// Runs the uninstaller directly on a log: OK, Yes, then the closing box.
// Runs the uninstaller on a log, answers Yes and reads its closing box.
inline int UninstallFromLog(const std::string& logPath, const std::string& appName, std::string* finalText = nullptr) {
  TChild child;
  if (!StartChild(child, "\"" + InstallerPath() + "\" /U \"" + logPath + "\" " + appName)) return -10;
  HWND dialog = FindDialog(child.pid(), "Uninstall", Wait).window;
  if (!dialog) return -11;
  Click(dialog, IDOK);
  HWND question = FindWithButton("Uninstall", IDYES);
  if (!question) return -12;
  PressDialogButton(question, IDYES);
  std::string text = AnswerUninstallBox();
  if (finalText) *finalText = text;
  return child.Wait(Wait);
}

inline int Uninstall(const TSetupFolder& setup, std::string* finalText = nullptr) {
  return UninstallFromLog(setup.LogPath(), setup.appName, finalText);
}

class InstallerTest : public ::testing::Test {
protected:
  void SetUp() override { ASSERT_TRUE(Exists(InstallerPath())) << InstallerPath(); }
};


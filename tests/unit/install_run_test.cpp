// The installer and uninstaller as a user meets them: the program started from a setup folder,
// its pages driven through real windows, then everything checked on disk, in the profile and
// in the registry, and removed again through the uninstaller.
#include "install/registry.h"
#include "support/dialog_watcher.h"
#include "support/http_test_server.h"
#include "support/scratch_dir.h"
#include "support/screen_capture.h"
#include "support/sq_archive_writer.h"

#include <gtest/gtest.h>

#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <algorithm>
#include <fstream>
#include <sstream>

namespace {

const DWORD Wait = 60000;

std::string InstallerPath() { return VORN_BINARY_DIR "/install.exe"; }

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::string ItemText(HWND dialog, int id) {
  char text[2048] = "";
  GetWindowTextA(GetDlgItem(dialog, id), text, sizeof text);
  return text;
}

// An edit control's text, asked of the control itself (edits keep their text to themselves).
std::string EditText(HWND dialog, int id) {
  char text[8192] = "";
  DWORD_PTR ignored = 0;
  SendMessageTimeoutA(GetDlgItem(dialog, id), WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text), SMTO_NORMAL, 5000,
                      &ignored);
  return text;
}

// Clicks a button as the user would, without waiting for what it starts.
void Click(HWND dialog, int id) {
  PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

void SetItem(HWND dialog, int id, const std::string& text) {
  DWORD_PTR ignored = 0;
  SendMessageTimeoutA(GetDlgItem(dialog, id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()), SMTO_NORMAL, 5000,
                      &ignored);
}

void SetCheck(HWND dialog, int id, bool checked) {
  DWORD_PTR ignored = 0;
  SendMessageTimeoutA(GetDlgItem(dialog, id), BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0, SMTO_NORMAL, 5000,
                      &ignored);
  Click(dialog, id);
}

bool WaitForText(HWND dialog, int id, const std::string& wanted, DWORD timeoutMs = Wait) {
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

BOOL CALLBACK FindBoxWithButton(HWND window, LPARAM param) {
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
HWND FindWithButton(const char* title, int buttonId, int withoutId = 0, DWORD timeoutMs = Wait) {
  for (DWORD start = GetTickCount(); GetTickCount() - start < timeoutMs; Sleep(50)) {
    TBoxSearch search{title, buttonId, withoutId, nullptr};
    EnumWindows(FindBoxWithButton, reinterpret_cast<LPARAM>(&search));
    if (search.found) return search.found;
  }
  return nullptr;
}

// Presses a message box's button once it shows; the box's text comes back.
std::string AnswerBox(DWORD pid, const char* title, int buttonId, DWORD timeoutMs = Wait) {
  TWatchedDialog box = WatchAndPress(pid, title, buttonId, timeoutMs);
  return box.found ? box.text : "<no box '" + std::string(title) + "'>";
}

// The uninstaller's closing box (not its dialog, which has the progress bar).
std::string AnswerUninstallBox(DWORD timeoutMs = Wait) {
  HWND box = FindWithButton("Uninstall", IDOK, 1009, timeoutMs);
  if (!box) return "<no closing box>";
  std::string text = ReadStaticTexts(box);
  PressDialogButton(box, IDOK);
  return text;
}

void Screenshot(HWND window, const char* name) {
  Sleep(300);
  SaveScreenBitmap(window, ScreenshotFolder() + "/" + name + ".bmp");
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line)) lines.push_back(line);
  return lines;
}

std::string ReadProfile(const std::string& section, const std::string& key) {
  char value[1024] = "";
  GetProfileStringA(section.c_str(), key.c_str(), "<none>", value, sizeof value);
  return value;
}

std::string ReadIni(const std::string& file, const char* key) {
  char value[1024] = "";
  GetPrivateProfileStringA("Network", key, "<none>", value, sizeof value, file.c_str());
  return value;
}

std::string RegistryValue(const std::string& keyPath, const char* name) {
  char value[2048] = "";
  DWORD size = sizeof value;
  if (RegGetValueA(HKEY_LOCAL_MACHINE, keyPath.c_str(), name, RRF_RT_REG_SZ, nullptr, value, &size) != ERROR_SUCCESS)
    return "<none>";
  return value;
}

std::string DesktopFolder() {
  char desktop[MAX_PATH] = "";
  SHGetSpecialFolderPathA(nullptr, desktop, CSIDL_DESKTOPDIRECTORY, FALSE);
  return desktop;
}

std::string ShortcutTarget(const std::string& path) {
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
std::string RunForOutput(const std::string& commandLine, DWORD timeoutMs = Wait) {
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
int InstallQuietly(const TSetupFolder& setup) {
  TInstallerRun run;
  if (!run.Start(setup) || !run.OpenWelcome()) return -10;
  Click(run.welcome, IDOK);
  if (!run.WaitForEnd()) return -11;
  return run.Finish();
}

// Runs the uninstaller directly on a log: OK, Yes, then the closing box.
int Uninstall(const TSetupFolder& setup, std::string* finalText = nullptr) {
  TChild child;
  if (!StartChild(child, "\"" + InstallerPath() + "\" /U \"" + setup.LogPath() + "\" " + setup.appName)) return -10;
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

class InstallerTest : public ::testing::Test {
protected:
  void SetUp() override { ASSERT_TRUE(Exists(InstallerPath())) << InstallerPath(); }
};

TEST_F(InstallerTest, FullInstallationFromPagesToUninstall) {
  THttpTestServer server;
  ASSERT_TRUE(server.listening());
  TSetupFolder setup("full");
  const std::string inst = setup.installDir;
  setup.scratch.Write("licence.txt", "You may use this program.\nLine two of the licence.\n");
  setup.scratch.Write("readme.txt", "Read me first.\n");
  setup.scratch.Write("files\\vorn.exe", "program bytes");
  setup.scratch.Write("files\\vorn.ini", "[Settings]\r\nLanguage=en\r\n");
  CopyFileA(TestProgramPath("record_args").c_str(), setup.scratch.File("files\\tool.exe").c_str(), FALSE);
  CopyFileA((VORN_BINARY_DIR "/testprograms/marker_server.dll"), setup.scratch.File("files\\marker.dll").c_str(), FALSE);
  // A slow first download keeps its progress dialog up long enough to be looked at.
  server.Serve("remote/remote.txt", {200, std::string(40 * 1024, 'r'), true, std::string::npos, 1024, 40});
  server.Serve("remote/pack.sq", {200, SqArchive({{"a.txt", "member a"}, {"b.txt", "member b"}}), false});
  // The folder exists before the run with a file that the script deletes.
  CreateDirectoryA(setup.scratch.File("target dir").c_str(), nullptr);
  CreateDirectoryA(inst.c_str(), nullptr);
  setup.scratch.Write("target dir\\vorn app\\old.txt", "old");
  std::string argsFile = setup.scratch.File("tool-args.txt");
  SetEnvironmentVariableA("VORN_RECORD_ARGS", argsFile.c_str());

  setup.Script("version number=1.0\r\nbg=3\r\nremote install site=" + server.host() +
               "\r\nlicense file=licence.txt\r\nreadme file=readme.txt\r\nini file=vorn.ini\r\n"
               "database=SQL-Server\r\n"
               "; the program and its settings\r\n"
               "vorn.exe,0,Main program,files,\r\n"
               "vorn.ini,0,Settings,files,\r\n"
               "*.dll,0,Libraries,files,lib\r\n"
               "marker.dll,6,Marker server,lib,lib\r\n"
               "data,2,Data folder,data\r\n"
               "old.txt,1,Old file\r\n"
               "tool.exe,0,Tool,files,\r\n"
               "tool.exe,3,Tool run\r\n"
               "remote.txt,4,Remote file,remote,dl\r\n"
               "pack.sq,4,Archive,remote,dl\r\n"
               "vorn.exe,5,Prerequisite,http://" + server.host() + "/pre,pre.exe\r\n" +
               setup.appName + ",7,Data Path,%1data\r\n");

  TInstallerRun run;
  ASSERT_TRUE(run.Start(setup));
  TWatchedDialog licence = FindDialog(run.child.pid(), "License Agreement", Wait);
  ASSERT_TRUE(licence.found);
  Screenshot(nullptr, "install_backdrop");
  Screenshot(licence.window, "install_licence");
  EXPECT_EQ(ItemText(licence.window, 1011), "Welcome to the " + setup.appName + " installation program.");
  EXPECT_EQ(EditText(licence.window, 1023), "You may use this program.\r\nLine two of the licence.\r\n");
  // Declining disables Next; accepting enables it again.
  SendMessageA(GetDlgItem(licence.window, 1025), BM_CLICK, 0, 0);
  EXPECT_FALSE(IsWindowEnabled(GetDlgItem(licence.window, IDOK)));
  SendMessageA(GetDlgItem(licence.window, 1024), BM_CLICK, 0, 0);
  EXPECT_TRUE(IsWindowEnabled(GetDlgItem(licence.window, IDOK)));
  Click(licence.window, IDOK);

  TWatchedDialog readme = FindDialog(run.child.pid(), "Readme", Wait);
  ASSERT_TRUE(readme.found);
  EXPECT_EQ(EditText(readme.window, 1026), "Read me first.\r\n");
  Screenshot(readme.window, "install_readme");
  Click(readme.window, IDOK);

  ASSERT_TRUE(run.OpenWelcome());
  EXPECT_EQ(ItemText(run.welcome, 1012), "Directory to install " + setup.appName + ":");
  EXPECT_EQ(EditText(run.welcome, 1005), inst);
  EXPECT_EQ(ItemText(run.welcome, 1007), "");
  EXPECT_EQ(SendMessageA(GetDlgItem(run.welcome, 1008), BM_GETCHECK, 0, 0), BST_CHECKED);
  Screenshot(run.welcome, "install_welcome");
  Click(run.welcome, IDOK);

  HWND database = FindDialog(run.child.pid(), "Select Database ", Wait).window;
  ASSERT_TRUE(database);
  Screenshot(database, "install_database");
  SendMessageA(GetDlgItem(database, 1017), BM_CLICK, 0, 0);
  SetItem(database, 1018, "dbhost");
  SetCheck(database, 1019, false);
  SetItem(database, 1020, "clerk");
  SetItem(database, 1021, "secret");
  Sleep(200);
  Click(database, IDOK);

  TWatchedDialog download = FindDialog(run.child.pid(), "Download Progress", Wait);
  ASSERT_TRUE(download.found);
  Sleep(600);
  Screenshot(download.window, "install_download");

  ASSERT_TRUE(run.WaitForEnd()) << ItemText(run.welcome, 1010);
  EXPECT_EQ(SendMessageA(GetDlgItem(run.welcome, 1009), PBM_GETPOS, 0, 0), 100);
  EXPECT_EQ(ItemText(run.welcome, IDOK), "Finish");
  Screenshot(run.welcome, "install_complete");
  EXPECT_EQ(run.Finish(), 0);

  // Files in place, the deleted one gone, the archive unpacked and removed.
  EXPECT_EQ(TScratchDir::Read(inst + "\\vorn.exe"), "program bytes");
  EXPECT_TRUE(Exists(inst + "\\lib\\marker.dll"));
  EXPECT_TRUE(Exists(inst + "\\lib\\marker.dll.registered"));
  EXPECT_TRUE(Exists(inst + "\\data"));
  EXPECT_FALSE(Exists(inst + "\\old.txt"));
  EXPECT_EQ(TScratchDir::Read(inst + "\\dl\\remote.txt"), std::string(40 * 1024, 'r'));
  EXPECT_EQ(TScratchDir::Read(inst + "\\dl\\a.txt"), "member a");
  EXPECT_EQ(TScratchDir::Read(inst + "\\dl\\b.txt"), "member b");
  EXPECT_FALSE(Exists(inst + "\\dl\\pack.sq"));
  EXPECT_FALSE(Exists(inst + "\\install"));  // the prerequisite was there: nothing fetched
  EXPECT_EQ(Lines(TScratchDir::Read(argsFile)).size(), 1u);
  std::vector<std::string> asked = server.Requests();
  EXPECT_EQ(asked, (std::vector<std::string>{"remote/remote.txt", "remote/pack.sq"}));

  const std::string shortcut = setup.Shortcut();
  const std::string expectedLog =
      inst + "\\vorn.exe\t0\tMain program\r\n" +
      inst + "\\vorn.ini\t0\tSettings\r\n" +
      inst + "\\lib\t2\tCreate Directory\r\n" +
      inst + "\\lib\\marker.dll\t0\tLibraries\r\n" +
      inst + "\\lib\\marker.dll\t6\tMarker server\r\n" +
      inst + "\\data\t2\tCreate Directory\r\n" +
      inst + "\\old.txt\t1\tOld file\r\n" +
      inst + "\\tool.exe\t0\tTool\r\n" +
      inst + "\\dl\t2\tCreate Directory\r\n" +
      inst + "\\dl\\remote.txt\t0\tremote.txt\r\n" +
      inst + "\\dl\\a.txt\t1\t" + inst + "\\dl\\pack.sq->a.txt\r\n" +
      inst + "\\dl\\b.txt\t1\t" + inst + "\\dl\\pack.sq->b.txt\r\n" +
      setup.appName + "\t7\tData Path\r\n" +
      shortcut + "\t0\tDesktop Shortcut\r\n";
  EXPECT_EQ(setup.Log(), expectedLog);

  // Settings: the INI named relative to the installation, WIN.INI, the registry, the shortcut.
  std::string ini = inst + "\\vorn.ini";
  EXPECT_EQ(ReadIni(ini, "Server Name"), "dbhost");
  EXPECT_EQ(ReadIni(ini, "Trusted Connection"), "N");
  EXPECT_EQ(ReadIni(ini, "Username"), "clerk");
  EXPECT_EQ(ReadIni(ini, "Password"), "secret");
  EXPECT_EQ(ReadIni(ini, "Database"), "<none>");
  EXPECT_EQ(ReadProfile(setup.appName, "Data Path"), inst + "\\data");
  EXPECT_EQ(ReadProfile("Solution", "Installation Directory"), inst);
  std::string key = UninstallKeyPath(setup.appName);
  EXPECT_EQ(RegistryValue(key, "DisplayName"), setup.appName + " (1.0)");
  EXPECT_EQ(RegistryValue(key, "UninstallString"),
            "\"" + UninstallerCopyPath() + "\" /U \"" + setup.LogPath() + "\" " + setup.appName);
  EXPECT_TRUE(Exists(UninstallerCopyPath()));
  EXPECT_EQ(_stricmp(ShortcutTarget(shortcut).c_str(), (inst + "\\vorn.exe").c_str()), 0) << ShortcutTarget(shortcut);
  std::string listed = RunForOutput("uninstaller.exe --list");
  EXPECT_NE(listed.find(setup.appName + " (1.0)"), std::string::npos) << listed;

  // Removal through Wine's own uninstaller, which starts our copy with the entry's command.
  TChild wineUninstaller;
  ASSERT_TRUE(StartChild(wineUninstaller, "uninstaller.exe --remove \"" + setup.appName + "\""));
  HWND dialog = FindWithButton("Uninstall", 1009);
  ASSERT_TRUE(dialog);
  Screenshot(dialog, "install_uninstall");
  Click(dialog, IDOK);
  HWND question = FindWithButton("Uninstall", IDYES);
  ASSERT_TRUE(question);
  EXPECT_EQ(ReadStaticTexts(question), "Are you sure you want to completely remove this program from your system?");
  PressDialogButton(question, IDYES);
  EXPECT_EQ(AnswerUninstallBox(), "Uninstall complete");
  EXPECT_EQ(wineUninstaller.Wait(Wait), 0);

  for (const char* gone : {"vorn.exe", "vorn.ini", "tool.exe", "lib\\marker.dll", "lib\\marker.dll.registered", "lib",
                           "data", "dl\\remote.txt", "install.log"})
    EXPECT_FALSE(Exists(inst + "\\" + gone)) << gone;
  // Archive members are left where they were unpacked, and so their folder.
  EXPECT_TRUE(Exists(inst + "\\dl\\a.txt"));
  EXPECT_FALSE(Exists(shortcut));
  EXPECT_EQ(ReadProfile(setup.appName, "Data Path"), "<none>");
  EXPECT_EQ(RegistryValue(key, "DisplayName"), "<none>");
  HKEY stillThere = nullptr;
  EXPECT_NE(RegOpenKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, KEY_READ, &stillThere), ERROR_SUCCESS);
  // Nothing outside: the setup folder keeps its files.
  EXPECT_TRUE(Exists(setup.scratch.File("files\\vorn.exe")));
  EXPECT_TRUE(Exists(setup.scratch.File("setup.inf")));
  SetEnvironmentVariableA("VORN_RECORD_ARGS", nullptr);
}

}  // namespace

// The vorn program as a child process: start-up steps that stop it, with their boxes and
// exit codes, and a first start that opens a form from its menu.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "data/db/connectstrings.h"
#include "data/db/odbc.h"
#include "forms/controlids.h"
#include "shell/menus.h"
#include "support/dialog_watcher.h"
#include "support/dmd_writer.h"
#include "support/scratch_dir.h"
#include "support/screen_capture.h"

namespace {

// A Unix path as Wine sees it from any current drive.
std::string WinPath(const std::string& unixPath) {
  std::string path = "Z:" + unixPath;
  for (char& c : path)
    if (c == '/') c = '\\';
  return path;
}

std::string VornProgram() {
  const char* program = std::getenv("VORN_PROGRAM");
  return "\"" + WinPath(program ? program : VORN_BINARY_DIR "/vorn.exe") + "\"";
}

TEST(StartUp, WithoutAModelFileItStopsBeforeAnyDatabaseWork) {
  TScratchDir dir("nomodel");
  TChild child;
  ASSERT_TRUE(StartChild(child, VornProgram(), dir.path().c_str()));
  TWatchedDialog box = WatchAndPress(child.pid(), "VORN", IDOK, 30000);
  ASSERT_TRUE(box.found);
  EXPECT_EQ(box.text, "Unable to load DMD file");
  EXPECT_EQ(box.icon, TBoxIcon::Hand);
  EXPECT_EQ(child.Wait(20000), 1);
  EXPECT_EQ(GetFileAttributesA(dir.File("VORN.log").c_str()), INVALID_FILE_ATTRIBUTES);
}

// An application folder: the sample model and menus, an INI file on SQLite, and an empty
// database file made beforehand, so that start-up asks nothing.
class StartedProgram : public ::testing::Test {
protected:
  void SetUp() override {
    CopyFileA(WinPath(VORN_SOURCE_DIR "/sample/vorn.dmd").c_str(), dir_.File("vorn.dmd").c_str(), FALSE);
    CopyFileA(WinPath(VORN_SOURCE_DIR "/sample/menu.ini").c_str(), dir_.File("menu.ini").c_str(), FALSE);
    dir_.Write("VORN.INI", "[Network]\r\nDriver Name=SQLite3\r\nDatabase=vorn\r\n");
    TOdbcEnv env;
    TOdbcConnection make(&env);
    const std::string file = DriverFilePath(dir_.File("vorn.db"));
    ASSERT_TRUE(SQL_SUCCEEDED(make.DriverConnect(("DRIVER={SQLite3};Database=" + file + ";").c_str(), 0)))
        << make.GetDiagMessage();
  }
  // Starts the program and waits for its main window to carry the model's title.
  HWND Start() {
    if (!StartChild(child_, VornProgram(), dir_.path().c_str())) return nullptr;
    for (int i = 0; i < 600; ++i) {
      HWND window = MainWindowOf(child_.pid());
      if (window && WindowText(window) == "Vorn Order Desk") return window;
      Sleep(50);
    }
    return nullptr;
  }
  static HWND MainWindowOf(DWORD pid) {
    struct TSearch {
      DWORD pid;
      HWND found;
    } search{pid, nullptr};
    EnumWindows(
        [](HWND window, LPARAM data) -> BOOL {
          auto* s = reinterpret_cast<TSearch*>(data);
          DWORD owner = 0;
          GetWindowThreadProcessId(window, &owner);
          char cls[32] = "";
          GetClassNameA(window, cls, sizeof cls);
          if (owner != s->pid || lstrcmpiA(cls, "VORN") != 0) return TRUE;
          s->found = window;
          return FALSE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
  }
  // The text of a window of any process (asked with WM_GETTEXT).
  static std::string WindowText(HWND window) {
    char text[512] = "";
    SendMessageTimeoutA(window, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text), SMTO_BLOCK,
                        5000, nullptr);
    return text;
  }
  TScratchDir dir_{"started"};
  TChild child_;
};

TEST_F(StartedProgram, ShowsTheModelTitleConnectionMenusAndEndsWithExit) {
  HWND window = Start();
  ASSERT_TRUE(window);
  HWND status = FindWindowExA(window, nullptr, "msctls_statusbar32", nullptr);
  ASSERT_TRUE(status);
  EXPECT_EQ(WindowText(status).rfind("Connected to: ", 0), 0u) << WindowText(status);
  EXPECT_NE(WindowText(status).find("vorn"), std::string::npos) << WindowText(status);

  // Help > About: the title and the usage lines.
  PostMessageA(window, WM_COMMAND, 101, 0);
  TWatchedDialog about = FindDialog(child_.pid(), "About", 20000);
  ASSERT_TRUE(about.found);
  EXPECT_NE(about.text.find("Vorn Order Desk"), std::string::npos) << about.text;
  EXPECT_NE(about.text.find("Dialog Handles out of 100 used"), std::string::npos) << about.text;
  EXPECT_NE(about.text.find("Brush Handles out if 128 used"), std::string::npos) << about.text;
  PressDialogButton(about.window, IDOK);

  // Tools > Errors: four channels without an error.
  PostMessageA(window, WM_COMMAND, 102, 0);
  TWatchedDialog errors = FindDialog(child_.pid(), "Error Summary", 20000);
  ASSERT_TRUE(errors.found);
  Sleep(300);
  int none = 0;
  for (int id = 121; id <= 127; id += 2)
    if (WindowText(GetDlgItem(errors.window, id)) == "No error") ++none;
  EXPECT_EQ(none, 4);

  PostMessageA(window, WM_COMMAND, 100, 0);
  EXPECT_EQ(child_.Wait(20000), 0);
  EXPECT_EQ(TScratchDir::Read(dir_.File("VORN.log")), "");
}

TEST_F(StartedProgram, AnUnknownMenuTitleStopsWithItsBox) {
  dir_.Write("menu.ini", "[Menus]\r\nMenu0=&Tools\r\n[Menu Items]\r\nItem0=&Reports,X,RUN x\r\n");
  ASSERT_TRUE(StartChild(child_, VornProgram(), dir_.path().c_str()));
  TWatchedDialog box = WatchAndPress(child_.pid(), "ERROR", IDOK, 30000);
  ASSERT_TRUE(box.found);
  EXPECT_EQ(box.text, "Unknown menu title in .INI file: &Reports");
  EXPECT_EQ(child_.Wait(20000), 1);
}

TEST_F(StartedProgram, AModelThatAsksForALoginStopsWithAMessage) {
  TDmdWriter dmd;
  dmd.String(10, "VORN").String(11, "Login Desk").String(13, "VORN");
  dmd.EntityCount(1);
  TDmdAttr key;
  key.name = "ID";
  key.type = "INTEGER";
  key.caption = "Id";
  key.keyPart = 1;
  dmd.BeginEntity("THING", "Thing", 1, 0).Attribute(key).End();
  dmd.ParamCount(1).Param("ODBC_LOGIN", "Yes").End();
  ASSERT_TRUE(dmd.Save(dir_.File("vorn.dmd")));
  ASSERT_TRUE(StartChild(child_, VornProgram(), dir_.path().c_str()));
  TWatchedDialog box = WatchAndPress(child_.pid(), "VORN", IDOK, 30000);
  ASSERT_TRUE(box.found);
  EXPECT_NE(box.text.find("login"), std::string::npos) << box.text;
  EXPECT_EQ(child_.Wait(20000), 1);
}

// The upgrade script runs once: deleted after a clean run, kept (and the user told) when a
// statement failed.
TEST_F(StartedProgram, TheUpgradeScriptIsDeletedOnlyWhenEveryStatementSucceeded) {
  dir_.Write("alter_tables.sql", "CREATE TABLE EXTRA (A INTEGER);\n");
  HWND window = Start();
  ASSERT_TRUE(window);
  EXPECT_EQ(GetFileAttributesA(dir_.File("alter_tables.sql").c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_NE(TScratchDir::Read(dir_.File("VORN.log")).find("Success"), std::string::npos);
  PostMessageA(window, WM_COMMAND, 100, 0);
  EXPECT_EQ(child_.Wait(20000), 0);

  dir_.Write("alter_tables.sql", "CREATE TABLE MORE (A INTEGER);\nTHIS IS NOT SQL;\n");
  TChild second;
  ASSERT_TRUE(StartChild(second, VornProgram(), dir_.path().c_str()));
  TWatchedDialog box = WatchAndPress(second.pid(), "VORN", IDOK, 30000);
  ASSERT_TRUE(box.found);
  EXPECT_NE(box.text.find("alter_tables.sql"), std::string::npos) << box.text;
  EXPECT_NE(box.text.find("VORN.log"), std::string::npos) << box.text;
  EXPECT_NE(GetFileAttributesA(dir_.File("alter_tables.sql").c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_NE(TScratchDir::Read(dir_.File("VORN.log")).find("Error Returned"), std::string::npos);
  for (int i = 0; i < 200; ++i) {
    HWND main = MainWindowOf(second.pid());
    if (main && WindowText(main) == "Vorn Order Desk") {
      PostMessageA(main, WM_COMMAND, 100, 0);
      break;
    }
    Sleep(50);
  }
  EXPECT_EQ(second.Wait(20000), 0);
}

// A copy of the whole sample application.
void CopySample(const TScratchDir& dir) {
  for (const char* name : {"vorn.dmd", "VORN.INI", "menu.ini", "vorn.sql", "utables.sql"})
    CopyFileA(WinPath(std::string(VORN_SOURCE_DIR "/sample/") + name).c_str(), dir.File(name).c_str(),
              FALSE);
}

// The window of that class and title of the process; waits up to 30 s.
HWND WaitForWindow(DWORD pid, const char* windowClass, const char* title) {
  for (int i = 0; i < 600; ++i) {
    HWND found = FindWindowA(windowClass, title);
    DWORD owner = 0;
    if (found) GetWindowThreadProcessId(found, &owner);
    if (owner == pid) return found;
    Sleep(50);
  }
  return nullptr;
}

TEST(FirstStart, OffersToCreateTheDatabaseAndThenShowsTheMainWindow) {
  TScratchDir dir("firststart");
  CopySample(dir);
  TChild child;
  ASSERT_TRUE(StartChild(child, VornProgram(), dir.path().c_str()));
  TWatchedDialog question = WatchAndPress(child.pid(), "No database found", IDYES, 30000);
  ASSERT_TRUE(question.found);
  EXPECT_EQ(question.icon, TBoxIcon::Exclamation);
  HWND window = WaitForWindow(child.pid(), "VORN", "Vorn Order Desk");
  ASSERT_TRUE(window);
  EXPECT_NE(GetFileAttributesA(dir.File("vorn.db").c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(TScratchDir::Read(dir.File("vorn.log")).find("Error Returned"), std::string::npos);

  // Edit > Customer... (the first item of the Edit menu) opens the customer form.
  PostMessageA(window, WM_COMMAND, FIRST_EDIT_ID, 0);
  HWND form = WaitForWindow(child.pid(), "EditDlg", "Customer");
  ASSERT_TRUE(form);
  EXPECT_TRUE(GetDlgItem(form, FieldId(0)));
  Sleep(500);
  SaveScreenBitmap(nullptr, ScreenshotFolder() + "/main_window_customer_form.bmp");
  PostMessageA(window, WM_COMMAND, 100, 0);
  EXPECT_EQ(child.Wait(20000), 0);
}

TEST(FirstStart, NoToTheCreationEndsWithAFailureCode) {
  TScratchDir dir("nocreate");
  CopySample(dir);
  TChild child;
  ASSERT_TRUE(StartChild(child, VornProgram(), dir.path().c_str()));
  TWatchedDialog question = WatchAndPress(child.pid(), "No database found", IDNO, 30000);
  ASSERT_TRUE(question.found);
  EXPECT_EQ(child.Wait(20000), 1);
  EXPECT_EQ(GetFileAttributesA(dir.File("vorn.db").c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST(FirstStart, ACancelledConnectionEndsWithAFailureCode) {
  TScratchDir dir("noserver");
  CopySample(dir);
  dir.Write("VORN.INI", "[Network]\r\nDriver Name=PostgreSQL ANSI\r\nServer Name=127.0.0.1:1\r\n"
                        "Database=vorn\r\nTrusted Connection=N\r\nUsername=nobody\r\n");
  TChild child;
  ASSERT_TRUE(StartChild(child, VornProgram(), dir.path().c_str()));
  TWatchedDialog dialog = WatchAndPress(child.pid(), "Database Connection", IDCANCEL, 60000);
  ASSERT_TRUE(dialog.found);
  EXPECT_EQ(child.Wait(20000), 1);
}

}  // namespace

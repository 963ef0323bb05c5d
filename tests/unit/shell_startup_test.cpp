// The vorn program as a child process: start-up steps that stop it, with their boxes and
// exit codes; the login at start-up and after a real idle time-out; a first start that
// opens a form from its menu.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "data/db/connectstrings.h"
#include "data/db/odbc.h"
#include "data/db/odbcstatement.h"
#include "forms/controlids.h"
#include "shell/login.h"
#include "shell/menus.h"
#include "shell/startup.h"
#include "shell/userids.h"
#include "support/dialog_watcher.h"
#include "support/login_helper.h"
#include "support/scratch_dir.h"
#include "support/screen_capture.h"

namespace {

TEST(StartUp, WithoutAModelFileItStopsBeforeAnyDatabaseWork) {
  TScratchDir dir("nomodel");
  TChild child;
  ASSERT_TRUE(StartChild(child, VornCommandLine(), dir.path().c_str()));
  TWatchedDialog box = WatchAndPress(child.pid(), "VORN", IDOK, 30000);
  ASSERT_TRUE(box.found);
  EXPECT_EQ(box.text, "Unable to load DMD file");
  EXPECT_EQ(box.icon, TBoxIcon::Hand);
  EXPECT_EQ(child.Wait(20000), 1);
  EXPECT_EQ(GetFileAttributesA(dir.File(UPGRADE_LOG).c_str()), INVALID_FILE_ATTRIBUTES);
}

// Waits until the window is gone (a dialog that ended).
bool WaitGone(HWND window, DWORD timeoutMs = 20000) {
  for (DWORD waited = 0; IsWindow(window); waited += 50) {
    if (waited > timeoutMs) return false;
    Sleep(50);
  }
  return true;
}

// An application folder: the sample model and menus, an INI file on SQLite, and a
// database file made beforehand holding only the demo user, so that start-up asks
// nothing but the login.
class StartedProgram : public ::testing::Test {
protected:
  void SetUp() override {
    CopyFileA(WineZPath(VORN_SOURCE_DIR "/sample/vorn.dmd").c_str(), dir_.File("vorn.dmd").c_str(), FALSE);
    CopyFileA(WineZPath(VORN_SOURCE_DIR "/sample/menu.ini").c_str(), dir_.File("menu.ini").c_str(), FALSE);
    dir_.Write("VORN.INI", "[Network]\r\nDriver Name=SQLite3\r\nDatabase=vorn\r\n");
    for (const char* const* sql = SampleUserTableSql; *sql; ++sql) Exec(*sql);
  }
  void Exec(const std::string& sql) {
    TOdbcEnv env;
    TOdbcConnection make(&env);
    const std::string file = DriverFilePath(dir_.File("vorn.db"));
    ASSERT_TRUE(SQL_SUCCEEDED(make.DriverConnect(("DRIVER={SQLite3};Database=" + file + ";").c_str(), 0)))
        << make.GetDiagMessage();
    TOdbcStatement statement(&make);
    ASSERT_TRUE(SQL_SUCCEEDED(statement.ExecDirect(sql.c_str()))) << sql << ": " << statement.GetDiagMessage();
  }
  // The first value of the first row of a query, through the program's own connection plan.
  std::string FirstValue(const char* sql) {
    TOdbcEnv env;
    TOdbcConnection connection(&env);
    const TConnectPlan plan = PlanConnection(ReadNetworkSettings(dir_.File("VORN.INI"), "VORN", "", ""), dir_.path());
    if (!plan.error.empty()) return "no plan: " + plan.error;
    if (!SQL_SUCCEEDED(connection.DriverConnect(plan.databaseConnect.c_str(), 0))) return "no connection";
    TOdbcStatement rows(&connection);
    if (!SQL_SUCCEEDED(rows.ExecDirect(sql)) || rows.Fetch() != SQL_SUCCESS) return rows.GetDiagMessage();
    char text[64] = "";
    rows.GetData(0, text, sizeof text);
    return text;
  }
  // Starts the program, logs in and waits for its main window to carry the model's title.
  HWND Start(const char* user = SAMPLE_USER, const char* password = SAMPLE_PASSWORD) {
    if (!StartChild(child_, VornCommandLine(), dir_.path().c_str())) return nullptr;
    return LogInAndFindMain(child_, user, password);
  }
  static HWND LogInAndFindMain(TChild& child, const char* user = SAMPLE_USER,
                               const char* password = SAMPLE_PASSWORD) {
    TLoginDialog login = FindLoginDialog(child.pid(), 60000);
    if (!login.window) return nullptr;
    SubmitLogin(login.window, user, password);
    if (!WaitGone(login.window)) return nullptr;
    for (int i = 0; i < 600; ++i) {
      HWND window = MainWindowOf(child.pid());
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
  EXPECT_EQ(TScratchDir::Read(dir_.File(UPGRADE_LOG)), "");
}

TEST_F(StartedProgram, AnUnknownMenuTitleStopsWithItsBox) {
  dir_.Write("menu.ini", "[Menus]\r\nMenu0=&Tools\r\n[Menu Items]\r\nItem0=&Reports,X,RUN x\r\n");
  ASSERT_TRUE(StartChild(child_, VornCommandLine(), dir_.path().c_str()));
  ASSERT_TRUE(LogIn(child_.pid(), SAMPLE_USER, SAMPLE_PASSWORD));
  TWatchedDialog box = WatchAndPress(child_.pid(), "ERROR", IDOK, 30000);
  ASSERT_TRUE(box.found);
  EXPECT_EQ(box.text, "Unknown menu title in .INI file: &Reports");
  EXPECT_EQ(child_.Wait(20000), 1);
}

TEST_F(StartedProgram, CancelAtTheLoginEndsTheProgramNormally) {
  ASSERT_TRUE(StartChild(child_, VornCommandLine(), dir_.path().c_str()));
  TLoginDialog login = FindLoginDialog(child_.pid(), 60000);
  ASSERT_TRUE(login.window);
  EXPECT_EQ(login.message, "");
  PressDialogButton(login.window, IDCANCEL);
  EXPECT_EQ(child_.Wait(20000), 0);
}

TEST_F(StartedProgram, ThreeFailedLoginsEndTheProgram) {
  ASSERT_TRUE(StartChild(child_, VornCommandLine(), dir_.path().c_str()));
  TLoginDialog login = FindLoginDialog(child_.pid(), 60000);
  ASSERT_TRUE(login.window);
  SubmitLogin(login.window, SAMPLE_USER, "wrong");
  SubmitLogin(login.window, "nobody", SAMPLE_PASSWORD);
  EXPECT_EQ(LoginMessage(login.window), "Invalid Username or Password!");
  auto box = WatchAndPressAsync(child_.pid(), "Login Unsuccessful", IDOK, 30000);
  SubmitLogin(login.window, SAMPLE_USER, "");
  ASSERT_TRUE(box.get().found);
  EXPECT_EQ(child_.Wait(20000), 0);
}

// One real time-out: with a time-out of 0 minutes the session ends when the minute
// changes. Meanwhile the open window of the first user cannot be used; the second user
// then works with his own menu file (its RUN item records its argument) and his exit
// command runs at the end.
TEST_F(StartedProgram, AnIdleSessionTimesOutAndTheNextUserLogsIn) {
  dir_.Write("VORN.INI", "[Network]\r\nDriver Name=SQLite3\r\nDatabase=vorn\r\n[General]\r\nLogin_Time_Out=0\r\n");
  const std::string recorder = "\"" + WineZPath(TestProgramPath("record_args")) + "\"";
  dir_.Write("clerk.ini", "[Menus]\r\nMenu0=&Counter\r\n[Menu Items]\r\nItem0=&Counter,Mine,RUN " + recorder +
                              " clerk-menu\r\n");
  Exec("INSERT INTO UserIds VALUES ('CLERK', 'COUNTER', 'Counter Clerk', '', 'Allowed', 'clerk.ini', "
       "'RUN " + recorder + " clerk-exit')");
  const std::string record = dir_.File("args.txt");
  SetEnvironmentVariableA("VORN_RECORD_ARGS", record.c_str());
  auto recorded = [&record](const std::string& word) {
    for (int i = 0; i < 200; ++i) {
      if (TScratchDir::Read(record).find(word) != std::string::npos) return true;
      Sleep(50);
    }
    return false;
  };
  HWND window = Start();
  SetEnvironmentVariableA("VORN_RECORD_ARGS", nullptr);
  ASSERT_TRUE(window);
  PostMessageA(window, WM_COMMAND, 102, 0);
  TWatchedDialog errors = FindDialog(child_.pid(), "Error Summary", 20000);
  ASSERT_TRUE(errors.found);

  // At worst a whole minute, one check of the idle timer and a slow machine.
  TLoginDialog login = FindLoginDialog(child_.pid(), 150000);
  ASSERT_TRUE(login.window);
  EXPECT_EQ(login.message, TIMED_OUT_TEXT);
  EXPECT_FALSE(IsWindowEnabled(errors.window));
  EXPECT_FALSE(IsWindowEnabled(window));
  SubmitLogin(login.window, SAMPLE_CLERK, SAMPLE_CLERK_PASSWORD);
  ASSERT_TRUE(WaitGone(login.window));
  EXPECT_TRUE(IsWindowEnabled(errors.window));
  EXPECT_TRUE(IsWindow(window));
  // The clerk's first RUN item has the first RUN id.
  PostMessageA(window, WM_COMMAND, 800, 0);
  EXPECT_TRUE(recorded("clerk-menu"));
  PostMessageA(window, WM_COMMAND, 100, 0);
  EXPECT_EQ(child_.Wait(20000), 0);
  EXPECT_TRUE(recorded("clerk-exit"));
}

// A preference saved by the demo user is his again after a restart; after LOGOUT the clerk
// logs in and works with his own preferences.
TEST_F(StartedProgram, ASavedPreferenceSurvivesARestartAndBelongsToItsUser) {
  Exec("CREATE TABLE User_Preferences (USER_ID VARCHAR(30) NOT NULL, Pref_Name VARCHAR(40) NOT NULL, "
       "Pref_Setting VARCHAR(40), PRIMARY KEY (USER_ID, Pref_Name))");
  Exec("INSERT INTO UserIds VALUES ('CLERK', 'COUNTER', 'Counter Clerk', '', 'Allowed', '', '')");
  Exec("INSERT INTO User_Preferences VALUES ('CLERK', 'Auto_Find', '0')");
  auto openPreferences = [this](HWND window) {
    PostMessageA(window, WM_COMMAND, 105, 0);
    return FindDialog(child_.pid(), "Preferences", 20000).window;
  };
  HWND window = Start();
  ASSERT_TRUE(window);
  HWND preferences = openPreferences(window);
  ASSERT_TRUE(preferences);
  EXPECT_EQ(SendDlgItemMessageA(preferences, 173, BM_GETCHECK, 0, 0), BST_UNCHECKED);
  PressDialogButton(preferences, 173);
  auto yes = WatchAndPressAsync(child_.pid(), "Save Preferences", IDYES, 20000);
  PostMessageA(preferences, WM_COMMAND, MAKEWPARAM(185, BN_CLICKED), 0);
  ASSERT_TRUE(yes.get().found);
  ASSERT_TRUE(WaitGone(preferences));
  PostMessageA(window, WM_COMMAND, 100, 0);
  ASSERT_EQ(child_.Wait(20000), 0);

  TChild second;
  ASSERT_TRUE(StartChild(second, VornCommandLine(), dir_.path().c_str()));
  window = LogInAndFindMain(second);
  ASSERT_TRUE(window);
  PostMessageA(window, WM_COMMAND, 105, 0);
  preferences = FindDialog(second.pid(), "Preferences", 20000).window;
  ASSERT_TRUE(preferences);
  EXPECT_EQ(SendDlgItemMessageA(preferences, 173, BM_GETCHECK, 0, 0), BST_CHECKED);
  PressDialogButton(preferences, IDCANCEL);
  ASSERT_TRUE(WaitGone(preferences));

  PostMessageA(window, WM_COMMAND, 108, 0);
  TLoginDialog login = FindLoginDialog(second.pid(), 20000);
  ASSERT_TRUE(login.window);
  EXPECT_EQ(login.message, "");
  SubmitLogin(login.window, SAMPLE_CLERK, SAMPLE_CLERK_PASSWORD);
  ASSERT_TRUE(WaitGone(login.window));
  PostMessageA(window, WM_COMMAND, 105, 0);
  preferences = FindDialog(second.pid(), "Preferences", 20000).window;
  ASSERT_TRUE(preferences);
  EXPECT_EQ(SendDlgItemMessageA(preferences, 173, BM_GETCHECK, 0, 0), BST_UNCHECKED);
  PressDialogButton(preferences, IDCANCEL);
  ASSERT_TRUE(WaitGone(preferences));
  PostMessageA(window, WM_COMMAND, 100, 0);
  EXPECT_EQ(second.Wait(20000), 0);
}

// The idle time-out while the user's preferences ask whether to save a change, and the next
// login refused: nobody answers the question or closes the dialog, yet both go, nothing is
// saved, and the program ends normally within a few seconds.
TEST_F(StartedProgram, ARefusedLoginAfterATimeOutEndsThePreferencesItInterruptedAndTheProgram) {
  Exec("CREATE TABLE User_Preferences (USER_ID VARCHAR(30) NOT NULL, Pref_Name VARCHAR(40) NOT NULL, "
       "Pref_Setting VARCHAR(40), PRIMARY KEY (USER_ID, Pref_Name))");
  HWND window = Start();
  ASSERT_TRUE(window);
  PostMessageA(window, WM_COMMAND, CMD_PREFERENCES, 0);
  HWND preferences = FindDialog(child_.pid(), "Preferences", 20000).window;
  ASSERT_TRUE(preferences);
  PressDialogButton(preferences, PREFS_AUTO_FIND);
  PostMessageA(preferences, WM_COMMAND, MAKEWPARAM(PREFS_SAVE, BN_CLICKED), 0);
  HWND question = FindDialog(child_.pid(), "Save Preferences", 20000).window;
  ASSERT_TRUE(question);

  // What the idle timer posts once the time is up.
  PostMessageA(window, WM_COMMAND, MAKEWPARAM(CMD_LOGOUT, 1), 0);
  TLoginDialog login = FindLoginDialog(child_.pid(), 20000);
  ASSERT_TRUE(login.window);
  EXPECT_EQ(login.message, TIMED_OUT_TEXT);
  PressDialogButton(login.window, IDCANCEL);
  // Each window that hides waits up to two seconds for this display: a few seconds each.
  EXPECT_EQ(child_.Wait(15000), 0) << "the question or the preferences stayed, and the program with them";
  EXPECT_EQ(FirstValue("SELECT COUNT(*) FROM User_Preferences"), "0");
}

// The upgrade script runs once: deleted after a clean run; after a failed statement set
// aside with its log, the user told once, and not run again at the next start.
TEST_F(StartedProgram, TheUpgradeScriptRunsOnceWhateverItsOutcome) {
  dir_.Write(UPGRADE_SCRIPT, "CREATE TABLE EXTRA (A INTEGER);\n");
  HWND window = Start();
  ASSERT_TRUE(window);
  EXPECT_EQ(GetFileAttributesA(dir_.File(UPGRADE_SCRIPT).c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_NE(TScratchDir::Read(dir_.File(UPGRADE_LOG)).find("Success"), std::string::npos);
  PostMessageA(window, WM_COMMAND, 100, 0);
  EXPECT_EQ(child_.Wait(20000), 0);

  dir_.Write(UPGRADE_SCRIPT, "INSERT INTO EXTRA VALUES (1);\nTHIS IS NOT SQL;\n");
  TChild second;
  ASSERT_TRUE(StartChild(second, VornCommandLine(), dir_.path().c_str()));
  TWatchedDialog box = WatchAndPress(second.pid(), "VORN", IDOK, 30000);
  ASSERT_TRUE(box.found);
  EXPECT_NE(box.text.find(UPGRADE_SCRIPT), std::string::npos) << box.text;
  EXPECT_NE(box.text.find(FAILED_UPGRADE_SCRIPT), std::string::npos) << box.text;
  EXPECT_NE(box.text.find(FAILED_UPGRADE_LOG), std::string::npos) << box.text;
  EXPECT_EQ(GetFileAttributesA(dir_.File(UPGRADE_SCRIPT).c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_NE(TScratchDir::Read(dir_.File(FAILED_UPGRADE_LOG)).find("Error Returned"), std::string::npos);
  HWND main = LogInAndFindMain(second);
  ASSERT_TRUE(main);
  PostMessageA(main, WM_COMMAND, 100, 0);
  EXPECT_EQ(second.Wait(20000), 0);

  // The next start asks nothing but the login, and the row went in once.
  TChild third;
  ASSERT_TRUE(StartChild(third, VornCommandLine(), dir_.path().c_str()));
  main = LogInAndFindMain(third);
  ASSERT_TRUE(main);
  PostMessageA(main, WM_COMMAND, 100, 0);
  EXPECT_EQ(third.Wait(20000), 0);
  EXPECT_EQ(FirstValue("SELECT COUNT(*) FROM EXTRA"), "1");
}

// A copy of the whole sample application.
void CopySample(const TScratchDir& dir) {
  for (const char* name : {"vorn.dmd", "VORN.INI", "menu.ini", "clerk.ini", "vorn.sql", "utables.sql"})
    CopyFileA(WineZPath(std::string(VORN_SOURCE_DIR "/sample/") + name).c_str(), dir.File(name).c_str(),
              FALSE);
}

// The window of that class and title of the process; waits up to timeoutMs (30 s).
HWND WaitForWindow(DWORD pid, const char* windowClass, const char* title, DWORD timeoutMs = 30000) {
  for (DWORD waited = 0; waited < timeoutMs; waited += 50) {
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
  ASSERT_TRUE(StartChild(child, VornCommandLine(), dir.path().c_str()));
  TWatchedDialog question = WatchAndPress(child.pid(), "No database found", IDYES, 30000);
  ASSERT_TRUE(question.found);
  EXPECT_EQ(question.icon, TBoxIcon::Exclamation);
  // The creation script seeds the demo user.
  ASSERT_TRUE(LogIn(child.pid(), SAMPLE_USER, SAMPLE_PASSWORD));
  HWND window = WaitForWindow(child.pid(), "VORN", "Vorn Order Desk");
  ASSERT_TRUE(window);
  EXPECT_NE(GetFileAttributesA(dir.File("vorn.db").c_str()), INVALID_FILE_ATTRIBUTES);
  // The creation log is not the upgrade's: it still holds the creation's statements.
  const std::string creationLog = TScratchDir::Read(dir.File("vorn.log"));
  EXPECT_NE(creationLog.find("Success"), std::string::npos);
  EXPECT_EQ(creationLog.find("Error Returned"), std::string::npos);

  // Edit > Customer... (the first item of the Edit menu) opens the customer form. The
  // user's menus are read once the login has been taken, a moment after its dialog has
  // gone: until then the command is not known yet, so it is given again.
  HWND form = nullptr;
  for (int attempt = 0; attempt < 30 && !form; ++attempt) {
    PostMessageA(window, WM_COMMAND, FIRST_EDIT_ID, 0);
    form = WaitForWindow(child.pid(), "EditDlg", "Customer", 1000);
  }
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
  ASSERT_TRUE(StartChild(child, VornCommandLine(), dir.path().c_str()));
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
  ASSERT_TRUE(StartChild(child, VornCommandLine(), dir.path().c_str()));
  TWatchedDialog dialog = WatchAndPress(child.pid(), "Database Connection", IDCANCEL, 60000);
  ASSERT_TRUE(dialog.found);
  EXPECT_EQ(child.Wait(20000), 1);
}

}  // namespace

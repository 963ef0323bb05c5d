// Login against the table UserIds on both databases: checking users (case, injection, the
// longest password, a missing table), the login dialog's attempts and statuses, logout
// with a new login (other user's menus and preferences, windows disabled meanwhile) and
// the idle time-out through a replaced clock.
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include <chrono>
#include <functional>
#include <future>
#include <string>
#include <vector>

#include "data/core/strings.h"
#include "data/core/userprofile.h"
#include "data/model/appfiles.h"
#include "data/model/model.h"
#include "data/model/settings.h"
#include "forms/preferences.h"
#include "shell/appwindow.h"
#include "shell/commands.h"
#include "shell/login.h"
#include "shell/mainwnd.h"
#include "shell/menus.h"
#include "shell/startup.h"
#include "shell/userids.h"
#include "support/dialog_watcher.h"
#include "support/form_support.h"
#include "support/login_helper.h"
#include "support/record_test_db.h"

namespace {

const std::string LongPassword = "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123";  // 30 characters

void ClearUser() {
  TUserProfile nobody;
  CopyUserProfile(CurrentUser, nobody);
}

class LoginTest : public RecordDatabaseTest {
protected:
  void SetUp() override {
    RecordDatabaseTest::SetUp();
    RegisterMainWindowClassesOnce();
    UseModel({{"User_Preferences", {{"USER_ID", "VARCHAR(30)"}, {"Pref_Name", "VARCHAR(40)"},
                                    {"Pref_Setting", "VARCHAR(40)"}}, {}}},
             {});
    Db().Exec("CREATE TABLE UserIds (User_Id VARCHAR(30) NOT NULL PRIMARY KEY, NPassword VARCHAR(30), "
              "Staff_Name VARCHAR(40), Start_up_File VARCHAR(120), User_Status VARCHAR(10), "
              "INI_File VARCHAR(120), on_exit_run VARCHAR(120))");
    User("SMITH", "SECRET", "Allowed", "", "", "Jane Smith");
    User("CLERK", "COUNTER", "Allowed", "clerk.ini");
    User("BARRED", "GATE", "Denied");
    User("SLEEPER", "NIGHT", "inactive");
    User("ODD", "ONE", "Maybe");
    User("LONG", LongPassword, "Allowed");
    Db().Exec("CREATE TABLE User_Preferences (USER_ID VARCHAR(30), Pref_Name VARCHAR(40), "
              "Pref_Setting VARCHAR(40))");
    ClearUser();
    Preferences = TPreferences{};
    ModelFolder = dir_.path();
    ApplicationIniPath = dir_.File("VORN.INI");
    savedEdit_ = OpenEditFormCall;
    savedClock_ = LocalTimeCall;
    savedLogout_ = LogoutCommand;
  }
  void TearDown() override {
    if (MainWindow && IsWindow(MainWindow)) DestroyWindow(MainWindow);
    DispatchWaitingMessages();
    MainWindow = StatusBarWindow = nullptr;
    FreeMenuTables();
    ClearUser();
    Preferences = TPreferences{};
    OdbcLogin = 0;
    OpenEditFormCall = savedEdit_;
    LocalTimeCall = savedClock_;
    LogoutCommand = savedLogout_;
    RecordDatabaseTest::TearDown();
  }
  void User(const std::string& id, const std::string& password, const std::string& status,
            const std::string& menu = "", const std::string& startup = "", const std::string& name = "") {
    Db().Exec("INSERT INTO UserIds VALUES ('" + id + "','" + password + "','" + name + "','" + startup +
              "','" + status + "','" + menu + "','')");
  }
  // Runs the login dialog on this thread while the script drives it from another.
  INT_PTR RunDialog(HWND owner, const char* message, std::function<void(HWND)> script) {
    auto driver = std::async(std::launch::async, [script] {
      TLoginDialog login = FindLoginDialog(GetCurrentProcessId(), 20000);
      EXPECT_TRUE(login.window);
      if (!login.window) return;
      script(login.window);
    });
    const INT_PTR result = RunLoginDialog(owner, message);
    driver.get();
    return result;
  }
  void MakeMainWindow() {
    MainWindow = CreateMainWindow(GetModuleHandleA(nullptr));
    ASSERT_TRUE(MainWindow);
    StatusBarWindow = CreateStatusBar(MainWindow, STATUS_BAR_ID);
    ShowWindow(MainWindow, SW_SHOW);
  }
  std::vector<std::string> MenuTitles() {
    std::vector<std::string> titles;
    HMENU bar = GetMenu(MainWindow);
    for (int i = 0; i < GetMenuItemCount(bar); ++i) {
      char title[64] = "";
      GetMenuStringA(bar, i, title, sizeof title, MF_BYPOSITION);
      titles.push_back(title);
    }
    return titles;
  }
  TScratchDir dir_{"login"};
  TOpenEditFormCall savedEdit_;
  TLocalTimeCall savedClock_;
  void (*savedLogout_)(HWND, int);
};

TEST_P(LoginTest, OnlyTheExactUserAndPasswordMatchWhateverTheyHold) {
  struct Case {
    std::string user, password;
    bool matches;
  };
  const Case cases[] = {
      {"SMITH", "SECRET", true},
      {"SMITH", "secret", false},  // the dialog upper-cases; the check compares as given
      {"SMITH", "SECRE", false},
      {"SMITH", "", false},
      {"NOBODY", "SECRET", false},
      {"' OR '1'='1", "' OR '1'='1", false},
      {"SMITH' --", "x", false},
      {"SMITH", "' OR ''='", false},
      {"LONG", LongPassword, true},
      {"LONG", LongPassword.substr(0, 29), false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.user + " / " + c.password);
    TUserProfile profile;
    EXPECT_EQ(CheckLogin(profile, c.user.c_str(), c.password.c_str()), c.matches);
    EXPECT_STREQ(profile.UserId, c.matches ? c.user.c_str() : "");
  }
  TUserProfile smith;
  ASSERT_TRUE(CheckLogin(smith, "SMITH", "SECRET"));
  EXPECT_STREQ(smith.Staff_Name, "Jane Smith");
  EXPECT_STREQ(smith.User_Status, "Allowed");
  EXPECT_STREQ(smith.INI_File, "");
}

TEST_P(LoginTest, AMissingUserTableIsShownAndCountsAsAFailedAttempt) {
  Db().Exec("DROP TABLE UserIds");
  auto box = WatchAndPressAsync(GetCurrentProcessId(), "Could not validate Login Details", IDOK, 20000);
  const INT_PTR result = RunDialog(nullptr, nullptr, [](HWND dialog) {
    SubmitLogin(dialog, "smith", "secret");
    EXPECT_EQ(LoginMessage(dialog), "Invalid Username or Password!");
    PressDialogButton(dialog, IDCANCEL);
  });
  EXPECT_EQ(result, 0);
  TWatchedDialog shown = box.get();
  ASSERT_TRUE(shown.found);
  EXPECT_EQ(shown.text.rfind("SQL Error: ", 0), 0u) << shown.text;
  EXPECT_EQ(shown.icon, TBoxIcon::Hand);
}

TEST_P(LoginTest, AnyCaseOfNameAndPasswordLogsInAndRunsTheStartUpCommand) {
  Db().Exec("UPDATE UserIds SET Start_up_File='EDIT User_Preferences' WHERE User_Id='SMITH'");
  static std::vector<std::string> opened;
  opened.clear();
  OpenEditFormCall = [](const TEntity* entity, HWND owner) -> HWND {
    opened.push_back(std::string(entity->Name) + (owner == MainWindow ? " main" : " other"));
    return nullptr;
  };
  MakeMainWindow();
  std::string message;
  const INT_PTR result = RunDialog(MainWindow, "Welcome back", [&message](HWND dialog) {
    message = LoginMessage(dialog);
    SubmitLogin(dialog, "smith", "Secret");
  });
  EXPECT_EQ(result, 1);
  EXPECT_EQ(message, "Welcome back");
  EXPECT_STREQ(CurrentUser.UserId, "SMITH");
  EXPECT_STREQ(CurrentUser.Staff_Name, "Jane Smith");
  EXPECT_EQ(opened, std::vector<std::string>{"User_Preferences main"});
}

TEST_P(LoginTest, AThirtyCharacterPasswordIsReadWhole) {
  const INT_PTR result = RunDialog(nullptr, nullptr, [](HWND dialog) {
    SubmitLogin(dialog, "long", (LongPassword + "XYZ").c_str());  // the edit keeps 30
  });
  EXPECT_EQ(result, 1);
  EXPECT_STREQ(CurrentUser.UserId, "LONG");
}

TEST_P(LoginTest, TwoFailuresThenRefusedStatusesKeepTheDialogOpenUntilTheThirdFailure) {
  auto box = WatchAndPressAsync(GetCurrentProcessId(), "Login Unsuccessful", IDOK, 30000);
  std::vector<std::string> messages;
  bool emptied = true;
  const INT_PTR result = RunDialog(nullptr, nullptr, [&](HWND dialog) {
    const char* attempts[][2] = {{"smith", "wrong"}, {"' OR '1'='1", "' OR '1'='1"},
                                 {"barred", "gate"},  {"sleeper", "night"},
                                 {"odd", "one"}};
    for (auto& attempt : attempts) {
      SubmitLogin(dialog, attempt[0], attempt[1]);
      messages.push_back(LoginMessage(dialog));
      char user[64] = "", password[64] = "";
      GetDlgItemTextA(dialog, LOGIN_USER_ID, user, sizeof user);
      GetDlgItemTextA(dialog, LOGIN_PASSWORD_ID, password, sizeof password);
      emptied = emptied && !*user && !*password;
    }
    SubmitLogin(dialog, "smith", "again");
  });
  EXPECT_EQ(result, 0);
  EXPECT_EQ(messages, (std::vector<std::string>{
                          "Invalid Username or Password!", "Invalid Username or Password!",
                          "Your login profile currently Denies you access to the system.",
                          "Your login profile is currently Inactive.",
                          "No User Status defined for this user."}));
  EXPECT_TRUE(emptied);
  TWatchedDialog shown = box.get();
  ASSERT_TRUE(shown.found);
  EXPECT_EQ(shown.text,
            "You have exceeded the number of allowed password attempts!\n\nThe application will now be closed.");
  EXPECT_EQ(shown.icon, TBoxIcon::Hand);
  // A refused user never becomes the current one.
  EXPECT_STREQ(CurrentUser.UserId, "");
}

TEST_P(LoginTest, CancelEndsTheDialogWithZero) {
  EXPECT_EQ(RunDialog(nullptr, nullptr, [](HWND dialog) { PressDialogButton(dialog, IDCANCEL); }), 0);
}

// Logout after a time-out: the login shows the time-out text while no window of the
// program can be used; the new user gets his menus and preferences, the old menu bar goes.
TEST_P(LoginTest, ReLoginAsAnotherUserGivesHisMenusAndPreferences) {
  dir_.Write("menu.ini", "[Menus]\r\nMenu0=&Records\r\n[Menu Items]\r\nItem0=&Records,Prefs,EDIT User_Preferences\r\n");
  dir_.Write("clerk.ini", "[Menus]\r\nMenu0=&Counter\r\n[Menu Items]\r\nItem0=&Counter,Prefs,VIEW User_Preferences\r\n"
                          "[Toolbar]\r\nItem0=Go,0,0,32,32,,EDIT User_Preferences\r\n");
  Db().Exec("INSERT INTO User_Preferences VALUES ('CLERK','Auto_Find','1')");
  Db().Exec("INSERT INTO User_Preferences VALUES ('CLERK','Info_Messages_Color','ff')");
  OdbcLogin = 1;
  MakeMainWindow();
  CopyUserProfile(CurrentUser, TUserProfile{});
  LoadUserMenusAndPreferences(MainWindow);
  EXPECT_EQ(MenuTitles(), (std::vector<std::string>{"&File", "&Records", "&Help"}));
  EXPECT_FALSE(Preferences.AutoFind);
  HMENU oldBar = GetMenu(MainWindow);
  HWND other = CreateWindowA("STATIC", "a form of the previous user", WS_POPUP | WS_VISIBLE, 0, 0, 50, 50,
                             MainWindow, nullptr, GetModuleHandleA(nullptr), nullptr);

  bool otherDisabled = false, mainDisabled = false;
  std::string message;
  auto driver = std::async(std::launch::async, [&] {
    TLoginDialog login = FindLoginDialog(GetCurrentProcessId(), 20000);
    if (!login.window) return;
    message = login.message;
    otherDisabled = !IsWindowEnabled(other);
    mainDisabled = !IsWindowEnabled(MainWindow);
    SubmitLogin(login.window, "clerk", "counter");
  });
  LogoutAndLoginAgain(MainWindow, 1);
  driver.get();
  EXPECT_EQ(message, TIMED_OUT_TEXT);
  EXPECT_TRUE(otherDisabled);
  EXPECT_TRUE(mainDisabled);
  EXPECT_TRUE(IsWindowEnabled(other));
  EXPECT_TRUE(IsWindow(MainWindow));
  EXPECT_STREQ(CurrentUser.UserId, "CLERK");
  EXPECT_EQ(MenuTitles(), (std::vector<std::string>{"&File", "&Counter", "&Help"}));
  EXPECT_FALSE(IsMenu(oldBar));
  ASSERT_EQ(ToolbarButtons.size(), 1u);
  EXPECT_TRUE(IsWindow(ToolbarButtons[0].Window));
  EXPECT_TRUE(Preferences.AutoFind);
  EXPECT_EQ(Preferences.InfoMessagesColor, 0x0000FFu);
  DestroyWindow(other);
}

TEST_P(LoginTest, CancelAtReLoginClosesTheMainWindow) {
  OdbcLogin = 1;
  MakeMainWindow();
  LoadUserMenusAndPreferences(MainWindow);
  std::string message = "unset";
  auto driver = std::async(std::launch::async, [&] {
    TLoginDialog login = FindLoginDialog(GetCurrentProcessId(), 20000);
    if (!login.window) return;
    message = login.message;
    PressDialogButton(login.window, IDCANCEL);
  });
  LogoutAndLoginAgain(MainWindow, 0);
  driver.get();
  EXPECT_EQ(message, "");
  EXPECT_FALSE(IsWindow(MainWindow));
}

// The idle clock: a replaced clock steps over the time-out; the timer then posts LOGOUT
// with the time-out notification, and only in login mode does the logout run.
SYSTEMTIME fakeNow;
void WINAPI FakeClock(SYSTEMTIME* now) { *now = fakeNow; }
std::vector<int> logouts;

TEST_P(LoginTest, TheIdleTimerLogsOutOnlyAfterMoreThanTheTimeOutAcrossMidnight) {
  LocalTimeCall = FakeClock;
  logouts.clear();
  LogoutCommand = [](HWND, int timedOut) { logouts.push_back(timedOut); };
  OdbcLogin = 1;
  LoginTimeOut = 60;
  MakeMainWindow();
  fakeNow = SYSTEMTIME{};
  fakeNow.wYear = 2026, fakeNow.wMonth = 12, fakeNow.wDay = 31, fakeNow.wHour = 23, fakeNow.wMinute = 30;
  StartIdleTimer(MainWindow);
  auto at = [](WORD day, WORD hour, WORD minute) {
    fakeNow.wYear = day == 31 ? 2026 : 2027;
    fakeNow.wMonth = day == 31 ? 12 : 1;
    fakeNow.wDay = day, fakeNow.wHour = hour, fakeNow.wMinute = minute;
  };
  auto tick = [&](WORD day, WORD hour, WORD minute) {
    at(day, hour, minute);
    SendMessageA(MainWindow, WM_TIMER, IDLE_TIMER_ID, 0);
    DispatchWaitingMessages();
  };
  tick(1, 0, 30);  // 60 minutes: not more than the time-out
  EXPECT_TRUE(logouts.empty());
  tick(1, 0, 31);
  EXPECT_EQ(logouts, std::vector<int>{1});
  // The time-out started a new count from that moment.
  tick(1, 1, 31);
  EXPECT_EQ(logouts, std::vector<int>{1});
  // A key press counts as activity.
  at(1, 2, 0);
  SendMessageA(MainWindow, WM_KEYDOWN, 'A', 0);
  tick(1, 3, 0);
  EXPECT_EQ(logouts, std::vector<int>{1});
  tick(1, 3, 1);
  EXPECT_EQ(logouts, (std::vector<int>{1, 1}));
  // Without login mode LOGOUT does nothing.
  OdbcLogin = 0;
  tick(1, 4, 2);
  EXPECT_EQ(logouts, (std::vector<int>{1, 1}));
  LoginTimeOut = 60;
  KillTimer(MainWindow, IDLE_TIMER_ID);
}

INSTANTIATE_DATABASE_TESTS(LoginTest);

}  // namespace

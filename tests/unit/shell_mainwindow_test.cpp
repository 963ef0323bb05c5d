// The main window on a real window of class "VORN": its commands, context help through the
// replaceable help call, status help of menu entries, print set-up and the idle clock.
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include <future>
#include <string>
#include <vector>

#include "data/core/strings.h"
#include "data/db/sqltrace.h"
#include "data/model/model.h"
#include "forms/messagepump.h"
#include "shell/appwindow.h"
#include "shell/commands.h"
#include "shell/mainwnd.h"
#include "shell/menus.h"
#include "support/dialog_watcher.h"
#include "support/form_support.h"
#include "support/scratch_dir.h"
#include "support/test_model.h"

namespace {

std::vector<std::string> log;

BOOL RecordHelp(HWND, const char* file, UINT command, ULONG_PTR data) {
  const char* name = command == HELP_CONTEXT ? "context" : command == HELP_CONTENTS ? "contents"
                     : command == HELP_QUIT ? "quit" : "other";
  log.push_back(std::string("help ") + name + " " + std::to_string(data) + " " + file);
  return TRUE;
}

BOOL RecordPrintSetup(PRINTDLGA* record) {
  log.push_back("print setup " + std::to_string(record->Flags) +
                (record->hwndOwner == MainWindow ? " main" : " other"));
  return FALSE;
}

HWND RecordEditForm(const TEntity* entity, HWND) {
  log.push_back(std::string("edit ") + entity->Name);
  return nullptr;
}

class MainWindowTest : public ::testing::Test {
protected:
  void SetUp() override {
    RegisterMainWindowClassesOnce();
    BuildModel(TheModel, {{"CUSTOMER", {{"id", "INTEGER"}}, {}}, {"ORDERS", {{"id", "INTEGER"}}, {}}});
    ReplaceString(&TheModel.Entities[0].Caption, "Customer");
    MainWindow = CreateMainWindow(GetModuleHandleA(nullptr));
    ASSERT_TRUE(MainWindow);
    StatusBarWindow = CreateStatusBar(MainWindow, STATUS_BAR_ID);
    ShowWindow(StatusBarWindow, SW_SHOW);
    ShowWindow(MainWindow, SW_SHOW);
    snprintf(HelpFilePath, sizeof HelpFilePath, "SHOP.CHM");
    const std::string menu = dir_.Write(
        "menu.ini", "[Menus]\nMenu0=&Reports\n[Menu Items]\nItem0=&Reports,Customers,EDIT customer\n"
                    "Item1=&Reports,Orders,VIEW ORDERS\nItem2=&Reports,Odd,HELLO\n"
                    "Item3=&Reports,Long," + std::string(8192, 'L') + "\n"
                    "[Toolbar]\nItem0=Open,0,0,32,32,,EDIT ORDERS\n");
    BuildMainMenus(menu.c_str());
    SetMenuBarFromTables(MainWindow);
    log.clear();
    HelpCall = RecordHelp;
    PrintSetupCall = RecordPrintSetup;
    OpenEditFormCall = RecordEditForm;
    HelpMode = false;
  }
  void TearDown() override {
    if (IsWindow(MainWindow)) DestroyWindow(MainWindow);
    MSG quit;
    while (PeekMessageA(&quit, nullptr, 0, 0, PM_REMOVE)) {
    }
    HelpCall = savedHelp_;
    PrintSetupCall = savedPrint_;
    OpenEditFormCall = savedEdit_;
    MainWindow = StatusBarWindow = nullptr;
    FreeMenuTables();
    TheModel.Clear();
    HelpMode = false;
  }
  LRESULT Send(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
    return SendMessageA(MainWindow, message, wParam, lParam);
  }
  TScratchDir dir_{"mainwnd"};
  THelpCall savedHelp_ = HelpCall;
  TPrintSetupCall savedPrint_ = PrintSetupCall;
  TOpenEditFormCall savedEdit_ = OpenEditFormCall;
};

TEST_F(MainWindowTest, HelpModeClicksOpenHelpAtTheirContexts) {
  struct Case {
    UINT message;
    WPARAM wParam;
    const char* help;  // null: no help call, help mode stays on
  };
  const Case cases[] = {
      {WM_COMMAND, 200, "help context 200 SHOP.CHM"},
      {WM_COMMAND, 400, "help context 401 SHOP.CHM"},
      {WM_COMMAND, 105, "help context 105 SHOP.CHM"},
      {WM_COMMAND, 900, "help context 900 SHOP.CHM"},
      {WM_NCLBUTTONDOWN, HTCAPTION, "help context 10 SHOP.CHM"},
      {WM_NCLBUTTONDOWN, HTGROWBOX, "help context 11 SHOP.CHM"},
      {WM_NCLBUTTONDOWN, HTREDUCE, "help context 12 SHOP.CHM"},
      {WM_NCLBUTTONDOWN, HTZOOM, "help context 13 SHOP.CHM"},
      {WM_NCLBUTTONDOWN, HTSYSMENU, "help context 14 SHOP.CHM"},
      {WM_NCLBUTTONDOWN, HTBOTTOMRIGHT, "help context 15 SHOP.CHM"},
      {WM_NCLBUTTONDOWN, HTLEFT, "help context 15 SHOP.CHM"},
      {WM_NCLBUTTONDOWN, HTCLIENT, nullptr},
      {WM_LBUTTONDOWN, 0, "help context 1 SHOP.CHM"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.message) + " " + std::to_string(c.wParam));
    log.clear();
    HelpMode = true;
    Send(c.message, c.wParam, 0);
    EXPECT_EQ(log, c.help ? std::vector<std::string>{c.help} : std::vector<std::string>{});
    EXPECT_EQ(HelpMode, c.help == nullptr);
  }
}

TEST_F(MainWindowTest, F1ContentsAndTheHookMessageOpenHelp) {
  Send(WM_KEYDOWN, VK_F1);
  Send(WM_COMMAND, CMD_CONTENTS);
  CurrentHelpContext = 0;
  Send(WM_HELP_KEY);
  CurrentHelpContext = 102;
  Send(WM_HELP_KEY);
  CurrentHelpContext = 106;
  Send(CommdlgHelpMessage);
  HelpMode = true;
  Send(WM_KEYDOWN, VK_ESCAPE);
  EXPECT_FALSE(HelpMode);
  EXPECT_EQ(log, (std::vector<std::string>{"help contents 0 SHOP.CHM", "help contents 0 SHOP.CHM",
                                           "help context 102 SHOP.CHM", "help context 106 SHOP.CHM"}));
  DestroyWindow(MainWindow);
  EXPECT_EQ(log.back(), "help quit 0 SHOP.CHM");
  MSG quit;
  EXPECT_TRUE(PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
}

TEST_F(MainWindowTest, CommandsRunFromMenusAndButtons) {
  Send(WM_COMMAND, 200);
  Send(WM_COMMAND, FIRST_TOOLBAR_ID);
  Send(WM_COMMAND, CMD_TEST);
  Send(WM_COMMAND, CMD_PRINTSETUP);
  EXPECT_EQ(CurrentHelpContext, 106);
  EXPECT_EQ(log, (std::vector<std::string>{"edit CUSTOMER", "edit ORDERS",
                                           "print setup " + std::to_string(PD_PRINTSETUP | PD_SHOWHELP) + " main"}));

  HMENU bar = GetMenu(MainWindow);
  const bool spy = SqlSpyFlag;
  SqlSpyFlag = false;
  HMENU reports = GetSubMenu(bar, 1);
  AppendMenuA(reports, MF_STRING, CMD_SQLSPY, "Spy");
  Send(WM_COMMAND, CMD_SQLSPY);
  EXPECT_TRUE(SqlSpyFlag);
  EXPECT_TRUE(GetMenuState(bar, CMD_SQLSPY, MF_BYCOMMAND) & MF_CHECKED);
  Send(WM_COMMAND, CMD_SQLSPY);
  EXPECT_FALSE(SqlSpyFlag);
  EXPECT_FALSE(GetMenuState(bar, CMD_SQLSPY, MF_BYCOMMAND) & MF_CHECKED);
  SqlSpyFlag = spy;

  auto watcher = WatchAndPressAsync(GetCurrentProcessId(), "Cannot run command", IDOK, 10000);
  PostMessageA(MainWindow, WM_COMMAND, 900, 0);
  for (int i = 0; i < 100 && watcher.wait_for(std::chrono::milliseconds(20)) != std::future_status::ready; ++i)
    DispatchWaitingMessages();
  TWatchedDialog box = watcher.get();
  ASSERT_TRUE(box.found);
  EXPECT_EQ(box.text, "HELLO");
  EXPECT_EQ(box.icon, TBoxIcon::Exclamation);

  Send(WM_COMMAND, CMD_EXIT);
  EXPECT_FALSE(IsWindow(MainWindow));
}

// File > Exit or a close during long work that pumps messages: the window stays until the
// work has ended, and the program's end reaches the main loop (a nested pump puts it back).
TEST_F(MainWindowTest, ExitDuringPumpingWorkEndsTheProgramAfterIt) {
  for (UINT close : {static_cast<UINT>(WM_COMMAND), static_cast<UINT>(WM_CLOSE)}) {
    SCOPED_TRACE(close);
    if (!IsWindow(MainWindow)) MainWindow = CreateMainWindow(GetModuleHandleA(nullptr));
    {
      TPumpingScope work;
      PostMessageA(MainWindow, close, close == WM_COMMAND ? CMD_EXIT : 0, 0);
      PumpWaitingMessages();
      EXPECT_TRUE(IsWindow(MainWindow));
    }
    PumpWaitingMessages();  // the close put off, then the WM_QUIT of the destroyed window
    EXPECT_FALSE(IsWindow(MainWindow));
    MSG quit;
    EXPECT_TRUE(PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
  }
}

TEST_F(MainWindowTest, MenuSelectionSetsContextAndBoundedStatusText) {
  HMENU reports = GetSubMenu(GetMenu(MainWindow), 1);
  Send(WM_MENUSELECT, MAKEWPARAM(200, MF_HILITE), reinterpret_cast<LPARAM>(reports));
  EXPECT_EQ(CurrentHelpContext, 200);
  EXPECT_STREQ(GetStatusText(), "Edit/inspect a Customer record");
  Send(WM_MENUSELECT, MAKEWPARAM(1, MF_POPUP | MF_HILITE), reinterpret_cast<LPARAM>(GetMenu(MainWindow)));
  EXPECT_EQ(CurrentHelpContext, 51);
  EXPECT_STREQ(GetStatusText(), "Reports menu");
  Send(WM_MENUSELECT, MAKEWPARAM(901, MF_HILITE), reinterpret_cast<LPARAM>(reports));
  EXPECT_EQ(CurrentHelpContext, 0);
  const std::string text = GetStatusText();
  EXPECT_EQ(text.size(), 199u);
  EXPECT_EQ(text.rfind("Unknown menu command: Long (LLL", 0), 0u);
  char shown[256] = "";
  SendMessageA(StatusBarWindow, SB_GETTEXTA, 1, reinterpret_cast<LPARAM>(shown));
  EXPECT_EQ(std::string(shown), text);
  Send(WM_MENUSELECT, MAKEWPARAM(0, 0xFFFF), 0);
  EXPECT_STREQ(GetStatusText(), "");
}

TEST_F(MainWindowTest, PreferencesWithoutTheirDialogSayTheyAreNotAvailable) {
  auto watcher = WatchAndPressAsync(GetCurrentProcessId(), "Cannot run command", IDOK, 10000);
  PostMessageA(MainWindow, WM_COMMAND, CMD_PREFERENCES, 0);
  for (int i = 0; i < 100 && watcher.wait_for(std::chrono::milliseconds(20)) != std::future_status::ready; ++i)
    DispatchWaitingMessages();
  TWatchedDialog box = watcher.get();
  ASSERT_TRUE(box.found);
  EXPECT_EQ(box.text, "Preferences are not available in this program.");
  Send(WM_COMMAND, CMD_LOGOUT);
  EXPECT_TRUE(IsWindow(MainWindow));
}

TEST(IdleClock, TimesOutAfterTheSameMinutesAcrossDaysAndMonths) {
  struct Case {
    SYSTEMTIME last, now;
    int minutes;
    bool out;
  };
  auto at = [](WORD y, WORD mo, WORD d, WORD h, WORD mi, WORD s = 0) {
    SYSTEMTIME t{};
    t.wYear = y;
    t.wMonth = mo;
    t.wDay = d;
    t.wHour = h;
    t.wMinute = mi;
    t.wSecond = s;
    return t;
  };
  const Case cases[] = {
      {at(2026, 12, 10, 9, 0), at(2026, 12, 10, 10, 0), 60, false},
      {at(2026, 12, 10, 9, 0), at(2026, 12, 10, 10, 1), 60, true},
      {at(2026, 12, 10, 23, 30), at(2026, 12, 11, 0, 30), 60, false},
      {at(2026, 12, 10, 23, 30), at(2026, 12, 11, 0, 31), 60, true},
      {at(2026, 1, 31, 23, 50), at(2026, 2, 1, 0, 20), 20, true},
      {at(2026, 12, 31, 23, 59, 59), at(2027, 1, 1, 0, 5, 0), 5, true},
      {at(2026, 12, 31, 23, 59, 59), at(2027, 1, 1, 0, 4, 59), 5, false},
  };
  for (const Case& c : cases) EXPECT_EQ(IdleTimedOut(c.now, c.last, c.minutes), c.out);
}

}  // namespace

// Windows that go while a window asks a question or pumps messages, on real windows over
// SQLite and PostgreSQL: for each question and each fetch, the window's opener is closed,
// the window itself is closed, or the idle time-out logs out and the login is refused,
// while the step waits; the program lives on, the rows are written whole or not at all,
// and every window and dialog object is gone once all is closed.
#include <gtest/gtest.h>

#include <windows.h>

#include <functional>
#include <future>
#include <string>

#include "data/db/reclist.h"
#include "data/model/model.h"
#include "forms/basedlg.h"
#include "forms/controlids.h"
#include "forms/preferences.h"
#include "forms/viewdlg.h"
#include "forms/windowmanager.h"
#include "forms/appwindow.h"
#include "shell/login.h"
#include "shell/mainwnd.h"
#include "support/dialog_watcher.h"
#include "support/form_support.h"
#include "support/shop_forms.h"

namespace {

// What happens while the step waits.
enum class TMeanwhile { CloseOpener, CloseItself, LogOut };

const char* MeanwhileName(TMeanwhile meanwhile) {
  switch (meanwhile) {
    case TMeanwhile::CloseOpener:
      return "the opener closed";
    case TMeanwhile::CloseItself:
      return "the window closed";
    case TMeanwhile::LogOut:
      return "logged out";
  }
  return "";
}

// The window whose message does the meanwhile step on this thread, inside whatever loop
// runs when it arrives (a message box's, a fetch's, the login's).
constexpr UINT DO_MEANWHILE = WM_APP + 7;

struct TMeanwhileTarget {
  TMeanwhile what = TMeanwhile::CloseOpener;
  HWND opener = nullptr;
  int openerClose = 0;  // the opener's own close button
};
TMeanwhileTarget meanwhileTarget;

// The newest window the opener owns: the window of the step (it may have come during it).
HWND NewestOwnedBy(HWND opener) {
  HWND newest = nullptr;
  for (HWND w = AppWindowManager.FirstWindow(); w; w = AppWindowManager.NextWindow(w))
    if (AppWindowManager.GetOwner(w) == opener) newest = w;
  return newest;
}

LRESULT CALLBACK MeanwhileProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message != DO_MEANWHILE) return DefWindowProcA(window, message, wParam, lParam);
  const TMeanwhileTarget& target = meanwhileTarget;
  switch (target.what) {
    case TMeanwhile::CloseOpener:
      SendMessageA(target.opener, WM_COMMAND, MAKEWPARAM(target.openerClose, BN_CLICKED), 0);
      break;
    case TMeanwhile::CloseItself:
      if (HWND itself = NewestOwnedBy(target.opener)) SendMessageA(itself, WM_CLOSE, 0, 0);
      break;
    case TMeanwhile::LogOut:
      LogoutAndLoginAgain(MainWindow, 1);
      break;
  }
  return 0;
}

// The visible dialog box of this process with exactly this title, waited for up to ten
// seconds (null when none came).
HWND WaitForBox(const char* title) {
  for (int waited = 0; waited < 10000; waited += 10) {
    for (HWND w = FindWindowExA(nullptr, nullptr, "#32770", title); w; w = FindWindowExA(nullptr, w, "#32770", title)) {
      DWORD pid = 0;
      GetWindowThreadProcessId(w, &pid);
      if (pid == GetCurrentProcessId() && IsWindowVisible(w)) return w;
    }
    Sleep(10);
  }
  return nullptr;
}

// One question or fetch of a window: the rows and preferences it starts from, how its
// opener and the window come (the window owned by the opener), the command that starts
// it, the box it asks and the button that answers it (none for a fetch), and the rows
// afterwards.
struct TStep {
  const char* name;
  std::function<void()> prepare;
  std::function<HWND()> openOpener;
  int openerClose;
  std::function<HWND(HWND opener)> openWindow;  // null: the command is pressed on the opener
  int command;
  const char* question;
  int answer;
  const char* rowsQuery;
  const char* rowsAfter;
};

class WindowLifeTest : public FormWindowsTest {
protected:
  void SetUp() override {
    FormWindowsTest::SetUp();
    WNDCLASSA wc = {};
    wc.lpfnWndProc = MeanwhileProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "VornMeanwhile";
    RegisterClassA(&wc);
    wc.lpfnWndProc = MainWndProc;  // the program's main window, on this test's own class
    wc.lpszClassName = "VornLifeMain";
    RegisterClassA(&wc);
    meanwhileWindow_ = CreateWindowA("VornMeanwhile", "", 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
    standInMain_ = MainWindow;
    UseShop();
    Preferences.PromptBeforeDelete = true;
    Preferences.SkipListBoxIfSingleView = false;
    Preferences.WarnOnFind = TFindWarning::Never;
    baseline_ = Preferences;
  }
  void TearDown() override {
    if (MainWindow != standInMain_ && IsWindow(MainWindow)) DestroyWindow(MainWindow);
    DispatchWaitingMessages();
    MainWindow = standInMain_;
    DestroyWindow(meanwhileWindow_);
    FormWindowsTest::TearDown();
  }

  // 300 rows numbered from 100: the insert's head and the values of each row k.
  void ManyRows(const std::string& insert, const std::string& values) {
    Db().Exec(insert + " WITH RECURSIVE n(k) AS (SELECT 100 UNION ALL SELECT k + 1 FROM n WHERE k < 399) SELECT " +
              values + " FROM n");
  }

  // A customer form of its own, owned by owner, on customer 1.
  HWND CustomerForm(HWND owner) {
    HWND window = Open("CUST", owner);
    FindKey("CUST_ID", "1");
    return window;
  }

  // Every window still open closed as the user would, until none is left.
  void CloseAll() {
    for (int round = 0; round < 20 && AppWindowManager.GetCount() > 0; ++round) {
      for (HWND w = AppWindowManager.FirstWindow(); w; w = AppWindowManager.NextWindow(w)) PostMessageA(w, WM_CLOSE, 0, 0);
      PumpMessages(30);
    }
  }

  // Runs the step with the meanwhile action while it waits.
  void Run(const TStep& step, TMeanwhile meanwhile) {
    SCOPED_TRACE(std::string(step.name) + ", " + MeanwhileName(meanwhile));
    for (const char* table : {"ORD", "CONT", "CUST"}) Db().Exec(std::string("DELETE FROM ") + table);
    Preferences = baseline_;
    const int liveBefore = TBaseDlg::LiveCount();
    MainWindow = CreateWindowA("VornLifeMain", "vorn", WS_OVERLAPPEDWINDOW, 0, 0, 300, 200, nullptr,
                               nullptr, GetModuleHandleA(nullptr), nullptr);
    ASSERT_TRUE(MainWindow);
    HWND mainWindow = MainWindow;
    step.prepare();
    HWND opener = step.openOpener();
    ASSERT_TRUE(opener);
    HWND window = step.openWindow ? step.openWindow(opener) : opener;
    ASSERT_TRUE(window);
    meanwhileTarget = TMeanwhileTarget{meanwhile, opener, step.openerClose};

    // The driver: at the question (or at once for a fetch) the meanwhile step; the login
    // refused; then the question, if it is still there, answered.
    HWND doer = meanwhileWindow_;
    std::string question = step.question ? step.question : "";
    const int answer = step.answer;
    if (question.empty()) PostMessageA(doer, DO_MEANWHILE, 0, 0);  // handled in the fetch's first round
    auto driver = std::async(std::launch::async, [doer, question, answer, meanwhile] {
      HWND box = nullptr;
      if (!question.empty()) {
        box = WaitForBox(question.c_str());
        if (!box) return false;
        PostMessageA(doer, DO_MEANWHILE, 0, 0);
      }
      if (meanwhile == TMeanwhile::LogOut) {
        HWND login = WaitForBox("Login");
        if (!login) return false;
        PressDialogButton(login, IDCANCEL);
      }
      if (question.empty()) return true;
      Sleep(200);  // what the meanwhile step started has run
      return IsWindow(box) && IsWindowVisible(box) && PressDialogButton(box, answer);
    });
    SendMessageA(window, WM_COMMAND, MAKEWPARAM(step.command, BN_CLICKED), 0);
    // A fetch's window may still be coming while the driver ends.
    while (driver.wait_for(std::chrono::milliseconds(10)) != std::future_status::ready) PumpMessages(10);
    EXPECT_TRUE(driver.get()) << (question.empty() ? "the login was not shown" : "the question did not wait");
    PumpMessages(100);  // the closes that waited

    const bool ended = meanwhile == TMeanwhile::LogOut;
    EXPECT_EQ(IsWindow(mainWindow) != 0, !ended) << "the refused login ends the program once the step is done";
    EXPECT_EQ(IsWindow(opener) != 0, meanwhile == TMeanwhile::CloseItself);
    EXPECT_EQ(Query(step.rowsQuery), step.rowsAfter);
    CloseAll();
    EXPECT_EQ(AppWindowManager.GetCount(), 0);
    EXPECT_EQ(TBaseDlg::LiveCount(), liveBefore) << "a dialog object freed twice or never";
    if (IsWindow(mainWindow)) DestroyWindow(mainWindow);
    DispatchWaitingMessages();  // the main window's WM_QUIT
    MainWindow = standInMain_;
  }

  HWND meanwhileWindow_ = nullptr;
  HWND standInMain_ = nullptr;
  TPreferences baseline_{};
};

constexpr const char* CUSTOMERS = "SELECT COUNT(*) || ':' || COALESCE(MIN(CUST_ID), 0) || ',' || COALESCE(MAX(CUST_ID), 0) FROM CUST";
constexpr const char* ORDER_OWNERS = "SELECT COUNT(*) || ':' || COALESCE(MIN(CUST_ID), 0) FROM ORD";

TEST_P(WindowLifeTest, NoWindowGoesUnderAQuestionOrAFetchOfAnother) {
  auto oneCustomer = [this] { Db().Exec("INSERT INTO CUST (CUST_ID, NAME) VALUES (1, 'Ann')"); };
  auto customerWithOrder = [this] {
    Db().Exec("INSERT INTO CUST (CUST_ID, NAME) VALUES (1, 'Ann')");
    Db().Exec("INSERT INTO ORD (ORD_ID, CUST_ID, ITEM) VALUES (7, 1, 'tea')");
  };
  auto formOfMain = [this] { return CustomerForm(MainWindow); };
  auto formOfOpener = [this](HWND opener) { return CustomerForm(opener); };
  auto viewOfCustomers = [] {
    auto* list = new TDBRecList("CUST");
    list->SelectWhere("", nullptr, nullptr);
    HWND view = OpenViewWindow(nullptr, nullptr, list, MainWindow);
    if (view) SelectRow(List(view), 0);
    return view;
  };
  auto contactsOf = [this](HWND opener) {
    SendMessageA(opener, WM_COMMAND, MAKEWPARAM(ViewRelatedButtonId(RelIndex("CONTS")), BN_CLICKED), 0);
    HWND view = NewestOwnedBy(opener);
    if (view) SelectRow(List(view), 0);
    return view;
  };
  const TStep steps[] = {
      {"key change", [&] { oneCustomer(); Preferences.IfKeysAreChanged = TKeyChangeRule::AskInsertByDefault; },
       formOfMain, CANCEL_BUTTON_ID,
       [&](HWND opener) {
         HWND form = formOfOpener(opener);
         Type("CUST_ID", "5");
         return form;
       },
       SAVE_BUTTON_ID, "Customer", IDYES, CUSTOMERS, "2:1,5"},
      {"cascade refused",
       [&] {
         customerWithOrder();
         Preferences.IfKeysAreChanged = TKeyChangeRule::AlwaysUpdate;
         Preferences.AllowCascadedUpdates = true;
       },
       formOfMain, CANCEL_BUTTON_ID,
       [&](HWND opener) {
         HWND form = formOfOpener(opener);
         Type("CUST_ID", "2");
         return form;
       },
       SAVE_BUTTON_ID, "Customer", IDNO, ORDER_OWNERS, "1:1"},
      {"cascade accepted",
       [&] {
         customerWithOrder();
         Preferences.IfKeysAreChanged = TKeyChangeRule::AlwaysUpdate;
         Preferences.AllowCascadedUpdates = true;
       },
       formOfMain, CANCEL_BUTTON_ID,
       [&](HWND opener) {
         HWND form = formOfOpener(opener);
         Type("CUST_ID", "2");
         return form;
       },
       SAVE_BUTTON_ID, "Customer", IDYES, ORDER_OWNERS, "1:2"},
      {"delete", oneCustomer, formOfMain, CANCEL_BUTTON_ID, formOfOpener, DELETE_BUTTON_ID, "Customer", IDYES,
       CUSTOMERS, "0:0,0"},
      {"dependants", [&] { customerWithOrder(); Preferences.PromptBeforeDelete = false; }, formOfMain,
       CANCEL_BUTTON_ID, formOfOpener, DELETE_BUTTON_ID, "Could not delete record", IDOK, CUSTOMERS, "1:1,1"},
      {"Warn_On_Find", [&] { oneCustomer(); Preferences.WarnOnFind = TFindWarning::NoCriteria; }, formOfMain,
       CANCEL_BUTTON_ID,
       [&](HWND opener) {
         HWND form = formOfOpener(opener);
         Press(RESET_BUTTON_ID);
         return form;
       },
       FIND_BUTTON_ID, "Customer", IDNO, CUSTOMERS, "1:1,1"},
      {"list window's delete",
       [&] {
         oneCustomer();
         Db().Exec("INSERT INTO CONT (CONT_ID, CUST_ID, NAME) VALUES (11, 1, 'Eve')");
       },
       formOfMain, CANCEL_BUTTON_ID, contactsOf, DELETE_BUTTON_ID, "Contact", IDYES,
       "SELECT COUNT(*) FROM CONT", "0"},
      {"child-list fetch", [&] { oneCustomer(); ManyRows("INSERT INTO ORD (ORD_ID, CUST_ID, ITEM)", "k, 1, 'c'"); }, viewOfCustomers, CLOSE_PAGE_BUTTON_ID,
       nullptr, EDIT_BUTTON_ID, nullptr, 0, ORDER_OWNERS, "300:1"},
      {"view fetch", [&] { oneCustomer(); ManyRows("INSERT INTO CONT (CONT_ID, CUST_ID, NAME)", "k, 1, 'c'"); }, formOfMain, CANCEL_BUTTON_ID, nullptr,
       ViewRelatedButtonId(1), nullptr, 0, "SELECT COUNT(*) FROM CONT", "300"},
      {"find fetch", [&] { ManyRows("INSERT INTO CUST (CUST_ID, NAME)", "k, 'c'"); }, [&] { return Open("CUST", MainWindow); }, CANCEL_BUTTON_ID, nullptr,
       FIND_BUTTON_ID, nullptr, 0, CUSTOMERS, "300:100,399"},
  };
  for (const TStep& step : steps)
    for (TMeanwhile meanwhile : {TMeanwhile::CloseOpener, TMeanwhile::CloseItself, TMeanwhile::LogOut}) {
      Run(step, meanwhile);
      if (HasFatalFailure()) return;
    }
}

INSTANTIATE_DATABASE_TESTS(WindowLifeTest);

}  // namespace

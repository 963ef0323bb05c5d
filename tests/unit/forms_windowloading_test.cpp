// Windows that go while they load or ask, with no close to wait for (destroyed outright, as
// a window is when its owner or the main window goes), closes that wait for a box or a fetch
// of the window they would destroy, and the forms the EDIT command could not keep open, on
// real windows over SQLite and PostgreSQL, under a heap that faults at any touch of a freed
// object: every dialog object is freed once, nothing is half-written, and the window
// manager's table is empty once all is closed.
#include <gtest/gtest.h>

#include <windows.h>

#include <functional>
#include <future>
#include <string>

#include "data/core/strings.h"
#include "data/core/userprofile.h"
#include "data/db/reclist.h"
#include "data/model/model.h"
#include "data/model/settings.h"
#include "forms/accesspin.h"
#include "forms/basedlg.h"
#include "forms/controlids.h"
#include "forms/pinpad.h"
#include "forms/viewdlg.h"
#include "forms/windowmanager.h"
#include "forms/appwindow.h"
#include "shell/commands.h"
#include "support/dialog_watcher.h"
#include "support/form_support.h"
#include "support/heap/guarded_heap.h"
#include "support/window_life.h"

namespace {

// The step run meanwhile, by a message handled inside whatever loop runs when it arrives.
constexpr UINT RUN_MEANWHILE = WM_APP + 11;
std::function<void()> meanwhileAction;

LRESULT CALLBACK MeanwhileDoerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message != RUN_MEANWHILE) return DefWindowProcA(window, message, wParam, lParam);
  std::function<void()> action;
  action.swap(meanwhileAction);
  if (action) action();
  return 0;
}

// A hook of this thread while it lives (none without a procedure).
struct TThreadHook {
  TThreadHook(int kind, HOOKPROC proc)
      : hook(proc ? SetWindowsHookExA(kind, proc, nullptr, GetCurrentThreadId()) : nullptr) {}
  ~TThreadHook() {
    if (hook) UnhookWindowsHookEx(hook);
  }
  HHOOK hook;
};

// An edit form whose window is destroyed as soon as it has handled WM_INITDIALOG: the window
// comes and goes while it is being made.
LRESULT CALLBACK DestroyFormAfterInit(int code, WPARAM wParam, LPARAM lParam) {
  const auto* sent = reinterpret_cast<const CWPRETSTRUCT*>(lParam);
  if (code == HC_ACTION && sent->message == WM_INITDIALOG) {
    TBaseDlg* dialog = AppWindowManager.GetDialog(sent->hwnd);
    if (dialog && dialog->GetKind() == DK_EDIT_FORM) DestroyWindow(sent->hwnd);
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

// The keypad's window cannot be made.
constexpr const char* KEYPAD_TITLE = "Access PIN";
LRESULT CALLBACK RefuseKeypadWindow(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HCBT_CREATEWND) {
    const CREATESTRUCTA* made = reinterpret_cast<const CBT_CREATEWNDA*>(lParam)->lpcs;
    if (made->lpszName && !IS_INTRESOURCE(made->lpszName) && lstrcmpA(made->lpszName, KEYPAD_TITLE) == 0) return 1;
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

class WindowLoadingTest : public WindowLifeTest {
protected:
  void SetUp() override {
    WindowLifeTest::SetUp();
    doer_ = CreateWindowA("STATIC", "", 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
    SetWindowLongPtrA(doer_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(MeanwhileDoerProc));
  }
  void TearDown() override {
    meanwhileAction = nullptr;
    DestroyWindow(doer_);
    WindowLifeTest::TearDown();
  }

  // A main window of the program's own procedure for one case.
  HWND NewMainWindow() {
    MainWindow = CreateWindowA("VornLifeMain", "vorn", WS_OVERLAPPEDWINDOW, 0, 0, 300, 200, nullptr, nullptr,
                               GetModuleHandleA(nullptr), nullptr);
    return MainWindow;
  }
  // A main window for the case and a customer form it owns, fresh or on customer 1 (null
  // when either did not open).
  HWND MainWindowWithForm(bool onCustomerOne) {
    if (!NewMainWindow()) return nullptr;
    return onCustomerOne ? CustomerForm(MainWindow) : FreshCustomerForm(MainWindow);
  }
  void RunMeanwhile(std::function<void()> action) {
    meanwhileAction = std::move(action);
    PostMessageA(doer_, RUN_MEANWHILE, 0, 0);
  }
  static HWND FindResultsOf(HWND form) {
    for (HWND w = AppWindowManager.FirstWindow(); w; w = AppWindowManager.NextWindow(w)) {
      TBaseDlg* dialog = AppWindowManager.GetDialog(w);
      if (AppWindowManager.GetOwner(w) == form && dialog && dialog->GetKind() == DK_FIND_RESULTS) return w;
    }
    return nullptr;
  }

  HWND doer_ = nullptr;
};

// The find results of 300 customers are destroyed during their first fetch, inside their
// WM_INITDIALOG: with their opener form, by themselves, or with the main window.
TEST_P(WindowLoadingTest, FindResultsDestroyedDuringTheirFirstFetch) {
  enum class TGoes { Opener, Itself, MainWindow };
  const struct {
    const char* name;
    TGoes goes;
  } cases[] = {
      {"the opener form destroyed", TGoes::Opener},
      {"the find window destroyed", TGoes::Itself},
      {"the main window destroyed", TGoes::MainWindow},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Db().Exec("DELETE FROM CUST");
    ManyRows("INSERT INTO CUST (CUST_ID, NAME)", "k, 'c'");
    Preferences = baseline_;
    const int liveBefore = TBaseDlg::LiveCount();
    {
      TGuardedHeap heap;
      HWND form = MainWindowWithForm(false);
      ASSERT_TRUE(form);
      HWND mainWindow = MainWindow;
      HWND findWindow = nullptr;
      bool finding = true, destroyedWhileFinding = false;
      RunMeanwhile([&] {
        findWindow = FindResultsOf(form);
        if (!findWindow) return;
        destroyedWhileFinding = finding;
        DestroyWindow(c.goes == TGoes::Opener ? form : c.goes == TGoes::Itself ? findWindow : mainWindow);
      });
      Press(FIND_BUTTON_ID);
      finding = false;
      PumpMessages(100);
      EXPECT_TRUE(findWindow) << "the find window was not there at the first fetch's first round";
      EXPECT_TRUE(destroyedWhileFinding);
      EXPECT_FALSE(IsWindow(findWindow));
      EXPECT_EQ(IsWindow(form) != 0, c.goes == TGoes::Itself);
      EXPECT_EQ(Query(CUSTOMERS), "300:100,399");
      Finish(mainWindow, liveBefore);
    }
    if (HasFatalFailure()) return;
  }
}

// A user without a rights row is told so in a box while the find results open; their
// opener closed meanwhile waits for the answer, then both windows go.
TEST_P(WindowLoadingTest, FindResultsTellingOfMissingRightsKeepTheirOpenerTillAnswered) {
  Db().Exec("CREATE TABLE URIGHTS (USER_ID VARCHAR(20), TABLE_NAME VARCHAR(40), USTORE VARCHAR(3), UDELETE VARCHAR(3))");
  ManyRows("INSERT INTO CUST (CUST_ID, NAME)", "k, 'c'");
  OdbcLogin = 1;
  ReplaceString(&CurrentUser.UserId, "BOB");
  const int liveBefore = TBaseDlg::LiveCount();
  {
    TGuardedHeap heap;
    HWND form = MainWindowWithForm(false);
    ASSERT_TRUE(form);
    HWND mainWindow = MainWindow;
    HWND findWindow = nullptr;
    bool formStayed = false, findStayed = false;
    meanwhileAction = [&] {
      findWindow = FindResultsOf(form);
      SendMessageA(form, WM_CLOSE, 0, 0);
      formStayed = IsWindow(form) != 0;
      findStayed = findWindow && IsWindow(findWindow);
    };
    HWND doer = doer_;
    const DWORD pid = GetCurrentProcessId();
    auto driver = std::async(std::launch::async, [doer, pid] {
      const TWatchedDialog box = FindDialog(pid, "Security Warning", 10000);
      if (!box.found) return false;
      PostMessageA(doer, RUN_MEANWHILE, 0, 0);
      Sleep(200);  // the close has been asked for
      return IsWindow(box.window) && IsWindowVisible(box.window) && PressDialogButton(box.window, IDOK);
    });
    Press(FIND_BUTTON_ID);
    while (driver.wait_for(std::chrono::milliseconds(10)) != std::future_status::ready) PumpMessages(10);
    EXPECT_TRUE(driver.get()) << "the box did not wait for its answer";
    EXPECT_TRUE(findWindow);
    EXPECT_TRUE(formStayed) << "the opener went under the box";
    EXPECT_TRUE(findStayed);
    PumpMessages(100);  // the close that waited
    EXPECT_FALSE(IsWindow(form));
    EXPECT_FALSE(findWindow && IsWindow(findWindow));
    EXPECT_EQ(Query(CUSTOMERS), "300:100,399");
    Finish(mainWindow, liveBefore);
  }
  OdbcLogin = 0;
  ReplaceString(&CurrentUser.UserId, "");
}

// The command EDIT opens a form, or frees it once when it cannot keep it: a window that came
// and went while it was made, a keypad cancelled, a keypad that cannot be made (only the
// right PIN opens a protected form).
TEST_P(WindowLoadingTest, TheEditCommandFreesAFormItCouldNotKeepOnce) {
  enum class TKeypad { None, Cancelled, CannotOpen, RightPin };
  const struct {
    const char* name;
    TKeypad keypad;
    bool comesAndGoes;
    bool opens;
  } cases[] = {
      {"an open form", TKeypad::None, false, true},
      {"the window came and went while it was made", TKeypad::None, true, false},
      {"the keypad cancelled", TKeypad::Cancelled, false, false},
      {"a keypad that cannot be made", TKeypad::CannotOpen, false, false},
      {"the right PIN", TKeypad::RightPin, false, true},
  };
  TEntity* customers = TheModel.FindEntity("CUST");
  const DWORD pid = GetCurrentProcessId();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    customers->PinProtected = c.keypad != TKeypad::None;
    const int liveBefore = TBaseDlg::LiveCount();
    {
      TGuardedHeap heap;
      HWND mainWindow = NewMainWindow();
      ASSERT_TRUE(mainWindow);
      TThreadHook comesAndGoes(WH_CALLWNDPROCRET, c.comesAndGoes ? DestroyFormAfterInit : nullptr);
      TThreadHook noKeypad(WH_CBT, c.keypad == TKeypad::CannotOpen ? RefuseKeypadWindow : nullptr);
      std::future<bool> keypad;
      if (c.keypad == TKeypad::Cancelled)
        keypad = std::async(std::launch::async, [pid] { return WatchAndPress(pid, KEYPAD_TITLE, IDCANCEL, 10000).pressed; });
      if (c.keypad == TKeypad::RightPin)
        keypad = std::async(std::launch::async, [pid] {
          const TWatchedDialog pad = FindDialog(pid, KEYPAD_TITLE, 10000);
          return pad.found && SetDlgItemTextA(pad.window, PIN_FIELD_ID, ACCESS_PIN) && PressDialogButton(pad.window, IDOK);
        });
      std::future<TWatchedDialog> refusal;
      if (c.comesAndGoes) refusal = WatchAndPressAsync(pid, "Cannot run command", IDOK, 10000);

      EXPECT_EQ(RunCommand(mainWindow, "edit cust"), 1);
      HWND form = NewestOwnedBy(mainWindow);
      EXPECT_EQ(form != nullptr, c.opens);
      if (keypad.valid()) {
        EXPECT_TRUE(keypad.get()) << "the keypad was not shown";
      }
      if (refusal.valid()) {
        const TWatchedDialog box = refusal.get();
        EXPECT_TRUE(box.found);
        EXPECT_EQ(box.text, "The edit form of CUST could not be opened.");
      }
      Finish(mainWindow, liveBefore);
    }
    if (HasFatalFailure()) break;
  }
  customers->PinProtected = 0;
}

// The related window's Close pressed while an edit form it opened still fetches the 300
// rows of its child list: both windows stay until the fetch has ended, then go.
TEST_P(WindowLoadingTest, TheRelatedWindowsCloseWaitsForAFormStillLoading) {
  OneCustomer();
  ManyRows("INSERT INTO ORD (ORD_ID, CUST_ID, ITEM)", "k, 1, 'c'");
  const int liveBefore = TBaseDlg::LiveCount();
  TGuardedHeap heap;
  HWND mainWindow = NewMainWindow();
  ASSERT_TRUE(mainWindow);
  auto* list = new TDBRecList("CUST");
  list->SelectWhere("", nullptr, nullptr);
  HWND view = OpenViewWindow(nullptr, nullptr, list, mainWindow);
  ASSERT_TRUE(view);
  SelectRow(List(view), 0);
  HWND form = nullptr;
  bool loading = true, closedWhileLoading = false, viewStayed = false, formStayed = false;
  RunMeanwhile([&] {
    form = NewestOwnedBy(view);
    closedWhileLoading = loading;
    SendMessageA(view, WM_COMMAND, MAKEWPARAM(CLOSE_PAGE_BUTTON_ID, BN_CLICKED), 0);
    DispatchWaitingMessages();  // a WM_CLOSE it posted
    viewStayed = IsWindow(view) != 0;
    formStayed = form && IsWindow(form);
  });
  SendMessageA(view, WM_COMMAND, MAKEWPARAM(EDIT_BUTTON_ID, BN_CLICKED), 0);
  loading = false;
  EXPECT_TRUE(form) << "the form was not there at its fetch's first round";
  EXPECT_TRUE(closedWhileLoading);
  EXPECT_TRUE(viewStayed) << "the related window went under the form's fetch";
  EXPECT_TRUE(formStayed) << "the form went inside its own WM_INITDIALOG";
  PumpMessages(100);  // the close that waited
  EXPECT_FALSE(IsWindow(view));
  EXPECT_FALSE(form && IsWindow(form));
  EXPECT_EQ(Query(ORDER_OWNERS), "300:1");
  Finish(mainWindow, liveBefore);
}

// A form destroyed outright while it asks a question of a store or delete: the question
// goes with it, nothing is written, and the form is freed once.
TEST_P(WindowLoadingTest, AFormDestroyedUnderItsQuestionWritesNothing) {
  const struct {
    const char* name;
    TKeyChangeRule rule;
    bool cascade;
    const char* newKey;  // typed over the key (none: the record is deleted)
    int command;
    const char* rowsQuery;
    const char* rowsAfter;
  } cases[] = {
      {"key change", TKeyChangeRule::AskInsertByDefault, false, "2", SAVE_BUTTON_ID, CUSTOMERS, "1:1,1"},
      {"cascade", TKeyChangeRule::AlwaysUpdate, true, "2", SAVE_BUTTON_ID, ORDER_OWNERS, "1:1"},
      {"delete", TKeyChangeRule::AskInsertByDefault, false, nullptr, DELETE_BUTTON_ID, CUSTOMERS, "1:1,1"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    for (const char* table : {"ORD", "CUST"}) Db().Exec(std::string("DELETE FROM ") + table);
    CustomerWithOrder();
    Preferences = baseline_;
    Preferences.IfKeysAreChanged = c.rule;
    Preferences.AllowCascadedUpdates = c.cascade;
    const int liveBefore = TBaseDlg::LiveCount();
    {
      TGuardedHeap heap;
      HWND form = MainWindowWithForm(true);
      ASSERT_TRUE(form);
      HWND mainWindow = MainWindow;
      if (c.newKey) Type("CUST_ID", c.newKey);
      HWND doer = doer_;
      meanwhileAction = [form] { DestroyWindow(form); };
      std::future<bool> asked = WhenShown("Customer", [doer](HWND) { PostMessageA(doer, RUN_MEANWHILE, 0, 0); });
      Press(c.command);
      EXPECT_TRUE(asked.get()) << "the question was not asked";
      PumpMessages(100);
      EXPECT_FALSE(IsWindow(form));
      EXPECT_EQ(Query(c.rowsQuery), c.rowsAfter);
      Finish(mainWindow, liveBefore);
    }
    if (HasFatalFailure()) return;
  }
}

INSTANTIATE_DATABASE_TESTS(WindowLoadingTest);

}  // namespace

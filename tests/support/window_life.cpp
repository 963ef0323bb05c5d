// The fixture of the tests over windows that go while another asks or pumps.
#include "support/window_life.h"

#include <gtest/gtest.h>

#include <future>

#include "data/db/record.h"
#include "data/model/model.h"
#include "forms/basedlg.h"
#include "forms/editdlg.h"
#include "forms/windowmanager.h"
#include "forms/appwindow.h"
#include "shell/login.h"
#include "shell/mainwnd.h"
#include "support/dialog_watcher.h"
#include "support/form_support.h"

namespace {

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

}  // namespace

HWND NewestOwnedBy(HWND opener) {
  HWND newest = nullptr;
  for (HWND w = AppWindowManager.FirstWindow(); w; w = AppWindowManager.NextWindow(w))
    if (AppWindowManager.GetOwner(w) == opener) newest = w;
  return newest;
}

void WindowLifeTest::SetUp() {
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
void WindowLifeTest::TearDown() {
  if (MainWindow != standInMain_ && IsWindow(MainWindow)) DestroyWindow(MainWindow);
  DispatchWaitingMessages();
  MainWindow = standInMain_;
  DestroyWindow(meanwhileWindow_);
  FormWindowsTest::TearDown();
}

void WindowLifeTest::OneCustomer() { Db().Exec("INSERT INTO CUST (CUST_ID, NAME) VALUES (1, 'Ann')"); }

void WindowLifeTest::CustomerWithOrder() {
  OneCustomer();
  Db().Exec("INSERT INTO ORD (ORD_ID, CUST_ID, ITEM) VALUES (7, 1, 'tea')");
}

void WindowLifeTest::ManyRows(const std::string& insert, const std::string& values) {
  Db().Exec(insert + " WITH RECURSIVE n(k) AS (SELECT 100 UNION ALL SELECT k + 1 FROM n WHERE k < 399) SELECT " +
            values + " FROM n");
}

HWND WindowLifeTest::FreshCustomerForm(HWND owner) {
  form_ = CreateEditDlg(NewDBRecord("CUST"), TFormMode::NewRecord);
  window_ = AppWindowManager.OpenEditForm(form_, TheModel.FindEntity("CUST"), owner, 0);
  return window_;
}
HWND WindowLifeTest::CustomerForm(HWND owner) {
  HWND window = FreshCustomerForm(owner);
  FindKey("CUST_ID", "1");
  return window;
}

void WindowLifeTest::CloseAll() {
  for (int round = 0; round < 20 && AppWindowManager.GetCount() > 0; ++round) {
    for (HWND w = AppWindowManager.FirstWindow(); w; w = AppWindowManager.NextWindow(w)) PostMessageA(w, WM_CLOSE, 0, 0);
    PumpMessages(30);
  }
}

void WindowLifeTest::Run(const TStep& step, TMeanwhile meanwhile) {
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

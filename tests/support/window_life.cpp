// The fixture of the tests over windows that go while another asks or pumps.
#include "support/window_life.h"

#include <gtest/gtest.h>

#include <cstring>
#include <atomic>
#include <future>
#include <initializer_list>

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
// Set when the meanwhile step has been done (the login refused, for a logout).
std::atomic<bool> meanwhileDone{false};

// Waits up to ten seconds for the meanwhile step, then a little for what it posted.
void WaitForMeanwhile() {
  for (int waited = 0; waited < 10000 && !meanwhileDone; waited += 10) Sleep(10);
  Sleep(200);
}

// wParam: the window closed as itself (0: the newest the opener owns).
LRESULT CALLBACK MeanwhileProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message != DO_MEANWHILE) return DefWindowProcA(window, message, wParam, lParam);
  const TMeanwhileTarget& target = meanwhileTarget;
  switch (target.what) {
    case TMeanwhile::CloseOpener:
      SendMessageA(target.opener, WM_COMMAND, MAKEWPARAM(target.openerClose, BN_CLICKED), 0);
      break;
    case TMeanwhile::CloseItself:
      if (HWND itself = wParam ? reinterpret_cast<HWND>(wParam) : NewestOwnedBy(target.opener))
        SendMessageA(itself, WM_CLOSE, 0, 0);
      break;
    case TMeanwhile::LogOut:
      LogoutAndLoginAgain(MainWindow, 1);
      break;
  }
  meanwhileDone = true;
  return 0;
}

// The rows a run is to leave: after a refused login nothing the user was still to answer
// has been done.
const char* RowsAfter(TMeanwhile meanwhile, const char* answered, const char* afterRefusedLogin) {
  return meanwhile == TMeanwhile::LogOut && afterRefusedLogin ? afterRefusedLogin : answered;
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

// The titles of the visible dialog boxes of the thread (for a message), after asking each
// to close, so that a modal loop a failed driver leaves ends all the same.
std::string CloseVisibleDialogs(DWORD threadId) {
  std::string titles;
  EnumThreadWindows(
      threadId,
      [](HWND window, LPARAM result) -> BOOL {
        char name[32] = "", title[128] = "";
        GetClassNameA(window, name, sizeof name);
        if (strcmp(name, "#32770") != 0 || !IsWindowVisible(window)) return TRUE;
        GetWindowTextA(window, title, sizeof title);
        *reinterpret_cast<std::string*>(result) += std::string(" \"") + title + "\"";
        PostMessageA(window, WM_CLOSE, 0, 0);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&titles));
  return titles;
}

// How long the program may take, after the refused login, to end what waited and itself: on
// this display each window that hides waits up to two seconds for it, and a few go.
constexpr DWORD ENDS_WITHIN_MS = 15000;

// After the refused login, with nothing pressed: every window that waited for the user (a
// question, the step's dialog) goes by itself and the main window with them, within a few
// seconds. Empty when so, else what stayed.
std::string EndsByItself(std::initializer_list<HWND> waiting, HWND mainWindow) {
  auto shown = [](HWND w) { return w && IsWindow(w) && IsWindowVisible(w); };
  for (DWORD waited = 0; waited < ENDS_WITHIN_MS; waited += 10) {
    bool ended = !IsWindow(mainWindow);
    for (HWND w : waiting) ended = ended && !shown(w);
    if (ended) return std::string();
    Sleep(10);
  }
  std::string stayed;
  for (HWND w : waiting) {
    if (!shown(w)) continue;
    char title[128] = "";
    GetWindowTextA(w, title, sizeof title);
    stayed += std::string(" \"") + title + "\"";
  }
  if (IsWindow(mainWindow)) stayed += " the main window";
  return "after the refused login these stayed:" + stayed;
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
  UseShop({}, preferenceTable_);
  GetCurrentDirectoryA(sizeof folder_, folder_);
  SetCurrentDirectoryA(dir_.path().c_str());  // what the dialogs write goes here
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
  SetCurrentDirectoryA(folder_);
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
HWND WindowLifeTest::CustomerFormOfMain() {
  if (Query("SELECT COUNT(*) FROM CUST WHERE CUST_ID = 1") == "0") OneCustomer();
  return CustomerForm(MainWindow);
}

void WindowLifeTest::PostMeanwhile(HWND itself) {
  PostMessageA(meanwhileWindow_, DO_MEANWHILE, reinterpret_cast<WPARAM>(itself), 0);
}

void WindowLifeTest::CloseAll() {
  for (int round = 0; round < 20 && AppWindowManager.GetCount() > 0; ++round) {
    for (HWND w = AppWindowManager.FirstWindow(); w; w = AppWindowManager.NextWindow(w)) PostMessageA(w, WM_CLOSE, 0, 0);
    PumpMessages(30);
  }
}

HWND WindowLifeTest::StartRun(const std::function<void()>& prepare, const std::function<HWND()>& openOpener,
                              HWND* mainWindow) {
  for (const char* table : {"ORD", "CONT", "CUST"}) Db().Exec(std::string("DELETE FROM ") + table);
  Preferences = baseline_;
  MainWindow = CreateWindowA("VornLifeMain", "vorn", WS_OVERLAPPEDWINDOW, 0, 0, 300, 200, nullptr,
                             nullptr, GetModuleHandleA(nullptr), nullptr);
  *mainWindow = MainWindow;
  if (!MainWindow) return nullptr;
  prepare();
  return openOpener();
}

void WindowLifeTest::CheckAfterRun(HWND mainWindow, HWND opener, bool ended, TMeanwhile meanwhile, int liveBefore,
                                   const char* rowsQuery, const char* rowsAfter) {
  EXPECT_EQ(IsWindow(mainWindow) != 0, !ended) << "the program ends (when it is to) once the step is done";
  EXPECT_EQ(IsWindow(opener) != 0, meanwhile == TMeanwhile::CloseItself);
  EXPECT_EQ(Query(rowsQuery), rowsAfter);
  Finish(mainWindow, liveBefore);
}

void WindowLifeTest::Finish(HWND mainWindow, int liveBefore) {
  CloseAll();
  EXPECT_EQ(AppWindowManager.GetCount(), 0);
  EXPECT_EQ(TBaseDlg::LiveCount(), liveBefore) << "a dialog object freed twice or never";
  if (IsWindow(mainWindow)) DestroyWindow(mainWindow);
  DispatchWaitingMessages();  // the main window's WM_QUIT
  MainWindow = standInMain_;
}

void WindowLifeTest::Run(const TStep& step, TMeanwhile meanwhile) {
  SCOPED_TRACE(std::string(step.name) + ", " + MeanwhileName(meanwhile));
  const int liveBefore = TBaseDlg::LiveCount();
  HWND mainWindow = nullptr;
  HWND opener = StartRun(step.prepare, step.openOpener, &mainWindow);
  ASSERT_TRUE(opener);
  HWND window = step.openWindow ? step.openWindow(opener) : opener;
  ASSERT_TRUE(window);
  meanwhileTarget = TMeanwhileTarget{meanwhile, opener, step.openerClose};
  meanwhileDone = false;

  // The driver: at the question (or at once for a fetch) the meanwhile step; the login
  // refused, after which the question and the program end by themselves; else the
  // question, still there, answered.
  HWND doer = meanwhileWindow_;
  std::string question = step.question ? step.question : "";
  const int answer = step.answer;
  if (question.empty()) PostMessageA(doer, DO_MEANWHILE, 0, 0);  // handled in the fetch's first round
  auto driver = std::async(std::launch::async, [doer, question, answer, meanwhile, mainWindow]() -> std::string {
    HWND box = nullptr;
    if (!question.empty()) {
      box = WaitForBox(question.c_str());
      if (!box) return "the question did not come";
      PostMessageA(doer, DO_MEANWHILE, 0, 0);
    }
    std::string failure;
    if (meanwhile == TMeanwhile::LogOut) {
      HWND login = WaitForBox("Login");
      if (!login) return "the login was not shown";
      PressDialogButton(login, IDCANCEL);
      failure = EndsByItself({box}, mainWindow);
      if (failure.empty() || question.empty()) return failure;
    }
    if (question.empty()) return std::string();
    WaitForMeanwhile();
    // A question left by a failed refused-login check is answered all the same.
    if (!(IsWindow(box) && IsWindowVisible(box) && PressDialogButton(box, answer)) && failure.empty())
      return "the question did not wait";
    return failure;
  });
  SendMessageA(window, WM_COMMAND, MAKEWPARAM(step.command, BN_CLICKED), 0);
  // A fetch's window may still be coming while the driver ends.
  while (driver.wait_for(std::chrono::milliseconds(10)) != std::future_status::ready) PumpMessages(10);
  EXPECT_EQ(driver.get(), "");
  PumpMessages(100);  // the closes that waited

  CheckAfterRun(mainWindow, opener, meanwhile == TMeanwhile::LogOut, meanwhile, liveBefore, step.rowsQuery,
                RowsAfter(meanwhile, step.rowsAfter, step.rowsAfterRefusedLogin));
}

void WindowLifeTest::Run(const TModalStep& step, TMeanwhile meanwhile) {
  SCOPED_TRACE(std::string(step.name) + ", " + MeanwhileName(meanwhile));
  const int liveBefore = TBaseDlg::LiveCount();
  HWND mainWindow = nullptr;
  HWND opener = StartRun(step.prepare, step.openOpener, &mainWindow);
  ASSERT_TRUE(opener);
  meanwhileTarget = TMeanwhileTarget{meanwhile, opener, step.openerClose};
  meanwhileDone = false;

  // The driver: the dialog, what the user does first, the meanwhile step at the box that
  // waits, the login refused, then the box (or the dialog) answered if it is still there.
  HWND doer = meanwhileWindow_;
  const std::string dialogTitle = step.dialog ? step.dialog : "";
  const std::string question = step.question ? step.question : "";
  const std::function<void(HWND)> begin = step.begin;
  const int answer = step.answer;
  const std::function<void(HWND)> end = step.end;
  const DWORD thread = GetCurrentThreadId();
  auto driver = std::async(std::launch::async, [=] {
    HWND dialog = nullptr, box = nullptr;
    if (!dialogTitle.empty()) {
      dialog = WaitForBox(dialogTitle.c_str());
      if (!dialog) return "the dialog did not come; shown:" + CloseVisibleDialogs(thread);
      if (begin) begin(dialog);
      box = question.empty() ? dialog : WaitForBox(question.c_str());
      if (!box) return "the question did not come; shown:" + CloseVisibleDialogs(thread);
      PostMessageA(doer, DO_MEANWHILE, reinterpret_cast<WPARAM>(dialog), 0);
    }
    std::string failure;
    if (meanwhile == TMeanwhile::LogOut) {
      HWND login = WaitForBox("Login");
      if (!login) return "the login was not shown; shown:" + CloseVisibleDialogs(thread);
      PressDialogButton(login, IDCANCEL);
      failure = EndsByItself({box, dialog}, mainWindow);
      if (failure.empty() || !box) return failure;
    }
    if (!box) return std::string();
    WaitForMeanwhile();
    const bool waits = IsWindow(box) && IsWindowVisible(box);
    // Closed as itself, the dialog may go at once; a box asked in it still waits.
    if (!waits && meanwhile == TMeanwhile::CloseItself && box == dialog) return std::string();
    if (!waits) return (failure.empty() ? "" : failure + "; ") + "the box did not wait; shown:" + CloseVisibleDialogs(thread);
    // A box left by a failed refused-login check is answered all the same, and the dialog ended.
    PressDialogButton(box, answer);
    if (end && box != dialog) {
      Sleep(300);
      if (IsWindow(dialog) && IsWindowVisible(dialog)) end(dialog);
    }
    if (!failure.empty() && box != dialog) {
      Sleep(300);
      if (IsWindow(dialog) && IsWindowVisible(dialog)) PostMessageA(dialog, WM_CLOSE, 0, 0);
    }
    return failure;
  });
  step.run(opener);
  while (driver.wait_for(std::chrono::milliseconds(10)) != std::future_status::ready) PumpMessages(10);
  EXPECT_EQ(driver.get(), "");
  PumpMessages(100);  // the closes that waited

  // Exit (the main window's close) ends the program too.
  const bool ended =
      meanwhile == TMeanwhile::LogOut || (meanwhile == TMeanwhile::CloseOpener && opener == mainWindow);
  CheckAfterRun(mainWindow, opener, ended, meanwhile, liveBefore, step.rowsQuery,
                RowsAfter(meanwhile, step.rowsAfter, step.rowsAfterRefusedLogin));
}

// The fixture of the tests that close windows, or let the idle time-out log out, while a
// window asks a question or pumps messages: a table of steps, each run with its opener
// closed, itself closed or the program logged out (the login refused) while it waits.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "forms/preferences.h"
#include "support/shop_forms.h"

// What happens while the step waits. A logout has its login refused: the program is to
// end, and what waited for the user is ended by the program itself, as Cancel ends it.
enum class TMeanwhile { CloseOpener, CloseItself, LogOut };

// One question or fetch of a window: the rows and preferences it starts from, how its
// opener and the window come (the window owned by the opener), the command that starts
// it, the box it asks and the button that answers it (none for a fetch), and the rows
// afterwards: once answered, and after a refused login (null: the same).
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
  const char* rowsAfterRefusedLogin;
};

// A step of a dialog that runs a modal loop over its opener, or of long work without a
// dialog: run opens it over the opener and returns when it has ended. The driver waits for
// the dialog, does what the user does first on it (begin), waits for the box that then asks
// (or for the dialog itself, or, without a dialog, for the work's first round: run posts
// the meanwhile step), does the meanwhile step there and answers; the rows afterwards,
// once answered and after a refused login (null: the same).
struct TModalStep {
  const char* name;
  std::function<void()> prepare;
  std::function<HWND()> openOpener;
  int openerClose;  // the command that closes the opener: EXIT for the main window
  std::function<void(HWND opener)> run;
  const char* dialog;  // its title; null for work without a dialog
  std::function<void(HWND dialog)> begin;
  const char* question;  // null: the dialog itself waits
  int answer;            // pressed on the box, or on the dialog, at the end
  const char* rowsQuery;
  const char* rowsAfter;
  std::function<void(HWND dialog)> end;  // what the user does last on the dialog still open
  const char* rowsAfterRefusedLogin;
};

// The count, least and greatest key of the customers, and the count and least customer of
// the orders.
constexpr const char* CUSTOMERS = "SELECT COUNT(*) || ':' || COALESCE(MIN(CUST_ID), 0) || ',' || COALESCE(MAX(CUST_ID), 0) FROM CUST";
constexpr const char* ORDER_OWNERS = "SELECT COUNT(*) || ':' || COALESCE(MIN(CUST_ID), 0) FROM ORD";

// The newest window the opener owns: the window of the step (it may have come during it).
HWND NewestOwnedBy(HWND opener);

class WindowLifeTest : public FormWindowsTest {
protected:
  void SetUp() override;
  void TearDown() override;

  void OneCustomer();
  // Customer 1 with its order 7.
  void CustomerWithOrder();
  // 300 rows numbered from 100: the insert's head and the values of each row k.
  void ManyRows(const std::string& insert, const std::string& values);
  // A customer form owned by owner on a fresh record; the same on customer 1.
  HWND FreshCustomerForm(HWND owner);
  HWND CustomerForm(HWND owner);
  // A customer form of the main window's on customer 1 (made first when not there).
  HWND CustomerFormOfMain();
  // Every window still open closed as the user would, until none is left.
  void CloseAll();
  // Runs the step with the meanwhile action while it waits, and checks what is left.
  void Run(const TStep& step, TMeanwhile meanwhile);
  // Runs every step (of either kind) with each of the three meanwhile actions.
  template <typename Step, size_t N>
  void RunAll(const Step (&steps)[N]) {
    for (const Step& step : steps)
      for (TMeanwhile meanwhile : {TMeanwhile::CloseOpener, TMeanwhile::CloseItself, TMeanwhile::LogOut}) {
        Run(step, meanwhile);
        if (HasFatalFailure()) return;
      }
  }

  // The same for steps of dialogs with modal loops and of work without a window of the
  // window manager's.
  void Run(const TModalStep& step, TMeanwhile meanwhile);
  // The start of a run: empty tables, the baseline preferences, a main window of its own
  // (*mainWindow), the step's rows and its opener, which it returns (null when a window
  // could not be made).
  HWND StartRun(const std::function<void()>& prepare, const std::function<HWND()>& openOpener, HWND* mainWindow);
  // What every run checks: the main window lives unless the program was to end, the opener
  // unless it was closed, the rows; then, all closed, no window left and no dialog object.
  void CheckAfterRun(HWND mainWindow, HWND opener, bool ended, TMeanwhile meanwhile, int liveBefore,
                     const char* rowsQuery, const char* rowsAfter);
  // Closes what is left and checks that every window and dialog object of the case is gone;
  // the stand-in main window is the program's again.
  void Finish(HWND mainWindow, int liveBefore);
  // For a run without a dialog: the meanwhile step comes at the work's next round of
  // messages; closing itself closes that window.
  void PostMeanwhile(HWND itself);
  // The customers 100 to 399, named "Name <key>"; a query that counts those not so.
  static constexpr const char* UNNAMED_CUSTOMERS = "SELECT COUNT(*) FROM CUST WHERE NAME IS NULL OR NAME <> 'Name ' || CUST_ID";

  // The shop model has the preferences' table (set before SetUp).
  bool preferenceTable_ = false;
  HWND meanwhileWindow_ = nullptr;
  HWND standInMain_ = nullptr;
  char folder_[MAX_PATH] = "";  // the current folder before the test: it works in its own
  TPreferences baseline_{};
};

// The fixture of the tests that close windows, or let the idle time-out log out, while a
// window asks a question or pumps messages: a table of steps, each run with its opener
// closed, itself closed or the program logged out (the login refused) while it waits.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "forms/preferences.h"
#include "support/shop_forms.h"

// What happens while the step waits.
enum class TMeanwhile { CloseOpener, CloseItself, LogOut };

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
  // Every window still open closed as the user would, until none is left.
  void CloseAll();
  // Runs the step with the meanwhile action while it waits, and checks what is left.
  void Run(const TStep& step, TMeanwhile meanwhile);
  // Runs every step with each of the three meanwhile actions.
  template <size_t N>
  void RunAll(const TStep (&steps)[N]) {
    for (const TStep& step : steps)
      for (TMeanwhile meanwhile : {TMeanwhile::CloseOpener, TMeanwhile::CloseItself, TMeanwhile::LogOut}) {
        Run(step, meanwhile);
        if (HasFatalFailure()) return;
      }
  }

  HWND meanwhileWindow_ = nullptr;
  HWND standInMain_ = nullptr;
  TPreferences baseline_{};
};

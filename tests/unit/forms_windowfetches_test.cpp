// Every fetch that pumps messages while a window opens (a form's child list, a related
// window's rows, the find results) with its opener closed, itself closed or the program
// logged out meanwhile, on real windows over SQLite and PostgreSQL: the windows go only
// when the fetch has ended, the program lives on, and every window and dialog object is
// gone once all is closed.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "data/db/reclist.h"
#include "forms/controlids.h"
#include "forms/viewdlg.h"
#include "forms/appwindow.h"
#include "support/window_life.h"

namespace {

class WindowFetchTest : public WindowLifeTest {};

TEST_P(WindowFetchTest, NoWindowGoesUnderAFetchOfAnother) {
  auto withRows = [this](const char* insert, const char* values) {
    return [this, insert, values] {
      OneCustomer();
      ManyRows(insert, values);
    };
  };
  auto viewOfCustomers = [] {
    auto* list = new TDBRecList("CUST");
    list->SelectWhere("", nullptr, nullptr);
    HWND view = OpenViewWindow(nullptr, nullptr, list, MainWindow);
    if (view) SelectRow(List(view), 0);
    return view;
  };
  auto formOfMain = [this] { return CustomerForm(MainWindow); };
  const TStep steps[] = {
      // The customer form a view opens fetches its 300 orders.
      {"child-list fetch", withRows("INSERT INTO ORD (ORD_ID, CUST_ID, ITEM)", "k, 1, 'c'"), viewOfCustomers,
       CLOSE_PAGE_BUTTON_ID, nullptr, EDIT_BUTTON_ID, nullptr, 0, ORDER_OWNERS, "300:1"},
      {"view fetch", withRows("INSERT INTO CONT (CONT_ID, CUST_ID, NAME)", "k, 1, 'c'"), formOfMain,
       CANCEL_BUTTON_ID, nullptr, ViewRelatedButtonId(1), nullptr, 0, "SELECT COUNT(*) FROM CONT", "300"},
      {"find fetch", [this] { ManyRows("INSERT INTO CUST (CUST_ID, NAME)", "k, 'c'"); },
       [this] { return FreshCustomerForm(MainWindow); }, CANCEL_BUTTON_ID, nullptr, FIND_BUTTON_ID, nullptr, 0,
       CUSTOMERS, "300:100,399"},
  };
  RunAll(steps);
}

INSTANTIATE_DATABASE_TESTS(WindowFetchTest);

}  // namespace

// Every fetch that pumps messages while a window opens (a form's child list, a related
// window's rows, the find results) or steps on (a form's Next through its opener's list)
// with its opener closed, itself closed or the program logged out meanwhile, on real
// windows over SQLite and PostgreSQL: the windows go only
// when the fetch has ended, the program lives on, and every window and dialog object is
// gone once all is closed.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include <commctrl.h>

#include "data/db/reclist.h"
#include "data/model/model.h"
#include "forms/controlids.h"
#include "forms/editdlg.h"
#include "forms/reclistbox.h"
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
  // The customer form whose list of orders holds its first row only, as one whose fetch
  // stopped early.
  auto formWithFirstOrder = [this] {
    HWND customer = CustomerForm(MainWindow);
    const int r = RelIndex("ORDS");
    TRecListBox* box = form_->GetChildList(r);
    if (!box) return customer;
    box->GetRecList()->Reset();
    box->GetRecList()->SelectRelated(form_->GetEntity()->Relationships[r].Name, form_->GetRecord());
    SendMessageA(box->GetWindow(), LVM_SETITEMCOUNT, 1, 0);
    box->ForgetRowTexts();
    box->SetSelectionMark(0);
    return customer;
  };
  auto orderOfTheList = [this](HWND customer) {
    SendMessageA(customer, WM_COMMAND, MAKEWPARAM(ChildEditButtonId(RelIndex("ORDS")), BN_CLICKED), 0);
    return NewestOwnedBy(customer);
  };
  const TStep steps[] = {
      // The customer form a view opens fetches its 300 orders.
      {"child-list fetch", withRows("INSERT INTO ORD (ORD_ID, CUST_ID, ITEM)", "k, 1, 'c'"), viewOfCustomers,
       CLOSE_PAGE_BUTTON_ID, nullptr, EDIT_BUTTON_ID, nullptr, 0, ORDER_OWNERS, "300:1", nullptr},
      // Next on an order form opened from that list fetches the list's further rows.
      {"next fetch", withRows("INSERT INTO ORD (ORD_ID, CUST_ID, ITEM)", "k, 1, 'c'"), formWithFirstOrder,
       CANCEL_BUTTON_ID, orderOfTheList, NEXT_BUTTON_ID, nullptr, 0, ORDER_OWNERS, "300:1", nullptr},
      {"view fetch", withRows("INSERT INTO CONT (CONT_ID, CUST_ID, NAME)", "k, 1, 'c'"), formOfMain,
       CANCEL_BUTTON_ID, nullptr, ViewRelatedButtonId(1), nullptr, 0, "SELECT COUNT(*) FROM CONT", "300", nullptr},
      {"find fetch", [this] { ManyRows("INSERT INTO CUST (CUST_ID, NAME)", "k, 'c'"); },
       [this] { return FreshCustomerForm(MainWindow); }, CANCEL_BUTTON_ID, nullptr, FIND_BUTTON_ID, nullptr, 0,
       CUSTOMERS, "300:100,399", nullptr},
  };
  RunAll(steps);
}

INSTANTIATE_DATABASE_TESTS(WindowFetchTest);

}  // namespace

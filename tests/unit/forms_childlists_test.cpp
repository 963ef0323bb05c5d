// Child lists and pages of the edit form on real windows over SQLite and PostgreSQL: the
// list of a record's children follows the form's record, a child form steps through its
// opener's list (also after the list shrank), and the fields and child list of a second
// page are shown, read and stored.
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <functional>
#include <future>
#include <string>
#include <vector>

#include "data/db/record.h"
#include "data/model/model.h"
#include "data/model/settings.h"
#include "forms/controlids.h"
#include "forms/editdlg.h"
#include "forms/reclistbox.h"
#include "forms/tabpages.h"
#include "forms/viewdlg.h"
#include "forms/windowmanager.h"
#include "forms/appwindow.h"
#include "forms/colortable.h"
#include "shell/aboutdlg.h"
#include "support/dmd_writer.h"
#include "support/edit_form_test.h"
#include "support/form_support.h"

namespace {

// A customer's orders in a child list on the customer's form; an order's lines in a
// child list on the second page of the order's form.
std::string ShopModel() {
  TDmdWriter dmd("QBDM1.");
  dmd.String(10, "SHOP").String(11, "Shop").String(13, "SHOP");
  dmd.CodeListCount(0);
  dmd.EntityCount(3);

  dmd.BeginEntity("CUSTOMER", "Customer", 2, 1);
  dmd.String(31, "Customer").String(140, "CUST_ID,NAME ORDER BY CUST_ID");
  dmd.Attribute(DmdKey("CUST_ID", "INTEGER", "Customer no."));
  dmd.Attribute(DmdAttribute("NAME", "VARCHAR(40)", "Name"));
  TDmdRel orders = DmdRel("ORDERS", "ORDERS", "CUSTOMER", "CUSTOMER", "ORDERS", 1);
  orders.caption = "Orders", orders.kindAndPage = 2, orders.columnText = "ORDER_ID,NOTE", orders.orderBy = "ORDER_ID";
  dmd.Relationship(orders);
  dmd.End();

  dmd.BeginEntity("ORDERS", "Order", 4, 2);
  dmd.String(31, "Order").String(140, "ORDER_ID,NOTE ORDER BY ORDER_ID");
  dmd.Attribute(DmdKey("ORDER_ID", "INTEGER", "Order no."));
  dmd.Attribute(DmdForeignKey(DmdAttribute("CUST_ID", "INTEGER", "Customer no."), "CUSTOMER", "CUST_ID"));
  dmd.Attribute(DmdAttribute("NOTE", "VARCHAR(40)", "Note"));
  TDmdAttr address = DmdAttribute("ADDRESS", "VARCHAR(60)", "Deliver to");
  address.page = 1;
  dmd.Attribute(address);
  dmd.Relationship(DmdRel("CUSTOMER", "CUSTOMER", "ORDERS", "CUSTOMER", "ORDERS"));
  TDmdRel lines = DmdRel("LINES", "ORDER_LINE", "ORDERS", "ORDERS", "ORDER_LINE", 1);
  lines.caption = "Lines", lines.kindAndPage = 12, lines.columnText = "LINE_NO,QTY", lines.orderBy = "LINE_NO";
  dmd.Relationship(lines);
  dmd.End();

  dmd.BeginEntity("ORDER_LINE", "Order line", 3, 1);
  dmd.String(140, "ORDER_ID,LINE_NO,QTY ORDER BY ORDER_ID");
  dmd.Attribute(DmdForeignKey(DmdKey("ORDER_ID", "INTEGER", "Order no."), "ORDERS", "ORDER_ID"));
  dmd.Attribute(DmdKey("LINE_NO", "INTEGER", "Line"));
  dmd.Attribute(DmdAttribute("QTY", "INTEGER", "Quantity"));
  dmd.Relationship(DmdRel("ORDERS", "ORDERS", "LINES", "ORDERS", "ORDER_LINE"));
  dmd.End();
  dmd.ParamCount(0);
  dmd.End();
  return dmd.bytes();
}

class ChildListTest : public EditFormDatabaseTest {
protected:
  void SetUp() override {
    EditFormDatabaseTest::SetUp();
    LoadModel(dir_.Write("shop.dmd", ShopModel()));
    Db().Exec("CREATE TABLE CUSTOMER (CUST_ID INTEGER PRIMARY KEY, NAME VARCHAR(40))");
    Db().Exec("CREATE TABLE ORDERS (ORDER_ID INTEGER PRIMARY KEY, CUST_ID INTEGER, NOTE VARCHAR(40), ADDRESS VARCHAR(60))");
    Db().Exec("CREATE TABLE ORDER_LINE (ORDER_ID INTEGER, LINE_NO INTEGER, QTY INTEGER, PRIMARY KEY (ORDER_ID, LINE_NO))");
    Db().Exec("INSERT INTO CUSTOMER VALUES (1, 'Ann')");
    Db().Exec("INSERT INTO CUSTOMER VALUES (2, 'Bob')");
    Db().Exec("INSERT INTO ORDERS VALUES (10, 1, 'first', 'Oslo')");
    Db().Exec("INSERT INTO ORDERS VALUES (11, 1, 'second', NULL)");
    Db().Exec("INSERT INTO ORDERS VALUES (12, 1, 'third', NULL)");
    Db().Exec("INSERT INTO ORDERS VALUES (20, 2, 'only', 'Rome')");
    Db().Exec("INSERT INTO ORDER_LINE VALUES (10, 1, 5)");
    Db().Exec("INSERT INTO ORDER_LINE VALUES (10, 2, 7)");
  }

  static std::string Cell(HWND list, int row, int column) { return ListViewCellText(list, row, column); }
  static int Rows(HWND list) { return ListViewRowCount(list); }
  static int SelectedRow(HWND list) {
    return static_cast<int>(SendMessageA(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), MAKELPARAM(LVNI_SELECTED, 0)));
  }
  // The window holding a control: the form or one of its pages.
  HWND Host(HWND form, int id) {
    if (GetDlgItem(form, id)) return form;
    for (HWND page = GetWindow(form, GW_CHILD); page; page = GetWindow(page, GW_HWNDNEXT))
      if (GetDlgItem(page, id)) return page;
    return nullptr;
  }
  std::string Text(HWND form, int id) { return ControlText(GetDlgItem(Host(form, id), id)); }
};

TEST_P(ChildListTest, TheChildListShowsTheChildrenOfTheRecordOnTheForm) {
  HWND form = Open("CUSTOMER");
  HWND list = GetDlgItem(form, ChildListId(0));
  ASSERT_NE(list, nullptr);
  ASSERT_NE(form_->GetChildList(0), nullptr);
  EXPECT_EQ(Rows(list), 0);
  EXPECT_EQ(Text(form, ChildCountLabelId(0)), "(0)");
  Press(FIRST_BUTTON_ID);
  EXPECT_EQ(Shown("CUST_ID"), "1");
  ASSERT_EQ(Rows(list), 3);
  EXPECT_EQ(Text(form, ChildCountLabelId(0)), "(3)");
  EXPECT_EQ(Cell(list, 0, 0), "10");
  EXPECT_EQ(Cell(list, 2, 1), "third");
  Press(NEXT_BUTTON_ID);
  ASSERT_EQ(Rows(list), 1);
  EXPECT_EQ(Cell(list, 0, 1), "only");
  EXPECT_EQ(Text(form, ChildCountLabelId(0)), "(1)");
  Press(RESET_BUTTON_ID);
  EXPECT_EQ(Rows(list), 0);

  // Redisplay works on the form's own window, whatever window the caller names.
  form_->GetRecord()->SetNewValue("NAME", "Zed");
  form_->GetRecord()->SetNewValue("CUST_ID", "2");
  form_->Redisplay(MainWindow, 1);
  EXPECT_EQ(Shown("NAME"), "Zed");
  EXPECT_EQ(Rows(list), 1);
  EXPECT_EQ(Text(form, ChildCountLabelId(0)), "(1)");
}

TEST_P(ChildListTest, AChildFormStepsThroughItsOpenersListAndClampsWhenItShrank) {
  HWND parent = Open("CUSTOMER");
  TEditDlg* parentForm = form_;
  Press(FIRST_BUTTON_ID);
  TRecListBox* box = parentForm->GetChildList(0);
  ASSERT_NE(box, nullptr);
  box->SetSelectionMark(0);
  TEntity* orders = TheModel.FindEntity("ORDERS");
  TRelationship* relationship = parentForm->GetEntity()->FindRelationship("ORDERS");
  TDBRecord* record = NewDBRecord("ORDERS");
  record->Assign(*box->GetSelectedRecord());
  form_ = CreateChildEditDlg(record, relationship, parentForm->GetRecord(), box, TFormMode::ExistingRecord);
  window_ = AppWindowManager.OpenEditForm(form_, orders, parent, 0);
  ASSERT_NE(window_, nullptr);
  EXPECT_EQ(form_->GetCurrentRow(), 0);
  EXPECT_EQ(Shown("ORDER_ID"), "10");
  EXPECT_FALSE(IsWindowEnabled(Field("CUST_ID")));  // the link to the opener stays as it is

  struct TStep {
    int button;
    const char* key;
    const char* status;
  } steps[] = {
      {NEXT_BUTTON_ID, "11", ""},
      {NEXT_BUTTON_ID, "12", ""},
      {NEXT_BUTTON_ID, "12", "No more records in the list in this direction"},
      {FIRST_BUTTON_ID, "10", ""},
      {PREVIOUS_BUTTON_ID, "10", "No more records in the list in this direction"},
      {LAST_BUTTON_ID, "12", ""},
      {PREVIOUS_BUTTON_ID, "11", ""},
  };
  for (const TStep& step : steps) {
    SCOPED_TRACE(step.button);
    Press(step.button);
    EXPECT_EQ(Status(), step.status);
    EXPECT_EQ(Shown("ORDER_ID"), step.key);
    EXPECT_EQ(Cell(box->GetWindow(), SelectedRow(box->GetWindow()), 0), step.key);
  }

  // Orders 11 and 12 go; the opener's list is refreshed: the child form stays inside it.
  Press(LAST_BUTTON_ID);
  Db().Exec("DELETE FROM ORDERS WHERE ORDER_ID > 10");
  SendMessageA(parent, WM_COMMAND, MAKEWPARAM(REFRESH_BUTTON_ID, BN_CLICKED), 0);
  ASSERT_EQ(box->GetCount(), 1);
  Press(NEXT_BUTTON_ID);
  EXPECT_EQ(Status(), "No more records in the list in this direction");
  EXPECT_EQ(Shown("ORDER_ID"), "12");  // nothing was taken from a row that is gone
  Press(PREVIOUS_BUTTON_ID);
  EXPECT_EQ(Status(), "No more records in the list in this direction");
  Press(FIRST_BUTTON_ID);
  EXPECT_EQ(Shown("ORDER_ID"), "10");
  Db().Exec("DELETE FROM ORDERS");
  SendMessageA(parent, WM_COMMAND, MAKEWPARAM(REFRESH_BUTTON_ID, BN_CLICKED), 0);
  Press(NEXT_BUTTON_ID);
  EXPECT_EQ(Status(), "There are no records in the list");

  // The child form goes with its opener.
  SendMessageA(parent, WM_CLOSE, 0, 0);
  PumpMessages(20);
  EXPECT_FALSE(IsWindow(window_));
  EXPECT_EQ(AppWindowManager.GetCount(), 0);
}

TEST_P(ChildListTest, TheSecondPageShowsReadsAndStoresItsFieldsAndItsChildList) {
  HWND form = Open("ORDERS");
  HWND tab = GetDlgItem(form, TAB_CONTROL_ID);
  ASSERT_NE(tab, nullptr);
  EXPECT_EQ(SendMessageA(tab, TCM_GETITEMCOUNT, 0, 0), 2);
  HWND address = Field("ADDRESS");
  ASSERT_NE(address, nullptr);
  HWND secondPage = GetParent(address);
  EXPECT_NE(secondPage, GetParent(Field("NOTE")));
  EXPECT_FALSE(IsWindowVisible(secondPage));

  Press(FIRST_BUTTON_ID);
  EXPECT_EQ(Shown("ADDRESS"), "Oslo");
  HWND lines = GetDlgItem(secondPage, ChildListId(1));
  ASSERT_NE(lines, nullptr);
  EXPECT_EQ(Rows(lines), 2);
  EXPECT_EQ(ControlText(GetDlgItem(secondPage, ChildCountLabelId(1))), "(2)");
  EXPECT_EQ(Cell(lines, 1, 1), "7");

  // The tab shows the second page.
  SendMessageA(tab, TCM_SETCURSEL, 1, 0);
  NMHDR change = {tab, static_cast<UINT_PTR>(TAB_CONTROL_ID), static_cast<UINT>(TCN_SELCHANGE)};
  SendMessageA(form, WM_NOTIFY, TAB_CONTROL_ID, reinterpret_cast<LPARAM>(&change));
  EXPECT_TRUE(IsWindowVisible(secondPage));
  EXPECT_FALSE(IsWindowVisible(GetParent(Field("NOTE"))));

  // A field of the second page is stored, and found by.
  Type("ADDRESS", "Bergen");
  Press(SAVE_BUTTON_ID);
  EXPECT_EQ(Status(), "Record successfully stored");
  EXPECT_EQ(Query("SELECT ADDRESS FROM ORDERS WHERE ORDER_ID=10"), "Bergen");
  Preferences.SkipListBoxIfSingleFind = true;
  Press(RESET_BUTTON_ID);
  Type("ADDRESS", "Rome");
  Press(FIND_BUTTON_ID);
  EXPECT_EQ(Shown("ORDER_ID"), "20");
  EXPECT_EQ(Shown("NOTE"), "only");
  EXPECT_EQ(Rows(lines), 0);

  // A page that goes leaves the form and its object whole; it was never a window of the
  // window manager's own.
  const int windows = AppWindowManager.GetCount();
  DestroyWindow(secondPage);
  EXPECT_TRUE(IsWindow(form));
  EXPECT_EQ(AppWindowManager.GetCount(), windows);
  EXPECT_EQ(AppWindowManager.GetDialog(form), form_);
  Press(RESET_BUTTON_ID);
  EXPECT_EQ(Shown("NOTE"), "");
  SendMessageA(form, WM_CLOSE, 0, 0);
  PumpMessages(20);
  EXPECT_FALSE(IsWindow(form));
  EXPECT_EQ(AppWindowManager.GetCount(), 0);
}

// Button 107 on the second page (a layout of the form's own may have one): the page's
// window goes and the main page shows; what was typed there stays, the page comes again
// from the record when it is next shown, and a form that stepped through the page's child
// list steps through its table. On the main page, or on the form itself, 107 does nothing.
TEST_P(ChildListTest, ClosingTheSecondPageDestroysItsWindowAndKeepsWhatWasTyped) {
  HWND form = Open("ORDERS");
  TEditDlg* order = form_;
  Press(FIRST_BUTTON_ID);
  HWND tab = GetDlgItem(form, TAB_CONTROL_ID);
  auto select = [form, tab](int page) {
    SendMessageA(tab, TCM_SETCURSEL, page, 0);
    NMHDR change = {tab, static_cast<UINT_PTR>(TAB_CONTROL_ID), static_cast<UINT>(TCN_SELCHANGE)};
    SendMessageA(form, WM_NOTIFY, TAB_CONTROL_ID, reinterpret_cast<LPARAM>(&change));
  };
  auto closePage = [](HWND where) { SendMessageA(where, WM_COMMAND, MAKEWPARAM(CLOSE_PAGE_BUTTON_ID, BN_CLICKED), 0); };
  HWND first = GetParent(Field("NOTE"));
  HWND second = GetParent(Field("ADDRESS"));
  ASSERT_NE(first, second);
  select(1);
  Type("ADDRESS", "Bergen");

  // A line's form opened from the page's list of lines.
  order->GetChildList(1)->SetSelectionMark(0);
  SendMessageA(second, WM_COMMAND, MAKEWPARAM(ChildEditButtonId(1), BN_CLICKED), 0);
  HWND line = nullptr;
  for (HWND w = AppWindowManager.FirstWindow(); w; w = AppWindowManager.NextWindow(w))
    if (AppWindowManager.GetOwner(w) == form) line = w;
  ASSERT_NE(line, nullptr);
  TEntity* lines = TheModel.FindEntity("ORDER_LINE");
  HWND lineNo = GetDlgItem(line, FieldId(lines->AttributeIndex(lines->FindAttribute("LINE_NO"))));
  EXPECT_EQ(ControlText(lineNo), "1");

  select(0);
  closePage(first);
  select(1);
  closePage(form);
  EXPECT_TRUE(IsWindow(second));
  EXPECT_TRUE(IsWindowVisible(second));

  closePage(second);
  EXPECT_FALSE(IsWindow(second));
  EXPECT_TRUE(IsWindow(form));
  EXPECT_EQ(SendMessageA(tab, TCM_GETCURSEL, 0, 0), 0);
  EXPECT_TRUE(IsWindowVisible(first));
  EXPECT_TRUE(IsWindowEnabled(first));
  EXPECT_EQ(order->GetChildList(1), nullptr);
  EXPECT_EQ(AppWindowManager.GetCount(), 2);  // the order's form and the line's

  // The line's form steps on through its table.
  SendMessageA(line, WM_COMMAND, MAKEWPARAM(NEXT_BUTTON_ID, BN_CLICKED), 0);
  EXPECT_EQ(ControlText(lineNo), "2");

  select(1);
  HWND again = GetParent(Field("ADDRESS"));
  ASSERT_NE(again, nullptr);
  EXPECT_NE(again, first);
  EXPECT_TRUE(IsWindowVisible(again));
  EXPECT_EQ(Shown("ADDRESS"), "Bergen");
  ASSERT_NE(order->GetChildList(1), nullptr);
  EXPECT_EQ(Rows(GetDlgItem(again, ChildListId(1))), 2);
  EXPECT_EQ(ControlText(GetDlgItem(again, ChildCountLabelId(1))), "(2)");
  Press(SAVE_BUTTON_ID);
  EXPECT_EQ(Status(), "Record successfully stored");
  EXPECT_EQ(Query("SELECT ADDRESS FROM ORDERS WHERE ORDER_ID=10"), "Bergen");
}

// What a message handled while a form's Next fetched found: Cancel's state and the count
// text beside the opener's list; or the opener destroyed under the fetch.
struct TFetchProbe {
  HWND form = nullptr, countHost = nullptr, opener = nullptr;
  int countId = 0;
  bool destroyOpener = false;
  bool seen = false, cancelEnabled = true;
  std::string count;
};
TFetchProbe fetchProbe;
constexpr UINT PROBE_MESSAGE = WM_APP + 29;

LRESULT CALLBACK FetchProbeProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message != PROBE_MESSAGE) return DefWindowProcA(window, message, wParam, lParam);
  fetchProbe.seen = true;
  fetchProbe.cancelEnabled = IsWindowEnabled(GetDlgItem(fetchProbe.form, CANCEL_BUTTON_ID)) != 0;
  fetchProbe.count = ControlText(GetDlgItem(fetchProbe.countHost, fetchProbe.countId));
  if (fetchProbe.destroyOpener) DestroyWindow(fetchProbe.opener);
  return 0;
}

// Next on a child form standing on the last row its opener's list holds: the list fetches
// on (here a step of 16 rows), pumping messages, with the form's Cancel off meanwhile, and
// writes its count beside the list; the form steps to the next row. The opener is the
// customer form's child list or a related-records window, and may be destroyed meanwhile.
TEST_P(ChildListTest, NextFetchesTheRowsItsOpenersListHasNotFetchedYet) {
  Db().Exec("INSERT INTO ORDERS (ORDER_ID, CUST_ID, NOTE) WITH RECURSIVE n(k) AS (SELECT 100 UNION ALL "
            "SELECT k + 1 FROM n WHERE k < 139) SELECT k, 1, 'more' FROM n");
  HWND probe = MakeMessageWindow("VornFetchProbe", FetchProbeProc);
  ASSERT_NE(probe, nullptr);

  const struct {
    const char* opener;
    bool viewWindow;  // else the customer form's child list
    bool destroyOpener;
    const char* count;
  } cases[] = {
      {"the customer form", false, false, "(17...)"},
      {"a related-records window", true, false, "17 records found, more to come"},
      {"the customer form, destroyed meanwhile", false, true, "(17...)"},
      {"a related-records window, destroyed meanwhile", true, true, "17 records found, more to come"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.opener);
    const int liveBefore = TBaseDlg::LiveCount();
    HWND customer = Open("CUSTOMER");
    TEditDlg* customerForm = form_;
    Press(FIRST_BUTTON_ID);
    TRelationship* orders = customerForm->GetEntity()->FindRelationship("ORDERS");
    HWND opener = customer;
    TRecListBox* box = customerForm->GetChildList(0);
    int openCommand = ChildEditButtonId(0);
    if (c.viewWindow) {
      opener = OpenViewWindow(orders, customerForm->GetRecord(), nullptr, customer);
      ASSERT_NE(opener, nullptr);
      box = TRecListBoxRegistry::Find(GetDlgItem(opener, LIST_ID));
      openCommand = EDIT_BUTTON_ID;
    }
    ASSERT_NE(box, nullptr);
    ASSERT_EQ(box->GetCount(), 43);
    // The list holds its first row only, as one whose fetch stopped early.
    box->GetRecList()->Reset();
    box->GetRecList()->SelectRelated(orders->Name, customerForm->GetRecord());
    SendMessageA(box->GetWindow(), LVM_SETITEMCOUNT, 1, 0);
    box->ForgetRowTexts();
    ASSERT_EQ(box->GetCount(), 1);
    box->SetSelectionMark(0);

    SendMessageA(opener, WM_COMMAND, MAKEWPARAM(openCommand, BN_CLICKED), 0);
    HWND child = nullptr;
    for (HWND w = AppWindowManager.FirstWindow(); w; w = AppWindowManager.NextWindow(w))
      if (AppWindowManager.GetOwner(w) == opener && AppWindowManager.GetDialog(w)->GetKind() == DK_EDIT_FORM) child = w;
    ASSERT_NE(child, nullptr);
    form_ = static_cast<TEditDlg*>(AppWindowManager.GetDialog(child));
    window_ = child;
    EXPECT_EQ(Shown("ORDER_ID"), "10");
    HWND next = GetDlgItem(child, NEXT_BUTTON_ID);
    SetFocus(next);

    fetchProbe = TFetchProbe{};
    fetchProbe.form = child;
    fetchProbe.countHost = GetParent(box->GetWindow());
    fetchProbe.opener = opener;
    fetchProbe.countId = c.viewWindow ? STATUS_LINE_ID : ChildCountLabelId(0);
    fetchProbe.destroyOpener = c.destroyOpener;
    PostMessageA(probe, PROBE_MESSAGE, 0, 0);
    Press(NEXT_BUTTON_ID);
    EXPECT_TRUE(fetchProbe.seen) << "no message was handled during the fetch";
    EXPECT_FALSE(fetchProbe.cancelEnabled);
    EXPECT_EQ(fetchProbe.count, c.count);
    if (c.destroyOpener) {
      EXPECT_FALSE(IsWindow(opener));
      EXPECT_FALSE(IsWindow(child));  // it went with its opener, and Next touched nothing after
    } else {
      EXPECT_EQ(Shown("ORDER_ID"), "11");
      EXPECT_EQ(Status(), "");
      EXPECT_EQ(box->GetCount(), 17);
      EXPECT_EQ(ControlText(GetDlgItem(GetParent(box->GetWindow()), fetchProbe.countId)), c.count);
      EXPECT_EQ(Cell(box->GetWindow(), SelectedRow(box->GetWindow()), 0), "11");
      EXPECT_TRUE(IsWindowEnabled(GetDlgItem(child, CANCEL_BUTTON_ID)));
      EXPECT_EQ(GetFocus(), next);
      // With the rows there, Next fetches nothing and pumps nothing.
      fetchProbe.seen = false;
      PostMessageA(probe, PROBE_MESSAGE, 0, 0);
      Press(NEXT_BUTTON_ID);
      EXPECT_FALSE(fetchProbe.seen);
      EXPECT_EQ(Shown("ORDER_ID"), "12");
      EXPECT_EQ(box->GetCount(), 17);
    }
    PumpMessages(20);
    if (IsWindow(customer)) SendMessageA(customer, WM_CLOSE, 0, 0);
    PumpMessages(20);
    EXPECT_EQ(AppWindowManager.GetCount(), 0);
    EXPECT_EQ(TBaseDlg::LiveCount(), liveBefore);
  }
  DestroyWindow(probe);
}

// The usage line of the About box as the box shows it now.
std::string AboutUsage() {
  const char* savedName = AboutDlgName;
  AboutDlgName = "AboutDlgS";
  auto reader = std::async(std::launch::async, [] {
    TWatchedDialog box = FindDialog(GetCurrentProcessId(), "About", 10000);
    if (!box.found) return std::string("no About box");
    std::string usage = ControlText(GetDlgItem(box.window, ABOUT_USAGE));
    PressDialogButton(box.window, IDOK);
    return usage;
  });
  ShowAboutBox(MainWindow);
  AboutDlgName = savedName;
  return reader.get();
}

// A store or a delete on another form brings the child list on a paged form's second page
// up to date with one run of its query, whatever pages the form has made; the About box
// counts the open forms, not their pages.
TEST_P(ChildListTest, APagedFormsChildListFollowsAWriteElsewhereWithOneQuery) {
  Preferences.PromptBeforeDelete = false;
  Open("ORDERS");
  TEditDlg* order = form_;
  Press(FIRST_BUTTON_ID);
  HWND lines = GetDlgItem(GetParent(Field("ADDRESS")), ChildListId(1));
  ASSERT_NE(lines, nullptr);
  ASSERT_EQ(Rows(lines), 2);
  // The tab control shows each page once.
  HWND tab = GetDlgItem(order->GetWindow(), TAB_CONTROL_ID);
  for (int page : {1, 0}) {
    SendMessageA(tab, TCM_SETCURSEL, page, 0);
    NMHDR change = {tab, static_cast<UINT_PTR>(TAB_CONTROL_ID), static_cast<UINT>(TCN_SELCHANGE)};
    SendMessageA(order->GetWindow(), WM_NOTIFY, TAB_CONTROL_ID, reinterpret_cast<LPARAM>(&change));
  }

  // The statement the list runs to list the order's lines.
  StartTrace();
  order->GetChildList(1)->Refresh();
  const std::vector<std::string> refresh = TracedStatements();
  ASSERT_EQ(refresh.size(), 1u);
  const std::string linesQuery = refresh[0];

  Open("ORDER_LINE");
  EXPECT_EQ(AppWindowManager.GetCount(), 2);
  EXPECT_EQ(AboutUsage(), ResourceUsageText(2, WINDOW_MANAGER_CAPACITY, ColorTableCount, COLOR_TABLE_SIZE));

  const struct {
    const char* name;
    std::function<void()> write;
    const char* status;
    int lines;
  } writes[] = {
      {"store",
       [this] {
         Type("ORDER_ID", "10");
         Type("LINE_NO", "3");
         Type("QTY", "4");
         Press(SAVE_BUTTON_ID);
       },
       "Record successfully stored", 3},
      {"delete", [this] { Press(DELETE_BUTTON_ID); }, "Record successfully deleted", 2},
  };
  for (const auto& write : writes) {
    SCOPED_TRACE(write.name);
    const size_t before = TracedStatements().size();
    write.write();
    EXPECT_EQ(Status(), write.status);
    std::vector<std::string> statements = TracedStatements();
    statements.erase(statements.begin(), statements.begin() + static_cast<long>(before));
    EXPECT_EQ(std::count(statements.begin(), statements.end(), linesQuery), 1) << "the order's lines listed again";
    EXPECT_EQ(Rows(lines), write.lines);
    EXPECT_EQ(ControlText(GetDlgItem(GetParent(lines), ChildCountLabelId(1))), "(" + std::to_string(write.lines) + ")");
  }
  StopTrace();
  EXPECT_EQ(AppWindowManager.GetCount(), 2);
}

INSTANTIATE_DATABASE_TESTS(ChildListTest);

}  // namespace

// The other open windows after a store or a delete, on real windows over SQLite and
// PostgreSQL: a parent form's calculated total and its child list with its count follow
// what was written elsewhere, without Refresh and without losing what the user typed.
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include <cstdlib>
#include <string>

#include "forms/controlids.h"
#include "forms/editdlg.h"
#include "forms/preferences.h"
#include "forms/windowmanager.h"
#include "support/desk_forms.h"
#include "support/form_support.h"

namespace {

class RefreshTest : public DeskFormsTest {
protected:
  void SetUp() override {
    DeskFormsTest::SetUp();
    Preferences.SkipListBoxIfSingleFind = true;
    Preferences.IfKeysAreChanged = TKeyChangeRule::AlwaysInsert;
    Db().Exec("INSERT INTO CUST VALUES (1, 'Fjord Fish', 'Bergen')");
    Db().Exec("INSERT INTO ORD VALUES (10, 1, 'first', 0)");
  }

  // A form of the entity showing the row with the key.
  TEditDlg* FormOn(const char* entity, const char* key, const char* value) {
    TEditDlg* form = OpenForm(entity);
    TypeOn(form, key, value);
    PressOn(form->GetWindow(), FIND_BUTTON_ID);
    EXPECT_EQ(form->GetFormState(), TFormState::Existing) << StatusOf(form->GetWindow());
    return form;
  }
  // An amount as shown (or "no amount" when the text is none).
  static double Amount(const std::string& text) { return text.empty() ? -1 : std::atof(text.c_str()); }
  static std::string CountOf(TEditDlg* form, int relationship) {
    return ControlText(GetDlgItem(form->GetWindow(), CHILD_COUNT_LABEL_ID_BASE + relationship));
  }
  static HWND ChildList(TEditDlg* form, int relationship) {
    return GetDlgItem(form->GetWindow(), ChildListId(relationship));
  }
};

// The road: a line added from the order's lines window.
TEST_P(RefreshTest, AnOrderShowsTheTotalOfLinesWrittenFromItsLinesWindow) {
  TEditDlg* order = FormOn("ORD", "ORD_ID", "10");
  EXPECT_EQ(Amount(ShownOn(order, "TOTAL")), 0.00);
  TypeOn(order, "NOTE", "typed, not stored");

  PressOn(order->GetWindow(), ViewRelatedButtonId(RelationshipOf(order, "LINES")));
  HWND lines = OpenWindowOfKind(DK_VIEW);
  ASSERT_NE(lines, nullptr);
  PressOn(lines, ADD_BUTTON_ID);
  TEditDlg* line = OtherFormOf("LINE", nullptr);
  ASSERT_NE(line, nullptr);
  EXPECT_EQ(ShownOn(line, "ORD_ID"), "10");
  TypeOn(line, "LINE_NO", "1");
  TypeOn(line, "AMOUNT", "25");
  PressOn(line->GetWindow(), SAVE_BUTTON_ID);
  ASSERT_EQ(StatusOf(line->GetWindow()), "Record successfully stored");
  EXPECT_EQ(Query("SELECT COUNT(*) FROM LINE"), "1");

  // The order recalculates its total; the record is not read again, the typing stays.
  EXPECT_EQ(Amount(ShownOn(order, "TOTAL")), 25.00);
  EXPECT_EQ(ShownOn(order, "NOTE"), "typed, not stored");
  EXPECT_EQ(Query("SELECT NOTE FROM ORD WHERE ORD_ID=10"), "first");
  EXPECT_EQ(ListViewRowCount(GetDlgItem(lines, LIST_ID)), 1);
  EXPECT_EQ(StatusOf(lines), "1 record found, search complete");
  ExpectColumnsShowWhole(GetDlgItem(lines, LIST_ID));
  Picture(lines, "refresh_lines_window");
  Picture(order->GetWindow(), "refresh_order_total");

  // A second line stored from its own form, then one deleted in the lines window.
  TypeOn(line, "ORD_ID", "10");
  TypeOn(line, "LINE_NO", "2");
  TypeOn(line, "AMOUNT", "4.5");
  PressOn(line->GetWindow(), SAVE_BUTTON_ID);
  EXPECT_EQ(Amount(ShownOn(order, "TOTAL")), 29.50);
  EXPECT_EQ(ListViewRowCount(GetDlgItem(lines, LIST_ID)), 2);
  SelectListViewRow(GetDlgItem(lines, LIST_ID), 0);
  PressOn(lines, DELETE_BUTTON_ID);
  EXPECT_EQ(Query("SELECT COUNT(*) FROM LINE"), "1");
  EXPECT_EQ(Amount(ShownOn(order, "TOTAL")), 4.50);
  EXPECT_EQ(ShownOn(order, "NOTE"), "typed, not stored");
  EXPECT_EQ(order->GetFormState(), TFormState::Existing);
}

TEST_P(RefreshTest, ACustomersChildListAndCountFollowOrdersWrittenElsewhere) {
  TEditDlg* customer = FormOn("CUST", "CUST_ID", "1");
  const int orders = RelationshipOf(customer, "ORDS");
  HWND list = ChildList(customer, orders);
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(ListViewRowCount(list), 1);
  EXPECT_EQ(CountOf(customer, orders), "(1)");
  TypeOn(customer, "CITY", "typed");

  // An order stored on a form of its own.
  TEditDlg* order = OpenForm("ORD");
  TypeOn(order, "ORD_ID", "11");
  TypeOn(order, "CUST_ID", "1");
  TypeOn(order, "NOTE", "by phone");
  PressOn(order->GetWindow(), SAVE_BUTTON_ID);
  ASSERT_EQ(StatusOf(order->GetWindow()), "Record successfully stored");
  ASSERT_EQ(ListViewRowCount(list), 2);
  EXPECT_EQ(CountOf(customer, orders), "(2)");
  EXPECT_EQ(ListViewCellText(list, 1, 0), "11");
  EXPECT_EQ(ListViewCellText(list, 1, 1), "by phone");

  // A line of that order changes the order's stored total, which the customer's list shows.
  TEditDlg* line = OpenForm("LINE");
  TypeOn(line, "ORD_ID", "11");
  TypeOn(line, "LINE_NO", "1");
  TypeOn(line, "AMOUNT", "7.5");
  PressOn(line->GetWindow(), SAVE_BUTTON_ID);
  ASSERT_EQ(StatusOf(line->GetWindow()), "Record successfully stored");
  EXPECT_EQ(Amount(ListViewCellText(list, 1, 2)), 7.5);
  ExpectColumnsShowWhole(list);
  Picture(customer->GetWindow(), "refresh_customer_orders");

  // The order deleted again on its form.
  PressOn(line->GetWindow(), CANCEL_BUTTON_ID);
  Db().Exec("DELETE FROM LINE");
  TypeOn(order, "ORD_ID", "11");
  PressOn(order->GetWindow(), FIND_BUTTON_ID);
  ASSERT_EQ(order->GetFormState(), TFormState::Existing) << StatusOf(order->GetWindow());
  PressOn(order->GetWindow(), DELETE_BUTTON_ID);
  ASSERT_EQ(StatusOf(order->GetWindow()), "Record successfully deleted");
  EXPECT_EQ(ListViewRowCount(list), 1);
  EXPECT_EQ(CountOf(customer, orders), "(1)");
  EXPECT_EQ(ShownOn(customer, "CITY"), "typed");
}

TEST_P(RefreshTest, AChildAddedFromTheParentsOwnListShowsThereAtOnce) {
  TEditDlg* customer = FormOn("CUST", "CUST_ID", "1");
  const int orders = RelationshipOf(customer, "ORDS");
  PressOn(customer->GetWindow(), ChildAddButtonId(orders));
  TEditDlg* order = OtherFormOf("ORD", nullptr);
  ASSERT_NE(order, nullptr);
  EXPECT_EQ(ShownOn(order, "CUST_ID"), "1");
  TypeOn(order, "ORD_ID", "12");
  PressOn(order->GetWindow(), SAVE_BUTTON_ID);
  ASSERT_EQ(StatusOf(order->GetWindow()), "Record successfully stored");
  EXPECT_EQ(ListViewRowCount(ChildList(customer, orders)), 2);
  EXPECT_EQ(CountOf(customer, orders), "(2)");
}

INSTANTIATE_DATABASE_TESTS(RefreshTest);

}  // namespace

// The related-records window on real windows over SQLite and PostgreSQL: View Related
// with and without the single-view preference, add with the key preset, edit, delete,
// report, closing it with forms open on it, closing its form while it fetches, and the
// VIEW command.
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include <string>
#include <vector>

#include "data/db/reclist.h"
#include "data/db/record.h"
#include "data/model/model.h"
#include "data/model/settings.h"
#include "forms/controlids.h"
#include "forms/editdlg.h"
#include "forms/expanddlg.h"
#include "forms/lookupdlg.h"
#include "forms/shellcalls.h"
#include "forms/viewdlg.h"
#include "forms/windowmanager.h"
#include "shell/appwindow.h"
#include "shell/commands.h"
#include "shell/formcalls.h"
#include "support/dialog_watcher.h"
#include "support/form_support.h"
#include "support/shop_forms.h"

namespace {

class ViewWindowTest : public FormWindowsTest {};

// ---- related-records window ---------------------------------------------------------------

TEST_P(ViewWindowTest, ViewRelatedFollowsTheSingleViewPreference) {
  UseSample();
  struct TCase {
    int contacts;
    bool skip;
    const char* outcome;  // "window", "form" or "status"
  } cases[] = {{0, false, "window"}, {1, false, "window"}, {2, false, "window"},
               {0, true, "status"},  {1, true, "form"},    {2, true, "window"}};
  for (const TCase& c : cases) {
    SCOPED_TRACE(std::to_string(c.contacts) + (c.skip ? " skipping" : ""));
    Db().Exec("DELETE FROM CONTACT");
    Db().Exec("DELETE FROM CUSTOMER");
    CustomerWithContacts(c.contacts);
    Preferences.SkipListBoxIfSingleView = c.skip;
    HWND customer = Open("CUSTOMER");
    FindKey("CUST_ID", "1");
    Press(ContactsButton());
    HWND view = WindowTitled("View Contact");
    const std::vector<TEditDlg*> forms = OpenForms("CONTACT");
    if (std::string(c.outcome) == "window") {
      ASSERT_NE(view, nullptr);
      EXPECT_EQ(RowCount(List(view)), c.contacts);
      EXPECT_TRUE(IsWindowVisible(view));
      if (c.contacts == 2) Picture(view, "view_related");
      EXPECT_EQ(AppWindowManager.GetOwner(view), customer);
      EXPECT_EQ(Text(view, STATUS_LINE_ID),
                c.contacts == 0 ? "No records found, search complete"
                                : std::to_string(c.contacts) + (c.contacts == 1 ? " record" : " records") + " found, search complete");
      EXPECT_TRUE(forms.empty());
    } else if (std::string(c.outcome) == "form") {
      EXPECT_EQ(view, nullptr);
      ASSERT_EQ(forms.size(), 1u);
      EXPECT_STREQ(forms[0]->GetRecord()->GetValue("NAME"), "c1");
      EXPECT_EQ(forms[0]->GetFormState(), TFormState::Existing);
    } else {
      EXPECT_EQ(view, nullptr);
      EXPECT_TRUE(forms.empty());
      EXPECT_EQ(Status(), "Related record(s) not found");
    }
    SendMessageA(customer, WM_CLOSE, 0, 0);
    PumpMessages(20);
    EXPECT_EQ(AppWindowManager.GetCount(), 0);
  }
}

TEST_P(ViewWindowTest, ChildButtonsOfAnUnstoredRecordOnlySayso) {
  UseSample();
  Open("CUSTOMER");
  Type("CUST_ID", "7");
  auto box = WatchAndPressAsync(GetCurrentProcessId(), "Customer", IDOK, 10000);
  Press(ContactsButton());
  const TWatchedDialog shown = box.get();
  ASSERT_TRUE(shown.found);
  EXPECT_EQ(shown.text, "You have not yet found/stored the main record.\nYou should do this first.");
  EXPECT_EQ(shown.icon, TBoxIcon::Exclamation);
  EXPECT_EQ(WindowTitled("View Contact"), nullptr);
  EXPECT_EQ(AppWindowManager.GetCount(), 1);
}

TEST_P(ViewWindowTest, TheRelatedWindowAddsWithTheKeyPresetEditsAndDeletes) {
  UseSample();
  CustomerWithContacts(2);
  Preferences.PromptBeforeDelete = true;
  Open("CUSTOMER");
  FindKey("CUST_ID", "1");
  Press(ContactsButton());
  HWND view = WindowTitled("View Contact");
  ASSERT_NE(view, nullptr);

  // Add: a child form whose foreign key is the customer's.
  SendMessageA(view, WM_COMMAND, MAKEWPARAM(ADD_BUTTON_ID, BN_CLICKED), 0);
  std::vector<TEditDlg*> forms = OpenForms("CONTACT");
  ASSERT_EQ(forms.size(), 1u);
  HWND added = forms[0]->GetWindow();
  EXPECT_EQ(AppWindowManager.GetOwner(added), view);
  const TEntity* contact = forms[0]->GetEntity();
  const int custField = FIELD_ID_BASE + contact->AttributeIndex(contact->FindAttribute("CUST_ID"));
  EXPECT_EQ(Text(added, custField), "1");
  SetDlgItemTextA(added, FIELD_ID_BASE + contact->AttributeIndex(contact->FindAttribute("CONTACT_ID")), "20");
  SetDlgItemTextA(added, FIELD_ID_BASE + contact->AttributeIndex(contact->FindAttribute("NAME")), "new one");
  SendMessageA(added, WM_COMMAND, MAKEWPARAM(SAVE_BUTTON_ID, BN_CLICKED), 0);
  EXPECT_EQ(Query("SELECT CUST_ID FROM CONTACT WHERE CONTACT_ID=20"), "1");
  DestroyWindow(added);
  SendMessageA(view, WM_COMMAND, MAKEWPARAM(REFRESH_BUTTON_ID, BN_CLICKED), 0);
  EXPECT_EQ(RowCount(List(view)), 3);

  // Edit: the highlighted row on a form of its own.
  SelectRow(List(view), 1);
  SendMessageA(view, WM_COMMAND, MAKEWPARAM(EDIT_BUTTON_ID, BN_CLICKED), 0);
  forms = OpenForms("CONTACT");
  ASSERT_EQ(forms.size(), 1u);
  EXPECT_STREQ(forms[0]->GetRecord()->GetValue("NAME"), "c2");
  DestroyWindow(forms[0]->GetWindow());

  // Delete: asked first; No keeps the row, Yes deletes it and refreshes.
  SelectRow(List(view), 0);
  auto no = WatchAndPressAsync(GetCurrentProcessId(), "Contact", IDNO, 10000);
  SendMessageA(view, WM_COMMAND, MAKEWPARAM(DELETE_BUTTON_ID, BN_CLICKED), 0);
  const TWatchedDialog question = no.get();
  ASSERT_TRUE(question.found);
  EXPECT_EQ(question.text, "Do you wish to delete this record?");
  EXPECT_EQ(question.defaultButton, "&No");
  EXPECT_EQ(Query("SELECT COUNT(*) FROM CONTACT"), "3");
  auto yes = WatchAndPressAsync(GetCurrentProcessId(), "Contact", IDYES, 10000);
  SendMessageA(view, WM_COMMAND, MAKEWPARAM(DELETE_BUTTON_ID, BN_CLICKED), 0);
  ASSERT_TRUE(yes.get().found);
  EXPECT_EQ(Query("SELECT COUNT(*) FROM CONTACT WHERE CONTACT_ID=11"), "0");
  EXPECT_EQ(RowCount(List(view)), 2);
  EXPECT_EQ(Text(view, STATUS_LINE_ID), "2 records found, search complete");
}

TEST_P(ViewWindowTest, ADeleteRefusedByTheDatabaseKeepsTheRowAndSaysWhy) {
  UseSample();
  Db().Exec("INSERT INTO CUSTOMER (CUST_ID, NAME) VALUES (1, 'Ann')");
  Db().Exec("INSERT INTO ORDERS (ORDER_ID, CUST_ID) VALUES (5, 1)");
  Db().Exec("INSERT INTO ORDER_LINE (ORDER_ID, LINE_NO, QUANTITY) VALUES (5, 1, 2)");
  Open("CUSTOMER");
  FindKey("CUST_ID", "1");
  Press(ViewRelatedButtonId(RelIndex("ORDERS")));
  HWND view = WindowTitled("View Order");
  ASSERT_NE(view, nullptr);
  SelectRow(List(view), 0);
  auto box = WatchAndPressAsync(GetCurrentProcessId(), "Deletion failed", IDOK, 10000);
  SendMessageA(view, WM_COMMAND, MAKEWPARAM(DELETE_BUTTON_ID, BN_CLICKED), 0);
  const TWatchedDialog failed = box.get();
  ASSERT_TRUE(failed.found);
  EXPECT_FALSE(failed.text.empty());
  EXPECT_EQ(Query("SELECT COUNT(*) FROM ORDERS"), "1");
  EXPECT_EQ(RowCount(List(view)), 1);
}

TEST_P(ViewWindowTest, ReportHandsTheRowsAndColumnsToTheOutput) {
  UseSample();
  CustomerWithContacts(3);
  static int calls;
  static int rows;
  static std::vector<int> columns;
  calls = 0;
  TOutputRecordsCall saved = OutputRecordsCall;
  OutputRecordsCall = [](HWND, TDBRecList& list, const std::vector<int>& cols, const std::function<void()>& fetchAll) {
    ++calls;
    if (fetchAll) fetchAll();
    rows = list.Count();
    columns = cols;
  };
  Open("CUSTOMER");
  FindKey("CUST_ID", "1");
  Press(ContactsButton());
  HWND view = WindowTitled("View Contact");
  ASSERT_NE(view, nullptr);
  SendMessageA(view, WM_COMMAND, MAKEWPARAM(REPORT_BUTTON_ID, BN_CLICKED), 0);
  OutputRecordsCall = saved;
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(rows, 3);
  EXPECT_EQ(columns.size(), 2u);  // NAME, EMAIL of the relationship's column text

  // Without the shell's output the button says so.
  OutputRecordsCall = nullptr;
  auto box = WatchAndPressAsync(GetCurrentProcessId(), "Report", IDOK, 10000);
  SendMessageA(view, WM_COMMAND, MAKEWPARAM(REPORT_BUTTON_ID, BN_CLICKED), 0);
  OutputRecordsCall = saved;
  EXPECT_TRUE(box.get().found);
}

TEST_P(ViewWindowTest, ClosingTheWindowClosesTheFormsThatHoldItsListFirst) {
  UseSample();
  CustomerWithContacts(2);
  Open("CUSTOMER");
  FindKey("CUST_ID", "1");
  Press(ContactsButton());
  HWND view = WindowTitled("View Contact");
  ASSERT_NE(view, nullptr);
  SelectRow(List(view), 1);
  SendMessageA(view, WM_COMMAND, MAKEWPARAM(EDIT_BUTTON_ID, BN_CLICKED), 0);
  std::vector<TEditDlg*> forms = OpenForms("CONTACT");
  ASSERT_EQ(forms.size(), 1u);
  HWND child = forms[0]->GetWindow();
  // The child form steps through the window's list.
  SendMessageA(child, WM_COMMAND, MAKEWPARAM(FIRST_BUTTON_ID, BN_CLICKED), 0);
  SendMessageA(view, WM_COMMAND, MAKEWPARAM(CLOSE_PAGE_BUTTON_ID, BN_CLICKED), 0);
  PumpMessages(20);
  EXPECT_FALSE(IsWindow(view));
  EXPECT_FALSE(IsWindow(child));
  EXPECT_EQ(AppWindowManager.GetCount(), 1);
}

// A window whose message destroys the window in its lParam.
LRESULT CALLBACK DestroyingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_APP) {
    DestroyWindow(reinterpret_cast<HWND>(lParam));
    return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

TEST_P(ViewWindowTest, ClosingOrDestroyingTheFormWhileTheWindowFetchesItsRowsEndsSafely) {
  UseSample();
  Db().Exec("INSERT INTO CUSTOMER (CUST_ID, NAME) VALUES (1, 'Ann')");
  Db().Exec("INSERT INTO CONTACT (CONTACT_ID, CUST_ID, NAME) WITH RECURSIVE n(k) AS (SELECT 1 UNION ALL "
            "SELECT k + 1 FROM n WHERE k < 100000) SELECT k, 1, 'c' FROM n");
  HWND destroyer = MakeMessageWindow("VornDestroying", DestroyingProc);
  for (bool destroy : {false, true}) {
    SCOPED_TRACE(destroy ? "destroyed" : "closed");
    HWND customer = Open("CUSTOMER");
    FindKey("CUST_ID", "1");
    // Handled at the first round of messages of the fetch.
    if (destroy) PostMessageA(destroyer, WM_APP, 0, reinterpret_cast<LPARAM>(customer));
    else PostMessageA(customer, WM_CLOSE, 0, 0);
    Press(ContactsButton());
    PumpMessages(50);
    EXPECT_FALSE(IsWindow(customer));
    EXPECT_EQ(WindowTitled("View Contact"), nullptr);
    EXPECT_EQ(AppWindowManager.GetCount(), 0);
  }
  DestroyWindow(destroyer);
}

TEST_P(ViewWindowTest, TheViewCommandListsEveryRowOrTheClause) {
  UseSample();
  CustomerWithContacts(0);
  InstallFormButtonCalls();
  EXPECT_EQ(RunCommand(MainWindow, "VIEW CUSTOMER"), 1);
  HWND all = WindowTitled("View Customer");
  ASSERT_NE(all, nullptr);
  EXPECT_EQ(RowCount(List(all)), 2);
  EXPECT_EQ(AppWindowManager.GetOwner(all), MainWindow);
  DestroyWindow(all);
  EXPECT_EQ(RunCommand(MainWindow, "VIEW CUSTOMER NAME = 'Bob'"), 1);
  HWND some = WindowTitled("View Customer");
  ASSERT_NE(some, nullptr);
  EXPECT_EQ(RowCount(List(some)), 1);
  // List mode: Add opens an empty form of the entity.
  SendMessageA(some, WM_COMMAND, MAKEWPARAM(ADD_BUTTON_ID, BN_CLICKED), 0);
  ASSERT_EQ(OpenForms("CUSTOMER").size(), 1u);
  EXPECT_EQ(OpenForms("CUSTOMER")[0]->GetFormState(), TFormState::Fresh);
}

// ---- the form's child list ----------------------------------------------------------------

TEST_P(ViewWindowTest, AChildListAddsWithTheKeyPresetEditsAndDeletes) {
  UseShop();
  Db().Exec("INSERT INTO CUST (CUST_ID, NAME) VALUES (1, 'Ann')");
  Db().Exec("INSERT INTO ORD (ORD_ID, CUST_ID, ITEM) VALUES (10, 1, 'tea')");
  Db().Exec("INSERT INTO ORD (ORD_ID, CUST_ID, ITEM) VALUES (11, 1, 'cups')");
  HWND customer = Open("CUST");
  FindKey("CUST_ID", "1");
  const int r = RelIndex("ORDS");
  HWND list = GetDlgItem(customer, ChildListId(r));
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(RowCount(list), 2);

  // Add: a child form with the customer's key, the customer form minimised meanwhile.
  Press(ChildAddButtonId(r));
  std::vector<TEditDlg*> forms = OpenForms("ORD");
  ASSERT_EQ(forms.size(), 1u);
  HWND order = forms[0]->GetWindow();
  EXPECT_TRUE(IsIconic(customer));
  const TEntity* ord = forms[0]->GetEntity();
  auto field = [&](const char* name) { return FIELD_ID_BASE + ord->AttributeIndex(ord->FindAttribute(name)); };
  EXPECT_EQ(Text(order, field("CUST_ID")), "1");
  SetDlgItemTextA(order, field("ORD_ID"), "12");
  SetDlgItemTextA(order, field("ITEM"), "pot");
  SendMessageA(order, WM_COMMAND, MAKEWPARAM(SAVE_BUTTON_ID, BN_CLICKED), 0);
  EXPECT_EQ(Query("SELECT CUST_ID FROM ORD WHERE ORD_ID=12"), "1");
  DestroyWindow(order);
  ShowWindow(customer, SW_RESTORE);
  Press(REFRESH_BUTTON_ID);
  EXPECT_EQ(RowCount(list), 3);

  // Edit: the highlighted row.
  SelectRow(list, 1);
  Press(ChildEditButtonId(r));
  forms = OpenForms("ORD");
  ASSERT_EQ(forms.size(), 1u);
  EXPECT_STREQ(forms[0]->GetRecord()->GetValue("ITEM"), "cups");
  DestroyWindow(forms[0]->GetWindow());
  ShowWindow(customer, SW_RESTORE);

  // Delete: the highlighted row goes, the list shows what is left.
  SelectRow(list, 0);
  Press(ChildDeleteButtonId(r));
  EXPECT_EQ(Query("SELECT COUNT(*) FROM ORD WHERE ORD_ID=10"), "0");
  EXPECT_EQ(RowCount(list), 2);
}

INSTANTIATE_DATABASE_TESTS(ViewWindowTest);

}  // namespace

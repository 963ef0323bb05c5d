// The windows an edit form opens over record lists, on real windows over SQLite and
// PostgreSQL: the related-records window (View Related with and without the single-view
// preference, add with the key preset, edit, delete, report, closing with forms open on
// it, the VIEW command), the lookup in its modal and modeless layouts, the related
// record's form and the expand box.
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

class ListWindowsTest : public FormWindowsTest {
protected:
  // The sample's customer 1 with as many contacts as asked.
  void CustomerWithContacts(int contacts) {
    Db().Exec("INSERT INTO CUSTOMER (CUST_ID, NAME) VALUES (1, 'Ann')");
    Db().Exec("INSERT INTO CUSTOMER (CUST_ID, NAME) VALUES (2, 'Bob')");
    for (int k = 1; k <= contacts; ++k)
      Db().Exec("INSERT INTO CONTACT (CONTACT_ID, CUST_ID, NAME) VALUES (" + std::to_string(10 + k) + ", 1, 'c" +
                std::to_string(k) + "')");
  }
  int ContactsButton() { return ViewRelatedButtonId(RelIndex("CONTACTS")); }
  static HWND List(HWND window) { return GetDlgItem(window, LIST_ID); }
  static std::string Text(HWND window, int id) {
    char text[512] = "";
    GetDlgItemTextA(window, id, text, sizeof text);
    return text;
  }
  // The edit forms open now, by entity name.
  static std::vector<TEditDlg*> OpenForms(const char* entity) {
    std::vector<TEditDlg*> forms;
    for (HWND w = AppWindowManager.FirstWindow(); w; w = AppWindowManager.NextWindow(w)) {
      TBaseDlg* dialog = AppWindowManager.GetDialog(w);
      if (dialog && dialog->GetKind() == DK_EDIT_FORM && _stricmp(static_cast<TEditDlg*>(dialog)->GetEntity()->Name, entity) == 0)
        forms.push_back(static_cast<TEditDlg*>(dialog));
    }
    return forms;
  }
};

// ---- related-records window ---------------------------------------------------------------

TEST_P(ListWindowsTest, ViewRelatedFollowsTheSingleViewPreference) {
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

TEST_P(ListWindowsTest, ChildButtonsOfAnUnstoredRecordOnlySayso) {
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

TEST_P(ListWindowsTest, TheRelatedWindowAddsWithTheKeyPresetEditsAndDeletes) {
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

TEST_P(ListWindowsTest, ADeleteRefusedByTheDatabaseKeepsTheRowAndSaysWhy) {
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

TEST_P(ListWindowsTest, ReportHandsTheRowsAndColumnsToTheOutput) {
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

TEST_P(ListWindowsTest, ClosingTheWindowClosesTheFormsThatHoldItsListFirst) {
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

TEST_P(ListWindowsTest, ClosingOrDestroyingTheFormWhileTheWindowFetchesItsRowsEndsSafely) {
  UseSample();
  Db().Exec("INSERT INTO CUSTOMER (CUST_ID, NAME) VALUES (1, 'Ann')");
  Db().Exec("INSERT INTO CONTACT (CONTACT_ID, CUST_ID, NAME) WITH RECURSIVE n(k) AS (SELECT 1 UNION ALL "
            "SELECT k + 1 FROM n WHERE k < 100000) SELECT k, 1, 'c' FROM n");
  WNDCLASSA wc = {};
  wc.lpfnWndProc = DestroyingProc;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.lpszClassName = "VornDestroying";
  RegisterClassA(&wc);
  HWND destroyer = CreateWindowA("VornDestroying", "", 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
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

TEST_P(ListWindowsTest, TheViewCommandListsEveryRowOrTheClause) {
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

// ---- lookup -------------------------------------------------------------------------------

TEST_P(ListWindowsTest, TheModalLookupWritesTheChosenKeyIntoTheForm) {
  UseSample();
  Db().Exec("INSERT INTO CUSTOMER (CUST_ID, NAME) VALUES (1, 'Ann')");
  Db().Exec("INSERT INTO CUSTOMER (CUST_ID, NAME) VALUES (2, 'Bob')");
  Open("CONTACT");
  Type("NAME", "typed before");
  int rows = -1;
  std::string caption;
  auto chooser = WhenShown("Select Customer", [&](HWND lookup) {
    HWND list = GetDlgItem(lookup, LIST_ID);
    rows = RowCount(list);
    caption = ControlText(lookup);
    EXPECT_EQ(GetDlgItem(lookup, ADD_BUTTON_ID), nullptr);  // the three-button layout
    SelectRow(list, 1);
    Picture(lookup, "lookup_modal");
    PressDialogButton(lookup, IDOK);
  });
  Press(LookupButtonId(RelIndex("CUSTOMER")));  // returns when the modal window ends
  ASSERT_TRUE(chooser.get());
  EXPECT_EQ(rows, 2);
  EXPECT_EQ(Shown("CUST_ID"), "2");
  EXPECT_EQ(Shown("NAME"), "typed before");
  EXPECT_EQ(AppWindowManager.GetCount(), 1);

  // Cancel and OK without a row change nothing.
  for (int button : {IDCANCEL, IDOK}) {
    auto leave = WhenShown("Select Customer", [&](HWND lookup) { PressDialogButton(lookup, button); });
    Press(LookupButtonId(RelIndex("CUSTOMER")));
    ASSERT_TRUE(leave.get());
    EXPECT_EQ(Shown("CUST_ID"), "2");
  }
}

TEST_P(ListWindowsTest, TheModelessLookupStaysBesideTheFormAndCanAddAndDelete) {
  UseShop();
  Db().Exec("INSERT INTO CUST (CUST_ID, NAME) VALUES (1, 'Ann')");
  Db().Exec("INSERT INTO CUST (CUST_ID, NAME) VALUES (2, 'Bob')");
  Db().Exec("INSERT INTO CUST (CUST_ID, NAME) VALUES (3, 'Cy')");
  Open("CONT");
  Press(LookupButtonId(RelIndex("CUST")));
  HWND lookup = WindowTitled("Select Customer");
  ASSERT_NE(lookup, nullptr);
  EXPECT_FALSE(AppWindowManager.IsModal(lookup));
  for (int id : {IDOK, ADD_BUTTON_ID, EDIT_BUTTON_ID, DELETE_BUTTON_ID, REFRESH_BUTTON_ID, IDCANCEL, HELP_BUTTON_ID})
    EXPECT_NE(GetDlgItem(lookup, id), nullptr) << id;
  HWND list = List(lookup);
  EXPECT_EQ(RowCount(list), 3);
  SelectRow(list, 2);
  Picture(lookup, "lookup_modeless");
  // The form stays usable: what is typed meanwhile is kept by OK.
  Type("NAME", "typed meanwhile");
  SelectRow(list, 2);
  SendMessageA(lookup, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
  PumpMessages(20);
  EXPECT_FALSE(IsWindow(lookup));
  EXPECT_EQ(Shown("CUST_ID"), "3");
  EXPECT_EQ(Shown("NAME"), "typed meanwhile");

  // Delete from the lookup without a question (the preference is off).
  Type("CUST_ID", "");
  Press(LookupButtonId(RelIndex("CUST")));
  lookup = WindowTitled("Select Customer");
  ASSERT_NE(lookup, nullptr);
  SelectRow(List(lookup), 0);
  SendMessageA(lookup, WM_COMMAND, MAKEWPARAM(DELETE_BUTTON_ID, BN_CLICKED), 0);
  EXPECT_EQ(Query("SELECT COUNT(*) FROM CUST"), "2");
  EXPECT_EQ(RowCount(List(lookup)), 2);
  // Add opens an empty customer form owned by the lookup.
  SendMessageA(lookup, WM_COMMAND, MAKEWPARAM(ADD_BUTTON_ID, BN_CLICKED), 0);
  std::vector<TEditDlg*> forms = OpenForms("CUST");
  ASSERT_EQ(forms.size(), 1u);
  EXPECT_EQ(AppWindowManager.GetOwner(forms[0]->GetWindow()), lookup);
  // Closing the contact form closes the lookup and the form on it.
  SendMessageA(window_, WM_CLOSE, 0, 0);
  PumpMessages(20);
  EXPECT_EQ(AppWindowManager.GetCount(), 0);
}

TEST_P(ListWindowsTest, TheLookupOpensAtItsButtonAndStaysOnTheScreen) {
  UseShop();
  Db().Exec("INSERT INTO CUST (CUST_ID, NAME) VALUES (1, 'Ann')");
  Open("CONT");
  RECT desktop;
  GetWindowRect(GetDesktopWindow(), &desktop);
  for (bool nearEdge : {false, true}) {
    SCOPED_TRACE(nearEdge);
    RECT form;
    GetWindowRect(window_, &form);
    const int x = nearEdge ? desktop.right - (form.right - form.left) : 0;
    SetWindowPos(window_, nullptr, x, 0, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    Press(LookupButtonId(RelIndex("CUST")));
    HWND lookup = WindowTitled("Select Customer");
    ASSERT_NE(lookup, nullptr);
    RECT button, placed;
    GetWindowRect(GetDlgItem(window_, LookupButtonId(RelIndex("CUST"))), &button);
    GetWindowRect(lookup, &placed);
    if (nearEdge) {
      EXPECT_EQ(placed.right, desktop.right);
    } else {
      EXPECT_EQ(placed.left, button.left + 2);
      EXPECT_EQ(placed.top, button.top + 2);
    }
    // It cannot be made smaller than it opened.
    SetWindowPos(lookup, nullptr, 0, 0, 50, 50, SWP_NOMOVE | SWP_NOZORDER);
    RECT shrunk;
    GetWindowRect(lookup, &shrunk);
    EXPECT_EQ(shrunk.right - shrunk.left, placed.right - placed.left);
    DestroyWindow(lookup);
  }
}

// ---- the related record's form ------------------------------------------------------------

TEST_P(ListWindowsTest, ShowRelatedOpensTheRelatedRecordOrABlankForm) {
  UseShop();
  Db().Exec("INSERT INTO CUST (CUST_ID, NAME) VALUES (4, 'Dora')");
  Open("ORD");
  HWND order = window_;
  TEditDlg* orderForm = form_;
  for (const char* key : {"4", "9"}) {
    SCOPED_TRACE(key);
    SetWindowTextA(GetDlgItem(order, FIELD_ID_BASE + orderForm->GetEntity()->AttributeIndex(orderForm->GetEntity()->FindAttribute("CUST_ID"))), key);
    SendMessageA(order, WM_COMMAND, MAKEWPARAM(ShowRelatedButtonId(0), BN_CLICKED), 0);
    std::vector<TEditDlg*> forms = OpenForms("CUST");
    ASSERT_EQ(forms.size(), 1u);
    const bool found = std::string(key) == "4";
    EXPECT_STREQ(forms[0]->GetRecord()->GetValue("NAME"), found ? "Dora" : "");
    EXPECT_EQ(forms[0]->GetFormState(), found ? TFormState::Existing : TFormState::Fresh);
    DestroyWindow(forms[0]->GetWindow());
  }
}

// ---- expand box ---------------------------------------------------------------------------

TEST_P(ListWindowsTest, TheExpandBoxKeepsTheTextOnCloseAndDropsItOnEscape) {
  UseShop();
  Open("CUST");
  const int button = ExpandButtonId(Index("NOTE"));
  Type("NOTE", "first");
  long limit = 0;
  auto edit = WhenShown("Note", [&](HWND box) {
    limit = static_cast<long>(SendDlgItemMessageA(box, EXPAND_EDIT_ID, EM_GETLIMITTEXT, 0, 0));
    EXPECT_EQ(ControlText(GetDlgItem(box, EXPAND_EDIT_ID)), "first");
    SetDlgItemTextA(box, EXPAND_EDIT_ID, "line one\r\nline two");
    Picture(box, "expand_box");
    PressDialogButton(box, EXPAND_CLOSE_ID);
  });
  Press(button);
  ASSERT_TRUE(edit.get());
  EXPECT_EQ(limit, 300) << "the column's size, not the display width";
  EXPECT_EQ(Shown("NOTE"), "line one\r\nline two");

  auto escape = WhenShown("Note", [&](HWND box) {
    SetDlgItemTextA(box, EXPAND_EDIT_ID, "dropped");
    PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDCANCEL, 0), 0);
  });
  Press(button);
  ASSERT_TRUE(escape.get());
  EXPECT_EQ(Shown("NOTE"), "line one\r\nline two");
  EXPECT_EQ(AppWindowManager.GetCount(), 1);
}

TEST_P(ListWindowsTest, TheExpandBoxCutsAFieldTextAt8191Characters) {
  UseShop();
  Open("CUST");
  const std::string longText(9000, 'x');
  Type("NOTE", longText.c_str());
  size_t shown = 0;
  auto close = WhenShown("Note", [&](HWND box) {
    shown = static_cast<size_t>(GetWindowTextLengthA(GetDlgItem(box, EXPAND_EDIT_ID)));
    PressDialogButton(box, EXPAND_CLOSE_ID);
  });
  Press(ExpandButtonId(Index("NOTE")));
  ASSERT_TRUE(close.get());
  EXPECT_EQ(shown, 8191u);
  EXPECT_EQ(GetWindowTextLengthA(Field("NOTE")), 8191);
}

INSTANTIATE_DATABASE_TESTS(ListWindowsTest);

}  // namespace

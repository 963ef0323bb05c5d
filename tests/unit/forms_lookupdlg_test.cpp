// The lookup in its modal and modeless layouts, the related record's form and the expand
// box, on real windows over SQLite and PostgreSQL.
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

class LookupWindowTest : public FormWindowsTest {};

// ---- lookup -------------------------------------------------------------------------------

TEST_P(LookupWindowTest, TheModalLookupWritesTheChosenKeyIntoTheForm) {
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

TEST_P(LookupWindowTest, TheModelessLookupStaysBesideTheFormAndCanAddAndDelete) {
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

TEST_P(LookupWindowTest, TheLookupOpensAtItsButtonAndStaysOnTheScreen) {
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

TEST_P(LookupWindowTest, ShowRelatedOpensTheRelatedRecordOrABlankForm) {
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

TEST_P(LookupWindowTest, TheExpandBoxKeepsTheTextOnCloseAndDropsItOnEscape) {
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

TEST_P(LookupWindowTest, TheExpandBoxCutsAFieldTextAt8191Characters) {
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

INSTANTIATE_DATABASE_TESTS(LookupWindowTest);

}  // namespace

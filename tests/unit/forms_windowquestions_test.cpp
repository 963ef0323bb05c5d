// Every question a form or list window asks (key change, cascade, delete, dependants,
// Warn_On_Find, a list window's delete), a box that only tells something, and a modal
// dialog over a form, with its opener closed, itself closed or the program logged out while
// it waits, on real windows over SQLite and PostgreSQL: the box waits for its answer (after
// a refused login the program cancels it, and nothing of the answer is written), the rows
// are written whole or not at all, the program lives on, and every window and dialog object
// is gone once all is closed. And the PIN keypad.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "data/core/userprofile.h"
#include "data/db/record.h"
#include "data/model/settings.h"
#include "data/model/model.h"
#include "forms/basedlg.h"
#include "forms/controlids.h"
#include "forms/editdlg.h"
#include "forms/expanddlg.h"
#include "forms/preferences.h"
#include "forms/reclistdlg.h"
#include "forms/windowmanager.h"
#include "forms/appwindow.h"
#include "support/window_life.h"

namespace {

class WindowQuestionTest : public WindowLifeTest {};

TEST_P(WindowQuestionTest, NoWindowGoesUnderAQuestionOfItsOwn) {
  auto formOfMain = [this] { return CustomerForm(MainWindow); };
  auto formOfOpener = [this](HWND opener) { return CustomerForm(opener); };
  // A customer form of the opener's with the key typed over.
  auto keyTypedOver = [&](HWND opener) {
    HWND form = formOfOpener(opener);
    Type("CUST_ID", "2");
    return form;
  };
  auto cascadeAllowed = [this] {
    CustomerWithOrder();
    Preferences.IfKeysAreChanged = TKeyChangeRule::AlwaysUpdate;
    Preferences.AllowCascadedUpdates = true;
  };
  auto contactsOf = [this](HWND opener) {
    SendMessageA(opener, WM_COMMAND, MAKEWPARAM(ViewRelatedButtonId(RelIndex("CONTS")), BN_CLICKED), 0);
    HWND view = NewestOwnedBy(opener);
    if (view) SelectRow(List(view), 0);
    return view;
  };
  auto oneCustomer = [this] { OneCustomer(); };
  // A customer form of the opener's, reset: its Find looks for every customer.
  auto blankFormOf = [&](HWND opener) {
    HWND form = formOfOpener(opener);
    Press(RESET_BUTTON_ID);
    return form;
  };
  const TEntity* customer = TheModel.FindEntity("CUST");
  const int bare = customer->AttributeIndex(customer->FindAttribute("BARE"));  // an execute button naming no command
  char userWithoutRights[] = "nobody";
  const TStep steps[] = {
      {"key change", [&] { oneCustomer(); Preferences.IfKeysAreChanged = TKeyChangeRule::AskInsertByDefault; },
       formOfMain, CANCEL_BUTTON_ID, keyTypedOver, SAVE_BUTTON_ID, "Customer", IDYES, CUSTOMERS, "2:1,2", "1:1,1"},
      {"cascade refused", cascadeAllowed, formOfMain, CANCEL_BUTTON_ID, keyTypedOver, SAVE_BUTTON_ID, "Customer",
       IDNO, ORDER_OWNERS, "1:1", nullptr},
      {"cascade accepted", cascadeAllowed, formOfMain, CANCEL_BUTTON_ID, keyTypedOver, SAVE_BUTTON_ID, "Customer",
       IDYES, ORDER_OWNERS, "1:2", "1:1"},
      {"delete", oneCustomer, formOfMain, CANCEL_BUTTON_ID, formOfOpener, DELETE_BUTTON_ID, "Customer", IDYES,
       CUSTOMERS, "0:0,0", "1:1,1"},
      {"dependants", [&] { CustomerWithOrder(); Preferences.PromptBeforeDelete = false; }, formOfMain,
       CANCEL_BUTTON_ID, formOfOpener, DELETE_BUTTON_ID, "Could not delete record", IDOK, CUSTOMERS, "1:1,1", nullptr},
      {"Warn_On_Find", [&] { oneCustomer(); Preferences.WarnOnFind = TFindWarning::NoCriteria; }, formOfMain,
       CANCEL_BUTTON_ID, blankFormOf, FIND_BUTTON_ID, "Customer", IDNO, CUSTOMERS, "1:1,1", nullptr},
      {"list window's delete",
       [&] {
         oneCustomer();
         Db().Exec("INSERT INTO CONT (CONT_ID, CUST_ID, NAME) VALUES (11, 1, 'Eve')");
       },
       formOfMain, CANCEL_BUTTON_ID, contactsOf, DELETE_BUTTON_ID, "Contact", IDYES,
       "SELECT COUNT(*) FROM CONT", "0", "1"},
      // Boxes that only tell something wait, and go after a refused login, as questions do.
      {"a form's message", oneCustomer, formOfMain, CANCEL_BUTTON_ID, formOfOpener, ExecuteButtonId(bare), "Bare",
       IDOK, CUSTOMERS, "1:1,1", nullptr},
      {"a list window's message",
       [&] {
         oneCustomer();
         Db().Exec("INSERT INTO CONT (CONT_ID, CUST_ID, NAME) VALUES (11, 1, 'Eve')");
       },
       formOfMain, CANCEL_BUTTON_ID, contactsOf, REPORT_BUTTON_ID, "Report", IDOK, "SELECT COUNT(*) FROM CONT", "1",
       nullptr},
      // A box of the data layer's, as the find window of two customers opens for a user of no
      // rights: the last row, as it logs the user in.
      {"a find window's rights warning",
       [&] {
         oneCustomer();
         Db().Exec("INSERT INTO CUST (CUST_ID, NAME) VALUES (2, 'Bob')");
         Preferences.WarnOnFind = TFindWarning::Never;
         OdbcLogin = 1;
         CurrentUser.UserId = userWithoutRights;
       },
       formOfMain, CANCEL_BUTTON_ID, blankFormOf, FIND_BUTTON_ID, "Security Warning", IDOK, CUSTOMERS, "2:1,2",
       nullptr},
  };
  const int odbcLoginBefore = OdbcLogin;
  char* const userBefore = CurrentUser.UserId;
  RunAll(steps);
  OdbcLogin = odbcLoginBefore;
  CurrentUser.UserId = userBefore;
}

// A modal dialog over a form (the expand box, the file dialog of a Browse button) keeps the windows it stands on: the form and
// its opener close, and the program ends, once it has been closed (after a refused login by the program itself).
TEST_P(WindowQuestionTest, NoWindowGoesUnderAModalDialogItStandsOn) {
  const TEntity* customer = TheModel.FindEntity("CUST");
  const int note = customer->AttributeIndex(customer->FindAttribute("NOTE"));
  const int document = customer->AttributeIndex(customer->FindAttribute("DOC"));
  auto oneCustomer = [this] { OneCustomer(); };
  auto formOfMain = [this] { return CustomerForm(MainWindow); };
  auto formOfOpener = [this](HWND opener) { return CustomerForm(opener); };
  const TStep steps[] = {
      {"expand box", oneCustomer, formOfMain, CANCEL_BUTTON_ID, formOfOpener, ExpandButtonId(note), "Note",
       EXPAND_CLOSE_ID, CUSTOMERS, "1:1,1", nullptr},
      {"file dialog", oneCustomer, formOfMain, CANCEL_BUTTON_ID, formOfOpener, BrowseButtonId(document),
       "Select a file", IDCANCEL, CUSTOMERS, "1:1,1", nullptr},
  };
  RunAll(steps);
}

// Only a correct PIN opens a protected form: a keypad that cannot be shown (its owner is
// gone) refuses it, and the form's object is freed once.
TEST_P(WindowQuestionTest, AKeypadThatCannotOpenRefusesTheForm) {
  TheModel.FindEntity("CUST")->PinProtected = 1;
  HWND gone = CreateWindowA("VornMeanwhile", "", 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
  DestroyWindow(gone);
  const int liveBefore = TBaseDlg::LiveCount();
  HWND form = OpenOwnedEditForm(CreateEditDlg(NewDBRecord("CUST"), TFormMode::NewRecord), gone);
  EXPECT_EQ(form, nullptr);
  EXPECT_EQ(AppWindowManager.GetCount(), 0);
  EXPECT_EQ(TBaseDlg::LiveCount(), liveBefore);
  if (form) DestroyWindow(form);
}

INSTANTIATE_DATABASE_TESTS(WindowQuestionTest);

}  // namespace

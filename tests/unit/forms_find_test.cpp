// Find on a real edit form over SQLite and PostgreSQL, as a user meets it on a model that
// sets no display widths: the first letters find what they begin, a typed '%' or '_' is a
// wildcard, the find window names its entity, selects a single hit for OK, and its
// columns show their values and headers whole.
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include <string>
#include <vector>

#include "forms/controlids.h"
#include "forms/editdlg.h"
#include "forms/preferences.h"
#include "forms/windowmanager.h"
#include "support/desk_forms.h"
#include "support/form_support.h"

namespace {

class FindTest : public DeskFormsTest {
protected:
  void SetUp() override {
    DeskFormsTest::SetUp();
    Db().Exec("INSERT INTO CUST VALUES (1, 'Fjord Fish', 'Bergen'), (2, 'Fjord Ferries', 'Oslo'), "
              "(3, 'Nordic Nets', 'Oslo'), (4, '50% Fish', 'Tromso'), "
              "(5, 'Fjordland Trading Company of the North', 'Hammerfest')");
  }

  // Types the name into a fresh customer form and finds.
  void FindName(const char* typed) {
    Press(RESET_BUTTON_ID);
    Type("NAME", typed);
    Press(FIND_BUTTON_ID);
    PumpMessages(20);
  }
  static HWND FindWindowOpen() { return OpenWindowOfKind(DK_FIND_RESULTS); }
  static std::vector<std::string> ListedIds(HWND find) {
    std::vector<std::string> ids;
    HWND list = GetDlgItem(find, LIST_ID);
    for (int row = 0; row < ListViewRowCount(list); ++row) ids.push_back(ListViewCellText(list, row, 0));
    return ids;
  }
  void CloseFindWindows() {
    while (HWND find = FindWindowOpen()) DestroyWindow(find);
    PumpMessages(20);
  }
};

struct TFindCase {
  const char* typed;
  std::vector<std::string> ids;  // one: the form shows it; more: the find window lists them
};

TEST_P(FindTest, FirstLettersAndTypedWildcardsFindWhatTheUserMeans) {
  Preferences.SkipListBoxIfSingleFind = true;
  const std::vector<TFindCase> cases = {
      {"Fjord", {"1", "2", "5"}},
      {"Nordic", {"3"}},
      {"Fjord Fe", {"2"}},
      {"%Fish", {"1", "4"}},
      {"Fjord F_sh", {"1"}},
      {"50%", {"4"}},
      {"_jord%Co", {"5"}},
      {"Nobody", {}},
      {"x' OR '1'='1", {}},
  };
  Open("CUST");
  for (const TFindCase& c : cases) {
    SCOPED_TRACE(c.typed);
    FindName(c.typed);
    HWND find = FindWindowOpen();
    if (c.ids.empty()) {
      EXPECT_EQ(find, nullptr);
      EXPECT_EQ(Status(), "Record not found");
    } else if (c.ids.size() == 1) {
      EXPECT_EQ(find, nullptr);
      EXPECT_EQ(form_->GetFormState(), TFormState::Existing) << Status();
      EXPECT_EQ(Shown("CUST_ID"), c.ids[0]);
    } else {
      ASSERT_NE(find, nullptr) << Status();
      EXPECT_EQ(ListedIds(find), c.ids);
    }
    CloseFindWindows();
  }
  // What was typed was bound, never part of the statement.
  EXPECT_EQ(Query("SELECT COUNT(*) FROM CUST"), "5");
}

TEST_P(FindTest, ASingleHitInTheFindWindowIsSelectedSoOkFillsTheForm) {
  Preferences.SkipListBoxIfSingleFind = false;
  Open("CUST");
  FindName("Nordic");
  HWND find = FindWindowOpen();
  ASSERT_NE(find, nullptr) << Status();
  HWND list = GetDlgItem(find, LIST_ID);
  ASSERT_EQ(ListViewRowCount(list), 1);
  EXPECT_EQ(SendMessageA(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED), 0);
  PressOn(find, IDOK);
  EXPECT_FALSE(IsWindow(find));
  EXPECT_EQ(Shown("NAME"), "Nordic Nets");
  EXPECT_EQ(form_->GetFormState(), TFormState::Existing);

  // Several hits leave the choice to the user.
  FindName("Fjord");
  find = FindWindowOpen();
  ASSERT_NE(find, nullptr);
  EXPECT_EQ(SendMessageA(GetDlgItem(find, LIST_ID), LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED), -1);
}

TEST_P(FindTest, TheFindWindowIsNamedByTheEntitysTitleElseItsName) {
  Db().Exec("INSERT INTO ORD VALUES (10, 1, 'first', 0), (11, 1, 'second', 0)");
  Open("CUST");
  FindName("Fjord");
  HWND find = FindWindowOpen();
  ASSERT_NE(find, nullptr);
  EXPECT_EQ(ControlText(find), "Found: Customers");
  CloseFindWindows();

  Open("ORD");
  Type("CUST_ID", "1");
  Press(FIND_BUTTON_ID);
  PumpMessages(20);
  find = FindWindowOpen();
  ASSERT_NE(find, nullptr) << Status();
  EXPECT_EQ(ControlText(find), "Found: ORD");
}

TEST_P(FindTest, TheFindWindowShowsItsValuesAndHeadersWhole) {
  Open("CUST");
  FindName("Fjord");
  HWND find = FindWindowOpen();
  ASSERT_NE(find, nullptr);
  ExpectColumnsShowWhole(GetDlgItem(find, LIST_ID));
  Picture(find, "find_first_letters");
}

INSTANTIATE_DATABASE_TESTS(FindTest);

}  // namespace

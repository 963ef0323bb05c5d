// The find-results window on real windows over SQLite and PostgreSQL: opened by the edit
// form's Find, its list and status, OK and double-click filling the form, delete, refresh
// with the criteria it was opened with, rights, report, layout and a failed opening.
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <future>
#include <string>
#include <vector>

#include "data/core/strings.h"
#include "data/core/userprofile.h"
#include "data/db/reclist.h"
#include "data/model/model.h"
#include "data/model/settings.h"
#include "forms/controlids.h"
#include "forms/editdlg.h"
#include "forms/finddlg.h"
#include "forms/reclistbox.h"
#include "forms/shellcalls.h"
#include "forms/windowmanager.h"
#include "forms/appwindow.h"
#include "support/edit_form_test.h"
#include "support/form_support.h"
#include "support/window_picture.h"

namespace {

class FindWindowTest : public EditFormDatabaseTest {
protected:
  void SetUp() override {
    EditFormDatabaseTest::SetUp();
    UseSample();
    savedOutput_ = OutputRecordsCall;
    Db().Exec("INSERT INTO CUSTOMER (CUST_ID, NAME, CITY) VALUES (1, 'Ann', 'Oslo')");
    Db().Exec("INSERT INTO CUSTOMER (CUST_ID, NAME, CITY) VALUES (2, 'Bob', 'Rome')");
    Db().Exec("INSERT INTO CUSTOMER (CUST_ID, NAME, CITY) VALUES (3, 'Cy', 'Rome')");
  }
  void TearDown() override {
    OutputRecordsCall = savedOutput_;
    ReplaceString(&CurrentUser.UserId, "");
    EditFormDatabaseTest::TearDown();
  }

  // Finds the customers of the city on a fresh form; the find window that opened, or null.
  HWND FindCity(const char* city) {
    Press(RESET_BUTTON_ID);
    Type("CITY", city);
    Press(FIND_BUTTON_ID);
    PumpMessages(20);
    return FindWindowOpen();
  }
  static HWND FindWindowOpen() {
    for (HWND w = AppWindowManager.FirstWindow(); w; w = AppWindowManager.NextWindow(w))
      if (AppWindowManager.GetDialog(w)->GetKind() == DK_FIND_RESULTS) return w;
    return nullptr;
  }
  static HWND List(HWND find) { return GetDlgItem(find, LIST_ID); }
  static int Rows(HWND find) { return ListViewRowCount(List(find)); }
  static std::string Cell(HWND find, int row, int column) { return ListViewCellText(List(find), row, column); }
  static void Select(HWND find, int row) { SelectListViewRow(List(find), row); }
  static std::string StatusOf(HWND find) { return ControlText(GetDlgItem(find, STATUS_LINE_ID)); }
  static void Click(HWND find, int id) { SendMessageA(find, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0); }
  static void Notify(HWND find, UINT code) {
    NMHDR header = {List(find), static_cast<UINT_PTR>(LIST_ID), code};
    SendMessageA(find, WM_NOTIFY, LIST_ID, reinterpret_cast<LPARAM>(&header));
  }

  TOutputRecordsCall savedOutput_ = nullptr;
};

TEST_P(FindWindowTest, SeveralHitsOpenTheWindowWhoseOkFillsTheForm) {
  HWND form = Open("CUSTOMER");
  HWND find = FindCity("Rome");
  ASSERT_NE(find, nullptr) << Status();
  EXPECT_EQ(ControlText(find), "Found: Customer");
  EXPECT_EQ(AppWindowManager.GetOwner(find), form);
  EXPECT_EQ(StatusOf(find), "2 records found, search complete");
  ASSERT_EQ(Rows(find), 2);
  // The entity's columns, in its order (by name).
  EXPECT_EQ(Cell(find, 0, 0), "2");
  EXPECT_EQ(Cell(find, 0, 1), "Bob");
  EXPECT_EQ(Cell(find, 1, 1), "Cy");
  EXPECT_EQ(Cell(find, 1, 2), "Rome");
  EXPECT_EQ(Cell(find, 1, 7), "");  // past the last column

  // A cell is cut to the buffer the list view offers.
  char small[8];
  memset(small, '#', sizeof small);
  NMLVDISPINFOA info = {};
  info.hdr = {List(find), static_cast<UINT_PTR>(LIST_ID), static_cast<UINT>(LVN_GETDISPINFOA)};
  info.item.mask = LVIF_TEXT;
  info.item.iItem = 0;
  info.item.iSubItem = 1;
  info.item.pszText = small;
  info.item.cchTextMax = 3;
  SendMessageA(find, WM_NOTIFY, LIST_ID, reinterpret_cast<LPARAM>(&info));
  EXPECT_STREQ(small, "Bo");
  EXPECT_EQ(small[3], '#');

  Select(find, 1);
  Click(find, IDOK);
  PumpMessages(20);
  EXPECT_FALSE(IsWindow(find));
  EXPECT_EQ(Shown("CUST_ID"), "3");
  EXPECT_EQ(Shown("NAME"), "Cy");
  EXPECT_EQ(form_->GetFormState(), TFormState::Existing);
  // The record shown is the stored row: a change to it is an update.
  Type("PHONE", "555");
  Press(SAVE_BUTTON_ID);
  EXPECT_EQ(Status(), "Record successfully stored");
  EXPECT_EQ(Query("SELECT PHONE FROM CUSTOMER WHERE CUST_ID=3"), "555");
  EXPECT_EQ(Query("SELECT COUNT(*) FROM CUSTOMER"), "3");
}

TEST_P(FindWindowTest, DoubleClickFillsTheFormAndOkWithoutARowOnlyCloses) {
  Open("CUSTOMER");
  HWND find = FindCity("Rome");
  ASSERT_NE(find, nullptr);
  Select(find, 0);
  Notify(find, NM_DBLCLK);
  PumpMessages(20);
  EXPECT_FALSE(IsWindow(find));
  EXPECT_EQ(Shown("NAME"), "Bob");
  EXPECT_EQ(form_->GetFormState(), TFormState::Existing);

  find = FindCity("Rome");
  ASSERT_NE(find, nullptr);
  Click(find, OK_KEY_ID);
  PumpMessages(20);
  EXPECT_FALSE(IsWindow(find));
  EXPECT_EQ(Shown("NAME"), "");
  EXPECT_EQ(Shown("CITY"), "Rome");
  EXPECT_EQ(form_->GetFormState(), TFormState::FreshEdited);
}

TEST_P(FindWindowTest, ASingleHitOpensTheWindowUnlessSkipListBoxIfSingleFindIsOn) {
  Open("CUSTOMER");
  for (bool skip : {false, true}) {
    SCOPED_TRACE(skip);
    Preferences.SkipListBoxIfSingleFind = skip;
    HWND find = FindCity("Oslo");
    EXPECT_EQ(find != nullptr, !skip);
    if (find) {
      EXPECT_EQ(Rows(find), 1);
      EXPECT_EQ(StatusOf(find), "1 record found, search complete");
      EXPECT_EQ(Shown("NAME"), "");  // the form waits for OK
      DestroyWindow(find);
    } else {
      EXPECT_EQ(Shown("NAME"), "Ann");
      EXPECT_TRUE(form_->IsSingleFind());
    }
  }
}

TEST_P(FindWindowTest, DeleteAsksAndRemovesTheRowButNeverARowWithDependants) {
  Db().Exec("INSERT INTO CONTACT (CONTACT_ID, CUST_ID, NAME) VALUES (7, 2, 'Eve')");
  Preferences.PromptBeforeDelete = true;
  Open("CUSTOMER");
  HWND find = FindCity("Rome");
  ASSERT_NE(find, nullptr);
  Select(find, 1);  // Cy
  TWatchedDialog declined = PressAnswering(find, DELETE_BUTTON_ID, "Customer", IDNO);
  ASSERT_TRUE(declined.found);
  EXPECT_EQ(declined.text, "Do you wish to delete this record?");
  EXPECT_EQ(declined.icon, TBoxIcon::Question);
  EXPECT_EQ(declined.defaultButton, "&No");
  EXPECT_EQ(Query("SELECT COUNT(*) FROM CUSTOMER"), "3");

  EXPECT_TRUE(PressAnswering(find, DELETE_BUTTON_ID, "Customer", IDYES).found);
  EXPECT_EQ(Query("SELECT COUNT(*) FROM CUSTOMER WHERE CUST_ID=3"), "0");
  EXPECT_EQ(Rows(find), 1);
  EXPECT_EQ(StatusOf(find), "1 record found, search complete");
  EXPECT_EQ(Cell(find, 0, 1), "Bob");

  Preferences.PromptBeforeDelete = false;
  Select(find, 0);  // Bob, who has a contact
  TWatchedDialog refused = PressAnswering(find, DELETE_BUTTON_ID, "Deletion failed", IDOK);
  ASSERT_TRUE(refused.found);
  EXPECT_NE(refused.text.find("Related record(s) found"), std::string::npos) << refused.text;
  EXPECT_EQ(refused.icon, TBoxIcon::Exclamation);
  EXPECT_EQ(Rows(find), 1);
  EXPECT_EQ(Query("SELECT COUNT(*) FROM CUSTOMER WHERE CUST_ID=2"), "1");
  EXPECT_EQ(Query("SELECT COUNT(*) FROM CONTACT"), "1");

  // With no row selected nothing is deleted.
  LVITEMA none = {};
  none.stateMask = LVIS_SELECTED;
  SendMessageA(List(find), LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&none));
  Click(find, DELETE_BUTTON_ID);
  EXPECT_EQ(Query("SELECT COUNT(*) FROM CUSTOMER"), "2");
}

TEST_P(FindWindowTest, RefreshFindsAgainWhatWasAskedWhateverTheFormShowsNow) {
  Open("CUSTOMER");
  HWND find = FindCity("Rome");
  ASSERT_NE(find, nullptr);
  // The form moves on to other criteria; another Rome customer arrives.
  Press(RESET_BUTTON_ID);
  Type("CITY", "Oslo");
  Press(REFRESH_BUTTON_ID);  // the form reads its fields
  Db().Exec("INSERT INTO CUSTOMER (CUST_ID, NAME, CITY) VALUES (4, 'Dee', 'Rome')");
  Click(find, REFRESH_BUTTON_ID);
  EXPECT_EQ(Rows(find), 3);
  EXPECT_EQ(StatusOf(find), "3 records found, search complete");
  EXPECT_EQ(Cell(find, 2, 1), "Dee");

  // A store on a form refreshes the open find windows of its entity.
  Press(RESET_BUTTON_ID);
  Type("CUST_ID", "5");
  Type("NAME", "Eve");
  Type("CITY", "Rome");
  Press(SAVE_BUTTON_ID);
  EXPECT_EQ(Status(), "Record successfully stored");
  EXPECT_EQ(Rows(find), 4);
}

TEST_P(FindWindowTest, TheButtonsFollowTheUsersRights) {
  Db().Exec("CREATE TABLE URIGHTS (USER_ID VARCHAR(20), TABLE_NAME VARCHAR(40), USTORE VARCHAR(3), UDELETE VARCHAR(3))");
  Db().Exec("INSERT INTO URIGHTS VALUES ('ann', 'CUSTOMER', 'Yes', 'No')");
  OdbcLogin = 1;
  Open("CUSTOMER");
  struct TCase {
    const char* user;
    bool warned, store, remove;
  } cases[] = {{"ann", false, true, false}, {"bob", true, false, false}};
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.user);
    ReplaceString(&CurrentUser.UserId, c.user);
    auto warning = WatchAndPressAsync(GetCurrentProcessId(), "Security Warning", IDOK, c.warned ? 10000 : 1500);
    HWND find = FindCity("Rome");
    // The watcher reads this thread's windows: keep answering it while it looks.
    while (warning.wait_for(std::chrono::milliseconds(10)) != std::future_status::ready) PumpMessages(10);
    TWatchedDialog box = warning.get();
    ASSERT_NE(find, nullptr);
    EXPECT_EQ(box.found, c.warned);
    if (c.warned) {
      EXPECT_EQ(box.icon, TBoxIcon::Exclamation);
    }
    EXPECT_EQ(IsWindowEnabled(GetDlgItem(find, ADD_BUTTON_ID)) != 0, c.store);
    EXPECT_EQ(IsWindowEnabled(GetDlgItem(find, EDIT_BUTTON_ID)) != 0, c.store);
    EXPECT_EQ(IsWindowEnabled(GetDlgItem(find, DELETE_BUTTON_ID)) != 0, c.remove);
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(find, IDOK)));
    DestroyWindow(find);
  }
}

// What the output of records was handed.
struct TOutputSeen {
  int calls = 0;
  int rows = 0;
  std::vector<int> columns;
} outputSeen;

void RecordOutput(HWND, TDBRecList& list, const std::vector<int>& columns, const std::function<void()>& fetchAll) {
  ++outputSeen.calls;
  fetchAll();
  outputSeen.rows = list.Count();
  outputSeen.columns = columns;
}

TEST_P(FindWindowTest, ReportHandsTheRowsToTheOutputOrSaysItIsMissing) {
  Open("CUSTOMER");
  HWND find = FindCity("Rome");
  ASSERT_NE(find, nullptr);
  OutputRecordsCall = nullptr;
  TWatchedDialog missing = PressAnswering(find, REPORT_BUTTON_ID, "Report", IDOK);
  ASSERT_TRUE(missing.found);
  EXPECT_EQ(missing.text, OUTPUT_NOT_AVAILABLE_TEXT);
  EXPECT_EQ(missing.icon, TBoxIcon::Exclamation);

  outputSeen = TOutputSeen{};
  OutputRecordsCall = RecordOutput;
  Click(find, REPORT_BUTTON_ID);
  EXPECT_EQ(outputSeen.calls, 1);
  EXPECT_EQ(outputSeen.rows, 2);
  TEntity* customer = TheModel.FindEntity("CUSTOMER");
  const std::vector<int> columns = {customer->AttributeIndex(customer->FindAttribute("CUST_ID")),
                                    customer->AttributeIndex(customer->FindAttribute("NAME")),
                                    customer->AttributeIndex(customer->FindAttribute("CITY"))};
  EXPECT_EQ(outputSeen.columns, columns);
  EXPECT_TRUE(IsWindow(find));
}

TEST_P(FindWindowTest, AddAndEditOpenFormsOwnedByTheWindowWhichClosesWithItsForm) {
  HWND form = Open("CUSTOMER");
  HWND find = FindCity("Rome");
  ASSERT_NE(find, nullptr);
  const int before = AppWindowManager.GetCount();
  Select(find, 1);
  Click(find, EDIT_BUTTON_ID);
  Click(find, ADD_BUTTON_ID);
  ASSERT_EQ(AppWindowManager.GetCount(), before + 2);
  std::vector<HWND> opened;
  for (HWND w = AppWindowManager.FirstWindow(); w; w = AppWindowManager.NextWindow(w))
    if (AppWindowManager.GetOwner(w) == find) opened.push_back(w);
  ASSERT_EQ(opened.size(), 2u);
  std::vector<std::string> names;
  for (HWND w : opened) {
    auto* edit = static_cast<TEditDlg*>(AppWindowManager.GetDialog(w));
    EXPECT_EQ(edit->GetKind(), DK_EDIT_FORM);
    names.push_back(edit->GetRecord()->GetValue("NAME"));
  }
  EXPECT_TRUE((names == std::vector<std::string>{"Cy", ""}) || (names == std::vector<std::string>{"", "Cy"}));
  SendMessageA(form, WM_CLOSE, 0, 0);
  PumpMessages(20);
  EXPECT_FALSE(IsWindow(find));
  for (HWND w : opened) EXPECT_FALSE(IsWindow(w));
  EXPECT_EQ(AppWindowManager.GetCount(), 0);
}

TEST_P(FindWindowTest, ResizingKeepsTheButtonRowAtTheFootAndNeverShrinksBelowTheStart) {
  Open("CUSTOMER");
  HWND find = FindCity("Rome");
  ASSERT_NE(find, nullptr);
  RECT start;
  GetWindowRect(find, &start);
  SetWindowPos(find, nullptr, 0, 0, (start.right - start.left) + 200, (start.bottom - start.top) + 120,
               SWP_NOMOVE | SWP_NOZORDER);
  RECT client;
  GetClientRect(find, &client);
  int previousRight = 0, top = -1;
  for (int id : {IDOK, ADD_BUTTON_ID, EDIT_BUTTON_ID, DELETE_BUTTON_ID, REFRESH_BUTTON_ID, REPORT_BUTTON_ID,
                 CANCEL_BUTTON_ID, HELP_BUTTON_ID}) {
    RECT place = ControlPlace(find, GetDlgItem(find, id));
    if (top < 0) top = place.top;
    EXPECT_EQ(place.top, top) << id;
    EXPECT_GT(place.left, previousRight) << id;
    previousRight = place.left + place.right;
  }
  EXPECT_GT(top, client.bottom - 40);
  EXPECT_EQ(ControlPlace(find, List(find)).bottom, client.bottom - 50);

  MINMAXINFO limits = {};
  SendMessageA(find, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&limits));
  EXPECT_EQ(limits.ptMinTrackSize.x, start.right - start.left + 1);
  EXPECT_EQ(limits.ptMinTrackSize.y, start.bottom - start.top + 1);

  if (const char* folder = getenv("VORN_SCREENSHOTS")) {
    SetWindowPos(find, nullptr, 0, 0, start.right - start.left, start.bottom - start.top, SWP_NOMOVE | SWP_NOZORDER);
    Select(find, 0);
    EXPECT_TRUE(SaveWindowPicture(find, std::string(folder) + "\\find_window_" + GetParam() + ".bmp"));
  }
}

TEST_P(FindWindowTest, AWindowThatCannotOpenFreesItsListAndLeavesNoSlotBehind) {
  Open("CUSTOMER");
  FindDlgName = "NoSuchLayout";
  EXPECT_EQ(FindCity("Rome"), nullptr);
  EXPECT_EQ(Status(), "The list of found records could not be opened");
  EXPECT_EQ(AppWindowManager.GetCount(), 1);
  // The next window takes a slot of its own, with its own object.
  FindDlgName = "FindDlg";
  HWND find = FindCity("Rome");
  ASSERT_NE(find, nullptr);
  EXPECT_EQ(AppWindowManager.GetDialog(find)->GetKind(), DK_FIND_RESULTS);
  EXPECT_EQ(Rows(find), 2);
}

INSTANTIATE_DATABASE_TESTS(FindWindowTest);

}  // namespace

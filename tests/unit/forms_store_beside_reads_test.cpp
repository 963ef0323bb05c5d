// Stores on real edit forms while the program's own reads are about, over SQLite and
// PostgreSQL through the program's connection: a form stepped or found stores at once, a
// find-results window with rows still to fetch holds up no store, another program stores
// beside a stepped form, and a lock held elsewhere past the bounded wait ends in a clear
// message that loses nothing the user typed.
#include <gtest/gtest.h>

#include <windows.h>

#include <chrono>
#include <string>
#include <vector>

#include "data/db/connectstrings.h"
#include "data/db/reclist.h"
#include "data/db/record.h"
#include "forms/controlids.h"
#include "forms/reclistbox.h"
#include "forms/reclistdlg.h"
#include "forms/windowmanager.h"
#include "support/edit_form_test.h"
#include "support/form_support.h"

namespace {

using TClock = std::chrono::steady_clock;

// The open find-results window, or null.
HWND FindWindowOpen() {
  for (HWND w = AppWindowManager.FirstWindow(); w; w = AppWindowManager.NextWindow(w))
    if (AppWindowManager.GetDialog(w)->GetKind() == DK_FIND_RESULTS) return w;
  return nullptr;
}

class StoreBesideReadsTest : public EditFormDatabaseTest {
protected:
  void SetUp() override {
    EditFormDatabaseTest::SetUp();
    UseSample();
    Db().Exec("INSERT INTO CUSTOMER (CUST_ID, NAME, CITY) VALUES (1, 'Ann', 'Oslo')");
    Db().Exec("INSERT INTO CUSTOMER (CUST_ID, NAME, CITY) VALUES (2, 'Bob', 'Rome')");
    Db().Exec("INSERT INTO CUSTOMER (CUST_ID, NAME, CITY) VALUES (3, 'Cy', 'Rome')");
  }

  // Presses Save on the form opened last; how long the store took (ms).
  double TimedSave() {
    const auto start = TClock::now();
    Press(SAVE_BUTTON_ID);
    return std::chrono::duration<double, std::milli>(TClock::now() - start).count();
  }
  std::string CityOf(const std::string& id) { return Query("SELECT CITY FROM CUSTOMER WHERE CUST_ID=" + id); }

  // Another program on the same database: runs the statement, holding its locks for
  // holdMs (then rolling back) or committing at once (0).
  bool StartWriter(TChild& child, const std::string& sql, int holdMs) {
    ready_ = dir_.File("writer_ready.txt");
    DeleteFileA(ready_.c_str());
    const std::string command = "\"" + TestProgramPath("write_holder") + "\" \"" + Db().ConnectString() + "\" \"" +
                                sql + "\" " + std::to_string(holdMs) + " \"" + ready_ + "\"";
    return StartChild(child, command);
  }
  // Waits until the writer holds its locks.
  bool WriterHolds() {
    for (int i = 0; i < 300; ++i) {
      if (GetFileAttributesA(ready_.c_str()) != INVALID_FILE_ATTRIBUTES) return true;
      Sleep(50);
    }
    return false;
  }

  std::string ready_;
};

TEST_P(StoreBesideReadsTest, AFormSteppedOrFoundStoresAtOnce) {
  struct TCase {
    const char* name;
    const char* findCity;  // typed before Find, or null
    std::vector<int> buttons;
    const char* shownKey;
  } cases[] = {
      {"First, Next", nullptr, {FIRST_BUTTON_ID, NEXT_BUTTON_ID}, "2"},
      {"Last, Previous", nullptr, {LAST_BUTTON_ID, PREVIOUS_BUTTON_ID}, "2"},
      {"Find, Next", "Oslo", {FIND_BUTTON_ID, NEXT_BUTTON_ID}, "1"},
      {"First, Next, Next", nullptr, {FIRST_BUTTON_ID, NEXT_BUTTON_ID, NEXT_BUTTON_ID}, "3"},
  };
  int round = 0;
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.name);
    Open("CUSTOMER");
    if (c.findCity) Type("CITY", c.findCity);
    for (int button : c.buttons) Press(button);
    ASSERT_EQ(Shown("CUST_ID"), c.shownKey);
    const std::string city = "Paris " + std::to_string(++round);
    Type("CITY", city.c_str());
    const double ms = TimedSave();
    EXPECT_EQ(Status(), "Record successfully stored");
    EXPECT_LT(ms, LOCK_WAIT_MS) << "the store waited for a lock";
    EXPECT_EQ(CityOf(c.shownKey), city);
  }
}

constexpr int FindRows = 5000;

// What the store made from inside the find window's fetch saw.
struct TStoreDuringFetch {
  HWND form = nullptr;  // the form that stores
  bool stored = false;
  int rowsFetched = 0;
  bool rowsPending = false;
  double ms = 0;
  std::string status;
};
TStoreDuringFetch duringFetch;

// A timer tick inside the find window's fetch: once the window's list holds its first
// rows, the other form stores.
void CALLBACK StoreWhileFetching(HWND, UINT, UINT_PTR timer, DWORD) {
  HWND find = FindWindowOpen();
  if (!find || duringFetch.stored) return;
  // The box is the window's only once its fetch is done; it is registered from the start.
  TRecListBox* box = TRecListBoxRegistry::Find(GetDlgItem(find, LIST_ID));
  TDBRecList* list = box ? box->GetRecList() : nullptr;
  if (!list || list->Count() == 0) return;
  KillTimer(nullptr, timer);
  duringFetch.stored = true;
  duringFetch.rowsFetched = list->Count();
  duringFetch.rowsPending = list->HasMore();
  const auto start = TClock::now();
  SendMessageA(duringFetch.form, WM_COMMAND, MAKEWPARAM(SAVE_BUTTON_ID, BN_CLICKED), 0);
  duringFetch.ms = std::chrono::duration<double, std::milli>(TClock::now() - start).count();
  duringFetch.status = ControlText(GetDlgItem(duringFetch.form, STATUS_LINE_ID));
}

TEST_P(StoreBesideReadsTest, AFindWindowWithRowsStillToFetchHoldsUpNoStore) {
  Db().Exec("INSERT INTO CUSTOMER (CUST_ID, NAME, CITY) WITH RECURSIVE n(i) AS "
            "(SELECT 100 UNION ALL SELECT i + 1 FROM n WHERE i < 5099) SELECT i, 'Many', 'Lyon' FROM n");
  duringFetch = TStoreDuringFetch{};
  duringFetch.form = Open("CUSTOMER");
  Press(FIRST_BUTTON_ID);
  Type("CITY", "Bergen");

  Open("CUSTOMER");
  Type("CITY", "Lyon");
  // The tick is due before the find starts, so the fetch's first round of messages
  // handles it: the rows of one page come in well under the time between two rounds.
  const UINT_PTR timer = SetTimer(nullptr, 0, USER_TIMER_MINIMUM, StoreWhileFetching);
  Sleep(3 * USER_TIMER_MINIMUM);
  Press(FIND_BUTTON_ID);
  PumpMessages(20);
  KillTimer(nullptr, timer);

  ASSERT_TRUE(duringFetch.stored) << "the find window's fetch pumped no timer";
  // The SQLite driver steps through the rows as they are fetched; the PostgreSQL driver
  // hands over the whole result at execute, and its fetch may end before a tick comes.
  if (!Db().IsPostgres()) {
    EXPECT_TRUE(duringFetch.rowsPending) << duringFetch.rowsFetched << " rows fetched when the form stored";
  }
  EXPECT_EQ(duringFetch.status, "Record successfully stored");
  EXPECT_LT(duringFetch.ms, LOCK_WAIT_MS) << "the store waited for the find window's cursor";
  EXPECT_EQ(CityOf("1"), "Bergen");
  // The window went on fetching after the store and shows every row.
  HWND find = FindWindowOpen();
  ASSERT_NE(find, nullptr);
  EXPECT_EQ(static_cast<TRecListDlg*>(AppWindowManager.GetDialog(find))->GetListBox()->GetRecList()->Count(), FindRows);
}

TEST_P(StoreBesideReadsTest, AnotherProgramStoresBesideASteppedForm) {
  Open("CUSTOMER");
  Press(FIRST_BUTTON_ID);
  Press(NEXT_BUTTON_ID);
  ASSERT_EQ(Shown("CUST_ID"), "2");
  TChild writer;
  const auto start = TClock::now();
  ASSERT_TRUE(StartWriter(writer, "UPDATE CUSTOMER SET CITY='Turin' WHERE CUST_ID=3", 0));
  EXPECT_EQ(writer.Wait(60000), 0);
  // Starting a program under Wine takes a while of its own; a lock wait would add the whole wait.
  const double ms = std::chrono::duration<double, std::milli>(TClock::now() - start).count();
  EXPECT_LT(ms, 20000);
  EXPECT_EQ(CityOf("3"), "Turin");
  // And the stepped form stores after it.
  Type("CITY", "Milan");
  EXPECT_LT(TimedSave(), LOCK_WAIT_MS);
  EXPECT_EQ(Status(), "Record successfully stored");
  EXPECT_EQ(CityOf("2"), "Milan");
}

TEST_P(StoreBesideReadsTest, ALockHeldPastTheWaitEndsInAClearMessageAndLosesNothing) {
  Open("CUSTOMER");
  Press(FIRST_BUTTON_ID);
  ASSERT_EQ(Shown("CUST_ID"), "1");
  Type("CITY", "Vienna");
  Type("NAME", "Anna");
  TChild writer;
  ASSERT_TRUE(StartWriter(writer, "UPDATE CUSTOMER SET NAME='Other' WHERE CUST_ID=1", LOCK_WAIT_MS + 8000));
  ASSERT_TRUE(WriterHolds());
  const double ms = TimedSave();
  EXPECT_NE(Status().find(DATABASE_BUSY_MESSAGE), std::string::npos) << Status();
  EXPECT_GE(ms, LOCK_WAIT_MS - 500) << "the store waited its bounded time";
  // What the user typed stays on the form; nothing of it is written.
  EXPECT_EQ(Shown("CITY"), "Vienna");
  EXPECT_EQ(Shown("NAME"), "Anna");
  EXPECT_EQ(writer.Wait(60000), 0);
  EXPECT_EQ(CityOf("1"), "Oslo");
  EXPECT_EQ(Query("SELECT NAME FROM CUSTOMER WHERE CUST_ID=1"), "Ann");
  // Once the other program is done, the same Save goes through.
  EXPECT_LT(TimedSave(), LOCK_WAIT_MS);
  EXPECT_EQ(Status(), "Record successfully stored");
  EXPECT_EQ(CityOf("1"), "Vienna");
}

INSTANTIATE_DATABASE_TESTS(StoreBesideReadsTest);

}  // namespace

// Sequences, user rights and message texts on SQLite and PostgreSQL.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <future>
#include <set>
#include <string>
#include <vector>

#include "data/db/database.h"
#include "data/db/dialect.h"
#include "data/db/messagetexts.h"
#include "data/db/odbc.h"
#include "data/db/odbcstatement.h"
#include "data/db/sequence.h"
#include "data/db/userrights.h"
#include "data/model/settings.h"
#include "support/dialog_watcher.h"
#include "support/saved_settings.h"
#include "support/scratch_dir.h"
#include "support/test_db.h"

namespace {

class LookupTest : public DatabaseTest {
protected:
  void SetUp() override {
    DatabaseTest::SetUp();
    OdbcEnvironment = Env();
    strcpy(DatabaseName, "vorn_test");
    Db().Exec("CREATE TABLE SEQNUM (TABLENAME VARCHAR(64), NEXTID INTEGER)");
    Db().Exec("CREATE TABLE URIGHTS (USER_ID VARCHAR(30), TABLE_NAME VARCHAR(64), "
              "USTORE VARCHAR(3), UDELETE VARCHAR(3))");
    Db().Exec("CREATE TABLE ErrorMessage (MSG_NO INTEGER, MSG_TEXT VARCHAR(200))");
  }
  void TearDown() override {
    OdbcEnvironment = nullptr;
    DatabaseName[0] = '\0';
    DatabaseTest::TearDown();
  }
  std::string NextId(const std::string& table) {
    std::string quoted;
    for (char c : table) quoted += c == '\'' ? std::string("''") : std::string(1, c);
    return Db().Query("SELECT NEXTID FROM SEQNUM WHERE TABLENAME='" + quoted + "'");
  }
};

TEST_P(LookupTest, SequencesStartAtOneAndCountOn) {
  EXPECT_EQ(NextSequence("CUSTOMER"), 1);
  EXPECT_EQ(NextId("CUSTOMER"), "2");
  EXPECT_EQ(NextSequence("CUSTOMER"), 2);
  EXPECT_EQ(NextId("CUSTOMER"), "3");
  EXPECT_EQ(NextSequence("ORDERS"), 1);
  EXPECT_EQ(NextSequence("CUSTOMER"), 3);

  // A number below 1 hands out 1 and stores 2.
  Db().Exec("INSERT INTO SEQNUM (TABLENAME, NEXTID) VALUES ('ZERO', 0)");
  Db().Exec("INSERT INTO SEQNUM (TABLENAME, NEXTID) VALUES ('NEGATIVE', -5)");
  EXPECT_EQ(NextSequence("ZERO"), 1);
  EXPECT_EQ(NextId("ZERO"), "2");
  EXPECT_EQ(NextSequence("NEGATIVE"), 1);
  EXPECT_EQ(NextId("NEGATIVE"), "2");
}

// With the model's row locks on, the SELECT carries the server's lock clause and still runs.
TEST_P(LookupTest, SequencesCountOnWithRowLocksOn) {
  TSavedSettings restore;
  UseForUpdateClause = 1;
  EXPECT_EQ(NextSequence("CUSTOMER"), 1);
  EXPECT_EQ(NextSequence("CUSTOMER"), 2);
  EXPECT_EQ(NextId("CUSTOMER"), "3");
}

TEST_P(LookupTest, ATableNameWithAQuoteIsQuotedNotRun) {
  const char* name = "O'Brien'); DELETE FROM SEQNUM; --";
  Db().Exec("INSERT INTO SEQNUM (TABLENAME, NEXTID) VALUES ('OTHER', 40)");
  EXPECT_EQ(NextSequence(name), 1);
  EXPECT_EQ(NextSequence(name), 2);
  EXPECT_EQ(NextId(name), "3");
  EXPECT_EQ(NextId("OTHER"), "40");
  EXPECT_EQ(Db().Query("SELECT COUNT(*) FROM SEQNUM"), "2");
}

TEST_P(LookupTest, SequenceFailuresGiveMinusOneAndLeaveNoTransactionOpen) {
  Db().Exec("DROP TABLE SEQNUM");
  EXPECT_EQ(NextSequence("CUSTOMER"), -1);
  Db().Exec("CREATE TABLE SEQNUM (TABLENAME VARCHAR(64), NEXTID INTEGER)");
  EXPECT_EQ(NextSequence("CUSTOMER"), 1);
  OdbcEnvironment = nullptr;
  EXPECT_EQ(NextSequence("CUSTOMER"), -1);
}

TEST_P(LookupTest, ASequenceInUseKeepsOnlyItsOwnTakersWaiting) {
  // SQLite has one write lock for the whole file: every taker waits there by design.
  if (!Db().IsPostgres()) GTEST_SKIP() << "one write lock per file";
  Db().Exec("INSERT INTO SEQNUM (TABLENAME, NEXTID) VALUES ('BUSY', 5)");
  TOdbcConnection holder(Env(), 1, DatabaseName);
  ASSERT_TRUE(holder.IsConnected());
  ASSERT_TRUE(SQL_SUCCEEDED(holder.SetAutoCommit(false)));
  TOdbcStatement statement(&holder);
  char sql[300];
  holder.Dialect().SequenceLock(sql, sizeof sql, "BUSY");
  ASSERT_TRUE(SQL_SUCCEEDED(statement.ExecDirect(sql))) << statement.GetDiagMessage();
  statement.CloseCursor();

  // Another sequence is handed out while BUSY is held; BUSY itself waits for the holder.
  auto other = std::async(std::launch::async, [] { return NextSequence("OTHER"); });
  const bool otherDone = other.wait_for(std::chrono::seconds(20)) == std::future_status::ready;
  auto busy = std::async(std::launch::async, [] { return NextSequence("BUSY"); });
  const bool busyWaited = busy.wait_for(std::chrono::seconds(2)) == std::future_status::timeout;
  holder.Commit();
  EXPECT_TRUE(otherDone);
  EXPECT_TRUE(busyWaited);
  EXPECT_EQ(other.get(), 1);
  EXPECT_EQ(busy.get(), 5);
}

TEST_P(LookupTest, ThreeProcessesTakingNumbersAtOnceNeverGetTheSameOne) {
  const int perProcess = 150;
  Db().Exec("INSERT INTO SEQNUM (TABLENAME, NEXTID) VALUES ('UNRELATED', 7)");
  TScratchDir dir("seq");
  TChild children[3];
  for (int i = 0; i < 3; ++i) {
    std::string command = "\"" + TestProgramPath("sequence_taker") + "\" \"" +
                          Db().ConnectString() + "\" SHARED " + std::to_string(perProcess) +
                          " \"" + dir.File("out" + std::to_string(i) + ".txt") + "\"";
    ASSERT_TRUE(StartChild(children[i], command)) << command;
  }
  for (TChild& child : children) EXPECT_EQ(child.Wait(120000), 0);

  std::vector<long> numbers;
  for (int i = 0; i < 3; ++i) {
    std::ifstream in(dir.File("out" + std::to_string(i) + ".txt"));
    long n;
    while (in >> n) numbers.push_back(n);
  }
  ASSERT_EQ(numbers.size(), 3u * perProcess);
  std::sort(numbers.begin(), numbers.end());
  for (size_t i = 0; i < numbers.size(); ++i) ASSERT_EQ(numbers[i], long(i) + 1) << "at " << i;
  EXPECT_EQ(NextId("SHARED"), std::to_string(3 * perProcess + 1));
  EXPECT_EQ(Db().Query("SELECT COUNT(*) FROM SEQNUM WHERE TABLENAME='SHARED'"), "1");
  EXPECT_EQ(NextId("UNRELATED"), "7");
}

TEST_P(LookupTest, UserRightsComeFromTheirRow) {
  Db().Exec("INSERT INTO URIGHTS VALUES ('ann', 'CUSTOMER', 'yes', 'No')");
  Db().Exec("INSERT INTO URIGHTS VALUES ('ann', 'ORDERS', 'YES', 'Yes')");
  Db().Exec("INSERT INTO URIGHTS VALUES ('ann', 'STOCK', 'No', 'yes')");
  Db().Exec("INSERT INTO URIGHTS VALUES ('O''Neil', 'CUSTOMER', 'Yes', 'Yes')");
  EXPECT_EQ(CheckUserRights(nullptr, "CUSTOMER", "ann", false), RIGHT_STORE);
  EXPECT_EQ(CheckUserRights(nullptr, "ORDERS", "ann", false), RIGHT_STORE | RIGHT_DELETE);
  EXPECT_EQ(CheckUserRights(nullptr, "STOCK", "ann", false), RIGHT_DELETE);
  EXPECT_EQ(CheckUserRights(nullptr, "CUSTOMER", "O'Neil", false), RIGHT_STORE | RIGHT_DELETE);
  EXPECT_EQ(CheckUserRights(nullptr, "CUSTOMER", "x' OR '1'='1", false), 0);
  EXPECT_EQ(CheckUserRights(nullptr, "CUSTOMER", "", true), 0);  // no box, no database
  EXPECT_EQ(CheckUserRights(nullptr, "NOWHERE", "ann", false), 0);
}

TEST_P(LookupTest, AUserWithoutRightsIsWarnedWhenAsked) {
  auto box = WatchAndPressAsync(GetCurrentProcessId(), "Security Warning", IDOK, 10000);
  EXPECT_EQ(CheckUserRights(nullptr, "CUSTOMER", "O'Neil", true), 0);
  TWatchedDialog seen = box.get();
  ASSERT_TRUE(seen.found);
  EXPECT_EQ(seen.text,
            "No User Rights have been allocated for this User.\n\nSave and Delete will be disabled.");
  EXPECT_EQ(seen.icon, TBoxIcon::Exclamation);

  // A failing statement warns the same way.
  Db().Exec("DROP TABLE URIGHTS");
  auto second = WatchAndPressAsync(GetCurrentProcessId(), "Security Warning", IDOK, 10000);
  EXPECT_EQ(CheckUserRights(nullptr, "CUSTOMER", "ann", true), 0);
  EXPECT_TRUE(second.get().found);
}

TEST_P(LookupTest, MessageTextsByNumber) {
  Db().Exec("INSERT INTO ErrorMessage VALUES (101, 'Record can''t be stored')");
  Db().Exec("INSERT INTO ErrorMessage VALUES (102, NULL)");
  char text[200] = "junk";
  EXPECT_TRUE(GetMessageText(101, text, sizeof text));
  EXPECT_STREQ(text, "Record can't be stored");
  char small[7];
  EXPECT_TRUE(GetMessageText(101, small, sizeof small));
  EXPECT_STREQ(small, "Record");
  strcpy(text, "junk");
  EXPECT_FALSE(GetMessageText(102, text, sizeof text));
  EXPECT_STREQ(text, "");
  EXPECT_FALSE(GetMessageText(999, text, sizeof text));
  EXPECT_STREQ(text, "");
}

INSTANTIATE_DATABASE_TESTS(LookupTest);

}  // namespace

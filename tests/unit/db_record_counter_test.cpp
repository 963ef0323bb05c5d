// The counter kept in a parent row, alone and with several processes counting at once.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <string>
#include <vector>

#include "data/db/record.h"
#include "data/db/sequence.h"
#include "data/model/settings.h"
#include "support/dialog_watcher.h"
#include "support/record_test_db.h"

namespace {

using TStatements = std::vector<std::string>;

class FieldCounterTest : public RecordDatabaseTest {
protected:
  void SetUp() override {
    RecordDatabaseTest::SetUp();
    UseCounterModel();
    Db().Exec("INSERT INTO ORDERS VALUES (1, 0)");
    Db().Exec("INSERT INTO ORDERS VALUES (2, NULL)");
    Db().Exec("INSERT INTO ORDERS VALUES (3, 40)");
  }
  void TearDown() override {
    UseForUpdateClause = 0;
    RecordDatabaseTest::TearDown();
  }
};

TEST_P(FieldCounterTest, TheParentRowsCounterIsIncreasedAndWrittenBack) {
  TDBRecord line("LINES");
  line.SetNewValue("ORDER_ID", "1");
  EXPECT_EQ(UpdateFieldLocked(&line, "order", "LAST_LINE"), 1);
  EXPECT_EQ(UpdateFieldLocked(&line, "ORDER", "last_line"), 2);
  EXPECT_EQ(Db().Query("SELECT LAST_LINE FROM ORDERS WHERE ORDER_ID=1"), "2");
  EXPECT_EQ(Db().Query("SELECT LAST_LINE FROM ORDERS WHERE ORDER_ID=3"), "40");

  line.SetNewValue("ORDER_ID", "2");  // NULL counts as 0
  UseForUpdateClause = 1;
  StartTrace();
  EXPECT_EQ(UpdateFieldLocked(&line, "order", "LAST_LINE"), 1);
  EXPECT_EQ(TracedStatements(),
            (TStatements{"UPDATE ORDERS SET LAST_LINE=LAST_LINE WHERE ORDER_ID=?",
                         std::string("SELECT LAST_LINE FROM ORDERS WHERE ORDER_ID=?") +
                             (Db().IsPostgres() ? " FOR UPDATE" : ""),
                         "UPDATE ORDERS SET LAST_LINE = ? WHERE ORDER_ID=?"}));

  line.SetNewValue("ORDER_ID", "9");  // no parent row
  EXPECT_EQ(UpdateFieldLocked(&line, "order", "LAST_LINE"), -1);
  line.SetNewValue("ORDER_ID", "1");
  EXPECT_EQ(UpdateFieldLocked(&line, "nothing", "LAST_LINE"), -1);
  EXPECT_EQ(UpdateFieldLocked(&line, "order", "NOTHING"), -1);
  EXPECT_EQ(Db().Query("SELECT LAST_LINE FROM ORDERS WHERE ORDER_ID=1"), "2");
}

TEST_P(FieldCounterTest, ThreeProcessesCountingAtOnceNeverGetTheSameValue) {
  const int perProcess = 100;
  TScratchDir dir("counter");
  TChild children[3];
  for (int i = 0; i < 3; ++i) {
    std::string command = "\"" + TestProgramPath("record_probe") + "\" count \"" + Db().ConnectString() + "\" 1 " +
                          std::to_string(perProcess) + " \"" + dir.File("out" + std::to_string(i) + ".txt") + "\"";
    ASSERT_TRUE(StartChild(children[i], command)) << command;
  }
  for (TChild& child : children) EXPECT_EQ(child.Wait(120000), 0);
  std::vector<long> values;
  for (int i = 0; i < 3; ++i) {
    std::ifstream in(dir.File("out" + std::to_string(i) + ".txt"));
    long n;
    while (in >> n) values.push_back(n);
  }
  ASSERT_EQ(values.size(), 3u * perProcess);
  std::sort(values.begin(), values.end());
  for (size_t i = 0; i < values.size(); ++i) ASSERT_EQ(values[i], long(i) + 1) << "at " << i;
  EXPECT_EQ(Db().Query("SELECT LAST_LINE FROM ORDERS WHERE ORDER_ID=1"), std::to_string(3 * perProcess));
  EXPECT_EQ(Db().Query("SELECT LAST_LINE FROM ORDERS WHERE ORDER_ID=3"), "40");
}

INSTANTIATE_DATABASE_TESTS(FieldCounterTest);

}  // namespace

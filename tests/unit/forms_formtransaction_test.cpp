// The bracket a form or list window puts around one delete: row locks for its time, a
// bracket left without an end closing as a rollback, and the list windows' delete.
#include <gtest/gtest.h>

#include <string>

#include "data/db/record.h"
#include "data/model/model.h"
#include "data/model/settings.h"
#include "expr/errors.h"
#include "forms/formtransaction.h"
#include "forms/reclistdlg.h"
#include "support/record_test_db.h"

namespace {

class FormTransactionTest : public RecordDatabaseTest {
protected:
  void SetUp() override {
    RecordDatabaseTest::SetUp();
    UseCounterModel();
    Db().Exec("CREATE TABLE LINES (ORDER_ID INTEGER, LINE_NO INTEGER, PRIMARY KEY (ORDER_ID, LINE_NO))");
    Db().Exec("INSERT INTO ORDERS VALUES (1, 0)");
    Db().Exec("INSERT INTO ORDERS VALUES (2, 1)");
    Db().Exec("INSERT INTO LINES VALUES (2, 1)");
    TheModel.UseTransactions = 1;
    UseForUpdateClause = 1;
  }
  void TearDown() override {
    TheModel.UseTransactions = 0;
    UseForUpdateClause = 0;
    RecordDatabaseTest::TearDown();
  }
  std::string Orders() { return Db().Query("SELECT COUNT(*) FROM ORDERS"); }
};

// Row locks belong to the bracket: on at its start, off at its end, whether it ended
// with a commit, a rollback or not at all.
TEST_P(FormTransactionTest, RowLocksLastAsLongAsTheBracket) {
  TDBRecord order("ORDERS");
  order.SetNewValue("ORDER_ID", "1");
  for (const char* ending : {"commit", "rollback", "none"}) {
    SCOPED_TRACE(ending);
    {
      TFormTransaction transaction(&order);
      transaction.Begin();
      EXPECT_TRUE(order.GetForUpdate());
      if (std::string(ending) == "commit") transaction.Commit();
      if (std::string(ending) == "rollback") transaction.Rollback();
    }
    EXPECT_FALSE(order.GetForUpdate());
  }
}

TEST_P(FormTransactionTest, AListedRecordIsDeletedOrRefusedWithItsReason) {
  TDBRecord empty("ORDERS");
  empty.SetNewValue("ORDER_ID", "1");
  empty.Read();
  EXPECT_TRUE(DeleteListedRecord(&empty));
  EXPECT_FALSE(empty.GetForUpdate());
  EXPECT_EQ(Orders(), "1");

  // An order with a line is not deleted without cascade: the reason is on the record channel.
  TDBRecord withLines("ORDERS");
  withLines.SetNewValue("ORDER_ID", "2");
  withLines.Read();
  EXPECT_FALSE(DeleteListedRecord(&withLines));
  EXPECT_EQ(withLines.GetStatus(), RecordRelatedFound);
  EXPECT_STRNE(RecordErrorState.GetErrorMessage(), "");
  EXPECT_FALSE(withLines.GetForUpdate());
  EXPECT_EQ(Orders(), "1");
  EXPECT_EQ(Db().Query("SELECT COUNT(*) FROM LINES"), "1");
}

INSTANTIATE_DATABASE_TESTS(FormTransactionTest);

}  // namespace

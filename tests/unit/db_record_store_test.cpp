// Storing and deleting records on SQLite and PostgreSQL: insert with its checks, update
// with key changes and their cascade, rows changed by another user, cascaded deletes,
// and every write of an operation undone when it fails halfway.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "data/db/record.h"
#include "data/model/model.h"
#include "expr/errors.h"
#include "support/record_test_db.h"

namespace {

using TStatements = std::vector<std::string>;

class RecordStoreTest : public RecordDatabaseTest {
protected:
  void SetUp() override {
    RecordDatabaseTest::SetUp();
    TEntitySpec customer{"CUSTOMER",
                         {{"CUST_ID", "INTEGER"}, {"NAME"}, {"CITY"}, {"CREDIT", "DECIMAL(10,2)"}}, {}};
    customer.relationships.push_back({"orders", "ORDERS", "customer", "CUSTOMER", "ORDERS", 1, ""});
    TEntitySpec orders{"ORDERS", {{"ORDER_ID", "INTEGER"}, {"CUST_ID", "INTEGER"}, {"NOTE"}}, {}};
    orders.attributes[1].foreignRel = "customer";
    orders.attributes[1].primAttr = "CUST_ID";
    orders.relationships.push_back({"customer", "CUSTOMER", "orders", "CUSTOMER", "ORDERS", 0, ""});
    orders.relationships.push_back({"lines", "LINES", "order", "ORDERS", "LINES", 1, ""});
    TEntitySpec lines{"LINES", {{"ORDER_ID", "INTEGER"}, {"LINE_NO", "INTEGER"}, {"ITEM"}}, {}};
    lines.attributes[0].foreignRel = "order";
    lines.attributes[0].primAttr = "ORDER_ID";
    lines.relationships.push_back({"order", "ORDERS", "lines", "ORDERS", "LINES", 0, ""});
    TEntitySpec node{"NODE", {{"ID", "INTEGER"}, {"PARENT_ID", "INTEGER"}, {"NAME"}}, {}};
    node.attributes[1].foreignRel = "parent";
    node.attributes[1].primAttr = "ID";
    node.relationships.push_back({"children", "NODE", "parent", "NODE", "NODE", 1, ""});
    node.relationships.push_back({"parent", "NODE", "children", "NODE", "NODE", 0, ""});
    TModelFlags flags;
    flags.keys = {{"CUSTOMER", "CUST_ID"}, {"ORDERS", "ORDER_ID"}, {"LINES", "ORDER_ID"},
                  {"LINES", "LINE_NO"}, {"NODE", "ID"}};
    flags.mandatory = {{"CUSTOMER", "NAME"}};
    UseModel({customer, orders, lines, node}, flags);
    Db().Exec("CREATE TABLE CUSTOMER (CUST_ID INTEGER PRIMARY KEY, NAME VARCHAR(40), CITY VARCHAR(40), "
              "CREDIT DECIMAL(10,2))");
    Db().Exec("CREATE TABLE ORDERS (ORDER_ID INTEGER PRIMARY KEY, CUST_ID INTEGER, NOTE VARCHAR(40))");
    Db().Exec("CREATE TABLE LINES (ORDER_ID INTEGER, LINE_NO INTEGER, ITEM VARCHAR(40), "
              "PRIMARY KEY (ORDER_ID, LINE_NO))");
    Db().Exec("CREATE TABLE NODE (ID INTEGER PRIMARY KEY, PARENT_ID INTEGER, NAME VARCHAR(40))");
  }

  void AddShop() {
    Db().Exec("INSERT INTO CUSTOMER VALUES (1, 'Ann', 'Oslo', 10.50)");
    Db().Exec("INSERT INTO CUSTOMER VALUES (2, 'Bob', 'Rome', NULL)");
    Db().Exec("INSERT INTO ORDERS VALUES (10, 1, 'first')");
    Db().Exec("INSERT INTO ORDERS VALUES (11, 1, 'second')");
    Db().Exec("INSERT INTO ORDERS VALUES (20, 2, 'bob')");
    Db().Exec("INSERT INTO LINES VALUES (10, 1, 'pen')");
    Db().Exec("INSERT INTO LINES VALUES (10, 2, 'ink')");
    Db().Exec("INSERT INTO LINES VALUES (11, 1, 'pad')");
    Db().Exec("INSERT INTO LINES VALUES (20, 1, 'cup')");
  }

  // Refuses to delete (or update) rows whose column holds 'LOCKED'.
  void RefuseLocked(const std::string& table, const std::string& column, bool onUpdate) {
    const std::string event = onUpdate ? "UPDATE" : "DELETE";
    if (Db().IsPostgres()) {
      Db().Exec("CREATE FUNCTION refuse_" + table + "() RETURNS trigger AS $$ BEGIN IF OLD." + column +
                " = 'LOCKED' THEN RAISE EXCEPTION 'refused'; END IF; RETURN " + (onUpdate ? "NEW" : "OLD") +
                "; END $$ LANGUAGE plpgsql");
      Db().Exec("CREATE TRIGGER refuse_" + table + " BEFORE " + event + " ON " + table +
                " FOR EACH ROW EXECUTE PROCEDURE refuse_" + table + "()");
    } else {
      Db().Exec("CREATE TRIGGER refuse_" + table + " BEFORE " + event + " ON " + table + " WHEN OLD." + column +
                "='LOCKED' BEGIN SELECT RAISE(ABORT, 'refused'); END");
    }
  }

  std::string Count(const std::string& table) { return Db().Query("SELECT COUNT(*) FROM " + table); }

  // A chain of nodes 1 <- 2 <- ... <- n (each the parent of the next).
  void AddChain(int n) {
    for (int i = 1; i <= n; ++i)
      Db().Exec("INSERT INTO NODE VALUES (" + std::to_string(i) + ", " + (i == 1 ? "NULL" : std::to_string(i - 1)) +
                ", 'n')");
  }
};

TEST_P(RecordStoreTest, InsertWritesTheFilledColumnsAndCommitsTheFields) {
  TDBRecord customer("CUSTOMER");
  customer.SetNewValue("CUST_ID", "5");
  customer.SetNewValue("NAME", "Eve");
  StartTrace();
  customer.Insert(CheckParents);
  ASSERT_TRUE(customer.IsOk()) << RecordErrorState.GetErrorMessage();
  EXPECT_EQ(TracedStatements(), (TStatements{"SELECT CUST_ID FROM CUSTOMER WHERE CUST_ID=?",
                                             "INSERT INTO CUSTOMER (CUST_ID,NAME) VALUES (?,?)",
                                             "SELECT CUST_ID,NAME,CITY,CREDIT FROM CUSTOMER WHERE CUST_ID=?"}));
  EXPECT_EQ(Db().Query("SELECT NAME FROM CUSTOMER WHERE CUST_ID=5"), "Eve");
  EXPECT_EQ(Db().Query("SELECT CITY FROM CUSTOMER WHERE CUST_ID=5"), "<null>");
  EXPECT_EQ(customer.Field(1).Flags(), uint32_t(TDBFieldValue::HasValue));
  EXPECT_STREQ(customer.GetOldValue("NAME"), "Eve");

  // The same key again: 112 and nothing written.
  TDBRecord again("CUSTOMER");
  again.SetNewValue("CUST_ID", "5");
  again.SetNewValue("NAME", "Other");
  again.Insert(CheckParents);
  EXPECT_EQ(again.GetStatus(), RecordAlreadyExists);
  EXPECT_STREQ(RecordErrorState.GetErrorMessage(), "Record already exists: ");
  EXPECT_EQ(Db().Query("SELECT NAME FROM CUSTOMER WHERE CUST_ID=5"), "Eve");

  // A mandatory field left empty.
  TDBRecord nameless("CUSTOMER");
  nameless.SetNewValue("CUST_ID", "6");
  nameless.Insert(CheckParents);
  EXPECT_EQ(nameless.GetStatus(), RecordMandatoryEmpty);
  EXPECT_STREQ(RecordErrorState.GetErrorMessage(), "Mandatory field not filled out: : NAME");
  EXPECT_EQ(Count("CUSTOMER"), "1");

  // The server refuses: 104 with its diagnostic.
  Db().Exec("DROP TABLE CUSTOMER");
  Db().Exec("CREATE TABLE CUSTOMER (CUST_ID INTEGER PRIMARY KEY, NAME VARCHAR(40) CHECK (NAME <> 'bad'), "
            "CITY VARCHAR(40), CREDIT DECIMAL(10,2))");
  TDBRecord refused("CUSTOMER");
  refused.SetNewValue("CUST_ID", "7");
  refused.SetNewValue("NAME", "bad");
  refused.Insert(CheckParents);
  EXPECT_EQ(refused.GetStatus(), RecordInsertFailed);
  EXPECT_EQ(std::string(RecordErrorState.GetErrorMessage()).rfind("Insert failed: ", 0), 0u)
      << RecordErrorState.GetErrorMessage();
  EXPECT_EQ(refused.Field(1).Flags(), uint32_t(TDBFieldValue::HasNewValue));  // nothing committed
  EXPECT_EQ(Count("CUSTOMER"), "0");
}

TEST_P(RecordStoreTest, ParentsAreCheckedBeforeAnInsert) {
  AddShop();
  TDBRecord order("ORDERS");
  order.SetNewValue("ORDER_ID", "30");
  order.SetNewValue("CUST_ID", "99");
  StartTrace();
  order.Insert(CheckParents);
  EXPECT_EQ(order.GetStatus(), RecordNoParent);
  EXPECT_STREQ(RecordErrorState.GetErrorMessage(), "No related record for relationship: : customer");
  EXPECT_EQ(TracedStatements(), (TStatements{"SELECT ORDER_ID FROM ORDERS WHERE ORDER_ID=?",
                                             "SELECT CUST_ID FROM CUSTOMER WHERE CUST_ID=?"}));
  EXPECT_EQ(Count("ORDERS"), "3");

  order.Insert(SkipParentCheck);  // without the check it is written
  EXPECT_TRUE(order.IsOk());
  EXPECT_EQ(Count("ORDERS"), "4");

  // No foreign key at all: no query, unless the relationship requires its parent.
  TDBRecord loose("ORDERS");
  loose.SetNewValue("ORDER_ID", "31");
  StartTrace();
  EXPECT_TRUE(loose.CheckParent(&ModelRelationship("ORDERS", "customer")));
  EXPECT_TRUE(TracedStatements().empty());
  ModelRelationship("ORDERS", "customer").ParentRequired = 1;
  EXPECT_FALSE(loose.CheckParent(&ModelRelationship("ORDERS", "customer")));
  EXPECT_EQ(loose.GetStatus(), RecordNoParent);
  loose.SetNewValue("CUST_ID", "2");
  EXPECT_TRUE(loose.CheckParent(&ModelRelationship("ORDERS", "customer")));
}

TEST_P(RecordStoreTest, UpdateWritesEveryStoredColumnAndNullForEmptyOnes) {
  AddShop();
  TDBRecord customer("CUSTOMER");
  customer.SetNewValue("CUST_ID", "1");
  customer.Read();
  customer.SetNewValue("CITY", "");
  customer.SetNewValue("NAME", "Anne");
  StartTrace();
  customer.Update(RefuseIfChildren, CheckParents);
  ASSERT_TRUE(customer.IsOk()) << RecordErrorState.GetErrorMessage();
  EXPECT_EQ(TracedStatements(),
            (TStatements{"SELECT CUST_ID,NAME,CITY,CREDIT FROM CUSTOMER WHERE CUST_ID=?",
                         "UPDATE CUSTOMER SET CUST_ID=?,NAME=?,CITY=null,CREDIT=? WHERE CUST_ID=?",
                         "SELECT CUST_ID,NAME,CITY,CREDIT FROM CUSTOMER WHERE CUST_ID=?"}));
  EXPECT_EQ(Db().Query("SELECT NAME FROM CUSTOMER WHERE CUST_ID=1"), "Anne");
  EXPECT_EQ(Db().Query("SELECT CITY FROM CUSTOMER WHERE CUST_ID=1"), "<null>");
  EXPECT_STREQ(customer.GetOldValue("NAME"), "Anne");

  // Stored again at once: what the record wrote (10.50 as written) is what the row holds.
  customer.SetNewValue("CREDIT", "12.5");
  customer.Update(RefuseIfChildren, CheckParents);
  ASSERT_TRUE(customer.IsOk()) << RecordErrorState.GetErrorMessage();
  customer.SetNewValue("CITY", "Bergen");
  customer.Update(RefuseIfChildren, CheckParents);
  ASSERT_TRUE(customer.IsOk()) << RecordErrorState.GetErrorMessage();
  EXPECT_EQ(Db().Query("SELECT CITY FROM CUSTOMER WHERE CUST_ID=1"), "Bergen");

  TDBRecord missing("CUSTOMER");
  missing.SetNewValue("CUST_ID", "77");
  missing.SetNewValue("NAME", "x");
  missing.Update(RefuseIfChildren, CheckParents);
  EXPECT_EQ(missing.GetStatus(), RecordDoesNotExist);
  EXPECT_EQ(Count("CUSTOMER"), "2");

  TDBRecord order("ORDERS");
  order.SetNewValue("ORDER_ID", "10");
  order.Read();
  order.SetNewValue("CUST_ID", "99");
  order.Update(RefuseIfChildren, CheckParents);
  EXPECT_EQ(order.GetStatus(), RecordNoParent);
  EXPECT_EQ(Db().Query("SELECT CUST_ID FROM ORDERS WHERE ORDER_ID=10"), "1");
}

TEST_P(RecordStoreTest, AfterAStoreTheStoredValuesAreWhatTheDatabaseHolds) {
  // The server changes what was written: a column default fills a field left empty, a
  // decimal column rounds (PostgreSQL) or keeps the digits (SQLite). The next store of the
  // same record is no "changed by another user".
  Db().Exec("DROP TABLE CUSTOMER");
  Db().Exec("CREATE TABLE CUSTOMER (CUST_ID INTEGER PRIMARY KEY, NAME VARCHAR(40), "
            "CITY VARCHAR(40) DEFAULT 'Here', CREDIT DECIMAL(10,2))");
  struct TCase {
    const char* what;
    const char* city;
    const char* credit;
  } cases[] = {{"default fills an empty field", "", "5"},
               {"decimal rounds", "Oslo", "1.005"},
               {"both", "", "2.675"}};
  int key = 1;
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string id = std::to_string(key++);
    TDBRecord customer("CUSTOMER");
    customer.SetNewValue("CUST_ID", id.c_str());
    customer.SetNewValue("NAME", "Eve");
    customer.SetNewValue("CITY", c.city);
    customer.SetNewValue("CREDIT", c.credit);
    customer.Insert(CheckParents);
    ASSERT_TRUE(customer.IsOk()) << RecordErrorState.GetErrorMessage();
    EXPECT_EQ(customer.GetOldValue("CITY"), Db().Query("SELECT CITY FROM CUSTOMER WHERE CUST_ID=" + id));

    customer.SetNewValue("NAME", "Eva");
    customer.Update(RefuseIfChildren, CheckParents);
    ASSERT_TRUE(customer.IsOk()) << RecordErrorState.GetErrorMessage();
    // Stored values after an update are read back too: a second edit stores as well.
    customer.SetNewValue("CREDIT", "3.335");
    customer.Update(RefuseIfChildren, CheckParents);
    ASSERT_TRUE(customer.IsOk()) << RecordErrorState.GetErrorMessage();
    customer.SetNewValue("NAME", "Evi");
    customer.Update(RefuseIfChildren, CheckParents);
    ASSERT_TRUE(customer.IsOk()) << RecordErrorState.GetErrorMessage();
    EXPECT_EQ(Db().Query("SELECT NAME FROM CUSTOMER WHERE CUST_ID=" + id), "Evi");
  }
  // Another user's change is still caught.
  TDBRecord customer("CUSTOMER");
  customer.SetNewValue("CUST_ID", "1");
  customer.Read();
  Db().Exec("UPDATE CUSTOMER SET CITY='Rome' WHERE CUST_ID=1");
  customer.SetNewValue("NAME", "Other");
  customer.Update(RefuseIfChildren, CheckParents);
  EXPECT_EQ(customer.GetStatus(), RecordChangedByOther);
}

TEST_P(RecordStoreTest, AnUpdateOrDeleteThatTouchesNoRowFails) {
  AddShop();
  // The server skips the row without an error: the store is a failure, not a success.
  if (Db().IsPostgres()) {
    Db().Exec("CREATE FUNCTION skip_row() RETURNS trigger AS $$ BEGIN RETURN NULL; END $$ LANGUAGE plpgsql");
    Db().Exec("CREATE TRIGGER skip_update BEFORE UPDATE ON CUSTOMER FOR EACH ROW EXECUTE PROCEDURE skip_row()");
    Db().Exec("CREATE TRIGGER skip_delete BEFORE DELETE ON LINES FOR EACH ROW EXECUTE PROCEDURE skip_row()");
  } else {
    Db().Exec("CREATE TRIGGER skip_update BEFORE UPDATE ON CUSTOMER BEGIN SELECT RAISE(IGNORE); END");
    Db().Exec("CREATE TRIGGER skip_delete BEFORE DELETE ON LINES BEGIN SELECT RAISE(IGNORE); END");
  }
  TDBRecord customer("CUSTOMER");
  customer.SetNewValue("CUST_ID", "2");
  customer.Read();
  customer.SetNewValue("NAME", "Robert");
  customer.Update(RefuseIfChildren, CheckParents);
  EXPECT_EQ(customer.GetStatus(), RecordUpdateFailed);
  EXPECT_EQ(std::string(customer.GetValue("NAME")), "Robert");  // still to be stored

  TDBRecord line("LINES");
  line.SetNewValue("ORDER_ID", "20");
  line.SetNewValue("LINE_NO", "1");
  line.Delete(RefuseIfChildren);
  EXPECT_EQ(line.GetStatus(), RecordDeleteFailed);

  // A row that is not there at all is found missing before the delete.
  TDBRecord gone("ORDERS");
  gone.SetNewValue("ORDER_ID", "99");
  gone.Delete(RefuseIfChildren);
  EXPECT_EQ(gone.GetStatus(), RecordDoesNotExist);
}

TEST_P(RecordStoreTest, ARowChangedByAnotherUserIsNotOverwritten) {
  AddShop();
  TDBRecord customer("CUSTOMER");
  customer.SetNewValue("CUST_ID", "1");
  customer.Read();
  ASSERT_TRUE(customer.IsOk());
  // Another connection changes the row after the read.
  Db().Exec("UPDATE CUSTOMER SET CITY='Paris' WHERE CUST_ID=1");
  customer.SetNewValue("NAME", "Mine");
  customer.Update(RefuseIfChildren, CheckParents);
  EXPECT_EQ(customer.GetStatus(), RecordChangedByOther);
  EXPECT_STREQ(RecordErrorState.GetErrorMessage(), "Record has been changed by another user: ");
  EXPECT_EQ(Db().Query("SELECT NAME FROM CUSTOMER WHERE CUST_ID=1"), "Ann");
  EXPECT_EQ(Db().Query("SELECT CITY FROM CUSTOMER WHERE CUST_ID=1"), "Paris");
  EXPECT_STREQ(customer.GetOldValue("CITY"), "Oslo");  // nothing committed

  // Read again, the change goes through.
  customer.Read();
  customer.SetNewValue("NAME", "Mine");
  customer.Update(RefuseIfChildren, CheckParents);
  ASSERT_TRUE(customer.IsOk()) << RecordErrorState.GetErrorMessage();
  EXPECT_EQ(Db().Query("SELECT NAME FROM CUSTOMER WHERE CUST_ID=1"), "Mine");
  EXPECT_EQ(Db().Query("SELECT CITY FROM CUSTOMER WHERE CUST_ID=1"), "Paris");

  // A changed amount counts as well (numbers compare by value, so 10.50 and 10.5 agree).
  Db().Exec("UPDATE CUSTOMER SET CREDIT=99 WHERE CUST_ID=1");
  customer.SetNewValue("NAME", "Again");
  customer.Update(RefuseIfChildren, CheckParents);
  EXPECT_EQ(customer.GetStatus(), RecordChangedByOther);
}

TEST_P(RecordStoreTest, AKeyChangeWithRelatedRowsNeedsTheCascade) {
  AddShop();
  TDBRecord customer("CUSTOMER");
  customer.SetNewValue("CUST_ID", "1");
  customer.Read();
  customer.SetNewValue("CUST_ID", "3");
  StartTrace();
  customer.Update(RefuseIfChildren, CheckParents);
  EXPECT_EQ(customer.GetStatus(), RecordRelatedFound);
  EXPECT_STREQ(RecordErrorState.GetErrorMessage(), "Related record(s) found for relationship: : orders");
  EXPECT_EQ(TracedStatements(), (TStatements{"SELECT CUST_ID,NAME,CITY,CREDIT FROM CUSTOMER WHERE CUST_ID=?",
                                             "SELECT CUST_ID FROM ORDERS WHERE CUST_ID=?"}));
  EXPECT_EQ(Db().Query("SELECT COUNT(*) FROM CUSTOMER WHERE CUST_ID=1"), "1");

  // The new key is taken.
  customer.SetNewValue("CUST_ID", "2");
  customer.Update(CascadeToChildren, CheckParents);
  EXPECT_EQ(customer.GetStatus(), RecordAlreadyExists);

  // With the cascade the orders follow the new key.
  customer.SetNewValue("CUST_ID", "3");
  StartTrace();
  customer.Update(CascadeToChildren, CheckParents);
  ASSERT_TRUE(customer.IsOk()) << RecordErrorState.GetErrorMessage();
  EXPECT_EQ(TracedStatements(),
            (TStatements{"SELECT CUST_ID,NAME,CITY,CREDIT FROM CUSTOMER WHERE CUST_ID=?",
                         "SELECT CUST_ID FROM CUSTOMER WHERE CUST_ID=?",
                         "UPDATE CUSTOMER SET CUST_ID=?,NAME=?,CITY=?,CREDIT=? WHERE CUST_ID=?",
                         "UPDATE ORDERS SET CUST_ID=? WHERE CUST_ID=?",
                         "SELECT CUST_ID,NAME,CITY,CREDIT FROM CUSTOMER WHERE CUST_ID=?"}));
  EXPECT_EQ(Db().Query("SELECT COUNT(*) FROM ORDERS WHERE CUST_ID=3"), "2");
  EXPECT_EQ(Db().Query("SELECT COUNT(*) FROM ORDERS WHERE CUST_ID=1"), "0");
  EXPECT_STREQ(customer.GetOldValue("CUST_ID"), "3");

  // Children whose own key holds the parent's key stay as they are.
  TDBRecord order("ORDERS");
  order.SetNewValue("ORDER_ID", "10");
  order.Read();
  order.SetNewValue("ORDER_ID", "15");
  order.Update(CascadeToChildren, CheckParents);
  ASSERT_TRUE(order.IsOk()) << RecordErrorState.GetErrorMessage();
  EXPECT_EQ(Db().Query("SELECT COUNT(*) FROM LINES WHERE ORDER_ID=10"), "2");

  // A relationship marked so takes no key cascade.
  ModelRelationship("CUSTOMER", "orders").NoKeyCascade = 1;
  customer.SetNewValue("CUST_ID", "4");
  customer.Update(CascadeToChildren, CheckParents);
  ASSERT_TRUE(customer.IsOk());
  EXPECT_EQ(Db().Query("SELECT COUNT(*) FROM ORDERS WHERE CUST_ID=3"), "2");
}

TEST_P(RecordStoreTest, DeleteWithoutCascadeStopsAtRelatedRows) {
  AddShop();
  TDBRecord customer("CUSTOMER");
  customer.SetNewValue("CUST_ID", "1");
  customer.Delete(RefuseIfChildren);
  EXPECT_EQ(customer.GetStatus(), RecordRelatedFound);
  EXPECT_STREQ(RecordErrorState.GetErrorMessage(), "Related record(s) found for relationship: : orders");
  EXPECT_EQ(Count("CUSTOMER"), "2");

  TDBRecord line("LINES");
  line.SetNewValue("ORDER_ID", "10");
  line.SetNewValue("LINE_NO", "2");
  StartTrace();
  line.Delete(RefuseIfChildren);
  ASSERT_TRUE(line.IsOk()) << RecordErrorState.GetErrorMessage();
  EXPECT_EQ(TracedStatements(), (TStatements{"SELECT ORDER_ID,LINE_NO FROM LINES WHERE ORDER_ID=? AND LINE_NO=?",
                                             "DELETE FROM LINES WHERE ORDER_ID=? AND LINE_NO=?"}));
  EXPECT_EQ(Count("LINES"), "3");
  line.Delete(RefuseIfChildren);
  EXPECT_EQ(line.GetStatus(), RecordDoesNotExist);
}

TEST_P(RecordStoreTest, ACascadedDeleteRemovesEveryLevel) {
  AddShop();
  TDBRecord customer("CUSTOMER");
  customer.SetNewValue("CUST_ID", "1");
  StartTrace();
  customer.Delete(CascadeToChildren);
  ASSERT_TRUE(customer.IsOk()) << RecordErrorState.GetErrorMessage();
  // Orders have children of their own: one by one; their lines go in one statement each.
  EXPECT_EQ(TracedStatements(),
            (TStatements{"SELECT CUST_ID FROM CUSTOMER WHERE CUST_ID=?",
                         "SELECT ORDER_ID FROM ORDERS WHERE CUST_ID=?",
                         "SELECT ORDER_ID FROM ORDERS WHERE ORDER_ID=?", "DELETE FROM LINES WHERE ORDER_ID=?",
                         "DELETE FROM ORDERS WHERE ORDER_ID=?", "SELECT ORDER_ID FROM ORDERS WHERE ORDER_ID=?",
                         "DELETE FROM LINES WHERE ORDER_ID=?", "DELETE FROM ORDERS WHERE ORDER_ID=?",
                         "DELETE FROM CUSTOMER WHERE CUST_ID=?"}));
  EXPECT_EQ(Count("CUSTOMER"), "1");
  EXPECT_EQ(Count("ORDERS"), "1");
  EXPECT_EQ(Count("LINES"), "1");
  EXPECT_EQ(Db().Query("SELECT ITEM FROM LINES"), "cup");
}

TEST_P(RecordStoreTest, ACascadeTenLevelsDeepStopsWith109AndDeletesNothing) {
  AddChain(11);
  TDBRecord root("NODE");
  root.SetNewValue("ID", "1");
  root.Delete(CascadeToChildren);
  EXPECT_EQ(root.GetStatus(), RecordCascadeTooDeep);
  EXPECT_STREQ(RecordErrorState.GetErrorMessage(), "Cascade too deep - possible infinite loop: ");
  EXPECT_EQ(Count("NODE"), "11");

  // Ten levels (depths 0 to 9) are deleted whole.
  Db().Exec("DELETE FROM NODE WHERE ID=11");
  root.Delete(CascadeToChildren);
  ASSERT_TRUE(root.IsOk()) << RecordErrorState.GetErrorMessage();
  EXPECT_EQ(Count("NODE"), "0");

  root.DeleteCascade(CascadeToChildren, 10, nullptr);
  EXPECT_EQ(root.GetStatus(), RecordCascadeTooDeep);
}

TEST_P(RecordStoreTest, ADeleteRefusedHalfwayLeavesEveryRowInPlace) {
  AddShop();
  Db().Exec("UPDATE LINES SET ITEM='LOCKED' WHERE ORDER_ID=11");
  RefuseLocked("LINES", "ITEM", false);
  TDBRecord customer("CUSTOMER");
  customer.SetNewValue("CUST_ID", "1");
  customer.Delete(CascadeToChildren);
  EXPECT_EQ(customer.GetStatus(), RecordCascadeFailed);
  EXPECT_STREQ(RecordErrorState.GetErrorMessage(), "Cascade failed with relationship: : orders");
  // Order 10 and its lines went before order 11 refused: all of it is back.
  EXPECT_EQ(Count("CUSTOMER"), "2");
  EXPECT_EQ(Count("ORDERS"), "3");
  EXPECT_EQ(Count("LINES"), "4");
  EXPECT_EQ(Db().Query("SELECT COUNT(*) FROM LINES WHERE ORDER_ID=10"), "2");

  // The next operation starts afresh on its own transaction.
  TDBRecord bob("CUSTOMER");
  bob.SetNewValue("CUST_ID", "2");
  bob.Delete(CascadeToChildren);
  ASSERT_TRUE(bob.IsOk()) << RecordErrorState.GetErrorMessage();
  EXPECT_EQ(Count("CUSTOMER"), "1");
  EXPECT_EQ(Count("LINES"), "3");
}

TEST_P(RecordStoreTest, AKeyCascadeRefusedHalfwayLeavesEveryRowInPlace) {
  AddShop();
  Db().Exec("UPDATE ORDERS SET NOTE='LOCKED' WHERE ORDER_ID=11");
  RefuseLocked("ORDERS", "NOTE", true);
  TDBRecord customer("CUSTOMER");
  customer.SetNewValue("CUST_ID", "1");
  customer.Read();
  customer.SetNewValue("CUST_ID", "5");
  customer.SetNewValue("NAME", "Moved");
  customer.Update(CascadeToChildren, CheckParents);
  EXPECT_EQ(customer.GetStatus(), RecordSqlError);
  // The customer row was written before the orders refused: it is back as it was.
  EXPECT_EQ(Db().Query("SELECT NAME FROM CUSTOMER WHERE CUST_ID=1"), "Ann");
  EXPECT_EQ(Db().Query("SELECT COUNT(*) FROM CUSTOMER WHERE CUST_ID=5"), "0");
  EXPECT_EQ(Db().Query("SELECT COUNT(*) FROM ORDERS WHERE CUST_ID=1"), "2");
  // The record still describes the row as it is.
  EXPECT_STREQ(customer.GetOldValue("CUST_ID"), "1");
  EXPECT_STREQ(customer.GetValue("CUST_ID"), "5");

  Db().Exec(Db().IsPostgres() ? "DROP TRIGGER refuse_ORDERS ON ORDERS" : "DROP TRIGGER refuse_ORDERS");
  customer.Update(CascadeToChildren, CheckParents);
  ASSERT_TRUE(customer.IsOk()) << RecordErrorState.GetErrorMessage();
  EXPECT_EQ(Db().Query("SELECT COUNT(*) FROM ORDERS WHERE CUST_ID=5"), "2");
}

INSTANTIATE_DATABASE_TESTS(RecordStoreTest);

}  // namespace

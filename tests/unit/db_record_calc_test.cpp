// Defaults, calculated and shadow fields, validation and the recalculation of dependent
// records, on SQLite and PostgreSQL; and the sample model's order desk end to end.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "data/db/record.h"
#include "data/model/dmdreader.h"
#include "data/model/model.h"
#include "expr/errors.h"
#include "expr/expression.h"
#include "support/record_test_db.h"

namespace {

double Number(const std::string& text) { return std::atof(text.c_str()); }

class RecordCalcTest : public RecordDatabaseTest {
protected:
  void SetUp() override {
    RecordDatabaseTest::SetUp();
    TEntitySpec customer{"CUSTOMER", {{"CUST_ID", "INTEGER"}, {"NAME"}, {"BALANCE", "DECIMAL(12,2)"}, {"LABEL"}}, {}};
    customer.attributes[2].calculated = 1;
    customer.attributes[2].defaultText = "SUM(ORDERS:TOTAL)";
    customer.attributes[3].nonStored = 1;
    customer.attributes[3].defaultText = "NAME";
    customer.relationships.push_back({"ORDERS", "ORDERS", "CUSTOMER", "CUSTOMER", "ORDERS", 1, ""});
    TEntitySpec orders{"ORDERS",
                       {{"ORDER_ID", "INTEGER"}, {"CUST_ID", "INTEGER"}, {"STATUS", "CHAR(1)"},
                        {"TOTAL", "DECIMAL(12,2)"}, {"STAMP"}},
                       {}};
    orders.attributes[1].foreignRel = "CUSTOMER";
    orders.attributes[1].primAttr = "CUST_ID";
    orders.attributes[2].defaultText = "'N'";
    orders.attributes[3].calculated = 1;
    orders.attributes[3].defaultText = "SUM(LINES:AMOUNT)";
    orders.attributes[4].defaultAtStore = "'stored'";
    orders.relationships.push_back({"CUSTOMER", "CUSTOMER", "ORDERS", "CUSTOMER", "ORDERS", 0, ""});
    orders.relationships.push_back({"LINES", "LINES", "ORDERS", "ORDERS", "LINES", 1, ""});
    TEntitySpec lines{"LINES",
                      {{"ORDER_ID", "INTEGER"}, {"LINE_NO", "INTEGER"}, {"QTY", "INTEGER"},
                       {"PRICE", "DECIMAL(10,2)"}, {"AMOUNT", "DECIMAL(12,2)"}},
                      {}};
    lines.attributes[0].foreignRel = "ORDERS";
    lines.attributes[0].primAttr = "ORDER_ID";
    lines.attributes[2].validation = "QTY > 0";
    lines.attributes[4].calculated = 1;
    lines.attributes[4].defaultText = "QTY * PRICE";
    lines.relationships.push_back({"ORDERS", "ORDERS", "LINES", "ORDERS", "LINES", 0, ""});
    TModelFlags flags;
    flags.keys = {{"CUSTOMER", "CUST_ID"}, {"ORDERS", "ORDER_ID"}, {"LINES", "ORDER_ID"}, {"LINES", "LINE_NO"}};
    UseModel({customer, orders, lines}, flags);
    Db().Exec("CREATE TABLE CUSTOMER (CUST_ID INTEGER PRIMARY KEY, NAME VARCHAR(40), BALANCE DECIMAL(12,2))");
    Db().Exec("CREATE TABLE ORDERS (ORDER_ID INTEGER PRIMARY KEY, CUST_ID INTEGER, STATUS CHAR(1), "
              "TOTAL DECIMAL(12,2), STAMP VARCHAR(40))");
    Db().Exec("CREATE TABLE LINES (ORDER_ID INTEGER, LINE_NO INTEGER, QTY INTEGER, PRICE DECIMAL(10,2), "
              "AMOUNT DECIMAL(12,2), PRIMARY KEY (ORDER_ID, LINE_NO))");
  }

  void Store(const char* entity, std::initializer_list<std::pair<const char*, const char*>> values) {
    TDBRecord record(entity);
    for (auto& [name, value] : values) record.SetNewValue(name, value);
    record.Insert(CheckParents);
    ASSERT_TRUE(record.IsOk()) << entity << ": " << RecordErrorState.GetErrorMessage();
  }
  double Column(const std::string& sql) { return Number(Db().Query(sql)); }
};

TEST_P(RecordCalcTest, DefaultsFillEmptyFieldsAndCalculatedOnesAlways) {
  TDBRecord order("ORDERS");
  order.SetNewValue("ORDER_ID", "1");
  order.SetNewValue("TOTAL", "99");
  ASSERT_TRUE(order.ApplyDefaults());
  EXPECT_STREQ(order.GetValue("STATUS"), "N");
  EXPECT_EQ(Number(order.GetValue("TOTAL")), 0.0);  // calculated: evaluated although it had a value
  order.SetNewValue("STATUS", "C");
  ASSERT_TRUE(order.ApplyDefaults());
  EXPECT_STREQ(order.GetValue("STATUS"), "C");  // a plain field keeps its value
  EXPECT_STREQ(order.GetValue("STAMP"), "");
  ASSERT_TRUE(order.ApplyStoreDefaults());
  EXPECT_STREQ(order.GetValue("STAMP"), "stored");

  order.Insert(CheckParents);
  ASSERT_TRUE(order.IsOk()) << RecordErrorState.GetErrorMessage();
  EXPECT_EQ(Db().Query("SELECT STATUS FROM ORDERS WHERE ORDER_ID=1"), "C");
  EXPECT_EQ(Db().Query("SELECT STAMP FROM ORDERS WHERE ORDER_ID=1"), "stored");
}

TEST_P(RecordCalcTest, ValidationPassesOnlyALeadingNonZeroInteger) {
  TAttribute& qty = ModelAttribute("LINES", "QTY");
  struct TCase {
    const char* validation;
    bool passes;
  } cases[] = {{"QTY > 0", false}, {"0", false}, {"''", false}, {"'abc'", false},
               {"1", true},        {"'12abc'", true}, {"QTY + 1", true}};
  for (const TCase& c : cases) {
    delete qty.Validation;
    qty.Validation = new TExpression;
    ASSERT_TRUE(qty.Validation->Compile("LINES", c.validation)) << c.validation;
    TDBRecord line("LINES");
    line.SetNewValue("QTY", "0");
    EXPECT_EQ(line.Validate(), c.passes) << c.validation;
    if (!c.passes) {
      EXPECT_EQ(line.GetStatus(), RecordInvalidValue);
      EXPECT_STREQ(RecordErrorState.GetErrorMessage(), "Invalid value entered for field : QTY");
    }
  }
  // A line that fails validation is not stored.
  TDBRecord line("LINES");
  line.SetNewValue("ORDER_ID", "1");
  line.SetNewValue("LINE_NO", "1");
  line.SetNewValue("QTY", "-1");
  delete qty.Validation;
  qty.Validation = new TExpression;
  qty.Validation->Compile("LINES", "QTY > 0");
  line.Insert(SkipParentCheck);
  EXPECT_EQ(line.GetStatus(), RecordInvalidValue);
  EXPECT_EQ(Db().Query("SELECT COUNT(*) FROM LINES"), "0");
}

TEST_P(RecordCalcTest, ExpressionsAndComputedShadows) {
  TDBRecord line("LINES");
  line.SetNewValue("QTY", "3");
  line.SetNewValue("PRICE", "2.50");
  EXPECT_EQ(Number(line.EvaluateExpression("QTY * PRICE", SQL_DECIMAL, 12, 2)), 7.5);
  EXPECT_TRUE(line.IsOk());
  EXPECT_STREQ(line.EvaluateExpression("QTY *", SQL_INTEGER, 0, 0), "?");
  EXPECT_EQ(line.GetStatus(), RecordInvalidData);
  EXPECT_STREQ(RecordErrorState.GetErrorMessage(), "Invalid Field Data : : QTY *");
  EXPECT_STREQ(line.Evaluate(ModelAttribute("LINES", "AMOUNT").Default, SQL_INTEGER, 0, 0), "7");
  line.Recalculate();
  EXPECT_EQ(Number(line.GetValue("AMOUNT")), 7.5);

  // The shadow is evaluated once, then keeps its value until the field is cleared.
  TDBRecord customer("CUSTOMER");
  customer.SetNewValue("NAME", "Ann");
  EXPECT_STREQ(customer.GetCalculatedValue("LABEL"), "Ann");
  customer.SetNewValue("NAME", "Bob");
  EXPECT_STREQ(customer.GetCalculatedValue("LABEL"), "Ann");
  customer.CalculateNonStored();
  EXPECT_STREQ(customer.GetCalculatedValue("LABEL"), "Bob");
  EXPECT_STREQ(customer.GetCalculatedValue("NAME"), "Bob");
  EXPECT_STREQ(customer.GetCalculatedValue("NOTHING"), "?");
  EXPECT_EQ(customer.GetStatus(), RecordInvalidFieldName);
}

TEST_P(RecordCalcTest, ParentsAreRecalculatedWhenTheirChildrenChange) {
  Store("CUSTOMER", {{"CUST_ID", "1"}, {"NAME", "Ann"}});
  Store("ORDERS", {{"ORDER_ID", "10"}, {"CUST_ID", "1"}});
  Store("ORDERS", {{"ORDER_ID", "11"}, {"CUST_ID", "1"}});
  Store("LINES", {{"ORDER_ID", "10"}, {"LINE_NO", "1"}, {"QTY", "2"}, {"PRICE", "5"}});
  Store("LINES", {{"ORDER_ID", "10"}, {"LINE_NO", "2"}, {"QTY", "1"}, {"PRICE", "0.5"}});
  Store("LINES", {{"ORDER_ID", "11"}, {"LINE_NO", "1"}, {"QTY", "4"}, {"PRICE", "1"}});
  EXPECT_EQ(Column("SELECT AMOUNT FROM LINES WHERE ORDER_ID=10 AND LINE_NO=1"), 10.0);
  EXPECT_EQ(Column("SELECT TOTAL FROM ORDERS WHERE ORDER_ID=10"), 10.5);
  EXPECT_EQ(Column("SELECT TOTAL FROM ORDERS WHERE ORDER_ID=11"), 4.0);
  EXPECT_EQ(Column("SELECT BALANCE FROM CUSTOMER WHERE CUST_ID=1"), 14.5);

  // An update of a line.
  TDBRecord line("LINES");
  line.SetNewValue("ORDER_ID", "10");
  line.SetNewValue("LINE_NO", "1");
  line.Read();
  line.SetNewValue("QTY", "3");
  line.Update(RefuseIfChildren, CheckParents);
  ASSERT_TRUE(line.IsOk()) << RecordErrorState.GetErrorMessage();
  EXPECT_EQ(Column("SELECT TOTAL FROM ORDERS WHERE ORDER_ID=10"), 15.5);
  EXPECT_EQ(Column("SELECT BALANCE FROM CUSTOMER WHERE CUST_ID=1"), 19.5);

  // A line moved to the other order: the old order and the new one both follow.
  line.SetNewValue("ORDER_ID", "11");
  line.SetNewValue("LINE_NO", "2");
  line.Update(RefuseIfChildren, CheckParents);
  ASSERT_TRUE(line.IsOk()) << RecordErrorState.GetErrorMessage();
  EXPECT_EQ(Column("SELECT TOTAL FROM ORDERS WHERE ORDER_ID=10"), 0.5);
  EXPECT_EQ(Column("SELECT TOTAL FROM ORDERS WHERE ORDER_ID=11"), 19.0);
  EXPECT_EQ(Column("SELECT BALANCE FROM CUSTOMER WHERE CUST_ID=1"), 19.5);

  // A deleted line.
  TDBRecord gone("LINES");
  gone.SetNewValue("ORDER_ID", "11");
  gone.SetNewValue("LINE_NO", "1");
  gone.Delete(RefuseIfChildren);
  ASSERT_TRUE(gone.IsOk()) << RecordErrorState.GetErrorMessage();
  EXPECT_EQ(Column("SELECT TOTAL FROM ORDERS WHERE ORDER_ID=11"), 15.0);
  EXPECT_EQ(Column("SELECT BALANCE FROM CUSTOMER WHERE CUST_ID=1"), 15.5);

  // A whole order deleted with its lines: the customer follows.
  TDBRecord order("ORDERS");
  order.SetNewValue("ORDER_ID", "11");
  order.SetNewValue("CUST_ID", "1");
  order.Delete(CascadeToChildren);
  ASSERT_TRUE(order.IsOk()) << RecordErrorState.GetErrorMessage();
  EXPECT_EQ(Db().Query("SELECT COUNT(*) FROM LINES WHERE ORDER_ID=11"), "0");
  EXPECT_EQ(Column("SELECT BALANCE FROM CUSTOMER WHERE CUST_ID=1"), 0.5);
}

TEST_P(RecordCalcTest, AParentThatCannotBeRecalculatedUndoesTheChildsStore) {
  // The child's write itself succeeds; the recalculation of its parent fails after it.
  struct TCase {
    const char* name;
    bool update;  // else insert
  } cases[] = {{"insert", false}, {"update", true}};
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.name);
    Db().Exec("DELETE FROM LINES");
    Db().Exec("DELETE FROM ORDERS");
    Db().Exec("DELETE FROM CUSTOMER");
    Db().Exec(Db().IsPostgres() ? "DROP TRIGGER IF EXISTS refuse_cancelled ON ORDERS"
                                : "DROP TRIGGER IF EXISTS refuse_cancelled");
    Store("CUSTOMER", {{"CUST_ID", "1"}, {"NAME", "Ann"}});
    Store("ORDERS", {{"ORDER_ID", "10"}, {"CUST_ID", "1"}, {"STATUS", c.update ? "N" : "X"}});
    TDBRecord line("LINES");
    line.SetNewValue("ORDER_ID", "10");
    line.SetNewValue("LINE_NO", "1");
    line.SetNewValue("QTY", "2");
    line.SetNewValue("PRICE", "5");
    if (c.update) {
      line.Insert(CheckParents);
      ASSERT_TRUE(line.IsOk()) << RecordErrorState.GetErrorMessage();
      Db().Exec("UPDATE ORDERS SET STATUS='X'");
      line.SetNewValue("QTY", "3");
    }
    // The server refuses any change of a cancelled order.
    if (Db().IsPostgres()) {
      Db().Exec("CREATE OR REPLACE FUNCTION refuse_cancelled() RETURNS trigger AS $$ BEGIN IF OLD.STATUS = 'X' "
                "THEN RAISE EXCEPTION 'cancelled'; END IF; RETURN NEW; END $$ LANGUAGE plpgsql");
      Db().Exec("CREATE TRIGGER refuse_cancelled BEFORE UPDATE ON ORDERS FOR EACH ROW EXECUTE PROCEDURE "
                "refuse_cancelled()");
    } else {
      Db().Exec("CREATE TRIGGER refuse_cancelled BEFORE UPDATE ON ORDERS WHEN OLD.STATUS='X' "
                "BEGIN SELECT RAISE(ABORT, 'cancelled'); END");
    }
    if (c.update) line.Update(RefuseIfChildren, CheckParents);
    else line.Insert(CheckParents);
    EXPECT_EQ(line.GetStatus(), c.update ? RecordUpdateFailed : RecordInsertFailed);
    EXPECT_NE(std::string(RecordErrorState.GetErrorMessage()).find("cancelled"), std::string::npos)
        << RecordErrorState.GetErrorMessage();
    EXPECT_EQ(Db().Query("SELECT COUNT(*) FROM LINES"), c.update ? "1" : "0");
    EXPECT_EQ(Db().Query("SELECT COUNT(*) FROM LINES WHERE QTY=2"), c.update ? "1" : "0");
    // What was typed is still there, not taken as stored; the stored value is the old one.
    EXPECT_EQ(line.Field(2).Flags(),
              uint32_t(c.update ? TDBFieldValue::HasValue | TDBFieldValue::HasNewValue : TDBFieldValue::HasNewValue));
    EXPECT_STREQ(line.Field(2).NewValue(), c.update ? "3" : "2");
    EXPECT_STREQ(line.Field(2).Value(), c.update ? "2" : "");
  }
}

TEST_P(RecordCalcTest, RefreshReadsCalculatedColumnsAndFillsEmptyFields) {
  Db().Exec("INSERT INTO ORDERS VALUES (10, 1, NULL, 42.25, NULL)");
  TDBRecord order("ORDERS");
  order.SetNewValue("ORDER_ID", "10");
  order.RefreshCalculated();
  ASSERT_TRUE(order.IsOk()) << RecordErrorState.GetErrorMessage();
  EXPECT_EQ(Number(order.GetOldValue("TOTAL")), 42.25);
  EXPECT_STREQ(order.GetValue("STATUS"), "N");  // empty: its default

  // Without a row nothing changes and nothing fails.
  TDBRecord missing("ORDERS");
  missing.SetNewValue("ORDER_ID", "77");
  missing.ReadCalculatedColumns();
  EXPECT_TRUE(missing.IsOk());
  EXPECT_EQ(missing.Field(3).Flags(), 0u);
}

INSTANTIATE_DATABASE_TESTS(RecordCalcTest);

// The sample model: a customer, an order and its lines, the totals computed on the way.
class SampleModelTest : public RecordDatabaseTest {};

TEST_P(SampleModelTest, AnOrderWithLinesComputesItsTotalAndTheBalance) {
  ASSERT_EQ(LoadModelFile(TheModel, VORN_SOURCE_DIR "/sample/vorn.dmd"), 1);
  Db().Exec("CREATE TABLE CUSTOMER (CUST_ID INTEGER PRIMARY KEY, NAME VARCHAR(40), CITY VARCHAR(30), "
            "PHONE VARCHAR(20), BALANCE DECIMAL(12,2))");
  Db().Exec("CREATE TABLE ORDERS (ORDER_ID INTEGER PRIMARY KEY, CUST_ID INTEGER, ORDER_DATE DATE, "
            "STATUS CHAR(1), ORDER_TOTAL DECIMAL(12,2), DELIVERY_ADDRESS VARCHAR(120), DELIVERY_NOTE VARCHAR(200))");
  Db().Exec("CREATE TABLE ORDER_LINE (ORDER_ID INTEGER, LINE_NO SMALLINT, PRODUCT_ID INTEGER, QUANTITY INTEGER, "
            "PRICE DECIMAL(10,2), LINE_TOTAL DECIMAL(12,2), PRIMARY KEY (ORDER_ID, LINE_NO))");
  Db().Exec("CREATE TABLE PRODUCT (PRODUCT_ID INTEGER PRIMARY KEY, NAME VARCHAR(40), PRICE DECIMAL(10,2), "
            "ACTIVE INTEGER)");
  Db().Exec("INSERT INTO PRODUCT VALUES (1, 'Pen', 2.50, 1)");
  Db().Exec("INSERT INTO PRODUCT VALUES (2, 'Pad', 4.00, 1)");

  auto store = [](const char* entity, std::initializer_list<std::pair<const char*, const char*>> values) {
    TDBRecord record(entity);
    for (auto& [name, value] : values) record.SetNewValue(name, value);
    record.Insert(CheckParents);
    EXPECT_TRUE(record.IsOk()) << entity << ": " << RecordErrorState.GetErrorMessage();
  };
  store("CUSTOMER", {{"CUST_ID", "1"}, {"NAME", "Ann's Shop"}, {"CITY", "Oslo"}});
  store("ORDERS", {{"ORDER_ID", "100"}, {"CUST_ID", "1"}});
  EXPECT_EQ(Db().Query("SELECT STATUS FROM ORDERS WHERE ORDER_ID=100"), "N");
  EXPECT_NE(Db().Query("SELECT ORDER_DATE FROM ORDERS WHERE ORDER_ID=100"), "<null>");
  store("ORDER_LINE", {{"ORDER_ID", "100"}, {"LINE_NO", "1"}, {"PRODUCT_ID", "1"}, {"QUANTITY", "4"}});
  store("ORDER_LINE", {{"ORDER_ID", "100"}, {"LINE_NO", "2"}, {"PRODUCT_ID", "2"}, {"QUANTITY", "1"}});

  EXPECT_EQ(Number(Db().Query("SELECT PRICE FROM ORDER_LINE WHERE LINE_NO=1")), 2.5);
  EXPECT_EQ(Number(Db().Query("SELECT LINE_TOTAL FROM ORDER_LINE WHERE LINE_NO=1")), 10.0);
  EXPECT_EQ(Number(Db().Query("SELECT ORDER_TOTAL FROM ORDERS WHERE ORDER_ID=100")), 14.0);
  EXPECT_EQ(Number(Db().Query("SELECT BALANCE FROM CUSTOMER WHERE CUST_ID=1")), 14.0);

  // A quantity of 0 fails the line's validation and changes nothing.
  TDBRecord bad("ORDER_LINE");
  bad.SetNewValue("ORDER_ID", "100");
  bad.SetNewValue("LINE_NO", "3");
  bad.SetNewValue("PRODUCT_ID", "1");
  bad.SetNewValue("QUANTITY", "0");
  bad.Insert(CheckParents);
  EXPECT_EQ(bad.GetStatus(), RecordInvalidValue);
  EXPECT_EQ(Number(Db().Query("SELECT BALANCE FROM CUSTOMER WHERE CUST_ID=1")), 14.0);
}

INSTANTIATE_DATABASE_TESTS(SampleModelTest);

}  // namespace

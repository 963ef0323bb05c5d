// The expression functions that read the database, on SQLite and PostgreSQL: related
// fields, aggregates and child rows compared with the same SQL run directly, values of
// the record's own table, QUERY, sequences, and the errors of failing statements.
#include "data/core/strings.h"
#include "data/db/database.h"
#include "data/db/record.h"
#include "data/model/model.h"
#include "expr/expr.h"
#include "support/expr_eval.h"
#include "support/test_db.h"
#include "support/test_model.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <iterator>
#include <memory>
#include <string>

namespace {

// customers 1-n orders 1-n lines; lines.total is computed, not stored.
std::vector<TEntitySpec> DbShopModel() {
  TEntitySpec customers{"customers",
                        {{"id", "INTEGER"}, {"name"}, {"balance", "DECIMAL(10,2)"}, {"counter", "INTEGER"}},
                        {}};
  customers.relationships.push_back({"orders", "orders", "customer", "customers", "orders", 1, ""});
  TEntitySpec orders{"orders",
                     {{"id", "INTEGER"}, {"customer_id", "INTEGER"}, {"amount", "DECIMAL(10,2)"}, {"note"},
                      {"qty", "INTEGER"}},
                     {}};
  orders.attributes[1].foreignRel = "customer";
  orders.attributes[1].primAttr = "id";
  orders.relationships.push_back({"customer", "customers", "orders", "customers", "orders", 0, ""});
  orders.relationships.push_back({"lines", "lines", "ord", "orders", "lines", 1, ""});
  TEntitySpec lines{"lines",
                    {{"order_id", "INTEGER"}, {"qty", "INTEGER"}, {"price", "DECIMAL(10,2)"}, {"item", "VARCHAR(20)"},
                     {"weight", "REAL"}, {"total", "DECIMAL(10,2)"}},
                    {}};
  lines.attributes[0].foreignRel = "ord";
  lines.attributes[0].primAttr = "id";
  lines.attributes[5].nonStored = 1;
  lines.attributes[5].calculated = 1;
  lines.attributes[5].defaultText = "qty * price";
  lines.relationships.push_back({"ord", "orders", "lines", "orders", "lines", 0, ""});
  // A to-one relationship whose foreign keys are on the related side.
  customers.relationships.push_back({"profile", "profiles", "owner", "customers", "profiles", 0, ""});
  TEntitySpec profiles{"profiles", {{"customer_id", "INTEGER"}, {"motto"}}, {}};
  profiles.attributes[0].foreignRel = "owner";
  profiles.attributes[0].primAttr = "id";
  profiles.relationships.push_back({"owner", "customers", "profile", "customers", "profiles", 0, ""});
  // A relationship that no attribute keys.
  customers.relationships.push_back({"loose", "orders", "loosely", "customers", "orders", 1, ""});
  orders.relationships.push_back({"loosely", "customers", "loose", "customers", "orders", 0, ""});
  return {customers, orders, lines, profiles};
}

struct TCase {
  const char* entity;
  const char* text;
  const char* result;
};

class ExprDbFunctions : public DatabaseTest {
protected:
  void SetUp() override {
    DatabaseTest::SetUp();
    BuildModel(TheModel, DbShopModel());
    TheModel.LinkAndValidate();
    OdbcEnvironment = Env();
    std::strcpy(DatabaseName, "vorn_test");
    Db().Exec("CREATE TABLE customers (id INTEGER, name VARCHAR(40), balance DECIMAL(10,2), counter INTEGER)");
    Db().Exec("CREATE TABLE orders (id INTEGER, customer_id INTEGER, amount DECIMAL(10,2), note VARCHAR(40), "
              "qty INTEGER)");
    Db().Exec("CREATE TABLE lines (order_id INTEGER, qty INTEGER, price DECIMAL(10,2), item VARCHAR(20), "
              "weight REAL)");
    Db().Exec("CREATE TABLE profiles (customer_id INTEGER, motto VARCHAR(40))");
    Db().Exec("INSERT INTO profiles VALUES (2, 'Bob''s motto')");
    Db().Exec("CREATE TABLE SEQNUM (TABLENAME VARCHAR(64), NEXTID INTEGER)");
    Db().Exec("INSERT INTO customers VALUES (1, 'Ann', 10.50, 5)");
    Db().Exec("INSERT INTO customers VALUES (2, 'Bob', 0, 0)");
    Db().Exec("INSERT INTO customers VALUES (3, 'Cy', NULL, NULL)");
    Db().Exec("INSERT INTO orders VALUES (10, 1, 20.25, 'first', 2)");
    Db().Exec("INSERT INTO orders VALUES (11, 1, 10.25, 'second', 5)");
    Db().Exec("INSERT INTO orders VALUES (12, 2, 7.00, 'bob''s', 1)");
    Db().Exec("INSERT INTO lines VALUES (10, 2, 1.50, 'pen', 0.5)");
    Db().Exec("INSERT INTO lines VALUES (10, 3, 2.25, 'ink', 1.25)");
    Db().Exec("INSERT INTO lines VALUES (11, 1, 9.99, 'pad', 2)");
    // The record classes keep one pool buffer for their evaluations from the first on.
    std::unique_ptr<TDBRecord> prime(NewDBRecord("customers"));
    prime->EvaluateExpression("1", 12, 10, 0);
    buffersHeld_ = TempStringsInUse();
  }
  void TearDown() override {
    OdbcEnvironment = nullptr;
    DatabaseName[0] = '\0';
    TheModel.Clear();
    EXPECT_EQ(TempStringsInUse(), buffersHeld_);
    DatabaseTest::TearDown();
  }
  void Check(const TCase* cases, size_t count, TDBRecord* record = nullptr) {
    for (size_t i = 0; i < count; ++i) {
      EXPECT_EQ(EvalToText(cases[i].entity, cases[i].text, record), cases[i].result) << cases[i].text;
      EXPECT_EQ(TempStringsInUse(), buffersHeld_) << cases[i].text;
    }
  }
  int buffersHeld_ = 0;
  // A record of the entity with stored values, as if read from the database.
  std::unique_ptr<TDBRecord> Record(const char* entity, std::initializer_list<std::pair<const char*, const char*>> values) {
    std::unique_ptr<TDBRecord> record(NewDBRecord(entity));
    for (const auto& value : values) record->SetValue(TAttrRef(value.first), value.second);
    return record;
  }
  // The number an expression gives and the number the SQL gives, side by side.
  void ExpectSameNumber(const char* entity, const char* text, TDBRecord* record, const std::string& sql,
                        const char* type) {
    std::string value = EvalToText(entity, text, record);
    ASSERT_EQ(value.rfind(type, 0), 0u) << text << ": " << value;
    std::string direct = Db().Query(sql);
    EXPECT_DOUBLE_EQ(std::strtod(value.c_str() + std::strlen(type), nullptr), std::strtod(direct.c_str(), nullptr))
        << text << ": " << value << " against " << sql << ": " << direct;
  }
};

}  // namespace

TEST_P(ExprDbFunctions, QueryGivesTheFirstColumnOrNothing) {
  const TCase cases[] = {
      {"customers", "QUERY('SELECT name FROM customers WHERE id = 2')", "text Bob"},
      {"customers", "QUERY('SELECT name FROM customers ORDER BY id DESC')", "text Cy"},
      {"customers", "QUERY('SELECT name FROM customers WHERE id = 99')", "text "},
      {"customers", "QUERY('SELECT x FROM nowhere')", "text "},
      {"customers", "QUERY(1 / 0)", "E214 Divide by zero: "},
  };
  Check(cases, std::size(cases));
  EvalToText("customers", "QUERY('SELECT x FROM nowhere')");
  EXPECT_TRUE(ExpressionErrorState.IsErrorFree());
}

TEST_P(ExprDbFunctions, ValuesOfTheOwnTable) {
  const TCase cases[] = {
      {"customers", "GETCURRENTCOUNT('')", "long 3"},
      {"customers", "GETCURRENTCOUNT('balance > 1')", "long 1"},
      {"customers", "GETCURRENTCOUNT('id > 99')", "long 0"},
      {"customers", "GETCURRENTFIELD('name', 'id > 1', 'id DESC')", "text Cy"},
      {"customers", "GETCURRENTFIELD(name, 'id = 1')", "text Ann"},
      {"customers", "GETCURRENTFIELD('NAME', '', 'id')", "text Ann"},
      {"customers", "GETCURRENTFIELD('balance', 'id = 1')", "double 10.5"},
      {"customers", "GETCURRENTFIELD('id', 'id > 99')", "long 0"},
      {"customers", "GETCURRENTFIELD('nothing')", "text "},
      {"customers", "GETCURRENTSUM('balance')", "double 10.5"},
      {"customers", "GETCURRENTSUM(id, 'id < 3')", "long 3"},
      {"customers", "GETCURRENTSUM('id', 'id > 99')", "long 0"},
      {"customers", "GETCURRENTSUM('balance', 'id > 99')", "double 0"},
      {"customers", "GETCURRENTSUM('nothing')", "text "},
      {"customers", "GETCURRENTSUM('name')", "E218 Invalid Data Type: You can only SUM Numeric Types"},
      {"lines", "GETCURRENTFIELD('weight', 'item = ''ink''')", "double 1.25"},
      {"lines", "GETCURRENTSUM('weight')", "double 3.75"},
  };
  Check(cases, std::size(cases));
}

TEST_P(ExprDbFunctions, FailingStatementsReportTheirDiagnostic) {
  for (const char* text : {"GETCURRENTCOUNT('no such column = 1')", "GETCURRENTFIELD('name', 'x ===')",
                           "GETCURRENTSUM('id', 'nothing > 0')"}) {
    std::string result = EvalToText("customers", text);
    EXPECT_EQ(result.rfind("E217 SQL execution problem: ", 0), 0u) << text << ": " << result;
    EXPECT_GT(result.size(), std::strlen("E217 SQL execution problem: ")) << text << ": the diagnostic is missing";
  }
  OdbcEnvironment = nullptr;  // no database to reach
  EXPECT_EQ(EvalToText("customers", "GETCURRENTCOUNT('')").rfind("E217 SQL execution problem: ", 0), 0u);
  EXPECT_EQ(EvalToText("customers", "QUERY('SELECT 1')"), "text ");
}

TEST_P(ExprDbFunctions, SequencesByTable) {
  EXPECT_EQ(EvalToText("customers", "NEXTSEQUENCE('orders')"), "long 1");
  EXPECT_EQ(EvalToText("customers", "NEXTSEQUENCE('orders')"), "long 2");
  EXPECT_EQ(EvalToText("customers", "NEXTSEQUENCE()"), "long 1");  // the expression's own table
  EXPECT_EQ(Db().Query("SELECT NEXTID FROM SEQNUM WHERE TABLENAME='customers'"), "2");
  // The counter of a parent row needs the record that leads to it.
  EXPECT_EQ(EvalToText("orders", "NEXTSEQUENCE('customer', 'counter')"), "long -1");
  EXPECT_EQ(Db().Query("SELECT counter FROM customers WHERE id=1"), "5");
}

TEST_P(ExprDbFunctions, WithoutAKeyNoStatementRuns) {
  std::unique_ptr<TDBRecord> fresh(NewDBRecord("customers"));
  std::unique_ptr<TDBRecord> order(NewDBRecord("orders"));
  OdbcEnvironment = nullptr;  // any statement would fail now
  const TCase cases[] = {
      {"customers", "COUNT(orders:id)", "long 0"},
      {"customers", "SUM(orders:amount)", "double 0"},
      {"customers", "MAX(orders:note)", "text "},
      {"customers", "GETCHILDFIELD(orders:qty, 'qty > 0')", "long 0"},
      {"customers", "GETPARTIALCOUNT(orders:id, 'qty > 0')", "long 0"},
  };
  Check(cases, std::size(cases), fresh.get());
  EXPECT_EQ(EvalToText("orders", "customer:name", order.get()), "text ");
  // Without any record the same holds.
  Check(cases, std::size(cases));
}

TEST_P(ExprDbFunctions, AggregatesEqualTheirSql) {
  auto ann = Record("customers", {{"id", "1"}, {"name", "Ann"}});
  ExpectSameNumber("customers", "SUM(orders:amount)", ann.get(), "SELECT SUM(amount) FROM orders WHERE customer_id=1",
                   "double ");
  ExpectSameNumber("customers", "MIN(orders:amount)", ann.get(), "SELECT MIN(amount) FROM orders WHERE customer_id=1",
                   "double ");
  ExpectSameNumber("customers", "AVG(orders:amount)", ann.get(), "SELECT AVG(amount) FROM orders WHERE customer_id=1",
                   "double ");
  ExpectSameNumber("customers", "COUNT(orders:id)", ann.get(), "SELECT COUNT(*) FROM orders WHERE customer_id=1",
                   "long ");
  ExpectSameNumber("customers", "MAX(orders:qty)", ann.get(), "SELECT MAX(qty) FROM orders WHERE customer_id=1",
                   "long ");
  ExpectSameNumber("customers", "GETPARTIALSUM(orders:amount, 'qty > 2')", ann.get(),
                   "SELECT SUM(amount) FROM orders WHERE customer_id=1 AND qty > 2", "double ");
  const TCase cases[] = {
      {"customers", "AVG(orders:qty)", "long 3"},  // (2 + 5) / 2, truncated for an integral column
      {"customers", "MAX(orders:note)", "text second"},
      {"customers", "MIN(orders:note)", "text first"},
      {"customers", "GETPARTIALCOUNT(orders:id, 'amount > 15')", "long 1"},
      {"customers", "GETPARTIALCOUNT(orders:id, 1 / 0)", "long 2"},  // a failing condition is no condition
      {"customers", "GETPARTIALSUM(orders:qty, 'qty > 99')", "long 0"},
      {"customers", "SUM(orders:amount, 'x')", "compile E207 Incorrect number of parameters for function: : SUM"},
  };
  Check(cases, std::size(cases), ann.get());

  auto cy = Record("customers", {{"id", "3"}, {"name", "Cy"}});
  const TCase none[] = {
      {"customers", "SUM(orders:amount)", "double 0"},
      {"customers", "SUM(orders:qty)", "long 0"},
      {"customers", "COUNT(orders:id)", "long 0"},
      {"customers", "MAX(orders:note)", "text "},
  };
  Check(none, std::size(none), cy.get());

  // SUM of a text column: SQLite sums what reads as numbers, PostgreSQL refuses.
  std::string textSum = EvalToText("customers", "SUM(orders:note)", ann.get());
  if (Db().IsPostgres())
    EXPECT_EQ(textSum.rfind("E217 SQL execution problem: ", 0), 0u) << textSum;
  else
    EXPECT_EQ(textSum, "long 0");
  EXPECT_EQ(EvalToText("customers", "GETPARTIALSUM(orders:amount, 'no such = 1')", ann.get()).rfind(
                "E217 SQL execution problem: ", 0),
            0u);
}

TEST_P(ExprDbFunctions, AggregatesOfAComputedAttribute) {
  auto order = Record("orders", {{"id", "10"}, {"customer_id", "1"}});
  // 2 * 1.50 + 3 * 2.25, computed row by row.
  ExpectSameNumber("orders", "SUM(lines:total)", order.get(), "SELECT SUM(qty * price) FROM lines WHERE order_id=10",
                   "double ");
  ExpectSameNumber("orders", "MAX(lines:total)", order.get(), "SELECT MAX(qty * price) FROM lines WHERE order_id=10",
                   "double ");
  ExpectSameNumber("orders", "AVG(lines:total)", order.get(), "SELECT AVG(qty * price) FROM lines WHERE order_id=10",
                   "double ");
  EXPECT_EQ(EvalToText("orders", "COUNT(lines:total)", order.get()), "long 2");
}

TEST_P(ExprDbFunctions, ChildRowsAndRelatedFields) {
  auto ann = Record("customers", {{"id", "1"}});
  const TCase children[] = {
      {"customers", "GETCHILDFIELD(orders:note, 'qty > 1', 'amount DESC')", "text first"},
      {"customers", "GETCHILDFIELD(orders:note, '', 'amount')", "text second"},
      {"customers", "GETCHILDFIELD(orders:amount, 'qty > 99')", "double 0"},
      {"customers", "GETCHILDFIELD(orders:qty, '', 'qty DESC')", "long 5"},
      {"customers", "GETCHILDFIELD(orders:qty, 1 / 0)", "E214 Divide by zero: "},
  };
  Check(children, std::size(children), ann.get());
  std::string failed = EvalToText("customers", "GETCHILDFIELD(orders:qty, 'no such = 1')", ann.get());
  EXPECT_EQ(failed.rfind("E217 SQL execution problem: ", 0), 0u) << failed;
  EXPECT_GT(failed.size(), std::strlen("E217 SQL execution problem: ")) << failed;

  auto order = Record("orders", {{"id", "12"}, {"customer_id", "2"}});
  auto first = Record("orders", {{"id", "10"}, {"customer_id", "1"}});
  EXPECT_EQ(EvalToText("orders", "customer:name", order.get()), "text Bob");
  EXPECT_EQ(EvalToText("orders", "customer:name || '/' || note", order.get()), "text Bob/");
  auto line = Record("lines", {{"order_id", "11"}, {"qty", "1"}});
  EXPECT_EQ(EvalToText("lines", "ord:note", line.get()), "text second");
  EXPECT_EQ(EvalToText("lines", "ord:customer:name", line.get()), "text Ann");
  auto bob = Record("customers", {{"id", "2"}});
  EXPECT_EQ(EvalToText("customers", "profile:motto", bob.get()), "text Bob's motto");
  EXPECT_EQ(EvalToText("customers", "profile:motto", ann.get()), "text ");
  EXPECT_EQ(EvalToText("orders", "GETCHILDFIELD(lines:total, '', 'qty DESC')", first.get()), "double 6.75");
  // Without key attributes there is nothing to link by: no statement, the starting value.
  EXPECT_EQ(EvalToText("customers", "COUNT(loose:id)", ann.get()), "long 0");
  EXPECT_EQ(EvalToText("orders", "loosely:name", first.get()), "text ");
  auto orphan = Record("orders", {{"id", "13"}, {"customer_id", "99"}});
  EXPECT_EQ(EvalToText("orders", "customer:name", orphan.get()), "text ");
  // The related value is a text, computed with as any other.
  EXPECT_EQ(EvalToText("orders", "customer:balance + 0.0", first.get()), "double 10.5");
  // A related field whose statement fails says only that.
  Db().Exec("DROP TABLE customers");
  EXPECT_EQ(EvalToText("orders", "customer:name", order.get()), "E217 SQL execution problem: ");
}

TEST_P(ExprDbFunctions, RowLocksKeepAggregatesWorking) {
  auto ann = Record("customers", {{"id", "1"}});
  ann->SetForUpdate(true);
  ExpectSameNumber("customers", "SUM(orders:amount)", ann.get(), "SELECT SUM(amount) FROM orders WHERE customer_id=1",
                   "double ");
  EXPECT_EQ(EvalToText("customers", "COUNT(orders:id)", ann.get()), "long 2");
  EXPECT_EQ(EvalToText("customers", "GETCHILDFIELD(orders:note, '', 'amount')", ann.get()), "text second");
  EXPECT_EQ(EvalToText("customers", "GETCURRENTSUM('balance', 'id = 1')", ann.get()), "double 10.5");
  EXPECT_EQ(EvalToText("customers", "GETCURRENTFIELD('name', 'id = 1')", ann.get()), "text Ann");
  auto order = Record("orders", {{"id", "12"}, {"customer_id", "2"}});
  order->SetForUpdate(true);
  EXPECT_EQ(EvalToText("orders", "customer:name", order.get()), "text Bob");
}

TEST_P(ExprDbFunctions, SequenceKeptInTheParentRow) {
  auto order = Record("orders", {{"id", "10"}, {"customer_id", "1"}});
  EXPECT_EQ(EvalToText("orders", "NEXTSEQUENCE('customer', 'counter')", order.get()), "long 6");
  EXPECT_EQ(EvalToText("orders", "NEXTSEQUENCE('customer', 'counter')", order.get()), "long 7");
  EXPECT_EQ(Db().Query("SELECT counter FROM customers WHERE id=1"), "7");
  EXPECT_EQ(EvalToText("orders", "NEXTSEQUENCE('nowhere', 'counter')", order.get()), "long -1");
  EXPECT_EQ(EvalToText("orders", "NEXTSEQUENCE('customer', 'nothing')", order.get()), "long -1");
}

INSTANTIATE_DATABASE_TESTS(ExprDbFunctions);

// Statements on SQLite and PostgreSQL: parameters of every SQL type bound from text,
// columns by number and name, column descriptions, NULLs.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "data/core/strings.h"
#include "data/db/odbc.h"
#include "data/db/odbcstatement.h"
#include "support/test_db.h"

namespace {

class OdbcStatementTest : public DatabaseTest {
protected:
  void SetUp() override {
    DatabaseTest::SetUp();
    connection_ = std::make_unique<TOdbcConnection>(Env(), 1);
    ASSERT_TRUE(connection_->IsConnected()) << connection_->GetDiagMessage();
    statement_ = std::make_unique<TOdbcStatement>(connection_.get());
  }
  void TearDown() override {
    statement_.reset();
    connection_.reset();
    DatabaseTest::TearDown();
  }
  TOdbcStatement& St() { return *statement_; }

  std::unique_ptr<TOdbcConnection> connection_;
  std::unique_ptr<TOdbcStatement> statement_;
};

// One value bound from text into a column of its type and read back.
struct TRoundTrip {
  const char* columnType;  // as created on both servers
  int sqlType;
  long size;
  int digits;
  const char* text;     // bound
  const char* expected; // read back as text; "<null>" for NULL; "~" prefix: compare as number
};

const TRoundTrip RoundTrips[] = {
    {"VARCHAR(40)", SQL_VARCHAR, 40, 0, "O'Neil said \"hi\"; --", "O'Neil said \"hi\"; --"},
    {"VARCHAR(40)", SQL_VARCHAR, 40, 0, "", ""},
    {"CHAR(6)", SQL_CHAR, 6, 0, "ab'c", "ab'c"},
    {"NUMERIC(10,2)", SQL_NUMERIC, 10, 2, "$1234.50", "~1234.5"},
    {"DECIMAL(10,2)", SQL_DECIMAL, 10, 2, "#12.25%", "~12.25"},
    {"DECIMAL(10,2)", SQL_DECIMAL, 10, 2, "", "<null>"},
    {"INTEGER", SQL_INTEGER, 10, 0, "-42", "-42"},
    {"INTEGER", SQL_INTEGER, 10, 0, "", "0"},
    {"SMALLINT", SQL_SMALLINT, 5, 0, "1234", "1234"},
    {"FLOAT", SQL_FLOAT, 15, 0, "2.5", "~2.5"},
    {"REAL", SQL_REAL, 7, 0, "0.25", "~0.25"},
    {"DOUBLE PRECISION", SQL_DOUBLE, 15, 0, "-1e10", "~-1e10"},
    {"DATE", SQL_DATE, 10, 0, "2024-02-29 13:45:00", "2024-02-29"},
    {"TIME", SQL_TIME, 8, 0, "13:45:07", "13:45:07"},
    {"TIMESTAMP", SQL_TIMESTAMP, 19, 0, "2024-02-29 13:45:07", "2024-02-29 13:45:07"},
};

TEST_P(OdbcStatementTest, ParametersOfEveryTypeRoundTripFromText) {
  int n = 0;
  for (const TRoundTrip& c : RoundTrips) {
    SCOPED_TRACE(std::string(c.columnType) + " <- [" + c.text + "]");
    std::string table = "RT" + std::to_string(n++);
    Db().Exec("CREATE TABLE " + table + " (V " + c.columnType + ")");
    TOdbcStatement insert(connection_.get());
    ASSERT_EQ(insert.Prepare(("INSERT INTO " + table + " (V) VALUES (?)").c_str()), SQL_SUCCESS)
        << insert.GetDiagMessage();
    ASSERT_EQ(insert.BindParameter(0, c.sqlType, c.size, c.digits, c.text), SQL_SUCCESS)
        << insert.GetDiagMessage();
    ASSERT_TRUE(SQL_SUCCEEDED(insert.Execute())) << insert.GetDiagMessage();
    std::string value = Db().Query("SELECT V FROM " + table);
    if (c.expected[0] == '~') {
      EXPECT_DOUBLE_EQ(atof(value.c_str()), atof(c.expected + 1)) << value;
    } else if (c.sqlType == SQL_CHAR) {
      EXPECT_EQ(value.substr(0, value.find_last_not_of(' ') + 1), c.expected);
    } else {
      EXPECT_EQ(value, c.expected);
    }
  }
}

TEST_P(OdbcStatementTest, ABoundParameterTakesNewValuesForTheNextExecute) {
  Db().Exec("CREATE TABLE P (N INTEGER, S VARCHAR(20), D DECIMAL(8,2), F FLOAT)");
  ASSERT_EQ(St().Prepare("INSERT INTO P (N, S, D, F) VALUES (?, ?, ?, ?)"), SQL_SUCCESS);
  St().BindParameter(0, SQL_INTEGER, 10, 0, "1");
  St().BindParameter(1, SQL_VARCHAR, 20, 0, "one");
  St().BindParameter(2, SQL_DECIMAL, 8, 2, "1.5");
  St().BindParameter(3, SQL_FLOAT, 15, 0, "0.5");
  ASSERT_EQ(St().Execute(), SQL_SUCCESS) << St().GetDiagMessage();
  St().SetParameter(0, "2");
  St().SetParameter(1, "a much longer text");
  St().SetParameter(2, "");  // an emptied amount becomes 0
  St().SetParameter(3, "4.25");
  EXPECT_EQ(St().SetParameter(7, "x"), SQL_SUCCESS);  // past the list: nothing changes
  ASSERT_EQ(St().Execute(), SQL_SUCCESS) << St().GetDiagMessage();

  ASSERT_EQ(St().ExecDirect("SELECT N, S, D, F FROM P ORDER BY N"), SQL_SUCCESS);
  ASSERT_EQ(St().Fetch(), SQL_SUCCESS);
  ASSERT_EQ(St().Fetch(), SQL_SUCCESS);
  char text[100];
  EXPECT_EQ(St().GetLong(0), 2);
  EXPECT_EQ(St().GetData(1, text, sizeof text), 18);
  EXPECT_STREQ(text, "a much longer text");
  // Each column is read once: a driver may hand out a column's data only once per row.
  EXPECT_NE(St().GetData(2, text, sizeof text), SQL_NULL_DATA);
  EXPECT_DOUBLE_EQ(atof(text), 0.0);
  EXPECT_DOUBLE_EQ(St().GetDouble(3), 4.25);
  EXPECT_EQ(St().Fetch(), SQL_NO_DATA);
}

TEST_P(OdbcStatementTest, AParameterBeyondTheBoundOnesLeavesGapsTheDriverRefuses) {
  Db().Exec("CREATE TABLE G (A INTEGER, B INTEGER, C INTEGER)");
  ASSERT_EQ(St().Prepare("INSERT INTO G (A, B, C) VALUES (?, ?, ?)"), SQL_SUCCESS);
  ASSERT_EQ(St().BindParameter(2, SQL_INTEGER, 10, 0, "3"), SQL_SUCCESS) << St().GetDiagMessage();
  EXPECT_FALSE(SQL_SUCCEEDED(St().Execute()));
  EXPECT_NE(std::string(St().GetDiagMessage()), "");
  St().BindParameter(0, SQL_INTEGER, 10, 0, "1");
  St().BindParameter(1, SQL_INTEGER, 10, 0, "2");
  ASSERT_EQ(St().Execute(), SQL_SUCCESS) << St().GetDiagMessage();
  EXPECT_EQ(Db().Query("SELECT A + B + C FROM G"), "6");

  // A type that is not bound changes nothing and reports the previous outcome.
  EXPECT_EQ(St().BindParameter(0, SQL_LONGVARBINARY, 10, 0, "x"), SQL_SUCCESS);
  ASSERT_EQ(St().ResetParameters(), SQL_SUCCESS);
  EXPECT_FALSE(SQL_SUCCEEDED(St().Execute()));
}

TEST_P(OdbcStatementTest, AKeptHandleSendsOnlyTheParametersItsNewStatementBinds) {
  // The handle of an ended statement is kept with its text and taken by the next
  // statement of that text on the connection: the buffers the first one bound are gone.
  Db().Exec("CREATE TABLE K (A INTEGER, B VARCHAR(20))");
  const char* insert = "INSERT INTO K (A, B) VALUES (?, ?)";
  auto executeWith = [&](std::initializer_list<const char*> values) {
    TOdbcStatement statement(connection_.get());
    EXPECT_EQ(statement.Prepare(insert), SQL_SUCCESS) << statement.GetDiagMessage();
    int position = 0;
    for (const char* value : values)
      statement.BindParameter(position, position == 0 ? SQL_INTEGER : SQL_VARCHAR, 20, 0, value), ++position;
    return statement.Execute();
  };
  struct TCase {
    const char* what;
    std::initializer_list<const char*> values;
    bool written;
  } cases[] = {{"every position bound", {"1", "one"}, true},
               {"the second position left out", {"2"}, false},
               {"none bound", {}, false},
               {"every position bound again", {"3", "three"}, true}};
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(SQL_SUCCEEDED(executeWith(c.values)), c.written);
  }
  EXPECT_EQ(Db().Query("SELECT COUNT(*) FROM K"), "2");
  EXPECT_EQ(Db().Query("SELECT B FROM K WHERE A=3"), "three");
  EXPECT_GT(Env()->KeptPrepared(), 0);
}

TEST_P(OdbcStatementTest, ColumnsByNumberOrByNameIgnoringCase) {
  Db().Exec("CREATE TABLE C (A INTEGER, b VARCHAR(30), NUM DECIMAL(9,3), NOVALUE INTEGER, S SMALLINT)");
  Db().Exec("INSERT INTO C (A, b, NUM, NOVALUE, S) VALUES (7, 'seven', 7.125, NULL, -3)");
  ASSERT_EQ(St().Prepare("SELECT A, b, NUM, NOVALUE, S, NOVALUE AS NOVALUE2, b AS B2 FROM C"), SQL_SUCCESS);
  ASSERT_EQ(St().Execute(), SQL_SUCCESS) << St().GetDiagMessage();
  ASSERT_EQ(St().ColumnCount(), 7);
  EXPECT_EQ(St().NumResultCols(), 7);
  EXPECT_EQ(St().ColumnIndex("B"), 1);
  EXPECT_EQ(St().ColumnIndex("num"), 2);
  EXPECT_EQ(St().ColumnIndex("missing"), 7);
  EXPECT_EQ(St().Column(1)->sqlType, SQL_VARCHAR);
  EXPECT_EQ(St().Column(1)->columnSize, 30u);
  EXPECT_EQ(St().Column(7), nullptr);

  char name[81];
  ASSERT_EQ(St().GetColumnName(2, name, sizeof name), SQL_SUCCESS) << St().GetDiagMessage();
  EXPECT_STRCASEEQ(name, "NUM");
  EXPECT_EQ(St().GetColumnType(0), SQL_INTEGER);
  EXPECT_EQ(St().GetColumnPrecision(1), 30);
  EXPECT_EQ(St().GetColumnScale(2), St().Column(2)->decimalDigits);
  if (Db().IsPostgres()) {
    EXPECT_EQ(St().GetColumnScale(2), 3);  // the SQLite driver reports no scale
  }
  EXPECT_EQ(St().GetColumnNullable(0), SQL_NULLABLE);

  ASSERT_EQ(St().Fetch(), SQL_SUCCESS);
  char text[100] = "junk";
  EXPECT_EQ(St().GetDataByName("B", text, sizeof text), 5);
  EXPECT_STREQ(text, "seven");
  EXPECT_EQ(St().GetLongByName("a"), 7);
  EXPECT_EQ(St().GetShortByName("s"), -3);
  EXPECT_DOUBLE_EQ(St().GetDoubleByName("Num"), 7.125);
  // NULL: an empty buffer and -1 as text, 0 as a number.
  strcpy(text, "junk");
  EXPECT_EQ(St().GetDataByName("novalue", text, sizeof text), SQL_NULL_DATA);
  EXPECT_STREQ(text, "");
  EXPECT_EQ(St().GetLongByName("NOVALUE2"), 0);
  // A missing name asks for a column past the end: the driver's error stays readable.
  EXPECT_EQ(St().GetDataByName("missing", text, sizeof text), SQL_NULL_DATA);
  EXPECT_FALSE(St().IsSuccess());
  EXPECT_NE(std::string(St().GetDiagMessage()), "");

  char* field = nullptr;
  SetString(&field, "old");
  EXPECT_EQ(St().GetStringByName("b2", &field), 5);
  EXPECT_STREQ(field, "seven");
  FreeString(&field);
  EXPECT_EQ(St().Fetch(), SQL_NO_DATA);
  EXPECT_EQ(St().CloseCursor(), SQL_SUCCESS);
}

TEST_P(OdbcStatementTest, TextsOfEveryLengthAreReadWholeOrCutAtTheBuffer) {
  // Lengths around the first part of a read, up to the longest text a buffer holds.
  const int lengths[] = {0, 1, 254, 255, 256, 257, 511, 1000, 4000};
  Db().Exec("CREATE TABLE L (N INTEGER, V VARCHAR(4000))");
  for (int length : lengths) {
    std::string text;
    for (int i = 0; i < length; ++i) text += char('a' + (i * 7 + length) % 26);
    Db().Exec("INSERT INTO L (N, V) VALUES (" + std::to_string(length) + ", '" + text + "')");
  }
  ASSERT_EQ(St().ExecDirect("SELECT N, V FROM L ORDER BY N"), SQL_SUCCESS) << St().GetDiagMessage();
  for (int length : lengths) {
    SCOPED_TRACE("length " + std::to_string(length));
    ASSERT_EQ(St().Fetch(), SQL_SUCCESS);
    std::string expected;
    for (int i = 0; i < length; ++i) expected += char('a' + (i * 7 + length) % 26);
    std::string buffer(4001, 'x');
    EXPECT_EQ(St().GetData(1, &buffer[0], int(buffer.size())), length);
    EXPECT_EQ(St().GetReturnCode(), SQL_SUCCESS) << St().GetDiagMessage();
    EXPECT_EQ(std::string(buffer.c_str()), expected);
  }
  // A buffer too short keeps what fits, reports the whole length and says it was cut.
  St().CloseCursor();
  ASSERT_EQ(St().ExecDirect("SELECT V FROM L WHERE N = 1000"), SQL_SUCCESS);
  ASSERT_EQ(St().Fetch(), SQL_SUCCESS);
  char text[600];
  EXPECT_EQ(St().GetData(0, text, sizeof text), 1000);
  EXPECT_EQ(St().GetReturnCode(), SQL_SUCCESS_WITH_INFO);
  EXPECT_EQ(std::strlen(text), sizeof text - 1);
  EXPECT_EQ(std::string(St().GetSqlState()), "01004");
}

TEST_P(OdbcStatementTest, RowCountAndAMovedStatement) {
  Db().Exec("CREATE TABLE R (A INTEGER)");
  Db().Exec("INSERT INTO R (A) VALUES (1)");
  Db().Exec("INSERT INTO R (A) VALUES (2)");
  ASSERT_EQ(St().ExecDirect("UPDATE R SET A = A + 10"), SQL_SUCCESS);
  EXPECT_EQ(St().RowCount(), 2);

  TOdbcConnection other(Env(), 1);
  St().SetConnection(&other);
  EXPECT_EQ(St().GetConnection(), &other);
  ASSERT_EQ(St().ExecDirect("SELECT SUM(A) FROM R"), SQL_SUCCESS) << St().GetDiagMessage();
  ASSERT_EQ(St().Fetch(), SQL_SUCCESS);
  EXPECT_EQ(St().GetLong(0), 23);
  St().SetConnection(connection_.get());  // back before `other` goes
}

INSTANTIATE_DATABASE_TESTS(OdbcStatementTest);

}  // namespace

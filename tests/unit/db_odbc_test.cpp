// Environment and connections on SQLite and PostgreSQL: remembered connect data,
// autocommit, transactions seen from a second connection, diagnostics, the dialect.
#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>

#include "data/db/dialect.h"
#include "data/db/odbc.h"
#include "data/db/odbcstatement.h"
#include "support/test_db.h"

namespace {

class OdbcConnectionTest : public DatabaseTest {
protected:
  std::unique_ptr<TOdbcConnection> Reconnect() {
    auto connection = std::make_unique<TOdbcConnection>(Env(), 1);
    EXPECT_TRUE(connection->IsConnected()) << connection->GetDiagMessage();
    return connection;
  }
  long CountRows(const char* table) {
    return std::stol(Db().Query(std::string("SELECT COUNT(*) FROM ") + table));
  }
};

TEST_P(OdbcConnectionTest, ReconnectsWithTheRememberedStringAndCountsOpenConnections) {
  EXPECT_NE(std::string(Env()->RememberedConnectString()), "");
  EXPECT_EQ(std::string(Env()->RememberedDsn()), "");
  EXPECT_EQ(Env()->RememberedFlags(), 0u);
  EXPECT_EQ(Env()->OpenConnections(), 0);

  TOdbcConnection bare(Env(), 0);
  EXPECT_FALSE(bare.IsConnected());
  EXPECT_EQ(Env()->OpenConnections(), 0);

  {
    auto one = Reconnect();
    auto two = Reconnect();
    EXPECT_EQ(Env()->OpenConnections(), 2);
    // Later connections switch autocommit on.
    EXPECT_TRUE(one->IsAutoCommit());
    TSqlDialect::TKind expected = Db().IsPostgres() ? TSqlDialect::PostgreSQL : TSqlDialect::SQLite;
    EXPECT_EQ(one->Dialect().Kind(), expected);
    TOdbcStatement statement(one.get());
    ASSERT_EQ(statement.ExecDirect("SELECT 1"), SQL_SUCCESS) << statement.GetDiagMessage();
    ASSERT_EQ(statement.Fetch(), SQL_SUCCESS);
    EXPECT_EQ(statement.GetLong(0), 1);
  }
  EXPECT_EQ(Env()->OpenConnections(), 0);

  // The database named to the connection is the one of the connection string: nothing
  // to switch, and the connection works.
  TOdbcConnection named(Env(), 1, "vorn_test");
  ASSERT_TRUE(named.IsConnected());
  TOdbcStatement statement(&named);
  EXPECT_EQ(statement.ExecDirect("SELECT 2"), SQL_SUCCESS) << statement.GetDiagMessage();

  named.Disconnect();
  EXPECT_FALSE(named.IsConnected());
  EXPECT_EQ(Env()->OpenConnections(), 0);
}

TEST_P(OdbcConnectionTest, EachStatementCommitsByItselfUnderAutocommit) {
  Db().Exec("CREATE TABLE T (A INTEGER)");
  auto writer = Reconnect();
  TOdbcStatement statement(writer.get());
  ASSERT_EQ(statement.ExecDirect("INSERT INTO T (A) VALUES (1)"), SQL_SUCCESS) << statement.GetDiagMessage();
  EXPECT_EQ(CountRows("T"), 1);
  // Rollback after the fact undoes nothing.
  writer->Rollback();
  EXPECT_EQ(CountRows("T"), 1);
}

TEST_P(OdbcConnectionTest, CommitRollbackAndStartOfTransactionAsASecondConnectionSeesThem) {
  Db().Exec("CREATE TABLE T (A INTEGER)");
  auto writer = Reconnect();
  ASSERT_TRUE(SQL_SUCCEEDED(writer->SetAutoCommit(false))) << writer->GetDiagMessage();
  EXPECT_FALSE(writer->IsAutoCommit());
  TOdbcStatement statement(writer.get());

  ASSERT_EQ(statement.ExecDirect("INSERT INTO T (A) VALUES (1)"), SQL_SUCCESS) << statement.GetDiagMessage();
  EXPECT_EQ(CountRows("T"), 0);
  ASSERT_EQ(writer->Rollback(), SQL_SUCCESS) << writer->GetDiagMessage();
  EXPECT_EQ(CountRows("T"), 0);

  ASSERT_EQ(statement.ExecDirect("INSERT INTO T (A) VALUES (2)"), SQL_SUCCESS) << statement.GetDiagMessage();
  ASSERT_EQ(writer->Commit(), SQL_SUCCESS) << writer->GetDiagMessage();
  EXPECT_EQ(Db().Query("SELECT MAX(A) FROM T"), "2");

  // The start of a transaction ends what is open, committing it.
  ASSERT_EQ(statement.ExecDirect("INSERT INTO T (A) VALUES (3)"), SQL_SUCCESS) << statement.GetDiagMessage();
  ASSERT_EQ(writer->StartTransaction(), SQL_SUCCESS) << writer->GetDiagMessage();
  EXPECT_EQ(CountRows("T"), 2);
  ASSERT_EQ(statement.ExecDirect("INSERT INTO T (A) VALUES (4)"), SQL_SUCCESS) << statement.GetDiagMessage();
  writer->Rollback();
  EXPECT_EQ(CountRows("T"), 2);
}

TEST_P(OdbcConnectionTest, ABadStatementLeavesItsDiagnosticsInTheObject) {
  auto connection = Reconnect();
  TOdbcStatement statement(connection.get());
  SQLRETURN rc = statement.ExecDirect("SELECT * FROM NO_SUCH_TABLE");
  EXPECT_EQ(rc, SQL_ERROR);
  EXPECT_FALSE(statement.IsSuccess());
  EXPECT_EQ(statement.GetReturnCode(), SQL_ERROR);
  EXPECT_EQ(strlen(statement.GetSqlState()), 5u);
  EXPECT_NE(std::string(statement.GetDiagMessage()), "");
  std::string message = statement.GetDiagMessage();
  CharUpperA(&message[0]);
  EXPECT_NE(message.find("NO_SUCH_TABLE"), std::string::npos) << message;
  if (!Db().IsPostgres()) {
    EXPECT_NE(statement.GetNativeError(), 0);  // SQLite's error code
  }

  // The next call describes itself.
  EXPECT_EQ(statement.ExecDirect("SELECT 1"), SQL_SUCCESS);
  EXPECT_STREQ(statement.GetDiagMessage(), "");
  EXPECT_STREQ(statement.GetSqlState(), "");

  // GetErrorText reads the same record again after a failure.
  statement.ExecDirect("SELEKT 1");
  std::string state = statement.GetSqlState();
  statement.GetErrorText(OdbcStatementHandle);
  EXPECT_EQ(statement.GetSqlState(), state);
}

TEST_P(OdbcConnectionTest, AFailedConnectIsReportedAndNotCounted) {
  TOdbcConnection connection(Env());
  std::string broken = Db().IsPostgres()
                           ? Db().ConnectString() + "Port=1;"
                           : "DRIVER={SQLite3};Database=/nonexistent/folder/x.db;NoCreat=1;";
  SQLRETURN rc = connection.DriverConnect(broken.c_str(), 0);
  EXPECT_FALSE(SQL_SUCCEEDED(rc));
  EXPECT_FALSE(connection.IsConnected());
  EXPECT_NE(std::string(connection.GetDiagMessage()), "");
  EXPECT_EQ(Env()->OpenConnections(), 0);

  // A data source nobody defined.
  TOdbcConnection byName(Env());
  EXPECT_FALSE(SQL_SUCCEEDED(byName.Connect("vorn_no_such_dsn", "u", "p", 0)));
  EXPECT_FALSE(byName.IsConnected());
  EXPECT_NE(std::string(byName.GetDiagMessage()), "");
  EXPECT_EQ(std::string(Env()->RememberedDsn()), "");
  EXPECT_EQ(Env()->OpenConnections(), 0);
}

TEST_P(OdbcConnectionTest, AConnectionMovesToAnotherEnvironment) {
  TOdbcEnv other;
  auto connection = Reconnect();
  connection->SetEnvironment(&other);
  EXPECT_FALSE(connection->IsConnected());
  EXPECT_EQ(connection->GetEnvironment(), &other);
  EXPECT_EQ(Env()->OpenConnections(), 0);
  ASSERT_TRUE(SQL_SUCCEEDED(connection->DriverConnect(Db().ConnectString().c_str(), 0)))
      << connection->GetDiagMessage();
  EXPECT_EQ(other.OpenConnections(), 1);
  connection.reset();
  EXPECT_EQ(other.OpenConnections(), 0);
}

TEST_P(OdbcConnectionTest, TheDialectsOwnStatementsRunOnItsServer) {
  Db().Exec("CREATE TABLE SEQNUM (TABLENAME VARCHAR(64), NEXTID INTEGER)");
  Db().Exec("INSERT INTO SEQNUM (TABLENAME, NEXTID) VALUES ('A', 5)");
  auto connection = Reconnect();
  ASSERT_TRUE(SQL_SUCCEEDED(connection->SetAutoCommit(false)));
  TOdbcStatement statement(connection.get());
  char sql[300];
  connection->Dialect().SequenceLock(sql, sizeof sql, "A");
  SQLRETURN rc = statement.ExecDirect(sql);
  EXPECT_TRUE(SQL_SUCCEEDED(rc) || rc == SQL_NO_DATA) << sql << ": " << statement.GetDiagMessage();
  statement.CloseCursor();

  int length = snprintf(sql, sizeof sql, "SELECT NEXTID FROM SEQNUM WHERE TABLENAME='A'");
  connection->Dialect().RowLockClause(sql + length, sizeof sql - length, "NEXTID");
  ASSERT_EQ(statement.ExecDirect(sql), SQL_SUCCESS) << sql << ": " << statement.GetDiagMessage();
  ASSERT_EQ(statement.Fetch(), SQL_SUCCESS);
  EXPECT_EQ(statement.GetLong(0), 5);
  statement.CloseCursor();
  EXPECT_EQ(connection->Commit(), SQL_SUCCESS) << connection->GetDiagMessage();
}

INSTANTIATE_DATABASE_TESTS(OdbcConnectionTest);

TEST(SqlDialect, IsChosenByTheServerNameAndKeepsSqlServerForms) {
  EXPECT_EQ(TSqlDialect::ForDbmsName("SQLite").Kind(), TSqlDialect::SQLite);
  EXPECT_EQ(TSqlDialect::ForDbmsName("PostgreSQL").Kind(), TSqlDialect::PostgreSQL);
  EXPECT_EQ(TSqlDialect::ForDbmsName("Microsoft SQL Server").Kind(), TSqlDialect::SqlServer);

  char text[200];
  const TSqlDialect& sqlServer = TSqlDialect::Of(TSqlDialect::SqlServer);
  ASSERT_TRUE(sqlServer.DatabaseSwitch(text, sizeof text, "sales"));
  EXPECT_STREQ(text, "USE sales");
  sqlServer.RowLockClause(text, sizeof text, "NEXTID");
  EXPECT_STREQ(text, " FOR UPDATE OF NEXTID");
  // A sequence locks its own row of SEQNUM, never the whole table.
  sqlServer.SequenceLock(text, sizeof text, "ORDERS");
  EXPECT_STREQ(text, "SELECT NEXTID FROM SEQNUM WITH (UPDLOCK, HOLDLOCK, ROWLOCK) WHERE TABLENAME='ORDERS'");

  EXPECT_FALSE(TSqlDialect::Of(TSqlDialect::SQLite).DatabaseSwitch(text, sizeof text, "sales"));
  EXPECT_FALSE(TSqlDialect::Of(TSqlDialect::PostgreSQL).DatabaseSwitch(text, sizeof text, "sales"));
  TSqlDialect::Of(TSqlDialect::SQLite).RowLockClause(text, sizeof text, "NEXTID");
  EXPECT_STREQ(text, "");
}

TEST(OdbcDisplaySize, FollowsTheColumnType) {
  struct Case { int type; long size; int digits; int width; };
  const Case cases[] = {
      {SQL_BIT, 0, 0, 1},        {SQL_TINYINT, 0, 0, 4},     {SQL_SMALLINT, 0, 0, 6},
      {SQL_INTEGER, 0, 0, 11},   {SQL_REAL, 0, 0, 13},       {SQL_FLOAT, 0, 0, 22},
      {SQL_DOUBLE, 0, 0, 22},    {SQL_DATE, 0, 0, 10},       {SQL_TIME, 0, 0, 8},
      {SQL_TIMESTAMP, 0, 0, 19}, {SQL_TIMESTAMP, 0, 3, 23},  {SQL_CHAR, 12, 0, 12},
      {SQL_VARCHAR, 40, 0, 40},  {SQL_DECIMAL, 10, 2, 13},   {SQL_NUMERIC, 10, 0, 12},
      {SQL_LONGVARCHAR, 100, 0, -1},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(TOdbcStatement::DisplaySize(c.type, c.size, c.digits), c.width) << "type " << c.type;
  }
}

}  // namespace

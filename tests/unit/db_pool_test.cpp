// Connections kept idle by the environment for the next operation, and connections that
// join the one shared by an open record transaction.
#include <gtest/gtest.h>

#include <string>

#include "data/db/odbc.h"
#include "data/db/odbcstatement.h"
#include "support/test_db.h"

namespace {

class ConnectionPoolTest : public DatabaseTest {
protected:
  std::string Count() { return Db().Query("SELECT COUNT(*) FROM T"); }
};

TEST_P(ConnectionPoolTest, AnIdleConnectionComesBackFreshAndIsUsedAgain) {
  Db().Exec("CREATE TABLE T (A INTEGER)");
  SQLHANDLE first = SQL_NULL_HANDLE;
  {
    TOdbcConnection connection(Env(), 1, "vorn_test");
    ASSERT_TRUE(connection.IsConnected());
    first = connection.Handle();
    ASSERT_TRUE(SQL_SUCCEEDED(connection.SetAutoCommit(false)));
    TOdbcStatement statement(&connection);
    ASSERT_TRUE(SQL_SUCCEEDED(statement.ExecDirect("INSERT INTO T (A) VALUES (1)")));
    // Ends without a commit: the work is undone as a disconnect would undo it.
  }
  EXPECT_EQ(Env()->OpenConnections(), 0);
  EXPECT_EQ(Env()->IdleConnections(), 1);
  EXPECT_EQ(Count(), "0");
  {
    TOdbcConnection again(Env(), 1, "vorn_test");
    EXPECT_EQ(again.Handle(), first);
    EXPECT_EQ(Env()->OpenConnections(), 1);
    EXPECT_EQ(Env()->IdleConnections(), 0);
    EXPECT_TRUE(again.IsAutoCommit());
    TOdbcStatement statement(&again);
    ASSERT_TRUE(SQL_SUCCEEDED(statement.ExecDirect("INSERT INTO T (A) VALUES (2)")));
    EXPECT_EQ(Count(), "1");  // committed by itself
    // A second connection at the same time is a connection of its own.
    TOdbcConnection other(Env(), 1, "vorn_test");
    EXPECT_NE(other.Handle(), first);
    EXPECT_EQ(Env()->OpenConnections(), 2);
  }
  EXPECT_EQ(Env()->IdleConnections(), 2);

  // A connection closed on purpose is closed.
  TOdbcConnection closed(Env(), 1, "vorn_test");
  closed.Disconnect();
  EXPECT_EQ(Env()->IdleConnections(), 1);

  Env()->CloseIdleConnections();
  EXPECT_EQ(Env()->IdleConnections(), 0);
}

TEST_P(ConnectionPoolTest, AConnectionTheDriverKeptInManualCommitComesBackInAutocommit) {
  // A deferred constraint fails at the commit that switching autocommit on makes: the
  // driver refuses the switch and the transaction stays open.
  Db().Exec("CREATE TABLE P (ID INTEGER PRIMARY KEY)");
  Db().Exec("CREATE TABLE C (ID INTEGER, PID INTEGER REFERENCES P (ID) DEFERRABLE INITIALLY DEFERRED)");
  {
    TOdbcConnection connection(Env(), 1, "vorn_test");
    ASSERT_TRUE(connection.IsConnected());
    TOdbcStatement statement(&connection);
    if (!Db().IsPostgres()) {
      ASSERT_TRUE(SQL_SUCCEEDED(statement.ExecDirect("PRAGMA foreign_keys = ON")));
    }
    ASSERT_TRUE(SQL_SUCCEEDED(connection.SetAutoCommit(false)));
    ASSERT_TRUE(SQL_SUCCEEDED(statement.ExecDirect("INSERT INTO C (ID, PID) VALUES (1, 99)")))
        << statement.GetDiagMessage();
    SQLRETURN rc = connection.SetAutoCommit(true);
    if (!SQL_SUCCEEDED(rc)) {
      EXPECT_NE(std::string(connection.GetDiagMessage()), "");
    }
    // The connection goes back to the pool (or closes) here, whatever the switch did.
  }
  // The next user of a pooled connection works in autocommit: what it writes is stored at
  // once, and nothing of the refused transaction is left.
  {
    TOdbcConnection next(Env(), 1, "vorn_test");
    ASSERT_TRUE(next.IsConnected());
    TOdbcStatement statement(&next);
    ASSERT_TRUE(SQL_SUCCEEDED(statement.ExecDirect("INSERT INTO P (ID) VALUES (5)"))) << statement.GetDiagMessage();
    EXPECT_EQ(Db().Query("SELECT COUNT(*) FROM P"), "1");
    EXPECT_EQ(Db().Query("SELECT COUNT(*) FROM C"), "0");
  }
}

TEST_P(ConnectionPoolTest, JoinedConnectionsWorkInTheSharedTransaction) {
  Db().Exec("CREATE TABLE T (A INTEGER)");
  TOdbcConnection owner(Env(), 1, "vorn_test");
  ASSERT_TRUE(SQL_SUCCEEDED(owner.SetAutoCommit(false)));
  Env()->ShareConnection(&owner);
  {
    TOdbcConnection joined(Env(), 1, "vorn_test");
    EXPECT_TRUE(joined.IsJoined());
    EXPECT_EQ(joined.Handle(), owner.Handle());
    TOdbcStatement statement(&joined);
    ASSERT_TRUE(SQL_SUCCEEDED(statement.ExecDirect("INSERT INTO T (A) VALUES (1)")));
    // Its own transaction calls do not reach the shared transaction.
    EXPECT_TRUE(SQL_SUCCEEDED(joined.Commit()));
    EXPECT_TRUE(SQL_SUCCEEDED(joined.SetAutoCommit(true)));
  }
  Env()->ShareConnection(nullptr);
  EXPECT_EQ(Env()->OpenConnections(), 1);
  ASSERT_TRUE(SQL_SUCCEEDED(owner.Rollback()));
  EXPECT_EQ(Count(), "0");
  TOdbcStatement statement(&owner);
  ASSERT_TRUE(SQL_SUCCEEDED(statement.ExecDirect("INSERT INTO T (A) VALUES (2)")));
  ASSERT_TRUE(SQL_SUCCEEDED(owner.Commit()));
  EXPECT_EQ(Count(), "1");
}

INSTANTIATE_DATABASE_TESTS(ConnectionPoolTest);

}  // namespace

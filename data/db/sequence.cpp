// Table sequences: the next number of a table taken from "SEQNUM" under its row lock.
#include "data/db/sequence.h"

#include <cstdio>
#include <cstring>

#include "data/core/strings.h"
#include "data/db/database.h"
#include "data/db/dialect.h"
#include "data/db/odbcstatement.h"
#include "data/model/settings.h"

namespace {

// Whether SELECTs that read a row before changing it carry the server's row lock.
bool RowLocksWanted() { return UseForUpdateClause != 0; }

// Reads and advances the table's number inside the connection's open transaction.
long TakeNumber(TOdbcStatement& statement, const char* quotedTable) {
  const TSqlDialect& dialect = statement.GetConnection()->Dialect();
  TTempString sql;

  // First the lock that makes every other taker wait until this transaction ends.
  // (A write that touches no row reports SQL_NO_DATA.)
  dialect.SequenceLock(sql, TEMP_STRING_SIZE, quotedTable);
  SQLRETURN rc = statement.ExecDirect(sql);
  if (!SQL_SUCCEEDED(rc) && rc != SQL_NO_DATA) return -1;
  statement.CloseCursor();

  int length = snprintf(sql, TEMP_STRING_SIZE, "SELECT NEXTID FROM SEQNUM WHERE TABLENAME='%s'",
                        quotedTable);
  if (RowLocksWanted()) dialect.RowLockClause(sql + length, TEMP_STRING_SIZE - length, "NEXTID");
  if (!SQL_SUCCEEDED(statement.ExecDirect(sql))) return -1;

  if (!SQL_SUCCEEDED(statement.Fetch())) {
    statement.CloseCursor();
    snprintf(sql, TEMP_STRING_SIZE, "insert into seqnum (tablename,nextid) values ('%s',2)",
             quotedTable);
    return SQL_SUCCEEDED(statement.ExecDirect(sql)) ? 1 : -1;
  }
  long value = statement.GetLong(0);
  if (value < 1) value = 1;
  statement.CloseCursor();
  snprintf(sql, TEMP_STRING_SIZE, "update seqnum set nextid=%ld where tablename='%s'", value + 1,
           quotedTable);
  return SQL_SUCCEEDED(statement.ExecDirect(sql)) ? value : -1;
}

}  // namespace

long NextSequence(const char* table) {
  // Doubled quotes may take twice the room; the statement around it needs some more.
  if (!OdbcEnvironment || strlen(table) > TEMP_STRING_SIZE / 2 - 200) return -1;
  TOdbcConnection connection(OdbcEnvironment, 1, DatabaseName);
  if (!connection.IsConnected()) return -1;

  long number = -1;
  // Read and update form one transaction, so no two connections get the same number.
  if (SQL_SUCCEEDED(connection.SetAutoCommit(false))) {
    TOdbcStatement statement(&connection);
    TTempString quotedTable;
    CopyQuotedSql(quotedTable, table);
    number = TakeNumber(statement, quotedTable);
  }
  if (number >= 0 && !SQL_SUCCEEDED(connection.Commit())) number = -1;
  if (number < 0) connection.Rollback();
  connection.SetAutoCommit(true);
  return number;
}

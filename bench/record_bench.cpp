// Reading by key, updating and inserting 10,000 records of a SQLite file through
// TDBRecord (a connection per operation from the program's environment) and through bare
// prepared ODBC statements on one connection of the same driver. Each record operation is
// timed twice: on its own (it shows the wait cursor itself) and inside one user action
// that already holds the wait cursor. Beside the one bare statement of each operation
// stand the bare statements a record operation runs itself: an insert first looks for the
// key, a store runs in one transaction and reads the stored row back, an update first
// reads the row to see that nobody changed it. The records are to cost at most 1.3 times
// the bare statements. A third measure gives the least any record operation has to run:
// an insert looks for the key before it writes, an update reads the row by its old key
// before it writes; each statement committing on its own.
// Argument: the Unix path of the database file (default /tmp/vorn_record_bench.db).
#include <windows.h>

#include <sql.h>
#include <sqlext.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "bench_table.h"
#include "data/core/waitcursor.h"
#include "data/db/database.h"
#include "data/db/record.h"
#include "data/model/model.h"

namespace {

const int Count = 10000;

void Name(char* text, size_t size, int i, int round) { snprintf(text, size, "Customer %d/%d", i, round); }

// --- through TDBRecord
bool RecordInsert(TOdbcConnection&, int) {
  char text[64];
  TDBRecord record("BENCH");
  for (int i = 0; i < Count; ++i) {
    record.Reset();
    snprintf(text, sizeof text, "%d", i);
    record.SetNewValue(0, text);
    Name(text, sizeof text, i, 0);
    record.SetNewValue(1, text);
    record.SetNewValue(2, i % 2 ? "Ljubljana" : "Maribor");
    record.SetNewValue(3, "7");
    record.Insert(SkipParentCheck);
    if (!record.IsOk()) return false;
  }
  return true;
}

bool RecordRead(TOdbcConnection&, int) {
  char text[64];
  TDBRecord record("BENCH");
  for (int i = 0; i < Count; ++i) {
    snprintf(text, sizeof text, "%d", i);
    record.SetNewValue(0, text);
    record.Read();
    if (!record.IsOk() || !*record.GetValue(1)) return false;
  }
  return true;
}

bool RecordUpdate(TOdbcConnection&, int round) {
  char text[64];
  TDBRecord record("BENCH");
  for (int i = 0; i < Count; ++i) {
    record.Reset();
    snprintf(text, sizeof text, "%d", i);
    record.SetNewValue(0, text);
    Name(text, sizeof text, i, round);
    record.SetNewValue(1, text);
    record.SetNewValue(2, "Celje");
    record.SetNewValue(3, "8");
    record.Update(RefuseIfChildren, SkipParentCheck);
    if (!record.IsOk()) return false;
  }
  return true;
}

// --- bare prepared statements, autocommit as the records have it
struct TBare {
  explicit TBare(TOdbcConnection& connection, const char* sql) {
    SQLAllocHandle(SQL_HANDLE_STMT, connection.Handle(), &handle);
    SQLPrepare(handle, (SQLCHAR*)sql, SQL_NTS);
  }
  ~TBare() { SQLFreeHandle(SQL_HANDLE_STMT, handle); }
  void Text(int n, char* text, SQLLEN* indicator) {
    SQLBindParameter(handle, n, SQL_PARAM_INPUT, SQL_C_CHAR, SQL_VARCHAR, 30, 0, text, 64, indicator);
  }
  void Long(int n, SQLINTEGER* value) {
    SQLBindParameter(handle, n, SQL_PARAM_INPUT, SQL_C_SLONG, SQL_INTEGER, 0, 0, value, 0, nullptr);
  }
  // ID, NAME, CITY and QTY at positions 1 to 4.
  void Row(SQLINTEGER* id, char* name, char* city, SQLINTEGER* qty) {
    Long(1, id);
    Text(2, name, &nts[0]);
    Text(3, city, &nts[1]);
    Long(4, qty);
  }
  SQLHSTMT handle;
  SQLLEN nts[2] = {SQL_NTS, SQL_NTS};
};

bool BareInsert(TOdbcConnection& connection, int) {
  TBare insert(connection, "INSERT INTO BENCH (ID,NAME,CITY,QTY) VALUES (?,?,?,?)");
  SQLINTEGER id = 0, qty = 7;
  char name[64], city[64];
  insert.Row(&id, name, city, &qty);
  for (int i = 0; i < Count; ++i) {
    id = i;
    Name(name, sizeof name, i, 0);
    strcpy(city, i % 2 ? "Ljubljana" : "Maribor");
    if (!SQL_SUCCEEDED(SQLExecute(insert.handle))) return false;
  }
  return true;
}

bool BareRead(TOdbcConnection& connection, int) {
  TBare select(connection, "SELECT ID, NAME, CITY, QTY FROM BENCH WHERE ID=?");
  SQLINTEGER id = 0;
  select.Long(1, &id);
  char buffer[4][64];
  SQLLEN indicator;
  for (int i = 0; i < Count; ++i) {
    id = i;
    if (!SQL_SUCCEEDED(SQLExecute(select.handle)) || SQLFetch(select.handle) != SQL_SUCCESS) return false;
    for (int c = 0; c < 4; ++c) SQLGetData(select.handle, c + 1, SQL_C_CHAR, buffer[c], 64, &indicator);
    SQLFreeStmt(select.handle, SQL_CLOSE);
  }
  return true;
}

bool BareUpdate(TOdbcConnection& connection, int round) {
  TBare update(connection, "UPDATE BENCH SET ID=?,NAME=?,CITY=?,QTY=? WHERE ID=?");
  SQLINTEGER id = 0, qty = 8, key = 0;
  char name[64], city[64] = "Celje";
  update.Row(&id, name, city, &qty);
  update.Long(5, &key);
  for (int i = 0; i < Count; ++i) {
    id = key = i;
    Name(name, sizeof name, i, round);
    if (!SQL_SUCCEEDED(SQLExecute(update.handle))) return false;
  }
  return true;
}

// --- the statements a record operation runs, on bare prepared handles
// A row read by key: every column fetched as text, the cursor closed. False when no row.
bool FetchRow(TBare& select) {
  char buffer[64];
  SQLLEN indicator;
  if (!SQL_SUCCEEDED(SQLExecute(select.handle)) || SQLFetch(select.handle) != SQL_SUCCESS) return false;
  for (int c = 0; c < 4; ++c) SQLGetData(select.handle, c + 1, SQL_C_CHAR, buffer, sizeof buffer, &indicator);
  SQLFreeStmt(select.handle, SQL_CLOSE);
  return true;
}

// Manual commit for the length of a scope: each operation below is its own transaction.
struct TManualCommit {
  explicit TManualCommit(TOdbcConnection& connection) : connection(connection) { connection.SetAutoCommit(false); }
  ~TManualCommit() { connection.SetAutoCommit(true); }
  bool Commit() { return SQL_SUCCEEDED(SQLEndTran(SQL_HANDLE_DBC, connection.Handle(), SQL_COMMIT)); }
  TOdbcConnection& connection;
};

const char* const RowByKey = "SELECT ID,NAME,CITY,QTY FROM BENCH WHERE ID=?";

// What the bare insert and update below run beside the write: the least any record
// operation has to (a look before the write, each statement committing on its own), or
// the same as a record operation (the row read back too, and one commit).
enum class TSteps { Least, Same };

// The key looked for, the row inserted [, read back, committed].
bool KeyedInsert(TOdbcConnection& connection, TSteps steps) {
  TBare exists(connection, "SELECT ID FROM BENCH WHERE ID=?");
  TBare insert(connection, "INSERT INTO BENCH (ID,NAME,CITY,QTY) VALUES (?,?,?,?)");
  TBare readBack(connection, RowByKey);
  SQLINTEGER id = 0, qty = 7;
  char name[64], city[64];
  exists.Long(1, &id);
  insert.Row(&id, name, city, &qty);
  readBack.Long(1, &id);
  const bool same = steps == TSteps::Same;
  std::unique_ptr<TManualCommit> transaction(same ? new TManualCommit(connection) : nullptr);
  for (int i = 0; i < Count; ++i) {
    id = i;
    Name(name, sizeof name, i, 0);
    strcpy(city, i % 2 ? "Ljubljana" : "Maribor");
    if (!SQL_SUCCEEDED(SQLExecute(exists.handle)) || SQLFetch(exists.handle) != SQL_NO_DATA) return false;
    SQLFreeStmt(exists.handle, SQL_CLOSE);
    if (!SQL_SUCCEEDED(SQLExecute(insert.handle))) return false;
    if (same && (!FetchRow(readBack) || !transaction->Commit())) return false;
  }
  return true;
}

// The row read by its old key (to see it unchanged), written [, read back, committed].
bool KeyedUpdate(TOdbcConnection& connection, int round, TSteps steps) {
  TBare current(connection, RowByKey);
  TBare update(connection, "UPDATE BENCH SET ID=?,NAME=?,CITY=?,QTY=? WHERE ID=?");
  TBare readBack(connection, RowByKey);
  SQLINTEGER id = 0, qty = 8, key = 0;
  char name[64], city[64] = "Celje";
  current.Long(1, &key);
  update.Row(&id, name, city, &qty);
  update.Long(5, &key);
  readBack.Long(1, &key);
  const bool same = steps == TSteps::Same;
  std::unique_ptr<TManualCommit> transaction(same ? new TManualCommit(connection) : nullptr);
  for (int i = 0; i < Count; ++i) {
    id = key = i;
    Name(name, sizeof name, i, round);
    if (!FetchRow(current) || !SQL_SUCCEEDED(SQLExecute(update.handle))) return false;
    if (same && (!FetchRow(readBack) || !transaction->Commit())) return false;
  }
  return true;
}

bool SameInsert(TOdbcConnection& connection, int) { return KeyedInsert(connection, TSteps::Same); }
bool LeastInsert(TOdbcConnection& connection, int) { return KeyedInsert(connection, TSteps::Least); }
bool SameUpdate(TOdbcConnection& connection, int round) { return KeyedUpdate(connection, round, TSteps::Same); }
bool LeastUpdate(TOdbcConnection& connection, int round) { return KeyedUpdate(connection, round, TSteps::Least); }

}  // namespace

int main(int argc, char** argv) {
  std::string path = argc > 1 ? argv[1] : "/tmp/vorn_record_bench.db";
  TOdbcEnv env;
  TOdbcConnection connection(&env);
  if (!ConnectBenchFile(connection, path)) return 1;
  OdbcEnvironment = &env;
  BuildBenchModel(false);

  struct TWay {
    const char* name;
    bool (*record)(TOdbcConnection&, int);
    bool (*bare)(TOdbcConnection&, int);
    bool (*same)(TOdbcConnection&, int);   // the statements the record operation runs
    bool (*least)(TOdbcConnection&, int);  // the least any record operation has to run
    const char* statements;
    const char* leastStatements;
    double recordMs, actionMs, bareMs, sameMs, leastMs;
  } ways[] = {{"insert", RecordInsert, BareInsert, SameInsert, LeastInsert,
               "key looked for, INSERT, row read back, commit", "key looked for, INSERT", 0, 0, 0, 0, 0},
              {"read by key", RecordRead, BareRead, BareRead, BareRead, "the one SELECT by key",
               "the one SELECT by key", 0, 0, 0, 0, 0},
              {"update", RecordUpdate, BareUpdate, SameUpdate, LeastUpdate,
               "row read by key, UPDATE, row read back, commit", "row read by key, UPDATE", 0, 0, 0, 0, 0}};
  if (!EmptyKeyedBenchTable(connection)) return 1;
  const int rounds = 3;
  // side 0: record operations on their own; 1: inside one action; 2: the one bare
  // statement; 3: the bare statements the record operation runs; 4: the least any record
  // operation has to run, bare.
  const int sides = 5;
  const char* const sideNames[] = {"record", "record in an action", "bare", "same statements bare",
                                   "least statements bare"};
  for (int round = 1; round <= rounds; ++round) {
    for (TWay& way : ways) {
      bool inserting = way.record == RecordInsert;
      for (int side = 0; side < sides; ++side) {
        if (inserting && !Exec(connection, "DELETE FROM BENCH")) return 1;
        auto start = std::chrono::steady_clock::now();
        bool ok;
        if (side == 0) {
          ok = way.record(connection, round);
        } else if (side == 1) {
          TWaitCursor action;
          ok = way.record(connection, round);
        } else {
          ok = (side == 2 ? way.bare : side == 3 ? way.same : way.least)(connection, round);
        }
        double ms = Ms(start);
        if (!ok) {
          printf("%s (%s) failed\n", way.name, sideNames[side]);
          return 1;
        }
        double* times[] = {&way.recordMs, &way.actionMs, &way.bareMs, &way.sameMs, &way.leastMs};
        if (round == 1 || ms < *times[side]) *times[side] = ms;
      }
    }
  }
  printf("Best of %d rounds. bare: the one prepared statement of the operation; same: the bare\n"
         "statements the record operation runs; least: the least any record operation has to\n"
         "run (both listed below); all on the same connection.\n\n", rounds);
  printf("%-12s %9s %9s %9s %9s %9s | %13s %13s | %13s | %12s\n", "10,000 rows", "alone ms", "action ms",
         "bare ms", "same ms", "least ms", "alone / bare", "action / bare", "action / same", "least / bare");
  for (const TWay& way : ways)
    printf("%-12s %9.1f %9.1f %9.1f %9.1f %9.1f | %12.2fx %12.2fx | %12.2fx | %11.2fx\n", way.name, way.recordMs,
           way.actionMs, way.bareMs, way.sameMs, way.leastMs, way.recordMs / way.bareMs, way.actionMs / way.bareMs,
           way.actionMs / way.sameMs, way.leastMs / way.bareMs);
  printf("\nsame statements:\n");
  for (const TWay& way : ways) printf("  %-12s %s\n", way.name, way.statements);
  printf("least statements:\n");
  for (const TWay& way : ways) printf("  %-12s %s\n", way.name, way.leastStatements);
  // What a record operation pays beyond the bare statement: each driver call crosses from
  // the program into the driver manager and back, and the wait cursor of an operation on
  // its own is two calls into the window system.
  const int calls = 100000;
  auto start = std::chrono::steady_clock::now();
  for (int n = 0; n < calls; ++n) {
    SQLULEN value = 0;
    SQLGetConnectAttr(connection.Handle(), SQL_ATTR_AUTOCOMMIT, &value, SQL_IS_UINTEGER, nullptr);
  }
  double driverCallUs = Ms(start) * 1000.0 / calls;
  const int cursors = 10000;
  start = std::chrono::steady_clock::now();
  for (int n = 0; n < cursors; ++n) TWaitCursor wait;
  double cursorUs = Ms(start) * 1000.0 / cursors;
  printf("one driver call (SQLGetConnectAttr) %.2f us; one wait cursor put up and taken down %.1f us\n",
         driverCallUs, cursorUs);
  printf("connections open at the end: %d\n", env.OpenConnections());
  return 0;
}

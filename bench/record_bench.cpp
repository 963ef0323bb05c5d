// Reading by key, updating and inserting 10,000 records of a SQLite file through
// TDBRecord (a connection per operation from the program's environment) and through bare
// prepared ODBC statements on one connection of the same driver. Each record operation is
// timed twice: on its own (it shows the wait cursor itself) and inside one user action
// that already holds the wait cursor. The records are to cost at most 1.3 times the bare
// statements.
// Argument: the Unix path of the database file (default /tmp/vorn_record_bench.db).
#include <windows.h>

#include <sql.h>
#include <sqlext.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>

#include "data/core/strings.h"
#include "data/core/waitcursor.h"
#include "data/db/database.h"
#include "data/db/odbc.h"
#include "data/db/odbcstatement.h"
#include "data/db/record.h"
#include "data/model/model.h"

namespace {

const int Count = 10000;

double Ms(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

// BENCH(ID key, NAME, CITY, QTY), linked as the model-file reader would leave it.
void BuildBenchModel() {
  TheModel.Clear();
  TheModel.EntityCount = TheModel.EntityCapacity = 1;
  TheModel.Entities = new TEntity[1];
  TEntity& entity = TheModel.Entities[0];
  ReplaceString(&entity.Name, "BENCH");
  const char* names[] = {"ID", "NAME", "CITY", "QTY"};
  const char* types[] = {"INTEGER", "VARCHAR(30)", "VARCHAR(30)", "INTEGER"};
  entity.AttributeCount = entity.AttributeCapacity = 4;
  entity.Attributes = new TAttribute[4];
  for (int i = 0; i < 4; ++i) {
    ReplaceString(&entity.Attributes[i].Name, names[i]);
    ReplaceString(&entity.Attributes[i].Caption, names[i]);
    ReplaceString(&entity.Attributes[i].SqlTypeText, types[i]);
  }
  entity.Attributes[0].KeyPart = 1;
  TheModel.LinkAndValidate();
}

bool Exec(TOdbcConnection& connection, const char* sql) {
  TOdbcStatement statement(&connection);
  SQLRETURN rc = statement.ExecDirect(sql);
  if (!SQL_SUCCEEDED(rc) && rc != SQL_NO_DATA) {
    printf("%s: %s\n", sql, statement.GetDiagMessage());
    return false;
  }
  return true;
}

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
  SQLHSTMT handle;
};

bool BareInsert(TOdbcConnection& connection, int) {
  TBare insert(connection, "INSERT INTO BENCH (ID,NAME,CITY,QTY) VALUES (?,?,?,?)");
  SQLINTEGER id = 0, qty = 7;
  char name[64], city[64];
  SQLLEN nts = SQL_NTS, nts2 = SQL_NTS;
  insert.Long(1, &id);
  insert.Text(2, name, &nts);
  insert.Text(3, city, &nts2);
  insert.Long(4, &qty);
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
  SQLLEN nts = SQL_NTS, nts2 = SQL_NTS;
  update.Long(1, &id);
  update.Text(2, name, &nts);
  update.Text(3, city, &nts2);
  update.Long(4, &qty);
  update.Long(5, &key);
  for (int i = 0; i < Count; ++i) {
    id = key = i;
    Name(name, sizeof name, i, round);
    if (!SQL_SUCCEEDED(SQLExecute(update.handle))) return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  std::string path = argc > 1 ? argv[1] : "/tmp/vorn_record_bench.db";
  std::string connect = "DRIVER={SQLite3};Database=" + path + ";StepAPI=1;";
  TOdbcEnv env;
  TOdbcConnection connection(&env);
  if (!SQL_SUCCEEDED(connection.DriverConnect(connect.c_str(), 0))) {
    printf("connect: %s\n", connection.GetDiagMessage());
    return 1;
  }
  OdbcEnvironment = &env;
  BuildBenchModel();

  struct TWay {
    const char* name;
    bool (*record)(TOdbcConnection&, int);
    bool (*bare)(TOdbcConnection&, int);
    double recordMs, actionMs, bareMs;
  } ways[] = {{"insert", RecordInsert, BareInsert, 0, 0, 0},
              {"read by key", RecordRead, BareRead, 0, 0, 0},
              {"update", RecordUpdate, BareUpdate, 0, 0, 0}};
  Exec(connection, "DROP TABLE IF EXISTS BENCH");
  if (!Exec(connection, "CREATE TABLE BENCH (ID INTEGER PRIMARY KEY, NAME VARCHAR(30), CITY VARCHAR(30), QTY INTEGER)"))
    return 1;
  const int rounds = 3;
  for (int round = 1; round <= rounds; ++round) {
    for (TWay& way : ways) {
      bool inserting = way.record == RecordInsert;
      // side 0: record operations on their own; 1: inside one action; 2: bare statements.
      for (int side = 0; side < 3; ++side) {
        if (inserting && !Exec(connection, "DELETE FROM BENCH")) return 1;
        auto start = std::chrono::steady_clock::now();
        bool ok;
        if (side == 0) {
          ok = way.record(connection, round);
        } else if (side == 1) {
          TWaitCursor action;
          ok = way.record(connection, round);
        } else {
          ok = way.bare(connection, round);
        }
        double ms = Ms(start);
        if (!ok) {
          printf("%s (%s) failed\n", way.name, side == 2 ? "bare" : "record");
          return 1;
        }
        double& best = side == 0 ? way.recordMs : side == 1 ? way.actionMs : way.bareMs;
        if (round == 1 || ms < best) best = ms;
      }
    }
  }
  printf("%-14s %10s %10s %10s %8s %8s\n", "10,000 rows", "alone ms", "action ms", "bare ms", "alone", "action");
  for (const TWay& way : ways)
    printf("%-14s %10.1f %10.1f %10.1f %8.2f %8.2f\n", way.name, way.recordMs, way.actionMs, way.bareMs,
           way.recordMs / way.bareMs, way.actionMs / way.bareMs);
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

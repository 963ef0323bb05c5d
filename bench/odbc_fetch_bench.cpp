// Fetching 100,000 rows of 5 columns from a SQLite file: through TOdbcStatement (columns
// by number and by name) and through a bare ODBC loop on the same driver. The layer is
// to cost at most 1.2 times the bare loop.
// Argument: the Unix path of the database file (default /tmp/vorn_odbc_bench.db).
#include <windows.h>

#include <sql.h>
#include <sqlext.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>

#include "data/db/odbc.h"
#include "data/db/odbcstatement.h"
#include "bench_table.h"

namespace {

const int RowCount = 100000;
const char* const Query = "SELECT ID, NAME, CITY, AMOUNT, QTY FROM BENCH";

long LayerByNumber(TOdbcConnection& connection) {
  TOdbcStatement statement(&connection);
  statement.ExecDirect(Query);
  char buffer[5][64];
  long rows = 0;
  while (statement.Fetch() == SQL_SUCCESS) {
    for (int c = 0; c < 5; ++c) statement.GetData(c, buffer[c], sizeof buffer[c]);
    ++rows;
  }
  return rows;
}

long LayerByName(TOdbcConnection& connection) {
  static const char* const names[] = {"ID", "NAME", "CITY", "AMOUNT", "QTY"};
  TOdbcStatement statement(&connection);
  statement.ExecDirect(Query);
  char buffer[5][64];
  long rows = 0;
  while (statement.Fetch() == SQL_SUCCESS) {
    for (int c = 0; c < 5; ++c) statement.GetDataByName(names[c], buffer[c], sizeof buffer[c]);
    ++rows;
  }
  return rows;
}

long Bare(TOdbcConnection& connection) {
  SQLHSTMT statement;
  SQLAllocHandle(SQL_HANDLE_STMT, connection.Handle(), &statement);
  SQLExecDirect(statement, (SQLCHAR*)Query, SQL_NTS);
  char buffer[5][64];
  SQLLEN indicator;
  long rows = 0;
  while (SQLFetch(statement) == SQL_SUCCESS) {
    for (int c = 0; c < 5; ++c)
      SQLGetData(statement, c + 1, SQL_C_CHAR, buffer[c], sizeof buffer[c], &indicator);
    ++rows;
  }
  SQLFreeHandle(SQL_HANDLE_STMT, statement);
  return rows;
}

}  // namespace

int main(int argc, char** argv) {
  std::string path = argc > 1 ? argv[1] : "/tmp/vorn_odbc_bench.db";
  TOdbcEnv env;
  TOdbcConnection connection(&env);
  if (!ConnectBenchFile(connection, path)) return 1;
  if (!FillBenchTable(connection, RowCount)) return 1;

  struct TWay { const char* name; long (*run)(TOdbcConnection&); double best; };
  TWay ways[] = {{"bare ODBC loop", Bare, 1e9},
                 {"TOdbcStatement by number", LayerByNumber, 1e9},
                 {"TOdbcStatement by name", LayerByName, 1e9}};
  for (int round = 0; round < 5; ++round) {
    for (TWay& way : ways) {
      auto start = std::chrono::steady_clock::now();
      long rows = way.run(connection);
      way.best = std::min(way.best, Ms(start));
      if (rows != RowCount) {
        printf("%s: %ld rows\n", way.name, rows);
        return 1;
      }
    }
  }
  printf("%-26s %10s %8s\n", "fetch of 100,000 x 5", "best ms", "ratio");
  for (const TWay& way : ways) printf("%-26s %10.1f %8.2f\n", way.name, way.best, way.best / ways[0].best);
  return 0;
}

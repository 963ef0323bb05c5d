// A record list over 10,000, 100,000 or 1,000,000 rows of a SQLite file, walked forwards
// (every row fetched), backwards and at random (rows cut down by the record cache and
// read again by key), against a bare ODBC loop over the same query. Reports the time
// per row and the peak working set of the process; the memory is to stay bounded by
// the cache apart from the key texts of cut-down rows, the forward walk within 2x of
// the bare loop.
// Arguments: rows (10000, 100000 or 1000000; default all three, one process each is
// better for the peak), the Unix path of the file (default /tmp/vorn_reclist_bench.db).
#include <windows.h>
#define PSAPI_VERSION 2
#include <psapi.h>

#include <sql.h>
#include <sqlext.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>

#include "data/core/strings.h"
#include "data/db/database.h"
#include "data/db/odbc.h"
#include "data/db/odbcstatement.h"
#include "data/db/reccache.h"
#include "data/db/reclist.h"
#include "data/core/waitcursor.h"
#include "data/model/model.h"
#include "data/model/settings.h"
#include "bench_table.h"

namespace {

const int TableRows = 1000000;
const int SampleSteps = 20000;  // rows visited by the backward and random walks

using TClock = std::chrono::steady_clock;

double Us(TClock::time_point start) {
  return std::chrono::duration<double, std::micro>(TClock::now() - start).count();
}

struct TMemory {
  double peakMb;
  double workingSetMb;
};

TMemory Memory() {
  PROCESS_MEMORY_COUNTERS counters{};
  counters.cb = sizeof counters;
  GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
  return {counters.PeakWorkingSetSize / 1048576.0, counters.WorkingSetSize / 1048576.0};
}

std::string Query(int rows) {
  return "WHERE ID < " + std::to_string(rows) + " ORDER BY ID";
}

double BareFetch(TOdbcConnection& connection, int rows) {
  std::string sql = "SELECT ID,NAME,CITY,AMOUNT,QTY FROM BENCH " + Query(rows);
  auto start = TClock::now();
  SQLHSTMT statement;
  SQLAllocHandle(SQL_HANDLE_STMT, connection.Handle(), &statement);
  SQLExecDirect(statement, (SQLCHAR*)sql.c_str(), SQL_NTS);
  char buffer[5][64];
  SQLLEN indicator;
  long count = 0;
  while (SQLFetch(statement) == SQL_SUCCESS) {
    for (int c = 0; c < 5; ++c) SQLGetData(statement, c + 1, SQL_C_CHAR, buffer[c], sizeof buffer[c], &indicator);
    ++count;
  }
  SQLFreeHandle(SQL_HANDLE_STMT, statement);
  double us = Us(start);
  if (count != rows) printf("bare loop: %ld rows\n", count);
  return us / rows;
}

bool Check(TDBRecord* record, int i) {
  if (record && atoi(record->GetValue("ID")) == i) return true;
  printf("row %d: %s\n", i, record ? record->GetValue("ID") : "missing");
  return false;
}

int Run(TOdbcConnection& connection, int rows) {
  double bare = 1e9;
  for (int round = 0; round < 3; ++round) bare = std::min(bare, BareFetch(connection, rows));
  TMemory base = Memory();

  // Best of three lists, as the bare loop; the last one is walked on.
  TDBRecList* lists[3] = {};
  double select = 1e18, forward = 1e18;
  TMemory walked{};
  for (int round = 0; round < 3; ++round) {
    delete lists[round ? round - 1 : 0];
    lists[round] = new TDBRecList("BENCH");
    auto start = TClock::now();
    lists[round]->SelectWhere(Query(rows).c_str(), "", nullptr);
    select = std::min(select, Us(start));
    start = TClock::now();
    for (int i = 0; i < rows; ++i)
      if (!Check(lists[round]->GetRecord(i), i)) return 1;
    forward = std::min(forward, Us(start) / rows);
    if (lists[round]->HasMore() || lists[round]->Count() != rows) return 1;
    if (round == 0) walked = Memory();
  }
  TDBRecList& list = *lists[2];

  int steps = std::min(rows, SampleSteps);
  auto start = TClock::now();
  for (int n = 0; n < steps; ++n)
    if (!Check(list.GetRecord(rows - 1 - n), rows - 1 - n)) return 1;
  double backward = Us(start) / steps;

  std::mt19937 random(rows);
  start = TClock::now();
  for (int n = 0; n < steps; ++n) {
    int i = int(random() % rows);
    if (!Check(list.GetRecord(i), i)) return 1;
  }
  double atRandom = Us(start) / steps;

  // Where a read by key goes: its connection, its wait cursor, its statement.
  const int reads = 2000;
  start = TClock::now();
  for (int n = 0; n < reads; ++n) TOdbcConnection opened(OdbcEnvironment, 1, DatabaseName);
  double connect = Us(start) / reads;
  start = TClock::now();
  for (int n = 0; n < reads; ++n) TWaitCursor wait;
  double cursor = Us(start) / reads;
  TDBRecord* record = NewDBRecord("BENCH");
  start = TClock::now();
  for (int n = 0; n < reads; ++n) {
    record->SetValue("ID", std::to_string(int(random() % rows)).c_str());
    record->Read();
  }
  double read = Us(start) / reads;
  delete record;
  delete lists[2];
  TMemory end = Memory();

  printf("%7d rows: bare loop %.2f us/row; list forward %.2f us/row (%.2fx; query %.1f ms), "
         "backward %.1f us/row, random %.1f us/row\n",
         rows, bare, forward, forward / bare, select / 1000, backward, atRandom);
  printf("%13s read by key %.1f us: connection %.2f us, wait cursor %.1f us, statement %.1f us\n", "", read,
         connect, cursor, read - connect - cursor);
  printf("%13s working set %.1f MB before the list, %.1f MB after the forward walk (%.1f bytes per "
         "cut-down row), peak %.1f MB\n",
         "", base.workingSetMb, walked.workingSetMb,
         (walked.workingSetMb - base.workingSetMb) * 1048576.0 / rows, end.peakMb);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  int only = argc > 1 ? atoi(argv[1]) : 0;
  std::string path = argc > 2 ? argv[2] : "/tmp/vorn_reclist_bench.db";
  OdbcEnvironment = new TOdbcEnv;
  DatabaseName[0] = '\0';
  TOdbcConnection* connection = new TOdbcConnection(OdbcEnvironment);
  if (!ConnectBenchFile(*connection, path, ODBC_KEEP_AUTOCOMMIT) || !KeepOrFillBenchTable(*connection, TableRows))
    return 1;
  BuildBenchModel(true);
  // The first connection made again from the remembered string, timed on its own.
  auto first = TClock::now();
  { TOdbcConnection warm(OdbcEnvironment, 1, DatabaseName); }
  printf("first connection made again: %.1f ms\n", Us(first) / 1000);
  RecListCacheSize = 1024;
  AllocRecListCache();
  printf("record cache of %d slots; %d steps backwards and at random\n", RecListCacheSize, SampleSteps);
  int result = 0;
  for (int rows : {10000, 100000, 1000000})
    if (!only || only == rows) result |= Run(*connection, rows);
  delete connection;
  FreeGlobalCaches();
  TheModel.Clear();
  delete OdbcEnvironment;
  return result;
}

// What the benchmarks share: the table BENCH(ID, NAME, CITY, AMOUNT, QTY) filled with rows
// numbered from 0 or BENCH(ID, NAME, CITY, QTY) empty, its entity in the program's model,
// the SQLite (or PostgreSQL) connection of the program's connection plan, a timer and
// plain statements.
#pragma once

#include <chrono>
#include <cstdio>
#include <string>

#include "data/core/strings.h"
#include "data/db/connectstrings.h"
#include "data/db/odbc.h"
#include "data/db/odbcstatement.h"
#include "data/model/model.h"

// Milliseconds since start.
inline double Ms(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

// Where a benchmark's "file" names a PostgreSQL server instead: "postgresql:PORT", the
// database vorn_test of user postgres on the loopback address (as the test session
// starts it: source tools/session.sh; session_start_postgres).
const char* const BenchPostgresPrefix = "postgresql:";

// The connect string the program's connection plan makes for the SQLite file (a Unix
// path; a name without ".db" gets it), the one that may create the file; or for the
// PostgreSQL database named as above.
inline std::string BenchConnectString(const std::string& file) {
  const std::string postgres = BenchPostgresPrefix;
  if (file.compare(0, postgres.size(), postgres) == 0) {
    TNetworkSettings settings;
    settings.driver = "PostgreSQL ANSI";
    settings.server = "127.0.0.1:" + file.substr(postgres.size());
    settings.database = "vorn_test";
    settings.user = "postgres";
    settings.trusted = false;
    TConnectPlan plan = PlanConnection(settings, "");
    if (!plan.error.empty()) printf("connect: %s\n", plan.error.c_str());
    return plan.databaseConnect;
  }
  // Wine's drive Z: is the Unix root.
  std::string windowsPath = "Z:" + file;
  for (char& c : windowsPath)
    if (c == '/') c = '\\';
  const std::string suffix = ".db";
  if (windowsPath.size() > suffix.size() && windowsPath.compare(windowsPath.size() - suffix.size(), suffix.size(), suffix) == 0)
    windowsPath.erase(windowsPath.size() - suffix.size());
  TNetworkSettings settings;
  settings.driver = "SQLite3";
  settings.database = windowsPath;
  TConnectPlan plan = PlanConnection(settings, "");
  if (!plan.error.empty()) printf("connect: %s\n", plan.error.c_str());
  return plan.createConnect;
}

// Connects to the SQLite file (a Unix path) or the PostgreSQL database as the program does; false, with the driver's
// message printed, when it cannot.
inline bool ConnectBenchFile(TOdbcConnection& connection, const std::string& file, unsigned long flags = 0) {
  const std::string connect = BenchConnectString(file);
  if (!connect.empty() && SQL_SUCCEEDED(connection.DriverConnect(connect.c_str(), flags))) return true;
  printf("connect: %s\n", connection.GetDiagMessage());
  return false;
}

// Runs the statement directly; false, with the driver's message printed, when it failed.
inline bool Exec(TOdbcConnection& connection, const char* sql) {
  TOdbcStatement statement(&connection);
  SQLRETURN rc = statement.ExecDirect(sql);
  if (!SQL_SUCCEEDED(rc) && rc != SQL_NO_DATA) {
    printf("%s: %s\n", sql, statement.GetDiagMessage());
    return false;
  }
  return true;
}

// A new empty table BENCH(ID key, NAME, CITY, QTY): the entity BuildBenchModel(false) makes.
inline bool EmptyKeyedBenchTable(TOdbcConnection& connection) {
  return Exec(connection, "DROP TABLE IF EXISTS BENCH") &&
         Exec(connection, "CREATE TABLE BENCH (ID INTEGER PRIMARY KEY, NAME VARCHAR(30), CITY VARCHAR(30), QTY INTEGER)");
}

// A new table BENCH with the rows, written in one transaction.
inline bool FillBenchTable(TOdbcConnection& connection, int rows) {
  TOdbcStatement statement(&connection);
  statement.ExecDirect("DROP TABLE IF EXISTS BENCH");
  if (!SQL_SUCCEEDED(statement.ExecDirect("CREATE TABLE BENCH (ID INTEGER, NAME VARCHAR(30), "
                                          "CITY VARCHAR(30), AMOUNT DOUBLE PRECISION, QTY INTEGER)")))
    return false;
  connection.SetAutoCommit(false);
  statement.Prepare("INSERT INTO BENCH (ID, NAME, CITY, AMOUNT, QTY) VALUES (?, ?, ?, ?, ?)");
  statement.BindParameter(0, SQL_INTEGER, 10, 0, "0");
  statement.BindParameter(1, SQL_VARCHAR, 30, 0, "");
  statement.BindParameter(2, SQL_VARCHAR, 30, 0, "");
  statement.BindParameter(3, SQL_DOUBLE, 15, 0, "0");
  statement.BindParameter(4, SQL_INTEGER, 10, 0, "0");
  char text[64];
  for (int i = 0; i < rows; ++i) {
    snprintf(text, sizeof text, "%d", i);
    statement.SetParameter(0, text);
    snprintf(text, sizeof text, "Customer number %d", i);
    statement.SetParameter(1, text);
    statement.SetParameter(2, i % 2 ? "Ljubljana" : "Maribor");
    snprintf(text, sizeof text, "%d.25", i);
    statement.SetParameter(3, text);
    snprintf(text, sizeof text, "%d", i % 97);
    statement.SetParameter(4, text);
    if (!SQL_SUCCEEDED(statement.Execute())) {
      printf("insert: %s\n", statement.GetDiagMessage());
      return false;
    }
  }
  connection.Commit();
  connection.SetAutoCommit(true);
  return true;
}

// The table BENCH with exactly that many rows, read again by key (a unique index on ID):
// kept from an earlier run when it has them, else written anew.
inline bool KeepOrFillBenchTable(TOdbcConnection& connection, int rows) {
  TOdbcStatement statement(&connection);
  if (SQL_SUCCEEDED(statement.ExecDirect("SELECT COUNT(*) FROM BENCH")) && statement.Fetch() == SQL_SUCCESS &&
      statement.GetLong(0) == rows)
    return true;
  statement.CloseCursor();
  return FillBenchTable(connection, rows) &&
         SQL_SUCCEEDED(statement.ExecDirect("CREATE UNIQUE INDEX BENCH_ID ON BENCH (ID)"));
}

// The program's model of one entity BENCH, linked as the model-file reader leaves it: ID
// (the key), NAME, CITY, AMOUNT when asked for (the table above has it), and QTY.
inline void BuildBenchModel(bool withAmount) {
  struct TColumn {
    const char* name;
    const char* caption;
    const char* type;
  };
  const TColumn all[] = {{"ID", "Number", "INTEGER"},
                         {"NAME", "Name", "VARCHAR(30)"},
                         {"CITY", "City", "VARCHAR(30)"},
                         {"AMOUNT", "Amount", "DOUBLE PRECISION"},
                         {"QTY", "Quantity", "INTEGER"}};
  TheModel.Clear();
  TheModel.EntityCount = TheModel.EntityCapacity = 1;
  TheModel.Entities = new TEntity[1];
  TEntity& entity = TheModel.Entities[0];
  ReplaceString(&entity.Name, "BENCH");
  ReplaceString(&entity.Caption, "Bench");
  entity.AttributeCapacity = 5;
  entity.Attributes = new TAttribute[5];
  entity.AttributeCount = 0;
  for (const TColumn& column : all) {
    if (!withAmount && column.name[0] == 'A') continue;
    TAttribute& attribute = entity.Attributes[entity.AttributeCount++];
    ReplaceString(&attribute.Name, column.name);
    ReplaceString(&attribute.Caption, column.caption);
    ReplaceString(&attribute.SqlTypeText, column.type);
  }
  entity.Attributes[0].KeyPart = 1;
  TheModel.LinkAndValidate();
}

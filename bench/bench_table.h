// The table BENCH(ID, NAME, CITY, AMOUNT, QTY) that the ODBC benchmarks read, filled
// with rows numbered from 0 in one transaction.
#pragma once

#include <cstdio>

#include "data/db/odbc.h"
#include "data/db/odbcstatement.h"

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

// Runs the database step of start-up on its own, as the program does, in the current
// folder (a copy of the sample application):
//   shell_database_step <report file>
// Loads "vorn.dmd", reads the application INI, runs the step, and writes to the report
// file (kept outside the application's folder) what came of it:
//   result=<1 connected, 0 the program would end>
//   status=<the last status text>
//   database=<the database the later connections reach>
//   service manager=<the times the SQL Server service manager was started>
//   report program=<the command line the report program would be started with>
// Exit code 0 when connected, 1 when the step ended the program, 2 without a model.
#include <windows.h>

#include <cstdio>
#include <string>

#include "data/db/database.h"
#include "data/db/dialect.h"
#include "data/db/odbc.h"
#include "data/db/odbcstatement.h"
#include "data/model/dmdreader.h"
#include "data/model/model.h"
#include "data/model/settings.h"
#include "shell/appwindow.h"
#include "shell/dbconnect.h"
#include "shell/reportlib.h"

namespace {

int serviceManagerStarts = 0;

// The database the connections made again from the environment reach.
std::string ReachedDatabase() {
  TOdbcConnection connection(OdbcEnvironment, 1, DatabaseName);
  if (!connection.IsConnected()) return std::string("<no connection: ") + connection.GetDiagMessage() + ">";
  TOdbcStatement statement(&connection);
  const char* sql = connection.Dialect().Kind() == TSqlDialect::PostgreSQL ? "SELECT current_database()"
                                                                              : "PRAGMA database_list";
  if (!SQL_SUCCEEDED(statement.ExecDirect(sql)) || statement.Fetch() != SQL_SUCCESS) return "<no answer>";
  char name[1024] = "";
  statement.GetData(connection.Dialect().Kind() == TSqlDialect::PostgreSQL ? 0 : 2, name, sizeof name);
  return name;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  if (!LoadModelFile(TheModel, "vorn.dmd")) return 2;
  ApplyModelParameters();
  char folder[MAX_PATH];
  GetCurrentDirectoryA(sizeof folder, folder);
  const std::string iniPath = std::string(folder) + "\\" + TheModel.ModelName + ".INI";
  ReadApplicationIni(iniPath.c_str());
  StartServiceManager = [] { ++serviceManagerStarts; };

  bool connected = OpenApplicationDatabase(iniPath, folder);

  FILE* report = fopen(argv[1], "w");
  if (report) {
    fprintf(report, "result=%d\n", connected ? 1 : 0);
    fprintf(report, "status=%s\n", GetStatusText());
    fprintf(report, "database=%s\n", connected ? ReachedDatabase().c_str() : "");
    fprintf(report, "service manager=%d\n", serviceManagerStarts);
    fprintf(report, "report program=%s\n", connected ? ReportCommandLine("r.rpt").c_str() : "");
    fclose(report);
  }
  delete OdbcEnvironment;
  OdbcEnvironment = nullptr;
  return connected ? 0 : 1;
}

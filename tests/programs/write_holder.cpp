// Another program writing to the database: runs one statement in a transaction of its own,
// then commits at once or holds its locks a while and rolls back.
// Arguments: ODBC connection string, statement, milliseconds to hold (0: commit at once),
// the file it writes "locked" into once the statement holds its locks.
// Exit code 0 when the statement ran (and, without a hold, was committed), else 3.
#include <windows.h>

#include <cstdio>
#include <cstdlib>

#include "data/db/odbc.h"
#include "data/db/odbcstatement.h"

int main(int argc, char** argv) {
  if (argc != 5) {
    fprintf(stderr, "usage: write_holder connect-string statement hold-ms ready-file\n");
    return 2;
  }
  const int holdMs = atoi(argv[3]);
  TOdbcEnv env;
  TOdbcConnection connection(&env);
  if (!SQL_SUCCEEDED(connection.DriverConnect(argv[1], 0)) || !SQL_SUCCEEDED(connection.SetAutoCommit(false))) {
    fprintf(stderr, "connect: %s\n", connection.GetDiagMessage());
    return 3;
  }
  bool ran;
  {
    TOdbcStatement statement(&connection);
    ran = SQL_SUCCEEDED(statement.ExecDirect(argv[2]));
    if (!ran) fprintf(stderr, "%s: %s\n", argv[2], statement.GetDiagMessage());
  }
  if (ran && holdMs > 0) {
    if (FILE* ready = fopen(argv[4], "w")) {
      fputs("locked\n", ready);
      fclose(ready);
    }
    Sleep(holdMs);
    connection.Rollback();
    return 0;
  }
  if (!ran || !SQL_SUCCEEDED(connection.Commit())) {
    connection.Rollback();
    return 3;
  }
  return 0;
}

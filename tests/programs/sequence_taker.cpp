// Takes numbers from a table sequence, as the program does, and writes them one a line.
// Arguments: ODBC connection string, table name, how many numbers, output file.
#include <windows.h>

#include <cstdio>
#include <cstdlib>

#include "data/db/database.h"
#include "data/db/odbc.h"
#include "data/db/sequence.h"

int main(int argc, char** argv) {
  if (argc != 5) {
    fprintf(stderr, "usage: sequence_taker connect-string table count output\n");
    return 2;
  }
  TOdbcEnv env;
  {
    TOdbcConnection first(&env);
    if (!SQL_SUCCEEDED(first.DriverConnect(argv[1], ODBC_KEEP_AUTOCOMMIT))) {
      fprintf(stderr, "connect: %s\n", first.GetDiagMessage());
      return 3;
    }
  }
  OdbcEnvironment = &env;
  FILE* out = fopen(argv[4], "w");
  if (!out) return 4;
  int count = atoi(argv[3]);
  for (int i = 0; i < count; ++i) fprintf(out, "%ld\n", NextSequence(argv[2]));
  fclose(out);
  return 0;
}

// Record operations in a process of their own:
//   record_probe entity NAME                    makes a record of an entity the model lacks
//   record_probe count CONNECT ORDER N OUTPUT   takes N line numbers of the order's counter
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "data/db/database.h"
#include "data/db/odbc.h"
#include "data/db/record.h"
#include "data/db/sequence.h"
#include "data/model/model.h"
#include "support/record_test_db.h"

int main(int argc, char** argv) {
  if (argc == 3 && strcmp(argv[1], "entity") == 0) {
    delete NewDBRecord(argv[2]);
    return 0;
  }
  if (argc != 6 || strcmp(argv[1], "count") != 0) return 2;
  TOdbcEnv env;
  {
    TOdbcConnection first(&env);
    if (!SQL_SUCCEEDED(first.DriverConnect(argv[2], ODBC_KEEP_AUTOCOMMIT))) return 3;
  }
  OdbcEnvironment = &env;
  BuildModel(TheModel, CounterModel());
  TheModel.LinkAndValidate();
  FILE* out = fopen(argv[5], "w");
  if (!out) return 4;
  TDBRecord line("LINES");
  line.SetNewValue("ORDER_ID", argv[3]);
  for (int i = atoi(argv[4]); i > 0; --i) fprintf(out, "%ld\n", UpdateFieldLocked(&line, "order", "LAST_LINE"));
  fclose(out);
  return 0;
}

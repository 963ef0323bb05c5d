// Importing a text file of 100,000 rows into a SQLite table through the import run
// (split, convert, insert through TDBRecord) against inserting the same rows through
// TDBRecord alone. The import is to take at most twice the time of the records alone.
// Arguments: the Unix path of the database file (default /tmp/vorn_import_bench.db) and
// the Windows path of the text file it writes (default C:\vorn_import_bench.csv).
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <string>

#include "bench_table.h"
#include "data/db/database.h"
#include "data/db/record.h"
#include "data/model/model.h"
#include "shell/importrun.h"
#include "shell/importtemplate.h"

namespace {

const int Count = 100000;

const char* City(int i) { return i % 2 ? "Ljubljana" : "Maribor"; }

bool WriteFile(const std::string& path) {
  FILE* file = fopen(path.c_str(), "w");
  if (!file) return false;
  fprintf(file, "Number,Name,City,Quantity\n");
  for (int i = 0; i < Count; ++i) fprintf(file, "%d,\"Customer %d\",%s,7\n", i, i, City(i));
  return fclose(file) == 0;
}

bool RecordsAlone() {
  char text[64];
  TDBRecord record("BENCH");
  for (int i = 0; i < Count; ++i) {
    record.Reset();
    snprintf(text, sizeof text, "%d", i);
    record.SetNewValue(0, text);
    snprintf(text, sizeof text, "Customer %d", i);
    record.SetNewValue(1, text);
    record.SetNewValue(2, City(i));
    record.SetNewValue(3, "7");
    record.Insert(CheckParents);
    if (!record.IsOk()) return false;
  }
  return true;
}

bool Import(const std::string& path) {
  TImportTemplate t;
  t.Name = "Bench";
  t.InputFilename = path;
  t.OutputTable = "Bench";
  t.Mappings = {{"Number", "Number"}, {"Name", "Name"}, {"City", "City"}, {"Quantity", "Quantity"}};
  TImportSummary summary = RunImport(t, {});
  return summary.inserted == Count && summary.failed == 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string database = argc > 1 ? argv[1] : "/tmp/vorn_import_bench.db";
  const std::string file = argc > 2 ? argv[2] : "C:\\vorn_import_bench.csv";
  TOdbcEnv env;
  TOdbcConnection connection(&env);
  if (!ConnectBenchFile(connection, database)) return 1;
  OdbcEnvironment = &env;
  BuildBenchModel(false);
  if (!WriteFile(file)) {
    printf("cannot write %s\n", file.c_str());
    return 1;
  }

  if (!EmptyKeyedBenchTable(connection)) return 1;
  auto start = std::chrono::steady_clock::now();
  if (!RecordsAlone()) return printf("records alone failed\n"), 1;
  const double recordsMs = Ms(start);

  if (!EmptyKeyedBenchTable(connection)) return 1;
  start = std::chrono::steady_clock::now();
  if (!Import(file)) return printf("import failed\n"), 1;
  const double importMs = Ms(start);

  printf("%d rows: records alone %.0f ms (%.1f us/row), import %.0f ms (%.1f us/row), import/records %.2f\n", Count,
         recordsMs, recordsMs * 1000 / Count, importMs, importMs * 1000 / Count, importMs / recordsMs);
  DeleteFileA(file.c_str());
  OdbcEnvironment = nullptr;
  TheModel.Clear();
  return importMs <= 2 * recordsMs ? 0 : 2;
}

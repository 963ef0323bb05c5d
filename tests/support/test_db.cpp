// The database test fixtures: a fresh SQLite file and a private PostgreSQL schema per test.
#include "support/test_db.h"

#include "data/db/connectstrings.h"

#include <windows.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>

std::string UnixPath(const std::string& windowsPath) {
  using TWineUnixName = char*(__cdecl*)(const WCHAR*);
  auto convert = reinterpret_cast<TWineUnixName>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
  if (!convert) return windowsPath;  // real Windows: the driver takes the path as it is
  WCHAR wide[MAX_PATH];
  MultiByteToWideChar(CP_ACP, 0, windowsPath.c_str(), -1, wide, MAX_PATH);
  char* unixName = convert(wide);
  if (!unixName) return windowsPath;
  std::string result = unixName;
  HeapFree(GetProcessHeap(), 0, unixName);
  return result;
}

namespace {
void ExecOn(const std::string& connectString, const std::string& sql) {
  TOdbcEnv env;
  TOdbcConnection connection(&env);
  ASSERT_TRUE(SQL_SUCCEEDED(connection.DriverConnect(connectString.c_str(), 0)))
      << connection.GetDiagMessage();
  TOdbcStatement statement(&connection);
  ASSERT_TRUE(SQL_SUCCEEDED(statement.ExecDirect(sql.c_str())) ||
              statement.GetReturnCode() == SQL_NO_DATA)
      << sql << ": " << statement.GetDiagMessage();
}
}  // namespace

namespace {
// The program's connection plan for a database of this kind, as [Network] would name it.
TConnectPlan TestDatabasePlan(const std::string& kind, const std::string& file) {
  TNetworkSettings settings;
  if (kind == "SQLite") {
    settings.driver = "SQLite3";
    settings.database = file;  // the plan adds ".db"
    return PlanConnection(settings, "");
  }
  const char* port = getenv("VORN_PG_PORT");
  settings.driver = "PostgreSQL ANSI";
  settings.server = std::string("127.0.0.1:") + (port ? port : "");
  settings.database = "vorn_test";
  settings.user = "postgres";
  settings.trusted = false;
  return PlanConnection(settings, "");
}
}  // namespace

TTestDatabase::TTestDatabase(const std::string& kind) : kind_(kind) {
  if (kind == "SQLite") {
    TConnectPlan plan = TestDatabasePlan(kind, dir_.File("test"));
    // The first connection makes the file, as a first start of the program does.
    TOdbcEnv env;
    TOdbcConnection create(&env);
    if (!plan.error.empty() || !SQL_SUCCEEDED(create.DriverConnect(plan.createConnect.c_str(), 0))) {
      ADD_FAILURE() << plan.error << create.GetDiagMessage();
      return;
    }
    connectString_ = plan.databaseConnect;
    return;
  }
  const char* port = getenv("VORN_PG_PORT");
  if (!port || !*port) {
    ADD_FAILURE() << "VORN_PG_PORT is not set: run the tests through ./test.sh";
    return;
  }
  TConnectPlan plan = TestDatabasePlan(kind, "");
  if (!plan.error.empty()) {
    ADD_FAILURE() << plan.error;
    return;
  }
  server_ = plan.databaseConnect;
  static std::atomic<int> counter{0};
  char name[64];
  snprintf(name, sizeof name, "t_%lu_%d_%lu", GetCurrentProcessId(), counter++, GetTickCount());
  schema_ = name;
  ExecOn(server_, "CREATE SCHEMA " + schema_);
  // Every connection of the test, reconnects included, works in the private schema.
  connectString_ = server_ + "ConnSettings=SET search_path TO " + schema_ + ";";
}

TTestDatabase::~TTestDatabase() {
  if (!schema_.empty()) ExecOn(server_, "DROP SCHEMA " + schema_ + " CASCADE");
}

void TTestDatabase::Exec(const std::string& sql) const { ExecOn(connectString_, sql); }

std::string TTestDatabase::Query(const std::string& sql) const {
  TOdbcEnv env;
  TOdbcConnection connection(&env);
  if (!SQL_SUCCEEDED(connection.DriverConnect(connectString_.c_str(), 0))) {
    ADD_FAILURE() << connection.GetDiagMessage();
    return "<error>";
  }
  TOdbcStatement statement(&connection);
  if (!SQL_SUCCEEDED(statement.ExecDirect(sql.c_str()))) {
    ADD_FAILURE() << sql << ": " << statement.GetDiagMessage();
    return "<error>";
  }
  if (statement.Fetch() != SQL_SUCCESS) return "<none>";
  char value[8192];
  return statement.GetData(0, value, sizeof value) == SQL_NULL_DATA ? "<null>" : value;
}

void DatabaseTest::SetUp() {
  db_ = new TTestDatabase(GetParam());
  ASSERT_FALSE(db_->ConnectString().empty());
  env_ = new TOdbcEnv;
  // Start-up proves the server once with the driver's own autocommit and keeps the
  // completed connection string for every later connection.
  TOdbcConnection first(env_);
  ASSERT_TRUE(SQL_SUCCEEDED(first.DriverConnect(db_->ConnectString().c_str(), ODBC_KEEP_AUTOCOMMIT)))
      << first.GetDiagMessage();
}

void DatabaseTest::TearDown() {
  delete env_;
  env_ = nullptr;
  delete db_;
  db_ = nullptr;
}

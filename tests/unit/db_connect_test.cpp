// Connect strings of the [Network] settings per driver, reading and saving the settings,
// and proving, opening and creating the database on SQLite and PostgreSQL.
#include <gtest/gtest.h>

#include <windows.h>

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "data/db/connectstrings.h"
#include "data/db/databaseopen.h"
#include "data/db/odbc.h"
#include "data/db/odbcstatement.h"
#include "support/scratch_dir.h"
#include "support/test_db.h"

namespace {

TNetworkSettings Settings(const char* driver, const char* server, const char* database, bool trusted,
                          const char* user = "sa", const char* password = "") {
  TNetworkSettings s;
  s.driver = driver;
  s.server = server;
  s.database = database;
  s.trusted = trusted;
  s.user = user;
  s.password = password;
  return s;
}

struct TPlanCase {
  const char* what;
  TNetworkSettings settings;
  const char* server;
  const char* database;
  const char* exists;
  const char* create;  // the create statements joined with " | "
};

std::string Joined(const std::vector<std::string>& statements) {
  std::string text;
  for (const std::string& s : statements) text += (text.empty() ? "" : " | ") + s;
  return text;
}

TEST(ConnectPlan, ServerStringsAndStatementsPerDriver) {
  TNetworkSettings dsn = Settings("SQL Server", "(local)", "vorn", false, "ann", "pw");
  dsn.dsn = "Office";
  TNetworkSettings dsnBraced = dsn;
  dsnBraced.password = "a;b}";
  const TPlanCase cases[] = {
      {"SQL Server, trusted", Settings("SQL Server", "(local)", "vorn", true),
       "DRIVER={SQL Server};SERVER=(local);Trusted_Connection=Yes;MARS_Connection=yes;",
       "DRIVER={SQL Server};SERVER=(local);Trusted_Connection=Yes;MARS_Connection=yes;", "use vorn",
       "use master | create database vorn"},
      {"SQL Server, user and password", Settings("SQL Server", "srv\\inst", "Sales", false, "ann", "secret"),
       "DRIVER={SQL Server};SERVER=srv\\inst;UID=ann;PWD=secret;MARS_Connection=yes;",
       "DRIVER={SQL Server};SERVER=srv\\inst;UID=ann;PWD=secret;MARS_Connection=yes;", "use Sales",
       "use master | create database Sales"},
      {"SQL Server, values that would add attributes",
       Settings("SQL Server", "a;b", "vorn", false, "x;Trusted_Connection=Yes", "p}w;"),
       "DRIVER={SQL Server};SERVER={a;b};UID={x;Trusted_Connection=Yes};PWD={p}}w;};MARS_Connection=yes;",
       "DRIVER={SQL Server};SERVER={a;b};UID={x;Trusted_Connection=Yes};PWD={p}}w;};MARS_Connection=yes;",
       "use vorn", "use master | create database vorn"},
      {"SQL Server, blanks around a password", Settings("SQL Server", "(local)", "vorn", false, "sa", " pw "),
       "DRIVER={SQL Server};SERVER=(local);UID=sa;PWD={ pw };MARS_Connection=yes;",
       "DRIVER={SQL Server};SERVER=(local);UID=sa;PWD={ pw };MARS_Connection=yes;", "use vorn",
       "use master | create database vorn"},
      {"PostgreSQL, port and password", Settings("PostgreSQL ANSI", "db.example:5433", "Vorn", false, "ann", "pw"),
       "DRIVER={PostgreSQL ANSI};SERVER=db.example;PORT=5433;DATABASE=postgres;UID=ann;PWD=pw;",
       "DRIVER={PostgreSQL ANSI};SERVER=db.example;PORT=5433;DATABASE=vorn;UID=ann;PWD=pw;", "",
       "CREATE DATABASE Vorn"},
      {"PostgreSQL, (local) and trusted", Settings("PostgreSQL Unicode", "(local)", "vorn", true),
       "DRIVER={PostgreSQL Unicode};SERVER=localhost;DATABASE=postgres;",
       "DRIVER={PostgreSQL Unicode};SERVER=localhost;DATABASE=vorn;", "", "CREATE DATABASE vorn"},
      {"PostgreSQL, braced password", Settings("PostgreSQL ANSI", "h,5432", "vorn", false, "ann", "a;b}"),
       "DRIVER={PostgreSQL ANSI};SERVER=h;PORT=5432;DATABASE=postgres;UID=ann;PWD={a;b}}};",
       "DRIVER={PostgreSQL ANSI};SERVER=h;PORT=5432;DATABASE=vorn;UID=ann;PWD={a;b}}};", "",
       "CREATE DATABASE vorn"},
      {"data source", dsn, "DSN=Office;UID=ann;PWD=pw", "DSN=Office;UID=ann;PWD=pw", "", ""},
      {"data source, braced password", dsnBraced, "DSN=Office;UID=ann;PWD={a;b}}}", "DSN=Office;UID=ann;PWD={a;b}}}",
       "", ""},
  };
  for (const TPlanCase& c : cases) {
    SCOPED_TRACE(c.what);
    TConnectPlan plan = PlanConnection(c.settings, "C:\\app");
    EXPECT_EQ(plan.error, "");
    EXPECT_EQ(plan.serverConnect, c.server);
    EXPECT_EQ(plan.databaseConnect, c.database);
    EXPECT_EQ(plan.existsStatement, c.exists);
    EXPECT_EQ(Joined(plan.createStatements), c.create);
    EXPECT_EQ(plan.createConnect, "");
    EXPECT_EQ(plan.CanCreate(), *c.create != '\0');
  }
}

TEST(ConnectPlan, SQLiteIsAFileBesideTheModelThatOnlyOneConnectionCreates) {
  TScratchDir dir("vornplan");
  struct {
    const char* database;
    std::string file;
  } cases[] = {
      {"vorn", dir.File("vorn.db")},
      {"data\\..\\books", dir.File("books.db")},
      {"C:\\elsewhere\\vorn", "C:\\elsewhere\\vorn.db"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.database);
    TConnectPlan plan = PlanConnection(Settings("SQLite3", "(local)", c.database, true), dir.path());
    ASSERT_EQ(plan.error, "");
    EXPECT_EQ(plan.kind, TDriverKind::SQLite);
    EXPECT_EQ(plan.databaseFile, c.file);
    std::string path = DriverFilePath(c.file);
    EXPECT_EQ(plan.serverConnect, "");
    EXPECT_EQ(plan.createConnect, "DRIVER={SQLite3};Database=" + path + ";StepAPI=1;JournalMode=WAL;Timeout=3000;");
    EXPECT_EQ(plan.databaseConnect, "DRIVER={SQLite3};Database=" + path + ";StepAPI=1;JournalMode=WAL;Timeout=3000;NoCreat=1;");
    EXPECT_EQ(plan.existsStatement, "");
    EXPECT_TRUE(plan.createStatements.empty());
  }
  // The driver reads a Windows path as it is on Windows, and its Unix form under Wine,
  // also in a folder that does not exist (yet).
  EXPECT_EQ(DriverFilePath(dir.File("vorn.db")), UnixPath(dir.File("vorn.db")));
  if (UnixPath(dir.path()) != dir.path()) {
    EXPECT_EQ(DriverFilePath(dir.File("new\\sub\\vorn.db")), UnixPath(dir.path()) + "/new/sub/vorn.db");
  }
}

TEST(ConnectPlan, RefusesValuesTheDriverCannotTakeSafely) {
  const struct {
    const char* what;
    TNetworkSettings settings;
    const char* error;
  } cases[] = {
      {"PostgreSQL user", Settings("PostgreSQL ANSI", "h", "vorn", false, "a;DATABASE=x", ""),
       "The user name \"a;DATABASE=x\" holds ';', '{' or '}', which the PostgreSQL driver cannot take."},
      {"PostgreSQL server", Settings("PostgreSQL ANSI", "h;x", "vorn", true),
       "The server name \"h;x\" holds ';', '{' or '}', which the PostgreSQL driver cannot take."},
      {"PostgreSQL database", Settings("PostgreSQL ANSI", "h", "v}", true),
       "The database name \"v}\" holds ';', '{' or '}', which the PostgreSQL driver cannot take."},
      {"database name in statements", Settings("SQL Server", "h", "vorn; drop table x", true),
       "The database name \"vorn; drop table x\" is not a plain name of letters, digits and '_'."},
      {"PostgreSQL database name in statements", Settings("PostgreSQL ANSI", "h", "1vorn", true),
       "The database name \"1vorn\" is not a plain name of letters, digits and '_'."},
      {"SQLite file", Settings("SQLite3", "", "C:\\a;b\\vorn", true), nullptr},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    TConnectPlan plan = PlanConnection(c.settings, "C:\\app");
    if (c.error)
      EXPECT_EQ(plan.error, c.error);
    else
      EXPECT_NE(plan.error.find("which the SQLite driver cannot take"), std::string::npos) << plan.error;
    EXPECT_EQ(plan.serverConnect, "");
    EXPECT_EQ(plan.databaseConnect, "");
    EXPECT_FALSE(plan.CanCreate());
    std::string diagnostic;
    EXPECT_FALSE(ProveServer(nullptr, plan, &diagnostic));
    EXPECT_EQ(diagnostic, plan.error);
  }
}

TEST(ConnectPlan, DriverKindsByName) {
  const struct {
    const char* name;
    TDriverKind kind;
  } cases[] = {{"SQLite3", TDriverKind::SQLite},
               {"sqlite3 odbc driver", TDriverKind::SQLite},
               {"PostgreSQL ANSI", TDriverKind::PostgreSQL},
               {"postgresql unicode(x64)", TDriverKind::PostgreSQL},
               {"SQL Server", TDriverKind::SqlServer},
               {"ODBC Driver 17 for SQL Server", TDriverKind::SqlServer},
               {"", TDriverKind::SqlServer}};
  for (const auto& c : cases) EXPECT_EQ(DriverKindOf(c.name), c.kind) << c.name;
}

TEST(NetworkSettings, ReadWithTheirDefaults) {
  TScratchDir dir("vornini");
  const struct {
    const char* what;
    const char* ini;
    const char* modelUser;
    const char* modelPassword;
    TNetworkSettings expected;
  } cases[] = {
      {"no section", "[General]\r\nShow=1\r\n", "", "", Settings("SQL Server", "(local)", "model", true, "sa", "")},
      {"model's default user and password", "", "owner", "pw",
       Settings("SQL Server", "(local)", "model", true, "owner", "pw")},
      {"model password without a model user", "", "", "pw", Settings("SQL Server", "(local)", "model", true, "sa", "")},
      {"empty user name", "[Network]\r\nUsername=\r\nPassword=x\r\n", "owner", "pw",
       Settings("SQL Server", "(local)", "model", true, "sa", "x")},
      {"all keys",
       "[Network]\r\nUsername=ann\r\nPassword=pw\r\nDriver Name=SQLite3\r\nServer Name=box\r\n"
       "Database=books\r\nTrusted Connection=no\r\n",
       "", "", Settings("SQLite3", "box", "books", false, "ann", "pw")},
      {"trusted in lower case", "[Network]\r\nTrusted Connection=yes\r\n", "", "",
       Settings("SQL Server", "(local)", "model", true)},
      {"overlong user name is cut", "[Network]\r\nUsername=abcdefghijklmnopqrstuvwxyz0123456789\r\n", "", "",
       Settings("SQL Server", "(local)", "model", true, "abcdefghijklmnopqrstuvwxyz01234", "")},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    std::string ini = dir.Write("app.ini", c.ini);
    TNetworkSettings s = ReadNetworkSettings(ini, "model", c.modelUser, c.modelPassword);
    EXPECT_EQ(s.user, c.expected.user);
    EXPECT_EQ(s.password, c.expected.password);
    EXPECT_EQ(s.dsn, "");
    EXPECT_EQ(s.driver, c.expected.driver);
    EXPECT_EQ(s.server, c.expected.server);
    EXPECT_EQ(s.database, c.expected.database);
    EXPECT_EQ(s.trusted, c.expected.trusted);
  }
}

TEST(NetworkSettings, SavedSettingsReadBackAndTrustedForgetsTheCredentials) {
  TScratchDir dir("vornini");
  std::string ini = dir.Write("app.ini", "[Network]\r\nDatabase=books\r\nDriver Name=SQLite3\r\n");
  ASSERT_TRUE(SaveNetworkSettings(ini, Settings("SQLite3", "box", "ignored", false, "ann", "p;w")));
  TNetworkSettings read = ReadNetworkSettings(ini, "model", "", "");
  EXPECT_EQ(read.server, "box");
  EXPECT_FALSE(read.trusted);
  EXPECT_EQ(read.user, "ann");
  EXPECT_EQ(read.password, "p;w");
  EXPECT_EQ(read.database, "books");  // never written
  EXPECT_EQ(read.driver, "SQLite3");

  ASSERT_TRUE(SaveNetworkSettings(ini, Settings("SQLite3", "other", "ignored", true, "ann", "pw")));
  EXPECT_NE(TScratchDir::Read(ini).find("Username=\r\n"), std::string::npos) << TScratchDir::Read(ini);
  read = ReadNetworkSettings(ini, "model", "", "");
  EXPECT_TRUE(read.trusted);
  EXPECT_EQ(read.user, "sa");
  EXPECT_EQ(read.password, "");
}

// Opening and creating the database from the settings of each driver. On PostgreSQL the
// database has a fresh name and is dropped at the end.
class DatabaseOpenTest : public ::testing::TestWithParam<std::string> {
protected:
  void SetUp() override {
    if (GetParam() == "SQLite") {
      settings_ = Settings("SQLite3", "(local)", "vorn", true);
      return;
    }
    const char* port = getenv("VORN_PG_PORT");
    ASSERT_TRUE(port && *port) << "VORN_PG_PORT is not set: run the tests through ./test.sh";
    char name[64];
    snprintf(name, sizeof name, "Vorn_%lu_%lu", GetCurrentProcessId(), GetTickCount());
    settings_ = Settings("PostgreSQL ANSI", (std::string("127.0.0.1:") + port).c_str(), name, false, "postgres", "");
    dropName_ = name;
  }
  void TearDown() override {
    env_.reset();
    if (dropName_.empty()) return;
    TOdbcEnv env;
    TOdbcConnection connection(&env);
    ASSERT_TRUE(SQL_SUCCEEDED(connection.DriverConnect(getenv("VORN_PG_CONNECT"), 0)));
    TOdbcStatement statement(&connection);
    statement.ExecDirect(("DROP DATABASE IF EXISTS " + dropName_).c_str());
  }
  bool IsPostgres() const { return GetParam() == "PostgreSQL"; }
  // The first column of the first row on a connection made again from the environment.
  std::string Query(const char* sql) {
    TOdbcConnection connection(env_.get(), 1);
    EXPECT_TRUE(connection.IsConnected()) << connection.GetDiagMessage();
    TOdbcStatement statement(&connection);
    EXPECT_TRUE(SQL_SUCCEEDED(statement.ExecDirect(sql))) << sql << ": " << statement.GetDiagMessage();
    char value[256] = "";
    if (statement.Fetch() == SQL_SUCCESS) statement.GetData(0, value, sizeof value);
    return value;
  }
  TScratchDir dir_{"vornopen"};
  TNetworkSettings settings_;
  std::string dropName_;
  std::unique_ptr<TOdbcEnv> env_ = std::make_unique<TOdbcEnv>();
};


TEST_P(DatabaseOpenTest, AMissingDatabaseIsFoundMissingThenCreatedAndReachedByLaterConnections) {
  TConnectPlan plan = PlanConnection(settings_, dir_.path());
  ASSERT_EQ(plan.error, "");
  std::string diagnostic;
  ASSERT_TRUE(ProveServer(env_.get(), plan, &diagnostic)) << diagnostic;

  EXPECT_FALSE(OpenDatabase(env_.get(), plan, &diagnostic));
  EXPECT_NE(diagnostic, "");
  // Looking for the database leaves nothing behind.
  EXPECT_EQ(TScratchDir::Names(dir_.path()), std::vector<std::string>{});

  ASSERT_TRUE(CreateDatabase(env_.get(), plan, &diagnostic)) << diagnostic;
  std::string remembered = env_->RememberedConnectString();
  if (IsPostgres()) {
    // The server folds the new name to lower case; the connections name it so.
    std::string folded = dropName_;
    for (char& c : folded) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
    EXPECT_EQ(Query("SELECT current_database()"), folded);
  } else {
    EXPECT_EQ(TScratchDir::Names(dir_.path()), std::vector<std::string>{"vorn.db"});
    EXPECT_NE(remembered.find("NoCreat=1"), std::string::npos) << remembered;
  }
  Query("CREATE TABLE made_here (id INTEGER)");

  // A later start finds it, and the remembered connection reaches the same database.
  env_ = std::make_unique<TOdbcEnv>();
  ASSERT_TRUE(ProveServer(env_.get(), plan, &diagnostic)) << diagnostic;
  ASSERT_TRUE(OpenDatabase(env_.get(), plan, &diagnostic)) << diagnostic;
  EXPECT_EQ(Query("SELECT COUNT(*) FROM made_here"), "0");
  if (!IsPostgres()) {
    // The write-ahead log beside the file goes with the last connection.
    env_->CloseIdleConnections();
    EXPECT_EQ(TScratchDir::Names(dir_.path()), std::vector<std::string>{"vorn.db"});
  }
}

TEST_P(DatabaseOpenTest, APasswordHoldingSeparatorsAddsNoAttribute) {
  if (!IsPostgres()) GTEST_SKIP() << "SQLite takes no password";
  // Unbraced, the tail would name another database; the test server trusts every login,
  // so the password itself is not checked.
  settings_.password = "x;DATABASE=postgres";
  TConnectPlan plan = PlanConnection(settings_, dir_.path());
  std::string diagnostic;
  ASSERT_TRUE(ProveServer(env_.get(), plan, &diagnostic)) << diagnostic;
  ASSERT_TRUE(CreateDatabase(env_.get(), plan, &diagnostic)) << diagnostic;
  EXPECT_NE(Query("SELECT current_database()"), "postgres");
}

TEST_P(DatabaseOpenTest, AnUnreachableServerIsReportedWithTheDriversMessage) {
  if (IsPostgres())
    settings_.server = "127.0.0.1:1";
  else
    settings_.database = "no_such_folder\\vorn";
  TConnectPlan plan = PlanConnection(settings_, dir_.path());
  std::string diagnostic;
  bool reached = ProveServer(env_.get(), plan, &diagnostic) && OpenDatabase(env_.get(), plan, &diagnostic);
  EXPECT_FALSE(reached);
  EXPECT_NE(diagnostic, "");
  if (!IsPostgres()) {
    // Nothing is made, neither in the model folder nor in the folder the program runs in.
    std::vector<std::string> here = TScratchDir::Names(".");
    EXPECT_FALSE(CreateDatabase(env_.get(), plan, &diagnostic));
    EXPECT_EQ(TScratchDir::Names(dir_.path()), std::vector<std::string>{});
    EXPECT_EQ(TScratchDir::Names("."), here);
  }
}

INSTANTIATE_TEST_SUITE_P(Databases, DatabaseOpenTest, ::testing::Values(std::string("SQLite"), std::string("PostgreSQL")),
                         [](const ::testing::TestParamInfo<std::string>& info) { return info.param; });

}  // namespace

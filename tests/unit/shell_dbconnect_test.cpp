// The database step of start-up, run by a program of its own on a copy of the sample
// application: a first start creates the database from the scripts after asking, a
// second start asks nothing; an unreachable server leads to the connection dialog.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <string>
#include <vector>

#include "data/db/odbc.h"
#include "data/db/odbcstatement.h"
#include "shell/databaseids.h"
#include "support/dialog_watcher.h"
#include "support/scratch_dir.h"
#include "support/test_db.h"

namespace {

const char* const SampleFiles[] = {"vorn.dmd", "VORN.INI", "vorn.sql", "utables.sql"};
// The tables the creation scripts make, and the rows they seed (the sample's customers,
// products, contacts, orders and their lines, its two users and their rights).
const struct {
  const char* name;
  const char* rows;
} AllTables[] = {{"CUSTOMER", "8"}, {"PRODUCT", "6"}, {"CONTACT", "5"},          {"ORDERS", "5"},
                 {"ORDER_LINE", "8"}, {"SEQNUM", "0"}, {"URIGHTS", "9"},         {"UserIds", "2"},
                 {"User_Preferences", "0"}, {"Company", "0"}};


std::vector<std::string> Sorted(std::vector<std::string> names) {
  std::sort(names.begin(), names.end());
  return names;
}

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
  return text;
}

// The first column of the first row, on a connection of its own.
std::string QueryOn(const std::string& connect, const std::string& sql) {
  TOdbcEnv env;
  TOdbcConnection connection(&env);
  if (!SQL_SUCCEEDED(connection.DriverConnect(connect.c_str(), 0))) return "<no connection>";
  TOdbcStatement statement(&connection);
  if (!SQL_SUCCEEDED(statement.ExecDirect(sql.c_str())) || statement.Fetch() != SQL_SUCCESS) return "<none>";
  char value[1024] = "";
  statement.GetData(0, value, sizeof value);
  return value;
}

std::string ControlText(HWND dialog, int id) {
  char text[256] = "";
  SendMessageA(GetDlgItem(dialog, id), WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text));
  return text;
}

void SetControlText(HWND dialog, int id, const std::string& text) {
  SendMessageA(GetDlgItem(dialog, id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

std::string IniValue(const std::string& ini, const char* key) {
  char value[256] = "";
  GetPrivateProfileStringA("Network", key, "<absent>", value, sizeof value, ini.c_str());
  return value;
}

class DatabaseStepTest : public ::testing::Test {
protected:
  void SetUp() override {
    for (const char* name : SampleFiles)
      ASSERT_TRUE(CopyFileA((std::string(VORN_SOURCE_DIR "/sample/") + name).c_str(), app_.File(name).c_str(), FALSE))
          << name;
  }
  void TearDown() override {
    if (dropDatabase_.empty()) return;
    TOdbcEnv env;
    TOdbcConnection connection(&env);
    if (!SQL_SUCCEEDED(connection.DriverConnect(getenv("VORN_PG_CONNECT"), 0))) return;
    TOdbcStatement statement(&connection);
    statement.ExecDirect(("DROP DATABASE IF EXISTS " + dropDatabase_).c_str());
  }

  std::string Ini() const { return app_.File("VORN.INI"); }
  void SetIni(const char* key, const std::string& value) {
    WritePrivateProfileStringA("Network", key, value.c_str(), Ini().c_str());
  }
  // The application INI of a PostgreSQL server; port "" is the test server's.
  void UsePostgres(const std::string& database, const std::string& port = "") {
    const char* testPort = getenv("VORN_PG_PORT");
    ASSERT_TRUE(testPort && *testPort) << "VORN_PG_PORT is not set: run the tests through ./test.sh";
    SetIni("Driver Name", "PostgreSQL ANSI");
    SetIni("Server Name", "127.0.0.1:" + (port.empty() ? std::string(testPort) : port));
    SetIni("Database", database);
    SetIni("Trusted Connection", "N");
    SetIni("Username", "postgres");
  }
  std::string PostgresConnect(const std::string& database) const {
    return std::string("DRIVER={PostgreSQL ANSI};SERVER=127.0.0.1;PORT=") + getenv("VORN_PG_PORT") +
           ";DATABASE=" + database + ";UID=postgres;PWD=;";
  }
  std::string FreshDatabaseName() {
    char name[64];
    snprintf(name, sizeof name, "VornStep_%lu_%lu", GetCurrentProcessId(), GetTickCount());
    dropDatabase_ = Lower(name);
    return name;
  }

  void Start(TChild& child) {
    DeleteFileA(out_.File("report.txt").c_str());
    ASSERT_TRUE(StartChild(child, "\"" + TestProgramPath("shell_database_step") + "\" \"" + out_.File("report.txt") + "\"",
                           app_.path().c_str()));
  }
  // The value of a line "key=value" of the program's report.
  std::string Report(const char* key) const {
    std::string text = TScratchDir::Read(out_.File("report.txt"));
    std::string prefix = std::string(key) + "=";
    for (size_t start = 0, end; start < text.size(); start = end + 1) {
      end = text.find('\n', start);
      if (end == std::string::npos) end = text.size();
      std::string line = text.substr(start, end - start);
      if (!line.empty() && line.back() == '\r') line.pop_back();
      if (line.rfind(prefix, 0) == 0) return line.substr(prefix.size());
    }
    return "<absent>";
  }
  // Both creation logs hold every statement followed by "Success", and nothing else.
  void ExpectLogsSuccessOnly() {
    const struct {
      const char* log;
      int statements;
    } logs[] = {{"vorn.log", 37}, {"utables.log", 16}};
    for (const auto& l : logs) {
      std::string text = TScratchDir::Read(app_.File(l.log));
      EXPECT_EQ(text.find("Error Returned"), std::string::npos) << l.log << ":\n" << text;
      int successes = 0;
      for (size_t at = 0; (at = text.find("\nSuccess\r\n", at)) != std::string::npos; ++at) ++successes;
      EXPECT_EQ(successes, l.statements) << l.log << ":\n" << text;
    }
  }

  TScratchDir app_{"vornapp"};
  TScratchDir out_{"vornreport"};
  std::string dropDatabase_;
};

TEST_F(DatabaseStepTest, FirstStartOnSQLiteCreatesTheDatabaseAndTheSecondAsksNothing) {
  TChild first;
  Start(first);
  TWatchedDialog box = WatchAndPress(first.pid(), "No database found", IDYES, 30000);
  ASSERT_TRUE(box.found);
  EXPECT_EQ(box.icon, TBoxIcon::Exclamation);
  EXPECT_NE(box.text.find("You are connected to the database server (local), but the vorn database does not exist!"),
            std::string::npos)
      << box.text;
  EXPECT_NE(box.text.find("Would you like to create the database vorn from the source script files?"),
            std::string::npos);
  ASSERT_EQ(first.Wait(60000), 0);
  EXPECT_EQ(Report("result"), "1");
  // The driver names the file by its real path (the drive's link resolved).
  std::string leaf = app_.path().substr(app_.path().find_last_of('\\') + 1);
  std::string database = Report("database");
  EXPECT_EQ(database.substr(database.size() - std::min(database.size(), leaf.size() + 8)), leaf + "/vorn.db")
      << database;

  const std::vector<std::string> files = Sorted(
      {"VORN.INI", "utables.log", "utables.sql", "vorn.db", "vorn.dmd", "vorn.log", "vorn.sql"});
  EXPECT_EQ(TScratchDir::Names(app_.path()), files);
  std::string connect = "DRIVER={SQLite3};Database=" + UnixPath(app_.File("vorn.db")) + ";NoCreat=1;";
  for (const auto& table : AllTables)
    EXPECT_EQ(QueryOn(connect, std::string("SELECT COUNT(*) FROM ") + table.name), table.rows) << table.name;
  // The file keeps a write-ahead log, so that readers never hold up a writer; a
  // connection that asks for nothing finds it so.
  EXPECT_EQ(QueryOn(connect, "PRAGMA journal_mode"), "wal");
  ExpectLogsSuccessOnly();

  TChild second;
  Start(second);
  EXPECT_EQ(second.Wait(30000), 0) << "the second start asks nothing";
  EXPECT_EQ(Report("result"), "1");
  EXPECT_EQ(TScratchDir::Names(app_.path()), files);
}

TEST_F(DatabaseStepTest, NoAtTheQuestionEndsTheProgramWithoutMakingAnything) {
  TChild child;
  Start(child);
  ASSERT_TRUE(WatchAndPress(child.pid(), "No database found", IDNO, 30000).found);
  EXPECT_EQ(child.Wait(30000), 1);
  EXPECT_EQ(Report("result"), "0");
  EXPECT_EQ(TScratchDir::Names(app_.path()), Sorted({"VORN.INI", "utables.sql", "vorn.dmd", "vorn.sql"}));
}

TEST_F(DatabaseStepTest, ScriptsThatFailAreReportedWithTheirLog) {
  app_.Write("utables.sql", "CREATE TABLE SEQNUM (TABLENAME VARCHAR(40), NEXTID INTEGER);\nCREATE TABLE BROKEN (;\n");
  TChild child;
  Start(child);
  ASSERT_TRUE(WatchAndPress(child.pid(), "No database found", IDYES, 30000).found);
  TWatchedDialog box = WatchAndPress(child.pid(), "Database Created With Errors", IDOK, 30000);
  ASSERT_TRUE(box.found);
  EXPECT_NE(box.text.find("1 of the 2 statements of utables.sql failed: see " + app_.File("utables.log")),
            std::string::npos)
      << box.text;
  EXPECT_EQ(box.text.find("vorn.sql"), std::string::npos) << box.text;
  EXPECT_EQ(child.Wait(30000), 0) << "start-up goes on";
}

TEST_F(DatabaseStepTest, FirstStartOnPostgreSQLCreatesTheDatabaseThatLaterConnectionsReach) {
  std::string name = FreshDatabaseName();
  UsePostgres(name);
  TChild first;
  Start(first);
  TWatchedDialog box = WatchAndPress(first.pid(), "No database found", IDYES, 30000);
  ASSERT_TRUE(box.found);
  EXPECT_NE(box.text.find("but the " + name + " database does not exist!"), std::string::npos) << box.text;
  ASSERT_EQ(first.Wait(60000), 0);
  EXPECT_EQ(Report("database"), Lower(name));
  for (const auto& table : AllTables)
    EXPECT_EQ(QueryOn(PostgresConnect(Lower(name)), std::string("SELECT COUNT(*) FROM ") + table.name), table.rows)
        << table.name;
  ExpectLogsSuccessOnly();

  TChild second;
  Start(second);
  EXPECT_EQ(second.Wait(30000), 0) << "the second start asks nothing";
  EXPECT_EQ(Report("database"), Lower(name));
}

TEST_F(DatabaseStepTest, AnUnreachableServerLeadsToTheConnectionDialog) {
  UsePostgres("vorn_test", "1");
  const std::string iniBefore = TScratchDir::Read(Ini());

  TChild cancelled;
  Start(cancelled);
  TWatchedDialog dialog = WatchAndPress(cancelled.pid(), "Database Connection", IDCANCEL, 30000);
  ASSERT_TRUE(dialog.found);
  EXPECT_EQ(cancelled.Wait(30000), 1);
  EXPECT_EQ(Report("status"), "Could not connect to database server...");
  EXPECT_EQ(Report("service manager"), "0") << "only a SQL Server has a service manager";
  EXPECT_EQ(TScratchDir::Read(Ini()), iniBefore);

  TChild connected;
  Start(connected);
  dialog = FindDialog(connected.pid(), "Database Connection", 30000);
  ASSERT_TRUE(dialog.found);
  EXPECT_EQ(ControlText(dialog.window, CONNECT_SERVER_ID), "(local)") << "never the server of the INI";
  EXPECT_EQ(ControlText(dialog.window, CONNECT_USER_ID), "postgres");
  EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog.window, CONNECT_USER_ID))) << "trusted at first";
  std::string server = std::string("127.0.0.1:") + getenv("VORN_PG_PORT");
  SetControlText(dialog.window, CONNECT_SERVER_ID, server);
  ASSERT_TRUE(PressDialogButton(dialog.window, CONNECT_TRUSTED_ID));
  EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dialog.window, CONNECT_USER_ID)));
  SetControlText(dialog.window, CONNECT_PASSWORD_ID, "secret");
  ASSERT_TRUE(PressDialogButton(dialog.window, IDOK));

  TWatchedDialog success = WatchAndPress(connected.pid(), "Connection Successful", IDYES, 30000);
  ASSERT_TRUE(success.found);
  EXPECT_EQ(success.icon, TBoxIcon::Question);
  EXPECT_NE(success.text.find("You are now connected to Database Server " + server + " using the Username postgres"),
            std::string::npos)
      << success.text;
  EXPECT_EQ(success.text.find("secret"), std::string::npos) << "the box never shows the password";
  ASSERT_EQ(connected.Wait(30000), 0);
  EXPECT_EQ(Report("database"), "vorn_test");
  EXPECT_EQ(IniValue(Ini(), "Server Name"), server);
  EXPECT_EQ(IniValue(Ini(), "Trusted Connection"), "N");
  EXPECT_EQ(IniValue(Ini(), "Username"), "postgres");
  EXPECT_EQ(IniValue(Ini(), "Password"), "secret");
  EXPECT_EQ(IniValue(Ini(), "Database"), "vorn_test");
}

// Credentials corrected in the dialog and not saved are still the ones the report program
// gets, not those the INI holds.
TEST_F(DatabaseStepTest, TheReportProgramGetsTheCredentialsConnectedWith) {
  UsePostgres("vorn_test", "1");
  const std::string iniBefore = TScratchDir::Read(Ini());
  TChild connected;
  Start(connected);
  TWatchedDialog dialog = FindDialog(connected.pid(), "Database Connection", 30000);
  ASSERT_TRUE(dialog.found);
  SetControlText(dialog.window, CONNECT_SERVER_ID, std::string("127.0.0.1:") + getenv("VORN_PG_PORT"));
  ASSERT_TRUE(PressDialogButton(dialog.window, CONNECT_TRUSTED_ID));
  SetControlText(dialog.window, CONNECT_PASSWORD_ID, "secret");
  ASSERT_TRUE(PressDialogButton(dialog.window, IDOK));
  ASSERT_TRUE(WatchAndPress(connected.pid(), "Connection Successful", IDNO, 30000).found);
  ASSERT_EQ(connected.Wait(30000), 0);
  EXPECT_EQ(TScratchDir::Read(Ini()), iniBefore) << "nothing saved";
  EXPECT_NE(Report("report program").find(" /U postgres /p secret r.rpt"), std::string::npos)
      << Report("report program");
}

TEST_F(DatabaseStepTest, AServerThatStaysUnreachableIsReportedWithTheDriversMessage) {
  UsePostgres("vorn_test", "1");
  TChild child;
  Start(child);
  TWatchedDialog dialog = FindDialog(child.pid(), "Database Connection", 30000);
  ASSERT_TRUE(dialog.found);
  SetControlText(dialog.window, CONNECT_SERVER_ID, "127.0.0.1:1");
  ASSERT_TRUE(PressDialogButton(dialog.window, IDOK));
  TWatchedDialog error = WatchAndPress(child.pid(), "Database Connection Error", IDOK, 30000);
  ASSERT_TRUE(error.found);
  EXPECT_EQ(error.icon, TBoxIcon::Hand);
  EXPECT_NE(error.text.find("Could not connect to the selected Database Server!"), std::string::npos);
  EXPECT_NE(error.text.find("The error returned from the database was:\n \""), std::string::npos) << error.text;
  EXPECT_EQ(child.Wait(30000), 1);
  EXPECT_EQ(IniValue(Ini(), "Server Name"), "127.0.0.1:1");
}

}  // namespace

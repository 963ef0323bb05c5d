// The maintenance wizard as a user drives it: the program started on an application INI,
// its keypad, backup file and Proceed pressed through messages, its log pane read, and
// the database checked on both servers.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "data/db/connectstrings.h"
#include "data/db/dialect.h"
#include "data/db/odbc.h"
#include "data/db/odbcstatement.h"
#include "support/dialog_watcher.h"
#include "support/scratch_dir.h"
#include "support/screen_capture.h"
#include "support/test_db.h"

namespace {

constexpr int IDC_BACKUP = 1000, IDC_RESTORE = 1001, IDC_DATABASE_NAME = 1002, IDC_BACKUP_PATH = 1003,
              IDC_LOG = 1008, IDC_PIN = 1009, IDC_USER = 1021, IDC_PASSWORD = 1023;
// Keypad keys by digit.
constexpr int KEY_OF_DIGIT[10] = {1010, 1011, 1012, 1019, 1013, 1014, 1015, 1016, 1017, 1018};

std::string KeepsakePath() { return VORN_BINARY_DIR "/keepsake.exe"; }

std::string TextOf(HWND window) {
  DWORD_PTR length = 0;
  SendMessageTimeoutA(window, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 5000, &length);
  std::string text(length + 1, '\0');
  DWORD_PTR copied = 0;
  SendMessageTimeoutA(window, WM_GETTEXT, length + 1, reinterpret_cast<LPARAM>(&text[0]), SMTO_ABORTIFHUNG, 5000,
                      &copied);
  text.resize(copied);
  return text;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start <= text.size()) {
    size_t end = text.find("\r\n", start);
    if (end == std::string::npos) end = text.size();
    lines.push_back(text.substr(start, end - start));
    start = end + 2;
  }
  return lines;
}

int CountOutcomeLines(const std::vector<std::string>& lines) {
  int n = 0;
  for (const auto& line : lines)
    if (line == "Backup completed." || line == "Backup failed." || line == "Restore completed." ||
        line == "Restore failed.")
      ++n;
  return n;
}

// The running wizard.
class TWizard {
public:
  bool Start(const std::string& arguments, const std::string& folder) {
    if (!StartChild(child_, "\"" + KeepsakePath() + "\" " + arguments, folder.c_str())) return false;
    dialog_ = FindDialog(child_.pid(), "Db Maintenance Wizard", 20000).window;
    return dialog_ != nullptr;
  }
  ~TWizard() {
    if (child_.started && WaitForSingleObject(child_.info.hProcess, 0) == WAIT_TIMEOUT) {
      PostMessageA(dialog_, WM_CLOSE, 0, 0);
      child_.Wait(10000);
    }
  }
  HWND Control(int id) const { return GetDlgItem(dialog_, id); }
  std::string Text(int id) const { return TextOf(Control(id)); }
  void SetText(int id, const std::string& text) {
    DWORD_PTR ignored = 0;
    SendMessageTimeoutA(Control(id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()), SMTO_ABORTIFHUNG, 5000,
                        &ignored);
  }
  bool Enabled(int id) const { return IsWindowEnabled(Control(id)) != 0; }
  void Press(int id) { PressDialogButton(dialog_, id); }
  void TypePin(const std::string& digits) {
    for (char digit : digits) Press(KEY_OF_DIGIT[digit - '0']);
  }
  // Chooses the action and the file, enters the PIN and presses Proceed.
  void Proceed(bool backup, const std::string& path) {
    Press(backup ? IDC_BACKUP : IDC_RESTORE);
    SetText(IDC_BACKUP_PATH, path);
    if (Text(IDC_PIN) != "6937") {
      SetText(IDC_PIN, "");
      TypePin("6937");
    }
    Press(IDOK);
  }
  // The log once its outcome line is there (or after the time-out).
  std::vector<std::string> WaitForOutcome(DWORD timeoutMs = 120000) {
    DWORD start = GetTickCount();
    std::vector<std::string> lines;
    for (;;) {
      lines = Lines(Text(IDC_LOG));
      if (CountOutcomeLines(lines) > 0 && Enabled(IDCANCEL)) return lines;
      if (GetTickCount() - start > timeoutMs) return lines;
      Sleep(100);
    }
  }
  // Runs one backup or restore to its end; true when it completed.
  bool Run(bool backup, const std::string& path, std::vector<std::string>* log = nullptr) {
    Proceed(backup, path);
    std::vector<std::string> lines = WaitForOutcome();
    if (log) *log = lines;
    EXPECT_EQ(1, CountOutcomeLines(lines)) << Joined(lines);
    return !lines.empty() && (lines.back() == "Backup completed." || lines.back() == "Restore completed.");
  }
  bool Alive() const { return WaitForSingleObject(child_.info.hProcess, 0) == WAIT_TIMEOUT; }
  int Close() {
    PostMessageA(dialog_, WM_CLOSE, 0, 0);
    return child_.Wait(10000);
  }
  static std::string Joined(const std::vector<std::string>& lines) {
    std::string all;
    for (const auto& line : lines) all += line + "\n";
    return all;
  }
  HWND dialog_ = nullptr;
  TChild child_;
};

bool Contains(const std::vector<std::string>& lines, const std::string& text) {
  for (const auto& line : lines)
    if (line.find(text) != std::string::npos) return true;
  return false;
}

// Statements on a connection of their own.
class TDirect {
public:
  explicit TDirect(const std::string& connectString) : connection_(&env_) {
    ok_ = SQL_SUCCEEDED(connection_.DriverConnect(connectString.c_str(), 0));
    EXPECT_TRUE(ok_) << connectString << ": " << connection_.GetDiagMessage();
  }
  void Exec(const std::string& sql) {
    TOdbcStatement statement(&connection_);
    SQLRETURN rc = statement.ExecDirect(sql.c_str());
    EXPECT_TRUE(SQL_SUCCEEDED(rc) || rc == SQL_NO_DATA) << sql << ": " << statement.GetDiagMessage();
  }
  std::string Query(const std::string& sql) {
    TOdbcStatement statement(&connection_);
    if (!SQL_SUCCEEDED(statement.ExecDirect(sql.c_str()))) return "<error: " + std::string(statement.GetDiagMessage()) + ">";
    if (statement.Fetch() != SQL_SUCCESS) return "<none>";
    char value[4096];
    return statement.GetData(0, value, sizeof value) == SQL_NULL_DATA ? "<null>" : value;
  }
  TOdbcConnection& Connection() { return connection_; }

private:
  TOdbcEnv env_;
  TOdbcConnection connection_;
  bool ok_ = false;
};

std::string WindowsPathOfUnix(const std::string& unixPath) {
  std::string path = "Z:" + unixPath;
  for (char& c : path)
    if (c == '/') c = '\\';
  return path;
}

// A test's database and the folder of its backups, on either server: for SQLite a
// file beside the INI in a scratch folder; for PostgreSQL a database of its own (a
// restore replaces a whole database) and a folder the server made in its backup folder.
class TWizardDatabase {
public:
  explicit TWizardDatabase(const std::string& kind) : kind_(kind) {
    if (kind == "SQLite") {
      folder_ = scratch_.path();
      connectString_ = "DRIVER={SQLite3};Database=" + UnixPath(scratch_.File("shop.db")) + ";";
      WriteIni("[Network]\nDriver Name=SQLite3\nDatabase=shop\n");
      return;
    }
    const char* server = getenv("VORN_PG_CONNECT");
    const char* backups = getenv("VORN_PG_BACKUP_DIR");
    const char* port = getenv("VORN_PG_PORT");
    if (!server || !backups || !port) {
      ADD_FAILURE() << "VORN_PG_CONNECT, VORN_PG_BACKUP_DIR or VORN_PG_PORT is not set: run through ./test.sh";
      return;
    }
    char name[64];
    snprintf(name, sizeof name, "ks_%lu_%lu", GetCurrentProcessId(), GetTickCount() + counter_++);
    name_ = name;
    serverConnect_ = server;
    TDirect(serverConnect_).Exec("CREATE DATABASE " + name_);
    connectString_ = "DRIVER={PostgreSQL ANSI};Server=127.0.0.1;Port=" + std::string(port) + ";Database=" + name_ +
                     ";Uid=postgres;Pwd=;CommLog=0;Debug=0;";
    unixFolder_ = std::string(backups) + "/" + name_;
    ServerShell("mkdir " + TSqlDialect::ShellWord(unixFolder_.c_str()));
    folder_ = WindowsPathOfUnix(unixFolder_);
    WriteIni("[Network]\nDriver Name=PostgreSQL ANSI\nServer Name=127.0.0.1:" + std::string(port) +
             "\nDatabase=" + name_ + "\nUsername=postgres\nPassword=\n");
  }
  ~TWizardDatabase() {
    if (name_.empty()) return;
    TDirect server(serverConnect_);
    server.Exec("DROP DATABASE IF EXISTS " + name_ + " WITH (FORCE)");
    ServerShell("rm -rf " + TSqlDialect::ShellWord(unixFolder_.c_str()));
  }
  bool IsPostgres() const { return kind_ == "PostgreSQL"; }
  // A folder the database server may write to.
  const std::string& Folder() const { return folder_; }
  std::string File(const std::string& name) const { return folder_ + "\\" + name; }
  const std::string& IniPath() const { return iniPath_; }
  const std::string& ConnectString() const { return connectString_; }
  void WriteIni(const std::string& content) {
    iniPath_ = scratch_.Write("app.ini", content);
  }
  // A sub-folder the server may write to.
  std::string MakeFolder(const std::string& name) {
    std::string path = File(name);
    if (IsPostgres())
      ServerShell("mkdir " + TSqlDialect::ShellWord((unixFolder_ + "/" + name).c_str()));
    else
      CreateDirectoryA(path.c_str(), nullptr);
    return path;
  }
  // Runs a shell command as the server (to make folders the server owns).
  void ServerShell(const std::string& command) {
    TDirect(serverConnect_).Exec("COPY (SELECT 1) TO PROGRAM " + TSqlDialect::StringLiteral(command.c_str()));
  }
  std::string Name() const { return name_; }

private:
  std::string kind_;
  TScratchDir scratch_{"keepsake"};
  std::string folder_, unixFolder_, iniPath_, connectString_, serverConnect_, name_;
  static inline int counter_ = 0;
};

// A small shop: a table with a counter column of the server, the program's sequence
// table and one row each.
void FillShop(TDirect& db, bool postgres) {
  db.Exec(postgres ? "CREATE TABLE item (id SERIAL PRIMARY KEY, name VARCHAR(40))"
                   : "CREATE TABLE item (id INTEGER PRIMARY KEY AUTOINCREMENT, name VARCHAR(40))");
  db.Exec("CREATE TABLE SEQNUM (TABLENAME VARCHAR(40), NEXTID INTEGER)");
  db.Exec("CREATE INDEX item_name ON item (name)");
  db.Exec("INSERT INTO item (name) VALUES ('pear')");
  db.Exec("INSERT INTO item (name) VALUES ('plum''s')");
  db.Exec("INSERT INTO SEQNUM VALUES ('item', 3)");
}

// What the tests compare: rows, counters and the tables there are.
std::string ShopState(TDirect& db, bool postgres) {
  std::string tables = db.Query(
      postgres ? "SELECT string_agg(table_name, ',' ORDER BY table_name) FROM information_schema.tables "
                 "WHERE table_schema = 'public'"
               : "SELECT group_concat(name, ',') FROM (SELECT name FROM sqlite_master WHERE type = 'table' "
                 "AND name NOT LIKE 'sqlite%' ORDER BY name)");
  std::string items = db.Query(postgres ? "SELECT string_agg(id || ':' || name, ',' ORDER BY id) FROM item"
                                        : "SELECT group_concat(id || ':' || name, ',') FROM (SELECT * FROM item ORDER BY id)");
  std::string counter = db.Query("SELECT NEXTID FROM SEQNUM WHERE TABLENAME = 'item'");
  return "tables=" + tables + " items=" + items + " seqnum=" + counter;
}

// The next number the server's own counter gives (taken by inserting a row).
std::string NextServerId(TDirect& db, bool postgres) {
  db.Exec("INSERT INTO item (name) VALUES ('fig')");
  return db.Query("SELECT MAX(id) FROM item");
}

class KeepsakeTest : public DatabaseTest {
protected:
  void SetUp() override {
    DatabaseTest::SetUp();
    db_ = std::make_unique<TWizardDatabase>(GetParam());
    ASSERT_FALSE(db_->ConnectString().empty());
  }
  void TearDown() override {
    db_.reset();
    DatabaseTest::TearDown();
  }
  bool Postgres() const { return db_->IsPostgres(); }
  std::unique_ptr<TWizardDatabase> db_;
};

TEST_P(KeepsakeTest, RestoreBringsBackRowsCountersAndTablesOfTheBackup) {
  TDirect db(db_->ConnectString());
  FillShop(db, Postgres());
  const std::string before = ShopState(db, Postgres());
  TWizard wizard;
  ASSERT_TRUE(wizard.Start("\"" + db_->IniPath() + "\"", db_->Folder()));
  EXPECT_EQ(Postgres() ? db_->Name() : "shop", wizard.Text(IDC_DATABASE_NAME));
  // As the user first sees it: Backup, "<database>_db.dmp", Proceed greyed until the PIN.
  EXPECT_EQ(BST_CHECKED, SendMessageA(wizard.Control(IDC_BACKUP), BM_GETCHECK, 0, 0));
  EXPECT_EQ(wizard.Text(IDC_DATABASE_NAME) + "_db.dmp", wizard.Text(IDC_BACKUP_PATH));
  EXPECT_FALSE(wizard.Enabled(IDOK));
  const std::string backup = db_->File("shop_db.dmp");
  std::vector<std::string> log;
  ASSERT_TRUE(wizard.Run(true, backup, &log)) << TWizard::Joined(log);
  EXPECT_EQ("Performing a Backup of database " + wizard.Text(IDC_DATABASE_NAME) + " to the disk file " + backup + ".",
            log.front());
  EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(backup.c_str()));

  // Work after the backup: a row, a counter, a new table.
  const std::string nextId = NextServerId(db, Postgres());
  db.Exec("UPDATE SEQNUM SET NEXTID = 99");
  db.Exec("UPDATE item SET name = 'quince' WHERE id = 1");
  db.Exec("CREATE TABLE later (x INTEGER)");
  ASSERT_NE(before, ShopState(db, Postgres()));

  ASSERT_TRUE(wizard.Run(false, backup, &log)) << TWizard::Joined(log);
  TDirect after(db_->ConnectString());
  EXPECT_EQ(before, ShopState(after, Postgres()));
  // The server's counter is back where the backup left it: the next row gets the
  // number the first row after the backup got.
  EXPECT_EQ(nextId, NextServerId(after, Postgres()));
  EXPECT_EQ(0, wizard.Close());
}

TEST_P(KeepsakeTest, BadBackupFilesAreRefusedAndLeaveTheDatabaseAsItWas) {
  TDirect db(db_->ConnectString());
  FillShop(db, Postgres());
  TWizard wizard;
  ASSERT_TRUE(wizard.Start("\"" + db_->IniPath() + "\"", db_->Folder()));
  const std::string good = db_->File("good.dmp");
  ASSERT_TRUE(wizard.Run(true, good));
  db.Exec("UPDATE item SET name = 'quince' WHERE id = 1");
  db.Exec("CREATE TABLE later (x INTEGER)");
  const std::string changed = ShopState(db, Postgres());

  const std::string whole = TScratchDir::Read(good);
  ASSERT_GT(whole.size(), 1000u);
  struct TCase {
    const char* name;
    bool written;
    std::string content;
  };
  const TCase cases[] = {
      {"missing.dmp", false, ""},
      {"empty.dmp", true, ""},
      {"notes.dmp", true, "These are the minutes of the last meeting, not a backup.\n"},
      {"truncated.dmp", true, whole.substr(0, whole.size() / 2)},
      // Damaged at the very end, where a byte of the last rows lies.
      {"cut.dmp", true, whole.substr(0, whole.size() - 1)},
      {"flipped.dmp", true, whole.substr(0, whole.size() - 1) + static_cast<char>(whole.back() ^ 0x5a)},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string path = db_->File(c.name);
    if (c.written) std::ofstream(path, std::ios::binary) << c.content;
    std::vector<std::string> log;
    EXPECT_FALSE(wizard.Run(false, path, &log)) << TWizard::Joined(log);
    EXPECT_EQ("Restore failed.", log.back());
    TDirect after(db_->ConnectString());
    EXPECT_EQ(changed, ShopState(after, Postgres()));
    // Nothing was made where the missing file was named.
    if (!c.written) {
      EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(path.c_str()));
    }
  }
}

// A device name where the backup file belongs is refused before anything is written, and
// nothing is left beside it.
TEST_P(KeepsakeTest, DeviceNamesAreRefusedAsBackupFiles) {
  TDirect db(db_->ConnectString());
  FillShop(db, Postgres());
  TWizard wizard;
  ASSERT_TRUE(wizard.Start("\"" + db_->IniPath() + "\"", db_->Folder()));
  struct TCase {
    bool backup;
    std::string typed;
  };
  const TCase cases[] = {
      {true, "NUL"},
      {true, "nul.dmp"},
      {true, db_->Folder() + "\\CON"},
      {true, "com1.dmp"},
      {true, "LPT9"},
      {true, "aux\\shop.dmp"},
      {false, "NUL"},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.typed);
    std::vector<std::string> log;
    EXPECT_FALSE(wizard.Run(c.backup, c.typed, &log)) << TWizard::Joined(log);
    EXPECT_TRUE(Contains(log, "names a device, not a file.")) << TWizard::Joined(log);
    EXPECT_EQ(c.backup ? "Backup failed." : "Restore failed.", log.back());
  }
  // The folder holds nothing the runs made (a file named as a device would be there,
  // beside its ".part").
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA((db_->Folder() + "\\*").c_str(), &found);
  ASSERT_NE(INVALID_HANDLE_VALUE, search);
  std::vector<std::string> names;
  do {
    const std::string name = found.cFileName;
    if (name != "." && name != ".." && name != "app.ini" && name != "shop.db") names.push_back(name);
  } while (FindNextFileA(search, &found));
  FindClose(search);
  EXPECT_TRUE(names.empty()) << names.front();
  EXPECT_EQ("1:pear", db.Query("SELECT id || ':' || name FROM item WHERE id = 1"));
}

// The objects of a SQLite database as type:name lines, and whether its file is whole.
std::string SQLiteObjects(TDirect& db) {
  return db.Query("SELECT group_concat(type || ':' || name, ',') FROM (SELECT type, name FROM sqlite_master "
                  "ORDER BY type, name)") +
         " " + db.Query("PRAGMA integrity_check");
}

// SQLite keeps the database's tables under other names while the backup's are written:
// the backup's views, triggers and indexes come back (its triggers fire none during the
// copy), a table of the backup named as the set-aside tables are is no obstacle, and a
// second restore over the first gives the same.
TEST_P(KeepsakeTest, RestoreBringsBackViewsTriggersAndIndexes) {
  if (Postgres()) GTEST_SKIP() << "the server's own restore program brings its objects back";
  TDirect db(db_->ConnectString());
  FillShop(db, false);
  db.Exec("CREATE TABLE keepsake_old_1 (note VARCHAR(20))");
  db.Exec("INSERT INTO keepsake_old_1 VALUES ('kept')");
  db.Exec("CREATE TABLE audit (what VARCHAR(40))");
  db.Exec("CREATE TRIGGER item_audit AFTER INSERT ON item BEGIN INSERT INTO audit VALUES (new.name); END");
  db.Exec("CREATE VIEW item_names AS SELECT name FROM item");
  const std::string objects = SQLiteObjects(db), state = ShopState(db, false);
  TWizard wizard;
  ASSERT_TRUE(wizard.Start("\"" + db_->IniPath() + "\"", db_->Folder()));
  const std::string backup = db_->File("objects.dmp");
  ASSERT_TRUE(wizard.Run(true, backup));

  db.Exec("DROP VIEW item_names");
  db.Exec("DROP TRIGGER item_audit");
  db.Exec("CREATE INDEX item_later ON item (id, name)");
  db.Exec("CREATE VIEW later_names AS SELECT name FROM item WHERE id > 1");
  db.Exec("DELETE FROM keepsake_old_1");
  for (int round = 1; round <= 2; ++round) {
    SCOPED_TRACE(round);
    std::vector<std::string> log;
    ASSERT_TRUE(wizard.Run(false, backup, &log)) << TWizard::Joined(log);
    TDirect after(db_->ConnectString());
    EXPECT_EQ(objects, SQLiteObjects(after));
    EXPECT_EQ(state, ShopState(after, false));
    EXPECT_EQ("0", after.Query("SELECT COUNT(*) FROM audit"));
    EXPECT_EQ("kept", after.Query("SELECT note FROM keepsake_old_1"));
    EXPECT_EQ("pear", after.Query("SELECT name FROM item_names ORDER BY name"));
  }
  // The trigger works again.
  NextServerId(db, false);
  EXPECT_EQ("fig", db.Query("SELECT what FROM audit"));
}

// A SQLite restore that fails after the database's tables were set aside and some of
// the backup's written (here the backup's second table names a collation this server
// lacks) rolls all of it back.
TEST_P(KeepsakeTest, RestoreFailingInsideItsTransactionLeavesTheDatabaseAsItWas) {
  if (Postgres()) GTEST_SKIP() << "the truncated dump covers the server's failing replay";
  TDirect db(db_->ConnectString());
  FillShop(db, false);
  TWizard wizard;
  ASSERT_TRUE(wizard.Start("\"" + db_->IniPath() + "\"", db_->Folder()));
  const std::string backup = db_->File("odd.dmp");
  ASSERT_TRUE(wizard.Run(true, backup));
  {
    TDirect file("DRIVER={SQLite3};Database=" + UnixPath(backup) + ";");
    file.Exec("PRAGMA writable_schema = ON");
    file.Exec("UPDATE sqlite_master SET sql = 'CREATE TABLE SEQNUM (TABLENAME VARCHAR(40) COLLATE missing, "
              "NEXTID INTEGER)' WHERE name = 'SEQNUM'");
  }
  db.Exec("UPDATE item SET name = 'quince' WHERE id = 1");
  db.Exec("CREATE TABLE later (x INTEGER)");
  db.Exec("CREATE VIEW item_names AS SELECT name FROM item");
  const std::string objects = SQLiteObjects(db), state = ShopState(db, false);

  std::vector<std::string> log;
  EXPECT_FALSE(wizard.Run(false, backup, &log)) << TWizard::Joined(log);
  EXPECT_TRUE(Contains(log, "no such collation sequence")) << TWizard::Joined(log);
  EXPECT_EQ("Restore failed.", log.back());
  TDirect after(db_->ConnectString());
  EXPECT_EQ(objects, SQLiteObjects(after));
  EXPECT_EQ(state, ShopState(after, false));
  EXPECT_EQ("quince", after.Query("SELECT name FROM item_names WHERE name = 'quince'"));
}

// A backup whose schema texts were changed to do more than make their object: each is
// refused before anything runs, so the extra statement never does. A trigger whose body
// holds CASE ... END and a view quoting a ';' are sound definitions and restore.
TEST_P(KeepsakeTest, SchemaTextsThatDoMoreThanMakeTheirObjectAreRefused) {
  if (Postgres()) GTEST_SKIP() << "the server's own restore program reads its own dump";
  TDirect db(db_->ConnectString());
  FillShop(db, false);
  db.Exec("CREATE TABLE audit (what VARCHAR(40))");
  db.Exec("CREATE TRIGGER item_audit AFTER INSERT ON item BEGIN INSERT INTO audit VALUES "
          "(CASE WHEN new.name = 'x' THEN 'ex' ELSE new.name END); END");
  db.Exec("CREATE VIEW item_names AS SELECT name, ';' AS mark FROM item /* ; */");
  TWizard wizard;
  ASSERT_TRUE(wizard.Start("\"" + db_->IniPath() + "\"", db_->Folder()));
  const std::string good = db_->File("schema.dmp");
  ASSERT_TRUE(wizard.Run(true, good));
  const std::string whole = TScratchDir::Read(good);
  db.Exec("UPDATE item SET name = 'quince' WHERE id = 1");
  const std::string objects = SQLiteObjects(db), state = ShopState(db, false);

  struct TCase {
    const char* object;
    std::string sql;
  };
  const TCase cases[] = {
      {"item_names", "CREATE VIEW item_names AS SELECT name FROM item; CREATE TABLE evil (x INTEGER)"},
      {"item_names", "CREATE VIEW item_names AS SELECT name FROM item;CREATE TABLE evil (x INTEGER);"},
      {"item_names", "CREATE VIEW item_names AS SELECT name FROM item -- x\n; CREATE TABLE evil (x INTEGER)"},
      {"item_audit", "CREATE TRIGGER item_audit AFTER INSERT ON item BEGIN SELECT 1; END; CREATE TABLE evil (x INTEGER)"},
      {"item_audit", "CREATE TRIGGER item_audit AFTER INSERT ON item BEGIN SELECT CASE 1 WHEN 1 THEN 2 END; END; "
                     "CREATE TABLE evil (x INTEGER)"},
      {"item_name", "CREATE INDEX item_name ON item (name); CREATE TABLE evil (x INTEGER)"},
      {"SEQNUM", "CREATE TABLE SEQNUM (TABLENAME VARCHAR(40), NEXTID INTEGER); CREATE TABLE evil (x INTEGER)"},
      {"item_names", "CREATE VIEW evil AS SELECT name FROM item"},
      {"item_names", "CREATE TABLE item_names (x INTEGER)"},
  };
  int n = 0;
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.sql);
    const std::string path = db_->File("tampered" + std::to_string(n++) + ".dmp");
    std::ofstream(path, std::ios::binary) << whole;
    {
      TDirect file("DRIVER={SQLite3};Database=" + UnixPath(path) + ";");
      file.Exec("PRAGMA writable_schema = ON");
      file.Exec("UPDATE sqlite_master SET sql = " + TSqlDialect::StringLiteral(c.sql.c_str()) + " WHERE name = '" +
                c.object + "'");
    }
    std::vector<std::string> log;
    EXPECT_FALSE(wizard.Run(false, path, &log)) << TWizard::Joined(log);
    EXPECT_EQ("Restore failed.", log.back());
    TDirect after(db_->ConnectString());
    EXPECT_EQ(objects, SQLiteObjects(after));
    EXPECT_EQ(state, ShopState(after, false));
  }
  // The untouched backup restores with its trigger and view.
  std::vector<std::string> log;
  ASSERT_TRUE(wizard.Run(false, good, &log)) << TWizard::Joined(log);
  TDirect after(db_->ConnectString());
  EXPECT_EQ(objects, SQLiteObjects(after));
  EXPECT_EQ(";", after.Query("SELECT mark FROM item_names WHERE name = 'pear'"));
  after.Exec("INSERT INTO item (name) VALUES ('x')");
  EXPECT_EQ("ex", after.Query("SELECT what FROM audit"));
}

TEST_P(KeepsakeTest, FailedBackupKeepsTheEarlierFile) {
  TDirect db(db_->ConnectString());
  FillShop(db, Postgres());
  TWizard wizard;
  ASSERT_TRUE(wizard.Start("\"" + db_->IniPath() + "\"", db_->Folder()));
  const std::string backup = db_->File("kept.dmp");
  ASSERT_TRUE(wizard.Run(true, backup));
  const std::string earlier = TScratchDir::Read(backup);
  // A folder where the new backup is written first makes the backup fail.
  db_->MakeFolder("kept.dmp.part");
  db.Exec("INSERT INTO item (name) VALUES ('fig')");
  std::vector<std::string> log;
  EXPECT_FALSE(wizard.Run(true, backup, &log));
  EXPECT_EQ("Backup failed.", log.back());
  EXPECT_EQ(earlier, TScratchDir::Read(backup));
}

// The backup path as typed: relative ones go under the wizard's current folder.
TEST_P(KeepsakeTest, BackupPathsRelativeAbsoluteAndWithAnApostrophe) {
  TDirect db(db_->ConnectString());
  FillShop(db, Postgres());
  db_->MakeFolder("o'brien");
  struct TCase {
    std::string typed;
    std::string written;
  };
  const std::string folder = db_->Folder();
  const std::string drive = folder.substr(0, 2);
  const std::string drivePath = folder.substr(2);  // rooted on the current drive
  const TCase cases[] = {
      {"x.dmp", folder + "\\x.dmp"},
      {folder + "\\abs.dmp", folder + "\\abs.dmp"},
      {"o'brien\\it's.dmp", folder + "\\o'brien\\it's.dmp"},
      {drivePath + "\\rooted.dmp", drivePath + "\\rooted.dmp"},
  };
  TWizard wizard;
  ASSERT_TRUE(wizard.Start("\"" + db_->IniPath() + "\"", folder));
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.typed);
    std::vector<std::string> log;
    EXPECT_TRUE(wizard.Run(true, c.typed, &log)) << TWizard::Joined(log);
    EXPECT_TRUE(Contains(log, "to the disk file " + c.written + ".")) << TWizard::Joined(log);
    const std::string onDisk = c.written[0] == '\\' ? drive + c.written : c.written;
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(onDisk.c_str())) << onDisk;
    db.Exec("UPDATE item SET name = 'quince' WHERE id = 1");
    EXPECT_TRUE(wizard.Run(false, c.typed, &log)) << TWizard::Joined(log);
    EXPECT_EQ("pear", db.Query("SELECT name FROM item WHERE id = 1"));
  }
}

// Closing is refused while a run works: here the backup waits for a lock the test holds.
TEST_P(KeepsakeTest, ClosingWaitsForTheRunningBackup) {
  TDirect db(db_->ConnectString());
  FillShop(db, Postgres());
  TDirect locker(db_->ConnectString());
  if (Postgres()) {
    locker.Connection().SetAutoCommit(false);
    locker.Exec("LOCK TABLE item IN ACCESS EXCLUSIVE MODE");
  } else {
    locker.Exec("BEGIN EXCLUSIVE");
  }

  TWizard wizard;
  ASSERT_TRUE(wizard.Start("\"" + db_->IniPath() + "\"", db_->Folder()));
  wizard.Proceed(true, db_->File("busy.dmp"));
  Sleep(1500);
  EXPECT_FALSE(wizard.Enabled(IDOK));
  EXPECT_FALSE(wizard.Enabled(IDCANCEL));
  PostMessageA(wizard.dialog_, WM_CLOSE, 0, 0);
  wizard.Press(IDCANCEL);
  Sleep(500);
  EXPECT_TRUE(wizard.Alive());
  EXPECT_TRUE(IsWindow(wizard.dialog_));
  EXPECT_EQ(0, CountOutcomeLines(Lines(wizard.Text(IDC_LOG))));
  SaveScreenBitmap(wizard.dialog_, ScreenshotFolder() + "\\keepsake_running_" + GetParam() + ".bmp");

  if (Postgres())
    locker.Connection().Rollback();
  else
    locker.Exec("ROLLBACK");
  std::vector<std::string> log = wizard.WaitForOutcome();
  EXPECT_EQ("Backup completed.", log.back()) << TWizard::Joined(log);
  EXPECT_EQ(1, CountOutcomeLines(log));
  EXPECT_TRUE(wizard.Enabled(IDOK));
  Sleep(300);
  SaveScreenBitmap(wizard.dialog_, ScreenshotFolder() + "\\keepsake_done_" + GetParam() + ".bmp");
  EXPECT_EQ(0, wizard.Close());
}

// A restore whose log runs far past 8 KB still ends with its outcome, in view.
TEST_P(KeepsakeTest, LongLogShowsItsOutcome) {
  TDirect db(db_->ConnectString());
  FillShop(db, Postgres());
  for (int i = 0; i < 200; ++i)
    db.Exec("CREATE TABLE a_table_with_a_rather_long_descriptive_name_" + std::to_string(i) + " (x INTEGER)");
  TWizard wizard;
  ASSERT_TRUE(wizard.Start("\"" + db_->IniPath() + "\"", db_->Folder()));
  const std::string backup = db_->File("long.dmp");
  ASSERT_TRUE(wizard.Run(true, backup));
  std::vector<std::string> log;
  ASSERT_TRUE(wizard.Run(false, backup, &log)) << TWizard::Joined(log);
  const std::string text = wizard.Text(IDC_LOG);
  EXPECT_GT(text.size(), 8192u) << text;
  EXPECT_EQ("Restore completed.", log.back());
  // The last character lies inside the pane's client area.
  HWND pane = wizard.Control(IDC_LOG);
  DWORD_PTR position = 0;
  SendMessageTimeoutA(pane, EM_POSFROMCHAR, text.size() - 1, 0, SMTO_ABORTIFHUNG, 5000, &position);
  RECT client;
  GetClientRect(pane, &client);
  const int y = static_cast<short>(HIWORD(position));
  EXPECT_GE(y, 0);
  EXPECT_LT(y, client.bottom);
}

INSTANTIATE_DATABASE_TESTS(KeepsakeTest);

// ---- Without a database ----

TEST(KeepsakeStart, KeypadEnablesProceedOnlyForTheAccessPin) {
  TScratchDir dir("keepsake");
  const std::string ini = dir.Write("app.ini", "[Network]\nDriver Name=SQLite3\nDatabase=shop\n");
  TWizard wizard;
  ASSERT_TRUE(wizard.Start("\"" + ini + "\"", dir.path()));
  EXPECT_EQ("shop_db.dmp", wizard.Text(IDC_BACKUP_PATH));
  EXPECT_EQ(BST_CHECKED, SendMessageA(wizard.Control(IDC_BACKUP), BM_GETCHECK, 0, 0));
  struct TCase {
    const char* keys;
    const char* typed;  // set directly, not by keys
    const char* field;
    bool proceed;
  };
  const TCase cases[] = {
      {"", nullptr, "", false},
      {"693", nullptr, "693", false},
      {"6937", nullptr, "6937", true},
      {"69371", nullptr, "6937", true},  // a fifth key changes nothing
      {"1234", nullptr, "1234", false},
      {"6938", nullptr, "6938", false},
      {"", "6937", "6937", true},
      {"", "6936", "6936", false},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.keys);
    wizard.SetText(IDC_PIN, c.typed ? c.typed : "");
    wizard.TypePin(c.keys);
    EXPECT_EQ(c.field, wizard.Text(IDC_PIN));
    EXPECT_EQ(c.proceed, wizard.Enabled(IDOK));
  }
  EXPECT_EQ(0, wizard.Close());
}

// The sample application as a user has it: its INI, its database made from its scripts.
TEST(KeepsakeStart, SampleApplicationBacksUpAndRestoresItsDatabase) {
  TScratchDir dir("keepsake");
  const std::string sample = VORN_SOURCE_DIR "/sample/";
  dir.Write("VORN.INI", TScratchDir::Read(sample + "VORN.INI"));
  {
    TDirect db("DRIVER={SQLite3};Database=" + UnixPath(dir.File("vorn.db")) + ";");
    for (const char* script : {"vorn.sql", "utables.sql"}) {
      const std::string text = TScratchDir::Read(sample + script);
      ASSERT_FALSE(text.empty()) << script;
      size_t start = 0, end;
      while ((end = text.find(';', start)) != std::string::npos) {
        db.Exec(text.substr(start, end - start));
        start = end + 1;
      }
    }
    db.Exec("INSERT INTO CUSTOMER (CUST_ID, NAME, CITY) VALUES (101, 'Novak', 'Maribor')");
  }
  // The program's own connection keeps a write-ahead log; a row it committed that is still
  // in the log beside the file (its connection open) belongs in the backup.
  TNetworkSettings settings;
  settings.driver = "SQLite3";
  settings.database = dir.File("vorn");
  auto program = std::make_unique<TDirect>(PlanConnection(settings, "").databaseConnect);
  program->Exec("INSERT INTO CUSTOMER (CUST_ID, NAME, CITY) VALUES (103, 'Horvat', 'Ptuj')");
  const std::string db = "DRIVER={SQLite3};Database=" + UnixPath(dir.File("vorn.db")) + ";";
  const char* const citiesSql =
      "SELECT group_concat(c) FROM (SELECT CUST_ID || ':' || CITY AS c FROM CUSTOMER ORDER BY CUST_ID)";
  const std::string backedUp = TDirect(db).Query(citiesSql);
  ASSERT_NE(backedUp.find("101:Maribor,103:Ptuj"), std::string::npos) << backedUp;
  TWizard wizard;
  ASSERT_TRUE(wizard.Start(dir.File("VORN.INI"), dir.path()));
  EXPECT_EQ("vorn", wizard.Text(IDC_DATABASE_NAME));
  EXPECT_EQ("vorn_db.dmp", wizard.Text(IDC_BACKUP_PATH));
  EXPECT_EQ(BST_CHECKED, SendMessageA(wizard.Control(IDC_BACKUP), BM_GETCHECK, 0, 0));
  EXPECT_FALSE(wizard.Enabled(IDOK));
  wizard.TypePin("693");
  EXPECT_FALSE(wizard.Enabled(IDOK));
  wizard.TypePin("7");
  EXPECT_TRUE(wizard.Enabled(IDOK));
  wizard.Press(IDOK);
  std::vector<std::string> log = wizard.WaitForOutcome();
  EXPECT_EQ("Backup completed.", log.back()) << TWizard::Joined(log);
  EXPECT_EQ("Performing a Backup of database vorn to the disk file " + dir.File("vorn_db.dmp") + ".", log.front());

  program.reset();
  TDirect(db).Exec("UPDATE CUSTOMER SET CITY = 'Celje'");
  TDirect(db).Exec("INSERT INTO CUSTOMER (CUST_ID, NAME) VALUES (102, 'Kranjc')");
  wizard.Press(IDC_RESTORE);
  wizard.Press(IDOK);
  log = wizard.WaitForOutcome();
  EXPECT_EQ("Restore completed.", log.back()) << TWizard::Joined(log);
  EXPECT_EQ(backedUp, TDirect(db).Query(citiesSql));
  EXPECT_EQ("0", TDirect(db).Query("SELECT COUNT(*) FROM CUSTOMER WHERE CUST_ID = 102"));
  EXPECT_EQ(0, wizard.Close());
  // Nothing of the log is left beside the restored file.
  for (const std::string& name : TScratchDir::Names(dir.path())) EXPECT_EQ(name.find("vorn.db-"), std::string::npos) << name;
}

// Select: the save dialog for a backup, the open dialog for a restore; the chosen path
// comes back lower-cased, and cancelling changes nothing.
TEST(KeepsakeStart, SelectChoosesTheBackupFile) {
  TScratchDir dir("keepsake");
  const std::string ini = dir.Write("app.ini", "[Network]\nDriver Name=SQLite3\nDatabase=shop\n");
  dir.Write("Old.DMP", "x");
  TWizard wizard;
  ASSERT_TRUE(wizard.Start("\"" + ini + "\"", dir.path()));
  struct TCase {
    bool backup;
    const char* title;
    std::string typed;  // "" cancels
    std::string field;
  };
  const TCase cases[] = {
      {true, "Select Backup file to create", "", "shop_db.dmp"},
      {true, "Select Backup file to create", dir.path() + "\\New.DMP", ""},
      {false, "Select Backup file to load", dir.path() + "\\Old.DMP", ""},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.title);
    const std::string before = wizard.Text(IDC_BACKUP_PATH);
    wizard.Press(c.backup ? IDC_BACKUP : IDC_RESTORE);
    PostMessageA(wizard.dialog_, WM_COMMAND, MAKEWPARAM(1004, BN_CLICKED), 0);
    TWatchedDialog box = FindDialog(wizard.child_.pid(), c.title, 20000);
    ASSERT_TRUE(box.found);
    if (c.typed.empty()) {
      PressDialogButton(box.window, IDCANCEL);
    } else {
      // The file name field of the old-style and of the explorer-style dialog.
      for (int id : {0x480, 0x47c}) {
        HWND field = GetDlgItem(box.window, id);
        if (field) SendMessageA(field, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(c.typed.c_str()));
      }
      PressDialogButton(box.window, IDOK);
    }
    std::string expected = c.typed.empty() ? before : c.typed;
    if (!c.typed.empty())
      for (char& ch : expected) ch = static_cast<char>(tolower(static_cast<unsigned char>(ch)));
    std::string field;
    for (int i = 0; i < 100 && (field = wizard.Text(IDC_BACKUP_PATH)) != expected; ++i) Sleep(50);
    EXPECT_EQ(expected, field);
  }
  EXPECT_EQ(0, wizard.Close());
}

TEST(KeepsakeStart, IniPathQuotedOrRelative) {
  TScratchDir dir("keepsake");
  const std::string sub = dir.path() + "\\my settings";
  CreateDirectoryA(sub.c_str(), nullptr);
  std::ofstream(sub + "\\app.ini") << "[Network]\nDriver Name=SQLite3\nDatabase=spaced\n";
  std::ofstream(dir.path() + "\\plain.ini") << "[Network]\nDriver Name=SQLite3\nDatabase=plain\n";
  struct TCase {
    std::string arguments;
    std::string database;
  };
  const TCase cases[] = {
      {"\"" + sub + "\\app.ini\"", "spaced"},
      {"\"my settings\\app.ini\"", "spaced"},
      {"plain.ini", "plain"},
      {"  \"plain.ini\"  ", "plain"},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.arguments);
    TWizard wizard;
    ASSERT_TRUE(wizard.Start(c.arguments, dir.path()));
    EXPECT_EQ(c.database, wizard.Text(IDC_DATABASE_NAME));
    EXPECT_EQ(0, wizard.Close());
  }
}

TEST(KeepsakeStart, MissingDatabaseKeyEndsWithItsBoxAndExitCode1) {
  TScratchDir dir("keepsake");
  const std::string ini = dir.Write("app.ini", "[Network]\nUsername=sa\n");
  TChild child;
  ASSERT_TRUE(StartChild(child, "\"" + KeepsakePath() + "\" " + ini, dir.path().c_str()));
  TWatchedDialog box = WatchAndPress(child.pid(), "DB Maintenance Wizard", IDOK, 20000);
  ASSERT_TRUE(box.found);
  EXPECT_EQ("No database name specified in the file " + ini + "!", box.text);
  EXPECT_EQ(TBoxIcon::Hand, box.icon);
  EXPECT_EQ(1, child.Wait(10000));
}

// ---- SQL Server's statements (no such server here: checked as text) ----

TEST(KeepsakeSqlServer, BackupAndRestoreStatementsQuoteNameAndPath) {
  struct TCase {
    const char* database;
    const char* path;
    const char* backup;
    const char* restore;
  };
  const TCase cases[] = {
      {"shop", "C:\\data\\shop_db.dmp", "BACKUP DATABASE [shop] TO DISK='C:\\data\\shop_db.dmp' WITH INIT",
       "USE master RESTORE DATABASE [shop] FROM DISK='C:\\data\\shop_db.dmp'"},
      {"odd]name", "C:\\o'brien\\it's.dmp", "BACKUP DATABASE [odd]]name] TO DISK='C:\\o''brien\\it''s.dmp' WITH INIT",
       "USE master RESTORE DATABASE [odd]]name] FROM DISK='C:\\o''brien\\it''s.dmp'"},
      {"x]; DROP DATABASE shop; --", "a.dmp",
       "BACKUP DATABASE [x]]; DROP DATABASE shop; --] TO DISK='a.dmp' WITH INIT",
       "USE master RESTORE DATABASE [x]]; DROP DATABASE shop; --] FROM DISK='a.dmp'"},
  };
  for (const TCase& c : cases) {
    EXPECT_EQ(c.backup, TSqlDialect::SqlServerBackup(c.database, c.path));
    EXPECT_EQ(c.restore, TSqlDialect::SqlServerRestore(c.database, c.path));
  }
  EXPECT_EQ(TSqlDialect::BackupByStatement, TSqlDialect::ForDbmsName("Microsoft SQL Server").BackupMethod());
}

// ---- PostgreSQL's refusals ----

class KeepsakePostgresTest : public ::testing::Test {
protected:
  void SetUp() override { db_ = std::make_unique<TWizardDatabase>("PostgreSQL"); }
  std::unique_ptr<TWizardDatabase> db_;
};

TEST_F(KeepsakePostgresTest, WrongPasswordAndARoleWithoutServerProgramsAreLoggedAsFailures) {
  ASSERT_FALSE(db_->ConnectString().empty());
  TDirect server(getenv("VORN_PG_CONNECT"));
  // keepsake_pw must give its password (the session's server asks it of this role only).
  server.Exec("DO $$BEGIN IF NOT EXISTS (SELECT FROM pg_roles WHERE rolname = 'keepsake_pw') THEN "
              "CREATE ROLE keepsake_pw LOGIN PASSWORD 'right'; END IF; END$$");
  server.Exec("GRANT ALL ON DATABASE " + db_->Name() + " TO keepsake_pw");
  TDirect db(db_->ConnectString());
  FillShop(db, true);
  const std::string port = getenv("VORN_PG_PORT");
  db_->WriteIni("[Network]\nDriver Name=PostgreSQL ANSI\nServer Name=127.0.0.1:" + port + "\nDatabase=" +
                db_->Name() + "\nUsername=keepsake_pw\nPassword=wrong\n");
  TWizard wizard;
  ASSERT_TRUE(wizard.Start("\"" + db_->IniPath() + "\"", db_->Folder()));
  EXPECT_EQ("wrong", wizard.Text(IDC_PASSWORD));
  std::vector<std::string> log;
  EXPECT_FALSE(wizard.Run(true, db_->File("pw.dmp"), &log));
  EXPECT_TRUE(Contains(log, "Connect fails")) << TWizard::Joined(log);
  EXPECT_TRUE(Contains(log, "password authentication failed")) << TWizard::Joined(log);
  EXPECT_EQ("Backup failed.", log.back());

  // The right password of a role that may not run the server's programs.
  wizard.SetText(IDC_PASSWORD, "right");
  EXPECT_FALSE(wizard.Run(true, db_->File("pw.dmp"), &log));
  EXPECT_TRUE(Contains(log, "Error encountered")) << TWizard::Joined(log);
  EXPECT_TRUE(Contains(log, "external program")) << TWizard::Joined(log);
  // The numbers of the refusal, without SQL Server's own fields this driver does not give.
  EXPECT_TRUE(Contains(log, "SQLState 42501")) << TWizard::Joined(log);
  EXPECT_FALSE(Contains(log, "SevLevel")) << TWizard::Joined(log);
  EXPECT_EQ("Backup failed.", log.back());
  EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(db_->File("pw.dmp").c_str()));
  EXPECT_EQ(0, wizard.Close());
}

}  // namespace

// SQL script files on SQLite and PostgreSQL: statements split at the lines that end with
// ';', each logged with its outcome, failing ones standing alone, the statement bound;
// and the "Run Database Script" dialog, which no window goes under while its script runs.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "data/db/database.h"
#include "shell/databaseids.h"
#include "shell/sqlscript.h"
#include "shell/startup.h"
#include "support/dialog_watcher.h"
#include "support/form_support.h"
#include "support/scratch_dir.h"
#include "support/test_db.h"
#include "support/window_life.h"
#include "forms/controlids.h"

namespace {

// The log is a text file: lines end with CR LF on Windows.
std::string WithoutCarriageReturns(std::string text) {
  text.erase(std::remove(text.begin(), text.end(), '\r'), text.end());
  return text;
}

class SqlScriptTest : public DatabaseTest {
protected:
  void SetUp() override {
    DatabaseTest::SetUp();
    OdbcEnvironment = Env();
    DatabaseName[0] = '\0';
  }
  void TearDown() override {
    OdbcEnvironment = nullptr;
    DatabaseTest::TearDown();
  }
  // Runs a script of this text; returns the log.
  std::string Run(const std::string& script, TScriptRun* run = nullptr) {
    std::string path = dir_.Write("script.sql", script);
    TScriptRun result = RunSqlScriptFile(nullptr, path.c_str(), dir_.File("script.log").c_str());
    if (run) *run = result;
    return WithoutCarriageReturns(TScratchDir::Read(dir_.File("script.log")));
  }
  TScratchDir dir_{"vornscript"};
};

TEST_P(SqlScriptTest, StatementsEndWithTheLineThatEndsWithASemicolon) {
  const struct {
    const char* what;
    const char* script;
    const char* log;
    int statements;
  } cases[] = {
      {"one statement on one line", "CREATE TABLE T (A INT);\n", "CREATE TABLE T (A INT);\nSuccess\n", 1},
      {"lines joined as they are", "CREATE TABLE T\n (A INT);\nSELECT *\nFROM T;\n",
       "CREATE TABLE T (A INT);\nSuccess\nSELECT *FROM T;\nSuccess\n", 2},
      {"the last statement needs no semicolon", "CREATE TABLE T (A INT);\nINSERT INTO T VALUES (7)",
       "CREATE TABLE T (A INT);\nSuccess\nINSERT INTO T VALUES (7)\nSuccess\n", 2},
      {"blank lines and a blank end run nothing", "\nCREATE TABLE T (A INT);\n\n   \n",
       "CREATE TABLE T (A INT);\nSuccess\n", 1},
      {"a semicolon inside a line does not end the statement",
       "CREATE TABLE T (A VARCHAR(9));\nINSERT INTO T VALUES ('a;b')\n;\n",
       "CREATE TABLE T (A VARCHAR(9));\nSuccess\nINSERT INTO T VALUES ('a;b');\nSuccess\n", 2},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Db().Exec("DROP TABLE IF EXISTS T");
    TScriptRun run;
    EXPECT_EQ(Run(c.script, &run), c.log);
    EXPECT_TRUE(run.Succeeded());
    EXPECT_EQ(run.statements, c.statements);
  }
  EXPECT_EQ(Db().Query("SELECT A FROM T"), "a;b");
}

TEST_P(SqlScriptTest, AFailingStatementIsLoggedAndTheOthersStillRunAndStay) {
  // Outside autocommit PostgreSQL would refuse every statement after the failing one.
  TScriptRun run;
  std::string log = Run(
      "CREATE TABLE T (A INT);\n"
      "INSERT INTO T VALUES (1);\n"
      "INSERT INTO NO_SUCH_TABLE VALUES (2);\n"
      "INSERT INTO T VALUES (3);\n",
      &run);
  EXPECT_EQ(run.statements, 4);
  EXPECT_EQ(run.failed, 1);
  EXPECT_FALSE(run.Succeeded());
  const std::string failing = "INSERT INTO NO_SUCH_TABLE VALUES (2);\nError Returned: ";
  size_t error = log.find(failing);
  ASSERT_NE(error, std::string::npos) << log;
  EXPECT_EQ(log.substr(0, error),
            "CREATE TABLE T (A INT);\nSuccess\nINSERT INTO T VALUES (1);\nSuccess\n");
  size_t next = log.find("INSERT INTO T VALUES (3);\n");
  ASSERT_NE(next, std::string::npos) << log;
  EXPECT_GT(next, error + failing.size() + 1) << "the server's message is logged";
  EXPECT_EQ(log.substr(next), "INSERT INTO T VALUES (3);\nSuccess\n");
  EXPECT_EQ(Db().Query("SELECT COUNT(*) FROM T"), "2");
}

TEST_P(SqlScriptTest, LongLinesAndStatementsStayWithinTheirBounds) {
  Db().Exec("CREATE TABLE T (A VARCHAR(9000))");
  // A line longer than 1023 characters is read in chunks; a chunk that happens to end
  // with ';' ends the statement there.
  std::string first = "INSERT INTO T VALUES ('" + std::string(997, 'a') + "');";
  ASSERT_EQ(first.size(), 1023u);
  TScriptRun run;
  Run(first + "INSERT INTO T VALUES ('b');\n", &run);
  EXPECT_EQ(run.statements, 2);
  EXPECT_TRUE(run.Succeeded());
  EXPECT_EQ(Db().Query("SELECT COUNT(*) FROM T"), "2");

  // A statement beyond the 8191-character buffer is refused, the next one still runs.
  std::string longValue(9000, 'z');
  std::string script = "INSERT INTO T VALUES ('" + longValue + "');\nINSERT INTO T VALUES ('after');\n";
  std::string log = Run(script, &run);
  EXPECT_EQ(run.statements, 2);
  EXPECT_EQ(run.failed, 1);
  EXPECT_NE(log.find("\nError Returned: the statement is longer than 8191 characters and was not run\n"),
            std::string::npos);
  EXPECT_NE(log.find("INSERT INTO T VALUES ('after');\nSuccess\n"), std::string::npos);
  EXPECT_EQ(Db().Query("SELECT COUNT(*) FROM T"), "3");
  EXPECT_EQ(Db().Query("SELECT COUNT(*) FROM T WHERE A='after'"), "1");
  EXPECT_EQ(Db().Query("SELECT COUNT(*) FROM T WHERE A LIKE 'zzz%'"), "0");
}

TEST_P(SqlScriptTest, EveryLineEndEndsALineAndALineWithANulRunsNothing) {
  const std::string nul(1, '\0');
  // The script's lines; the log they give.
  const std::vector<std::string> lines = {
      "CREATE TABLE T (A INT);",
      "INSERT INTO T VALUES (1);",
      "INSERT INTO T VALUES (2" + nul + ");",
      "INSERT INTO T",
      " VALUES (3);" + nul + "DROP TABLE CANARY;",
      "INSERT INTO T VALUES (4);",
      "INSERT INTO T VALUES (5);" + nul,
      "INSERT INTO T VALUES (6);",
  };
  const std::string log =
      "CREATE TABLE T (A INT);\nSuccess\n"
      "INSERT INTO T VALUES (1);\nSuccess\n"
      "INSERT INTO T VALUES (2\nError Returned: line 3 holds a NUL character; the statement was not run\n"
      "INSERT INTO T VALUES (3);\nError Returned: line 5 holds a NUL character; the statement was not run\n"
      "INSERT INTO T VALUES (4);\nSuccess\n"
      "INSERT INTO T VALUES (5);\nError Returned: line 7 holds a NUL character; the statement was not run\n"
      "INSERT INTO T VALUES (6);\nSuccess\n";
  for (const char* lineEnd : {"\n", "\r\n", "\r"}) {
    SCOPED_TRACE(lineEnd[0] == '\n' ? "LF" : lineEnd[1] ? "CR LF" : "CR");
    Db().Exec("DROP TABLE IF EXISTS T");
    Db().Exec("DROP TABLE IF EXISTS CANARY");
    Db().Exec("CREATE TABLE CANARY (A INT)");
    std::string script;
    for (const std::string& line : lines) script += line + lineEnd;
    TScriptRun run;
    EXPECT_EQ(Run(script, &run), log);
    EXPECT_EQ(run.statements, 7);
    EXPECT_EQ(run.failed, 3);
    EXPECT_EQ(Db().Query("SELECT COUNT(*) FROM T"), "3");
    EXPECT_EQ(Db().Query("SELECT SUM(A) FROM T"), "11");
    EXPECT_EQ(Db().Query("SELECT COUNT(*) FROM CANARY"), "0");
  }
}

TEST_P(SqlScriptTest, AMissingScriptLeavesAnEmptyLog) {
  dir_.Write("script.log", "old lines\n");
  TScriptRun run = RunSqlScriptFile(nullptr, dir_.File("missing.sql").c_str(), dir_.File("script.log").c_str());
  EXPECT_FALSE(run.opened);
  EXPECT_FALSE(run.Succeeded());
  EXPECT_EQ(TScratchDir::Read(dir_.File("script.log")), "");
}

TEST_P(SqlScriptTest, CancelInTheProgressWindowOnlyHidesIt) {
  StartFormSession();
  std::string script = "CREATE TABLE T (A INT);\n";
  for (int i = 0; i < 400; ++i) script += "INSERT INTO T VALUES (" + std::to_string(i) + ");\n";
  auto cancel = WatchAndPressAsync(GetCurrentProcessId(), "Processing...", IDCANCEL, 20000);
  TScriptRun run;
  Run(script, &run);
  TWatchedDialog box = cancel.get();
  EXPECT_TRUE(box.found);
  EXPECT_EQ(run.statements, 401);
  EXPECT_TRUE(run.Succeeded());
  EXPECT_EQ(Db().Query("SELECT COUNT(*) FROM T"), "400");
  EXPECT_FALSE(IsWindow(box.window));
}

// A window that starts a second script when its message arrives, as a menu command could
// while the first one pumps messages.
TScriptRun nestedRun;
std::string nestedScript, nestedLog;
LRESULT CALLBACK NestedRunProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_APP) nestedRun = RunSqlScriptFile(nullptr, nestedScript.c_str(), nestedLog.c_str());
  return DefWindowProcA(window, message, wParam, lParam);
}

TEST_P(SqlScriptTest, AScriptStartedWhileOneRunsDoesNothing) {
  WNDCLASSA windowClass = {};
  windowClass.lpfnWndProc = NestedRunProc;
  windowClass.hInstance = GetModuleHandleA(nullptr);
  windowClass.lpszClassName = "NestedScriptRun";
  RegisterClassA(&windowClass);
  HWND window = CreateWindowA("NestedScriptRun", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
  nestedScript = dir_.Write("second.sql", "CREATE TABLE SECOND (A INT);\n");
  nestedLog = dir_.File("second.log");
  nestedRun = TScriptRun{};
  nestedRun.opened = true;
  PostMessageA(window, WM_APP, 0, 0);
  TScriptRun run;
  std::string log = Run("CREATE TABLE T (A INT);\nINSERT INTO T VALUES (1);\n", &run);
  DestroyWindow(window);
  EXPECT_TRUE(run.Succeeded());
  EXPECT_EQ(log, "CREATE TABLE T (A INT);\nSuccess\nINSERT INTO T VALUES (1);\nSuccess\n");
  EXPECT_FALSE(nestedRun.opened) << "the second script was not run";
  EXPECT_EQ(GetFileAttributesA(nestedLog.c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(Db().Query("SELECT COUNT(*) FROM T"), "1");
}

// The upgrade script of start-up, run in the scratch folder as start-up runs it in the
// model folder: once, whatever comes of it.
class UpgradeScriptTest : public SqlScriptTest {
protected:
  void SetUp() override {
    SqlScriptTest::SetUp();
    GetCurrentDirectoryA(sizeof previous_, previous_);
    SetCurrentDirectoryA(dir_.path().c_str());
  }
  void TearDown() override {
    SetCurrentDirectoryA(previous_);
    SqlScriptTest::TearDown();
  }
  // One start's upgrade; the text of the box it showed ("" when none).
  std::string StartUp() {
    auto box = WatchAndPressAsync(GetCurrentProcessId(), "VORN", IDOK, 3000);
    RunUpgradeScript();
    const TWatchedDialog shown = box.get();
    return shown.found ? shown.text : "";
  }
  bool Exists(const char* name) { return GetFileAttributesA(dir_.File(name).c_str()) != INVALID_FILE_ATTRIBUTES; }
  std::string Log(const char* name) { return WithoutCarriageReturns(TScratchDir::Read(dir_.File(name))); }
  char previous_[MAX_PATH] = "";
};

TEST_P(UpgradeScriptTest, AScriptWithAFailingStatementRunsOnceAndIsReportedOnce) {
  Db().Exec("CREATE TABLE PRICES (ID INTEGER, PRICE INTEGER)");
  Db().Exec("INSERT INTO PRICES VALUES (1, 10)");
  const std::string script = "UPDATE PRICES SET PRICE = PRICE * 2;\nTHIS IS NOT SQL;\n";
  dir_.Write(UPGRADE_SCRIPT, script);

  const std::string box = StartUp();
  EXPECT_NE(box.find("1 of its 2 statements failed"), std::string::npos) << box;
  EXPECT_NE(box.find(FAILED_UPGRADE_SCRIPT), std::string::npos) << box;
  EXPECT_NE(box.find(FAILED_UPGRADE_LOG), std::string::npos) << box;
  EXPECT_EQ(Db().Query("SELECT PRICE FROM PRICES"), "20");
  EXPECT_FALSE(Exists(UPGRADE_SCRIPT));
  EXPECT_EQ(TScratchDir::Read(dir_.File(FAILED_UPGRADE_SCRIPT)), script);
  EXPECT_NE(Log(FAILED_UPGRADE_LOG).find("THIS IS NOT SQL;\nError Returned: "), std::string::npos);

  // The next starts: nothing runs again, no box, and the record of the failure stays.
  for (int start = 0; start < 2; ++start) {
    EXPECT_EQ(StartUp(), "");
    EXPECT_EQ(Db().Query("SELECT PRICE FROM PRICES"), "20");
    EXPECT_EQ(Log(UPGRADE_LOG), "");
    EXPECT_NE(Log(FAILED_UPGRADE_LOG).find("Error Returned: "), std::string::npos);
  }

  // A clean script is deleted, leaves its log, and the failure set aside before stays.
  dir_.Write(UPGRADE_SCRIPT, "UPDATE PRICES SET PRICE = PRICE + 1;\n");
  EXPECT_EQ(StartUp(), "");
  EXPECT_EQ(Db().Query("SELECT PRICE FROM PRICES"), "21");
  EXPECT_FALSE(Exists(UPGRADE_SCRIPT));
  EXPECT_EQ(Log(UPGRADE_LOG), "UPDATE PRICES SET PRICE = PRICE + 1;\nSuccess\n");
  EXPECT_EQ(TScratchDir::Read(dir_.File(FAILED_UPGRADE_SCRIPT)), script);
  EXPECT_EQ(StartUp(), "");
  EXPECT_EQ(Db().Query("SELECT PRICE FROM PRICES"), "21");
}

// The dialog, opened modeless here so the test drives it from its own thread.
class RunScriptDialogTest : public SqlScriptTest {
protected:
  void SetUp() override {
    SqlScriptTest::SetUp();
    StartFormSession();
    GetProfileStringA("VORN", "Last Script", "\x01", saved_, sizeof saved_);
    GetCurrentDirectoryA(sizeof folder_, folder_);
    SetCurrentDirectoryA(dir_.path().c_str());  // "rds.log" is written here
  }
  void TearDown() override {
    if (dialog_) DestroyWindow(dialog_);
    SetCurrentDirectoryA(folder_);
    WriteProfileStringA("VORN", "Last Script", strcmp(saved_, "\x01") ? saved_ : nullptr);
    ChooseScriptFile = GetOpenFileNameA;
    SqlScriptTest::TearDown();
  }
  HWND Open() {
    dialog_ = CreateDialogParamA(GetModuleHandleA(nullptr), "RunScript", nullptr, RunScriptDlgProc, 0);
    EXPECT_NE(dialog_, nullptr);
    return dialog_;
  }
  bool Enabled(int id) { return IsWindowEnabled(GetDlgItem(dialog_, id)) != FALSE; }
  std::vector<std::string> ListLines() {
    std::vector<std::string> lines;
    int count = static_cast<int>(SendDlgItemMessageA(dialog_, SCRIPT_LINES_ID, LB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
      char text[9000] = "";
      SendDlgItemMessageA(dialog_, SCRIPT_LINES_ID, LB_GETTEXT, i, reinterpret_cast<LPARAM>(text));
      lines.push_back(text);
    }
    return lines;
  }
  void Press(int id) { SendMessageA(dialog_, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0); }
  HWND dialog_ = nullptr;
  char saved_[1024] = "";
  char folder_[MAX_PATH] = "";
};

TEST_P(RunScriptDialogTest, PreviewShowsTheScriptAndRunShowsTheLogAndRemembersTheScript) {
  Db().Exec("CREATE TABLE T (A INT)");
  std::string script = dir_.Write("fill.sql", "INSERT INTO T\n VALUES (5);\nINSERT INTO T VALUES (6);\n");
  for (char& c : script) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
  WriteProfileStringA("VORN", "Last Script", nullptr);
  Open();
  EXPECT_FALSE(Enabled(IDOK));
  EXPECT_FALSE(Enabled(SCRIPT_PREVIEW_ID));

  SetDlgItemTextA(dialog_, SCRIPT_PATH_ID, script.c_str());
  EXPECT_TRUE(Enabled(IDOK));
  EXPECT_TRUE(Enabled(SCRIPT_PREVIEW_ID));
  Press(SCRIPT_PREVIEW_ID);
  EXPECT_EQ(ListLines(), (std::vector<std::string>{"INSERT INTO T", " VALUES (5);", "INSERT INTO T VALUES (6);"}));
  EXPECT_EQ(Db().Query("SELECT COUNT(*) FROM T"), "0") << "preview runs nothing";

  Press(IDOK);
  EXPECT_EQ(ListLines(), (std::vector<std::string>{"INSERT INTO T VALUES (5);", "Success",
                                                   "INSERT INTO T VALUES (6);", "Success"}));
  EXPECT_EQ(Db().Query("SELECT SUM(A) FROM T"), "11");
  char last[1024] = "";
  GetProfileStringA("VORN", "Last Script", "", last, sizeof last);
  EXPECT_EQ(std::string(last), script);

  // The next opening offers the script again.
  DestroyWindow(dialog_);
  Open();
  char shown[1024] = "";
  GetDlgItemTextA(dialog_, SCRIPT_PATH_ID, shown, sizeof shown);
  EXPECT_EQ(std::string(shown), script);
  EXPECT_TRUE(Enabled(IDOK));
}

TEST_P(RunScriptDialogTest, SelectFileTakesTheChosenPathInLowerCase) {
  static OPENFILENAMEA asked;
  ChooseScriptFile = [](OPENFILENAMEA* record) -> BOOL {
    asked = *record;
    strcpy(record->lpstrFile, "C:\\Scripts\\ALTER.SQL");
    return TRUE;
  };
  WriteProfileStringA("VORN", "Last Script", nullptr);
  Open();
  Press(SCRIPT_SELECT_ID);
  char shown[1024] = "";
  GetDlgItemTextA(dialog_, SCRIPT_PATH_ID, shown, sizeof shown);
  EXPECT_STREQ(shown, "c:\\scripts\\alter.sql");
  EXPECT_TRUE(Enabled(IDOK));
  EXPECT_STREQ(asked.lpstrTitle, "Select SQL file");
  EXPECT_EQ(std::string(asked.lpstrFilter, 36), std::string("Database Script Files(*.sql;*.txt)\0*", 36));
  EXPECT_TRUE(asked.Flags & OFN_FILEMUSTEXIST);
  EXPECT_TRUE(asked.Flags & OFN_HIDEREADONLY);
}

// The "Run Database Script" dialog over a form, while its script runs, with the form closed,
// the dialog closed or the program logged out (the login refused): the script runs whole,
// the program lives on until the dialog has ended (after the refused login the program
// cancels it once the run is over), and nothing is left open.
class ScriptWindowLifeTest : public WindowLifeTest {
protected:
  void SetUp() override {
    WindowLifeTest::SetUp();
    GetProfileStringA("VORN", "Last Script", "\x01", saved_, sizeof saved_);
    std::string script;
    for (int key = 100; key < 400; ++key)
      script += "INSERT INTO CUST (CUST_ID, NAME) VALUES (" + std::to_string(key) + ", 'Name " + std::to_string(key) + "');\n";
    script_ = dir_.Write("customers.sql", script);
  }
  void TearDown() override {
    WriteProfileStringA("VORN", "Last Script", strcmp(saved_, "\x01") ? saved_ : nullptr);
    WindowLifeTest::TearDown();
  }
  char saved_[1024] = "";
  std::string script_;
};

TEST_P(ScriptWindowLifeTest, NoWindowGoesUnderAScriptRun) {
  const std::string script = script_;
  const TModalStep steps[] = {
      {"script run", [] {}, [this] { return CustomerFormOfMain(); }, CANCEL_BUTTON_ID,
       [](HWND opener) { ShowRunScriptDialog(opener); }, "Run Database Script",
       [script](HWND dialog) {
         SetDlgItemTextA(dialog, SCRIPT_PATH_ID, script.c_str());
         PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
       },
       nullptr, IDCANCEL, CUSTOMERS, "301:1,399", nullptr, nullptr},
  };
  RunAll(steps);
}

INSTANTIATE_DATABASE_TESTS(ScriptWindowLifeTest);
INSTANTIATE_DATABASE_TESTS(SqlScriptTest);
INSTANTIATE_DATABASE_TESTS(RunScriptDialogTest);
INSTANTIATE_DATABASE_TESTS(UpgradeScriptTest);

}  // namespace

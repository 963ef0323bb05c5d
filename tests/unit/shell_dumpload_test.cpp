// Dump and load of tables on SQLite and PostgreSQL: the file format, exact round trips of
// awkward values, loading only new keys, refused files, foreign keys, and the dialog, which
// no window goes under while it works or tells what it did.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "data/core/strings.h"
#include "data/db/odbc.h"
#include "data/db/odbcstatement.h"
#include "data/model/model.h"
#include "shell/databaseids.h"
#include "shell/dumpload.h"
#include "support/dialog_watcher.h"
#include "support/form_support.h"
#include "support/record_test_db.h"
#include "support/scratch_dir.h"
#include "support/screen_capture.h"
#include "support/window_life.h"
#include "forms/controlids.h"
#include "shell/commands.h"

namespace {

using TRows = std::vector<std::vector<std::string>>;

std::vector<TEntitySpec> DumpModel() {
  TAttrSpec shadow("P_ID", "INTEGER");
  shadow.nonStored = 1;
  return {
      {"PARENT",
       {{"P_ID", "INTEGER"}, {"NAME", "VARCHAR(40)"}, {"AMOUNT", "DECIMAL(10,2)"}, {"SEEN", "DATE"},
        {"NOTE", "VARCHAR(9000)"}, shadow},
       {}},
      {"CHILD", {{"C_ID", "INTEGER"}, {"P_ID", "INTEGER"}, {"LABEL", "VARCHAR(40)"}}, {}},
  };
}

class DumpLoadTest : public RecordDatabaseTest {
protected:
  void SetUp() override {
    RecordDatabaseTest::SetUp();
    TModelFlags flags;
    flags.keys = {{"PARENT", "P_ID"}, {"CHILD", "C_ID"}};
    UseModel(DumpModel(), flags);
    Db().Exec(
        "CREATE TABLE PARENT (P_ID INTEGER PRIMARY KEY, NAME VARCHAR(40), AMOUNT DECIMAL(10,2), SEEN DATE, "
        "NOTE VARCHAR(9000))");
    Db().Exec("CREATE TABLE CHILD (C_ID INTEGER PRIMARY KEY, P_ID INTEGER REFERENCES PARENT (P_ID), LABEL VARCHAR(40))");
  }
  // Every row of the table, ordered by its first column; NULL as "<null>".
  TRows Rows(const char* table) {
    TOdbcConnection connection(Env(), 1);
    TOdbcStatement statement(&connection);
    EXPECT_TRUE(SQL_SUCCEEDED(statement.ExecDirect((std::string("SELECT * FROM ") + table + " ORDER BY 1").c_str())))
        << statement.GetDiagMessage();
    TRows rows;
    while (statement.Fetch() == SQL_SUCCESS) {
      rows.emplace_back();
      for (int i = 0; i < statement.NumResultCols(); ++i) {
        char value[10000];
        SQLLEN indicator = statement.GetData(i, value, sizeof value);
        rows.back().push_back(indicator == SQL_NULL_DATA ? "<null>" : value);
      }
    }
    return rows;
  }
  // Inserts a PARENT row with bound values (null pointers for NULL).
  void InsertParent(int id, const char* name, const char* amount, const char* seen, const char* note) {
    TOdbcConnection connection(Env(), 1);
    TOdbcStatement statement(&connection);
    ASSERT_TRUE(SQL_SUCCEEDED(statement.Prepare("INSERT INTO PARENT VALUES (?,?,?,?,?)")));
    const char* values[] = {nullptr, name, amount, seen, note};
    std::string idText = std::to_string(id);
    values[0] = idText.c_str();
    SQLLEN indicators[5];
    const SQLSMALLINT types[] = {SQL_INTEGER, SQL_VARCHAR, SQL_DECIMAL, SQL_CHAR, SQL_VARCHAR};
    for (int i = 0; i < 5; ++i) {
      indicators[i] = values[i] ? SQL_NTS : SQL_NULL_DATA;
      SQLULEN size = values[i] ? strlen(values[i]) + 1 : 1;
      if (types[i] == SQL_DECIMAL) size = 10;
      SQLBindParameter(statement.Handle(), i + 1, SQL_PARAM_INPUT, SQL_C_CHAR, types[i], size,
                       types[i] == SQL_DECIMAL ? 2 : 0, const_cast<char*>(values[i] ? values[i] : ""), 0,
                       &indicators[i]);
    }
    ASSERT_TRUE(SQL_SUCCEEDED(statement.Execute())) << statement.GetDiagMessage();
  }
  std::string File(const char* name) const { return dir_.File(name); }
  std::string Read(const char* name) const {
    std::string text = TScratchDir::Read(File(name));
    std::string plain;
    for (char c : text)
      if (c != '\r') plain += c;
    return plain;
  }
  TScratchDir dir_{"vorndump"};
};

TEST_P(DumpLoadTest, ADumpLoadsBackExactlyWithNullsQuotesTabsAndLineBreaks) {
  InsertParent(1, "plain", "12.50", "2024-02-29", "it's \"quoted\"");
  InsertParent(2, "tab\there", nullptr, nullptr, "line\nbreak and\r\nwindows end");
  InsertParent(3, "", "0.00", "1999-12-31", nullptr);
  InsertParent(4, "back\\slash \\t \\N", "-3.75", nullptr, "\"");
  InsertParent(5, "\\N", nullptr, nullptr, "");
  InsertParent(6, nullptr, nullptr, nullptr, nullptr);
  const TRows before = Rows("PARENT");

  EXPECT_EQ(DumpTable(nullptr, "PARENT", File("parent.dmp").c_str(), nullptr), 6);
  std::string text = Read("parent.dmp");
  EXPECT_EQ(text.substr(0, text.find('\n', text.find('\n') + 1) + 1), "PARENT\tescaped\nP_ID\tNAME\tAMOUNT\tSEEN\tNOTE\n")
      << "the shadow attribute has no column";
  EXPECT_NE(text.find("\n2\ttab\\there\t\\N\t\\N\tline\\nbreak and\\r\\nwindows end\n"), std::string::npos) << text;
  EXPECT_NE(text.find("\n4\tback\\\\slash \\\\t \\\\N\t"), std::string::npos) << text;
  EXPECT_NE(text.find("\n6\t\\N\t\\N\t\\N\t\\N\n"), std::string::npos) << text;
  EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 8) << "one line per row";

  Db().Exec("DELETE FROM PARENT");
  long refused = -1;
  EXPECT_EQ(LoadTable(nullptr, "PARENT", File("parent.dmp").c_str(), &refused), 6);
  EXPECT_EQ(refused, 0);
  EXPECT_EQ(Rows("PARENT"), before);
}

TEST_P(DumpLoadTest, AnEmptyTableDumpsItsHeadingAndAFilterChoosesRows) {
  EXPECT_EQ(DumpTable(nullptr, "CHILD", File("child.dmp").c_str(), nullptr), 0);
  EXPECT_EQ(Read("child.dmp"), "CHILD\tescaped\nC_ID\tP_ID\tLABEL\n");
  EXPECT_EQ(LoadTable(nullptr, "CHILD", File("child.dmp").c_str()), 0);

  InsertParent(1, "a", nullptr, nullptr, nullptr);
  InsertParent(2, "b", nullptr, nullptr, nullptr);
  InsertParent(3, "c", nullptr, nullptr, nullptr);
  EXPECT_EQ(DumpTable(nullptr, "PARENT", File("some.dmp").c_str(), "P_ID >= 2"), 2);
  EXPECT_EQ(DumpTable(nullptr, "PARENT", File("all.dmp").c_str(), ""), 3);
}

TEST_P(DumpLoadTest, LoadingAddsOnlyKeysNotYetThereSoASecondLoadInsertsNothing) {
  InsertParent(1, "one", nullptr, nullptr, nullptr);
  InsertParent(2, "two", nullptr, nullptr, nullptr);
  ASSERT_EQ(DumpTable(nullptr, "PARENT", File("parent.dmp").c_str(), nullptr), 2);
  Db().Exec("DELETE FROM PARENT WHERE P_ID = 2");
  Db().Exec("UPDATE PARENT SET NAME = 'changed' WHERE P_ID = 1");

  EXPECT_EQ(LoadTable(nullptr, "PARENT", File("parent.dmp").c_str()), 1);
  EXPECT_EQ(LoadTable(nullptr, "PARENT", File("parent.dmp").c_str()), 0);
  TRows rows = Rows("PARENT");
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0][1], "changed") << "a row whose key exists stays as it is";
  EXPECT_EQ(rows[1][1], "two");
}

TEST_P(DumpLoadTest, AHandMadeFileIsReadAsPlainText) {
  dir_.Write("hand.dmp",
             "parent\r\n"
             "P_ID\tNAME\tAMOUNT\tSEEN\tNOTE\r\n"
             "1\t\"quoted\"\t\t\tO'Brien's \\n\r\n"
             "2\t\t7.5\t2020-01-02\t\"\"\r\n"
             "3\tshort row\r\n");
  long refused = 0;
  EXPECT_EQ(LoadTable(nullptr, "PARENT", File("hand.dmp").c_str(), &refused), 2);
  EXPECT_EQ(refused, 1) << "the row with too few values";
  TRows rows = Rows("PARENT");
  ASSERT_EQ(rows.size(), 2u);
  // One pair of surrounding quotes goes; an empty value is an empty text in a text column
  // and NULL in any other; a quote and a backslash load as themselves.
  EXPECT_EQ(rows[0][1], "quoted");
  EXPECT_EQ(rows[0][2], "<null>");
  EXPECT_EQ(rows[0][3], "<null>");
  EXPECT_EQ(rows[0][4], "O'Brien's \\n");
  EXPECT_EQ(rows[1][1], "");
  EXPECT_EQ(rows[1][4], "");
}

TEST_P(DumpLoadTest, HostileRowsAreRefusedWithTheirTrueLineNumbersWhateverTheLineEnds) {
  const std::string nul(1, '\0');
  const struct {
    std::string line;
    const char* reason;  // null: the row is stored
  } cases[] = {
      {"1\tAnn\t12.50\t2024-02-29\tok", nullptr},
      {"X3\tBo\t1\t\\N\tx", "'X3' is not a whole number for P_ID"},
      {"1; DROP TABLE CANARY\tBo\t1\t\\N\tx", "'1; DROP TABLE CANARY' is not a whole number for P_ID"},
      {"2\tCy\t-\t\\N\tx", "'-' is not a number for AMOUNT"},
      {"2\tCy\t1.2.3\t\\N\tx", "'1.2.3' is not a number for AMOUNT"},
      {"2\tCy\t12abc\t\\N\tx", "'12abc' is not a number for AMOUNT"},
      {"2\tCy\t) OR (1=1\t\\N\tx", "') OR (1=1' is not a number for AMOUNT"},
      {"2\tCy\t1e400\t\\N\tx", "'1e400' is not a number for AMOUNT"},
      {"2\tCy\t1,5\t\\N\tx", "'1,5' is not a number for AMOUNT"},
      {"3\tDi\t1\t2024-02-31\tx", "'2024-02-31' is not a date for SEEN"},
      {"3\tDi\t1\t2023-02-29\tx", "'2023-02-29' is not a date for SEEN"},
      {"4\tAnn" + nul + "x\tk\t\\N\tk", "the line holds a NUL character"},
      {"5\tBo\t1\t\\N\tafter", nullptr},
      {"6\tRobert'); DROP TABLE CANARY;--\t1\t0001-01-01\tx", nullptr},
      {"7\tshort", "the line has 2 values for 5 columns"},
  };
  Db().Exec("CREATE TABLE CANARY (A INTEGER)");
  for (const char* lineEnd : {"\n", "\r\n", "\r"}) {
    SCOPED_TRACE(lineEnd[0] == '\n' ? "LF" : lineEnd[1] ? "CR LF" : "CR");
    Db().Exec("DELETE FROM PARENT");
    std::string content = std::string("PARENT\tescaped") + lineEnd + "P_ID\tNAME\tAMOUNT\tSEEN\tNOTE" + lineEnd;
    std::vector<std::string> expected;
    for (size_t i = 0; i < sizeof cases / sizeof cases[0]; ++i) {
      content += cases[i].line + lineEnd;
      if (cases[i].reason) expected.push_back(File("hostile.dmp") + ", line " + std::to_string(i + 3) + ": " + cases[i].reason);
    }
    dir_.Write("hostile.dmp", content);
    long refused = -1;
    std::vector<std::string> reasons;
    EXPECT_EQ(LoadTable(nullptr, "PARENT", File("hostile.dmp").c_str(), &refused, &reasons), 3);
    EXPECT_EQ(refused, static_cast<long>(expected.size()));
    EXPECT_EQ(reasons, expected);
    TRows rows = Rows("PARENT");
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ((std::vector<std::string>{rows[0][0], rows[0][1], rows[0][3], rows[0][4]}),
              (std::vector<std::string>{"1", "Ann", "2024-02-29", "ok"}));
    EXPECT_EQ((std::vector<std::string>{rows[1][0], rows[1][1], rows[1][4]}), (std::vector<std::string>{"5", "Bo", "after"}));
    EXPECT_EQ((std::vector<std::string>{rows[2][0], rows[2][1], rows[2][3]}),
              (std::vector<std::string>{"6", "Robert'); DROP TABLE CANARY;--", "0001-01-01"}));
    EXPECT_EQ(Db().Query("SELECT COUNT(*) FROM CANARY"), "0");
  }
}

TEST_P(DumpLoadTest, FilesOfAnotherTableOrWithStrangeColumnsAreRefused) {
  StartFormSession();
  const struct {
    const char* what;
    const char* table;
    const char* content;
    const char* caption;
    const char* message;
  } cases[] = {
      {"another table", "PARENT", "CHILD\tescaped\nC_ID\tP_ID\tLABEL\n1\t\\N\tx\n", "Load Table Function",
       "Table name in file: CHILD, does not match table specified: PARENT"},
      {"a column the table does not have", "CHILD", "CHILD\nC_ID\tLABEL\tP_ID) VALUES (9,9,9); DROP TABLE PARENT; --\n",
       "Load Table Function", "Column P_ID) VALUES (9,9,9); DROP TABLE PARENT; -- in the file is not a column of table CHILD."},
      {"an unknown table", "NOWHERE", "NOWHERE\nA\n1\n", "Load Table Function!", "Unknown table: NOWHERE!"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    std::string path = dir_.Write("bad.dmp", c.content);
    auto box = WatchAndPressAsync(GetCurrentProcessId(), c.caption, IDOK, 20000);
    EXPECT_EQ(LoadTable(nullptr, c.table, path.c_str()), 0);
    TWatchedDialog shown = box.get();
    ASSERT_TRUE(shown.found);
    EXPECT_EQ(shown.text, c.message);
    EXPECT_EQ(shown.icon, TBoxIcon::Hand);
  }
  EXPECT_EQ(Rows("CHILD"), TRows{});
  EXPECT_EQ(Rows("PARENT"), TRows{});

  auto box = WatchAndPressAsync(GetCurrentProcessId(), "Dump Table Function!", IDOK, 20000);
  EXPECT_EQ(DumpTable(nullptr, "NOWHERE", File("x.dmp").c_str(), nullptr), 0);
  EXPECT_EQ(box.get().text, "Unknown table: NOWHERE!");
}

TEST_P(DumpLoadTest, AValueTooLongForTheFileStopsTheDumpAndLeavesNoFile) {
  StartFormSession();
  InsertParent(1, "a", nullptr, nullptr, "short");
  InsertParent(2, "b", nullptr, nullptr, std::string(8200, 'x').c_str());
  auto box = WatchAndPressAsync(GetCurrentProcessId(), "Dump Table Function!", IDOK, 20000);
  EXPECT_EQ(DumpTable(nullptr, "PARENT", File("long.dmp").c_str(), nullptr), 0);
  TWatchedDialog shown = box.get();
  EXPECT_EQ(shown.text, "The value of NOTE in row 2 of table PARENT is longer than 8191 characters: the table is not dumped.");
  EXPECT_EQ(GetFileAttributesA(File("long.dmp").c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_P(DumpLoadTest, ChildrenLoadedBeforeTheirParentsWaitForThem) {
  InsertParent(1, "p", nullptr, nullptr, nullptr);
  Db().Exec("INSERT INTO CHILD VALUES (10, 1, 'first')");
  Db().Exec("INSERT INTO CHILD VALUES (11, 1, 'second')");
  ASSERT_EQ(DumpTable(nullptr, "PARENT", File("parent.dmp").c_str(), nullptr), 1);
  ASSERT_EQ(DumpTable(nullptr, "CHILD", File("child.dmp").c_str(), nullptr), 2);
  Db().Exec("DELETE FROM CHILD");
  Db().Exec("DELETE FROM PARENT");

  long refused = 0;
  long early = LoadTable(nullptr, "CHILD", File("child.dmp").c_str(), &refused);
  if (Db().IsPostgres()) {
    // The server keeps its foreign keys: the children wait, counted as not loaded.
    EXPECT_EQ(early, 0);
    EXPECT_EQ(refused, 2);
  } else {
    EXPECT_EQ(early, 2) << "SQLite checks no foreign keys here";
  }
  EXPECT_EQ(LoadTable(nullptr, "PARENT", File("parent.dmp").c_str()), 1);
  EXPECT_EQ(LoadTable(nullptr, "CHILD", File("child.dmp").c_str()), Db().IsPostgres() ? 2 : 0);
  EXPECT_EQ(Rows("CHILD").size(), 2u);
}

TEST_P(DumpLoadTest, AllTablesGoToTheirFilesInTheCurrentFolder) {
  StartFormSession();
  ReplaceString(&ModelEntity("PARENT").FileNameText, "parents.txt");
  InsertParent(1, "p", nullptr, nullptr, nullptr);
  Db().Exec("INSERT INTO CHILD VALUES (10, 1, 'c')");
  char folder[MAX_PATH];
  GetCurrentDirectoryA(sizeof folder, folder);
  SetCurrentDirectoryA(dir_.path().c_str());
  auto dumped = WatchAndPressAsync(GetCurrentProcessId(), "Dump All Tables", IDOK, 20000);
  EXPECT_EQ(DumpAllTables(nullptr), 2);
  EXPECT_EQ(dumped.get().text, "2 records dumped from all tables.");
  EXPECT_NE(GetFileAttributesA(File("parents.dmp").c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_NE(GetFileAttributesA(File("CHILD.dmp").c_str()), INVALID_FILE_ATTRIBUTES);
  Db().Exec("DELETE FROM CHILD");
  Db().Exec("DELETE FROM PARENT");
  auto loaded = WatchAndPressAsync(GetCurrentProcessId(), "Load All Tables", IDOK, 20000);
  EXPECT_EQ(LoadAllTables(nullptr), 2);
  EXPECT_EQ(loaded.get().text, "2 records loaded from all tables.");
  SetCurrentDirectoryA(folder);
}

// A window that starts a dump of all tables when its message arrives, as a menu command
// could while a load pumps messages.
LRESULT CALLBACK NestedDumpProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_APP) DumpAllTables(nullptr);
  return DefWindowProcA(window, message, wParam, lParam);
}

TEST_P(DumpLoadTest, TheClosingBoxOfALoadTellsTheFirstRefusedRowsWithTheirLines) {
  StartFormSession();
  std::string content = "CHILD\tescaped\nC_ID\tP_ID\tLABEL\n10\t\\N\tgood\n";
  for (int i = 0; i < 12; ++i) content += "X" + std::to_string(i) + "\t\\N\tbad\n";
  dir_.Write("CHILD.dmp", content);
  char folder[MAX_PATH];
  GetCurrentDirectoryA(sizeof folder, folder);
  SetCurrentDirectoryA(dir_.path().c_str());
  auto loaded = WatchAndPressAsync(GetCurrentProcessId(), "Load All Tables", IDOK, 20000);
  EXPECT_EQ(LoadAllTables(nullptr), 1);
  std::string expected = "1 records loaded from all tables.\n12 rows could not be loaded:";
  for (int i = 0; i < 10; ++i)
    expected += "\nCHILD.dmp, line " + std::to_string(i + 4) + ": 'X" + std::to_string(i) +
                "' is not a whole number for C_ID";
  EXPECT_EQ(loaded.get().text, expected + "\n...");
  SetCurrentDirectoryA(folder);
}

TEST_P(DumpLoadTest, ADumpStartedWhileALoadRunsIsRefused) {
  StartFormSession();
  InsertParent(1, "p", nullptr, nullptr, nullptr);
  ASSERT_EQ(DumpTable(nullptr, "PARENT", File("parent.dmp").c_str(), nullptr), 1);
  Db().Exec("DELETE FROM PARENT");
  WNDCLASSA windowClass = {};
  windowClass.lpfnWndProc = NestedDumpProc;
  windowClass.hInstance = GetModuleHandleA(nullptr);
  windowClass.lpszClassName = "NestedTableWork";
  RegisterClassA(&windowClass);
  HWND window = CreateWindowA("NestedTableWork", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
  char folder[MAX_PATH];
  GetCurrentDirectoryA(sizeof folder, folder);
  SetCurrentDirectoryA(dir_.path().c_str());
  auto refusal = WatchAndPressAsync(GetCurrentProcessId(), "Dump All Tables", IDOK, 20000);
  PostMessageA(window, WM_APP, 0, 0);
  EXPECT_EQ(LoadTable(nullptr, "PARENT", File("parent.dmp").c_str()), 1);
  TWatchedDialog box = refusal.get();
  SetCurrentDirectoryA(folder);
  DestroyWindow(window);
  EXPECT_EQ(box.text, "Tables are being dumped or loaded already: wait until that has ended.");
  EXPECT_EQ(TScratchDir::Names(dir_.path()), std::vector<std::string>{"parent.dmp"}) << "nothing was dumped";
}

TEST_P(DumpLoadTest, TheDialogDumpsAndLoadsTheCheckedTablesToTheirFiles) {
  StartFormSession();
  ReplaceString(&ModelEntity("PARENT").Caption, "Parents");
  ReplaceString(&ModelEntity("CHILD").Caption, "Children");
  InsertParent(1, "p", nullptr, nullptr, nullptr);
  InsertParent(2, "q", nullptr, nullptr, nullptr);
  const struct {
    DLGPROC procedure;
    const char* title;
    const char* prompt;
    const char* caption;
    const char* message;
  } runs[] = {{DumpTablesDlgProc, "Dump Database Tables", "Select the tables to dump:", "Dump Tables",
               "2 records dumped from 1 table(s)."},
              {LoadTablesDlgProc, "Load Database Tables", "Select the tables to load:", "Load Tables",
               "2 records loaded from 1 table(s)."}};
  for (const auto& run : runs) {
    SCOPED_TRACE(run.title);
    if (run.procedure == LoadTablesDlgProc) Db().Exec("DELETE FROM PARENT");
    HWND dialog = CreateDialogParamA(GetModuleHandleA(nullptr), "DumpDatabaseTables", nullptr, run.procedure, 0);
    ASSERT_NE(dialog, nullptr);
    char text[256];
    GetWindowTextA(dialog, text, sizeof text);
    EXPECT_STREQ(text, run.title);
    GetDlgItemTextA(dialog, TABLES_MESSAGE_ID, text, sizeof text);
    EXPECT_STREQ(text, run.prompt);
    RECT place;
    GetWindowRect(dialog, &place);
    EXPECT_EQ(place.bottom - place.top, 24 * 2 + 92);
    GetDlgItemTextA(dialog, TABLE_CHECK_ID_BASE + 1, text, sizeof text);
    EXPECT_STREQ(text, "Children");
    GetDlgItemTextA(dialog, TABLE_FILE_ID_BASE + 1, text, sizeof text);
    EXPECT_STREQ(text, "CHILD.DMP");
    EXPECT_EQ(IsDlgButtonChecked(dialog, TABLE_CHECK_ID_BASE), BST_CHECKED);

    CheckDlgButton(dialog, TABLE_CHECK_ID_BASE + 1, BST_UNCHECKED);
    SetDlgItemTextA(dialog, TABLE_FILE_ID_BASE, File("parents.dmp").c_str());
    auto box = WatchAndPressAsync(GetCurrentProcessId(), run.caption, IDOK, 20000);
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    EXPECT_EQ(box.get().text, run.message);
    EXPECT_FALSE(IsWindowVisible(dialog)) << "the dialog has ended";
    DestroyWindow(dialog);
  }
  EXPECT_EQ(Rows("PARENT").size(), 2u);
  EXPECT_EQ(GetFileAttributesA(File("CHILD.DMP").c_str()), INVALID_FILE_ATTRIBUTES) << "unchecked";

  // With no table checked OK ends the dialog without a message.
  HWND dialog = CreateDialogParamA(GetModuleHandleA(nullptr), "DumpDatabaseTables", nullptr, DumpTablesDlgProc, 0);
  CheckDlgButton(dialog, TABLE_CHECK_ID_BASE, BST_UNCHECKED);
  CheckDlgButton(dialog, TABLE_CHECK_ID_BASE + 1, BST_UNCHECKED);
  SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
  EXPECT_FALSE(IsWindowVisible(dialog));
  EXPECT_FALSE(FindDialog(GetCurrentProcessId(), "Dump Tables", 500).found);
  DestroyWindow(dialog);
}

// A model with more tables than the dialog has rows for: the rows it lists, and a last row
// that says how many are left out and how to reach them.
TEST_P(DumpLoadTest, TheDialogSaysHowManyTablesItLeavesOutAndHowToReachThem) {
  StartFormSession();
  std::vector<TEntitySpec> entities;
  for (int i = 0; i < TABLE_ROWS_LIMIT + 3; ++i) entities.push_back({"T" + std::to_string(i), {{"ID", "INTEGER"}}, {}});
  UseModel(entities, {});
  const struct {
    DLGPROC procedure;
    const char* note;
  } runs[] = {
      {DumpTablesDlgProc, "3 more tables are not listed: use DUMP * or DUMP <table>."},
      {LoadTablesDlgProc, "3 more tables are not listed: use LOAD * or LOAD <table>."}};
  for (const auto& run : runs) {
    HWND dialog = CreateDialogParamA(GetModuleHandleA(nullptr), "DumpDatabaseTables", nullptr, run.procedure, 0);
    ASSERT_NE(dialog, nullptr);
    ShowWindow(dialog, SW_SHOW);
    char text[256] = "";
    GetDlgItemTextA(dialog, TABLE_CHECK_ID_BASE + TABLE_ROWS_LIMIT - 1, text, sizeof text);
    EXPECT_STREQ(text, "T99");
    GetDlgItemTextA(dialog, TABLES_LEFT_OUT_ID, text, sizeof text);
    EXPECT_STREQ(text, run.note);
    RECT place;
    GetWindowRect(dialog, &place);
    EXPECT_EQ(place.bottom - place.top, 24 * (TABLE_ROWS_LIMIT + 1) + 92);
    if (run.procedure == DumpTablesDlgProc) {
      // The foot of the dialog, with its last rows and the note.
      SetWindowPos(dialog, nullptr, 0, -(24 * (TABLE_ROWS_LIMIT + 1) + 92 - 400), 0, 0, SWP_NOSIZE | SWP_NOZORDER);
      UpdateWindow(dialog);
      Sleep(300);
      SaveScreenBitmap(nullptr, ScreenshotFolder() + "/dump_tables_left_out.bmp");
    }
    DestroyWindow(dialog);
  }
  // Two rows or fewer than the limit: no note.
  UseModel(DumpModel(), {});
  HWND dialog = CreateDialogParamA(GetModuleHandleA(nullptr), "DumpDatabaseTables", nullptr, DumpTablesDlgProc, 0);
  EXPECT_EQ(GetDlgItem(dialog, TABLES_LEFT_OUT_ID), nullptr);
  DestroyWindow(dialog);
}

// The dump and load dialog over a form, at its closing box, with the form closed, the dialog
// closed or the program logged out (the login refused): the box waits (or, after the refused
// login, goes with the dialog by itself), the tables are dumped or loaded whole, and the
// program lives on until the dialog has ended.
class DumpLoadWindowLifeTest : public WindowLifeTest {};

TEST_P(DumpLoadWindowLifeTest, NoWindowGoesUnderTheDumpOrLoadDialog) {
  auto form = [this] { return CustomerFormOfMain(); };
  auto pressOk = [](HWND dialog) { PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0); };
  // A dump file of the customers 100 to 399, then the table without them.
  auto dumped = [this] {
    ManyRows("INSERT INTO CUST (CUST_ID, NAME)", "k, 'Name ' || k");
    EXPECT_EQ(DumpTable(nullptr, "CUST", DumpFileName(TheModel.FindEntity("CUST")).c_str(), nullptr), 300);
    Db().Exec("DELETE FROM CUST");
  };
  const TModalStep steps[] = {
      {"dump", [] {}, form, CANCEL_BUTTON_ID, [](HWND opener) { ShowDumpTablesDialog(opener, false); },
       "Dump Database Tables", pressOk, "Dump Tables", IDOK, CUSTOMERS, "1:1,1", nullptr, nullptr},
      {"load", dumped, form, CANCEL_BUTTON_ID, [](HWND opener) { ShowDumpTablesDialog(opener, true); },
       "Load Database Tables", pressOk, "Load Tables", IDOK, CUSTOMERS, "301:1,399", nullptr, nullptr},
  };
  RunAll(steps);
}

INSTANTIATE_DATABASE_TESTS(DumpLoadWindowLifeTest);
INSTANTIATE_DATABASE_TESTS(DumpLoadTest);

}  // namespace

// The SQL trace file: its lines, its silence while off, and its box when it cannot open.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <memory>
#include <string>

#include "data/core/strings.h"
#include "data/db/odbc.h"
#include "data/db/odbcstatement.h"
#include "data/db/sqltrace.h"
#include "support/dialog_watcher.h"
#include "support/scratch_dir.h"
#include "support/test_db.h"

namespace {

// Runs the test in a folder of its own: the trace goes to the current directory.
class TInFolder {
public:
  TInFolder() {
    GetCurrentDirectoryA(sizeof previous_, previous_);
    SetCurrentDirectoryA(dir_.path().c_str());
  }
  ~TInFolder() {
    SetCurrentDirectoryA(previous_);
    SqlSpyFlag = false;
  }
  std::string Trace() const { return TScratchDir::Read(dir_.File("SQLSPY.LOG")); }
  bool TraceExists() const {
    return GetFileAttributesA(dir_.File("SQLSPY.LOG").c_str()) != INVALID_FILE_ATTRIBUTES;
  }
  const TScratchDir& dir() const { return dir_; }

private:
  TScratchDir dir_{"spy"};
  char previous_[MAX_PATH] = "";
};

class SqlTraceTest : public DatabaseTest {};

TEST_P(SqlTraceTest, PreparesAndTransactionCallsAreAppendedWhileTheFlagIsOn) {
  TInFolder folder;
  TOdbcConnection connection(Env(), 1);
  ASSERT_TRUE(connection.IsConnected());
  TOdbcStatement statement(&connection);

  SqlSpyFlag = false;
  statement.Prepare("SELECT 1");
  connection.Commit();
  EXPECT_FALSE(folder.TraceExists());

  SqlSpyFlag = true;
  ASSERT_EQ(statement.Prepare("SELECT 1"), SQL_SUCCESS);
  statement.ExecDirect("SELECT 2");  // direct statements are not traced
  statement.Prepare("SELECT 'it''s' AS X");
  connection.Commit();
  connection.Rollback();
  connection.StartTransaction();
  SqlSpyFlag = false;
  connection.Commit();

  EXPECT_EQ(folder.Trace(),
            "Preparing: SELECT 1\r\n"
            "Preparing: SELECT 'it''s' AS X\r\n"
            "Commit\r\n"
            "Rollback\r\n"
            "Start transaction\r\n");

  // Appended, never rewritten.
  SqlSpyFlag = true;
  connection.Commit();
  EXPECT_EQ(folder.Trace().substr(folder.Trace().size() - 8), "Commit\r\n");
}

INSTANTIATE_DATABASE_TESTS(SqlTraceTest);

TEST(SqlTrace, ReturnsTheFormattedLengthAndShowsABoxWhenTheFileCannotOpen) {
  TInFolder folder;
  EXPECT_EQ(SqlSpy("Preparing: %s\n", "SELECT 1"), 20);
  EXPECT_EQ(folder.Trace(), "Preparing: SELECT 1\r\n");

  // A folder in the way of the file.
  DeleteFileA(folder.dir().File("SQLSPY.LOG").c_str());
  ASSERT_TRUE(CreateDirectoryA(folder.dir().File("SQLSPY.LOG").c_str(), nullptr));
  auto box = WatchAndPressAsync(GetCurrentProcessId(), "ZOZUZA Spy", IDOK, 10000);
  EXPECT_EQ(SqlSpy("Commit\n"), 7);
  TWatchedDialog seen = box.get();
  ASSERT_TRUE(seen.found);
  EXPECT_EQ(seen.text, "Could not SQLSPY.LOG file");
  EXPECT_EQ(seen.icon, TBoxIcon::Hand);
  RemoveDirectoryA(folder.dir().File("SQLSPY.LOG").c_str());
}

// Shut-down frees the temporary pool; a statement traced after that (a list deleted
// late, say) must still be written whole, from memory the trace owns.
TEST(SqlTrace, WritesLinesAfterTheTemporaryPoolIsFreed) {
  TInFolder folder;
  EXPECT_EQ(SqlSpy("Commit\n"), 7);
  FreeTempStrings();
  char* scratch = nullptr;
  GetTempString(&scratch);  // a new pool buffer, perhaps where the old one was
  memset(scratch, 'x', TEMP_STRING_SIZE - 1);
  scratch[TEMP_STRING_SIZE - 1] = '\0';
  EXPECT_EQ(SqlSpy("Rollback\n"), 9);
  EXPECT_EQ(scratch[0], 'x');
  EXPECT_EQ(scratch[TEMP_STRING_SIZE - 2], 'x');
  ReleaseTempString(&scratch);
  EXPECT_EQ(folder.Trace(), "Commit\r\nRollback\r\n");
}

}  // namespace

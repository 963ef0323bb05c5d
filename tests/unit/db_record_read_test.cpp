// Reading records on SQLite and PostgreSQL: existence, read by key, navigation in key
// order with the statements they generate, and values with SQL text in them.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "data/core/waitcursor.h"
#include "data/db/database.h"
#include "data/db/odbc.h"
#include "data/db/record.h"
#include "expr/errors.h"
#include "support/record_test_db.h"

namespace {

using TStatements = std::vector<std::string>;

class RecordReadTest : public RecordDatabaseTest {
protected:
  void SetUp() override {
    RecordDatabaseTest::SetUp();
    TEntitySpec k1{"K1", {{"A", "INTEGER"}, {"V"}, {"D", "DATE"}, {"LABEL"}}, {}};
    k1.attributes[3].nonStored = 1;
    k1.attributes[3].defaultText = "V";
    TEntitySpec k2{"K2", {{"A", "INTEGER"}, {"B", "VARCHAR(10)"}, {"V"}}, {}};
    TEntitySpec k3{"K3", {{"A", "INTEGER"}, {"B", "INTEGER"}, {"C", "INTEGER"}, {"V"}}, {}};
    TEntitySpec code{"CODES", {{"CODE", "VARCHAR(60)"}, {"TEXT", "VARCHAR(200)"}}, {}};
    TModelFlags flags;
    flags.keys = {{"K1", "A"}, {"K2", "A"}, {"K2", "B"}, {"K3", "A"}, {"K3", "B"}, {"K3", "C"}, {"CODES", "CODE"}};
    UseModel({k1, k2, k3, code}, flags);
    // The date column holds text, so that a time after the date survives on both servers.
    Db().Exec("CREATE TABLE K1 (A INTEGER PRIMARY KEY, V VARCHAR(40), D VARCHAR(30))");
    Db().Exec("CREATE TABLE K2 (A INTEGER, B VARCHAR(10), V VARCHAR(40), PRIMARY KEY (A, B))");
    Db().Exec("CREATE TABLE K3 (A INTEGER, B INTEGER, C INTEGER, V VARCHAR(40), PRIMARY KEY (A, B, C))");
    Db().Exec("CREATE TABLE CODES (CODE VARCHAR(60) PRIMARY KEY, TEXT VARCHAR(200))");
    Db().Exec("INSERT INTO K1 VALUES (1, 'one', '2024-03-05 10:11:12')");
    Db().Exec("INSERT INTO K1 VALUES (2, NULL, NULL)");
    Db().Exec("INSERT INTO K1 VALUES (3, 'three', '2024-12-31')");
  }

  // The V column met by stepping from the first row (forward) or last row (backward).
  std::vector<std::string> Walk(const char* entity, bool forward) {
    TDBRecord record(entity);
    std::vector<std::string> seen;
    record.Navigate(forward ? NavigateFirst : NavigateLast);
    while (record.IsOk()) {
      seen.push_back(record.GetValue("V"));
      record.Navigate(forward ? NavigateNext : NavigatePrevious);
    }
    EXPECT_EQ(record.GetStatus(), RecordDoesNotExist);
    return seen;
  }
};

TEST_P(RecordReadTest, ReadFillsStoredValuesFromTheRowOfTheKey) {
  TDBRecord record("K1");
  record.SetNewValue("A", "1");
  StartTrace();
  record.Read();
  ASSERT_TRUE(record.IsOk()) << RecordErrorState.GetErrorMessage();
  EXPECT_EQ(TracedStatements(), TStatements{"SELECT A, V, D FROM K1 WHERE A=?"});
  EXPECT_STREQ(record.GetValue("V"), "one");
  EXPECT_EQ(record.Field(1).Flags(), uint32_t(TDBFieldValue::HasValue));
  EXPECT_STREQ(record.GetValue("D"), "2024-03-05 10:11:12");  // Read keeps a date whole
  EXPECT_EQ(record.Field(0).Flags(), uint32_t(TDBFieldValue::HasValue));  // the key's new value went

  record.SetNewValue("A", "2");
  record.Read();
  ASSERT_TRUE(record.IsOk());
  EXPECT_STREQ(record.GetValue("V"), "");  // NULL reads as empty, with a stored value
  EXPECT_EQ(record.Field(1).Flags(), uint32_t(TDBFieldValue::HasValue));

  record.SetNewValue("A", "9");
  record.Read();
  EXPECT_EQ(record.GetStatus(), RecordDoesNotExist);
  EXPECT_EQ(RecordErrorState.GetErrorCode(), 105u);
  EXPECT_STREQ(RecordErrorState.GetErrorMessage(), "Record does not exist: ");
}

TEST_P(RecordReadTest, AnOperationPutsUpTheWaitCursorOnceAndNoneInsideAnAction) {
  TDBRecord record("K1");
  // Each operation with the statements nested in it (an insert tests the key first).
  const struct {
    const char* name;
    void (*run)(TDBRecord&);
  } operations[] = {
      {"read", [](TDBRecord& r) { r.SetNewValue("A", "1"), r.Read(); }},
      {"insert", [](TDBRecord& r) { r.Reset(), r.SetNewValue("A", "7"), r.SetNewValue("V", "seven"), r.Insert(CheckParents); }},
      {"update", [](TDBRecord& r) { r.SetNewValue("V", "SEVEN"), r.Update(RefuseIfChildren, CheckParents); }},
      {"delete", [](TDBRecord& r) { r.Delete(RefuseIfChildren); }},
      {"navigate", [](TDBRecord& r) { r.Navigate(NavigateFirst); }},
  };
  for (bool insideAction : {false, true}) {
    for (const auto& operation : operations) {
      SCOPED_TRACE(std::string(operation.name) + (insideAction ? " inside an action" : " alone"));
      std::unique_ptr<TWaitCursor> action(insideAction ? new TWaitCursor : nullptr);
      const int before = TWaitCursor::Changes();
      operation.run(record);
      EXPECT_TRUE(record.IsOk()) << RecordErrorState.GetErrorMessage();
      EXPECT_EQ(TWaitCursor::Changes() - before, insideAction ? 0 : 1);
    }
  }
}

TEST_P(RecordReadTest, ReadsByKeyTakeTheirPreparedStatementAgain) {
  TDBRecord record("K1");
  // The first read prepares; the second leaves the handle it allocated unused, kept
  // beside the prepared one for the next statement.
  for (int read = 0; read < 2; ++read) {
    record.SetNewValue("A", "1");
    record.Read();
    ASSERT_TRUE(record.IsOk()) << RecordErrorState.GetErrorMessage();
  }
  const int kept = OdbcEnvironment->KeptPrepared();
  EXPECT_EQ(kept, 2);
  for (const char* key : {"2", "3", "1"}) {
    record.SetNewValue("A", key);
    record.Read();
    ASSERT_TRUE(record.IsOk()) << RecordErrorState.GetErrorMessage();
    EXPECT_STREQ(record.GetValue("A"), key);
  }
  // The same statement handles served every read: nothing new was prepared or allocated.
  EXPECT_EQ(OdbcEnvironment->KeptPrepared(), kept);
}

TEST_P(RecordReadTest, ValuesReadFromARowLiveOnThroughEveryChangeOfTheirFields) {
  TDBRecord record("K1");
  record.SetNewValue("A", "3");
  record.Read();
  ASSERT_TRUE(record.IsOk()) << RecordErrorState.GetErrorMessage();
  // A field given its own text, a copy into another record, a new value committed.
  record.Field(1).SetValue(record.Field(1).Value());
  EXPECT_STREQ(record.GetValue("V"), "three");
  TDBRecord copy("K1");
  copy.Assign(record);
  record.Field(2).SetNewValue("2025-01-01");
  record.Field(2).Commit();
  EXPECT_STREQ(record.Field(2).Value(), "2025-01-01");
  // The next row's values replace the block of the first; the copy kept its own texts.
  record.SetNewValue("A", "1");
  record.Read();
  ASSERT_TRUE(record.IsOk());
  EXPECT_STREQ(record.GetValue("V"), "one");
  EXPECT_STREQ(copy.GetValue("V"), "three");
  EXPECT_STREQ(copy.GetValue("D"), "2024-12-31");
  record.Reset();
  EXPECT_STREQ(record.GetValue("V"), "");
  EXPECT_EQ(record.Field(1).Flags(), 0u);
}

TEST_P(RecordReadTest, ExistsTestsTheCurrentKeyWithTheServersRowLock) {
  TDBRecord record("K1");
  record.SetNewValue("A", "3");
  StartTrace();
  EXPECT_TRUE(record.Exists());
  record.SetNewValue("A", "4");
  EXPECT_FALSE(record.Exists());
  EXPECT_TRUE(record.IsOk());
  record.SetForUpdate(true);
  record.SetNewValue("A", "3");
  EXPECT_TRUE(record.Exists());
  std::string locked = Db().IsPostgres() ? "SELECT A FROM K1 WHERE A=? FOR UPDATE" : "SELECT A FROM K1 WHERE A=?";
  EXPECT_EQ(TracedStatements(),
            (TStatements{"SELECT A FROM K1 WHERE A=?", "SELECT A FROM K1 WHERE A=?", locked}));

  TDBRecord k3("K3");
  k3.SetNewValue("A", "1");
  StartTrace();
  k3.Exists();
  EXPECT_EQ(TracedStatements(), TStatements{"SELECT A,B,C FROM K3 WHERE A=? AND B=? AND C=?"});

  Db().Exec("DROP TABLE K1");
  EXPECT_FALSE(record.Exists());
  EXPECT_EQ(record.GetStatus(), RecordSqlError);
  EXPECT_EQ(RecordErrorState.GetErrorCode(), 102u);
}

TEST_P(RecordReadTest, NavigationConditionsForOneTwoAndThreeKeyColumns) {
  Db().Exec("INSERT INTO K2 VALUES (1, 'a', 'x')");
  Db().Exec("INSERT INTO K3 VALUES (1, 1, 1, 'x')");
  struct TCase {
    const char* entity;
    TNavigation step;
    const char* sql;
  } cases[] = {
      {"K1", NavigateFirst, "SELECT A, V, D FROM K1 ORDER BY A"},
      {"K1", NavigateLast, "SELECT A, V, D FROM K1 ORDER BY A DESC"},
      {"K1", NavigateNext, "SELECT A, V, D FROM K1 WHERE A>? ORDER BY A"},
      {"K1", NavigatePrevious, "SELECT A, V, D FROM K1 WHERE A<? ORDER BY A DESC"},
      {"K2", NavigateNext, "SELECT A, B, V FROM K2 WHERE (A=? AND B>?) OR A>? ORDER BY A,B"},
      {"K2", NavigatePrevious, "SELECT A, B, V FROM K2 WHERE (A=? AND B<?) OR A<? ORDER BY A DESC,B DESC"},
      {"K2", NavigateLast, "SELECT A, B, V FROM K2 ORDER BY A DESC,B DESC"},
      {"K3", NavigateNext, "SELECT A, B, C, V FROM K3 WHERE (A=? AND B=? AND C>?) OR (A=? AND B>?) OR A>? ORDER BY A,B,C"},
      {"K3", NavigatePrevious,
       "SELECT A, B, C, V FROM K3 WHERE (A=? AND B=? AND C<?) OR (A=? AND B<?) OR A<? ORDER BY A DESC,B DESC,C DESC"},
  };
  for (const TCase& c : cases) {
    TDBRecord record(c.entity);
    for (int i = 0; i < record.FieldCount(); ++i) record.SetNewValue(i, "0");
    StartTrace();
    record.Navigate(c.step);
    EXPECT_EQ(TracedStatements(), TStatements{c.sql}) << c.entity << " " << c.step;
  }

  TDBRecord locked("K2");
  locked.SetForUpdate(true);
  StartTrace();
  locked.Navigate(NavigateFirst);
  EXPECT_EQ(TracedStatements(), TStatements{std::string("SELECT A, B, V FROM K2 ORDER BY A,B") +
                                            (Db().IsPostgres() ? " FOR UPDATE" : "")});
}

TEST_P(RecordReadTest, NavigationStepsThroughEveryRowInKeyOrder) {
  // Rows inserted out of order; the walk must visit every one exactly once per direction.
  const char* rows[] = {"(2,1,1,'211')", "(1,2,1,'121')", "(1,1,2,'112')", "(1,1,1,'111')",
                        "(2,1,0,'210')", "(1,2,3,'123')", "(3,0,0,'300')"};
  for (const char* row : rows) Db().Exec(std::string("INSERT INTO K3 VALUES ") + row);
  std::vector<std::string> order{"111", "112", "121", "123", "210", "211", "300"};
  EXPECT_EQ(Walk("K3", true), order);
  std::vector<std::string> reverse(order.rbegin(), order.rend());
  EXPECT_EQ(Walk("K3", false), reverse);

  Db().Exec("INSERT INTO K2 VALUES (1, 'b', '1b')");
  Db().Exec("INSERT INTO K2 VALUES (1, 'a', '1a')");
  Db().Exec("INSERT INTO K2 VALUES (0, 'z', '0z')");
  EXPECT_EQ(Walk("K2", true), (std::vector<std::string>{"0z", "1a", "1b"}));
  EXPECT_EQ(Walk("K1", false), (std::vector<std::string>{"three", "", "one"}));
}

TEST_P(RecordReadTest, NavigationCutsDatesClearsShadowsAndStopsAtTheEnds) {
  TDBRecord record("K1");
  record.Navigate(NavigateFirst);
  ASSERT_TRUE(record.IsOk());
  EXPECT_STREQ(record.GetValue("D"), "2024-03-05");
  EXPECT_STREQ(record.GetCalculatedValue("LABEL"), "one");

  record.Navigate(NavigateNext);
  ASSERT_TRUE(record.IsOk());
  EXPECT_STREQ(record.GetValue("A"), "2");
  EXPECT_EQ(record.Field(3).Flags(), 0u);  // the computed shadow belongs to the old row

  record.Navigate(NavigateLast);
  EXPECT_STREQ(record.GetValue("A"), "3");
  record.Navigate(NavigateNext);
  EXPECT_EQ(record.GetStatus(), RecordDoesNotExist);
  EXPECT_STREQ(record.GetValue("A"), "3");  // unchanged after the failed step
  EXPECT_STREQ(record.GetValue("V"), "three");

  TDBRecord empty("K3");
  empty.Navigate(NavigateFirst);
  EXPECT_EQ(empty.GetStatus(), RecordDoesNotExist);
}

TEST_P(RecordReadTest, QuotesPercentSignsAndSqlTextAreStoredAndFoundExactly) {
  const std::string nasty[] = {
      "O'Brien's", "100% _done_", "x'); DELETE FROM CODES; --", "\"quoted\" \\ back", "' OR '1'='1",
  };
  for (const std::string& text : nasty) {
    TDBRecord record("CODES");
    record.SetNewValue("CODE", text.c_str());
    record.SetNewValue("TEXT", (text + " | " + text).c_str());
    record.Insert(CheckParents);
    ASSERT_TRUE(record.IsOk()) << text << ": " << RecordErrorState.GetErrorMessage();
  }
  EXPECT_EQ(Db().Query("SELECT COUNT(*) FROM CODES"), "5");
  for (const std::string& text : nasty) {
    TDBRecord found("CODES");
    found.SetNewValue("CODE", text.c_str());
    EXPECT_TRUE(found.Exists()) << text;
    found.Read();
    ASSERT_TRUE(found.IsOk()) << text;
    EXPECT_EQ(std::string(found.GetValue("TEXT")), text + " | " + text);

    found.SetNewValue("TEXT", (text + "%").c_str());
    found.Update(RefuseIfChildren, CheckParents);
    ASSERT_TRUE(found.IsOk()) << text << ": " << RecordErrorState.GetErrorMessage();
  }
  // A pattern is no pattern: the key with '%' finds only itself.
  TDBRecord pattern("CODES");
  pattern.SetNewValue("CODE", "%");
  EXPECT_FALSE(pattern.Exists());
  EXPECT_EQ(Db().Query("SELECT TEXT FROM CODES WHERE CODE='O''Brien''s'"), "O'Brien's%");
  EXPECT_EQ(Db().Query("SELECT COUNT(*) FROM CODES"), "5");

  // Walking the table meets each one once.
  TDBRecord walk("CODES");
  int rows = 0;
  for (walk.Navigate(NavigateFirst); walk.IsOk(); walk.Navigate(NavigateNext)) ++rows;
  EXPECT_EQ(rows, 5);
}

INSTANTIATE_DATABASE_TESTS(RecordReadTest);

}  // namespace

// The paged index of a record list and the record cache that all lists share: levels,
// order under inserts and removals, slot choice, cutting records down and reading
// them again by key.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "data/core/strings.h"
#include "data/db/reccache.h"
#include "data/db/reclist.h"
#include "data/model/model.h"
#include "data/model/settings.h"
#include "expr/errors.h"
#include "support/record_test_db.h"
#include "support/test_model.h"

namespace {

// ITEMS(ID, NAME) without a key: a cut-down entry keeps every value, so these tests
// need no database.
class RecordIndexTest : public ::testing::Test {
protected:
  void SetUp() override {
    BuildModel(TheModel, {{"ITEMS", {{"ID", "INTEGER"}, {"NAME", "VARCHAR(30)"}}, {}}});
    TheModel.LinkAndValidate();
    UseCache(1024);
  }
  void TearDown() override {
    UseCache(1024);
    TheModel.Clear();
  }
  static void UseCache(int size) {
    RecListCacheSize = size;
    AllocRecListCache();
  }
  static TDBRecord* Item(const std::string& id) {
    TDBRecord* record = NewDBRecord("ITEMS");
    record->SetValue("ID", id.c_str());
    record->SetValue("NAME", ("item " + id).c_str());
    return record;
  }
  static std::string IdAt(TDBRecList& list, int i) {
    TDBRecord* record = list.GetRecord(i);
    return record ? record->GetValue("ID") : "<null>";
  }
  static std::vector<std::string> Ids(TDBRecList& list) {
    std::vector<std::string> ids;
    for (int i = 0; i < list.Count(); ++i) ids.push_back(IdAt(list, i));
    return ids;
  }
  static std::vector<std::string> Range(int from, int to) {
    std::vector<std::string> ids;
    for (int i = from; i < to; ++i) ids.push_back(std::to_string(i));
    return ids;
  }
};

TEST_F(RecordIndexTest, LevelsGrowAtThe33rdAnd1025thRecordAndShrinkBack) {
  TDBRecList list("ITEMS");
  EXPECT_EQ(list.IndexLevels(), 1);
  for (int i = 0; i < 32; ++i) list.AddRecord(-1, Item(std::to_string(i)));
  EXPECT_EQ(list.IndexLevels(), 1);
  list.AddRecord(-1, Item("32"));
  EXPECT_EQ(list.IndexLevels(), 2);
  EXPECT_EQ(Ids(list), Range(0, 33));
  list.RemoveRecord(0);
  EXPECT_EQ(list.IndexLevels(), 1);
  EXPECT_EQ(Ids(list), Range(1, 33));

  for (int i = 33; i < 1025; ++i) list.AddRecord(-1, Item(std::to_string(i)));
  EXPECT_EQ(list.Count(), 1024);
  EXPECT_EQ(list.IndexLevels(), 2);
  list.AddRecord(500, Item("x"));
  EXPECT_EQ(list.IndexLevels(), 3);
  EXPECT_EQ(IdAt(list, 499), "500");
  EXPECT_EQ(IdAt(list, 500), "x");
  EXPECT_EQ(IdAt(list, 501), "501");
  EXPECT_EQ(IdAt(list, 1024), "1024");
  list.RemoveRecord(500);
  EXPECT_EQ(list.IndexLevels(), 2);
  EXPECT_EQ(Ids(list), Range(1, 1025));

  // Down to nothing and up again.
  while (list.Count() > 0) list.RemoveRecord(list.Count() - 1);
  EXPECT_EQ(list.IndexLevels(), 1);
  EXPECT_EQ(RecListCacheUsed(), 0);
  list.AddRecord(-1, Item("again"));
  EXPECT_EQ(Ids(list), std::vector<std::string>{"again"});
}

TEST_F(RecordIndexTest, RandomInsertsAndRemovalsKeepTheOrderThroughASmallCache) {
  UseCache(5);
  std::mt19937 random(1234);
  std::vector<std::string> expected;
  TDBRecList list("ITEMS");
  int next = 0;
  for (int step = 0; step < 6000; ++step) {
    int count = int(expected.size());
    int choice = int(random() % 10);
    if (choice < 5 || count == 0) {
      // Positions -1 and beyond the count mean the end.
      int position = int(random() % (count + 3)) - 1;
      std::string id = std::to_string(next++);
      list.AddRecord(position, Item(id));
      if (position < 0 || position > count) position = count;
      expected.insert(expected.begin() + position, id);
    } else if (choice < 8) {
      int position = int(random() % count);
      list.RemoveRecord(position);
      expected.erase(expected.begin() + position);
    } else {
      int position = int(random() % count);
      ASSERT_EQ(IdAt(list, position), expected[position]) << "step " << step;
    }
    ASSERT_EQ(list.Count(), int(expected.size()));
    ASSERT_LE(RecListCacheUsed(), 5);
  }
  ASSERT_GT(expected.size(), 1000u);  // deep enough for three levels at times
  EXPECT_EQ(Ids(list), expected);
  TDBRecord* record = list.GetRecord(7);
  EXPECT_EQ(std::string(record->GetValue("NAME")), "item " + expected[7]);
  list.RemoveRecord(int(expected.size()));  // beyond the end: nothing
  EXPECT_EQ(list.Count(), int(expected.size()));
  EXPECT_EQ(list.GetRecord(int(expected.size())), nullptr);
}

TEST_F(RecordIndexTest, SlotsAreReusedInTheOrderFilledAndFreeSlotsLowestFirst) {
  UseCache(3);
  TDBRecList list("ITEMS");
  for (const char* id : {"A", "B", "C"}) list.AddRecord(-1, Item(id));
  EXPECT_EQ(RecListCacheSlotOf(list.GetRecord(0)), 0);
  EXPECT_EQ(RecListCacheSlotOf(list.GetRecord(1)), 1);
  EXPECT_EQ(RecListCacheSlotOf(list.GetRecord(2)), 2);

  // A's hits above do not renew it: D takes A's slot.
  list.AddRecord(-1, Item("D"));
  TDBRecord* d = list.GetRecord(3);
  EXPECT_EQ(RecListCacheSlotOf(d), 0);
  // A is made again from its values and takes the next oldest slot, B's; then B takes C's.
  EXPECT_EQ(IdAt(list, 0), "A");
  EXPECT_EQ(RecListCacheSlotOf(list.GetRecord(0)), 1);
  EXPECT_EQ(IdAt(list, 1), "B");
  EXPECT_EQ(RecListCacheSlotOf(list.GetRecord(1)), 2);
  EXPECT_EQ(RecListCacheSlotOf(list.GetRecord(3)), 0);  // D untouched

  // Freed slots are taken before any record is cut, lowest first.
  list.RemoveRecord(1);  // B, slot 2
  list.RemoveRecord(0);  // A, slot 1
  EXPECT_EQ(RecListCacheUsed(), 1);
  list.AddRecord(0, Item("E"));
  EXPECT_EQ(RecListCacheSlotOf(list.GetRecord(0)), 1);
  list.RemoveRecord(2);  // D, slot 0
  list.AddRecord(-1, Item("F"));
  EXPECT_EQ(RecListCacheSlotOf(list.GetRecord(2)), 0);
  EXPECT_EQ(Ids(list), (std::vector<std::string>{"E", "C", "F"}));
}

TEST_F(RecordIndexTest, ListsShareTheCacheAndANewCacheCutsEveryRecord) {
  UseCache(4);
  TDBRecList first("ITEMS");
  TDBRecList second("ITEMS");
  for (int i = 0; i < 4; ++i) first.AddRecord(-1, Item("f" + std::to_string(i)));
  for (int i = 0; i < 4; ++i) second.AddRecord(-1, Item("s" + std::to_string(i)));
  EXPECT_EQ(RecListCacheUsed(), 4);
  for (int i = 0; i < 4; ++i) EXPECT_EQ(RecListCacheSlotOf(second.GetRecord(i)), i);
  EXPECT_EQ(Ids(first), (std::vector<std::string>{"f0", "f1", "f2", "f3"}));

  UseCache(2);
  EXPECT_EQ(RecListCacheSlots(), 2);
  EXPECT_EQ(RecListCacheUsed(), 0);
  EXPECT_EQ(Ids(second), (std::vector<std::string>{"s0", "s1", "s2", "s3"}));
  EXPECT_EQ(RecListCacheUsed(), 2);

  // The lists free their slots when they go.
  { TDBRecList third("ITEMS"); third.AddRecord(-1, Item("t")); }
  first.Reset();
  second.Reset();
  EXPECT_EQ(RecListCacheUsed(), 0);
  EXPECT_EQ(first.Count(), 0);
}

TEST_F(RecordIndexTest, TheMaximumRefusesARecordWithoutTakingIt) {
  TDBRecList list("ITEMS");
  list.SetMaxRecords(1);
  list.AddRecord(-1, Item("1"));
  EXPECT_TRUE(list.IsOk());
  TDBRecord* refused = Item("2");
  list.AddRecord(0, refused);
  EXPECT_EQ(list.GetStatus(), RecListLimitExceeded);
  EXPECT_EQ(RecordListErrorState.GetErrorCode(), 150u);
  EXPECT_STREQ(RecordListErrorState.GetErrorMessage(), "Record limit exceeded: ");
  EXPECT_EQ(list.Count(), 1);
  EXPECT_EQ(RecListCacheSlotOf(refused), -1);
  delete refused;  // still the caller's
  list.SetMaxRecords(0);
  EXPECT_TRUE(list.IsOk());
  EXPECT_TRUE(RecordListErrorState.IsErrorFree());
  list.AddRecord(0, Item("0"));
  EXPECT_EQ(Ids(list), (std::vector<std::string>{"0", "1"}));
}

TEST_F(RecordIndexTest, FreeingTheCachesCutsRecordsDownAndAnEmptyCacheComesBackOnUse) {
  TDBRecList list("ITEMS");
  list.AddRecord(-1, Item("1"));
  list.AddRecord(-1, Item("2"));
  FreeGlobalCaches();
  EXPECT_EQ(RecListCacheSlots(), 0);
  EXPECT_EQ(TempStringsInUse(), 0);
  // A cache size below one is taken as one.
  RecListCacheSize = 0;
  EXPECT_EQ(IdAt(list, 1), "2");
  EXPECT_EQ(RecListCacheSlots(), 1);
  EXPECT_EQ(IdAt(list, 0), "1");
  EXPECT_EQ(RecListCacheUsed(), 1);
}

// ITEMS(ID key, NAME) on the test databases: cut records are read again by key.
class RecordCacheTest : public RecordDatabaseTest {
protected:
  void SetUp() override {
    RecordDatabaseTest::SetUp();
    UseModel({{"ITEMS", {{"ID", "INTEGER"}, {"NAME", "VARCHAR(30)"}}, {}},
              {"LINES", {{"ORDER_NO", "VARCHAR(40)"}, {"LINE_NO", "INTEGER"}, {"TEXT", "VARCHAR(30)"}}, {}}},
             {{{"ITEMS", "ID"}, {"LINES", "ORDER_NO"}, {"LINES", "LINE_NO"}}, {}, {}, {}});
    Db().Exec("CREATE TABLE ITEMS (ID INTEGER PRIMARY KEY, NAME VARCHAR(30))");
    Db().Exec("INSERT INTO ITEMS (ID, NAME) VALUES (1, 'one'), (2, 'two'), (3, 'three')");
  }
  void TearDown() override {
    RecListCacheSize = 1024;
    AllocRecListCache();
    RecordDatabaseTest::TearDown();
  }
  int ReadsByKey() {
    int reads = 0;
    for (const std::string& statement : TracedStatements())
      if (statement == "SELECT ID, NAME FROM ITEMS WHERE ID=?") ++reads;
    return reads;
  }
  static std::string NameAt(TDBRecList& list, int i) {
    TDBRecord* record = list.GetRecord(i);
    return record ? record->GetValue("NAME") : "<null>";
  }
};

TEST_P(RecordCacheTest, ACutRecordIsReadAgainByKeyAndAHitIsNot) {
  RecListCacheSize = 2;
  AllocRecListCache();
  TDBRecList list("ITEMS");
  StartTrace();
  list.SelectWhere("ORDER BY ID", "", nullptr);
  ASSERT_TRUE(list.IsOk());
  EXPECT_EQ(NameAt(list, 0), "one");
  EXPECT_EQ(NameAt(list, 1), "two");
  EXPECT_EQ(NameAt(list, 2), "three");  // fetched now; row 0 (slot 0, stamp 0) is cut
  EXPECT_FALSE(list.HasMore());
  EXPECT_EQ(ReadsByKey(), 0);
  EXPECT_EQ(RecListCacheSlotOf(list.GetRecord(2)), 0);

  EXPECT_EQ(NameAt(list, 0), "one");  // read again, cutting row 1
  EXPECT_EQ(ReadsByKey(), 1);
  EXPECT_EQ(NameAt(list, 2), "three");  // a hit
  EXPECT_EQ(NameAt(list, 0), "one");    // a hit
  EXPECT_EQ(ReadsByKey(), 1);
  EXPECT_EQ(NameAt(list, 1), "two");  // read again
  EXPECT_EQ(ReadsByKey(), 2);
  EXPECT_EQ(list.Count(), 3);
}

TEST_P(RecordCacheTest, ARowGoneSinceItWasCutComesBackWithItsKeyOnly) {
  RecListCacheSize = 1;
  AllocRecListCache();
  TDBRecList list("ITEMS");
  list.SelectWhere("ORDER BY ID", "", nullptr);
  EXPECT_EQ(NameAt(list, 1), "two");
  Db().Exec("DELETE FROM ITEMS WHERE ID=1");
  TDBRecord* gone = list.GetRecord(0);
  ASSERT_NE(gone, nullptr);
  EXPECT_EQ(gone->GetStatus(), RecordDoesNotExist);
  EXPECT_STREQ(gone->GetOldValue("ID"), "1");
  EXPECT_STREQ(gone->GetOldValue("NAME"), "");
  EXPECT_TRUE(list.IsOk());
}

TEST_P(RecordCacheTest, AKeyOfSeveralLongTextsIsKeptWholeAndReadAgain) {
  Db().Exec("CREATE TABLE LINES (ORDER_NO VARCHAR(40), LINE_NO INTEGER, TEXT VARCHAR(30), "
            "PRIMARY KEY (ORDER_NO, LINE_NO))");
  Db().Exec("INSERT INTO LINES VALUES ('ORDER-2024-000000001', 1, 'first'), "
            "('ORDER-2024-000000001', 2, 'second'), ('ORDER-2024-000000002', 1, 'third'), ('', 3, 'empty key')");
  RecListCacheSize = 1;
  AllocRecListCache();
  TDBRecList list("LINES");
  list.SelectWhere("ORDER BY ORDER_NO, LINE_NO", "", nullptr);
  std::vector<std::string> texts;
  for (int i = 0; list.GetRecord(i); ++i) texts.push_back(list.GetRecord(i)->GetValue("TEXT"));
  EXPECT_EQ(texts, (std::vector<std::string>{"empty key", "first", "second", "third"}));
  StartTrace();
  for (int i = 3; i >= 0; --i) EXPECT_EQ(std::string(list.GetRecord(i)->GetValue("TEXT")), texts[i]);
  EXPECT_EQ(TracedStatements().size(), 3u);  // the last row was still cached
  EXPECT_EQ(TracedStatements().back(), "SELECT ORDER_NO, LINE_NO, TEXT FROM LINES WHERE ORDER_NO=? AND LINE_NO=?");
}

INSTANTIATE_DATABASE_TESTS(RecordCacheTest);

}  // namespace

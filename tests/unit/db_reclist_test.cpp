// Record list queries on SQLite and PostgreSQL: query by example (criteria, bound
// values taken as typed), related records both ways, caller's clauses and filters,
// fetching ahead, Requery, the maximum and the memory the lists give back.
#include <gtest/gtest.h>

#include <windows.h>
#define PSAPI_VERSION 2
#include <psapi.h>

#include <string>
#include <vector>

#include "data/core/strings.h"
#include "data/db/dialect.h"
#include "data/db/reccache.h"
#include "data/db/reclist.h"
#include "data/model/model.h"
#include "data/model/settings.h"
#include "expr/errors.h"
#include "support/dialog_watcher.h"
#include "support/record_test_db.h"
#include "support/test_model.h"

namespace {

void Set(char** field, const char* text) { ReplaceString(field, text); }

// Code lists STATUSES (A Active, H On hold, C Closed) and GRADES (0 None, 1 Silver, 2 Gold).
void AddCodeLists(TDataModel& model) {
  const std::vector<std::vector<const char*>> lists = {{"STATUSES", "A", "Active", "H", "On hold", "C", "Closed"},
                                                      {"GRADES", "0", "None", "1", "Silver", "2", "Gold"}};
  model.CodeListCount = model.CodeListCapacity = int(lists.size());
  model.CodeLists = new TCodeList[lists.size()];
  for (size_t l = 0; l < lists.size(); ++l) {
    TCodeList& list = model.CodeLists[l];
    Set(&list.Name, lists[l][0]);
    list.ItemCount = list.ItemCapacity = int(lists[l].size() / 2);
    list.Items = new TCodeListItem[list.ItemCount];
    for (int i = 0; i < list.ItemCount; ++i) {
      Set(&list.Items[i].Key, lists[l][1 + 2 * i]);
      Set(&list.Items[i].Caption, lists[l][2 + 2 * i]);
    }
  }
}

std::vector<TEntitySpec> ListModel() {
  TEntitySpec customers{"CUSTOMERS",
                        {{"ID", "INTEGER"}, {"NAME", "VARCHAR(30)"}, {"CITY", "VARCHAR(20)"},
                         {"STATUS", "VARCHAR(10)"}, {"GRADE", "INTEGER"}, {"VIP", "BIT"},
                         {"JOINED", "DATE"}, {"NOTE", "VARCHAR(30)"}, {"TOTAL", "DECIMAL(10,2)"},
                         {"REGION", "VARCHAR(10)"}},
                        {}};
  customers.attributes[8].calculated = 1;
  customers.attributes[8].defaultText = "1";
  customers.relationships.push_back({"orders", "ORDERS", "customer", "CUSTOMERS", "ORDERS", 1, ""});
  customers.relationships.push_back(
      {"big_orders", "ORDERS", "customer", "CUSTOMERS", "ORDERS", 1, "'AMOUNT >= ' || ID * 20"});
  customers.relationships.push_back(
      {"small_orders", "ORDERS", "customer", "CUSTOMERS", "ORDERS", 1, "'where AMOUNT < 10'"});
  customers.relationships.push_back({"bad_orders", "ORDERS", "customer", "CUSTOMERS", "ORDERS", 1, "1/0"});
  TEntitySpec orders{"ORDERS", {{"ID", "INTEGER"}, {"CUSTOMER_ID", "INTEGER"}, {"AMOUNT", "DECIMAL(10,2)"}}, {}};
  orders.attributes[1].foreignRel = "customer";
  orders.attributes[1].primAttr = "ID";
  orders.relationships.push_back({"customer", "CUSTOMERS", "orders", "CUSTOMERS", "ORDERS", 0, ""});
  TEntitySpec employees{"EMPLOYEES", {{"ID", "INTEGER"}, {"NAME", "VARCHAR(30)"}, {"BOSS_ID", "INTEGER"}}, {}};
  employees.attributes[2].foreignRel = "boss";
  employees.attributes[2].primAttr = "ID";
  employees.relationships.push_back({"reports", "EMPLOYEES", "boss", "EMPLOYEES", "EMPLOYEES", 1, ""});
  employees.relationships.push_back({"boss", "EMPLOYEES", "reports", "EMPLOYEES", "EMPLOYEES", 0, ""});
  return {customers, orders, employees};
}

class RecListTest : public RecordDatabaseTest {
protected:
  void SetUp() override {
    RecordDatabaseTest::SetUp();
    BuildModel(TheModel, ListModel());
    AddCodeLists(TheModel);
    for (const char* entity : {"CUSTOMERS", "ORDERS", "EMPLOYEES"}) ModelAttribute(entity, "ID").KeyPart = 1;
    ModelAttribute("CUSTOMERS", "NAME").Indexed = 1;
    ModelAttribute("CUSTOMERS", "NAME").DisplayWidth = 30;
    ModelAttribute("CUSTOMERS", "CITY").DisplayWidth = 5;
    ModelAttribute("CUSTOMERS", "REGION").DisplayWidth = 10;
    for (const char* name : {"STATUS", "GRADE", "VIP"}) ModelAttribute("CUSTOMERS", name).Mandatory = 1;
    Set(&ModelAttribute("CUSTOMERS", "STATUS").CodeListName, "STATUSES");
    Set(&ModelAttribute("CUSTOMERS", "REGION").CodeListName, "STATUSES");
    Set(&ModelAttribute("CUSTOMERS", "GRADE").CodeListName, "GRADES");
    ModelAttribute("CUSTOMERS", "NOTE").Hidden = 1;
    Set(&ModelRelationship("CUSTOMERS", "orders").OrderBy, "AMOUNT DESC");
    Set(&ModelRelationship("CUSTOMERS", "big_orders").OrderBy, "ID");
    TheModel.LinkAndValidate();

    Db().Exec("CREATE TABLE CUSTOMERS (ID INTEGER PRIMARY KEY, NAME VARCHAR(30), CITY VARCHAR(20), "
              "STATUS VARCHAR(10), GRADE INTEGER, VIP SMALLINT, JOINED DATE, NOTE VARCHAR(30), "
              "TOTAL DECIMAL(10,2), REGION VARCHAR(10))");
    Db().Exec("INSERT INTO CUSTOMERS VALUES "
              "(1, 'Smith', 'Ljubljana', 'A', 1, 1, '2024-03-05', 'n1', 1, 'A'),"
              "(2, 'Smithers', 'Maribor', 'H', 2, 0, '2024-03-06', 'n2', 1, 'AB'),"
              "(3, 'Smallwood', 'Koprivnica', 'C', 0, 0, '2023-01-01', 'n3', 1, 'H'),"
              "(4, 'O''Brien', 'Kopri', 'A', 1, 0, '2024-03-05', 'n4', 1, 'C'),"
              "(5, '50% off', 'Kranj', 'H', 0, 1, '2022-12-31', 'n5', 1, 'A'),"
              "(6, '50 pounds', 'Kranj', 'A', 2, 0, '2022-12-30', 'n6', 1, 'A'),"
              "(7, 'a_b', 'Celje', 'A', 0, 0, '2022-01-01', 'n7', 1, 'A'),"
              "(8, 'axb', 'Celje', 'A', 0, 0, '2022-01-02', 'n8', 1, 'A')");
    Db().Exec("CREATE TABLE ORDERS (ID INTEGER PRIMARY KEY, CUSTOMER_ID INTEGER, AMOUNT DECIMAL(10,2))");
    Db().Exec("INSERT INTO ORDERS VALUES (10, 1, 5), (11, 1, 50), (12, 1, 20), (13, 2, 7)");
    Db().Exec("CREATE TABLE EMPLOYEES (ID INTEGER PRIMARY KEY, NAME VARCHAR(30), BOSS_ID INTEGER)");
    Db().Exec("INSERT INTO EMPLOYEES VALUES (1, 'Ana', NULL), (2, 'Bor', 1), (3, 'Cene', 1), (4, 'Dana', 2)");
  }

  // Every row of the list (fetching what remains), as the values of one attribute.
  static std::vector<std::string> Values(TDBRecList& list, const char* attribute = "ID") {
    std::vector<std::string> values;
    for (int i = 0; TDBRecord* record = list.GetRecord(i); ++i) values.push_back(record->GetValue(attribute));
    return values;
  }
  // A record of the entity with the given stored values.
  static TDBRecord* Row(const char* entity, const std::vector<std::pair<const char*, const char*>>& values) {
    TDBRecord* record = NewDBRecord(entity);
    for (auto& [name, value] : values) record->SetValue(name, value);
    return record;
  }
  // The part after the table name of the last traced statement.
  std::string LastCondition(const char* table) {
    std::vector<std::string> statements = TracedStatements();
    if (statements.empty()) return "<nothing traced>";
    const std::string& last = statements.back();
    std::string from = std::string(" FROM ") + table;
    size_t at = last.find(from);
    return at == std::string::npos ? last : last.substr(at + from.size());
  }
  std::string RowLock(const char* columns) {
    char clause[512];
    TSqlDialect::Of(Db().IsPostgres() ? TSqlDialect::PostgreSQL : TSqlDialect::SQLite)
        .RowLockClause(clause, sizeof clause, columns);
    return clause;
  }
};

using TValues = std::vector<std::string>;

struct TExampleCase {
  std::vector<std::pair<const char*, const char*>> fields;  // the template's values
  std::string condition;                                    // what follows the table name
  TValues ids;
  int findClass;
};

TEST_P(RecListTest, QueryByExampleCriteria) {
  // A text matches regardless of letter case, as on SQL Server.
  const std::string like = Db().IsPostgres() ? " ILIKE ?" : " LIKE ?";
  const std::vector<TExampleCase> cases = {
      {{}, " ORDER BY ID", {"1", "2", "3", "4", "5", "6", "7", "8"}, 2},
      // Texts shorter than the display width find what they begin.
      {{{"NAME", "Sm"}}, " WHERE NAME" + like + " ORDER BY ID", {"1", "2", "3"}, 0},
      {{{"NAME", "sM"}}, " WHERE NAME" + like + " ORDER BY ID", {"1", "2", "3"}, 0},
      {{{"CITY", "KOPR"}}, " WHERE CITY" + like + " ORDER BY ID", {"3", "4"}, 1},
      {{{"CITY", "Kopr"}}, " WHERE CITY" + like + " ORDER BY ID", {"3", "4"}, 1},
      {{{"CITY", "Kopri"}}, " WHERE CITY" + like + " ORDER BY ID", {"4"}, 1},
      // What the user typed is bound as typed: a quote is a quote, '%' and '_' are the
      // user's wildcards.
      {{{"NAME", "O'Brien"}}, " WHERE NAME" + like + " ORDER BY ID", {"4"}, 0},
      {{{"NAME", "50%"}}, " WHERE NAME" + like + " ORDER BY ID", {"5", "6"}, 0},
      {{{"NAME", "a_b"}}, " WHERE NAME" + like + " ORDER BY ID", {"7", "8"}, 0},
      {{{"NAME", "_mith"}}, " WHERE NAME" + like + " ORDER BY ID", {"1", "2"}, 0},
      {{{"NAME", "S%d"}}, " WHERE NAME" + like + " ORDER BY ID", {"3"}, 0},
      {{{"NAME", "x' OR '1'='1"}}, " WHERE NAME" + like + " ORDER BY ID", {}, 0},
      {{{"JOINED", "2024-03-05"}}, " WHERE JOINED=? ORDER BY ID", {"1", "4"}, 1},
      {{{"ID", "3"}}, " WHERE ID=? ORDER BY ID", {"3"}, 0},
      // A mandatory text code list: its first item (key or caption) is no criterion.
      {{{"STATUS", "A"}}, " ORDER BY ID", {"1", "2", "3", "4", "5", "6", "7", "8"}, 2},
      {{{"STATUS", "Active"}}, " ORDER BY ID", {"1", "2", "3", "4", "5", "6", "7", "8"}, 2},
      {{{"STATUS", "H"}}, " WHERE STATUS=? ORDER BY ID", {"2", "5"}, 1},
      // A mandatory number code list or BIT: only a non-zero number.
      {{{"GRADE", "0"}}, " ORDER BY ID", {"1", "2", "3", "4", "5", "6", "7", "8"}, 2},
      {{{"GRADE", "2"}}, " WHERE GRADE=? ORDER BY ID", {"2", "6"}, 1},
      {{{"VIP", "0"}}, " ORDER BY ID", {"1", "2", "3", "4", "5", "6", "7", "8"}, 2},
      {{{"VIP", "1"}}, " WHERE VIP=? ORDER BY ID", {"1", "5"}, 1},
      // A code list that is not mandatory is matched like any text.
      {{{"REGION", "A"}}, " WHERE REGION" + like + " ORDER BY ID", {"1", "2", "5", "6", "7", "8"}, 1},
      // Hidden and calculated attributes are never criteria.
      {{{"NOTE", "n1"}, {"TOTAL", "1"}}, " ORDER BY ID", {"1", "2", "3", "4", "5", "6", "7", "8"}, 2},
      {{{"NAME", "Sm"}, {"CITY", "Mari"}}, " WHERE NAME" + like + " AND CITY" + like + " ORDER BY ID", {"2"}, 0},
  };
  for (const TExampleCase& c : cases) {
    std::string label = c.condition;
    for (auto& [name, value] : c.fields) label += std::string(" | ") + name + "=" + value;
    SCOPED_TRACE(label);
    TDBRecord* example = Row("CUSTOMERS", c.fields);
    TDBRecList list("CUSTOMERS");
    EXPECT_EQ(list.ClassifyFindCriteria(example), c.findClass);
    StartTrace();
    EXPECT_EQ(list.SelectByExample("ID", example), 1);
    EXPECT_TRUE(list.IsOk()) << RecordListErrorState.GetErrorMessage();
    EXPECT_EQ(LastCondition("CUSTOMERS"), c.condition);
    StopTrace();
    EXPECT_EQ(Values(list), c.ids);
    delete example;
  }
}

// A model that sets no display width: the column's size stands for it, so the first
// letters still find what they begin, and a text as long as the column only itself.
TEST_P(RecListTest, QueryByExampleWithoutDisplayWidthFindsFirstLetters) {
  ModelAttribute("CUSTOMERS", "NAME").DisplayWidth = 0;  // the column is VARCHAR(30)
  const std::vector<std::pair<std::string, TValues>> cases = {
      {"Smi", {"1", "2"}},
      {"Smith", {"1", "2"}},
      {"O'", {"4"}},
      {"Smithers" + std::string(22, '_'), {}},  // 30 characters: no '%' added
  };
  for (const auto& [typed, ids] : cases) {
    SCOPED_TRACE(typed);
    TDBRecord* example = Row("CUSTOMERS", {{"NAME", typed.c_str()}});
    TDBRecList list("CUSTOMERS");
    EXPECT_EQ(list.SelectByExample("ID", example), 1) << RecordListErrorState.GetErrorMessage();
    EXPECT_EQ(Values(list), ids);
    delete example;
  }
}

TEST_P(RecListTest, QueryByExampleFailureLeavesNoStatement) {
  TDBRecord* example = Row("CUSTOMERS", {{"NAME", "Sm"}});
  TDBRecList list("CUSTOMERS");
  EXPECT_EQ(list.SelectByExample("NO_SUCH_COLUMN", example), 0);
  EXPECT_EQ(list.GetStatus(), RecListSqlError);
  std::string message = RecordListErrorState.GetErrorMessage();
  EXPECT_EQ(message.rfind("SQL execution error: ", 0), 0u) << message;
  EXPECT_GT(message.size(), strlen("SQL execution error: "));
  EXPECT_EQ(list.Count(), 0);
  EXPECT_FALSE(list.HasMore());
  list.Requery();  // nothing to run again
  EXPECT_TRUE(list.IsOk());
  EXPECT_EQ(list.Count(), 0);
  delete example;
}

TEST_P(RecListTest, RelatedRecordsOfAParentAndWhatAChildPointsAt) {
  TDBRecord* customer = Row("CUSTOMERS", {{"ID", "1"}});
  TDBRecList orders("ORDERS");
  StartTrace();
  orders.SelectRelated("orders", customer);
  ASSERT_TRUE(orders.IsOk());
  EXPECT_EQ(LastCondition("ORDERS"), " WHERE CUSTOMER_ID=? ORDER BY AMOUNT DESC");
  EXPECT_EQ(Values(orders), (TValues{"11", "12", "10"}));

  // The where text is evaluated for the parent, with or without its own WHERE.
  TDBRecList big("ORDERS");
  big.SelectRelated("big_orders", customer);
  EXPECT_EQ(LastCondition("ORDERS"), " WHERE CUSTOMER_ID=? AND AMOUNT >= 20 ORDER BY ID");
  EXPECT_EQ(Values(big), (TValues{"11", "12"}));
  TDBRecList small("ORDERS");
  small.SelectRelated("small_orders", customer);
  EXPECT_EQ(LastCondition("ORDERS"), " WHERE CUSTOMER_ID=? AND AMOUNT < 10");
  EXPECT_EQ(Values(small), (TValues{"10"}));

  TDBRecord* order = Row("ORDERS", {{"ID", "13"}, {"CUSTOMER_ID", "2"}});
  TDBRecList owner("CUSTOMERS");
  owner.SetForUpdate(true);
  owner.SelectRelated("customer", order);
  ASSERT_TRUE(owner.IsOk());
  EXPECT_EQ(LastCondition("CUSTOMERS"),
            " WHERE ID=?" + RowLock("ID,NAME,CITY,STATUS,GRADE,VIP,JOINED,NOTE,TOTAL,REGION"));
  EXPECT_EQ(Values(owner, "NAME"), (TValues{"Smithers"}));
  delete order;
  delete customer;
}

TEST_P(RecListTest, RelatedRecordsOfAnEntityToItself) {
  TDBRecord* ana = Row("EMPLOYEES", {{"ID", "1"}});
  TDBRecord* dana = Row("EMPLOYEES", {{"ID", "4"}, {"BOSS_ID", "2"}});
  TDBRecList reports("EMPLOYEES");
  reports.SelectRelated("reports", ana);
  EXPECT_EQ(Values(reports, "NAME"), (TValues{"Bor", "Cene"}));
  TDBRecList boss("EMPLOYEES");
  boss.SelectRelated("boss", dana);
  EXPECT_EQ(Values(boss, "NAME"), (TValues{"Bor"}));
  delete dana;
  delete ana;
}

TEST_P(RecListTest, RelatedRecordsFailures) {
  TDBRecord* customer = Row("CUSTOMERS", {{"ID", "1"}});
  TDBRecList list("ORDERS");
  list.SelectRelated("nope", customer);
  EXPECT_EQ(list.GetStatus(), RecListUnknownRelationship);
  EXPECT_STREQ(RecordListErrorState.GetErrorMessage(), "Unknown relationship name: : nope");

  // Without a foreign-key value nothing is queried and the list keeps what it had.
  list.SelectRelated("orders", customer);
  EXPECT_EQ(list.Count(), 1);
  TDBRecord* orphan = Row("ORDERS", {{"ID", "14"}});
  TDBRecord* nobody = Row("CUSTOMERS", {{"NAME", "Nobody"}});
  TDBRecList owner("CUSTOMERS");
  StartTrace();
  owner.SelectRelated("customer", orphan);
  EXPECT_TRUE(owner.IsOk());
  EXPECT_EQ(owner.Count(), 0);
  list.SelectRelated("orders", nobody);
  EXPECT_TRUE(TracedStatements().empty());
  EXPECT_EQ(list.Count(), 1);
  EXPECT_TRUE(list.HasMore());
  EXPECT_EQ(Values(list), (TValues{"11", "12", "10"}));
  delete nobody;

  // A where text that cannot be evaluated runs no statement.
  TDBRecList bad("ORDERS");
  bad.SelectRelated("bad_orders", customer);
  EXPECT_EQ(bad.GetStatus(), RecListSqlError);
  EXPECT_EQ(bad.Count(), 0);
  EXPECT_TRUE(TracedStatements().empty());
  delete orphan;
  delete customer;
}

struct TWhereCase {
  const char* clause;
  const char* filter;
  const char* recordId;  // the record the filter is evaluated for
  const char* condition;
  TValues ids;
};

TEST_P(RecListTest, SelectWhereClauseForms) {
  const std::vector<TWhereCase> cases = {
      {"WHERE CITY='Kranj' ORDER BY ID", "'ID > 1'", "", " WHERE CITY='Kranj' ORDER BY ID", {"5", "6"}},
      {"where ID > 6", "", "", " where ID > 6", {"7", "8"}},
      {"ORDER BY ID DESC", "", "", " ORDER BY ID DESC", {"8", "7", "6", "5", "4", "3", "2", "1"}},
      {"order by ID", "", "", " order by ID", {"1", "2", "3", "4", "5", "6", "7", "8"}},
      {"ID < 3", "", "", " WHERE ID < 3", {"1", "2"}},
      {"", "", "", "", {"1", "2", "3", "4", "5", "6", "7", "8"}},
      {"ORDER BY ID", "'ID > ' || ID", "6", " WHERE ID > 6 ORDER BY ID", {"7", "8"}},
      {"ID < 8", "'WHERE ID > 5'", "", " WHERE ID > 5 AND ID < 8", {"6", "7"}},
      {"", "'ID = ' || ID", "4", " WHERE ID = 4", {"4"}},
      // A filter that comes out empty adds no condition.
      {"ORDER BY ID DESC", "''", "", " ORDER BY ID DESC", {"8", "7", "6", "5", "4", "3", "2", "1"}},
  };
  for (const TWhereCase& c : cases) {
    SCOPED_TRACE(std::string(c.clause) + " | " + c.filter);
    TDBRecord* record = Row("CUSTOMERS", {{"ID", c.recordId}});
    TDBRecList list("CUSTOMERS");
    StartTrace();
    list.SelectWhere(c.clause, c.filter, record);
    EXPECT_TRUE(list.IsOk()) << RecordListErrorState.GetErrorMessage();
    EXPECT_EQ(LastCondition("CUSTOMERS"), c.condition);
    StopTrace();
    EXPECT_EQ(Values(list), c.ids);
    delete record;
  }
}

TEST_P(RecListTest, SelectWhereFailureShowsTheServersMessage) {
  for (const char* filter : {"", "1/0"}) {
    SCOPED_TRACE(filter);
    TDBRecord* record = Row("CUSTOMERS", {{"ID", "1"}});
    TDBRecList list("CUSTOMERS");
    auto box = WatchAndPressAsync(GetCurrentProcessId(), "CUSTOMERS", IDOK, 20000);
    list.SelectWhere(*filter ? "" : "WHERE NO_SUCH_COLUMN = 1", filter, record);
    TWatchedDialog seen = box.get();
    ASSERT_TRUE(seen.found);
    EXPECT_EQ(seen.icon, TBoxIcon::Hand);
    const std::string lead = "An error occurring fetching records as follows:\n ";
    EXPECT_EQ(seen.text.rfind(lead, 0), 0u) << seen.text;
    EXPECT_GT(seen.text.size(), lead.size() + 3) << seen.text;
    EXPECT_EQ(list.GetStatus(), RecListSqlError);
    EXPECT_EQ(list.Count(), 0);
    EXPECT_FALSE(list.HasMore());
    delete record;
  }
}

TEST_P(RecListTest, AFilterIsAnExpressionOfTheRecordItIsEvaluatedFor) {
  // A lookup of customers from an order: the filter reads the order's fields.
  TDBRecord* order = Row("ORDERS", {{"ID", "10"}, {"CUSTOMER_ID", "2"}});
  TDBRecList list("CUSTOMERS");
  StartTrace();
  list.SelectWhere("", "'ID = ' || CUSTOMER_ID", order);
  EXPECT_TRUE(list.IsOk()) << RecordListErrorState.GetErrorMessage();
  EXPECT_EQ(LastCondition("CUSTOMERS"), " WHERE ID = 2");
  StopTrace();
  EXPECT_EQ(Values(list), TValues{"2"});

  // A name of the list's entity that the order does not have is an error of the filter.
  TDBRecList other("CUSTOMERS");
  auto box = WatchAndPressAsync(GetCurrentProcessId(), "CUSTOMERS", IDOK, 20000);
  other.SelectWhere("", "'REGION = ' || REGION", order);
  EXPECT_TRUE(box.get().found);
  EXPECT_EQ(other.GetStatus(), RecListSqlError);
  EXPECT_EQ(ExpressionErrorState.GetErrorCode(), uint32_t(ExprUndefinedAttribute));
  EXPECT_EQ(other.Count(), 0);
  delete order;
}

TEST_P(RecListTest, RowsAreFetchedOneAheadAndRequeryRunsTheQueryAgain) {
  TDBRecList list("ORDERS");
  list.SelectWhere("WHERE CUSTOMER_ID = 1 ORDER BY ID", "", nullptr);
  EXPECT_EQ(list.Count(), 1);
  EXPECT_TRUE(list.HasMore());
  ASSERT_NE(list.GetRecord(1), nullptr);  // GetRecord(Count()) fetches the next row
  EXPECT_EQ(list.Count(), 2);
  EXPECT_TRUE(list.HasMore());
  EXPECT_STREQ(list.GetRecord(2)->GetValue("ID"), "12");
  EXPECT_EQ(list.Count(), 3);
  EXPECT_FALSE(list.HasMore());
  EXPECT_EQ(list.GetRecord(3), nullptr);
  EXPECT_EQ(list.Count(), 3);

  Db().Exec("INSERT INTO ORDERS VALUES (15, 1, 1)");
  list.Requery();
  EXPECT_TRUE(list.IsOk());
  EXPECT_EQ(list.Count(), 1);
  EXPECT_EQ(Values(list), (TValues{"10", "11", "12", "15"}));

  // With bound values, and in the middle of the rows.
  TDBRecord* example = Row("ORDERS", {{"CUSTOMER_ID", "1"}});
  TDBRecList found("ORDERS");
  ASSERT_EQ(found.SelectByExample("ID", example), 1);
  EXPECT_STREQ(found.GetRecord(1)->GetValue("ID"), "11");
  Db().Exec("DELETE FROM ORDERS WHERE ID = 10");
  found.Requery();
  EXPECT_EQ(Values(found), (TValues{"11", "12", "15"}));

  // One row: nothing pending. No row: nothing at all.
  TDBRecList one("ORDERS");
  one.SelectWhere("WHERE ID = 13", "", nullptr);
  EXPECT_EQ(one.Count(), 1);
  EXPECT_FALSE(one.HasMore());
  TDBRecList none("ORDERS");
  none.SelectWhere("WHERE ID = 99", "", nullptr);
  EXPECT_EQ(none.Count(), 0);
  EXPECT_FALSE(none.HasMore());
  EXPECT_EQ(none.GetRecord(0), nullptr);
  delete example;
}

TEST_P(RecListTest, TheMaximumStopsFetching) {
  TDBRecList list("CUSTOMERS");
  list.SetMaxRecords(2);
  list.SelectWhere("ORDER BY ID", "", nullptr);
  EXPECT_NE(list.GetRecord(1), nullptr);
  EXPECT_EQ(list.GetRecord(2), nullptr);
  EXPECT_EQ(list.GetStatus(), RecListLimitExceeded);
  EXPECT_EQ(list.Count(), 2);
}

SIZE_T PrivateBytes() {
  PROCESS_MEMORY_COUNTERS_EX counters{};
  counters.cb = sizeof counters;
  GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters),
                       sizeof counters);
  return counters.PrivateUsage;
}

TEST_P(RecListTest, ResetRequeryAndDestructionGiveEverythingBack) {
  Db().Exec("INSERT INTO ORDERS (ID, CUSTOMER_ID, AMOUNT) WITH RECURSIVE n(i) AS "
            "(SELECT 100 UNION ALL SELECT i + 1 FROM n WHERE i < 5099) SELECT i, 3, i FROM n");
  RecListCacheSize = 64;
  AllocRecListCache();
  auto cycle = [] {
    TDBRecList* list = new TDBRecList("ORDERS");
    list->SelectWhere("ORDER BY ID", "", nullptr);
    while (list->GetRecord(list->Count())) {
    }
    EXPECT_EQ(list->Count(), 5004);
    EXPECT_STREQ(list->GetRecord(0)->GetValue("ID"), "10");  // read again by key
    list->Requery();
    while (list->GetRecord(list->Count())) {
    }
    list->Reset();
    EXPECT_EQ(list->Count(), 0);
    list->SelectWhere("ORDER BY ID", "", nullptr);
    while (list->GetRecord(list->Count())) {
    }
    delete list;
    EXPECT_EQ(RecListCacheUsed(), 0);
  };
  cycle();
  cycle();
  SIZE_T before = PrivateBytes();
  for (int i = 0; i < 8; ++i) cycle();
  SIZE_T after = PrivateBytes();
  // 8 cycles of 15,000 cut entries: a leak of key texts alone would pass 2 MB.
  EXPECT_LT(after, before + 512 * 1024) << before << " -> " << after;
  EXPECT_LE(TempStringsInUse(), 1);  // at most the trace line's buffer
  RecListCacheSize = 1024;
  AllocRecListCache();
}

// A record the cache lets go serves the next row read, as fresh as a new one: nothing of
// its former row, new values, row locks, status or statement is left.
TEST_P(RecListTest, ARecordTheCacheLetGoServesTheNextRowFresh) {
  RecListCacheSize = 2;
  AllocRecListCache();
  {
    TDBRecList list("CUSTOMERS");
    list.SelectWhere("ORDER BY ID", "", nullptr);
    TDBRecord* first = list.GetRecord(0);
    ASSERT_TRUE(first);
    first->SetNewValue("NAME", "changed");
    first->SetForUpdate(true);
    first->Read();  // leaves a statement behind
    first->SetNewValue("CITY", "Bled");
    ASSERT_TRUE(list.GetRecord(1));
    ASSERT_TRUE(list.GetRecord(2));  // the first row is cut down: its record is let go
    TDBRecord* fourth = list.GetRecord(3);
    EXPECT_EQ(fourth, first);  // no record made for the row
    EXPECT_STREQ(fourth->GetValue("ID"), "4");
    EXPECT_STREQ(fourth->GetValue("NAME"), "O'Brien");
    EXPECT_STREQ(fourth->Field(fourth->AttributeIndex(fourth->GetEntity(), "NAME")).NewValue(), "");
    EXPECT_FALSE(fourth->IsFieldChanged("CITY"));
    EXPECT_FALSE(fourth->GetForUpdate());
    EXPECT_EQ(fourth->GetStatus(), 0);
    EXPECT_EQ(Values(list, "NAME"), (TValues{"Smith", "Smithers", "Smallwood", "O'Brien", "50% off",
                                               "50 pounds", "a_b", "axb"}));
  }
  // A model built again: the spare is never used for the new model's entities.
  BuildModel(TheModel, ListModel());
  ModelAttribute("CUSTOMERS", "ID").KeyPart = 1;
  TheModel.LinkAndValidate();
  TDBRecList again("CUSTOMERS");
  again.SelectWhere("ORDER BY ID", "", nullptr);
  EXPECT_EQ(Values(again, "CITY"), (TValues{"Ljubljana", "Maribor", "Koprivnica", "Kopri", "Kranj", "Kranj",
                                            "Celje", "Celje"}));
  RecListCacheSize = 1024;
  AllocRecListCache();
}

INSTANTIATE_DATABASE_TESTS(RecListTest);

}  // namespace

// Texts of the Windows ANSI code page (1252) beyond ASCII on SQLite and PostgreSQL: records
// stored and read, found by example, sequence names and user names come back byte for byte.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "data/db/database.h"
#include "data/db/reclist.h"
#include "data/db/record.h"
#include "data/db/sequence.h"
#include "data/db/userrights.h"
#include "expr/errors.h"
#include "support/record_test_db.h"

namespace {

// Office texts in code page 1252: accents, umlauts, the euro sign, ligatures.
const char* const OfficeTexts[] = {
    "caf\xe9",           // café
    "M\xfcller",         // Müller
    "\xd8resund",        // Øresund
    "na\xefve fa\xe7" "ade",  // naïve façade
    "\x80 12,50",        // € 12,50
    "Stra\xdf" "e",      // Straße
    "\x9cuvre \xe0 \xbd",  // œuvre à ½
};

class EncodingTest : public RecordDatabaseTest {
protected:
  void SetUp() override {
    RecordDatabaseTest::SetUp();
    TModelFlags flags;
    flags.keys = {{"PERSON", "ID"}};
    UseModel({TEntitySpec{"PERSON", {{"ID", "INTEGER"}, {"NAME"}}, {}}}, flags);
    Db().Exec("CREATE TABLE PERSON (ID INTEGER PRIMARY KEY, NAME VARCHAR(40))");
    Db().Exec("CREATE TABLE SEQNUM (TABLENAME VARCHAR(64), NEXTID INTEGER)");
    Db().Exec("CREATE TABLE URIGHTS (USER_ID VARCHAR(30), TABLE_NAME VARCHAR(64), "
              "USTORE VARCHAR(3), UDELETE VARCHAR(3))");
  }
};

TEST_P(EncodingTest, RecordsKeepTheirLettersThroughStoreReadAndFind) {
  int id = 1;
  for (const char* text : OfficeTexts) {
    SCOPED_TRACE(text);
    const std::string key = std::to_string(id++);
    TDBRecord person("PERSON");
    person.SetNewValue("ID", key.c_str());
    person.SetNewValue("NAME", text);
    person.Insert(CheckParents);
    ASSERT_TRUE(person.IsOk()) << RecordErrorState.GetErrorMessage();
    EXPECT_EQ(Db().Query("SELECT NAME FROM PERSON WHERE ID=" + key), text);

    TDBRecord read("PERSON");
    read.SetNewValue("ID", key.c_str());
    read.Read();
    ASSERT_TRUE(read.IsOk()) << RecordErrorState.GetErrorMessage();
    EXPECT_STREQ(read.GetValue("NAME"), text);

    read.SetNewValue("NAME", (std::string(text) + "!").c_str());
    read.Update(RefuseIfChildren, CheckParents);
    ASSERT_TRUE(read.IsOk()) << RecordErrorState.GetErrorMessage();
    EXPECT_EQ(Db().Query("SELECT NAME FROM PERSON WHERE ID=" + key), std::string(text) + "!");

    TDBRecord example("PERSON");
    example.SetNewValue("NAME", (std::string(text) + "!").c_str());
    TDBRecList found("PERSON");
    found.SelectByExample("", &example);
    ASSERT_TRUE(found.IsOk()) << RecordListErrorState.GetErrorMessage();
    TDBRecord* first = found.GetRecord(0);
    ASSERT_NE(first, nullptr);
    EXPECT_STREQ(first->GetValue("ID"), key.c_str());
    EXPECT_EQ(found.GetRecord(1), nullptr);
  }
}

TEST_P(EncodingTest, SequenceNamesAndUserNamesKeepTheirLetters) {
  for (const char* text : OfficeTexts) {
    SCOPED_TRACE(text);
    EXPECT_EQ(NextSequence(text), 1);
    EXPECT_EQ(NextSequence(text), 2);
    EXPECT_EQ(Db().Query(std::string("SELECT NEXTID FROM SEQNUM WHERE TABLENAME='") + text + "'"), "3");

    Db().Exec(std::string("INSERT INTO URIGHTS VALUES ('") + text + "', 'PERSON', 'Yes', 'No')");
    EXPECT_EQ(CheckUserRights(nullptr, "PERSON", text, false), RIGHT_STORE);
  }
}

INSTANTIATE_DATABASE_TESTS(EncodingTest);

}  // namespace

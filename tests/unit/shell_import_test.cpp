// Import templates and the import of text files on SQLite and PostgreSQL: the ".tpl" file
// and its round trip, splitting and converting fields, and whole imports that insert,
// update, use fixed values and report bad lines with their line numbers.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "data/core/strings.h"
#include "data/model/dmdreader.h"
#include "data/model/model.h"
#include "data/model/settings.h"
#include "shell/importrun.h"
#include "shell/importtemplate.h"
#include "support/record_test_db.h"
#include "support/saved_settings.h"
#include "support/scratch_dir.h"

namespace {

std::string Lf(const std::string& crlf) {
  std::string text;
  for (char c : crlf)
    if (c != '\r') text += c;
  return text;
}

TImportTemplate FullTemplate(char separator) {
  TImportTemplate t;
  t.Name = "Weekly customers";
  t.InputFilename = "c:\\in\\cust.csv";
  t.OutputTable = "Customer";
  t.Separator = separator;
  t.FieldNames = false;
  t.ValidateRelated = false;
  t.SkipRows = 3;
  t.Mappings = {{"CODE", "Customer no."}, {"NAME", "Name"}, {"IGNORED", NotMapped}};
  t.FixedValues = {{"City", "Oslo \"East\""}, {"Phone", ""}};
  return t;
}

TEST(ImportTemplateFile, LayoutAsWritten) {
  TScratchDir dir("tpl");
  TImportTemplate t = FullTemplate('\t');
  t.FilePath = dir.File("Weekly_customers.tpl");
  ASSERT_TRUE(SaveImportTemplate(t));
  EXPECT_EQ(Lf(TScratchDir::Read(t.FilePath)),
            "<WizardTemplate>\n"
            "Name=\"Weekly customers\"\n"
            "InputFilename=\"c:\\in\\cust.csv\"\n"
            "OutputTable=\"Customer\"\n"
            "FieldSeperator=\t\n"
            "FieldNames=0\n"
            "ValidateRelatedRecords=0\n"
            "SkipRows=3\n"
            "<WizardField>\nName=\"CODE\"\nMappedTo=\"Customer no.\"\n</WF>\n"
            "<WizardField>\nName=\"NAME\"\nMappedTo=\"Name\"\n</WF>\n"
            "<WizardField>\nName=\"IGNORED\"\nMappedTo=\"<none>\"\n</WF>\n"
            "<WizardFieldValue>\nName=\"City\"\nValue=\"Oslo \"East\"\"\n</WFV>\n"
            "</WT>\n");
}

TEST(ImportTemplateFile, EverySeparatorAndValueSurvivesTheRoundTrip) {
  TScratchDir dir("tpl");
  for (char separator : {',', '\t', ' ', '"', '~', ';', '|'}) {
    SCOPED_TRACE(std::string("separator ") + separator);
    TImportTemplate t = FullTemplate(separator);
    t.FilePath = dir.File("t.tpl");
    ASSERT_TRUE(SaveImportTemplate(t));
    TImportTemplate loaded;
    loaded.StripQuotes = false;  // not saved: loading leaves it as it is
    ASSERT_TRUE(LoadImportTemplate(loaded, t.FilePath));
    EXPECT_EQ(loaded.Separator, separator);
    EXPECT_EQ(loaded.Name, t.Name);
    EXPECT_EQ(loaded.InputFilename, t.InputFilename);
    EXPECT_EQ(loaded.OutputTable, "Customer");
    EXPECT_FALSE(loaded.FieldNames);
    EXPECT_FALSE(loaded.ValidateRelated);
    EXPECT_FALSE(loaded.StripQuotes);
    EXPECT_EQ(loaded.SkipRows, 3);
    ASSERT_EQ(loaded.Mappings.size(), 3u);
    EXPECT_EQ(loaded.Mappings[0].Name, "CODE");
    EXPECT_EQ(loaded.Mappings[0].MappedTo, "Customer no.");
    EXPECT_EQ(loaded.Mappings[2].MappedTo, "<none>");
    // The empty fixed value was not saved; the one with quotes comes back whole.
    ASSERT_EQ(loaded.FixedValues.size(), 1u);
    EXPECT_EQ(loaded.FixedValues[0].Name, "City");
    EXPECT_EQ(loaded.FixedValues[0].Value, "Oslo \"East\"");
  }
}

TEST(ImportTemplateFile, OmittedLinesKeepTheDefaultsAndOddFilesLoad) {
  TScratchDir dir("tpl");
  // No InputFilename line, keys in other letter cases, unknown keys, no closing line.
  const std::string path = dir.Write("odd.tpl",
                                     "<WizardTemplate>\nname=\"Odd\"\nfieldseperator=;\nSKIPROWS=2\nColour=\"red\"\n"
                                     "<wizardfield>\nNAME=\"A\"\n</WF>\n");
  TImportTemplate t;
  ASSERT_TRUE(LoadImportTemplate(t, path));
  EXPECT_EQ(t.FilePath, path);
  EXPECT_EQ(t.Name, "Odd");
  EXPECT_EQ(t.InputFilename, "");
  EXPECT_EQ(t.Separator, ';');
  EXPECT_EQ(t.SkipRows, 2);
  EXPECT_TRUE(t.FieldNames);
  ASSERT_EQ(t.Mappings.size(), 1u);
  EXPECT_EQ(t.Mappings[0].MappedTo, "<none>");

  TImportTemplate missing;
  EXPECT_FALSE(LoadImportTemplate(missing, dir.File("absent.tpl")));
  EXPECT_EQ(missing.FilePath, dir.File("absent.tpl"));
}

TEST(ImportTemplateFile, NamesFilesAndTheTemplatesOfAFolder) {
  EXPECT_EQ(TemplateFileName("My Template"), "My_Template.tpl");
  EXPECT_EQ(TemplateFileName("a  b"), "a__b.tpl");
  for (const char* bad : {"", "..\\x", "a/b", "c:x", "a*", "what?", "\"q\"", "<x>", "a|b"})
    EXPECT_FALSE(IsValidTemplateName(bad)) << bad;
  for (const char* good : {"My Template", "weekly.v2", "Kunden (alt)"}) EXPECT_TRUE(IsValidTemplateName(good)) << good;

  // A template is listed by the name it holds and found by its file, renamed or not.
  TScratchDir dir("tpls");
  dir.Write("renamed copy.tpl", "<WizardTemplate>\nName=\"Weekly\"\n</WT>\n");
  dir.Write("Monthly.tpl", "<WizardTemplate>\nName=\"Monthly\"\n</WT>\n");
  dir.Write("notes.txt", "<WizardTemplate>\nName=\"Not a template\"\n</WT>\n");
  // A damaged one, with a NUL that would cut its name short, is not taken.
  dir.Write("damaged.tpl", std::string("<WizardTemplate>\nName=\"Dam\0aged\"\n</WT>\n", 40));
  TImportTemplate damaged;
  EXPECT_FALSE(LoadImportTemplate(damaged, dir.File("damaged.tpl")));
  std::vector<TTemplateFile> files = ListImportTemplates(dir.path());
  ASSERT_EQ(files.size(), 2u);
  std::sort(files.begin(), files.end(), [](auto& a, auto& b) { return a.name < b.name; });
  EXPECT_EQ(files[0].name, "Monthly");
  EXPECT_EQ(files[1].name, "Weekly");
  EXPECT_EQ(files[1].path, dir.File("renamed copy.tpl"));
}

TEST(ImportFields, SplittingLines) {
  struct TCase {
    const char* line;
    char separator;
    bool strip;
    std::vector<std::string> fields;
  };
  const std::vector<TCase> cases = {
      {"a,b,c", ',', true, {"a", "b", "c"}},
      {"\"Smith, Ann\",2", ',', true, {"Smith, Ann", "2"}},
      {"\"Smith, Ann\",2", ',', false, {"\"Smith, Ann\"", "2"}},
      {"\"Bob \"\"the\"\" Builder\",x", ',', true, {"Bob \"the\" Builder", "x"}},
      {"a,,c,", ',', true, {"a", "", "c", ""}},
      {"", ',', true, {""}},
      {"1\t\"a\tb\"\t3", '\t', true, {"1", "a\tb", "3"}},
      {"x~y", '~', true, {"x", "y"}},
      {"a b  c", ' ', true, {"a", "b", "", "c"}},
      {"a\"b\"c", '"', false, {"a", "b", "c"}},
      // Only a quote that begins a field opens a quoted part.
      {"12\" pipe,5", ',', true, {"12\" pipe", "5"}},
      {"a\"b,c\"d,e", ',', false, {"a\"b", "c\"d", "e"}},
      {"\"x\"y,z", ',', false, {"\"x\"y", "z"}},
      {"\"a,\"\"b\"\" c\",d\"e", ',', true, {"a,\"b\" c", "d\"e"}},
  };
  for (const TCase& c : cases) EXPECT_EQ(SplitImportFields(c.line, c.separator, c.strip), c.fields) << c.line;
}

// ---- imports against the databases ----

std::vector<TEntitySpec> ImportModel() {
  TEntitySpec people{"PEOPLE",
                     {{"ID", "INTEGER"}, {"NAME", "VARCHAR(5)"}, {"CITY", "VARCHAR(30)"}, {"JOINED", "DATE"},
                      {"BALANCE", "DECIMAL(12,2)"}, {"STARTS", "TIME"}, {"TEAM_ID", "INTEGER"}},
                     {}};
  people.attributes[6].foreignRel = "team";
  people.attributes[6].primAttr = "TEAM_ID";
  people.relationships.push_back({"team", "TEAMS", "members", "TEAMS", "PEOPLE", 0, ""});
  TEntitySpec teams{"TEAMS", {{"TEAM_ID", "INTEGER"}, {"TITLE", "VARCHAR(20)"}}, {}};
  teams.relationships.push_back({"members", "PEOPLE", "team", "TEAMS", "PEOPLE", 1, ""});
  return {people, teams};
}

class ImportTest : public RecordDatabaseTest {
protected:
  void SetUp() override {
    RecordDatabaseTest::SetUp();
    UseModel(ImportModel(), {{{"PEOPLE", "ID"}, {"TEAMS", "TEAM_ID"}}, {}, {}, {}});
    const char* captions[][2] = {{"ID", "Person no."}, {"NAME", "Name"}, {"CITY", "City"}, {"JOINED", "Joined"},
                                 {"BALANCE", "Balance"}, {"STARTS", "Starts"}, {"TEAM_ID", "Team"}};
    for (auto& c : captions) ReplaceString(&ModelAttribute("PEOPLE", c[0]).Caption, c[1]);
    ReplaceString(&ModelEntity("PEOPLE").Caption, "People");
    strcpy(DateFormat, "DD/MM/YYYY");
    strcpy(TimeFormat, "HH24:MI");
    Db().Exec("CREATE TABLE PEOPLE (ID INTEGER PRIMARY KEY, NAME VARCHAR(5), CITY VARCHAR(30), JOINED DATE, "
              "BALANCE DECIMAL(12,2), STARTS TIME, TEAM_ID INTEGER)");
    Db().Exec("CREATE TABLE TEAMS (TEAM_ID INTEGER PRIMARY KEY, TITLE VARCHAR(20))");
    Db().Exec("INSERT INTO TEAMS VALUES (1, 'Red')");
  }

  TImportTemplate Template(const std::string& content, std::vector<TImportMapping> mappings) {
    TImportTemplate t;
    t.Name = "People";
    t.InputFilename = dir_.Write("people.txt", content);
    t.OutputTable = "people";  // captions are matched in any case
    t.Mappings = std::move(mappings);
    return t;
  }

  TImportSummary Run(TImportTemplate& t) {
    reports_.clear();
    progress_.clear();
    TImportObserver observer;
    observer.report = [this](const std::string& text) { reports_.push_back(text); };
    observer.progress = [this](long lines) { progress_.push_back(lines); };
    return RunImport(t, observer);
  }

  std::string Row(int id) {
    return Db().Query("SELECT NAME || '|' || COALESCE(CITY, '-') || '|' || COALESCE(CAST(JOINED AS VARCHAR(20)), '-') "
                      "|| '|' || COALESCE(CAST(CAST(BALANCE * 100 AS INTEGER) AS VARCHAR(20)), '-') "
                      "FROM PEOPLE WHERE ID = " + std::to_string(id));
  }

  TSavedSettings settings_;
  TScratchDir dir_{"import"};
  std::vector<std::string> reports_;
  std::vector<long> progress_;
};

const std::vector<TImportMapping> peopleColumns = {
    {"ID", "Person no."}, {"NAME", "Name"}, {"CITY", "City"}, {"JOINED", "Joined"}, {"BALANCE", "Balance"}};

TEST_P(ImportTest, InsertsThenUpdatesWithConvertedValues) {
  TImportTemplate t = Template(
      "ID,NAME,CITY,JOINED,BALANCE\r\n"
      "1,Ann,\"Oslo, East\",05/03/2024,\"$1,234.50\"\r\n"
      "2,Bartholomew,Bergen,31/12/2023,\"(1,234.50)\"\r\n"
      "3,Cy,,01/01/2020, 7 \r\n",
      peopleColumns);
  TImportSummary first = Run(t);
  EXPECT_TRUE(first.started);
  EXPECT_EQ(first.lines, 3);
  EXPECT_EQ(first.inserted, 3);
  EXPECT_EQ(first.updated, 0);
  EXPECT_TRUE(reports_.empty()) << reports_[0];
  EXPECT_EQ(Row(1), "Ann|Oslo, East|2024-03-05|123450");
  EXPECT_EQ(Row(2), "Barth|Bergen|2023-12-31|-123450");  // cut to VARCHAR(5); brackets: minus
  EXPECT_EQ(Row(3), "Cy|-|2020-01-01|700");

  // The same file again, one city changed: every line updates its row, none is added.
  t.InputFilename = dir_.Write("people.txt",
                               "ID,NAME,CITY,JOINED,BALANCE\n1,Ann,Tromso,05/03/2024,1\n2,Bart,Bergen,31/12/2023,2\n");
  TImportSummary second = Run(t);
  EXPECT_EQ(second.inserted, 0);
  EXPECT_EQ(second.updated, 2);
  EXPECT_EQ(Db().Query("SELECT COUNT(*) FROM PEOPLE"), "3");
  EXPECT_EQ(Row(1), "Ann|Tromso|2024-03-05|100");
}

TEST_P(ImportTest, BadLinesAreReportedWithTheirNumbersAndTheRestIsImported) {
  TImportTemplate t = Template(
      "ID,NAME,CITY,JOINED,BALANCE,TEAM\n"
      "1,Ann,Oslo,05/03/2024,1,1\n"
      "2,Bo,Oslo,2024-03-05,1,1\n"      // line 3: not a date in DD/MM/YYYY
      "3,Cy,Oslo,01/01/2024,1,9\n"      // line 4: no team 9
      "4,Di,Oslo,01/01/2024,1,1\n" +
          std::string(9000, 'x') + "\n"  // line 6: too long
          "5,Ed,Oslo,01/01/2024,1,1\n",
      peopleColumns);
  t.Mappings.push_back({"TEAM", "Team"});
  TImportSummary summary = Run(t);
  EXPECT_EQ(summary.lines, 6);
  EXPECT_EQ(summary.inserted, 3);
  EXPECT_EQ(summary.failed, 3);
  ASSERT_EQ(reports_.size(), 3u);
  EXPECT_EQ(reports_[0], "Line 3: '2024-03-05' is not a date in the format of Joined");
  EXPECT_EQ(reports_[1].rfind("Line 4: ", 0), 0u) << reports_[1];
  EXPECT_GT(reports_[1].size(), 8u);
  EXPECT_EQ(reports_[2], "Line 6: the line is longer than 8191 characters");
  EXPECT_EQ(Db().Query("SELECT COUNT(*) FROM PEOPLE"), "3");
  EXPECT_EQ(Db().Query("SELECT COUNT(*) FROM PEOPLE WHERE ID IN (2, 3)"), "0");

  // Without the related-record check the missing team is no reason to refuse.
  t.ValidateRelated = false;
  t.InputFilename = dir_.Write("people.txt", "ID,NAME,CITY,JOINED,BALANCE,TEAM\n3,Cy,Oslo,01/01/2024,1,9\n");
  EXPECT_EQ(Run(t).inserted, 1);
}

// One line of a file and what becomes of it: the row stored, or the report of the line.
struct THostileLine {
  std::string line;
  const char* report;  // without the "Line N: " in front; null when the line is stored
  int id = 0;                // the row a stored line makes
  const char* row = nullptr;  // as ImportTest::Row shows it
};

const std::string nul(1, '\0');

const std::vector<THostileLine> hostileLines = {
    {"1,Ann,Oslo,05/03/2024,1", nullptr, 1, "Ann|Oslo|2024-03-05|100"},
    {"X3,Bo,Oslo,05/03/2024,1", "'X3' is not a whole number for Person no."},
    {"1; DROP TABLE CANARY,Bo,Oslo,05/03/2024,1", "'1; DROP TABLE CANARY' is not a whole number for Person no."},
    {"2,Cy,Oslo,05/03/2024,-", "'-' is not a number for Balance"},
    {"2,Cy,Oslo,05/03/2024, $ ", "'$' is not a number for Balance"},
    {"2,Cy,Oslo,05/03/2024,1.2.3", "'1.2.3' is not a number for Balance"},
    {"2,Cy,Oslo,05/03/2024,12abc", "'12abc' is not a number for Balance"},
    {"2,Cy,Oslo,05/03/2024,) OR (1=1", "') OR (1=1' is not a number for Balance"},
    {"2,Cy,Oslo,05/03/2024,1e400", "'1e400' is not a number for Balance"},
    {"2,Cy,Oslo,05/03/2024,\"1,5\"", "'1,5' is not a number for Balance: a comma only groups thousands"},
    {"2,Cy,Oslo,05/03/2024,\"$1,234.50\"", nullptr, 2, "Cy|Oslo|2024-03-05|123450"},
    {"3,Di,Oslo,31/02/2024,1", "'31/02/2024' is not a date in the format of Joined"},
    {"3,Di,Oslo,29/02/2023,1", "'29/02/2023' is not a date in the format of Joined"},
    {"3,Di,Oslo,01/01/0001,1", nullptr, 3, "Di|Oslo|0001-01-01|100"},
    {"4,Ed,12\" pipe,29/02/2024,5", nullptr, 4, "Ed|12\" pipe|2024-02-29|500"},
    {"5,Fay" + nul + "x,Oslo,05/03/2024,1", "the line holds a NUL character"},
    {"6,Gus,Oslo,05/03/2024,1", nullptr, 6, "Gus|Oslo|2024-03-05|100"},
    {"7,Hal,Oslo');DROP TABLE CANARY;--,05/03/2024,1", nullptr, 7, "Hal|Oslo');DROP TABLE CANARY;--|2024-03-05|100"},
};

TEST_P(ImportTest, HostileLinesAreRefusedWithTheirTrueNumbersWhateverTheLineEnds) {
  Db().Exec("CREATE TABLE CANARY (A INTEGER)");
  Db().Exec("INSERT INTO CANARY VALUES (1)");
  for (const char* lineEnd : {"\n", "\r\n", "\r"}) {
    SCOPED_TRACE(lineEnd[0] == '\n' ? "LF" : lineEnd[1] ? "CR LF" : "CR");
    Db().Exec("DELETE FROM PEOPLE");
    std::string content = std::string("ID,NAME,CITY,JOINED,BALANCE") + lineEnd;
    std::vector<std::string> expected;
    long stored = 0;
    for (size_t i = 0; i < hostileLines.size(); ++i) {
      content += hostileLines[i].line + lineEnd;
      if (hostileLines[i].report) expected.push_back("Line " + std::to_string(i + 2) + ": " + hostileLines[i].report);
      else ++stored;
    }
    TImportTemplate t = Template(content, peopleColumns);
    TImportSummary summary = Run(t);
    EXPECT_EQ(summary.lines, static_cast<long>(hostileLines.size()));
    EXPECT_EQ(summary.inserted, stored);
    EXPECT_EQ(reports_, expected);
    for (const THostileLine& c : hostileLines) {
      if (!c.report) {
        EXPECT_EQ(Row(c.id), c.row) << c.line;
      }
    }
    EXPECT_EQ(Db().Query("SELECT COUNT(*) FROM PEOPLE"), std::to_string(stored));
    EXPECT_EQ(Db().Query("SELECT COUNT(*) FROM CANARY"), "1");
  }
}

TEST_P(ImportTest, FixedValuesOfATemplateAreCheckedLikeTheFile) {
  const struct {
    const char* caption;
    const char* value;
    const char* report;  // null: stored, as the row shows it
    const char* row;
  } cases[] = {
      {"Joined", "31/02/2024", "'31/02/2024' is not a date in the format of Joined", nullptr},
      {"Joined", "29/02/2023", "'29/02/2023' is not a date in the format of Joined", nullptr},
      {"Joined", "01/01/0001", nullptr, "Ann|-|0001-01-01|-"},
      {"Balance", "1,5", "'1,5' is not a number for Balance: a comma only groups thousands", nullptr},
      {"Balance", "1; DROP TABLE CANARY", "'1; DROP TABLE CANARY' is not a number for Balance", nullptr},
      {"Balance", "(12.50)", nullptr, "Ann|-|-|-1250"},
      {"Team", "X3", "'X3' is not a whole number for Team", nullptr},
  };
  Db().Exec("CREATE TABLE CANARY (A INTEGER)");
  // The template's own file, written with carriage returns alone as line ends.
  const std::string path = dir_.Write("fixed.tpl",
                                      "<WizardTemplate>\rName=\"Fixed\"\rOutputTable=\"People\"\rFieldSeperator=,\r"
                                      "FieldNames=0\rValidateRelatedRecords=0\r<WizardField>\rName=\"Field 0\"\r"
                                      "MappedTo=\"Person no.\"\r</WF>\r<WizardField>\rName=\"Field 1\"\rMappedTo=\"Name\"\r"
                                      "</WF>\r</WT>\r");
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.caption) + " " + c.value);
    Db().Exec("DELETE FROM PEOPLE");
    TImportTemplate t;
    ASSERT_TRUE(LoadImportTemplate(t, path));
    ASSERT_EQ(t.Name, "Fixed");
    ASSERT_EQ(t.Mappings.size(), 2u);
    t.InputFilename = dir_.Write("people.txt", "1,Ann\n");
    t.FixedValues = {{c.caption, c.value}};
    TImportSummary summary = Run(t);
    if (c.report) {
      EXPECT_EQ(summary.inserted, 0);
      EXPECT_EQ(reports_, std::vector<std::string>{std::string("Line 1: ") + c.report});
    } else {
      EXPECT_EQ(summary.inserted, 1);
      EXPECT_TRUE(reports_.empty()) << reports_[0];
      EXPECT_EQ(Row(1), c.row);
    }
  }
  EXPECT_EQ(Db().Query("SELECT COUNT(*) FROM CANARY"), "0");
}

TEST_P(ImportTest, FixedValuesSkippedRowsShortLinesAndUnnamedColumns) {
  // Field names off: columns are named by the wizard; SkipRows skips two lines; a short
  // line leaves the rest to the fixed values; a field beyond the mappings is ignored.
  TImportTemplate t = Template(
      "junk\n"
      "more junk\n"
      "10;Gus;Hamar;extra;ignored\n"
      "11;Hal\n",
      {{"Field 0", "Person no."}, {"Field 1", "Name"}, {"Field 2", "City"}});
  t.Separator = ';';
  t.FieldNames = false;
  t.SkipRows = 2;
  t.FixedValues = {{"Joined", "24/12/2024"}, {"Balance", "$2,000"}, {"Starts", "08:30"}, {"City", ""}};
  TImportSummary summary = Run(t);
  EXPECT_EQ(summary.lines, 2);
  EXPECT_EQ(summary.inserted, 2);
  EXPECT_EQ(Row(10), "Gus|Hamar|2024-12-24|200000");
  EXPECT_EQ(Row(11), "Hal|-|2024-12-24|200000");
  EXPECT_EQ(t.FixedValues[1].Value, "2000");  // the number is kept cleaned
  EXPECT_EQ(t.FixedValues[0].Value, "24/12/2024");
  EXPECT_EQ(Db().Query("SELECT COUNT(*) FROM PEOPLE WHERE STARTS IS NOT NULL"), "2");

  // Field names on and SkipRows 2: the first three lines are not imported.
  t.FieldNames = true;
  t.InputFilename = dir_.Write("people.txt", "20;A\n21;B\n22;C\n23;D\n");
  summary = Run(t);
  EXPECT_EQ(summary.lines, 1);
  EXPECT_EQ(Db().Query("SELECT COUNT(*) FROM PEOPLE WHERE ID BETWEEN 20 AND 23"), "1");
  EXPECT_EQ(Db().Query("SELECT NAME FROM PEOPLE WHERE ID = 23"), "D");
}

TEST_P(ImportTest, ProgressAndStopping) {
  std::string content = "ID\n";
  for (int i = 1; i <= 250; ++i) content += std::to_string(i) + "\n";
  TImportTemplate t = Template(content, {{"ID", "Person no."}});
  Run(t);
  EXPECT_EQ(progress_, (std::vector<long>{0, 100, 200, 250}));

  // Stopped by the caller after 5 lines: those 5 are in, and the summary says so.
  Db().Exec("DELETE FROM PEOPLE");
  int asked = 0;
  TImportObserver observer;
  observer.keepGoing = [&] { return ++asked <= 5; };
  TImportSummary summary = RunImport(t, observer);
  EXPECT_TRUE(summary.stopped);
  EXPECT_EQ(summary.inserted, 5);
  EXPECT_EQ(Db().Query("SELECT COUNT(*) FROM PEOPLE"), "5");
}

TEST_P(ImportTest, WhatStopsAnImportBeforeItsFirstLine) {
  TImportTemplate t = Template("ID\n1\n", {{"ID", "Person no."}});
  t.OutputTable = "Nobody";
  TImportSummary summary = Run(t);
  EXPECT_FALSE(summary.started);
  EXPECT_EQ(reports_, std::vector<std::string>{"The destination table Nobody is not in the model."});
  t.OutputTable = "People";
  t.InputFilename = dir_.File("absent.csv");
  summary = Run(t);
  EXPECT_FALSE(summary.started);
  EXPECT_EQ(reports_, std::vector<std::string>{"Could not open input file " + dir_.File("absent.csv") + "."});
  EXPECT_EQ(Db().Query("SELECT COUNT(*) FROM PEOPLE"), "0");
}

INSTANTIATE_DATABASE_TESTS(ImportTest);

// The sample model's customers file through a new template, then again through the saved one.
class SampleImportTest : public RecordDatabaseTest {};

TEST_P(SampleImportTest, CustomersFileInsertsThenUpdatesThroughTheSavedTemplate) {
  ASSERT_EQ(LoadModelFile(TheModel, VORN_SOURCE_DIR "/sample/vorn.dmd"), 1);
  Db().Exec("CREATE TABLE CUSTOMER (CUST_ID INTEGER PRIMARY KEY, NAME VARCHAR(40), CITY VARCHAR(30), "
            "PHONE VARCHAR(20), BALANCE DECIMAL(12,2))");
  Db().Exec("CREATE TABLE ORDERS (ORDER_ID INTEGER PRIMARY KEY, CUST_ID INTEGER, ORDER_DATE DATE, "
            "STATUS CHAR(1), ORDER_TOTAL DECIMAL(12,2), DELIVERY_ADDRESS VARCHAR(120), DELIVERY_NOTE VARCHAR(200))");
  TScratchDir dir("sampleimport");
  TImportTemplate t;
  t.Name = "Sample customers";
  t.FilePath = dir.File(TemplateFileName(t.Name));
  t.InputFilename = VORN_SOURCE_DIR "/sample/customers.csv";
  t.OutputTable = "Customer";
  t.Mappings = {{"Customer no.", "Customer no."}, {"Name", "Name"}, {"City", "City"}, {"Phone", "Phone"}};
  ASSERT_TRUE(SaveImportTemplate(t));
  TImportSummary first = RunImport(t, {});
  EXPECT_EQ(first.inserted, 5);
  EXPECT_EQ(Db().Query("SELECT NAME FROM CUSTOMER WHERE CUST_ID = 101"), "Fjord Fish, Ltd");
  EXPECT_EQ(Db().Query("SELECT NAME FROM CUSTOMER WHERE CUST_ID = 103"), "The \"Best\" Bakery");

  Db().Exec("UPDATE CUSTOMER SET CITY = 'Moved' WHERE CUST_ID = 104");
  TImportTemplate saved;
  ASSERT_TRUE(LoadImportTemplate(saved, dir.File("Sample_customers.tpl")));
  TImportSummary second = RunImport(saved, {});
  EXPECT_EQ(second.inserted, 0);
  EXPECT_EQ(second.updated, 5);
  EXPECT_EQ(Db().Query("SELECT COUNT(*) FROM CUSTOMER"), "5");
  EXPECT_EQ(Db().Query("SELECT CITY FROM CUSTOMER WHERE CUST_ID = 104"), "Stavanger");
}

INSTANTIATE_DATABASE_TESTS(SampleImportTest);

}  // namespace

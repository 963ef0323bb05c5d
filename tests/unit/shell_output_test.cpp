// Output of records on SQLite and PostgreSQL: the three formats written from a record list
// (values that hold separators, quotes, line breaks and markup), the Company heading of the
// HTML page, file names, failures, and the "Output Records" dialog driven as a user would,
// also from a find window's Report button.
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include <string>
#include <thread>
#include <vector>

#include "data/core/fileaction.h"
#include "data/core/strings.h"
#include "data/db/reclist.h"
#include "data/model/dmdreader.h"
#include "data/model/model.h"
#include "expr/errors.h"
#include "forms/basedlg.h"
#include "forms/controlids.h"
#include "forms/viewdlg.h"
#include "forms/windowmanager.h"
#include "shell/appwindow.h"
#include "shell/importwizard.h"
#include "shell/output.h"
#include "support/dialog_watcher.h"
#include "support/edit_form_test.h"
#include "support/form_support.h"
#include "support/record_test_db.h"
#include "support/window_picture.h"

namespace {

// PEOPLE(ID, NAME, NOTE "noshow", JOINED, VISITS, ACTIVE) with rows whose values hold what
// breaks careless writers.
std::vector<TEntitySpec> PeopleModel() {
  return {{"PEOPLE",
           {{"ID", "INTEGER"}, {"NAME", "VARCHAR(60)"}, {"NOTE", "VARCHAR(60)"}, {"JOINED", "DATE"},
            {"VISITS", "INTEGER"}, {"ACTIVE", "BIT"}},
           {}}};
}

std::string Crlf(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '\n') out += '\r';
    out += c;
  }
  return out;
}

class OutputTest : public RecordDatabaseTest {
protected:
  void SetUp() override {
    RecordDatabaseTest::SetUp();
    UseModel(PeopleModel(), {{{"PEOPLE", "ID"}}, {}, {}, {}});
    ReplaceString(&ModelAttribute("PEOPLE", "NOTE").Flags, "noshow");
    ReplaceString(&ModelAttribute("PEOPLE", "NAME").Caption, "Full name");
    ReplaceString(&TheModel.ModelName, "SHOP");
    Db().Exec("CREATE TABLE PEOPLE (ID INTEGER PRIMARY KEY, NAME VARCHAR(60), NOTE VARCHAR(60), JOINED DATE, "
              "VISITS INTEGER, ACTIVE SMALLINT)");
    Db().Exec("INSERT INTO PEOPLE VALUES (1, 'Smith, Ann', 'n1', '2024-03-05', 12, 1)");
    Db().Exec("INSERT INTO PEOPLE VALUES (2, 'Bob \"the\" Builder', 'tab\there', '2023-12-31', 0, 0)");
    Db().Exec(std::string("INSERT INTO PEOPLE VALUES (3, '<script>alert(1)</script> & co', 'two") +
              (Db().IsPostgres() ? "' || chr(10) || '" : "' || char(10) || '") + "lines', NULL, NULL, NULL)");
  }

  // Every row of PEOPLE by ID, in all its stored columns.
  TOutputOutcome Write(const std::string& path, TOutputOptions options) {
    TDBRecList list("PEOPLE");
    list.SelectWhere("ORDER BY ID", "", nullptr);
    TRecListRows rows(list, StoredAttributeColumns(ModelEntity("PEOPLE")));
    return WriteOutputFile(rows, path, options);
  }

  TScratchDir dir_{"output"};
};

TEST_P(OutputTest, TextFormatsHoldEveryValueInItsOwnColumn) {
  struct TCase {
    TOutputFormat format;
    bool headings;
    bool allFields;
    std::string expected;
  };
  const std::vector<TCase> cases = {
      {OUTPUT_TAB, true, false,
       "ID\tFull name\tJOINED\tVISITS\tACTIVE\n"
       "1\tSmith, Ann\t05/03/24\t12\tY\n"
       "2\tBob \"the\" Builder\t31/12/23\t0\tN\n"
       "3\t<script>alert(1)</script> & co\t\t\t\n"},
      // Hidden columns too: the TAB and the line break inside NOTE become blanks.
      {OUTPUT_TAB, false, true,
       "1\tSmith, Ann\tn1\t05/03/24\t12\tY\n"
       "2\tBob \"the\" Builder\ttab here\t31/12/23\t0\tN\n"
       "3\t<script>alert(1)</script> & co\ttwo lines\t\t\t\n"},
      // Every value quoted, quotes doubled, the line break kept inside its quotes.
      {OUTPUT_COMMA, true, true,
       "\"ID\",\"Full name\",\"NOTE\",\"JOINED\",\"VISITS\",\"ACTIVE\"\n"
       "\"1\",\"Smith, Ann\",\"n1\",\"05/03/24\",\"12\",\"Y\"\n"
       "\"2\",\"Bob \"\"the\"\" Builder\",\"tab\there\",\"31/12/23\",\"0\",\"N\"\n"
       "\"3\",\"<script>alert(1)</script> & co\",\"two\nlines\",\"\",\"\",\"\"\n"},
      {OUTPUT_COMMA, false, false,
       "\"1\",\"Smith, Ann\",\"05/03/24\",\"12\",\"Y\"\n"
       "\"2\",\"Bob \"\"the\"\" Builder\",\"31/12/23\",\"0\",\"N\"\n"
       "\"3\",\"<script>alert(1)</script> & co\",\"\",\"\",\"\"\n"},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(std::to_string(c.format) + (c.headings ? " headings" : "") + (c.allFields ? " all" : ""));
    const std::string path = dir_.File("people.out");
    TOutputOutcome outcome = Write(path, {c.format, c.headings, c.allFields});
    EXPECT_TRUE(outcome.created);
    EXPECT_EQ(outcome.records, 3);
    std::string expected = Crlf(c.expected);
    // The line break inside a value is written as it is stored, not as a line end.
    const size_t inValue = expected.find("two\r\nlines");
    if (inValue != std::string::npos) expected.replace(inValue, 10, "two\nlines");
    EXPECT_EQ(TScratchDir::Read(path), expected);
  }
}

TEST_P(OutputTest, HtmlPageEscapesValuesAndWritesItsCompanion) {
  const std::string page = dir_.File("people.htm");
  TOutputOutcome outcome = Write(page, {OUTPUT_HTML, true, false});
  ASSERT_TRUE(outcome.created);
  EXPECT_FALSE(outcome.companionFailed);
  EXPECT_EQ(outcome.companion, dir_.File("people.csv"));
  const std::string html = TScratchDir::Read(page);
  EXPECT_EQ(html.rfind("<html>\r\n<head>\r\n<title>SHOP: Output of records from the PEOPLE Table</title>\r\n"
                       "<style type=\"text/css\">\r\n", 0),
            0u);
  // No Company table: no heading block, no script, no link.
  EXPECT_EQ(html.find("<SCRIPT>"), std::string::npos);
  EXPECT_EQ(html.find("Download CSV File"), std::string::npos);
  EXPECT_NE(html.find("</style>\r\n</head>\r\n<body>\r\n<table cellspacing=1 cellpadding=2 border=0 width=100%>\r\n"
                      "<tr class='title'>\r\n<td class='title'><b>ID</b></td>\r\n"),
            std::string::npos);
  EXPECT_NE(html.find("<td class='title'><b>Full name</b></td>\r\n"), std::string::npos);
  EXPECT_EQ(html.find("<b>NOTE</b>"), std::string::npos);
  // Rows alternate even and odd from the first; numbers are right-aligned; markup shows as text.
  EXPECT_NE(html.find("<tr class='even'>\r\n<td class='odd' align='right'>1</td>\r\n<td class='odd'>Smith, Ann</td>\r\n"),
            std::string::npos);
  EXPECT_NE(html.find("<tr class='odd'>\r\n<td class='odd' align='right'>2</td>\r\n"
                      "<td class='odd'>Bob &quot;the&quot; Builder</td>\r\n"),
            std::string::npos);
  EXPECT_NE(html.find("<td class='odd'>&lt;script&gt;alert(1)&lt;/script&gt; &amp; co</td>"), std::string::npos);
  EXPECT_EQ(html.find("<script>"), std::string::npos);
  EXPECT_EQ(html.substr(html.size() - 28), "</table>\r\n</body>\r\n</html>\r\n");
  EXPECT_EQ(TScratchDir::Read(outcome.companion),
            Crlf("\"ID\",\"Full name\",\"JOINED\",\"VISITS\",\"ACTIVE\"\n"
                 "\"1\",\"Smith, Ann\",\"05/03/24\",\"12\",\"Y\"\n"
                 "\"2\",\"Bob \"\"the\"\" Builder\",\"31/12/23\",\"0\",\"N\"\n"
                 "\"3\",\"<script>alert(1)</script> & co\",\"\",\"\",\"\"\n"));
}

TEST_P(OutputTest, CompanyRowGivesTheHeadingWithItsFilledLinesOnly) {
  Db().Exec("CREATE TABLE Company (REPORT_BY VARCHAR(5), NAME VARCHAR(60), CONTACT VARCHAR(60), "
            "ADDRESS VARCHAR(60), SUBURB VARCHAR(30), STATE VARCHAR(10), POSTCODE VARCHAR(10), PHONE VARCHAR(30), "
            "FAX VARCHAR(30), EMAIL VARCHAR(60), SALES_TAX VARCHAR(10), ABN VARCHAR(20), ACN VARCHAR(20), "
            "WEB_SITE VARCHAR(60))");
  // Only the row marked 'Yes' counts.
  Db().Exec("INSERT INTO Company VALUES ('No', 'Old Name', '', 'Nowhere', '', '', '', '1', '2', '', '', '', '', '')");
  Db().Exec("INSERT INTO Company VALUES ('Yes', 'Smith & <Sons>', 'Ann', '1 Main St', 'Town', 'ST', '1000', "
            "'555 0100', '', 'office@smith.example', '', '', '', 'www.smith.example')");
  const std::string page = dir_.File("people.htm");
  ASSERT_TRUE(Write(page, {OUTPUT_HTML, true, false}).created);
  const std::string html = TScratchDir::Read(page);
  const size_t script = html.find("<SCRIPT>\r\nfunction hrh() {\r\n    brandad.style.display='none';\r\n"
                                  "    license.style.display='none';\r\n    address.style.display='none';\r\n"
                                  "    phone.style.display='none';\r\n    email.style.display='none';\r\n"
                                  "    website.style.display='none';\r\n    hr1.style.display='none';\r\n");
  EXPECT_NE(script, std::string::npos);
  EXPECT_NE(html.find(" <TR id=license class='blank'><TD class='blank'>\r\n  Smith &amp; &lt;Sons&gt;</TD></TR>\r\n"),
            std::string::npos);
  EXPECT_NE(html.find(" <TR id=address class='blank'><TD class='blank'>\r\n  <p><B>Address: 1 Main St</B></p>\r\n"),
            std::string::npos);
  EXPECT_NE(html.find("<p><B>Web Site: www.smith.example</B></p>"), std::string::npos);
  // FAX is empty: neither its row nor its script line.
  EXPECT_EQ(html.find("fax"), std::string::npos);
  EXPECT_EQ(html.find("Old Name"), std::string::npos);
  EXPECT_NE(html.find("<A id=csv HREF='people.csv'>Download CSV File</a>\r\n"), std::string::npos);
  EXPECT_NE(html.find("<p><B>SHOP: Output of records from the PEOPLE Table</B></p>"), std::string::npos);
  EXPECT_NE(html.find("<INPUT id=hide TYPE=button onclick='hrh()' VALUE='Hide Report Heading'>\r\n"
                      "<p id=info>&nbsp;&nbsp;Click on Refresh button to restore</p>\r\n"
                      "<table cellspacing=1 cellpadding=2 border=0 width=100%>\r\n"),
            std::string::npos);
  for (const char* id : {"id=brandad", "brandad.jpg", "id=help href='mailto:", "Report Date&nbsp;"})
    EXPECT_NE(html.find(id), std::string::npos) << id;
  // The links are the company's own.
  EXPECT_NE(html.find("<a id=brandad href='www.smith.example'><img src='brandad.jpg'"), std::string::npos);
  EXPECT_NE(html.find("<a id=help href='mailto:office@smith.example?subject="), std::string::npos);
  EXPECT_EQ(html.find("vorn.example"), std::string::npos);
  // A copy to look at in a browser.
  if (const char* folder = getenv("VORN_SCREENSHOTS"))
    Write(std::string(folder) + "\\output_" + GetParam() + ".htm", {OUTPUT_HTML, true, true});
}

TEST_P(OutputTest, FilesThatCannotBeCreated) {
  // The output file itself: nothing is written anywhere.
  TOutputOutcome missing = Write(dir_.File("no such folder\\people.csv"), {OUTPUT_COMMA, true, false});
  EXPECT_FALSE(missing.created);
  EXPECT_EQ(missing.records, 0);

  // The companion: a folder stands where it would go. The page is written without a link.
  ASSERT_TRUE(CreateDirectoryA(dir_.File("page.csv").c_str(), nullptr));
  Db().Exec("CREATE TABLE Company (REPORT_BY VARCHAR(5), NAME VARCHAR(60), CONTACT VARCHAR(60), "
            "ADDRESS VARCHAR(60), SUBURB VARCHAR(30), STATE VARCHAR(10), POSTCODE VARCHAR(10), PHONE VARCHAR(30), "
            "FAX VARCHAR(30), EMAIL VARCHAR(60), SALES_TAX VARCHAR(10), ABN VARCHAR(20), ACN VARCHAR(20), "
            "WEB_SITE VARCHAR(60))");
  Db().Exec("INSERT INTO Company (REPORT_BY, NAME) VALUES ('Yes', 'Smith')");
  TOutputOutcome page = Write(dir_.File("page.htm"), {OUTPUT_HTML, true, false});
  EXPECT_TRUE(page.created);
  EXPECT_TRUE(page.companionFailed);
  EXPECT_FALSE(page.writeFailed);
  EXPECT_EQ(page.records, 3);
  const std::string html = TScratchDir::Read(dir_.File("page.htm"));
  EXPECT_EQ(html.find("Download CSV File"), std::string::npos);
  EXPECT_NE(html.find("<td class='odd'>Smith, Ann</td>"), std::string::npos);
  // A company without a web site or mail address: the logo links nowhere, no help link.
  EXPECT_NE(html.find("<span id=brandad><img src='brandad.jpg'"), std::string::npos);
  EXPECT_EQ(html.find("href='http"), std::string::npos);
  EXPECT_EQ(html.find("mailto:"), std::string::npos);
  EXPECT_EQ(html.find("help.style"), std::string::npos);
  RemoveDirectoryA(dir_.File("page.csv").c_str());
}

TEST_P(OutputTest, AnEmptyListWritesTheHeadingAndTheFrame) {
  Db().Exec("DELETE FROM PEOPLE");
  EXPECT_EQ(Write(dir_.File("e.txt"), {OUTPUT_TAB, true, false}).records, 0);
  EXPECT_EQ(TScratchDir::Read(dir_.File("e.txt")), "ID\tFull name\tJOINED\tVISITS\tACTIVE\r\n");
  EXPECT_EQ(Write(dir_.File("e.csv"), {OUTPUT_COMMA, false, false}).records, 0);
  EXPECT_EQ(TScratchDir::Read(dir_.File("e.csv")), "");
  ASSERT_TRUE(Write(dir_.File("e.htm"), {OUTPUT_HTML, false, false}).created);
  const std::string html = TScratchDir::Read(dir_.File("e.htm"));
  EXPECT_NE(html.find("<body>\r\n<table cellspacing=1 cellpadding=2 border=0 width=100%>\r\n</table>\r\n</body>\r\n"
                      "</html>\r\n"),
            std::string::npos);
}

INSTANTIATE_DATABASE_TESTS(OutputTest);

TEST(OutputNames, FormatChangesOnlyTheExtension) {
  struct TCase {
    const char* name;
    TOutputFormat format;
    const char* expected;
  };
  const TCase cases[] = {
      {"c:\\data.dir\\people.csv", OUTPUT_HTML, "c:\\data.dir\\people.htm"},
      {"c:\\data.dir\\people", OUTPUT_TAB, "c:\\data.dir\\people.txt"},
      {"people.v2.csv", OUTPUT_TAB, "people.v2.txt"},
      {"people", OUTPUT_COMMA, "people.csv"},
      {"d:people.htm", OUTPUT_COMMA, "d:people.csv"},
      {"/home/a.b/list", OUTPUT_HTML, "/home/a.b/list.htm"},
  };
  for (const TCase& c : cases) EXPECT_EQ(WithOutputExtension(c.name, c.format), c.expected) << c.name;
  EXPECT_EQ(CompanionFileName("c:\\out.d\\page.htm"), "c:\\out.d\\page.csv");
  EXPECT_EQ(CompanionFileName("c:\\out.d\\page"), "c:\\out.d\\page.csv");
  EXPECT_EQ(OutputFormatIndex("HTML text"), OUTPUT_HTML);
  EXPECT_EQ(OutputFormatIndex("Comma seperated text"), OUTPUT_COMMA);
  EXPECT_EQ(OutputFormatIndex("html text"), -1);
}

TEST(OutputNames, NameValueListReplacesAndIgnoresCase) {
  TNameValueList list;
  list.Set("NAME", "a");
  list.Set("name", "b");
  list.Set("FAX", "");
  EXPECT_EQ(list.Get("Name"), "b");
  EXPECT_EQ(list.Get("FAX"), "");
  EXPECT_EQ(list.Get("ABSENT"), "");
}

// ---- the dialog ----

// What the open and print calls were asked for ("open <path>", "print <path>").
std::vector<std::string> fileCalls;
INT_PTR fileCallResult = 42;

INT_PTR RecordOpenFile(HWND, const char* path) {
  fileCalls.push_back(std::string("open ") + path);
  return fileCallResult;
}
INT_PTR RecordPrintFile(HWND, const char* path) {
  fileCalls.push_back(std::string("print ") + path);
  return fileCallResult;
}

class OutputDialogTest : public OutputTest {
protected:
  void SetUp() override {
    OutputTest::SetUp();
    StartFormSession();
    fileCalls.clear();
    fileCallResult = 42;
    OpenFileCall = RecordOpenFile;
    PrintFileCall = RecordPrintFile;
  }
  void TearDown() override {
    OpenFileCall = savedOpen_;
    PrintFileCall = savedPrint_;
    OutputTest::TearDown();
  }
  TFileCall savedOpen_ = OpenFileCall;
  TFileCall savedPrint_ = PrintFileCall;
};

std::string Lower(std::string text) {
  CharLowerA(text.data());
  return text;
}

HWND Item(HWND dialog, int id) { return GetDlgItem(dialog, id); }

void Click(HWND dialog, int id) { SendMessageA(Item(dialog, id), BM_CLICK, 0, 0); }

void ChooseFormat(HWND dialog, const char* name) {
  HWND combo = Item(dialog, OUTPUT_FORMAT);
  SendMessageA(combo, CB_SELECTSTRING, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(name));
  SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(OUTPUT_FORMAT, CBN_SELCHANGE), reinterpret_cast<LPARAM>(combo));
}

TEST_P(OutputDialogTest, ProcessWritesTheChosenFormatAndOpensOrPrintsIt) {
  TDBRecList list("PEOPLE");
  list.SelectWhere("ORDER BY ID", "", nullptr);
  TRecListRows rows(list, StoredAttributeColumns(ModelEntity("PEOPLE")));
  // The name field keeps its text in lower case.
  const std::string folder = Lower(dir_.File("people.dir"));
  const std::string base = folder + "\\people.csv";
  ASSERT_TRUE(CreateDirectoryA(dir_.File("people.dir").c_str(), nullptr));

  std::thread user([&] {
    TWatchedDialog found = FindDialog(GetCurrentProcessId(), "Output Records", 20000);
    ASSERT_TRUE(found.found);
    HWND dialog = found.window;
    // As it opens: the entity's name as a .csv, comma format, open, headings on, hidden off.
    EXPECT_EQ(ControlText(Item(dialog, OUTPUT_FILE_NAME)), "people.csv");
    EXPECT_EQ(ControlText(Item(dialog, OUTPUT_FORMAT)), "Comma seperated text");
    EXPECT_EQ(SendMessageA(Item(dialog, OUTPUT_FORMAT), CB_GETCOUNT, 0, 0), 3);
    EXPECT_EQ(IsDlgButtonChecked(dialog, OUTPUT_OPEN), BST_CHECKED);
    EXPECT_EQ(IsDlgButtonChecked(dialog, OUTPUT_HEADINGS), BST_CHECKED);
    EXPECT_EQ(IsDlgButtonChecked(dialog, OUTPUT_ALL_FIELDS), BST_UNCHECKED);
    if (getenv("VORN_SCREENSHOTS")) SaveWindowPicture(dialog, std::string(getenv("VORN_SCREENSHOTS")) + "\\output_records.bmp");

    // An empty name disables Process.
    SetDlgItemTextA(dialog, OUTPUT_FILE_NAME, "");
    EXPECT_FALSE(IsWindowEnabled(Item(dialog, OUTPUT_PROCESS)));
    SetDlgItemTextA(dialog, OUTPUT_FILE_NAME, base.c_str());
    EXPECT_TRUE(IsWindowEnabled(Item(dialog, OUTPUT_PROCESS)));

    // HTML: the name gets .htm (the dot of the folder stays), written and opened.
    ChooseFormat(dialog, "HTML text");
    const std::string page = folder + "\\people.htm";
    EXPECT_EQ(ControlText(Item(dialog, OUTPUT_FILE_NAME)), page);
    Click(dialog, OUTPUT_PROCESS);
    EXPECT_EQ(ControlText(Item(dialog, OUTPUT_STATUS)), "Output 3 records to the file " + page + ".");
    EXPECT_EQ(SendMessageA(Item(dialog, OUTPUT_PROGRESS), PBM_GETPOS, 0, 0), 100);

    // Tab with hidden columns, printed; the print call fails.
    ChooseFormat(dialog, "Tab delimited text");
    Click(dialog, OUTPUT_ALL_FIELDS);
    Click(dialog, OUTPUT_PRINT);
    fileCallResult = 2;  // ShellExecute: file not found
    Click(dialog, OUTPUT_PROCESS);
    EXPECT_EQ(ControlText(Item(dialog, OUTPUT_STATUS)),
              "Could not print specified file!! It was written to " + ControlText(Item(dialog, OUTPUT_FILE_NAME)) + ".");

    // Nothing can show the file: the status still says where it was written.
    Click(dialog, OUTPUT_OPEN);
    Click(dialog, OUTPUT_PROCESS);
    EXPECT_EQ(ControlText(Item(dialog, OUTPUT_STATUS)),
              "Could not open specified file!! It was written to " + ControlText(Item(dialog, OUTPUT_FILE_NAME)) + ".");

    // Create only: no call. A file that cannot be created is told; the dialog stays.
    fileCallResult = 42;
    Click(dialog, OUTPUT_CREATE);
    ChooseFormat(dialog, "Comma seperated text");
    Click(dialog, OUTPUT_PROCESS);
    SetDlgItemTextA(dialog, OUTPUT_FILE_NAME, (dir_.File("missing") + "\\x.csv").c_str());
    Click(dialog, OUTPUT_PROCESS);
    EXPECT_EQ(ControlText(Item(dialog, OUTPUT_STATUS)),
              "Could not create the output file " + Lower(dir_.File("missing")) + "\\x.csv!");
    EXPECT_TRUE(IsWindow(dialog));
    Click(dialog, OUTPUT_CLOSE);
  });
  RunOutputRecords(MainWindow, rows);
  user.join();

  EXPECT_EQ(fileCalls, (std::vector<std::string>{"open " + folder + "\\people.htm",
                                                 "print " + folder + "\\people.txt",
                                                 "open " + folder + "\\people.txt"}));
  EXPECT_NE(TScratchDir::Read(dir_.File("people.dir") + "\\people.txt").find("\ttab here\t"), std::string::npos);
  EXPECT_EQ(TScratchDir::Read(dir_.File("people.dir") + "\\people.csv").rfind("\"ID\",\"Full name\",\"NOTE\"", 0), 0u);
  EXPECT_NE(TScratchDir::Read(dir_.File("people.dir") + "\\people.htm").find("&lt;script&gt;"), std::string::npos);
}

INSTANTIATE_DATABASE_TESTS(OutputDialogTest);

// The sample model: the list of all customers (as a list window has it) and the result of
// a find (as a find window has it), each written in the three formats.
class SampleOutputTest : public RecordDatabaseTest {};

TEST_P(SampleOutputTest, ListAndFindResultsInEveryFormat) {
  ASSERT_EQ(LoadModelFile(TheModel, VORN_SOURCE_DIR "/sample/vorn.dmd"), 1);
  Db().Exec("CREATE TABLE CUSTOMER (CUST_ID INTEGER PRIMARY KEY, NAME VARCHAR(40), CITY VARCHAR(30), "
            "PHONE VARCHAR(20), BALANCE DECIMAL(12,2))");
  Db().Exec("INSERT INTO CUSTOMER VALUES (1, 'Ann''s Shop', 'Oslo', '1', 0), (2, 'Bergen Bikes', 'Bergen', '2', 0),"
            " (3, 'Oslo Oil', 'Oslo', '3', 0)");
  TScratchDir dir("sampleout");
  const TEntity& customer = ModelEntity("CUSTOMER");

  TDBRecList all("CUSTOMER");
  all.SelectWhere("ORDER BY NAME", "", nullptr);
  TDBRecord example("CUSTOMER");
  example.SetNewValue("CITY", "Oslo");
  TDBRecList found("CUSTOMER");
  ASSERT_EQ(found.SelectByExample("NAME", &example), 1);
  const std::vector<int> columns = {0, 1, 2};  // CUST_ID, NAME, CITY

  struct TList {
    const char* name;
    TDBRecList& list;
    long rows;
  };
  for (TList each : {TList{"list", all, 3}, TList{"find", found, 2}}) {
    for (int format = 0; format < OUTPUT_FORMAT_COUNT; ++format) {
      SCOPED_TRACE(std::string(each.name) + " " + OutputFormatNames[format]);
      each.list.Requery();
      TRecListRows rows(each.list, columns);
      const std::string path = WithOutputExtension(dir.File(each.name), TOutputFormat(format));
      TOutputOutcome outcome = WriteOutputFile(rows, path, {TOutputFormat(format), true, false});
      EXPECT_EQ(outcome.records, each.rows);
      const std::string text = TScratchDir::Read(path);
      EXPECT_NE(text.find("Customer no."), std::string::npos);
      EXPECT_NE(text.find("Oslo Oil"), std::string::npos);
      EXPECT_EQ(text.find("Bergen Bikes") != std::string::npos, each.rows == 3);
    }
  }
  (void)customer;
}

INSTANTIATE_DATABASE_TESTS(SampleOutputTest);

// Real list windows on the sample model: the Report button of a find window and of a
// related-records window opens the output dialog, which writes the rows the window lists
// in each of the three formats.
class ListWindowOutputTest : public EditFormDatabaseTest {
protected:
  void SetUp() override {
    EditFormDatabaseTest::SetUp();
    UseSample();
    InstallRecordTransferCalls();
    Db().Exec("INSERT INTO CUSTOMER (CUST_ID, NAME, CITY) VALUES (1, 'Ann', 'Oslo')");
    Db().Exec("INSERT INTO CUSTOMER (CUST_ID, NAME, CITY) VALUES (2, 'Bob', 'Rome')");
    Db().Exec("INSERT INTO CUSTOMER (CUST_ID, NAME, CITY) VALUES (3, 'Cy', 'Rome')");
  }

  // Presses the window's Report and writes the three formats; each file holds Bob and Cy
  // (the customers from Rome the window lists) and not Ann.
  void ReportWritesEveryFormat(HWND window) {
    TScratchDir dir("listout");
    const std::string base = Lower(dir.File("found"));
    std::thread user([&] {
      TWatchedDialog found = FindDialog(GetCurrentProcessId(), "Output Records", 20000);
      ASSERT_TRUE(found.found);
      HWND dialog = found.window;
      Click(dialog, OUTPUT_CREATE);
      SetDlgItemTextA(dialog, OUTPUT_FILE_NAME, (base + ".csv").c_str());
      for (const char* format : {"Tab delimited text", "Comma seperated text", "HTML text"}) {
        ChooseFormat(dialog, format);
        Click(dialog, OUTPUT_PROCESS);
        EXPECT_EQ(ControlText(Item(dialog, OUTPUT_STATUS)),
                  "Output 2 records to the file " + ControlText(Item(dialog, OUTPUT_FILE_NAME)) + ".")
            << format;
      }
      Click(dialog, OUTPUT_CLOSE);
    });
    SendMessageA(window, WM_COMMAND, MAKEWPARAM(REPORT_BUTTON_ID, BN_CLICKED), 0);
    user.join();
    for (const char* extension : {".txt", ".csv", ".htm"}) {
      const std::string text = TScratchDir::Read(dir.File("found") + extension);
      EXPECT_NE(text.find("Cy"), std::string::npos) << extension;
      EXPECT_NE(text.find("Bob"), std::string::npos) << extension;
      EXPECT_EQ(text.find("Ann"), std::string::npos) << extension;
    }
  }
};

TEST_P(ListWindowOutputTest, TheFindWindowsReportWritesEveryFormat) {
  Open("CUSTOMER");
  Type("CITY", "Rome");
  Press(FIND_BUTTON_ID);
  PumpMessages(20);
  HWND find = nullptr;
  for (HWND w = AppWindowManager.FirstWindow(); w && !find; w = AppWindowManager.NextWindow(w))
    if (AppWindowManager.GetDialog(w)->GetKind() == DK_FIND_RESULTS) find = w;
  ASSERT_TRUE(find);
  ReportWritesEveryFormat(find);
}

TEST_P(ListWindowOutputTest, TheRelatedRecordsWindowsReportWritesEveryFormat) {
  auto* list = new TDBRecList("CUSTOMER");
  list->SelectWhere("WHERE CITY = 'Rome' ORDER BY NAME", "", nullptr);
  HWND view = OpenViewWindow(nullptr, nullptr, list, nullptr);
  ASSERT_TRUE(view);
  PumpMessages(20);
  ReportWritesEveryFormat(view);
  DestroyWindow(view);
}

INSTANTIATE_DATABASE_TESTS(ListWindowOutputTest);

}  // namespace

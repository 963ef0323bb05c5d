// The command interpreter: which command goes where, the boxes of its failures, the report
// program's command line, the report library, and VIEW with its parameters on both databases.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <future>
#include <memory>
#include <string>
#include <vector>

#include "data/core/datetime.h"
#include "data/core/fileaction.h"
#include "data/core/strings.h"
#include "data/db/reclist.h"
#include "data/model/appfiles.h"
#include "data/model/model.h"
#include "data/model/settings.h"
#include "forms/controlids.h"
#include "forms/editdlg.h"
#include "forms/edittemplates.h"
#include "forms/windowmanager.h"
#include "shell/appwindow.h"
#include "shell/commands.h"
#include "shell/dbconnect.h"
#include "shell/paramsdlg.h"
#include "shell/reportlib.h"
#include "support/dialog_watcher.h"
#include "support/form_support.h"
#include "support/record_test_db.h"
#include "support/saved_settings.h"
#include "support/scratch_dir.h"
#include "support/screen_capture.h"
#include "support/test_model.h"

namespace {

// A Unix path as Wine sees it from any current drive.
std::string WinPath(const std::string& unixPath) {
  std::string path = "Z:" + unixPath;
  for (char& c : path)
    if (c == '/') c = '\\';
  return path;
}

std::string TestLibrary() {
  const char* dir = std::getenv("VORN_TEST_LIBS");
  return WinPath(dir ? dir : VORN_BINARY_DIR "/testlibs") + "\\report.dll";
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
    start = end + 1;
  }
  return lines;
}

// What the replaceable calls received.
struct TCalls {
  std::vector<std::string> log;
  long count = 5;
  INT_PTR openResult = 42;
};
TCalls calls;

HWND RecordEditForm(const TEntity* entity, HWND owner) {
  calls.log.push_back(std::string("edit ") + entity->Name + (owner == MainWindow ? " main" : " other"));
  return nullptr;
}
void RecordDumpDialog(HWND) { calls.log.push_back("dump dialog"); }
void RecordLoadDialog(HWND) { calls.log.push_back("load dialog"); }
void RecordDumpAll(HWND) { calls.log.push_back("dump all"); }
void RecordLoadAll(HWND) { calls.log.push_back("load all"); }
long RecordDumpTable(HWND, const char* entity, const char* file) {
  calls.log.push_back(std::string("dump ") + entity + " " + file);
  return calls.count;
}
long RecordLoadTable(HWND, const char* entity, const char* file) {
  calls.log.push_back(std::string("load ") + entity + " " + file);
  return calls.count;
}
void RecordRunScript(HWND) { calls.log.push_back("run script"); }
INT_PTR RecordOpenFile(HWND, const char* file) {
  calls.log.push_back(std::string("open ") + file);
  return calls.openResult;
}

class Commands : public ::testing::Test {
protected:
  void SetUp() override {
    StartFormSession();
    BuildModel(TheModel, {{"CUSTOMER", {{"id", "INTEGER"}}, {}}, {"ORDERS", {{"id", "INTEGER"}}, {}}});
    ReplaceString(&TheModel.Entities[0].FileNameText, "CUST.TXT");
    ReplaceString(&TheModel.DatabaseName, "SHOP");
    calls = TCalls{};
    OpenEditFormCall = RecordEditForm;
    OpenFileCall = RecordOpenFile;
    TableServices = {RecordDumpDialog, RecordLoadDialog, RecordDumpAll, RecordLoadAll,
                     RecordDumpTable,  RecordLoadTable,  RecordRunScript};
  }
  void TearDown() override {
    TableServices = {};
    OpenFileCall = savedOpenFile_;
    OpenEditFormCall = savedEditForm_;
    ApplicationIniPath.clear();
    TheModel.Clear();
  }
  // Runs the command while a box of that caption is answered; returns the result and the box.
  int RunWithBox(const char* command, const char* caption, TWatchedDialog* box) {
    auto watcher = WatchAndPressAsync(GetCurrentProcessId(), caption, IDOK, 10000);
    const int result = RunCommand(MainWindow, command);
    *box = watcher.get();
    return result;
  }
  TSavedSettings settings_;
  TFileCall savedOpenFile_ = OpenFileCall;
  TOpenEditFormCall savedEditForm_ = OpenEditFormCall;
};

TEST_F(Commands, CommandsReachTheirTargetsWithTheirTextsAsWritten) {
  struct Case {
    const char* command;
    int result;
    const char* call;
  };
  const Case cases[] = {
      {"EDIT customer", 1, "edit CUSTOMER main"},
      {"edit Orders", 1, "edit ORDERS main"},
      {"DUMP", 1, "dump dialog"},
      {"load", 1, "load dialog"},
      {"dump *", 1, "dump all"},
      {"LOAD *", 1, "load all"},
      {"FUNCTION runscript", 1, "run script"},
      {"Function RUNSCRIPT", 1, "run script"},
      {"SHELL Manual Page.pdf", 42, "open Manual Page.pdf"},
      {"HELLO", 0, nullptr},
      {"EDITCUSTOMER", 0, nullptr},
      {"", 0, nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.command);
    calls.log.clear();
    EXPECT_EQ(RunCommand(MainWindow, c.command), c.result);
    EXPECT_EQ(calls.log, c.call ? std::vector<std::string>{c.call} : std::vector<std::string>{});
  }
}

TEST_F(Commands, FailuresAreReportedInTheirOwnBoxes) {
  struct Case {
    const char* command;
    const char* caption;
    const char* text;
    TBoxIcon icon;
    int result;
    const char* call;
  };
  const Case cases[] = {
      {"EDIT NOBODY", "Error: Unknown Table",
       "Unknown table NOBODY, please check your configuration file.", TBoxIcon::Hand, 1, nullptr},
      {"VIEW Nobody where x = 1", "Error: Unknown Table",
       "Unknown table Nobody, please check your configuration file.", TBoxIcon::Hand, 1, nullptr},
      {"DUMP Nobody", "Dump", "Table Nobody does not exist!", TBoxIcon::Exclamation, 1, nullptr},
      {"LOAD NOBODY", "Dump", "Table NOBODY does not exist!", TBoxIcon::Exclamation, 1, nullptr},
      {"DUMP customer", "Dump", "5 records dumped from table CUSTOMER.", TBoxIcon::Exclamation, 1,
       "dump CUSTOMER CUST.dmp"},
      {"LOAD ORDERS", "Load", "5 records loaded into table ORDERS.", TBoxIcon::Exclamation, 1,
       "load ORDERS ORDERS.dmp"},
      {"FUNCTION Totals", "Function", "Could not execute custom function", TBoxIcon::Exclamation, 0,
       nullptr},
      {"RUN no_such_program_here.exe /x", "Run", "Could not run external program",
       TBoxIcon::Exclamation, 2, nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.command);
    calls.log.clear();
    TWatchedDialog box;
    const int result = RunWithBox(c.command, c.caption, &box);
    ASSERT_TRUE(box.found);
    EXPECT_EQ(box.text, c.text);
    EXPECT_EQ(box.icon, c.icon);
    if (c.result == 2)
      EXPECT_LT(result, 32);
    else
      EXPECT_EQ(result, c.result);
    EXPECT_EQ(calls.log, c.call ? std::vector<std::string>{c.call} : std::vector<std::string>{});
  }
  calls.openResult = 2;
  TWatchedDialog box;
  EXPECT_EQ(RunWithBox("SHELL missing.doc", "Shell", &box), 2);
  EXPECT_EQ(box.text, "Could not open external file");
}

TEST_F(Commands, WindowsNotYetAvailableSayWhy) {
  OpenEditFormCall = savedEditForm_;
  TOpenViewWindowCall savedView = OpenViewWindowCall;
  TWatchedDialog box;
  struct Case {
    const char* command;
    const char* text;
  };
  std::vector<Case> cases = {
      {"VIEW orders", "The record list window of ORDERS is not available in this program."},
      {"DUMP *", "Dumping tables is not available in this program."},
      {"LOAD customer", "Loading tables is not available in this program."},
      {"FUNCTION RunScript", "Running scripts is not available in this program."}};
  TableServices = {};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.command);
    EXPECT_EQ(RunWithBox(c.command, "Cannot run command", &box), 1);
    ASSERT_TRUE(box.found);
    EXPECT_EQ(box.text, c.text);
  }
  OpenViewWindowCall = savedView;
}

// EDIT without a recorder: the entity's generated form on a fresh record, owned by the
// window; with no form to build, a box says so and nothing is left behind.
TEST_F(Commands, EditOpensTheEntitysFormOnAFreshRecord) {
  OpenEditFormCall = savedEditForm_;
  BuildEditFormTemplates();
  EXPECT_EQ(RunCommand(MainWindow, "EDIT customer"), 1);
  HWND form = AppWindowManager.FirstWindow();
  ASSERT_TRUE(form);
  TBaseDlg* dialog = AppWindowManager.GetDialog(form);
  ASSERT_TRUE(dialog);
  ASSERT_EQ(dialog->GetKind(), DK_EDIT_FORM);
  auto* editForm = static_cast<TEditDlg*>(dialog);
  EXPECT_STREQ(editForm->GetEntity()->Name, "CUSTOMER");
  EXPECT_EQ(editForm->GetFormState(), TFormState::Fresh);
  EXPECT_EQ(AppWindowManager.GetOwner(form), MainWindow);
  EXPECT_TRUE(IsWindowVisible(form));
  // Its Help button goes through the one help call, at the form's context.
  THelpCall savedHelp = HelpCall;
  HelpCall = [](HWND, const char* file, UINT command, ULONG_PTR data) -> BOOL {
    calls.log.push_back(std::string("help ") + file + " " + std::to_string(command) + " " +
                        std::to_string(data));
    return TRUE;
  };
  std::snprintf(HelpFilePath, sizeof HelpFilePath, "SHOP.CHM");
  SendMessageA(form, WM_ACTIVATE, WA_ACTIVE, 0);
  SendMessageA(form, WM_COMMAND, MAKEWPARAM(HELP_BUTTON_ID, BN_CLICKED), 0);
  HelpCall = savedHelp;
  HelpFilePath[0] = 0;
  EXPECT_EQ(calls.log, std::vector<std::string>{"help SHOP.CHM 1 199"});  // HELP_CONTEXT, first entity
  DestroyWindow(form);
  EXPECT_EQ(AppWindowManager.GetCount(), 0);

  FreeEditFormTemplates();
  TWatchedDialog box;
  EXPECT_EQ(RunWithBox("EDIT ORDERS", "Cannot run command", &box), 1);
  ASSERT_TRUE(box.found);
  EXPECT_EQ(box.text, "The edit form of ORDERS could not be opened.");
  EXPECT_EQ(AppWindowManager.FirstWindow(), nullptr);
}

TEST(CommandParts, DumpFileNames) {
  BuildModel(TheModel, {{"CUSTOMER", {{"id", "INTEGER"}}, {}}});
  struct Case {
    const char* fileText;
    const char* file;
  };
  const Case cases[] = {{"CUSTOMER.TXT", "CUSTOMER.dmp"},
                        {"CUSTOMER", "CUSTOMER.dmp"},
                        {"cust.data.old", "cust.dmp"},
                        {"", "CUSTOMER.dmp"}};
  for (const Case& c : cases) {
    ReplaceString(&TheModel.Entities[0].FileNameText, c.fileText);
    EXPECT_EQ(DumpFileName(&TheModel.Entities[0]), c.file) << c.fileText;
  }
  TheModel.Clear();
}

TEST(CommandParts, OnlyRaptelOrAReportFileAloneGoesToTheReportProgram) {
  struct Case {
    const char* command;
    const char* report;  // null: not a report command
  };
  const Case cases[] = {{"RAPTEL Monthly.tpl", "Monthly.tpl"},
                        {"raptel X", "X"},
                        {"MONTHLY.TPL", "MONTHLY.TPL"},
                        {"sales.tpt", "sales.tpt"},
                        {"RUN NOTEPAD X.TPL", nullptr},
                        {"SHELL A.TPT", nullptr},
                        {"DUMP X.TPL", nullptr},
                        {"X.TPLX", nullptr},
                        {".TP", nullptr}};
  for (const Case& c : cases) {
    std::string report;
    EXPECT_EQ(IsReportCommand(c.command, &report), c.report != nullptr) << c.command;
    if (c.report) {
      EXPECT_EQ(report, c.report);
    }
  }
}

TEST(CommandParts, ViewParametersAreReadFromTheBrackets) {
  const std::string text = "VIEW ORDERS [FROM=From date~curdate(),1;  ;TO=To date,1.9; WHO=Name] WHERE X";
  TViewParameterList list;
  const size_t after = ParseViewParameters(text, text.find('[') + 1, &list);
  EXPECT_EQ(text.substr(after), " WHERE X");
  ASSERT_EQ(list.Count(), 3);
  EXPECT_EQ(list[0].Name, "FROM");
  EXPECT_EQ(list[0].ValueText, "From date~curdate()");
  EXPECT_EQ(list[0].Kind, 1);
  EXPECT_EQ(list[1].Name, "TO");
  EXPECT_EQ(list[1].Kind, 1);
  EXPECT_EQ(list[2].Name, "WHO");
  EXPECT_EQ(list[2].ValueText, "Name");
  EXPECT_EQ(list[2].Kind, 0);

  TViewParameterList unclosed;
  const std::string open = "VIEW X [A=a,2";
  EXPECT_EQ(ParseViewParameters(open, 8, &unclosed), open.size());
  ASSERT_EQ(unclosed.Count(), 1);
  EXPECT_EQ(unclosed[0].Kind, 2);
}

TEST(CommandParts, ParameterValuesReplaceTheirWordsWithQuotesDoubled) {
  TViewParameterList list;
  list.Append({"FROM", "2007-06-05", 1});
  list.Append({"TO", "2008-01-31", 1});
  list.Append({"WHO", "O'Brien', 'x') OR ('1'='1", 0});
  list.Append({"FROMAGE", "never", 0});
  struct Case {
    const char* clause;
    const char* result;
  };
  const Case cases[] = {
      {"WHERE ODATE >= 'FROM$' AND ODATE <= 'TO$'",
       "WHERE ODATE >= '2007-06-05' AND ODATE <= '2008-01-31'"},
      {"WHERE d>='from$'", "WHERE d>='2007-06-05'"},
      {"WHERE d='FR$'", "WHERE d='2007-06-05'"},
      {"WHERE NAME = 'WHO$'", "WHERE NAME = 'O''Brien'', ''x'') OR (''1''=''1'"},
      {"WHERE PRICE = '$' AND X = 'NONE$'", "WHERE PRICE = '$' AND X = 'NONE$'"},
      {"WHERE A=B", "WHERE A=B"},
  };
  for (const Case& c : cases) {
    std::string sql;
    EXPECT_TRUE(SubstituteViewParameters(c.clause, list, &sql)) << c.clause;
    EXPECT_EQ(sql, c.result) << c.clause;
  }
}

TEST(CommandParts, AParameterOutsideQuotesTakesOnlyANumber) {
  TViewParameterList list;
  list.Append({"N", "Customer", 0});
  list.Append({"WHO", "Name", 0});
  list.Append({"FROM", "From", 1});
  list.Append({"COL", "NAME", 2});
  MarkNumberParameters("WHERE ID = N$ AND NAME = 'WHO$' AND D >= FROM$ ORDER BY COL$", &list);
  EXPECT_TRUE(list[0].NumberOnly);
  EXPECT_FALSE(list[1].NumberOnly) << "inside quotes";
  EXPECT_FALSE(list[2].NumberOnly) << "a date is written by the program";
  EXPECT_FALSE(list[3].NumberOnly) << "not asked: the command's own text";

  struct Case {
    const char* typed;
    const char* result;  // null: refused
  };
  const Case cases[] = {
      {"2", "WHERE ID = 2 AND NAME = 'it''s'"},
      {" -3.5 ", "WHERE ID = -3.5 AND NAME = 'it''s'"},
      {"+.5", "WHERE ID = +.5 AND NAME = 'it''s'"},
      {"0 OR 1=1", nullptr},
      {"1; DROP TABLE CANARY", nullptr},
      {"", nullptr},
      {"-", nullptr},
      {"1.2.3", nullptr},
      {"1e3", nullptr},
      {"(1)", nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.typed);
    list[0].ValueText = c.typed;
    list[1].ValueText = "it's";
    std::string sql;
    EXPECT_EQ(SubstituteViewParameters("WHERE ID = N$ AND NAME = 'WHO$'", list, &sql), c.result != nullptr);
    if (c.result) {
      EXPECT_EQ(sql, c.result);
    }
    EXPECT_EQ(IsPlainNumber(c.typed), c.result != nullptr);
  }
}

// The report program gets its command line from the [RAPTEL] settings, the model and the
// database user; the stand-in program writes down what it received.
class ReportProgram : public Commands {
protected:
  void SetUp() override {
    Commands::SetUp();
    snprintf(RaptelFilename, sizeof RaptelFilename, "%s", WinPath(TestProgramPath("record_args")).c_str());
    snprintf(RaptelOptions, sizeof RaptelOptions, "/x");
    snprintf(RaptelVersion, sizeof RaptelVersion, "32");
    recordFile_ = dir_.File("args.txt");
    SetEnvironmentVariableA("VORN_RECORD_ARGS", recordFile_.c_str());
  }
  void TearDown() override {
    SetEnvironmentVariableA("VORN_RECORD_ARGS", nullptr);
    Commands::TearDown();
  }
  // Runs the command and returns the first line the program wrote.
  std::string Received(const char* command) {
    DeleteFileA(recordFile_.c_str());
    const int result = RunCommand(MainWindow, command);
    EXPECT_GE(result, 32) << command;
    for (int i = 0; i < 200 && GetFileAttributesA(recordFile_.c_str()) == INVALID_FILE_ATTRIBUTES; ++i)
      Sleep(50);
    Sleep(100);
    const std::vector<std::string> lines = Lines(TScratchDir::Read(recordFile_));
    return lines.empty() ? "" : lines[0];
  }
  TScratchDir dir_{"raptel"};
  std::string recordFile_;
};

TEST_F(ReportProgram, ReceivesTheExactCommandLine) {
  const std::string program = RaptelFilename;
  ApplicationIniPath = dir_.Write("SHOP.INI", "[Network]\nUsername=clerk\nPassword=secret\n");
  ReadConnectionSettings(ApplicationIniPath);  // as start-up does before it connects
  EXPECT_EQ(Received("RAPTEL Monthly.tpl"), program + " /x /D SHOP /U clerk /p secret Monthly.tpl");
  EXPECT_EQ(Received("MONTHLY.TPL"), program + " /x /D SHOP /U clerk /p secret MONTHLY.TPL");

  ApplicationIniPath = dir_.Write("SHOP.INI", "[Network]\nUsername=\n");
  ReadConnectionSettings(ApplicationIniPath);  // as start-up does before it connects
  EXPECT_EQ(Received("raptel Weekly.tpt"), program + " /x /D SHOP /U sa Weekly.tpt");

  snprintf(RaptelVersion, sizeof RaptelVersion, "16");
  EXPECT_EQ(Received("RAPTEL Old.tpl"), program + " /x /D vorn.dmd Old.tpl");
}

TEST_F(ReportProgram, RunWithAReportNameInItsTextRunsWhatItSays) {
  const std::string program = RaptelFilename;
  const std::string line = "RUN " + program + " Notes X.TPL";
  EXPECT_EQ(Received(line.c_str()), program + " Notes X.TPL");
}

TEST_F(ReportProgram, AMissingReportProgramIsReported) {
  snprintf(RaptelFilename, sizeof RaptelFilename, "no_such_report_program.exe");
  TWatchedDialog box;
  EXPECT_LT(RunWithBox("RAPTEL x.tpl", "Cannot run command", &box), 32);
  ASSERT_TRUE(box.found);
  EXPECT_EQ(box.text, "RAPTEL could not be run");
}

// The report library: loaded from the current folder, told the main window and the INI
// path, and called for FUNCTION commands.
TEST_F(Commands, ReportLibraryRecordsItsCalls) {
  TScratchDir dir("reportlib");
  char previous[MAX_PATH];
  GetCurrentDirectoryA(sizeof previous, previous);
  const std::string log = dir.File("calls.txt");
  SetEnvironmentVariableA("VORN_REPORT_LOG", log.c_str());

  SetCurrentDirectoryA(dir.path().c_str());
  SetStatusText("");
  EXPECT_FALSE(LoadReportLibrary(MainWindow, "C:\\shop\\SHOP.INI"));
  EXPECT_STREQ(GetStatusText(), "Warning: Could not find reporting library!");

  ASSERT_TRUE(CopyFileA(TestLibrary().c_str(), dir.File("report.dll").c_str(), FALSE)) << TestLibrary();
  ASSERT_TRUE(LoadReportLibrary(MainWindow, "C:\\shop\\SHOP.INI"));
  EXPECT_EQ(RunCommand(MainWindow, "FUNCTION Totals by month"), 1);
  EXPECT_EQ(RunCommand(MainWindow, "FUNCTION RunScript"), 1);
  FreeReportLibrary();
  EXPECT_FALSE(ReportLibraryLoaded());
  SetCurrentDirectoryA(previous);
  SetEnvironmentVariableA("VORN_REPORT_LOG", nullptr);

  char window[32];
  snprintf(window, sizeof window, "%p", static_cast<void*>(MainWindow));
  EXPECT_EQ(Lines(TScratchDir::Read(log)),
            (std::vector<std::string>{std::string("InitLibrary ") + window + " C:\\shop\\SHOP.INI",
                                      std::string("RunReport ") + window + " Totals by month"}));
  EXPECT_EQ(calls.log, std::vector<std::string>{"run script"});
}

TEST_F(Commands, ANewReportLibraryIsSwappedIn) {
  TScratchDir dir("reportswap");
  char previous[MAX_PATH];
  GetCurrentDirectoryA(sizeof previous, previous);
  dir.Write("report.dll", "old library");
  dir.Write("report_new.vl", "new library");
  SetCurrentDirectoryA(dir.path().c_str());
  auto watcher = std::async(std::launch::async, [] {
    std::vector<std::string> texts;
    for (int i = 0; i < 2; ++i) {
      TWatchedDialog box = WatchAndPress(GetCurrentProcessId(), "Information Message", IDOK, 10000);
      if (!box.found) break;
      texts.push_back(box.text);
      for (int k = 0; k < 100 && IsWindow(box.window); ++k) Sleep(20);
    }
    return texts;
  });
  SwapReportLibrary();
  const std::vector<std::string> texts = watcher.get();
  SetCurrentDirectoryA(previous);
  EXPECT_EQ(texts, (std::vector<std::string>{
                       "There is a newer version of the report library found, the old report "
                       "library has been renamed",
                       "The newer version of the report library has been introduced to system"}));
  EXPECT_EQ(TScratchDir::Read(dir.File("report.dll")), "new library");
  EXPECT_EQ(TScratchDir::Read(dir.File("report.old")), "old library");
  EXPECT_EQ(GetFileAttributesA(dir.File("report_new.vl").c_str()), INVALID_FILE_ATTRIBUTES);

  // Nothing delivered: nothing happens.
  SetCurrentDirectoryA(dir.path().c_str());
  SwapReportLibrary();
  SetCurrentDirectoryA(previous);
  EXPECT_EQ(TScratchDir::Read(dir.File("report.dll")), "new library");
}

TEST(InstallFolder, WithoutAnInstallPathItIsTheProgramsOwnFolder) {
  char program[MAX_PATH];
  GetModuleFileNameA(nullptr, program, sizeof program);
  std::string folder = program;
  folder.erase(folder.rfind('\\'));
  char configured[MAX_PATH] = "";
  GetProfileStringA("VORN", "InstallPath", "", configured, sizeof configured);
  EXPECT_EQ(InstallFolder(), *configured ? std::string(configured) : folder);
  EXPECT_NE(InstallFolder(), "");
}

// VIEW on a real table: clauses keep their case, parameters are asked and quoted.
TDBRecList* viewedList = nullptr;
HWND KeepViewedList(TDBRecList* list, HWND) {
  delete viewedList;
  viewedList = list;
  return nullptr;
}

class ViewCommand : public RecordDatabaseTest {
protected:
  void SetUp() override {
    RecordDatabaseTest::SetUp();
    StartFormSession();
    UseModel({{"CUSTOMER", {{"ID", "INTEGER"}, {"NAME", "VARCHAR(40)"}}, {}}}, {{{"CUSTOMER", "ID"}}, {}, {}, {}});
    ReplaceString(&TheModel.Entities[0].ColumnListText, "ID,NAME ORDER BY NAME");
    Db().Exec("CREATE TABLE CUSTOMER (ID INTEGER PRIMARY KEY, NAME VARCHAR(40))");
    Db().Exec("INSERT INTO CUSTOMER VALUES (1, 'smith'), (2, 'SMITH'), (3, 'O''Brien')");
    savedView_ = OpenViewWindowCall;
    OpenViewWindowCall = KeepViewedList;
  }
  void TearDown() override {
    OpenViewWindowCall = savedView_;
    delete viewedList;
    viewedList = nullptr;
    StopTrace();
    RecordDatabaseTest::TearDown();
  }
  // The ids the viewed list holds, in its order; "none" when no list was opened.
  std::string ViewedIds() {
    if (!viewedList) return "none";
    std::string ids;
    for (int i = 0; TDBRecord* record = viewedList->GetRecord(i); ++i)
      ids += (ids.empty() ? "" : ",") + std::string(record->Field(0).Value());
    return ids;
  }
  // Runs a VIEW command whose parameters dialog gets these texts typed (null: cancelled).
  std::string ViewWithParameters(const char* command, std::vector<const char*> typed,
                                 std::vector<std::string>* defaults) {
    auto watcher = std::async(std::launch::async, [&] {
      TWatchedDialog box = FindDialog(GetCurrentProcessId(), "Enter Parameters", 10000);
      if (!box.found) return false;
      for (size_t i = 0; i < typed.size(); ++i) {
        HWND edit = GetDlgItem(box.window, FIRST_PARAMETER_EDIT_ID + static_cast<int>(i));
        char text[256] = "";
        GetWindowTextA(edit, text, sizeof text);
        defaults->push_back(text);
        if (typed[i]) SetWindowTextA(edit, typed[i]);
      }
      const bool cancel = !typed.empty() && !typed[0];
      return PressDialogButton(box.window, cancel ? IDCANCEL : IDOK);
    });
    EXPECT_EQ(RunCommand(MainWindow, command), 1);
    EXPECT_TRUE(watcher.get());
    return ViewedIds();
  }
  TOpenViewWindowCall savedView_ = nullptr;
};

TEST_P(ViewCommand, ClausesKeepTheirCaseAndTheDefaultOrderApplies) {
  struct Case {
    const char* command;
    const char* ids;
  };
  const Case cases[] = {
      {"view customer where name = 'smith'", "1"},
      {"VIEW CUSTOMER WHERE NAME = 'SMITH'", "2"},
      {"VIEW CUSTOMER", "3,2,1"},
      {"VIEW CUSTOMER ", "3,2,1"},
      {"VIEW CUSTOMER ORDER BY ID DESC", "3,2,1"},
      {"VIEW CUSTOMER WHERE ID > 1 ORDER BY ID", "2,3"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.command);
    delete viewedList;
    viewedList = nullptr;
    EXPECT_EQ(RunCommand(MainWindow, c.command), 1);
    EXPECT_EQ(ViewedIds(), c.ids);
  }
}

TEST_P(ViewCommand, ParametersAreAskedAndTheirValuesStayInsideTheirLiterals) {
  std::vector<std::string> defaults;
  EXPECT_EQ(ViewWithParameters("VIEW CUSTOMER [WHO=Name~smith,0] WHERE NAME = 'WHO$' ORDER BY ID",
                               {"O'Brien"}, &defaults),
            "3");
  EXPECT_EQ(defaults, std::vector<std::string>{"smith"});

  delete viewedList;
  viewedList = nullptr;
  defaults.clear();
  EXPECT_EQ(ViewWithParameters("VIEW CUSTOMER [WHO=Name,0] WHERE NAME = 'WHO$'",
                               {"x' OR '1'='1"}, &defaults),
            "");

  delete viewedList;
  viewedList = nullptr;
  defaults.clear();
  EXPECT_EQ(ViewWithParameters("VIEW CUSTOMER [WHO=Name,0] WHERE NAME = 'WHO$'", {nullptr}, &defaults),
            "none");
}

TEST_P(ViewCommand, DateParametersArriveInIsoForm) {
  StartTrace();
  std::vector<std::string> defaults;
  ViewWithParameters("VIEW CUSTOMER [FROM=From~curdate(),1;SKIP=x,2;TO=To,1] WHERE NAME >= 'FROM$' "
                     "AND NAME <= 'TO$' AND 'SKIP$' = 'SKIP$'",
                     {"5/6/07", nullptr, "31-12-2008"}, &defaults);
  bool found = false;
  for (const std::string& statement : TracedStatements())
    if (statement.find("NAME >= '1907-06-05' AND NAME <= '2008-12-31' AND 'x' = 'x'") !=
        std::string::npos)
      found = true;
  EXPECT_TRUE(found);
  ASSERT_EQ(defaults.size(), 3u);
  char today[16];
  EXPECT_EQ(defaults[0], FormatTodayByPreference(today, "dd-mm-yyyy"));
}

// What is typed for a placeholder never runs as SQL: outside quotes only a number is
// taken (anything else refused in the dialog), inside quotes the text stays a literal.
TEST_P(ViewCommand, TypedParametersListTheirRowsAndNeverRunAsSql) {
  Db().Exec("CREATE TABLE CANARY (ID INTEGER)");
  Db().Exec("INSERT INTO CANARY VALUES (1)");
  const char* byId = "VIEW CUSTOMER [N=Customer number,0] WHERE ID = N$ ORDER BY ID";
  const char* above = "VIEW CUSTOMER [N=Above,0] WHERE ID>N$ ORDER BY ID";
  const char* byName = "VIEW CUSTOMER [WHO=Name,0] WHERE NAME = 'WHO$' ORDER BY ID";
  struct Case {
    const char* command;
    const char* typed;
    const char* ids;  // null: refused in the dialog
  };
  const Case cases[] = {
      {byId, "2", "2"},
      {byId, " 3 ", "3"},
      {byId, "2.0", "2"},
      {byId, "-1", ""},
      {above, "1", "2,3"},
      {byId, "0 OR 1=1", nullptr},
      {byId, "1; DROP TABLE CANARY", nullptr},
      {above, "0) OR (1=1", nullptr},
      {byId, "ID", nullptr},
      {byId, "", nullptr},
      {byName, "O'Brien", "3"},
      {byName, "x' OR '1'='1", ""},
      {byName, "smith'; DROP TABLE CANARY; --", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.command) + " <- " + c.typed);
    delete viewedList;
    viewedList = nullptr;
    auto watcher = std::async(std::launch::async, [&] {
      TWatchedDialog dialog = FindDialog(GetCurrentProcessId(), "Enter Parameters", 10000);
      if (!dialog.found) return std::string("no dialog");
      SetWindowTextA(GetDlgItem(dialog.window, FIRST_PARAMETER_EDIT_ID), c.typed);
      PostMessageA(dialog.window, WM_COMMAND, IDOK, 0);
      if (c.ids) return std::string();
      TWatchedDialog refusal = FindDialog(GetCurrentProcessId(), "Enter Parameters: not a number", 10000);
      if (!refusal.found) return std::string("no refusal");
      if (c.typed == std::string("0 OR 1=1"))
        SaveScreenBitmap(nullptr, ScreenshotFolder() + "/view_parameter_not_a_number.bmp");
      PressDialogButton(refusal.window, IDOK);
      for (int i = 0; i < 200 && IsWindow(refusal.window); ++i) Sleep(20);
      const bool stayed = IsWindow(dialog.window) != FALSE;
      PressDialogButton(dialog.window, IDCANCEL);
      return stayed ? refusal.text : std::string("the dialog closed");
    });
    EXPECT_EQ(RunCommand(MainWindow, c.command), 1);
    const std::string refusal = watcher.get();
    if (c.ids) {
      EXPECT_EQ(refusal, "");
      EXPECT_EQ(ViewedIds(), c.ids);
    } else {
      const std::string prompt = c.command == byId ? "Customer number" : "Above";
      EXPECT_EQ(refusal, prompt + " takes only a number here (such as 42, -7 or 3.5).");
      EXPECT_EQ(ViewedIds(), "none");
    }
    EXPECT_EQ(Db().Query("SELECT COUNT(*) FROM CANARY"), "1");
  }
}

INSTANTIATE_DATABASE_TESTS(ViewCommand);

}  // namespace

// The import wizard and the import window on SQLite and PostgreSQL, driven as a user
// would: every page's refusals, separator detection, mapping and fixed values, the
// summary, the saved template used again, an import window closed or asked for a second
// wizard while it runs, and no window gone under the wizard, its questions or the import.
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>
#include <prsht.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "data/core/devicenames.h"
#include "data/core/strings.h"
#include "data/db/record.h"
#include "data/model/appfiles.h"
#include "data/model/model.h"
#include "data/model/settings.h"
#include "forms/controlids.h"
#include "forms/editdlg.h"
#include "forms/edittemplates.h"
#include "forms/shellcalls.h"
#include "forms/windowmanager.h"
#include "shell/appwindow.h"
#include "shell/importtemplate.h"
#include "shell/importwizard.h"
#include "support/dialog_watcher.h"
#include "support/form_support.h"
#include "support/record_test_db.h"
#include "support/saved_settings.h"
#include "support/window_life.h"
#include "support/window_picture.h"

namespace {

std::vector<TEntitySpec> WizardModel() {
  TEntitySpec teams{"TEAMS", {{"TEAM_ID", "INTEGER"}, {"TITLE", "VARCHAR(20)"}}, {}};
  TEntitySpec people{"PEOPLE",
                     {{"ID", "INTEGER"}, {"NAME", "VARCHAR(30)"}, {"CITY", "VARCHAR(30)"}, {"JOINED", "DATE"}},
                     {}};
  return {teams, people};
}

void Picture(HWND window, const char* name) {
  if (const char* folder = getenv("VORN_SCREENSHOTS"))
    SaveWindowPicture(window, std::string(folder) + "\\" + name + ".bmp");
}

// The wizard sheet the thread shows: its first visible dialog window; waits up to 20 s.
HWND FindSheet(DWORD threadId) {
  for (int i = 0; i < 200; ++i) {
    HWND found = nullptr;
    EnumThreadWindows(
        threadId,
        [](HWND window, LPARAM result) -> BOOL {
          char name[32] = "";
          GetClassNameA(window, name, sizeof name);
          if (strcmp(name, "#32770") != 0 || !IsWindowVisible(window)) return TRUE;
          if (!SendMessageA(window, PSM_GETCURRENTPAGEHWND, 0, 0)) return TRUE;  // not a property sheet
          *reinterpret_cast<HWND*>(result) = window;
          return FALSE;
        },
        reinterpret_cast<LPARAM>(&found));
    if (found) return found;
    Sleep(100);
  }
  return nullptr;
}

// Drives the wizard of the main thread from a thread of its own; whatever happens there,
// the sheet is cancelled at the end if it is still open, so the test never hangs.
template <typename Steps>
std::thread DriveWizard(Steps steps) {
  const DWORD mainThread = GetCurrentThreadId();
  return std::thread([mainThread, steps] {
    HWND sheet = FindSheet(mainThread);
    if (!sheet) {
      ADD_FAILURE() << "no wizard";
      return;
    }
    Sleep(200);
    steps(sheet);
    if (IsWindow(sheet) && IsWindowVisible(sheet)) PostMessageA(sheet, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
  });
}

HWND CurrentPage(HWND sheet) { return reinterpret_cast<HWND>(SendMessageA(sheet, PSM_GETCURRENTPAGEHWND, 0, 0)); }

std::string Status(HWND page) { return ControlText(GetDlgItem(page, IMPORT_STATUS)); }

void Press(HWND sheet, int button) {
  SendMessageA(sheet, PSM_PRESSBUTTON, button, 0);
  Sleep(100);
}

void Click(HWND page, int id) { SendMessageA(GetDlgItem(page, id), BM_CLICK, 0, 0); }

void SelectRow(HWND list, int row) { SelectListViewRow(list, row); }

std::string Cell(HWND list, int row, int column) { return ListViewCellText(list, row, column); }

int Rows(HWND list) { return ListViewRowCount(list); }

// Maps the row of the mapping page to the combo entry that starts with the text.
void MapRow(HWND page, int row, const char* entryStart) {
  SelectRow(GetDlgItem(page, IMPORT_MAPPING_LIST), row);
  HWND combo = GetDlgItem(page, IMPORT_MAPPING_TARGET);
  SendMessageA(combo, CB_SELECTSTRING, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(entryStart));
  SendMessageA(page, WM_COMMAND, MAKEWPARAM(IMPORT_MAPPING_TARGET, CBN_SELCHANGE), reinterpret_cast<LPARAM>(combo));
}

std::vector<std::string> ListBoxLines(HWND list) {
  std::vector<std::string> lines;
  const int count = static_cast<int>(SendMessageA(list, LB_GETCOUNT, 0, 0));
  for (int i = 0; i < count; ++i) {
    char text[512] = "";
    SendMessageA(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(text));
    lines.push_back(text);
  }
  return lines;
}

// Pumps until the import window shows its button as "&Close" again; returns its lines.
std::vector<std::string> WaitForImport(HWND window) {
  for (int i = 0; i < 600 && IsWindow(window); ++i) {
    PumpMessages(50);
    if (!ImportIsRunning() && ControlText(GetDlgItem(window, IMPORT_PROGRESS_BUTTON)) == "&Close" &&
        SendDlgItemMessageA(window, IMPORT_PROGRESS_LIST, LB_GETCOUNT, 0, 0) > 0)
      break;
  }
  return ListBoxLines(GetDlgItem(window, IMPORT_PROGRESS_LIST));
}

HWND FindImportWindow() {
  TWatchedDialog found = FindDialog(GetCurrentProcessId(), "Import File", 10000);
  return found.found ? found.window : nullptr;
}

class ImportWizardTest : public RecordDatabaseTest {
protected:
  void SetUp() override {
    RecordDatabaseTest::SetUp();
    StartFormSession();
    UseModel(WizardModel(), {{{"PEOPLE", "ID"}, {"TEAMS", "TEAM_ID"}}, {{"PEOPLE", "NAME"}}, {}, {}});
    const char* captions[][2] = {{"ID", "Person no."}, {"NAME", "Name"}, {"CITY", "City"}, {"JOINED", "Joined"}};
    for (auto& c : captions) ReplaceString(&ModelAttribute("PEOPLE", c[0]).Caption, c[1]);
    ReplaceString(&ModelEntity("PEOPLE").Caption, "People");
    ReplaceString(&ModelEntity("TEAMS").Caption, "Teams");
    strcpy(DateFormat, "DD/MM/YYYY");
    Db().Exec("CREATE TABLE PEOPLE (ID INTEGER PRIMARY KEY, NAME VARCHAR(30), CITY VARCHAR(30), JOINED DATE)");
    Db().Exec("CREATE TABLE TEAMS (TEAM_ID INTEGER PRIMARY KEY, TITLE VARCHAR(20))");
    StartupFolder = dir_.path();
    CurrentImportTemplate.Reset();
  }
  void TearDown() override {
    // No import window outlives its test.
    for (HWND window; (window = FindWindowA("#32770", "Import File")) != nullptr;) DestroyWindow(window);
    PumpMessages(50);
    StartupFolder.clear();
    CurrentImportTemplate.Reset();
    SetCurrentDirectoryA(previous_);
    RecordDatabaseTest::TearDown();
  }

  char previous_[MAX_PATH] = "";
  TSavedSettings settings_;
  TScratchDir dir_{"wizard"};
  int ignored_ = GetCurrentDirectoryA(MAX_PATH, previous_);
};

TEST_P(ImportWizardTest, NewTemplateThroughEveryPageThenTheSavedOneUpdates) {
  const std::string input = dir_.Write("people.txt",
                                       "Code\tFull name\tTown\tSince\n"
                                       "1\tAnn\tOslo\t05/03/2024\n"
                                       "2\t\"Bo, the 2nd\"\tBergen\t31/12/2023\n"
                                       "3\tCy\tHamar\t01/01/2020\n");
  dir_.Write("Taken.tpl", "<WizardTemplate>\nName=\"Taken\"\n</WT>\n");

  std::thread user = DriveWizard([&](HWND sheet) {
    // Page 1: the template.
    HWND page = CurrentPage(sheet);
    char title[64] = "";
    GetWindowTextA(page, title, sizeof title);
    EXPECT_STREQ(title, "Select Template");
    EXPECT_EQ(ControlText(GetDlgItem(page, IMPORT_TEMPLATE_NAME)), "My Template");
    EXPECT_EQ(SendDlgItemMessageA(page, IMPORT_TEMPLATE_LIST, LB_GETCOUNT, 0, 0), 1);  // "Taken"
    Picture(sheet, "import_page1");
    Click(page, IMPORT_EXISTING_TEMPLATE);
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(page, IMPORT_TEMPLATE_NAME)));
    ::Press(sheet, PSBTN_NEXT);
    EXPECT_EQ(Status(page), "Please select one of the template files before continuing.");
    Click(page, IMPORT_NEW_TEMPLATE);
    struct TName {
      const char* name;
      const char* status;
    };
    for (TName refused : {TName{"Taken", "Error: A file exists with this name!"},
                          TName{"..\\evil", "Error: A template name cannot be empty or hold any of \\ / : * ? \" < > |"}}) {
      SetDlgItemTextA(page, IMPORT_TEMPLATE_NAME, refused.name);
      ::Press(sheet, PSBTN_NEXT);
      EXPECT_EQ(CurrentPage(sheet), page) << refused.name;
      EXPECT_EQ(Status(page), refused.status);
    }
    SetDlgItemTextA(page, IMPORT_TEMPLATE_NAME, "Weekly people");
    ::Press(sheet, PSBTN_NEXT);

    // Page 2: source file and table; the caller's entity is preselected.
    page = CurrentPage(sheet);
    EXPECT_EQ(ControlText(GetDlgItem(page, IMPORT_TABLE)), "People");
    EXPECT_EQ(SendDlgItemMessageA(page, IMPORT_TABLE, CB_GETCOUNT, 0, 0), 2);
    EXPECT_EQ(IsDlgButtonChecked(page, IMPORT_VALIDATE_RELATED), BST_CHECKED);
    ::Press(sheet, PSBTN_NEXT);
    EXPECT_EQ(Status(page), "A filename must be entered to continue!");
    SetDlgItemTextA(page, IMPORT_INPUT_FILE, dir_.File("absent.txt").c_str());
    ::Press(sheet, PSBTN_NEXT);
    EXPECT_EQ(Status(page), "Cannot open input file!");
    SetDlgItemTextA(page, IMPORT_INPUT_FILE, input.c_str());
    Picture(sheet, "import_page2");
    ::Press(sheet, PSBTN_NEXT);

    // Page 3: the tab in the first line was found; the preview shows the columns.
    page = CurrentPage(sheet);
    EXPECT_EQ(IsDlgButtonChecked(page, IMPORT_TAB), BST_CHECKED);
    HWND preview = GetDlgItem(page, IMPORT_PREVIEW_LIST);
    EXPECT_EQ(Rows(preview), 3);
    EXPECT_EQ(Cell(preview, 1, 1), "Bo, the 2nd");
    EXPECT_NE(ControlText(GetDlgItem(page, IMPORT_PREVIEW_TEXT)).find("Code\tFull name"), std::string::npos);
    // Field names off: the header line becomes a row too.
    Click(page, IMPORT_FIELD_NAMES);
    EXPECT_EQ(Rows(preview), 4);
    Click(page, IMPORT_FIELD_NAMES);
    EXPECT_EQ(Rows(preview), 3);
    Picture(sheet, "import_page3");
    ::Press(sheet, PSBTN_NEXT);

    // Page 4: one row per column; an attribute takes one column only.
    page = CurrentPage(sheet);
    HWND mapping = GetDlgItem(page, IMPORT_MAPPING_LIST);
    ASSERT_EQ(Rows(mapping), 4);
    EXPECT_EQ(Cell(mapping, 1, 0), "Full name");
    EXPECT_EQ(Cell(mapping, 1, 1), "<none>");
    EXPECT_EQ(SendDlgItemMessageA(page, IMPORT_MAPPING_TARGET, CB_GETCOUNT, 0, 0), 5);
    MapRow(page, 0, "Person no.");
    EXPECT_EQ(ControlText(GetDlgItem(page, IMPORT_MAPPING_COLUMN)), "Code");
    MapRow(page, 2, "*Name");
    MapRow(page, 1, "*Name");  // takes Name from Town
    EXPECT_EQ(Cell(mapping, 2, 1), "<none>");
    EXPECT_EQ(Cell(mapping, 1, 1), "Name");
    EXPECT_EQ(Cell(mapping, 1, 2), "VARCHAR(30)");
    MapRow(page, 2, "City");
    MapRow(page, 3, "Joined");
    Picture(sheet, "import_page4");
    ::Press(sheet, PSBTN_NEXT);

    // Page 5: every attribute is fed by a column; all four rows would be mapped away, so
    // go back one page (answering the warning), unmap the town, and come again.
    page = CurrentPage(sheet);
    EXPECT_EQ(Rows(GetDlgItem(page, IMPORT_VALUE_LIST)), 0);
    // Back asks first (posted: the question waits for this thread to answer it).
    PostMessageA(sheet, PSM_PRESSBUTTON, PSBTN_BACK, 0);
    TWatchedDialog warning = WatchAndPress(GetCurrentProcessId(), "Import Wizard: WARNING", IDYES, 5000);
    EXPECT_TRUE(warning.found);
    EXPECT_EQ(warning.text,
              "Moving back to the previous page may lose any field value mappings you have made.\n"
              "Are you sure you want to continue?");
    Sleep(200);
    page = CurrentPage(sheet);
    MapRow(page, 2, "<none>");
    ::Press(sheet, PSBTN_NEXT);
    page = CurrentPage(sheet);
    HWND values = GetDlgItem(page, IMPORT_VALUE_LIST);
    ASSERT_EQ(Rows(values), 1);
    EXPECT_EQ(Cell(values, 0, 0), "City");
    SelectRow(values, 0);
    EXPECT_EQ(ControlText(GetDlgItem(page, IMPORT_VALUE_ATTRIBUTE)), "City");
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(page, IMPORT_VALUE_TEXT)));
    SetDlgItemTextA(page, IMPORT_VALUE_TEXT, "Everywhere");
    Picture(sheet, "import_page5");
    ::Press(sheet, PSBTN_NEXT);

    // Page 6: the summary.
    page = CurrentPage(sheet);
    const std::vector<std::string> summary = ListBoxLines(GetDlgItem(page, IMPORT_SUMMARY_LIST));
    const std::vector<std::string> expected = {"Template Name = Weekly people",
                                               "Input FileName = " + input,
                                               "0 rows will be skipped.",
                                               "Related record will be validated.",
                                               "Field Seperator = <tab>",
                                               "Surrounding quotes will be removed from each field.",
                                               "File contains the field names in the first row.",
                                               "",
                                               "The fields to be mapped are:",
                                               "Field Code mapped to Field Person no.",
                                               "Field Full name mapped to Field Name",
                                               "Field Since mapped to Field Joined",
                                               "",
                                               "The database fields to be assigned set values are:",
                                               "Database Field City set to the value Everywhere"};
    EXPECT_EQ(summary, expected);
    Picture(sheet, "import_page6");
    Press(sheet, PSBTN_FINISH);
  });
  RunImportWizard(MainWindow, &ModelEntity("PEOPLE"));
  user.join();

  HWND window = FindImportWindow();
  ASSERT_NE(window, nullptr);
  std::vector<std::string> lines = WaitForImport(window);
  Picture(window, "import_window");
  ASSERT_GE(lines.size(), 3u);
  EXPECT_EQ(lines[0], "Processing template Weekly people...");
  EXPECT_EQ(lines[1], "3 lines processed...");
  EXPECT_EQ(lines.back(), "3 lines processed, 3 records inserted, 0 records updated.");
  EXPECT_EQ(Db().Query("SELECT NAME || '|' || CITY || '|' || CAST(JOINED AS VARCHAR(20)) FROM PEOPLE WHERE ID = 2"),
            "Bo, the 2nd|Everywhere|2023-12-31");
  SendMessageA(window, WM_COMMAND, IMPORT_PROGRESS_BUTTON, 0);
  PumpMessages(100);
  EXPECT_FALSE(IsWindow(window));

  // The template was saved in the start-up folder.
  TImportTemplate saved;
  ASSERT_TRUE(LoadImportTemplate(saved, dir_.File("Weekly_people.tpl")));
  EXPECT_EQ(saved.Separator, '\t');
  ASSERT_EQ(saved.FixedValues.size(), 1u);

  // Again through the saved template, renamed on disk: every line updates its row.
  ASSERT_TRUE(MoveFileA(dir_.File("Weekly_people.tpl").c_str(), dir_.File("renamed.tpl").c_str()));
  dir_.Write("people.txt", "Code\tFull name\tTown\tSince\n1\tAnnie\tOslo\t05/03/2024\n");
  std::thread again = DriveWizard([&](HWND sheet) {
    HWND page = CurrentPage(sheet);
    Click(page, IMPORT_EXISTING_TEMPLATE);
    HWND list = GetDlgItem(page, IMPORT_TEMPLATE_LIST);
    const LRESULT at = SendMessageA(list, LB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                    reinterpret_cast<LPARAM>("Weekly people"));
    ASSERT_NE(at, LB_ERR);
    SendMessageA(list, LB_SETCURSEL, at, 0);
    for (int step = 0; step < 5; ++step) Press(sheet, PSBTN_NEXT);
    page = CurrentPage(sheet);
    const std::vector<std::string> summary = ListBoxLines(GetDlgItem(page, IMPORT_SUMMARY_LIST));
    EXPECT_NE(std::find(summary.begin(), summary.end(), "Field Full name mapped to Field Name"), summary.end());
    Press(sheet, PSBTN_FINISH);
  });
  RunImportWizard(MainWindow, nullptr);
  again.join();
  window = FindImportWindow();
  ASSERT_NE(window, nullptr);
  lines = WaitForImport(window);
  EXPECT_EQ(lines.back(), "1 lines processed, 0 records inserted, 1 records updated.");
  EXPECT_EQ(Db().Query("SELECT COUNT(*) FROM PEOPLE"), "3");
  EXPECT_EQ(Db().Query("SELECT NAME FROM PEOPLE WHERE ID = 1"), "Annie");
  EXPECT_EQ(GetFileAttributesA(dir_.File("renamed.tpl").c_str()) != INVALID_FILE_ATTRIBUTES, true);
  DestroyWindow(window);
}

// Names Windows keeps for devices, with or without an extension, are no template names.
TEST(ImportTemplateNames, DeviceNamesAreRefused) {
  struct TCase {
    const char* name;
    bool valid;
  } cases[] = {{"CON", false},     {"nul", false},      {"Prn", false},        {"AUX", false},
               {"COM1", false},    {"com9", false},     {"LPT1", false},       {"lpt9", false},
               {"CON.txt", false}, {"nul.tpl", false},  {"COM1.x.y", false},   {"COM0", true},
               {"COM10", true},    {"LPT", true},       {"CONSOLE", true},     {"CON list", true},
               {"My CON", true},   {"Weekly", true},    {"a:b", false},        {"", false}};
  for (const TCase& c : cases) EXPECT_EQ(IsValidTemplateName(c.name), c.valid) << c.name;
  EXPECT_TRUE(IsReservedDeviceName("C:\\data\\aux.dmp"));
  EXPECT_FALSE(IsReservedDeviceName("C:\\con\\data.dmp"));
}

// Page 1 refuses device names; page 2 falls back to the caller's table when the
// template's is not offered; the rows to skip survive a step back from page 3.
TEST_P(ImportWizardTest, PagesKeepWhatTheyWereGivenAndRefuseDeviceNames) {
  const std::string input = dir_.Write("people.txt", "Code,Full name\n1,Ann\n2,Bo\n3,Cy\n");
  dir_.Write("Old.tpl", "<WizardTemplate>\nName=\"Old\"\nInputFilename=\"" + input +
                            "\"\nOutputTable=\"Gone\"\nFieldSeperator=,\nFieldNames=1\n</WT>\n");
  std::thread user = DriveWizard([&](HWND sheet) {
    HWND page = CurrentPage(sheet);
    for (const char* device : {"CON", "nul", "Com1", "LPT9", "aux.txt", "PRN.tpl"}) {
      SetDlgItemTextA(page, IMPORT_TEMPLATE_NAME, device);
      ::Press(sheet, PSBTN_NEXT);
      EXPECT_EQ(CurrentPage(sheet), page) << device;
      EXPECT_EQ(Status(page), "Error: Windows keeps this name for a device (CON, PRN, AUX, NUL, COM1-9, LPT1-9)!")
          << device;
    }
    Picture(sheet, "import_page1_device_name");
    Click(page, IMPORT_EXISTING_TEMPLATE);
    HWND list = GetDlgItem(page, IMPORT_TEMPLATE_LIST);
    SendMessageA(list, LB_SETCURSEL,
                 SendMessageA(list, LB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>("Old")), 0);
    ::Press(sheet, PSBTN_NEXT);

    page = CurrentPage(sheet);
    EXPECT_EQ(ControlText(GetDlgItem(page, IMPORT_TABLE)), "People") << "the caller's, not the first";
    ::Press(sheet, PSBTN_NEXT);

    page = CurrentPage(sheet);
    SetDlgItemTextA(page, IMPORT_SKIP_ROWS, "2");
    Press(sheet, PSBTN_BACK);
    ::Press(sheet, PSBTN_NEXT);
    page = CurrentPage(sheet);
    EXPECT_EQ(ControlText(GetDlgItem(page, IMPORT_SKIP_ROWS)), "2");
    for (int step = 0; step < 3; ++step) Press(sheet, PSBTN_NEXT);
    const std::vector<std::string> summary = ListBoxLines(GetDlgItem(CurrentPage(sheet), IMPORT_SUMMARY_LIST));
    EXPECT_NE(std::find(summary.begin(), summary.end(), "2 rows will be skipped."), summary.end());
  });
  RunImportWizard(MainWindow, &ModelEntity("PEOPLE"));
  user.join();
  EXPECT_FALSE(FindDialog(GetCurrentProcessId(), "Import File", 300).found);  // cancelled: no import
}

// A running import: a second wizard is refused, and a window destroyed under the run ends
// it after the current line without freeing what the run still uses.
TEST_P(ImportWizardTest, WhileAnImportRuns) {
  std::string content = "ID,NAME\n";
  for (int i = 1; i <= 3000; ++i) content += std::to_string(i) + ",N" + std::to_string(i) + "\n";
  TImportTemplate& t = CurrentImportTemplate;
  t.Name = "Big";
  t.InputFilename = dir_.Write("big.csv", content);
  t.OutputTable = "People";
  t.Mappings = {{"ID", "Person no."}, {"NAME", "Name"}};

  static HWND importWindow;
  static bool wizardReturned;
  wizardReturned = false;
  auto refused = WatchAndPressAsync(GetCurrentProcessId(), "Import Wizard", IDOK, 30000);
  importWindow = StartImportWindow(MainWindow);
  ASSERT_NE(importWindow, nullptr);
  EXPECT_EQ(StartImportWindow(MainWindow), nullptr);  // not before the first has ended
  SetTimer(nullptr, 0, 30, [](HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    if (!ImportIsRunning()) return;
    RunImportWizard(MainWindow, nullptr);
    wizardReturned = true;
    DestroyWindow(importWindow);
  });
  for (int i = 0; i < 400 && (ImportIsRunning() || !wizardReturned); ++i) PumpMessages(50);
  TWatchedDialog box = refused.get();
  ASSERT_TRUE(box.found);
  EXPECT_EQ(box.text, "An import is running. Wait until it has finished before starting another one.");
  EXPECT_TRUE(wizardReturned);
  EXPECT_FALSE(IsWindow(importWindow));
  EXPECT_FALSE(ImportIsRunning());
  const int stored = std::stoi(Db().Query("SELECT COUNT(*) FROM PEOPLE"));
  EXPECT_GT(stored, 0);
  EXPECT_LT(stored, 3000);
  // The stored rows are whole: each has its name.
  EXPECT_EQ(Db().Query("SELECT COUNT(*) FROM PEOPLE WHERE NAME IS NULL"), "0");
}

// An edit form's Import button opens the wizard with the form's entity as destination.
TEST_P(ImportWizardTest, TheFormsReachTheWizardAndTheOutputThroughTheirCalls) {
  InstallRecordTransferCalls();
  ASSERT_NE(OutputRecordsCall, nullptr);
  ASSERT_NE(ImportWizardCall, nullptr);
  BuildEditFormTemplates();
  HWND form = AppWindowManager.OpenEditForm(CreateEditDlg(NewDBRecord("TEAMS"), TFormMode::NewRecord),
                                            &ModelEntity("TEAMS"), MainWindow, 0);
  ASSERT_TRUE(form);
  std::string destination;
  std::thread user = DriveWizard([&](HWND sheet) {
    SetDlgItemTextA(CurrentPage(sheet), IMPORT_TEMPLATE_NAME, "From the form");
    ::Press(sheet, PSBTN_NEXT);
    destination = ControlText(GetDlgItem(CurrentPage(sheet), IMPORT_TABLE));
  });
  SendMessageA(form, WM_COMMAND, MAKEWPARAM(IMPORT_BUTTON_ID, BN_CLICKED), 0);
  user.join();
  EXPECT_EQ(destination, "Teams");
  EXPECT_EQ(FindDialog(GetCurrentProcessId(), "Import File", 300).found, false);  // cancelled: no import
  DestroyWindow(form);
  FreeEditFormTemplates();
}

INSTANTIATE_DATABASE_TESTS(ImportWizardTest);

// The wizard over a customer form, its question on going back, and the import run, with the
// form closed, the wizard or the import window closed, or the program logged out (the login
// refused) while they wait: nothing goes under them, every imported row is whole, and the
// program lives on until they have ended (after the refused login the program cancels the
// wizard and its question, and starts no import).
class ImportWindowLifeTest : public WindowLifeTest {
protected:
  void SetUp() override {
    WindowLifeTest::SetUp();
    StartupFolder = dir_.path();
    CurrentImportTemplate.Reset();
    std::string lines;
    for (int key = 100; key < 400; ++key) lines += std::to_string(key) + ",Name " + std::to_string(key) + "\n";
    input_ = dir_.Write("customers.csv", lines);
  }
  void TearDown() override {
    StartupFolder.clear();
    CurrentImportTemplate.Reset();
    WindowLifeTest::TearDown();
  }
  std::string input_;
};

TEST_P(ImportWindowLifeTest, NoWindowGoesUnderTheWizardItsQuestionsOrTheImport) {
  auto form = [this] { return CustomerFormOfMain(); };
  auto wizard = [](HWND opener) { RunImportWizard(opener, TheModel.FindEntity("CUST")); };
  const std::string input = input_;
  // Through the first three pages to the mapping page, then Back, which asks.
  auto toMappingAndBack = [input](HWND sheet) {
    Sleep(200);
    ::Press(sheet, PSBTN_NEXT);
    SetDlgItemTextA(CurrentPage(sheet), IMPORT_INPUT_FILE, input.c_str());
    ::Press(sheet, PSBTN_NEXT);
    ::Press(sheet, PSBTN_NEXT);
    PostMessageA(sheet, PSM_PRESSBUTTON, PSBTN_BACK, 0);
  };
  auto cancel = [](HWND sheet) { PostMessageA(sheet, PSM_PRESSBUTTON, PSBTN_CANCEL, 0); };
  auto importTemplate = [input] {
    TImportTemplate& t = CurrentImportTemplate;
    t.Reset();
    t.Name = "Customers";
    t.InputFilename = input;
    t.OutputTable = "Customer";
    t.FieldNames = false;
    t.Mappings = {{"Field 0", "Customer no."}, {"Field 1", "Name"}};
  };
  // The import window over the opener; the meanwhile step at its run's first round.
  auto importRun = [this](HWND opener) {
    HWND window = StartImportWindow(opener);
    EXPECT_TRUE(window);
    PostMeanwhile(window);
    for (int i = 0; i < 2400 && ImportIsRunning(); ++i) PumpMessages(25);
    if (IsWindow(window)) PostMessageA(window, WM_CLOSE, 0, 0);
  };
  const char* badRows = "SELECT COUNT(*) FROM CUST WHERE CUST_ID >= 100 AND (NAME IS NULL OR NAME <> 'Name ' || CUST_ID)";
  const TModalStep steps[] = {
      {"the wizard", [] {}, form, CANCEL_BUTTON_ID, wizard, "Select Template", nullptr, nullptr, IDCANCEL, CUSTOMERS,
       "1:1,1", nullptr, nullptr},
      {"going back from the mapping page", [] {}, form, CANCEL_BUTTON_ID, wizard, "Select Template", toMappingAndBack,
       "Import Wizard: WARNING", IDYES, CUSTOMERS, "1:1,1", cancel, nullptr},
      {"the import run", importTemplate, form, CANCEL_BUTTON_ID, importRun, nullptr, nullptr, nullptr, 0, badRows,
       "0", nullptr, nullptr},
  };
  RunAll(steps);
}

INSTANTIATE_DATABASE_TESTS(ImportWindowLifeTest);


}  // namespace

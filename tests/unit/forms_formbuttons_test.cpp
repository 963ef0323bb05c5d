// The edit form's buttons that reach beyond the database, on real windows over SQLite and
// PostgreSQL: the execute button and the RUN buttons with the field-values file read back
// by a program of their own, command lists (RUN, SHELL, EVAL, FUNCTION, MENU, RAPTEL with a
// report window of the test's own), browsing through the file dialog, Help, and the
// print-out with its no-printer path and its page drawn on a metafile.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "data/core/fileaction.h"
#include "data/core/strings.h"
#include "data/core/userprofile.h"
#include "data/db/record.h"
#include "data/model/appfiles.h"
#include "data/model/model.h"
#include "forms/commandline.h"
#include "forms/controlids.h"
#include "forms/fieldvalues.h"
#include "forms/formshellcalls.h"
#include "forms/printscreen.h"
#include "forms/runcommands.h"
#include "forms/windowmanager.h"
#include "shell/appwindow.h"
#include "shell/formcalls.h"
#include "shell/menus.h"
#include "shell/startup.h"
#include "support/dialog_watcher.h"
#include "support/form_support.h"
#include "support/shop_forms.h"

namespace {

std::vector<std::string> opened;  // files the buttons opened, in order

INT_PTR RecordOpen(HWND, const char* path) {
  opened.push_back(std::string("open ") + path);
  return 33;
}

// The lines of a file once its writer has finished it ("DONE" last), or empty.
std::vector<std::string> WaitForLines(const std::string& path) {
  for (int k = 0; k < 400; ++k) {
    const std::string text = TScratchDir::Read(path);
    if (text.find("DONE") != std::string::npos) {
      std::vector<std::string> lines;
      size_t at = 0;
      for (size_t end; (end = text.find('\n', at)) != std::string::npos; at = end + 1) {
        std::string line = text.substr(at, end - at);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
      }
      return lines;
    }
    PumpMessages(25);
  }
  return {};
}

class FormButtonsTest : public FormWindowsTest {
protected:
  void SetUp() override {
    FormWindowsTest::SetUp();
    GetCurrentDirectoryA(sizeof previousDir_, previousDir_);
    SetCurrentDirectoryA(dir_.path().c_str());
    savedIni_ = ApplicationIniPath;
    savedStartup_ = StartupFolder;
    ApplicationIniPath = dir_.File("SHOP.INI");
    StartupFolder = dir_.path();
    GetProfileStringA("VORN", "InstallPath", "", savedInstallPath_, sizeof savedInstallPath_);
    WriteProfileStringA("VORN", "InstallPath", dir_.File("run").c_str());
    savedCalls_ = FormShellCalls;
    FormShellCalls = TFormShellCalls{};
    previousFileCall_ = OpenFileCall;
    OpenFileCall = RecordOpen;
    opened.clear();
  }
  void TearDown() override {
    OpenFileCall = previousFileCall_;
    FormShellCalls = savedCalls_;
    WriteProfileStringA("VORN", "InstallPath", *savedInstallPath_ ? savedInstallPath_ : nullptr);
    ApplicationIniPath = savedIni_;
    StartupFolder = savedStartup_;
    SetCurrentDirectoryA(previousDir_);
    FormWindowsTest::TearDown();
  }

  // A customer on the form, stored, with the given name.
  void StoredCustomer(const char* name) {
    Db().Exec(std::string("INSERT INTO CUST (CUST_ID, NAME, RUNIT) VALUES (1, '") + name + "', 'my file.txt')");
    Open("CUST");
    FindKey("CUST_ID", "1");
  }
  // The reader program's command line: it copies the field-values file to out.
  std::string ReaderCommand(const std::string& values, const std::string& out) {
    return "\"" + TestProgramPath("read_field_values") + "\" \"" + values + "\" \"" + out + "\"";
  }
  void WriteRunCommands(const std::string& commands) {
    dir_.Write("menu.ini", "[Run]\r\nCUST:0=" + commands + "\r\n");
  }
  // Presses RUN button 0 while a box of that title is answered; the box as it was found.
  TWatchedDialog RunAnswering(const char* title) {
    auto box = WatchAndPressAsync(GetCurrentProcessId(), title, IDOK, 10000);
    Press(RunButtonId(0));
    return box.get();
  }

  char previousDir_[MAX_PATH] = "";
  char savedInstallPath_[MAX_PATH] = "";
  std::string savedIni_, savedStartup_;
  TFormShellCalls savedCalls_;
  TFileCall previousFileCall_ = nullptr;
};

// ---- the field-values file ----------------------------------------------------------------

TEST(FieldValuesFile, EveryLineBreakInAValueStartsAContinuationLine) {
  const struct {
    const char* value;
    const char* line;
  } cases[] = {
      {"plain", "plain"},
      {"first\r\nsecond", "first\n*second"},
      {"forged\nENDREC", "forged\n*ENDREC"},
      {"lone\rreturn", "lone\n*return"},
      {"", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(FieldValueLine(c.value), c.line) << c.value;
}

TEST(ExecuteCommandLine, TheValueIsOneQuotedBoundedArgument) {
  const struct {
    const char* ini;
    const char* value;
    const char* line;
    UINT show;
  } cases[] = {
      {"viewer.exe %F", "my file.txt", "viewer.exe \"my file.txt\"", SW_SHOWNORMAL},
      {"3,viewer.exe %f -x", "a", "viewer.exe \"a\" -x", 3},
      {"viewer.exe \"%F\"", "my file", "viewer.exe \"my file\"", SW_SHOWNORMAL},
      {"viewer.exe %F", "x\" & del *.* & \"", "viewer.exe \"x & del *.* & \"", SW_SHOWNORMAL},
      {"viewer.exe %F %f", "%f", "viewer.exe \"%f\" \"%f\"", SW_SHOWNORMAL},
      {"a,b.exe %F", "v", "a,b.exe \"v\"", SW_SHOWNORMAL},
  };
  for (const auto& c : cases) {
    const TExecCommand command = ParseExecCommand(c.ini, c.value);
    EXPECT_EQ(command.line, c.line) << c.ini;
    EXPECT_EQ(command.show, c.show) << c.ini;
  }
  EXPECT_EQ(ParseExecCommand("v.exe %F", std::string(5000, 'z').c_str()).line.size(), 6 + COMMAND_VALUE_LIMIT + 2);
}

TEST(RunCommandList, CommandsAreSplitAtSemicolonsAndTrimmed) {
  EXPECT_EQ(SplitCommandList("RUN a;  SHELL b ;;EVAL 1"), (std::vector<std::string>{"RUN a", "SHELL b", "EVAL 1"}));
  EXPECT_TRUE(SplitCommandList("  ").empty());
}

// ---- execute button -------------------------------------------------------------------------

TEST_P(FormButtonsTest, TheExecuteButtonWritesTheFieldValuesAndRunsTheCommand) {
  UseShop();
  const std::string out = dir_.File("exec.txt");
  dir_.Write("SHOP.INI", "[Exec]\r\nviewer=" + ReaderCommand(dir_.File("~FLDVALS.TMP"), out) + " %F\r\n");
  StoredCustomer("Ann");
  Type("NOTE", "a note");
  Press(ExecuteButtonId(Index("RUNIT")));
  const std::vector<std::string> lines = WaitForLines(out);
  char window[32];
  snprintf(window, sizeof window, "HWINDOW %d", static_cast<int>(reinterpret_cast<INT_PTR>(window_)));
  EXPECT_EQ(lines, (std::vector<std::string>{"TABLE CUST", "CUST_ID=1", "NAME=Ann", "NOTE=a note", "DOC=", "RUNIT=my file.txt",
                                             "BARE=", "ENDREC", window, "ARG my file.txt", "DONE"}));
  EXPECT_EQ(std::string(GetStatusText()).rfind("Running: ", 0), 0u);
}

TEST_P(FormButtonsTest, AnExecuteButtonWithoutACommandSaysWhichIsMissing) {
  UseShop();
  dir_.Write("SHOP.INI", "[Exec]\r\nother=x.exe\r\n");
  StoredCustomer("Ann");
  struct TCase {
    const char* attribute;
    const char* text;
  } cases[] = {{"BARE", "No command specified in picture clause"}, {"RUNIT", "No command for this button in the INI file"}};
  for (const TCase& c : cases) {
    const std::string caption = form_->GetEntity()->Attributes[Index(c.attribute)].Caption;
    auto box = WatchAndPressAsync(GetCurrentProcessId(), caption.c_str(), IDOK, 10000);
    Press(ExecuteButtonId(Index(c.attribute)));
    const TWatchedDialog shown = box.get();
    ASSERT_TRUE(shown.found) << c.attribute;
    EXPECT_EQ(shown.text, c.text);
    EXPECT_EQ(shown.icon, TBoxIcon::Exclamation);
  }
}

// ---- RUN buttons --------------------------------------------------------------------------

TEST_P(FormButtonsTest, ARunButtonRunsItsCommandsInOrder) {
  UseShop({{"RUN:CUST:0", "Go"}});
  const std::string out = dir_.File("run.txt");
  WriteRunCommands("RUN " + ReaderCommand(dir_.File("run\\~FLDVALS.TMP"), out) + " first; SHELL b1.txt;shell b2.txt");
  StoredCustomer("Ann");
  Press(RunButtonId(0));
  const std::vector<std::string> lines = WaitForLines(out);
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines[0], "TABLE CUST");
  EXPECT_EQ(lines[lines.size() - 2], "ARG first");
  EXPECT_EQ(opened, (std::vector<std::string>{"open b1.txt", "open b2.txt"}));
}

TEST_P(FormButtonsTest, EvalReportsABadExpressionAndFunctionNeedsTheShell) {
  UseShop({{"RUN:CUST:0", "Go"}});
  StoredCustomer("Ann");
  WriteRunCommands("EVAL NAME + 'x'; SHELL after.txt");
  Press(RunButtonId(0));
  EXPECT_EQ(opened, (std::vector<std::string>{"open after.txt"}));

  WriteRunCommands("EVAL NAME +");
  const TWatchedDialog bad = RunAnswering("Could not evalute expression!");
  ASSERT_TRUE(bad.found);
  EXPECT_EQ(bad.icon, TBoxIcon::Hand);
  EXPECT_FALSE(bad.text.empty());

  WriteRunCommands("FUNCTION Totals");
  const TWatchedDialog missing = RunAnswering("Function");
  ASSERT_TRUE(missing.found);
  EXPECT_EQ(missing.text, "Custom functions are not available in this program.");
  static std::string called;
  FormShellCalls.RunFunction = [](HWND, const char* name) {
    called = name;
    return 0;
  };
  const TWatchedDialog failed = RunAnswering("Function");
  ASSERT_TRUE(failed.found);
  EXPECT_EQ(failed.text, "Could not execute custom function");
  EXPECT_EQ(called, "Totals");

  for (const char* list : {"", "FROB x"}) {
    WriteRunCommands(list);
    const TWatchedDialog box = RunAnswering("Cannot run command");
    ASSERT_TRUE(box.found) << list;
    EXPECT_EQ(box.text, *list ? "Cannot run command: FROB x" : "No command specified in .INI file");
  }
}

// In login mode a RUN button reads the commands of the user's own menu file when the user
// has one, else the shared "menu.ini".
TEST_P(FormButtonsTest, RunButtonsReadTheUsersOwnMenuFile) {
  UseShop({{"RUN:CUST:0", "Go"}});
  const std::string savedModelFolder = ModelFolder;
  ModelFolder = dir_.path();
  InstallFormButtonCalls();
  dir_.Write("menu.ini", "[Run]\r\nCUST:0=SHELL shared.txt\r\n");
  dir_.Write("clerk.ini", "[Run]\r\nCUST:0=SHELL own.txt\r\n");
  StoredCustomer("Ann");
  for (const char* menuFile : {"clerk.ini", ""}) {
    ReplaceString(&CurrentUser.INI_File, menuFile);
    opened.clear();
    Press(RunButtonId(0));
    EXPECT_EQ(opened, std::vector<std::string>{*menuFile ? "open own.txt" : "open shared.txt"}) << menuFile;
  }
  ModelFolder = savedModelFolder;
}

TEST_P(FormButtonsTest, AMenuChoiceReplacesTheRemainingCommands) {
  UseShop({{"RUN:CUST:0", "Go"}});
  StoredCustomer("Ann");
  MenuEntries = {TMenuEntry{"&File"}, TMenuEntry{"&Tools"}};
  MenuItems = {TMenuItem{"E&xit", "EXIT", 0, 100}, TMenuItem{"First", "SHELL one.txt", 1, 900},
               TMenuItem{"-", "", 1, -1}, TMenuItem{"Second", "SHELL two.txt; SHELL three.txt", 1, 901}};
  InstallFormButtonCalls();
  FormShellCalls.MenuFilePath = nullptr;  // the test's menu file in the start-up folder
  static std::vector<std::string> shown;
  shown.clear();
  TTrackPopupCall savedTrack = TrackPopupCall;
  TrackPopupCall = [](HMENU menu, const RECT&, HWND) {
    for (int k = 0; k < GetMenuItemCount(menu); ++k) {
      char text[64] = "";
      MENUITEMINFOA info = {};
      info.cbSize = sizeof info;
      info.fMask = MIIM_FTYPE | MIIM_ID;
      GetMenuItemInfoA(menu, k, TRUE, &info);
      GetMenuStringA(menu, k, text, sizeof text, MF_BYPOSITION);
      shown.push_back((info.fType & MFT_SEPARATOR) ? "-" : std::string(text) + "=" + std::to_string(info.wID));
    }
    return 4;  // "Second": its position in the item table plus 1
  };
  WriteRunCommands("MENU tools; SHELL never.txt");
  Press(RunButtonId(0));
  EXPECT_EQ(shown, (std::vector<std::string>{"First=2", "-", "Second=4"}));
  EXPECT_EQ(opened, (std::vector<std::string>{"open two.txt", "open three.txt"}));

  // No choice ends the run; an unknown menu says so.
  TrackPopupCall = [](HMENU, const RECT&, HWND) { return 0; };
  opened.clear();
  Press(RunButtonId(0));
  EXPECT_TRUE(opened.empty());
  WriteRunCommands("MENU Nope; SHELL never.txt");
  const TWatchedDialog unknown = RunAnswering("Open Menu");
  ASSERT_TRUE(unknown.found);
  EXPECT_EQ(unknown.text, "Cannot open the menu: Nope");
  EXPECT_TRUE(opened.empty());
  TrackPopupCall = savedTrack;
  FreeMenuTables();
}

// ---- RAPTEL against a report window of the test's own ----------------------------------------

struct TReportWindow {
  static int busyAnswers;  // RAPTEL_ISBUSY answers 1 this many times, then 0
  static std::vector<std::string> runs;
  static HWND form;
  HWND window = nullptr;

  TReportWindow() {
    WNDCLASSA wc = {};
    wc.lpfnWndProc = Procedure;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "VudoveDClass";
    RegisterClassA(&wc);
    window = CreateWindowA("VudoveDClass", "RAPTEL", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr, wc.hInstance, nullptr);
  }
  ~TReportWindow() { DestroyWindow(window); }

  static std::string Text(HGLOBAL block) {
    std::string text = static_cast<const char*>(GlobalLock(block));
    GlobalUnlock(block);
    return text;
  }
  static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == RegisterWindowMessageA("RAPTEL_ISBUSY")) {
      if (busyAnswers > 0) {
        --busyAnswers;
        return 1;
      }
      return 0;
    }
    if (message == RegisterWindowMessageA("RAPTEL_RUN")) {
      const auto* request = reinterpret_cast<const TRaptelRequest*>(lParam);
      runs.push_back(Text(request->command) + "|" + Text(request->folder));
      form = reinterpret_cast<HWND>(wParam);
      PostMessageA(form, RegisterWindowMessageA("RAPTEL_ACK"), 0, 0);
      return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
  }
};
int TReportWindow::busyAnswers = 0;
std::vector<std::string> TReportWindow::runs;
HWND TReportWindow::form = nullptr;

TEST_P(FormButtonsTest, RaptelHandsTheReportToTheRunningReportWindowAndTheAckRereadsTheRecord) {
  UseShop({{"RUN:CUST:0", "Go"}});
  StoredCustomer("Ann");
  std::string library = TestProgramPath("VUDOVED");
  library.replace(library.size() - 4, 4, ".dll");
  HMODULE module = LoadLibraryA(library.c_str());
  ASSERT_NE(module, nullptr);
  WriteRunCommands("RAPTEL sales.tpl");
  {
    // Loaded, but no window: said so.
    const TWatchedDialog none = RunAnswering("Run");
    ASSERT_TRUE(none.found);
    EXPECT_EQ(none.text, "Unable to locate RAPTEL main window");
  }
  TReportWindow report;
  TReportWindow::runs.clear();
  TReportWindow::busyAnswers = 1;
  const TWatchedDialog busy = RunAnswering("Run cancelled");
  ASSERT_TRUE(busy.found);
  EXPECT_EQ(busy.text, "RAPTEL is busy running another program");
  EXPECT_TRUE(TReportWindow::runs.empty());

  Db().Exec("UPDATE CUST SET NAME = 'Changed by the report' WHERE CUST_ID = 1");
  Press(RunButtonId(0));
  ASSERT_EQ(TReportWindow::runs.size(), 1u);
  EXPECT_NE(TReportWindow::runs[0].find(" /D "), std::string::npos);
  EXPECT_NE(TReportWindow::runs[0].find("sales.tpl|"), std::string::npos);
  EXPECT_EQ(TReportWindow::form, window_);
  PumpMessages(50);  // the acknowledgement
  EXPECT_EQ(Shown("NAME"), "Changed by the report");
  FreeLibrary(module);
}

TEST_P(FormButtonsTest, FurtherCommandsWaitWhileTheStartedReportProgramIsBusy) {
  UseShop({{"RUN:CUST:0", "Go"}});
  StoredCustomer("Ann");
  WriteRunCommands("RAPTEL sales.tpl; SHELL after.txt");
  const TWatchedDialog missing = RunAnswering("Cannot run command");
  ASSERT_TRUE(missing.found);
  EXPECT_EQ(missing.text, "The report program is not available in this program.");

  static std::string started;
  static int busyWhenAfterRan;
  FormShellCalls.StartReportProgram = [](HWND, const char* report) -> UINT {
    started = report;
    return 33;
  };
  TReportWindow report;
  TReportWindow::busyAnswers = 3;
  opened.clear();
  Press(RunButtonId(0));
  busyWhenAfterRan = TReportWindow::busyAnswers;
  EXPECT_EQ(started, "sales.tpl");
  EXPECT_EQ(busyWhenAfterRan, 0) << "SHELL ran only once the report program was idle";
  EXPECT_EQ(opened, (std::vector<std::string>{"open after.txt"}));
}

TEST_P(FormButtonsTest, ClosingTheFormWhileARunWaitsEndsTheRunSafely) {
  UseShop({{"RUN:CUST:0", "Go"}});
  StoredCustomer("Ann");
  WriteRunCommands("RAPTEL sales.tpl; SHELL after.txt");
  FormShellCalls.StartReportProgram = [](HWND, const char*) -> UINT { return 33; };
  TReportWindow report;
  TReportWindow::busyAnswers = 1000000;
  opened.clear();
  PostMessageA(window_, WM_CLOSE, 0, 0);
  Press(RunButtonId(0));
  PumpMessages(50);
  EXPECT_FALSE(IsWindow(window_));
  EXPECT_TRUE(opened.empty());
  EXPECT_EQ(AppWindowManager.GetCount(), 0);
}

// ---- browse, help, print ------------------------------------------------------------------

TEST_P(FormButtonsTest, BrowseTakesTheChosenFileInLowerCase) {
  UseShop();
  const std::string chosen = dir_.Write("Report File.TXT", "x");
  Open("CUST");
  auto dialog = WhenShown("Select a file", [&](HWND box) {
    SetDlgItemTextA(box, 0x47c, chosen.c_str());  // the file name box
    SetDlgItemTextA(box, 0x480, chosen.c_str());
    PressDialogButton(box, IDOK);
  });
  Press(BrowseButtonId(Index("DOC")));
  ASSERT_TRUE(dialog.get());
  std::string lower = chosen;
  CharLowerA(&lower[0]);
  EXPECT_EQ(Shown("DOC"), lower);

  // Cancelling leaves the field.
  auto cancel = WhenShown("Select a file", [&](HWND box) { PressDialogButton(box, IDCANCEL); });
  Press(BrowseButtonId(Index("DOC")));
  ASSERT_TRUE(cancel.get());
  EXPECT_EQ(Shown("DOC"), lower);
}

TEST_P(FormButtonsTest, HelpOpensTheEntitysPageElseTheHelpFileAtTheFormsContext) {
  UseShop({{"help:cust", "cust.htm"}});
  static std::vector<std::string> helped;
  helped.clear();
  THelpCall savedHelp = HelpCall;
  HelpCall = [](HWND, const char* file, UINT command, ULONG_PTR data) -> BOOL {
    helped.push_back(std::to_string(command) + " " + std::to_string(data));
    return TRUE;
  };
  Open("CUST");
  Press(HELP_BUTTON_ID);
  EXPECT_EQ(opened, (std::vector<std::string>{"open " + dir_.File("cust.htm")}));
  Open("ORD");
  SendMessageA(window_, WM_ACTIVATE, WA_ACTIVE, 0);
  Press(HELP_BUTTON_ID);
  HelpCall = savedHelp;
  EXPECT_EQ(helped, (std::vector<std::string>{std::to_string(HELP_CONTEXT) + " " + std::to_string(199 + 1)}));
}

TEST_P(FormButtonsTest, PrintWithoutAPrinterSaysSo) {
  UseShop();
  StoredCustomer("Ann");
  TPrintSetupCall saved = PrintSetupCall;
  static bool asked, printerExists;
  static int context;
  asked = printerExists = false;
  // The print dialog of a machine without printers: it fails with "no default printer".
  PrintSetupCall = [](PRINTDLGA* setup) -> BOOL {
    asked = (setup->Flags & PD_RETURNDC) != 0;
    context = CurrentHelpContext;
    PRINTDLGA probe = {};
    probe.lStructSize = sizeof probe;
    probe.Flags = PD_RETURNDEFAULT;
    if (PrintDlgA(&probe)) {
      printerExists = true;
      if (probe.hDevMode) GlobalFree(probe.hDevMode);
      if (probe.hDevNames) GlobalFree(probe.hDevNames);
      return FALSE;  // a printer exists after all: the user cancels
    }
    return FALSE;
  };
  auto box = WatchAndPressAsync(GetCurrentProcessId(), "Customer", IDOK, 5000);
  Press(PRINT_BUTTON_ID);
  const TWatchedDialog shown = box.get();
  PrintSetupCall = saved;
  EXPECT_TRUE(asked);
  EXPECT_EQ(context, PRINT_HELP_CONTEXT);
  if (!printerExists) {
    ASSERT_TRUE(shown.found);
    EXPECT_EQ(shown.text, NO_PRINTER_TEXT);
  }
  EXPECT_EQ(Status(), "");
}

// The texts drawn into an enhanced metafile, with their reference points.
struct TDrawnText {
  std::string text;
  int x, y;
  RECT bounds;
};

int CALLBACK CollectTexts(HDC, HANDLETABLE*, const ENHMETARECORD* record, int, LPARAM data) {
  auto* out = reinterpret_cast<std::pair<std::vector<TDrawnText>, int>*>(data);
  if (record->iType == EMR_EXTTEXTOUTW || record->iType == EMR_EXTTEXTOUTA) {
    const auto* text = reinterpret_cast<const EMREXTTEXTOUTW*>(record);
    const BYTE* base = reinterpret_cast<const BYTE*>(record);
    std::string s;
    for (DWORD k = 0; k < text->emrtext.nChars; ++k) {
      if (record->iType == EMR_EXTTEXTOUTW)
        s += static_cast<char>(reinterpret_cast<const WCHAR*>(base + text->emrtext.offString)[k]);
      else
        s += reinterpret_cast<const char*>(base + text->emrtext.offString)[k];
    }
    TDrawnText drawn;
    drawn.text = s;
    drawn.x = text->emrtext.ptlReference.x;
    drawn.y = text->emrtext.ptlReference.y;
    drawn.bounds = RECT{text->rclBounds.left, text->rclBounds.top, text->rclBounds.right, text->rclBounds.bottom};
    out->first.push_back(drawn);
  } else if (record->iType == EMR_LINETO) {
    ++out->second;
  }
  return 1;
}

TEST_P(FormButtonsTest, ThePageShowsTheTitleAndEveryShownFieldWithARuleUnderEach) {
  UseShop();
  std::string note;
  for (int k = 0; k < 12; ++k) note += "word" + std::to_string(k) + " of a long note ";
  Db().Exec("INSERT INTO CUST (CUST_ID, NAME, NOTE) VALUES (1, 'Ann', '" + note + "')");
  TDBRecord* record = NewDBRecord("CUST");
  record->SetNewValue("CUST_ID", "1");
  record->Read();
  ASSERT_TRUE(record->IsOk());
  const TScreenDump dump = ScreenDumpOf(record);
  delete record;
  EXPECT_EQ(dump.title, "Customer Screen Dump");
  ASSERT_EQ(dump.fields.size(), 6u);
  EXPECT_EQ(dump.fields[1], (std::pair<std::string, std::string>{"Name", "Ann"}));

  HDC reference = GetDC(nullptr);
  const RECT page = {0, 0, 2000, 2800};
  HDC meta = CreateEnhMetaFileA(reference, nullptr, nullptr, nullptr);
  SetMapMode(meta, MM_TEXT);
  DrawScreenDump(meta, page, dump);
  HENHMETAFILE file = CloseEnhMetaFile(meta);
  ReleaseDC(nullptr, reference);
  std::pair<std::vector<TDrawnText>, int> drawn;
  EnumEnhMetaFile(nullptr, file, CollectTexts, &drawn, nullptr);
  DeleteEnhMetaFile(file);

  const std::vector<TDrawnText>& texts = drawn.first;
  ASSERT_FALSE(texts.empty());
  EXPECT_EQ(texts[0].text, "Customer Screen Dump");
  EXPECT_NEAR((texts[0].bounds.left + texts[0].bounds.right) / 2, 1000, 40) << "centred";
  EXPECT_EQ(drawn.second, 1 + 6) << "a rule under the title and under each field";
  // Captions end at one right edge, left of the values, which start at one left edge.
  int captionRight = -1, valueLeft = -1, noteLines = 0;
  for (const TDrawnText& t : texts) {
    if (t.text == "Name" || t.text == "Customer no." || t.text == "Note") {
      if (captionRight < 0) captionRight = t.bounds.right;
      EXPECT_NEAR(t.bounds.right, captionRight, 3) << t.text;
    }
    if (t.text == "Ann") valueLeft = t.bounds.left;
    if (t.text.find("of a long note") != std::string::npos) ++noteLines;
  }
  EXPECT_LT(captionRight, valueLeft);
  EXPECT_GE(noteLines, 2) << "the long value is wrapped";
}

INSTANTIATE_DATABASE_TESTS(FormButtonsTest);

}  // namespace

// The shell's dialogs on real windows: the parameters dialog of VIEW, the errors window
// and the About box.
#include <gtest/gtest.h>

#include <windows.h>

#include <future>
#include <string>
#include <vector>

#include "data/core/datetime.h"
#include "data/core/strings.h"
#include "data/model/model.h"
#include "data/model/settings.h"
#include "expr/errors.h"
#include "forms/colortable.h"
#include "forms/windowmanager.h"
#include "shell/aboutdlg.h"
#include "shell/appwindow.h"
#include "shell/errorsdlg.h"
#include "shell/paramsdlg.h"
#include "support/dialog_watcher.h"
#include "support/form_support.h"

namespace {

// What the parameters dialog showed: per row its prompt and edit text, its edit ids, its height.
struct TShownParameters {
  bool found = false;
  std::vector<std::string> prompts;
  std::vector<std::string> edits;
  std::vector<int> editIds;
  int height = 0;
  bool focusOnFirst = false;
};

// Runs the dialog on the list; the watcher reads it, types the texts into edits 100, 101, ...
// and presses the button.
INT_PTR RunParametersDialog(TViewParameterList* list, std::vector<std::string> typed, int button,
                            TShownParameters* shown) {
  auto watcher = std::async(std::launch::async, [&] {
    TWatchedDialog box = FindDialog(GetCurrentProcessId(), "Enter Parameters", 10000);
    if (!box.found) return;
    shown->found = true;
    Sleep(100);
    for (HWND child = GetWindow(box.window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
      const std::string cls = ControlClass(child);
      if (_stricmp(cls.c_str(), "Static") == 0) shown->prompts.push_back(ControlText(child));
      if (_stricmp(cls.c_str(), "Edit") == 0) {
        shown->edits.push_back(ControlText(child));
        shown->editIds.push_back(GetDlgCtrlID(child));
      }
    }
    RECT frame;
    GetWindowRect(box.window, &frame);
    shown->height = frame.bottom - frame.top;
    shown->focusOnFirst = GetDlgCtrlID(GetFocus()) == FIRST_PARAMETER_EDIT_ID ||
                          GetDlgItem(box.window, FIRST_PARAMETER_EDIT_ID) != nullptr;
    for (size_t i = 0; i < typed.size(); ++i)
      SetDlgItemTextA(box.window, FIRST_PARAMETER_EDIT_ID + static_cast<int>(i), typed[i].c_str());
    PressDialogButton(box.window, button);
  });
  auto* dialog = new TGetParametersDlg;
  const INT_PTR result = AppWindowManager.RunModal(dialog, "GetParameters", MainWindow, 0,
                                                   reinterpret_cast<LPARAM>(list));
  delete dialog;
  watcher.get();
  return result;
}

class ParametersDialog : public ::testing::Test {
protected:
  void SetUp() override { StartFormSession(); }
};

TEST_F(ParametersDialog, OneRowPerParameterKindTwoTakesARowWithoutControls) {
  TViewParameterList list;
  list.Append({"FROM", "Start~curdate()", 1});
  list.Append({"HIDDEN", "kept as it is", 2});
  list.Append({"WHO", "Customer name", 0});
  list.Append({"CITY", "City~Ljubljana", 0});
  TShownParameters shown;
  EXPECT_EQ(RunParametersDialog(&list, {"5/6/07", "", "O'Brien", ""}, IDOK, &shown), 1);
  ASSERT_TRUE(shown.found);
  char today[16];
  EXPECT_EQ(shown.prompts, (std::vector<std::string>{"Start", "Customer name", "City"}));
  EXPECT_EQ(shown.edits,
            (std::vector<std::string>{FormatTodayByPreference(today, "dd-mm-yyyy"), "", "Ljubljana"}));
  EXPECT_EQ(shown.editIds, (std::vector<int>{100, 102, 103}));
  EXPECT_EQ(shown.height, 8 + 4 * 32 + 32);
  EXPECT_EQ(list[0].ValueText, "1907-06-05");
  EXPECT_EQ(list[1].ValueText, "kept as it is");
  EXPECT_EQ(list[2].ValueText, "O'Brien");
  EXPECT_EQ(list[3].ValueText, "");
}

TEST_F(ParametersDialog, HeightHasAFloorAndCancelKeepsTheTexts) {
  TViewParameterList list;
  list.Append({"A", "Amount~10", 0});
  TShownParameters shown;
  EXPECT_EQ(RunParametersDialog(&list, {"20"}, IDCANCEL, &shown), 0);
  EXPECT_EQ(shown.height, 96);
  EXPECT_EQ(list[0].ValueText, "Amount~10");

  EXPECT_EQ(RunParametersDialog(&list, {std::string(300, 'x')}, IDOK, &shown), 1);
  EXPECT_EQ(list[0].ValueText, std::string(PARAMETER_VALUE_LIMIT, 'x'));
}

TEST(ParameterTexts, PromptAndDefaultKeepTheirCase) {
  EXPECT_EQ(ParameterPrompt("From date~CurDate()"), "From date");
  EXPECT_EQ(ParameterPrompt("Start"), "Start");
  EXPECT_EQ(ParameterDefault("Start"), "");
  EXPECT_EQ(ParameterDefault("Town~Novo mesto"), "Novo mesto");
  char today[16];
  EXPECT_EQ(ParameterDefault("x~CURDATE()"), FormatTodayByPreference(today, "dd-mm-yyyy"));
}

class ErrorsWindow : public ::testing::Test {
protected:
  void SetUp() override {
    StartFormSession();
    for (TErrorState* state : {&SqlErrorState, &ExpressionErrorState, &RecordErrorState,
                               &RecordListErrorState})
      state->Clear();
  }
  void TearDown() override {
    for (HWND w = AppWindowManager.FirstWindow(); w; w = AppWindowManager.FirstWindow()) DestroyWindow(w);
    PumpMessages(20);
    RecordErrorState.Clear();
    ExpressionErrorState.Clear();
  }
  static std::vector<std::string> Messages(HWND window) {
    std::vector<std::string> texts;
    for (int id : {ERRORS_SQL_TEXT, ERRORS_EXPRESSION_TEXT, ERRORS_RECORD_TEXT, ERRORS_RECORD_LIST_TEXT})
      texts.push_back(ControlText(GetDlgItem(window, id)));
    return texts;
  }
};

TEST_F(ErrorsWindow, ShowsTheChannelsAtOpeningAndAgainOnRecalc) {
  HWND window = OpenErrorsWindow(MainWindow);
  ASSERT_TRUE(window);
  PumpMessages(100);
  char title[64] = "";
  GetWindowTextA(window, title, sizeof title);
  EXPECT_STREQ(title, "Error Summary");
  EXPECT_EQ(Messages(window), std::vector<std::string>(4, "No error"));
  EXPECT_EQ(ControlText(GetDlgItem(window, ERRORS_SQL_HEADING)), "ZOZUZA Error:");
  EXPECT_EQ(ControlText(GetDlgItem(window, ERRORS_RECORD_LIST_HEADING)), "Record List Error:");

  RecordErrorState.SetErrorText(101, "Record could not be stored");
  ExpressionErrorState.SetErrorText(205, "Unknown function FOO");
  PumpMessages(50);
  EXPECT_EQ(Messages(window), std::vector<std::string>(4, "No error"));
  SendMessageA(window, WM_COMMAND, ERRORS_RECALC, 0);
  EXPECT_EQ(Messages(window), (std::vector<std::string>{"No error", "Unknown function FOO",
                                                        "Record could not be stored", "No error"}));
  SendMessageA(window, WM_ACTIVATE, WA_ACTIVE, 0);
  EXPECT_EQ(CurrentHelpContext, ERRORS_HELP_CONTEXT);
}

TEST_F(ErrorsWindow, EachCommandOpensAWindowAndCloseDestroysIt) {
  const int before = AppWindowManager.GetCount();
  HWND first = OpenErrorsWindow(MainWindow);
  HWND second = OpenErrorsWindow(MainWindow);
  ASSERT_TRUE(first && second);
  EXPECT_NE(first, second);
  EXPECT_EQ(AppWindowManager.GetCount(), before + 2);
  SendMessageA(first, WM_COMMAND, ERRORS_CLOSE, 0);
  EXPECT_FALSE(IsWindow(first));
  SendMessageA(second, WM_COMMAND, IDCANCEL, 0);
  EXPECT_FALSE(IsWindow(second));
  EXPECT_EQ(AppWindowManager.GetCount(), before);
}

TEST(AboutBox, UsageLinesInWholePercent) {
  struct Case {
    int dialogs, brushes;
    const char* text;
  };
  const Case cases[] = {
      {5, 64, "5 Dialog Handles out of 100 used (5%)\n64 Brush Handles out if 128 used (50%)"},
      {0, 0, "0 Dialog Handles out of 100 used (0%)\n0 Brush Handles out if 128 used (0%)"},
      {100, 127, "100 Dialog Handles out of 100 used (100%)\n127 Brush Handles out if 128 used (99%)"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(ResourceUsageText(c.dialogs, 100, c.brushes, 128), c.text);
}

TEST(AboutBox, ShowsTitleStringAndWhatIsInUse) {
  StartFormSession();
  const char* savedName = AboutDlgName;
  AboutDlgName = "AboutDlgS";
  ReplaceString(&TheModel.Title, "Order Desk");
  ClearColorTable();
  for (const char* colour : {"FF0000", "00FF00", "0000FF"}) RegisterColor(colour);
  HWND errors = OpenErrorsWindow(MainWindow);
  const int dialogs = AppWindowManager.GetCount();
  auto watcher = std::async(std::launch::async, [] {
    TWatchedDialog box = FindDialog(GetCurrentProcessId(), "About", 10000);
    std::vector<std::string> texts;
    if (!box.found) return texts;
    for (int id : {ABOUT_TITLE, ABOUT_STRING, ABOUT_USAGE})
      texts.push_back(ControlText(GetDlgItem(box.window, id)));
    PressDialogButton(box.window, IDOK);
    return texts;
  });
  ShowAboutBox(MainWindow);
  const std::vector<std::string> texts = watcher.get();
  DestroyWindow(errors);
  ClearColorTable();
  ASSERT_EQ(texts.size(), 3u);
  EXPECT_EQ(texts[0], "Order Desk");
  char line[129] = "";
  LoadStringA(GetModuleHandleA(nullptr), ABOUT_STRING_ID, line, sizeof line);
  EXPECT_NE(line[0], '\0');
  EXPECT_EQ(texts[1], line);
  EXPECT_EQ(texts[2], ResourceUsageText(dialogs, 100, 3, 128));
  TheModel.Clear();
  AboutDlgName = savedName;
}

}  // namespace

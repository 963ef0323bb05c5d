// The preferences dialog and its change colours dialog on both databases: the controls
// follow the preferences and give them back on OK, Cancel changes nothing (colours neither),
// Save asks, writes the user's rows or reports a missing table, the colours dialog leaves
// the values it has no controls for, its sample follows the selection, hover help, the
// repaint after OK, and pictures of the three user dialogs; and no window goes under the
// dialog or its question when Exit, a close or a logout comes meanwhile.
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include <functional>
#include <future>
#include <string>
#include <type_traits>
#include <vector>

#include "data/core/strings.h"
#include "data/core/userprofile.h"
#include "data/model/settings.h"
#include "forms/preferences.h"
#include "forms/windowmanager.h"
#include "shell/appwindow.h"
#include "shell/login.h"
#include "shell/mainwnd.h"
#include "shell/prefsdlg.h"
#include "shell/userids.h"
#include "support/dialog_watcher.h"
#include "support/form_support.h"
#include "support/login_helper.h"
#include "support/record_test_db.h"
#include "support/window_picture.h"
#include "support/window_life.h"
#include "shell/menus.h"

namespace {

// Sends a click of a button (or a radio, a check box) of a dialog of this process.
void Click(HWND dialog, int id) {
  SendMessageA(GetDlgItem(dialog, id), BM_CLICK, 0, 0);
}

using TFindWarningValue = decltype(TPreferences::WarnOnFind);
TFindWarningValue FindWarning(long value) { return TFindWarningValue(value); }

bool Checked(HWND dialog, int id) { return IsDlgButtonChecked(dialog, id) == BST_CHECKED; }

// The colour the colours dialog paints its sample with: its answer to the static-colour
// message of the sample (the brush it returns), asked on a memory device context.
COLORREF SampleColour(HWND colours) {
  HDC dc = CreateCompatibleDC(nullptr);
  const auto brush = reinterpret_cast<HBRUSH>(SendMessageA(
      colours, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
      reinterpret_cast<LPARAM>(GetDlgItem(colours, COLOURS_SAMPLE))));
  LOGBRUSH info{};
  const bool read = brush && GetObjectA(brush, sizeof info, &info) == sizeof info;
  const COLORREF background = GetBkColor(dc);
  DeleteDC(dc);
  EXPECT_EQ(read ? info.lbColor : CLR_INVALID, background);
  return read ? info.lbColor : CLR_INVALID;
}

COLORREF chosenColour = 0;
BOOL chooserAnswer = TRUE;
std::vector<COLORREF> chooserStarts;
BOOL WINAPI RecordChooser(CHOOSECOLORA* choice) {
  chooserStarts.push_back(choice->rgbResult);
  EXPECT_EQ(choice->Flags, DWORD(CC_RGBINIT | CC_PREVENTFULLOPEN | CC_SHOWHELP));
  EXPECT_TRUE(IsWindow(choice->hwndOwner));
  if (chooserAnswer) choice->rgbResult = chosenColour;
  return chooserAnswer;
}

void SavePicture(HWND window, const char* name) {
  if (const char* folder = getenv("VORN_SCREENSHOTS"))
    SaveWindowPicture(window, std::string(folder) + "\\" + name + ".bmp");
}

class PreferencesDialogTest : public RecordDatabaseTest {
protected:
  void SetUp() override {
    RecordDatabaseTest::SetUp();
    RegisterMainWindowClassesOnce();
    UseModel({{"User_Preferences", {{"USER_ID", "VARCHAR(30)"}, {"Pref_Name", "VARCHAR(40)"},
                                    {"Pref_Setting", "VARCHAR(40)"}}, {}}},
             {});
    Db().Exec("CREATE TABLE User_Preferences (USER_ID VARCHAR(30), Pref_Name VARCHAR(40), "
              "Pref_Setting VARCHAR(40))");
    ReplaceString(&CurrentUser.UserId, "ANN");
    Preferences = TPreferences{};
    savedChooser_ = ChooseColorCall;
    ChooseColorCall = RecordChooser;
    chooserStarts.clear();
    chooserAnswer = TRUE;
    MainWindow = CreateMainWindow(GetModuleHandleA(nullptr));
    ASSERT_TRUE(MainWindow);
    StatusBarWindow = CreateStatusBar(MainWindow, STATUS_BAR_ID);
    ShowWindow(StatusBarWindow, SW_SHOW);
    ShowWindow(MainWindow, SW_SHOW);
  }
  void TearDown() override {
    if (IsWindow(MainWindow)) DestroyWindow(MainWindow);
    DispatchWaitingMessages();
    MainWindow = StatusBarWindow = nullptr;
    ChooseColorCall = savedChooser_;
    ReplaceString(&CurrentUser.UserId, "");
    Preferences = TPreferences{};
    CreateBackgroundBrush();
    FieldHelp = 0;
    PreferencesDlgName = "PreferencesDlg";
    ChangeColorsDlgName = "ChangeColorsDlg";
    RecordDatabaseTest::TearDown();
  }
  // Runs the PREFERENCES command on this thread while the script drives the dialog.
  int Run(std::function<void(HWND)> script) {
    auto driver = std::async(std::launch::async, [script] {
      TWatchedDialog dialog = FindDialog(GetCurrentProcessId(), "Preferences", 20000);
      EXPECT_TRUE(dialog.found);
      if (dialog.found) script(dialog.window);
    });
    const int result = RunPreferencesDialog(MainWindow);
    driver.get();
    return result;
  }
  // From the preferences dialog: opens the colours dialog, runs the script on it, and
  // waits until it has gone.
  static void InColours(HWND preferences, std::function<void(HWND)> script) {
    PostMessageA(preferences, WM_COMMAND, MAKEWPARAM(PREFS_COLOURS, BN_CLICKED), 0);
    TWatchedDialog colours = FindDialog(GetCurrentProcessId(), "Change Colors", 20000);
    ASSERT_TRUE(colours.found);
    script(colours.window);
    for (int i = 0; i < 200 && IsWindow(colours.window); ++i) Sleep(20);
  }
  static void Select(HWND colours, int item) {
    SendDlgItemMessageA(colours, COLOURS_LIST, LB_SETCURSEL, item, 0);
    SendMessageA(colours, WM_COMMAND, MAKEWPARAM(COLOURS_LIST, LBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(GetDlgItem(colours, COLOURS_LIST)));
  }
  std::string Setting(const std::string& name) {
    return Db().Query("SELECT Pref_Setting FROM User_Preferences WHERE USER_ID='ANN' AND Pref_Name='" + name + "'");
  }
  TChooseColorCall savedChooser_;
};

TEST_P(PreferencesDialogTest, TheControlsShowThePreferencesAndOkTakesThemBack) {
  Preferences.AutoClose = TAutoClose::WhenOpenedFromList;
  Preferences.WarnOnFind = FindWarning(1);
  Preferences.IfKeysAreChanged = TKeyChangeRule::AskUpdateByDefault;
  Preferences.AutoFind = true;
  Preferences.SkipListBoxIfSingleView = true;
  Preferences.AllowCascadedDeletes = true;
  std::vector<bool> shown;
  const int result = Run([&shown](HWND dialog) {
    for (int id : {161, 162, 163, 165, 166, 169, 170, 171, 172, 173, 174, 178, 180, 181, 183, 184})
      shown.push_back(Checked(dialog, id));
    Click(dialog, 163);
    Click(dialog, 165);
    Click(dialog, 169);
    Click(dialog, PREFS_AUTO_FIND);
    Click(dialog, PREFS_PROMPT_DELETE);
    Click(dialog, IDOK);
  });
  EXPECT_EQ(result, PREFERENCES_APPLIED);
  EXPECT_EQ(shown, (std::vector<bool>{false, true, false, false, true, false, false, false, true, true, false,
                                      false, false, false, false, true}));
  EXPECT_EQ(Preferences.AutoClose, TAutoClose::Always);
  EXPECT_EQ(long(Preferences.WarnOnFind), 0);
  EXPECT_EQ(Preferences.IfKeysAreChanged, TKeyChangeRule::AlwaysInsert);
  EXPECT_FALSE(Preferences.AutoFind);
  EXPECT_TRUE(Preferences.PromptBeforeDelete);
  EXPECT_TRUE(Preferences.SkipListBoxIfSingleView);
  EXPECT_TRUE(Preferences.AllowCascadedDeletes);  // no control of its own
  EXPECT_EQ(Db().Query("SELECT COUNT(*) FROM User_Preferences"), "0");
}

// A Find warning without a radio of its own (2: also when no filled field is indexed)
// shows none checked, and OK keeps it.
TEST_P(PreferencesDialogTest, AFindWarningWithoutARadioShowsNoneAndIsKept) {
  if (std::is_same<TFindWarningValue, bool>::value) GTEST_SKIP() << "the warning has two values only";
  Preferences.WarnOnFind = FindWarning(2);
  bool none = false;
  EXPECT_EQ(Run([&none](HWND dialog) {
              none = !Checked(dialog, 165) && !Checked(dialog, 166);
              Click(dialog, IDOK);
            }),
            PREFERENCES_APPLIED);
  EXPECT_TRUE(none);
  EXPECT_EQ(long(Preferences.WarnOnFind), 2);
}

TEST_P(PreferencesDialogTest, CancelAfterChangingColoursChangesNothing) {
  chosenColour = RGB(10, 200, 30);
  const TPreferences before = Preferences;
  const int result = Run([](HWND dialog) {
    Click(dialog, 163);
    InColours(dialog, [](HWND colours) {
      Select(colours, 1);
      Click(colours, COLOURS_CHOOSE);
      Click(colours, IDOK);
    });
    Click(dialog, IDCANCEL);
  });
  EXPECT_EQ(result, PREFERENCES_CANCELLED);
  EXPECT_EQ(chooserStarts, std::vector<COLORREF>{before.ErrorMessagesColor});
  EXPECT_EQ(Preferences.AutoClose, before.AutoClose);
  EXPECT_EQ(Preferences.ErrorMessagesColor, before.ErrorMessagesColor);
  EXPECT_EQ(Preferences.SpecialFieldsColor, before.SpecialFieldsColor);
}

// The colours dialog has no controls for the background and mandatory-colouring choices:
// its OK leaves them as they were and takes only the three colours.
TEST_P(PreferencesDialogTest, ColoursOkTakesTheThreeColoursAndLeavesTheOtherChoices) {
  Preferences.WindowBackground = 1;
  Preferences.MandatoryFieldsColoring = 3;
  chosenColour = RGB(10, 200, 30);
  std::vector<COLORREF> samples;
  const int result = Run([&samples](HWND dialog) {
    InColours(dialog, [&samples](HWND colours) {
      SavePicture(colours, "change_colors");
      samples.push_back(SampleColour(colours));
      Select(colours, 2);
      samples.push_back(SampleColour(colours));
      Click(colours, COLOURS_CHOOSE);
      samples.push_back(SampleColour(colours));
      // A cancelled chooser keeps the colour.
      chooserAnswer = FALSE;
      Select(colours, 0);
      Click(colours, COLOURS_CHOOSE);
      samples.push_back(SampleColour(colours));
      Click(colours, IDOK);
    });
    Click(dialog, IDOK);
  });
  EXPECT_EQ(result, PREFERENCES_APPLIED);
  EXPECT_EQ(samples, (std::vector<COLORREF>{0xFF0000, 0xFF00FF, RGB(10, 200, 30), 0xFF0000}));
  EXPECT_EQ(Preferences.InfoMessagesColor, RGB(10, 200, 30));
  EXPECT_EQ(Preferences.SpecialFieldsColor, 0xFF0000u);
  EXPECT_EQ(Preferences.ErrorMessagesColor, 0x0000FFu);
  EXPECT_EQ(Preferences.WindowBackground, 1);
  EXPECT_EQ(Preferences.MandatoryFieldsColoring, 3);
  // The dialog background follows the preference after OK.
  EXPECT_EQ(BackgroundColor, RGB(255, 255, 255));
}

TEST_P(PreferencesDialogTest, SaveAsksThenWritesTheUsersRows) {
  bool openAfterNo = false;
  auto no = WatchAndPressAsync(GetCurrentProcessId(), "Save Preferences", IDNO, 20000);
  const int result = Run([&](HWND dialog) {
    Click(dialog, PREFS_AUTO_RECALC);
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(PREFS_SAVE, BN_CLICKED), 0);
    TWatchedDialog asked = no.get();
    EXPECT_EQ(asked.text, "Are you sure you wish to save these Preferences settings permanently?");
    EXPECT_EQ(asked.icon, TBoxIcon::Question);
    Sleep(300);
    openAfterNo = IsWindow(dialog) && !Preferences.AutoRecalc;
    auto yes = WatchAndPressAsync(GetCurrentProcessId(), "Save Preferences", IDYES, 20000);
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(PREFS_SAVE, BN_CLICKED), 0);
    EXPECT_TRUE(yes.get().found);
  });
  EXPECT_TRUE(openAfterNo);
  EXPECT_EQ(result, PREFERENCES_SAVED);
  EXPECT_TRUE(Preferences.AutoRecalc);
  EXPECT_EQ(Db().Query("SELECT COUNT(*) FROM User_Preferences WHERE USER_ID='ANN'"), "16");
  EXPECT_EQ(Setting("Auto_Recalc"), "1");
  EXPECT_EQ(Setting("Special_Fields_Color"), "FF0000");
}

TEST_P(PreferencesDialogTest, SavingWithoutTheTableIsReportedAndTheValuesStillApply) {
  Db().Exec("DROP TABLE User_Preferences");
  auto yes = WatchAndPressAsync(GetCurrentProcessId(), "Save Preferences", IDYES, 20000);
  std::future<TWatchedDialog> report;
  const int result = Run([&](HWND dialog) {
    Click(dialog, PREFS_AUTO_RECALC);
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(PREFS_SAVE, BN_CLICKED), 0);
    EXPECT_TRUE(yes.get().found);
    Sleep(500);
    TWatchedDialog told = WatchAndPress(GetCurrentProcessId(), "Save Preferences", IDOK, 20000);
    EXPECT_TRUE(told.found);
    EXPECT_NE(told.text.find("could not be saved"), std::string::npos) << told.text;
    EXPECT_EQ(told.icon, TBoxIcon::Exclamation);
  });
  EXPECT_EQ(result, PREFERENCES_APPLIED);
  EXPECT_TRUE(Preferences.AutoRecalc);
}

TEST_P(PreferencesDialogTest, HoverHelpNamesEachControlAndTheDialogsRepaintAfterOk) {
  FieldHelp = 1;
  PreferencesDlgName = "PreferencesDlgS";
  ChangeColorsDlgName = "ChangeColorsDlgS";
  // An open dialog beside (not under) the preferences dialog.
  HWND other = AppWindowManager.CreateModeless(new TBaseDlg, "ErrorsDlgS", MainWindow, 0);
  ASSERT_TRUE(other);
  SetWindowPos(other, nullptr, 0, 0, 120, 80, SWP_NOZORDER | SWP_NOACTIVATE);
  static int erased = 0;
  erased = 0;
  static WNDPROC previous = nullptr;
  previous = reinterpret_cast<WNDPROC>(SetWindowLongPtrA(
      other, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(+[](HWND w, UINT m, WPARAM wp, LPARAM lp) -> LRESULT {
        if (m == WM_ERASEBKGND) ++erased;
        return CallWindowProcA(previous, w, m, wp, lp);
      })));
  DispatchWaitingMessages();
  std::vector<std::string> hints;
  const int result = Run([&hints](HWND dialog) {
    SavePicture(dialog, "preferences");
    for (int id : {IDOK, 163, 166, 172, 182, PREFS_SAVE, 999}) {
      SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, 15), 0);
      hints.push_back(GetStatusText());
    }
    InColours(dialog, [&hints](HWND colours) {
      SendMessageA(colours, WM_COMMAND, MAKEWPARAM(COLOURS_CHOOSE, 15), 0);
      hints.push_back(GetStatusText());
      SendMessageA(colours, WM_COMMAND, MAKEWPARAM(COLOURS_LIST, LBN_SETFOCUS), 0);
      hints.push_back(GetStatusText());
      Click(colours, IDCANCEL);
    });
    Sleep(200);
    erased = 0;
    Click(dialog, IDOK);
  });
  EXPECT_EQ(result, PREFERENCES_APPLIED);
  EXPECT_EQ(hints, (std::vector<std::string>{
                       "Use these Preferences settings for now",
                       "Always an 'Edit' window automatically after a record is entered",
                       "Warn if there are no indexed fields filled out or all records will be found (blank form)",
                       "Always give user the choice with a message box (making Update the default)",
                       "Bring up dialog box where you can change the colouring of all the dialog boxes",
                       "Save the Preferences settings permanently (in the database, for the user now logged in)",
                       "",
                       "Bring up a standard Windows Colours dialog box where you can alter a specific colour",
                       "This list contains the sort of items in the windows which can be specially coloured."}));
  DispatchWaitingMessages();
  EXPECT_GT(erased, 0);
  DestroyWindow(other);
}

// Pictures of the login dialog (with its message line) for looking at.
TEST_P(PreferencesDialogTest, TheLoginDialogPicture) {
  if (!getenv("VORN_SCREENSHOTS")) GTEST_SKIP() << "pictures only with VORN_SCREENSHOTS";
  FieldHelp = 1;
  LoginDlgName = "LoginDlgS";
  auto driver = std::async(std::launch::async, [] {
    TLoginDialog login = FindLoginDialog(GetCurrentProcessId(), 20000);
    if (!login.window) return;
    SetDlgItemTextA(login.window, LOGIN_USER_ID, "demo");
    SetDlgItemTextA(login.window, LOGIN_PASSWORD_ID, "vorn");
    SavePicture(login.window, "login");
    PressDialogButton(login.window, IDCANCEL);
  });
  RunLoginDialog(MainWindow, TIMED_OUT_TEXT);
  driver.get();
  LoginDlgName = "LoginDlg";
}

// The preferences dialog, and its Save question, with Exit, the dialog closed or the
// program logged out (the login refused) while they wait: the dialog keeps its loop and
// ends as answered (cancelled by the program after the refused login), all sixteen rows are
// saved or none, and the program ends after it.
class PreferencesWindowLifeTest : public WindowLifeTest {
protected:
  PreferencesWindowLifeTest() { preferenceTable_ = true; }
  void SetUp() override {
    WindowLifeTest::SetUp();
    ReplaceString(&CurrentUser.UserId, "ANN");
  }
  void TearDown() override {
    ReplaceString(&CurrentUser.UserId, "");
    WindowLifeTest::TearDown();
  }
};

TEST_P(PreferencesWindowLifeTest, NoWindowGoesUnderThePreferencesOrTheirQuestion) {
  auto clear = [this] { Db().Exec("DELETE FROM User_Preferences"); };
  auto mainWindow = [] { return MainWindow; };
  auto preferences = [](HWND mainWindow) { RunPreferencesDialog(mainWindow); };
  const char* saved = "SELECT COUNT(*) FROM User_Preferences WHERE USER_ID = 'ANN'";
  const TModalStep steps[] = {
      {"the dialog", clear, mainWindow, CMD_EXIT, preferences, "Preferences", nullptr, nullptr, IDCANCEL, saved, "0", nullptr, nullptr},
      {"Save", clear, mainWindow, CMD_EXIT, preferences, "Preferences",
       [](HWND dialog) { PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(PREFS_SAVE, BN_CLICKED), 0); },
       "Save Preferences", IDYES, saved, "16", nullptr, "0"},
  };
  RunAll(steps);
}

INSTANTIATE_DATABASE_TESTS(PreferencesWindowLifeTest);
INSTANTIATE_DATABASE_TESTS(PreferencesDialogTest);

}  // namespace

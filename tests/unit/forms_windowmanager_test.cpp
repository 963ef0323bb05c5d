// The dialog base class and the window manager, with real dialogs under Wine.
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include <thread>
#include <vector>

#include "data/core/strings.h"
#include "data/model/model.h"
#include "data/model/settings.h"
#include "forms/basedlg.h"
#include "forms/colortable.h"
#include "forms/dlgtemplate.h"
#include "forms/pinpad.h"
#include "forms/windowmanager.h"
#include "forms/appwindow.h"
#include "support/dialog_watcher.h"
#include "support/form_support.h"

namespace {

// A small modeless dialog: a status line, a read-only edit, a plain static and a button.
HGLOBAL SmallTemplate() {
  HGLOBAL block = nullptr;
  WORD size = 0;
  CreateDlgTemplate(&block, &size, WS_POPUP | WS_CAPTION | DS_SETFONT, 0, 0, 10, 10, "", "", "Small",
                    8, "MS Sans Serif");
  AddDlgTemplateItem(block, &size, DLGCLASS_STATIC, "", 140, 2, 2, 80, 8, 0);
  AddDlgTemplateItem(block, &size, DLGCLASS_EDIT, "", 3000, 2, 12, 80, 12, ES_READONLY);
  AddDlgTemplateItem(block, &size, DLGCLASS_STATIC, "Label", 2000, 2, 26, 80, 8, 0);
  AddDlgTemplateItem(block, &size, "ZKWButton", "Go", 100, 2, 36, 30, 12, WS_TABSTOP);
  SetDlgTemplateXYWH(block, 0, 0, 100, 60);
  return block;
}

class WindowManager : public ::testing::Test {
protected:
  void SetUp() override {
    StartFormSession();
    block_ = SmallTemplate();
  }
  void TearDown() override {
    for (HWND w = AppWindowManager.FirstWindow(); w; w = AppWindowManager.FirstWindow())
      DestroyWindow(w);
    PumpMessages(20);
    GlobalFree(block_);
    FieldHelp = 1;
  }
  HWND Open(TBaseDlg* object, HWND owner, INT_PTR param = 0) {
    return AppWindowManager.CreateModelessIndirect(object, block_, owner, param);
  }
  HGLOBAL block_ = nullptr;
};

// Records the operations that reach it.
class TProbeDlg : public TBaseDlg {
public:
  explicit TProbeDlg(std::vector<int>* log = nullptr, bool* deleted = nullptr)
      : log_(log), deleted_(deleted) {}
  ~TProbeDlg() override {
    if (deleted_) *deleted_ = true;
  }
  INT_PTR OnCancel(HWND, UINT, WPARAM, LPARAM) override { return Note(9); }
  INT_PTR ShowHint(HWND w, UINT m, WPARAM wp, LPARAM lp) override {
    Note(12);
    return TBaseDlg::ShowHint(w, m, wp, lp);
  }
  INT_PTR HideHint(HWND, UINT, WPARAM, LPARAM) override { return Note(13); }

private:
  INT_PTR Note(int slot) {
    if (log_) log_->push_back(slot);
    return TRUE;
  }
  std::vector<int>* log_;
  bool* deleted_;
};

TEST_F(WindowManager, TableFollowsDialogsAsTheyOpenAndClose) {
  bool deleted = false;
  auto* first = new TProbeDlg(nullptr, &deleted);
  HWND a = Open(first, MainWindow, 7);
  ASSERT_NE(a, nullptr);
  HWND b = Open(new TBaseDlg, MainWindow, 8);
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(AppWindowManager.GetCount(), 2);
  EXPECT_EQ(AppWindowManager.GetCapacity(), 100);
  EXPECT_EQ(AppWindowManager.GetDialog(a), first);
  EXPECT_EQ(AppWindowManager.GetOwner(a), MainWindow);
  EXPECT_EQ(AppWindowManager.GetParam(b), 8);
  EXPECT_EQ(AppWindowManager.IsModal(a), 0);
  EXPECT_EQ(AppWindowManager.FindDialogWindow(first, 7), a);
  EXPECT_EQ(AppWindowManager.FindDialogWindow(first, 8), nullptr);
  EXPECT_EQ(AppWindowManager.FirstWindow(), a);
  EXPECT_EQ(AppWindowManager.NextWindow(a), b);
  EXPECT_EQ(AppWindowManager.NextWindow(b), nullptr);
  EXPECT_EQ(AppWindowManager.NextWindow(MainWindow), nullptr);
  EXPECT_EQ(GetParent(a), MainWindow);  // modeless dialogs hang below the main window

  DestroyWindow(a);
  EXPECT_TRUE(deleted);  // a modeless dialog's object goes with its window
  EXPECT_EQ(AppWindowManager.GetCount(), 1);
  EXPECT_EQ(AppWindowManager.GetDialog(a), nullptr);
  EXPECT_EQ(AppWindowManager.FirstWindow(), b);
  // The freed first slot is taken again by the next dialog.
  HWND c = Open(new TBaseDlg, MainWindow);
  EXPECT_EQ(AppWindowManager.FirstWindow(), c);
}

TEST_F(WindowManager, TheHundredAndFirstDialogIsRefusedWithABox) {
  std::vector<HWND> open;
  for (int k = 0; k < 100; ++k) {
    HWND w = Open(new TBaseDlg, MainWindow, k);
    ASSERT_NE(w, nullptr) << k;
    open.push_back(w);
  }
  EXPECT_EQ(AppWindowManager.GetCount(), 100);
  auto box = WatchAndPressAsync(GetCurrentProcessId(), "Application Window Manager", IDOK, 10000);
  auto* refused = new TBaseDlg;
  EXPECT_EQ(Open(refused, MainWindow), nullptr);
  TWatchedDialog seen = box.get();
  EXPECT_TRUE(seen.found);
  EXPECT_EQ(seen.text, "No more dialog boxes could be opened");
  EXPECT_EQ(seen.icon, TBoxIcon::Exclamation);
  EXPECT_EQ(AppWindowManager.GetCount(), 100);

  DestroyWindow(open[42]);
  HWND again = Open(refused, MainWindow, 1000);
  ASSERT_NE(again, nullptr);
  EXPECT_EQ(AppWindowManager.GetParam(again), 1000);
  EXPECT_EQ(AppWindowManager.GetCount(), 100);
}

TEST_F(WindowManager, AnOpenerTakesItsDialogsAndTheirsWithIt) {
  HWND a = Open(new TBaseDlg, MainWindow);
  HWND b = Open(new TBaseDlg, a);
  HWND c = Open(new TBaseDlg, b);
  HWND other = Open(new TBaseDlg, MainWindow);
  EXPECT_EQ(AppWindowManager.GetOwner(c), b);
  EXPECT_EQ(AppWindowManager.GetCount(), 4);
  AppWindowManager.DestroyOwnedDialogs(other);  // owns nothing
  EXPECT_EQ(AppWindowManager.GetCount(), 4);
  DestroyWindow(a);
  EXPECT_FALSE(IsWindow(b));
  EXPECT_FALSE(IsWindow(c));
  EXPECT_TRUE(IsWindow(other));
  EXPECT_EQ(AppWindowManager.GetCount(), 1);
}

TEST_F(WindowManager, ModalDialogsAreRegisteredWhileTheyRunAndFreedAfter) {
  class TModal : public TBaseDlg {
  public:
    INT_PTR OnInitDialog(HWND window, UINT, WPARAM, LPARAM lParam) override {
      modal = AppWindowManager.IsModal(window);
      count = AppWindowManager.GetCount();
      initial = lParam;
      PostMessageA(window, WM_COMMAND, IDOK, 0);
      return TRUE;
    }
    int modal = -1, count = -1;
    LPARAM initial = 0;
  } object;
  EXPECT_EQ(AppWindowManager.RunModal(&object, "EnterPin", MainWindow, 3, 55), 1);
  EXPECT_EQ(object.modal, 1);
  EXPECT_EQ(object.count, 1);
  EXPECT_EQ(object.initial, 55);
  EXPECT_EQ(AppWindowManager.GetCount(), 0);  // the slot is free, the object still ours
  EXPECT_EQ(object.GetKind(), DK_GENERIC);
}

TEST_F(WindowManager, CommonMessagesReachTheOperations) {
  std::vector<int> log;
  HWND w = Open(new TProbeDlg(&log), MainWindow);
  ASSERT_NE(w, nullptr);

  CurrentHelpContext = 5;
  SendMessageA(w, WM_ACTIVATE, WA_INACTIVE, 0);
  EXPECT_EQ(CurrentHelpContext, 5);
  SendMessageA(w, WM_ACTIVATE, WA_CLICKACTIVE, 0);
  EXPECT_EQ(CurrentHelpContext, 101);

  // Hover help on: codes 15/16 show the hint, 17/18 hide it, and the command goes no further.
  FieldHelp = 1;
  SendMessageA(w, WM_COMMAND, MAKEWPARAM(IDCANCEL, 15), 0);
  SendMessageA(w, WM_COMMAND, MAKEWPARAM(IDCANCEL, 18), 0);
  EXPECT_EQ(log, (std::vector<int>{12, 13}));
  EXPECT_STREQ(GetStatusText(), "Click here to close window");
  char bar[100] = "";
  SendMessageA(StatusBarWindow, SB_GETTEXTA, 1, reinterpret_cast<LPARAM>(bar));
  EXPECT_STREQ(bar, "Click here to close window");
  // Hover help off: the same command is an ordinary Cancel.
  FieldHelp = 0;
  log.clear();
  SendMessageA(w, WM_COMMAND, MAKEWPARAM(IDCANCEL, 15), 0);
  EXPECT_EQ(log, (std::vector<int>{9}));
  FieldHelp = 1;

  // A ZKWButton reports its focus with code 15.
  log.clear();
  SetFocus(GetDlgItem(w, 100));
  PumpMessages(100);
  EXPECT_EQ(log, (std::vector<int>{12}));
}

TEST_F(WindowManager, StaticColours) {
  HWND w = Open(new TBaseDlg, MainWindow);
  HDC dc = GetDC(w);
  struct TCase {
    int id;
    COLORREF text;
    int mode;
    HBRUSH brush;
  } cases[] = {{140, RGB(192, 0, 0), TRANSPARENT, GetSysColorBrush(COLOR_BTNFACE)},
               {2000, RGB(0, 0, 128), TRANSPARENT, GetSysColorBrush(COLOR_BTNFACE)},
               {3000, RGB(1, 2, 3), OPAQUE, ReadOnlyFieldBrush()}};
  for (const TCase& c : cases) {
    SetTextColor(dc, RGB(1, 2, 3));
    SetBkMode(dc, OPAQUE);
    auto brush = reinterpret_cast<HBRUSH>(SendMessageA(
        w, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(GetDlgItem(w, c.id))));
    EXPECT_EQ(brush, c.brush) << c.id;
    EXPECT_EQ(GetTextColor(dc), c.text) << c.id;
    EXPECT_EQ(GetBkMode(dc), c.mode) << c.id;
    if (c.id == 3000) {
      EXPECT_EQ(GetBkColor(dc), RGB(255, 255, 128));
    }
  }
  ReleaseDC(w, dc);
}

TEST_F(WindowManager, FocusReturnsToTheControlThatHadIt) {
  HWND a = Open(new TBaseDlg, MainWindow);
  HWND field = GetDlgItem(a, 3000);
  SetFocus(field);
  HWND b = Open(new TBaseDlg, a);
  SetFocus(GetDlgItem(b, 100));
  AppWindowManager.RestoreFocus(b);
  EXPECT_EQ(GetFocus(), field);
}

// The keypad, driven from another thread while OpenEditForm waits for it.
struct TKeypadRun {
  std::vector<int> digits;
  bool okEnabledAtEnd = false;
  std::string fieldText;
};

std::thread DriveKeypad(TKeypadRun* run, int finalButton) {
  return std::thread([run, finalButton] {
    TWatchedDialog pad = FindDialog(GetCurrentProcessId(), "Access PIN", 10000);
    if (!pad.found) return;
    for (int d : run->digits) PressDialogButton(pad.window, PIN_FIRST_DIGIT_ID + d);
    run->okEnabledAtEnd = IsWindowEnabled(GetDlgItem(pad.window, IDOK)) != 0;
    char text[16] = "";
    GetDlgItemTextA(pad.window, PIN_FIELD_ID, text, sizeof text);
    run->fieldText = text;
    PressDialogButton(pad.window, finalButton);
  });
}

TEST_F(WindowManager, ProtectedFormsAskForThePinFirst) {
  TEntity entity;
  entity.PinProtected = 1;
  SetString(&entity.Name, "Secret");

  struct TCase {
    std::vector<int> digits;
    bool okEnabled;
    const char* text;
  } cases[] = {{{6, 9, 3}, false, "693"},
               {{1, 1, 1, 1, 6, 9, 3, 7}, true, "6937"},  // the fifth digit starts again
               {{6, 9, 3, 7, 6}, false, "6"}};
  for (const TCase& c : cases) {
    TKeypadRun run;
    run.digits = c.digits;
    std::thread driver = DriveKeypad(&run, IDCANCEL);
    HWND form = AppWindowManager.OpenEditForm(new TBaseDlg, &entity, MainWindow, 0);
    driver.join();
    EXPECT_EQ(form, nullptr);
    EXPECT_EQ(run.okEnabledAtEnd, c.okEnabled);
    EXPECT_EQ(run.fieldText, c.text);
  }
  // The right PIN and OK: no template and no resource "Edit_Secret", so nothing opens,
  // but the keypad let the form through to its creation.
  TKeypadRun run;
  run.digits = {6, 9, 3, 7};
  std::thread driver = DriveKeypad(&run, IDOK);
  AppWindowManager.OpenEditForm(new TBaseDlg, &entity, MainWindow, 0);
  driver.join();
  EXPECT_TRUE(run.okEnabledAtEnd);
}

}  // namespace

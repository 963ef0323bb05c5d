// Tab pages of a paged form (the sample model's ORDERS): pages made when first needed,
// with the form as parent and no window-manager slot of their own, switched by the tab control, their fields
// read and written unseen, page numbers outside the set refused, and dialogs opened from
// a page owned by the form.
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include <string>
#include <vector>

#include "data/model/dmdreader.h"
#include "data/model/model.h"
#include "data/model/settings.h"
#include "forms/basedlg.h"
#include "forms/dlgtemplate.h"
#include "forms/edittemplates.h"
#include "forms/tabpages.h"
#include "forms/windowmanager.h"
#include "forms/appwindow.h"
#include "support/dialog_watcher.h"
#include "support/form_support.h"

namespace {

INT_PTR CALLBACK PageProc(HWND, UINT message, WPARAM, LPARAM) { return message == WM_INITDIALOG; }

int pageParameter;  // what the form hands each page as its object

class TabPagesTest : public ::testing::Test {
protected:
  static void SetUpTestSuite() {
    StartFormSession();
    ASSERT_TRUE(LoadModelFile(TheModel, VORN_SOURCE_DIR "/sample/vorn.dmd"));
    ApplyModelParameters();
    BuildEditFormTemplates();
  }
  static void TearDownTestSuite() {
    FreeEditFormTemplates();
    TheModel.Clear();
  }
  void SetUp() override {
    entity_ = TheModel.FindEntity("ORDERS");
    ASSERT_NE(entity_, nullptr);
    ASSERT_EQ(entity_->PageCount, 1);
    form_ = AppWindowManager.CreateModelessIndirect(new TBaseDlg, FindEditFormTemplate("Edit_ORDERS"),
                                                    MainWindow, 0);
    ASSERT_NE(form_, nullptr);
    pages_ = new TTabPages;
    ASSERT_TRUE(pages_->Install(form_, entity_, PageProc, &pageParameter));
  }
  void TearDown() override {
    if (IsWindow(form_)) DestroyWindow(form_);
    delete pages_;
    PumpMessages(20);
    EXPECT_EQ(AppWindowManager.GetCount(), 0);  // the pages' slots went with the set
  }
  static int Field(const char* name) {
    return 3000 + TheModel.FindEntity("ORDERS")->AttributeIndex(TheModel.FindEntity("ORDERS")->FindAttribute(name));
  }
  void Select(int page, bool focus) {
    SendMessageA(pages_->TabControl(), TCM_SETCURSEL, page, 0);
    TTabPages::OnTabChange(nullptr, form_, focus);
  }
  TEntity* entity_ = nullptr;
  HWND form_ = nullptr;
  TTabPages* pages_ = nullptr;
};

TEST_F(TabPagesTest, APageNeverOpenedIsMadeHiddenWhenItsFieldIsReadOrWritten) {
  EXPECT_EQ(SendMessageA(pages_->TabControl(), TCM_GETITEMCOUNT, 0, 0), 2);
  EXPECT_EQ(TTabPages::FromWindow(form_), pages_);
  EXPECT_EQ(TTabPages::FromWindow(pages_->TabControl()), pages_);
  EXPECT_EQ(pages_->PageWindow(0), nullptr);
  EXPECT_EQ(pages_->PageWindow(1), nullptr);
  const int address = Field("DELIVERY_ADDRESS");

  EXPECT_TRUE(pages_->SetItemText(1, address, "12 Harbour Road"));
  HWND page = pages_->PageWindow(1);
  ASSERT_NE(page, nullptr);
  EXPECT_EQ(pages_->PageWindow(0), nullptr);  // only the page touched
  char text[64];
  EXPECT_EQ(pages_->GetItemText(1, address, text, sizeof text), 15u);
  EXPECT_STREQ(text, "12 Harbour Road");
  EXPECT_EQ(pages_->SendItemMessage(1, address, WM_GETTEXTLENGTH, 0, 0), 15);
  EXPECT_EQ(pages_->GetItem(1, address), GetDlgItem(page, address));
  pages_->EnableItem(1, address, FALSE);
  EXPECT_FALSE(IsWindowEnabled(GetDlgItem(page, address)));
  EXPECT_FALSE(IsWindowVisible(page));
  EXPECT_FALSE(IsWindowEnabled(page));
  EXPECT_EQ(pages_->CurrentPage(), nullptr);

  // Made once, with the form as parent; the form is the one window the manager knows.
  EXPECT_EQ(pages_->EnsurePage(1), page);
  EXPECT_EQ(GetParent(page), form_);
  EXPECT_EQ(AppWindowManager.GetDialog(page), nullptr);
  EXPECT_EQ(AppWindowManager.FindDialogWindow(&pageParameter, 1), nullptr);
  EXPECT_EQ(AppWindowManager.GetCount(), 1);
  EXPECT_EQ(AppWindowManager.FirstWindow(), form_);
  EXPECT_EQ(AppWindowManager.NextWindow(form_), nullptr);
}

// A control access reserves a slot for the page it makes: with the table full the page is
// not made, and the window manager says so; a tab change reserves none.
TEST_F(TabPagesTest, AFullWindowTableRefusesAPageMadeForAControlAccessOnly) {
  HGLOBAL block = nullptr;
  WORD size = 0;
  CreateDlgTemplate(&block, &size, WS_POPUP | DS_SETFONT, 0, 0, 10, 10, "", "", "Filler", 8, "MS Sans Serif");
  SetDlgTemplateXYWH(block, 0, 0, 20, 20);
  std::vector<HWND> fillers;
  while (AppWindowManager.GetCount() < WINDOW_MANAGER_CAPACITY) {
    HWND filler = AppWindowManager.CreateModelessIndirect(new TBaseDlg, block, MainWindow, 0);
    ASSERT_NE(filler, nullptr);
    fillers.push_back(filler);
  }
  GlobalFree(block);

  auto box = WatchAndPressAsync(GetCurrentProcessId(), "Application Window Manager", IDOK, 10000);
  EXPECT_EQ(pages_->GetItem(1, Field("DELIVERY_ADDRESS")), nullptr);
  TWatchedDialog seen = box.get();
  EXPECT_TRUE(seen.found);
  EXPECT_EQ(seen.text, "No more dialog boxes could be opened");
  EXPECT_EQ(pages_->PageWindow(1), nullptr);

  Select(1, false);
  EXPECT_NE(pages_->PageWindow(1), nullptr);
  EXPECT_EQ(pages_->CurrentPage(), pages_->PageWindow(1));
  for (HWND filler : fillers) DestroyWindow(filler);
  PumpMessages(20);
  EXPECT_EQ(AppWindowManager.GetCount(), 1);
}

TEST_F(TabPagesTest, TheTabControlSwitchesBetweenPagesMadeOnFirstSelection) {
  Select(0, false);
  HWND first = pages_->PageWindow(0);
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(pages_->CurrentPage(), first);
  EXPECT_TRUE(IsWindowVisible(first));
  EXPECT_TRUE(IsWindowEnabled(first));
  EXPECT_EQ(GetParent(first), form_);
  EXPECT_EQ(AppWindowManager.GetDialog(first), nullptr);  // a tab change takes no slot
  EXPECT_EQ(AppWindowManager.GetCount(), 1);              // the form alone
  EXPECT_EQ(pages_->PageWindow(1), nullptr);

  Select(1, true);
  HWND second = pages_->PageWindow(1);
  ASSERT_NE(second, nullptr);
  EXPECT_FALSE(IsWindowVisible(first));
  EXPECT_FALSE(IsWindowEnabled(first));
  EXPECT_TRUE(IsWindowVisible(second));
  EXPECT_TRUE(IsChild(second, GetFocus()) || GetFocus() == second);

  Select(1, false);  // the current page again: shown and enabled still
  EXPECT_EQ(pages_->CurrentPage(), second);
  EXPECT_TRUE(IsWindowVisible(second));
  EXPECT_TRUE(IsWindowEnabled(second));

  // No tab selected: the current page stays.
  SendMessageA(pages_->TabControl(), TCM_SETCURSEL, static_cast<WPARAM>(-1), 0);
  TTabPages::OnTabChange(nullptr, form_, true);
  EXPECT_EQ(pages_->CurrentPage(), second);
  EXPECT_EQ(AppWindowManager.GetCount(), 1);  // pages made by the tab control are not windows of their own
  // A control access to a page the tab control made reserves nothing either.
  EXPECT_TRUE(pages_->SetItemText(1, Field("DELIVERY_ADDRESS"), "12 Harbour Road"));
  EXPECT_EQ(AppWindowManager.GetCount(), 1);

  // The page sits inside the tab control's display area.
  RECT tab, inside;
  GetWindowRect(pages_->TabControl(), &tab);
  GetWindowRect(second, &inside);
  EXPECT_GE(inside.left, tab.left);
  EXPECT_GE(inside.top, tab.top);
}

TEST_F(TabPagesTest, PageNumbersOutsideTheSetAreRefusedWithAWarning) {
  for (int page : {-1, 20, 1000}) {
    auto box = WatchAndPressAsync(GetCurrentProcessId(), "WARNING", IDOK, 10000);
    EXPECT_EQ(pages_->GetItem(page, 3000), nullptr) << page;
    TWatchedDialog seen = box.get();
    EXPECT_TRUE(seen.found) << page;
    EXPECT_EQ(seen.text, "There is no form page " + std::to_string(page));
  }
  char text[8] = "x";
  auto box = WatchAndPressAsync(GetCurrentProcessId(), "WARNING", IDOK, 10000);
  EXPECT_EQ(pages_->GetItemText(25, 3000, text, sizeof text), 0u);
  EXPECT_TRUE(box.get().found);
  EXPECT_STREQ(text, "");
  EXPECT_EQ(AppWindowManager.GetCount(), 1);  // only the form
}

TEST_F(TabPagesTest, ADialogOpenedFromAPageOrTheTabControlIsOwnedByTheForm) {
  HGLOBAL block = nullptr;
  WORD size = 0;
  CreateDlgTemplate(&block, &size, WS_POPUP | WS_CAPTION | DS_SETFONT, 0, 0, 10, 10, "", "", "Lookup", 8,
                    "MS Sans Serif");
  SetDlgTemplateXYWH(block, 0, 0, 80, 40);
  HWND page = pages_->EnsurePage(1);
  HWND field = pages_->GetItem(1, Field("DELIVERY_NOTE"));
  for (HWND opener : {page, field, pages_->TabControl(), form_}) {
    HWND opened = AppWindowManager.CreateModelessIndirect(new TBaseDlg, block, opener, 0);
    ASSERT_NE(opened, nullptr);
    EXPECT_EQ(AppWindowManager.GetOwner(opened), form_);
  }
  // A window that is not a paged form keeps being the owner.
  HWND plain = AppWindowManager.CreateModelessIndirect(new TBaseDlg, block, MainWindow, 0);
  HWND fromPlain = AppWindowManager.CreateModelessIndirect(new TBaseDlg, block, plain, 0);
  EXPECT_EQ(AppWindowManager.GetOwner(fromPlain), plain);
  GlobalFree(block);

  DestroyWindow(form_);  // the form's dialogs go with it, its pages with its page set
  delete pages_;
  pages_ = nullptr;
  EXPECT_EQ(AppWindowManager.GetCount(), 2);
  DestroyWindow(plain);
}

}  // namespace

// The menu file: menus and items with their ids, the standard and generated entries, the
// tool and popup bars, the menu bar built from them and the status help of menu entries.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "data/core/strings.h"
#include "data/model/model.h"
#include "shell/appwindow.h"
#include "shell/menus.h"
#include "support/dialog_watcher.h"
#include "support/form_support.h"
#include "support/scratch_dir.h"
#include "support/test_model.h"

namespace {

// A model of three entities; the last is hidden from the generated menus.
void LoadMenuModel() {
  BuildModel(TheModel, {{"CUSTOMER", {{"id", "INTEGER"}}, {}},
                        {"ORDERS", {{"id", "INTEGER"}}, {}},
                        {"AUDIT", {{"id", "INTEGER"}}, {}}});
  for (int i = 0; i < TheModel.EntityCount; ++i) {
    TEntity& entity = TheModel.Entities[i];
    const std::string caption = i == 0 ? "Customer" : i == 1 ? "Order" : "Audit";
    const std::string title = caption + "s";
    ReplaceString(&entity.Caption, caption.c_str());
    ReplaceString(&entity.TitleText, title.c_str());
  }
  TheModel.Entities[2].HiddenFromMenus = 1;
}

class MenuFile : public ::testing::Test {
protected:
  void SetUp() override {
    StartFormSession();
    LoadMenuModel();
  }
  void TearDown() override {
    DestroyMenuButtons();
    FreeMenuTables();
    TheModel.Clear();
  }
  void Build(const std::string& content) {
    const std::string path = dir_.Write("menu.ini", content);
    BuildMainMenus(path.c_str());
  }
  std::vector<std::string> Titles() const {
    std::vector<std::string> titles;
    for (const TMenuEntry& entry : MenuEntries) titles.push_back(entry.Title);
    return titles;
  }
  // "menu|caption|command|id" per item.
  std::vector<std::string> Items() const {
    std::vector<std::string> items;
    for (const TMenuItem& item : MenuItems)
      items.push_back((item.Menu < 0 ? std::string("-") : MenuEntries[item.Menu].Title) + "|" +
                      item.Caption + "|" + item.Command + "|" + std::to_string(item.Id));
    return items;
  }
  TScratchDir dir_{"menus"};
};

const std::vector<std::string> kStandardFile = {
    "&File|&Preferences...|PREFERENCES|105", "&File|P&rint Setup...|PRINTSETUP|106",
    "&File|---SEPARATOR---||-1", "&File|&Logout|LOGOUT|108", "&File|E&xit|EXIT|100"};
const std::vector<std::string> kStandardHelp = {"&Help|&Contents...|CONTENTS|107",
                                                "&Help|---SEPARATOR---||-1",
                                                "&Help|&About...|ABOUT|101"};
const std::vector<std::string> kGenerated = {
    "&Edit|Customer...|EDIT CUSTOMER|200", "&Edit|Order...|EDIT ORDERS|201",
    "&View|Customers...|VIEW CUSTOMER|400", "&View|Orders...|VIEW ORDERS|401"};

std::vector<std::string> Join(std::vector<std::vector<std::string>> parts) {
  std::vector<std::string> all;
  for (auto& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

TEST_F(MenuFile, MissingFileOrNoMenusGivesTheGeneratedMenusWithoutHiddenEntities) {
  for (const char* content : {"", "[Menu Items]\n", "[Menus]\nMenu0=\nMenu1=&Reports\n"}) {
    SCOPED_TRACE(content);
    Build(content);
    EXPECT_EQ(Titles(), (std::vector<std::string>{"&File", "&Edit", "&View", "&Help"}));
    EXPECT_EQ(Items(), Join({kStandardFile, kGenerated, kStandardHelp}));
  }
  BuildMainMenus(dir_.File("absent.ini").c_str());
  EXPECT_EQ(Items(), Join({kStandardFile, kGenerated, kStandardHelp}));
}

TEST_F(MenuFile, AnExitItemLeavesOutTheStandardEntries) {
  Build("[Menus]\nMenu0=&Tools\nMenu1=&Reports\n"
        "[Menu Items]\nItem0=&Tools,E&xit,EXIT\nItem1=&Reports,&Monthly,RAPTEL MONTHLY.TPL\n"
        "Item2=&reports,Sales,RUN sales.exe /a,b,c\nItem3=&Tools,---SEPARATOR---\n"
        "Item4=&Tools,Orders,view orders where x = 'a,b'\nItem5=Loose line\n");
  EXPECT_EQ(Titles(), (std::vector<std::string>{"&Tools", "&Reports"}));
  EXPECT_EQ(Items(), (std::vector<std::string>{
                         "&Tools|E&xit|EXIT|100", "&Reports|&Monthly|RAPTEL MONTHLY.TPL|600",
                         "&Reports|Sales|RUN sales.exe /a,b,c|800",
                         "&Tools|---SEPARATOR---||900",
                         "&Tools|Orders|view orders where x = 'a,b'|400", "-|Loose line||901"}));
}

TEST_F(MenuFile, CommandIdsByKeywordAndKind) {
  struct Case {
    const char* command;
    int id;
  };
  const Case cases[] = {{"EXIT", 100},       {"about", 101},      {"Errors", 102},
                        {"TEST", 103},       {"SQLSPY", 104},     {"PREFERENCES", 105},
                        {"PRINTSETUP", 106}, {"CONTENTS", 107},   {"LOGOUT", 108},
                        {"EDIT X", 200},     {"edit Y", 201},     {"VIEW X", 400},
                        {"RAPTEL r.tpl", 600}, {"run notepad", 800}, {"RUN2", 900},
                        {"", 901},           {"EXIT ", 902},      {"EDITX", 903},
                        {"FUNCTION RunScript", 904}, {"SHELL a.txt", 905}};
  TCommandIdCounters counters;
  for (const Case& c : cases) EXPECT_EQ(AssignCommandId(c.command, &counters), c.id) << c.command;
}

// The tables are sized from what is appended: file menus in generated mode, and file
// items under the generated and standard menus.
TEST_F(MenuFile, GeneratedModeKeepsEveryMenuAndItemTheFileAppends) {
  Build("[Menus]\nMenu0=&Reports\nMenu1=&Tools\nMenu2=&Extra\n");
  EXPECT_EQ(Titles(), (std::vector<std::string>{"&File", "&Edit", "&View", "&Reports", "&Tools",
                                                "&Extra", "&Help"}));
  HMENU bar = BuildMenuBar();
  EXPECT_EQ(GetMenuItemCount(bar), 7);
  DestroyMenu(bar);

  std::string items = "[Menu Items]\n";
  for (int i = 0; i < 12; ++i)
    items += "Item" + std::to_string(i) + "=" + (i % 2 ? "&Help" : "&edit") + ",Extra " +
             std::to_string(i) + ",RUN prog" + std::to_string(i) + "\n";
  Build(items);
  ASSERT_EQ(MenuItems.size(), kStandardFile.size() + kGenerated.size() + 12 + kStandardHelp.size());
  EXPECT_EQ(Items()[9], "&Edit|Extra 0|RUN prog0|800");
  EXPECT_EQ(Items()[20], "&Help|Extra 11|RUN prog11|811");
  bar = BuildMenuBar();
  HMENU edit = GetSubMenu(bar, 1);
  HMENU help = GetSubMenu(bar, 3);
  EXPECT_EQ(GetMenuItemCount(edit), 2 + 6);
  EXPECT_EQ(GetMenuItemCount(help), 3 + 6);
  char caption[64] = "";
  GetMenuStringA(help, 811, caption, sizeof caption, MF_BYCOMMAND);
  EXPECT_STREQ(caption, "Extra 11");
  DestroyMenu(bar);
}

TEST_F(MenuFile, MenuBarShowsItemsWithoutCommandAsSeparators) {
  Build("[Menus]\nMenu0=&Reports\n[Menu Items]\nItem0=&Reports,&Daily,RUN daily.exe\n"
        "Item1=&Reports,---SEPARATOR---\nItem2=&Reports,&Weekly,SHELL weekly.txt\n");
  HMENU bar = BuildMenuBar();
  ASSERT_EQ(GetMenuItemCount(bar), 3);
  char title[32] = "";
  GetMenuStringA(bar, 1, title, sizeof title, MF_BYPOSITION);
  EXPECT_STREQ(title, "&Reports");
  HMENU reports = GetSubMenu(bar, 1);
  ASSERT_EQ(GetMenuItemCount(reports), 3);
  EXPECT_TRUE(GetMenuState(reports, 1, MF_BYPOSITION) & MF_SEPARATOR);
  EXPECT_EQ(GetMenuItemID(reports, 0), 800u);
  EXPECT_EQ(GetMenuItemID(reports, 2), 901u);
  HMENU file = GetSubMenu(bar, 0);
  EXPECT_TRUE(GetMenuState(file, 2, MF_BYPOSITION) & MF_SEPARATOR);
  DestroyMenu(bar);
}

TEST_F(MenuFile, ToolbarButtonsRunDiagonallyUnlessPlaced) {
  Build("[Toolbar]\nItem0=Open,0,0,32,32,open.bmp,EDIT CUSTOMER\n"
        "Item1=Find,-1,-1,24,24,find.bmp,EDIT Customer,with comma\n"
        "Item2=Plain,100\n"
        "Item3=Fixed,5,6,40,20,,RUN x\n");
  ASSERT_EQ(ToolbarButtons.size(), 4u);
  struct Expect {
    int x, y, w, h;
    const char* command;
    bool ownerDraw;
  };
  const Expect expect[] = {{0, 0, 32, 32, "EDIT CUSTOMER", true},
                           {36, 36, 24, 24, "EDIT Customer,with comma", true},
                           {100, 0, 32, 32, "", false},
                           {5, 6, 40, 20, "RUN x", false}};
  for (size_t i = 0; i < 4; ++i) {
    SCOPED_TRACE(i);
    const TToolbarButton& button = ToolbarButtons[i];
    ASSERT_TRUE(button.Window);
    EXPECT_EQ(button.Command, expect[i].command);
    EXPECT_EQ(GetDlgCtrlID(button.Window), FIRST_TOOLBAR_ID + static_cast<int>(i));
    RECT place = ControlPlace(MainWindow, button.Window);
    EXPECT_EQ(place.left, expect[i].x);
    EXPECT_EQ(place.top, expect[i].y);
    EXPECT_EQ(place.right, expect[i].w);
    EXPECT_EQ(place.bottom, expect[i].h + 1);
    const LONG style = GetWindowLongA(button.Window, GWL_STYLE) & BS_TYPEMASK;
    EXPECT_EQ(style == BS_OWNERDRAW, expect[i].ownerDraw);
  }
  DestroyMenuButtons();
  EXPECT_TRUE(ToolbarButtons.empty());
}

TEST_F(MenuFile, PopupBarButtonsAndTheirItems) {
  Build("[Popup Menu]\nItem0=Sales,0,0,40,30,sales.bmp\nItem1=Stock\n"
        "[Popup Item]\nItem0=sales,Orders,EDIT ORDERS\nItem1=Sales,-----\n"
        "Item2=Stock,Counting\nItem3=SALES,Customers,VIEW CUSTOMER\n");
  ASSERT_EQ(PopupButtons.size(), 2u);
  EXPECT_EQ(GetDlgCtrlID(PopupButtons[1].Window), FIRST_POPUP_BUTTON_ID + 1);
  RECT second = ControlPlace(MainWindow, PopupButtons[1].Window);
  EXPECT_EQ(second.left, 0);
  EXPECT_EQ(second.top, 0);
  EXPECT_EQ(second.bottom, 33);
  ASSERT_EQ(PopupItems.size(), 4u);
  EXPECT_EQ(PopupItems[0].Button, 0);
  EXPECT_EQ(PopupItems[2].Button, 1);
  EXPECT_EQ(PopupItems[2].Command, "");
  EXPECT_EQ(PopupItems[3].Command, "VIEW CUSTOMER");
}

TEST(MenuFileFatal, UnknownMenuTitleOrPopupButtonEndsTheProgram) {
  TScratchDir dir("menufatal");
  struct Case {
    const char* content;
    const char* text;
  };
  const Case cases[] = {
      {"[Menus]\nMenu0=&Reports\n[Menu Items]\nItem0=&Nowhere,X,RUN y\n",
       "Unknown menu title in .INI file: &Nowhere"},
      {"[Popup Menu]\nItem0=Sales\n[Popup Item]\nItem0=Stock,X,RUN y\n",
       "Unknown menu title in .INI file: Stock"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    const std::string path = dir.Write("menu.ini", c.content);
    TFatalOutcome outcome =
        RunExpectingFatalBox("\"" + TestProgramPath("menu_probe") + "\" \"" + path + "\"");
    ASSERT_TRUE(outcome.box.found);
    EXPECT_EQ(outcome.box.text, c.text);
    EXPECT_EQ(outcome.box.icon, TBoxIcon::Hand);
    EXPECT_EQ(outcome.exitCode, 1);
  }
  const std::string good = dir.Write("menu.ini", "[Menus]\nMenu0=&Reports\n[Menu Items]\n"
                                                 "Item0=&Reports,X,RUN y\n");
  TChild child;
  ASSERT_TRUE(StartChild(child, "\"" + TestProgramPath("menu_probe") + "\" \"" + good + "\""));
  EXPECT_EQ(child.Wait(20000), 10 + 5 + 1 + 3);
}

// Status help of the highlighted entries (WM_MENUSELECT).
class MenuSelection : public MenuFile {
protected:
  void SetUp() override {
    MenuFile::SetUp();
    Build("[Menus]\nMenu0=&Reports\n[Menu Items]\n"
          "Item0=&Reports,&Customers,EDIT customer\nItem1=&Reports,List,VIEW ORDERS\n"
          "Item2=&Reports,Ghost,EDIT NOBODY\nItem3=&Reports,Ghosts,VIEW NOBODY\n"
          "Item4=&Reports,Monthly,RAPTEL MONTHLY.TPL\nItem5=&Reports,Pad,RUN notepad x.txt\n"
          "Item6=&Reports,Script,FUNCTION RunScript\nItem7=&Reports,Doc,SHELL manual.pdf\n"
          "Item8=&Reports,Odd,HELLO\n"
          "[Popup Menu]\nItem0=Sales\n"
          "[Popup Item]\nItem0=Sales,Who,EDIT Unknown\nItem1=Sales,Pad,RUN notepad\n"
          "Item2=Sales,Orders,view orders\nItem3=Sales,Strange,HELLO\n"
          "Item4=Sales,Custom,FUNCTION Totals\nItem5=Sales,Report,RAPTEL a.tpl\n"
          "Item6=Sales,Doc,SHELL b.doc\n");
    bar_ = BuildMenuBar();
    popup_ = CreatePopupMenu();
  }
  void TearDown() override {
    DestroyMenu(bar_);
    DestroyMenu(popup_);
    MenuFile::TearDown();
  }
  HMENU bar_ = nullptr;
  HMENU popup_ = nullptr;
};

TEST_F(MenuSelection, MenuBarItemsGiveTheirContextAndHelpLine) {
  struct Case {
    int id;
    int context;
    const char* text;
  };
  const Case cases[] = {
      {100, 100, "Exit from program"},
      {101, 101, "Gives product name, copyright and version info"},
      {105, 105, "Modify Preferences settings"},
      {106, 106, "Setup your printer (paper source, size, orientation, etc.)"},
      {107, 107, "Goes to contents page in help file"},
      {200, 200, "Edit/inspect a Customer record"},
      {400, 401, "View a list of all Order records"},
      {201, 0, "Edit/inspect an unknown entity"},
      {401, 0, "View an unknown entity"},
      {600, 600, "Run RAPTEL program: MONTHLY.TPL"},
      {800, 800, "Run external program: notepad x.txt"},
      {900, 900, "Run: Script (RunScript)"},
      {901, 901, "Open external file: Doc (manual.pdf)"},
      {902, 0, "Unknown menu command: Odd (HELLO)"},
      {108, 0, "Unknown menu command: &Logout (LOGOUT)"},
  };
  for (const Case& c : cases) {
    TMenuHelp help;
    ASSERT_TRUE(DescribeMenuSelection(c.id, MF_HILITE, GetSubMenu(bar_, 1), bar_, nullptr, false,
                                      &help))
        << c.id;
    EXPECT_EQ(help.context, c.context) << c.id;
    EXPECT_EQ(help.text, c.text) << c.id;
  }
  TMenuHelp untouched{7, "kept"};
  EXPECT_FALSE(DescribeMenuSelection(555, MF_HILITE, GetSubMenu(bar_, 1), bar_, nullptr, false,
                                     &untouched));
  EXPECT_EQ(untouched.context, 7);
}

TEST_F(MenuSelection, PopupsClosedMenusAndPopupBarItems) {
  TMenuHelp help;
  ASSERT_TRUE(DescribeMenuSelection(1, MF_POPUP | MF_HILITE, bar_, bar_, nullptr, false, &help));
  EXPECT_EQ(help.context, 51);
  EXPECT_EQ(help.text, "Reports menu");
  HMENU outside = CreateMenu();
  AppendMenuA(outside, MF_POPUP, reinterpret_cast<UINT_PTR>(CreatePopupMenu()), "Other");
  ASSERT_TRUE(DescribeMenuSelection(0, MF_POPUP, outside, bar_, nullptr, false, &help));
  EXPECT_EQ(help.context, 14);
  EXPECT_EQ(help.text, "");
  DestroyMenu(outside);

  ASSERT_TRUE(DescribeMenuSelection(0, 0xFFFF, nullptr, bar_, nullptr, false, &help));
  EXPECT_EQ(help.context, 0);
  EXPECT_EQ(help.text, "");
  ASSERT_TRUE(DescribeMenuSelection(0, 0xFFFF, nullptr, bar_, nullptr, true, &help));
  EXPECT_EQ(help.text, HELP_MODE_TEXT);

  struct Case {
    int id;
    int context;
    const char* text;
  };
  const Case cases[] = {{1, 0, "Edit/inspect an unknown entity"},
                        {2, 2, "Run: Pad (notepad)"},
                        {3, 401, "View a list of all Order records"},
                        {4, 0, "Unknown menu command: Strange (HELLO)"},
                        {5, 5, "Run: Custom (Totals)"},
                        {6, 6, "Run RAPTEL program: Report (a.tpl)"},
                        {7, 7, "Open external file: Doc (b.doc)"},
                        {8, 0, ""}};
  for (const Case& c : cases) {
    ASSERT_TRUE(DescribeMenuSelection(c.id, MF_HILITE, popup_, bar_, popup_, false, &help));
    EXPECT_EQ(help.context, c.context) << c.id;
    EXPECT_EQ(help.text, c.text) << c.id;
  }
}

}  // namespace

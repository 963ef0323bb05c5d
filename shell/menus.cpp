// Reading the menu file into the menu, tool-bar and popup-bar tables, the menu bar built
// from them, and the status help of highlighted menu entries.
#include "shell/menus.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "data/core/messages.h"
#include "data/model/model.h"
#include "shell/appwindow.h"

std::vector<TMenuEntry> MenuEntries;
std::vector<TMenuItem> MenuItems;
std::vector<TToolbarButton> ToolbarButtons;
std::vector<TPopupButton> PopupButtons;
std::vector<TPopupItem> PopupItems;

const char* const HELP_MODE_TEXT =
    "Click over menu item or main window for help, or press ESC to cancel";

namespace {

constexpr int MENU_VALUE_SIZE = 8192;
constexpr const char* SEPARATOR_CAPTION = "---SEPARATOR---";

struct TBuiltIn {
  const char* keyword;
  int id;
  int context;
  const char* help;
};

const TBuiltIn BUILT_INS[] = {
    {"EXIT", CMD_EXIT, 100, "Exit from program"},
    {"ABOUT", CMD_ABOUT, 101, "Gives product name, copyright and version info"},
    {"ERRORS", CMD_ERRORS, 102, "Display more info on error messages"},
    {"TEST", CMD_TEST, 103, "Test underlying C++ objects classes (debugging purposes only)"},
    {"SQLSPY", CMD_SQLSPY, 104, "Spy on ZOZUZA statements (debugging purposes only)"},
    {"PREFERENCES", CMD_PREFERENCES, 105, "Modify Preferences settings"},
    {"PRINTSETUP", CMD_PRINTSETUP, 106, "Setup your printer (paper source, size, orientation, etc.)"},
    {"CONTENTS", CMD_CONTENTS, 107, "Goes to contents page in help file"},
    {"LOGOUT", CMD_LOGOUT, 0, nullptr},  // no help line of its own: told as any other command
};

bool StartsWithNoCase(const std::string& text, const char* prefix) {
  const size_t n = std::strlen(prefix);
  return text.size() >= n && _strnicmp(text.c_str(), prefix, n) == 0;
}

bool EqualNoCase(const std::string& a, const std::string& b) {
  return _stricmp(a.c_str(), b.c_str()) == 0;
}

// The values of Key0, Key1, ... of a section, up to the first missing or empty one.
std::vector<std::string> ReadNumberedValues(const char* path, const char* section,
                                            const char* keyPrefix) {
  std::vector<std::string> values;
  std::vector<char> buffer(MENU_VALUE_SIZE);
  for (int i = 0;; ++i) {
    char key[32];
    std::snprintf(key, sizeof key, "%s%d", keyPrefix, i);
    GetPrivateProfileStringA(section, key, "", buffer.data(), MENU_VALUE_SIZE, path);
    if (!buffer[0]) break;
    values.emplace_back(buffer.data());
  }
  return values;
}

// Splits at ',' into at most maxFields fields; the last one takes the rest of the line.
std::vector<std::string> SplitFields(const std::string& line, size_t maxFields) {
  std::vector<std::string> fields;
  size_t start = 0;
  while (fields.size() + 1 < maxFields) {
    const size_t comma = line.find(',', start);
    if (comma == std::string::npos) break;
    fields.push_back(line.substr(start, comma - start));
    start = comma + 1;
  }
  fields.push_back(line.substr(start));
  return fields;
}

std::string WithoutAmpersands(const std::string& text) {
  std::string out;
  for (char c : text)
    if (c != '&') out += c;
  return out;
}

int FindMenuEntry(const std::string& title) {
  for (size_t i = 0; i < MenuEntries.size(); ++i)
    if (EqualNoCase(MenuEntries[i].Title, title)) return static_cast<int>(i);
  return -1;
}

void AddItem(int menu, const std::string& caption, const std::string& command, int id) {
  MenuItems.push_back(TMenuItem{caption, command, menu, id});
}

void AddCommandItem(int menu, const std::string& caption, const std::string& command,
                    TCommandIdCounters* counters) {
  AddItem(menu, caption, command, AssignCommandId(command, counters));
}

[[noreturn]] void UnknownMenuTitle(const std::string& title) {
  FatalError("Unknown menu title in .INI file: ", title.c_str());
}

bool RunsExit(const std::string& value) {
  return value.size() > 5 && _stricmp(value.c_str() + value.size() - 5, ",EXIT") == 0;
}

void AddGeneratedItems(int editMenu, int viewMenu, TCommandIdCounters* counters) {
  for (int i = 0; i < TheModel.EntityCount; ++i) {
    const TEntity& entity = TheModel.Entities[i];
    if (entity.HiddenFromMenus) continue;
    AddCommandItem(editMenu, std::string(entity.Caption) + "...",
                   std::string("EDIT ") + entity.Name, counters);
  }
  for (int i = 0; i < TheModel.EntityCount; ++i) {
    const TEntity& entity = TheModel.Entities[i];
    if (entity.HiddenFromMenus) continue;
    AddCommandItem(viewMenu, std::string(entity.TitleText) + "...",
                   std::string("VIEW ") + entity.Name, counters);
  }
}

// A button line: caption and the four numbers, then the bitmap; fields stop at the first
// missing one and keep their defaults.
template <typename TButton>
void ReadButtonFields(const std::vector<std::string>& fields, TButton* button) {
  int* numbers[] = {&button->X, &button->Y, &button->Width, &button->Height};
  if (fields.size() > 0) button->Caption = fields[0];
  for (size_t k = 0; k < 4 && k + 1 < fields.size(); ++k) *numbers[k] = std::atoi(fields[k + 1].c_str());
  if (fields.size() > 5) button->Bitmap = fields[5];
}

// Places the buttons at their positions, or diagonally after the previous one, and
// creates their windows on the main window.
template <typename TButton>
void CreateButtonWindows(std::vector<TButton>& buttons, int firstId) {
  int x = 0, y = 0;
  for (size_t i = 0; i < buttons.size(); ++i) {
    TButton& button = buttons[i];
    if (button.X >= 0) x = button.X;
    if (button.Y >= 0) y = button.Y;
    button.X = x;
    button.Y = y;
    DWORD style = WS_CHILD | WS_VISIBLE | (button.Bitmap.empty() ? BS_PUSHBUTTON : BS_OWNERDRAW);
    button.Window =
        MainWindow ? CreateWindowA("Button", button.Caption.c_str(), style, x, y, button.Width,
                                   button.Height + 1, MainWindow,
                                   reinterpret_cast<HMENU>(static_cast<INT_PTR>(firstId + i)),
                                   GetModuleHandleA(nullptr), nullptr)
                   : nullptr;
    x += button.Width + button.Width / 8;
    y += button.Height + button.Height / 8;
  }
}

void BuildMenusAndItems(const char* path) {
  const std::vector<std::string> titles = ReadNumberedValues(path, "Menus", "Menu");
  const std::vector<std::string> lines = ReadNumberedValues(path, "Menu Items", "Item");
  bool standard = true;
  for (const std::string& line : lines)
    if (RunsExit(line)) standard = false;
  const bool generated = titles.empty() || lines.empty();

  if (standard) MenuEntries.push_back({"&File"});
  if (generated) {
    MenuEntries.push_back({"&Edit"});
    MenuEntries.push_back({"&View"});
  }
  for (const std::string& title : titles) MenuEntries.push_back({title});
  if (standard) MenuEntries.push_back({"&Help"});

  TCommandIdCounters counters;
  if (standard) {
    const int file = FindMenuEntry("&File");
    AddItem(file, "&Preferences...", "PREFERENCES", CMD_PREFERENCES);
    AddItem(file, "P&rint Setup...", "PRINTSETUP", CMD_PRINTSETUP);
    AddItem(file, SEPARATOR_CAPTION, "", SEPARATOR_ID);
    AddItem(file, "&Logout", "LOGOUT", CMD_LOGOUT);
    AddItem(file, "E&xit", "EXIT", CMD_EXIT);
  }
  if (generated) AddGeneratedItems(FindMenuEntry("&Edit"), FindMenuEntry("&View"), &counters);
  for (const std::string& line : lines) {
    const std::vector<std::string> fields = SplitFields(line, 3);
    if (fields.size() == 1) {
      AddCommandItem(-1, line, "", &counters);
      continue;
    }
    const int menu = FindMenuEntry(fields[0]);
    if (menu < 0) UnknownMenuTitle(fields[0]);
    AddCommandItem(menu, fields[1], fields.size() > 2 ? fields[2] : "", &counters);
  }
  if (standard) {
    const int help = FindMenuEntry("&Help");
    AddItem(help, "&Contents...", "CONTENTS", CMD_CONTENTS);
    AddItem(help, SEPARATOR_CAPTION, "", SEPARATOR_ID);
    AddItem(help, "&About...", "ABOUT", CMD_ABOUT);
  }
}

void BuildToolbar(const char* path) {
  ToolbarButtons.clear();
  for (const std::string& line : ReadNumberedValues(path, "Toolbar", "Item")) {
    const std::vector<std::string> fields = SplitFields(line, 7);
    TToolbarButton button;
    ReadButtonFields(fields, &button);
    if (fields.size() > 6) button.Command = fields[6];
    ToolbarButtons.push_back(button);
  }
  CreateButtonWindows(ToolbarButtons, FIRST_TOOLBAR_ID);
}

void BuildPopupBar(const char* path) {
  PopupItems.clear();
  PopupButtons.clear();
  for (const std::string& line : ReadNumberedValues(path, "Popup Menu", "Item")) {
    TPopupButton button;
    ReadButtonFields(SplitFields(line, 6), &button);
    PopupButtons.push_back(button);
  }
  CreateButtonWindows(PopupButtons, FIRST_POPUP_BUTTON_ID);
  for (const std::string& line : ReadNumberedValues(path, "Popup Item", "Item")) {
    const std::vector<std::string> fields = SplitFields(line, 3);
    int button = -1;
    for (size_t i = 0; i < PopupButtons.size(); ++i)
      if (EqualNoCase(PopupButtons[i].Caption, fields[0])) button = static_cast<int>(i);
    if (button < 0) UnknownMenuTitle(fields[0]);
    PopupItems.push_back(TPopupItem{fields.size() > 1 ? fields[1] : "",
                                    fields.size() > 2 ? fields[2] : "", button});
  }
}

std::string EntityCaption(const std::string& name, int* index) {
  const TEntity* entity = TheModel.FindEntity(name.c_str());
  *index = entity ? TheModel.EntityIndex(entity) : -1;
  return entity ? entity->Caption : "";
}

// EDIT and VIEW commands: the entity's context and help line; false for other commands.
bool DescribeRecordCommand(const std::string& command, TMenuHelp* help) {
  const bool edit = StartsWithNoCase(command, "EDIT ");
  if (!edit && !StartsWithNoCase(command, "VIEW ")) return false;
  int index;
  const std::string caption = EntityCaption(command.substr(5), &index);
  if (index < 0) {
    help->context = 0;
    help->text = edit ? "Edit/inspect an unknown entity" : "View an unknown entity";
  } else {
    help->context = (edit ? FIRST_EDIT_ID : FIRST_VIEW_ID) + index;
    help->text = (edit ? "Edit/inspect a " : "View a list of all ") + caption +
                 (edit ? " record" : " records");
  }
  return true;
}

std::string Rest(const std::string& command, const char* prefix) {
  return command.substr(std::strlen(prefix));
}

void DescribePopupItem(int id, TMenuHelp* help) {
  const TPopupItem& item = PopupItems[id - 1];
  const std::string& command = item.Command;
  help->context = 50 + id;
  if (DescribeRecordCommand(command, help)) return;
  static const struct {
    const char* prefix;
    const char* head;
  } kinds[] = {{"RAPTEL ", "Run RAPTEL program: "},
               {"RUN ", "Run: "},
               {"FUNCTION ", "Run: "},
               {"SHELL ", "Open external file: "}};
  for (const auto& kind : kinds) {
    if (!StartsWithNoCase(command, kind.prefix)) continue;
    help->context = id;
    help->text = kind.head + item.Caption + " (" + Rest(command, kind.prefix) + ")";
    return;
  }
  help->context = 0;
  help->text = "Unknown menu command: " + item.Caption + " (" + command + ")";
}

void DescribeMenuItem(const TMenuItem& item, TMenuHelp* help) {
  const std::string& command = item.Command;
  const int builtIn = BuiltInCommandId(command.c_str());
  if (builtIn && DescribeBuiltInCommand(builtIn, help)) return;
  if (DescribeRecordCommand(command, help)) return;
  help->context = item.Id;
  if (StartsWithNoCase(command, "RAPTEL "))
    help->text = "Run RAPTEL program: " + Rest(command, "RAPTEL ");
  else if (StartsWithNoCase(command, "RUN "))
    help->text = "Run external program: " + Rest(command, "RUN ");
  else if (StartsWithNoCase(command, "FUNCTION "))
    help->text = "Run: " + item.Caption + " (" + Rest(command, "FUNCTION ") + ")";
  else if (StartsWithNoCase(command, "SHELL "))
    help->text = "Open external file: " + item.Caption + " (" + Rest(command, "SHELL ") + ")";
  else {
    help->context = 0;
    help->text = "Unknown menu command: " + item.Caption + " (" + command + ")";
  }
}

}  // namespace

int BuiltInCommandId(const char* command) {
  for (const TBuiltIn& builtIn : BUILT_INS)
    if (_stricmp(command, builtIn.keyword) == 0) return builtIn.id;
  return 0;
}

bool DescribeBuiltInCommand(int id, TMenuHelp* help) {
  for (const TBuiltIn& builtIn : BUILT_INS) {
    if (builtIn.id != id) continue;
    if (!builtIn.help) return false;
    help->context = builtIn.context;
    help->text = builtIn.help;
    return true;
  }
  return false;
}

int AssignCommandId(const std::string& command, TCommandIdCounters* counters) {
  if (const int builtIn = BuiltInCommandId(command.c_str())) return builtIn;
  if (StartsWithNoCase(command, "EDIT ")) return counters->edit++;
  if (StartsWithNoCase(command, "VIEW ")) return counters->view++;
  if (StartsWithNoCase(command, "RAPTEL ")) return counters->raptel++;
  if (StartsWithNoCase(command, "RUN ")) return counters->run++;
  return counters->other++;
}

void FreeMenuTables() {
  MenuEntries.clear();
  MenuItems.clear();
  ToolbarButtons.clear();
  PopupButtons.clear();
  PopupItems.clear();
}

void DestroyMenuButtons() {
  for (TToolbarButton& button : ToolbarButtons)
    if (button.Window && IsWindow(button.Window)) DestroyWindow(button.Window);
  for (TPopupButton& button : PopupButtons)
    if (button.Window && IsWindow(button.Window)) DestroyWindow(button.Window);
  ToolbarButtons.clear();
  PopupButtons.clear();
  PopupItems.clear();
}

void BuildMainMenus(const char* menuFilePath) {
  MenuEntries.clear();
  MenuItems.clear();
  BuildMenusAndItems(menuFilePath);
  BuildToolbar(menuFilePath);
  BuildPopupBar(menuFilePath);
}

HMENU BuildMenuBar() {
  HMENU bar = CreateMenu();
  for (TMenuEntry& entry : MenuEntries) entry.Popup = CreatePopupMenu();
  for (const TMenuItem& item : MenuItems) {
    if (item.Menu < 0) continue;
    HMENU popup = MenuEntries[item.Menu].Popup;
    if (item.Command.empty())
      AppendMenuA(popup, MF_SEPARATOR, 0, nullptr);
    else
      AppendMenuA(popup, MF_STRING, static_cast<UINT_PTR>(item.Id), item.Caption.c_str());
  }
  for (const TMenuEntry& entry : MenuEntries)
    AppendMenuA(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(entry.Popup), entry.Title.c_str());
  return bar;
}

const TMenuItem* FindMenuItem(int id) {
  for (const TMenuItem& item : MenuItems)
    if (item.Id == id) return &item;
  return nullptr;
}

bool DescribeMenuSelection(UINT item, UINT flags, HMENU menu, HMENU menuBar, HMENU popupMenu,
                           bool helpMode, TMenuHelp* help) {
  if (!menu && (flags == 0xFFFF || flags == 0)) {
    help->context = 0;
    help->text = helpMode ? HELP_MODE_TEXT : "";
    return true;
  }
  if (flags & MF_POPUP) {
    HMENU popup = GetSubMenu(menu, static_cast<int>(item));
    for (size_t i = 0; i < MenuEntries.size(); ++i) {
      if (MenuEntries[i].Popup && MenuEntries[i].Popup == popup && menu == menuBar) {
        help->context = 50 + static_cast<int>(i);
        help->text = WithoutAmpersands(MenuEntries[i].Title) + " menu";
        return true;
      }
    }
    help->context = 14;
    help->text.clear();
    return true;
  }
  const int id = static_cast<int>(item);
  if (popupMenu && menu == popupMenu) {
    if (id >= 1 && id <= static_cast<int>(PopupItems.size())) {
      DescribePopupItem(id, help);
    } else {
      help->context = 0;
      help->text.clear();
    }
    return true;
  }
  const TMenuItem* menuItem = FindMenuItem(id);
  if (!menuItem) return false;
  DescribeMenuItem(*menuItem, help);
  return true;
}

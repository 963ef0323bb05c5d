// The menu file ("menu.ini" or the user's own): the menus of the menu bar and their items,
// the tool-bar buttons, the popup-bar buttons and their items, with the command ids the
// main window runs them by.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

// Built-in command ids (the menu file names them by keyword).
enum TBuiltInCommand {
  CMD_EXIT = 100,
  CMD_ABOUT = 101,
  CMD_ERRORS = 102,
  CMD_TEST = 103,
  CMD_SQLSPY = 104,
  CMD_PREFERENCES = 105,
  CMD_PRINTSETUP = 106,
  CMD_CONTENTS = 107,
  CMD_LOGOUT = 108
};
// First ids of the numbered command kinds and of the button windows.
constexpr int FIRST_EDIT_ID = 200;
constexpr int FIRST_VIEW_ID = 400;
constexpr int FIRST_RAPTEL_ID = 600;
constexpr int FIRST_RUN_ID = 800;
constexpr int FIRST_OTHER_ID = 900;
constexpr int SEPARATOR_ID = -1;
constexpr int FIRST_TOOLBAR_ID = 3000;
constexpr int FIRST_POPUP_BUTTON_ID = 4000;

struct TMenuEntry {
  std::string Title;
  HMENU Popup = nullptr;
};

struct TMenuItem {
  std::string Caption;
  std::string Command;
  int Menu = -1;  // index of the owning TMenuEntry, -1 for none
  int Id = 0;
};

struct TToolbarButton {
  std::string Caption;
  std::string Bitmap;
  std::string Command;
  int X = 0, Y = 0, Width = 32, Height = 32;
  HWND Window = nullptr;
};

struct TPopupButton {
  std::string Caption;
  std::string Bitmap;
  int X = 0, Y = 0, Width = 32, Height = 32;
  HWND Window = nullptr;
};

struct TPopupItem {
  std::string Caption;
  std::string Command;
  int Button = -1;  // index of the owning TPopupButton
};

// The program-wide tables, filled by BuildMainMenus.
extern std::vector<TMenuEntry> MenuEntries;
extern std::vector<TMenuItem> MenuItems;
extern std::vector<TToolbarButton> ToolbarButtons;
extern std::vector<TPopupButton> PopupButtons;
extern std::vector<TPopupItem> PopupItems;

// Reads the menu file (a full path) into the tables, adds the standard File and Help
// entries unless an item runs EXIT, generates Edit and View menus from the model when the
// file gives no menus or no items, and creates the button windows on the main window.
// An unknown menu title or popup-button caption ends the program with a message.
void BuildMainMenus(const char* menuFilePath);
// A new menu bar from the tables: one popup per menu, its items in table order (an item
// without a command is a separator).
HMENU BuildMenuBar();
// Destroys the button windows still open (logout) and empties the tables.
void DestroyMenuButtons();
void FreeMenuTables();

// The item with that command id, or null.
const TMenuItem* FindMenuItem(int id);
// The id a command text gets: built-in keywords, then the numbered kinds. counters holds
// the next EDIT, VIEW, RAPTEL, RUN and other ids and is advanced.
struct TCommandIdCounters {
  int edit = FIRST_EDIT_ID, view = FIRST_VIEW_ID, raptel = FIRST_RAPTEL_ID, run = FIRST_RUN_ID,
      other = FIRST_OTHER_ID;
};
int AssignCommandId(const std::string& command, TCommandIdCounters* counters);
// The id of a built-in keyword (whole command, any case), or 0.
int BuiltInCommandId(const char* command);

// The help context and status help of a highlighted menu entry (WM_MENUSELECT):
// item and flags as the message gives them, menu the menu it names, popupMenu the open
// popup-bar menu (or null). Returns false when nothing is to change.
struct TMenuHelp {
  int context = 0;
  std::string text;
};
bool DescribeMenuSelection(UINT item, UINT flags, HMENU menu, HMENU menuBar, HMENU popupMenu,
                           bool helpMode, TMenuHelp* help);
// The built-in command's context and status help; false when the id is not built in or the
// command (LOGOUT) has no help line of its own.
bool DescribeBuiltInCommand(int id, TMenuHelp* help);
extern const char* const HELP_MODE_TEXT;

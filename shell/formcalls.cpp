// The shell's calls for the edit form's RUN buttons and the VIEW command's window.
#include "shell/formcalls.h"

#include <string>
#include <vector>

#include "data/core/paths.h"
#include "data/db/reclist.h"
#include "forms/formshellcalls.h"
#include "forms/viewdlg.h"
#include "forms/messagepump.h"
#include "shell/commands.h"
#include "shell/login.h"
#include "shell/menus.h"
#include "shell/reportlib.h"
#include "shell/startup.h"

namespace {

// A menu title as the user reads it: without the '&' of its access key.
std::string PlainTitle(const std::string& title) {
  std::string plain;
  for (char c : title)
    if (c != '&') plain += c;
  return plain;
}

bool MenuItemsOf(const char* name, std::vector<TMenuChoice>* items) {
  int menu = -1;
  for (size_t m = 0; m < MenuEntries.size() && menu < 0; ++m)
    if (_stricmp(MenuEntries[m].Title.c_str(), name) == 0 || _stricmp(PlainTitle(MenuEntries[m].Title).c_str(), name) == 0)
      menu = static_cast<int>(m);
  if (menu < 0) return false;
  items->clear();
  for (size_t k = 0; k < MenuItems.size(); ++k) {
    if (MenuItems[k].Menu != menu) continue;
    items->push_back(TMenuChoice{MenuItems[k].Caption, MenuItems[k].Command, static_cast<int>(k) + 1});
  }
  return true;
}

HWND OpenListWindow(TDBRecList* list, HWND owner) {
  HWND window = OpenViewWindow(nullptr, nullptr, list, owner);
  if (!window)
    ShowMessageBox(owner, "The list of records could not be opened.", "Cannot run command", MB_OK | MB_ICONEXCLAMATION);
  return window;
}

}  // namespace

void InstallFormButtonCalls() {
  FormShellCalls.RunFunction = RunFunctionCommand;
  FormShellCalls.MenuItems = MenuItemsOf;
  FormShellCalls.StartReportProgram = RunReportProgram;
  FormShellCalls.MenuFilePath = UserMenuFilePath;  // the user's own menu file in login mode
  OpenViewWindowCall = OpenListWindow;
}

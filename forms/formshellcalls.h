// What the edit form's RUN buttons need of the application shell: the custom functions,
// the menus of the menu file, the report program and the menu file itself. The shell puts
// its calls here at start-up (InstallFormButtonCalls), so the forms reach them without
// including the shell; a button whose call is missing says so in a box.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

// One item of a menu of the menu file: its text, its command list and its id (its
// position in the menu file's item table plus 1).
struct TMenuChoice {
  std::string Caption;
  std::string Command;
  int Id = 0;
};

struct TFormShellCalls {
  // FUNCTION name: runs the custom function; nonzero when it ran.
  int (*RunFunction)(HWND window, const char* name) = nullptr;
  // MENU name: the items of the menu of that name (any case), in file order; false when
  // the menu file has no such menu.
  bool (*MenuItems)(const char* menu, std::vector<TMenuChoice>* items) = nullptr;
  // RAPTEL report: starts the report program on the report file; the WinExec value (below
  // 32: it failed and the user has been told).
  UINT (*StartReportProgram)(HWND window, const char* report) = nullptr;
  // The menu file the RUN buttons read their commands from (a full path).
  std::string (*MenuFilePath)() = nullptr;
};

extern TFormShellCalls FormShellCalls;

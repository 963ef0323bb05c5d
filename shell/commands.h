// The one command language of the program: menu items, tool-bar and popup-bar buttons,
// the login's start-up and exit commands and the forms' RUN buttons hand it a line.
#pragma once

#include <windows.h>

#include <string>

struct TEntity;
class TDBRecList;
class TViewParameterList;

// Runs a command line. Nonzero when it was run (or understood and reported in a box of
// its own), 0 when it failed or is unknown; the caller then shows "Cannot run command".
// Only the command words are read without regard to case: file names, programs and
// clauses are passed on as written.
int RunCommand(HWND window, const char* text);
// FUNCTION name: "RunScript" opens the script runner, any other name goes to the report
// library's RunReport. 1 or 0.
int RunFunctionCommand(HWND window, const char* name);

// The windows the record commands open, replaceable so that the forms that provide them
// plug in and tests record them. Each returns the window, or null when none was opened
// (the user has been told why). The view window takes the list.
using TOpenEditFormCall = HWND (*)(const TEntity* entity, HWND owner);
using TOpenViewWindowCall = HWND (*)(TDBRecList* list, HWND owner);
extern TOpenEditFormCall OpenEditFormCall;
extern TOpenViewWindowCall OpenViewWindowCall;

// The table services the DUMP, LOAD and FUNCTION RunScript commands call.
struct TTableServices {
  void (*DumpDialog)(HWND window) = nullptr;
  void (*LoadDialog)(HWND window) = nullptr;
  void (*DumpAll)(HWND window) = nullptr;
  void (*LoadAll)(HWND window) = nullptr;
  long (*DumpTable)(HWND window, const char* entity, const char* file) = nullptr;
  long (*LoadTable)(HWND window, const char* entity, const char* file) = nullptr;
  void (*RunScriptDialog)(HWND window) = nullptr;
};
extern TTableServices TableServices;

// Parts of the VIEW command, exposed for the tests.
// Reads "[name=prompt~default,kind;...]" at text (just after '['); returns the position
// after the closing ']' (or the end).
size_t ParseViewParameters(const std::string& text, size_t open, TViewParameterList* list);
// Marks the text parameters whose placeholder stands outside quotes in the clause: they
// take only a number.
void MarkNumberParameters(const std::string& clause, TViewParameterList* list);
// The clause with each "word$" replaced by the value of the first parameter whose name
// begins with the word (any case): inside quotes with its quotes doubled, outside quotes
// a text parameter only as a plain number. False (and the clause not to be run) when a
// text parameter outside quotes holds anything else.
bool SubstituteViewParameters(const std::string& clause, const TViewParameterList& list, std::string* sql);
// The dump file of an entity: its file-name text with the extension made ".dmp".
std::string DumpFileName(const TEntity* entity);
// True when the command is a report for the report program (RAPTEL, or a report file alone).
bool IsReportCommand(const std::string& text, std::string* reportFile);

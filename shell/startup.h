// The life of the main program: start-up in order, the message loop and shut-down.
#pragma once

#include <windows.h>

#include <string>

// Exit codes of the program.
enum TExitCode {
  // Also when the login was cancelled or failed three times.
  EXIT_NORMAL = 0,
  // A start-up step failed: window classes, messages, main window, model file, the
  // database.
  EXIT_STARTUP_FAILED = 1
};

// The fixed model file, read from the current folder.
constexpr const char* MODEL_FILE_NAME = "vorn.dmd";

// The folder of the model file (the current folder at start-up).
extern std::string ModelFolder;

// Runs the program: start-up, the message loop, shut-down. Returns the exit code.
int RunVorn(HINSTANCE instance, int showCommand);

// Registers the model's colours (entities' colours, attributes' "@C" flags and texts) in
// the colour table.
void RegisterModelColors();

// The one-shot upgrade: runs "alter_tables.sql" with the log "VORN.log" (emptied at every
// start) and deletes the script only when every statement succeeded.
void RunUpgradeScript();

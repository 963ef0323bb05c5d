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

// The one-shot upgrade script, its log (rewritten at every start, empty when there is no
// script) and, after a run in which a statement failed, the script and its log set aside
// under these names, so that the next start neither runs it again nor loses the record.
constexpr const char* UPGRADE_SCRIPT = "alter_tables.sql";
constexpr const char* UPGRADE_LOG = "alter_tables.log";
constexpr const char* FAILED_UPGRADE_SCRIPT = "alter_tables.failed.sql";
constexpr const char* FAILED_UPGRADE_LOG = "alter_tables.failed.log";

// Runs the upgrade script once, whatever its outcome: deleted after a clean run; after a
// failed statement set aside with a copy of its log and the failure shown in one box. A
// script that cannot be read, deleted or set aside stays, and the box says so.
void RunUpgradeScript();

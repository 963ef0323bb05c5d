// The installer's calls into the system that end or change the whole machine: restarting
// Windows, running the database engine's installer and registering COM servers.
#pragma once

#include <windows.h>

#include <string>

// Restarts Windows. When the environment names a file in VORN_RESTART_RECORD, the request is
// appended to that file instead (the tests' way to see it without ending the session).
bool RestartWindows();

enum class TProgramOutcome { Finished, NotStarted, TimedOut };

struct TProgramRun {
  TProgramOutcome outcome = TProgramOutcome::NotStarted;
  DWORD exitCode = 0;
};

// Runs a command line in a folder and waits for its end (INFINITE for no limit), pumping the
// installer's messages meanwhile; never ends the program before the wait is over.
TProgramRun RunAndWait(const std::string& commandLine, const char* folder, DWORD timeoutMs);

// The database engine's installer: msiexec of the system folder on "sqldb.msi" in the setup
// folder's "msde" folder, waited for at most two minutes.
TProgramRun RunEngineInstaller(const std::string& setupFolder);

// "regsvr32.exe /s path" or "regsvr32.exe /u path", waited for; Finished with exit code 0 is success.
TProgramRun RunRegsvr32(const char* switches, const std::string& path);

// Restart, engine installer and regsvr32 runs of the installer.
#include "install/systemcalls.h"

#include "install/messagepump.h"
#include "install/setupscript.h"

#include <cstdio>
#include <cstdlib>

bool RestartWindows() {
  const char* record = std::getenv("VORN_RESTART_RECORD");
  if (record && *record) {
    FILE* file = std::fopen(record, "ab");
    if (!file) return false;
    std::fputs("restart\r\n", file);
    std::fclose(file);
    return true;
  }
  HANDLE token = nullptr;
  if (OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token)) {
    TOKEN_PRIVILEGES privileges{};
    privileges.PrivilegeCount = 1;
    privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    if (LookupPrivilegeValueA(nullptr, "SeShutdownPrivilege", &privileges.Privileges[0].Luid))
      AdjustTokenPrivileges(token, FALSE, &privileges, 0, nullptr, nullptr);
    CloseHandle(token);
  }
  return ExitWindowsEx(EWX_REBOOT, 0) != FALSE;
}

TProgramRun RunAndWait(const std::string& commandLine, const char* folder, DWORD timeoutMs) {
  TProgramRun run;
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  std::string command = commandLine;
  if (!CreateProcessA(nullptr, &command[0], nullptr, nullptr, TRUE, NORMAL_PRIORITY_CLASS, nullptr, folder,
                      &startup, &process))
    return run;
  CloseHandle(process.hThread);
  DWORD start = GetTickCount();
  bool pumping = true;
  for (;;) {
    DWORD waited = GetTickCount() - start;
    DWORD left = timeoutMs == INFINITE ? INFINITE : (waited >= timeoutMs ? 0 : timeoutMs - waited);
    DWORD woke = pumping ? MsgWaitForMultipleObjects(1, &process.hProcess, FALSE, left, QS_ALLINPUT)
                         : WaitForSingleObject(process.hProcess, left);
    if (woke == WAIT_OBJECT_0) {
      run.outcome = TProgramOutcome::Finished;
      GetExitCodeProcess(process.hProcess, &run.exitCode);
      break;
    }
    if (woke == WAIT_TIMEOUT || woke == WAIT_FAILED) {
      run.outcome = TProgramOutcome::TimedOut;
      break;
    }
    // Messages keep the windows painted; after a quit request the rest of the wait is plain.
    if (!PumpPendingMessages()) pumping = false;
  }
  CloseHandle(process.hProcess);
  return run;
}

TProgramRun RunEngineInstaller(const std::string& setupFolder) {
  char system[MAX_PATH] = "";
  GetSystemDirectoryA(system, sizeof system);
  std::string command = "\"" + JoinPath(system, "msiexec.exe") + "\" /i sqldb.msi SAPASSWORD= /qb";
  std::string folder = JoinPath(setupFolder, "msde");
  return RunAndWait(command, folder.c_str(), 120000);
}

TProgramRun RunRegsvr32(const char* switches, const std::string& path) {
  return RunAndWait(std::string("regsvr32.exe ") + switches + " \"" + path + "\"", nullptr, INFINITE);
}

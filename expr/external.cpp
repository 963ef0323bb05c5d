// Starting another program from an expression and waiting for it to end.
#include "expr/external.h"

#include <windows.h>

#include <cstring>
#include <vector>

std::string BuildExternalCommandLine(const char* command, const char* const args[5]) {
  std::string line = command ? command : "";
  for (int i = 0; i < 5 && args[i] && *args[i]; ++i) {
    line += " \"";
    line += args[i];
    line += '"';
  }
  return line;
}

std::string ExternalProgramOf(const std::string& commandLine) {
  size_t exe = commandLine.find(".exe");
  if (exe != std::string::npos) return commandLine.substr(0, exe + 4);
  return commandLine.substr(0, commandLine.find(' '));
}

void RunExternalCommand(const char* command, const char* a1, const char* a2, const char* a3,
                        const char* a4, const char* a5) {
  const char* const args[5] = {a1, a2, a3, a4, a5};
  std::string commandLine = BuildExternalCommandLine(command, args);
  std::string program = ExternalProgramOf(commandLine);
  std::string rest = commandLine.size() > program.size() + 1 ? commandLine.substr(program.size() + 1)
                                                             : std::string();

  // The program goes first on its own command line, quoted so that a path with
  // blanks names one file; the system then also searches the PATH for it.
  std::string launch = "\"" + program + "\"";
  if (!rest.empty()) launch += " " + rest;
  std::vector<char> buffer(launch.begin(), launch.end());
  buffer.push_back('\0');

  HWND focus = GetFocus();
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_SHOWDEFAULT;
  PROCESS_INFORMATION process{};
  if (!CreateProcessA(nullptr, buffer.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &process)) {
    std::string text = "Could not run the external command " + commandLine + ".";
    MessageBoxA(focus, text.c_str(), "Execute error!", MB_OK | MB_ICONHAND);
    return;
  }
  WaitForSingleObject(process.hProcess, INFINITE);
  CloseHandle(process.hProcess);
  CloseHandle(process.hThread);
  if (focus) {
    SetFocus(focus);
    ShowWindow(focus, SW_SHOW);
  }
}

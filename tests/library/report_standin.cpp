// A stand-in for the report library: records each call of its two exports, one line each,
// in the file named by the environment variable VORN_REPORT_LOG.
#include <windows.h>

#include <cstdio>

namespace {

void Record(const char* entry, HWND window, const char* text) {
  char log[MAX_PATH];
  if (!GetEnvironmentVariableA("VORN_REPORT_LOG", log, sizeof log)) return;
  if (FILE* file = std::fopen(log, "a")) {
    std::fprintf(file, "%s %p %s\n", entry, static_cast<void*>(window), text ? text : "(null)");
    std::fclose(file);
  }
}

}  // namespace

extern "C" __declspec(dllexport) void InitLibrary(HWND mainWindow, const char* iniPath) {
  Record("InitLibrary", mainWindow, iniPath);
}

extern "C" __declspec(dllexport) void RunReport(HWND window, const char* name) {
  Record("RunReport", window, name);
}

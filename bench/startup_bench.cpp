// Start-up time of vorn: from starting the program to its main window showing the model's
// title after the login (the database reached, the user checked and the menus built), best
// and median of several starts.
//   startup_bench <vorn.exe> <application folder> [starts [user password]]
// The folder is a copy of sample/; the login dialog is filled with the sample's demo user
// (or the user given; "-" for a model that asks for no login) as soon as it shows. A first
// start that offers to create the database is answered Yes and not counted. Run it under
// the Wine session.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

struct TFound {
  DWORD pid;
  HWND window;
  char title[256];
};

BOOL CALLBACK FindMainWindow(HWND window, LPARAM data) {
  auto* found = reinterpret_cast<TFound*>(data);
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  char cls[64] = "";
  GetClassNameA(window, cls, sizeof cls);
  if (pid != found->pid || _stricmp(cls, "VORN") != 0) return TRUE;
  GetWindowTextA(window, found->title, sizeof found->title);
  found->window = window;
  return FALSE;
}

BOOL CALLBACK FindBox(HWND window, LPARAM data) {
  auto* found = reinterpret_cast<TFound*>(data);
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  char cls[64] = "", title[128] = "";
  GetClassNameA(window, cls, sizeof cls);
  GetWindowTextA(window, title, sizeof title);
  if (pid == found->pid && std::string(cls) == "#32770" && IsWindowVisible(window)) {
    found->window = window;
    std::snprintf(found->title, sizeof found->title, "%s", title);
    return FALSE;
  }
  return TRUE;
}

// Types the user and password into the login dialog and presses OK.
void FillLogin(HWND dialog, const char* user, const char* password) {
  SendMessageA(GetDlgItem(dialog, 100), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(user));
  SendMessageA(GetDlgItem(dialog, 101), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(password));
  PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
}

// Starts the program and returns the milliseconds until its main window is titled and
// the login (when user is not null) is done, or -1.
double TimeOneStart(const std::string& program, const std::string& folder, const char* user,
                    const char* password, bool* asked) {
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  std::string line = "\"" + program + "\"";
  LARGE_INTEGER frequency, begin, end;
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&begin);
  if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(),
                      &startup, &process))
    return -1;
  double elapsed = -1;
  bool loggedIn = user == nullptr;
  for (int i = 0; i < 6000; ++i) {
    TFound box{process.dwProcessId, nullptr, ""};
    EnumWindows(FindBox, reinterpret_cast<LPARAM>(&box));
    if (box.window && std::string(box.title) == "Login") {
      if (!loggedIn) FillLogin(box.window, user, password);
      loggedIn = true;
      Sleep(5);
      continue;
    }
    TFound found{process.dwProcessId, nullptr, ""};
    EnumWindows(FindMainWindow, reinterpret_cast<LPARAM>(&found));
    if (loggedIn && !box.window && found.window && *found.title &&
        std::string(found.title) != "Starting VORN, please wait...") {
      QueryPerformanceCounter(&end);
      elapsed = 1000.0 * (end.QuadPart - begin.QuadPart) / frequency.QuadPart;
      PostMessageA(found.window, WM_CLOSE, 0, 0);
      break;
    }
    if (box.window) {
      std::printf("  answering \"%s\"\n", box.title);
      *asked = true;
      PostMessageA(box.window, WM_COMMAND, std::string(box.title) == "No database found" ? IDYES : IDOK, 0);
    }
    if (WaitForSingleObject(process.hProcess, 5) == WAIT_OBJECT_0) break;
  }
  if (WaitForSingleObject(process.hProcess, 20000) != WAIT_OBJECT_0) TerminateProcess(process.hProcess, 9);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return elapsed;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: startup_bench <vorn.exe> <application folder> [starts [user password]]\n");
    return 2;
  }
  const int starts = argc > 3 ? std::atoi(argv[3]) : 10;
  const char* user = argc > 4 ? argv[4] : "demo";
  const char* password = argc > 5 ? argv[5] : "vorn";
  if (std::string(user) == "-") user = password = nullptr;
  std::vector<double> times;
  for (int i = 0; i < starts; ++i) {
    bool asked = false;
    const double ms = TimeOneStart(argv[1], argv[2], user, password, &asked);
    if (ms < 0) {
      std::fprintf(stderr, "start %d: no main window\n", i + 1);
      return 1;
    }
    std::printf("start %d: %.1f ms%s\n", i + 1, ms, asked ? " (answered a box, not counted)" : "");
    if (!asked) times.push_back(ms);
  }
  if (times.empty()) return 1;
  std::sort(times.begin(), times.end());
  std::printf("start-up to main window: best %.1f ms, median %.1f ms over %zu starts\n", times[0],
              times[times.size() / 2], times.size());
  return times[times.size() / 2] < 1000 ? 0 : 1;
}

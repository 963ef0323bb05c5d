// Posts a command to the running vorn main window, as its menu would:
//   post_command <command id> [<command id> ...]
// Exits with 0 when the window was found, 1 when not.
#include <windows.h>

#include <cstdlib>

int main(int argc, char** argv) {
  HWND window = FindWindowA("VORN", nullptr);
  if (!window) return 1;
  for (int i = 1; i < argc; ++i) {
    PostMessageA(window, WM_COMMAND, static_cast<WPARAM>(std::atoi(argv[i])), 0);
    Sleep(500);
  }
  return 0;
}

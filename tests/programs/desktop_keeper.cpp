// Holds Wine's desktop for a whole test session: the desktop process starts on its first
// window and inherits the output of the program that made it, so it is made here, with no
// output of a test to keep open. Writes the file of its first argument once the desktop
// is there, then waits for the session's end.
#include <windows.h>

#include <cstdio>

int main(int argc, char** argv) {
  HWND window = CreateWindowExA(0, "STATIC", "desktop keeper", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr,
                                GetModuleHandleA(nullptr), nullptr);
  if (!window || !GetDesktopWindow()) return 1;
  if (argc > 1) {
    if (FILE* ready = std::fopen(argv[1], "w")) std::fclose(ready);
  }
  MSG message;
  while (GetMessageA(&message, nullptr, 0, 0) > 0) DispatchMessageA(&message);
  return 0;
}

// The entry point of the vorn program: the whole run is RunVorn's.
#include <windows.h>

#include "shell/startup.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand) {
  return RunVorn(instance, showCommand);
}

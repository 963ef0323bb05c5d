// Reads a menu file with the program's menu reader and exits with the number of menu
// items it built (an unknown menu title ends it with its box and exit code 1):
//   menu_probe <menu file path>
#include "shell/menus.h"

int main(int argc, char** argv) {
  if (argc < 2) return 200;
  BuildMainMenus(argv[1]);
  return static_cast<int>(MenuItems.size()) + 10;
}

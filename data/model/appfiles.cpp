// The files of the running application: its INI file and the folder it started in.
#include "data/model/appfiles.h"

#include <windows.h>

std::string ApplicationIniPath;
std::string StartupFolder;

std::string StartupFolderPath() {
  if (!StartupFolder.empty()) return StartupFolder;
  char folder[MAX_PATH] = "";
  GetCurrentDirectoryA(sizeof folder, folder);
  return folder;
}

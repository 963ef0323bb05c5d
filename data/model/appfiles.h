// The files of the running application that several subsystems read: the
// application INI file (the model name with ".INI", beside the model file), and the
// folder the program started in (the model folder), where import templates live.
#pragma once

#include <string>

// Full path of the application INI file; empty until start-up has set it.
extern std::string ApplicationIniPath;
// The start-up folder; empty until start-up has set it.
extern std::string StartupFolder;
// The start-up folder, or the current directory while start-up has not set it.
std::string StartupFolderPath();

// The files of the running application that several subsystems read: the
// application INI file (the model name with ".INI", beside the model file).
#pragma once

#include <string>

// Full path of the application INI file; empty until start-up has set it.
extern std::string ApplicationIniPath;

// The setup script "setup.inf": the installer's program-wide settings and its list of entries.
#pragma once

#include <string>
#include <vector>

// What one script entry does during the run.
enum TEntryType {
  ENTRY_COPY = 0,
  ENTRY_DELETE = 1,
  ENTRY_DIRECTORY = 2,
  ENTRY_RUN = 3,
  ENTRY_FETCH = 4,
  ENTRY_PREREQUISITE = 5,
  ENTRY_REGISTER = 6,
  ENTRY_PROFILE = 7,
};

// One line of the script that is not a setting: name,type,description[,source[,destination]].
struct TSetupEntry {
  std::string name;
  int type = 0;
  std::string description;
  std::string sourceDir;
  std::string destDir;

  // Fills the entry from a script line; fields are separated by ',' without quoting.
  void Parse(const char* line);
};

// The installer's settings; empty unless the script sets them.
struct TInstallerSettings {
  std::string directory = "c:\\";  // proposed installation directory
  std::string appName;
  int backdrop = 0;  // number of the built-in backdrop bitmap, 1-8
  bool reboot = false;
  std::string checkFile;
  std::string remoteSite;
  std::string version;
  std::string database;
  std::string iniFile;
  std::string licenseFile;
  std::string readmeFile;

  std::string setupFolder;  // where the installer was started: the script and the source files
  std::vector<TSetupEntry> entries;  // in file order
};

extern TInstallerSettings Installer;

// Reads "setup.inf" from the setup folder into the settings; a missing file leaves the defaults.
void ReadSetupScript(TInstallerSettings& settings);
// Reads one script line into the settings (a setting, an ignored line or an entry).
void ReadScriptLine(TInstallerSettings& settings, const char* line);

// "folder\name", without doubling a '\' the folder already ends with; empty parts are left out.
std::string JoinPath(const std::string& folder, const std::string& name);

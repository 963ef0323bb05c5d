// Reading the setup script: settings keys, ignored lines and entries.
#include "install/setupscript.h"

#include "data/core/strings.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

TInstallerSettings Installer;

namespace {

enum TSettingKind { TEXT_SETTING, NUMBER_SETTING, FLAG_SETTING };

struct TSettingKey {
  const char* key;
  TSettingKind kind;
  std::string TInstallerSettings::*text;
};

// In the order the keys are tried; the first whose text starts the line wins.
const TSettingKey SettingKeys[] = {
    {"dir=", TEXT_SETTING, &TInstallerSettings::directory},
    {"app=", TEXT_SETTING, &TInstallerSettings::appName},
    {"bg=", NUMBER_SETTING, nullptr},
    {"reboot=", FLAG_SETTING, nullptr},
    {"check=", TEXT_SETTING, &TInstallerSettings::checkFile},
    {"remote install site=", TEXT_SETTING, &TInstallerSettings::remoteSite},
    {"version number=", TEXT_SETTING, &TInstallerSettings::version},
    {"database=", TEXT_SETTING, &TInstallerSettings::database},
    {"ini file=", TEXT_SETTING, &TInstallerSettings::iniFile},
    {"license file=", TEXT_SETTING, &TInstallerSettings::licenseFile},
    {"readme file=", TEXT_SETTING, &TInstallerSettings::readmeFile},
};

bool ReadSetting(TInstallerSettings& settings, const char* line) {
  for (const TSettingKey& key : SettingKeys) {
    size_t length = std::strlen(key.key);
    if (_strnicmp(line, key.key, length) != 0) continue;
    const char* value = line + length;
    switch (key.kind) {
      case TEXT_SETTING: settings.*key.text = value; break;
      case NUMBER_SETTING: settings.backdrop = std::atoi(value); break;
      case FLAG_SETTING: settings.reboot = *value == 'Y' || *value == 'y'; break;
    }
    return true;
  }
  return false;
}

}  // namespace

void TSetupEntry::Parse(const char* line) {
  TTempString field;
  int at = GetToken(field, line, ',', 0);
  name = field.get();
  int fields = 1;
  std::string rest[4];
  while (line[at] == ',' && fields < 5) {
    at = GetToken(field, line, ',', at + 1);
    rest[fields - 1] = field.get();
    ++fields;
  }
  type = std::atoi(rest[0].c_str());
  description = rest[1];
  sourceDir = rest[2];
  destDir = fields >= 5 ? rest[3] : rest[2];
}

void ReadScriptLine(TInstallerSettings& settings, const char* line) {
  if (!*line || *line == ';') return;
  if (ReadSetting(settings, line)) return;
  if (std::strchr(line, '=')) return;
  TSetupEntry entry;
  entry.Parse(line);
  settings.entries.push_back(entry);
}

void ReadSetupScript(TInstallerSettings& settings) {
  std::string path = JoinPath(settings.setupFolder, "setup.inf");
  FILE* file = std::fopen(path.c_str(), "r");
  if (!file) return;
  TTempString line;
  while (std::fgets(line, TEMP_STRING_SIZE, file)) {
    size_t length = std::strlen(line);
    if (length && line[length - 1] == '\n') line[--length] = '\0';
    if (length && line[length - 1] == '\r') line[--length] = '\0';
    ReadScriptLine(settings, line);
  }
  std::fclose(file);
}

std::string JoinPath(const std::string& folder, const std::string& name) {
  if (folder.empty()) return name;
  if (name.empty()) return folder;
  char last = folder.back();
  return last == '\\' || last == '/' ? folder + name : folder + "\\" + name;
}

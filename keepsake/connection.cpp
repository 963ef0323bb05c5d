// The connect string of the database of the INI's [Network] section.
#include <windows.h>

#include <string>
#include <vector>

#include "keepsake/keepsake.h"

namespace {
std::string IniValue(const TRun& run, const char* key, const char* fallback) {
  char value[256] = "";
  GetPrivateProfileStringA("Network", key, fallback, value, sizeof value, run.iniPath.c_str());
  return value;
}
}  // namespace

std::string DatabaseConnectString(const TRun& run) {
  std::string driver = IniValue(run, "Driver Name", "SQL Server");
  if (driver.find("SQLite") != std::string::npos) {
    std::string folder = run.iniPath.substr(0, run.iniPath.find_last_of('\\') + 1);
    return "DRIVER={" + driver + "};Database=" + ServerPath(folder + run.database + ".db") + ";";
  }
  if (driver.find("PostgreSQL") != std::string::npos)
    return "DRIVER={" + driver + "};Server=" + IniValue(run, "Server Name", "localhost") + ";Port=" +
           IniValue(run, "Port", "5432") + ";Database=" + run.database + ";Uid=" + run.user + ";Pwd=" + run.password + ";";
  if (run.user.empty()) return "DRIVER={SQL Server};Trusted_Connection=yes;SERVER=(local)";
  return "DRIVER={SQL Server};Trusted_Connection=no;UID=" + run.user + ";PWD=" + run.password + ";SERVER=(local)";
}

std::string ServerPath(const std::string& path) {
  using TWineUnixName = char*(__cdecl*)(const WCHAR*);
  auto convert = reinterpret_cast<TWineUnixName>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
  if (!convert) return path;
  std::vector<WCHAR> wide(path.size() + 1);
  MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide.data(), static_cast<int>(wide.size()));
  char* unixName = convert(wide.data());
  if (!unixName) return path;
  std::string result = unixName;
  HeapFree(GetProcessHeap(), 0, unixName);
  return result;
}

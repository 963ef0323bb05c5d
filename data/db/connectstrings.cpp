// The connect strings of the [Network] settings, per ODBC driver (see connectstrings.h).
#include "data/db/connectstrings.h"

#include <windows.h>

#include <cctype>
#include <cstring>

namespace {

bool Contains(const std::string& text, const char* part) {
  std::string upper = text, upperPart = part;
  for (char& c : upper) c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
  for (char& c : upperPart) c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
  return upper.find(upperPart) != std::string::npos;
}

std::string ReadIni(const std::string& iniPath, const char* key, const std::string& fallback, int size) {
  std::vector<char> buffer(size);
  GetPrivateProfileStringA("Network", key, fallback.c_str(), buffer.data(), size, iniPath.c_str());
  return buffer.data();
}

// Characters that end a value or open a braced one.
bool HoldsSeparator(const std::string& value) { return value.find_first_of(";{}") != std::string::npos; }

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
  return text;
}

// The database name goes into statements unquoted: a plain name only.
bool IsPlainName(const std::string& name) {
  if (name.empty() || isdigit(static_cast<unsigned char>(name[0]))) return false;
  for (char c : name)
    if (!isalnum(static_cast<unsigned char>(c)) && c != '_') return false;
  return true;
}

std::string DriverAttribute(const std::string& driver) {
  std::string text = "DRIVER={";
  for (char c : driver) {
    text += c;
    if (c == '}') text += '}';
  }
  return text + "};";
}

bool IsAbsolutePath(const std::string& path) {
  return (path.size() >= 2 && path[1] == ':') || (!path.empty() && (path[0] == '\\' || path[0] == '/'));
}

std::string FullPath(const std::string& path) {
  char full[MAX_PATH * 2];
  DWORD length = GetFullPathNameA(path.c_str(), sizeof full, full, nullptr);
  return length > 0 && length < sizeof full ? std::string(full) : path;
}

void PlanSqlServer(const TNetworkSettings& s, TConnectPlan& plan) {
  if (!IsPlainName(s.database)) {
    plan.error = "The database name \"" + s.database + "\" is not a plain name of letters, digits and '_'.";
    return;
  }
  std::string connect = DriverAttribute(s.driver) + "SERVER=" + BracedConnectValue(s.server) + ";";
  if (s.trusted)
    connect += "Trusted_Connection=Yes;";
  else
    connect += "UID=" + BracedConnectValue(s.user) + ";PWD=" + BracedConnectValue(s.password) + ";";
  // Statements nested inside a store run while another statement's cursor is open.
  connect += "MARS_Connection=yes;";
  plan.serverConnect = connect;
  // Every connection switches to the database itself ("use").
  plan.databaseConnect = connect;
  plan.existsStatement = "use " + s.database;
  plan.createStatements = {"use master", "create database " + s.database};
}

void PlanPostgres(const TNetworkSettings& s, TConnectPlan& plan) {
  // "host", "host:port" or "host,port"; SQL Server's "(local)" is this machine.
  std::string host = s.server, port;
  size_t colon = host.find_last_of(":,");
  if (colon != std::string::npos && colon + 1 < host.size() &&
      host.find_first_not_of("0123456789", colon + 1) == std::string::npos) {
    port = host.substr(colon + 1);
    host.erase(colon);
  }
  if (host.empty() || host == "(local)") host = "localhost";
  // The driver reads braces only around the password.
  const struct {
    const char* what;
    const std::string& value;
  } unbraced[] = {{"server name", host}, {"user name", s.user}, {"database name", s.database}};
  for (const auto& value : unbraced) {
    if (HoldsSeparator(value.value)) {
      plan.error = std::string("The ") + value.what + " \"" + value.value +
                   "\" holds ';', '{' or '}', which the PostgreSQL driver cannot take.";
      return;
    }
  }
  if (!IsPlainName(s.database)) {
    plan.error = "The database name \"" + s.database + "\" is not a plain name of letters, digits and '_'.";
    return;
  }
  std::string server = DriverAttribute(s.driver) + "SERVER=" + host + ";";
  if (!port.empty()) server += "PORT=" + port + ";";
  // A trusted connection lets the server know the user by its own means.
  std::string login = s.trusted ? "" : "UID=" + s.user + ";PWD=" + BracedConnectValue(s.password) + ";";
  plan.serverConnect = server + "DATABASE=postgres;" + login;
  // The server folds the unquoted name of CREATE DATABASE to lower case.
  plan.databaseConnect = server + "DATABASE=" + Lower(s.database) + ";" + login;
  plan.createStatements = {"CREATE DATABASE " + s.database};
}

void PlanSQLite(const TNetworkSettings& s, const std::string& modelFolder, TConnectPlan& plan) {
  std::string file = s.database + ".db";
  if (!IsAbsolutePath(file)) {
    std::string folder = modelFolder.empty() ? "." : modelFolder;
    if (folder.back() != '\\' && folder.back() != '/') folder += '\\';
    file = folder + file;
  }
  plan.databaseFile = FullPath(file);
  std::string driverPath = DriverFilePath(plan.databaseFile);
  if (driverPath.empty()) {
    plan.error = "The database file \"" + plan.databaseFile + "\" cannot be named to the SQLite driver.";
    return;
  }
  // The SQLite driver reads no braces.
  if (HoldsSeparator(driverPath)) {
    plan.error = "The database file \"" + driverPath + "\" holds ';', '{' or '}', which the SQLite driver cannot take.";
    return;
  }
  // Large results step row by row, not loaded whole at execute. With the write-ahead log
  // a writer commits beside readers whose cursors are still open (a list window's), and a
  // writer meeting another writer waits a bounded time, then fails as busy.
  plan.createConnect = DriverAttribute(s.driver) + "Database=" + driverPath + ";StepAPI=1;JournalMode=WAL;Timeout=" +
                       std::to_string(LOCK_WAIT_MS) + ";";
  plan.databaseConnect = plan.createConnect + "NoCreat=1;";
}

void PlanDataSource(const TNetworkSettings& s, TConnectPlan& plan) {
  plan.serverConnect = "DSN=" + BracedConnectValue(s.dsn) + ";UID=" + BracedConnectValue(s.user) +
                       ";PWD=" + BracedConnectValue(s.password);
  plan.databaseConnect = plan.serverConnect;
}

}  // namespace

TDriverKind DriverKindOf(const std::string& driverName) {
  if (Contains(driverName, "SQLite")) return TDriverKind::SQLite;
  if (Contains(driverName, "PostgreSQL")) return TDriverKind::PostgreSQL;
  return TDriverKind::SqlServer;
}

TNetworkSettings ReadNetworkSettings(const std::string& iniPath, const std::string& modelName,
                                     const std::string& modelUser, const std::string& modelPassword) {
  TNetworkSettings s;
  const std::string userDefault = modelUser.empty() ? "sa" : modelUser;
  s.user = ReadIni(iniPath, "Username", userDefault, NETWORK_NAME_LIMIT + 1);
  if (s.user.empty()) s.user = "sa";
  s.password = ReadIni(iniPath, "Password", modelUser.empty() ? "" : modelPassword, NETWORK_NAME_LIMIT + 1);
  s.dsn = ReadIni(iniPath, "DSN", "", NETWORK_DATABASE_LIMIT + 1);
  s.driver = ReadIni(iniPath, "Driver Name", "SQL Server", NETWORK_NAME_LIMIT + 1);
  if (s.driver.empty()) s.driver = "SQL Server";
  s.server = ReadIni(iniPath, "Server Name", "(local)", NETWORK_NAME_LIMIT + 1);
  if (s.server.empty()) s.server = "(local)";
  s.database = ReadIni(iniPath, "Database", modelName, NETWORK_DATABASE_LIMIT + 1);
  if (s.database.empty()) s.database = modelName;
  std::string trusted = ReadIni(iniPath, "Trusted Connection", "Y", 10);
  s.trusted = !trusted.empty() && (trusted[0] == 'Y' || trusted[0] == 'y');
  return s;
}

bool SaveNetworkSettings(const std::string& iniPath, const TNetworkSettings& settings) {
  const char* file = iniPath.c_str();
  const char* user = settings.trusted ? "" : settings.user.c_str();
  const char* password = settings.trusted ? "" : settings.password.c_str();
  return WritePrivateProfileStringA("Network", "Server Name", settings.server.c_str(), file) &&
         WritePrivateProfileStringA("Network", "Trusted Connection", settings.trusted ? "Y" : "N", file) &&
         WritePrivateProfileStringA("Network", "Username", user, file) &&
         WritePrivateProfileStringA("Network", "Password", password, file);
}

TConnectPlan PlanConnection(const TNetworkSettings& settings, const std::string& modelFolder) {
  TConnectPlan plan;
  plan.kind = DriverKindOf(settings.driver);
  if (!settings.dsn.empty()) {
    PlanDataSource(settings, plan);
    return plan;
  }
  switch (plan.kind) {
    case TDriverKind::SQLite: PlanSQLite(settings, modelFolder, plan); break;
    case TDriverKind::PostgreSQL: PlanPostgres(settings, plan); break;
    default: PlanSqlServer(settings, plan); break;
  }
  if (!plan.error.empty()) {
    TConnectPlan failed;
    failed.kind = plan.kind;
    failed.error = plan.error;
    return failed;
  }
  return plan;
}

std::string BracedConnectValue(const std::string& value) {
  bool plain = !HoldsSeparator(value) && (value.empty() || (value.front() != ' ' && value.back() != ' '));
  if (plain) return value;
  std::string braced = "{";
  for (char c : value) {
    braced += c;
    if (c == '}') braced += '}';
  }
  return braced + "}";
}

std::string DriverFilePath(const std::string& windowsPath) {
  using TWineUnixName = char*(__cdecl*)(const WCHAR*);
  static const auto unixName = reinterpret_cast<TWineUnixName>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
  if (!unixName) return windowsPath;
  std::vector<WCHAR> wide(windowsPath.size() + 1);
  if (!MultiByteToWideChar(CP_ACP, 0, windowsPath.c_str(), -1, wide.data(), static_cast<int>(wide.size())))
    return "";
  if (char* converted = unixName(wide.data())) {
    std::string result = converted;
    HeapFree(GetProcessHeap(), 0, converted);
    return result;
  }
  // Wine converts only paths whose folder exists: the folder's path, then the name. A
  // Windows path handed to the native driver would name a file in its working folder.
  size_t slash = windowsPath.find_last_of("\\/");
  if (slash == std::string::npos || slash == 0) return "";
  std::string folder = DriverFilePath(windowsPath.substr(0, slash));
  return folder.empty() ? "" : folder + "/" + windowsPath.substr(slash + 1);
}

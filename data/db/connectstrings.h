// The connect strings of the application INI's [Network] settings, one form per ODBC driver.
//
// The driver name chooses the form before anything connects (the statement dialect is
// chosen later, from the DBMS name the connection reports):
// - SQL Server: DRIVER={driver};SERVER=...; with a trusted connection or UID/PWD, asking for
//   multiple active result sets; the database is switched to with "use", made with
//   "create database".
// - SQLite (a driver name holding "SQLite"): no server; the database is the file
//   [Network] Database + ".db", absolute against the model folder; connections step row by
//   row (StepAPI=1), keep a write-ahead log (JournalMode=WAL: readers never hold up a
//   writer), wait at most LOCK_WAIT_MS for another writer (Timeout) and never create the
//   file (NoCreat=1) except the one that makes it.
// - PostgreSQL (a driver name holding "PostgreSQL"): the server is proven on its
//   maintenance database "postgres"; the database is made with CREATE DATABASE.
// - A data source ([Network] DSN not empty): the data source names its database; there is
//   no server to prove apart from it and nothing to create.
// Values a user types (user name, password, server, database) are put between braces where
// the driver reads them so, or refused where it cannot, so that ';' or '}' in them never
// adds an attribute to the string.
//
// Needs only Win32 and the C++ library: other programs of the system compile it in.
#pragma once

#include <string>
#include <vector>

// How long a statement waits for a lock another connection holds before it fails as
// busy (milliseconds).
constexpr int LOCK_WAIT_MS = 3000;

enum class TDriverKind { SqlServer, SQLite, PostgreSQL };

// The kind of server an ODBC driver name reaches; SQL Server for a name not recognised.
TDriverKind DriverKindOf(const std::string& driverName);

// The [Network] section, read with its defaults.
struct TNetworkSettings {
  std::string user = "sa";
  std::string password;
  std::string dsn;
  std::string driver = "SQL Server";
  std::string server = "(local)";
  std::string database;
  bool trusted = true;
};

// Longest values the settings keep (characters): as the INI is read, so the dialog.
constexpr int NETWORK_NAME_LIMIT = 31;      // user, password, driver, server
constexpr int NETWORK_DATABASE_LIMIT = 63;  // data source, database

// Reads [Network] of the INI file. modelName is the database name when none is given;
// the model's default user (when not empty) replaces "sa", and only then its default
// password is the password's default. An empty Username reads as "sa".
TNetworkSettings ReadNetworkSettings(const std::string& iniPath, const std::string& modelName,
                                     const std::string& modelUser, const std::string& modelPassword);

// Writes what an interactive connect chose: "Server Name", "Trusted Connection" ("Y" or
// "N"), "Username" and "Password" (both empty with a trusted connection). False when the
// file cannot be written.
bool SaveNetworkSettings(const std::string& iniPath, const TNetworkSettings& settings);

// What connecting from the settings means for their driver.
struct TConnectPlan {
  TDriverKind kind = TDriverKind::SqlServer;
  // Not empty: a value cannot be given to this driver safely; nothing below is set.
  std::string error;
  // Proves the server; empty when there is no server to prove (SQLite).
  std::string serverConnect;
  // The connection every later operation makes again; it never creates the database.
  std::string databaseConnect;
  // Run on a server connection, it succeeds exactly when the database exists (SQL Server).
  // Empty: the database exists when databaseConnect connects.
  std::string existsStatement;
  // Connecting with it creates the database (SQLite); empty when statements create it.
  std::string createConnect;
  // Run in order on a server connection in autocommit; none with createConnect, and none
  // for a data source (which cannot be created).
  std::vector<std::string> createStatements;
  // SQLite: the Windows path of the database file.
  std::string databaseFile;

  bool CanCreate() const { return !createConnect.empty() || !createStatements.empty(); }
};

// The plan for the settings; modelFolder is the folder a relative SQLite database file
// lies in (the model's folder).
TConnectPlan PlanConnection(const TNetworkSettings& settings, const std::string& modelFolder);

// One attribute value of a connect string in the ODBC form: unchanged when it holds
// nothing a connect string reads specially, else between braces with '}' doubled.
std::string BracedConnectValue(const std::string& value);

// The path an ODBC driver takes for a Windows file path: under Wine the drivers are
// native libraries and take the Unix path (also of a file in a folder not made yet); on
// Windows the path itself. Empty when Wine cannot name it.
std::string DriverFilePath(const std::string& windowsPath);

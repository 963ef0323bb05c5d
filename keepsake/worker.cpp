// The worker of one backup or restore: its own ODBC environment and connection, the
// server's way of writing and reading the backup file, and the log of every step.
#include <windows.h>

#include <process.h>
#include <sql.h>
#include <sqlext.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "data/db/connectstrings.h"
#include "data/db/dialect.h"
#include "keepsake/keepsake.h"

namespace {

// SQL Server's own diagnostic fields.
constexpr SQLSMALLINT SS_DIAG_MSGSTATE = -1150;
constexpr SQLSMALLINT SS_DIAG_SEVERITY = -1151;
constexpr SQLSMALLINT SS_DIAG_SRVNAME = -1152;
constexpr SQLSMALLINT SS_DIAG_PROCNAME = -1153;
constexpr SQLSMALLINT SS_DIAG_LINE = -1154;
constexpr SQLSMALLINT SS_DIAG_ROWNUMBER = -1248;

// Logs every diagnostic record of a handle. verbose adds the numbers of each record:
// SQL Server's message number, severity and state where the server is SQL Server and
// its driver gives them, else the native error and SQLSTATE.
void LogOdbcDiagnostics(SQLSMALLINT handleType, SQLHANDLE handle, bool verbose, bool sqlServer) {
  for (SQLSMALLINT record = 1;; ++record) {
    SQLCHAR state[6] = "";
    SQLINTEGER nativeError = 0;
    SQLCHAR message[512] = "";
    SQLSMALLINT length = 0;
    SQLRETURN rc = SQLGetDiagRec(handleType, handle, record, state, &nativeError, message, sizeof message, &length);
    if (!SQL_SUCCEEDED(rc)) break;
    if (verbose) {
      SQLINTEGER severity = 0, messageState = 0, line = 0, rowNumber = 0;
      SQLCHAR procedure[129] = "", server[129] = "";
      SQLSMALLINT textLength = 0;
      bool serverFields =
          sqlServer &&
          SQL_SUCCEEDED(SQLGetDiagField(handleType, handle, record, SS_DIAG_SEVERITY, &severity, SQL_IS_INTEGER, nullptr)) &&
          SQL_SUCCEEDED(SQLGetDiagField(handleType, handle, record, SS_DIAG_MSGSTATE, &messageState, SQL_IS_INTEGER, nullptr));
      if (serverFields) {
        SQLGetDiagField(handleType, handle, record, SS_DIAG_ROWNUMBER, &rowNumber, SQL_IS_INTEGER, nullptr);
        SQLGetDiagField(handleType, handle, record, SS_DIAG_LINE, &line, SQL_IS_INTEGER, nullptr);
        SQLGetDiagField(handleType, handle, record, SS_DIAG_PROCNAME, procedure, sizeof procedure, &textLength);
        SQLGetDiagField(handleType, handle, record, SS_DIAG_SRVNAME, server, sizeof server, &textLength);
        LogMessage("Msg %d, SevLevel %d, State %d, SQLState %s", static_cast<int>(nativeError),
                   static_cast<int>(severity), static_cast<int>(messageState), state);
      } else {
        LogMessage("Msg %d, SQLState %s", static_cast<int>(nativeError), state);
      }
    }
    LogMessage("%s", message);
  }
}

// Handles that free themselves.
struct TEnvironment {
  SQLHENV handle = SQL_NULL_HENV;
  ~TEnvironment() {
    if (handle) SQLFreeHandle(SQL_HANDLE_ENV, handle);
  }
};
struct TConnection {
  SQLHDBC handle = SQL_NULL_HDBC;
  bool connected = false;
  bool sqlServer = false;
  ~TConnection() {
    if (connected) SQLDisconnect(handle);
    if (handle) SQLFreeHandle(SQL_HANDLE_DBC, handle);
  }
};
struct TStatement {
  SQLHSTMT handle = SQL_NULL_HSTMT;
  ~TStatement() {
    if (handle) SQLFreeHandle(SQL_HANDLE_STMT, handle);
  }
};

bool AllocateStatement(TConnection& connection, TStatement& statement) {
  if (SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_STMT, connection.handle, &statement.handle))) return true;
  statement.handle = SQL_NULL_HSTMT;
  LogMessage("Failed to get statement handle");
  LogOdbcDiagnostics(SQL_HANDLE_DBC, connection.handle, true, connection.sqlServer);
  return false;
}

// Runs one statement and every result it produces; the server's messages are logged.
bool Execute(TConnection& connection, const std::string& sql) {
  TStatement statement;
  if (!AllocateStatement(connection, statement)) return false;
  SQLRETURN rc = SQLExecDirect(statement.handle, (SQLCHAR*)sql.c_str(), SQL_NTS);
  for (;;) {
    if (rc == SQL_SUCCESS_WITH_INFO) {
      LogOdbcDiagnostics(SQL_HANDLE_STMT, statement.handle, true, connection.sqlServer);
      rc = SQL_SUCCESS;
    }
    if (rc == SQL_SUCCESS) {
      SQLSMALLINT columns = 0;
      if (SQL_SUCCEEDED(SQLNumResultCols(statement.handle, &columns)) && columns > 0)
        LogMessage("A result set with %d columns was produced", columns);
      rc = SQLMoreResults(statement.handle);
      continue;
    }
    if (rc == SQL_NO_DATA) {
      // Also a statement that changed no rows.
      return true;
    }
    if (rc == SQL_ERROR) {
      LogMessage("Error encountered");
      LogOdbcDiagnostics(SQL_HANDLE_STMT, statement.handle, true, connection.sqlServer);
      return false;
    }
    LogMessage("Unexpected SQLExec result %d", rc);
    return false;
  }
}

using TRow = std::vector<std::string>;

// Runs a query and reads all its rows as texts (NULL as ""); false after an error.
bool Query(TConnection& connection, const std::string& sql, std::vector<TRow>& rows) {
  rows.clear();
  TStatement statement;
  if (!AllocateStatement(connection, statement)) return false;
  SQLRETURN rc = SQLExecDirect(statement.handle, (SQLCHAR*)sql.c_str(), SQL_NTS);
  if (!SQL_SUCCEEDED(rc)) {
    LogMessage("Error encountered");
    LogOdbcDiagnostics(SQL_HANDLE_STMT, statement.handle, true, connection.sqlServer);
    return false;
  }
  SQLSMALLINT columns = 0;
  SQLNumResultCols(statement.handle, &columns);
  while ((rc = SQLFetch(statement.handle)) == SQL_SUCCESS || rc == SQL_SUCCESS_WITH_INFO) {
    TRow row;
    for (SQLUSMALLINT c = 1; c <= columns; ++c) {
      std::string value;
      char part[4096];
      SQLLEN indicator = 0;
      SQLRETURN got;
      while (SQL_SUCCEEDED(got = SQLGetData(statement.handle, c, SQL_C_CHAR, part, sizeof part, &indicator))) {
        if (indicator == SQL_NULL_DATA) break;
        value += part;
        if (got == SQL_SUCCESS) break;
      }
      row.push_back(value);
    }
    rows.push_back(row);
  }
  if (rc != SQL_NO_DATA) {
    LogMessage("Error encountered");
    LogOdbcDiagnostics(SQL_HANDLE_STMT, statement.handle, true, connection.sqlServer);
    return false;
  }
  return true;
}

// ---- SQL Server: the server writes and reads the file ----

// The backup file as the driver or the server on this machine names it; empty (logged)
// when it cannot be named.
std::string FilePathForServer(const std::string& path) {
  std::string named = DriverFilePath(path);
  if (named.empty()) LogMessage("The file %s cannot be named to the database server.", path.c_str());
  return named;
}

bool RunServerStatement(TConnection& connection, const TRun& run) {
  std::string sql = run.backup ? TSqlDialect::SqlServerBackup(run.database.c_str(), run.path.c_str())
                               : TSqlDialect::SqlServerRestore(run.database.c_str(), run.path.c_str());
  return Execute(connection, sql);
}

// ---- SQLite: a copy of the database file ----

bool SQLiteBackup(TConnection& connection, const TRun& run) {
  // Written beside the target and moved over it only when complete.
  const std::string part = run.path + ".part";
  const std::string partForDriver = FilePathForServer(part);
  if (partForDriver.empty()) return false;
  DeleteFileA(part.c_str());
  if (!Execute(connection, TSqlDialect::SQLiteVacuumInto(partForDriver.c_str()))) {
    DeleteFileA(part.c_str());
    return false;
  }
  if (!MoveFileExA(part.c_str(), run.path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    LogMessage("The backup could not replace the file %s (error %lu).", run.path.c_str(), GetLastError());
    DeleteFileA(part.c_str());
    return false;
  }
  return true;
}

// SQLite's file header: its first 100 bytes.
constexpr DWORD SQLITE_HEADER_SIZE = 100;
constexpr char SQLITE_HEADER_MAGIC[] = "SQLite format 3";

// A big-endian number of the header.
DWORD HeaderNumber(const unsigned char* header, int offset, int size) {
  DWORD value = 0;
  for (int i = 0; i < size; ++i) value = value << 8 | header[offset + i];
  return value;
}

// The file exists, begins as a SQLite database does (attaching a missing path would make
// an empty database there) and is as long as its header says: whole pages, as many as
// the header counts when that count is valid. A file cut short reads as zeros at its end.
bool LooksLikeSQLiteFile(const std::string& path) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    LogMessage("The backup file %s cannot be opened (error %lu).", path.c_str(), GetLastError());
    return false;
  }
  unsigned char header[SQLITE_HEADER_SIZE] = {};
  DWORD read = 0;
  LARGE_INTEGER size{};
  BOOL ok = ReadFile(file, header, sizeof header, &read, nullptr) && GetFileSizeEx(file, &size);
  CloseHandle(file);
  if (!ok || read != sizeof header || memcmp(header, SQLITE_HEADER_MAGIC, sizeof SQLITE_HEADER_MAGIC) != 0) {
    LogMessage("The file %s is not a database backup.", path.c_str());
    return false;
  }
  DWORD pageSize = HeaderNumber(header, 16, 2);
  if (pageSize == 1) pageSize = 65536;
  const DWORD pageCount = HeaderNumber(header, 28, 4);
  const bool countValid = pageCount != 0 && HeaderNumber(header, 24, 4) == HeaderNumber(header, 92, 4);
  const bool whole = pageSize >= 512 && size.QuadPart >= pageSize && size.QuadPart % pageSize == 0 &&
                     (!countValid || size.QuadPart == static_cast<LONGLONG>(pageCount) * pageSize);
  if (!whole) {
    LogMessage("The backup file %s is damaged: its length does not match its pages.", path.c_str());
    return false;
  }
  return true;
}

// Every schema text of the backup is one statement that makes the object it names: a
// restore runs them.
bool SchemaTextsAreSound(const std::vector<TRow>& objects) {
  for (const TRow& object : objects) {
    if (object[2].empty() || IsOneCreateStatement(object[2], object[0], object[1])) continue;
    LogMessage("The backup file is damaged: the definition of %s %s is not one statement that makes it.",
               object[0].c_str(), object[1].c_str());
    return false;
  }
  return true;
}

// The attached backup reads whole, every row and index entry included, holds tables and
// only definitions that make them.
bool BackupIsSound(TConnection& connection, const std::vector<TRow>& objects) {
  std::vector<TRow> rows;
  if (!Query(connection, std::string("PRAGMA ") + TSqlDialect::SQLiteBackupSchema() + ".integrity_check", rows)) {
    LogMessage("The backup file is damaged.");
    return false;
  }
  if (rows.empty() || rows[0].empty() || rows[0][0] != "ok") {
    LogMessage("The backup file is damaged:");
    for (const TRow& row : rows)
      if (!row.empty()) LogMessage("%s", row[0].c_str());
    return false;
  }
  if (!SchemaTextsAreSound(objects)) return false;
  for (const TRow& object : objects)
    if (object[0] == "table") return true;
  LogMessage("The backup file holds no tables.");
  return false;
}

bool IsType(const TRow& object, const char* type) { return object[0] == type; }

// A name for a table of the database while the backup's take its place: one that no
// object of the database or of the backup has.
std::string SetAsideName(const std::vector<TRow>& current, const std::vector<TRow>& backupObjects, int& serial) {
  for (;;) {
    std::string name = "keepsake_old_" + std::to_string(++serial);
    bool used = false;
    for (const auto* objects : {&current, &backupObjects})
      for (const TRow& object : *objects)
        if (_stricmp(object[1].c_str(), name.c_str()) == 0) used = true;
    if (!used) return name;
  }
}

// The database's views, triggers and own indexes go (their names are the backup's too);
// its tables stay, renamed out of the way, until the backup's are written.
bool SetAsideCurrentObjects(TConnection& connection, const std::vector<TRow>& current,
                            const std::vector<TRow>& backupObjects, std::vector<std::string>& setAside) {
  for (auto it = current.rbegin(); it != current.rend(); ++it) {
    if (IsType(*it, "table") || (*it)[2].empty()) continue;  // tables below; a constraint's index goes with its table
    if (!Execute(connection, TSqlDialect::SQLiteDrop((*it)[0].c_str(), (*it)[1].c_str()))) return false;
  }
  int serial = 0;
  for (const TRow& object : current) {
    if (!IsType(object, "table")) continue;
    setAside.push_back(SetAsideName(current, backupObjects, serial));
    if (!Execute(connection, TSqlDialect::SQLiteRenameTable(object[1].c_str(), setAside.back().c_str()))) return false;
  }
  return true;
}

// Runs the backup's statements that create objects of the given types (an index the
// server made for a constraint has none: it comes with its table).
bool CreateBackupObjects(TConnection& connection, const std::vector<TRow>& backupObjects,
                         std::initializer_list<const char*> types) {
  for (const TRow& object : backupObjects)
    for (const char* type : types)
      if (IsType(object, type) && !object[2].empty() && !Execute(connection, object[2])) return false;
  return true;
}

// Inside the restore's transaction: the database's objects go, the backup's come. The
// indexes are made before the rows, so each table's copy carries its indexes over in
// order instead of sorting them again; triggers come after the rows, which fire none.
bool ReplaceSchemaAndRows(TConnection& connection, const std::vector<TRow>& backupObjects) {
  std::vector<TRow> current;
  if (!Query(connection, TSqlDialect::SQLiteListObjects("main"), current)) return false;
  std::vector<std::string> setAside;
  if (!SetAsideCurrentObjects(connection, current, backupObjects, setAside)) return false;
  if (!CreateBackupObjects(connection, backupObjects, {"table", "index"})) return false;
  for (const TRow& object : backupObjects) {
    if (!IsType(object, "table")) continue;
    if (!Execute(connection, TSqlDialect::SQLiteCopyRows(object[1].c_str()))) return false;
    LogMessage("Restored table %s.", object[1].c_str());
  }
  for (const std::string& table : setAside)
    if (!Execute(connection, TSqlDialect::SQLiteDrop("table", table.c_str()))) return false;
  if (!CreateBackupObjects(connection, backupObjects, {"view", "trigger"})) return false;
  std::vector<TRow> counters;
  if (!Query(connection, TSqlDialect::SQLiteHasCounters(), counters)) return false;
  if (!counters.empty() && counters[0][0] != "0") {
    if (!Execute(connection, TSqlDialect::SQLiteClearCounters())) return false;
    if (!Execute(connection, TSqlDialect::SQLiteCopyCounters())) return false;
  }
  return true;
}

bool EndTransaction(TConnection& connection, bool commit) {
  SQLRETURN rc = SQLEndTran(SQL_HANDLE_DBC, connection.handle, commit ? SQL_COMMIT : SQL_ROLLBACK);
  if (!SQL_SUCCEEDED(rc)) {
    LogMessage(commit ? "The restore could not be committed." : "The restore could not be rolled back.");
    LogOdbcDiagnostics(SQL_HANDLE_DBC, connection.handle, true, connection.sqlServer);
    return false;
  }
  return true;
}

bool SQLiteRestore(TConnection& connection, const TRun& run) {
  if (!LooksLikeSQLiteFile(run.path)) return false;
  const std::string pathForDriver = FilePathForServer(run.path);
  if (pathForDriver.empty()) return false;
  if (!Execute(connection, TSqlDialect::SQLiteAttach(pathForDriver.c_str()))) return false;
  std::vector<TRow> backupObjects;
  bool ok = Query(connection, TSqlDialect::SQLiteListObjects(TSqlDialect::SQLiteBackupSchema()), backupObjects) &&
            BackupIsSound(connection, backupObjects);
  std::vector<TRow> foreignKeys;
  const bool checkedKeys = ok && Query(connection, "PRAGMA foreign_keys", foreignKeys) && !foreignKeys.empty() &&
                           foreignKeys[0][0] == "1";
  if (ok) {
    // Tables come back in the backup's order, not in that of their references.
    if (checkedKeys) Execute(connection, "PRAGMA foreign_keys = OFF");
    // Settings of this run's own connection, which ends with it (the second answers
    // with its new value).
    std::vector<TRow> setting;
    ok = Execute(connection, TSqlDialect::SQLiteRenameTableOnly()) &&
         Query(connection, TSqlDialect::SQLiteFreePagesAsTheyAre(), setting);
  }
  if (ok) {
    ok = SQL_SUCCEEDED(SQLSetConnectAttr(connection.handle, SQL_ATTR_AUTOCOMMIT, (SQLPOINTER)SQL_AUTOCOMMIT_OFF, 0));
    if (!ok) LogMessage("The restore could not start its transaction.");
  }
  if (ok) {
    ok = ReplaceSchemaAndRows(connection, backupObjects);
    ok = EndTransaction(connection, ok) && ok;
    SQLSetConnectAttr(connection.handle, SQL_ATTR_AUTOCOMMIT, (SQLPOINTER)SQL_AUTOCOMMIT_ON, 0);
  }
  if (checkedKeys) Execute(connection, "PRAGMA foreign_keys = ON");
  Execute(connection, TSqlDialect::SQLiteDetach());
  return ok;
}

// ---- PostgreSQL: the server's own dump and restore programs ----

bool PostgresRun(TConnection& connection, const TRun& run) {
  std::vector<TRow> name;
  if (!Query(connection, TSqlDialect::PostgresDatabaseName(), name) || name.empty()) return false;
  const std::string& database = name[0][0];
  const std::string path = FilePathForServer(run.path);
  if (path.empty()) return false;
  std::string command = run.backup ? TSqlDialect::PostgresBackupCommand(database.c_str(), path.c_str())
                                   : TSqlDialect::PostgresRestoreCommand(database.c_str(), path.c_str());
  if (!Execute(connection, TSqlDialect::PostgresProgramOutputTable())) return false;
  bool ran = Execute(connection, TSqlDialect::PostgresRunProgram(command));
  bool done = false;
  std::vector<TRow> output;
  if (ran && Query(connection, TSqlDialect::PostgresProgramOutput(), output)) {
    // What the program printed, logged in one piece.
    std::string printed;
    for (const TRow& line : output) {
      if (line[0] == TSqlDialect::PostgresSuccessMark())
        done = true;
      else
        printed += (printed.empty() ? "" : "\r\n") + line[0];
    }
    if (!printed.empty()) LogLines(printed);
  }
  Execute(connection, TSqlDialect::PostgresDropProgramOutput());
  return done;
}

bool Connect(TEnvironment& environment, TConnection& connection, const TRun& run) {
  if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_DBC, environment.handle, &connection.handle))) {
    connection.handle = SQL_NULL_HDBC;
    LogMessage("AllocHandle on DBC failed.");
    return false;
  }
  std::string connectString, error;
  if (!DatabaseConnectString(run, connectString, error)) {
    LogMessage("Connect fails");
    LogMessage("msg=%s", error.c_str());
    return false;
  }
  SQLCHAR completed[1024];
  SQLSMALLINT length = 0;
  SQLRETURN rc = SQLDriverConnect(connection.handle, nullptr, (SQLCHAR*)connectString.c_str(), SQL_NTS, completed,
                                  sizeof completed, &length, SQL_DRIVER_NOPROMPT);
  if (!SQL_SUCCEEDED(rc)) {
    LogMessage("Connect fails");
    SQLCHAR state[6] = "", message[512] = "";
    SQLINTEGER nativeError = 0;
    SQLSMALLINT messageLength = 0;
    if (SQL_SUCCEEDED(SQLGetDiagRec(SQL_HANDLE_DBC, connection.handle, 1, state, &nativeError, message,
                                    sizeof message, &messageLength)))
      LogMessage("msg=%s", message);
    return false;
  }
  connection.connected = true;
  return true;
}

const TSqlDialect& DialectOf(TConnection& connection) {
  char dbms[64] = "";
  SQLSMALLINT length = 0;
  SQLGetInfo(connection.handle, SQL_DBMS_NAME, dbms, sizeof dbms, &length);
  return TSqlDialect::ForDbmsName(dbms);
}

bool RunBackupOrRestore(const TRun& run) {
  if (NamesDevice(run.path)) {
    LogMessage("The backup file %s names a device, not a file.", run.path.c_str());
    return false;
  }
  TEnvironment environment;
  if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &environment.handle))) {
    environment.handle = SQL_NULL_HENV;
    LogMessage("AllocHandle on ENV failed.");
    return false;
  }
  SQLSetEnvAttr(environment.handle, SQL_ATTR_ODBC_VERSION, (SQLPOINTER)SQL_OV_ODBC3, 0);
  TConnection connection;
  if (!Connect(environment, connection, run)) return false;
  const TSqlDialect& dialect = DialectOf(connection);
  connection.sqlServer = dialect.Kind() == TSqlDialect::SqlServer;
  switch (dialect.BackupMethod()) {
    case TSqlDialect::BackupByFileCopy: return run.backup ? SQLiteBackup(connection, run) : SQLiteRestore(connection, run);
    case TSqlDialect::BackupByServerProgram: return PostgresRun(connection, run);
    default: return RunServerStatement(connection, run);
  }
}

unsigned __stdcall BackupRestoreThread(void* argument) {
  std::unique_ptr<TRun> run(static_cast<TRun*>(argument));
  const bool ok = RunBackupOrRestore(*run);
  // Exactly one outcome line ends every run.
  if (run->backup)
    LogMessage(ok ? "Backup completed." : "Backup failed.");
  else
    LogMessage(ok ? "Restore completed." : "Restore failed.");
  PostMessageA(run->dialog, WM_KEEPSAKE_RUN_ENDED, ok ? 1 : 0, 0);
  return ok ? 1 : 0;
}

}  // namespace

bool StartBackupRestoreThread(TRun* run) {
  uintptr_t thread = _beginthreadex(nullptr, 0, BackupRestoreThread, run, 0, nullptr);
  if (thread == 0) {
    LogMessage("Failed to create thread. errno is %d", errno);
    delete run;
    return false;
  }
  CloseHandle(reinterpret_cast<HANDLE>(thread));
  return true;
}

// The statement forms of SQL Server, SQLite and PostgreSQL where they differ.
#include "data/db/dialect.h"


#include <cstdio>
#include <cstring>

#include "data/db/connectstrings.h"

const TSqlDialect& TSqlDialect::Of(TKind kind) {
  static const TSqlDialect sqlServer(SqlServer), sqlite(SQLite), postgres(PostgreSQL);
  switch (kind) {
    case SQLite: return sqlite;
    case PostgreSQL: return postgres;
    default: return sqlServer;
  }
}

const TSqlDialect& TSqlDialect::ForDbmsName(const char* dbmsName) {
  if (dbmsName && _strnicmp(dbmsName, "SQLite", 6) == 0) return Of(SQLite);
  if (dbmsName && _strnicmp(dbmsName, "PostgreSQL", 10) == 0) return Of(PostgreSQL);
  return Of(SqlServer);
}

const char* TSqlDialect::Name() const {
  switch (kind_) {
    case SQLite: return "SQLite";
    case PostgreSQL: return "PostgreSQL";
    default: return "SQL Server";
  }
}

bool TSqlDialect::DatabaseSwitch(char* buffer, size_t size, const char* database) const {
  if (kind_ != SqlServer) return false;
  snprintf(buffer, size, "USE %s", database);
  return true;
}

void TSqlDialect::RowLockClause(char* buffer, size_t size, const char* column) const {
  switch (kind_) {
    // SQLite locks the whole database on the first write; PostgreSQL names tables, not
    // columns, after OF, and a single-table SELECT locks its rows without it.
    case SQLite: snprintf(buffer, size, "%s", ""); break;
    case PostgreSQL: snprintf(buffer, size, "%s", " FOR UPDATE"); break;
    default: snprintf(buffer, size, " FOR UPDATE OF %s", column); break;
  }
}

void TSqlDialect::AggregateRowLockClause(char* buffer, size_t size, const char* column) const {
  // PostgreSQL: "FOR UPDATE is not allowed with aggregate functions".
  if (kind_ == PostgreSQL)
    snprintf(buffer, size, "%s", "");
  else
    RowLockClause(buffer, size, column);
}

const char* TSqlDialect::FirstRowSelect() const { return kind_ == SqlServer ? "SELECT TOP 1 " : "SELECT "; }

const char* TSqlDialect::SessionSetup() const {
  // A lock another connection holds is waited for a bounded time, as SQLite's Timeout.
  static const std::string postgres =
      "SET client_encoding TO 'WIN1252'; SET lock_timeout = " + std::to_string(LOCK_WAIT_MS);
  return kind_ == PostgreSQL ? postgres.c_str() : nullptr;
}

const char* TSqlDialect::FirstRowLimit() const { return kind_ == SqlServer ? "" : " LIMIT 1"; }

void TSqlDialect::SequenceLock(char* buffer, size_t size, const char* quotedTable) const {
  switch (kind_) {
    // A write as the first statement takes SQLite's one write lock (waiting while busy).
    case SQLite:
      snprintf(buffer, size, "UPDATE SEQNUM SET NEXTID=NEXTID WHERE TABLENAME='%s'", quotedTable);
      break;
    // Conflicts with itself and with every writer, not with plain readers.
    // A transaction lock named after the sequence: only takers of the same numbers wait.
    case PostgreSQL: snprintf(buffer, size, "SELECT pg_advisory_xact_lock(hashtext('%s'))", quotedTable); break;
    // The update lock on the sequence's row, or on the gap where it will be inserted.
    default:
      snprintf(buffer, size, "SELECT NEXTID FROM SEQNUM WITH (UPDLOCK, HOLDLOCK, ROWLOCK) WHERE TABLENAME='%s'",
               quotedTable);
      break;
  }
}

// ---- Backup and restore ----

TSqlDialect::TBackupMethod TSqlDialect::BackupMethod() const {
  switch (kind_) {
    case SQLite: return BackupByFileCopy;
    case PostgreSQL: return BackupByServerProgram;
    default: return BackupByStatement;
  }
}

namespace {
std::string Enclosed(const char* text, char open, char close) {
  std::string result(1, open);
  for (const char* c = text; *c; ++c) {
    if (*c == close) result += close;
    result += *c;
  }
  result += close;
  return result;
}

// A PostgreSQL escape-string literal: its meaning does not depend on the server's
// standard_conforming_strings setting.
std::string EscapeStringLiteral(const std::string& text) {
  std::string result = "E'";
  for (char c : text) {
    if (c == '\'' || c == '\\') result += c;
    result += c;
  }
  return result + "'";
}
}  // namespace

std::string TSqlDialect::BracketName(const char* name) { return Enclosed(name, '[', ']'); }

std::string TSqlDialect::QuotedName(const char* name) { return Enclosed(name, '"', '"'); }

std::string TSqlDialect::StringLiteral(const char* text) { return Enclosed(text, '\'', '\''); }

std::string TSqlDialect::ShellWord(const char* text) {
  std::string result = "'";
  for (const char* c = text; *c; ++c) {
    if (*c == '\'')
      result += "'\\''";
    else
      result += *c;
  }
  return result + "'";
}

std::string TSqlDialect::SqlServerBackup(const char* database, const char* path) {
  return "BACKUP DATABASE " + BracketName(database) + " TO DISK=" + StringLiteral(path) + " WITH INIT";
}

std::string TSqlDialect::SqlServerRestore(const char* database, const char* path) {
  return "USE master RESTORE DATABASE " + BracketName(database) + " FROM DISK=" + StringLiteral(path);
}

std::string TSqlDialect::SQLiteVacuumInto(const char* path) { return "VACUUM INTO " + StringLiteral(path); }

std::string TSqlDialect::SQLiteAttach(const char* path) {
  return "ATTACH DATABASE " + StringLiteral(path) + " AS " + SQLiteBackupSchema();
}

std::string TSqlDialect::SQLiteDetach() { return std::string("DETACH DATABASE ") + SQLiteBackupSchema(); }

std::string TSqlDialect::SQLiteListObjects(const char* schema) {
  return std::string("SELECT type, name, sql FROM ") + schema +
         ".sqlite_master WHERE name NOT LIKE 'sqlite!_%' ESCAPE '!' "
         "ORDER BY CASE type WHEN 'table' THEN 0 WHEN 'index' THEN 1 WHEN 'view' THEN 2 ELSE 3 END, rowid";
}

std::string TSqlDialect::SQLiteDrop(const char* type, const char* name) {
  const char* what = strcmp(type, "view") == 0 ? "VIEW" : strcmp(type, "trigger") == 0 ? "TRIGGER"
                     : strcmp(type, "index") == 0 ? "INDEX" : "TABLE";
  return std::string("DROP ") + what + " IF EXISTS main." + QuotedName(name);
}

std::string TSqlDialect::SQLiteRenameTable(const char* table, const char* newName) {
  return "ALTER TABLE main." + QuotedName(table) + " RENAME TO " + QuotedName(newName);
}

std::string TSqlDialect::SQLiteCopyRows(const char* table) {
  return "INSERT INTO main." + QuotedName(table) + " SELECT * FROM " + SQLiteBackupSchema() + "." +
         QuotedName(table);
}

std::string TSqlDialect::SQLiteHasCounters() {
  return std::string("SELECT COUNT(*) FROM ") + SQLiteBackupSchema() +
         ".sqlite_master WHERE name = 'sqlite_sequence'";
}

std::string TSqlDialect::SQLiteCopyCounters() {
  return std::string("INSERT INTO main.sqlite_sequence SELECT * FROM ") + SQLiteBackupSchema() +
         ".sqlite_sequence";
}

namespace {
// The server's own programs: those beside the running server binary when it can be
// found, else the ones on the server's search path. They reach the server at the socket
// folder and port its postmaster.pid names (the programs start in the data folder).
std::string ServerProgramPrologue(const char* database) {
  return "P=$(dirname \"$(readlink /proc/$PPID/exe 2>/dev/null)\")/; [ -x \"${P}pg_dump\" ] || P=; "
         "H=$(sed -n 5p postmaster.pid); [ -n \"$H\" ] || H=localhost; "
         "export PGHOST=\"$H\" PGPORT=$(sed -n 4p postmaster.pid) PGDATABASE=" + TSqlDialect::ShellWord(database) + "; ";
}

// Run in the restore's transaction before the dump: leaves the database with nothing
// but an empty public schema, owned as a new database's is.
const char DROP_ALL_SCHEMAS[] =
    "DO $$DECLARE s name; BEGIN "
    "FOR s IN SELECT nspname FROM pg_namespace WHERE nspname <> 'information_schema' "
    "AND nspname NOT LIKE 'pg!_%' ESCAPE '!' LOOP "
    "EXECUTE format('DROP SCHEMA %I CASCADE', s); END LOOP; "
    "IF EXISTS (SELECT FROM pg_roles WHERE rolname = 'pg_database_owner') THEN "
    "CREATE SCHEMA public AUTHORIZATION pg_database_owner; ELSE CREATE SCHEMA public; END IF; "
    "GRANT USAGE ON SCHEMA public TO PUBLIC; END$$;";
}  // namespace

std::string TSqlDialect::PostgresBackupCommand(const char* database, const char* path) {
  std::string target = ShellWord(path);
  std::string part = ShellWord((std::string(path) + ".part").c_str());
  return "{ " + ServerProgramPrologue(database) + "rm -f " + part + "; \"${P}pg_dump\" -Fc -f " +
         part + " && mv -f " + part + " " + target + " && echo " + ShellWord(PostgresSuccessMark()) +
         " || rm -f " + part + "; } 2>&1; true";
}

std::string TSqlDialect::PostgresRestoreCommand(const char* database, const char* path) {
  // Without COMMIT (a dump that could not be read whole) psql rolls back at its end.
  // The log shows what pg_restore did, not the notices of the drops.
  return "{ " + ServerProgramPrologue(database) + "{ printf '%s\\n' 'BEGIN;' " +
         ShellWord(DROP_ALL_SCHEMAS) + "; \"${P}pg_restore\" -v -f - " + ShellWord(path) +
         " && printf '%s\\n' 'COMMIT;' " + ShellWord((std::string("\\echo ") + PostgresSuccessMark()).c_str()) +
         "; } | PGOPTIONS='-c client_min_messages=warning' \"${P}psql\" -X -q -o /dev/null -v ON_ERROR_STOP=1; } 2>&1; true";
}

std::string TSqlDialect::PostgresRunProgram(const std::string& command) {
  // CSV with separator and quote characters no program prints: every line is one value.
  return "COPY keepsake_output (line) FROM PROGRAM " + EscapeStringLiteral(command) +
         " WITH (FORMAT csv, DELIMITER E'\\x1f', QUOTE E'\\x1e')";
}

bool TSqlDialect::IsBusyDiagnostic(const char* message) {
  if (!message) return false;
  static const char* const busy[] = {"database is locked", "database is busy", "database table is locked",
                                     "lock timeout", "Lock request time out"};
  for (const char* text : busy)
    if (strstr(message, text)) return true;
  return false;
}

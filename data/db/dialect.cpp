#include "data/db/dialect.h"

#include <cstdio>
#include <cstring>

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
  return kind_ == PostgreSQL ? "SET client_encoding TO 'WIN1252'" : nullptr;
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

void TSqlDialect::EscapeLikeText(char* buffer, size_t size, const char* text) const {
  if (size == 0) return;
  // SQL Server's LIKE also takes "[...]" as a set of characters.
  const char* wildcards = kind_ == SqlServer ? "%_[!" : "%_!";
  size_t n = 0;
  for (const char* c = text; *c; ++c) {
    bool escape = std::strchr(wildcards, *c) != nullptr;
    if (n + (escape ? 2 : 1) >= size) break;
    if (escape) buffer[n++] = '!';
    buffer[n++] = *c;
  }
  buffer[n] = '\0';
}

// The few statements that differ between the database servers. The program's statements
// are SQL Server's; SQLite and PostgreSQL get their own forms here and nowhere else.
// Chosen once per connection from the server's DBMS name.
#pragma once

#include <cstddef>
#include <string>

class TSqlDialect {
public:
  enum TKind { SqlServer, SQLite, PostgreSQL };

  // The dialect of a DBMS name as SQLGetInfo(SQL_DBMS_NAME) reports it; SQL Server's for
  // any name not recognised.
  static const TSqlDialect& ForDbmsName(const char* dbmsName);
  static const TSqlDialect& Of(TKind kind);

  TKind Kind() const { return kind_; }
  const char* Name() const;

  // The statement that makes the named database current on a connection ("USE name"),
  // written into buffer; false when the server names the database in the connection
  // string and there is nothing to switch.
  bool DatabaseSwitch(char* buffer, size_t size, const char* database) const;

  // The clause appended to a SELECT that reads a row before changing it, so the row
  // stays locked until the transaction ends; "" where the server locks otherwise.
  // column is the column about to be changed.
  void RowLockClause(char* buffer, size_t size, const char* column) const;

  // The row-lock clause of a SELECT that computes an aggregate over the rows it reads:
  // "" where the server refuses row locks beside aggregates (PostgreSQL).
  void AggregateRowLockClause(char* buffer, size_t size, const char* column) const;

  // A SELECT that wants only its first row: FirstRowSelect() in place of "SELECT ", and
  // FirstRowLimit() after the ORDER BY (before a row-lock clause).
  const char* FirstRowSelect() const;
  const char* FirstRowLimit() const;

  // The operator that matches a text against a pattern of '%' and '_' regardless of
  // letter case, as SQL Server's LIKE does under its usual collation: LIKE, or ILIKE
  // where LIKE minds the case (PostgreSQL). SQLite's LIKE ignores the case of ASCII letters.
  const char* TextPatternMatch() const { return kind_ == PostgreSQL ? "ILIKE" : "LIKE"; }

  // First statement of a sequence transaction: it takes the lock that keeps every
  // other taker of the same table's numbers waiting until this one commits (also when
  // the table's row does not exist yet), and nobody else. quotedTable is already
  // doubled for a literal.
  // (SQLite has one write lock for the whole file: there the lock is that one.)
  void SequenceLock(char* buffer, size_t size, const char* quotedTable) const;

  // Whether the server ends a transaction at its first failed statement and answers the
  // commit after it with a silent rollback (PostgreSQL): a commit is then checked by a
  // statement first.
  bool AbortsTransactionOnError() const { return kind_ == PostgreSQL; }
  // Closing the cursor of a statement executed without parameters leaves the server's
  // statement stepped into its rows, and with it the connection's read transaction
  // (SQLite's driver): only freeing the handle ends it.
  bool CloseKeepsUnboundReadOpen() const { return kind_ == SQLite; }

  // The statement run once on every new connection that tells the server the program
  // speaks the Windows ANSI code page (1252); null where the server keeps the bytes it
  // is given.
  const char* SessionSetup() const;

  // Backup of the whole database into one file, and its restore. Each server has its own
  // way; every text that names the database or the file quotes it for that server.
  enum TBackupMethod {
    // SQL Server writes and reads the backup file itself (BACKUP / RESTORE DATABASE).
    BackupByStatement,
    // SQLite: VACUUM INTO a temporary file beside the target, moved over it; a restore
    // copies the schema and rows of the attached file on one connection and transaction.
    BackupByFileCopy,
    // PostgreSQL: the server runs its own dump and restore programs (COPY ... PROGRAM).
    BackupByServerProgram,
  };
  TBackupMethod BackupMethod() const;

  // SQL Server's statements. The backup replaces the sets the file held before, so a
  // restore from the file always brings back the latest backup.
  static std::string SqlServerBackup(const char* database, const char* path);
  static std::string SqlServerRestore(const char* database, const char* path);

  // SQLite's statements; path is the file as the driver's own file system names it.
  static std::string SQLiteVacuumInto(const char* path);
  static std::string SQLiteAttach(const char* path);
  // The schema name the backup file is attached as.
  static const char* SQLiteBackupSchema() { return "keepsake_backup"; }
  static std::string SQLiteDetach();
  // The objects of a schema ("main" or the backup) as rows of type, name and SQL text,
  // tables first, without SQLite's own tables; indexes the server made have no text.
  static std::string SQLiteListObjects(const char* schema);
  static std::string SQLiteDrop(const char* type, const char* name);
  // A restore writes the backup's tables beside the database's own, renamed out of the
  // way, and drops those last: the new pages are free or past the end of the file when the
  // transaction starts, so they need no copy in the rollback journal.
  static std::string SQLiteRenameTable(const char* table, const char* newName);
  // A rename that touches only the table itself (the views and triggers that name it are
  // gone already, and references of other tables go with them).
  static const char* SQLiteRenameTableOnly() { return "PRAGMA legacy_alter_table = ON"; }
  // Freed pages go to the free list as they are instead of being zeroed one by one
  // (each a journal copy and a write); the restore fills them again.
  static const char* SQLiteFreePagesAsTheyAre() { return "PRAGMA main.secure_delete = FAST"; }
  static std::string SQLiteCopyRows(const char* table);
  // Whether the backup holds an AUTOINCREMENT counter table, and the copy of its rows.
  static std::string SQLiteHasCounters();
  static const char* SQLiteClearCounters() { return "DELETE FROM main.sqlite_sequence"; }
  static std::string SQLiteCopyCounters();

  // PostgreSQL: the shell commands the server runs, and the statement that runs one.
  // path is on the server's disk; the programs reach the server where it listens, as
  // its own data folder says.
  // The dump goes to a temporary file beside the target and is moved over it only
  // when complete, so a failed backup keeps the earlier one. The restore replays the
  // dump in one transaction after dropping every schema of the database, and commits
  // only when the whole file was read: a table made after the backup is gone, and a
  // failed restore changes nothing. Each ends by printing PostgresSuccessMark().
  static std::string PostgresBackupCommand(const char* database, const char* path);
  static std::string PostgresRestoreCommand(const char* database, const char* path);
  static const char* PostgresSuccessMark() { return "keepsake: done"; }
  // The statements that run a command on the server and keep each line it prints
  // (its errors included) in the temporary table read by PostgresProgramOutput().
  static const char* PostgresProgramOutputTable() {
    return "CREATE TEMPORARY TABLE keepsake_output (n SERIAL, line TEXT)";
  }
  static std::string PostgresRunProgram(const std::string& command);
  static const char* PostgresProgramOutput() { return "SELECT line FROM keepsake_output ORDER BY n"; }
  static const char* PostgresDropProgramOutput() { return "DROP TABLE keepsake_output"; }
  static const char* PostgresDatabaseName() { return "SELECT current_database()"; }

  // Quoting: a name in SQL Server brackets, SQLite and PostgreSQL double quotes; a text
  // as a string literal; a text as one word of a POSIX shell command.
  static std::string BracketName(const char* name);
  static std::string QuotedName(const char* name);
  static std::string StringLiteral(const char* text);
  static std::string ShellWord(const char* text);

  // Whether a driver's diagnostic says that a lock another connection holds outlasted
  // the bounded wait (SQLite "database is locked" or "busy", PostgreSQL's lock time-out,
  // SQL Server's lock request time-out).
  static bool IsBusyDiagnostic(const char* message);

private:
  explicit constexpr TSqlDialect(TKind kind) : kind_(kind) {}
  TKind kind_;
};

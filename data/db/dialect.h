// The few statements that differ between the database servers. The program's statements
// are SQL Server's; SQLite and PostgreSQL get their own forms here and nowhere else.
// Chosen once per connection from the server's DBMS name.
#pragma once

#include <cstddef>

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

  // First statement of a sequence transaction: it takes the lock that keeps every
  // other taker of the same table's numbers waiting until this one commits (also when
  // the table's row does not exist yet), and nobody else. quotedTable is already
  // doubled for a literal.
  // (SQLite has one write lock for the whole file: there the lock is that one.)
  void SequenceLock(char* buffer, size_t size, const char* quotedTable) const;

  // The statement run once on every new connection that tells the server the program
  // speaks the Windows ANSI code page (1252); null where the server keeps the bytes it
  // is given.
  const char* SessionSetup() const;

  // The condition that matches a column against a bound LIKE pattern whose literal
  // characters were escaped by EscapeLikeText.
  static const char* LikeCondition() { return " LIKE ? ESCAPE '!'"; }
  // The text with '!' before every character that is a wildcard of this server's LIKE
  // (and before '!' itself), so the pattern matches the text as it is written.
  void EscapeLikeText(char* buffer, size_t size, const char* text) const;

private:
  explicit constexpr TSqlDialect(TKind kind) : kind_(kind) {}
  TKind kind_;
};

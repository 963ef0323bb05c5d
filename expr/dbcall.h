// What the database functions of the expression language share: one run on a connection
// of its own, the key columns that link a record to a related entity, and the kind of
// value an attribute's column gives.
#pragma once

#include <memory>
#include <string>
#include <vector>

struct TAttribute;
struct TEntity;
struct TRelationship;
class TDBRecord;
class TOdbcConnection;
class TOdbcStatement;
class TSqlDialect;
class TValue;

// One statement on one connection, both deleted with the object.
class TDbCall {
public:
  TDbCall();
  ~TDbCall();
  TDbCall(const TDbCall&) = delete;
  TDbCall& operator=(const TDbCall&) = delete;

  // False when the database cannot be reached (the reason is in Diagnostic()).
  bool Connected() const;
  // The forms of the server reached (SQL Server's when none was).
  const TSqlDialect& Dialect() const;
  TOdbcStatement& Statement() { return *statement_; }
  // The diagnostic of the last failure: the statement's, or the connection's.
  std::string Diagnostic() const;
  // Runs the text directly; false on failure.
  bool Run(const std::string& sql);
  // True when a first row came (the cursor stays open for reading).
  bool Fetch();
  void CloseCursor();
  // Column i (0-based) of the current row as text (at most 8191 characters; "" for NULL).
  std::string Column(int column);

private:
  std::unique_ptr<TOdbcConnection> connection_;
  std::unique_ptr<TOdbcStatement> statement_;
};

// One key column of the link between a record and a related entity: the column of the
// related entity and the position of the record's attribute that gives its value.
struct TLinkColumn {
  const TAttribute* column;
  int valuePosition;
};

// The key columns linking a record of the entity to the relationship's with-entity: the
// with-entity's attributes that the entity's foreign keys of this relationship point to;
// or, when the with-entity holds the foreign keys (the relationship's foreign entity),
// its attributes whose foreign relationship is the reverse, valued from the record's
// attributes they point to.
std::vector<TLinkColumn> LinkColumns(const TEntity* entity, const TRelationship* relationship);
// The record's current values of the link (all empty without a record).
std::vector<std::string> LinkValues(TDBRecord* record, const std::vector<TLinkColumn>& link);
bool AllEmpty(const std::vector<std::string>& values);
// "a=? AND b=?" over the link's columns.
std::string LinkConditions(const std::vector<TLinkColumn>& link);
// Prepares the text, binds the values with the link columns' types and executes it.
bool RunWithKeys(TDbCall& call, const std::string& sql, const std::vector<TLinkColumn>& link,
                 const std::vector<std::string>& values);

// The names of the entity's stored attributes, separated by ",".
std::string StoredColumns(const TEntity* entity);
// Fills the stored attributes of the record from the current row, in column order.
void FillRecord(TDBRecord& record, const TEntity* entity, TDbCall& call);
// The row-lock clause for the column when the record locks rows ("" otherwise); the
// aggregate form for SELECTs that compute an aggregate.
std::string RowLock(TDBRecord* record, const TDbCall& call, const char* column, bool aggregate);

// What the column of an attribute gives: a long (integral types and decimals without
// scale), a double (real types and decimals with scale) or a text.
enum TColumnValue { ColumnText, ColumnLong, ColumnDouble };
TColumnValue ColumnValueOf(const TAttribute* attribute);
// 0, 0.0 or the empty text by the kind.
void SetStartValue(TColumnValue kind, TValue& value);
// The text converted to the kind.
void SetColumnValue(TColumnValue kind, const std::string& text, TValue& value);

// Pieces of the statements the record classes generate: column lists, key conditions,
// the row lock, key parameters and the reading of a row into the fields.
#pragma once

#include <string>
#include <vector>

#include "data/db/record.h"

class TOdbcStatement;

// The names of the entity's attributes that pick accepts, joined by separator.
std::string JoinColumns(const TEntity& entity, bool (*pick)(const TAttribute&), const char* separator);
inline std::string KeyColumns(const TEntity& entity) { return JoinColumns(entity, IsKeyAttribute, ","); }
// "k1=? AND k2=?" over the key attributes.
std::string KeyConditions(const TEntity& entity);
// columns "=?" joined by " AND ".
std::string EqualConditions(const std::string& commaColumns);
// The server's clause that keeps the rows read locked until the transaction ends.
void AppendRowLock(std::string& sql, const TOdbcStatement& statement, const std::string& columns);
// sql as it is, or, when lockRows is set, a copy in room with the row lock over the
// columns that pick accepts.
const std::string& WithRowLock(const std::string& sql, bool lockRows, const TOdbcStatement& statement,
                               const TEntity& entity, bool (*pick)(const TAttribute&), std::string& room);

// The stored value where the field has one, else its new value: the key the row had.
const char* OldValue(const TDBFieldValue& field);
// Binds an attribute's value at position with the attribute's type.
void BindValue(TOdbcStatement& statement, int position, const TAttribute& attribute, const char* text);
// Binds the key fields from position on (current or old values); returns the next position.
int BindKey(TOdbcStatement& statement, TDBRecord& record, int position, bool oldValues);

// Reads the stored columns of the fetched row, in attribute order, as stored values.
// Dates are cut to "YYYY-MM-DD" when cutDates is set. False when a column cannot be
// read (the statement holds the reason; the fields are then left as they were).
bool ReadStoredColumns(TOdbcStatement& statement, TDBRecord& record, bool cutDates);
// Reads the row with the record's current key back into its stored values, so they are
// what the database holds after a write (column defaults, rounding). False on failure.
bool ReadBackStoredRow(TOdbcStatement& statement, TDBRecord& record);
// Whether a column read from the database still holds the stored value, read the same
// way: numbers compare by value, texts without trailing blanks, dates and timestamps
// to the second.
bool SameColumnValue(const TAttribute& attribute, const char* stored, const char* read);

// The texts of the statements a record sends, built once from its entity. The texts of
// an insert and an update depend on which fields are empty; each is built again only
// when that changes.
class TRecordTexts {
public:
  explicit TRecordTexts(const TEntity& entity) : entity_(entity) {}
  // "SELECT k1,k2 FROM t WHERE k1=? AND k2=?": whether the key exists.
  const std::string& KeyLookup();
  // "SELECT a, b FROM t WHERE ...": the row by key as Read has it.
  const std::string& ReadByKey();
  // "SELECT a,b FROM t WHERE ...": the stored columns of the row by key.
  const std::string& StoredRow();
  // "INSERT INTO t (a,b) VALUES (?,?)" over the stored fields with a value; filled gets
  // their positions, in the order of their parameters.
  const std::string& Insert(TDBRecord& record, const std::vector<int>*& filled);
  // "UPDATE t SET a=?,b=null WHERE k=?": an empty field is written as null; filled gets
  // the positions of the others, in the order of their parameters.
  const std::string& Update(TDBRecord& record, const std::vector<int>*& filled);

private:
  // Puts the positions of the stored fields with a value into filled; true when they
  // are what they were (the text built for them still holds).
  bool Refill(TDBRecord& record, std::vector<int>& filled, bool& built);
  // " WHERE k1=? AND k2=?"
  void AppendKeyConditions(std::string& sql) const;

  const TEntity& entity_;
  std::string keyLookup_, readByKey_, storedRow_, insert_, update_;
  std::vector<int> insertFilled_, updateFilled_, scratch_;
  bool insertBuilt_ = false, updateBuilt_ = false;
};

// 101 with the attribute's name, or its position in digits.
void ReportUnknownAttribute(TDBRecord& record, TAttrRef attribute);

// Runs a function when the scope ends.
template <typename F>
class TAtExit {
public:
  explicit TAtExit(F f) : f_(f) {}
  ~TAtExit() { f_(); }
  TAtExit(const TAtExit&) = delete;
  TAtExit& operator=(const TAtExit&) = delete;

private:
  F f_;
};

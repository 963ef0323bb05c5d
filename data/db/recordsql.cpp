// Column lists, key conditions, row locks, key parameters and rows read into fields.
#include "data/db/recordsql.h"

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "data/core/strings.h"
#include "data/db/dialect.h"
#include "data/db/odbcstatement.h"
#include "data/model/model.h"

std::string JoinColumns(const TEntity& entity, bool (*pick)(const TAttribute&), const char* separator) {
  std::string list;
  for (int i = 0; i < entity.AttributeCount; ++i) {
    const TAttribute& attribute = entity.Attributes[i];
    if (!pick(attribute)) continue;
    if (!list.empty()) list += separator;
    list += attribute.Name;
  }
  return list;
}

std::string EqualConditions(const std::string& commaColumns) {
  std::string conditions;
  size_t start = 0;
  while (start <= commaColumns.size()) {
    size_t end = commaColumns.find(',', start);
    if (end == std::string::npos) end = commaColumns.size();
    if (!conditions.empty()) conditions += " AND ";
    conditions += commaColumns.substr(start, end - start) + "=?";
    start = end + 1;
  }
  return conditions;
}

std::string KeyConditions(const TEntity& entity) { return EqualConditions(KeyColumns(entity)); }

void AppendRowLock(std::string& sql, const TOdbcStatement& statement, const std::string& columns) {
  TTempString clause;
  statement.GetConnection()->Dialect().RowLockClause(clause, TEMP_STRING_SIZE, columns.c_str());
  sql += clause.get();
}

void TRecordTexts::AppendKeyConditions(std::string& sql) const {
  sql += " WHERE ";
  bool first = true;
  for (int i = 0; i < entity_.AttributeCount; ++i) {
    if (!IsKeyAttribute(entity_.Attributes[i])) continue;
    if (!first) sql += " AND ";
    first = false;
    sql += entity_.Attributes[i].Name;
    sql += "=?";
  }
}

const std::string& TRecordTexts::KeyLookup() {
  if (keyLookup_.empty()) {
    keyLookup_ = "SELECT " + KeyColumns(entity_) + " FROM " + entity_.Name;
    AppendKeyConditions(keyLookup_);
  }
  return keyLookup_;
}

const std::string& TRecordTexts::ReadByKey() {
  if (readByKey_.empty()) {
    readByKey_ = "SELECT " + JoinColumns(entity_, IsStoredAttribute, ", ") + " FROM " + entity_.Name;
    AppendKeyConditions(readByKey_);
  }
  return readByKey_;
}

const std::string& TRecordTexts::StoredRow() {
  if (storedRow_.empty()) {
    storedRow_ = "SELECT " + JoinColumns(entity_, IsStoredAttribute, ",") + " FROM " + entity_.Name;
    AppendKeyConditions(storedRow_);
  }
  return storedRow_;
}

bool TRecordTexts::Refill(TDBRecord& record, std::vector<int>& filled, bool& built) {
  scratch_.clear();
  for (int i = 0; i < entity_.AttributeCount; ++i)
    if (IsStoredAttribute(entity_.Attributes[i]) && *record.Field(i).CurrentValue()) scratch_.push_back(i);
  if (built && scratch_ == filled) return true;
  filled.swap(scratch_);
  built = true;
  return false;
}

const std::string& TRecordTexts::Insert(TDBRecord& record, const std::vector<int>*& filled) {
  filled = &insertFilled_;
  if (Refill(record, insertFilled_, insertBuilt_)) return insert_;
  std::string marks;
  insert_ = "INSERT INTO ";
  insert_ += entity_.Name;
  insert_ += " (";
  for (int i : insertFilled_) {
    if (!marks.empty()) {
      insert_ += ",";
      marks += ",";
    }
    insert_ += entity_.Attributes[i].Name;
    marks += "?";
  }
  insert_ += ") VALUES (" + marks + ")";
  return insert_;
}

const std::string& TRecordTexts::Update(TDBRecord& record, const std::vector<int>*& filled) {
  filled = &updateFilled_;
  if (Refill(record, updateFilled_, updateBuilt_)) return update_;
  update_ = "UPDATE ";
  update_ += entity_.Name;
  update_ += " SET ";
  bool first = true;
  for (int i = 0; i < entity_.AttributeCount; ++i) {
    const TAttribute& attribute = entity_.Attributes[i];
    if (!IsStoredAttribute(attribute)) continue;
    if (!first) update_ += ",";
    first = false;
    update_ += attribute.Name;
    update_ += *record.Field(i).CurrentValue() ? "=?" : "=null";
  }
  AppendKeyConditions(update_);
  return update_;
}

const std::string& WithRowLock(const std::string& sql, bool lockRows, const TOdbcStatement& statement,
                               const TEntity& entity, bool (*pick)(const TAttribute&), std::string& room) {
  if (!lockRows) return sql;
  room = sql;
  AppendRowLock(room, statement, JoinColumns(entity, pick, ","));
  return room;
}

const char* OldValue(const TDBFieldValue& field) {
  return (field.Flags() & TDBFieldValue::HasValue) ? field.Value() : field.NewValue();
}

void BindValue(TOdbcStatement& statement, int position, const TAttribute& attribute, const char* text) {
  statement.BindParameter(position, attribute.SqlType, attribute.ColumnSize, attribute.DecimalDigits, text);
}

int BindKey(TOdbcStatement& statement, TDBRecord& record, int position, bool oldValues) {
  const TEntity& entity = *record.GetEntity();
  for (int i = 0; i < entity.AttributeCount; ++i) {
    if (!IsKeyAttribute(entity.Attributes[i])) continue;
    const TDBFieldValue& field = record.Field(i);
    BindValue(statement, position++, entity.Attributes[i], oldValues ? OldValue(field) : field.CurrentValue());
  }
  return position;
}

bool ReadStoredColumns(TOdbcStatement& statement, TDBRecord& record, bool cutDates) {
  const TEntity& entity = *record.GetEntity();
  // The texts of a row are read one after the other into this buffer, each column with
  // the room of a temporary string; it keeps its room from row to row, so a list's walk
  // allocates nothing for them.
  static std::vector<char> row;
  size_t used = 0;
  int column = 0;
  for (int i = 0; i < entity.AttributeCount; ++i) {
    const TAttribute& attribute = entity.Attributes[i];
    if (!IsStoredAttribute(attribute)) continue;
    if (row.size() < used + TEMP_STRING_SIZE) row.resize(used + TEMP_STRING_SIZE);
    char* text = row.data() + used;
    statement.GetData(column++, text, TEMP_STRING_SIZE);
    if (!statement.IsSuccess()) return false;
    size_t length = strlen(text);
    if (cutDates && attribute.SqlType == SQL_DATE && length > 10) text[length = 10] = '\0';
    used += length + 1;
  }
  record.SetStoredValues(row.data(), used);
  return true;
}

bool ReadBackStoredRow(TOdbcStatement& statement, TDBRecord& record) {
  statement.CloseCursor();
  statement.ResetParameters();
  if (!SQL_SUCCEEDED(statement.Prepare(record.Texts().StoredRow().c_str()))) return false;
  BindKey(statement, record, 0, false);
  if (!SQL_SUCCEEDED(statement.Execute()) || !SQL_SUCCEEDED(statement.Fetch())) return false;
  const bool read = ReadStoredColumns(statement, record, false);
  statement.CloseCursor();
  return read;
}

namespace {

bool IsNumberType(int sqlType) {
  switch (sqlType) {
    case SQL_NUMERIC: case SQL_DECIMAL: case SQL_INTEGER: case SQL_SMALLINT: case SQL_FLOAT:
    case SQL_REAL: case SQL_DOUBLE: case SQL_TINYINT: case SQL_BIT:
      return true;
    default:
      return false;
  }
}

// Length of text without its trailing blanks.
size_t TrimmedLength(const char* text) {
  size_t n = strlen(text);
  while (n > 0 && text[n - 1] == ' ') --n;
  return n;
}

}  // namespace

bool SameColumnValue(const TAttribute& attribute, const char* stored, const char* read) {
  if (IsNumberType(attribute.SqlType) && *stored && *read) {
    char* end1 = nullptr;
    char* end2 = nullptr;
    double a = strtod(stored, &end1);
    double b = strtod(read, &end2);
    if (!*end1 && !*end2) return a == b;
  }
  size_t a = TrimmedLength(stored);
  size_t b = TrimmedLength(read);
  size_t limit = attribute.SqlType == SQL_DATE ? 10 : attribute.SqlType == SQL_TIMESTAMP ? 19 : 0;
  if (limit) {
    if (a > limit) a = limit;
    if (b > limit) b = limit;
  }
  return a == b && memcmp(stored, read, a) == 0;
}

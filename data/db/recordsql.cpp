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
  // The texts of a row wait here until every column is read; the strings keep their
  // room from row to row, so a list's walk allocates nothing for them.
  static std::vector<std::string> texts;
  if (texts.size() < size_t(entity.AttributeCount)) texts.resize(entity.AttributeCount);
  TTempString text;
  int column = 0;
  for (int i = 0; i < entity.AttributeCount; ++i) {
    const TAttribute& attribute = entity.Attributes[i];
    if (!IsStoredAttribute(attribute)) continue;
    statement.GetData(column, text, TEMP_STRING_SIZE);
    if (!statement.IsSuccess()) return false;
    if (cutDates && attribute.SqlType == SQL_DATE && strlen(text) > 10) text[10] = '\0';
    texts[column++].assign(text);
  }
  record.SetStoredValues(texts.data());
  return true;
}

bool ReadBackStoredRow(TOdbcStatement& statement, TDBRecord& record) {
  const TEntity& entity = *record.GetEntity();
  std::string sql = "SELECT " + JoinColumns(entity, IsStoredAttribute, ",") + " FROM " + entity.Name +
                    " WHERE " + KeyConditions(entity);
  statement.CloseCursor();
  statement.ResetParameters();
  if (!SQL_SUCCEEDED(statement.Prepare(sql.c_str()))) return false;
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

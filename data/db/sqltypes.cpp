// SQL type texts of the model, order-by clauses and the display widths of fields.
#include "data/db/sqltypes.h"

#include "data/core/strings.h"
#include "data/model/model.h"

#include <windows.h>
#include <sqlext.h>

#include <cstdlib>
#include <cstring>
#include <initializer_list>

namespace {
struct TSqlTypeName {
  const char* name;  // a name ending in '(' matches that prefix and carries size and scale
  int type;
  int size;
};

const TSqlTypeName sqlTypeNames[] = {
    {"BIT", SQL_BIT, 1},
    {"CHAR(", SQL_CHAR, 0},
    {"DATE", SQL_DATE, 10},  // ODBC 2 codes, as the model stores them
    {"DECIMAL(", SQL_DECIMAL, 0},
    {"DOUBLE PRECISION", SQL_DOUBLE, 15},
    {"FLOAT", SQL_FLOAT, 15},
    {"INTEGER", SQL_INTEGER, 10},
    {"NUMERIC(", SQL_NUMERIC, 0},
    {"REAL", SQL_REAL, 7},
    {"SMALLINT", SQL_SMALLINT, 5},
    {"TIME", SQL_TIME, 8},
    {"TIMESTAMP", SQL_TIMESTAMP, 19},
    {"TINYINT", SQL_TINYINT, 3},
    {"VARCHAR(", SQL_VARCHAR, 0},
};
}  // namespace

bool ParseSqlType(const char* text, int* sqlType, int* columnSize, int* decimalDigits) {
  for (const TSqlTypeName& entry : sqlTypeNames) {
    size_t n = std::strlen(entry.name);
    bool sized = entry.name[n - 1] == '(';
    if (sized ? _strnicmp(text, entry.name, n) != 0 : _stricmp(text, entry.name) != 0) continue;
    *sqlType = entry.type;
    if (sized) {
      const char* open = std::strchr(text, '(');
      const char* comma = std::strchr(text, ',');
      *columnSize = open ? std::atoi(open + 1) : 0;
      *decimalDigits = comma ? std::atoi(comma + 1) : 0;
    } else {
      *columnSize = entry.size;
      *decimalDigits = 0;
    }
    return true;
  }
  return false;
}

const char* FindOrderBy(const char* statement) {
  for (const char* keyword : {"ORDER BY", "order by", "Order By"}) {
    const char* found = std::strstr(statement, keyword);
    if (found) return found;
  }
  return EmptyString;
}

const char* OrderByColumns(const char* statement) {
  const char* found = FindOrderBy(statement);
  if (!*found) return EmptyString;
  return std::strlen(found) >= 9 ? found + 9 : EmptyString;
}

int FieldDisplayWidth(const TAttribute* attribute) {
  if (attribute->CodeList && attribute->SqlType != SQL_VARCHAR && attribute->SqlType != SQL_CHAR) {
    int widest = 0;
    for (int i = 0; i < attribute->CodeList->ItemCount; ++i) {
      int n = static_cast<int>(std::strlen(attribute->CodeList->Items[i].Key));
      if (n > widest) widest = n;
    }
    return widest;
  }
  // A model that gives no width shows (and matches) the whole column.
  return attribute->DisplayWidth > 0 ? attribute->DisplayWidth : attribute->ColumnSize;
}

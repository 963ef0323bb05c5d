// Shown texts of record values in lists and in the files written from them.
#include "forms/celltext.h"

#include <windows.h>

#include <sql.h>
#include <sqlext.h>

#include <cstdlib>
#include <cstring>

#include "data/core/datetime.h"
#include "data/db/record.h"
#include "data/model/model.h"

bool IsNoShowColumn(const TAttribute& attribute) { return _stricmp(attribute.Flags, "noshow") == 0; }

std::string ListCellText(TDBRecord& record, const TAttribute& attribute) {
  const std::string value = record.GetValue(attribute.Name);
  const int type = attribute.SqlType;
  const bool textType = type == SQL_CHAR || type == SQL_VARCHAR;
  if (attribute.CodeList && !textType) {
    if (value.empty()) return value;
    const long n = std::strtol(value.c_str(), nullptr, 10);
    if (n >= 0 && n < attribute.CodeList->ItemCount) return attribute.CodeList->Items[n].Key;
    return value;
  }
  switch (type) {
    case SQL_BIT:
      if (value.empty()) return value;
      return std::atof(value.c_str()) != 0 ? "Y" : "N";
    case SQL_DATE:
    case SQL_TYPE_DATE:
      return DateToDisplay(value.c_str(), "", &attribute);
    case SQL_TIME:
    case SQL_TYPE_TIME:
      return TimeToDisplay(value.c_str(), "", &attribute);
    case SQL_TIMESTAMP:
    case SQL_TYPE_TIMESTAMP:
      return TimestampToDisplay(value.c_str(), "", &attribute);
  }
  if (_stricmp(attribute.Flags, "@PASSWORD") == 0) return std::string(value.size(), '*');
  return value;
}

// SQL type texts of the model, order-by clauses and field display widths.
#pragma once

struct TAttribute;

// Decodes a model type text such as "VARCHAR(40)" or "decimal(10,2)"; false for an
// unknown type (outputs unchanged).
bool ParseSqlType(const char* text, int* sqlType, int* columnSize, int* decimalDigits);

// The first "ORDER BY", else "order by", else "Order By" in a statement, else EmptyString.
const char* FindOrderBy(const char* statement);
// The columns after the order-by keyword, or EmptyString.
const char* OrderByColumns(const char* statement);

// Width of a field in characters: for a code list on a non-text column the longest key,
// else the model's display width, or the column's size when the model gives none.
int FieldDisplayWidth(const TAttribute* attribute);

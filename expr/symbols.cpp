// The symbol table of the expression language: operators and built-in functions.
#include "expr/symbols.h"

#include <windows.h>

#include <cstring>

const TSymbolEntry ExpressionSymbols[ExpressionSymbolCount] = {
    {"atom", -1, -1}, {"NULL", -1, -1}, {"OR", -1, -1}, {"AND", -1, -1}, {"NOT", -1, -1},
    {"=", -1, -1}, {"<>", -1, -1}, {">", -1, -1}, {">=", -1, -1}, {"<=", -1, -1},
    {"<", -1, -1}, {"LIKE", -1, -1}, {"NOT LIKE", -1, -1}, {"IS NULL", -1, -1},
    {"IS NOT NULL", -1, -1}, {"IN", -1, -1}, {"NOT IN", -1, -1}, {"BETWEEN", -1, -1},
    {"NOT BETWEEN", -1, -1}, {"||", -1, -1}, {"+", -1, -1}, {"-", -1, -1}, {"*", -1, -1},
    {"/", -1, -1}, {"\\", -1, -1}, {"MOD", -1, -1}, {"+", -1, -1}, {"-", -1, -1},
    {":", -1, -1},
    // functions
    {"AVG", 1, 1}, {"COUNT", 1, 1}, {"MAX", 1, 1}, {"MIN", 1, 1}, {"SUM", 1, 1},
    {"ASCII", 1, 1}, {"CHAR", 1, 1}, {"CONCAT", 2, -1}, {"INSERT", 4, 4}, {"LEFT", 2, 2},
    {"LTRIM", 1, 1}, {"LENGTH", 1, 1}, {"LOCATE", 2, 3}, {"LCASE", 1, 1}, {"REPEAT", 2, 2},
    {"REPLACE", 3, 3}, {"RIGHT", 2, 2}, {"RTRIM", 1, 1}, {"SUBSTRING", 3, 3}, {"UCASE", 1, 1},
    {"ABS", 1, 1}, {"ACOS", 1, 1}, {"ASIN", 1, 1}, {"ATAN", 1, 1}, {"ATAN2", 2, 2},
    {"CEILING", 1, 1}, {"COS", 1, 1}, {"COT", 1, 1}, {"EXP", 1, 1}, {"FLOOR", 1, 1},
    {"LOG", 1, 1}, {"MOD", 2, 2}, {"PI", 0, 0}, {"RAND", 0, 1}, {"SIGN", 1, 1},
    {"SIN", 1, 1}, {"SQRT", 1, 1}, {"TAN", 1, 1}, {"NOW", 0, 0}, {"CURDATE", 0, 0},
    {"DAYOFMONTH", 1, 1}, {"DAYOFWEEK", 1, 1}, {"DAYOFYEAR", 1, 1}, {"MONTH", 1, 1},
    {"QUARTER", 1, 1}, {"WEEK", 1, 1}, {"YEAR", 1, 1}, {"CURTIME", 0, 0}, {"HOUR", 1, 1},
    {"MINUTE", 1, 1}, {"SECOND", 1, 1}, {"USER", 0, 0}, {"DATABASE", 0, 0},
    {"IFNULL", 2, 2}, {"IF", 3, 3}, {"CONVERT", 2, 2}, {"VAL", 1, 1}, {"STR", 1, 1},
    {"INT", 1, 1}, {"REAL", 1, 1}, {"COMPAREDATES", 2, 2}, {"NEXTSEQUENCE", 0, 2},
    {"DISPLAYERROR", 1, 1}, {"GETLOGINNAME", 0, 0}, {"GETLOGINID", 0, 0}, {"SENDMAIL", 4, 4},
    {"GETCHILDFIELD", 1, 3}, {"GETPARTIALSUM", 1, 2}, {"FORMATSTRING", 1, 4}, {"POW", 2, 2},
    {"GETCURRENTFIELD", 1, 3}, {"ADDTODATE", 4, 4}, {"GETCURRENTCOUNT", 1, 1},
    {"GETCURRENTSUM", 1, 2}, {"GETPARTIALCOUNT", 1, 2}, {"EXECUTE", 1, 6}, {"QUERY", 1, 1},
    {"MESSAGEBEEP", 1, 1},
};

int FindFunctionKind(const char* name) {
  for (int kind = KindFirstFunction; kind <= KindLastFunction; ++kind)
    if (_stricmp(ExpressionSymbols[kind].name, name) == 0) return kind;
  return -1;
}

bool IsRelationshipFunction(int kind) {
  return (kind >= KindAvg && kind <= KindSum) || kind == KindGetChildField ||
         kind == KindGetPartialSum || kind == KindGetPartialCount;
}

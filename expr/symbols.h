// The symbol table of the expression language: operators (rows 0 to 28) and built-in
// functions (rows 29 to 106). A row's index is the kind stored in expression nodes.
#pragma once

struct TSymbolEntry {
  const char* name;
  int minArgs;  // -1 for operators
  int maxArgs;  // -1: no limit (and for operators)
};

constexpr int ExpressionSymbolCount = 107;
extern const TSymbolEntry ExpressionSymbols[ExpressionSymbolCount];

// Kinds the parser, the name resolution and the evaluator refer to by name.
enum TExprKind : int {
  KindAtom = 0, KindNull = 1, KindOr = 2, KindAnd = 3, KindNot = 4,
  KindEqual = 5, KindNotEqual = 6, KindGreater = 7, KindGreaterEqual = 8, KindLessEqual = 9,
  KindLess = 10, KindLike = 11, KindNotLike = 12, KindIsNull = 13, KindIsNotNull = 14,
  KindIn = 15, KindNotIn = 16, KindBetween = 17, KindNotBetween = 18, KindConcat = 19,
  KindPlus = 20, KindMinus = 21, KindTimes = 22, KindDivide = 23, KindIntDivide = 24,
  KindMod = 25, KindUnaryPlus = 26, KindUnaryMinus = 27, KindNavigate = 28,
  KindFirstFunction = 29,
  KindAvg = 29, KindCount = 30, KindMax = 31, KindMin = 32, KindSum = 33,
  KindAscii = 34, KindChar = 35, KindConcatFunction = 36, KindInsert = 37, KindLeft = 38,
  KindLtrim = 39, KindLength = 40, KindLocate = 41, KindLcase = 42, KindRepeat = 43,
  KindReplace = 44, KindRight = 45, KindRtrim = 46, KindSubstring = 47, KindUcase = 48,
  KindAbs = 49, KindAcos = 50, KindAsin = 51, KindAtan = 52, KindAtan2 = 53, KindCeiling = 54,
  KindCos = 55, KindCot = 56, KindExp = 57, KindFloor = 58, KindLog = 59, KindModFunction = 60,
  KindPi = 61, KindRand = 62, KindSign = 63, KindSin = 64, KindSqrt = 65, KindTan = 66,
  KindNow = 67, KindCurdate = 68, KindDayOfMonth = 69, KindDayOfWeek = 70, KindDayOfYear = 71,
  KindMonth = 72, KindQuarter = 73, KindWeek = 74, KindYear = 75, KindCurtime = 76,
  KindHour = 77, KindMinute = 78, KindSecond = 79, KindUser = 80, KindDatabase = 81,
  KindIfNull = 82, KindIf = 83, KindConvert = 84, KindVal = 85, KindStr = 86, KindInt = 87,
  KindReal = 88, KindCompareDates = 89, KindNextSequence = 90, KindDisplayError = 91,
  KindGetLoginName = 92, KindGetLoginId = 93, KindSendMail = 94, KindGetChildField = 95,
  KindGetPartialSum = 96, KindFormatString = 97, KindPow = 98, KindGetCurrentField = 99,
  KindAddToDate = 100, KindGetCurrentCount = 101, KindGetCurrentSum = 102,
  KindGetPartialCount = 103, KindExecute = 104, KindQuery = 105, KindMessageBeep = 106,
  KindLastFunction = 106,
};

// The function row of a name (any case of letters), or -1.
int FindFunctionKind(const char* name);

// True for the functions whose first argument is relationship:attribute over a to-many
// relationship (AVG, COUNT, MAX, MIN, SUM, GETCHILDFIELD, GETPARTIALSUM, GETPARTIALCOUNT).
bool IsRelationshipFunction(int kind);

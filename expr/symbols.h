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
  KindConvert = 84, KindGetChildField = 95, KindGetPartialSum = 96, KindGetPartialCount = 103,
  KindLastFunction = 106,
};

// The function row of a name (any case of letters), or -1.
int FindFunctionKind(const char* name);

// True for the functions whose first argument is relationship:attribute over a to-many
// relationship (AVG, COUNT, MAX, MIN, SUM, GETCHILDFIELD, GETPARTIALSUM, GETPARTIALCOUNT).
bool IsRelationshipFunction(int kind);

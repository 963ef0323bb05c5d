// What the evaluator's files share: argument access, the comparison rule, error
// reports and the bound on texts that functions build.
#pragma once

#include "expr/errors.h"
#include "expr/exprnode.h"

#include <string>

class TDBRecord;
class TExpression;
class TValue;

// Texts built by functions and operators hold at most this many characters (one
// pool buffer with its NUL).
constexpr size_t MaxResultText = 8191;

// The argument at index (0-based) of a call, or null when there are fewer.
const TExprNode* Argument(const TExprNode* call, int index);
// Evaluates the first count arguments of the call in order into values; stops with 0 at
// the first that fails (or is missing).
int EvaluateArguments(TExpression& expression, TDBRecord* record, const TExprNode* call,
                      TValue* values, int count);

// The text, cut to MaxResultText characters, becomes the result.
void SetResultText(TValue& result, const std::string& text);

// Sets the expression error of the code with the detail and returns 0.
int FailWith(TExpressionError code, const char* detail);

// Double if either is a double, else long if either is a long, else the texts byte by
// byte: negative, 0 or positive. Converts the operands in place.
int CompareValues(TValue& left, TValue& right);

// A text with a '.' becomes a double, any other text a long; numbers stay as they are.
void ConvertTextToNumber(TValue& value);

// a MOD b on longs: false (nothing stored) for a divisor below 1.
bool ModLongs(long a, long b, long* remainder);

// The function groups, each switching on the call's kind.
int EvalStringFunction(TExpression& expression, TDBRecord* record, const TExprNode* call,
                       TValue& result);
int EvalNumericFunction(TExpression& expression, TDBRecord* record, const TExprNode* call,
                        TValue& result);
int EvalDateFunction(TExpression& expression, TDBRecord* record, const TExprNode* call,
                     TValue& result);
int EvalOtherFunction(TExpression& expression, TDBRecord* record, const TExprNode* call,
                      TValue& result);

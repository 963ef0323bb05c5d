// Evaluating a compiled tree for one record: leaves, logic, comparisons and arithmetic;
// the functions are in the functions_*.cpp files and dbfunctions.cpp.
#include "data/core/datetime.h"
#include "data/core/strings.h"
#include "data/db/record.h"
#include "data/model/model.h"
#include "expr/errors.h"
#include "expr/evalsupport.h"
#include "expr/expression.h"
#include "expr/symbols.h"
#include "expr/value.h"

#include <cstring>
#include <string>

namespace {

// 32-bit arithmetic that wraps on overflow, as the machine does, without undefined behaviour.
long Wrap(unsigned long value) { return long(value); }
long AddLongs(long a, long b) { return Wrap((unsigned long)a + (unsigned long)b); }
long SubtractLongs(long a, long b) { return Wrap((unsigned long)a - (unsigned long)b); }
long MultiplyLongs(long a, long b) { return Wrap((unsigned long)a * (unsigned long)b); }
long NegateLong(long a) { return Wrap(0UL - (unsigned long)a); }

bool IsTrue(TValue& value) { return value.AsLong() != 0; }

int Arithmetic(int kind, TValue& left, TValue& right, TValue& result) {
  const bool asLong = left.GetType() == ValueLong || right.GetType() == ValueLong;
  switch (kind) {
    case KindPlus:
    case KindMinus:
    case KindTimes:
      if (asLong) {
        long a = left.AsLong(), b = right.AsLong();
        result.SetLong(kind == KindPlus ? AddLongs(a, b)
                                        : kind == KindMinus ? SubtractLongs(a, b) : MultiplyLongs(a, b));
      } else {
        double a = left.AsDouble(), b = right.AsDouble();
        result.SetDouble(kind == KindPlus ? a + b : kind == KindMinus ? a - b : a * b);
      }
      return 1;
    case KindDivide:
      if (asLong) {
        long a = left.AsLong(), b = right.AsLong();
        if (b == 0) return FailWith(ExprDivideByZero, "");
        result.SetDouble(double(a) / double(b));
      } else {
        double a = left.AsDouble(), b = right.AsDouble();
        if (b == 0.0) return FailWith(ExprDivideByZero, "");
        result.SetDouble(a / b);
      }
      return 1;
    case KindIntDivide: {
      long a = left.AsLong(), b = right.AsLong();
      if (b == 0) return FailWith(ExprDivideByZero, "");
      result.SetLong(b == -1 ? NegateLong(a) : a / b);  // the one quotient that overflows wraps
      return 1;
    }
    case KindMod: {
      long remainder = 0;
      if (!ModLongs(left.AsLong(), right.AsLong(), &remainder)) return FailWith(ExprIllegalCall, "MOD");
      result.SetLong(remainder);
      return 1;
    }
  }
  return 0;
}

}  // namespace

// ---- shared helpers -------------------------------------------------------------------

const TExprNode* Argument(const TExprNode* call, int index) {
  const TExprNode* argument = call->Second.Operand;
  for (int i = 0; argument && i < index; ++i) argument = argument->Next;
  return argument;
}

int EvaluateArguments(TExpression& expression, TDBRecord* record, const TExprNode* call,
                      TValue* values, int count) {
  const TExprNode* argument = call->Second.Operand;
  for (int i = 0; i < count; ++i, argument = argument->Next) {
    if (!argument || !expression.EvaluateNode(record, argument, values[i])) return 0;
  }
  return 1;
}

void SetResultText(TValue& result, const std::string& text) {
  if (text.size() <= MaxResultText)
    result.SetString(text.c_str());
  else
    result.SetString(text.substr(0, MaxResultText).c_str());
}

int FailWith(TExpressionError code, const char* detail) {
  ExpressionErrorState.SetErrorFromTable(code, ExpressionErrors, detail);
  return 0;
}

int CompareValues(TValue& left, TValue& right) {
  if (left.GetType() == ValueDouble || right.GetType() == ValueDouble) {
    double a = left.AsDouble(), b = right.AsDouble();
    return a < b ? -1 : a > b ? 1 : 0;
  }
  if (left.GetType() == ValueLong || right.GetType() == ValueLong) {
    long a = left.AsLong(), b = right.AsLong();
    return a < b ? -1 : a > b ? 1 : 0;
  }
  return std::strcmp(left.AsString(), right.AsString());
}

bool ModLongs(long a, long b, long* remainder) {
  if (b < 1) return false;
  *remainder = a % b;
  return true;
}

// ---- the evaluator --------------------------------------------------------------------

int TExpression::EvaluateToString(TDBRecord* record, char* buffer, int sqlType, int length,
                                  int scale) {
  ExpressionErrorState.SetErrorText(0, "");
  buffer[0] = '\0';
  if (!root_) return 0;
  TValue value;
  if (!EvaluateNode(record, root_, value)) return 0;
  const char* text = value.FormatForColumn(sqlType, length, scale);
  size_t size = std::strlen(text);
  if (size > MaxResultText) size = MaxResultText;
  std::memcpy(buffer, text, size);
  buffer[size] = '\0';
  return 1;
}

int TExpression::EvaluateNode(TDBRecord* record, const TExprNode* node, TValue& result) {
  if (!node || node->Kind < 0 || node->Kind >= ExpressionSymbolCount) return 0;
  const int kind = node->Kind;
  if (kind == KindAtom) return EvalAtom(record, node, result);
  if (kind == KindNull) {
    result.SetString("");
    return 1;
  }
  if (kind >= KindFirstFunction) return node->Class == NodeCall ? EvalCall(record, node, result) : 0;
  if (kind == KindNavigate) return node->Class == NodeBinary ? EvalRelationshipField(record, node, result) : 0;
  if (node->Class == NodeUnary) return EvalUnary(record, node, result);
  if (node->Class == NodeIn) return EvalInList(record, node, result);
  if (node->Class != NodeBinary) return 0;
  if (kind == KindOr || kind == KindAnd) return EvalAndOr(record, node, result);
  if (kind == KindBetween || kind == KindNotBetween) return EvalBetween(record, node, result);
  return EvalBinaryOperator(record, node, result);
}

// A literal, or an attribute of the record.
int TExpression::EvalAtom(TDBRecord* record, const TExprNode* node, TValue& result) {
  switch (node->Class) {
    case NodeString: result.SetString(node->First.Text); return 1;
    case NodeInteger: result.SetLong(node->First.Integer); return 1;
    case NodeReal: result.SetDouble(node->First.Real); return 1;
    case NodeAttribute: {
      if (!record) return 0;  // nothing to read the attribute from
      // Positions are the compiled entity's: a record of another entity has no such field.
      if (record->GetEntity() != entity_) {
        const TAttribute& attribute = entity_->Attributes[node->First.Index];
        return FailWith(ExprUndefinedAttribute, (std::string(attribute.Name) + " for a record of " +
                                                 record->GetEntity()->Name).c_str());
      }
      const char* text = record->GetCalculatedValue(TAttrRef(node->First.Index));
      result.SetString(text ? text : "");
      return 1;
    }
    default: return 0;  // an unresolved name or a bare relationship
  }
}

// A call of a built-in function.
int TExpression::EvalCall(TDBRecord* record, const TExprNode* node, TValue& result) {
  const int kind = node->Kind;
  switch (kind) {
    case KindAvg: case KindCount: case KindMax: case KindMin: case KindSum:
      return EvalAggregate(record, node, result, "");
    case KindGetPartialSum: case KindGetPartialCount: return EvalGetPartial(record, node, result);
    case KindGetChildField: return EvalGetChildField(record, node, result);
    case KindGetCurrentField: return EvalGetCurrentField(record, node, result);
    case KindGetCurrentCount: return EvalGetCurrentCount(record, node, result);
    case KindGetCurrentSum: return EvalGetCurrentSum(record, node, result);
    case KindQuery: return EvalQuery(record, node, result);
  }
  if ((kind >= KindAscii && kind <= KindUcase) || kind == KindStr)
    return EvalStringFunction(*this, record, node, result);
  if ((kind >= KindAbs && kind <= KindTan) || kind == KindVal || kind == KindInt ||
      kind == KindReal || kind == KindPow)
    return EvalNumericFunction(*this, record, node, result);
  if ((kind >= KindNow && kind <= KindSecond) || kind == KindCompareDates || kind == KindAddToDate)
    return EvalDateFunction(*this, record, node, result);
  return EvalOtherFunction(*this, record, node, result);
}

// NOT, the null tests and the signs.
int TExpression::EvalUnary(TDBRecord* record, const TExprNode* node, TValue& result) {
  const int kind = node->Kind;
  TValue operand;
  if (!EvaluateNode(record, node->First.Operand, operand)) return 0;
  switch (kind) {
    case KindNot: result.SetLong(IsTrue(operand) ? 0 : 1); return 1;
    case KindIsNull:
    case KindIsNotNull: {
      const bool isNull = operand.GetType() == ValueString && operand.AsString()[0] == '\0';
      result.SetLong(isNull == (kind == KindIsNull) ? 1 : 0);
      return 1;
    }
    case KindUnaryPlus:
      if (operand.GetType() == ValueLong)
        result.SetLong(operand.AsLong());
      else
        result.SetDouble(operand.AsDouble());
      return 1;
    case KindUnaryMinus:
      if (operand.GetType() == ValueLong)
        result.SetLong(NegateLong(operand.AsLong()));
      else
        result.SetDouble(-operand.AsDouble());
      return 1;
  }
  return 0;
}

// IN and NOT IN over a list of values.
int TExpression::EvalInList(TDBRecord* record, const TExprNode* node, TValue& result) {
  const int kind = node->Kind;
  if (kind != KindIn && kind != KindNotIn) return 0;
  TValue tested;
  if (!EvaluateNode(record, node->First.Operand, tested)) return 0;
  bool found = false;
  for (const TExprNode* element = node->Second.Operand; element && !found; element = element->Next) {
    TValue value;
    if (!EvaluateNode(record, element, value)) return 0;
    found = CompareValues(tested, value) == 0;
  }
  result.SetLong(found == (kind == KindIn) ? 1 : 0);
  return 1;
}

// Short-circuit logic: the right side only when the left does not decide.
int TExpression::EvalAndOr(TDBRecord* record, const TExprNode* node, TValue& result) {
  const int kind = node->Kind;
  TValue left;
  if (!EvaluateNode(record, node->First.Operand, left)) return 0;
  const bool leftTrue = IsTrue(left);
  if (kind == KindOr && leftTrue) {
    result.SetLong(1);
    return 1;
  }
  if (kind == KindAnd && !leftTrue) {
    result.SetLong(0);
    return 1;
  }
  TValue right;
  if (!EvaluateNode(record, node->Second.Operand, right)) return 0;
  result.SetLong(IsTrue(right) ? 1 : 0);
  return 1;
}

// BETWEEN and NOT BETWEEN.
int TExpression::EvalBetween(TDBRecord* record, const TExprNode* node, TValue& result) {
  const int kind = node->Kind;
  const TExprNode* bounds = node->Second.Operand;
  if (!bounds || bounds->Class != NodeBinary) return 0;
  TValue value, low, high;
  if (!EvaluateNode(record, node->First.Operand, value) ||
      !EvaluateNode(record, bounds->First.Operand, low) ||
      !EvaluateNode(record, bounds->Second.Operand, high))
    return 0;
  // The tested value is converted in place by the first comparison and compared so
  // with the high bound.
  const bool inside = CompareValues(low, value) <= 0 && CompareValues(value, high) <= 0;
  result.SetLong(inside == (kind == KindBetween) ? 1 : 0);
  return 1;
}

// Comparisons, LIKE, concatenation and arithmetic of two operands.
int TExpression::EvalBinaryOperator(TDBRecord* record, const TExprNode* node, TValue& result) {
  const int kind = node->Kind;
  TValue left, right;
  if (!EvaluateNode(record, node->First.Operand, left) ||
      !EvaluateNode(record, node->Second.Operand, right))
    return 0;
  switch (kind) {
    case KindEqual: result.SetLong(CompareValues(left, right) == 0); return 1;
    case KindNotEqual: result.SetLong(CompareValues(left, right) != 0); return 1;
    case KindGreater: result.SetLong(CompareValues(left, right) > 0); return 1;
    case KindGreaterEqual: result.SetLong(CompareValues(left, right) >= 0); return 1;
    case KindLessEqual: result.SetLong(CompareValues(left, right) <= 0); return 1;
    case KindLess: result.SetLong(CompareValues(left, right) < 0); return 1;
    case KindLike:
    case KindNotLike: {
      const bool match = LikeMatch(left.AsString(), right.AsString()) == 0;
      result.SetLong(match == (kind == KindLike) ? 1 : 0);
      return 1;
    }
    case KindConcat: {
      std::string text = left.AsString();
      text += right.AsString();
      SetResultText(result, text);
      return 1;
    }
    case KindPlus: case KindMinus: case KindTimes: case KindDivide: case KindIntDivide: case KindMod: {
      TValue value;
      if (!Arithmetic(kind, left, right, value)) return 0;
      result = value;
      return 1;
    }
  }
  return 0;
}

// The numeric functions of the expression language.
#include "expr/evalsupport.h"
#include "expr/expression.h"
#include "expr/symbols.h"
#include "expr/value.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

double PowValue(double base, double exponent) { return std::pow(base, exponent); }

void ConvertTextToNumber(TValue& value) {
  if (value.GetType() != ValueString) return;
  if (std::strchr(value.AsString(), '.'))
    value.AsDouble();
  else
    value.AsLong();
}

namespace {

// The double as a long, truncated toward zero and held at the ends of the range.
long WholeLong(double value) {
  TValue number;
  number.SetDouble(value);
  return number.AsLong();
}

}  // namespace

int EvalNumericFunction(TExpression& expression, TDBRecord* record, const TExprNode* call,
                        TValue& result) {
  const int kind = call->Kind;
  const int count = call->First.Count;
  if (count < 0 || count > 2) return 0;
  TValue args[2];
  if (!EvaluateArguments(expression, record, call, args, count)) return 0;
  TValue& x = args[0];

  switch (kind) {
    case KindAbs:
      if (x.GetType() == ValueDouble) {
        result.SetDouble(std::fabs(x.AsDouble()));
      } else {
        long value = x.AsLong();
        result.SetLong(value < 0 ? long(0UL - (unsigned long)value) : value);
      }
      return 1;
    case KindAcos: result.SetDouble(std::acos(x.AsDouble())); return 1;
    case KindAsin: result.SetDouble(std::asin(x.AsDouble())); return 1;
    case KindAtan: result.SetDouble(std::atan(x.AsDouble())); return 1;
    case KindCos: result.SetDouble(std::cos(x.AsDouble())); return 1;
    case KindSin: result.SetDouble(std::sin(x.AsDouble())); return 1;
    case KindTan: result.SetDouble(std::tan(x.AsDouble())); return 1;
    case KindExp: result.SetDouble(std::exp(x.AsDouble())); return 1;
    case KindSqrt: result.SetDouble(std::sqrt(x.AsDouble())); return 1;
    case KindAtan2: {
      double y = x.AsDouble();
      result.SetDouble(std::atan2(y, args[1].AsDouble()));
      return 1;
    }
    case KindCot: {
      double angle = x.AsDouble();
      if (std::sin(angle) == 0.0) return FailWith(ExprDivideByZero, "");
      result.SetDouble(std::cos(angle) / std::sin(angle));
      return 1;
    }
    case KindLog: {
      double value = x.AsDouble();
      if (value < 0.0) return FailWith(ExprIllegalCall, "LOG");
      result.SetDouble(std::log(value));
      return 1;
    }
    case KindCeiling:
    case KindFloor:
      if (x.GetType() == ValueLong) {
        result.SetLong(x.AsLong());
      } else {
        double value = x.AsDouble();
        result.SetLong(WholeLong(kind == KindCeiling ? std::ceil(value) : std::floor(value)));
      }
      return 1;
    case KindModFunction: {
      long a = x.AsLong(), remainder = 0;
      if (!ModLongs(a, args[1].AsLong(), &remainder)) return FailWith(ExprIllegalCall, "MOD");
      result.SetLong(remainder);
      return 1;
    }
    case KindPi: result.SetDouble(3.141592653589793); return 1;
    case KindRand:
      if (count == 1) std::srand(unsigned(x.AsLong()));
      result.SetDouble(std::rand() / 32767.0);
      return 1;
    case KindSign:
      if (x.GetType() == ValueLong) {
        long value = x.AsLong();
        result.SetLong(value < 0 ? -1 : value > 0 ? 1 : 0);
      } else {
        double value = x.AsDouble();
        result.SetLong(value < 0 ? -1 : value > 0 ? 1 : 0);
      }
      return 1;
    case KindPow: {
      double base = x.AsDouble();
      result.SetDouble(PowValue(base, args[1].AsDouble()));
      return 1;
    }
    case KindVal:
      ConvertTextToNumber(x);
      result = x;
      return 1;
    case KindInt: result.SetLong(x.AsLong()); return 1;
    case KindReal: result.SetDouble(x.AsDouble()); return 1;
  }
  return 0;
}

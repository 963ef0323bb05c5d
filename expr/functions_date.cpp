// The date and time functions: dates are "YYYY-MM-DD", times "HH:MM:SS", their parts read
// as decimal numbers at fixed positions.
#include "data/core/datetime.h"
#include "data/core/strings.h"
#include "expr/evalsupport.h"
#include "expr/expression.h"
#include "expr/symbols.h"
#include "expr/value.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

// The decimal number in the characters [offset, offset + length) of the text; a text
// that ends earlier gives what is there.
long NumberAt(const char* text, size_t offset, size_t length) {
  const size_t size = std::strlen(text);
  if (offset >= size) return 0;
  std::string part(text + offset, std::min(length, size - offset));
  return std::strtol(part.c_str(), nullptr, 10);
}

struct TDateParts {
  int year, month, day;
};

TDateParts DateParts(const char* text) {
  return {int(NumberAt(text, 0, 4)), int(NumberAt(text, 5, 2)), int(NumberAt(text, 8, 2))};
}

int DayOfYearOf(const TDateParts& date) { return DayOfYear(date.year, date.month, date.day); }

}  // namespace

int EvalDateFunction(TExpression& expression, TDBRecord* record, const TExprNode* call,
                     TValue& result) {
  const int kind = call->Kind;
  const int count = call->First.Count;
  if (count < 0 || count > 4) return 0;
  TValue args[4];
  if (!EvaluateArguments(expression, record, call, args, count)) return 0;

  switch (kind) {
    case KindNow: {
      TTempString today, now;
      TodayText(today);
      NowText(now);
      SetResultText(result, std::string(today.get()) + " " + now.get());
      return 1;
    }
    case KindCurdate:
    case KindCurtime: {
      TTempString text;
      if (kind == KindCurdate)
        TodayText(text);
      else
        NowText(text);
      result.SetString(text);
      return 1;
    }
    case KindDayOfMonth: case KindMonth: case KindYear: case KindQuarter:
    case KindDayOfWeek: case KindDayOfYear: case KindWeek: {
      const char* text = args[0].AsString();
      if (std::strlen(text) != 10) {
        const bool shared = kind == KindDayOfWeek || kind == KindDayOfYear || kind == KindWeek;
        return FailWith(ExprIllegalCall, shared ? "DAYOF../WEEK" : ExpressionSymbols[kind].name);
      }
      const TDateParts date = DateParts(text);
      long value = 0;
      switch (kind) {
        case KindDayOfMonth: value = date.day; break;
        case KindMonth: value = date.month; break;
        case KindYear: value = date.year; break;
        case KindQuarter: value = (date.month - 1) / 3 + 1; break;
        case KindDayOfWeek: value = DayOfWeek(date.year, date.month, date.day); break;
        case KindDayOfYear: value = DayOfYearOf(date); break;
        case KindWeek: value = WeekOfYear(date.year, date.month, date.day); break;
      }
      result.SetLong(value);
      return 1;
    }
    case KindHour:
    case KindMinute:
    case KindSecond: {
      const char* text = args[0].AsString();
      if (std::strlen(text) != 8) return FailWith(ExprIllegalCall, ExpressionSymbols[kind].name);
      const size_t offset = kind == KindHour ? 0 : kind == KindMinute ? 3 : 6;
      result.SetLong(NumberAt(text, offset, 2));
      return 1;
    }
    case KindCompareDates: {
      const TDateParts a = DateParts(args[0].AsString());
      const TDateParts b = DateParts(args[1].AsString());
      result.SetLong((DayOfYearOf(a) + 365L * a.year) - (DayOfYearOf(b) + 365L * b.year));
      return 1;
    }
    case KindAddToDate: {
      const long days = args[1].AsLong(), months = args[2].AsLong(), years = args[3].AsLong();
      const char* date = AddToIsoDate(args[0].AsString(), days, months, years);
      SetResultText(result, date ? date : "");
      return 1;
    }
  }
  return 0;
}

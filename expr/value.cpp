// Expression values: texts, whole numbers and doubles, converted in place.
#include "expr/value.h"

#include "data/core/strings.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <climits>

namespace {

// ODBC SQL type codes.
constexpr int SqlChar = 1, SqlNumeric = 2, SqlDecimal = 3, SqlInteger = 4, SqlSmallInt = 5,
              SqlReal = 7, SqlVarChar = 12, SqlTinyInt = -6, SqlBit = -7;
constexpr int RealDecimals = 7;

// Truncates toward zero; values beyond the range of long stop at its ends, NaN gives 0.
long DoubleToLong(double value) {
  if (std::isnan(value)) return 0;
  if (value >= double(LONG_MAX)) return LONG_MAX;
  if (value <= double(LONG_MIN)) return LONG_MIN;
  return long(value);
}

// Fixed-point text with 11 decimals, trailing zeros and a trailing point removed.
void FormatDouble(char* out, size_t size, double value) {
  std::snprintf(out, size, "%.11f", value);
  if (!std::strchr(out, '.')) return;  // inf, nan
  size_t n = std::strlen(out);
  while (n > 0 && out[n - 1] == '0') --n;
  if (n > 0 && out[n - 1] == '.') --n;
  out[n] = '\0';
}

// Rounds a decimal text half up at the given decimal and cuts it there, carrying into
// the digits before; the text grows by one digit when the carry passes the first one.
void RoundDecimalText(char* text, int decimals) {
  char* point = std::strchr(text, '.');
  if (!point || std::strlen(point + 1) <= size_t(decimals)) return;
  char* last = point + decimals;  // the last digit kept
  bool up = point[decimals + 1] >= '5';
  last[1] = '\0';
  if (!up) return;
  char* digits = (text[0] == '-' || text[0] == '+') ? text + 1 : text;
  for (char* p = last; p >= digits; --p) {
    if (*p == '.') continue;
    if (*p != '9') {
      ++*p;
      return;
    }
    *p = '0';
  }
  std::memmove(digits + 1, digits, std::strlen(digits) + 1);
  *digits = '1';
}

}  // namespace

TValue::TValue() : type_(ValueString), text_(EmptyString) {}

TValue::TValue(const TValue& other) : type_(ValueString), text_(EmptyString) { *this = other; }

TValue::~TValue() { FreeText(); }

TValue& TValue::operator=(const TValue& other) {
  if (this == &other) return *this;
  switch (other.type_) {
    case ValueString: SetString(other.text_); break;
    case ValueLong: SetLong(other.long_); break;
    case ValueDouble: SetDouble(other.double_); break;
  }
  return *this;
}

void TValue::FreeText() {
  if (type_ == ValueString) FreeString(&text_);
  type_ = ValueLong;
  long_ = 0;
}

void TValue::TakeText(const char* text) {
  char* copy;
  ::SetString(&copy, text);  // copied first: text may be our own
  FreeText();
  type_ = ValueString;
  text_ = copy;
}

void TValue::Clear() { TakeText(""); }

void TValue::SetString(const char* text) { TakeText(text ? text : ""); }

void TValue::SetLong(long value) {
  FreeText();
  type_ = ValueLong;
  long_ = value;
}

void TValue::SetDouble(double value) {
  FreeText();
  type_ = ValueDouble;
  double_ = value;
}

void TValue::ToString() {
  if (type_ == ValueString) return;
  TTempString text;
  if (type_ == ValueLong)
    std::snprintf(text, TEMP_STRING_SIZE, "%ld", long_);
  else
    FormatDouble(text, TEMP_STRING_SIZE, double_);
  TakeText(text);
}

void TValue::ToLong() {
  if (type_ == ValueLong) return;
  long value = type_ == ValueString ? std::strtol(text_, nullptr, 10) : DoubleToLong(double_);
  SetLong(value);
}

void TValue::ToDouble() {
  if (type_ == ValueDouble) return;
  double value = type_ == ValueString ? std::strtod(text_, nullptr) : double(long_);
  SetDouble(value);
}

const char* TValue::AsString() {
  ToString();
  return text_;
}

long TValue::AsLong() {
  ToLong();
  return long_;
}

double TValue::AsDouble() {
  ToDouble();
  return double_;
}

const char* TValue::FormatForColumn(int sqlType, int length, int scale) {
  if (type_ == ValueString && (text_[0] == '\0' || text_[0] == '?')) return text_;
  switch (sqlType) {
    case SqlBit:
      SetLong(AsLong() != 0 ? 1 : 0);
      break;
    case SqlInteger:
    case SqlSmallInt:
    case SqlTinyInt:
      ToLong();
      break;
    case SqlNumeric:
    case SqlDecimal:
      if (scale <= 0) {
        ToLong();
      } else {
        double value = std::strtod(AsString(), nullptr);
        TTempString text;
        std::snprintf(text, TEMP_STRING_SIZE, "%.*f", scale, value);
        TakeText(text);
      }
      break;
    case SqlReal:
      ToString();
      RoundDecimalText(text_, RealDecimals);  // only ever shortens, or adds one digit to a cut text
      break;
    case SqlChar:
    case SqlVarChar:
      ToString();
      if (length >= 0 && std::strlen(text_) > size_t(length)) text_[length] = '\0';
      break;
    default:
      break;
  }
  return AsString();
}

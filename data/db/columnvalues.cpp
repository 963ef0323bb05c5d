// The check of a value against its column's type.
#include "data/db/columnvalues.h"

#include <windows.h>

#include <sql.h>
#include <sqlext.h>

#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdlib>

#include "data/core/datetime.h"
#include "data/model/model.h"

namespace {

constexpr size_t SHOWN_VALUE_LIMIT = 40;

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// The value as a message shows it: cut when long.
std::string Shown(const std::string& text) {
  if (text.size() <= SHOWN_VALUE_LIMIT) return "'" + text + "'";
  return "'" + text.substr(0, SHOWN_VALUE_LIMIT) + "...'";
}

// The reason, after the value: the value itself is put before it by ColumnTakes.
bool Refuse(std::string* refusal, const char* reason, const TAttribute& attribute) {
  if (refusal) *refusal = reason + std::string(attribute.Caption);
  return false;
}

std::string WithoutBlanks(const char* text) {
  std::string plain = text;
  const size_t first = plain.find_first_not_of(' ');
  if (first == std::string::npos) return "";
  return plain.substr(first, plain.find_last_not_of(' ') - first + 1);
}

// Digits from position at; their count.
size_t DigitsAt(const std::string& text, size_t* at) {
  const size_t start = *at;
  while (*at < text.size() && IsDigit(text[*at])) ++*at;
  return *at - start;
}

// An optional sign, then digits and nothing else.
bool IsWholeNumberText(const std::string& text) {
  size_t at = text[0] == '-' || text[0] == '+' ? 1 : 0;
  return DigitsAt(text, &at) > 0 && at == text.size();
}

// An optional sign, digits with at most one point (a digit on one side of it at least),
// then an optional exponent: 'e' or 'E', an optional sign and digits.
bool IsDecimalText(const std::string& text) {
  size_t at = text[0] == '-' || text[0] == '+' ? 1 : 0;
  size_t digits = DigitsAt(text, &at);
  if (at < text.size() && text[at] == '.') {
    ++at;
    digits += DigitsAt(text, &at);
  }
  if (digits == 0) return false;
  if (at < text.size() && (text[at] == 'e' || text[at] == 'E')) {
    ++at;
    if (at < text.size() && (text[at] == '-' || text[at] == '+')) ++at;
    if (DigitsAt(text, &at) == 0) return false;
  }
  return at == text.size();
}

bool TakesWholeNumber(const TAttribute& a, const std::string& text, long long low, long long high,
                      std::string* refusal) {
  if (!IsWholeNumberText(text)) return Refuse(refusal, " is not a whole number for ", a);
  errno = 0;
  const long long n = strtoll(text.c_str(), nullptr, 10);
  if (errno != 0 || n < low || n > high) return Refuse(refusal, " is out of the range of ", a);
  return true;
}

bool TakesDecimal(const TAttribute& a, const std::string& text, std::string* refusal) {
  if (!IsDecimalText(text)) return Refuse(refusal, " is not a number for ", a);
  const double value = strtod(text.c_str(), nullptr);
  if (!std::isfinite(value)) return Refuse(refusal, " is not a number for ", a);
  const bool fixed = a.SqlType == SQL_DECIMAL || a.SqlType == SQL_NUMERIC;
  if (fixed && a.ColumnSize > 0 && std::fabs(value) >= std::pow(10.0, a.ColumnSize - a.DecimalDigits))
    return Refuse(refusal, " is too large for ", a);
  return true;
}

// Two digits at the position, as a number; -1 when they are not digits.
int TwoDigits(const std::string& text, size_t at) {
  if (at + 2 > text.size() || !IsDigit(text[at]) || !IsDigit(text[at + 1])) return -1;
  return (text[at] - '0') * 10 + (text[at + 1] - '0');
}

// "YYYY-MM-DD" at the start of the text, a date that exists.
bool IsDateAt(const std::string& text) {
  if (text.size() < 10 || text[4] != '-' || text[7] != '-') return false;
  for (size_t i = 0; i < 4; ++i)
    if (!IsDigit(text[i])) return false;
  const int year = atoi(text.substr(0, 4).c_str());
  const int month = TwoDigits(text, 5), day = TwoDigits(text, 8);
  return year >= 1 && month >= 1 && month <= 12 && day >= 1 && day <= DaysInMonth(year, month);
}

// "HH:MM:SS" from the position, with an optional fraction of a second, to the end.
bool IsTimeFrom(const std::string& text, size_t at) {
  if (text.size() < at + 8 || text[at + 2] != ':' || text[at + 5] != ':') return false;
  const int hour = TwoDigits(text, at), minute = TwoDigits(text, at + 3), second = TwoDigits(text, at + 6);
  if (hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59) return false;
  size_t end = at + 8;
  if (end < text.size() && text[end] == '.') {
    ++end;
    if (DigitsAt(text, &end) == 0) return false;
  }
  return end == text.size();
}

bool IsDateColumn(int type) { return type == SQL_DATE || type == SQL_TYPE_DATE; }
bool IsTimeColumn(int type) { return type == SQL_TIME || type == SQL_TYPE_TIME; }
bool IsTimestampColumn(int type) { return type == SQL_TIMESTAMP || type == SQL_TYPE_TIMESTAMP; }

bool ColumnTakesValue(const TAttribute& a, const char* text, std::string* refusal) {
  switch (a.SqlType) {
    case SQL_INTEGER: return TakesWholeNumber(a, WithoutBlanks(text), INT_MIN, INT_MAX, refusal);
    case SQL_SMALLINT: return TakesWholeNumber(a, WithoutBlanks(text), SHRT_MIN, SHRT_MAX, refusal);
    case SQL_TINYINT: return TakesWholeNumber(a, WithoutBlanks(text), 0, UCHAR_MAX, refusal);
    case SQL_BIGINT: return TakesWholeNumber(a, WithoutBlanks(text), LLONG_MIN, LLONG_MAX, refusal);
    // An exponent is allowed: the driver writes small and large amounts with one.
    case SQL_DECIMAL:
    case SQL_NUMERIC:
    case SQL_FLOAT:
    case SQL_REAL:
    case SQL_DOUBLE: return TakesDecimal(a, WithoutBlanks(text), refusal);
  }
  const std::string value = text;
  if (IsDateColumn(a.SqlType)) {
    // A time after the date is no part of the value (it is not sent).
    if (IsDateAt(value) && (value.size() == 10 || value[10] == ' ')) return true;
    return Refuse(refusal, " is not a date for ", a);
  }
  if (IsTimestampColumn(a.SqlType)) {
    // A date alone stands for its midnight.
    if (IsDateAt(value) && (value.size() == 10 || (value[10] == ' ' && IsTimeFrom(value, 11)))) return true;
    return Refuse(refusal, " is not a timestamp for ", a);
  }
  if (IsTimeColumn(a.SqlType)) {
    if (IsTimeFrom(value, 0)) return true;
    return Refuse(refusal, " is not a time for ", a);
  }
  const bool textColumn = a.SqlType == SQL_CHAR || a.SqlType == SQL_VARCHAR || a.SqlType == SQL_LONGVARCHAR;
  if (textColumn && a.ColumnSize > 0 && value.size() > static_cast<size_t>(a.ColumnSize)) {
    if (refusal) *refusal = " is longer than the " + std::to_string(a.ColumnSize) + " characters of " + a.Caption;
    return false;
  }
  return true;
}

}  // namespace

bool ColumnTakes(const TAttribute& a, const char* text, std::string* refusal, const char* shown) {
  if (!*text) return true;
  if (ColumnTakesValue(a, text, refusal)) return true;
  if (refusal) *refusal = Shown(shown ? shown : text) + *refusal;
  return false;
}

// Display formats of numbers: plain, currency and percent, negatives in parentheses,
// grouping commas, and the way back to a plain number.
#include "data/core/numberformat.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "data/core/strings.h"

namespace {

constexpr int MAX_DECIMALS = 30;

// Commas between groups of three digits of the integer part.
std::string Grouped(const std::string& number) {
  const size_t point = number.find('.');
  const size_t end = point == std::string::npos ? number.size() : point;
  std::string result = number.substr(end);
  int digits = 0;
  for (size_t k = end; k-- > 0;) {
    const char c = number[k];
    const bool digit = c >= '0' && c <= '9';
    if (digit && digits == 3) {
      result.insert(result.begin(), ',');
      digits = 0;
    }
    if (digit) ++digits;
    result.insert(result.begin(), c);
  }
  return result;
}

bool IsNumberSymbol(char c) { return c == '$' || c == ',' || c == '%' || c == '(' || c == ')'; }

}  // namespace

const char* FormatNumber(double value, const char* numberFormat) {
  static char result[512];
  const char kind = numberFormat[0] == '$' || numberFormat[0] == '%' ? numberFormat[0] : 0;
  int decimals = atoi(kind ? numberFormat + 1 : numberFormat);
  if (decimals < 1) decimals = 0;
  if (decimals > MAX_DECIMALS) decimals = MAX_DECIMALS;
  const bool negative = value < 0;

  char digits[400];
  snprintf(digits, sizeof digits, "%.*f", decimals, std::fabs(value));
  std::string body = digits;
  if (kind != '%' && *numberFormat) body = Grouped(body);
  snprintf(result, sizeof result, "%s%s%s%s%s", negative ? "(" : "", kind == '$' ? "$" : "",
           body.c_str(), kind == '%' ? "%" : "", negative ? ")" : "");
  return result;
}

const char* UnformatNumber(const char* text) {
  static char result[512];
  size_t n = 0;
  for (const char* p = text; *p && n + 1 < sizeof result; ++p) {
    if (p == text && *p == '(') result[n++] = '-';
    else if (!IsNumberSymbol(*p)) result[n++] = *p;
  }
  result[n] = '\0';
  return result;
}

bool CommasGroupThousands(const char* text) {
  auto isDigit = [](char c) { return c >= '0' && c <= '9'; };
  bool inFraction = false;
  int groupDigits = 0;  // digits right before the position
  for (const char* p = text; *p; ++p) {
    if (*p == '.') inFraction = true;
    if (*p != ',') {
      groupDigits = isDigit(*p) ? groupDigits + 1 : 0;
      continue;
    }
    if (inFraction || groupDigits < 1 || groupDigits > 3) return false;
    if (!isDigit(p[1]) || !isDigit(p[2]) || !isDigit(p[3]) || isDigit(p[4])) return false;
    groupDigits = 0;
  }
  return true;
}

double ParseDisplayNumber(const char* text) {
  std::string plain;
  for (const char* p = text; *p; ++p)
    if (!IsNumberSymbol(*p)) plain += *p;
  const double value = atof(plain.c_str());
  return text[0] == '(' ? -value : value;
}

void StripNumberSymbols(char** field) {
  std::string kept;
  for (const char* p = *field; *p; ++p)
    if (*p != '$' && *p != '%' && *p != '#') kept += *p;
  ReplaceString(field, kept.c_str());
}

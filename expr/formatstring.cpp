// FORMATSTRING's printf-style formatting, bounded by the values it is given.
#include "expr/formatstring.h"

#include "expr/evalsupport.h"

#include <cctype>
#include <cstring>

namespace {

bool IsFlag(char c) { return c && std::strchr("-+ #0", c); }
bool IsLengthModifier(char c) { return c && std::strchr("hlLqjzt", c); }
bool IsDigit(char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; }

// Reads the decimal number at p (advancing it), held below the result bound.
size_t ReadCount(const char*& p) {
  size_t value = 0;
  for (; IsDigit(*p); ++p)
    if (value <= MaxResultText) value = value * 10 + size_t(*p - '0');
  return value;
}

}  // namespace

std::string FormatWithTexts(const char* format, const std::vector<std::string>& values) {
  std::string out;
  size_t next = 0;
  const char* p = format;
  while (*p && out.size() <= MaxResultText) {
    if (*p != '%') {
      out += *p++;
      continue;
    }
    const char* start = p++;
    if (*p == '%') {
      out += '%';
      ++p;
      continue;
    }
    bool left = false;
    for (; IsFlag(*p); ++p) left = left || *p == '-';
    const size_t width = ReadCount(p);
    bool hasPrecision = false;
    size_t precision = 0;
    if (*p == '.') {
      ++p;
      hasPrecision = true;
      precision = ReadCount(p);
    }
    while (IsLengthModifier(*p)) ++p;
    if (!std::isalpha(static_cast<unsigned char>(*p))) {
      out.append(start, p);  // not a conversion: the text stands as written
      continue;
    }
    ++p;
    std::string text = next < values.size() ? values[next] : std::string();
    ++next;
    if (hasPrecision && text.size() > precision) text.resize(precision);
    const size_t pad = width > text.size() ? width - text.size() : 0;
    if (!left) out.append(pad, ' ');
    out += text;
    if (left) out.append(pad, ' ');
  }
  if (out.size() > MaxResultText) out.resize(MaxResultText);
  return out;
}

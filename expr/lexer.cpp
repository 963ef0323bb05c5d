// Reading the next token of an expression text into the token buffer.
#include "expr/errors.h"
#include "expr/expression.h"

#include <windows.h>

#include <cstring>

namespace {

bool IsLetter(unsigned char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool IsDigit(unsigned char c) { return c >= '0' && c <= '9'; }

}  // namespace

bool TExpression::TokenIs(const char* word) const { return _stricmp(token_, word) == 0; }

// The buffer holds as many characters as the source, so no token can overrun it.
int TExpression::NextToken() {
  const char* text = source_;
  int p = position_;
  char* out = token_;
  while (text[p] == ' ' || text[p] == '\t') ++p;
  const unsigned char c = text[p];
  const char following = c ? text[p + 1] : '\0';
  if (c == '\0') {
    // the empty token
  } else if ((c == '!' || c == '^') && following == '=') {
    *out++ = '<';
    *out++ = '>';
    p += 2;
  } else if ((c == '<' && (following == '>' || following == '=')) || (c == '>' && following == '=') ||
             (c == '|' && following == '|')) {
    *out++ = text[p++];
    *out++ = text[p++];
  } else if (std::strchr("()*+,-/:=\\<>", c)) {
    *out++ = text[p++];
  } else if (IsDigit(c)) {
    while (IsDigit(text[p]) || text[p] == '.') *out++ = text[p++];
  } else if (c == '\'' || c == '"') {
    *out++ = '\'';  // marks a string token
    ++p;
    while (text[p]) {
      if (text[p] == char(c)) {
        if (text[p + 1] != char(c)) {
          ++p;
          break;
        }
        ++p;  // a doubled quote stands for one
      }
      *out++ = text[p++];
    }
  } else if (IsLetter(c) || c == '_') {
    while (IsLetter(text[p]) || IsDigit(text[p]) || text[p] == '_') *out++ = text[p++];
  } else {
    const char detail[2] = {char(c), '\0'};
    *out = '\0';
    position_ = p + 1;
    Fail(ExprInvalidSymbol, detail);
    return 0;
  }
  *out = '\0';
  position_ = p;
  return 1;
}

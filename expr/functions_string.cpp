// The text functions of the expression language. Positions count from 1.
#include "expr/evalsupport.h"
#include "expr/expression.h"
#include "expr/symbols.h"
#include "expr/value.h"

#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr long MaxReplaceSteps = 1L << 20;

bool IsTrimmed(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

std::string ChangeCase(std::string text, bool upper) {
  if (!text.empty()) {
    if (upper)
      CharUpperBuffA(&text[0], DWORD(text.size()));
    else
      CharLowerBuffA(&text[0], DWORD(text.size()));
  }
  return text;
}

// Replaces the first occurrence again and again, searching anew after each change, until
// the searched text no longer occurs. Where that would never end (an empty searched text,
// or a replacement that holds the searched text) every occurrence of the original text
// is replaced once, left to right. The text never grows past the result bound.
std::string ReplaceAll(std::string text, const std::string& from, const std::string& to) {
  if (from.empty()) return text;
  if (to.find(from) != std::string::npos) {
    std::string out;
    size_t start = 0;
    for (size_t at; (at = text.find(from, start)) != std::string::npos; start = at + from.size()) {
      out.append(text, start, at - start);
      out += to;
      if (out.size() > MaxResultText) return out;
    }
    out.append(text, start, std::string::npos);
    return out;
  }
  // No occurrence starts before the last replaced one, except one that reaches into it.
  // A replacement as long as the searched text keeps the length, so a bound on the
  // steps ends every case.
  size_t searchFrom = 0;
  long steps = 0;
  for (size_t at; ++steps <= MaxReplaceSteps && (at = text.find(from, searchFrom)) != std::string::npos;) {
    text.replace(at, from.size(), to);
    if (text.size() > MaxResultText) break;
    searchFrom = at >= from.size() - 1 ? at - (from.size() - 1) : 0;
  }
  return text;
}

}  // namespace

int EvalStringFunction(TExpression& expression, TDBRecord* record, const TExprNode* call,
                       TValue& result) {
  const int kind = call->Kind;
  if (kind == KindConcatFunction) {
    std::string text;
    for (const TExprNode* argument = call->Second.Operand; argument; argument = argument->Next) {
      TValue value;
      if (!expression.EvaluateNode(record, argument, value)) return 0;
      if (text.size() <= MaxResultText) text += value.AsString();
    }
    SetResultText(result, text);
    return 1;
  }

  int count = call->First.Count;
  if (count < 1 || count > 4) return 0;
  TValue args[4];
  if (!EvaluateArguments(expression, record, call, args, count)) return 0;
  const std::string s = args[0].AsString();

  switch (kind) {
    case KindAscii:
      result.SetLong(static_cast<signed char>(s.empty() ? 0 : s[0]));
      return 1;
    case KindChar: {
      char text[2] = {char(args[0].AsLong()), '\0'};
      result.SetString(text);
      return 1;
    }
    case KindInsert: {
      long start = args[1].AsLong(), length = args[2].AsLong();
      if (start < 1 || length < 0) return FailWith(ExprIllegalCall, "INSERT");
      const std::string inserted = args[3].AsString();
      if (s.size() < size_t(start)) {
        SetResultText(result, s + inserted);
        return 1;
      }
      std::string text = s.substr(0, size_t(start - 1)) + inserted;
      size_t after = size_t(start - 1) + size_t(length);
      if (after < s.size()) text.append(s, after, std::string::npos);
      SetResultText(result, text);
      return 1;
    }
    case KindLeft:
    case KindRight: {
      long n = args[1].AsLong();
      if (n < 0) return FailWith(ExprIllegalCall, kind == KindLeft ? "LEFT" : "RIGHT");
      if (s.size() <= size_t(n))
        SetResultText(result, s);
      else
        SetResultText(result, kind == KindLeft ? s.substr(0, size_t(n)) : s.substr(s.size() - size_t(n)));
      return 1;
    }
    case KindSubstring: {
      long start = args[1].AsLong(), length = args[2].AsLong();
      if (start < 1 || length < 0) return FailWith(ExprIllegalCall, "SUBSTRING");
      SetResultText(result, size_t(start) > s.size() ? std::string() : s.substr(size_t(start - 1), size_t(length)));
      return 1;
    }
    case KindLtrim: {
      size_t first = 0;
      while (first < s.size() && IsTrimmed(s[first])) ++first;
      SetResultText(result, s.substr(first));
      return 1;
    }
    case KindRtrim: {
      size_t end = s.size();
      while (end > 0 && IsTrimmed(s[end - 1])) --end;
      SetResultText(result, s.substr(0, end));
      return 1;
    }
    case KindLength:
      result.SetLong(long(s.size()));
      return 1;
    case KindLocate: {
      long start = 1;
      if (count == 3) {
        start = args[2].AsLong();
        if (start < 1) return FailWith(ExprIllegalCall, "LOCATE");
      }
      if (size_t(start) > s.size()) {
        result.SetLong(0);
        return 1;
      }
      size_t at = s.find(args[1].AsString(), size_t(start - 1));
      result.SetLong(at == std::string::npos ? 0 : long(at + 1));
      return 1;
    }
    case KindLcase:
    case KindUcase:
      SetResultText(result, ChangeCase(s, kind == KindUcase));
      return 1;
    case KindRepeat: {
      long n = args[1].AsLong();
      if (n < 0) return FailWith(ExprIllegalCall, "REPEAT");
      std::string text;
      for (long i = 0; i < n && !s.empty() && text.size() <= MaxResultText; ++i) text += s;
      SetResultText(result, text);
      return 1;
    }
    case KindReplace:
      SetResultText(result, ReplaceAll(s, args[1].AsString(), args[2].AsString()));
      return 1;
    case KindStr:
      SetResultText(result, s);
      return 1;
  }
  return 0;
}

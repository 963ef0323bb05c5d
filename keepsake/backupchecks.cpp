// The checks a backup file passes before it is restored: its path names a file and not a
// device, and each schema text it holds is one CREATE statement of the object it describes.
#include <cctype>
#include <cstring>
#include <string>
#include <vector>

#include "data/core/devicenames.h"
#include "keepsake/keepsake.h"

namespace {

// One token of SQLite's language: a word, a quoted name or text, or one other character.
// Comments and blanks are no tokens.
enum class TTokenKind { Word, Quoted, Text, Other };
struct TToken {
  TTokenKind kind;
  std::string text;  // a quoted name or text without its quotes
};

bool IsWordCharacter(char c) {
  return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '$' || static_cast<unsigned char>(c) >= 0x80;
}

// Splits the text as SQLite's own tokenizer does for quotes and comments; false for a
// quote or comment left open.
bool Tokenize(const std::string& sql, std::vector<TToken>& tokens) {
  size_t i = 0;
  const size_t n = sql.size();
  while (i < n) {
    const char c = sql[i];
    if (std::isspace(static_cast<unsigned char>(c))) {
      ++i;
    } else if (c == '-' && i + 1 < n && sql[i + 1] == '-') {
      i = sql.find('\n', i);
      if (i == std::string::npos) i = n;
    } else if (c == '/' && i + 1 < n && sql[i + 1] == '*') {
      size_t end = sql.find("*/", i + 2);
      if (end == std::string::npos) return false;
      i = end + 2;
    } else if (c == '\'' || c == '"' || c == '`' || c == '[') {
      const char close = c == '[' ? ']' : c;
      std::string inside;
      size_t j = i + 1;
      for (;; ++j) {
        if (j >= n) return false;
        if (sql[j] != close) {
          inside += sql[j];
        } else if (close != ']' && j + 1 < n && sql[j + 1] == close) {
          inside += close;  // a doubled quote stands for itself
          ++j;
        } else {
          break;
        }
      }
      tokens.push_back({c == '\'' ? TTokenKind::Text : TTokenKind::Quoted, inside});
      i = j + 1;
    } else if (IsWordCharacter(c)) {
      size_t j = i;
      while (j < n && IsWordCharacter(sql[j])) ++j;
      tokens.push_back({TTokenKind::Word, sql.substr(i, j - i)});
      i = j;
    } else {
      tokens.push_back({TTokenKind::Other, std::string(1, c)});
      ++i;
    }
  }
  return true;
}

bool IsWord(const TToken& token, const char* word) {
  return token.kind == TTokenKind::Word && _stricmp(token.text.c_str(), word) == 0;
}

bool IsOther(const TToken& token, char c) { return token.kind == TTokenKind::Other && token.text[0] == c; }

// The tokens after the object's name: no ';' at all for a table, index or view; a trigger
// ends with the END of its body (CASE ... END inside it aside), and nothing follows.
bool RestIsOneStatement(const std::vector<TToken>& tokens, size_t from, bool trigger) {
  bool inBody = false;
  int openCases = 0;
  for (size_t i = from; i < tokens.size(); ++i) {
    const TToken& token = tokens[i];
    if (!trigger) {
      if (IsOther(token, ';')) return false;
      continue;
    }
    if (IsWord(token, "BEGIN")) {
      inBody = true;
    } else if (IsWord(token, "CASE")) {
      ++openCases;
    } else if (IsWord(token, "END")) {
      if (openCases > 0)
        --openCases;
      else if (inBody)
        return i + 1 == tokens.size();
    } else if (IsOther(token, ';') && !inBody) {
      return false;
    }
  }
  return !trigger;
}

}  // namespace

bool NamesDevice(const std::string& path) {
  if (path.compare(0, 4, "\\\\.\\") == 0 || path.compare(0, 4, "\\\\?\\") == 0) return true;
  size_t start = path.size() > 1 && path[1] == ':' ? 2 : 0;
  while (start <= path.size()) {
    size_t end = path.find_first_of("\\/", start);
    if (end == std::string::npos) end = path.size();
    if (IsDeviceFileName(path.substr(start, end - start))) return true;
    start = end + 1;
  }
  return false;
}

bool IsOneCreateStatement(const std::string& sql, const std::string& type, const std::string& name) {
  std::vector<TToken> tokens;
  if (!Tokenize(sql, tokens)) return false;
  size_t i = 0;
  if (i >= tokens.size() || !IsWord(tokens[i++], "CREATE")) return false;
  while (i < tokens.size() && (IsWord(tokens[i], "TEMP") || IsWord(tokens[i], "TEMPORARY") ||
                               IsWord(tokens[i], "UNIQUE") || IsWord(tokens[i], "VIRTUAL")))
    ++i;
  if (i >= tokens.size() || !IsWord(tokens[i++], type.c_str())) return false;
  if (i + 2 < tokens.size() && IsWord(tokens[i], "IF") && IsWord(tokens[i + 1], "NOT") &&
      IsWord(tokens[i + 2], "EXISTS"))
    i += 3;
  // The object's own name, in no other schema.
  if (i >= tokens.size() || tokens[i].kind == TTokenKind::Other || _stricmp(tokens[i].text.c_str(), name.c_str()) != 0)
    return false;
  ++i;
  if (i < tokens.size() && IsOther(tokens[i], '.')) return false;
  return RestIsOneStatement(tokens, i, type == "trigger");
}

#include "data/core/templatelines.h"

#include "data/core/strings.h"

#include <cstring>

void WriteTemplateValue(FILE* stream, const char* name, const char* value) {
  if (name && *name && value && *value) std::fprintf(stream, "%s=\"%s\"\n", name, value);
}

int ReadTemplateLine(FILE* stream, char* name, char* value, char* rawValue) {
  *name = '\0';
  *value = '\0';
  if (rawValue) *rawValue = '\0';
  TTempString line;
  while (std::fgets(line, TEMP_STRING_SIZE, stream)) {
    char* text = line;
    size_t n = std::strlen(text);
    if (n > 0 && text[n - 1] == '\n') text[--n] = '\0';
    if (n > 0 && text[n - 1] == '\r') text[--n] = '\0';
    if (std::strncmp(text, "</", 2) == 0) return 0;
    if (text[0] == '<') {
      char* close = std::strchr(text + 1, '>');
      if (close) *close = '\0';
      std::strcpy(name, text + 1);
      TrimSpaces(name);
      return 1;
    }
    char* equals = std::strchr(text, '=');
    if (!equals) continue;
    *equals = '\0';
    std::strcpy(name, text);
    TrimSpaces(name);
    const char* rest = equals + 1;
    if (rawValue) std::strcpy(rawValue, rest);
    if (*rest == '"') {
      ++rest;
      const char* quote = std::strchr(rest, '"');
      size_t length = quote ? static_cast<size_t>(quote - rest) : std::strlen(rest);
      std::memcpy(value, rest, length);
      value[length] = '\0';
    } else {
      std::strcpy(value, rest);
      TrimSpaces(value);
    }
    if (*name) return 1;
    *value = '\0';
  }
  return 0;
}

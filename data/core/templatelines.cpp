// Reading and writing the element and key/value lines of template files.
#include "data/core/templatelines.h"

#include "data/core/strings.h"
#include "data/core/textlines.h"

#include <cstring>
#include <string>

void WriteTemplateValue(FILE* stream, const char* name, const char* value) {
  if (name && *name && value && *value) std::fprintf(stream, "%s=\"%s\"\n", name, value);
}

namespace {

// Copies at most length bytes of text, cut to the buffer, and ends it.
void CopyCut(char* buffer, size_t size, const char* text, size_t length) {
  if (size == 0) return;
  if (length > size - 1) length = size - 1;
  std::memcpy(buffer, text, length);
  buffer[length] = '\0';
}

}  // namespace

int ReadTemplateLine(TTextLines& lines, char* name, size_t nameSize, char* value, size_t valueSize, char* rawValue,
                     size_t rawSize) {
  if (nameSize == 0 || valueSize == 0) return 0;
  *name = '\0';
  *value = '\0';
  if (rawValue && rawSize) *rawValue = '\0';
  TTempString line;
  std::string whole;
  while (lines.Next(whole)) {
    char* text = line;
    CopyCut(text, TEMP_STRING_SIZE, whole.c_str(), whole.size());
    if (std::strncmp(text, "</", 2) == 0) return 0;
    if (text[0] == '<') {
      char* close = std::strchr(text + 1, '>');
      if (close) *close = '\0';
      TrimSpaces(text + 1);
      CopyCut(name, nameSize, text + 1, std::strlen(text + 1));
      return 1;
    }
    char* equals = std::strchr(text, '=');
    if (!equals) continue;
    *equals = '\0';
    TrimSpaces(text);
    CopyCut(name, nameSize, text, std::strlen(text));
    const char* rest = equals + 1;
    if (rawValue) CopyCut(rawValue, rawSize, rest, std::strlen(rest));
    if (*rest == '"') {
      ++rest;
      const char* quote = std::strchr(rest, '"');
      size_t length = quote ? static_cast<size_t>(quote - rest) : std::strlen(rest);
      CopyCut(value, valueSize, rest, length);
    } else {
      char* plain = equals + 1;
      TrimSpaces(plain);
      CopyCut(value, valueSize, plain, std::strlen(plain));
    }
    if (*name) return 1;
    *value = '\0';
  }
  return 0;
}

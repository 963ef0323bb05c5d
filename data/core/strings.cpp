// The scratch text pool, heap string fields and the small text helpers.
#include "data/core/strings.h"

#include "data/core/messages.h"

#include <cstdlib>
#include <cstring>

static char emptyLiteral[1] = "";
char* const EmptyString = emptyLiteral;

namespace {
struct TTempSlot {
  char* buffer;
  int inUse;
};
TTempSlot tempSlots[TEMP_STRING_COUNT];

bool IsEmptyText(const char* text) { return text == EmptyString || (text && *text == '\0'); }
}  // namespace

void GetTempString(char** text) {
  int freeSlot = -1;
  int releasedSlot = -1;
  for (int i = TEMP_STRING_COUNT - 1; i >= 0; --i) {
    if (!tempSlots[i].buffer)
      freeSlot = i;
    else if (!tempSlots[i].inUse)
      releasedSlot = i;
  }
  int slot = releasedSlot;
  if (slot < 0 && freeSlot >= 0) {
    slot = freeSlot;
    tempSlots[slot].buffer = static_cast<char*>(std::malloc(TEMP_STRING_SIZE));
    if (!tempSlots[slot].buffer) FatalError("Too many temporary strings allocated", "");
  }
  if (slot < 0) FatalError("Too many temporary strings allocated", "");
  tempSlots[slot].inUse = 1;
  *text = tempSlots[slot].buffer;
  **text = '\0';
}

void ReleaseTempString(char** text) {
  for (auto& slot : tempSlots) {
    if (slot.buffer && slot.buffer == *text) {
      slot.inUse = 0;
      *text = nullptr;
      return;
    }
  }
  FatalError("Temporary string buffer not located", "");
}

void FreeTempStrings() {
  for (auto& slot : tempSlots) {
    std::free(slot.buffer);
    slot = TTempSlot{nullptr, 0};
  }
}

int TempStringsInUse() {
  int n = 0;
  for (auto& slot : tempSlots) n += slot.inUse ? 1 : 0;
  return n;
}

void SetString(char** field, const char* text) {
  if (!text || !*text) {
    *field = EmptyString;
    return;
  }
  size_t n = std::strlen(text) + 1;
  *field = static_cast<char*>(std::malloc(n));
  std::memcpy(*field, text, n);
}

void FreeString(char** field) {
  if (!*field || IsEmptyText(*field)) return;
  std::free(*field);
  *field = nullptr;
}

void ReplaceString(char** field, const char* text) {
  FreeString(field);
  SetString(field, text);
}

char* AppendString(char* dest, const char* text) {
  size_t n = std::strlen(text);
  std::memcpy(dest, text, n + 1);
  return dest + n;
}

char* CopyQuotedSql(char* dest, const char* text) {
  for (; *text; ++text) {
    if (*text == '\'') *dest++ = '\'';
    *dest++ = *text;
  }
  *dest = '\0';
  return dest;
}

int GetToken(char* out, const char* text, char delimiter, int start) {
  int i = start;
  while (text[i] && text[i] != delimiter) *out++ = text[i++];
  *out = '\0';
  return i;
}

int GetQuotedToken(char* out, const char* text, char delimiter, int start) {
  bool inQuotes = false;
  int i = start;
  for (; text[i]; ++i) {
    char c = text[i];
    if (c == '"')
      inQuotes = !inQuotes;
    else if (!inQuotes && c == delimiter)
      break;
    *out++ = c;
  }
  *out = '\0';
  return i;
}

void StripQuotes(char* text) {
  size_t n = std::strlen(text);
  if (n == 0) return;
  if (text[n - 1] == '"') text[--n] = '\0';
  if (text[0] == '"') std::memmove(text, text + 1, n);
}

void TrimSpaces(char* text) {
  const char* start = text;
  while (*start == ' ') ++start;
  size_t n = std::strlen(start);
  while (n > 0 && start[n - 1] == ' ') --n;
  std::memmove(text, start, n);
  text[n] = '\0';
}

void ReplaceChar(char* text, char from, char to) {
  for (; *text; ++text)
    if (*text == from) *text = to;
}

bool SameNameIgnoringCase(const char* a, const char* b) {
  auto folded = [](char c) {
    return c >= 'a' && c <= 'z' ? static_cast<unsigned char>(c - 'a' + 'A') : static_cast<unsigned char>(c);
  };
  for (; folded(*a) == folded(*b); ++a, ++b)
    if (!*a) return true;
  return false;
}

// Scratch text pool, heap string fields and small text helpers.
#pragma once

#include <cstddef>

// The one empty text shared by every heap string field that holds nothing. Never freed.
extern char* const EmptyString;

// Temporary string pool: 20 buffers of TEMP_STRING_SIZE bytes each.
constexpr int TEMP_STRING_COUNT = 20;
constexpr int TEMP_STRING_SIZE = 8192;

void GetTempString(char** text);
void ReleaseTempString(char** text);
// Frees the pool's buffers (shut-down only).
void FreeTempStrings();
// Number of pool buffers held right now (diagnostics and tests).
int TempStringsInUse();

// Heap string fields: never null while in use; empty is EmptyString.
void SetString(char** field, const char* text);
void FreeString(char** field);
void ReplaceString(char** field, const char* text);

char* AppendString(char* dest, const char* text);
char* CopyQuotedSql(char* dest, const char* text);
int GetToken(char* out, const char* text, char delimiter, int start);
int GetQuotedToken(char* out, const char* text, char delimiter, int start);
void StripQuotes(char* text);
void TrimSpaces(char* text);
void ReplaceChar(char* text, char from, char to);
// Whether two names are the same, ignoring the case of ASCII letters only (model, table
// and column names): letter by letter, clear of the locale-aware runtime compare, since
// record fields and columns are looked up by name all the time.
bool SameNameIgnoringCase(const char* a, const char* b);

// Owns one pool buffer for the length of a scope.
class TTempString {
public:
  TTempString() { GetTempString(&text_); }
  ~TTempString() { ReleaseTempString(&text_); }
  TTempString(const TTempString&) = delete;
  TTempString& operator=(const TTempString&) = delete;
  char* get() const { return text_; }
  operator char*() const { return text_; }

private:
  char* text_ = nullptr;
};

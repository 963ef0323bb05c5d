// The scratch text pool, heap string fields, text helpers and the user profile.
#include "data/core/strings.h"
#include "data/core/userprofile.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

TEST(TempStringPool, ReleasedBufferIsReusedLowestFirstAndEmptied) {
  char* a = nullptr;
  char* b = nullptr;
  GetTempString(&a);
  GetTempString(&b);
  std::strcpy(a, "left over");
  char* first = a;
  ReleaseTempString(&a);
  EXPECT_EQ(a, nullptr);
  char* c = nullptr;
  GetTempString(&c);
  EXPECT_EQ(c, first);
  EXPECT_STREQ(c, "");
  ReleaseTempString(&c);
  ReleaseTempString(&b);
  EXPECT_EQ(TempStringsInUse(), 0);
}

TEST(TempStringPool, TwentyBuffersCanBeHeldAtOnce) {
  char* held[TEMP_STRING_COUNT] = {};
  for (auto& p : held) GetTempString(&p);
  EXPECT_EQ(TempStringsInUse(), TEMP_STRING_COUNT);
  for (int i = 0; i < TEMP_STRING_COUNT; ++i)
    for (int j = i + 1; j < TEMP_STRING_COUNT; ++j) ASSERT_NE(held[i], held[j]);
  for (auto& p : held) ReleaseTempString(&p);
  EXPECT_EQ(TempStringsInUse(), 0);
}

TEST(HeapStringField, EmptyTextsShareTheLiteralAndAreNeverFreed) {
  char* field = nullptr;
  SetString(&field, nullptr);
  EXPECT_EQ(field, EmptyString);
  SetString(&field, "");
  EXPECT_EQ(field, EmptyString);
  FreeString(&field);
  EXPECT_EQ(field, EmptyString);

  SetString(&field, "text");
  EXPECT_NE(field, EmptyString);
  EXPECT_STREQ(field, "text");
  FreeString(&field);
  EXPECT_EQ(field, nullptr);
  FreeString(&field);  // a null field stays null
  EXPECT_EQ(field, nullptr);

  SetString(&field, "old");
  ReplaceString(&field, "new");
  EXPECT_STREQ(field, "new");
  ReplaceString(&field, "");
  EXPECT_EQ(field, EmptyString);
}

TEST(TextHelpers, AppendAndQuote) {
  char buffer[64];
  char* end = AppendString(buffer, "ab");
  end = AppendString(end, "cd");
  EXPECT_STREQ(buffer, "abcd");
  EXPECT_EQ(end, buffer + 4);

  end = CopyQuotedSql(buffer, "O'Neil");
  EXPECT_STREQ(buffer, "O''Neil");
  EXPECT_EQ(end, buffer + 7);
  CopyQuotedSql(buffer, "''; DROP TABLE x; --");
  EXPECT_STREQ(buffer, "''''; DROP TABLE x; --");
}

TEST(TextHelpers, Tokens) {
  char token[32];
  EXPECT_EQ(GetToken(token, "a,b", ',', 0), 1);
  EXPECT_STREQ(token, "a");
  EXPECT_EQ(GetToken(token, "a,b", ',', 2), 3);
  EXPECT_STREQ(token, "b");
  EXPECT_EQ(GetToken(token, ",x", ',', 0), 0);
  EXPECT_STREQ(token, "");

  const char* quoted = "\"x,y\",z";
  EXPECT_EQ(GetQuotedToken(token, quoted, ',', 0), 5);
  EXPECT_STREQ(token, "\"x,y\"");
  EXPECT_EQ(GetQuotedToken(token, quoted, ',', 6), 7);
  EXPECT_STREQ(token, "z");
}

TEST(TextHelpers, TrimStripReplace) {
  struct Case { const char* in; const char* trimmed; const char* stripped; };
  const Case cases[] = {
      {"  ab  ", "ab", "  ab  "},
      {"   ", "", "   "},
      {"\tab\t", "\tab\t", "\tab\t"},
      {"ab\"", "ab\"", "ab"},
      {"\"ab\"", "\"ab\"", "ab"},
      {"\"", "\"", ""},
      {"", "", ""},
  };
  for (const Case& c : cases) {
    char text[32];
    std::strcpy(text, c.in);
    TrimSpaces(text);
    EXPECT_STREQ(text, c.trimmed) << "trim of [" << c.in << "]";
    std::strcpy(text, c.in);
    StripQuotes(text);
    EXPECT_STREQ(text, c.stripped) << "strip of [" << c.in << "]";
  }
  char text[] = "a.b.c";
  ReplaceChar(text, '.', '/');
  EXPECT_STREQ(text, "a/b/c");
}

TEST(UserProfile, StartsEmpty) {
  EXPECT_EQ(CurrentUser.UserId, EmptyString);
  EXPECT_EQ(CurrentUser.on_exit_run, EmptyString);
  TUserProfile profile;
  SetString(&profile.Staff_Name, "Ann");
  EXPECT_STREQ(profile.Staff_Name, "Ann");
}

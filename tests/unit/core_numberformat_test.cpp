// Display formats of numbers and the way back to plain numbers.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "data/core/numberformat.h"
#include "data/core/strings.h"

namespace {

TEST(FormatNumber, PlainCurrencyAndPercent) {
  const struct {
    double value;
    const char* format;
    const char* expected;
  } cases[] = {
      {-1234.5, "2", "(1,234.50)"},       {1234.25, "$0", "$1,234"},
      {-1234, "0", "(1,234)"},            {12.5, "%1", "12.5%"},
      {-5, "%0", "(5%)"},                 {-12, "$2", "($12.00)"},
      {1234567.891, "2", "1,234,567.89"}, {1234567.891, "$3", "$1,234,567.891"},
      {100000, "$0", "$100,000"},         {999, "2", "999.00"},
      {1000, "0", "1,000"},               {0, "2", "0.00"},
      {12345.678, "%2", "12345.68%"},     // percent: no grouping, no scaling
      {1234.4, "", "1234"},               // empty format: no decimals, no grouping
      {5, "-3", "5"},                     {5, "x", "5"},
      {-0.26, "1", "(0.3)"},              {1234, "$", "$1,234"},
  };
  for (const auto& c : cases)
    EXPECT_STREQ(FormatNumber(c.value, c.format), c.expected) << c.value << " " << c.format;
}

TEST(FormatNumber, HugeValuesAndDecimalsStayInTheBuffer) {
  const std::string huge = FormatNumber(-1e300, "$99");
  EXPECT_EQ(huge.substr(0, 4), "($1,");
  EXPECT_EQ(huge.back(), ')');
  EXPECT_LT(huge.size(), 512u);
  const size_t point = huge.find('.');
  ASSERT_NE(point, std::string::npos);
  EXPECT_EQ(huge.size() - point - 2, 30u);  // decimals capped at 30
  // Groups of three all the way.
  int digits = 0;
  for (size_t k = point; k-- > 3;) {
    if (huge[k] == ',') {
      EXPECT_EQ(digits, 3);
      digits = 0;
    } else {
      ++digits;
    }
  }
}

TEST(UnformatNumber, SymbolsDroppedAndParenthesesNegative) {
  const struct {
    const char* text;
    const char* expected;
    double value;
  } cases[] = {
      {"(1,234.50)", "-1234.50", -1234.5}, {"$1,234", "1234", 1234}, {"12.5%", "12.5", 12.5},
      {"($12.00)", "-12.00", -12},         {"-5", "-5", -5},         {"", "", 0},
      {"abc", "abc", 0},                   {"1(2)3", "123", 123},
  };
  for (const auto& c : cases) {
    EXPECT_STREQ(UnformatNumber(c.text), c.expected) << c.text;
    EXPECT_DOUBLE_EQ(ParseDisplayNumber(c.text), c.value) << c.text;
  }
  const std::string longText(5000, '7');
  EXPECT_EQ(std::string(UnformatNumber(longText.c_str())), longText.substr(0, 511));
}

TEST(FormatNumber, DisplayTextsReadBackToTheirValue) {
  for (double value : {0.0, 1.5, -1.5, 999.99, -1000.0, 1234567.25, -98765432.75})
    for (const char* format : {"2", "$2", "%2"})
      EXPECT_DOUBLE_EQ(ParseDisplayNumber(FormatNumber(value, format)), value) << value << " " << format;
}

TEST(StripNumberSymbols, DollarPercentAndHashLeaveTheField) {
  char* field = EmptyString;
  SetString(&field, "$1,234%#.5#");
  StripNumberSymbols(&field);
  EXPECT_STREQ(field, "1,234.5");
  ReplaceString(&field, "$%#");
  StripNumberSymbols(&field);
  EXPECT_STREQ(field, "");
  FreeString(&field);
  char* empty = EmptyString;
  StripNumberSymbols(&empty);
  EXPECT_STREQ(empty, "");
  FreeString(&empty);
}

TEST(CommasGroupThousands, OnlyCommasBetweenGroupsOfThreeDigitsOfTheWholePart) {
  for (const char* grouped : {"1,234.50", "$1,234", "(1,234,567)", "12,345%", "999", "", "-1,000.5"})
    EXPECT_TRUE(CommasGroupThousands(grouped)) << grouped;
  for (const char* other : {"1,5", "12,34", "1,2345", "1.234,5", ",123", "1,,234", "1,234,5", "1,23a", "1234,567"})
    EXPECT_FALSE(CommasGroupThousands(other)) << other;
}

}  // namespace

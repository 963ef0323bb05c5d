// Expression values: conversions in place and the text of a column.
#include "data/core/strings.h"
#include "expr/value.h"

#include <gtest/gtest.h>

#include <string>

namespace {

constexpr int Bit = -7, TinyInt = -6, Char = 1, Numeric = 2, Decimal = 3, Integer = 4,
              SmallInt = 5, Real = 7, Double = 8, Date = 9, VarChar = 12;

TValue Str(const char* text) { TValue v; v.SetString(text); return v; }
TValue Long(long n) { TValue v; v.SetLong(n); return v; }
TValue Dbl(double d) { TValue v; v.SetDouble(d); return v; }

}  // namespace

TEST(Value, DoublesAsText) {
  struct Case { double value; const char* text; };
  const Case cases[] = {{3.5, "3.5"}, {7.0, "7"}, {0.1 + 0.2, "0.3"}, {-2.25, "-2.25"},
                        {0.0, "0"}, {1e-12, "0"}, {123456789.125, "123456789.125"},
                        {1e300, nullptr}};
  for (const Case& c : cases) {
    TValue v = Dbl(c.value);
    std::string text = v.AsString();
    EXPECT_EQ(v.GetType(), ValueString);
    if (c.text)
      EXPECT_EQ(text, c.text);
    else
      EXPECT_EQ(text.size(), 301u);  // 301 digits: no scratch overflow
  }
  EXPECT_STREQ(Long(-42).AsString(), "-42");
}

TEST(Value, ConversionsChangeTheType) {
  TValue v = Str("  -12abc");
  EXPECT_EQ(v.AsLong(), -12);
  EXPECT_EQ(v.GetType(), ValueLong);
  EXPECT_DOUBLE_EQ(v.AsDouble(), -12.0);
  EXPECT_EQ(v.GetType(), ValueDouble);
  EXPECT_EQ(Str("xyz").AsLong(), 0);
  EXPECT_DOUBLE_EQ(Str("1.5e1x").AsDouble(), 15.0);
  EXPECT_EQ(Dbl(-2.9).AsLong(), -2);
  EXPECT_EQ(Dbl(2.9).AsLong(), 2);
  // Out of range and not-a-number doubles stop at the ends of long instead of overflowing.
  EXPECT_EQ(Dbl(1e20).AsLong(), 2147483647L);
  EXPECT_EQ(Dbl(-1e20).AsLong(), -2147483647L - 1);
  EXPECT_EQ(Dbl(0.0 / 0.0).AsLong(), 0);
}

TEST(Value, CopiesOwnTheirText) {
  TValue a = Str("hello");
  TValue b(a);
  TValue c;
  c = a;
  a.SetString("changed");
  EXPECT_STREQ(b.AsString(), "hello");
  EXPECT_STREQ(c.AsString(), "hello");
  c = c;
  EXPECT_STREQ(c.AsString(), "hello");
  c.SetString(c.AsString() + 1);  // a text of its own
  EXPECT_STREQ(c.AsString(), "ello");
  c.Clear();
  EXPECT_STREQ(c.AsString(), "");
  EXPECT_EQ(c.AsString(), EmptyString);
  TValue d;
  d = Long(5);
  EXPECT_EQ(d.GetType(), ValueLong);
}

TEST(Value, FormatForColumn) {
  struct Case { TValue value; int type, length, scale; const char* text; };
  const Case cases[] = {
      {Long(42), Integer, 0, 0, "42"},      {Long(42), VarChar, 10, 0, "42"},
      {Long(42), Date, 10, 0, "42"},        {Dbl(2.75), Integer, 0, 0, "2"},
      {Dbl(2.75), Decimal, 10, 0, "2"},     {Dbl(2.75), Decimal, 10, 3, "2.750"},
      {Dbl(2.75), VarChar, 10, 0, "2.75"},  {Str("12abc"), Integer, 0, 0, "12"},
      {Str(""), Integer, 0, 0, ""},         {Str("?x"), Integer, 0, 0, "?x"},
      {Str("?x"), VarChar, 1, 0, "?x"},     {Dbl(1.23456789), Real, 0, 0, "1.2345679"},
      {Dbl(0.99999999), Real, 0, 0, "1.0000000"},
      {Dbl(-9.99999999), Real, 0, 0, "-10.0000000"},
      {Dbl(1.5), Real, 0, 0, "1.5"},        {Str("1.23456784"), Real, 0, 0, "1.2345678"},
      {Str("0"), Bit, 0, 0, "0"},           {Long(-5), Bit, 0, 0, "1"},
      {Str("abc"), Bit, 0, 0, "0"},         {Str("abcdef"), VarChar, 3, 0, "abc"},
      {Str("abcdef"), Char, 3, 0, "abc"},   {Dbl(1.5), VarChar, 3, 0, "1.5"},
      {Str("abc"), VarChar, 0, 0, ""},      {Str("7.9"), SmallInt, 0, 0, "7"},
      {Str("300"), TinyInt, 0, 0, "300"},   {Str("3.14159"), Numeric, 8, 2, "3.14"},
      {Str("-0.005"), Numeric, 8, 2, "-0.01"}, {Long(3), Numeric, 8, 2, "3.00"},
      {Str("2024-01-05"), Date, 10, 0, "2024-01-05"}, {Dbl(1.0 / 3), Double, 15, 0, "0.33333333333"},
  };
  for (const Case& c : cases) {
    TValue v = c.value;
    EXPECT_STREQ(v.FormatForColumn(c.type, c.length, c.scale), c.text)
        << "type " << c.type << " length " << c.length << " scale " << c.scale;
    EXPECT_EQ(v.GetType(), ValueString);
    EXPECT_EQ(TempStringsInUse(), 0);
  }
}

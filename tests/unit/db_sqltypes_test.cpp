// SQL type texts, order-by keywords, field display widths and the values columns take.
#include "data/core/strings.h"
#include "data/db/columnvalues.h"
#include "data/db/sqltypes.h"
#include "data/model/model.h"

#include <gtest/gtest.h>

#include <string>

TEST(ParseSqlType, TableOfTypeTexts) {
  struct Case { const char* text; bool known; int type, size, digits; };
  const Case cases[] = {
      {"decimal(10,2)", true, 3, 10, 2},  {"VARCHAR(40)", true, 12, 40, 0},
      {"char(3)", true, 1, 3, 0},         {"NUMERIC(8)", true, 2, 8, 0},
      {"BIT", true, -7, 1, 0},            {"date", true, 9, 10, 0},
      {"Time", true, 10, 8, 0},           {"TIMESTAMP", true, 11, 19, 0},
      {"INTEGER", true, 4, 10, 0},        {"smallint", true, 5, 5, 0},
      {"TINYINT", true, -6, 3, 0},        {"REAL", true, 7, 7, 0},
      {"FLOAT", true, 6, 15, 0},          {"double precision", true, 8, 15, 0},
      {"TEXT", false, 0, 0, 0},           {"INTEGER(4)", false, 0, 0, 0},
      {"VARCHAR", false, 0, 0, 0},        {"", false, 0, 0, 0},
  };
  for (const Case& c : cases) {
    int type = 0, size = 0, digits = 0;
    EXPECT_EQ(ParseSqlType(c.text, &type, &size, &digits), c.known) << c.text;
    EXPECT_EQ(type, c.type) << c.text;
    EXPECT_EQ(size, c.size) << c.text;
    EXPECT_EQ(digits, c.digits) << c.text;
  }
}

TEST(OrderBy, FindsKeywordInThreeSpellings) {
  EXPECT_STREQ(OrderByColumns("SELECT * FROM T order by NAME"), "NAME");
  EXPECT_STREQ(OrderByColumns("SELECT * FROM T ORDER BY A,B"), "A,B");
  EXPECT_STREQ(OrderByColumns("SELECT * FROM T Order By X"), "X");
  EXPECT_EQ(OrderByColumns("SELECT * FROM T"), EmptyString);
  EXPECT_EQ(FindOrderBy("SELECT 1"), EmptyString);
}

TEST(FieldDisplayWidth, CodeListOnNumberColumnUsesLongestKey) {
  TCodeList list;
  list.Items = new TCodeListItem[3];
  list.ItemCapacity = list.ItemCount = 3;
  SetString(&list.Items[0].Key, "1");
  SetString(&list.Items[1].Key, "10");
  SetString(&list.Items[2].Key, "100");
  TAttribute attribute;
  attribute.DisplayWidth = 12;
  attribute.CodeList = &list;
  attribute.SqlType = 4;
  EXPECT_EQ(FieldDisplayWidth(&attribute), 3);
  attribute.SqlType = 12;
  EXPECT_EQ(FieldDisplayWidth(&attribute), 12);
  attribute.CodeList = nullptr;
  attribute.SqlType = 4;
  EXPECT_EQ(FieldDisplayWidth(&attribute), 12);
}

TEST(ColumnTakes, ValuesByTheColumnsType) {
  struct Case { const char* type; const char* text; const char* refusal; };  // refusal null: taken
  const Case cases[] = {
      {"INTEGER", "-2147483648", nullptr},  {"INTEGER", " 12 ", nullptr},
      {"INTEGER", "+7", nullptr},           {"INTEGER", "", nullptr},
      {"INTEGER", "2147483648", "'2147483648' is out of the range of C"},
      {"INTEGER", "X3", "'X3' is not a whole number for C"},
      {"INTEGER", "1.0", "'1.0' is not a whole number for C"},
      {"INTEGER", "0x10", "'0x10' is not a whole number for C"},
      {"SMALLINT", "-32769", "'-32769' is out of the range of C"},
      {"TINYINT", "-1", "'-1' is out of the range of C"},
      {"decimal(5,2)", "999.99", nullptr},  {"decimal(5,2)", "-.5", nullptr},
      {"decimal(5,2)", "5.", nullptr},
      {"decimal(5,2)", "1000", "'1000' is too large for C"},
      {"decimal(5,2)", "1e2", nullptr},     {"decimal(5,2)", "1e-05", nullptr},
      {"decimal(5,2)", "1e5", "'1e5' is too large for C"},
      {"decimal(5,2)", "1e400", "'1e400' is not a number for C"},
      {"decimal(5,2)", ".", "'.' is not a number for C"},
      {"decimal(5,2)", "0x1A", "'0x1A' is not a number for C"},
      {"FLOAT", "1.5e-3", nullptr},
      {"FLOAT", "1e400", "'1e400' is not a number for C"},
      {"FLOAT", "inf", "'inf' is not a number for C"},
      {"FLOAT", "1e", "'1e' is not a number for C"},
      {"date", "2024-02-29", nullptr},      {"date", "0001-01-01", nullptr},
      {"date", "2024-02-29 10:00:00", nullptr},
      {"date", "2023-02-29", "'2023-02-29' is not a date for C"},
      {"date", "2024-1x-05", "'2024-1x-05' is not a date for C"},
      {"date", "0000-01-01", "'0000-01-01' is not a date for C"},
      {"TIMESTAMP", "2024-03-05 14:07:09", nullptr},
      {"TIMESTAMP", "2024-03-05 14:07:09.125", nullptr},
      {"TIMESTAMP", "2024-03-05", nullptr},
      {"TIMESTAMP", "2024-04-31 14:07:09", "'2024-04-31 14:07:09' is not a timestamp for C"},
      {"TIMESTAMP", "2024-03-05 24:00:00", "'2024-03-05 24:00:00' is not a timestamp for C"},
      {"Time", "23:59:59", nullptr},
      {"Time", "23:60:00", "'23:60:00' is not a time for C"},
      {"VARCHAR(3)", "abc", nullptr},
      {"VARCHAR(3)", "abcd", "'abcd' is longer than the 3 characters of C"},
  };
  TAttribute attribute;
  SetString(&attribute.Caption, "C");
  for (const Case& c : cases) {
    ASSERT_TRUE(ParseSqlType(c.type, &attribute.SqlType, &attribute.ColumnSize, &attribute.DecimalDigits)) << c.type;
    std::string refusal;
    EXPECT_EQ(ColumnTakes(attribute, c.text, &refusal), c.refusal == nullptr) << c.type << " " << c.text;
    if (c.refusal) {
      EXPECT_EQ(refusal, c.refusal) << c.type << " " << c.text;
    }
  }
  std::string refusal;
  EXPECT_FALSE(ColumnTakes(attribute, std::string(60, 'x').c_str(), &refusal, "typed"));
  EXPECT_EQ(refusal, "'typed' is longer than the 3 characters of C");
  ParseSqlType("INTEGER", &attribute.SqlType, &attribute.ColumnSize, &attribute.DecimalDigits);
  EXPECT_FALSE(ColumnTakes(attribute, std::string(60, '9').c_str(), &refusal));
  EXPECT_EQ(refusal, "'" + std::string(40, '9') + "...' is out of the range of C");
  FreeString(&attribute.Caption);
}

TEST(FieldDisplayWidth, NoWidthInTheModelGivesTheColumnSize) {
  TAttribute attribute;
  ASSERT_TRUE(ParseSqlType("VARCHAR(40)", &attribute.SqlType, &attribute.ColumnSize, &attribute.DecimalDigits));
  attribute.DisplayWidth = 0;
  EXPECT_EQ(FieldDisplayWidth(&attribute), 40);
  attribute.DisplayWidth = 25;
  EXPECT_EQ(FieldDisplayWidth(&attribute), 25);
}

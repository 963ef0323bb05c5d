// SQL type texts, order-by keywords and field display widths.
#include "data/core/strings.h"
#include "data/db/sqltypes.h"
#include "data/model/model.h"

#include <gtest/gtest.h>

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

TEST(FieldDisplayWidth, NoWidthInTheModelGivesTheColumnSize) {
  TAttribute attribute;
  ASSERT_TRUE(ParseSqlType("VARCHAR(40)", &attribute.SqlType, &attribute.ColumnSize, &attribute.DecimalDigits));
  attribute.DisplayWidth = 0;
  EXPECT_EQ(FieldDisplayWidth(&attribute), 40);
  attribute.DisplayWidth = 25;
  EXPECT_EQ(FieldDisplayWidth(&attribute), 25);
}

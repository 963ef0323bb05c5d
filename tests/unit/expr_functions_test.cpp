// The scalar built-in functions: text, numbers, dates, conditions and conversion, the
// user and model names, FORMATSTRING, and the functions that start programs and mail.
#include "data/core/datetime.h"
#include "data/core/strings.h"
#include "data/core/userprofile.h"
#include "data/model/model.h"
#include "expr/expr.h"
#include "expr/formatstring.h"
#include "expr/mapi.h"
#include "support/dialog_watcher.h"
#include "support/expr_eval.h"
#include "support/scratch_dir.h"
#include "support/test_model.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <iterator>
#include <string>

namespace {

struct TCase {
  const char* text;
  const char* result;
};

class ExprFunctions : public ::testing::Test {
protected:
  void SetUp() override {
    BuildModel(TheModel, ShopModel());
    TheModel.LinkAndValidate();
  }
  void TearDown() override {
    TheModel.Clear();
    EXPECT_EQ(TempStringsInUse(), 0);
  }
  void Check(const TCase* cases, size_t count) {
    for (size_t i = 0; i < count; ++i) {
      EXPECT_EQ(EvalToText("Order", cases[i].text), cases[i].result) << cases[i].text;
      EXPECT_EQ(TempStringsInUse(), 0) << cases[i].text;
    }
  }
};

}  // namespace

TEST_F(ExprFunctions, Texts) {
  const TCase cases[] = {
      {"ASCII('A')", "long 65"},
      {"ASCII('')", "long 0"},
      {"ASCII(CHAR(200))", "long -56"},
      {"CHAR(65)", "text A"},
      {"CONCAT('a', 'b')", "text ab"},
      {"CONCAT('a', 1, 2.5, NULL, 'd')", "text a12.5d"},
      {"CONCAT('a', 1 / 0)", "E214 Divide by zero: "},
      {"INSERT('abcdef', 2, 3, 'XY')", "text aXYef"},
      {"INSERT('abc', 5, 1, 'Z')", "text abcZ"},
      {"INSERT('abc', 4, 0, 'Z')", "text abcZ"},
      {"INSERT('abc', 3, 10, 'Z')", "text abZ"},
      {"INSERT('abc', 0, 1, 'Z')", "E215 Illegal function call for: : INSERT"},
      {"INSERT('abc', 1, -1, 'Z')", "E215 Illegal function call for: : INSERT"},
      {"LEFT('abc', 5)", "text abc"},
      {"LEFT('abc', 2)", "text ab"},
      {"LEFT('abc', 0)", "text "},
      {"LEFT('abc', -1)", "E215 Illegal function call for: : LEFT"},
      {"RIGHT('abc', 2)", "text bc"},
      {"RIGHT('abc', 9)", "text abc"},
      {"RIGHT('abc', -1)", "E215 Illegal function call for: : RIGHT"},
      {"SUBSTRING('abcdef', 2, 3)", "text bcd"},
      {"SUBSTRING('abc', 2, 10)", "text bc"},
      {"SUBSTRING('abc', 4, 1)", "text "},
      {"SUBSTRING('abc', 0, 1)", "E215 Illegal function call for: : SUBSTRING"},
      {"SUBSTRING('abc', 1, -1)", "E215 Illegal function call for: : SUBSTRING"},
      {"LTRIM(CONCAT(CHAR(9), CHAR(10), ' x '))", "text x "},
      {"RTRIM(CONCAT(' x ', CHAR(13), CHAR(10)))", "text  x"},
      {"LENGTH('hello')", "long 5"},
      {"LENGTH(NULL)", "long 0"},
      {"LOCATE('hello', 'l')", "long 3"},
      {"LOCATE('hello', 'l', 4)", "long 4"},
      {"LOCATE('hello', 'z')", "long 0"},
      {"LOCATE('hello', 'o', 5)", "long 5"},
      {"LOCATE('hello', 'o', 6)", "long 0"},
      {"LOCATE('hello', 'l', 0)", "E215 Illegal function call for: : LOCATE"},
      {"LCASE('AbC')", "text abc"},
      {"UCASE('abc1')", "text ABC1"},
      {"REPEAT('ab', 3)", "text ababab"},
      {"REPEAT('ab', 0)", "text "},
      {"REPEAT('a', -1)", "E215 Illegal function call for: : REPEAT"},
      {"REPLACE('a.b.c', '.', '')", "text abc"},
      {"REPLACE('aab', 'ab', 'b')", "text b"},  // the search starts again after each change
      {"REPLACE('abc', 'b', 'bb')", "text abbc"},  // replacement holds the searched text
      {"REPLACE('abab', 'ab', 'xaby')", "text xabyxaby"},
      {"REPLACE('abc', '', 'x')", "text abc"},
      {"REPLACE('abc', 'z', 'x')", "text abc"},
      {"STR(2.5)", "text 2.5"},
      {"STR(7)", "text 7"},
      // Results stop at the size of one pool buffer.
      {"LENGTH(REPEAT('abc', 100000))", "long 8191"},
      {"LENGTH(REPLACE(REPEAT('a', 5000), 'a', 'bc'))", "long 8191"},
      {"LENGTH(REPLACE(REPEAT('a', 5000), 'a', 'aa'))", "long 8191"},
      {"LENGTH(REPLACE(REPEAT('ab', 3000), 'ab', 'ba'))", "long 6000"},
  };
  Check(cases, std::size(cases));
}

TEST_F(ExprFunctions, Numbers) {
  const TCase cases[] = {
      {"ABS(-3)", "long 3"},
      {"ABS(-2.5)", "double 2.5"},
      {"ABS('-4.5')", "long 4"},
      {"SQRT(16)", "double 4"},
      {"EXP(0)", "double 1"},
      {"COS(0) + SIN(0)", "double 1"},
      {"ABS(ATAN2(1, 1) * 4.0 - PI()) < 0.0000001", "long 1"},
      {"ATAN2(1, 1) * 4", "long 0"},  // a long operand makes the product a long,
      {"ACOS(1) + ASIN(0) + ATAN(0) + TAN(0)", "double 0"},
      {"COT(0)", "E214 Divide by zero: "},
      {"LOG(-1)", "E215 Illegal function call for: : LOG"},
      {"LOG(1)", "double 0"},
      {"CEILING(2.1)", "long 3"},
      {"FLOOR(-2.1)", "long -3"},
      {"CEILING(5)", "long 5"},
      {"FLOOR('7.9')", "long 7"},
      {"MOD(7, 3)", "long 1"},
      {"MOD(-7, 3)", "long -1"},
      {"MOD(7, 0)", "E215 Illegal function call for: : MOD"},
      {"PI()", "double 3.14159265359"},
      {"SIGN(-5)", "long -1"},
      {"SIGN(0.0)", "long 0"},
      {"SIGN('0.5')", "long 1"},
      {"POW(2, 10)", "double 1024"},
      {"POW('9', 0.5)", "double 3"},
      {"VAL('3.5')", "double 3.5"},
      {"VAL('12')", "long 12"},
      {"VAL(7)", "long 7"},
      {"INT('12abc')", "long 12"},
      {"INT(-2.9)", "long -2"},
      {"REAL(3)", "double 3"},
      {"RAND(5) = RAND(5)", "long 1"},
      {"RAND() BETWEEN 0 AND 1", "long 1"},
  };
  Check(cases, std::size(cases));
}

TEST_F(ExprFunctions, DatesAndTimes) {
  const TCase cases[] = {
      {"YEAR('2024-03-15')", "long 2024"},
      {"MONTH('2024-03-15')", "long 3"},
      {"DAYOFMONTH('2024-03-15')", "long 15"},
      {"YEAR('2024-03-15 10:00:00')", "E215 Illegal function call for: : YEAR"},
      {"MONTH('')", "E215 Illegal function call for: : MONTH"},
      {"DAYOFMONTH('2024-3-15')", "E215 Illegal function call for: : DAYOFMONTH"},
      {"QUARTER('2024-11-02')", "long 4"},
      {"QUARTER('2024-01-31')", "long 1"},
      {"QUARTER('x')", "E215 Illegal function call for: : QUARTER"},
      {"DAYOFWEEK('2024-03-15')", "long 6"},
      {"DAYOFYEAR('2024-03-15')", "long 75"},
      {"DAYOFYEAR('2023-12-31')", "long 365"},
      {"DAYOFWEEK('2024')", "E215 Illegal function call for: : DAYOF../WEEK"},
      {"DAYOFYEAR('2024-03-15x')", "E215 Illegal function call for: : DAYOF../WEEK"},
      {"WEEK('')", "E215 Illegal function call for: : DAYOF../WEEK"},
      {"WEEK('2024-01-06')", "long 1"},
      {"WEEK('2024-01-07')", "long 2"},
      {"DAYOFYEAR('abcdefghij')", "long 0"},  // nonsense parts read as 0, no crash
      {"HOUR('10:20:30')", "long 10"},
      {"MINUTE('10:20:30')", "long 20"},
      {"SECOND('10:20:30')", "long 30"},
      {"HOUR('10:20')", "E215 Illegal function call for: : HOUR"},
      {"SECOND('10:20:30 ')", "E215 Illegal function call for: : SECOND"},
      {"COMPAREDATES('2001-01-01', '2000-01-01')", "long 365"},
      {"COMPAREDATES('2000-03-01', '2000-02-28')", "long 2"},
      {"COMPAREDATES('2000-01-01', '2001-01-01')", "long -365"},
      {"COMPAREDATES('', '0002')", "long -730"},
      {"ADDTODATE('2024-01-31', 1, 0, 0)", "text 2024-02-01"},
      {"LENGTH(NOW())", "long 19"},
      {"LENGTH(CURDATE()) + LENGTH(CURTIME())", "long 18"},
      {"SUBSTRING(NOW(), 11, 1)", "text  "},
  };
  Check(cases, std::size(cases));
  // Today's date: NOW() starts with CURDATE() (unless midnight falls between them).
  char today[16];
  TodayText(today);
  EXPECT_EQ(EvalToText("Order", "CURDATE()"), std::string("text ") + today);
}

TEST_F(ExprFunctions, ConditionsAndConversion) {
  const TCase cases[] = {
      {"IF(1, 'a', 1 / 0)", "text a"},
      {"IF(0, 1 / 0, 'b')", "text b"},
      {"IF('2', 3, 4)", "long 3"},
      {"IF(1 / 0, 1, 2)", "E214 Divide by zero: "},
      {"IFNULL('', 'x')", "text x"},
      {"IFNULL('y', 1 / 0)", "text y"},
      {"IFNULL(0, 'x')", "long 0"},
      {"IFNULL(NULL, 1 / 0)", "E214 Divide by zero: "},
      {"CONVERT('3.5', SQL_DECIMAL)", "double 3.5"},
      {"CONVERT('3', SQL_NUMERIC)", "long 3"},
      {"CONVERT(2.5, numeric)", "double 2.5"},
      {"CONVERT(2.7, 'sql_integer')", "long 2"},
      {"CONVERT('7', ZSQL_BIT)", "long 7"},
      {"CONVERT(5, ZSQL_VARCHAR)", "text 5"},
      {"CONVERT(5, SQL_TIMESTAMP)", "text 5"},
      {"CONVERT('1.5', double)", "double 1.5"},
      {"CONVERT(1, MONEY)", "E216 Unknown SQL data type: : MONEY"},
      {"CONVERT(1, zsql_money)", "E216 Unknown SQL data type: : zsql_money"},
      {"CONVERT(1 / 0, SQL_INTEGER)", "E214 Divide by zero: "},
      {"CONVERT(1, 2)", "E216 Unknown SQL data type: : "},  // no type name written
      {"DISPLAYERROR('x')", "text "},
      {"DISPLAYERROR(1 / 0)", "E214 Divide by zero: "},
      {"MESSAGEBEEP(0)", "text "},
      {"MESSAGEBEEP(1 / 0)", "E214 Divide by zero: "},
  };
  Check(cases, std::size(cases));
}

TEST_F(ExprFunctions, UserAndModelNames) {
  ReplaceString(&TheModel.DefaultUser, "clerk");
  ReplaceString(&TheModel.DatabaseName, "shop");
  ReplaceString(&CurrentUser.UserId, "u17");
  ReplaceString(&CurrentUser.Staff_Name, "Ann Smith");
  const TCase cases[] = {
      {"USER()", "text clerk"},
      {"DATABASE()", "text shop"},
      {"GETLOGINID()", "text u17"},
      {"GETLOGINNAME() || '!'", "text Ann Smith!"},
  };
  Check(cases, std::size(cases));
  ReplaceString(&CurrentUser.UserId, "");
  ReplaceString(&CurrentUser.Staff_Name, "");
}

TEST_F(ExprFunctions, FormatString) {
  const TCase cases[] = {
      {"FORMATSTRING('%s-%s', 'a', 'b')", "text a-b"},
      {"FORMATSTRING('x')", "text x"},
      {"FORMATSTRING(5)", "text 5"},
      {"FORMATSTRING('100%')", "text 100%"},  // no values: the text as it is
      {"FORMATSTRING('%s', 1 / 0)", "text %s"},
      {"FORMATSTRING('%s|%s|%s', 'a', 1 / 0, 'c')", "text a||"},  // values end at the first failure
      {"FORMATSTRING('%s %s %s %s %s', 'a', 'b', 'c')", "text a b c  "},
      {"FORMATSTRING('%d%% of %s', 5, 2.5)", "text 5% of 2.5"},
      {"FORMATSTRING('[%5s|%-3s|%.2s]', 'ab', 'c', 'xyz')", "text [   ab|c  |xy]"},
      {"FORMATSTRING('%n%p%x', 'a')", "text a"},
      {"FORMATSTRING('%', 'a')", "text %"},
      {"FORMATSTRING(1 / 0, 'a')", "E214 Divide by zero: "},
  };
  Check(cases, std::size(cases));
  EXPECT_EQ(FormatWithTexts("%999999999s", {"x"}).size(), 8191u);
  EXPECT_EQ(FormatWithTexts("%5.1ld|%lls", {"abc", "d"}), "    a|d");
}

TEST_F(ExprFunctions, ExecuteStartsTheProgramWithTheArgumentsThatEvaluate) {
  TScratchDir dir;
  std::string record = dir.File("args.txt");
  SetEnvironmentVariableA("VORN_RECORD_ARGS", record.c_str());
  std::string program = TestProgramPath("record_args");
  std::string text = "EXECUTE('" + program + "', 'a b', 1 + 1, 1 / 0, 'lost')";
  EXPECT_EQ(EvalToText("Order", text.c_str()), "text ");
  // The program wrote its command line and then one argument per line.
  std::string written = TScratchDir::Read(record);
  size_t first = written.find('\n');
  ASSERT_NE(first, std::string::npos) << written;
  std::string args = written.substr(first + 1);
  args.erase(std::remove(args.begin(), args.end(), '\r'), args.end());
  EXPECT_EQ(args, "a b\n2\n");
  EXPECT_EQ(EvalToText("Order", "EXECUTE(1 / 0)"), "E214 Divide by zero: ");
  SetEnvironmentVariableA("VORN_RECORD_ARGS", nullptr);
}

namespace {
// Sets the registry value by which the system says whether a mail system is installed;
// null removes it. Returns the value it had ("" when none).
std::string SetMapiFlag(const char* value) {
  HKEY key;
  RegCreateKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows Messaging Subsystem", 0, nullptr, 0,
                  KEY_ALL_ACCESS, nullptr, &key, nullptr);
  char old[16] = "";
  DWORD size = sizeof old - 1;
  RegQueryValueExA(key, "MAPI", nullptr, nullptr, reinterpret_cast<BYTE*>(old), &size);
  if (value)
    RegSetValueExA(key, "MAPI", 0, REG_SZ, reinterpret_cast<const BYTE*>(value), DWORD(std::strlen(value) + 1));
  else
    RegDeleteValueA(key, "MAPI");
  RegCloseKey(key);
  return old;
}
}  // namespace

TEST_F(ExprFunctions, SendMailWithoutMailSystemSendsNothingAndSucceeds) {
  std::string old = SetMapiFlag("0");
  EXPECT_FALSE(IsMapiInstalled());
  EXPECT_EQ(EvalToText("Order", "SENDMAIL('a@example.com', 'Subject', 'Body', 1 / 0)"), "text ");
  EXPECT_EQ(EvalToText("Order", "SENDMAIL('a@example.com', 1 / 0, 'Body', '')"), "E214 Divide by zero: ");
  // Nothing was shown: no box of ours is open.
  EXPECT_FALSE(FindDialog(GetCurrentProcessId(), "Send Mail", 500).found);
  SetMapiFlag(old.empty() ? nullptr : old.c_str());
}

// Wine's mail system has no profile to log on to.
TEST_F(ExprFunctions, SendMailReportsAFailedLogon) {
  std::string old = SetMapiFlag("1");
  auto watcher = WatchAndPressAsync(GetCurrentProcessId(), "Send Mail", IDOK, 20000);
  EXPECT_EQ(EvalToText("Order", "SENDMAIL('a@example.com', 'Subject', 'Body', '')"), "text ");
  TWatchedDialog box = watcher.get();
  ASSERT_TRUE(box.found);
  EXPECT_EQ(box.text, "Could not logon to the current MAPI mail profile!\n");
  EXPECT_EQ(box.icon, TBoxIcon::Hand) << BoxIconName(box.icon);
  SetMapiFlag(old.empty() ? nullptr : old.c_str());
}

// Calendar numbers, the LIKE matcher, today's texts and the fixed-form date texts.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "data/core/datetime.h"

namespace {

TEST(LikeMatch, PercentAndUnderscoreAgainstText) {
  struct {
    const char* text;
    const char* pattern;
    int result;
  } cases[] = {
      {"ABC", "A%", 0},      {"ABC", "_B_", 0},     {"ABC", "a%", 1},     {"", "%", 0},
      {"", "", 0},           {"A", "", 1},          {"", "_", 1},         {"AB", "_", 1},
      {"ABC", "%C", 0},      {"ABC", "%B%", 0},     {"ABC", "%%%", 0},    {"ABC", "A%%C", 0},
      {"ABC", "ABC", 0},     {"ABC", "ABCD", 1},    {"ABCD", "ABC", 1},   {"ABC", "%D", 1},
      {"AXBXC", "A%B%C", 0}, {"AXBXC", "A%C%B", 1}, {"ABAB", "%AB", 0},   {"ABAC", "%AB", 1},
      {"abc", "ABC", 1},     {"A_C", "A_C", 0},     {"MISSISSIPPI", "%SS%PP_", 0},
      {"MISSISSIPPI", "M%SIP%I", 0},                {"MISSISSIPPI", "M%SIPX%", 1},
  };
  for (const auto& c : cases)
    EXPECT_EQ(LikeMatch(c.text, c.pattern), c.result) << c.text << " LIKE " << c.pattern;
}

TEST(LikeMatch, ManyPercentsOnALongTextStayQuick) {
  const std::string text(20000, 'A');
  const DWORD start = GetTickCount();
  EXPECT_EQ(LikeMatch(text.c_str(), "%A%A%A%A%A%A%A%A%A%B"), 1);
  EXPECT_EQ(LikeMatch(text.c_str(), "%A%A%A%A%A%A%A%A%A%A"), 0);
  EXPECT_LT(GetTickCount() - start, 2000u);
}

TEST(Calendar, DayOfYearCountsTheLeapDayFromMarch) {
  struct {
    int y, m, d, expected;
  } cases[] = {{2023, 1, 1, 1},   {2023, 2, 28, 59},  {2023, 3, 1, 60},   {2024, 2, 29, 60},
               {2024, 3, 1, 61},  {2024, 12, 31, 366}, {2023, 12, 31, 365}, {1900, 3, 1, 60},
               {2000, 3, 1, 61},  {2100, 12, 31, 365}, {2024, 13, 1, 0},   {2024, 0, 1, 0}};
  for (const auto& c : cases)
    EXPECT_EQ(DayOfYear(c.y, c.m, c.d), c.expected) << c.y << "-" << c.m << "-" << c.d;
}

// The weekday of every day from 1601 to 2600 agrees with the system's calendar.
TEST(Calendar, DayOfWeekAgreesWithTheSystemCalendar) {
  SYSTEMTIME day{};
  day.wYear = 1601;
  day.wMonth = 1;
  day.wDay = 1;
  FILETIME file;
  ASSERT_TRUE(SystemTimeToFileTime(&day, &file));
  ULARGE_INTEGER ticks;
  ticks.LowPart = file.dwLowDateTime;
  ticks.HighPart = file.dwHighDateTime;
  const ULONGLONG oneDay = 864000000000ULL;
  int mismatches = 0;
  for (int n = 0; n < 365243 && mismatches < 5; ++n, ticks.QuadPart += oneDay) {
    file.dwLowDateTime = ticks.LowPart;
    file.dwHighDateTime = ticks.HighPart;
    ASSERT_TRUE(FileTimeToSystemTime(&file, &day));
    const int got = DayOfWeek(day.wYear, day.wMonth, day.wDay);
    if (got != day.wDayOfWeek + 1) {
      ++mismatches;
      ADD_FAILURE() << day.wYear << "-" << day.wMonth << "-" << day.wDay << ": " << got;
    }
  }
}

TEST(Calendar, DayOfWeekOfKnownDates) {
  EXPECT_EQ(DayOfWeek(1980, 1, 1), 3);  // a Tuesday
  EXPECT_EQ(DayOfWeek(2024, 3, 5), 3);
  EXPECT_EQ(DayOfWeek(2024, 3, 10), 1);  // Sunday
  EXPECT_EQ(DayOfWeek(2024, 3, 9), 7);   // Saturday
  EXPECT_EQ(DayOfWeek(2100, 3, 1), 2);   // 2100 has no 29 February
  EXPECT_EQ(DayOfWeek(1900, 2, 28), 4);
  // A month outside 1-12 carries into the year.
  EXPECT_EQ(DayOfWeek(2023, 15, 5), DayOfWeek(2024, 3, 5));
  EXPECT_EQ(DayOfWeek(2024, 0, 5), DayOfWeek(2023, 12, 5));
}

TEST(Calendar, WeeksStartOnSunday) {
  struct {
    int y, m, d, expected;
  } cases[] = {
      {2023, 1, 1, 1},   // 1 January 2023 is a Sunday
      {2023, 1, 7, 1},   {2023, 1, 8, 2},   {2024, 1, 1, 1},  // a Monday
      {2024, 1, 6, 1},   {2024, 1, 7, 2},   {2022, 1, 1, 1},  // a Saturday
      {2022, 1, 2, 2},   {2024, 12, 31, 53}, {2022, 12, 31, 53},
  };
  for (const auto& c : cases)
    EXPECT_EQ(WeekOfYear(c.y, c.m, c.d), c.expected) << c.y << "-" << c.m << "-" << c.d;
}

TEST(TodayAndNow, LocalDateAndTimeInDatabaseForm) {
  SYSTEMTIME before, after;
  char today[11], now[9];
  GetLocalTime(&before);
  EXPECT_EQ(TodayText(today), today);
  EXPECT_EQ(NowText(now), now);
  GetLocalTime(&after);
  char expected[16];
  snprintf(expected, sizeof expected, "%04d-%02d-%02d", after.wYear, after.wMonth, after.wDay);
  if (before.wDay == after.wDay) {
    EXPECT_STREQ(today, expected);
  }
  ASSERT_EQ(strlen(now), 8u);
  EXPECT_EQ(now[2], ':');
  EXPECT_EQ(now[5], ':');
  const int seconds = atoi(now) * 3600 + atoi(now + 3) * 60 + atoi(now + 6);
  const int first = before.wHour * 3600 + before.wMinute * 60 + before.wSecond;
  const int last = after.wHour * 3600 + after.wMinute * 60 + after.wSecond;
  if (first <= last) {
    EXPECT_GE(seconds, first);
    EXPECT_LE(seconds, last);
  }
}

TEST(AddToIsoDate, CarriesOverRealMonthLengths) {
  struct {
    const char* date;
    long days, months, years;
    const char* expected;
  } cases[] = {
      {"2024-01-31", 0, 1, 0, "2024-03-02"},   {"2024-03-05", -40, 0, 0, "2024-01-25"},
      {"2023-01-31", 0, 1, 0, "2023-03-03"},   {"2024-02-29", 0, 0, 1, "2025-03-01"},
      {"2024-12-31", 1, 0, 0, "2025-01-01"},   {"2024-01-01", -1, 0, 0, "2023-12-31"},
      {"2024-11-15", 0, 14, 0, "2026-01-15"},  {"2024-03-15", 0, -15, 0, "2022-12-15"},
      {"2024-03-15", 0, -3, 0, "2023-12-15"},  {"2024-03-15", 0, -2, 0, "2024-01-15"},
      {"2000-02-28", 1, 0, 0, "2000-02-29"},   {"1900-02-28", 1, 0, 0, "1900-03-01"},
      {"2024-03-05", 365, 0, 0, "2025-03-05"}, {"2024-03-05", 0, 0, -25, "1999-03-05"},
      {"0999-06-01", 0, 0, 0, " 999-06-01"},   {"2024-03-05", 0, 0, 0, "2024-03-05"},
  };
  for (const auto& c : cases)
    EXPECT_STREQ(AddToIsoDate(c.date, c.days, c.months, c.years), c.expected)
        << c.date << " " << c.days << " " << c.months << " " << c.years;
}

// Day shifts agree with the system's calendar, far into the past and the future.
TEST(AddToIsoDate, DayShiftsAgreeWithTheSystemCalendar) {
  const long shifts[] = {1, 59, 366, 1461, 36524, 146097, 146098, 200000, 292193, -1, -400, -100000};
  for (long shift : shifts) {
    SYSTEMTIME start{};
    start.wYear = 2024;
    start.wMonth = 3;
    start.wDay = 5;
    if (shift < 0) start.wYear = 2400;
    char startText[16];
    snprintf(startText, sizeof startText, "%04d-03-05", start.wYear);
    FILETIME file;
    ASSERT_TRUE(SystemTimeToFileTime(&start, &file));
    ULARGE_INTEGER ticks;
    ticks.LowPart = file.dwLowDateTime;
    ticks.HighPart = file.dwHighDateTime;
    ticks.QuadPart += shift * 864000000000LL;
    file.dwLowDateTime = ticks.LowPart;
    file.dwHighDateTime = ticks.HighPart;
    SYSTEMTIME end;
    ASSERT_TRUE(FileTimeToSystemTime(&file, &end));
    char expected[16];
    snprintf(expected, sizeof expected, "%4d-%02d-%02d", end.wYear, end.wMonth, end.wDay);
    EXPECT_STREQ(AddToIsoDate(startText, shift, 0, 0), expected) << startText << " + " << shift;
  }
}

TEST(AddToIsoDate, HugeShiftsFinishQuickly) {
  const DWORD start = GetTickCount();
  EXPECT_STREQ(AddToIsoDate("2024-03-05", 146097L * 10000, 0, 0), "4002024-03-05");
  EXPECT_STREQ(AddToIsoDate("2024-03-05", 0, 12L * 1000000, 0), "1002024-03-05");
  EXPECT_STREQ(AddToIsoDate("2024-03-05", -146097L * 5, 0, 0), "  24-03-05");
  EXPECT_LT(GetTickCount() - start, 1000u);
}

TEST(AddToIsoDate, ShortTextsReadMissingPartsAsZero) {
  // "2024" alone: month 0 and day 0 carry back into December and November.
  EXPECT_STREQ(AddToIsoDate("2024", 0, 0, 0), "2023-11-30");
  EXPECT_STREQ(AddToIsoDate("2024-05", 0, 0, 0), "2024-04-30");
}

TEST(DisplayDateToIso, DayMonthYearByTheFirstSeparator) {
  const struct {
    const char* text;
    const char* expected;
  } cases[] = {{"5/3/96", "1996-03-05"},    {"05/03/2024", "2024-03-05"}, {"05-03-2024", "2024-03-05"},
               {"1/2/3", "1903-02-01"},     {"31/12/100", "0100-12-31"},  {"5/3", "1900-03-05"},
               {"5-3/2024", "1900-2024-05"},  // '/' is the separator once there is one
               {"", ""}};
  for (const auto& c : cases) EXPECT_STREQ(DisplayDateToIso(c.text), c.expected) << c.text;
}

TEST(IsoToDisplayDate, DayMonthYearOfADatabaseDate) {
  EXPECT_STREQ(IsoToDisplayDate("2024-03-05"), "05/03/2024");
  EXPECT_STREQ(IsoToDisplayDate("2024-03"), "00/03/2024");
  EXPECT_STREQ(IsoToDisplayDate("05/03/2024"), "05/03/2024");
  EXPECT_STREQ(IsoToDisplayDate("abc"), "abc");
  EXPECT_STREQ(IsoToDisplayDate(""), "");
  const std::string longText(1000, 'x');
  EXPECT_EQ(std::string(IsoToDisplayDate(longText.c_str())), longText.substr(0, 255));
}

TEST(FormatTodayByPreference, TheFiveKnownFormatsAndTheFallback) {
  SYSTEMTIME now;
  GetLocalTime(&now);
  char d[8], m[8], yy[8], yyyy[8];
  snprintf(d, sizeof d, "%02d", now.wDay);
  snprintf(m, sizeof m, "%02d", now.wMonth);
  snprintf(yy, sizeof yy, "%02d", now.wYear % 100);
  snprintf(yyyy, sizeof yyyy, "%04d", now.wYear);
  const struct {
    const char* format;
    std::string expected;
  } cases[] = {
      {"DD/MM/YY", std::string(d) + "/" + m + "/" + yy},
      {"dd/mm/yy", std::string(d) + "/" + m + "/" + yy},
      {"DD/MM/YYYY", std::string(d) + "/" + m + "/" + yyyy},
      {"MM/DD/YY", std::string(m) + "/" + d + "/" + yy},
      {"MM/DD/YYYY", std::string(m) + "/" + d + "/" + yyyy},
      {"YYYY-MM-DD", std::string(yyyy) + "-" + m + "-" + d},
      {"dd-mm-yyyy", std::string(d) + "/" + m + "/" + yyyy},
      {"", std::string(d) + "/" + m + "/" + yyyy},
  };
  for (const auto& c : cases) {
    char buffer[11];
    EXPECT_EQ(FormatTodayByPreference(buffer, c.format), buffer);
    EXPECT_EQ(std::string(buffer), c.expected) << c.format;
  }
}

std::vector<int> Fields(const SYSTEMTIME& t) {
  return {t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond, t.wMilliseconds, t.wDayOfWeek};
}

TEST(ParseDateTime, DateTimeOrTimestampByTheirSeparators) {
  const struct {
    const char* text;
    std::vector<int> expected;
  } cases[] = {
      {"2024-03-05 14:07:09", {2024, 3, 5, 14, 7, 9, 0, 0}},
      {"2024-03-05 14:07:09.5", {2024, 3, 5, 14, 7, 9, 500, 0}},
      {"2024-03-05 14:07:09.123456", {2024, 3, 5, 14, 7, 9, 123, 0}},
      {"14:07:09", {1900, 1, 1, 14, 7, 9, 0, 0}},
      {"2024-03-05", {2024, 3, 5, 0, 0, 0, 0, 0}},
      {"", {1900, 1, 1, 0, 0, 0, 0, 0}},
      {"2024", {2024, 0, 0, 0, 0, 0, 0, 0}},
      {"2024-03-05 14:07:09.123                 999", {2024, 3, 5, 14, 7, 9, 123, 0}},
  };
  for (const auto& c : cases) {
    SYSTEMTIME time;
    memset(&time, 0xFF, sizeof time);
    ParseDateTime(c.text, &time);
    EXPECT_EQ(Fields(time), c.expected) << c.text;
  }
}

TEST(FormatDateTime, DateTimeOrBothByTheFlags) {
  SYSTEMTIME time{};
  time.wYear = 2024, time.wMonth = 3, time.wDay = 5, time.wHour = 14, time.wMinute = 7, time.wSecond = 9;
  EXPECT_STREQ(FormatDateTime(&time, 1), "2024-03-05");
  EXPECT_STREQ(FormatDateTime(&time, 2), "14:07:09");
  EXPECT_STREQ(FormatDateTime(&time, 3), "2024-03-05 14:07:09");
  time.wYear = 1901, time.wMonth = 1, time.wDay = 1;  // the date that stands for none
  EXPECT_STREQ(FormatDateTime(&time, 1), "");
  EXPECT_STREQ(FormatDateTime(&time, 2), "14:07:09");
  EXPECT_STREQ(FormatDateTime(&time, 3), "14:07:09");
}

TEST(TimePicture, TimeFormatTokensBecomePickerLetters) {
  const struct {
    const char* format;
    const char* expected;
  } cases[] = {
      {"", "HH':'mm':'ss"},
      {"HH24:MI:SS", "HH':'mm':'ss"},
      {"HH24:MI", "HH':'mm"},
      {"HH12.MI AM", "hh'.'mm' 'tt"},
      {"hh:mm:ss P.M.", "hh':'mm':'ss' 'tt"},
  };
  for (const auto& c : cases) EXPECT_STREQ(TimePicture(c.format), c.expected) << c.format;
  std::string format;
  while (format.size() < 3000) format += "x:";
  EXPECT_LT(strlen(TimePicture(format.c_str())), size_t(MASK_TEXT_SIZE));
}

TEST(DatePicture, PickerLettersStayOtherRunsAreQuoted) {
  const struct {
    const char* format;
    const char* expected;
  } cases[] = {
      {"", "dd'/'MM'/'yyyy"},
      {"DD/MM/YY", "dd'/'MM'/'yy"},
      {"YYYY-MM-DD", "yyyy'-'MM'-'dd"},
      {"dd.mm.yyyy", "dd'.'mm'.'yyyy"},
      {"HH24:MI:SS", "HH'24:'M'I:SS'"},
      {"hh:mm tt", "hh':'mm' 'tt"},
      {"Day D", "d'a'y' 'd"},
  };
  for (const auto& c : cases) EXPECT_STREQ(DatePicture(c.format), c.expected) << c.format;
  // A long format is cut with its quotes closed.
  std::string format;
  while (format.size() < 3000) format += "D/";
  const std::string picture = DatePicture(format.c_str());
  EXPECT_LT(picture.size(), size_t(MASK_TEXT_SIZE));
  EXPECT_EQ(picture.substr(0, 6), "d'/'d'");
  size_t quotes = 0;
  for (char c : picture) quotes += c == '\'';
  EXPECT_EQ(quotes % 2, 0u);
}

}  // namespace

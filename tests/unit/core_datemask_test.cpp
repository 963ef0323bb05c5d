// Format masks: every token written and read, fill mode, case of names, quoted text,
// the display conversions with the user's formats and an attribute's own format.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "data/core/datemask.h"
#include "data/core/datetime.h"
#include "data/core/strings.h"
#include "data/model/model.h"
#include "data/model/settings.h"
#include "support/saved_settings.h"

namespace {

std::string Format(const char* mask, int y, int mo, int d, int h = 0, int mi = 0, int s = 0) {
  char buffer[MASK_TEXT_SIZE];
  return FormatByMask(buffer, sizeof buffer, mask, y, mo, d, h, mi, s);
}

// 2024-03-05 14:07:09 is a Tuesday, day 65 of a leap year.
TEST(FormatByMask, EveryToken) {
  const struct {
    const char* mask;
    const char* expected;
  } cases[] = {
      {"DD/MM/YYYY HH24:mm:SS", "05/03/2024 14:07:09"},
      {"HH24:MI:SS", "14:07:09"},
      {"hh24:mi:ss", "14:07:09"},
      {"FMDD/MM", "5/3"},
      {"FMDD FMDD", "5 05"},
      {"Month", "March    "},
      {"MONTH", "MARCH    "},
      {"month", "march    "},
      {"FMMonth", "March"},
      {"MOnth", "MARCH    "},
      {"Mon", "Mar"},
      {"MON", "MAR"},
      {"mon", "mar"},
      {"Day", "Tuesday  "},
      {"FMDAY", "TUESDAY"},
      {"Dy", "Tue"},
      {"DY", "TUE"},
      {"dy", "tue"},
      {"DDTh", "05Th"},
      {"DDth", "05th"},
      {"DDTH", "05TH"},
      {"CC", "21"},
      {"Y,YYY", "2,024"},
      {"FMY,YYY", "2,24"},
      {"YYYY", "2024"},
      {"YYY", "024"},
      {"YY", "24"},
      {"Y", "4"},
      {"Q", "1"},
      {"WW", "10"},
      {"W", "1"},
      {"DDD", "065"},
      {"D", "3"},
      {"HH12", "02"},
      {"HH", "02"},
      {"FMHH", "2"},
      {"AM", "PM"},
      {"PM", "PM"},
      {"am", "pm"},
      {"Am", "Pm"},
      {"tt", "pm"},
      {"A.M.", "P.M."},
      {"a.m.", "p.m."},
      {"P.M", "P.M"},
      {"p.m", "p.m"},
      {"Mm", "Mm"},  // neither "MM" nor "mm": copied
      {"\"Day\" DD", "Day 05"},
      {"\"a\"\"b\"", "a\"b"},
      {"\"open", "open"},
      {"YYYY.MM.DD at HH24h", "2024.03.05 at 14h"},
  };
  for (const auto& c : cases) EXPECT_EQ(Format(c.mask, 2024, 3, 5, 14, 7, 9), c.expected) << c.mask;
}

TEST(FormatByMask, HoursOfTheTwelveHourClock) {
  EXPECT_EQ(Format("HH12 AM", 2024, 3, 5, 0), "12 AM");
  EXPECT_EQ(Format("HH12 AM", 2024, 3, 5, 11), "11 AM");
  EXPECT_EQ(Format("HH12 AM", 2024, 3, 5, 12), "12 PM");
  EXPECT_EQ(Format("HH12 AM", 2024, 3, 5, 23), "11 PM");
}

TEST(FormatByMask, OrdinalSuffixOfTheNumberWrittenLast) {
  const struct {
    int day;
    const char* expected;
  } cases[] = {{1, "1st"},   {2, "2nd"},   {3, "3rd"},   {4, "4th"},   {11, "11th"},
               {12, "12th"}, {13, "13th"}, {21, "21st"}, {22, "22nd"}, {23, "23rd"},
               {30, "30th"}, {31, "31st"}};
  for (const auto& c : cases) EXPECT_EQ(Format("FMDDth", 2024, 1, c.day), c.expected) << c.day;
  EXPECT_EQ(Format("FMDDDth", 2024, 4, 20), "111th");  // day 111
  EXPECT_EQ(Format("FMDDDth", 2024, 12, 31), "366th");
  EXPECT_EQ(Format("Month th", 2024, 1, 1), "January   th");  // no number yet: 0
}

TEST(FormatByMask, YearsBelowAThousand) {
  EXPECT_EQ(Format("Y,YYY", 999, 1, 1), "0,999");
  EXPECT_EQ(Format("FMY,YYY", 999, 1, 1), "999");
  EXPECT_EQ(Format("YYYY CC", 999, 1, 1), "0999 10");
}

TEST(FormatByMask, LongMasksAreCutNeverOverflow) {
  std::string mask;
  while (mask.size() < 5000) mask += "MONTH DAY ";
  char buffer[MASK_TEXT_SIZE + 16];
  memset(buffer, 'X', sizeof buffer);
  FormatByMask(buffer, MASK_TEXT_SIZE, mask.c_str(), 2024, 9, 4, 0, 0, 0);
  EXPECT_EQ(strlen(buffer), size_t(MASK_TEXT_SIZE - 1));
  EXPECT_EQ(buffer[MASK_TEXT_SIZE], 'X');
  char small[8];
  memset(small, 'X', sizeof small);
  FormatByMask(small, 5, "YYYY-MM-DD", 2024, 9, 4, 0, 0, 0);
  EXPECT_STREQ(small, "2024");
  EXPECT_EQ(small[5], 'X');
  SYSTEMTIME time{};
  time.wYear = 2024;
  time.wMonth = 9;
  time.wDay = 4;
  EXPECT_EQ(strlen(FormatDateByMask(&time, mask.c_str())), size_t(MASK_TEXT_SIZE - 1));
  EXPECT_STREQ(FormatDateByMask(&time, "DD/MM/YYYY"), "04/09/2024");
}

struct TParseCase {
  const char* mask;
  const char* text;
  int ok;
  int y, mo, d, h, mi, s;
};

TEST(ParseByMask, TokensSeparatorsAndRanges) {
  const TParseCase cases[] = {
      {"DD/MM/YY", "05/03/96", 1, 1996, 3, 5, 0, 0, 0},
      {"DD/MM/YYYY", "05/03/2024", 1, 2024, 3, 5, 0, 0, 0},
      {"DD/MM/YYYY", "5-3-2024", 1, 2024, 3, 5, 0, 0, 0},
      {"DD/MM/YYYY", "05 /\t03/ 2024  ", 1, 2024, 3, 5, 0, 0, 0},
      {"YYYYMMDD", "20240305", 1, 2024, 3, 5, 0, 0, 0},
      {"FMDD/MM/YYYY", "5/3/2024", 1, 2024, 3, 5, 0, 0, 0},
      {"DD-MON-YYYY", "05-mar-2024", 1, 2024, 3, 5, 0, 0, 0},
      {"DD MONTH YYYY", "05 SEPTEMBER     2024", 1, 2024, 9, 5, 0, 0, 0},
      {"Month DD, YYYY", "June      05, 2024", 1, 2024, 6, 5, 0, 0, 0},
      {"DD.MM.YYYY", "05.03.2024", 1, 2024, 3, 5, 0, 0, 0},
      {"\"on\" DD/MM/YYYY", "on 05/03/2024", 1, 2024, 3, 5, 0, 0, 0},
      {"HH24:MI:SS", "14:07:09", 1, 1901, 1, 1, 14, 7, 9},
      {"HH24:mm:SS", "23:59:59", 1, 1901, 1, 1, 23, 59, 59},
      {"HH:mm AM", "02:07 PM", 1, 1901, 1, 1, 14, 7, 0},
      {"HH:mm AM", "02:07 am", 1, 1901, 1, 1, 2, 7, 0},
      {"HH:mm AM", "12:00 AM", 1, 1901, 1, 1, 0, 0, 0},
      {"HH:mm AM", "12:30 PM", 1, 1901, 1, 1, 12, 30, 0},
      {"PM HH12:mm", "PM 02:07", 1, 1901, 1, 1, 14, 7, 0},
      {"HH A.M.", "02 P.M.", 1, 1901, 1, 1, 14, 0, 0},
      {"HH P.M", "11 p.m", 1, 1901, 1, 1, 23, 0, 0},
      {"tt HH", "pm 9", 1, 1901, 1, 1, 21, 0, 0},
      {"DD/MM/YYYY:HH24:MI:SS", "05/03/2024:14:07:09", 1, 2024, 3, 5, 14, 7, 9},
      // Out of range, not matching, text left over.
      {"DD/MM/YYYY", "05/13/2024", 0, 1901, 1, 5, 0, 0, 0},
      {"DD/MM/YYYY", "32/03/2024", 0, 1901, 1, 1, 0, 0, 0},
      {"DD/MM/YYYY", "00/03/2024", 0, 1901, 1, 1, 0, 0, 0},
      {"HH24:MI", "24:00", 0, 1901, 1, 1, 0, 0, 0},
      {"HH24:MI", "23:60", 0, 1901, 1, 1, 23, 0, 0},
      {"HH24:MI:SS", "23:59:60", 0, 1901, 1, 1, 23, 59, 0},
      {"HH12", "13", 0, 1901, 1, 1, 0, 0, 0},
      {"HH", "0", 0, 1901, 1, 1, 0, 0, 0},
      {"HH AM", "10 XM", 0, 1901, 1, 1, 10, 0, 0},
      {"DD MONTH", "05 Smarch", 0, 1901, 1, 5, 0, 0, 0},
      {"DD.MM.YYYY", "05,03,2024", 0, 1901, 1, 5, 0, 0, 0},
      {"DD/MM/YYYY", "05/03/2024 extra", 0, 2024, 3, 5, 0, 0, 0},
      // Days their month does not have; a year of four digits is the year typed.
      {"DD/MM/YYYY", "31/02/2024", 0, 2024, 2, 31, 0, 0, 0},
      {"DD/MM/YYYY", "29/02/2023", 0, 2023, 2, 29, 0, 0, 0},
      {"DD/MM/YYYY", "31/04/2024", 0, 2024, 4, 31, 0, 0, 0},
      {"DD/MM/YYYY", "29/02/2024", 1, 2024, 2, 29, 0, 0, 0},
      {"DD/MM/YYYY", "29/02/2000", 1, 2000, 2, 29, 0, 0, 0},
      {"DD/MM/YYYY", "29/02/1900", 0, 1900, 2, 29, 0, 0, 0},
      {"DD/MM/YYYY", "01/01/0001", 1, 1, 1, 1, 0, 0, 0},
      {"DD/MM/YYYY", "05/03/0999", 1, 999, 3, 5, 0, 0, 0},
      {"DD/MM/YYYY", "01/01/0000", 0, 0, 1, 1, 0, 0, 0},
      // The text ends before the mask.
      {"DD/MM/YYYY", "05/03", 0, 1901, 3, 5, 0, 0, 0},
      {"DD/MM/YYYY", "", 0, 1901, 1, 1, 0, 0, 0},
  };
  for (const auto& c : cases) {
    int y = -1, mo = -1, d = -1, h = -1, mi = -1, s = -1;
    EXPECT_EQ(ParseByMask(c.text, c.mask, &y, &mo, &d, &h, &mi, &s), c.ok) << c.mask << " " << c.text;
    EXPECT_EQ((std::vector<int>{y, mo, d, h, mi, s}), (std::vector<int>{c.y, c.mo, c.d, c.h, c.mi, c.s}))
        << c.mask << " " << c.text;
  }
}

TEST(ParseByMask, TellsAShortTextFromAMismatch) {
  int y, mo, d, h, mi, s;
  EXPECT_EQ(ParseMask("05/03/2024", "DD/MM/YYYY", &y, &mo, &d, &h, &mi, &s), MASK_COMPLETE);
  EXPECT_EQ(ParseMask("05/03", "DD/MM/YYYY", &y, &mo, &d, &h, &mi, &s), MASK_TEXT_SHORT);
  EXPECT_EQ(ParseMask("05/13", "DD/MM/YYYY", &y, &mo, &d, &h, &mi, &s), MASK_MISMATCH);
  EXPECT_EQ(ParseMask("05/03/2024/1", "DD/MM/YYYY", &y, &mo, &d, &h, &mi, &s), MASK_MISMATCH);
}

int ThisYear() {
  SYSTEMTIME now;
  GetLocalTime(&now);
  return now.wYear;
}

// Short years land near the current year: two digits in the hundred years that start
// fifty years before the current century (the current year in its first half) or fifty
// years after it (the second half); one digit in its decade, three in its millennium, and
// a short four-digit year in its century.
TEST(ParseByMask, ShortYearsLandNearTheCurrentYear) {
  const int current = ThisYear();
  const int windowStart = current / 100 * 100 + (current % 100 < 50 ? -50 : 50);
  for (int yy : {0, 1, 24, 49, 50, 51, 96, 99}) {
    char text[8];
    snprintf(text, sizeof text, "%02d", yy);
    int y, mo, d, h, mi, s;
    ASSERT_EQ(ParseByMask(text, "YY", &y, &mo, &d, &h, &mi, &s), 1);
    EXPECT_EQ(y % 100, yy);
    EXPECT_GE(y, windowStart) << yy;
    EXPECT_LT(y, windowStart + 100) << yy;
  }
  int y, mo, d, h, mi, s;
  ASSERT_EQ(ParseByMask("7", "Y", &y, &mo, &d, &h, &mi, &s), 1);
  EXPECT_EQ(y, current / 10 * 10 + 7);
  ASSERT_EQ(ParseByMask("024", "YYY", &y, &mo, &d, &h, &mi, &s), 1);
  EXPECT_EQ(y, current / 1000 * 1000 + 24);
  ASSERT_EQ(ParseByMask("96", "YYYY", &y, &mo, &d, &h, &mi, &s), 1);
  EXPECT_EQ(y, current / 100 * 100 + 96);
  ASSERT_EQ(ParseByMask("1/1/1", "DD/MM/YYYY", &y, &mo, &d, &h, &mi, &s), 1);
  EXPECT_EQ(y, current / 100 * 100 + 1);
}

TEST(ParseDateByMask, FillsTheDateTimeFields) {
  SYSTEMTIME time;
  memset(&time, 0xFF, sizeof time);
  EXPECT_EQ(ParseDateByMask("10/03/2024 14:07:09", "DD/MM/YYYY HH24:MI:SS", &time), 1);
  EXPECT_EQ(time.wYear, 2024);
  EXPECT_EQ(time.wMonth, 3);
  EXPECT_EQ(time.wDay, 10);
  EXPECT_EQ(time.wDayOfWeek, 0);  // a Sunday
  EXPECT_EQ(time.wHour, 14);
  EXPECT_EQ(time.wMinute, 7);
  EXPECT_EQ(time.wSecond, 9);
  EXPECT_EQ(time.wMilliseconds, 0);
  EXPECT_EQ(ParseDateByMask("10/13/2024", "DD/MM/YYYY", &time), 0);
}

class DisplayConversions : public ::testing::Test {
protected:
  TSavedSettings saved_;
  TAttribute attribute_;
};

TEST_F(DisplayConversions, DatabaseTextsByTheUserFormats) {
  EXPECT_STREQ(DateToDisplay("2024-03-05", ""), "05/03/24");
  EXPECT_STREQ(TimeToDisplay("14:07:09", ""), "14:07:09");
  EXPECT_STREQ(TimestampToDisplay("2024-03-05 14:07:09", ""), "05/03/24:14:07:09");
  EXPECT_STREQ(TimestampToDisplay("2024-03-05 14:07:09.123", ""), "05/03/24:14:07:09");
  strcpy(DateFormat, "FMDD Month YYYY");
  strcpy(TimeFormat, "HH:MI AM");
  strcpy(TimestampFormat, "YYYY-MM-DD HH24.MI");
  EXPECT_STREQ(DateToDisplay("2024-03-05", nullptr), "5 March 2024");
  EXPECT_STREQ(TimeToDisplay("14:07:09", ""), "02:07 PM");
  EXPECT_STREQ(TimestampToDisplay("2024-03-05 14:07:09", ""), "2024-03-05 14.07");
  EXPECT_STREQ(DateToDisplay("2024-03-05", "YYYY"), "2024");  // a given format wins
}

TEST_F(DisplayConversions, EmptyAndShortTexts) {
  EXPECT_STREQ(DateToDisplay("", ""), "");
  EXPECT_STREQ(TimeToDisplay("", ""), "");
  EXPECT_STREQ(TimestampToDisplay("", ""), "");
  EXPECT_STREQ(DateToDisplay("2024-3-5", ""), "?");
  EXPECT_STREQ(TimeToDisplay("14:07:0", ""), "?");
  EXPECT_STREQ(TimestampToDisplay("2024-03-05 14:07:0", ""), "?");
  EXPECT_STREQ(DisplayToDbDate("", ""), "");
  EXPECT_STREQ(DisplayToDbTime("", ""), "");
  EXPECT_STREQ(DisplayToDbTimestamp("", ""), "");
}

TEST_F(DisplayConversions, TheAttributesFlagWordCarriesItsFormat) {
  const struct {
    const char* flags;
    const char* format;
    const char* expected;
  } cases[] = {
      {"@E DD.MM.YYYY", "YYYY", "05.03.2024"},  // the flag word's format wins
      {"@E    MM/DD/YYYY", "", "03/05/2024"},  // leading blanks skipped
      {"@E", "YYYY", "05/03/24"},              // '@' without a format: the user's setting
      {"@E   ", "YYYY", "05/03/24"},
      {"", "YYYY", "2024"},
      {"NOSHOW", "YYYY", "2024"},  // not a flag word
  };
  for (const auto& c : cases) {
    ReplaceString(&attribute_.Flags, c.flags);
    EXPECT_STREQ(DateToDisplay("2024-03-05", c.format, &attribute_), c.expected) << c.flags;
  }
  ReplaceString(&attribute_.Flags, "@! DD.MM.YYYY");
  EXPECT_STREQ(DisplayToDbDate("05.03.1996", "", &attribute_), "1996-03-05");
  ReplaceString(&attribute_.Flags, "@ HH24.MI");
  EXPECT_STREQ(TimeToDisplay("09:05:00", "", &attribute_), "09.05");
  EXPECT_STREQ(DisplayToDbTime("21.45", "", &attribute_), "21:45:00");
  ReplaceString(&attribute_.Flags, "@ YYYY/MM/DD HH24:MI:SS");
  EXPECT_STREQ(TimestampToDisplay("2024-03-05 14:07:09", "", &attribute_), "2024/03/05 14:07:09");
  EXPECT_STREQ(DisplayToDbTimestamp("2024/03/05 14:07:09", "", &attribute_), "2024-03-05 14:07:09");
}

TEST_F(DisplayConversions, DisplayTextsBackToTheDatabase) {
  EXPECT_STREQ(DisplayToDbDate("05/03/96", ""), "1996-03-05");
  EXPECT_STREQ(DisplayToDbTime("14:07:09", ""), "14:07:09");
  EXPECT_STREQ(DisplayToDbTime("2:07 PM", "HH:MI AM"), "14:07:00");
  EXPECT_STREQ(DisplayToDbTimestamp("05/03/96:14:07:09", ""), "1996-03-05 14:07:09");
  // A text that ends early keeps the start values of the fields it did not reach.
  EXPECT_STREQ(DisplayToDbTimestamp("05/03/96", ""), "1996-03-05 00:00:00");
  EXPECT_STREQ(DisplayToDbDate("05/03", "DD/MM/YYYY"), "1901-03-05");
  // A text that does not fit the mask gives no date at all.
  EXPECT_STREQ(DisplayToDbDate("05/13/96", ""), "?");
  EXPECT_STREQ(DisplayToDbDate("yesterday", ""), "?");
  EXPECT_STREQ(DisplayToDbTime("25:00:00", ""), "?");
  EXPECT_STREQ(DisplayToDbTimestamp("05/03/96:14:07:09 and more", ""), "?");
}

// Every day of three years written by a user format and read back by it.
TEST_F(DisplayConversions, DatesRoundTripThroughTheUserFormats) {
  for (const char* format : {"DD/MM/YYYY", "FMDD/MM/YYYY", "DD-MON-YYYY", "Month DD, YYYY",
                             "FMMonth FMDD YYYY", "YYYY-MM-DD", "MM/DD/YYYY", "DD.MM.YYYY"}) {
    strcpy(DateFormat, format);
    int failures = 0;
    for (int n = 0; n < 3 * 366 && failures < 3; ++n) {
      char db[16];
      snprintf(db, sizeof db, "%s", AddToIsoDate("2023-01-01", n, 0, 0));
      std::string shown = DateToDisplay(db, "");
      if (std::string(DisplayToDbDate(shown.c_str(), "")) != db) {
        ++failures;
        ADD_FAILURE() << format << ": " << db << " -> " << shown << " -> " << DisplayToDbDate(shown.c_str(), "");
      }
    }
  }
  strcpy(TimestampFormat, "DD/MM/YYYY HH12:MI:SS AM");
  for (int hour = 0; hour < 24; ++hour) {
    char db[32];
    snprintf(db, sizeof db, "2024-03-05 %02d:%02d:%02d", hour, hour * 2, 59 - hour);
    std::string shown = TimestampToDisplay(db, "");
    EXPECT_STREQ(DisplayToDbTimestamp(shown.c_str(), ""), db) << shown;
  }
}

}  // namespace

// Calendar numbers, the SQL LIKE matcher and today's date and time.
#include "data/core/datetime.h"

#include <cstdio>

int LikeMatch(const char* text, const char* pattern) {
  // Backtracking to the last '%' only: a later '%' can match whatever an earlier one
  // could, so the walk stays linear in practice and never recurses.
  const char* retryPattern = nullptr;
  const char* retryText = nullptr;
  while (*text) {
    if (*pattern == '%') {
      while (*pattern == '%') ++pattern;
      if (!*pattern) return 0;
      retryPattern = pattern;
      retryText = text;
    } else if (*pattern == '_' || *pattern == *text) {
      ++pattern;
      ++text;
    } else if (retryPattern) {
      pattern = retryPattern;
      text = ++retryText;
    } else {
      return 1;
    }
  }
  while (*pattern == '%') ++pattern;
  return *pattern ? 1 : 0;
}

char* TodayText(char* buffer) {
  SYSTEMTIME now;
  GetLocalTime(&now);
  snprintf(buffer, 11, "%04d-%02d-%02d", now.wYear, now.wMonth, now.wDay);
  return buffer;
}

char* NowText(char* buffer) {
  SYSTEMTIME now;
  GetLocalTime(&now);
  snprintf(buffer, 9, "%02d:%02d:%02d", now.wHour, now.wMinute, now.wSecond);
  return buffer;
}

int IsLeapYear(long long year) {
  return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int DaysInMonth(long long year, int month) {
  static const int days[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month < 1 || month > 12) return 0;
  return days[month - 1] + (month == 2 && IsLeapYear(year) ? 1 : 0);
}

int DayOfYear(int year, int month, int day) {
  static const int before[12] = {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334};
  if (month < 1 || month > 12) return 0;
  return before[month - 1] + day + (month > 2 && IsLeapYear(year) ? 1 : 0);
}

int DayOfWeek(int year, int month, int day) {
  // Days from 1 January 1980 (a Tuesday) on the Gregorian calendar; a month outside
  // 1-12 carries into the year.
  long long y = year, m = month - 1;
  y += m >= 0 ? m / 12 : -((11 - m) / 12);
  m = ((m % 12) + 12) % 12 + 1;
  // Count years from March, so that the leap day ends the counted year.
  if (m <= 2) --y;
  const long long era = (y >= 0 ? y : y - 399) / 400;
  const long long yearOfEra = y - era * 400;
  const long long dayOfYear = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + day - 1;
  const long long dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
  const long long fromEpoch = era * 146097 + dayOfEra - 723120;  // 723120: 1980-01-01
  return static_cast<int>(((fromEpoch + 2) % 7 + 7) % 7) + 1;
}

int WeekOfYear(int year, int month, int day) {
  return (DayOfWeek(year, 1, 1) + DayOfYear(year, month, day) - 2) / 7 + 1;
}

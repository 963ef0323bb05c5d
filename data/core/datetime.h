// Dates and times between the database form ("YYYY-MM-DD", "HH:MM:SS",
// "YYYY-MM-DD HH:MM:SS"), the display form of a format mask and SYSTEMTIME; the
// calendar numbers and the SQL LIKE matcher. Functions that return text return a
// static buffer of their own that the next call of the same function overwrites.
#pragma once

#include <windows.h>

#include <cstddef>

struct TAttribute;

// 0 when the text matches the SQL LIKE pattern ('%' any run, '_' one character,
// case-sensitive), else 1.
int LikeMatch(const char* text, const char* pattern);

// Today as "%04d-%02d-%02d" and now as "%02d:%02d:%02d" (local time) into buffer
// (11 and 9 bytes).
char* TodayText(char* buffer);
char* NowText(char* buffer);

int IsLeapYear(long long year);
// 0 for a month outside 1-12.
int DaysInMonth(long long year, int month);
// 0 for a month outside 1-12.
int DayOfYear(int year, int month, int day);
// Sunday = 1 ... Saturday = 7.
int DayOfWeek(int year, int month, int day);
int WeekOfYear(int year, int month, int day);

// atoi of the text from the position on; 0 when the text is shorter.
int NumberAt(const char* text, size_t position);

// Largest text FormatByMask writes, the terminating zero included (longer results are cut).
constexpr int MASK_TEXT_SIZE = 512;

// 1 when mask and text are both used up exactly and the date exists, else 0. A year read
// with fewer than four digits gets the current century when it is below 1000; four digits
// are the year as typed.
int ParseByMask(const char* text, const char* mask, int* year, int* month, int* day, int* hour,
                int* minute, int* second);
int ParseDateByMask(const char* text, const char* mask, SYSTEMTIME* time);
// Writes at most size bytes (and never more than MASK_TEXT_SIZE - 1 characters).
char* FormatByMask(char* buffer, size_t size, const char* mask, int year, int month, int day,
                   int hour, int minute, int second);
const char* FormatDateByMask(const SYSTEMTIME* time, const char* mask);

// Database text to display text and back. The format comes from the attribute's flag
// word when it carries one (attribute may be null), else from format; an empty format
// means the user's setting.
const char* DateToDisplay(const char* dbText, const char* format, const TAttribute* attribute = nullptr);
const char* TimeToDisplay(const char* dbText, const char* format, const TAttribute* attribute = nullptr);
const char* TimestampToDisplay(const char* dbText, const char* format, const TAttribute* attribute = nullptr);
const char* DisplayToDbDate(const char* text, const char* format, const TAttribute* attribute = nullptr);
const char* DisplayToDbTime(const char* text, const char* format, const TAttribute* attribute = nullptr);
const char* DisplayToDbTimestamp(const char* text, const char* format, const TAttribute* attribute = nullptr);

// D/M/Y or D-M-Y to "%04d-%02d-%02d" (a year below 100 after "19").
const char* DisplayDateToIso(const char* text);
// "YYYY-MM-DD" to DD/MM/YYYY.
const char* IsoToDisplayDate(const char* text);
// The date shifted by days, months and years, as "%4d-%02d-%02d".
const char* AddToIsoDate(const char* isoDate, long days, long months, long years);
// Today's date in one of the user's date formats, into buffer (11 bytes).
char* FormatTodayByPreference(char* buffer, const char* userFormat);

void ParseDateTime(const char* text, SYSTEMTIME* time);
// Flags: 1 date, 2 time.
const char* FormatDateTime(const SYSTEMTIME* time, int flags);
// A picture for the date-time picker from the user's date format.
const char* DatePicture(const char* userFormat);
// A picture for the time picker from the user's time format ("HH24:MI:SS" gives
// "HH':'mm':'ss"): hours, minutes, seconds and the AM/PM mark become the picker's letters,
// every other run is quoted; an empty format gives "HH':'mm':'ss".
const char* TimePicture(const char* userFormat);

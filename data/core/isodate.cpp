// Fixed-form date texts: database dates and times, D/M/Y entry, date arithmetic,
// SYSTEMTIME of the date-time pickers and their display pictures.
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "data/core/datetime.h"

int NumberAt(const char* text, size_t position) {
  return strnlen(text, position) < position ? 0 : atoi(text + position);
}

const char* DisplayDateToIso(const char* text) {
  static char result[64];
  result[0] = '\0';
  if (!*text) return result;
  const char separator = strchr(text, '/') ? '/' : '-';
  const char* month = strchr(text, separator);
  const char* year = month ? strchr(month + 1, separator) : nullptr;
  const int d = atoi(text);
  const int m = month ? atoi(month + 1) : 0;
  const int y = year ? atoi(year + 1) : 0;
  if (y >= 100) snprintf(result, sizeof result, "%04d-%02d-%02d", y, m, d);
  else snprintf(result, sizeof result, "19%02d-%02d-%02d", y, m, d);
  return result;
}

const char* IsoToDisplayDate(const char* text) {
  static char result[256];
  if (strnlen(text, 5) < 5 || text[4] != '-') {
    snprintf(result, sizeof result, "%s", text);
    return result;
  }
  snprintf(result, sizeof result, "%02d/%02d/%04d", NumberAt(text, 8), NumberAt(text, 5),
           NumberAt(text, 0));
  return result;
}

namespace {

long long FloorDiv(long long a, long long b) { return a / b - ((a % b != 0) && ((a < 0) != (b < 0))); }

}  // namespace

const char* AddToIsoDate(const char* isoDate, long days, long months, long years) {
  static char result[64];
  long long year = NumberAt(isoDate, 0) + static_cast<long long>(years);
  const long long monthIndex = NumberAt(isoDate, 5) - 1 + static_cast<long long>(months);
  year += FloorDiv(monthIndex, 12);
  int month = static_cast<int>(monthIndex - FloorDiv(monthIndex, 12) * 12) + 1;
  long long day = NumberAt(isoDate, 8) + static_cast<long long>(days);

  // The calendar repeats every 400 years (146097 days): whole cycles move only the year.
  constexpr long long CYCLE_DAYS = 146097;
  const long long cycles = day / CYCLE_DAYS;
  year += 400 * cycles;
  day -= cycles * CYCLE_DAYS;

  while (day > DaysInMonth(year, month)) {
    day -= DaysInMonth(year, month);
    if (++month > 12) month = 1, ++year;
  }
  while (day < 1) {
    if (--month < 1) month = 12, --year;
    day += DaysInMonth(year, month);
  }
  snprintf(result, sizeof result, "%4lld-%02d-%02lld", year, month, day);
  return result;
}

char* FormatTodayByPreference(char* buffer, const char* userFormat) {
  SYSTEMTIME now;
  GetLocalTime(&now);
  const int d = now.wDay, m = now.wMonth, y = now.wYear;
  // Two-digit years are the year within its century.
  if (_stricmp(userFormat, "DD/MM/YY") == 0) snprintf(buffer, 11, "%02d/%02d/%02d", d, m, y % 100);
  else if (_stricmp(userFormat, "DD/MM/YYYY") == 0) snprintf(buffer, 11, "%02d/%02d/%04d", d, m, y);
  else if (_stricmp(userFormat, "MM/DD/YY") == 0) snprintf(buffer, 11, "%02d/%02d/%02d", m, d, y % 100);
  else if (_stricmp(userFormat, "MM/DD/YYYY") == 0) snprintf(buffer, 11, "%02d/%02d/%04d", m, d, y);
  else if (_stricmp(userFormat, "YYYY-MM-DD") == 0) snprintf(buffer, 11, "%04d-%02d-%02d", y, m, d);
  else snprintf(buffer, 11, "%02d/%02d/%04d", d, m, y);
  return buffer;
}

void ParseDateTime(const char* text, SYSTEMTIME* time) {
  char t[31];
  snprintf(t, sizeof t, "%s", text);
  ZeroMemory(time, sizeof *time);
  time->wYear = 1900;
  time->wMonth = 1;
  time->wDay = 1;
  if (!t[0]) return;
  auto date = [&](size_t at) {
    time->wYear = static_cast<WORD>(NumberAt(t, at));
    time->wMonth = static_cast<WORD>(NumberAt(t, at + 5));
    time->wDay = static_cast<WORD>(NumberAt(t, at + 8));
  };
  auto clock = [&](size_t at) {
    time->wHour = static_cast<WORD>(NumberAt(t, at));
    time->wMinute = static_cast<WORD>(NumberAt(t, at + 3));
    time->wSecond = static_cast<WORD>(NumberAt(t, at + 6));
  };
  if (strchr(t, ' ')) {
    date(0);
    clock(11);
    // The fraction after the seconds, as milliseconds (".5" is 500, further digits dropped).
    if (strnlen(t, 20) == 20 && t[19] == '.') {
      const char* p = t + 20;
      int ms = 0;
      for (int digits = 0; digits < 3; ++digits) {
        int digit = 0;
        if (isdigit(static_cast<unsigned char>(*p))) digit = *p++ - '0';
        ms = ms * 10 + digit;
      }
      time->wMilliseconds = static_cast<WORD>(ms);
    }
  } else if (strchr(t, ':')) {
    clock(0);
  } else {
    date(0);
  }
}

const char* FormatDateTime(const SYSTEMTIME* time, int flags) {
  static char result[64];
  const bool noDate = time->wYear == 1901 && time->wMonth == 1 && time->wDay == 1;
  if (flags & 2) {
    if ((flags & 1) && !noDate)
      snprintf(result, sizeof result, "%04d-%02d-%02d %02d:%02d:%02d", time->wYear, time->wMonth,
               time->wDay, time->wHour, time->wMinute, time->wSecond);
    else
      snprintf(result, sizeof result, "%02d:%02d:%02d", time->wHour, time->wMinute, time->wSecond);
  } else if (noDate) {
    result[0] = '\0';
  } else {
    snprintf(result, sizeof result, "%04d-%02d-%02d", time->wYear, time->wMonth, time->wDay);
  }
  return result;
}

const char* DatePicture(const char* userFormat) {
  static char result[MASK_TEXT_SIZE];
  if (!*userFormat) return "dd'/'MM'/'yyyy";
  size_t n = 0;
  bool quoted = false;
  auto put = [&](char c) {
    if (n + 1 < sizeof result) result[n++] = c;
  };
  for (const char* p = userFormat; *p; ++p) {
    char c = *p;
    if (c == 'D') c = 'd';
    if (c == 'Y') c = 'y';
    const bool picture = strchr("dyMmhHts", c) != nullptr;
    if (picture == quoted) {
      // Room for the closing quote is kept, so the picture never ends inside quotes.
      if (!quoted && n + 3 >= sizeof result) break;
      put('\'');
      quoted = !quoted;
    }
    if (quoted && n + 2 >= sizeof result) break;
    put(c);
  }
  if (quoted) put('\'');
  result[n] = '\0';
  return result;
}

const char* TimePicture(const char* userFormat) {
  static char result[MASK_TEXT_SIZE];
  if (!*userFormat) return "HH':'mm':'ss";
  // The format's tokens in the order they are tried, with the picker letters they become.
  static const struct {
    const char* token;
    const char* picture;
  } tokens[] = {{"HH24", "HH"}, {"HH12", "hh"}, {"HH", "hh"}, {"MI", "mm"}, {"MM", "mm"},
                {"SS", "ss"},   {"A.M.", "tt"}, {"P.M.", "tt"}, {"AM", "tt"}, {"PM", "tt"}, {"TT", "tt"}};
  size_t n = 0;
  bool quoted = false;
  auto put = [&](char c) {
    if (n + 2 < sizeof result) result[n++] = c;
  };
  for (const char* p = userFormat; *p;) {
    const char* picture = nullptr;
    size_t length = 0;
    for (const auto& t : tokens) {
      length = strlen(t.token);
      if (_strnicmp(p, t.token, length) == 0) {
        picture = t.picture;
        break;
      }
    }
    if (picture == nullptr) {
      if (!quoted) put('\'');
      quoted = true;
      put(*p++);
      continue;
    }
    if (quoted) put('\'');
    quoted = false;
    for (const char* q = picture; *q; ++q) put(*q);
    p += length;
  }
  if (quoted) put('\'');
  result[n] = '\0';
  return result;
}

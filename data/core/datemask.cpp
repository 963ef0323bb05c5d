// Format masks ("DD/MM/YYYY", "HH24:MI:SS", "FMDay DDth Month"): dates and times written
// by a mask and read back by it.
#include <cctype>
#include <cstdio>
#include <cstring>

#include "data/core/datemask.h"
#include "data/core/datetime.h"

namespace {

enum TToken {
  FILL_MODE, CENTURY, YEAR_COMMA, YEAR4, YEAR3, YEAR2, YEAR1, QUARTER, MONTH_NUMBER, MONTH_NAME,
  MONTH_ABBREV, MINUTES, WEEK_OF_YEAR, WEEK_OF_MONTH, DAY_NAME, DAY_ABBREV, DAY_OF_YEAR,
  DAY_OF_MONTH, WEEKDAY, AM_PM, AM_PM_DOTTED, AM_PM_DOTS, HOUR24, HOUR12_WIDE, HOUR12, SECONDS,
  ORDINAL
};

struct TTokenEntry {
  const char* text;
  TToken token;
  bool exact;   // compared with case
  bool parses;  // a token when reading a text, not only when writing one
};

// In the order they are tried: the first that matches at a mask position is taken.
// "MI" stands for minutes like "mm", so that "HH24:MI:SS" reads and writes a time.
const TTokenEntry Tokens[] = {
    {"FM", FILL_MODE, false, true},         {"CC", CENTURY, false, false},
    {"Y,YYY", YEAR_COMMA, false, false},    {"YYYY", YEAR4, false, true},
    {"YYY", YEAR3, false, true},            {"YY", YEAR2, false, true},
    {"Y", YEAR1, false, true},              {"Q", QUARTER, false, false},
    {"MM", MONTH_NUMBER, true, true},       {"MONTH", MONTH_NAME, false, true},
    {"MON", MONTH_ABBREV, false, true},     {"MI", MINUTES, false, true},
    {"WW", WEEK_OF_YEAR, false, false},     {"W", WEEK_OF_MONTH, false, false},
    {"DAY", DAY_NAME, false, false},        {"DY", DAY_ABBREV, false, false},
    {"DDD", DAY_OF_YEAR, false, false},     {"DD", DAY_OF_MONTH, false, true},
    {"D", WEEKDAY, false, false},           {"AM", AM_PM, false, true},
    {"PM", AM_PM, false, true},             {"tt", AM_PM, false, true},
    {"A.M.", AM_PM_DOTTED, false, true},    {"P.M.", AM_PM_DOTTED, false, true},
    {"A.M", AM_PM_DOTS, false, true},       {"P.M", AM_PM_DOTS, false, true},
    {"HH24", HOUR24, false, true},          {"HH12", HOUR12_WIDE, false, true},
    {"HH", HOUR12, false, true},            {"mm", MINUTES, true, true},
    {"SS", SECONDS, false, true},           {"TH", ORDINAL, false, false},
};

const char* const MonthNames[12] = {"January", "February", "March",     "April",   "May",      "June",
                                    "July",    "August",   "September", "October", "November", "December"};
const char* const MonthAbbrevs[12] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                      "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
const char* const DayNames[7] = {"Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday"};
const char* const DayAbbrevs[7] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};

const TTokenEntry* TokenAt(const char* mask, bool parsing) {
  for (const TTokenEntry& entry : Tokens) {
    if (parsing && !entry.parses) continue;
    const size_t n = strlen(entry.text);
    if (entry.exact ? strncmp(mask, entry.text, n) == 0 : _strnicmp(mask, entry.text, n) == 0)
      return &entry;
  }
  return nullptr;
}

enum TCase { AS_STORED, UPPER, LOWER };

// Names and suffixes follow the case of the token's first two characters in the mask.
TCase CaseOf(const char* token) {
  const unsigned char a = token[0], b = token[1];
  if (a == toupper(a) && b == toupper(b)) return UPPER;
  if (a == tolower(a) && b == tolower(b)) return LOWER;
  return AS_STORED;
}

class TWriter {
public:
  TWriter(char* buffer, size_t size) : buffer_(buffer), size_(size) {
    if (size_) buffer_[0] = '\0';
  }
  void Put(const char* text) {
    for (; *text; ++text) Char(*text);
  }
  void Char(char c) {
    if (length_ + 1 >= size_) return;
    buffer_[length_++] = c;
    buffer_[length_] = '\0';
  }
  void Number(int value, int width, bool fill) {
    char digits[32];
    if (fill) snprintf(digits, sizeof digits, "%0*d", width, value);
    else snprintf(digits, sizeof digits, "%d", value);
    Put(digits);
    last = value;
  }
  void Name(const char* name, TCase letterCase, int padTo) {
    int written = 0;
    for (; *name; ++name, ++written) {
      const unsigned char c = *name;
      Char(static_cast<char>(letterCase == UPPER ? toupper(c) : letterCase == LOWER ? tolower(c) : c));
    }
    for (; written < padTo; ++written) Char(' ');
  }
  int last = 0;  // the number written last, for the ordinal suffix

private:
  char* buffer_;
  size_t size_;
  size_t length_ = 0;
};

const char* OrdinalSuffix(int n) {
  if (n < 0) n = -n;
  if (n % 100 >= 10 && n % 100 <= 19) return "Th";
  switch (n % 10) {
    case 1: return "St";
    case 2: return "Nd";
    case 3: return "Rd";
    default: return "Th";
  }
}

// Reads at most maxDigits digits; none read gives 0.
int ReadDigits(const char** text, int maxDigits) {
  int value = 0;
  for (int n = 0; n < maxDigits && isdigit(static_cast<unsigned char>(**text)); ++n, ++*text)
    value = value * 10 + (**text - '0');
  return value;
}

// The index of the first name the text begins with (ignoring case), or -1.
int ReadName(const char** text, const char* const* names, int count) {
  for (int k = 0; k < count; ++k) {
    const size_t n = strlen(names[k]);
    if (_strnicmp(*text, names[k], n) == 0) {
      *text += n;
      return k;
    }
  }
  return -1;
}

int CurrentYear() {
  SYSTEMTIME now;
  GetLocalTime(&now);
  return now.wYear;
}

// A two-digit year as the year of that number nearest the current century: 00-49 and
// 50-99 fall into the current or the neighbouring century as the current year lies in
// its first or second half.
int TwoDigitYear(int yy) {
  const int current = CurrentYear();
  const int century = current / 100 * 100;
  const bool firstHalf = current % 100 < 50;
  if (yy < 50) return firstHalf ? century + yy : century + 100 + yy;
  return firstHalf ? century - 100 + yy : century + yy;
}

bool IsTextBlank(char c) { return c == ' ' || c == '\t'; }

}  // namespace

TMaskParse ParseMask(const char* text, const char* mask, int* year, int* month, int* day, int* hour,
                     int* minute, int* second) {
  int y = 1901, mo = 1, d = 1, h = 0, mi = 0, s = 0;
  auto store = [&] { *year = y, *month = mo, *day = d, *hour = h, *minute = mi, *second = s; };
  auto fail = [&] {
    store();
    return MASK_MISMATCH;
  };
  const char* m = mask;
  const char* t = text;
  bool quoted = false;
  bool yearWhole = false;  // four digits were read for the year: it is taken as it stands
  while (*m && *t) {
    const TTokenEntry* entry = quoted || *m == '"' ? nullptr : TokenAt(m, true);
    if (entry) {
      switch (entry->token) {
        case FILL_MODE: break;
        case YEAR4: {
          const char* start = t;
          y = ReadDigits(&t, 4);
          yearWhole = t - start == 4;
          break;
        }
        case YEAR3: y = CurrentYear() / 1000 * 1000 + ReadDigits(&t, 3); break;
        case YEAR2: y = TwoDigitYear(ReadDigits(&t, 2)); break;
        case YEAR1: y = CurrentYear() / 10 * 10 + ReadDigits(&t, 1); break;
        case MONTH_NUMBER: {
          const int v = ReadDigits(&t, 2);
          if (v < 1 || v > 12) return fail();
          mo = v;
          break;
        }
        case MONTH_NAME:
        case MONTH_ABBREV: {
          const int k = ReadName(&t, entry->token == MONTH_NAME ? MonthNames : MonthAbbrevs, 12);
          if (k < 0) return fail();
          mo = k + 1;
          break;
        }
        case DAY_OF_MONTH: {
          const int v = ReadDigits(&t, 2);
          if (v < 1 || v > 31) return fail();
          d = v;
          break;
        }
        case AM_PM:
        case AM_PM_DOTTED:
        case AM_PM_DOTS: {
          const char* forms[3][2] = {{"AM", "PM"}, {"A.M.", "P.M."}, {"A.M", "P.M"}};
          const int form = entry->token == AM_PM ? 0 : entry->token == AM_PM_DOTTED ? 1 : 2;
          const int k = ReadName(&t, forms[form], 2);
          if (k < 0) return fail();
          h = h % 12 + (k == 1 ? 12 : 0);
          break;
        }
        case HOUR24: {
          const int v = ReadDigits(&t, 2);
          if (v > 23) return fail();
          h = v;
          break;
        }
        case HOUR12:
        case HOUR12_WIDE: {
          const int v = ReadDigits(&t, entry->token == HOUR12_WIDE ? 4 : 2);
          if (v < 1 || v > 12) return fail();
          h = (h >= 12 ? 12 : 0) + v % 12;
          break;
        }
        case MINUTES: {
          const int v = ReadDigits(&t, 2);
          if (v > 59) return fail();
          mi = v;
          break;
        }
        case SECONDS: {
          const int v = ReadDigits(&t, 2);
          if (v > 59) return fail();
          s = v;
          break;
        }
        default: break;
      }
      m += strlen(entry->text);
    } else if (*m == '"' && !(quoted && m[1] == '"')) {
      // A quoted run stands for its characters, compared like any other mask text.
      quoted = !quoted;
      ++m;
    } else {
      const char c = *m;
      const int step = quoted && c == '"' ? 2 : 1;  // "" inside quotes is one quote
      const bool maskBlank = c == ' ';
      const bool textBlank = IsTextBlank(*t);
      if (!maskBlank && !textBlank && c != *t) return fail();
      if (!maskBlank) m += step;
      if (!textBlank) ++t;
    }
    while (*m == ' ' || *m == '-' || *m == '/') ++m;
    while (IsTextBlank(*t) || *t == '-' || *t == '/') ++t;
  }
  if (y < 1000 && !yearWhole) y += CurrentYear() / 100 * 100;
  // A day its month does not have (31/02, 29/02 of a common year) is no date, nor is a
  // year 0000.
  if (y < 1 || d > DaysInMonth(y, mo)) return fail();
  store();
  if (!*m && !*t) return MASK_COMPLETE;
  return *t ? MASK_MISMATCH : MASK_TEXT_SHORT;
}

int ParseByMask(const char* text, const char* mask, int* year, int* month, int* day, int* hour,
                int* minute, int* second) {
  return ParseMask(text, mask, year, month, day, hour, minute, second) == MASK_COMPLETE;
}

int ParseDateByMask(const char* text, const char* mask, SYSTEMTIME* time) {
  int y, mo, d, h, mi, s;
  const int ok = ParseByMask(text, mask, &y, &mo, &d, &h, &mi, &s);
  time->wYear = static_cast<WORD>(y);
  time->wMonth = static_cast<WORD>(mo);
  time->wDay = static_cast<WORD>(d);
  time->wDayOfWeek = static_cast<WORD>(DayOfWeek(y, mo, d) - 1);
  time->wHour = static_cast<WORD>(h);
  time->wMinute = static_cast<WORD>(mi);
  time->wSecond = static_cast<WORD>(s);
  time->wMilliseconds = 0;
  return ok;
}

char* FormatByMask(char* buffer, size_t size, const char* mask, int year, int month, int day,
                   int hour, int minute, int second) {
  TWriter out(buffer, size);
  bool fill = true;
  const char* m = mask;
  while (*m) {
    if (*m == '"') {
      for (++m; *m; ++m) {
        if (*m == '"' && m[1] != '"') break;
        if (*m == '"') ++m;
        out.Char(*m);
      }
      if (*m) ++m;
      continue;
    }
    const TTokenEntry* entry = TokenAt(m, false);
    if (!entry) {
      out.Char(*m++);
      continue;
    }
    const TCase letterCase = entry->text[1] ? CaseOf(m) : AS_STORED;
    size_t length = strlen(entry->text);
    const int monthIndex = month >= 1 && month <= 12 ? month - 1 : 0;
    const int weekday = DayOfWeek(year, month, day);
    switch (entry->token) {
      case FILL_MODE: fill = !fill; break;
      case CENTURY: out.Number(year / 100 + 1, 2, fill); break;
      case YEAR_COMMA:
        if (year >= 1000) {
          char thousands[16];
          snprintf(thousands, sizeof thousands, "%d,", year / 1000);
          out.Put(thousands);
        } else if (fill) {
          out.Put("0,");
        }
        out.Number(year % 1000, 3, fill);
        break;
      case YEAR4: out.Number(year, 4, fill); break;
      case YEAR3: out.Number(year % 1000, 3, fill); break;
      case YEAR2: out.Number(year % 100, 2, fill); break;
      case YEAR1: out.Number(year % 10, 1, fill); break;
      case QUARTER: out.Number((month - 1) / 3 + 1, 1, fill); break;
      case MONTH_NUMBER: out.Number(month, 2, fill); break;
      case MONTH_NAME: out.Name(MonthNames[monthIndex], letterCase, fill ? 9 : 0); break;
      case MONTH_ABBREV: out.Name(MonthAbbrevs[monthIndex], letterCase, 0); break;
      case WEEK_OF_YEAR: out.Number((DayOfYear(year, month, day) - 1) / 7 + 1, 2, fill); break;
      case WEEK_OF_MONTH: out.Number((day - 1) / 7 + 1, 1, fill); break;
      case DAY_NAME: out.Name(DayNames[weekday - 1], letterCase, fill ? 9 : 0); break;
      case DAY_ABBREV: out.Name(DayAbbrevs[weekday - 1], letterCase, 0); break;
      case DAY_OF_YEAR: out.Number(DayOfYear(year, month, day), 3, fill); break;
      case DAY_OF_MONTH: out.Number(day, 2, fill); break;
      case WEEKDAY: out.Number(weekday, 1, fill); break;
      case AM_PM: out.Name(hour < 12 ? "Am" : "Pm", letterCase, 0); break;
      case AM_PM_DOTTED:
      case AM_PM_DOTS:
        out.Name(hour < 12 ? "A.m" : "P.m", letterCase, 0);
        length = 3;  // the final dot of "A.M." is copied as text
        break;
      case HOUR24: out.Number(hour, 2, fill); break;
      case HOUR12_WIDE:
      case HOUR12: out.Number(hour % 12 == 0 ? 12 : hour % 12, 2, fill); break;
      case MINUTES: out.Number(minute, 2, fill); break;
      case SECONDS: out.Number(second, 2, fill); break;
      case ORDINAL: out.Name(OrdinalSuffix(out.last), letterCase, 0); break;
    }
    m += length;
  }
  return buffer;
}

const char* FormatDateByMask(const SYSTEMTIME* time, const char* mask) {
  static char result[MASK_TEXT_SIZE];
  return FormatByMask(result, sizeof result, mask, time->wYear, time->wMonth, time->wDay,
                      time->wHour, time->wMinute, time->wSecond);
}

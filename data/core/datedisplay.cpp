// Database dates, times and timestamps to the user's display form and back, by the
// attribute's own format or the user's format settings.
#include <cstdio>
#include <cstring>

#include "data/core/datemask.h"
#include "data/core/datetime.h"
#include "data/model/model.h"
#include "data/model/settings.h"

namespace {

// The attribute's flag word, when it begins with '@', carries its format after the
// first blank; an empty choice falls back to the user's setting.
const char* ChooseFormat(const char* format, const TAttribute* attribute, const char* setting) {
  const char* chosen = format ? format : "";
  if (attribute && attribute->Flags[0] == '@') {
    const char* blank = strchr(attribute->Flags, ' ');
    chosen = blank ? blank + strspn(blank, " ") : "";
  }
  return *chosen ? chosen : setting;
}

enum TParts { DATE_PART = 1, TIME_PART = 2 };

const char* ToDisplay(char* result, const char* dbText, const char* mask, int parts) {
  const size_t need = parts == (DATE_PART | TIME_PART) ? 19 : parts == DATE_PART ? 10 : 8;
  if (!*dbText) return "";
  if (strnlen(dbText, need) < need) return "?";
  int y = 1901, mo = 1, d = 1, h = 0, mi = 0, s = 0;
  if (parts & DATE_PART) y = NumberAt(dbText, 0), mo = NumberAt(dbText, 5), d = NumberAt(dbText, 8);
  if (parts & TIME_PART) {
    const size_t at = parts & DATE_PART ? 11 : 0;
    h = NumberAt(dbText, at), mi = NumberAt(dbText, at + 3), s = NumberAt(dbText, at + 6);
  }
  return FormatByMask(result, MASK_TEXT_SIZE, mask, y, mo, d, h, mi, s);
}

// A text that does not fit the mask gives "?", which no date column takes, rather than
// a wrong date; a text that ends early keeps the start values for the fields not reached.
const char* ToDb(char* result, size_t size, const char* text, const char* mask, int parts) {
  if (!*text) return "";
  int y, mo, d, h, mi, s;
  if (ParseMask(text, mask, &y, &mo, &d, &h, &mi, &s) == MASK_MISMATCH) return "?";
  if (parts == DATE_PART) snprintf(result, size, "%04d-%02d-%02d", y, mo, d);
  else if (parts == TIME_PART) snprintf(result, size, "%02d:%02d:%02d", h, mi, s);
  else snprintf(result, size, "%04d-%02d-%02d %02d:%02d:%02d", y, mo, d, h, mi, s);
  return result;
}

}  // namespace

const char* DateToDisplay(const char* dbText, const char* format, const TAttribute* attribute) {
  static char result[MASK_TEXT_SIZE];
  return ToDisplay(result, dbText, ChooseFormat(format, attribute, DateFormat), DATE_PART);
}

const char* TimeToDisplay(const char* dbText, const char* format, const TAttribute* attribute) {
  static char result[MASK_TEXT_SIZE];
  return ToDisplay(result, dbText, ChooseFormat(format, attribute, TimeFormat), TIME_PART);
}

const char* TimestampToDisplay(const char* dbText, const char* format, const TAttribute* attribute) {
  static char result[MASK_TEXT_SIZE];
  return ToDisplay(result, dbText, ChooseFormat(format, attribute, TimestampFormat),
                   DATE_PART | TIME_PART);
}

const char* DisplayToDbDate(const char* text, const char* format, const TAttribute* attribute) {
  static char result[64];
  return ToDb(result, sizeof result, text, ChooseFormat(format, attribute, DateFormat), DATE_PART);
}

const char* DisplayToDbTime(const char* text, const char* format, const TAttribute* attribute) {
  static char result[64];
  return ToDb(result, sizeof result, text, ChooseFormat(format, attribute, TimeFormat), TIME_PART);
}

const char* DisplayToDbTimestamp(const char* text, const char* format, const TAttribute* attribute) {
  static char result[64];
  return ToDb(result, sizeof result, text, ChooseFormat(format, attribute, TimestampFormat),
              DATE_PART | TIME_PART);
}

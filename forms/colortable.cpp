// The colour table of form backgrounds and the colouring of static and read-only controls.
#include "forms/colortable.h"

#include <cstring>

#include "data/core/strings.h"
#include "forms/controlids.h"

TColorEntry ColorTable[COLOR_TABLE_SIZE];
int ColorTableCount = 0;

namespace {
HBRUSH readOnlyBrush = nullptr;
}

TColorEntry::TColorEntry() : Text(EmptyString), Brush(nullptr), Color(0) {}

TColorEntry::~TColorEntry() { FreeString(&Text); }

int HexDigitValue(char c) {
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= '0' && c <= '9') return c - '0';
  return 0;
}

COLORREF ParseColor(char* text) {
  if (*text == '#') ++text;
  CharUpperA(text);
  int digits[6] = {0, 0, 0, 0, 0, 0};
  for (int k = 0; k < 6 && text[k]; ++k) digits[k] = HexDigitValue(text[k]);
  const int red = digits[0] * 16 + digits[1];
  const int green = digits[2] * 16 + digits[3];
  const int blue = digits[4] * 16 + digits[5];
  return static_cast<COLORREF>(red | green << 8 | blue << 16);
}

void RegisterColor(const char* text) {
  if (!text || !*text) return;
  for (TColorEntry& row : ColorTable) {
    if (!*row.Text) {
      SetString(&row.Text, text);
      row.Color = ParseColor(row.Text);
      row.Brush = CreateSolidBrush(row.Color);
      ++ColorTableCount;
      return;
    }
    if (lstrcmpiA(row.Text, text) == 0) return;
  }
}

TColorEntry* FindColor(const char* text) {
  if (!text || !*text) return nullptr;
  for (TColorEntry& row : ColorTable) {
    if (!*row.Text) return nullptr;
    if (lstrcmpiA(row.Text, text) == 0) return &row;
  }
  return nullptr;
}

void ClearColorTable() {
  for (TColorEntry& row : ColorTable) {
    if (row.Brush) DeleteObject(row.Brush);
    row.Brush = nullptr;
    row.Color = 0;
    FreeString(&row.Text);
    row.Text = EmptyString;
  }
  ColorTableCount = 0;
}

HBRUSH ReadOnlyFieldBrush() {
  if (!readOnlyBrush) readOnlyBrush = CreateSolidBrush(READ_ONLY_FIELD_COLOR);
  return readOnlyBrush;
}

void DeleteReadOnlyFieldBrush() {
  if (readOnlyBrush) DeleteObject(readOnlyBrush);
  readOnlyBrush = nullptr;
}

INT_PTR HandleCtlColor(HDC dc, HWND control) {
  const int id = GetDlgCtrlID(control);
  COLORREF text;
  if (id == STATUS_LINE_ID) {
    text = RGB(192, 0, 0);
  } else if (id >= BLUE_TEXT_FIRST_ID && id <= BLUE_TEXT_LAST_ID) {
    text = RGB(0, 9, 128);
  } else if (id >= GREEN_TEXT_FIRST_ID && id <= GREEN_TEXT_LAST_ID) {
    text = RGB(0, 128, 64);
  } else if (GetWindowLongA(control, GWL_STYLE) & ES_READONLY) {
    SetBkColor(dc, READ_ONLY_FIELD_COLOR);
    SetBkMode(dc, TRANSPARENT);
    return reinterpret_cast<INT_PTR>(ReadOnlyFieldBrush());
  } else {
    return 0;
  }
  SetTextColor(dc, text);
  SetBkMode(dc, TRANSPARENT);
  return reinterpret_cast<INT_PTR>(GetSysColorBrush(COLOR_BTNFACE));
}

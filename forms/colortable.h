// The colour table of the form backgrounds and the common colouring of static and
// read-only controls.
#pragma once

#include <windows.h>

// One row of the colour table: the colour's text as written in the model (six hex
// digits, maybe after '#'; a heap string field), its solid brush and its value.
struct TColorEntry {
  char* Text;
  HBRUSH Brush;
  COLORREF Color;

  TColorEntry();
  ~TColorEntry();
  TColorEntry(const TColorEntry&) = delete;
  TColorEntry& operator=(const TColorEntry&) = delete;
};

constexpr int COLOR_TABLE_SIZE = 128;
extern TColorEntry ColorTable[COLOR_TABLE_SIZE];
extern int ColorTableCount;

// 'A'..'F' give 10..15, '0'..'9' give 0..9, anything else 0 (upper case only).
int HexDigitValue(char c);
// Upper-cases the text in place (after an optional '#') and reads RRGGBB.
COLORREF ParseColor(char* text);
// Adds the colour to the table unless it is there already (any case), empty, or the table is full.
void RegisterColor(const char* text);
// The row holding the text (any case), or null.
TColorEntry* FindColor(const char* text);
// Deletes the brushes and empties the table (shut-down).
void ClearColorTable();

// The light-yellow brush behind read-only edits, made on first use.
HBRUSH ReadOnlyFieldBrush();
void DeleteReadOnlyFieldBrush();
constexpr COLORREF READ_ONLY_FIELD_COLOR = RGB(255, 255, 128);

// The common answer to WM_CTLCOLORSTATIC: the status line red, controls 2201-2209 dark
// blue, 2211-2219 green, read-only edits on the light-yellow brush; 0 for any other.
INT_PTR HandleCtlColor(HDC dc, HWND control);

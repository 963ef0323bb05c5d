// The program's own edit controls, the colour table, the common static colours and the
// file dialog record.
#include <gtest/gtest.h>

#include <windows.h>

#include <commdlg.h>

#include <string>
#include <thread>

#include "forms/colortable.h"
#include "forms/controlids.h"
#include "forms/openfilename.h"
#include "support/dialog_watcher.h"
#include "support/form_support.h"
#include "forms/appwindow.h"

namespace {

std::string Type(const char* windowClass, const char* keys) {
  HWND edit = CreateWindowA(windowClass, "", WS_CHILD | WS_VISIBLE | WS_BORDER, 0, 0, 100, 20,
                            MainWindow, nullptr, GetModuleHandleA(nullptr), nullptr);
  for (const char* k = keys; *k; ++k) SendMessageA(edit, WM_CHAR, static_cast<BYTE>(*k), 1);
  std::string text = ControlText(edit);
  DestroyWindow(edit);
  return text;
}

TEST(NumberEdits, KeepOnlyTheKeysOfTheirNumbers) {
  StartFormSession();
  struct TCase {
    const char* cls;
    const char* keys;
    const char* text;
  } cases[] = {{"IntegerEdit", "-12", "-12"},  {"IntegerEdit", "1.5", "15"},
               {"IntegerEdit", "a1 b2", "12"}, {"RealEdit", "-1.5", "-1.5"},
               {"RealEdit", "1,5e3", "153"},   {"Edit", "1.5x", "1.5x"}};
  for (const TCase& c : cases) EXPECT_EQ(Type(c.cls, c.keys), c.text) << c.cls << " " << c.keys;
  // Control keys go through: a backspace removes the last digit.
  EXPECT_EQ(Type("IntegerEdit", "123\b"), "12");
}

TEST(ColourTable, RowsByTextAndValues) {
  ClearColorTable();
  char text[] = "#ff8000";
  EXPECT_EQ(ParseColor(text), RGB(255, 128, 0));
  EXPECT_STREQ(text, "#FF8000");  // upper-cased in place
  char plain[] = "0080FF";
  EXPECT_EQ(ParseColor(plain), RGB(0, 128, 255));
  EXPECT_EQ(HexDigitValue('f'), 0);  // callers upper-case first
  EXPECT_EQ(HexDigitValue('F'), 15);

  RegisterColor("ff8000");
  RegisterColor("FF8000");   // the same text
  RegisterColor("#FF8000");  // another text, the same colour
  RegisterColor("");
  EXPECT_EQ(ColorTableCount, 2);
  TColorEntry* row = FindColor("Ff8000");
  ASSERT_NE(row, nullptr);
  EXPECT_STREQ(row->Text, "FF8000");  // the stored copy is upper-cased
  EXPECT_EQ(row->Color, RGB(255, 128, 0));
  LOGBRUSH brush;
  ASSERT_TRUE(GetObjectA(row->Brush, sizeof brush, &brush));
  EXPECT_EQ(brush.lbColor, RGB(255, 128, 0));
  EXPECT_EQ(FindColor("#ff8000")->Color, RGB(255, 128, 0));

  for (int k = 0; k < 200; ++k) {
    char colour[8];
    snprintf(colour, sizeof colour, "%06X", k);
    RegisterColor(colour);
  }
  EXPECT_EQ(ColorTableCount, COLOR_TABLE_SIZE);
  EXPECT_NE(FindColor("00007D"), nullptr);  // the 128th row
  EXPECT_EQ(FindColor("00007E"), nullptr);  // no room for the 129th
  ClearColorTable();
  EXPECT_EQ(ColorTableCount, 0);
  EXPECT_EQ(FindColor("FF8000"), nullptr);
}

TEST(ColourTable, CommonStaticColours) {
  StartFormSession();
  auto make = [](int id, DWORD style, const char* cls) {
    return CreateWindowA(cls, "", WS_CHILD | style, 0, 0, 10, 10, MainWindow,
                         reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                         GetModuleHandleA(nullptr), nullptr);
  };
  HDC dc = GetDC(MainWindow);
  const HBRUSH face = GetSysColorBrush(COLOR_BTNFACE);
  struct TCase {
    int id;
    DWORD style;
    const char* cls;
    COLORREF text;
    int mode;
    HBRUSH result;
  } cases[] = {{STATUS_LINE_ID, 0, "Static", RGB(192, 0, 0), TRANSPARENT, face},
               {2201, 0, "Static", RGB(0, 9, 128), TRANSPARENT, face},
               {2209, 0, "Static", RGB(0, 9, 128), TRANSPARENT, face},
               {2211, 0, "Static", RGB(0, 128, 64), TRANSPARENT, face},
               {2210, 0, "Static", RGB(1, 2, 3), OPAQUE, nullptr},
               {FieldId(0), ES_READONLY, "Edit", RGB(1, 2, 3), TRANSPARENT, ReadOnlyFieldBrush()},
               {FieldId(1), 0, "Edit", RGB(1, 2, 3), OPAQUE, nullptr}};
  for (const TCase& c : cases) {
    HWND control = make(c.id, c.style, c.cls);
    SetTextColor(dc, RGB(1, 2, 3));
    SetBkMode(dc, OPAQUE);
    EXPECT_EQ(reinterpret_cast<HBRUSH>(HandleCtlColor(dc, control)), c.result) << c.id;
    EXPECT_EQ(GetTextColor(dc), c.text) << c.id;
    EXPECT_EQ(GetBkMode(dc), c.mode) << c.id;
    DestroyWindow(control);
  }
  ReleaseDC(MainWindow, dc);
}

TEST(FileDialog, RecordAndFilter) {
  StartFormSession();
  char file[OPEN_FILE_NAME_BUFFER] = "";
  OPENFILENAMEA* record = MakeOpenFileName(MainWindow, "Text (*.txt)|*.txt|All (*.*)|*.*||",
                                           OFN_HIDEREADONLY, file, "Pick a script");
  ASSERT_NE(record, nullptr);
  EXPECT_EQ(record->lStructSize, sizeof(OPENFILENAMEA));
  EXPECT_EQ(record->hwndOwner, MainWindow);
  EXPECT_EQ(record->nFilterIndex, 1u);
  EXPECT_EQ(record->nMaxFile, 1024u);
  EXPECT_EQ(record->lpstrFile, file);
  EXPECT_EQ(record->lpstrInitialDir, nullptr);
  EXPECT_EQ(record->Flags, DWORD(OFN_HIDEREADONLY));
  const char expected[] = "Text (*.txt)\0*.txt\0All (*.*)\0*.*\0";
  EXPECT_EQ(memcmp(record->lpstrFilter, expected, sizeof expected), 0);

  // The common dialog takes it: it opens with our title and is cancelled.
  auto box = WatchAndPressAsync(GetCurrentProcessId(), "Pick a script", IDCANCEL, 20000);
  EXPECT_FALSE(GetOpenFileNameA(record));
  EXPECT_TRUE(box.get().found);
  FreeOpenFileName(record);

  // A filter without its closing bars still ends in a double NUL.
  record = MakeOpenFileName(nullptr, "All|*.*", 0, file, "");
  EXPECT_EQ(memcmp(record->lpstrFilter, "All\0*.*\0", 9), 0);
  FreeOpenFileName(record);
}

}  // namespace

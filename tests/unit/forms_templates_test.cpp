// In-memory dialog templates: exact bytes of headers and items, and real dialogs made from them.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <string>

#include "forms/dlgtemplate.h"
#include "support/dialog_watcher.h"
#include "support/form_support.h"

namespace {

struct TLocked {
  explicit TLocked(HGLOBAL block) : block_(block), bytes(static_cast<BYTE*>(GlobalLock(block))) {}
  ~TLocked() { GlobalUnlock(block_); }
  WORD Word(size_t at) const { WORD v; memcpy(&v, bytes + at, 2); return v; }
  DWORD Dword(size_t at) const { DWORD v; memcpy(&v, bytes + at, 4); return v; }
  std::wstring Text(size_t at) const { return reinterpret_cast<const wchar_t*>(bytes + at); }
  HGLOBAL block_;
  BYTE* bytes;
};

TEST(DialogTemplates, HeaderSizeAndPadding) {
  struct TCase {
    DWORD style;
    const char* windowClass;
    const char* title;
    WORD expected;
  } cases[] = {
      {0, "", "", 24},                        // 18 + 3 terminators
      {0, "EditDlg", "", 40},                 // 18 + 2 * 10 = 38, padded
      {DS_SETFONT, "EditDlg", "Orders", 80},  // 18 + 32 + 2 + 28
      {DS_SETFONT, "EditDlg", "Order", 80},   // 78, padded
  };
  for (const TCase& c : cases) {
    HGLOBAL block = nullptr;
    WORD size = 0;
    CreateDlgTemplate(&block, &size, c.style, 1, 2, 3, 4, "", c.windowClass, c.title, 8,
                      "MS Sans Serif");
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(size, c.expected) << c.windowClass << "/" << c.title;
    EXPECT_EQ(GlobalSize(block), size);
    TLocked t(block);
    EXPECT_EQ(t.Dword(0), c.style);
    EXPECT_EQ(t.Word(8), 0);
    EXPECT_EQ(t.Word(10), 1);
    EXPECT_EQ(t.Word(16), 4);
    EXPECT_EQ(t.Word(18), 0);  // no menu
    size_t at = 20;
    EXPECT_EQ(t.Text(at), std::wstring(c.windowClass, c.windowClass + strlen(c.windowClass)));
    at += 2 * (strlen(c.windowClass) + 1);
    at += 2 * (strlen(c.title) + 1);
    if (c.style & DS_SETFONT) {
      EXPECT_EQ(t.Word(at), 8);
      EXPECT_EQ(t.Text(at + 2), L"MS Sans Serif");
    }
    GlobalFree(block);
  }
}

TEST(DialogTemplates, ItemsAreAlignedCountedAndTheBlockKeepsItsHandle) {
  HGLOBAL block = nullptr;
  WORD size = 0;
  CreateDlgTemplate(&block, &size, 0, 0, 0, 10, 10, "", "", "x", 0, "");
  const WORD header = size;
  AddDlgTemplateItem(block, &size, DLGCLASS_STATIC, "", 7, 1, 2, 3, 4, SS_LEFT);
  EXPECT_EQ(size, header + 28);  // 26 rounded up
  AddDlgTemplateItem(block, &size, "IntegerEdit", "x", 3001, 5, 6, 7, 8, WS_TABSTOP);
  EXPECT_EQ(size, header + 28 + 48);  // 18 + 24 + 4 + 2
  EXPECT_EQ(GlobalSize(block), size);
  TLocked t(block);
  EXPECT_EQ(t.Word(8), 2);
  const size_t first = header;
  EXPECT_EQ(first % 4, 0u);
  EXPECT_EQ(t.Dword(first), DWORD(SS_LEFT | WS_CHILD | WS_VISIBLE));
  EXPECT_EQ(t.Word(first + 16), 7);
  EXPECT_EQ(t.Word(first + 18), 0xFFFF);
  EXPECT_EQ(t.Word(first + 20), 0x82);
  const size_t second = header + 28;
  EXPECT_EQ(t.Word(second + 8), 5);
  EXPECT_EQ(t.Word(second + 16), 3001);
  EXPECT_EQ(t.Text(second + 18), L"IntegerEdit");
  EXPECT_EQ(t.Text(second + 18 + 24), L"x");
  GlobalFree(block);
}

TEST(DialogTemplates, ATemplateNeverPassesItsSixteenBitSize) {
  HGLOBAL block = nullptr;
  WORD size = 0;
  CreateDlgTemplate(&block, &size, 0, 0, 0, 10, 10, "", "", "", 0, "");
  std::string title(200, 'a');
  for (int k = 0; k < 400; ++k)
    AddDlgTemplateItem(block, &size, DLGCLASS_STATIC, title.c_str(), 1, 0, 0, 1, 1, 0);
  EXPECT_EQ(GlobalSize(block), size);
  TLocked t(block);
  // Each item is 18 + 4 + 402 + 2 = 426 bytes, padded to 428: 153 fit below 65,536.
  EXPECT_EQ(t.Word(8), 153);
  EXPECT_EQ(size, 24 + 153 * 428);
  GlobalFree(block);
}

TEST(DialogTemplates, ZeroSizeIsRefusedWithABox) {
  HGLOBAL block = nullptr;
  WORD size = 0;
  CreateDlgTemplate(&block, &size, 0, 5, 6, 7, 8, "", "", "", 0, "");
  struct TCase {
    short cx, cy;
    const char* text;
  } cases[] = {{0, 0, "dx = 0"}, {10, 0, "dy = 0"}};
  for (const TCase& c : cases) {
    auto box = WatchAndPressAsync(GetCurrentProcessId(), "SetDlgTemplateXYWH", IDOK, 10000);
    SetDlgTemplateXYWH(block, 50, 60, c.cx, c.cy);
    TWatchedDialog seen = box.get();
    EXPECT_TRUE(seen.found);
    EXPECT_EQ(seen.text, c.text);
    TLocked t(block);
    EXPECT_EQ(t.Word(10), 5);
    EXPECT_EQ(t.Word(14), 7);
  }
  SetDlgTemplateXYWH(block, 50, 60, 70, 80);
  TLocked t(block);
  EXPECT_EQ(t.Word(10), 50);
  EXPECT_EQ(t.Word(16), 80);
  GlobalFree(block);
}

TEST(DialogTemplates, WindowsBuildsTheDialogWeWrote) {
  StartFormSession();
  HGLOBAL block = nullptr;
  WORD size = 0;
  CreateDlgTemplate(&block, &size, WS_POPUP | WS_CAPTION | DS_SETFONT, 0, 0, 10, 10, "", "EditDlg",
                    "Z\xFC" "rich", 8, "MS Sans Serif");
  AddDlgTemplateItem(block, &size, DLGCLASS_STATIC, "Name", 2000, 4, 4, 60, 8, SS_RIGHT);
  AddDlgTemplateItem(block, &size, DLGCLASS_EDIT, "", 3000, 68, 2, 80, 12, WS_BORDER | WS_TABSTOP);
  AddDlgTemplateItem(block, &size, "IntegerEdit", "", 3001, 68, 16, 40, 12, WS_BORDER);
  AddDlgTemplateItem(block, &size, DLGCLASS_BUTTON, "&Save", 100, 4, 40, 30, 12, BS_DEFPUSHBUTTON);
  SetDlgTemplateXYWH(block, 20, 30, 160, 60);
  auto* header = static_cast<LPCDLGTEMPLATEA>(GlobalLock(block));
  HWND dialog = CreateDialogIndirectParamA(GetModuleHandleA(nullptr), header, nullptr, nullptr, 0);
  GlobalUnlock(block);
  ASSERT_NE(dialog, nullptr);
  EXPECT_EQ(ControlClass(dialog), "EditDlg");
  EXPECT_EQ(ControlText(dialog), "Z\xFCrich");
  struct TExpect {
    int id;
    const char* cls;
    const char* text;
    int x, y, cx, cy;
  } expected[] = {{2000, "Static", "Name", 4, 4, 60, 8},
                  {3000, "Edit", "", 68, 2, 80, 12},
                  {3001, "IntegerEdit", "", 68, 16, 40, 12},
                  {100, "Button", "&Save", 4, 40, 30, 12}};
  std::vector<int> order;
  for (const TExpect& e : expected) {
    HWND control = GetDlgItem(dialog, e.id);
    ASSERT_NE(control, nullptr) << e.id;
    EXPECT_STRCASEEQ(ControlClass(control).c_str(), e.cls);
    EXPECT_EQ(ControlText(control), e.text);
    RECT got = ControlPlace(dialog, control), want = UnitsPlace(dialog, e.x, e.y, e.cx, e.cy);
    EXPECT_EQ(got.left, want.left) << e.id;
    EXPECT_EQ(got.top, want.top) << e.id;
    EXPECT_EQ(got.right, want.right) << e.id;
    EXPECT_EQ(got.bottom, want.bottom) << e.id;
    EXPECT_TRUE(GetWindowLongA(control, GWL_STYLE) & WS_VISIBLE);
    order.push_back(e.id);
  }
  EXPECT_EQ(ChildIds(dialog), order);
  DestroyWindow(dialog);
  GlobalFree(block);
}

}  // namespace

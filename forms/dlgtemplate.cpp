// Dialog templates built in movable global memory, item by item.
#include "forms/dlgtemplate.h"

#include <cstring>

#include "forms/messagepump.h"

namespace {

// Characters of the text in UTF-16, its terminator included.
int WideLength(const char* text) {
  return MultiByteToWideChar(CP_ACP, MB_PRECOMPOSED, text ? text : "", -1, nullptr, 0);
}

// Converts the text into place; returns the bytes written.
size_t PutWide(BYTE* at, const char* text) {
  int chars = WideLength(text);
  MultiByteToWideChar(CP_ACP, MB_PRECOMPOSED, text ? text : "", -1, reinterpret_cast<WCHAR*>(at),
                      chars);
  return static_cast<size_t>(chars) * 2;
}

void PutWord(BYTE* at, WORD value) { memcpy(at, &value, 2); }
void PutDword(BYTE* at, DWORD value) { memcpy(at, &value, 4); }

bool IsOrdinalClass(const char* itemClass) {
  return reinterpret_cast<ULONG_PTR>(itemClass) < DLG_CLASS_ORDINAL_LIMIT;
}

size_t RoundUp4(size_t n) { return (n + 3) & ~static_cast<size_t>(3); }

}  // namespace

void CreateDlgTemplate(HGLOBAL* block, WORD* size, DWORD style, short x, short y, short cx, short cy,
                       const char* menu, const char* windowClass, const char* title, WORD pointSize,
                       const char* typeface) {
  const bool withFont = (style & DS_SETFONT) != 0;
  size_t bytes = 18 + 2 * static_cast<size_t>(WideLength(menu) + WideLength(windowClass) +
                                               WideLength(title));
  if (withFont) bytes += 2 + 2 * static_cast<size_t>(WideLength(typeface));
  bytes = RoundUp4(bytes);
  *block = nullptr;
  if (bytes > 0xFFFF) return;
  HGLOBAL handle = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, bytes);
  if (!handle) return;
  BYTE* base = static_cast<BYTE*>(GlobalLock(handle));
  if (!base) {
    GlobalFree(handle);
    return;
  }
  PutDword(base, style);
  PutDword(base + 4, 0);
  PutWord(base + 8, 0);
  PutWord(base + 10, static_cast<WORD>(x));
  PutWord(base + 12, static_cast<WORD>(y));
  PutWord(base + 14, static_cast<WORD>(cx));
  PutWord(base + 16, static_cast<WORD>(cy));
  BYTE* at = base + 18;
  at += PutWide(at, menu);
  at += PutWide(at, windowClass);
  at += PutWide(at, title);
  if (withFont) {
    PutWord(at, pointSize);
    at += 2;
    PutWide(at, typeface);
  }
  GlobalUnlock(handle);
  *block = handle;
  *size = static_cast<WORD>(bytes);
}

void AddDlgTemplateItem(HGLOBAL block, WORD* size, const char* itemClass, const char* title, WORD id,
                        short x, short y, short cx, short cy, DWORD style) {
  if (!block) return;
  const bool ordinal = IsOrdinalClass(itemClass);
  size_t itemBytes = 18 + (ordinal ? 4 : 2 * static_cast<size_t>(WideLength(itemClass))) +
                     2 * static_cast<size_t>(WideLength(title)) + 2;
  itemBytes = RoundUp4(itemBytes);
  const size_t oldSize = *size;
  if (oldSize + itemBytes > 0xFFFF) return;
  if (!GlobalReAlloc(block, oldSize + itemBytes, GMEM_ZEROINIT)) return;
  BYTE* base = static_cast<BYTE*>(GlobalLock(block));
  if (!base) return;
  WORD count;
  memcpy(&count, base + 8, 2);
  PutWord(base + 8, static_cast<WORD>(count + 1));
  BYTE* item = base + oldSize;
  memset(item, 0, itemBytes);
  PutDword(item, style | WS_CHILD | WS_VISIBLE);
  PutDword(item + 4, 0);
  PutWord(item + 8, static_cast<WORD>(x));
  PutWord(item + 10, static_cast<WORD>(y));
  PutWord(item + 12, static_cast<WORD>(cx));
  PutWord(item + 14, static_cast<WORD>(cy));
  PutWord(item + 16, id);
  BYTE* at = item + 18;
  if (ordinal) {
    PutWord(at, 0xFFFF);
    PutWord(at + 2, static_cast<WORD>(reinterpret_cast<ULONG_PTR>(itemClass)));
    at += 4;
  } else {
    at += PutWide(at, itemClass);
  }
  at += PutWide(at, title);
  PutWord(at, 0);  // no creation data
  GlobalUnlock(block);
  *size = static_cast<WORD>(oldSize + itemBytes);
}

void SetDlgTemplateXYWH(HGLOBAL block, short x, short y, short cx, short cy) {
  if (cx == 0) {
    ShowMessageBox(nullptr, "dx = 0", "SetDlgTemplateXYWH", MB_OK);
    return;
  }
  if (cy == 0) {
    ShowMessageBox(nullptr, "dy = 0", "SetDlgTemplateXYWH", MB_OK);
    return;
  }
  if (!block) return;
  BYTE* base = static_cast<BYTE*>(GlobalLock(block));
  if (!base) return;
  PutWord(base + 10, static_cast<WORD>(x));
  PutWord(base + 12, static_cast<WORD>(y));
  PutWord(base + 14, static_cast<WORD>(cx));
  PutWord(base + 16, static_cast<WORD>(cy));
  GlobalUnlock(block);
}

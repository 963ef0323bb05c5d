// Dialog templates written into movable global memory blocks: a header, then one
// control item after another, each on a 4-byte boundary, all texts in UTF-16.
#pragma once

#include <windows.h>

// Class arguments below this value are predefined-class ordinals, anything else a name.
constexpr ULONG_PTR DLG_CLASS_ORDINAL_LIMIT = 0x86;

// Predefined-class ordinals, passed where a class name is expected.
#define DLGCLASS_BUTTON MAKEINTRESOURCEA(0x80)
#define DLGCLASS_EDIT MAKEINTRESOURCEA(0x81)
#define DLGCLASS_STATIC MAKEINTRESOURCEA(0x82)
#define DLGCLASS_LISTBOX MAKEINTRESOURCEA(0x83)
#define DLGCLASS_SCROLLBAR MAKEINTRESOURCEA(0x84)
#define DLGCLASS_COMBOBOX MAKEINTRESOURCEA(0x85)

// Starts a template: allocates the block with the header; on failure *block is null.
// The point size and typeface are written only when the style holds DS_SETFONT.
void CreateDlgTemplate(HGLOBAL* block, WORD* size, DWORD style, short x, short y, short cx, short cy,
                       const char* menu, const char* windowClass, const char* title, WORD pointSize,
                       const char* typeface);

// Appends one control item (WS_CHILD | WS_VISIBLE added to the style). When the block
// cannot grow, or the template would pass 65,535 bytes, nothing is added.
void AddDlgTemplateItem(HGLOBAL block, WORD* size, const char* itemClass, const char* title, WORD id,
                        short x, short y, short cx, short cy, DWORD style);

// Sets the position and size of a finished template; a zero width or height is refused
// with a message box.
void SetDlgTemplateXYWH(HGLOBAL block, short x, short y, short cx, short cy);

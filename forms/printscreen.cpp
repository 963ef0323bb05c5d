// The edit form's one-page print-out of a record.
#include "forms/printscreen.h"

#include "data/db/record.h"
#include "data/model/model.h"
#include "forms/celltext.h"

TScreenDump ScreenDumpOf(TDBRecord* record) {
  TScreenDump dump;
  const TEntity* entity = record->GetEntity();
  dump.title = std::string(entity->Caption) + " Screen Dump";
  for (int i = 0; i < entity->AttributeCount; ++i) {
    const TAttribute& attribute = entity->Attributes[i];
    if (attribute.Hidden) continue;
    dump.fields.emplace_back(attribute.Caption, ListCellText(*record, attribute));
  }
  return dump;
}

namespace {

// An Arial font of the point size on the context.
HFONT ArialFont(HDC dc, int points, bool bold) {
  LOGFONTA font = {};
  font.lfHeight = -MulDiv(points, GetDeviceCaps(dc, LOGPIXELSY), 72);
  font.lfWeight = bold ? FW_BOLD : FW_NORMAL;
  lstrcpynA(font.lfFaceName, "Arial", LF_FACESIZE);
  return CreateFontIndirectA(&font);
}

void Rule(HDC dc, int left, int right, int y) {
  MoveToEx(dc, left, y, nullptr);
  LineTo(dc, right, y);
}

}  // namespace

void DrawScreenDump(HDC dc, const RECT& page, const TScreenDump& dump) {
  const int width = page.right - page.left;
  const int margin = width / 12;
  const int left = page.left + margin, right = page.right - margin;
  const int split = left + (right - left) * 2 / 5;  // captions left of it, values right
  const int gap = GetDeviceCaps(dc, LOGPIXELSX) / 8;
  int y = page.top + margin;

  HFONT title = ArialFont(dc, 14, true);
  HGDIOBJ previous = SelectObject(dc, title);
  RECT line = {left, y, right, page.bottom};
  const int titleHeight = DrawTextA(dc, dump.title.c_str(), -1, &line, DT_CENTER | DT_NOPREFIX | DT_SINGLELINE);
  y += titleHeight + gap / 2;
  Rule(dc, left, right, y);
  y += gap;

  HFONT body = ArialFont(dc, 10, false);
  SelectObject(dc, body);
  for (const auto& field : dump.fields) {
    RECT caption = {left, y, split - gap, page.bottom};
    RECT value = {split + gap, y, right, page.bottom};
    const int captionHeight = DrawTextA(dc, field.first.c_str(), -1, &caption, DT_RIGHT | DT_NOPREFIX | DT_WORDBREAK);
    const int valueHeight = DrawTextA(dc, field.second.c_str(), -1, &value, DT_LEFT | DT_NOPREFIX | DT_WORDBREAK);
    y += (captionHeight > valueHeight ? captionHeight : valueHeight) + gap / 4;
    Rule(dc, left, right, y);
    y += gap / 4;
  }
  SelectObject(dc, previous);
  DeleteObject(title);
  DeleteObject(body);
}

bool PrintScreenDump(HDC printer, const TScreenDump& dump) {
  DOCINFOA document = {};
  document.cbSize = sizeof document;
  document.lpszDocName = dump.title.c_str();
  if (StartDocA(printer, &document) <= 0) return false;
  bool printed = StartPage(printer) > 0;
  if (printed) {
    const RECT page = {0, 0, GetDeviceCaps(printer, HORZRES), GetDeviceCaps(printer, VERTRES)};
    DrawScreenDump(printer, page, dump);
    printed = EndPage(printer) > 0;
  }
  if (printed) EndDoc(printer);
  else AbortDoc(printer);
  return printed;
}

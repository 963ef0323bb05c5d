// The backdrop: a tiled picture, the logo and a footer line.
#include "install/backdrop.h"

#include "install/pages.h"
#include "install/setupscript.h"

#include <cstdio>
#include <string>

const char BackdropClassName[] = "FRAME";

namespace {

// The picture behind everything: "bg.bmp" of the setup folder, else the built-in tile.
HBITMAP LoadBackdropTile() {
  HBITMAP tile = static_cast<HBITMAP>(LoadImageA(nullptr, "bg.bmp", IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE));
  if (tile) return tile;
  char name[8];
  int number = Installer.backdrop >= 1 && Installer.backdrop <= 8 ? Installer.backdrop : 1;
  std::snprintf(name, sizeof name, "BG%d", number);
  return static_cast<HBITMAP>(LoadImageA(GetModuleHandleA(nullptr), name, IMAGE_BITMAP, 0, 0, 0));
}

void DrawBitmap(HDC dc, HBITMAP bitmap, int x, int y, int width, int height) {
  HDC source = CreateCompatibleDC(dc);
  HGDIOBJ old = SelectObject(source, bitmap);
  BitBlt(dc, x, y, width, height, source, 0, 0, SRCCOPY);
  SelectObject(source, old);
  DeleteDC(source);
}

void TileBackdrop(HDC dc, const RECT& area) {
  HBITMAP tile = LoadBackdropTile();
  if (!tile) {
    FillRect(dc, &area, GetSysColorBrush(COLOR_APPWORKSPACE));
    return;
  }
  BITMAP size{};
  GetObjectA(tile, sizeof size, &size);
  if (size.bmWidth > 0 && size.bmHeight > 0)
    for (int y = area.top; y < area.bottom; y += size.bmHeight)
      for (int x = area.left; x < area.right; x += size.bmWidth) DrawBitmap(dc, tile, x, y, size.bmWidth, size.bmHeight);
  DeleteObject(tile);
}

void DrawLogo(HDC dc) {
  HBITMAP logo = static_cast<HBITMAP>(LoadImageA(nullptr, "logo.bmp", IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE));
  if (!logo) return;
  BITMAP size{};
  GetObjectA(logo, sizeof size, &size);
  DrawBitmap(dc, logo, GetDeviceCaps(dc, LOGPIXELSX) / 4, GetDeviceCaps(dc, LOGPIXELSY) / 4, size.bmWidth, size.bmHeight);
  DeleteObject(logo);
}

void DrawFooter(HDC dc, const RECT& area) {
  std::string footer = Installer.appName.empty() ? "Setup" : Installer.appName + " Setup";
  if (!Installer.version.empty()) footer += " - version " + Installer.version;
  int height = -MulDiv(9, GetDeviceCaps(dc, LOGPIXELSY), 72);
  HFONT font = CreateFontA(height, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, ANSI_CHARSET, OUT_DEFAULT_PRECIS,
                           CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_SWISS, "Tahoma");
  HGDIOBJ old = SelectObject(dc, font);
  SetBkMode(dc, TRANSPARENT);
  TEXTMETRICA metrics{};
  GetTextMetricsA(dc, &metrics);
  int x = area.left + 8;
  int y = area.bottom - metrics.tmHeight - 6;
  // A dark outline under the white text keeps it readable on any tile.
  SetTextColor(dc, RGB(0, 0, 0));
  const int offsets[3][2] = {{1, 1}, {-1, -1}, {1, -1}};
  for (const auto& offset : offsets)
    TextOutA(dc, x + offset[0], y + offset[1], footer.c_str(), static_cast<int>(footer.size()));
  SetTextColor(dc, RGB(255, 255, 255));
  TextOutA(dc, x, y, footer.c_str(), static_cast<int>(footer.size()));
  SelectObject(dc, old);
  DeleteObject(font);
}

}  // namespace

LRESULT CALLBACK BackdropWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_ERASEBKGND: {
      HDC dc = reinterpret_cast<HDC>(wParam);
      RECT area;
      GetClientRect(window, &area);
      TileBackdrop(dc, area);
      DrawLogo(dc);
      DrawFooter(dc, area);
      return 1;
    }
    case WM_ACTIVATE:
      if (LOWORD(wParam) != WA_INACTIVE) BringPagesToFront();
      break;
    case WM_DESTROY:
      DestroyPages();
      break;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

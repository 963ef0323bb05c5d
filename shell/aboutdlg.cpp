// The About box: a plain dialog procedure over the template "AboutDlg" (or "AboutDlgS").
#include "shell/aboutdlg.h"

#include <cstdio>

#include "data/model/model.h"
#include "data/model/settings.h"
#include "forms/colortable.h"
#include "forms/windowmanager.h"
#include "forms/messagepump.h"

namespace {

HFONT titleFont = nullptr;

int Percent(int count, int capacity) { return capacity > 0 ? count * 100 / capacity : 0; }

}  // namespace

std::string ResourceUsageText(int dialogs, int dialogCapacity, int brushes, int brushCapacity) {
  char text[200];
  std::snprintf(text, sizeof text,
                "%d Dialog Handles out of %d used (%d%%)\n%d Brush Handles out if %d used (%d%%)",
                dialogs, dialogCapacity, Percent(dialogs, dialogCapacity), brushes, brushCapacity,
                Percent(brushes, brushCapacity));
  return text;
}

INT_PTR CALLBACK AboutDlgProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG: {
      char line[129] = "";
      LoadStringA(GetModuleHandleA(nullptr), ABOUT_STRING_ID, line, sizeof line);
      SetDlgItemTextA(window, ABOUT_STRING, line);
      SetDlgItemTextA(window, ABOUT_TITLE, TheModel.Title);
      HWND title = GetDlgItem(window, ABOUT_TITLE);
      HDC dc = GetDC(title);
      const int height = -(GetDeviceCaps(dc, LOGPIXELSY) * 14 / 72);
      ReleaseDC(title, dc);
      titleFont = CreateFontA(height, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, ANSI_CHARSET,
                              OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                              DEFAULT_PITCH | FF_SWISS, "Helv");
      if (titleFont) SendMessageA(title, WM_SETFONT, reinterpret_cast<WPARAM>(titleFont), TRUE);
      SetDlgItemTextA(window, ABOUT_USAGE,
                      ResourceUsageText(AppWindowManager.GetCount(), AppWindowManager.GetCapacity(),
                                        ColorTableCount, COLOR_TABLE_SIZE)
                          .c_str());
      return TRUE;
    }
    case WM_COMMAND:
      // Only a click: the hover-help buttons also report getting the focus by WM_COMMAND.
      if (HIWORD(wParam) != BN_CLICKED) return FALSE;
      if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL || LOWORD(wParam) == 107) {
        EndDialog(window, 0);
        return TRUE;
      }
      return FALSE;
    case WM_DESTROY:
      if (titleFont) DeleteObject(titleFont);
      titleFont = nullptr;
      return FALSE;
    case WM_CTLCOLORSTATIC:
      return HandleCtlColor(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
  }
  return FALSE;
}

void ShowAboutBox(HWND owner) {
  TModalLoopScope modal(owner);
  DialogBoxParamA(GetModuleHandleA(nullptr), AboutDlgName, owner, AboutDlgProc, 0);
}

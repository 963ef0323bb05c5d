// The main window's shared state, status text, dialog background and the replaceable
// help and print set-up calls.
#include "forms/appwindow.h"

#include <commctrl.h>

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "forms/messagepump.h"

HWND MainWindow = nullptr;
HWND StatusBarWindow = nullptr;
int CurrentHelpContext = 0;
char HelpFilePath[MAX_PATH] = "";
HBRUSH BackgroundBrush = nullptr;
COLORREF BackgroundColor = RGB(192, 192, 192);

namespace {

constexpr int STATUS_TEXT_SIZE = 200;
char statusText[STATUS_TEXT_SIZE];

void ShowStatusText(int part, const char* format, va_list args) {
  vsnprintf(statusText, sizeof statusText, format, args);
  if (StatusBarWindow) {
    SendMessageA(StatusBarWindow, SB_SETTEXTA, static_cast<WPARAM>(part),
                 reinterpret_cast<LPARAM>(statusText));
    UpdateWindow(StatusBarWindow);
  }
}

bool EndsWithNoCase(const char* text, const char* tail) {
  const size_t n = std::strlen(text), m = std::strlen(tail);
  return n >= m && lstrcmpiA(text + n - m, tail) == 0;
}

// HTML Help lives in hhctrl.ocx; it is loaded on first use and kept.
using THtmlHelpA = HWND(WINAPI*)(HWND, LPCSTR, UINT, DWORD_PTR);
constexpr UINT HH_DISPLAY_TOC = 0x0001;
constexpr UINT HH_HELP_CONTEXT = 0x000F;
constexpr UINT HH_CLOSE_ALL = 0x0012;

THtmlHelpA HtmlHelpEntry() {
  static THtmlHelpA entry = [] {
    HMODULE library = LoadLibraryA("hhctrl.ocx");
    return library ? reinterpret_cast<THtmlHelpA>(
                         reinterpret_cast<void*>(GetProcAddress(library, "HtmlHelpA")))
                   : nullptr;
  }();
  return entry;
}

BOOL HtmlHelpCall(HWND window, const char* file, UINT command, ULONG_PTR data) {
  THtmlHelpA htmlHelp = HtmlHelpEntry();
  if (!htmlHelp) return FALSE;
  switch (command) {
    case HELP_QUIT:
      htmlHelp(nullptr, nullptr, HH_CLOSE_ALL, 0);
      return TRUE;
    case HELP_CONTEXT:
      return htmlHelp(window, file, HH_HELP_CONTEXT, data) != nullptr;
    default:
      return htmlHelp(window, file, HH_DISPLAY_TOC, 0) != nullptr;
  }
}

BOOL SystemPrintSetup(PRINTDLGA* record) { return PrintDlgA(record); }

}  // namespace

THelpCall HelpCall = SystemHelpCall;
TPrintSetupCall PrintSetupCall = SystemPrintSetup;

void SetStatusText(const char* format, ...) {
  va_list args;
  va_start(args, format);
  ShowStatusText(1, format, args);
  va_end(args);
}

void SetStatusTextPart(int part, const char* format, ...) {
  va_list args;
  va_start(args, format);
  ShowStatusText(part, format, args);
  va_end(args);
}

const char* GetStatusText() { return statusText; }

const char* ErrorTextOrNone(const char* text) {
  return text && *text ? text : "No error";
}

void CreateBackgroundBrush(int windowBackground) {
  if (windowBackground == 0)
    BackgroundColor = GetSysColor(COLOR_WINDOW);
  else if (windowBackground == 1)
    BackgroundColor = RGB(255, 255, 255);
  else
    BackgroundColor = RGB(192, 192, 192);
  DeleteBackgroundBrush();
  BackgroundBrush = CreateSolidBrush(BackgroundColor);
}

void DeleteBackgroundBrush() {
  if (BackgroundBrush) DeleteObject(BackgroundBrush);
  BackgroundBrush = nullptr;
}

BOOL SystemHelpCall(HWND window, const char* file, UINT command, ULONG_PTR data) {
  if (EndsWithNoCase(file, ".CHM")) return HtmlHelpCall(window, file, command, data);
  return WinHelpA(window, file, command, data);
}

void ShowHelp(HWND window, UINT command, ULONG_PTR data) {
  if (HelpCall(window, HelpFilePath, command, data) || command == HELP_QUIT) return;
  char text[MAX_PATH + 80];
  std::snprintf(text, sizeof text, "The help file %s could not be opened.",
                *HelpFilePath ? HelpFilePath : "(none)");
  ShowMessageBox(window, text, "Help", MB_OK | MB_ICONEXCLAMATION);
}

#include "shell/appwindow.h"

#include <commctrl.h>

#include <cstdarg>
#include <cstdio>

HWND MainWindow = nullptr;
HWND StatusBarWindow = nullptr;
int CurrentHelpContext = 0;
char HelpFilePath[MAX_PATH] = "";

namespace {

constexpr int STATUS_TEXT_SIZE = 200;
char statusText[STATUS_TEXT_SIZE];

void ShowStatusText(int part, const char* format, va_list args) {
  vsnprintf(statusText, sizeof statusText, format, args);
  if (StatusBarWindow)
    SendMessageA(StatusBarWindow, SB_SETTEXTA, static_cast<WPARAM>(part),
                 reinterpret_cast<LPARAM>(statusText));
}

}  // namespace

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

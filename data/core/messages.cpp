// The fatal error box and the warning box that any part of the program may raise.
#include "data/core/messages.h"

#include <windows.h>

#include <cstdio>

namespace {
// A function of this file's, not the imported MessageBoxA itself: the pointer is then set
// before any code runs, and a program's own box put there at start-up stays.
int SystemMessageBox(HWND owner, const char* text, const char* caption, UINT style) {
  return MessageBoxA(owner, text, caption, style);
}
}  // namespace

TMessageBoxCall MessageBoxCall = SystemMessageBox;

namespace {
// Both boxes join their texts in 200 bytes; callers keep message and detail below that.
void JoinTexts(char (&out)[200], const char* message, const char* detail) {
  std::snprintf(out, sizeof out, "%s%s", message ? message : "", detail ? detail : "");
}
}  // namespace

void FatalError(const char* message, const char* detail) {
  char text[200];
  JoinTexts(text, message, detail);
  MessageBoxA(nullptr, text, "ERROR", MB_OK | MB_ICONHAND);
  ExitProcess(1);
}

int WarningBox(const char* message, const char* detail) {
  char text[200];
  JoinTexts(text, message, detail);
  return MessageBoxCall(nullptr, text, "WARNING", MB_OK | MB_ICONEXCLAMATION);
}

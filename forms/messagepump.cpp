// The nesting of long work that pumps messages and the closes put off until it ends.
#include "forms/messagepump.h"

#include <algorithm>
#include <vector>

#include "forms/windowmanager.h"

namespace {

int pumpingDepth = 0;
std::vector<HWND> pendingCloses;

}  // namespace

TPumpingScope::TPumpingScope() { ++pumpingDepth; }

TPumpingScope::~TPumpingScope() {
  if (--pumpingDepth > 0) return;
  std::vector<HWND> closes;
  closes.swap(pendingCloses);
  for (HWND window : closes)
    if (IsWindow(window)) PostMessageA(window, WM_CLOSE, 0, 0);
}

void PumpWaitingMessages() {
  MSG message;
  while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
    // The end of the program belongs to the main loop: put back for it.
    if (message.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(message.wParam));
      return;
    }
    if (AppWindowManager.TranslateDialogMessage(&message)) continue;
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
}

namespace {

// Whether the answer is one of the buttons the box style shows.
bool IsButtonOf(int answer, UINT style) {
  switch (style & MB_TYPEMASK) {
    case MB_OK:
      return answer == IDOK;
    case MB_OKCANCEL:
      return answer == IDOK || answer == IDCANCEL;
    case MB_YESNO:
      return answer == IDYES || answer == IDNO;
    case MB_YESNOCANCEL:
      return answer == IDYES || answer == IDNO || answer == IDCANCEL;
    case MB_RETRYCANCEL:
      return answer == IDRETRY || answer == IDCANCEL;
    case MB_ABORTRETRYIGNORE:
      return answer == IDABORT || answer == IDRETRY || answer == IDIGNORE;
  }
  return false;
}

}  // namespace

int AskQuestion(HWND owner, const char* text, const char* caption, UINT style) {
  TPumpingScope waiting;
  const int answer = MessageBoxA(owner, text, caption, style);
  return IsButtonOf(answer, style) ? answer : IDCANCEL;
}

bool IsPumping() { return pumpingDepth > 0; }

bool DeferCloseWhilePumping(HWND window) {
  if (pumpingDepth == 0) return false;
  if (std::find(pendingCloses.begin(), pendingCloses.end(), window) == pendingCloses.end())
    pendingCloses.push_back(window);
  return true;
}

bool IsClosePending(HWND window) {
  for (HWND w = window; w; w = GetParent(w))
    if (std::find(pendingCloses.begin(), pendingCloses.end(), w) != pendingCloses.end()) return true;
  return false;
}

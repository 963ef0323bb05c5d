// The nesting of long work that pumps messages and of modal loops, and the closes put off
// until they end.
#include "forms/messagepump.h"

#include <algorithm>
#include <vector>

#include "forms/appwindow.h"
#include "forms/windowmanager.h"

namespace {

int pumpingDepth = 0;
std::vector<HWND> modalLoopOwners;  // the owner of each modal loop running, outermost first
std::vector<HWND> pendingCloses;

// Long work and modal loops open now, of both kinds.
int OpenScopes() { return pumpingDepth + static_cast<int>(modalLoopOwners.size()); }

// When the outermost scope ends, the closes that waited for it are posted again.
void PostPendingClosesWhenLast() {
  if (OpenScopes() > 0) return;
  std::vector<HWND> closes;
  closes.swap(pendingCloses);
  for (HWND window : closes)
    if (IsWindow(window)) PostMessageA(window, WM_CLOSE, 0, 0);
}

// The window a dialog stands on: its opener in the dialogs' table, else its owner or parent.
HWND StandsOn(HWND window) {
  if (HWND opener = AppWindowManager.GetOwner(window)) return opener;
  return GetParent(window);
}

// Whether a modal loop runs over the window: it is the main window (whose end destroys
// every dialog), or the owner of a modal loop or one of the windows that owner stands on.
bool UnderModalLoop(HWND window) {
  if (modalLoopOwners.empty()) return false;
  if (window == MainWindow) return true;
  constexpr int MOST_OPENERS = WINDOW_MANAGER_CAPACITY + 2;  // no chain is longer
  for (HWND owner : modalLoopOwners) {
    int steps = 0;
    for (HWND w = owner; w && steps < MOST_OPENERS; w = StandsOn(w), ++steps)
      if (w == window) return true;
  }
  return false;
}

}  // namespace

TPumpingScope::TPumpingScope() { ++pumpingDepth; }

TPumpingScope::~TPumpingScope() {
  --pumpingDepth;
  PostPendingClosesWhenLast();
}

TModalLoopScope::TModalLoopScope(HWND owner) { modalLoopOwners.push_back(owner); }

TModalLoopScope::~TModalLoopScope() {
  modalLoopOwners.pop_back();
  PostPendingClosesWhenLast();
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
  if (pumpingDepth == 0 && !UnderModalLoop(window)) return false;
  if (std::find(pendingCloses.begin(), pendingCloses.end(), window) == pendingCloses.end())
    pendingCloses.push_back(window);
  return true;
}

bool IsClosePending(HWND window) {
  for (HWND w = window; w; w = GetParent(w))
    if (std::find(pendingCloses.begin(), pendingCloses.end(), w) != pendingCloses.end()) return true;
  return false;
}

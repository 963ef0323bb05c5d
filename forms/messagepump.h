// Long work that pumps the thread's messages itself (so windows stay live and commands can
// come in), and the dialog closes that wait until that work has ended.
#pragma once

#include <windows.h>

// Marks a stretch of long work that pumps messages. Scopes nest; while any is open, a
// dialog closed by the user is not destroyed under the work: its WM_CLOSE is remembered
// and posted again when the outermost scope ends.
class TPumpingScope {
public:
  TPumpingScope();
  ~TPumpingScope();
  TPumpingScope(const TPumpingScope&) = delete;
  TPumpingScope& operator=(const TPumpingScope&) = delete;
};

// Handles every message waiting for this thread as the main loop would (the open dialogs'
// keys first); a WM_QUIT is put back for the main loop and ends the round.
void PumpWaitingMessages();
// Asks a question in a message box over owner. While it waits, the question counts as work
// that pumps messages: dialogs closed meanwhile go when it has been answered. An answer
// that is none of the box's buttons (the box went with its owner) comes back as IDCANCEL.
int AskQuestion(HWND owner, const char* text, const char* caption, UINT style);
// True while long work pumps messages.
bool IsPumping();
// For a dialog's WM_CLOSE: true when the close has been put off until the long work ends
// (the caller then does nothing more), false when the dialog may close now.
bool DeferCloseWhilePumping(HWND window);
// True when a close of the window, or of a window it stands on, is waiting.
bool IsClosePending(HWND window);

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

// Marks a modal loop (a dialog box, a property sheet, a common dialog, the login) run over
// owner. While it runs, the windows it stands on are not destroyed under it: a WM_CLOSE of
// its owner, of the owner's openers up to the main window, or the end of the program, is
// remembered and posted again when the outermost long work or modal loop ends. Other
// windows close as usual, and so does the modal dialog itself.
class TModalLoopScope {
public:
  explicit TModalLoopScope(HWND owner);
  ~TModalLoopScope();
  TModalLoopScope(const TModalLoopScope&) = delete;
  TModalLoopScope& operator=(const TModalLoopScope&) = delete;
};

// Handles every message waiting for this thread as the main loop would (the open dialogs'
// keys first); a WM_QUIT is put back for the main loop and ends the round.
void PumpWaitingMessages();
// Asks a question in a message box over owner. While it waits, the question counts as work
// that pumps messages: dialogs closed meanwhile go when it has been answered. An answer
// that is none of the box's buttons (the box went with its owner) comes back as IDCANCEL.
int AskQuestion(HWND owner, const char* text, const char* caption, UINT style);
// Tells the user something in a message box over owner, waited for as AskQuestion waits.
void ShowMessageBox(HWND owner, const char* text, const char* caption, UINT style);
// True while long work pumps messages.
bool IsPumping();
// For a dialog's WM_CLOSE (and the main window's end): true when the close has been put off
// until the long work or the modal loops over the window end (the caller then does nothing
// more), false when the window may close now.
bool DeferCloseWhilePumping(HWND window);
// For an end of the program that may not wait for the user (after a refused login): every
// modal loop and question open now, and any that opens before the last of them has
// returned, is ended as its Cancel would end it, the innermost first and each one only once
// the long work over it has finished; the closes that wait for them then follow as usual.
void CancelModalWaits();
// True when a close of the window, or of a window it stands on, is waiting.
bool IsClosePending(HWND window);

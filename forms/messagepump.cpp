// The nesting of long work that pumps messages and of modal loops, and the closes put off
// until they end.
#include "forms/messagepump.h"

#include <algorithm>
#include <vector>

#include "data/core/messages.h"
#include "forms/appwindow.h"
#include "forms/windowmanager.h"

namespace {

// A modal loop running, or a question waiting in a message box of AskQuestion's.
enum class TWaitKind { ModalLoop, Question };
struct TModalWait {
  TWaitKind kind;
  HWND owner;
  int workBelow;                    // the long work already open when it began
  std::vector<HWND> windowsBefore;  // the thread's windows then: its own is none of them
};

int pumpingDepth = 0;
std::vector<TModalWait> modalWaits;  // outermost first
std::vector<HWND> pendingCloses;

// While the program's end may not wait for the user: the window whose Cancel has been
// sent last, and the timer that looks again for a wait whose window has not come yet.
bool cancellingWaits = false;
HWND cancelledWindow = nullptr;
UINT_PTR cancelRetryTimer = 0;
constexpr UINT CANCEL_RETRY_MS = 100;

// Long work and modal loops open now, of both kinds.
int OpenScopes() { return pumpingDepth + static_cast<int>(modalWaits.size()); }

void StopCancelling() {
  cancellingWaits = false;
  cancelledWindow = nullptr;
  if (cancelRetryTimer) KillTimer(nullptr, cancelRetryTimer);
  cancelRetryTimer = 0;
}

// When the outermost scope ends, the closes that waited for it are posted again.
void PostPendingClosesWhenLast() {
  if (OpenScopes() > 0) return;
  StopCancelling();
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
// A question is long work, not a loop over its owner.
bool UnderModalLoop(HWND window) {
  constexpr int MOST_OPENERS = WINDOW_MANAGER_CAPACITY + 2;  // no chain is longer
  for (const TModalWait& wait : modalWaits) {
    if (wait.kind != TWaitKind::ModalLoop) continue;
    if (window == MainWindow) return true;
    int steps = 0;
    for (HWND w = wait.owner; w && steps < MOST_OPENERS; w = StandsOn(w), ++steps)
      if (w == window) return true;
  }
  return false;
}

BOOL CALLBACK CollectThreadWindow(HWND window, LPARAM list) {
  reinterpret_cast<std::vector<HWND>*>(list)->push_back(window);
  return TRUE;
}

// The top-level windows of this thread, topmost first.
std::vector<HWND> ThreadWindows() {
  std::vector<HWND> windows;
  EnumThreadWindows(GetCurrentThreadId(), CollectThreadWindow, reinterpret_cast<LPARAM>(&windows));
  return windows;
}

void BeginWait(TWaitKind kind, HWND owner) {
  modalWaits.push_back(TModalWait{kind, owner, pumpingDepth, ThreadWindows()});
}

// The window the wait shows: a visible window owned by its owner's top-level window that
// was not there when it began and is no modeless dialog; null while it has not come (or
// has been ended and hidden).
HWND WindowOf(const TModalWait& wait) {
  HWND over = wait.owner ? GetAncestor(wait.owner, GA_ROOT) : nullptr;
  const std::vector<HWND>& before = wait.windowsBefore;
  for (HWND window : ThreadWindows()) {
    if (!IsWindowVisible(window) || GetWindow(window, GW_OWNER) != over) continue;
    if (std::find(before.begin(), before.end(), window) != before.end()) continue;
    if (AppWindowManager.GetDialog(window) && !AppWindowManager.IsModal(window)) continue;
    return window;
  }
  return nullptr;
}

// Ends the innermost wait as its Cancel would, once no long work runs over it (work that
// runs finishes first). A question's box is ended with IDCANCEL; a modal loop's dialog,
// property sheet or common dialog gets Cancel pressed, which runs its own cancel and ends
// it. The wait under it follows when it has returned.
void CancelInnermostWait() {
  if (!cancellingWaits || modalWaits.empty()) return;
  const TModalWait& wait = modalWaits.back();
  if (wait.workBelow != pumpingDepth) return;
  HWND window = WindowOf(wait);
  if (!window || window == cancelledWindow) return;
  cancelledWindow = window;
  if (wait.kind == TWaitKind::Question)
    EndDialog(window, IDCANCEL);
  else
    PostMessageA(window, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(window, IDCANCEL)));
}

void CALLBACK RetryCancel(HWND, UINT, UINT_PTR, DWORD) { CancelInnermostWait(); }

// The end of a scope: the closes that waited for the last one, or the next wait to cancel.
void AfterScope() {
  PostPendingClosesWhenLast();
  CancelInnermostWait();
}

// A question's box, waited for like a modal loop's window.
class TQuestionWait {
public:
  explicit TQuestionWait(HWND owner) { BeginWait(TWaitKind::Question, owner); }
  ~TQuestionWait() {
    modalWaits.pop_back();
    AfterScope();
  }
  TQuestionWait(const TQuestionWait&) = delete;
  TQuestionWait& operator=(const TQuestionWait&) = delete;
};

}  // namespace

TPumpingScope::TPumpingScope() { ++pumpingDepth; }

TPumpingScope::~TPumpingScope() {
  --pumpingDepth;
  AfterScope();
}

TModalLoopScope::TModalLoopScope(HWND owner) { BeginWait(TWaitKind::ModalLoop, owner); }

TModalLoopScope::~TModalLoopScope() {
  modalWaits.pop_back();
  AfterScope();
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
  TQuestionWait question(owner);
  const int answer = MessageBoxA(owner, text, caption, style);
  return IsButtonOf(answer, style) ? answer : IDCANCEL;
}

void ShowMessageBox(HWND owner, const char* text, const char* caption, UINT style) {
  AskQuestion(owner, text, caption, style);
}

namespace {
// The data layer's boxes wait as the questions do.
const bool dataLayerBoxesWait = (MessageBoxCall = AskQuestion, true);
}  // namespace

bool IsPumping() { return pumpingDepth > 0; }

bool DeferCloseWhilePumping(HWND window) {
  if (pumpingDepth == 0 && !UnderModalLoop(window)) return false;
  if (std::find(pendingCloses.begin(), pendingCloses.end(), window) == pendingCloses.end())
    pendingCloses.push_back(window);
  return true;
}

void CancelModalWaits() {
  if (OpenScopes() == 0) return;
  cancellingWaits = true;
  if (!cancelRetryTimer) cancelRetryTimer = SetTimer(nullptr, 0, CANCEL_RETRY_MS, RetryCancel);
  CancelInnermostWait();
}

bool IsClosePending(HWND window) {
  for (HWND w = window; w; w = GetParent(w))
    if (std::find(pendingCloses.begin(), pendingCloses.end(), w) != pendingCloses.end()) return true;
  return false;
}

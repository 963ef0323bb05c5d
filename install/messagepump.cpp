// The installer's message dispatch: keyboard handling for its modeless dialogs.
#include "install/messagepump.h"

#include <cstring>

namespace {
bool IsDialogWindow(HWND window) {
  char className[16] = "";
  GetClassNameA(window, className, sizeof className);
  return std::strcmp(className, "#32770") == 0;
}
}  // namespace

void DispatchInstallerMessage(MSG& message) {
  HWND root = message.hwnd ? GetAncestor(message.hwnd, GA_ROOT) : nullptr;
  if (root && IsDialogWindow(root) && IsDialogMessageA(root, &message)) return;
  TranslateMessage(&message);
  DispatchMessageA(&message);
}

bool PumpPendingMessages() {
  MSG message;
  while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(message.wParam));
      return false;
    }
    DispatchInstallerMessage(message);
  }
  return true;
}

// The replaceable call that opens or prints a file through the shell.
#include "data/core/fileaction.h"

#include <shellapi.h>

namespace {

bool ShellFileAction(HWND owner, TFileAction action, const char* path) {
  const bool print = action == TFileAction::Print;
  HINSTANCE result = ShellExecuteA(owner, print ? "print" : "open", path, nullptr, nullptr,
                                   print ? SW_HIDE : SW_SHOW);
  return reinterpret_cast<INT_PTR>(result) > 32;
}

TFileActionCall currentCall = ShellFileAction;

}  // namespace

bool OpenOrPrintFile(HWND owner, TFileAction action, const char* path) {
  return currentCall(owner, action, path);
}

TFileActionCall ReplaceFileActionCall(TFileActionCall call) {
  TFileActionCall previous = currentCall;
  currentCall = call ? call : ShellFileAction;
  return previous;
}

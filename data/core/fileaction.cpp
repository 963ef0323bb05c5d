// The replaceable calls that open or print a file through the shell.
#include "data/core/fileaction.h"

#include <shellapi.h>

namespace {

INT_PTR ShellFileAction(HWND owner, const char* verb, const char* path, int show) {
  return reinterpret_cast<INT_PTR>(ShellExecuteA(owner, verb, path, nullptr, nullptr, show));
}

INT_PTR SystemOpenFile(HWND owner, const char* path) { return ShellFileAction(owner, "open", path, SW_SHOW); }
INT_PTR SystemPrintFile(HWND owner, const char* path) { return ShellFileAction(owner, "print", path, SW_HIDE); }

}  // namespace

TFileCall OpenFileCall = SystemOpenFile;
TFileCall PrintFileCall = SystemPrintFile;

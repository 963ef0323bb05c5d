// The installer's start: the backdrop and first page, or with /U the uninstaller.
#include "data/core/strings.h"
#include "install/backdrop.h"
#include "install/download.h"
#include "install/messagepump.h"
#include "install/pages.h"
#include "install/setupscript.h"
#include "install/uninstall.h"

#include <commctrl.h>
#include <objbase.h>

#include <cstdlib>
#include <cstring>

namespace {

bool RegisterBackdropClass(HINSTANCE instance) {
  WNDCLASSA frame{};
  frame.style = CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS;
  frame.lpfnWndProc = BackdropWndProc;
  frame.hInstance = instance;
  frame.hIcon = LoadIconA(instance, "AppIcon");
  frame.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  frame.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_APPWORKSPACE + 1);
  frame.lpszClassName = BackdropClassName;
  return RegisterClassA(&frame) != 0;
}

void RunMessageLoop() {
  MSG message;
  while (GetMessageA(&message, nullptr, 0, 0) > 0) DispatchInstallerMessage(message);
}

// Tests shorten the wait for a silent download server through the environment.
void ApplyDownloadStallLimitOfTheEnvironment() {
  char milliseconds[16] = "";
  DWORD length = GetEnvironmentVariableA("VORN_DOWNLOAD_STALL_MS", milliseconds, sizeof milliseconds);
  if (length > 0 && length < sizeof milliseconds) SetDownloadStallLimit(static_cast<DWORD>(std::strtoul(milliseconds, nullptr, 10)));
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int) {
  INITCOMMONCONTROLSEX controls{sizeof controls, 0x1FF};
  InitCommonControlsEx(&controls);
  char folder[8193] = "";
  GetCurrentDirectoryA(sizeof folder, folder);
  Installer.setupFolder = folder;
  Installer.directory = "c:\\";
  ApplyDownloadStallLimitOfTheEnvironment();

  if (!RegisterBackdropClass(instance)) {
    MessageBoxA(nullptr, "Could not register 'Main' window class", "VORTANE", MB_OK | MB_ICONHAND);
    return 1;
  }
  if (CoInitialize(nullptr) != S_OK) return 0;
  PaleYellowBrush = CreateSolidBrush(RGB(0xFF, 0xFF, 0x80));

  if (_strnicmp(commandLine, "/U", 2) == 0) {
    if (CreateDialogParamA(instance, "UNINSTALL", nullptr, UninstallDlgProc, reinterpret_cast<LPARAM>(commandLine)))
      RunMessageLoop();
  } else {
    ReadSetupScript(Installer);
    HWND backdrop = CreateWindowExA(0, BackdropClassName, "", WS_POPUP | WS_MAXIMIZE | WS_VISIBLE, 0, 0,
                                    GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN), nullptr, nullptr,
                                    instance, nullptr);
    HWND page = OpenFirstPage(backdrop);
    if (page) EnableWindow(page, TRUE);
    InvalidateRect(backdrop, nullptr, TRUE);
    UpdateWindow(backdrop);
    RunMessageLoop();
    if (IsWindow(backdrop)) DestroyWindow(backdrop);
  }
  DeleteObject(PaleYellowBrush);
  CoUninitialize();
  FreeTempStrings();
  return 0;
}

// Helpers for tests that open real forms or the main window: classes, pumping, geometry.
#include "support/form_support.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include "forms/controls.h"
#include "forms/appwindow.h"
#include "shell/mainwnd.h"

void StartFormSession() {
  static bool started = false;
  if (started) return;
  started = true;
  INITCOMMONCONTROLSEX controls{sizeof controls, 0x5FF};
  InitCommonControlsEx(&controls);
  RegisterFormControlClasses();
  RegisterFormDialogClasses(LoadIconA(nullptr, IDI_APPLICATION), LoadIconA(nullptr, IDI_APPLICATION));
  WNDCLASSA wc = {};
  wc.lpfnWndProc = DefWindowProcA;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_APPWORKSPACE + 1);
  wc.lpszClassName = "VornTestMain";
  RegisterClassA(&wc);
  MainWindow = CreateWindowA("VornTestMain", "vorn test", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 200,
                             120, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
  StatusBarWindow = CreateWindowA(STATUSCLASSNAMEA, "", WS_CHILD | WS_VISIBLE, 0, 0, 0, 0, MainWindow,
                                  nullptr, GetModuleHandleA(nullptr), nullptr);
  int parts[2] = {80, -1};
  SendMessageA(StatusBarWindow, SB_SETPARTS, 2, reinterpret_cast<LPARAM>(parts));
}

HWND MakeMessageWindow(const char* className, WNDPROC procedure) {
  WNDCLASSA wc = {};
  wc.lpfnWndProc = procedure;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.lpszClassName = className;
  RegisterClassA(&wc);  // fails harmlessly when an earlier case registered it
  return CreateWindowA(className, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
}

void DispatchWaitingMessages() {
  MSG message;
  while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
}

void RegisterMainWindowClassesOnce() {
  static bool done = false;
  if (done) return;
  done = true;
  INITCOMMONCONTROLSEX controls{sizeof controls, 0x5FF};
  InitCommonControlsEx(&controls);
  const char* caption = nullptr;
  ASSERT_EQ(RegisterWindowClasses(GetModuleHandleA(nullptr), &caption), nullptr);
  ASSERT_TRUE(RegisterAppMessages());
}

void PumpMessages(DWORD milliseconds) {
  const DWORD end = GetTickCount() + milliseconds;
  do {
    DispatchWaitingMessages();
    Sleep(5);
  } while (GetTickCount() < end);
}

std::string ControlClass(HWND control) {
  char name[64] = "";
  GetClassNameA(control, name, sizeof name);
  return name;
}

std::string ControlText(HWND control) {
  char text[512] = "";
  GetWindowTextA(control, text, sizeof text);
  return text;
}

int ListViewRowCount(HWND list) { return static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0)); }

std::string ListViewCellText(HWND list, int row, int column) {
  char text[256] = "";
  LVITEMA item = {};
  item.iSubItem = column;
  item.pszText = text;
  item.cchTextMax = sizeof text;
  SendMessageA(list, LVM_GETITEMTEXTA, row, reinterpret_cast<LPARAM>(&item));
  return text;
}

std::string ListViewColumnTitle(HWND list, int column) {
  char title[256] = "";
  LVCOLUMNA item = {};
  item.mask = LVCF_TEXT;
  item.pszText = title;
  item.cchTextMax = sizeof title;
  SendMessageA(list, LVM_GETCOLUMNA, column, reinterpret_cast<LPARAM>(&item));
  return title;
}

void SelectListViewRow(HWND list, int row) {
  LVITEMA item = {};
  item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
  item.state = LVIS_SELECTED | LVIS_FOCUSED;
  SendMessageA(list, LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&item));
}

RECT ControlPlace(HWND dialog, HWND control) {
  RECT r;
  GetWindowRect(control, &r);
  MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
  return RECT{r.left, r.top, r.right - r.left, r.bottom - r.top};
}

RECT UnitsPlace(HWND dialog, int x, int y, int cx, int cy) {
  RECT r{x, y, cx, cy};
  MapDialogRect(dialog, &r);
  return r;
}

std::vector<int> ChildIds(HWND dialog) {
  std::vector<int> ids;
  for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
    ids.push_back(GetDlgCtrlID(child));
  return ids;
}

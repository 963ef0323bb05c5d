// The program's own control classes and the window classes of the generated forms.
#include "forms/controls.h"

namespace {

WNDPROC editClassProc = nullptr;
WNDPROC buttonClassProc = nullptr;

bool IsDigitKey(WPARAM key) { return key >= '0' && key <= '9'; }

// Control characters, '-' and the digits go through; with decimals allowed also '.'.
LRESULT FilterNumberKey(HWND window, UINT message, WPARAM wParam, LPARAM lParam, bool decimals) {
  if (message == WM_CHAR) {
    const bool allowed = wParam < 32 || wParam == '-' || IsDigitKey(wParam) ||
                         (decimals && wParam == '.');
    if (!allowed) {
      MessageBeep(0);
      return 0;
    }
  }
  return CallWindowProcA(editClassProc, window, message, wParam, lParam);
}

bool RegisterSubclass(const char* systemClass, const char* name, WNDPROC proc, WNDPROC* saved) {
  WNDCLASSA wc;
  if (!GetClassInfoA(nullptr, systemClass, &wc)) return false;
  *saved = wc.lpfnWndProc;
  wc.lpfnWndProc = proc;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.lpszClassName = name;
  wc.style &= ~CS_GLOBALCLASS;
  return RegisterClassA(&wc) != 0;
}

bool RegisterDialogClass(const char* name, HICON icon) {
  WNDCLASSA wc = {};
  wc.lpfnWndProc = DefDlgProcA;
  wc.cbWndExtra = DLGWINDOWEXTRA;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.hIcon = icon;
  wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = name;
  return RegisterClassA(&wc) != 0;
}

}  // namespace

LRESULT CALLBACK IntegerEditProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return FilterNumberKey(window, message, wParam, lParam, false);
}

LRESULT CALLBACK RealEditProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return FilterNumberKey(window, message, wParam, lParam, true);
}

LRESULT CALLBACK ZKWButtonProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_SETFOCUS) {
    const WORD id = static_cast<WORD>(GetDlgCtrlID(window));
    PostMessageA(GetParent(window), WM_COMMAND, MAKEWPARAM(id, ZKWBN_FOCUS),
                 reinterpret_cast<LPARAM>(window));
  }
  return CallWindowProcA(buttonClassProc, window, message, wParam, lParam);
}

const char* RegisterFormControlClasses() {
  if (!RegisterSubclass("EDIT", "IntegerEdit", IntegerEditProc, &editClassProc))
    return "Could not register IntegerEdit subclass";
  if (!RegisterSubclass("EDIT", "RealEdit", RealEditProc, &editClassProc))
    return "Could not register RealEdit subclass";
  if (!RegisterSubclass("BUTTON", "ZKWButton", ZKWButtonProc, &buttonClassProc))
    return "Could not register ZKWButton subclass";
  return nullptr;
}

const char* RegisterFormDialogClasses(HICON editIcon, HICON viewIcon) {
  if (!RegisterDialogClass("EditDlg", editIcon)) return "Could not register EditDlg window class";
  if (!RegisterDialogClass("ViewDlg", viewIcon)) return "Could not register ViewDlg window class";
  return nullptr;
}

void SetFontOnChildren(HWND window, HFONT font) {
  for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
    SendMessageA(child, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
}

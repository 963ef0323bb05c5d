// The main window procedure, the splash window, the status bar and the window classes.
#include "shell/mainwnd.h"

#include <commctrl.h>

#include <cstring>
#include <string>

#include "data/core/paths.h"
#include "data/db/sqltrace.h"
#include "data/model/model.h"
#include "data/model/settings.h"
#include "forms/colortable.h"
#include "forms/controls.h"
#include "forms/messagepump.h"
#include "forms/windowmanager.h"
#include "shell/aboutdlg.h"
#include "shell/appwindow.h"
#include "shell/commands.h"
#include "shell/errorsdlg.h"
#include "shell/menus.h"

HINSTANCE AppInstance = nullptr;
HWND SplashWindow = nullptr;
HBITMAP AppBitmap = nullptr;
HCURSOR HelpCursor = nullptr;
HFONT HelvFont = nullptr;
PRINTDLGA PrintSetupRecord = {};
bool HelpMode = false;
SYSTEMTIME LastActivityTime = {};
UINT CommdlgHelpMessage = 0;
UINT RaptelRunMessage = 0;
UINT RaptelIsBusyMessage = 0;
UINT RaptelAckMessage = 0;
void (*PreferencesCommand)(HWND mainWindow) = nullptr;
void (*LogoutCommand)(HWND mainWindow, int timedOut) = nullptr;

namespace {

int clientWidth = 0;
int clientHeight = 0;
HMENU currentPopupMenu = nullptr;

void ShowHelpAt(HWND window, int context) {
  ShowHelp(window, HELP_CONTEXT, static_cast<ULONG_PTR>(context));
}

void EndHelpMode() {
  HelpMode = false;
  SetCursor(LoadCursorA(nullptr, IDC_ARROW));
}

void RunCommandOrReport(HWND window, const std::string& command) {
  if (!RunCommand(window, command.c_str())) ReportFailedCommand(window, command.c_str());
}

// The popup menu of a popup-bar button: its items in table order, tracked at the button.
void RunPopupButton(HWND window, int index) {
  const TPopupButton& button = PopupButtons[index];
  HMENU menu = CreatePopupMenu();
  for (size_t i = 0; i < PopupItems.size(); ++i) {
    const TPopupItem& item = PopupItems[i];
    if (_stricmp(PopupButtons[item.Button].Caption.c_str(), button.Caption.c_str()) != 0) continue;
    if (!item.Caption.empty() && item.Caption[0] == '-')
      AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
    else if (item.Command.empty())
      AppendMenuA(menu, MF_OWNERDRAW, 0, item.Caption.c_str());
    else
      AppendMenuA(menu, MF_STRING, i + 1, item.Caption.c_str());
  }
  RECT place;
  GetWindowRect(button.Window, &place);
  currentPopupMenu = menu;
  const int chosen = TrackPopupMenu(menu, TPM_RETURNCMD | TPM_NONOTIFY | TPM_RIGHTBUTTON,
                                    place.left, place.top, 0, window, nullptr);
  currentPopupMenu = nullptr;
  DestroyMenu(menu);
  if (chosen > 0 && chosen <= static_cast<int>(PopupItems.size()))
    RunCommandOrReport(window, PopupItems[chosen - 1].Command);
}

LRESULT OnCommand(HWND window, WPARAM wParam, LPARAM lParam) {
  NoteActivity();
  const int id = LOWORD(wParam);
  if (HelpMode) {
    EndHelpMode();
    ShowHelpAt(window, HelpModeCommandContext(id));
    return 0;
  }
  const int toolbar = id - FIRST_TOOLBAR_ID;
  if (toolbar >= 0 && toolbar < static_cast<int>(ToolbarButtons.size())) {
    RunCommandOrReport(window, ToolbarButtons[toolbar].Command);
    return 0;
  }
  const int popup = id - FIRST_POPUP_BUTTON_ID;
  if (popup >= 0 && popup < static_cast<int>(PopupButtons.size())) {
    RunPopupButton(window, popup);
    return 0;
  }
  if (RunBuiltInCommand(window, id, HIWORD(wParam))) return 0;
  if (const TMenuItem* item = FindMenuItem(id)) {
    RunCommandOrReport(window, item->Command);
    return 0;
  }
  return DefWindowProcA(window, WM_COMMAND, wParam, lParam);
}

void OnMenuSelect(HWND window, WPARAM wParam, LPARAM lParam) {
  NoteActivity();
  TMenuHelp help;
  if (!DescribeMenuSelection(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HMENU>(lParam),
                             GetMenu(window), currentPopupMenu, HelpMode, &help))
    return;
  CurrentHelpContext = help.context;
  SetStatusText("%s", help.text.c_str());
}

int NonClientHelpContext(WPARAM hit) {
  switch (hit) {
    case HTCAPTION: return 10;
    case HTGROWBOX: return 11;
    case HTREDUCE: return 12;
    case HTZOOM: return 13;
    case HTSYSMENU: return 14;
    case HTLEFT: case HTRIGHT: case HTTOP: case HTTOPLEFT: case HTTOPRIGHT:
    case HTBOTTOM: case HTBOTTOMLEFT: case HTBOTTOMRIGHT:
      return 15;
  }
  return 0;
}

void OnKeyDown(HWND window, WPARAM key) {
  NoteActivity();
  if (key == VK_F1 && (GetKeyState(VK_SHIFT) & 0x8000)) {
    HelpMode = true;
    SetStatusText("%s", HELP_MODE_TEXT);
    SetCursor(HelpCursor);
  } else if (key == VK_F1) {
    ShowHelp(window, HELP_CONTENTS, 0);
  } else if (key == VK_ESCAPE && HelpMode) {
    EndHelpMode();
    SetStatusText("");
  }
}

void PaintBitmap(HWND window) {
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(window, &paint);
  if (!IsIconic(window) && AppBitmap && !SplashWindow) {
    BITMAP info;
    GetObjectA(AppBitmap, sizeof info, &info);
    HDC memory = CreateCompatibleDC(dc);
    HGDIOBJ old = SelectObject(memory, AppBitmap);
    BitBlt(dc, (clientWidth - info.bmWidth) / 2, (clientHeight - info.bmHeight) / 2, info.bmWidth,
           info.bmHeight, memory, 0, 0, SRCCOPY);
    SelectObject(memory, old);
    DeleteDC(memory);
  }
  EndPaint(window, &paint);
}

void EraseBackground(HWND window, HDC dc) {
  char colour[] = "A6CAF0";
  HBRUSH brush = CreateSolidBrush(ParseColor(colour));
  RECT client;
  GetClientRect(window, &client);
  FillRect(dc, &client, brush);
  DeleteObject(brush);
}

void DrawButtonBitmap(HDC dc, HBITMAP bitmap, int x, int y) {
  BITMAP info;
  GetObjectA(bitmap, sizeof info, &info);
  HDC memory = CreateCompatibleDC(dc);
  HGDIOBJ old = SelectObject(memory, bitmap);
  BitBlt(dc, x, y, info.bmWidth, info.bmHeight, memory, 0, 0, SRCCOPY);
  SelectObject(memory, old);
  DeleteDC(memory);
}

void FillStrip(HDC dc, int x, int y, int width, int height, int stockBrush) {
  RECT strip{x, y, x + width, y + height};
  FillRect(dc, &strip, static_cast<HBRUSH>(GetStockObject(stockBrush)));
}

// An owner-drawn tool-bar or popup-bar button: a framed face with its bitmap, raised, or
// sunk while pressed.
void DrawBarButton(const DRAWITEMSTRUCT* item) {
  HDC dc = item->hDC;
  const RECT& r = item->rcItem;
  HPEN pen = CreatePen(PS_SOLID, 1, GetSysColor(COLOR_APPWORKSPACE));
  HGDIOBJ oldPen = SelectObject(dc, pen);
  HGDIOBJ oldBrush = SelectObject(dc, GetStockObject(LTGRAY_BRUSH));
  Rectangle(dc, r.left, r.top, r.right, r.bottom);

  const char* bitmapName = nullptr;
  const int id = static_cast<int>(item->CtlID);
  if (id >= FIRST_TOOLBAR_ID && id - FIRST_TOOLBAR_ID < static_cast<int>(ToolbarButtons.size()))
    bitmapName = ToolbarButtons[id - FIRST_TOOLBAR_ID].Bitmap.c_str();
  else if (id >= FIRST_POPUP_BUTTON_ID &&
           id - FIRST_POPUP_BUTTON_ID < static_cast<int>(PopupButtons.size()))
    bitmapName = PopupButtons[id - FIRST_POPUP_BUTTON_ID].Bitmap.c_str();
  HBITMAP bitmap = bitmapName ? LoadAppBitmap(bitmapName) : nullptr;
  if (bitmap) {
    const int w = r.right - r.left, h = r.bottom - r.top;
    if (item->itemState & ODS_SELECTED) {
      FillStrip(dc, r.left, r.top, w, 3, GRAY_BRUSH);
      FillStrip(dc, r.left, r.top, 3, h, GRAY_BRUSH);
      DrawButtonBitmap(dc, bitmap, r.left + 4, r.top + 4);
    } else {
      FillStrip(dc, r.left, r.top, w, 3, WHITE_BRUSH);
      FillStrip(dc, r.left, r.top, 3, h, WHITE_BRUSH);
      FillStrip(dc, r.left, r.bottom - 3, w, 3, GRAY_BRUSH);
      FillStrip(dc, r.right - 3, r.top, 3, h, GRAY_BRUSH);
      DrawButtonBitmap(dc, bitmap, r.left + 3, r.top + 3);
    }
    SelectObject(dc, GetStockObject(NULL_BRUSH));
    Rectangle(dc, r.left, r.top, r.right, r.bottom);
    DeleteObject(bitmap);
  }
  SelectObject(dc, oldBrush);
  SelectObject(dc, oldPen);
  DeleteObject(pen);
}

HFONT MenuHeaderFont() {
  return CreateFontA(12, 0, 0, 0, FW_HEAVY, FALSE, FALSE, FALSE, ANSI_CHARSET, OUT_DEFAULT_PRECIS,
                     CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_SWISS, "Helv");
}

void MeasureMenuHeader(HWND window, MEASUREITEMSTRUCT* item) {
  const char* caption = reinterpret_cast<const char*>(item->itemData);
  HDC dc = GetDC(window);
  HFONT font = MenuHeaderFont();
  HGDIOBJ old = SelectObject(dc, font);
  SIZE extent{};
  GetTextExtentPoint32A(dc, caption, static_cast<int>(std::strlen(caption)), &extent);
  SelectObject(dc, old);
  DeleteObject(font);
  ReleaseDC(window, dc);
  item->itemWidth = static_cast<UINT>(extent.cx);
  item->itemHeight = static_cast<UINT>(extent.cy);
}

void DrawMenuHeader(const DRAWITEMSTRUCT* item) {
  const char* caption = reinterpret_cast<const char*>(item->itemData);
  HDC dc = item->hDC;
  HFONT font = MenuHeaderFont();
  HGDIOBJ old = SelectObject(dc, font);
  SetTextColor(dc, GetSysColor(COLOR_MENUTEXT));
  SetBkColor(dc, GetSysColor(COLOR_MENU));
  const RECT& r = item->rcItem;
  ExtTextOutA(dc, r.left + GetSystemMetrics(SM_CXMENUCHECK), r.top, ETO_OPAQUE, &r, caption,
              static_cast<UINT>(std::strlen(caption)), nullptr);
  MoveToEx(dc, r.left, r.bottom - 1, nullptr);
  LineTo(dc, r.right, r.bottom - 1);
  SelectObject(dc, old);
  DeleteObject(font);
}

LONGLONG Minutes(const SYSTEMTIME& time) {
  SYSTEMTIME minute = time;
  minute.wSecond = 0;
  minute.wMilliseconds = 0;
  FILETIME file;
  if (!SystemTimeToFileTime(&minute, &file)) return 0;
  ULARGE_INTEGER value;
  value.LowPart = file.dwLowDateTime;
  value.HighPart = file.dwHighDateTime;
  return static_cast<LONGLONG>(value.QuadPart / (10000000ULL * 60));
}

}  // namespace

TLocalTimeCall LocalTimeCall = GetLocalTime;

void NoteActivity() { LocalTimeCall(&LastActivityTime); }

void StartIdleTimer(HWND mainWindow) {
  NoteActivity();
  SetTimer(mainWindow, IDLE_TIMER_ID, IDLE_TIMER_PERIOD, nullptr);
}

bool IdleTimedOut(const SYSTEMTIME& now, const SYSTEMTIME& last, int minutes) {
  return Minutes(now) - Minutes(last) > minutes;
}

int HelpModeCommandContext(int id) {
  if (id >= FIRST_EDIT_ID && id < FIRST_RAPTEL_ID) {
    const TMenuItem* item = FindMenuItem(id);
    if (!item) return 0;
    const size_t blank = item->Command.find(' ');
    if (blank == std::string::npos) return 0;
    const TEntity* entity = TheModel.FindEntity(item->Command.c_str() + blank + 1);
    return entity ? id / 200 * 200 + TheModel.EntityIndex(entity) : 0;
  }
  return id;
}

bool RegisterAppMessages() {
  CommdlgHelpMessage = RegisterWindowMessageA("commdlg_help");
  RaptelRunMessage = RegisterWindowMessageA("RAPTEL_RUN");
  RaptelIsBusyMessage = RegisterWindowMessageA("RAPTEL_ISBUSY");
  RaptelAckMessage = RegisterWindowMessageA("RAPTEL_ACK");
  return CommdlgHelpMessage && RaptelRunMessage && RaptelIsBusyMessage && RaptelAckMessage;
}

const char* RegisterWindowClasses(HINSTANCE instance, const char** caption) {
  *caption = "VORN";
  HICON appIcon = LoadIconA(instance, "AppIcon");
  WNDCLASSA main = {};
  main.lpfnWndProc = MainWndProc;
  main.hInstance = instance;
  main.hIcon = appIcon;
  main.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  main.lpszMenuName = "MainMenu";
  main.lpszClassName = "VORN";
  if (!RegisterClassA(&main)) return "Could not register window class";

  WNDCLASSA loading = main;
  loading.lpfnWndProc = LoadingWindowProc;
  loading.lpszMenuName = nullptr;
  loading.lpszClassName = "LoadingWindow";
  if (!RegisterClassA(&loading)) {
    *caption = "HALVERN";
    return "Could not register LoadingWindow window class";
  }
  if (const char* failed = RegisterFormDialogClasses(LoadIconA(instance, "EditIcon"),
                                                     LoadIconA(instance, "ViewIcon")))
    return failed;
  return RegisterFormControlClasses();
}

HWND CreateSplashWindow(HINSTANCE instance) {
  SplashWindow = CreateWindowExA(WS_EX_TOPMOST | WS_EX_DLGMODALFRAME, "LOADINGWINDOW", "", WS_POPUP,
                                 0, 0, 10, 10, nullptr, nullptr, instance, nullptr);
  if (SplashWindow) {
    ShowWindow(SplashWindow, SW_SHOW);
    UpdateWindow(SplashWindow);
  }
  return SplashWindow;
}

HWND CreateMainWindow(HINSTANCE instance) {
  return CreateWindowA("VORN", "Starting VORN, please wait...", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                       CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, instance,
                       nullptr);
}

HWND CreateStatusBar(HWND parent, int id) {
  HWND bar = CreateWindowA(STATUSCLASSNAMEA, "", WS_CHILD | SBARS_SIZEGRIP, 0, 0, 0, 0, parent,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                           GetModuleHandleA(nullptr), nullptr);
  int parts[2] = {200, -1};
  if (bar) SendMessageA(bar, SB_SETPARTS, 2, reinterpret_cast<LPARAM>(parts));
  return bar;
}

void SetMenuBarFromTables(HWND mainWindow) {
  SetMenu(mainWindow, BuildMenuBar());
  DrawMenuBar(mainWindow);
}

void ReportFailedCommand(HWND window, const char* command) {
  ShowMessageBox(window, command, "Cannot run command", MB_OK | MB_ICONEXCLAMATION);
}

void EndProgram(HWND mainWindow, TOpenDialogs openDialogs) {
  if (!DeferCloseWhilePumping(mainWindow))
    DestroyWindow(mainWindow);
  else if (openDialogs == TOpenDialogs::Cancel)
    CancelModalWaits();
}

bool RunBuiltInCommand(HWND mainWindow, int id, int notification) {
  switch (id) {
    case CMD_EXIT:
      EndProgram(mainWindow, TOpenDialogs::Finish);
      return true;
    case CMD_ABOUT:
      ShowAboutBox(mainWindow);
      return true;
    case CMD_ERRORS:
      OpenErrorsWindow(mainWindow);
      return true;
    case CMD_TEST:
      return true;
    case CMD_SQLSPY: {
      HMENU menu = GetMenu(mainWindow);
      const bool on = !(GetMenuState(menu, CMD_SQLSPY, MF_BYCOMMAND) & MF_CHECKED);
      CheckMenuItem(menu, CMD_SQLSPY, MF_BYCOMMAND | (on ? MF_CHECKED : MF_UNCHECKED));
      SqlSpyFlag = on;
      return true;
    }
    case CMD_PREFERENCES:
      if (PreferencesCommand)
        PreferencesCommand(mainWindow);
      else
        ShowMessageBox(mainWindow, "Preferences are not available in this program.",
                       "Cannot run command", MB_OK | MB_ICONEXCLAMATION);
      return true;
    case CMD_PRINTSETUP:
      PrintSetupRecord.lStructSize = sizeof PrintSetupRecord;
      PrintSetupRecord.hwndOwner = mainWindow;
      PrintSetupRecord.Flags = PD_PRINTSETUP | PD_SHOWHELP;
      CurrentHelpContext = CMD_PRINTSETUP;
      {
        TModalLoopScope modal(mainWindow);
        PrintSetupCall(&PrintSetupRecord);
      }
      return true;
    case CMD_CONTENTS:
      ShowHelp(mainWindow, HELP_CONTENTS, 0);
      return true;
    case CMD_LOGOUT:
      if (OdbcLogin && LogoutCommand) LogoutCommand(mainWindow, notification == 1);
      return true;
  }
  return false;
}

LRESULT CALLBACK MainWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message != 0 && message == CommdlgHelpMessage) {
    ShowHelpAt(window, CurrentHelpContext);
    return 0;
  }
  switch (message) {
    case WM_CREATE:
      return 0;
    case WM_COMMAND:
      return OnCommand(window, wParam, lParam);
    case WM_MENUSELECT:
      OnMenuSelect(window, wParam, lParam);
      return 0;
    case WM_KEYDOWN:
      OnKeyDown(window, wParam);
      if (wParam == VK_F1) break;
      return 0;
    case WM_SETCURSOR:
      if (HelpMode) {
        SetCursor(HelpCursor);
        return TRUE;
      }
      break;
    case WM_INITMENU:
      if (HelpMode) SetCursor(HelpCursor);
      break;
    case WM_NCLBUTTONDOWN:
      if (HelpMode) {
        if (const int context = NonClientHelpContext(wParam)) {
          EndHelpMode();
          ShowHelpAt(window, context);
          return 0;
        }
      }
      break;
    case WM_LBUTTONDOWN:
      NoteActivity();
      if (HelpMode) {
        EndHelpMode();
        ShowHelpAt(window, 1);
      }
      return 0;
    case WM_HELP_KEY:
      if (CurrentHelpContext) {
        ShowHelpAt(window, CurrentHelpContext);
        DrawMenuBar(window);
      }
      return 0;
    case WM_TIMER:
      if (wParam == IDLE_TIMER_ID) {
        SYSTEMTIME now;
        LocalTimeCall(&now);
        if (IdleTimedOut(now, LastActivityTime, LoginTimeOut)) {
          NoteActivity();
          PostMessageA(window, WM_COMMAND, MAKEWPARAM(CMD_LOGOUT, 1), 0);
        }
      }
      return 0;
    case WM_ERASEBKGND:
      EraseBackground(window, reinterpret_cast<HDC>(wParam));
      return 1;
    case WM_PAINT:
      PaintBitmap(window);
      return 0;
    case WM_SIZE:
      clientWidth = LOWORD(lParam);
      clientHeight = HIWORD(lParam);
      if (wParam != SIZE_MINIMIZED && AppBitmap) InvalidateRect(window, nullptr, TRUE);
      if (StatusBarWindow) PostMessageA(StatusBarWindow, WM_SIZE, wParam, lParam);
      return 0;
    case WM_ACTIVATE:
      if (LOWORD(wParam) == WA_ACTIVE || LOWORD(wParam) == WA_CLICKACTIVE) {
        CurrentHelpContext = 0;
        SetStatusText("%s", HelpMode ? HELP_MODE_TEXT : "");
      }
      return 0;
    case WM_DRAWITEM: {
      const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
      if (item->CtlType == ODT_MENU)
        DrawMenuHeader(item);
      else
        DrawBarButton(item);
      return TRUE;
    }
    case WM_MEASUREITEM: {
      auto* item = reinterpret_cast<MEASUREITEMSTRUCT*>(lParam);
      if (item->CtlType == ODT_MENU) {
        MeasureMenuHeader(window, item);
        return TRUE;
      }
      break;
    }
    case WM_CLOSE:
      if (DeferCloseWhilePumping(window)) return 0;
      break;
    case WM_DESTROY:
      ShowHelp(window, HELP_QUIT, 0);
      KillTimer(window, IDLE_TIMER_ID);
      PostQuitMessage(0);
      return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

LRESULT CALLBACK LoadingWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CREATE:
      SetTimer(window, SPLASH_TIMER_ID, SPLASH_PERIOD, nullptr);
      return 0;
    case WM_SIZE: {
      if (!AppBitmap) break;
      BITMAP info;
      GetObjectA(AppBitmap, sizeof info, &info);
      RECT frame{0, 0, info.bmWidth, info.bmHeight};
      AdjustWindowRectEx(&frame, static_cast<DWORD>(GetWindowLongA(window, GWL_STYLE)), FALSE,
                         static_cast<DWORD>(GetWindowLongA(window, GWL_EXSTYLE)));
      const int width = frame.right - frame.left, height = frame.bottom - frame.top;
      RECT desk;
      GetClientRect(GetDesktopWindow(), &desk);
      RECT now;
      GetWindowRect(window, &now);
      const int x = (desk.right - width) / 2, y = (desk.bottom - height) / 2;
      if (now.left != x || now.top != y || now.right - now.left != width ||
          now.bottom - now.top != height)
        SetWindowPos(window, nullptr, x, y, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
      return 0;
    }
    case WM_PAINT: {
      PAINTSTRUCT paint;
      HDC dc = BeginPaint(window, &paint);
      if (AppBitmap) DrawButtonBitmap(dc, AppBitmap, 0, 0);
      EndPaint(window, &paint);
      return 0;
    }
    case WM_TIMER:
      if (wParam == SPLASH_TIMER_ID) {
        KillTimer(window, SPLASH_TIMER_ID);
        SendMessageA(window, WM_CLOSE, 0, 0);
      }
      return 0;
    case WM_CLOSE:
      DestroyWindow(window);
      return 0;
    case WM_DESTROY:
      SplashWindow = nullptr;
      if (MainWindow) InvalidateRect(MainWindow, nullptr, TRUE);
      return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

LRESULT CALLBACK HelpKeyHook(int code, WPARAM wParam, LPARAM lParam) {
  const MSG* msg = reinterpret_cast<const MSG*>(lParam);
  if ((code == MSGF_DIALOGBOX || code == MSGF_MENU) && msg && msg->message == WM_KEYDOWN &&
      msg->wParam == VK_F1 && MainWindow)
    PostMessageA(MainWindow, WM_HELP_KEY, static_cast<WPARAM>(code), 0);
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

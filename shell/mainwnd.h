// The main window of class "VORN": its window classes, the splash window, the status bar,
// the built-in commands, status help of the menus, context help and painting.
#pragma once

#include <windows.h>

#include <commdlg.h>

// Ids of the main window's own children and timers.
constexpr int STATUS_BAR_ID = 5000;
constexpr UINT_PTR IDLE_TIMER_ID = 1035;
constexpr UINT IDLE_TIMER_PERIOD = 10000;
constexpr UINT_PTR SPLASH_TIMER_ID = 100;
constexpr UINT SPLASH_PERIOD = 2000;
// Posted by the F1 hook: open help at the current context.
constexpr UINT WM_HELP_KEY = WM_USER + 10;

extern HINSTANCE AppInstance;
extern HWND SplashWindow;
extern HBITMAP AppBitmap;
extern HCURSOR HelpCursor;
extern HFONT HelvFont;
extern PRINTDLGA PrintSetupRecord;
extern bool HelpMode;
// The time of the last key press, command, menu selection or click (local time).
extern SYSTEMTIME LastActivityTime;
void NoteActivity();
// The clock of the idle time (GetLocalTime); tests put their own in its place.
using TLocalTimeCall = void(WINAPI*)(SYSTEMTIME* now);
extern TLocalTimeCall LocalTimeCall;
// Login mode: the last activity is now and the idle timer (id 1035, every 10 s) runs.
void StartIdleTimer(HWND mainWindow);

// The registered messages "commdlg_help", "RAPTEL_RUN", "RAPTEL_ISBUSY" and "RAPTEL_ACK".
extern UINT CommdlgHelpMessage;
extern UINT RaptelRunMessage;
extern UINT RaptelIsBusyMessage;
extern UINT RaptelAckMessage;
// False when any of them could not be registered.
bool RegisterAppMessages();

// Registers "VORN", "LoadingWindow", "EditDlg", "ViewDlg", "IntegerEdit", "RealEdit" and
// "ZKWButton"; null, or the message naming the class that failed (its caption in *caption).
const char* RegisterWindowClasses(HINSTANCE instance, const char** caption);

LRESULT CALLBACK MainWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK LoadingWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK HelpKeyHook(int code, WPARAM wParam, LPARAM lParam);

HWND CreateSplashWindow(HINSTANCE instance);
HWND CreateMainWindow(HINSTANCE instance);
HWND CreateStatusBar(HWND parent, int id);
// Builds the menu bar from the menu tables and sets it on the main window.
void SetMenuBarFromTables(HWND mainWindow);
// Runs a built-in command (ids 100 to 108); false for any other id.
bool RunBuiltInCommand(HWND mainWindow, int id, int notification);
// What the end of the program does with the modal dialogs and questions open at the time.
enum class TOpenDialogs {
  Finish,  // Exit: they stay until the user has finished them
  Cancel,  // a refused login: nobody may use them, they are cancelled at once
};
// Ends the program (Exit, a login refused after a logout): at once, or during work that
// pumps messages (a question, a fetch, a script) or under modal dialogs when those have
// ended.
void EndProgram(HWND mainWindow, TOpenDialogs openDialogs);
// Shows a command that failed: its text in the box "Cannot run command".
void ReportFailedCommand(HWND window, const char* command);

// True when more than the given minutes lie between the last activity and now (both taken
// to the minute; across midnight and month ends alike).
bool IdleTimedOut(const SYSTEMTIME& now, const SYSTEMTIME& last, int minutes);
// The help context of a menu command clicked in help mode.
int HelpModeCommandContext(int id);

// Commands that other parts of the shell provide: the preferences dialog and logout.
// Null until they are built in; PREFERENCES then says it is not available and LOGOUT,
// which only works in login mode, does nothing.
extern void (*PreferencesCommand)(HWND mainWindow);
extern void (*LogoutCommand)(HWND mainWindow, int timedOut);

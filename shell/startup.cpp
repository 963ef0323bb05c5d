// Start-up of the main program in its fixed order, the message loop and shut-down.
#include "shell/startup.h"

#include <commctrl.h>
#include <objbase.h>

#include <cstdio>
#include <cstring>

#include "data/core/paths.h"
#include "data/core/userprofile.h"
#include "data/db/database.h"
#include "data/db/odbc.h"
#include "data/db/reclist.h"
#include "data/model/appfiles.h"
#include "data/model/dmdreader.h"
#include "data/model/model.h"
#include "data/model/settings.h"
#include "forms/colortable.h"
#include "forms/edittemplates.h"
#include "forms/windowmanager.h"
#include "forms/messagepump.h"
#include "shell/appwindow.h"
#include "shell/commands.h"
#include "shell/formcalls.h"
#include "shell/mainwnd.h"
#include "shell/menus.h"
#include "shell/dbconnect.h"
#include "shell/login.h"
#include "shell/importwizard.h"
#include "shell/reportlib.h"
#include "shell/sqlscript.h"

std::string ModelFolder;

namespace {

HHOOK helpHook = nullptr;
HCURSOR waitCursor = nullptr;

int StartupFailure(const char* message, const char* caption = "VORN") {
  ShowMessageBox(MainWindow, message, caption, MB_OK | MB_ICONHAND);
  return EXIT_STARTUP_FAILED;
}

void ReleaseStartupCursor() {
  ReleaseCapture();
  SetCursor(LoadCursorA(nullptr, IDC_ARROW));
}

std::string CurrentFolder() {
  char folder[MAX_PATH] = "";
  GetCurrentDirectoryA(sizeof folder, folder);
  return folder;
}

bool FileExists(const char* path) {
  return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES;
}

// After the upgrade script ran: deletes it, or sets it aside with its log when a statement
// failed. Returns what the user is to be told (nothing after a clean run).
std::string UpgradeOutcome(const TScriptRun& run) {
  const std::string script = UPGRADE_SCRIPT;
  if (!run.opened)
    return "The upgrade script " + script + " could not be read and was not run.";
  if (run.Succeeded()) {
    if (DeleteFileA(UPGRADE_SCRIPT)) return "";
    return "The upgrade script " + script + " ran, but it could not be deleted: remove it, or it runs " +
           "again at the next start.";
  }
  char counts[96];
  std::snprintf(counts, sizeof counts, "%d of its %d statements failed", run.failed, run.statements);
  if (!MoveFileExA(UPGRADE_SCRIPT, FAILED_UPGRADE_SCRIPT, MOVEFILE_REPLACE_EXISTING))
    return "The upgrade script " + script + " ran and " + counts + " (" + UPGRADE_LOG + " tells which). " +
           "It could not be renamed: remove it, or it runs again at the next start.";
  CopyFileA(UPGRADE_LOG, FAILED_UPGRADE_LOG, FALSE);
  return "The upgrade script " + script + " ran once and " + counts + ". It will not run again: it " +
         "is kept as " + FAILED_UPGRADE_SCRIPT + ", and " + FAILED_UPGRADE_LOG + " tells which " +
         "statements failed.";
}

void ShowConnected() {
  const TNetworkSettings& settings = ConnectedSettings();
  SetStatusTextPart(0, "Connected to: %s-%s", settings.server.c_str(), settings.database.c_str());
  SetWindowTextA(MainWindow, TheModel.Title);
  InvalidateRect(MainWindow, nullptr, TRUE);
  UpdateWindow(MainWindow);
  if (MainWindowShow) ShowWindow(MainWindow, MainWindowShow);
  SetStatusTextPart(1, "");
}

// The menus and preferences of the user (everyone's outside login mode), the report
// library, the idle timer of login mode and the help hook.
void LoadMenus() {
  HCURSOR before = SetCursor(waitCursor);
  SetStatusText("Loading Menus...");
  LoadUserMenusAndPreferences(MainWindow);
  SetStatusText("Menus loaded.");
  LoadReportLibrary(MainWindow, ApplicationIniPath.c_str());
  if (OdbcLogin) StartIdleTimer(MainWindow);
  helpHook = SetWindowsHookExA(WH_MSGFILTER, HelpKeyHook, nullptr, GetCurrentThreadId());
  SetCursor(before);
  NoteActivity();
}

// Login mode: the user's exit command, after the message loop.
void RunExitCommand() {
  if (!OdbcLogin || !*CurrentUser.on_exit_run) return;
  SetStatusText("Running your Login Exist Script...");
  const std::string command = CurrentUser.on_exit_run;
  if (!RunCommand(nullptr, command.c_str()))
    ShowMessageBox(nullptr, command.c_str(), "Cannot run command", MB_OK | MB_ICONWARNING);
}

void RunMessageLoop() {
  MSG message;
  while (GetMessageA(&message, nullptr, 0, 0) > 0) {
    if (message.message == WM_KEYDOWN || message.message == WM_SYSKEYDOWN ||
        message.message == WM_COMMAND)
      NoteActivity();
    if (AppWindowManager.TranslateDialogMessage(&message)) continue;
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
}

// Shut-down from the release of the database on: everything start-up made is given back.
void ReleaseEverything() {
  delete OdbcEnvironment;
  OdbcEnvironment = nullptr;
  TheModel.Clear();
  FreeMenuTables();
  if (MainWindow && IsWindow(MainWindow)) {
    HMENU bar = GetMenu(MainWindow);
    SetMenu(MainWindow, nullptr);
    if (bar) DestroyMenu(bar);
    DestroyWindow(MainWindow);
  }
  MainWindow = nullptr;
  StatusBarWindow = nullptr;
  DeleteReadOnlyFieldBrush();
  DeleteBackgroundBrush();
  ClearColorTable();
  FreeEditFormTemplates();
  if (HelpCursor) DestroyCursor(HelpCursor);
  if (HelvFont) DeleteObject(HelvFont);
  if (AppBitmap) DeleteObject(AppBitmap);
  HelpCursor = nullptr;
  HelvFont = nullptr;
  AppBitmap = nullptr;
  FreeGlobalCaches();
  CoUninitialize();
}

}  // namespace

void RegisterModelColors() {
  for (int e = 0; e < TheModel.EntityCount; ++e) {
    const TEntity& entity = TheModel.Entities[e];
    if (*entity.Colour) RegisterColor(entity.Colour);
    for (int a = 0; a < entity.AttributeCount; ++a) {
      const TAttribute& attribute = entity.Attributes[a];
      if (_strnicmp(attribute.Flags, "@C", 2) == 0)
        RegisterColor(attribute.Flags + 2);
      else if (*attribute.BackgroundColour)
        RegisterColor(attribute.BackgroundColour);
      else if (*attribute.SecondColour)
        RegisterColor(attribute.SecondColour);
    }
  }
}

void RunUpgradeScript() {
  if (!FileExists(UPGRADE_SCRIPT)) {
    if (FILE* empty = std::fopen(UPGRADE_LOG, "w")) std::fclose(empty);
    return;
  }
  const TScriptRun run = RunSqlScriptFile(nullptr, UPGRADE_SCRIPT, UPGRADE_LOG);
  const std::string message = UpgradeOutcome(run);
  if (!message.empty()) ShowMessageBox(MainWindow, message.c_str(), "VORN", MB_OK | MB_ICONEXCLAMATION);
}

int RunVorn(HINSTANCE instance, int showCommand) {
  AppInstance = instance;
  CoInitialize(nullptr);
  INITCOMMONCONTROLSEX controls{sizeof controls, 0x5FF};
  InitCommonControlsEx(&controls);

  const char* caption = "VORN";
  if (const char* failed = RegisterWindowClasses(instance, &caption))
    return StartupFailure(failed, caption);
  if (!RegisterAppMessages()) return StartupFailure("Could not register application-specific messages");
  InstallRecordTransferCalls();

  AppBitmap = LoadBitmapA(instance, "AppBitmap");
  CreateSplashWindow(instance);
  HelvFont = CreateFontA(-8, 0, 0, 0, 0, FALSE, FALSE, FALSE, ANSI_CHARSET, OUT_TT_PRECIS,
                         CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_SWISS, "Helv");
  CreateBackgroundBrush();
  ReadOnlyFieldBrush();
  waitCursor = LoadCursorA(nullptr, IDC_WAIT);
  HelpCursor = LoadCursorA(instance, "HelpCursor");

  MainWindow = CreateMainWindow(instance);
  if (!MainWindow) return StartupFailure("Could not open main window");
  PrintSetupRecord = PRINTDLGA{};
  PrintSetupRecord.lStructSize = sizeof PrintSetupRecord;
  PrintSetupRecord.hwndOwner = MainWindow;
  StatusBarWindow = CreateStatusBar(MainWindow, STATUS_BAR_ID);
  ShowWindow(StatusBarWindow, SW_SHOW);
  ShowWindow(MainWindow, showCommand);
  UpdateWindow(MainWindow);
  SetStatusText("Initialising...");
  SetCapture(MainWindow);
  SetCursor(waitCursor);

  if (!LoadModelFile(TheModel, MODEL_FILE_NAME)) {
    ReleaseStartupCursor();
    const int code = StartupFailure("Unable to load DMD file");
    ReleaseEverything();
    return code;
  }
  ApplyModelParameters();
  ModelFolder = CurrentFolder();
  ApplicationIniPath = FullPathInDir((std::string(TheModel.ModelName) + ".INI").c_str(),
                                     ModelFolder.c_str());
  std::snprintf(HelpFilePath, sizeof HelpFilePath, "%s.CHM", TheModel.ModelName);
  ReadApplicationIni(ApplicationIniPath.c_str());
  AllocRecListCache();
  CreateBackgroundBrush();
  RegisterModelColors();
  BuildEditFormTemplates();
  InstallFormButtonCalls();

  const bool connected = OpenApplicationDatabase(ApplicationIniPath, ModelFolder);
  ReleaseStartupCursor();
  if (!connected) {
    ReleaseEverything();
    return EXIT_STARTUP_FAILED;
  }
  RunUpgradeScript();
  SwapReportLibrary();
  ShowConnected();
  InstallUserCommands();
  if (OdbcLogin && !RunLoginDialog(MainWindow, nullptr)) {
    ReleaseEverything();
    return EXIT_NORMAL;
  }
  LoadMenus();

  RunMessageLoop();

  RunExitCommand();

  if (helpHook) UnhookWindowsHookEx(helpHook);
  helpHook = nullptr;
  FreeReportLibrary();
  ReleaseEverything();
  return EXIT_NORMAL;
}

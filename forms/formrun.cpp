// The edit form's RUN buttons: the command list of the menu file's [Run] section for the
// button (RUN, FUNCTION, EVAL, SHELL, RAPTEL and MENU, run in order), the report
// program's acknowledgement, and the calls of the shell they use.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "data/core/fileaction.h"
#include "data/db/database.h"
#include "data/db/record.h"
#include "data/model/appfiles.h"
#include "data/model/model.h"
#include "data/model/settings.h"
#include "expr/errors.h"
#include "forms/controlids.h"
#include "forms/editdlg.h"
#include "forms/fieldvalues.h"
#include "forms/formshellcalls.h"
#include "forms/messagepump.h"
#include "forms/runcommands.h"
#include "shell/appwindow.h"

TFormShellCalls FormShellCalls;

namespace {

bool StartsWithWord(const std::string& text, const char* word, std::string* rest) {
  const size_t n = std::strlen(word);
  if (text.size() < n || _strnicmp(text.c_str(), word, n) != 0) return false;
  *rest = text.substr(n);
  return true;
}

void Box(HWND window, const std::string& text, const char* caption, UINT icon = MB_ICONEXCLAMATION) {
  ShowMessageBox(window, text.c_str(), caption, MB_OK | icon);
}

// A call of the shell that start-up did not install: said so, never silently skipped.
bool CallMissing(HWND window, const void* call, const char* what, const char* caption) {
  if (call) return false;
  Box(window, std::string(what) + " not available in this program.", caption);
  return true;
}

UINT RaptelMessage(const char* name) { return RegisterWindowMessageA(name); }

}  // namespace

std::vector<std::string> SplitCommandList(const std::string& text) {
  std::vector<std::string> commands;
  size_t at = 0;
  while (at <= text.size()) {
    size_t end = text.find(';', at);
    if (end == std::string::npos) end = text.size();
    std::string command = text.substr(at, end - at);
    const size_t first = command.find_first_not_of(' ');
    const size_t last = command.find_last_not_of(' ');
    if (first != std::string::npos) commands.push_back(command.substr(first, last - first + 1));
    at = end + 1;
  }
  return commands;
}

std::string RunFilesFolder() {
  char folder[MAX_PATH] = "";
  GetProfileStringA("VORN", "InstallPath", "", folder, sizeof folder);
  if (!*folder) GetTempPathA(sizeof folder, folder);
  std::string path = folder;
  if (!path.empty() && path.back() != '\\' && path.back() != '/') path += '\\';
  CreateDirectoryA(path.c_str(), nullptr);
  return path;
}

std::string RunMenuFilePath() {
  if (FormShellCalls.MenuFilePath) return FormShellCalls.MenuFilePath();
  std::string folder = StartupFolderPath();
  if (!folder.empty() && folder.back() != '\\' && folder.back() != '/') folder += '\\';
  return folder + "menu.ini";
}

// ---- one run of a command list ------------------------------------------------------------

TCommandListRun::TCommandListRun(TEditDlg* form) : form_(form), window_(form->GetWindow()) {}

bool TCommandListRun::FormAlive() const { return IsWindow(window_) && !IsClosePending(window_); }

void TCommandListRun::Run(const std::string& list) {
  // A close of the form asked for meanwhile waits for the run, which then stops.
  TPumpingScope pumping;
  std::vector<std::string> commands = SplitCommandList(list);
  for (size_t k = 0; k < commands.size() && FormAlive(); ++k) {
    const bool more = k + 1 < commands.size();
    std::vector<std::string> replacement;
    if (!RunOne(commands[k], more, &replacement)) return;
    if (!replacement.empty()) {
      commands = replacement;
      k = static_cast<size_t>(-1);  // the chosen item's commands from their first
    }
  }
}

bool TCommandListRun::RunOne(const std::string& command, bool more, std::vector<std::string>* replacement) {
  std::string rest;
  if (StartsWithWord(command, "RUN ", &rest)) {
    SetStatusText("Running: %s", rest.c_str());
    if (WinExec(rest.c_str(), static_cast<UINT>(RunShow)) < 32) Box(window_, "Could not run external program", "Run");
    return true;
  }
  if (StartsWithWord(command, "FUNCTION ", &rest)) {
    SetStatusText("Running: %s", rest.c_str());
    if (CallMissing(window_, reinterpret_cast<const void*>(FormShellCalls.RunFunction), "Custom functions are", "Function"))
      return true;
    if (!FormShellCalls.RunFunction(window_, rest.c_str())) Box(window_, "Could not execute custom function", "Function");
    return true;
  }
  if (StartsWithWord(command, "EVAL ", &rest)) {
    Evaluate(rest);
    return true;
  }
  if (StartsWithWord(command, "SHELL ", &rest)) {
    SetStatusText("Running: %s", rest.c_str());
    if (OpenFileCall(window_, rest.c_str()) <= 32) Box(window_, "Could not open external file", "Shell");
    return true;
  }
  if (StartsWithWord(command, "RAPTEL ", &rest)) {
    SetStatusText("Running RAPTEL program: %s", rest.c_str());
    RunReport(rest, more);
    return true;
  }
  if (StartsWithWord(command, "MENU ", &rest)) return ChooseFromMenu(rest, replacement);
  Box(window_, "Cannot run command: " + command, "Cannot run command");
  return true;
}

void TCommandListRun::Evaluate(const std::string& expression) {
  TDBRecord* record = form_->GetRecord();
  ExpressionErrorState.Clear();
  record->EvaluateExpression(expression.c_str(), 12, 8192, 0);
  if (record->IsOk()) return;
  const char* message = ExpressionErrorState.GetErrorMessage();
  if (!*message) message = RecordErrorState.GetErrorMessage();
  Box(window_, message, "Could not evalute expression!", MB_ICONHAND);
}

bool TCommandListRun::ChooseFromMenu(const std::string& name, std::vector<std::string>* replacement) {
  if (CallMissing(window_, reinterpret_cast<const void*>(FormShellCalls.MenuItems), "Menus are", "Open Menu")) return false;
  std::vector<TMenuChoice> items;
  if (!FormShellCalls.MenuItems(name.c_str(), &items)) {
    Box(window_, "Cannot open the menu: " + name, "Open Menu");
    return false;
  }
  HMENU popup = CreatePopupMenu();
  for (const TMenuChoice& item : items) {
    if (!item.Caption.empty() && item.Caption[0] == '-') AppendMenuA(popup, MF_SEPARATOR, 0, nullptr);
    else if (item.Command.empty()) AppendMenuA(popup, MF_OWNERDRAW, 0, nullptr);
    else AppendMenuA(popup, MF_STRING, static_cast<UINT_PTR>(item.Id), item.Caption.c_str());
  }
  RECT at = {};
  HWND focus = GetFocus();
  GetWindowRect(focus ? focus : window_, &at);
  const int chosen = TrackPopupCall(popup, at, MainWindow ? MainWindow : window_);
  DestroyMenu(popup);
  if (chosen <= 0) return false;
  for (const TMenuChoice& item : items)
    if (item.Id == chosen) *replacement = SplitCommandList(item.Command);
  return !replacement->empty();
}

namespace {

int SystemTrackPopup(HMENU menu, const RECT& at, HWND owner) {
  TPMPARAMS exclude = {sizeof exclude, at};
  return static_cast<int>(TrackPopupMenuEx(menu, TPM_RETURNCMD | TPM_NONOTIFY | TPM_RIGHTBUTTON, at.left, at.bottom,
                                           owner, &exclude));
}

}  // namespace

TTrackPopupCall TrackPopupCall = SystemTrackPopup;

// The report program: a running one in this process is handed the report by message,
// else it is started with its command line. Further commands wait while it is busy.
void TCommandListRun::RunReport(const std::string& report, bool more) {
  HWND raptel = nullptr;
  if (GetModuleHandleA("VUDOVED")) {
    raptel = FindWindowA("VudoveDClass", nullptr);
    if (!raptel) {
      Box(window_, "Unable to locate RAPTEL main window", "Run");
      return;
    }
    if (!HandReportTo(raptel, report)) return;
  } else {
    if (CallMissing(window_, reinterpret_cast<const void*>(FormShellCalls.StartReportProgram), "The report program is",
                    "Cannot run command"))
      return;
    if (FormShellCalls.StartReportProgram(window_, report.c_str()) < 32) return;
    raptel = FindWindowA("VudoveDClass", nullptr);
  }
  if (more) WaitWhileReportBusy(raptel);
}

bool TCommandListRun::HandReportTo(HWND raptel, const std::string& report) {
  if (SendMessageA(raptel, RaptelMessage("RAPTEL_ISBUSY"), 0, 0) == 1) {
    Box(window_, "RAPTEL is busy running another program", "Run cancelled");
    return false;
  }
  char command[1024];
  snprintf(command, sizeof command, "%s /D %s %s", RaptelOptions, DatabaseName, report.c_str());
  const std::string folder = StartupFolderPath();
  TRaptelRequest request{SharedText(command), SharedText(folder.c_str())};
  const LRESULT result = request.command && request.folder
                             ? SendMessageA(raptel, RaptelMessage("RAPTEL_RUN"), reinterpret_cast<WPARAM>(window_),
                                            reinterpret_cast<LPARAM>(&request))
                             : -1;
  if (request.command) GlobalFree(request.command);
  if (request.folder) GlobalFree(request.folder);
  if (result != 0 && FormAlive()) {
    char text[80];
    snprintf(text, sizeof text, "Could not run RAPTEL (Error code %d returned)", static_cast<int>(result));
    Box(window_, text, "Run");
    return false;
  }
  return true;
}

HGLOBAL TCommandListRun::SharedText(const char* text) {
  const size_t size = std::strlen(text) + 1;
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_DDESHARE, size);
  if (!block) return nullptr;
  std::memcpy(GlobalLock(block), text, size);
  GlobalUnlock(block);
  return block;
}

void TCommandListRun::WaitWhileReportBusy(HWND raptel) {
  if (!raptel) return;
  TPumpingScope pumping;
  const UINT busy = RaptelMessage("RAPTEL_ISBUSY");
  while (IsWindow(raptel) && FormAlive() && SendMessageA(raptel, busy, 0, 0) == 1) {
    PumpWaitingMessages();
    Sleep(20);
  }
}

// ---- the form's side ----------------------------------------------------------------------

INT_PTR TEditDlg::RunButton(HWND, UINT, WPARAM wParam, LPARAM) {
  const int number = LOWORD(wParam) - RUN_BUTTON_ID_BASE;
  if (!ReadForm()) {
    SetStatusLine(RecordErrorState.GetErrorMessage());
    return TRUE;
  }
  if (!WriteFieldValuesFile(RunFilesFolder() + FIELD_VALUES_FILE, record_, window_)) {
    ShowMessageBox(window_, "Could not open temporary ~FLDVALS.TMP", "Run", MB_OK | MB_ICONEXCLAMATION);
    return TRUE;
  }
  char key[300];
  snprintf(key, sizeof key, "%s:%d", entity_->Name, number);
  std::vector<char> commands(8192, '\0');
  GetPrivateProfileStringA("Run", key, "", commands.data(), static_cast<DWORD>(commands.size()),
                           RunMenuFilePath().c_str());
  if (!commands[0]) {
    ShowMessageBox(window_, "No command specified in .INI file", "Cannot run command", MB_OK | MB_ICONEXCLAMATION);
    return TRUE;
  }
  TCommandListRun(this).Run(commands.data());
  return TRUE;
}

INT_PTR TEditDlg::OnReportAck(HWND, UINT, WPARAM, LPARAM) {
  record_->Read();
  Redisplay(window_, 1);
  RefreshOpenDialogs();
  return TRUE;
}

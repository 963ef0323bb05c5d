// The edit form's per-field buttons (expand, browse, execute), its Help button and its
// print-out of the screen.
#include <windows.h>

#include <cderr.h>
#include <commdlg.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "data/core/fileaction.h"
#include "data/db/record.h"
#include "data/model/appfiles.h"
#include "data/model/model.h"
#include "expr/errors.h"
#include "forms/commandline.h"
#include "forms/controlids.h"
#include "forms/editdlg.h"
#include "forms/expanddlg.h"
#include "forms/fieldvalues.h"
#include "forms/messagepump.h"
#include "forms/openfilename.h"
#include "forms/printscreen.h"
#include "shell/appwindow.h"

namespace {

// The attribute a button of a per-attribute range stands for.
int ButtonAttribute(WPARAM wParam, int base) { return static_cast<int>(LOWORD(wParam)) - base; }

std::string ControlText(HWND control, int limit) {
  std::vector<char> text(static_cast<size_t>(limit) + 1, '\0');
  if (control) GetWindowTextA(control, text.data(), limit + 1);
  return text.data();
}

// The command an execute button names: the flag word itself when it is no flag word,
// else what follows its first blank.
std::string ExecuteCommandName(const char* flags) {
  if (*flags != '@') return flags;
  const char* blank = std::strchr(flags, ' ');
  if (!blank) return "";
  while (*blank == ' ') ++blank;
  return blank;
}

}  // namespace

INT_PTR TEditDlg::ExpandField(HWND, UINT, WPARAM wParam, LPARAM) {
  const int i = ButtonAttribute(wParam, EXPAND_BUTTON_ID_BASE);
  RunExpandBox(window_, FieldItem(i, FieldId(i)), &entity_->Attributes[i]);
  return TRUE;
}

INT_PTR TEditDlg::BrowseFile(HWND, UINT, WPARAM wParam, LPARAM) {
  const int i = ButtonAttribute(wParam, BROWSE_BUTTON_ID_BASE);
  HWND field = FieldItem(i, FieldId(i));
  char file[OPEN_FILE_NAME_BUFFER] = "";
  lstrcpynA(file, ControlText(field, OPEN_FILE_NAME_BUFFER - 1).c_str(), sizeof file);
  OPENFILENAMEA* dialog = MakeOpenFileName(window_, "All Files(*.*)|*.*||",
                                           OFN_HIDEREADONLY | OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST, file,
                                           "Select a file");
  BOOL chosen;
  {
    TModalLoopScope modal(window_);  // the form stays until the file dialog has ended
    chosen = dialog && GetOpenFileNameA(dialog);
  }
  FreeOpenFileName(dialog);
  if (chosen) {
    CharLowerA(file);
    SetWindowTextA(field, file);
  } else if (const DWORD error = CommDlgExtendedError()) {
    char text[64];
    snprintf(text, sizeof text, "Error %ld returned", static_cast<long>(error));
    ShowMessageBox(window_, text, "WARNING", MB_OK | MB_ICONHAND);
  }
  return TRUE;
}

INT_PTR TEditDlg::ExecuteField(HWND, UINT, WPARAM wParam, LPARAM) {
  const int i = ButtonAttribute(wParam, EXECUTE_BUTTON_ID_BASE);
  const TAttribute& attribute = entity_->Attributes[i];
  if (!ReadForm()) {
    SetStatusLine(RecordErrorState.GetErrorMessage());
    return TRUE;
  }
  if (!WriteFieldValuesFile(FIELD_VALUES_FILE, record_, window_)) {
    ShowMessageBox(window_, "Could not open temporary ~FLDVALS.TMP", "Run", MB_OK | MB_ICONEXCLAMATION);
    return TRUE;
  }
  const std::string name = ExecuteCommandName(attribute.Flags);
  if (name.empty()) {
    ShowMessageBox(window_, "No command specified in picture clause", attribute.Caption, MB_OK | MB_ICONEXCLAMATION);
    return TRUE;
  }
  const std::string key = name.substr(0, name.find(','));
  char line[2048] = "";
  GetPrivateProfileStringA("Exec", key.c_str(), "", line, sizeof line, ApplicationIniPath.c_str());
  if (!*line) {
    ShowMessageBox(window_, "No command for this button in the INI file", attribute.Caption, MB_OK | MB_ICONEXCLAMATION);
    return TRUE;
  }
  const TExecCommand command = ParseExecCommand(line, record_->GetValue(i));
  SetStatusText("Running: %s", command.line.c_str());
  if (WinExec(command.line.c_str(), command.show) < 32)
    ShowMessageBox(window_, command.line.c_str(), "Could not run command", MB_OK | MB_ICONEXCLAMATION);
  return TRUE;
}

INT_PTR TEditDlg::OnHelpButton(HWND, UINT, WPARAM, LPARAM) {
  SetStatusLine("");
  char name[300];
  snprintf(name, sizeof name, "HELP:%s", entity_->Name);
  const TModelParam* param = nullptr;
  for (int p = 0; p < TheModel.ParamCount && !param; ++p)
    if (_stricmp(TheModel.Params[p].Name, name) == 0) param = &TheModel.Params[p];
  if (!param || !*param->Value) {
    // No page of its own: the help file at the form's context.
    ShowHelp(window_, HELP_CONTEXT, static_cast<ULONG_PTR>(CurrentHelpContext));
    return TRUE;
  }
  std::string file = param->Value;
  if (file.find(':') == std::string::npos && file[0] != '\\') {
    std::string folder = StartupFolderPath();
    if (!folder.empty() && folder.back() != '\\' && folder.back() != '/') folder += '\\';
    file = folder + file;
  }
  if (OpenFileCall(window_, file.c_str()) <= 32)
    ShowMessageBox(window_, "Could not open external file", "Shell", MB_OK | MB_ICONEXCLAMATION);
  return TRUE;
}

INT_PTR TEditDlg::PrintScreen(HWND, UINT, WPARAM, LPARAM) {
  CurrentHelpContext = PRINT_HELP_CONTEXT;
  if (!ReadForm()) {
    SetStatusLine(RecordErrorState.GetErrorMessage());
    return TRUE;
  }
  PRINTDLGA setup = {};
  setup.lStructSize = sizeof setup;
  setup.hwndOwner = window_;
  setup.Flags = PD_RETURNDC | PD_NOPAGENUMS | PD_NOSELECTION | PD_SHOWHELP;
  TGuard guard(this);  // the print dialog runs a loop of its own
  BOOL chosen;
  {
    TModalLoopScope modal(window_);
    chosen = PrintSetupCall(&setup);
  }
  if (Destroyed()) return TRUE;  // the form went while the dialog was open
  if (setup.hDevMode) GlobalFree(setup.hDevMode);
  if (setup.hDevNames) GlobalFree(setup.hDevNames);
  if (!chosen) {
    const DWORD error = CommDlgExtendedError();
    if (error == PDERR_NODEFAULTPRN || error == PDERR_NODEVICES || error == PDERR_PRINTERNOTFOUND)
      ShowMessageBox(window_, NO_PRINTER_TEXT, entity_->Caption, MB_OK | MB_ICONEXCLAMATION);
    else if (error)
      SetStatusLine("The page could not be printed");
    return TRUE;
  }
  if (!setup.hDC) return TRUE;
  if (!PrintScreenDump(setup.hDC, ScreenDumpOf(record_)))
    SetStatusLine("The page could not be printed");
  DeleteDC(setup.hDC);
  return TRUE;
}

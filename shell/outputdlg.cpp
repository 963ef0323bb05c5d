// The "Output Records" dialog: file, format, headings, hidden columns and what happens to
// the file once written.
#include <windows.h>

#include <commctrl.h>
#include <commdlg.h>

#include <cctype>
#include <cstdio>
#include <string>

#include "data/core/fileaction.h"
#include "data/core/waitcursor.h"
#include "data/model/model.h"
#include "forms/openfilename.h"
#include "forms/windowmanager.h"
#include "shell/output.h"
#include "forms/messagepump.h"

namespace {

// The rows the open dialog writes (the dialog is modal, so there is one at a time).
TOutputRows* currentRows = nullptr;

const char* const browseFilter = "Text Files(*.txt;*.csv)|*.txt;*.csv|HTML Files(*.htm)|*.htm|All Files(*.*)|*.*||";

std::string ItemText(HWND window, int id) {
  char text[1024] = "";
  GetDlgItemTextA(window, id, text, sizeof text);
  return text;
}

void SetStatus(HWND window, const std::string& text) { SetDlgItemTextA(window, OUTPUT_STATUS, text.c_str()); }

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
  return text;
}

void InitOutputDialog(HWND window) {
  SetDlgItemTextA(window, OUTPUT_FILE_NAME, (std::string(currentRows->Entity().Name) + ".csv").c_str());
  HWND combo = GetDlgItem(window, OUTPUT_FORMAT);
  for (const char* name : OutputFormatNames) SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name));
  SendMessageA(combo, CB_SELECTSTRING, static_cast<WPARAM>(-1),
               reinterpret_cast<LPARAM>(OutputFormatNames[OUTPUT_COMMA]));
  CheckRadioButton(window, OUTPUT_CREATE, OUTPUT_PRINT, OUTPUT_OPEN);
  CheckDlgButton(window, OUTPUT_HEADINGS, BST_CHECKED);
  SendDlgItemMessageA(window, OUTPUT_PROGRESS, PBM_SETRANGE, 0, MAKELPARAM(0, 100));
}

void OnFormatChosen(HWND window) {
  std::string name = ItemText(window, OUTPUT_FILE_NAME);
  HWND combo = GetDlgItem(window, OUTPUT_FORMAT);
  const LRESULT selected = SendMessageA(combo, CB_GETCURSEL, 0, 0);
  if (name.empty() || selected == CB_ERR) return;
  char text[64] = "";
  if (SendMessageA(combo, CB_GETLBTEXTLEN, selected, 0) >= static_cast<LRESULT>(sizeof text)) return;
  SendMessageA(combo, CB_GETLBTEXT, selected, reinterpret_cast<LPARAM>(text));
  const int format = OutputFormatIndex(text);
  if (format < 0) return;
  SetDlgItemTextA(window, OUTPUT_FILE_NAME, WithOutputExtension(name, TOutputFormat(format)).c_str());
}

void OnBrowse(HWND window) {
  char file[OPEN_FILE_NAME_BUFFER] = "";
  GetDlgItemTextA(window, OUTPUT_FILE_NAME, file, 256);
  OPENFILENAMEA* chooser = MakeOpenFileName(window, browseFilter, OFN_PATHMUSTEXIST | OFN_HIDEREADONLY, file, nullptr);
  if (!chooser) return;
  BOOL chosen;
  {
    TModalLoopScope modal(window);
    chosen = GetSaveFileNameA(chooser);
  }
  FreeOpenFileName(chooser);
  if (chosen) {
    SetDlgItemTextA(window, OUTPUT_FILE_NAME, Lower(file).c_str());
    return;
  }
  const DWORD error = CommDlgExtendedError();
  if (error == 0) return;
  char message[64];
  snprintf(message, sizeof message, "Error %ld returned", static_cast<long>(error));
  ShowMessageBox(window, message, "WARNING", MB_OK | MB_ICONSTOP);
}

void Process(HWND window) {
  const std::string name = ItemText(window, OUTPUT_FILE_NAME);
  const int format = OutputFormatIndex(ItemText(window, OUTPUT_FORMAT).c_str());
  if (format < 0) {
    SetStatus(window, "Choose one of the output formats from the list.");
    return;
  }
  TOutputOptions options;
  options.format = TOutputFormat(format);
  options.headings = IsDlgButtonChecked(window, OUTPUT_HEADINGS) == BST_CHECKED;
  options.allFields = IsDlgButtonChecked(window, OUTPUT_ALL_FIELDS) == BST_CHECKED;

  TWaitCursor wait;
  SetStatus(window, "Processing... Loading records...");
  HWND progressBar = GetDlgItem(window, OUTPUT_PROGRESS);
  SendMessageA(progressBar, PBM_SETPOS, 0, 0);
  bool outputting = false;
  const TOutputOutcome outcome = WriteOutputFile(*currentRows, name, options, [&](int percent) {
    if (!outputting) {
      outputting = true;
      SetStatus(window, "Processing... Outputting records...");
    }
    SendMessageA(progressBar, PBM_SETPOS, percent, 0);
    UpdateWindow(progressBar);
  });

  char status[1400];
  if (!outcome.created) {
    snprintf(status, sizeof status, "Could not create the output file %s!", name.c_str());
    return SetStatus(window, status);
  }
  if (outcome.writeFailed) {
    snprintf(status, sizeof status, "Could not write the whole output file %s!", name.c_str());
    return SetStatus(window, status);
  }
  if (outcome.companionFailed)
    snprintf(status, sizeof status, "Output %ld records to the file %s; the CSV file %s could not be created.",
             outcome.records, name.c_str(), outcome.companion.c_str());
  else
    snprintf(status, sizeof status, "Output %ld records to the file %s.", outcome.records, name.c_str());
  SetStatus(window, status);
  // When nothing on this machine can show or print the file, the user still learns where it is.
  const char* failure = nullptr;
  if (IsDlgButtonChecked(window, OUTPUT_OPEN) == BST_CHECKED) {
    if (OpenFileCall(window, name.c_str()) <= 32) failure = "Could not open specified file!!";
  } else if (IsDlgButtonChecked(window, OUTPUT_PRINT) == BST_CHECKED) {
    if (PrintFileCall(window, name.c_str()) <= 32) failure = "Could not print specified file!!";
  }
  if (failure) {
    snprintf(status, sizeof status, "%s It was written to %s.", failure, name.c_str());
    SetStatus(window, status);
  }
}

}  // namespace

TOutputRecordsDlg::TOutputRecordsDlg() {
  DialogProc = OutputRecordsDlgProc;
  Kind = DK_GENERIC;
}

INT_PTR CALLBACK OutputRecordsDlgProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    currentRows = reinterpret_cast<TOutputRows*>(lParam);
    InitOutputDialog(window);
  } else if (message == WM_COMMAND) {
    const int id = LOWORD(wParam);
    const int code = HIWORD(wParam);
    if (id == OUTPUT_PROCESS && code == BN_CLICKED) {
      Process(window);
      return TRUE;
    }
    if (id == OUTPUT_FILE_NAME && code == EN_CHANGE) {
      EnableWindow(GetDlgItem(window, OUTPUT_PROCESS), GetWindowTextLengthA(GetDlgItem(window, OUTPUT_FILE_NAME)) > 0);
      return TRUE;
    }
    if (id == OUTPUT_BROWSE && code == BN_CLICKED) {
      OnBrowse(window);
      return TRUE;
    }
    if (id == OUTPUT_FORMAT && code == CBN_SELCHANGE) {
      OnFormatChosen(window);
      return TRUE;
    }
  }
  TBaseDlg* dialog;
  bool handled;
  return DispatchBaseDlgMessage(&dialog, window, message, wParam, lParam, &handled);
}

INT_PTR RunOutputRecords(HWND owner, TOutputRows& rows) {
  TOutputRecordsDlg* dialog = new TOutputRecordsDlg;
  const INT_PTR result =
      AppWindowManager.RunModal(dialog, "OutputRecords", owner, 0, reinterpret_cast<LPARAM>(&rows));
  delete dialog;
  return result;
}

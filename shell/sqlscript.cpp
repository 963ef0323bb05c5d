// SQL script files: the runner, its progress window and the "Run Database Script" dialog.
#include "shell/sqlscript.h"

#include <commctrl.h>
#include <commdlg.h>

#include <climits>
#include <cstring>
#include <string>

#include "data/core/textlines.h"
#include "data/core/waitcursor.h"
#include "data/db/database.h"
#include "data/db/odbc.h"
#include "data/db/odbcstatement.h"
#include "forms/colortable.h"
#include "forms/messagepump.h"
#include "forms/openfilename.h"
#include "shell/databaseids.h"

BOOL(WINAPI* ChooseScriptFile)(OPENFILENAMEA*) = GetOpenFileNameA;

namespace {

constexpr int SCRIPT_CHUNK_SIZE = 1024;
constexpr COLORREF PROGRESS_TEXT_COLOR = 0x800900;

// The progress window of one run. Cancel only hides it; it is destroyed when the run
// ends, never while the run still draws on it.
class TScriptProgress {
public:
  TScriptProgress(HWND owner, const char* title) {
    HINSTANCE instance = owner ? reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(owner, GWLP_HINSTANCE))
                               : GetModuleHandleA(nullptr);
    window_ = CreateDialogParamA(instance, "Processing", owner, ScriptProgressProc,
                                 reinterpret_cast<LPARAM>(title));
    if (!window_) return;
    ShowWindow(window_, SW_SHOW);
    SendDlgItemMessageA(window_, PROGRESS_BAR_ID, PBM_SETRANGE, 0, MAKELPARAM(0, 100));
    SendDlgItemMessageA(window_, PROGRESS_BAR_ID, PBM_SETPOS, 0, 0);
    UpdateWindow(window_);
  }
  ~TScriptProgress() {
    if (IsWindow(window_)) DestroyWindow(window_);
  }
  TScriptProgress(const TScriptProgress&) = delete;
  TScriptProgress& operator=(const TScriptProgress&) = delete;

  void Show(int percent, const char* line) {
    if (!IsWindow(window_)) return;
    SendDlgItemMessageA(window_, PROGRESS_BAR_ID, PBM_SETPOS, percent, 0);
    if (line) SetDlgItemTextA(window_, PROGRESS_LINE_ID, line);
    UpdateWindow(window_);
  }

private:
  HWND window_ = nullptr;
};

bool IsBlank(const std::string& text) { return text.find_first_not_of(" \t\r\n") == std::string::npos; }

// One statement of the script on the run's statement: logged with its outcome.
class TScriptStatements {
public:
  TScriptStatements(TOdbcStatement* statement, FILE* log, TScriptRun* run)
      : statement_(statement), log_(log), run_(run) {}

  void Append(const std::string& chunk) {
    if (text_.size() + chunk.size() > static_cast<size_t>(SCRIPT_STATEMENT_LIMIT)) {
      // The part that fits is kept for the log; the rest is read past.
      text_.append(chunk, 0, SCRIPT_STATEMENT_LIMIT - text_.size());
      overlong_ = true;
    } else if (!overlong_) {
      text_ += chunk;
    }
  }

  // The statement holds a line with a NUL: it is not run.
  void RefuseNul(long lineNumber) {
    if (nulLine_ == 0) nulLine_ = lineNumber;
  }

  void Run() {
    if (IsBlank(text_) && !overlong_ && nulLine_ == 0) {
      text_.clear();
      return;
    }
    ++run_->statements;
    // The log shows the statement up to a NUL it holds.
    LogScriptLine(nullptr, text_.c_str(), 0, log_);
    if (nulLine_ != 0) {
      ++run_->failed;
      const std::string line = "Error Returned: line " + std::to_string(nulLine_) +
                               " holds a NUL character; the statement was not run";
      LogScriptLine(nullptr, line.c_str(), 0, log_);
    } else if (overlong_) {
      ++run_->failed;
      LogScriptLine(nullptr, "Error Returned: the statement is longer than 8191 characters and was not run", 0, log_);
    } else if (!statement_) {
      ++run_->failed;
      LogScriptLine(nullptr, "Error Returned: there is no connection to the database", 0, log_);
    } else {
      SQLRETURN result = statement_->ExecDirect(text_.c_str());
      if (SQL_SUCCEEDED(result) || result == SQL_NO_DATA) {
        LogScriptLine(nullptr, "Success", 0, log_);
      } else {
        ++run_->failed;
        std::string line = std::string("Error Returned: ") + statement_->GetDiagMessage();
        LogScriptLine(nullptr, line.c_str(), 0, log_);
      }
      statement_->CloseCursor();
    }
    text_.clear();
    overlong_ = false;
    nulLine_ = 0;
  }

private:
  TOdbcStatement* statement_;
  FILE* log_;
  TScriptRun* run_;
  std::string text_;
  bool overlong_ = false;
  long nulLine_ = 0;  // the first line of the statement that holds a NUL, 0 none
};

// The file's length in bytes, at least 1 (the progress divides by it).
long FileLength(const char* path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExA(path, GetFileExInfoStandard, &data) || data.nFileSizeHigh != 0) return 1;
  return data.nFileSizeLow > 0 && data.nFileSizeLow <= LONG_MAX ? static_cast<long>(data.nFileSizeLow) : 1;
}

// Fills the list box with the lines of a file; false when it cannot be opened.
bool ShowFileLines(HWND dialog, const char* path) {
  SendDlgItemMessageA(dialog, SCRIPT_LINES_ID, LB_RESETCONTENT, 0, 0);
  TTextLines file(path);
  if (!file.IsOpen()) return false;
  std::string line;
  while (file.Next(line)) {
    if (line.size() > static_cast<size_t>(SCRIPT_STATEMENT_LIMIT)) line.resize(SCRIPT_STATEMENT_LIMIT);
    SendDlgItemMessageA(dialog, SCRIPT_LINES_ID, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line.c_str()));
  }
  return true;
}

std::string ScriptPathOf(HWND dialog) {
  char path[SCRIPT_CHUNK_SIZE] = "";
  GetDlgItemTextA(dialog, SCRIPT_PATH_ID, path, sizeof path);
  return path;
}

void EnableScriptButtons(HWND dialog) {
  BOOL any = GetWindowTextLengthA(GetDlgItem(dialog, SCRIPT_PATH_ID)) > 0;
  EnableWindow(GetDlgItem(dialog, IDOK), any);
  EnableWindow(GetDlgItem(dialog, SCRIPT_PREVIEW_ID), any);
}

void SelectScriptFile(HWND dialog) {
  char file[OPEN_FILE_NAME_BUFFER] = "";
  GetDlgItemTextA(dialog, SCRIPT_PATH_ID, file, sizeof file);
  OPENFILENAMEA* record =
      MakeOpenFileName(dialog, "Database Script Files(*.sql;*.txt)|*.sql;*.txt|All Files(*.*)|*.*||",
                       OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST | OFN_HIDEREADONLY, file, "Select SQL file");
  BOOL chosen;
  {
    TModalLoopScope modal(dialog);
    chosen = ChooseScriptFile(record);
  }
  if (chosen) {
    CharLowerA(file);
    SetDlgItemTextA(dialog, SCRIPT_PATH_ID, file);
    EnableWindow(GetDlgItem(dialog, IDOK), TRUE);
  } else if (DWORD error = CommDlgExtendedError()) {
    char text[64];
    snprintf(text, sizeof text, "Error %ld returned", static_cast<long>(error));
    ShowMessageBox(dialog, text, "WARNING", MB_OK | MB_ICONHAND);
  }
  FreeOpenFileName(record);
}

void RunChosenScript(HWND dialog) {
  std::string script = ScriptPathOf(dialog);
  if (script.empty()) return;
  // The dialog takes no input while its script runs (the run pumps messages).
  EnableWindow(dialog, FALSE);
  RunSqlScriptFile(dialog, script.c_str(), RUN_SCRIPT_LOG);
  EnableWindow(dialog, TRUE);
  if (ShowFileLines(dialog, RUN_SCRIPT_LOG)) WriteProfileStringA("VORN", "Last Script", script.c_str());
}

}  // namespace

void LogScriptLine(HWND, const char* text, int, FILE* log) {
  if (log) fprintf(log, "%s\n", text);
}

TScriptRun RunSqlScriptFile(HWND owner, const char* scriptPath, const char* logPath) {
  TScriptRun run;
  // One script at a time: a run pumps messages, and one started meanwhile is not run.
  static bool running = false;
  if (running) return run;
  running = true;
  struct TRunning {
    ~TRunning() { running = false; }
  } runningUntilTheEnd;
  TWaitCursor wait;
  FILE* log = fopen(logPath, "w");
  TTextLines script(scriptPath);
  if (!script.IsOpen()) {
    if (log) fclose(log);
    return run;
  }
  run.opened = true;
  {
    // The run pumps messages: a window closed meanwhile goes when the run has ended.
    TPumpingScope pumping;
    TScriptProgress progress(owner, "Creating Database Tables...");
    const long length = FileLength(scriptPath);
    // Each statement stands on its own: a failing one undoes nothing before it and
    // keeps nothing after it from running.
    TOdbcConnection* connection =
        OdbcEnvironment ? new TOdbcConnection(OdbcEnvironment, 1, DatabaseName) : nullptr;
    TOdbcStatement* statement = nullptr;
    if (connection && connection->IsConnected()) {
      if (!connection->IsAutoCommit()) connection->SetAutoCommit(true);
      connection->StartTransaction();
      statement = new TOdbcStatement(connection);
    } else if (connection) {
      std::string line = std::string("Error Returned: ") + connection->GetDiagMessage();
      LogScriptLine(owner, line.c_str(), 0, log);
    }
    TScriptStatements statements(statement, log, &run);
    std::string line;
    while (script.Next(line)) {
      PumpWaitingMessages();
      progress.Show(static_cast<int>(script.BytesRead() * 100LL / length), line.c_str());
      if (HoldsNul(line)) {
        // A line that holds a NUL ends its statement, which is not run: where the
        // statement was meant to end cannot be told.
        statements.Append(line);
        statements.RefuseNul(script.LineNumber());
        statements.Run();
        continue;
      }
      // A line is taken in chunks of at most 1023 characters; a chunk that ends with ';'
      // ends its statement.
      for (size_t at = 0; at == 0 || at < line.size(); at += SCRIPT_CHUNK_SIZE - 1) {
        const std::string chunk = line.substr(at, SCRIPT_CHUNK_SIZE - 1);
        statements.Append(chunk);
        if (!chunk.empty() && chunk.back() == ';') statements.Run();
      }
    }
    statements.Run();
    if (connection && connection->IsConnected()) connection->StartTransaction();
    delete statement;
    delete connection;
    progress.Show(100, nullptr);
  }
  if (log) fclose(log);
  return run;
}

INT_PTR CALLBACK ScriptProgressProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG: {
      HDC dc = GetDC(window);
      int height = -MulDiv(10, GetDeviceCaps(dc, LOGPIXELSY), 72);
      ReleaseDC(window, dc);
      HFONT font = CreateFontA(height, 0, 0, 0, FW_BOLD, 0, 0, 0, ANSI_CHARSET, OUT_DEFAULT_PRECIS,
                               CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, "Helv");
      SetPropA(window, "ProgressFont", font);
      SendDlgItemMessageA(window, PROGRESS_TITLE_ID, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
      SendDlgItemMessageA(window, PROGRESS_LINE_ID, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
      SetDlgItemTextA(window, PROGRESS_TITLE_ID, reinterpret_cast<const char*>(lParam));
      return TRUE;
    }
    case WM_COMMAND:
      if (LOWORD(wParam) == IDCANCEL) ShowWindow(window, SW_HIDE);
      return TRUE;
    case WM_DESTROY:
      if (HANDLE font = RemovePropA(window, "ProgressFont")) DeleteObject(font);
      return FALSE;
    case WM_CTLCOLORSTATIC: {
      HWND control = reinterpret_cast<HWND>(lParam);
      int id = GetDlgCtrlID(control);
      if (id == PROGRESS_TITLE_ID || id == PROGRESS_LINE_ID) {
        HDC dc = reinterpret_cast<HDC>(wParam);
        SetTextColor(dc, PROGRESS_TEXT_COLOR);
        SetBkColor(dc, GetSysColor(COLOR_3DFACE));
        return reinterpret_cast<INT_PTR>(GetSysColorBrush(COLOR_3DFACE));
      }
      return HandleCtlColor(reinterpret_cast<HDC>(wParam), control);
    }
  }
  return FALSE;
}

INT_PTR CALLBACK RunScriptDlgProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG: {
      EnableScriptButtons(window);
      char last[SCRIPT_CHUNK_SIZE] = "";
      GetProfileStringA("VORN", "Last Script", "", last, sizeof last);
      SetDlgItemTextA(window, SCRIPT_PATH_ID, last);
      return TRUE;
    }
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case SCRIPT_PATH_ID:
          if (HIWORD(wParam) == EN_CHANGE) EnableScriptButtons(window);
          return TRUE;
        case SCRIPT_SELECT_ID: SelectScriptFile(window); return TRUE;
        case IDOK: RunChosenScript(window); return TRUE;
        case SCRIPT_PREVIEW_ID: ShowFileLines(window, ScriptPathOf(window).c_str()); return TRUE;
        case IDCANCEL: EndDialog(window, 0); return TRUE;
      }
      return FALSE;
    case WM_CTLCOLORSTATIC:
      return HandleCtlColor(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
  }
  return FALSE;
}

void ShowRunScriptDialog(HWND owner) {
  TModalLoopScope modal(owner);
  DialogBoxParamA(GetModuleHandleA(nullptr), "RunScript", owner, RunScriptDlgProc, 0);
}

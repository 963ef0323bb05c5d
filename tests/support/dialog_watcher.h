// Test helper for real windows: finds a dialog box of this or another process by
// title, reads it (texts, icon) and presses one of its buttons, so that no test
// hangs on a message box.
#pragma once

#include <windows.h>

#include <future>
#include <string>
#include <vector>

enum class TBoxIcon { None, Hand, Exclamation, Question, Asterisk, Unknown };
const char* BoxIconName(TBoxIcon icon);

struct TWatchedDialog {
  bool found = false;
  HWND window = nullptr;
  DWORD processId = 0;
  std::string title;
  std::string className;
  std::string text;                  // the static texts, joined with '\n'
  std::vector<std::string> buttons;  // button captions in z-order
  std::string defaultButton;         // caption of the default push button ("" when none)
  TBoxIcon icon = TBoxIcon::None;
  bool pressed = false;
};

// Finds a visible top-level window of class "#32770" with exactly this title; pid 0
// accepts any process. Waits up to timeoutMs. Does not press anything.
TWatchedDialog FindDialog(DWORD pid, const char* title, DWORD timeoutMs);

// Finds the dialog, reads it, then presses the button with this control id.
TWatchedDialog WatchAndPress(DWORD pid, const char* title, int buttonId, DWORD timeoutMs);

// Runs WatchAndPress on a thread of its own: for boxes that this thread is about to show.
std::future<TWatchedDialog> WatchAndPressAsync(DWORD pid, const char* title, int buttonId,
                                               DWORD timeoutMs);

// Presses a button of a dialog (of any process) by control id.
bool PressDialogButton(HWND dialog, int buttonId);

// Reads the texts of the static controls of a window, joined with '\n'.
std::string ReadStaticTexts(HWND window);

// A child process of the tests.
struct TChild {
  PROCESS_INFORMATION info{};
  bool started = false;
  ~TChild();
  DWORD pid() const { return info.dwProcessId; }
  // Waits for the end; returns the exit code, or -1 after a time-out (the child is then killed).
  int Wait(DWORD timeoutMs);
};

// Starts a program with a command line (program path quoted by the caller as needed).
bool StartChild(TChild& child, const std::string& commandLine, const char* workingDir = nullptr);

// Path of a helper program built beside the tests (testprograms folder).
std::string TestProgramPath(const char* name);

// The outcome of a program that is expected to stop with an "ERROR" box.
struct TFatalOutcome {
  TWatchedDialog box;
  int exitCode = -2;
};
// Starts the program, waits for its "ERROR" box, presses OK and waits for its end.
TFatalOutcome RunExpectingFatalBox(const std::string& commandLine, const char* workingDir = nullptr,
                                   DWORD timeoutMs = 30000);

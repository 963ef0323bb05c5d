// The command lists of the edit form's RUN buttons, and the parts of them the tests reach.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

class TEditDlg;

// What the form hands a report program running in this process with RAPTEL_RUN (the
// form window in wParam): two shared blocks, the command "<options> /D <database>
// <report>" and the model folder. The blocks are freed when the message returns.
struct TRaptelRequest {
  HGLOBAL command;
  HGLOBAL folder;
};

// The commands of a list separated by ';', blanks around each removed, empty ones left out.
std::vector<std::string> SplitCommandList(const std::string& text);
// Where the RUN buttons write the field-values file: WIN.INI [VORN] "InstallPath", else
// the temporary folder (made when missing); ends with a backslash.
std::string RunFilesFolder();
// The menu file of the RUN buttons' commands.
std::string RunMenuFilePath();

// Shows the popup menu at the rectangle and returns the chosen id (0: none); replaceable
// so that tests choose.
using TTrackPopupCall = int (*)(HMENU menu, const RECT& at, HWND owner);
extern TTrackPopupCall TrackPopupCall;

// One run of a command list for a form. Every step that may pump messages is followed by a
// look at the form's window: once it is gone the run ends without touching the form.
class TCommandListRun {
public:
  explicit TCommandListRun(TEditDlg* form);
  void Run(const std::string& list);

private:
  bool FormAlive() const;
  // False ends the run; a MENU choice fills replacement with the commands that follow.
  bool RunOne(const std::string& command, bool more, std::vector<std::string>* replacement);
  void Evaluate(const std::string& expression);
  bool ChooseFromMenu(const std::string& name, std::vector<std::string>* replacement);
  void RunReport(const std::string& report, bool more);
  bool HandReportTo(HWND raptel, const std::string& report);
  static HGLOBAL SharedText(const char* text);
  void WaitWhileReportBusy(HWND raptel);

  TEditDlg* form_;
  HWND window_;
};

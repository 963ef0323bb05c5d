// Starting programs from expressions: real child programs, real command lines.
#include "expr/external.h"
#include "support/dialog_watcher.h"
#include "support/scratch_dir.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

TEST(ExternalCommandLine, ArgumentsEndAtTheFirstEmptyOne) {
  struct Case { const char* command; std::vector<const char*> args; const char* line; const char* program; };
  const Case cases[] = {
      {"notepad.exe", {"a b.txt", "", "", "", ""}, "notepad.exe \"a b.txt\"", "notepad.exe"},
      {"cmd /c dir", {"", "x", "", "", ""}, "cmd /c dir", "cmd"},
      {"C:\\Program Files\\tool.exe", {"", "", "", "", ""}, "C:\\Program Files\\tool.exe",
       "C:\\Program Files\\tool.exe"},
      {"run.exe -q", {"1", "2", "3", "4", "5"}, "run.exe -q \"1\" \"2\" \"3\" \"4\" \"5\"", "run.exe"},
      {"TOOL.EXE x", {"", "", "", "", ""}, "TOOL.EXE x", "TOOL.EXE"},  // ".exe" is matched in small letters only
  };
  for (const Case& c : cases) {
    std::string line = BuildExternalCommandLine(c.command, c.args.data());
    EXPECT_EQ(line, c.line);
    EXPECT_EQ(ExternalProgramOf(line), c.program) << line;
  }
}

namespace {
std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

// Copies the recording program into a folder whose name holds a blank.
std::string ProgramInFolderWithBlank(const TScratchDir& dir) {
  std::string folder = dir.File("with blank");
  CreateDirectoryA(folder.c_str(), nullptr);
  std::string program = folder + "\\record_args.exe";
  CopyFileA(TestProgramPath("record_args").c_str(), program.c_str(), FALSE);
  return program;
}
}  // namespace

TEST(RunExternalCommand, StartsTheProgramWithQuotedArgumentsAndWaits) {
  TScratchDir dir;
  std::string record = dir.File("args.txt");
  SetEnvironmentVariableA("VORN_RECORD_ARGS", record.c_str());
  std::string program = ProgramInFolderWithBlank(dir);

  RunExternalCommand(program.c_str(), "a b.txt", "O'Neil", "", "ignored", "");
  // The call returns only after the program ended, so its file is complete now.
  std::vector<std::string> lines = Lines(TScratchDir::Read(record));
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[1], "a b.txt");
  EXPECT_EQ(lines[2], "O'Neil");

  std::string withOptions = program + " -x";
  RunExternalCommand(withOptions.c_str(), "", "", "", "", "");
  lines = Lines(TScratchDir::Read(record));
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[1], "-x");
  SetEnvironmentVariableA("VORN_RECORD_ARGS", nullptr);
}

TEST(RunExternalCommand, ProgramThatCannotStartGetsTheExecuteErrorBox) {
  auto watcher = WatchAndPressAsync(GetCurrentProcessId(), "Execute error!", IDOK, 30000);
  RunExternalCommand("C:\\no\\such\\program.exe", "arg", "", "", "", "");
  TWatchedDialog box = watcher.get();
  ASSERT_TRUE(box.found);
  EXPECT_EQ(box.text, "Could not run the external command C:\\no\\such\\program.exe \"arg\".");
  EXPECT_EQ(box.icon, TBoxIcon::Hand) << BoxIconName(box.icon);
}

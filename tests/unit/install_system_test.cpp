// The installer's layer over programs it runs and the restart: exit codes, limits, records.
#include "install/systemcalls.h"
#include "support/dialog_watcher.h"
#include "support/scratch_dir.h"

#include <gtest/gtest.h>

namespace {

TEST(InstallerPrograms, WaitingGivesTheRealOutcome) {
  struct Case {
    const char* what;
    std::string command;
    DWORD limitMs;
    TProgramOutcome outcome;
    DWORD exitCode;
  };
  const std::string sleeper = "\"" + TestProgramPath("sleeper") + "\"";
  const Case cases[] = {
      {"ends well", sleeper + " 0 0", 30000, TProgramOutcome::Finished, 0},
      {"ends with a failure code", sleeper + " 0 1619", 30000, TProgramOutcome::Finished, 1619},
      {"outlives the limit", sleeper + " 8000 0", 1000, TProgramOutcome::TimedOut, 0},
      {"no such program", "\"" + TestProgramPath("no_such_program") + "\"", 30000, TProgramOutcome::NotStarted, 0},
  };
  for (const Case& c : cases) {
    DWORD start = GetTickCount();
    TProgramRun run = RunAndWait(c.command, nullptr, c.limitMs);
    EXPECT_EQ(run.outcome, c.outcome) << c.what;
    if (c.outcome == TProgramOutcome::Finished) {
      EXPECT_EQ(run.exitCode, c.exitCode) << c.what;
    }
    if (c.outcome == TProgramOutcome::TimedOut) {
      EXPECT_LT(GetTickCount() - start, 6000u) << c.what;
    }
  }
}

TEST(InstallerPrograms, TheEngineInstallerRunsInItsFolderAndReportsItsCode) {
  TScratchDir setup("engine");
  // Without its folder the installer cannot even start.
  EXPECT_EQ(RunEngineInstaller(setup.path()).outcome, TProgramOutcome::NotStarted);
  CreateDirectoryA(setup.File("msde").c_str(), nullptr);
  TProgramRun run = RunEngineInstaller(setup.path());
  EXPECT_EQ(run.outcome, TProgramOutcome::Finished);
  EXPECT_NE(run.exitCode, 0u);  // no package here: Windows Installer says so
}

TEST(InstallerPrograms, RestartIsRecordedWhenTestsAskForIt) {
  TScratchDir dir("restart");
  std::string record = dir.File("restart.txt");
  SetEnvironmentVariableA("VORN_RESTART_RECORD", record.c_str());
  EXPECT_TRUE(RestartWindows());
  EXPECT_TRUE(RestartWindows());
  SetEnvironmentVariableA("VORN_RESTART_RECORD", nullptr);
  EXPECT_EQ(TScratchDir::Read(record), "restart\r\nrestart\r\n");
}

}  // namespace

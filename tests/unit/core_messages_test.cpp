// The two message boxes, seen as a user sees them: real windows read back
// through Win32, in a child process that ends the way the box says.
#include "data/core/messages.h"
#include "support/dialog_watcher.h"

#include <gtest/gtest.h>

namespace {
std::string Probe(const std::string& args) { return "\"" + TestProgramPath("fatal_probe") + "\" " + args; }
}  // namespace

TEST(FatalError, ShowsErrorBoxWithStopIconAndExitsWithOne) {
  TFatalOutcome outcome = RunExpectingFatalBox(Probe("fatal \"Unable to load \" \"vorn.dmd\""));
  ASSERT_TRUE(outcome.box.found);
  EXPECT_EQ(outcome.box.title, "ERROR");
  EXPECT_EQ(outcome.box.className, "#32770");
  EXPECT_EQ(outcome.box.text, "Unable to load vorn.dmd");
  EXPECT_EQ(outcome.box.icon, TBoxIcon::Hand) << BoxIconName(outcome.box.icon);
  ASSERT_EQ(outcome.box.buttons.size(), 1u);
  EXPECT_EQ(outcome.exitCode, 1);
}

TEST(FatalError, TempStringPoolFaultsAreFatal) {
  struct Case { const char* args; const char* text; };
  const Case cases[] = {
      {"pool x y", "Too many temporary strings allocated"},
      {"release x y", "Temporary string buffer not located"},
  };
  for (const Case& c : cases) {
    TFatalOutcome outcome = RunExpectingFatalBox(Probe(c.args));
    ASSERT_TRUE(outcome.box.found) << c.args;
    EXPECT_EQ(outcome.box.text, c.text);
    EXPECT_EQ(outcome.exitCode, 1);
  }
}

TEST(FatalError, LongTextsAreCutToTheBoxBuffer) {
  std::string longText(300, 'x');
  TFatalOutcome outcome = RunExpectingFatalBox(Probe("fatal " + longText + " tail"));
  ASSERT_TRUE(outcome.box.found);
  EXPECT_EQ(outcome.box.text, std::string(199, 'x'));
  EXPECT_EQ(outcome.exitCode, 1);
}

TEST(WarningBox, ShowsWarningWithExclamationAndGoesOn) {
  TChild child;
  ASSERT_TRUE(StartChild(child, Probe("warning \"Check \" \"this\"")));
  TWatchedDialog box = WatchAndPress(child.pid(), "WARNING", IDOK, 30000);
  ASSERT_TRUE(box.found);
  EXPECT_EQ(box.text, "Check this");
  EXPECT_EQ(box.icon, TBoxIcon::Exclamation) << BoxIconName(box.icon);
  EXPECT_EQ(child.Wait(10000), 7);
}

TEST(WarningBox, InProcessBoxIsAnsweredByTheWatcher) {
  auto watcher = WatchAndPressAsync(GetCurrentProcessId(), "WARNING", IDOK, 30000);
  int result = WarningBox("same ", "process");
  TWatchedDialog box = watcher.get();
  ASSERT_TRUE(box.found);
  EXPECT_EQ(result, IDOK);
  EXPECT_EQ(box.text, "same process");
}

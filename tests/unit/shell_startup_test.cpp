// The vorn program as a child process: start-up steps that stop it, with their boxes and
// exit codes.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdlib>
#include <string>

#include "support/dialog_watcher.h"
#include "support/scratch_dir.h"

namespace {

// A Unix path as Wine sees it from any current drive.
std::string WinPath(const std::string& unixPath) {
  std::string path = "Z:" + unixPath;
  for (char& c : path)
    if (c == '/') c = '\\';
  return path;
}

std::string VornProgram() {
  const char* program = std::getenv("VORN_PROGRAM");
  return "\"" + WinPath(program ? program : VORN_BINARY_DIR "/vorn.exe") + "\"";
}

TEST(StartUp, WithoutAModelFileItStopsBeforeAnyDatabaseWork) {
  TScratchDir dir("nomodel");
  TChild child;
  ASSERT_TRUE(StartChild(child, VornProgram(), dir.path().c_str()));
  TWatchedDialog box = WatchAndPress(child.pid(), "VORN", IDOK, 30000);
  ASSERT_TRUE(box.found);
  EXPECT_EQ(box.text, "Unable to load DMD file");
  EXPECT_EQ(box.icon, TBoxIcon::Hand);
  EXPECT_EQ(child.Wait(20000), 1);
  EXPECT_EQ(GetFileAttributesA(dir.File("VORN.log").c_str()), INVALID_FILE_ATTRIBUTES);
}

}  // namespace

// The uninstaller's reading of its command line and of the install log, and what it may remove.
#include "install/uninstall.h"
#include "support/scratch_dir.h"

#include <gtest/gtest.h>

namespace {

TEST(UninstallCommand, LogPathQuotedOrNotThenTheApplication) {
  struct Case {
    const char* command;
    const char* log;
    const char* app;
  };
  const Case cases[] = {
      {"/U c:\\vorn\\install.log Vorn", "c:\\vorn\\install.log", "Vorn"},
      {"/u \"c:\\Program Files\\Vorn\\install.log\" Vorn Office", "c:\\Program Files\\Vorn\\install.log", "Vorn Office"},
      {"/U \"c:\\v\\install.log\"", "c:\\v\\install.log", ""},
      {"/U c:\\v\\install.log", "c:\\v\\install.log", ""},
      {"/U c:\\v\\install.log Vorn  ", "c:\\v\\install.log", "Vorn"},
      {"/U", "", ""},
      {"/U \"c:\\unclosed quote", "c:\\unclosed quote", ""},
  };
  for (const Case& c : cases) {
    std::string log, app;
    ParseUninstallCommand(c.command, log, app);
    EXPECT_EQ(log, c.log) << c.command;
    EXPECT_EQ(app, c.app) << c.command;
  }
}

TEST(UninstallLog, LinesComeLastFirstAndMalformedOnesAreSkipped) {
  TScratchDir dir("unlog");
  std::string log = dir.Write("install.log",
                              "c:\\v\\data\t2\tCreate Directory\r\n"
                              "c:\\v\\a.exe\t0\tMain program\r\n"
                              "no tabs at all\r\n"
                              "c:\\v\\x\t9\tunknown type\r\n"
                              "c:\\v\\y\tZ\tnot a number\r\n"
                              "c:\\v\\z\t12\ttwo digits\r\n"
                              "\t0\tempty path\r\n"
                              "c:\\v\\one tab\t0\r\n"
                              "Settings\t7\tLast Path\r\n"
                              "c:\\v\\m.txt\t1\tc:\\v\\a.sq->m.txt\n"
                              "c:\\v\\tab in text\t0\tdesc\twith tab\r\n");
  std::vector<TUninstallEntry> entries = ReadUninstallLog(log);
  ASSERT_EQ(entries.size(), 5u);
  EXPECT_EQ(entries[0].path, "c:\\v\\tab in text");
  EXPECT_EQ(entries[0].text, "desc\twith tab");
  EXPECT_EQ(entries[1].path, "c:\\v\\m.txt");
  EXPECT_EQ(entries[1].type, 1);
  EXPECT_EQ(entries[1].text, "c:\\v\\a.sq->m.txt");
  EXPECT_EQ(entries[2].path, "Settings");
  EXPECT_EQ(entries[2].type, 7);
  EXPECT_EQ(entries[2].text, "Last Path");
  EXPECT_EQ(entries[3].path, "c:\\v\\a.exe");
  EXPECT_EQ(entries[4].path, "c:\\v\\data");
  EXPECT_EQ(entries[4].type, 2);
  EXPECT_TRUE(ReadUninstallLog(dir.File("missing.log")).empty());
}

TEST(UninstallLog, OnlyFilesOfTheInstallationMayBeRemoved) {
  struct Case {
    const char* path;
    const char* text;
    bool allowed;
  };
  const char* folder = "c:\\apps\\vorn";
  const char* desktop = "c:\\users\\me\\Desktop";
  const Case cases[] = {
      {"c:\\apps\\vorn\\vorn.exe", "Main program", true},
      {"C:\\APPS\\VORN\\data\\x.dat", "Data", true},
      {"c:\\apps\\vorn", "the folder itself", false},
      {"c:\\apps\\vornish\\x.exe", "a neighbour", false},
      {"c:\\apps\\vorn\\..\\other\\x.exe", "climbs out", false},
      {"c:\\apps\\vorn\\sub/../../x.exe", "slashes", false},
      {"c:\\windows\\system32\\kernel32.dll", "elsewhere", false},
      {"vorn.exe", "relative", false},
      {"\\\\server\\share\\x.exe", "network", false},
      {"c:\\users\\me\\Desktop\\Vorn.lnk", "Desktop Shortcut", true},
      {"c:\\users\\me\\Desktop\\Other.txt", "Desktop Shortcut", false},
      {"c:\\users\\me\\Desktop\\Vorn.lnk", "Something else", false},
      {"c:\\users\\me\\Desktop\\sub\\Vorn.lnk", "Desktop Shortcut", false},
  };
  for (const Case& c : cases) {
    TUninstallEntry entry{c.path, 0, c.text};
    EXPECT_EQ(MayRemoveFile(entry, folder, desktop), c.allowed) << c.path;
  }
}

TEST(UninstallLog, NoDriveRootOrWindowsFolderIsAnInstallationFolder) {
  struct Case {
    const char* folder;
    bool allowed;
  };
  const char* windows = "C:\\windows";
  const char* system = "C:\\windows\\system32";
  const Case cases[] = {
      {"c:\\apps\\vorn", true},
      {"c:\\apps\\vorn\\", true},
      {"c:\\windowsapps", true},
      {"c:\\windows\\qzx", true},
      {"c:", false},
      {"c:\\", false},
      {"D:\\", false},
      {"c:\\windows", false},
      {"C:\\WINDOWS\\", false},
      {"c:\\windows\\system32", false},
      {"c:\\apps\\..", false},
      {"c:/apps", false},
      {"apps\\vorn", false},
      {"\\\\server\\share", false},
      {"", false},
  };
  for (const Case& c : cases) EXPECT_EQ(MayBeInstallationFolder(c.folder, windows, system), c.allowed) << c.folder;
  // A Windows folder deeper down: its parents hold it.
  EXPECT_FALSE(MayBeInstallationFolder("d:\\os", "d:\\os\\windows", "d:\\os\\windows\\system32"));
  EXPECT_TRUE(MayBeInstallationFolder("d:\\os\\apps", "d:\\os\\windows", "d:\\os\\windows\\system32"));
}

// A drive root as the folder: nothing on the drive counts as inside it.
TEST(UninstallLog, ADriveRootHoldsNoFileOfTheInstallation) {
  for (const char* folder : {"c:", "c:\\"}) {
    for (const char* path : {"c:\\windows\\system32\\kernel32.dll", "c:\\vorn.exe"}) {
      TUninstallEntry entry{path, 0, "Main program"};
      EXPECT_FALSE(MayRemoveFile(entry, folder, "")) << folder << " " << path;
      EXPECT_FALSE(MayRemoveDirectory(path, folder)) << folder << " " << path;
    }
  }
}

TEST(UninstallLog, OnlyTheFolderAndFoldersInsideItMayBeRemoved) {
  struct Case {
    const char* path;
    bool allowed;
  };
  const char* folder = "c:\\apps\\vorn";
  const Case cases[] = {
      {"c:\\apps\\vorn", true},
      {"C:\\APPS\\VORN\\", true},
      {"c:\\apps\\vorn\\data", true},
      {"c:\\apps", false},
      {"c:\\apps\\vornish", false},
      {"c:\\", false},
      {"z:\\tmp\\empty", false},
      {"c:\\apps\\vorn\\..\\other", false},
      {"c:\\apps\\vorn\\sub/../..", false},
      {"data", false},
  };
  for (const Case& c : cases) EXPECT_EQ(MayRemoveDirectory(c.path, folder), c.allowed) << c.path;
}

}  // namespace

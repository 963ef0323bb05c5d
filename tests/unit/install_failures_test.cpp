// Installations that go wrong or are stopped: each failed step is told and leaves no log line,
// Cancel stops after the current entry, and a missing log still removes the Uninstall entry.
#include "support/install_driver.h"

namespace {

TEST_F(InstallerTest, FailedStepsAreToldAndLeaveNoLogLines) {
  THttpTestServer server;
  ASSERT_TRUE(server.listening());
  TSetupFolder setup("fail");
  const std::string inst = setup.installDir;
  setup.scratch.Write("files\\vorn.exe", "program");
  CopyFileA((VORN_BINARY_DIR "/testprograms/marker_server.dll"), setup.scratch.File("files\\failing.dll").c_str(), FALSE);
  server.Serve("broken.sq", {200, SqMember("good.txt", "good") + SqRawMember(7, "bad.txt", 40, 5, "junk!"), true});
  setup.Script("remote install site=" + server.host() + "\r\n"
               "vorn.exe,0,Main program,files,\r\n"
               "missing.txt,0,Not on the disk,files,\r\n"
               "failing.dll,0,Refusing server,files,\r\n"
               "failing.dll,6,Refusing server\r\n"
               "absent.txt,4,Not on the server\r\n"
               "broken.sq,4,Damaged archive\r\n"
               "nothing.exe,3,Not there\r\n");
  TInstallerRun run;
  ASSERT_TRUE(run.Start(setup));
  ASSERT_TRUE(run.OpenWelcome());
  Click(run.welcome, IDOK);
  DWORD pid = run.child.pid();
  std::string source = setup.scratch.File("files\\missing.txt");
  EXPECT_EQ(AnswerBox(pid, "", IDOK), "Could not copy " + source + " to " + inst + "\\missing.txt!");
  EXPECT_EQ(AnswerBox(pid, "Setup script error!", IDOK),
            "Could not run the external command 'regsvr32.exe /s " + inst + "\\failing.dll'.");
  EXPECT_EQ(AnswerBox(pid, "Download Error", IDOK), "Error transferring file absent.txt!");
  EXPECT_EQ(AnswerBox(pid, "Download Error", IDOK),
            "The archive " + inst + "\\broken.sq is damaged; the rest of its files were not installed.");
  EXPECT_EQ(AnswerBox(pid, "Setup script error!", IDOK),
            "Could not run the external command " + inst + "\\nothing.exe.");
  ASSERT_TRUE(run.WaitForEnd());
  EXPECT_EQ(run.Finish(), 0);
  EXPECT_FALSE(Exists(inst + "\\failing.dll.registered"));
  EXPECT_FALSE(Exists(inst + "\\absent.txt"));
  EXPECT_FALSE(Exists(inst + "\\bad.txt"));
  EXPECT_FALSE(Exists(inst + "\\broken.sq"));
  EXPECT_EQ(setup.Log(), inst + "\\vorn.exe\t0\tMain program\r\n" + inst + "\\failing.dll\t0\tRefusing server\r\n" +
                             inst + "\\good.txt\t1\t" + inst + "\\broken.sq->good.txt\r\n" + setup.Shortcut() +
                             "\t0\tDesktop Shortcut\r\n");
  EXPECT_EQ(Uninstall(setup), 0);
  EXPECT_FALSE(Exists(inst + "\\vorn.exe"));
}

TEST_F(InstallerTest, CancelStopsAfterTheCurrentEntryAndLeavesItRemovable) {
  THttpTestServer server;
  ASSERT_TRUE(server.listening());
  TSetupFolder setup("cancel");
  const std::string inst = setup.installDir;
  setup.scratch.Write("files\\later.txt", "later");
  server.Serve("slow.bin", {200, std::string(30 * 1024, 's'), true, std::string::npos, 1024, 100});
  setup.Script("remote install site=" + server.host() + "\r\nslow.bin,4,Slow file\r\nlater.txt,0,Later file,files,\r\n");
  TInstallerRun run;
  ASSERT_TRUE(run.Start(setup));
  ASSERT_TRUE(run.OpenWelcome());
  Click(run.welcome, IDOK);
  ASSERT_TRUE(FindDialog(run.child.pid(), "Download Progress", Wait).found);
  Click(run.welcome, IDCANCEL);
  EXPECT_EQ(run.child.Wait(Wait), 0);
  EXPECT_EQ(TScratchDir::Read(inst + "\\slow.bin"), std::string(30 * 1024, 's'));
  EXPECT_FALSE(Exists(inst + "\\later.txt"));
  EXPECT_FALSE(Exists(setup.Shortcut()));
  EXPECT_EQ(setup.Log(), inst + "\\slow.bin\t0\tslow.bin\r\n");
  EXPECT_NE(RegistryValue(UninstallKeyPath(setup.appName), "UninstallString"), "<none>");
  EXPECT_EQ(Uninstall(setup), 0);
  EXPECT_FALSE(Exists(inst));
}

TEST_F(InstallerTest, UninstallerWithoutItsLogRemovesOnlyTheEntry) {
  TSetupFolder setup("nolog");
  std::string key = UninstallKeyPath(setup.appName);
  HKEY created = nullptr;
  ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &created, nullptr),
            ERROR_SUCCESS);
  RegSetValueExA(created, "DisplayName", 0, REG_SZ, reinterpret_cast<const BYTE*>("x"), 2);
  RegCloseKey(created);
  EXPECT_EQ(Uninstall(setup), 0);
  EXPECT_EQ(RegistryValue(key, "DisplayName"), "<none>");
  // No name: the Uninstall key itself is never touched.
  EXPECT_EQ(UninstallKeyPath(""), "");
  EXPECT_EQ(UninstallKeyPath("a\\b"), "");
}

}  // namespace

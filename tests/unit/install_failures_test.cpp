// Installations that go wrong or are stopped: each failed step is told and leaves no log line,
// a stalled download ends with its message, Cancel stops after the current entry, and the
// uninstaller removes nothing outside the installation folder and says what it could not do.
#include "support/install_driver.h"

namespace {

// An Uninstall entry whose "DisplayName" is "x", as an installation would have left it.
bool MakeUninstallEntry(const std::string& key) {
  HKEY created = nullptr;
  if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &created, nullptr) !=
      ERROR_SUCCESS)
    return false;
  RegSetValueExA(created, "DisplayName", 0, REG_SZ, reinterpret_cast<const BYTE*>("x"), 2);
  RegCloseKey(created);
  return true;
}

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

// A server that sends the headers and 100 bytes, then nothing: the download fails with its
// message once the stall limit (shortened here) has passed, and the run goes on.
TEST_F(InstallerTest, AStalledDownloadEndsWithItsMessageAndTheRunGoesOn) {
  THttpTestServer server;
  ASSERT_TRUE(server.listening());
  TSetupFolder setup("stall");
  const std::string inst = setup.installDir;
  setup.scratch.Write("files\\vorn.exe", "program");
  server.Serve("stall.bin", {200, std::string(5000, 's'), true, std::string::npos, 0, 0, 100});
  setup.Script("remote install site=" + server.host() + "\r\nstall.bin,4,Stalled file\r\nvorn.exe,0,Main program,files,\r\n");
  TInstallerRun run;
  SetEnvironmentVariableA("VORN_DOWNLOAD_STALL_MS", "3000");
  const bool started = run.Start(setup);
  SetEnvironmentVariableA("VORN_DOWNLOAD_STALL_MS", nullptr);
  ASSERT_TRUE(started);
  ASSERT_TRUE(run.OpenWelcome());
  Click(run.welcome, IDOK);
  ASSERT_TRUE(FindDialog(run.child.pid(), "Download Progress", Wait).found);
  const DWORD start = GetTickCount();
  EXPECT_EQ(AnswerBox(run.child.pid(), "Download Error", IDOK), "Error transferring file stall.bin!");
  EXPECT_LT(GetTickCount() - start, 15000u);
  ASSERT_TRUE(run.WaitForEnd());
  EXPECT_EQ(run.Finish(), 0);
  EXPECT_FALSE(Exists(inst + "\\stall.bin"));
  EXPECT_FALSE(Exists(inst + "\\stall.bin.download"));
  EXPECT_EQ(TScratchDir::Read(inst + "\\vorn.exe"), "program");
  EXPECT_EQ(Uninstall(setup), 0);
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
  const std::string key = UninstallKeyPath(setup.appName);
  ASSERT_TRUE(MakeUninstallEntry(key));
  std::string closing;
  EXPECT_EQ(Uninstall(setup, &closing), 0);
  EXPECT_EQ(closing, "The installation log " + setup.LogPath() +
                         " could not be read: nothing of the installation could be removed, only its Uninstall entry.");
  EXPECT_EQ(RegistryValue(key, "DisplayName"), "<none>");
  // No name: the Uninstall key itself is never touched.
  EXPECT_EQ(UninstallKeyPath(""), "");
  EXPECT_EQ(UninstallKeyPath("a\\b"), "");
}

// A tampered log, and a setup script that wrote beside the installation folder: lines
// outside the folder are left alone (an empty folder of a type 2 line too) and listed in
// the closing box; what lies inside goes.
TEST_F(InstallerTest, UninstallerLeavesWhatLiesOutsideTheFolderAndListsIt) {
  TSetupFolder setup("outside");
  const std::string victims = setup.scratch.File("victims");
  for (const std::string& folder : {setup.scratch.File("target dir"), setup.installDir, setup.Installed("data"),
                                    victims, victims + "\\empty"})
    ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr)) << folder;
  setup.scratch.Write("target dir\\vorn app\\inside.txt", "inside");
  const std::string kept = setup.scratch.Write("victims\\kept.txt", "kept");
  const std::string viaDots = setup.scratch.Write("victims\\via dots.txt", "dots");
  const std::string climbing = setup.installDir + "\\..\\..\\victims\\via dots.txt";
  setup.scratch.Write("target dir\\vorn app\\install.log",
                      setup.installDir + "\t2\tCreate Directory\r\n" +
                      setup.Installed("data") + "\t2\tCreate Directory\r\n" +
                      setup.Installed("inside.txt") + "\t0\tInside\r\n" +
                      victims + "\\empty\t2\tCreate Directory\r\n" +
                      kept + "\t0\tTampered\r\n" +
                      climbing + "\t0\tVia dots\r\n");
  std::string closing;
  EXPECT_EQ(Uninstall(setup, &closing), 0);
  EXPECT_FALSE(Exists(setup.installDir));
  EXPECT_TRUE(Exists(victims + "\\empty"));
  EXPECT_EQ(TScratchDir::Read(kept), "kept");
  EXPECT_EQ(TScratchDir::Read(viaDots), "dots");
  // Undone last line first.
  EXPECT_EQ(closing, "Uninstall complete\n\nLeft in place, outside the installation folder " + setup.installDir +
                         ":\n" + climbing + "\n" + kept + "\n" + victims + "\\empty");
}

// A log at a drive root makes the whole drive its installation folder: nothing is
// removed, the Uninstall entry stays. (No log is there: the refusal comes first.)
TEST_F(InstallerTest, UninstallerRefusesADriveRootAsInstallationFolder) {
  TSetupFolder setup("root");
  ASSERT_FALSE(Exists("c:\\install.log"));
  const std::string key = UninstallKeyPath(setup.appName);
  ASSERT_TRUE(MakeUninstallEntry(key));
  std::string closing;
  EXPECT_EQ(UninstallFromLog("c:\\install.log", setup.appName, &closing), 0);
  EXPECT_EQ(closing, "Nothing was removed: the installation folder c: of the log is a drive root, or is or holds "
                     "the Windows or the system folder.");
  EXPECT_EQ(RegistryValue(key, "DisplayName"), "x");
}

}  // namespace

// The installer and uninstaller as a user meets them: the program started from a setup folder,
// its pages driven through real windows, then everything checked on disk, in the profile and
// in the registry, and removed again through the uninstaller.
#include "support/install_driver.h"

namespace {

TEST_F(InstallerTest, FullInstallationFromPagesToUninstall) {
  THttpTestServer server;
  ASSERT_TRUE(server.listening());
  TSetupFolder setup("full");
  const std::string inst = setup.installDir;
  setup.scratch.Write("licence.txt", "You may use this program.\nLine two of the licence.\n");
  setup.scratch.Write("readme.txt", "Read me first.\n");
  setup.scratch.Write("files\\vorn.exe", "program bytes");
  setup.scratch.Write("files\\vorn.ini", "[Settings]\r\nLanguage=en\r\n");
  CopyFileA(TestProgramPath("record_args").c_str(), setup.scratch.File("files\\tool.exe").c_str(), FALSE);
  CopyFileA((VORN_BINARY_DIR "/testprograms/marker_server.dll"), setup.scratch.File("files\\marker.dll").c_str(), FALSE);
  // A slow first download keeps its progress dialog up long enough to be looked at.
  server.Serve("remote/remote.txt", {200, std::string(40 * 1024, 'r'), true, std::string::npos, 1024, 40});
  server.Serve("remote/pack.sq", {200, SqArchive({{"a.txt", "member a"}, {"b.txt", "member b"}}), false});
  // The folder exists before the run with a file that the script deletes.
  CreateDirectoryA(setup.scratch.File("target dir").c_str(), nullptr);
  CreateDirectoryA(inst.c_str(), nullptr);
  setup.scratch.Write("target dir\\vorn app\\old.txt", "old");
  std::string argsFile = setup.scratch.File("tool-args.txt");
  SetEnvironmentVariableA("VORN_RECORD_ARGS", argsFile.c_str());

  setup.Script("version number=1.0\r\nbg=3\r\nremote install site=" + server.host() +
               "\r\nlicense file=licence.txt\r\nreadme file=readme.txt\r\nini file=vorn.ini\r\n"
               "database=SQL-Server\r\n"
               "; the program and its settings\r\n"
               "vorn.exe,0,Main program,files,\r\n"
               "vorn.ini,0,Settings,files,\r\n"
               "*.dll,0,Libraries,files,lib\r\n"
               "marker.dll,6,Marker server,lib,lib\r\n"
               "data,2,Data folder,data\r\n"
               "old.txt,1,Old file\r\n"
               "tool.exe,0,Tool,files,\r\n"
               "tool.exe,3,Tool run\r\n"
               "remote.txt,4,Remote file,remote,dl\r\n"
               "pack.sq,4,Archive,remote,dl\r\n"
               "vorn.exe,5,Prerequisite,http://" + server.host() + "/pre,pre.exe\r\n" +
               setup.appName + ",7,Data Path,%1data\r\n");

  TInstallerRun run;
  ASSERT_TRUE(run.Start(setup));
  TWatchedDialog licence = FindDialog(run.child.pid(), "License Agreement", Wait);
  ASSERT_TRUE(licence.found);
  Screenshot(nullptr, "install_backdrop");
  Screenshot(licence.window, "install_licence");
  EXPECT_EQ(ItemText(licence.window, 1011), "Welcome to the " + setup.appName + " installation program.");
  EXPECT_EQ(EditText(licence.window, 1023), "You may use this program.\r\nLine two of the licence.\r\n");
  // Declining disables Next; accepting enables it again.
  SendMessageA(GetDlgItem(licence.window, 1025), BM_CLICK, 0, 0);
  EXPECT_FALSE(IsWindowEnabled(GetDlgItem(licence.window, IDOK)));
  SendMessageA(GetDlgItem(licence.window, 1024), BM_CLICK, 0, 0);
  EXPECT_TRUE(IsWindowEnabled(GetDlgItem(licence.window, IDOK)));
  Click(licence.window, IDOK);

  TWatchedDialog readme = FindDialog(run.child.pid(), "Readme", Wait);
  ASSERT_TRUE(readme.found);
  EXPECT_EQ(EditText(readme.window, 1026), "Read me first.\r\n");
  Screenshot(readme.window, "install_readme");
  Click(readme.window, IDOK);

  ASSERT_TRUE(run.OpenWelcome());
  EXPECT_EQ(ItemText(run.welcome, 1012), "Directory to install " + setup.appName + ":");
  EXPECT_EQ(EditText(run.welcome, 1005), inst);
  EXPECT_EQ(ItemText(run.welcome, 1007), "");
  EXPECT_EQ(SendMessageA(GetDlgItem(run.welcome, 1008), BM_GETCHECK, 0, 0), BST_CHECKED);
  Screenshot(run.welcome, "install_welcome");
  Click(run.welcome, IDOK);

  HWND database = FindDialog(run.child.pid(), "Select Database ", Wait).window;
  ASSERT_TRUE(database);
  Screenshot(database, "install_database");
  SendMessageA(GetDlgItem(database, 1017), BM_CLICK, 0, 0);
  SetItem(database, 1018, "dbhost");
  SetCheck(database, 1019, false);
  SetItem(database, 1020, "clerk");
  SetItem(database, 1021, "secret");
  Sleep(200);
  Click(database, IDOK);

  TWatchedDialog download = FindDialog(run.child.pid(), "Download Progress", Wait);
  ASSERT_TRUE(download.found);
  Sleep(600);
  Screenshot(download.window, "install_download");

  ASSERT_TRUE(run.WaitForEnd()) << ItemText(run.welcome, 1010);
  EXPECT_EQ(SendMessageA(GetDlgItem(run.welcome, 1009), PBM_GETPOS, 0, 0), 100);
  EXPECT_EQ(ItemText(run.welcome, IDOK), "Finish");
  Screenshot(run.welcome, "install_complete");
  EXPECT_EQ(run.Finish(), 0);

  // Files in place, the deleted one gone, the archive unpacked and removed.
  EXPECT_EQ(TScratchDir::Read(inst + "\\vorn.exe"), "program bytes");
  EXPECT_TRUE(Exists(inst + "\\lib\\marker.dll"));
  EXPECT_TRUE(Exists(inst + "\\lib\\marker.dll.registered"));
  EXPECT_TRUE(Exists(inst + "\\data"));
  EXPECT_FALSE(Exists(inst + "\\old.txt"));
  EXPECT_EQ(TScratchDir::Read(inst + "\\dl\\remote.txt"), std::string(40 * 1024, 'r'));
  EXPECT_EQ(TScratchDir::Read(inst + "\\dl\\a.txt"), "member a");
  EXPECT_EQ(TScratchDir::Read(inst + "\\dl\\b.txt"), "member b");
  EXPECT_FALSE(Exists(inst + "\\dl\\pack.sq"));
  EXPECT_FALSE(Exists(inst + "\\install"));  // the prerequisite was there: nothing fetched
  EXPECT_EQ(Lines(TScratchDir::Read(argsFile)).size(), 1u);
  std::vector<std::string> asked = server.Requests();
  EXPECT_EQ(asked, (std::vector<std::string>{"remote/remote.txt", "remote/pack.sq"}));

  const std::string shortcut = setup.Shortcut();
  const std::string expectedLog =
      inst + "\\vorn.exe\t0\tMain program\r\n" +
      inst + "\\vorn.ini\t0\tSettings\r\n" +
      inst + "\\lib\t2\tCreate Directory\r\n" +
      inst + "\\lib\\marker.dll\t0\tLibraries\r\n" +
      inst + "\\lib\\marker.dll\t6\tMarker server\r\n" +
      inst + "\\data\t2\tCreate Directory\r\n" +
      inst + "\\old.txt\t1\tOld file\r\n" +
      inst + "\\tool.exe\t0\tTool\r\n" +
      inst + "\\dl\t2\tCreate Directory\r\n" +
      inst + "\\dl\\remote.txt\t0\tremote.txt\r\n" +
      inst + "\\dl\\a.txt\t1\t" + inst + "\\dl\\pack.sq->a.txt\r\n" +
      inst + "\\dl\\b.txt\t1\t" + inst + "\\dl\\pack.sq->b.txt\r\n" +
      setup.appName + "\t7\tData Path\r\n" +
      shortcut + "\t0\tDesktop Shortcut\r\n";
  EXPECT_EQ(setup.Log(), expectedLog);

  // Settings: the INI named relative to the installation, WIN.INI, the registry, the shortcut.
  std::string ini = inst + "\\vorn.ini";
  EXPECT_EQ(ReadIni(ini, "Server Name"), "dbhost");
  EXPECT_EQ(ReadIni(ini, "Trusted Connection"), "N");
  EXPECT_EQ(ReadIni(ini, "Username"), "clerk");
  EXPECT_EQ(ReadIni(ini, "Password"), "secret");
  EXPECT_EQ(ReadIni(ini, "Database"), "<none>");
  EXPECT_EQ(ReadProfile(setup.appName, "Data Path"), inst + "\\data");
  EXPECT_EQ(ReadProfile("Solution", "Installation Directory"), inst);
  std::string key = UninstallKeyPath(setup.appName);
  EXPECT_EQ(RegistryValue(key, "DisplayName"), setup.appName + " (1.0)");
  EXPECT_EQ(RegistryValue(key, "UninstallString"),
            "\"" + UninstallerCopyPath() + "\" /U \"" + setup.LogPath() + "\" " + setup.appName);
  EXPECT_TRUE(Exists(UninstallerCopyPath()));
  EXPECT_EQ(_stricmp(ShortcutTarget(shortcut).c_str(), (inst + "\\vorn.exe").c_str()), 0) << ShortcutTarget(shortcut);
  std::string listed = RunForOutput("uninstaller.exe --list");
  EXPECT_NE(listed.find(setup.appName + " (1.0)"), std::string::npos) << listed;

  // Removal through Wine's own uninstaller, which starts our copy with the entry's command.
  TChild wineUninstaller;
  ASSERT_TRUE(StartChild(wineUninstaller, "uninstaller.exe --remove \"" + setup.appName + "\""));
  HWND dialog = FindWithButton("Uninstall", 1009);
  ASSERT_TRUE(dialog);
  Screenshot(dialog, "install_uninstall");
  Click(dialog, IDOK);
  HWND question = FindWithButton("Uninstall", IDYES);
  ASSERT_TRUE(question);
  EXPECT_EQ(ReadStaticTexts(question), "Are you sure you want to completely remove this program from your system?");
  PressDialogButton(question, IDYES);
  EXPECT_EQ(AnswerUninstallBox(), "Uninstall complete");
  EXPECT_EQ(wineUninstaller.Wait(Wait), 0);

  for (const char* gone : {"vorn.exe", "vorn.ini", "tool.exe", "lib\\marker.dll", "lib\\marker.dll.registered", "lib",
                           "data", "dl\\remote.txt", "install.log"})
    EXPECT_FALSE(Exists(inst + "\\" + gone)) << gone;
  // Archive members are left where they were unpacked, and so their folder.
  EXPECT_TRUE(Exists(inst + "\\dl\\a.txt"));
  EXPECT_FALSE(Exists(shortcut));
  EXPECT_EQ(ReadProfile(setup.appName, "Data Path"), "<none>");
  EXPECT_EQ(RegistryValue(key, "DisplayName"), "<none>");
  HKEY stillThere = nullptr;
  EXPECT_NE(RegOpenKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, KEY_READ, &stillThere), ERROR_SUCCESS);
  // Nothing outside: the setup folder keeps its files.
  EXPECT_TRUE(Exists(setup.scratch.File("files\\vorn.exe")));
  EXPECT_TRUE(Exists(setup.scratch.File("setup.inf")));
  SetEnvironmentVariableA("VORN_RECORD_ARGS", nullptr);
}

TEST_F(InstallerTest, InstallingTwiceAppendsAndOneUninstallRemovesBoth) {
  TSetupFolder setup("twice");
  const std::string inst = setup.installDir;
  setup.scratch.Write("files\\vorn.exe", "program");
  setup.Script("vorn.exe,0,Main program,files,\r\ndata,2,Data folder,data\r\n" + setup.appName +
               ",7,Home,%1\r\n" + setup.appName + ",7,Setup From,%2cd\r\n");
  ASSERT_EQ(InstallQuietly(setup), 0);
  std::string firstLog = setup.Log();
  EXPECT_EQ(ReadProfile(setup.appName, "Home"), inst + "\\");
  EXPECT_EQ(ReadProfile(setup.appName, "Setup From"), setup.scratch.path() + "\\cd");
  EXPECT_TRUE(Exists(setup.Shortcut()));

  // The second time the page finds the installation and proposes no second shortcut.
  TInstallerRun again;
  ASSERT_TRUE(again.Start(setup));
  ASSERT_TRUE(again.OpenWelcome());
  EXPECT_EQ(ItemText(again.welcome, 1007), "Existing Installation found.");
  EXPECT_EQ(SendMessageA(GetDlgItem(again.welcome, 1008), BM_GETCHECK, 0, 0), BST_UNCHECKED);
  Click(again.welcome, IDOK);
  ASSERT_TRUE(again.WaitForEnd());
  EXPECT_EQ(again.Finish(), 0);
  const std::string secondSet = inst + "\\vorn.exe\t0\tMain program\r\n" + setup.appName + "\t7\tHome\r\n" +
                                setup.appName + "\t7\tSetup From\r\n";
  EXPECT_EQ(setup.Log(), firstLog + secondSet);
  EXPECT_EQ(firstLog, secondSet.substr(0, secondSet.find("\r\n") + 2) + inst + "\\data\t2\tCreate Directory\r\n" +
                          secondSet.substr(secondSet.find("\r\n") + 2) + setup.Shortcut() + "\t0\tDesktop Shortcut\r\n");

  // Lines that point outside the installation, or would empty a whole section, are passed
  // over; the closing box lists what was left outside.
  std::string victim = setup.scratch.Write("victim.txt", "keep me");
  setup.scratch.Write("target dir\\kept.txt", "keep me too");
  WriteProfileStringA(setup.appName.c_str(), "Unrelated", "stays");
  {
    std::ofstream log(setup.LogPath(), std::ios::binary | std::ios::app);
    log << victim << "\t0\tTampered\r\n"
        << inst << "\\..\\kept.txt\t0\tClimbing out\r\n"
        << setup.appName << "\t7\t\r\n"
        << "a line without tabs\r\n"
        << inst << "\\vorn.exe\t8\tUnknown type\r\n"
        << "C:\\windows\\system32\\shell32.dll\t6\tForeign server\r\n";
  }
  std::string closing;
  EXPECT_EQ(Uninstall(setup, &closing), 0);
  EXPECT_EQ(closing, "Uninstall complete\n\nLeft in place, outside the installation folder " + inst +
                         ":\nC:\\windows\\system32\\shell32.dll\n" + inst + "\\..\\kept.txt\n" + victim);
  EXPECT_FALSE(Exists(inst + "\\vorn.exe"));
  EXPECT_FALSE(Exists(inst + "\\data"));
  EXPECT_FALSE(Exists(setup.LogPath()));
  EXPECT_FALSE(Exists(inst));
  EXPECT_FALSE(Exists(setup.Shortcut()));
  EXPECT_EQ(ReadProfile(setup.appName, "Home"), "<none>");
  EXPECT_EQ(ReadProfile(setup.appName, "Setup From"), "<none>");
  EXPECT_EQ(ReadProfile(setup.appName, "Unrelated"), "stays");
  EXPECT_EQ(TScratchDir::Read(victim), "keep me");
  EXPECT_EQ(TScratchDir::Read(setup.scratch.File("target dir\\kept.txt")), "keep me too");
  EXPECT_TRUE(Exists(setup.scratch.File("files\\vorn.exe")));
}

TEST_F(InstallerTest, AMissingPrerequisiteIsFetchedAndStarted) {
  THttpTestServer server;
  ASSERT_TRUE(server.listening());
  TSetupFolder setup("prereq");
  const std::string inst = setup.installDir;
  server.Serve("pre/runtime.exe", {200, TScratchDir::Read(TestProgramPath("record_args")), true});
  std::string argsFile = setup.scratch.File("runtime-ran.txt");
  SetEnvironmentVariableA("VORN_RECORD_ARGS", argsFile.c_str());
  setup.Script("runtime.dll,5,Runtime,http://" + server.host() + "/pre,runtime.exe\r\n");
  EXPECT_EQ(InstallQuietly(setup), 0);
  SetEnvironmentVariableA("VORN_RECORD_ARGS", nullptr);
  for (int i = 0; i < 100 && !Exists(argsFile); ++i) Sleep(100);
  EXPECT_TRUE(Exists(argsFile));
  EXPECT_EQ(server.Requests(), std::vector<std::string>{"pre/runtime.exe"});
  EXPECT_EQ(setup.Log(), inst + "\\install\t2\tCreate Directory\r\n" + inst + "\\install\\runtime.exe\t0\truntime.exe\r\n" +
                             setup.Shortcut() + "\t0\tDesktop Shortcut\r\n");
  EXPECT_EQ(Uninstall(setup), 0);
  EXPECT_FALSE(Exists(inst));
}

}  // namespace

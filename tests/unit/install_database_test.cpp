// The installer's database page and its closing restart question, driven through real windows.
#include "support/install_driver.h"

namespace {

TEST_F(InstallerTest, DatabasePageChoices) {
  TSetupFolder setup("db");
  const std::string inst = setup.installDir;
  setup.scratch.Write("files\\vorn.ini", "[Network]\r\n");
  setup.Script("database=sql-server\r\nvorn.ini,0,Settings,files,\r\n");

  TInstallerRun run;
  ASSERT_TRUE(run.Start(setup));
  ASSERT_TRUE(run.OpenWelcome());
  SetCheck(run.welcome, 1008, false);  // no shortcut in this test

  // Another machine without a name, then no user name without a trusted connection: the page stays.
  Click(run.welcome, IDOK);
  HWND page = FindDialog(run.child.pid(), "Select Database ", Wait).window;
  ASSERT_TRUE(page);
  std::string caption = ItemText(page, 1016);
  EXPECT_EQ(caption.rfind("This machine (", 0), 0u) << caption;
  EXPECT_NE(caption.find(") (Installation Required)"), std::string::npos) << caption;
  EXPECT_EQ(EditText(page, 1020), "sa");
  EXPECT_FALSE(IsWindowEnabled(GetDlgItem(page, 1020)));
  SendMessageA(GetDlgItem(page, 1017), BM_CLICK, 0, 0);
  EXPECT_TRUE(IsWindowEnabled(GetDlgItem(page, 1018)));
  Click(page, IDOK);
  EXPECT_TRUE(WaitForText(page, 1022, "Please enter the Computer Name of the machine you would like to connect to.", 10000));
  SetItem(page, 1018, "dbhost");
  SetCheck(page, 1019, false);
  SetItem(page, 1020, "");
  Click(page, IDOK);
  EXPECT_TRUE(WaitForText(page, 1022, "A username is required to connect to the database (Default = sa).", 10000));
  EXPECT_TRUE(IsWindow(page));

  // Cancel: nothing is installed or registered.
  Click(page, IDCANCEL);
  EXPECT_TRUE(WaitForText(run.welcome, 1010, "Installation cancelled."));
  EXPECT_FALSE(Exists(inst + "\\vorn.ini"));
  EXPECT_FALSE(Exists(setup.LogPath()));
  EXPECT_EQ(RegistryValue(UninstallKeyPath(setup.appName), "DisplayName"), "<none>");
  EXPECT_EQ(ItemText(run.welcome, IDOK), "Proceed");

  // This machine with a trusted connection, and No to the engine.
  Click(run.welcome, IDOK);
  page = FindDialog(run.child.pid(), "Select Database ", Wait).window;
  ASSERT_TRUE(page);
  Click(page, IDOK);
  TWatchedDialog question = WatchAndPress(run.child.pid(), "Install MSDE", IDNO, Wait);
  ASSERT_TRUE(question.found);
  EXPECT_EQ(question.text, "Do you want to install a copy of the Microsoft SQL Data Engine?");
  EXPECT_EQ(question.icon, TBoxIcon::Question) << BoxIconName(question.icon);
  ASSERT_TRUE(run.WaitForEnd());
  std::string ini = inst + "\\vorn.ini";
  EXPECT_EQ(ReadIni(ini, "Server Name"), "(local)");
  EXPECT_EQ(ReadIni(ini, "Trusted Connection"), "Y");
  EXPECT_EQ(ReadIni(ini, "Username"), "");
  EXPECT_EQ(ReadIni(ini, "Password"), "");
  EXPECT_EQ(run.Finish(), 0);

  // Yes to the engine: its installer cannot work here, and its real exit code is told.
  CreateDirectoryA(setup.scratch.File("msde").c_str(), nullptr);
  TInstallerRun engine;
  ASSERT_TRUE(engine.Start(setup));
  ASSERT_TRUE(engine.OpenWelcome());
  Click(engine.welcome, IDOK);
  page = FindDialog(engine.child.pid(), "Select Database ", Wait).window;
  ASSERT_TRUE(page);
  Click(page, IDOK);
  ASSERT_TRUE(WatchAndPress(engine.child.pid(), "Install MSDE", IDYES, Wait).found);
  TWatchedDialog failed = WatchAndPress(engine.child.pid(), "Install MSDE", IDOK, 130000);
  ASSERT_TRUE(failed.found);
  EXPECT_EQ(failed.text.rfind("The Microsoft SQL Data Engine installation failed (exit code ", 0), 0u) << failed.text;
  EXPECT_EQ(failed.text.find("(exit code 0)"), std::string::npos) << failed.text;
  ASSERT_TRUE(engine.WaitForEnd());
  EXPECT_EQ(engine.Finish(), 0);
  EXPECT_EQ(Uninstall(setup), 0);
}

TEST_F(InstallerTest, RestartIsAskedWhenTheScriptWantsIt) {
  TSetupFolder setup("restart");
  std::string record = setup.scratch.File("restart.txt");
  SetEnvironmentVariableA("VORN_RESTART_RECORD", record.c_str());
  setup.scratch.Write("files\\vorn.exe", "program");
  setup.Script("reboot=yes\r\nvorn.exe,0,Main program,files,\r\n");
  for (int answer : {IDNO, IDYES}) {
    TInstallerRun run;
    ASSERT_TRUE(run.Start(setup));
    ASSERT_TRUE(run.OpenWelcome());
    Click(run.welcome, IDOK);
    ASSERT_TRUE(run.WaitForEnd());
    Click(run.welcome, IDOK);
    TWatchedDialog question = FindDialog(run.child.pid(), "Reboot Needed", Wait);
    ASSERT_TRUE(question.found);
    if (answer == IDYES) Screenshot(question.window, "install_reboot");
    PressDialogButton(question.window, answer);
    EXPECT_EQ(run.child.Wait(Wait), 0);
    EXPECT_EQ(TScratchDir::Read(record), answer == IDYES ? "restart\r\n" : "");
  }
  SetEnvironmentVariableA("VORN_RESTART_RECORD", nullptr);
  EXPECT_EQ(Uninstall(setup), 0);
}

}  // namespace

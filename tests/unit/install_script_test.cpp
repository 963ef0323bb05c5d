// The installer's setup script, install log lines, folder creation and placeholders.
#include "install/installlog.h"
#include "install/setupscript.h"
#include "support/scratch_dir.h"

#include <gtest/gtest.h>

namespace {

TEST(SetupScript, SettingLinesSetTheirSettings) {
  struct Case {
    const char* line;
    std::string TInstallerSettings::*field;
    const char* expected;
  };
  const Case cases[] = {
      {"dir=c:\\vorn", &TInstallerSettings::directory, "c:\\vorn"},
      {"DIR=D:\\Apps\\Vorn", &TInstallerSettings::directory, "D:\\Apps\\Vorn"},
      {"App=Vorn Office", &TInstallerSettings::appName, "Vorn Office"},
      {"check=vorn.exe", &TInstallerSettings::checkFile, "vorn.exe"},
      {"remote install site=files.example.com", &TInstallerSettings::remoteSite, "files.example.com"},
      {"version number=2.1", &TInstallerSettings::version, "2.1"},
      {"database=SQL-Server", &TInstallerSettings::database, "SQL-Server"},
      {"ini file=vorn.ini", &TInstallerSettings::iniFile, "vorn.ini"},
      {"license file=licence.txt", &TInstallerSettings::licenseFile, "licence.txt"},
      {"readme file=readme.txt", &TInstallerSettings::readmeFile, "readme.txt"},
      // Only the start of the line counts, and the value is the rest of it, blanks and commas too.
      {"app=A, B=C", &TInstallerSettings::appName, "A, B=C"},
  };
  for (const Case& c : cases) {
    TInstallerSettings settings;
    ReadScriptLine(settings, c.line);
    EXPECT_EQ(settings.*c.field, c.expected) << c.line;
    EXPECT_TRUE(settings.entries.empty()) << c.line;
  }
}

TEST(SetupScript, BackdropNumberAndRebootFlag) {
  struct Case {
    const char* line;
    int backdrop;
    bool reboot;
  };
  const Case cases[] = {
      {"bg=3", 3, false},   {"BG=12", 12, false},     {"bg=x", 0, false},
      {"reboot=yes", 0, true}, {"reboot=Y", 0, true}, {"reboot=no", 0, false},
      {"reboot=", 0, false},   {"REBOOT=true", 0, false},
  };
  for (const Case& c : cases) {
    TInstallerSettings settings;
    ReadScriptLine(settings, c.line);
    EXPECT_EQ(settings.backdrop, c.backdrop) << c.line;
    EXPECT_EQ(settings.reboot, c.reboot) << c.line;
  }
}

TEST(SetupScript, IgnoredLinesChangeNothing) {
  const char* lines[] = {"", "; a comment, with commas", "dir =c:\\other", "unknown key=1", "x,1,has=sign"};
  for (const char* line : lines) {
    TInstallerSettings settings;
    ReadScriptLine(settings, line);
    EXPECT_EQ(settings.directory, "c:\\") << line;
    EXPECT_TRUE(settings.entries.empty()) << line;
  }
}

TEST(SetupScript, EntryLinesByNumberOfFields) {
  struct Case {
    const char* line;
    const char* name;
    int type;
    const char* description;
    const char* source;
    const char* dest;
  };
  const Case cases[] = {
      {"vorn.exe,0,Main program,bin,program", "vorn.exe", 0, "Main program", "bin", "program"},
      {"vorn.exe,0,Main program,bin", "vorn.exe", 0, "Main program", "bin", "bin"},
      {"data,2,Data folder", "data", 2, "Data folder", "", ""},
      {"old.dll,1", "old.dll", 1, "", "", ""},
      {"lonely", "lonely", 0, "", "", ""},
      {"a,7,key,%1data,dst,extra", "a", 7, "key", "%1data", "dst"},
      {"  spaced , 4 , text ,src", "  spaced ", 4, " text ", "src", "src"},
  };
  for (const Case& c : cases) {
    TInstallerSettings settings;
    ReadScriptLine(settings, c.line);
    ASSERT_EQ(settings.entries.size(), 1u) << c.line;
    const TSetupEntry& e = settings.entries[0];
    EXPECT_EQ(e.name, c.name) << c.line;
    EXPECT_EQ(e.type, c.type) << c.line;
    EXPECT_EQ(e.description, c.description) << c.line;
    EXPECT_EQ(e.sourceDir, c.source) << c.line;
    EXPECT_EQ(e.destDir, c.dest) << c.line;
  }
}

TEST(SetupScript, ReadsTheFileInOrderAndKeepsDefaultsWithoutIt) {
  TScratchDir dir("inst");
  TInstallerSettings missing;
  missing.setupFolder = dir.path();
  ReadSetupScript(missing);
  EXPECT_EQ(missing.directory, "c:\\");
  EXPECT_TRUE(missing.entries.empty());

  dir.Write("setup.inf",
            "; vorn setup\r\napp=Vorn\r\n\r\nfirst.txt,0,First\r\ndir=c:\\vorn\r\nsecond.txt,0,Second,src\r\n"
            "bg=2\nthird,2,Folder");
  TInstallerSettings settings;
  settings.setupFolder = dir.path();
  ReadSetupScript(settings);
  EXPECT_EQ(settings.appName, "Vorn");
  EXPECT_EQ(settings.directory, "c:\\vorn");
  EXPECT_EQ(settings.backdrop, 2);
  ASSERT_EQ(settings.entries.size(), 3u);
  EXPECT_EQ(settings.entries[0].name, "first.txt");
  EXPECT_EQ(settings.entries[1].sourceDir, "src");
  EXPECT_EQ(settings.entries[2].type, 2);
  EXPECT_EQ(settings.entries[2].description, "Folder");
}

TEST(InstallPlaceholders, ExpandOnceIntoABoundedText) {
  struct Case {
    const char* text;
    const char* install;
    const char* setup;
    const char* expected;
  };
  const Case cases[] = {
      {"%1data", "c:\\vorn", "d:\\cd", "c:\\vorn\\data"},
      {"%1data", "c:\\vorn\\", "d:\\cd", "c:\\vorn\\data"},
      {"%2setup.exe %1", "c:\\v", "d:\\", "d:\\setup.exe c:\\v\\"},
      {"plain", "c:\\v", "d:\\", "plain"},
      {"100%", "c:\\v", "d:\\", "100%"},
      {"%3 %%1", "c:\\v", "d:\\", "%3 %c:\\v\\"},
      // A folder whose name holds a placeholder is pasted as it is, never expanded again.
      {"%1x", "c:\\%1", "d:\\", "c:\\%1\\x"},
      {"%1%2", "c:\\%2", "d:\\%1", "c:\\%2\\d:\\%1\\"},
  };
  for (const Case& c : cases) EXPECT_EQ(ExpandDirMacros(c.text, c.install, c.setup), c.expected) << c.text;

  std::string many;
  for (int i = 0; i < 2000; ++i) many += "%1";
  std::string expanded = ExpandDirMacros(many, std::string(100, 'x'), "d:\\");
  EXPECT_EQ(expanded.size(), 8191u);
}

TEST(InstallLog, LinesAreAppendedWithCrLfAcrossOpenings) {
  TScratchDir dir("inst");
  std::string path = dir.File("install.log");
  {
    TInstallLog log;
    ASSERT_TRUE(log.Open(path));
    WriteLogLine(&log, "%s\t0\t%s", "c:\\v\\a.exe", "Main program");
  }
  {
    TInstallLog log;
    ASSERT_TRUE(log.Open(path));
    WriteLogLine(&log, "%s\t2\tCreate Directory", "c:\\v");
  }
  WriteLogLine(nullptr, "ignored");
  EXPECT_EQ(TScratchDir::Read(path), "c:\\v\\a.exe\t0\tMain program\r\nc:\\v\t2\tCreate Directory\r\n");
}

TEST(InstallLog, EachCreatedFolderLevelIsLoggedOnce) {
  TScratchDir dir("inst");
  std::string logPath = dir.File("install.log");
  TInstallLog log;
  ASSERT_TRUE(log.Open(logPath));
  CreateDirectoryPath(&log, dir.File("a\\b\\c\\"));
  CreateDirectoryPath(&log, dir.File("a\\b\\d"));
  CreateDirectoryPath(&log, dir.File("a\\b"));
  log.Close();
  EXPECT_NE(GetFileAttributesA(dir.File("a\\b\\c").c_str()), INVALID_FILE_ATTRIBUTES);
  std::string expected = dir.File("a") + "\t2\tCreate Directory\r\n" + dir.File("a\\b") + "\t2\tCreate Directory\r\n" +
                         dir.File("a\\b\\c") + "\t2\tCreate Directory\r\n" + dir.File("a\\b\\d") +
                         "\t2\tCreate Directory\r\n";
  EXPECT_EQ(TScratchDir::Read(logPath), expected);
}

TEST(InstallLog, PathHelpers) {
  EXPECT_EQ(DirectoryPart("c:\\v\\install.log"), "c:\\v");
  EXPECT_EQ(DirectoryPart("install.log"), "");
  EXPECT_EQ(JoinPath("c:\\v", "a.txt"), "c:\\v\\a.txt");
  EXPECT_EQ(JoinPath("c:\\", "a.txt"), "c:\\a.txt");
  EXPECT_EQ(JoinPath("", "a.txt"), "a.txt");
  EXPECT_EQ(JoinPath("c:\\v", ""), "c:\\v");
}

}  // namespace

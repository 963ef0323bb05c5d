// Unpacking ".sq" archives: good members, the end, hostile names, broken sizes and damaged data.
#include "install/archive.h"
#include "support/dialog_watcher.h"
#include "support/scratch_dir.h"
#include "support/sq_archive_writer.h"

#include <gtest/gtest.h>

#include <windows.h>

namespace {

struct TUnpacked {
  std::vector<TMemberResult> results;  // one per call, up to and including the first that is not Written
  std::vector<std::string> names;
};

// Extracts as the installer does: until the first member that is not written.
TUnpacked Unpack(const std::string& archivePath, const std::string& folder) {
  TUnpacked out;
  int handle = OpenArchive(archivePath.c_str());
  EXPECT_GE(handle, 0);
  for (int guard = 0; guard < 100; ++guard) {
    std::string name;
    TMemberResult result = ExtractArchiveMember(handle, folder.c_str(), name);
    out.results.push_back(result);
    if (result != TMemberResult::Written) break;
    out.names.push_back(name);
  }
  CloseArchive(handle);
  return out;
}

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

TEST(SqArchive, GoodMembersAreWrittenInOrder) {
  TScratchDir dir("sq");
  std::string big(300000, '\0');
  for (size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>(i * 7 % 251);
  std::string archive =
      dir.Write("good.sq", SqArchive({{"vorn.ini", "[Network]\r\n"}, {"empty.txt", ""}, {"data.bin", big}}));
  CreateDirectoryA(dir.File("out").c_str(), nullptr);
  TUnpacked got = Unpack(archive, dir.File("out"));
  ASSERT_EQ(got.results.size(), 4u);
  EXPECT_EQ(got.results.back(), TMemberResult::EndOfArchive);
  EXPECT_EQ(got.names, (std::vector<std::string>{"vorn.ini", "empty.txt", "data.bin"}));
  EXPECT_EQ(TScratchDir::Read(dir.File("out\\vorn.ini")), "[Network]\r\n");
  EXPECT_TRUE(Exists(dir.File("out\\empty.txt")));
  EXPECT_EQ(TScratchDir::Read(dir.File("out\\empty.txt")), "");
  EXPECT_EQ(TScratchDir::Read(dir.File("out\\data.bin")), big);
}

TEST(SqArchive, BrokenArchivesStopAtTheBadMember) {
  const std::string good = SqMember("first.txt", "first");
  const std::string packed = SqCompress("payload");
  struct Case {
    const char* what;
    std::string bytes;
    TMemberResult stop;
  };
  const Case cases[] = {
      {"empty file", "", TMemberResult::EndOfArchive},
      {"name length 0", good + SqRawMember(0, "", 7, int32_t(packed.size()), packed), TMemberResult::BadHeader},
      {"name length 260", good + SqRawMember(260, std::string(260, 'n'), 7, int32_t(packed.size()), packed),
       TMemberResult::BadHeader},
      {"negative name length", good + SqRawMember(-5, "x", 7, int32_t(packed.size()), packed), TMemberResult::BadHeader},
      {"name past the end", good + SqRawMember(200, "short", 0, 0, ""), TMemberResult::BadHeader},
      {"packed size past the end", good + SqRawMember(5, "p.txt", 7, int32_t(packed.size()) + 1000, packed),
       TMemberResult::BadHeader},
      {"negative packed size", good + SqRawMember(5, "p.txt", 7, -1, packed), TMemberResult::BadHeader},
      {"unpacked size beyond the cap", good + SqRawMember(5, "p.txt", 0x7FFFFFFF, int32_t(packed.size()), packed),
       TMemberResult::BadHeader},
      {"negative unpacked size", good + SqRawMember(5, "p.txt", -7, int32_t(packed.size()), packed),
       TMemberResult::BadHeader},
      {"header cut short", good + std::string("\x05\0\0", 3), TMemberResult::BadHeader},
      {"stream is not zlib", good + SqRawMember(5, "p.txt", 7, 7, "garbage"), TMemberResult::Damaged},
      {"inflates past its size", good + SqRawMember(5, "p.txt", 3, int32_t(packed.size()), packed),
       TMemberResult::Damaged},
      {"inflates short of its size", good + SqRawMember(5, "p.txt", 70, int32_t(packed.size()), packed),
       TMemberResult::Damaged},
  };
  for (const Case& c : cases) {
    TScratchDir dir("sq");
    std::string archive = dir.Write("a.sq", c.bytes);
    TUnpacked got = Unpack(archive, dir.path());
    EXPECT_EQ(got.results.back(), c.stop) << c.what;
    EXPECT_EQ(got.names.size(), c.bytes.empty() ? 0u : 1u) << c.what;
    EXPECT_FALSE(Exists(dir.File("p.txt"))) << c.what;
    if (!c.bytes.empty()) {
      EXPECT_EQ(TScratchDir::Read(dir.File("first.txt")), "first") << c.what;
    }
  }
}

TEST(SqArchive, NamesThatLeaveTheFolderAreRefused) {
  const char* names[] = {"..\\escape.txt", "../escape.txt", "..",          "sub\\..\\..\\escape.txt",
                         "\\escape.txt",   "/escape.txt",   "c:escape.txt", "C:\\escape.txt",
                         "sub\\inner.txt", "sub/inner.txt", "a:b",          "name\x01.txt",
                         "what?.txt",      "star*.txt",     ".",            "trailing. "};
  for (const char* name : names) {
    TScratchDir dir("sq");
    CreateDirectoryA(dir.File("dest").c_str(), nullptr);
    CreateDirectoryA(dir.File("dest\\sub").c_str(), nullptr);
    std::string archive = dir.Write("a.sq", SqMember(name, "hostile") + SqMember("after.txt", "after"));
    TUnpacked got = Unpack(archive, dir.File("dest"));
    ASSERT_EQ(got.results.size(), 1u) << name;
    EXPECT_EQ(got.results[0], TMemberResult::UnsafeName) << name;
    EXPECT_FALSE(Exists(dir.File("escape.txt"))) << name;
    EXPECT_FALSE(Exists(dir.File("dest\\sub\\inner.txt"))) << name;
    EXPECT_FALSE(Exists(dir.File("dest\\after.txt"))) << name;
  }
  EXPECT_TRUE(IsPlainFileName("vorn.ini"));
  EXPECT_TRUE(IsPlainFileName("read me.1st.txt"));
  EXPECT_TRUE(IsPlainFileName(".hidden"));
}

TEST(SqArchive, ADamagedMemberLeavesTheOldFileWhole) {
  TScratchDir dir("sq");
  dir.Write("vorn.ini", "old settings");
  std::string archive = dir.Write("a.sq", SqRawMember(8, "vorn.ini", 50, 9, "not zlib!"));
  TUnpacked got = Unpack(archive, dir.path());
  EXPECT_EQ(got.results, std::vector<TMemberResult>{TMemberResult::Damaged});
  EXPECT_EQ(TScratchDir::Read(dir.File("vorn.ini")), "old settings");
}

TEST(SqArchive, AReadOnlyTargetIsReplaced) {
  TScratchDir dir("sq");
  std::string target = dir.Write("vorn.exe", "old program");
  SetFileAttributesA(target.c_str(), FILE_ATTRIBUTE_READONLY);
  std::string archive = dir.Write("a.sq", SqMember("vorn.exe", "new program"));
  TUnpacked got = Unpack(archive, dir.path());
  EXPECT_EQ(got.names, std::vector<std::string>{"vorn.exe"});
  EXPECT_EQ(TScratchDir::Read(target), "new program");
  SetFileAttributesA(target.c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST(SqArchive, ATargetInUseIsReportedAndKept) {
  TScratchDir dir("sq");
  std::string target = dir.Write("busy.dll", "in use");
  HANDLE holder = CreateFileA(target.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(holder, INVALID_HANDLE_VALUE);
  std::string archive = dir.Write("a.sq", SqMember("busy.dll", "replacement"));
  auto watcher = WatchAndPressAsync(GetCurrentProcessId(), "Could not overwrite file", IDOK, 30000);
  TUnpacked got = Unpack(archive, dir.path());
  TWatchedDialog box = watcher.get();
  CloseHandle(holder);
  EXPECT_EQ(got.results, std::vector<TMemberResult>{TMemberResult::CannotReplace});
  ASSERT_TRUE(box.found);
  EXPECT_NE(box.text.find("currently be using the file " + target + " or you have another copy of"),
            std::string::npos)
      << box.text;
  EXPECT_EQ(box.icon, TBoxIcon::Hand) << BoxIconName(box.icon);
  EXPECT_EQ(TScratchDir::Read(target), "in use");
}

TEST(SqArchive, WithoutAFolderTheNameIsUsedAsItIs) {
  TScratchDir dir("sq");
  std::string archive = dir.Write("a.sq", SqMember("here.txt", "here"));
  char previous[MAX_PATH];
  GetCurrentDirectoryA(sizeof previous, previous);
  SetCurrentDirectoryA(dir.path().c_str());
  TUnpacked got = Unpack(archive, "");
  SetCurrentDirectoryA(previous);
  EXPECT_EQ(got.names, std::vector<std::string>{"here.txt"});
  EXPECT_EQ(TScratchDir::Read(dir.File("here.txt")), "here");
}

TEST(SqArchive, MissingArchiveCannotBeOpened) {
  TScratchDir dir("sq");
  EXPECT_EQ(OpenArchive(dir.File("none.sq").c_str()), -1);
}

}  // namespace

// Paths, application bitmaps, node lists and template lines.
#include "data/core/nodelist.h"
#include "data/core/paths.h"
#include "data/core/templatelines.h"
#include "data/core/textlines.h"
#include "support/scratch_dir.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

TEST(FullPathInDir, JoinsWithOneSeparator) {
  struct Case { const char* name; const char* folder; const char* path; };
  const Case cases[] = {
      {"report.txt", "reports", "reports\\report.txt"},
      {"report.txt", "reports\\", "reports\\report.txt"},
      {"\\report.txt", "reports", "reports\\report.txt"},
      {"C:\\data\\report.txt", "reports", "C:\\data\\report.txt"},
  };
  for (const Case& c : cases) EXPECT_STREQ(FullPathInDir(c.name, c.folder), c.path) << c.name;
}

TEST(FindFileInFolder, FindsOnlyExistingFiles) {
  TScratchDir dir;
  dir.Write("here.txt", "x");
  EXPECT_EQ(std::string(FindFileInFolder("here.txt", dir.path().c_str())), dir.File("here.txt"));
  EXPECT_STREQ(FindFileInFolder("absent.txt", dir.path().c_str()), "absent.txt");
}

namespace {
// A 2x2 24-bit bitmap file.
std::string TinyBitmap() {
  std::vector<uint8_t> bytes(54 + 16, 0);
  auto put32 = [&](size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<uint8_t>(v >> (8 * i));
  };
  bytes[0] = 'B';
  bytes[1] = 'M';
  put32(2, static_cast<uint32_t>(bytes.size()));
  put32(10, 54);
  put32(14, 40);
  put32(18, 2);
  put32(22, 2);
  bytes[26] = 1;
  bytes[28] = 24;
  put32(34, 16);
  return std::string(bytes.begin(), bytes.end());
}

struct TCurrentDir {
  char saved[MAX_PATH];
  explicit TCurrentDir(const std::string& dir) {
    GetCurrentDirectoryA(sizeof saved, saved);
    SetCurrentDirectoryA(dir.c_str());
  }
  ~TCurrentDir() { SetCurrentDirectoryA(saved); }
};
}  // namespace

TEST(LoadAppBitmap, CurrentFolderThenImagesFolder) {
  TScratchDir dir;
  dir.Write("logo.bmp", TinyBitmap());
  CreateDirectoryA(dir.File("images").c_str(), nullptr);
  dir.Write("images\\photo.bmp", TinyBitmap());
  TCurrentDir cwd(dir.path());

  HBITMAP logo = LoadAppBitmap("logo");
  ASSERT_NE(logo, nullptr);
  BITMAP info{};
  GetObjectA(logo, sizeof info, &info);
  EXPECT_EQ(info.bmWidth, 2);
  EXPECT_NE(LoadAppBitmap("photo"), nullptr);
  EXPECT_NE(LoadAppBitmap("photo.bmp"), nullptr);
  EXPECT_EQ(LoadAppBitmap("missing"), nullptr);
}

namespace {
struct TItem {
  TListNode link;
  int value;
};
std::vector<int> Values(TListNode* head) {
  std::vector<int> values;
  TListNode* last = nullptr;
  for (TListNode* n = head; n; n = n->Next) {
    EXPECT_EQ(n->Prev, last);
    values.push_back(reinterpret_cast<TItem*>(n)->value);
    last = n;
  }
  return values;
}
}  // namespace

TEST(NodeList, AppendInsertRemoveKeepBothDirections) {
  TItem a{{}, 1}, b{{}, 2}, c{{}, 3}, d{{}, 4};
  TListNode* list = nullptr;
  ListAppend(&list, &a.link);
  ListAppend(&list, &c.link);
  EXPECT_EQ(ListInsertAfter(&list, &a.link, &b.link), 1);
  EXPECT_EQ(ListInsertAfter(&list, nullptr, &d.link), 1);
  EXPECT_EQ(Values(list), (std::vector<int>{1, 2, 3, 4}));
  EXPECT_EQ(ListInsertAfter(&list, &a.link, nullptr), 0);

  EXPECT_EQ(ListRemove(&list, &a.link), 1);  // the head
  EXPECT_EQ(Values(list), (std::vector<int>{2, 3, 4}));
  EXPECT_EQ(ListRemove(&list, &c.link), 1);  // the middle
  EXPECT_EQ(ListRemove(&list, &d.link), 1);  // the tail
  EXPECT_EQ(Values(list), (std::vector<int>{2}));
  EXPECT_EQ(ListRemove(&list, nullptr), 0);
  EXPECT_EQ(ListRemove(nullptr, &b.link), 0);
  EXPECT_EQ(ListRemove(&list, &b.link), 1);
  EXPECT_EQ(list, nullptr);
}

TEST(TemplateLines, ReadsElementsAndKeysWritesOnlyFilledValues) {
  TScratchDir dir;
  std::string path = dir.File("t.tpl");
  FILE* out = std::fopen(path.c_str(), "w");
  std::fputs("<Field>\n", out);
  WriteTemplateValue(out, "Caption", "  with blanks  ");
  WriteTemplateValue(out, "Empty", "");
  WriteTemplateValue(out, "", "nameless");
  std::fputs("  Plain =  spaced value  \n", out);
  std::fputs("just text\n\n =novalue\n", out);
  std::fputs("Open=\"unterminated\n", out);
  std::fputs("</Field>\n<  Other >\n", out);
  std::fclose(out);
  EXPECT_EQ(TScratchDir::Read(path).find("Empty"), std::string::npos);

  TTextLines in(path);
  char name[8192], value[8192];
  struct Step { int result; const char* name; const char* value; };
  const Step steps[] = {
      {1, "Field", ""}, {1, "Caption", "  with blanks  "}, {1, "Plain", "spaced value"},
      {1, "Open", "unterminated"}, {0, "", ""}, {1, "Other", ""}, {0, "", ""},
  };
  for (const Step& s : steps) {
    EXPECT_EQ(ReadTemplateLine(in, name, sizeof name, value, sizeof value), s.result);
    EXPECT_STREQ(name, s.name);
    EXPECT_STREQ(value, s.value);
  }
}

TEST(TemplateLines, LongNamesAndValuesAreCutToTheirBuffers) {
  TScratchDir dir("tpl");
  const std::string path = dir.Write("long.txt", "<" + std::string(50, 'E') + ">\n" + std::string(40, 'N') +
                                                     "=\"" + std::string(3000, 'v') + "\"\n" +
                                                     "Plain=" + std::string(20, 'w') + "\n");
  TTextLines in(path);
  ASSERT_TRUE(in.IsOpen());
  struct {
    char name[8];
    char guard1[8];
    char value[16];
    char guard2[8];
  } b;
  std::memset(&b, 'X', sizeof b);
  const struct {
    const char* name;
    std::string value;
  } expected[] = {{"EEEEEEE", ""}, {"NNNNNNN", std::string(15, 'v')}, {"Plain", std::string(15, 'w')}};
  for (const auto& e : expected) {
    EXPECT_EQ(ReadTemplateLine(in, b.name, sizeof b.name, b.value, sizeof b.value), 1);
    EXPECT_STREQ(b.name, e.name);
    EXPECT_EQ(std::string(b.value), e.value);
    EXPECT_EQ(std::string(b.guard1, 8), std::string(8, 'X'));
    EXPECT_EQ(std::string(b.guard2, 8), std::string(8, 'X'));
  }
}

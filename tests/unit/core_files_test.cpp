// Buffered files on real files: the table of 16, the shares of the one buffer, text mode,
// line reads, the end test, appending, large and interleaved transfers, and the lines of
// text files whatever their line ends.
#include "data/core/bufferedfile.h"
#include "data/core/textlines.h"
#include "support/scratch_dir.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace {

class BufferedFiles : public ::testing::Test {
protected:
  void TearDown() override { EXPECT_EQ(FileCloseAll(), 0) << "a test left files open"; }
  TScratchDir dir{"bfile"};
};

std::string Pattern(size_t size, unsigned seed) {
  std::mt19937 random(seed);
  std::string text(size, '\0');
  for (char& c : text) c = static_cast<char>(random());
  return text;
}

}  // namespace

TEST_F(BufferedFiles, SixteenFilesAtMost) {
  std::vector<TBufferedFile*> files;
  for (int i = 0; i < MAX_OPEN_FILES; ++i) {
    files.push_back(FileOpen(dir.File("f" + std::to_string(i)).c_str(), "w"));
    ASSERT_NE(files.back(), nullptr) << i;
  }
  EXPECT_EQ(FileOpen(dir.File("extra").c_str(), "w"), nullptr);
  EXPECT_EQ(FileShareSize(), 512);
  EXPECT_EQ(FileClose(files[3]), 0);
  TBufferedFile* next = FileOpen(dir.File("extra").c_str(), "w");
  EXPECT_EQ(next, files[3]);  // the freed slot
  EXPECT_EQ(FileCloseAll(), MAX_OPEN_FILES);
  EXPECT_EQ(FileClose(next), -1);  // already closed
  // Refused opens: unknown mode, missing file for reading.
  EXPECT_EQ(FileOpen(dir.File("f0").c_str(), "x"), nullptr);
  EXPECT_EQ(FileOpen(dir.File("missing").c_str(), "rb"), nullptr);
}

TEST_F(BufferedFiles, SharesFollowTheNumberOfOpenFiles) {
  const std::string content = Pattern(20000, 1);
  std::string path = dir.Write("data", content);
  TBufferedFile* first = FileOpen(path.c_str(), "rb");
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(FileShareSize(), 8192);
  char head[10];
  ASSERT_EQ(FileRead(head, 1, 10, first), 10u);
  // The second open gives the first file's read-ahead back: reading goes on where it was.
  TBufferedFile* second = FileOpen(path.c_str(), "rb");
  EXPECT_EQ(FileShareSize(), 4096);
  EXPECT_EQ(FileTell(first), 10);
  EXPECT_EQ(FileGetc(first), static_cast<unsigned char>(content[10]));
  std::vector<TBufferedFile*> more;
  const int expected[] = {2048, 2048, 1024, 1024, 1024, 1024, 512};
  for (int size : expected) {
    more.push_back(FileOpen(path.c_str(), "rb"));
    EXPECT_EQ(FileShareSize(), size) << more.size() + 2 << " files";
  }
  std::string rest(content.size() - 11, '\0');
  EXPECT_EQ(FileRead(&rest[0], 1, rest.size(), first), rest.size());
  EXPECT_EQ(rest, content.substr(11));
  for (TBufferedFile* file : more) FileClose(file);
  EXPECT_EQ(FileShareSize(), 4096);
  FileClose(second);
  EXPECT_EQ(FileShareSize(), 8192);
  FileClose(first);
}

TEST_F(BufferedFiles, TextModeWritesAndReadsLineEnds) {
  std::string path = dir.File("text");
  TBufferedFile* out = FileOpen(path.c_str(), "w");
  ASSERT_NE(out, nullptr);
  EXPECT_EQ(FilePutc('a', out), 'a');
  EXPECT_EQ(FilePutc('\n', out), '\n');
  EXPECT_EQ(FilePuts("b\nc", out), 0);
  EXPECT_EQ(FilePrintf(out, "|%d\n", 42), 4);
  FileClose(out);
  EXPECT_EQ(TScratchDir::Read(path), "a\r\nb\r\nc|42\r\n");

  TBufferedFile* in = FileOpen(path.c_str(), "r");
  std::string back;
  for (int c = FileGetc(in); c != -1; c = FileGetc(in)) back += static_cast<char>(c);
  EXPECT_EQ(back, "a\nb\nc|42\n");
  FileClose(in);

  // Binary mode leaves every byte as it is.
  TBufferedFile* binary = FileOpen(path.c_str(), "ab");
  FilePuts("x\n", binary);
  FileClose(binary);
  EXPECT_EQ(TScratchDir::Read(path), "a\r\nb\r\nc|42\r\nx\n");
  binary = FileOpen(path.c_str(), "rb");
  EXPECT_EQ(FileGetc(binary), 'a');
  EXPECT_EQ(FileGetc(binary), '\r');
  FileClose(binary);
}

TEST_F(BufferedFiles, LineReads) {
  std::string path = dir.Write("lines", "abcdefghijklmnopqrst\r\nshort\r\nlast");
  TBufferedFile* in = FileOpen(path.c_str(), "r");
  char line[64];
  // Size n keeps n - 2 characters.
  ASSERT_NE(FileGets(line, 10, in), nullptr);
  EXPECT_STREQ(line, "abcdefgh");
  ASSERT_NE(FileGets(line, sizeof line, in), nullptr);
  EXPECT_STREQ(line, "ijklmnopqrst\n");
  EXPECT_STREQ(FileGets(line, 1, in), "");
  // A pushed-back character comes first.
  EXPECT_EQ(FileGetc(in), 's');
  FileUngetc('S', in);
  EXPECT_STREQ(FileGets(line, sizeof line, in), "Short\n");
  EXPECT_STREQ(FileGets(line, sizeof line, in), "last");
  EXPECT_EQ(FileGets(line, sizeof line, in), nullptr);
  FileClose(in);
}

TEST_F(BufferedFiles, EndTestKeepsTheNextByte) {
  std::string path = dir.Write("end", "xy");
  TBufferedFile* in = FileOpen(path.c_str(), "rb");
  EXPECT_EQ(FileAtEnd(in), 0);
  EXPECT_EQ(FileGetc(in), 'x');
  EXPECT_EQ(FileAtEnd(in), 0);
  EXPECT_EQ(FileTell(in), 1);  // the byte read to test is given back
  char rest[4] = "";
  EXPECT_EQ(FileRead(rest, 1, 3, in), 1u);  // block reads see it too
  EXPECT_EQ(rest[0], 'y');
  EXPECT_EQ(FileAtEnd(in), 1);
  EXPECT_EQ(FileGetc(in), -1);
  FileClose(in);
}

TEST_F(BufferedFiles, AppendCreatesOrExtends) {
  std::string path = dir.File("log");
  TBufferedFile* log = FileOpen(path.c_str(), "a");
  ASSERT_NE(log, nullptr);
  FilePuts("one\n", log);
  FileClose(log);
  log = FileOpen(path.c_str(), "a+");
  EXPECT_EQ(FileTell(log), 5);
  FilePuts("two\n", log);
  FileClose(log);
  EXPECT_EQ(TScratchDir::Read(path), "one\r\ntwo\r\n");
  // "w" truncates; "r+" reads and writes in place.
  TBufferedFile* rw = FileOpen(path.c_str(), "r+b");
  EXPECT_EQ(FileSeek(rw, 3, 0), 3);
  FileWrite("!!", 1, 2, rw);
  EXPECT_EQ(FileSeek(rw, 0, 0), 0);
  char head[6] = "";
  EXPECT_EQ(FileRead(head, 1, 5, rw), 5u);
  EXPECT_EQ(std::string(head, 5), "one!!");
  FileClose(rw);
  FileClose(FileOpen(path.c_str(), "w"));
  EXPECT_EQ(TScratchDir::Read(path), "");
}

TEST_F(BufferedFiles, LargeAndInterleavedTransfers) {
  // Three files written turn by turn in pieces from 1 byte to twice the buffer, so that
  // some go through the shared buffer and some bypass it; then read back the same way.
  const size_t sizes[] = {1, 7, 300, 511, 512, 513, 2047, 4096, 5000, 8192, 16385};
  const int fileCount = 3;
  std::vector<std::string> contents(fileCount);
  std::vector<TBufferedFile*> files;
  for (int f = 0; f < fileCount; ++f)
    files.push_back(FileOpen(dir.File("big" + std::to_string(f)).c_str(), "wb"));
  unsigned seed = 7;
  for (int round = 0; round < 3; ++round)
    for (size_t size : sizes)
      for (int f = 0; f < fileCount; ++f) {
        std::string piece = Pattern(size, seed++);
        ASSERT_EQ(FileWrite(piece.data(), 1, piece.size(), files[f]), piece.size());
        contents[f] += piece;
      }
  for (int f = 0; f < fileCount; ++f)
    EXPECT_EQ(FileTell(files[f]), static_cast<long>(contents[f].size()));
  EXPECT_EQ(FileCloseAll(), fileCount);
  files.clear();
  for (int f = 0; f < fileCount; ++f) {
    EXPECT_EQ(TScratchDir::Read(dir.File("big" + std::to_string(f))), contents[f]) << f;
    files.push_back(FileOpen(dir.File("big" + std::to_string(f)).c_str(), "rb"));
  }
  std::vector<size_t> done(fileCount, 0);
  for (int round = 0; round < 3; ++round)
    for (size_t k = 0; k < sizeof sizes / sizeof sizes[0]; ++k)
      for (int f = 0; f < fileCount; ++f) {
        size_t size = sizes[(k + f) % (sizeof sizes / sizeof sizes[0])];
        std::string piece(size, '\0');
        ASSERT_EQ(FileRead(&piece[0], 1, size, files[f]), size);
        ASSERT_EQ(piece, contents[f].substr(done[f], size)) << "file " << f << " at " << done[f];
        done[f] += size;
      }
  // Seeking relative to what was consumed, with read-ahead in the buffer.
  EXPECT_EQ(FileSeek(files[0], -100, 1), static_cast<long>(done[0] - 100));
  EXPECT_EQ(FileGetc(files[0]), static_cast<unsigned char>(contents[0][done[0] - 100]));
  EXPECT_EQ(FileSeekStatus(files[1], 0, 2), 0);
  EXPECT_EQ(FileTell(files[1]), static_cast<long>(contents[1].size()));
  EXPECT_EQ(FileAtEnd(files[1]), 1);
  EXPECT_EQ(FileCloseAll(), fileCount);
}

TEST_F(BufferedFiles, HandleAndFlushWritePendingData) {
  std::string path = dir.File("pending");
  TBufferedFile* out = FileOpen(path.c_str(), "wb");
  FileWrite("abc", 1, 3, out);
  EXPECT_EQ(TScratchDir::Read(path), "");  // still in the buffer
  EXPECT_NE(FileHandle(out), -1);
  EXPECT_EQ(TScratchDir::Read(path), "abc");
  FileWrite("de", 1, 2, out);
  EXPECT_EQ(FileFlushAll(), 0);
  EXPECT_EQ(TScratchDir::Read(path), "abcde");
  FileClose(out);
}

TEST_F(BufferedFiles, TextLinesEndAtCrLfOrBothAndKeepNulBytes) {
  using TLines = std::vector<std::string>;
  const std::string nul(1, '\0');
  const struct {
    const char* what;
    std::string content;
    TLines lines;
    long firstNulLine;
  } cases[] = {
      {"line feeds", "a\nbc\n", {"a", "bc"}, 0},
      {"carriage return and line feed", "a\r\nbc\r\n", {"a", "bc"}, 0},
      {"carriage returns alone", "a\rbc\r\rd", {"a", "bc", "", "d"}, 0},
      {"all three mixed", "a\rb\nc\r\nd\n\re", {"a", "b", "c", "d", "", "e"}, 0},
      {"a last line without its end", "a\nlast", {"a", "last"}, 0},
      {"a NUL is a character of its line", "1\tAnn" + nul + "x\tk\n2\tBo\n", {"1\tAnn" + nul + "x\tk", "2\tBo"}, 1},
      {"a NUL at the line end", "x\ra" + nul + "\rb" + nul, {"x", "a" + nul, "b" + nul}, 2},
      {"a line longer than the buffer", std::string(20000, 'x') + "\ny", {std::string(20000, 'x'), "y"}, 0},
      {"nothing", "", {}, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    TTextLines file(dir.Write("lines", c.content));
    ASSERT_TRUE(file.IsOpen());
    TLines read;
    std::string line;
    while (file.Next(line)) {
      read.push_back(line);
      EXPECT_EQ(file.LineNumber(), static_cast<long>(read.size()));
    }
    EXPECT_EQ(read, c.lines);
    EXPECT_EQ(file.BytesRead(), static_cast<long>(c.content.size()));
    EXPECT_EQ(file.FirstNulLine(), c.firstNulLine);
    EXPECT_FALSE(file.Next(line)) << "the end stays the end";
  }
  EXPECT_FALSE(TTextLines(dir.File("absent")).IsOpen());
}

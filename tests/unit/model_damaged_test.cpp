// Damaged model files through the model loader program: one crafted file per fault the
// reader knows, each ending in its "ERROR" box and exit code 1, and a bounded run of
// truncated and altered copies of the sample model, each loaded or refused, never a crash
// or a hang.
#include <gtest/gtest.h>

#include <windows.h>

#include <fstream>
#include <iterator>
#include <random>
#include <sstream>
#include <string>

#include "support/dialog_watcher.h"
#include "support/dmd_writer.h"
#include "support/scratch_dir.h"

namespace {

const char* const SamplePath = VORN_SOURCE_DIR "/sample/vorn.dmd";
const char* const BadFormat = "Invalid DMD file format!";

std::string Loader(const std::string& path) {
  return "\"" + TestProgramPath("load_model") + "\" \"" + path + "\"";
}

// A one-entity model up to the point where each case cuts or spoils it.
TDmdWriter EntityStart() {
  TDmdWriter dmd;
  dmd.String(10, "M").EntityCount(1).BeginEntity("X", "", 1, 0);
  return dmd;
}

// How one load of a copy ended.
enum class TLoadEnd { Loaded, Refused, Other };

// Runs the loader on a file: it either ends by itself with 0 (warnings answered), or shows
// the "ERROR" box, which is pressed, and then ends with 1. Anything else (another exit code, no end within
// the time) is Other; the detail says what happened.
TLoadEnd LoadCopy(const std::string& path, std::string* detail) {
  TChild child;
  if (!StartChild(child, Loader(path))) {
    *detail = "not started";
    return TLoadEnd::Other;
  }
  const DWORD start = GetTickCount();
  while (GetTickCount() - start < 30000) {
    if (WaitForSingleObject(child.info.hProcess, 0) == WAIT_OBJECT_0) {
      int code = child.Wait(0);
      *detail = "exit code " + std::to_string(code);
      return code == 0 ? TLoadEnd::Loaded : TLoadEnd::Other;
    }
    // Linking may warn about what it finds odd and then go on.
    TWatchedDialog warning = FindDialog(child.pid(), "WARNING", 0);
    if (warning.found) PressDialogButton(warning.window, IDOK);
    TWatchedDialog box = FindDialog(child.pid(), "ERROR", 0);
    if (box.found) {
      PressDialogButton(box.window, IDOK);
      int code = child.Wait(10000);
      *detail = box.text + " / exit code " + std::to_string(code);
      return code == 1 ? TLoadEnd::Refused : TLoadEnd::Other;
    }
    Sleep(30);
  }
  *detail = "no end within 30 s";
  return TLoadEnd::Other;
}

TEST(DamagedModel, EveryFaultOfTheReaderEndsInItsBox) {
  TScratchDir dir("damaged");
  const std::string attributeRecord = (TDmdWriter::Fragment().Tag(5).String(43, "A").String(45, "VARCHAR(10)").End()).bytes();
  const std::string whole = EntityStart().Raw(attributeRecord).End().End().bytes();
  struct TCase {
    const char* fault;
    std::string bytes;
    std::string message;
  } cases[] = {
      {"truncated where a tag belongs", EntityStart().bytes(), BadFormat},
      {"truncated in an int16", TDmdWriter().String(10, "M").Tag(21).Raw("\x01").bytes(), BadFormat},
      {"truncated in a bool", TDmdWriter().String(10, "M").Tag(14).bytes(), BadFormat},
      {"truncated in a string", TDmdWriter().Tag(10).Raw(DmdInt16(20) + "abc").bytes(), BadFormat},
      {"negative text length", TDmdWriter().Tag(10).Raw(DmdInt16(-3)).bytes(), BadFormat},
      {"text longer than 8191", TDmdWriter().Tag(10).Raw(DmdInt16(9000) + std::string(9000, 'a')).End().bytes(),
       std::string(BadFormat) + " Text of 9000 bytes, longer than 8191."},
      {"record before its count", TDmdWriter().Tag(4).String(29, "X").End().End().bytes(),
       std::string(BadFormat) + " Record before the count of entities."},
      {"surplus record", EntityStart().Raw(attributeRecord + attributeRecord).End().End().bytes(),
       std::string(BadFormat) + " More attributes than announced."},
      {"unknown tag", TDmdWriter().String(10, "M").Tag(250).End().bytes(),
       std::string(BadFormat) + " Unknown tag 250 in the model."},
      {"count larger than the file",
       TDmdWriter().String(10, "M").EntityCount(1).BeginEntity("X", "", 32767, 0).End().End().bytes(),
       std::string(BadFormat) + " Count of 32767 attributes, more than the rest of the file holds."},
      {"many entities each announcing the most attributes", [] {
         TDmdWriter dmd;
         dmd.EntityCount(2000);
         for (int i = 0; i < 2000; ++i) dmd.BeginEntity("E" + std::to_string(i), "", 32767, 0).End();
         return dmd.End().bytes();
       }(),
       std::string(BadFormat) + " Count of 32767 attributes, more than the rest of the file holds."},
      {"not a model file", "PLAIN TEXT, NOT A MODEL", "Unable to load DMD file"},
  };
  // The intact file of the same shape loads.
  std::string detail;
  EXPECT_EQ(LoadCopy(dir.Write("whole.dmd", whole), &detail), TLoadEnd::Loaded) << detail;

  int n = 0;
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.fault);
    TFatalOutcome outcome = RunExpectingFatalBox(Loader(dir.Write("case" + std::to_string(n++) + ".dmd", c.bytes)));
    ASSERT_TRUE(outcome.box.found);
    EXPECT_EQ(outcome.box.text, c.message);
    EXPECT_EQ(outcome.exitCode, 1);
  }
}

TEST(DamagedModel, TruncatedAndAlteredCopiesOfTheSampleLoadOrStopCleanly) {
  std::ifstream in(SamplePath, std::ios::binary);
  const std::string sample((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  ASSERT_GT(sample.size(), 100u);
  TScratchDir dir("mutated");

  // Truncations spread over the file, then single and multiple bytes changed at places
  // of a fixed seed (the same copies every run).
  std::vector<std::string> copies;
  for (int k = 1; k <= 12; ++k) copies.push_back(sample.substr(0, sample.size() * k / 13));
  std::mt19937 random(20261210);
  for (int k = 0; k < 24; ++k) {
    std::string copy = sample;
    const int changes = 1 + k % 3;
    for (int c = 0; c < changes; ++c) {
      const size_t at = 8 + random() % (copy.size() - 8);
      const char values[] = {'\0', '\x01', '\x7f', '\x80', '\xff'};
      copy[at] = k % 2 ? values[random() % 5] : static_cast<char>(random());
    }
    copies.push_back(copy);
  }
  int loaded = 0, refused = 0;
  for (size_t i = 0; i < copies.size(); ++i) {
    const std::string path = dir.Write("copy" + std::to_string(i) + ".dmd", copies[i]);
    std::string detail;
    switch (LoadCopy(path, &detail)) {
      case TLoadEnd::Loaded: ++loaded; break;
      case TLoadEnd::Refused: ++refused; break;
      case TLoadEnd::Other: ADD_FAILURE() << "copy " << i << ": " << detail; break;
    }
  }
  // Every truncation is refused; the changed bytes fall on both sides.
  EXPECT_GE(refused, 12);
  EXPECT_EQ(loaded + refused, int(copies.size()));
}

}  // namespace

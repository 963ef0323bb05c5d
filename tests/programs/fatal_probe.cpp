// Calls FatalError or WarningBox with the texts of its command line:
//   fatal_probe fatal|warning <message> <detail>
// After a warning it exits with 7, so that a test can tell it went on.
#include "data/core/messages.h"
#include "data/core/strings.h"

#include <cstring>

int main(int argc, char** argv) {
  if (argc < 4) return 2;
  if (std::strcmp(argv[1], "fatal") == 0) FatalError(argv[2], argv[3]);
  if (std::strcmp(argv[1], "warning") == 0) {
    WarningBox(argv[2], argv[3]);
    return 7;
  }
  if (std::strcmp(argv[1], "pool") == 0) {
    // Holds one more buffer than the pool has.
    char* held[TEMP_STRING_COUNT + 1];
    for (auto& p : held) GetTempString(&p);
    return 0;
  }
  if (std::strcmp(argv[1], "release") == 0) {
    char* stray = nullptr;
    ReleaseTempString(&stray);
    return 0;
  }
  return 2;
}

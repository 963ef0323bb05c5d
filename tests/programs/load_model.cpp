// Loads model files as start-up does:
//   load_model <file>            one file; a file that cannot be read gives the start-up box
//   load_model --list <listfile> each file named on a line of the list, one after the other;
//                                 writes "<n> ok" lines to stdout as each load returns
// Exits with 0 when every model loaded; a faulty model ends the program in its "ERROR" box.
#include "data/core/messages.h"
#include "data/model/dmdreader.h"
#include "data/model/model.h"

#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>

namespace {

void Load(const char* path) {
  if (!LoadModelFile(TheModel, path)) FatalError("Unable to load DMD file", "");
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 2) {
    Load(argv[1]);
    return 0;
  }
  if (argc == 3 && std::strcmp(argv[1], "--list") == 0) {
    std::ifstream list(argv[2]);
    std::string path;
    for (int n = 0; std::getline(list, path); ++n) {
      Load(path.c_str());
      std::printf("%d ok\n", n);
      std::fflush(stdout);
    }
    TheModel.Clear();
    return 0;
  }
  return 2;
}

// Writes its own command line and its arguments, one per line, to the file named by
// the environment variable VORN_RECORD_ARGS; exits with the number of arguments.
#include <windows.h>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
  const char* out = std::getenv("VORN_RECORD_ARGS");
  if (!out) return 100;
  FILE* file = std::fopen(out, "w");
  if (!file) return 101;
  std::fprintf(file, "%s\n", GetCommandLineA());
  for (int i = 1; i < argc; ++i) std::fprintf(file, "%s\n", argv[i]);
  std::fclose(file);
  return argc - 1;
}

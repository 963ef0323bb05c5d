// Sleeps for the milliseconds of its first argument, then exits with its second: a child that
// takes its time, for tests of waiting with a limit.
#include <windows.h>

#include <cstdlib>

int main(int argc, char** argv) {
  if (argc > 1) Sleep(static_cast<DWORD>(std::atol(argv[1])));
  return argc > 2 ? std::atoi(argv[2]) : 0;
}

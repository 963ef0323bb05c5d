// The SQL trace file "SQLSPY.LOG": one line per statement or transaction call.
#include "data/db/sqltrace.h"

#include <windows.h>

#include <cstdarg>
#include <cstdio>

#include "data/core/bufferedfile.h"
#include "data/core/messages.h"
#include "data/core/strings.h"

bool SqlSpyFlag = false;

namespace {
// Kept for the whole run outside the temporary pool, so a line traced after the pool is
// freed at shut-down still has somewhere to go.
char TraceLine[TEMP_STRING_SIZE];
}

int SqlSpy(const char* format, ...) {
  va_list args;
  va_start(args, format);
  int length = vsnprintf(TraceLine, TEMP_STRING_SIZE, format, args);
  va_end(args);
  if (length >= TEMP_STRING_SIZE) length = TEMP_STRING_SIZE - 1;

  // Opened and closed for every line, so the trace survives a crash and can be read
  // while the program runs. Text mode: each line ends with CR LF on disk.
  TBufferedFile* file = FileOpen("SQLSPY.LOG", "a");
  if (!file) {
    MessageBoxCall(nullptr, "Could not SQLSPY.LOG file", "ZOZUZA Spy", MB_OK | MB_ICONSTOP);
    return length;
  }
  FilePrintf(file, "%s", TraceLine);
  FileClose(file);
  return length;
}

// Set-up of the common open/save file dialog record.
#include "forms/openfilename.h"

#include <cstdlib>
#include <cstring>

namespace {
char filterBuffer[1024];
}

OPENFILENAMEA* MakeOpenFileName(HWND owner, const char* filter, DWORD flags, char* fileBuffer,
                                const char* title) {
  // The last two bytes stay NUL, so that even a filter without its closing "||" ends in a double NUL.
  memset(filterBuffer, 0, sizeof filterBuffer);
  if (filter) strncpy(filterBuffer, filter, sizeof filterBuffer - 2);
  for (char* p = filterBuffer; *p; ++p)
    if (*p == '|') *p = '\0';
  auto* record = static_cast<OPENFILENAMEA*>(calloc(1, sizeof(OPENFILENAMEA)));
  if (!record) return nullptr;
  record->lStructSize = sizeof(OPENFILENAMEA);
  record->hwndOwner = owner;
  record->lpstrFilter = filterBuffer;
  record->nFilterIndex = 1;
  record->lpstrFile = fileBuffer;
  record->nMaxFile = OPEN_FILE_NAME_BUFFER;
  record->lpstrInitialDir = nullptr;
  record->lpstrTitle = title;
  record->Flags = flags;
  return record;
}

void FreeOpenFileName(OPENFILENAMEA* record) { free(record); }

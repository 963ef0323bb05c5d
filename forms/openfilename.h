// Set-up of the common open/save file dialog record.
#pragma once

#include <windows.h>

#include <commdlg.h>

// Size of the file buffer the caller passes, in characters.
constexpr int OPEN_FILE_NAME_BUFFER = 1024;

// A heap OPENFILENAMEA for GetOpenFileNameA/GetSaveFileNameA; the filter is written as
// "description|pattern|...||". The filter lives in one program-wide buffer, so the record
// is valid until the next call. The caller frees the record with FreeOpenFileName.
OPENFILENAMEA* MakeOpenFileName(HWND owner, const char* filter, DWORD flags, char* fileBuffer,
                                const char* title);
void FreeOpenFileName(OPENFILENAMEA* record);

// File names in folders, bitmaps of the program and files found in sub-folders.
#pragma once

#include <windows.h>

// Joins a file name to a folder; a name holding ':' is returned unchanged. Static buffer.
const char* FullPathInDir(const char* name, const char* folder);
// folder\name when that file exists, else the name unchanged. Static buffer.
const char* FindFileInFolder(const char* name, const char* folder);
// A bitmap resource of the program, else name(.bmp) in the current folder, else in "images".
HBITMAP LoadAppBitmap(const char* name);

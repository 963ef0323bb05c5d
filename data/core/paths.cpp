// File names in folders, the program's bitmaps and files found in sub-folders.
#include "data/core/paths.h"

#include <cstdio>
#include <cstring>
#include <initializer_list>

const char* FullPathInDir(const char* name, const char* folder) {
  static char path[MAX_PATH * 2];
  if (std::strchr(name, ':')) {
    std::snprintf(path, sizeof path, "%s", name);
    return path;
  }
  size_t n = std::strlen(folder);
  bool hasSeparator = n > 0 && folder[n - 1] == '\\';
  if (*name == '\\') ++name;
  std::snprintf(path, sizeof path, "%s%s%s", folder, hasSeparator ? "" : "\\", name);
  return path;
}

const char* FindFileInFolder(const char* name, const char* folder) {
  static char found[MAX_PATH * 2];
  const char* candidate = FullPathInDir(name, folder);
  HANDLE file = CreateFileA(candidate, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file != INVALID_HANDLE_VALUE) {
    CloseHandle(file);
    std::snprintf(found, sizeof found, "%s", candidate);
  } else {
    std::snprintf(found, sizeof found, "%s", name);
  }
  return found;
}

HBITMAP LoadAppBitmap(const char* name) {
  HANDLE image = LoadImageA(GetModuleHandleA(nullptr), name, IMAGE_BITMAP, 0, 0,
                            LR_SHARED | LR_LOADTRANSPARENT);
  if (image) return static_cast<HBITMAP>(image);

  char file[MAX_PATH];
  std::snprintf(file, sizeof file, std::strchr(name, '.') ? "%s" : "%s.bmp", name);
  image = LoadImageA(nullptr, file, IMAGE_BITMAP, 0, 0,
                     LR_SHARED | LR_LOADFROMFILE | LR_LOADTRANSPARENT);
  if (image) return static_cast<HBITMAP>(image);

  image = LoadImageA(nullptr, FullPathInDir(file, "images"), IMAGE_BITMAP, 0, 0,
                     LR_SHARED | LR_LOADFROMFILE);
  return static_cast<HBITMAP>(image);
}

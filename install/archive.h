// ".sq" archives: zlib-compressed members stored back to back, unpacked into one folder.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Members larger than this, packed or unpacked, are refused before anything is allocated.
constexpr int32_t MAX_ARCHIVE_MEMBER_SIZE = 256 * 1024 * 1024;
constexpr int32_t MAX_MEMBER_NAME_LENGTH = 259;

struct TArchiveMember {
  std::string name;
  int32_t unpackedSize = 0;
  int32_t packedSize = 0;
  std::vector<unsigned char> packed;
};

enum class TMemberResult {
  Written,        // the member is in place
  EndOfArchive,   // nothing more to read
  BadHeader,      // name length out of range, sizes past the end or beyond the cap, short read
  UnsafeName,     // not a plain file name: it would land outside the folder
  Damaged,        // the packed data does not inflate to the stated size; an old file stays whole
  CannotReplace,  // an existing file could not be removed (the user has been told)
  CannotWrite,    // the target could not be written
};

// The archive opened read-only in binary mode: a C runtime handle, -1 on failure.
int OpenArchive(const char* path);
void CloseArchive(int handle);

// Reads one member header and its packed bytes; returns the position after it, -1 when the
// member is malformed or cut short.
long ReadArchiveMember(int handle, TArchiveMember& member);

// True for a name that is a plain file name: no folders, drives, "..", or reserved characters.
bool IsPlainFileName(const std::string& name);

// Unpacks the next member into the folder (the name alone when the folder is empty); the
// member's name is handed back in nameOut.
TMemberResult ExtractArchiveMember(int handle, const char* directory, std::string& nameOut);

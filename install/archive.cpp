// Reading and unpacking ".sq" archive members with zlib, refusing unsafe names and sizes.
#include "install/archive.h"

#include "data/core/waitcursor.h"

#include <windows.h>
#include <zlib.h>

#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>

#include <cstdio>
#include <cstring>

int OpenArchive(const char* path) { return _open(path, _O_RDONLY | _O_BINARY); }

void CloseArchive(int handle) {
  if (handle >= 0) _close(handle);
}

namespace {

bool ReadExactly(int handle, void* buffer, long size) {
  char* at = static_cast<char*>(buffer);
  while (size > 0) {
    int got = _read(handle, at, static_cast<unsigned>(size > 65536 ? 65536 : size));
    if (got <= 0) return false;
    at += got;
    size -= got;
  }
  return true;
}

bool ReadInt32(int handle, int32_t& value) {
  unsigned char bytes[4];
  if (!ReadExactly(handle, bytes, 4)) return false;
  value = static_cast<int32_t>(bytes[0] | bytes[1] << 8 | bytes[2] << 16 |
                               static_cast<uint32_t>(bytes[3]) << 24);
  return true;
}

long RemainingBytes(int handle) {
  long here = _tell(handle);
  long end = _filelength(handle);
  return here < 0 || end < here ? 0 : end - here;
}

void ShowCannotOverwrite(const std::string& target) {
  char systemText[512] = "";
  FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, GetLastError(), 0,
                 systemText, sizeof systemText, nullptr);
  std::string text = systemText;
  text += "\nIf you are working in a networked environment another computer may";
  text += " currently be using the file " + target + " or you have another copy of";
  text += " the program running on your computer.";
  MessageBoxA(nullptr, text.c_str(), "Could not overwrite file", MB_OK | MB_ICONHAND);
}

bool WriteWholeFile(const std::string& path, const std::vector<unsigned char>& bytes) {
  int file = _open(path.c_str(), _O_WRONLY | _O_BINARY | _O_TRUNC | _O_CREAT, _S_IREAD | _S_IWRITE);
  if (file < 0) return false;
  size_t done = 0;
  while (done < bytes.size()) {
    size_t chunk = bytes.size() - done > 65536 ? 65536 : bytes.size() - done;
    int wrote = _write(file, bytes.data() + done, static_cast<unsigned>(chunk));
    if (wrote <= 0) break;
    done += static_cast<size_t>(wrote);
  }
  bool complete = _close(file) == 0 && done == bytes.size();
  if (!complete) DeleteFileA(path.c_str());
  return complete;
}

}  // namespace

long ReadArchiveMember(int handle, TArchiveMember& member) {
  member = TArchiveMember{};
  int32_t nameLength = 0;
  if (!ReadInt32(handle, nameLength)) return -1;
  if (nameLength < 1 || nameLength > MAX_MEMBER_NAME_LENGTH || nameLength > RemainingBytes(handle)) return -1;
  member.name.resize(static_cast<size_t>(nameLength));
  if (!ReadExactly(handle, &member.name[0], nameLength)) return -1;
  if (!ReadInt32(handle, member.unpackedSize) || !ReadInt32(handle, member.packedSize)) return -1;
  if (member.unpackedSize < 0 || member.unpackedSize > MAX_ARCHIVE_MEMBER_SIZE) return -1;
  if (member.packedSize < 0 || member.packedSize > MAX_ARCHIVE_MEMBER_SIZE) return -1;
  if (member.packedSize > RemainingBytes(handle)) return -1;
  member.packed.resize(static_cast<size_t>(member.packedSize));
  if (!ReadExactly(handle, member.packed.data(), member.packedSize)) return -1;
  return _tell(handle);
}

bool IsPlainFileName(const std::string& name) {
  if (name.empty() || name == "." || name.find("..") != std::string::npos) return false;
  for (unsigned char c : name) {
    if (c < 32 || std::strchr("\\/:*?\"<>|", c)) return false;
  }
  return name.back() != ' ' && name.back() != '.';
}

TMemberResult ExtractArchiveMember(int handle, const char* directory, std::string& nameOut) {
  if (RemainingBytes(handle) == 0) return TMemberResult::EndOfArchive;
  TWaitCursor wait;
  TArchiveMember member;
  if (ReadArchiveMember(handle, member) < 0) return TMemberResult::BadHeader;
  if (!IsPlainFileName(member.name)) return TMemberResult::UnsafeName;

  // The whole member is inflated before an existing file is touched.
  std::vector<unsigned char> unpacked(static_cast<size_t>(member.unpackedSize));
  unsigned char spare = 0;
  uLongf unpackedLength = static_cast<uLongf>(member.unpackedSize);
  int status = uncompress(unpacked.empty() ? &spare : unpacked.data(), &unpackedLength, member.packed.data(),
                          static_cast<uLong>(member.packed.size()));
  if (status != Z_OK || unpackedLength != static_cast<uLongf>(member.unpackedSize)) return TMemberResult::Damaged;

  std::string target = directory && *directory ? std::string(directory) + "\\" + member.name : member.name;
  if (GetFileAttributesA(target.c_str()) != INVALID_FILE_ATTRIBUTES) {
    SetFileAttributesA(target.c_str(), FILE_ATTRIBUTE_NORMAL);
    if (!DeleteFileA(target.c_str())) {
      ShowCannotOverwrite(target);
      return TMemberResult::CannotReplace;
    }
  }
  if (!WriteWholeFile(target, unpacked)) return TMemberResult::CannotWrite;
  nameOut = member.name;
  return TMemberResult::Written;
}

// The small stdio-like file library: opening, buffered reads and writes, seeking, closing.
#include "data/core/bufferedfile.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "data/core/messages.h"

namespace {

constexpr int GUARD_SIZE = 4;
constexpr int PRINTF_BUFFER_SIZE = 8000;

TBufferedFile Files[MAX_OPEN_FILES] = {
    {-1, 0, 0, -1, 0, 0, 0, 0}, {-1, 0, 0, -1, 0, 0, 0, 0}, {-1, 0, 0, -1, 0, 0, 0, 0},
    {-1, 0, 0, -1, 0, 0, 0, 0}, {-1, 0, 0, -1, 0, 0, 0, 0}, {-1, 0, 0, -1, 0, 0, 0, 0},
    {-1, 0, 0, -1, 0, 0, 0, 0}, {-1, 0, 0, -1, 0, 0, 0, 0}, {-1, 0, 0, -1, 0, 0, 0, 0},
    {-1, 0, 0, -1, 0, 0, 0, 0}, {-1, 0, 0, -1, 0, 0, 0, 0}, {-1, 0, 0, -1, 0, 0, 0, 0},
    {-1, 0, 0, -1, 0, 0, 0, 0}, {-1, 0, 0, -1, 0, 0, 0, 0}, {-1, 0, 0, -1, 0, 0, 0, 0},
    {-1, 0, 0, -1, 0, 0, 0, 0}};
// "ABCD", the shared buffer, "WXYZ"; allocated on the first open and kept.
char* SharedBlock = nullptr;
int ShareSize = FILE_BUFFER_SIZE;
char* PrintfBuffer = nullptr;

char* Share(const TBufferedFile* file) { return SharedBlock + GUARD_SIZE + file->ShareOffset; }

int ShareSizeFor(int openFiles) {
  if (openFiles <= 1) return 8192;
  if (openFiles == 2) return 4096;
  if (openFiles <= 4) return 2048;
  if (openFiles <= 8) return 1024;
  return 512;
}

// Open files get consecutive shares in slot order; whatever a file held is given up,
// so every file must be flushed first.
void DealShares() {
  int open = 0;
  for (const TBufferedFile& file : Files)
    if (file.Mode != 0) ++open;
  ShareSize = ShareSizeFor(open);
  int offset = 0;
  for (TBufferedFile& file : Files) {
    if (file.Mode == 0) continue;
    file.ShareOffset = offset;
    file.ReadPos = file.ReadAhead = file.Pending = 0;
    offset += ShareSize;
  }
}

void CheckGuards() {
  if (std::memcmp(SharedBlock, "ABCD", GUARD_SIZE) != 0 ||
      std::memcmp(SharedBlock + GUARD_SIZE + FILE_BUFFER_SIZE, "WXYZ", GUARD_SIZE) != 0)
    MessageBoxCall(nullptr, "ZKW File buffer overflow", "MEMORY ERROR",
                   MB_OK | MB_ICONSTOP | MB_SYSTEMMODAL);
}

bool WriteAll(HFILE handle, const void* data, size_t count) {
  if (count == 0) return true;
  UINT written = _lwrite(handle, static_cast<LPCCH>(data), static_cast<UINT>(count));
  return written != static_cast<UINT>(HFILE_ERROR) && written == count;
}

size_t ReadSome(HFILE handle, void* data, size_t count) {
  UINT got = _lread(handle, data, static_cast<UINT>(count));
  return got == static_cast<UINT>(HFILE_ERROR) ? 0 : got;
}

// Writes the pending bytes; drops the read-ahead and moves the OS position back to
// what the caller has consumed. A pushed-back character stays.
bool SyncFile(TBufferedFile* file) {
  if (file->Pending > 0) {
    bool ok = WriteAll(file->Handle, Share(file), file->Pending);
    file->Pending = 0;
    if (!ok) return false;
  }
  if (file->ReadAhead > 0) {
    LONG unread = file->ReadAhead;
    file->ReadAhead = file->ReadPos = 0;
    if (_llseek(file->Handle, -unread, 1) == HFILE_ERROR) return false;
  }
  file->ReadPos = 0;
  return true;
}

bool IsOpen(const TBufferedFile* file) { return file && file->Mode != 0; }

HFILE OpenByMode(const char* path, const char* mode) {
  auto same = [](char a, char b) { return (a | 0x20) == b; };
  char first = mode[0];
  bool plus = mode[0] && mode[1] == '+';
  if (same(first, 'r')) return _lopen(path, plus ? OF_READWRITE : OF_READ);
  if (same(first, 'w')) {
    HFILE created = _lcreat(path, 0);
    if (plus || created == HFILE_ERROR) return created;
    _lclose(created);
    return _lopen(path, OF_WRITE);
  }
  if (same(first, 'a')) {
    int access = plus ? OF_READWRITE : OF_WRITE;
    HFILE handle = _lopen(path, access);
    if (handle != HFILE_ERROR) return handle;
    HFILE created = _lcreat(path, 0);
    if (created == HFILE_ERROR) return HFILE_ERROR;
    _lclose(created);
    return _lopen(path, access);
  }
  return HFILE_ERROR;
}

}  // namespace

TBufferedFile* FileOpen(const char* path, const char* mode) {
  if (!path || !mode) return nullptr;
  TBufferedFile* file = nullptr;
  for (TBufferedFile& slot : Files)
    if (slot.Mode == 0) {
      file = &slot;
      break;
    }
  if (!file) return nullptr;
  if (FileFlushAll() != 0) return nullptr;
  HFILE handle = OpenByMode(path, mode);
  if (handle == HFILE_ERROR) return nullptr;
  if (!SharedBlock) {
    SharedBlock = static_cast<char*>(std::malloc(FILE_BUFFER_SIZE + 2 * GUARD_SIZE));
    std::memcpy(SharedBlock, "ABCD", GUARD_SIZE);
    std::memcpy(SharedBlock + GUARD_SIZE + FILE_BUFFER_SIZE, "WXYZ", GUARD_SIZE);
  }
  file->Handle = handle;
  file->Mode = (std::strchr(mode, 'b') || std::strchr(mode, 'B')) ? 1 : 2;
  file->PushedBack = 0;
  file->LastChar = -1;
  DealShares();
  if ((mode[0] | 0x20) == 'a') _llseek(handle, 0, 2);
  return file;
}

int FileClose(TBufferedFile* file) {
  if (!IsOpen(file)) return -1;
  FileFlushAll();
  int result = _lclose(file->Handle) == HFILE_ERROR ? -1 : 0;
  // The slot is given up even when the OS refused the close: the table never counts
  // more files than it has slots.
  file->Handle = -1;
  file->Mode = 0;
  file->PushedBack = 0;
  file->LastChar = -1;
  DealShares();
  return result;
}

int FileCloseAll() {
  int closed = 0;
  bool failed = false;
  for (TBufferedFile& file : Files) {
    if (file.Mode == 0) continue;
    if (FileClose(&file) != 0) failed = true;
    ++closed;
  }
  return failed ? -1 : closed;
}

int FileShareSize() { return ShareSize; }

size_t FileReadRaw(TBufferedFile* file, void* buffer, size_t count) {
  if (!IsOpen(file) || file->Pending > 0 || count == 0) return 0;
  char* out = static_cast<char*>(buffer);
  size_t done = 0;
  // A character pushed back comes first.
  if (file->PushedBack) {
    file->PushedBack = 0;
    out[done++] = static_cast<char>(file->LastChar);
    if (done == count) return done;
  }
  size_t fromShare = count - done < static_cast<size_t>(file->ReadAhead)
                         ? count - done
                         : static_cast<size_t>(file->ReadAhead);
  std::memcpy(out + done, Share(file) + file->ReadPos, fromShare);
  file->ReadPos += static_cast<int>(fromShare);
  file->ReadAhead -= static_cast<int>(fromShare);
  done += fromShare;
  size_t rest = count - done;
  if (rest > 0) {
    file->ReadPos = file->ReadAhead = 0;
    if (rest < static_cast<size_t>(ShareSize)) {
      file->ReadAhead = static_cast<int>(ReadSome(file->Handle, Share(file), ShareSize));
      size_t take = rest < static_cast<size_t>(file->ReadAhead) ? rest : file->ReadAhead;
      std::memcpy(out + done, Share(file), take);
      file->ReadPos = static_cast<int>(take);
      file->ReadAhead -= static_cast<int>(take);
      done += take;
    } else {
      done += ReadSome(file->Handle, out + done, rest);
    }
  }
  CheckGuards();
  return done;
}

size_t FileWriteRaw(TBufferedFile* file, const void* buffer, size_t count) {
  if (!IsOpen(file) || file->ReadAhead > 0 || count == 0) return 0;
  file->PushedBack = 0;
  const char* in = static_cast<const char*>(buffer);
  size_t result = count;
  if (count < static_cast<size_t>(ShareSize)) {
    size_t room = ShareSize - file->Pending;
    if (count < room) {
      std::memcpy(Share(file) + file->Pending, in, count);
      file->Pending += static_cast<int>(count);
    } else {
      std::memcpy(Share(file) + file->Pending, in, room);
      file->Pending = 0;
      if (WriteAll(file->Handle, Share(file), ShareSize)) {
        std::memcpy(Share(file), in + room, count - room);
        file->Pending = static_cast<int>(count - room);
      } else {
        result = 0;
      }
    }
  } else {
    bool ok = WriteAll(file->Handle, Share(file), file->Pending);
    file->Pending = 0;
    if (!ok || !WriteAll(file->Handle, in, count)) result = 0;
  }
  CheckGuards();
  return result;
}

size_t FileRead(void* buffer, size_t size, size_t count, TBufferedFile* file) {
  return FileReadRaw(file, buffer, size * count);
}

size_t FileWrite(const void* buffer, size_t size, size_t count, TBufferedFile* file) {
  return FileWriteRaw(file, buffer, size * count);
}

long FileSeek(TBufferedFile* file, long offset, int origin) {
  if (!IsOpen(file)) return -1;
  // Positions count what the caller has consumed: unread and pushed-back bytes are given back.
  if (origin == 1) offset -= file->ReadAhead + (file->PushedBack ? 1 : 0);
  file->PushedBack = 0;
  file->ReadAhead = file->ReadPos = 0;
  long result = -1;
  if (file->Pending == 0 || WriteAll(file->Handle, Share(file), file->Pending)) {
    file->Pending = 0;
    LONG position = _llseek(file->Handle, offset, origin);
    result = position == HFILE_ERROR ? -1 : position;
  }
  file->Pending = 0;
  CheckGuards();
  return result;
}

int FileSeekStatus(TBufferedFile* file, long offset, int origin) {
  return FileSeek(file, offset, origin) == -1 ? 1 : 0;
}

long FileTell(TBufferedFile* file) {
  if (!IsOpen(file)) return -1;
  LONG position = _llseek(file->Handle, 0, 1);
  if (position == HFILE_ERROR) return -1;
  return position - file->ReadAhead + file->Pending - (file->PushedBack ? 1 : 0);
}

int FileFlushAll() {
  int result = 0;
  for (TBufferedFile& file : Files)
    if (file.Mode != 0 && !SyncFile(&file)) result = -1;
  return result;
}

int FileGetc(TBufferedFile* file) {
  if (!IsOpen(file)) return -1;
  if (file->PushedBack) {
    file->PushedBack = 0;
    return file->LastChar;
  }
  unsigned char c;
  do {
    if (FileReadRaw(file, &c, 1) != 1) return -1;
  } while (file->Mode == 2 && c == '\r');
  file->LastChar = c;
  return c;
}

int FileUngetc(int c, TBufferedFile* file) {
  if (!IsOpen(file) || c == -1) return -1;
  file->PushedBack = 1;
  file->LastChar = c & 0xFF;
  return file->LastChar;
}

int FileAtEnd(TBufferedFile* file) {
  int c = FileGetc(file);
  if (c == -1) return 1;
  FileUngetc(c, file);
  return 0;
}

int FilePutc(int c, TBufferedFile* file) {
  if (!IsOpen(file)) return -1;
  char ch = static_cast<char>(c);
  if (file->Mode == 2 && ch == '\n') {
    if (FileWriteRaw(file, "\r\n", 2) != 2) return -1;
  } else if (FileWriteRaw(file, &ch, 1) != 1) {
    return -1;
  }
  return c & 0xFF;
}

int FilePuts(const char* text, TBufferedFile* file) {
  if (!IsOpen(file) || !text) return -1;
  if (file->Mode == 1) {
    size_t n = std::strlen(text);
    return n == 0 || FileWriteRaw(file, text, n) == n ? 0 : -1;
  }
  while (*text) {
    const char* end = std::strchr(text, '\n');
    size_t n = end ? static_cast<size_t>(end - text) : std::strlen(text);
    if (n > 0 && FileWriteRaw(file, text, n) != n) return -1;
    if (!end) break;
    if (FileWriteRaw(file, "\r\n", 2) != 2) return -1;
    text = end + 1;
  }
  return 0;
}

char* FileGets(char* buffer, int size, TBufferedFile* file) {
  if (!buffer || size < 1 || !IsOpen(file)) return nullptr;
  // At most size - 2 characters, one fewer than stdio keeps.
  int limit = size - 2;
  int stored = 0;
  while (stored < limit) {
    int c = FileGetc(file);
    if (c == -1) break;
    buffer[stored++] = static_cast<char>(c);
    if (c == '\n') break;
  }
  buffer[stored] = '\0';
  if (stored == 0 && size > 2) return nullptr;
  return buffer;
}

int FilePrintf(TBufferedFile* file, const char* format, ...) {
  if (!PrintfBuffer) PrintfBuffer = static_cast<char*>(std::malloc(PRINTF_BUFFER_SIZE));
  va_list args;
  va_start(args, format);
  int n = std::vsnprintf(PrintfBuffer, PRINTF_BUFFER_SIZE, format, args);
  va_end(args);
  // A text that does not fit is refused whole rather than written cut short.
  if (n < 0 || n >= PRINTF_BUFFER_SIZE) return -1;
  return FilePuts(PrintfBuffer, file) == 0 ? n : -1;
}

HFILE FileHandle(TBufferedFile* file) {
  if (!IsOpen(file)) return -1;
  SyncFile(file);
  return file->Handle;
}

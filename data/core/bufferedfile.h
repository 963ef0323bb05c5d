// A small stdio-like file library over the kernel's _lopen/_lread/_lwrite calls.
// At most 16 files are open at once; they share one guarded 8192-byte buffer that is
// dealt out again in equal shares whenever a file opens or closes.
#pragma once

#include <windows.h>

#include <cstddef>

constexpr int MAX_OPEN_FILES = 16;
constexpr int FILE_BUFFER_SIZE = 8192;

// One slot of the file table; callers hold its address.
struct TBufferedFile {
  HFILE Handle;           // -1 when closed
  unsigned char Mode;     // 0 free slot, 1 binary, 2 text
  unsigned char PushedBack;
  int LastChar;           // last character read or pushed back, -1 none
  int ShareOffset;        // the file's share within the shared buffer
  int ReadPos;            // next unread byte within the share
  int ReadAhead;          // bytes read ahead and not yet consumed
  int Pending;            // bytes written to the share and not yet flushed
};

// Mode texts as stdio: "r", "w", "a", "r+", "w+", "a+", each optionally with 'b'.
TBufferedFile* FileOpen(const char* path, const char* mode);
int FileClose(TBufferedFile* file);
int FileCloseAll();
// Size of each open file's share of the buffer right now (diagnostics and tests).
int FileShareSize();

size_t FileRead(void* buffer, size_t size, size_t count, TBufferedFile* file);   // bytes read
size_t FileWrite(const void* buffer, size_t size, size_t count, TBufferedFile* file);
size_t FileReadRaw(TBufferedFile* file, void* buffer, size_t count);
size_t FileWriteRaw(TBufferedFile* file, const void* buffer, size_t count);

// origin 0 start, 1 current, 2 end; returns the new position or -1.
long FileSeek(TBufferedFile* file, long offset, int origin);
int FileSeekStatus(TBufferedFile* file, long offset, int origin);  // 0 ok, 1 failed
long FileTell(TBufferedFile* file);
int FileFlushAll();

int FileGetc(TBufferedFile* file);
int FileUngetc(int c, TBufferedFile* file);
int FileAtEnd(TBufferedFile* file);
int FilePutc(int c, TBufferedFile* file);
int FilePuts(const char* text, TBufferedFile* file);
char* FileGets(char* buffer, int size, TBufferedFile* file);
#ifdef __GNUC__
int FilePrintf(TBufferedFile* file, const char* format, ...)
    __attribute__((format(gnu_printf, 2, 3)));
#else
int FilePrintf(TBufferedFile* file, const char* format, ...);
#endif
// Writes pending data, then gives the file's OS handle.
HFILE FileHandle(TBufferedFile* file);

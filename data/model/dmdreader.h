// Reader of the binary model file (".dmd"): a header, then a big-endian stream of
// one-byte tags, each followed by a value whose kind the tag fixes.
#pragma once

#include <cstddef>

struct TBufferedFile;
struct TDataModel;

// Value kinds of the model file.
enum TDmdKind { DMD_STRING = 0, DMD_INT16 = 1, DMD_INT32 = 2, DMD_BOOL = 3 };

// Longest text value: one temporary string less its terminator.
constexpr int DMD_MAX_STRING = 8191;
// Field table row: a tag, its value kind and where the value goes in the record
// (DMD_DROP: read and dropped). A table ends with a row whose tag is 0.
constexpr size_t DMD_DROP = static_cast<size_t>(-1);
struct TDmdField {
  int Tag;
  int Kind;
  size_t Offset;
};

// Reads the model file into the model and links it: 1 when done, 0 when the file cannot
// be opened, is shorter than its header or has no known magic. Any later fault ends the
// program with a message.
int LoadModelFile(TDataModel& model, const char* path);

// Value readers; the end of the file ends the program with "Invalid DMD file format!".
int ReadDmdByte(TBufferedFile* file);
int ReadDmdInt16(TBufferedFile* file);
int ReadDmdInt32(TBufferedFile* file);  // its end-of-file message has no '!'
int ReadDmdBool(TBufferedFile* file);
// Reads a text into buffer (DMD_MAX_STRING + 1 bytes) and NUL-terminates it.
void ReadDmdString(TBufferedFile* file, char* buffer);
// Reads the value of a tag found in the table into the record (a string through
// ReplaceString, numbers and bools as 32-bit ints); 0 when the tag is not in the table
// (nothing read).
int ReadDmdField(TBufferedFile* file, int tag, const TDmdField* table, void* record,
                 char* buffer);

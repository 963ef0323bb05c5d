// Lines of the text files the program reads (import files, dumps, scripts, templates):
// CR, LF and CR LF each end a line; every other byte, a NUL too, belongs to the line.
#pragma once

#include <string>

struct TBufferedFile;

class TTextLines {
public:
  // Opens the file for reading through the buffered file library.
  explicit TTextLines(const std::string& path);
  ~TTextLines();
  TTextLines(const TTextLines&) = delete;
  TTextLines& operator=(const TTextLines&) = delete;

  bool IsOpen() const { return file_ != nullptr; }
  // The next line, whole and without its line end, into line; false at the end of the
  // file (a last line without a line end is a line too).
  bool Next(std::string& line);
  // The number of the line read last (1 for the first), 0 before.
  long LineNumber() const { return lineNumber_; }
  // The bytes of the file read so far, line ends included.
  long BytesRead() const { return bytesRead_; }
  // The number of the first line read so far that holds a NUL, 0 when none did.
  long FirstNulLine() const { return firstNulLine_; }

private:
  TBufferedFile* file_;
  long lineNumber_ = 0;
  long bytesRead_ = 0;
  long firstNulLine_ = 0;
};

// Whether the line holds a NUL byte, which no text value may carry.
inline bool HoldsNul(const std::string& line) { return line.find('\0') != std::string::npos; }

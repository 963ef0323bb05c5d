// Reading the lines of text files whatever their line ends.
#include "data/core/textlines.h"

#include "data/core/bufferedfile.h"

TTextLines::TTextLines(const std::string& path) : file_(FileOpen(path.c_str(), "rb")) {}

TTextLines::~TTextLines() {
  if (file_) FileClose(file_);
}

bool TTextLines::Next(std::string& line) {
  line.clear();
  if (!file_) return false;
  int c = FileGetc(file_);
  if (c == -1) return false;
  for (; c != -1; c = FileGetc(file_)) {
    ++bytesRead_;
    if (c == '\n') break;
    if (c == '\r') {
      const int next = FileGetc(file_);
      if (next == '\n') ++bytesRead_;
      else if (next != -1) FileUngetc(next, file_);
      break;
    }
    line += static_cast<char>(c);
  }
  ++lineNumber_;
  if (firstNulLine_ == 0 && HoldsNul(line)) firstNulLine_ = lineNumber_;
  return true;
}

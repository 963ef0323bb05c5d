// The install log, folder creation with logging, and placeholder expansion.
#include "install/installlog.h"

#include "data/core/strings.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

bool TInstallLog::Open(const std::string& path) {
  Close();
  file_ = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                      FILE_ATTRIBUTE_NORMAL | FILE_FLAG_WRITE_THROUGH, nullptr);
  if (file_ == INVALID_HANDLE_VALUE) return false;
  SetFilePointer(file_, 0, nullptr, FILE_END);
  return true;
}

void TInstallLog::Close() {
  if (file_ != INVALID_HANDLE_VALUE) CloseHandle(file_);
  file_ = INVALID_HANDLE_VALUE;
}

void WriteLogLine(TInstallLog* log, const char* format, ...) {
  if (!log || !log->IsOpen()) return;
  TTempString line;
  va_list args;
  va_start(args, format);
  int length = std::vsnprintf(line, TEMP_STRING_SIZE - 2, format, args);
  va_end(args);
  if (length < 0) return;
  if (length > TEMP_STRING_SIZE - 3) length = TEMP_STRING_SIZE - 3;
  std::memcpy(line.get() + length, "\r\n", 3);
  DWORD written = 0;
  if (WriteFile(log->handle(), line, static_cast<DWORD>(length + 2), &written, nullptr)) log->CountLine();
}

void CreateDirectoryPath(TInstallLog* log, const std::string& folder) {
  std::string path = folder;
  while (path.size() > 1 && path.back() == '\\') path.pop_back();
  if (path.empty()) return;
  if (CreateDirectoryA(path.c_str(), nullptr)) {
    WriteLogLine(log, "%s\t2\tCreate Directory", path.c_str());
    return;
  }
  if (GetLastError() == ERROR_ALREADY_EXISTS) return;
  size_t cut = path.find_last_of('\\');
  if (cut == std::string::npos || cut == 0) return;
  CreateDirectoryPath(log, path.substr(0, cut));
  if (CreateDirectoryA(path.c_str(), nullptr)) WriteLogLine(log, "%s\t2\tCreate Directory", path.c_str());
}

namespace {
std::string WithBackslash(const std::string& folder) {
  if (!folder.empty() && folder.back() == '\\') return folder;
  return folder + "\\";
}
}  // namespace

std::string ExpandDirMacros(const std::string& text, const std::string& installDir,
                            const std::string& setupFolder, size_t maxLength) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 1 < text.size() && (text[i + 1] == '1' || text[i + 1] == '2')) {
      out += WithBackslash(text[i + 1] == '1' ? installDir : setupFolder);
      ++i;
    } else {
      out += text[i];
    }
    if (out.size() >= maxLength) {
      out.resize(maxLength);
      break;
    }
  }
  return out;
}

std::string DirectoryPart(const std::string& path) {
  size_t cut = path.find_last_of('\\');
  return cut == std::string::npos ? std::string() : path.substr(0, cut);
}

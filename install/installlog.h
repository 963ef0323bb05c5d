// The install log "install.log" and the folder and placeholder helpers of the run.
#pragma once

#include <windows.h>

#include <string>

// The log of one run, opened for appending with every line written through to the disk.
class TInstallLog {
public:
  TInstallLog() = default;
  ~TInstallLog() { Close(); }
  TInstallLog(const TInstallLog&) = delete;
  TInstallLog& operator=(const TInstallLog&) = delete;

  bool Open(const std::string& path);
  void Close();
  bool IsOpen() const { return file_ != INVALID_HANDLE_VALUE; }
  HANDLE handle() const { return file_; }
  int linesWritten() const { return lines_; }
  void CountLine() { ++lines_; }

private:
  HANDLE file_ = INVALID_HANDLE_VALUE;
  int lines_ = 0;
};

// Appends one formatted line and CR LF; nothing happens without an open log.
void WriteLogLine(TInstallLog* log, const char* format, ...);

// Creates a folder and its missing parents; each level created is logged (type 2) when a log is given.
void CreateDirectoryPath(TInstallLog* log, const std::string& path);

// Replaces "%1" by the installation directory and "%2" by the setup folder (each ending in '\'),
// in one pass, so a folder whose name holds "%1" is not expanded again. Bounded by maxLength.
std::string ExpandDirMacros(const std::string& text, const std::string& installDir,
                            const std::string& setupFolder, size_t maxLength = 8191);

// The part of a path before its last '\'; empty when there is none.
std::string DirectoryPart(const std::string& path);

// A fresh folder under the system temporary folder, removed with its files at the end.
#pragma once

#include <string>
#include <vector>

class TScratchDir {
public:
  explicit TScratchDir(const char* prefix = "vorn");
  ~TScratchDir();
  TScratchDir(const TScratchDir&) = delete;
  TScratchDir& operator=(const TScratchDir&) = delete;

  const std::string& path() const { return path_; }
  // path() + '\' + name
  std::string File(const std::string& name) const;
  // Writes a file (binary) and returns its path.
  std::string Write(const std::string& name, const std::string& content) const;
  // Reads a whole file (binary); empty when missing.
  static std::string Read(const std::string& path);
  // The names of the files and folders in a folder, sorted.
  static std::vector<std::string> Names(const std::string& folder);

private:
  std::string path_;
};

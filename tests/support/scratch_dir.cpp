// A fresh temporary folder for a test, removed with its files at the end.
#include "support/scratch_dir.h"

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <fstream>
#include <sstream>

namespace {
void RemoveTree(const std::string& dir) {
  WIN32_FIND_DATAA data;
  HANDLE find = FindFirstFileA((dir + "\\*").c_str(), &data);
  if (find != INVALID_HANDLE_VALUE) {
    do {
      std::string name = data.cFileName;
      if (name == "." || name == "..") continue;
      std::string full = dir + "\\" + name;
      if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
        RemoveTree(full);
      else
        DeleteFileA(full.c_str());
    } while (FindNextFileA(find, &data));
    FindClose(find);
  }
  RemoveDirectoryA(dir.c_str());
}
}  // namespace

TScratchDir::TScratchDir(const char* prefix) {
  static std::atomic<int> counter{0};
  char temp[MAX_PATH];
  GetTempPathA(sizeof temp, temp);
  char name[MAX_PATH];
  std::snprintf(name, sizeof name, "%s%s_%lu_%d_%lu", temp, prefix, GetCurrentProcessId(),
                counter++, GetTickCount());
  path_ = name;
  CreateDirectoryA(path_.c_str(), nullptr);
}

TScratchDir::~TScratchDir() { RemoveTree(path_); }

std::string TScratchDir::File(const std::string& name) const { return path_ + "\\" + name; }

std::string TScratchDir::Write(const std::string& name, const std::string& content) const {
  std::string full = File(name);
  std::ofstream out(full, std::ios::binary);
  out << content;
  return full;
}

std::string TScratchDir::Read(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

std::vector<std::string> TScratchDir::Names(const std::string& folder) {
  std::vector<std::string> names;
  WIN32_FIND_DATAA data;
  HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return names;
  do {
    std::string name = data.cFileName;
    if (name != "." && name != "..") names.push_back(name);
  } while (FindNextFileA(find, &data));
  FindClose(find);
  std::sort(names.begin(), names.end());
  return names;
}

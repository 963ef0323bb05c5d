// The uninstaller: reads an install log and undoes what it records.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

struct TUninstallEntry {
  std::string path;
  int type = 0;
  std::string text;
};

// "/U <log path> <application>": the log path quoted or not; the rest is the application name.
void ParseUninstallCommand(const std::string& commandLine, std::string& logPath, std::string& appName);

// The log's lines in the order they are undone (last first); malformed lines and unknown
// types are left out.
std::vector<TUninstallEntry> ReadUninstallLog(const std::string& logPath);

// Whether the log can be opened at all (an empty one can: it records nothing).
bool LogIsReadable(const std::string& logPath);

// Whether a folder may be treated as an installation folder, everything inside it being
// the installation's: never a drive root, the Windows folder or the system folder, nor a
// folder that holds either of them.
bool MayBeInstallationFolder(const std::string& folder, const std::string& windowsFolder,
                             const std::string& systemFolder);

// Whether the uninstaller may remove this directory of a type 2 line: the installation
// folder itself or a folder inside it, named plainly (no "..", no '/').
bool MayRemoveDirectory(const std::string& path, const std::string& installFolder);

// Whether the uninstaller may delete or unregister this file: it lies inside the installation
// folder (the log's folder) with no "..", or it is the desktop shortcut the installation made.
bool MayRemoveFile(const TUninstallEntry& entry, const std::string& installFolder, const std::string& desktopFolder);

// Created modeless by the program's start with the command line as its parameter.
INT_PTR CALLBACK UninstallDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

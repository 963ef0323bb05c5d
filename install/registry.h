// The desktop shortcut and the Windows Uninstall entry of an installation.
#pragma once

#include <windows.h>

#include <string>

class TInstallLog;

// Saves a shell link at shortcutPath to target; logged (type 0, "Desktop Shortcut") in any case.
void CreateDesktopShortcut(const std::string& target, const std::string& shortcutPath, const std::string& description,
                           const std::string& workingDir, TInstallLog* log);

// "Software\Microsoft\Windows\CurrentVersion\Uninstall\<application>"; empty for a name that
// is empty or holds a '\' (it would name the Uninstall key itself or another key).
std::string UninstallKeyPath(const std::string& appName);

// The uninstaller's own copy: "<Windows folder>\qzx\install.exe".
std::string UninstallerCopyPath();

// Writes DisplayName and UninstallString ("<copy>" /U "<log path>" <application>).
bool WriteUninstallKey(const std::string& appName, const std::string& version, const std::string& logPath);
void DeleteUninstallKey(const std::string& appName);

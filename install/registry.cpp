// Shell link, Uninstall registry entry and the uninstaller's folder.
#include "install/registry.h"

#include "install/installlog.h"
#include "install/setupscript.h"

#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>

void CreateDesktopShortcut(const std::string& target, const std::string& shortcutPath, const std::string& description,
                           const std::string& workingDir, TInstallLog* log) {
  WCHAR widePath[MAX_PATH] = L"";
  MultiByteToWideChar(CP_ACP, 0, shortcutPath.c_str(), -1, widePath, MAX_PATH);
  IShellLinkA* link = nullptr;
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                              reinterpret_cast<void**>(&link)))) {
    MessageBoxA(nullptr, shortcutPath.c_str(), "Could not create a shell link interface!", MB_OK);
  } else {
    link->SetPath(target.c_str());
    link->SetDescription(description.c_str());
    link->SetWorkingDirectory(workingDir.c_str());
    IPersistFile* file = nullptr;
    if (FAILED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
      MessageBoxA(nullptr, shortcutPath.c_str(), "Could not save shortcut using Persist Interface!", MB_OK);
    } else {
      if (FAILED(file->Save(widePath, TRUE))) MessageBoxA(nullptr, shortcutPath.c_str(), "Save Failed!", MB_OK);
      file->Release();
    }
    link->Release();
  }
  WriteLogLine(log, "%S\t0\tDesktop Shortcut", widePath);
}

std::string UninstallKeyPath(const std::string& appName) {
  if (appName.empty() || appName.find('\\') != std::string::npos) return "";
  return "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + appName;
}

std::string UninstallerCopyPath() {
  char windows[MAX_PATH] = "";
  GetWindowsDirectoryA(windows, sizeof windows);
  return JoinPath(JoinPath(windows, "qzx"), "install.exe");
}

bool WriteUninstallKey(const std::string& appName, const std::string& version, const std::string& logPath) {
  std::string keyPath = UninstallKeyPath(appName);
  HKEY key = nullptr;
  if (keyPath.empty() || RegCreateKeyExA(HKEY_LOCAL_MACHINE, keyPath.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key,
                                         nullptr) != ERROR_SUCCESS) {
    MessageBoxA(nullptr, "Could not create registry key!", "", MB_OK);
    return false;
  }
  std::string display = version.empty() ? appName : appName + " (" + version + ")";
  std::string command = "\"" + UninstallerCopyPath() + "\" /U \"" + logPath + "\" " + appName;
  RegSetValueExA(key, "DisplayName", 0, REG_SZ, reinterpret_cast<const BYTE*>(display.c_str()),
                 static_cast<DWORD>(display.size() + 1));
  RegSetValueExA(key, "UninstallString", 0, REG_SZ, reinterpret_cast<const BYTE*>(command.c_str()),
                 static_cast<DWORD>(command.size() + 1));
  RegCloseKey(key);
  return true;
}

void DeleteUninstallKey(const std::string& appName) {
  std::string keyPath = UninstallKeyPath(appName);
  if (keyPath.empty()) return;
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, keyPath.c_str(), 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS) return;
  RegDeleteValueA(key, "DisplayName");
  RegDeleteValueA(key, "UninstallString");
  RegCloseKey(key);
  RegDeleteKeyA(HKEY_LOCAL_MACHINE, keyPath.c_str());
}

// A COM server for installer tests: registering writes "<dll>.registered" beside it and
// unregistering removes it; a copy whose file name holds "fail" refuses to register.
#include <windows.h>

#include <cstring>
#include <string>

namespace {
HMODULE Self = nullptr;

std::string OwnPath() {
  char path[MAX_PATH] = "";
  GetModuleFileNameA(Self, path, sizeof path);
  return path;
}
}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) Self = instance;
  return TRUE;
}

extern "C" __declspec(dllexport) HRESULT __stdcall DllRegisterServer() {
  std::string path = OwnPath();
  if (_strlwr(&path[0]) && path.find("fail") != std::string::npos) return E_FAIL;
  HANDLE marker = CreateFileA((OwnPath() + ".registered").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  if (marker == INVALID_HANDLE_VALUE) return E_FAIL;
  CloseHandle(marker);
  return S_OK;
}

extern "C" __declspec(dllexport) HRESULT __stdcall DllUnregisterServer() {
  return DeleteFileA((OwnPath() + ".registered").c_str()) ? S_OK : S_FALSE;
}

// The mail system of the PC through "MAPI32.DLL", loaded at run time.
#include "expr/mapi.h"

#include <cstring>

TSimpleMapi SimpleMapi;
TExtendedMapi ExtendedMapi;

namespace {
HMODULE mapiLibrary;

template <typename T>
bool Bind(T& entry, const char* name) {
  entry = reinterpret_cast<T>(reinterpret_cast<void*>(GetProcAddress(mapiLibrary, name)));
  return entry != nullptr;
}

// The interface id of IMAPIStatus, {00020321-0000-0000-C000-000000000046}.
const IID statusInterface = {0x00020321, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
}  // namespace

bool IsMapiInstalled() {
  OSVERSIONINFOA version{};
  version.dwOSVersionInfoSize = sizeof version;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
  GetVersionExA(&version);
#pragma GCC diagnostic pop
  bool oldWindows = version.dwMajorVersion < 4 &&
                    !(version.dwMajorVersion == 3 && version.dwMinorVersion >= 52);
  if (oldWindows) return GetProfileIntA("Mail", "MAPI", 0) != 0;

  HKEY key;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows Messaging Subsystem", 0,
                    KEY_READ, &key) != ERROR_SUCCESS)
    return false;
  char value[16] = "";
  DWORD size = sizeof value - 1;
  DWORD type = 0;
  LONG result = RegQueryValueExA(key, "MAPI", nullptr, &type, reinterpret_cast<BYTE*>(value), &size);
  RegCloseKey(key);
  return result == ERROR_SUCCESS && type == REG_SZ && std::strcmp(value, "1") == 0;
}

bool LoadMapi() {
  if (!IsMapiInstalled()) return false;
  UINT oldMode = SetErrorMode(SEM_NOOPENFILEERRORBOX | SEM_FAILCRITICALERRORS);
  mapiLibrary = LoadLibraryA("MAPI32.DLL");
  SetErrorMode(oldMode);
  if (!mapiLibrary) return false;
  bool all = Bind(SimpleMapi.Logon, "MAPILogon") && Bind(SimpleMapi.Logoff, "MAPILogoff") &&
             Bind(SimpleMapi.SendMail, "MAPISendMail") &&
             Bind(SimpleMapi.SendDocuments, "MAPISendDocuments") &&
             Bind(SimpleMapi.FindNext, "MAPIFindNext") && Bind(SimpleMapi.ReadMail, "MAPIReadMail") &&
             Bind(SimpleMapi.SaveMail, "MAPISaveMail") &&
             Bind(SimpleMapi.DeleteMail, "MAPIDeleteMail") &&
             Bind(SimpleMapi.FreeBuffer, "MAPIFreeBuffer") &&
             Bind(SimpleMapi.Address, "MAPIAddress") && Bind(SimpleMapi.Details, "MAPIDetails") &&
             Bind(SimpleMapi.ResolveName, "MAPIResolveName") &&
             // Extended MAPI is bound at run time too, so that a PC without a mail
             // system still starts the program.
             Bind(ExtendedMapi.Initialize, "MAPIInitialize") &&
             Bind(ExtendedMapi.Uninitialize, "MAPIUninitialize") &&
             Bind(ExtendedMapi.LogonEx, "MAPILogonEx") &&
             (Bind(ExtendedMapi.QueryAllRows, "HrQueryAllRows") ||
              Bind(ExtendedMapi.QueryAllRows, "HrQueryAllRows@24")) &&
             (Bind(ExtendedMapi.Release, "UlRelease") || Bind(ExtendedMapi.Release, "UlRelease@4")) &&
             (Bind(ExtendedMapi.FreeRows, "FreeProws") || Bind(ExtendedMapi.FreeRows, "FreeProws@4"));
  if (!all) UnloadMapi();
  return all;
}

void FreeMapiLibrary() {
  if (mapiLibrary) FreeLibrary(mapiLibrary);
  mapiLibrary = nullptr;
}

void UnloadMapi() {
  FreeMapiLibrary();
  SimpleMapi = TSimpleMapi{};
  ExtendedMapi = TExtendedMapi{};
}

LPMAPISTATUS GetSpoolerStatus(LPMAPISESSION session) {
  LPMAPITABLE table = nullptr;
  if (FAILED(session->GetStatusTable(0, &table))) return nullptr;
  SizedSPropTagArray(2, columns) = {2, {PR_ENTRYID, PR_RESOURCE_TYPE}};
  SPropValue type{};
  type.ulPropTag = PR_RESOURCE_TYPE;
  type.Value.ul = MAPI_SPOOLER;
  SRestriction isSpooler{};
  isSpooler.rt = RES_PROPERTY;
  isSpooler.res.resProperty.relop = RELOP_EQ;
  isSpooler.res.resProperty.ulPropTag = PR_RESOURCE_TYPE;
  isSpooler.res.resProperty.lpProp = &type;

  LPSRowSet rows = nullptr;
  LPMAPISTATUS status = nullptr;
  if (SUCCEEDED(ExtendedMapi.QueryAllRows(table, reinterpret_cast<LPSPropTagArray>(&columns),
                                          &isSpooler, nullptr, 0, &rows)) &&
      rows && rows->cRows > 0) {
    const SPropValue& entry = rows->aRow[0].lpProps[0];
    ULONG objectType = 0;
    session->OpenEntry(entry.Value.bin.cb, reinterpret_cast<LPENTRYID>(entry.Value.bin.lpb),
                       const_cast<LPIID>(&statusInterface), MAPI_BEST_ACCESS, &objectType,
                       reinterpret_cast<LPUNKNOWN*>(&status));
  }
  if (rows) ExtendedMapi.FreeRows(rows);
  table->Release();
  return status;
}

// The mail system of the PC, reached through "MAPI32.DLL" loaded at run time: the
// simple-MAPI entry points by name, and the few extended-MAPI services that log on to a
// profile and flush the outbound queue.
#pragma once

#include <windows.h>
#include <mapi.h>
#include <mapix.h>

struct TSimpleMapi {
  LPMAPILOGON Logon;
  LPMAPILOGOFF Logoff;
  LPMAPISENDMAIL SendMail;
  LPMAPISENDDOCUMENTS SendDocuments;
  LPMAPIFINDNEXT FindNext;
  LPMAPIREADMAIL ReadMail;
  LPMAPISAVEMAIL SaveMail;
  LPMAPIDELETEMAIL DeleteMail;
  LPMAPIFREEBUFFER FreeBuffer;
  LPMAPIADDRESS Address;
  LPMAPIDETAILS Details;
  LPMAPIRESOLVENAME ResolveName;
};

struct TExtendedMapi {
  HRESULT(STDAPICALLTYPE* Initialize)(LPVOID);
  void(STDAPICALLTYPE* Uninitialize)();
  HRESULT(STDAPICALLTYPE* LogonEx)(ULONG_PTR, LPSTR, LPSTR, ULONG, LPMAPISESSION*);
  HRESULT(STDAPICALLTYPE* QueryAllRows)(LPMAPITABLE, LPSPropTagArray, LPSRestriction,
                                        LPSSortOrderSet, LONG, LPSRowSet*);
  ULONG(STDAPICALLTYPE* Release)(LPVOID);
  void(STDAPICALLTYPE* FreeRows)(LPSRowSet);
};

// Loaded entry points; valid between a successful LoadMapi and UnloadMapi.
extern TSimpleMapi SimpleMapi;
extern TExtendedMapi ExtendedMapi;

// True when the system says a mail system is installed.
bool IsMapiInstalled();
// Loads the library and every entry point; false (and nothing loaded) when any is missing.
bool LoadMapi();
void UnloadMapi();
void FreeMapiLibrary();
// Opens the status object of the mail spooler of a session; null when there is none.
LPMAPISTATUS GetSpoolerStatus(LPMAPISESSION session);

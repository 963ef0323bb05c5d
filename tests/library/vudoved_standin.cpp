// An empty library loaded under the report program's module name "VUDOVED", so that the
// edit form hands reports to a report window of the test's own by message.
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) { return TRUE; }

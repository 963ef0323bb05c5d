// The file names Windows keeps for its devices.
#pragma once

#include <string>

// True when one part of a path (a name without folders) names a device Windows keeps for
// itself whatever its extension: CON, PRN, AUX, NUL, COM1 to COM9, LPT1 to LPT9, CONIN$ and
// CONOUT$, in any case, with the blanks and colon Windows drops at its end.
bool IsDeviceFileName(std::string part);
// The same for the file name of a path (its folders left out).
bool IsReservedDeviceName(const char* name);

// The file names Windows keeps for its devices.
#include "data/core/devicenames.h"

#include <string.h>

namespace {

const char* const DEVICE_NAMES[] = {"CON",  "PRN",  "AUX",  "NUL",  "COM1", "COM2", "COM3", "COM4",
                                    "COM5", "COM6", "COM7", "COM8", "COM9", "LPT1", "LPT2", "LPT3",
                                    "LPT4", "LPT5", "LPT6", "LPT7", "LPT8", "LPT9", "CONIN$", "CONOUT$"};

}  // namespace

bool IsDeviceFileName(std::string part) {
  part = part.substr(0, part.find('.'));
  while (!part.empty() && (part.back() == ' ' || part.back() == ':')) part.pop_back();
  for (const char* device : DEVICE_NAMES)
    if (_stricmp(part.c_str(), device) == 0) return true;
  return false;
}

bool IsReservedDeviceName(const char* name) {
  const char* base = name;
  for (const char* c = name; *c; ++c)
    if (*c == '\\' || *c == '/' || (*c == ':' && c[1])) base = c + 1;
  return IsDeviceFileName(base);
}

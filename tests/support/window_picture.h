// Pictures of windows for looking at them: the window as it is on screen, saved as a BMP.
#pragma once

#include <windows.h>

#include <string>

// Brings the window to the top, lets it paint and saves what the screen shows of it.
bool SaveWindowPicture(HWND window, const std::string& path);

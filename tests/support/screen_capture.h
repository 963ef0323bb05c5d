// Saves what the screen shows of a window (or the whole screen) as a 24-bit BMP, for looking at.
#pragma once

#include <windows.h>

#include <string>

// window nullptr: the whole screen. Returns false when nothing could be written.
bool SaveScreenBitmap(HWND window, const std::string& path);

// The folder for pictures of a test run: <build>/screenshots (created).
std::string ScreenshotFolder();

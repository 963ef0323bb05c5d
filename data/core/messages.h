// The two message boxes every part of the program may raise.
#pragma once

// Shows "ERROR" with the stop icon and ends the program with exit code 1.
[[noreturn]] void FatalError(const char* message, const char* detail);
// Shows "WARNING" with the exclamation icon; returns the box's result.
int WarningBox(const char* message, const char* detail);

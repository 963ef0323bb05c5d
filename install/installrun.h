// The installation run behind the welcome page's Proceed button.
#pragma once

#include <windows.h>

enum class TRunOutcome { Complete, Cancelled, NoLog };

// Carries out the script on the welcome page: entries, shortcut, Uninstall entry, [Network]
// keys, the uninstaller's copy. Stops after the current entry once *cancelRequested is set.
TRunOutcome RunInstallation(HWND page, const volatile bool* cancelRequested);

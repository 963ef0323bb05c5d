// Pumping the installer's pending window messages during long steps, without losing a quit.
#pragma once

#include <windows.h>

// Dispatches one message, offering it first to the dialog it belongs to.
void DispatchInstallerMessage(MSG& message);

// Handles every message waiting now. Returns false once the program has been asked to quit;
// the quit request is posted again so the main message loop still ends.
bool PumpPendingMessages();

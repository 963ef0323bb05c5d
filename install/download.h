// Downloads over HTTP from the remote install site, under the "Download Progress" dialog.
#pragma once

#include <windows.h>

// How long a download may receive nothing before it fails (30 seconds; 0 restores that).
// The installer takes it from VORN_DOWNLOAD_STALL_MS when that is set (for tests).
void SetDownloadStallLimit(DWORD milliseconds);

// Fetches "sourceDir\fileName" (or fileName alone) from the host on port 80 into localPath.
// True only when the server answered 2xx, every byte arrived (all of Content-Length when the
// server gave it), at least one byte came and the user did not cancel. At most 5
// redirections are followed, and a server that sends nothing for the stall limit fails. Otherwise nothing is
// left at localPath from this download; an older file there stays as it was.
bool DownloadFile(HWND owner, const char* host, const char* fileName, const char* localPath,
                  const char* sourceDir);

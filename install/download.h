// Downloads over HTTP from the remote install site, under the "Download Progress" dialog.
#pragma once

#include <windows.h>

// Fetches "sourceDir\fileName" (or fileName alone) from the host on port 80 into localPath.
// True only when the server answered 2xx, every byte arrived (all of Content-Length when the
// server gave it), at least one byte came and the user did not cancel. Otherwise nothing is
// left at localPath from this download; an older file there stays as it was.
bool DownloadFile(HWND owner, const char* host, const char* fileName, const char* localPath,
                  const char* sourceDir);

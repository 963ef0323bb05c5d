// The download dialog and the HTTP transfer behind it.
#include "install/download.h"

#include "install/installids.h"
#include "install/messagepump.h"

#include <commctrl.h>
#include <wininet.h>

#include <cstdarg>
#include <cstdio>
#include <string>

namespace {

const char CancelledProperty[] = "VornDownloadCancelled";

INT_PTR CALLBACK DownloadDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG: {
      HWND placeholder = GetDlgItem(dialog, IDC_DL_ANIMATION);
      RECT box{};
      GetWindowRect(placeholder, &box);
      MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&box), 2);
      ShowWindow(placeholder, SW_HIDE);
      HINSTANCE instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(dialog, GWLP_HINSTANCE));
      HWND animation = CreateWindowExA(0, ANIMATE_CLASSA, "", WS_CHILD | WS_VISIBLE | ACS_CENTER | ACS_TRANSPARENT,
                                       box.left, box.top, box.right - box.left, box.bottom - box.top, dialog,
                                       nullptr, instance, nullptr);
      if (animation) {
        SendMessageA(animation, ACM_OPENA, reinterpret_cast<WPARAM>(instance), reinterpret_cast<LPARAM>("FILECOPY"));
        SendMessageA(animation, ACM_PLAY, static_cast<WPARAM>(-1), MAKELONG(0, 0xFFFF));
      }
      SendDlgItemMessageA(dialog, IDC_DL_PROGRESS, PBM_SETRANGE, 0, MAKELPARAM(0, 100));
      return TRUE;
    }
    case WM_COMMAND:
      if (LOWORD(wParam) == IDCANCEL) {
        // The transfer notices the mark between two chunks and closes the dialog itself.
        SetPropA(dialog, CancelledProperty, reinterpret_cast<HANDLE>(1));
        EnableWindow(GetDlgItem(dialog, IDCANCEL), FALSE);
        return TRUE;
      }
      break;
    case WM_DESTROY:
      RemovePropA(dialog, CancelledProperty);
      break;
  }
  return FALSE;
}

bool IsCancelled(HWND dialog) { return !IsWindow(dialog) || GetPropA(dialog, CancelledProperty) != nullptr; }

void SetText(HWND dialog, int id, const char* format, ...) {
  char text[1024];
  va_list args;
  va_start(args, format);
  std::vsnprintf(text, sizeof text, format, args);
  va_end(args);
  SetDlgItemTextA(dialog, id, text);
}

// The three Internet handles of one transfer, closed in reverse order.
struct TInternetHandles {
  HINTERNET internet = nullptr;
  HINTERNET connection = nullptr;
  HINTERNET request = nullptr;
  ~TInternetHandles() {
    if (request) InternetCloseHandle(request);
    if (connection) InternetCloseHandle(connection);
    if (internet) InternetCloseHandle(internet);
  }
};

bool OpenRequest(TInternetHandles& net, const char* host, const std::string& object) {
  net.internet = InternetOpenA("File Download", INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0);
  if (!net.internet) return false;
  net.connection = InternetConnectA(net.internet, host, INTERNET_DEFAULT_HTTP_PORT, nullptr, nullptr,
                                    INTERNET_SERVICE_HTTP, INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_PRAGMA_NOCACHE, 0);
  if (!net.connection) return false;
  net.request = HttpOpenRequestA(net.connection, "GET", object.c_str(), nullptr, nullptr, nullptr,
                                 INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_PRAGMA_NOCACHE | INTERNET_FLAG_RELOAD, 0);
  if (!net.request) return false;
  return HttpSendRequestA(net.request, nullptr, 0, nullptr, 0) != FALSE;
}

bool QueryNumber(HINTERNET request, DWORD what, DWORD& value) {
  DWORD size = sizeof value;
  return HttpQueryInfoA(request, what | HTTP_QUERY_FLAG_NUMBER, &value, &size, nullptr) != FALSE;
}

enum class TTransfer { Complete, Cancelled, Failed };

// Copies the body into the open file chunk by chunk, pumping messages between chunks.
TTransfer CopyBody(HWND dialog, HINTERNET request, HANDLE file, long expected, long& received) {
  char chunk[1024];
  for (;;) {
    if (IsCancelled(dialog) || !PumpPendingMessages() || IsCancelled(dialog)) return TTransfer::Cancelled;
    DWORD got = 0;
    if (!InternetReadFile(request, chunk, sizeof chunk, &got)) return TTransfer::Failed;
    if (got == 0) return TTransfer::Complete;
    DWORD end = SetFilePointer(file, 0, nullptr, FILE_END);
    LockFile(file, end, 0, got, 0);
    DWORD written = 0;
    bool ok = WriteFile(file, chunk, got, &written, nullptr) && written == got;
    UnlockFile(file, end, 0, got, 0);
    if (!ok) return TTransfer::Failed;
    received += static_cast<long>(got);
    if (expected > 0) {
      long percent = static_cast<long>(static_cast<long long>(received) * 100 / expected);
      SendDlgItemMessageA(dialog, IDC_DL_PROGRESS, PBM_SETPOS, percent > 100 ? 100 : percent, 0);
      SetText(dialog, IDC_DL_BYTES, "Read %ld bytes out of %ld.  %ld%% Complete", received, expected, percent);
    } else {
      SetText(dialog, IDC_DL_BYTES, "Read %ld bytes.", received);
    }
  }
}

// Puts the finished download in place of an older file.
bool ReplaceWithDownload(const std::string& partPath, const char* localPath) {
  SetFileAttributesA(localPath, FILE_ATTRIBUTE_NORMAL);
  return MoveFileExA(partPath.c_str(), localPath, MOVEFILE_REPLACE_EXISTING | MOVEFILE_COPY_ALLOWED) != FALSE;
}

}  // namespace

bool DownloadFile(HWND owner, const char* host, const char* fileName, const char* localPath, const char* sourceDir) {
  HINSTANCE instance = GetModuleHandleA(nullptr);
  HWND dialog = CreateDialogParamA(instance, "DOWNLOAD", owner, DownloadDlgProc, 0);
  if (!dialog) return false;
  ShowWindow(dialog, SW_SHOW);
  SetText(dialog, IDC_DL_ACTION, "Connecting to server %s...", host);
  PumpPendingMessages();

  std::string object = sourceDir && *sourceDir ? std::string(sourceDir) + "\\" + fileName : std::string(fileName);
  SetText(dialog, IDC_DL_ACTION, "Copying file %s\nfrom server %s\nto the file %s", object.c_str(), host, localPath);

  TTransfer outcome = TTransfer::Failed;
  long received = 0;
  long expected = 0;
  DWORD status = 0;
  std::string partPath = std::string(localPath) + ".download";
  {
    TInternetHandles net;
    if (OpenRequest(net, host, object) && QueryNumber(net.request, HTTP_QUERY_STATUS_CODE, status) &&
        status >= 200 && status < 300) {
      DWORD length = 0;
      bool lengthKnown = QueryNumber(net.request, HTTP_QUERY_CONTENT_LENGTH, length);
      expected = lengthKnown ? static_cast<long>(length) : 0;
      SendDlgItemMessageA(dialog, IDC_DL_PROGRESS, PBM_SETPOS, 0, 0);
      HANDLE file = CreateFileA(partPath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
      if (file != INVALID_HANDLE_VALUE) {
        outcome = CopyBody(dialog, net.request, file, expected, received);
        CloseHandle(file);
        if (outcome == TTransfer::Complete && (received == 0 || (lengthKnown && received != expected)))
          outcome = TTransfer::Failed;
      }
    }
  }

  bool placed = outcome == TTransfer::Complete && ReplaceWithDownload(partPath, localPath);
  if (!placed) DeleteFileA(partPath.c_str());
  if (IsWindow(dialog)) {
    SendDlgItemMessageA(dialog, IDC_DL_PROGRESS, PBM_SETPOS, 100, 0);
    if (outcome == TTransfer::Cancelled)
      SetText(dialog, IDC_DL_RESULT, "File download cancelled.");
    else if (placed)
      SetText(dialog, IDC_DL_RESULT, "File Download complete %ld bytes..", received);
    else if (status && (status < 200 || status >= 300))
      SetText(dialog, IDC_DL_RESULT, "File download error - the server answered %lu.", status);
    else if (received == 0)
      SetText(dialog, IDC_DL_RESULT, "File download error - file is zero length.");
    else
      SetText(dialog, IDC_DL_RESULT, "File download error - %ld of %ld bytes received.", received, expected);
    DestroyWindow(dialog);
  }
  return placed;
}

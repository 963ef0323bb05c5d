// The download dialog and the HTTP transfer behind it.
#include "install/download.h"

#include "install/installids.h"
#include "install/messagepump.h"

#include <commctrl.h>
#include <wininet.h>

#include <process.h>

#include <cstdarg>
#include <cstdio>
#include <memory>
#include <mutex>
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
        // The wait for the transfer notices the mark within a tenth of a second and closes
        // the dialog itself.
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

// How long a download may go without a byte before it fails, how long the dialog's
// thread waits for the transfer before it looks at the dialog again (Cancel takes effect
// within that while the server sends nothing), and how many redirections are followed.
constexpr DWORD DEFAULT_STALL_LIMIT_MS = 30000;
constexpr DWORD PROGRESS_WAIT_MS = 100;
constexpr int MAX_REDIRECTS = 5;
DWORD StallLimitMs = DEFAULT_STALL_LIMIT_MS;

void SetTimeout(HINTERNET handle, DWORD option, DWORD milliseconds) {
  InternetSetOptionA(handle, option, &milliseconds, sizeof milliseconds);
}

bool QueryNumber(HINTERNET request, DWORD what, DWORD& value) {
  DWORD size = sizeof value;
  return HttpQueryInfoA(request, what | HTTP_QUERY_FLAG_NUMBER, &value, &size, nullptr) != FALSE;
}

bool IsRedirection(DWORD status) {
  return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

// Where the request is sent: the host, its port and the object.
struct TTarget {
  std::string host;
  INTERNET_PORT port = INTERNET_DEFAULT_HTTP_PORT;
  std::string object;
};

// The target a Location header names: an absolute http address, or a path on the same
// host; false for any other.
bool RedirectedTarget(HINTERNET request, TTarget& target) {
  char location[2048] = "";
  DWORD size = sizeof location;
  if (!HttpQueryInfoA(request, HTTP_QUERY_LOCATION, location, &size, nullptr) || !*location) return false;
  if (location[0] == '/') {
    target.object = location;
    return true;
  }
  char host[256] = "", path[2048] = "";
  URL_COMPONENTSA parts{};
  parts.dwStructSize = sizeof parts;
  parts.lpszHostName = host;
  parts.dwHostNameLength = sizeof host;
  parts.lpszUrlPath = path;
  parts.dwUrlPathLength = sizeof path;
  if (!InternetCrackUrlA(location, 0, 0, &parts) || parts.nScheme != INTERNET_SCHEME_HTTP || !*host) return false;
  target.host = host;
  target.port = parts.nPort;
  target.object = *path ? path : "/";
  return true;
}

// Sends the request, following at most MAX_REDIRECTS redirections itself (the library's
// own following has no end); status is the final answer's, or 0 when none came.
bool OpenRequest(TInternetHandles& net, const char* host, const std::string& object, DWORD& status,
                 bool& tooManyRedirects) {
  status = 0;
  tooManyRedirects = false;
  net.internet = InternetOpenA("File Download", INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0);
  if (!net.internet) return false;
  // A server that accepts and then says nothing fails within the stall limit.
  for (DWORD option : {INTERNET_OPTION_CONNECT_TIMEOUT, INTERNET_OPTION_SEND_TIMEOUT, INTERNET_OPTION_RECEIVE_TIMEOUT})
    SetTimeout(net.internet, option, StallLimitMs);
  TTarget target{host, INTERNET_DEFAULT_HTTP_PORT, object};
  for (int redirects = 0;; ++redirects) {
    net.connection = InternetConnectA(net.internet, target.host.c_str(), target.port, nullptr, nullptr,
                                      INTERNET_SERVICE_HTTP, INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_PRAGMA_NOCACHE, 0);
    if (!net.connection) return false;
    net.request = HttpOpenRequestA(net.connection, "GET", target.object.c_str(), nullptr, nullptr, nullptr,
                                   INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_PRAGMA_NOCACHE | INTERNET_FLAG_RELOAD |
                                       INTERNET_FLAG_NO_AUTO_REDIRECT,
                                   0);
    if (!net.request || !HttpSendRequestA(net.request, nullptr, 0, nullptr, 0)) return false;
    if (!QueryNumber(net.request, HTTP_QUERY_STATUS_CODE, status)) return false;
    if (!IsRedirection(status)) return true;
    if (redirects == MAX_REDIRECTS) {
      tooManyRedirects = true;
      return false;
    }
    if (!RedirectedTarget(net.request, target)) return false;
    InternetCloseHandle(net.request);
    net.request = nullptr;
    InternetCloseHandle(net.connection);
    net.connection = nullptr;
  }
}

// What the transfer thread and the dialog's thread share; the last of the two to let go
// of it frees it. The thread receives, the dialog's thread writes the file, so a thread
// whose read waits on a silent server can be left behind without holding the file.
struct TTransferShared {
  std::mutex lock;
  std::string host;
  std::string object;
  // Filled by the thread.
  bool answered = false;  // the final answer's headers came
  DWORD status = 0;
  bool tooManyRedirects = false;
  bool lengthKnown = false;
  long expected = 0;
  std::string pending;  // received, not yet written
  bool finished = false;
  bool readFailed = false;
  // Set by the dialog's thread when it no longer waits.
  bool abandoned = false;
};

unsigned __stdcall TransferThread(void* argument) {
  std::unique_ptr<std::shared_ptr<TTransferShared>> handedOver(static_cast<std::shared_ptr<TTransferShared>*>(argument));
  std::shared_ptr<TTransferShared> shared = *handedOver;
  TInternetHandles net;
  DWORD status = 0;
  bool tooManyRedirects = false;
  const bool sent = OpenRequest(net, shared->host.c_str(), shared->object, status, tooManyRedirects);
  DWORD length = 0;
  const bool lengthKnown = sent && QueryNumber(net.request, HTTP_QUERY_CONTENT_LENGTH, length);
  {
    std::lock_guard<std::mutex> hold(shared->lock);
    shared->answered = sent;
    shared->status = status;
    shared->tooManyRedirects = tooManyRedirects;
    shared->lengthKnown = lengthKnown;
    shared->expected = lengthKnown ? static_cast<long>(length) : 0;
  }
  bool readFailed = false;
  if (sent && status >= 200 && status < 300) {
    char chunk[1024];
    for (;;) {
      // Waits for what the server sends next and takes as much as is there, so each
      // piece shows at once instead of when a whole chunk is full.
      DWORD available = 0, got = 0;
      bool read = InternetQueryDataAvailable(net.request, &available, 0, 0) != FALSE;
      if (read && available > 0)
        read = InternetReadFile(net.request, chunk, available < sizeof chunk ? available : sizeof chunk, &got) != FALSE;
      std::lock_guard<std::mutex> hold(shared->lock);
      if (shared->abandoned) break;
      if (!read) readFailed = true;
      if (!read || got == 0) break;
      shared->pending.append(chunk, got);
    }
  }
  std::lock_guard<std::mutex> hold(shared->lock);
  shared->readFailed = readFailed;
  shared->finished = true;
  return 0;
}

// Starts the transfer thread; false when it could not be started.
bool StartTransfer(const std::shared_ptr<TTransferShared>& shared, HANDLE& thread) {
  auto* handedOver = new std::shared_ptr<TTransferShared>(shared);
  uintptr_t started = _beginthreadex(nullptr, 0, TransferThread, handedOver, 0, nullptr);
  if (!started) {
    delete handedOver;
    return false;
  }
  thread = reinterpret_cast<HANDLE>(started);
  return true;
}

bool AppendToFile(HANDLE file, const std::string& bytes) {
  const DWORD size = static_cast<DWORD>(bytes.size());
  DWORD end = SetFilePointer(file, 0, nullptr, FILE_END);
  LockFile(file, end, 0, size, 0);
  DWORD written = 0;
  bool ok = WriteFile(file, bytes.data(), size, &written, nullptr) && written == size;
  UnlockFile(file, end, 0, size, 0);
  return ok;
}

void ShowProgress(HWND dialog, long received, long expected) {
  if (expected > 0) {
    long percent = static_cast<long>(static_cast<long long>(received) * 100 / expected);
    SendDlgItemMessageA(dialog, IDC_DL_PROGRESS, PBM_SETPOS, percent > 100 ? 100 : percent, 0);
    SetText(dialog, IDC_DL_BYTES, "Read %ld bytes out of %ld.  %ld%% Complete", received, expected, percent);
  } else {
    SetText(dialog, IDC_DL_BYTES, "Read %ld bytes.", received);
  }
}

enum class TTransfer { Complete, Cancelled, Stalled, Failed };

// What one download came to.
struct TOutcome {
  TTransfer transfer = TTransfer::Failed;
  DWORD status = 0;
  bool tooManyRedirects = false;
  bool lengthKnown = false;
  long expected = 0;
  long received = 0;
};

// While the thread receives: pumps messages, writes what came into the part file and
// shows the count; Cancel, or no byte for the stall limit, ends the wait at once.
TOutcome FollowTransfer(HWND dialog, HANDLE thread, TTransferShared& shared, const std::string& partPath) {
  TOutcome outcome;
  HANDLE file = INVALID_HANDLE_VALUE;
  DWORD lastByteAt = GetTickCount();
  for (;;) {
    MsgWaitForMultipleObjects(1, &thread, FALSE, PROGRESS_WAIT_MS, QS_ALLINPUT);
    if (IsCancelled(dialog) || !PumpPendingMessages() || IsCancelled(dialog)) {
      outcome.transfer = TTransfer::Cancelled;
      break;
    }
    std::string bytes;
    bool answered, finished, readFailed;
    {
      std::lock_guard<std::mutex> hold(shared.lock);
      bytes.swap(shared.pending);
      answered = shared.answered;
      finished = shared.finished;
      readFailed = shared.readFailed;
      outcome.status = shared.status;
      outcome.tooManyRedirects = shared.tooManyRedirects;
      outcome.lengthKnown = shared.lengthKnown;
      outcome.expected = shared.expected;
    }
    const bool success = answered && outcome.status >= 200 && outcome.status < 300;
    if (success && file == INVALID_HANDLE_VALUE) {
      SendDlgItemMessageA(dialog, IDC_DL_PROGRESS, PBM_SETPOS, 0, 0);
      file = CreateFileA(partPath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
      if (file == INVALID_HANDLE_VALUE) break;
    }
    if (!bytes.empty()) {
      if (!AppendToFile(file, bytes)) break;
      outcome.received += static_cast<long>(bytes.size());
      lastByteAt = GetTickCount();
      ShowProgress(dialog, outcome.received, outcome.expected);
    }
    if (finished) {
      outcome.transfer = success && !readFailed ? TTransfer::Complete : TTransfer::Failed;
      break;
    }
    if (GetTickCount() - lastByteAt >= StallLimitMs) {
      outcome.transfer = TTransfer::Stalled;
      break;
    }
  }
  if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
  std::lock_guard<std::mutex> hold(shared.lock);
  shared.abandoned = true;
  return outcome;
}

// Puts the finished download in place of an older file.
bool ReplaceWithDownload(const std::string& partPath, const char* localPath) {
  SetFileAttributesA(localPath, FILE_ATTRIBUTE_NORMAL);
  return MoveFileExA(partPath.c_str(), localPath, MOVEFILE_REPLACE_EXISTING | MOVEFILE_COPY_ALLOWED) != FALSE;
}

void ShowResult(HWND dialog, const TOutcome& outcome, bool placed) {
  SendDlgItemMessageA(dialog, IDC_DL_PROGRESS, PBM_SETPOS, 100, 0);
  if (outcome.transfer == TTransfer::Cancelled)
    SetText(dialog, IDC_DL_RESULT, "File download cancelled.");
  else if (placed)
    SetText(dialog, IDC_DL_RESULT, "File Download complete %ld bytes..", outcome.received);
  else if (outcome.tooManyRedirects)
    SetText(dialog, IDC_DL_RESULT, "File download error - more than %d redirections.", MAX_REDIRECTS);
  else if (outcome.transfer == TTransfer::Stalled)
    SetText(dialog, IDC_DL_RESULT, "File download error - nothing received for %lu seconds.", StallLimitMs / 1000);
  else if (outcome.status && (outcome.status < 200 || outcome.status >= 300))
    SetText(dialog, IDC_DL_RESULT, "File download error - the server answered %lu.", outcome.status);
  else if (outcome.received == 0)
    SetText(dialog, IDC_DL_RESULT, "File download error - file is zero length.");
  else
    SetText(dialog, IDC_DL_RESULT, "File download error - %ld of %ld bytes received.", outcome.received,
            outcome.expected);
}

}  // namespace

void SetDownloadStallLimit(DWORD milliseconds) { StallLimitMs = milliseconds ? milliseconds : DEFAULT_STALL_LIMIT_MS; }

bool DownloadFile(HWND owner, const char* host, const char* fileName, const char* localPath, const char* sourceDir) {
  HINSTANCE instance = GetModuleHandleA(nullptr);
  HWND dialog = CreateDialogParamA(instance, "DOWNLOAD", owner, DownloadDlgProc, 0);
  if (!dialog) return false;
  ShowWindow(dialog, SW_SHOW);
  SetText(dialog, IDC_DL_ACTION, "Connecting to server %s...", host);
  PumpPendingMessages();

  std::string object = sourceDir && *sourceDir ? std::string(sourceDir) + "\\" + fileName : std::string(fileName);
  SetText(dialog, IDC_DL_ACTION, "Copying file %s\nfrom server %s\nto the file %s", object.c_str(), host, localPath);

  auto shared = std::make_shared<TTransferShared>();
  shared->host = host;
  shared->object = object;
  const std::string partPath = std::string(localPath) + ".download";
  TOutcome outcome;
  HANDLE thread = nullptr;
  if (StartTransfer(shared, thread)) {
    outcome = FollowTransfer(dialog, thread, *shared, partPath);
    CloseHandle(thread);
  }
  if (outcome.transfer == TTransfer::Complete &&
      (outcome.received == 0 || (outcome.lengthKnown && outcome.received != outcome.expected)))
    outcome.transfer = TTransfer::Failed;

  bool placed = outcome.transfer == TTransfer::Complete && ReplaceWithDownload(partPath, localPath);
  if (!placed) DeleteFileA(partPath.c_str());
  if (IsWindow(dialog)) {
    ShowResult(dialog, outcome, placed);
    DestroyWindow(dialog);
  }
  return placed;
}

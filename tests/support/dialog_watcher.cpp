// Finding a process's message box by title, reading it and pressing its buttons.
#include "support/dialog_watcher.h"

#include <cstdlib>
#include <cstring>
#include <thread>

namespace {

struct TFindRequest {
  DWORD pid;
  const char* title;
  HWND found;
};

BOOL CALLBACK FindTopLevel(HWND window, LPARAM param) {
  auto* request = reinterpret_cast<TFindRequest*>(param);
  if (!IsWindowVisible(window)) return TRUE;
  char className[64] = "";
  GetClassNameA(window, className, sizeof className);
  if (std::strcmp(className, "#32770") != 0) return TRUE;
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  if (request->pid && pid != request->pid) return TRUE;
  char title[256] = "";
  GetWindowTextA(window, title, sizeof title);
  if (std::strcmp(title, request->title) != 0) return TRUE;
  request->found = window;
  return FALSE;
}

struct TChildScan {
  std::vector<HWND> statics;
  std::vector<HWND> icons;
  std::vector<std::string> buttons;
  std::string defaultButton;
};

BOOL CALLBACK ScanChild(HWND window, LPARAM param) {
  auto* scan = reinterpret_cast<TChildScan*>(param);
  char className[64] = "";
  GetClassNameA(window, className, sizeof className);
  LONG style = GetWindowLongA(window, GWL_STYLE);
  if (_stricmp(className, "Static") == 0) {
    if ((style & SS_TYPEMASK) == SS_ICON)
      scan->icons.push_back(window);
    else
      scan->statics.push_back(window);
  } else if (_stricmp(className, "Button") == 0) {
    char caption[128] = "";
    GetWindowTextA(window, caption, sizeof caption);
    scan->buttons.push_back(caption);
    if ((style & BS_TYPEMASK) == BS_DEFPUSHBUTTON) scan->defaultButton = caption;
  }
  return TRUE;
}

// Renders a system icon over a background colour into 32x32 pixels.
std::vector<COLORREF> RenderIcon(LPCSTR iconId, COLORREF background) {
  std::vector<COLORREF> pixels(32 * 32);
  HDC screen = GetDC(nullptr);
  HDC dc = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, 32, 32);
  HGDIOBJ old = SelectObject(dc, bitmap);
  HBRUSH brush = CreateSolidBrush(background);
  RECT all{0, 0, 32, 32};
  FillRect(dc, &all, brush);
  DeleteObject(brush);
  DrawIcon(dc, 0, 0, LoadIconA(nullptr, iconId));
  for (int y = 0; y < 32; ++y)
    for (int x = 0; x < 32; ++x) pixels[y * 32 + x] = GetPixel(dc, x, y);
  SelectObject(dc, old);
  DeleteObject(bitmap);
  DeleteDC(dc);
  ReleaseDC(nullptr, screen);
  return pixels;
}

int ColourDistance(COLORREF a, COLORREF b) {
  return std::abs(GetRValue(a) - GetRValue(b)) + std::abs(GetGValue(a) - GetGValue(b)) +
         std::abs(GetBValue(a) - GetBValue(b));
}

struct TIconCandidate {
  TBoxIcon icon;
  LPCSTR id;
};
const TIconCandidate IconCandidates[] = {{TBoxIcon::Hand, IDI_HAND},
                                         {TBoxIcon::Exclamation, IDI_EXCLAMATION},
                                         {TBoxIcon::Question, IDI_QUESTION},
                                         {TBoxIcon::Asterisk, IDI_ASTERISK}};

// Which system icon a message box shows: its pixels on screen against each
// reference icon drawn here, over the box's own background, closest wins.
TBoxIcon CaptureIcon(HWND iconControl) {
  RECT rect;
  GetWindowRect(iconControl, &rect);
  HDC screen = GetDC(nullptr);
  std::vector<COLORREF> shown(32 * 32);
  for (int y = 0; y < 32; ++y)
    for (int x = 0; x < 32; ++x) shown[y * 32 + x] = GetPixel(screen, rect.left + x, rect.top + y);
  ReleaseDC(nullptr, screen);
  COLORREF background = shown[0];

  TBoxIcon best = TBoxIcon::Unknown;
  long bestScore = -1;
  for (const TIconCandidate& c : IconCandidates) {
    std::vector<COLORREF> reference = RenderIcon(c.id, background);
    long score = 0;
    for (size_t i = 0; i < reference.size(); ++i) score += ColourDistance(reference[i], shown[i]);
    if (bestScore < 0 || score < bestScore) {
      bestScore = score;
      best = c.icon;
    }
  }
  // A reference that differs everywhere is no match at all.
  return bestScore > 32 * 32 * 200 ? TBoxIcon::Unknown : best;
}

// True when no other window lies over the icon: its corners and centre belong to its box.
bool IconUncovered(HWND iconControl) {
  HWND box = GetAncestor(iconControl, GA_ROOT);
  RECT rect;
  GetWindowRect(iconControl, &rect);
  const POINT points[] = {{rect.left, rect.top},          {rect.left + 31, rect.top},
                          {rect.left, rect.top + 31},     {rect.left + 31, rect.top + 31},
                          {rect.left + 16, rect.top + 16}};
  for (POINT p : points) {
    HWND at = WindowFromPoint(p);
    if (!at || GetAncestor(at, GA_ROOT) != box) return false;
  }
  return true;
}

// The box of another test running at the same time may cover this one (and show an
// icon of its own): bring it to the top and look again until it lies uncovered and the
// icon is recognised.
TBoxIcon IdentifyIcon(HWND iconControl) {
  HWND box = GetAncestor(iconControl, GA_ROOT);
  // A box of this process shows the very icon handles this process loads: no pixels needed,
  // so nothing drawn over the box can mislead.
  DWORD boxProcess = 0;
  GetWindowThreadProcessId(box, &boxProcess);
  DWORD_PTR shown = 0;
  if (boxProcess == GetCurrentProcessId() &&
      SendMessageTimeoutA(iconControl, STM_GETICON, 0, 0, SMTO_ABORTIFHUNG, 2000, &shown) && shown) {
    for (const TIconCandidate& c : IconCandidates)
      if (reinterpret_cast<HICON>(shown) == LoadIconA(nullptr, c.id)) return c.icon;
  }
  // Boxes open centred, where the boxes of other tests running at the same time open too,
  // and the screen may show one of them a moment after the window system says it went
  // under: each watching process looks at its box at a place of its own.
  const int place = static_cast<int>((GetCurrentProcessId() >> 2) % 12);
  const int x = 20 + (place % 4) * 310, y = 20 + (place / 4) * 330;
  // A look taken while the box is still painting can match the wrong icon: an icon counts
  // when two looks in a row, each on a repainted, uncovered box, agree.
  TBoxIcon icon = TBoxIcon::Unknown;
  TBoxIcon previous = TBoxIcon::Unknown;
  // Watchers of tests running side by side take turns: while one holds its box on top and
  // looks at it, no other raises a box of its own over the same place.
  HANDLE lookTurn = CreateMutexA(nullptr, FALSE, "vorn-tests-box-icon-look");
  for (int attempt = 0; attempt < 20; ++attempt) {
    if (lookTurn) WaitForSingleObject(lookTurn, 10000);
    SetWindowPos(box, HWND_TOPMOST, x, y, 0, 0, SWP_NOSIZE | SWP_NOACTIVATE);
    RedrawWindow(box, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    Sleep(50 + 25 * attempt);
    // Uncovered before and after the look: a box of another test opening meanwhile at the
    // same place (boxes open centred) would otherwise lend the look its own icon.
    bool uncovered = IconUncovered(iconControl);
    icon = CaptureIcon(iconControl);
    uncovered = uncovered && IconUncovered(iconControl);
    SetWindowPos(box, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    if (lookTurn) ReleaseMutex(lookTurn);
    if (uncovered && icon != TBoxIcon::Unknown && icon == previous) break;
    previous = uncovered ? icon : TBoxIcon::Unknown;
  }
  if (lookTurn) CloseHandle(lookTurn);
  return icon;
}

void ReadDialog(TWatchedDialog& result) {
  char buffer[1024] = "";
  GetWindowTextA(result.window, buffer, sizeof buffer);
  result.title = buffer;
  GetClassNameA(result.window, buffer, sizeof buffer);
  result.className = buffer;
  GetWindowThreadProcessId(result.window, &result.processId);
  result.text = ReadStaticTexts(result.window);
  TChildScan scan;
  EnumChildWindows(result.window, ScanChild, reinterpret_cast<LPARAM>(&scan));
  result.buttons = scan.buttons;
  result.defaultButton = scan.defaultButton;
  result.icon = scan.icons.empty() ? TBoxIcon::None : IdentifyIcon(scan.icons.front());
}

}  // namespace

const char* BoxIconName(TBoxIcon icon) {
  switch (icon) {
    case TBoxIcon::None: return "none";
    case TBoxIcon::Hand: return "hand";
    case TBoxIcon::Exclamation: return "exclamation";
    case TBoxIcon::Question: return "question";
    case TBoxIcon::Asterisk: return "asterisk";
    default: return "unknown";
  }
}

std::string ReadStaticTexts(HWND window) {
  TChildScan scan;
  EnumChildWindows(window, ScanChild, reinterpret_cast<LPARAM>(&scan));
  std::string text;
  for (HWND control : scan.statics) {
    char buffer[2048] = "";
    // WM_GETTEXT crosses process boundaries; GetWindowText does not for other processes.
    SendMessageTimeoutA(control, WM_GETTEXT, sizeof buffer, reinterpret_cast<LPARAM>(buffer),
                        SMTO_ABORTIFHUNG, 2000, nullptr);
    if (!buffer[0]) continue;
    if (!text.empty()) text += '\n';
    text += buffer;
  }
  return text;
}

TWatchedDialog FindDialog(DWORD pid, const char* title, DWORD timeoutMs) {
  TWatchedDialog result;
  DWORD start = GetTickCount();
  for (;;) {
    TFindRequest request{pid, title, nullptr};
    EnumWindows(FindTopLevel, reinterpret_cast<LPARAM>(&request));
    if (request.found) {
      result.found = true;
      result.window = request.found;
      break;
    }
    if (GetTickCount() - start > timeoutMs) return result;
    Sleep(50);
  }
  // Give the box time to paint before its pixels are read.
  Sleep(400);
  ReadDialog(result);
  return result;
}

bool PressDialogButton(HWND dialog, int buttonId) {
  HWND button = GetDlgItem(dialog, buttonId);
  if (button) {
    DWORD_PTR ignored = 0;
    return SendMessageTimeoutA(button, BM_CLICK, 0, 0, SMTO_ABORTIFHUNG, 5000, &ignored) != 0 ||
           PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(buttonId, BN_CLICKED),
                        reinterpret_cast<LPARAM>(button));
  }
  return PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(buttonId, BN_CLICKED), 0) != 0;
}

TWatchedDialog WatchAndPress(DWORD pid, const char* title, int buttonId, DWORD timeoutMs) {
  TWatchedDialog result = FindDialog(pid, title, timeoutMs);
  if (result.found) result.pressed = PressDialogButton(result.window, buttonId);
  return result;
}

std::future<TWatchedDialog> WatchAndPressAsync(DWORD pid, const char* title, int buttonId,
                                               DWORD timeoutMs) {
  std::string ownTitle = title;
  return std::async(std::launch::async, [=] {
    return WatchAndPress(pid, ownTitle.c_str(), buttonId, timeoutMs);
  });
}

TChild::~TChild() {
  if (!started) return;
  if (WaitForSingleObject(info.hProcess, 0) == WAIT_TIMEOUT) TerminateProcess(info.hProcess, 99);
  CloseHandle(info.hThread);
  CloseHandle(info.hProcess);
}

int TChild::Wait(DWORD timeoutMs) {
  if (!started) return -1;
  if (WaitForSingleObject(info.hProcess, timeoutMs) != WAIT_OBJECT_0) {
    TerminateProcess(info.hProcess, 99);
    WaitForSingleObject(info.hProcess, 5000);
    return -1;
  }
  DWORD code = 0;
  GetExitCodeProcess(info.hProcess, &code);
  return static_cast<int>(code);
}

bool StartChild(TChild& child, const std::string& commandLine, const char* workingDir) {
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  std::vector<char> line(commandLine.begin(), commandLine.end());
  line.push_back('\0');
  child.started = CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                                 workingDir, &startup, &child.info) != 0;
  return child.started;
}

std::string TestProgramPath(const char* name) {
  const char* dir = std::getenv("VORN_TEST_PROGRAMS");
  std::string path = dir ? dir : VORN_BINARY_DIR "/testprograms";
  return path + "/" + name + ".exe";
}

TFatalOutcome RunExpectingFatalBox(const std::string& commandLine, const char* workingDir,
                                   DWORD timeoutMs) {
  TFatalOutcome outcome;
  TChild child;
  if (!StartChild(child, commandLine, workingDir)) return outcome;
  outcome.box = WatchAndPress(child.pid(), "ERROR", IDOK, timeoutMs);
  outcome.exitCode = child.Wait(outcome.box.found ? 10000 : 1000);
  return outcome;
}

// The wait cursor for the length of a scope; the cursor before it comes back at the end.
// Scopes nest (an operation inside another): only the outermost one changes the cursor,
// since each cursor call is a round trip to the window system.
#pragma once

#include <windows.h>

class TWaitCursor {
public:
  TWaitCursor() {
    if (depth_++ > 0) return;
    static const HCURSOR wait = LoadCursorA(nullptr, IDC_WAIT);
    previous_ = SetCursor(wait);
    ++changes_;
  }
  ~TWaitCursor() {
    if (--depth_ == 0) SetCursor(previous_);
  }
  // Number of times an outermost scope has put up the wait cursor (for tests and benchmarks).
  static int Changes() { return changes_; }
  TWaitCursor(const TWaitCursor&) = delete;
  TWaitCursor& operator=(const TWaitCursor&) = delete;

private:
  static inline int depth_ = 0;
  static inline int changes_ = 0;
  HCURSOR previous_ = nullptr;
};

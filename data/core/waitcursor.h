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
  }
  ~TWaitCursor() {
    if (--depth_ == 0) SetCursor(previous_);
  }
  TWaitCursor(const TWaitCursor&) = delete;
  TWaitCursor& operator=(const TWaitCursor&) = delete;

private:
  static inline int depth_ = 0;
  HCURSOR previous_ = nullptr;
};

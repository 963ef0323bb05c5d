// The wait cursor for the length of a scope; the cursor before it comes back at the end.
#pragma once

#include <windows.h>

class TWaitCursor {
public:
  TWaitCursor() : previous_(SetCursor(LoadCursorA(nullptr, IDC_WAIT))) {}
  ~TWaitCursor() { SetCursor(previous_); }
  TWaitCursor(const TWaitCursor&) = delete;
  TWaitCursor& operator=(const TWaitCursor&) = delete;

private:
  HCURSOR previous_;
};

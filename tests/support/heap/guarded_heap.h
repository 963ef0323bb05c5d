// A heap for tests of objects that must be freed once and never used afterwards: while it
// is armed, every block gets pages of its own, which go when the block is freed, so that a
// later read, write or second delete of the block faults at once.
#pragma once

// Arms the heap while it lives (scopes nest). Blocks made meanwhile keep faulting once freed,
// also after the scope has ended; blocks made outside come from the ordinary heap.
class TGuardedHeap {
public:
  TGuardedHeap();
  ~TGuardedHeap();
  TGuardedHeap(const TGuardedHeap&) = delete;
  TGuardedHeap& operator=(const TGuardedHeap&) = delete;
};

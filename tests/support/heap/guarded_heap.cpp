// The guarded heap: the program's operator new and delete, which take armed blocks from
// pages of their own in one reserved stretch of address space and give those pages up,
// never to be used again, when the block is freed.
#include "support/heap/guarded_heap.h"

#include <windows.h>

#include <cstdlib>
#include <new>

namespace {

constexpr SIZE_T PAGE_SIZE = 4096;
constexpr SIZE_T REGION_SIZE = SIZE_T(16) << 30;  // room for a few million armed blocks
constexpr SIZE_T HEADER_SIZE = 16;                // the block's page count, kept before it

char* region = nullptr;
volatile LONG64 pagesHandedOut = 0;
volatile LONG armedScopes = 0;

bool InRegion(const void* block) {
  const char* p = static_cast<const char*>(block);
  return region && p >= region && p < region + REGION_SIZE;
}

void* GuardedAllocate(std::size_t size) {
  const SIZE_T pages = (size + HEADER_SIZE + PAGE_SIZE - 1) / PAGE_SIZE;
  const LONG64 first = InterlockedExchangeAdd64(&pagesHandedOut, static_cast<LONG64>(pages));
  if (static_cast<SIZE_T>(first) + pages > REGION_SIZE / PAGE_SIZE) return nullptr;
  char* base = region + static_cast<SIZE_T>(first) * PAGE_SIZE;
  if (!VirtualAlloc(base, pages * PAGE_SIZE, MEM_COMMIT, PAGE_READWRITE)) return nullptr;
  *reinterpret_cast<SIZE_T*>(base) = pages;
  return base + HEADER_SIZE;
}

void GuardedFree(void* block) {
  char* base = static_cast<char*>(block) - HEADER_SIZE;
  const SIZE_T pages = *reinterpret_cast<const SIZE_T*>(base);  // a second delete faults here
  VirtualFree(base, pages * PAGE_SIZE, MEM_DECOMMIT);
}

void* Allocate(std::size_t size) {
  if (armedScopes > 0)
    if (void* block = GuardedAllocate(size)) return block;
  return std::malloc(size ? size : 1);
}

void* AllocateOrThrow(std::size_t size) {
  void* block = Allocate(size);
  if (!block) throw std::bad_alloc();
  return block;
}

void Release(void* block) {
  if (!block) return;
  if (InRegion(block))
    GuardedFree(block);
  else
    std::free(block);
}

}  // namespace

TGuardedHeap::TGuardedHeap() {
  if (!region)
    region = static_cast<char*>(VirtualAlloc(nullptr, REGION_SIZE, MEM_RESERVE, PAGE_NOACCESS));
  InterlockedIncrement(&armedScopes);
}

TGuardedHeap::~TGuardedHeap() { InterlockedDecrement(&armedScopes); }

void* operator new(std::size_t size) { return AllocateOrThrow(size); }
void* operator new[](std::size_t size) { return AllocateOrThrow(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return Allocate(size); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return Allocate(size); }
void operator delete(void* block) noexcept { Release(block); }
void operator delete[](void* block) noexcept { Release(block); }
void operator delete(void* block, std::size_t) noexcept { Release(block); }
void operator delete[](void* block, std::size_t) noexcept { Release(block); }
void operator delete(void* block, const std::nothrow_t&) noexcept { Release(block); }
void operator delete[](void* block, const std::nothrow_t&) noexcept { Release(block); }

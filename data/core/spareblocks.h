// A few freed blocks of one size, kept for the next object of that size.
#pragma once

#include <cstddef>
#include <new>

// For a class whose objects every short operation makes and frees (a statement, its
// parameters, a record of a list): its operator new and delete go through here, so that
// most objects cost no trip to the heap. One thread, as the program has for its data.
template <typename T, int Limit = 16>
class TSpareBlocks {
public:
  static void* Take(std::size_t size) {
    if (size != sizeof(T) || spare_.count == 0) return ::operator new(size);
    return spare_.blocks[--spare_.count];
  }
  static void Give(void* block, std::size_t size) {
    if (size != sizeof(T) || spare_.count == Limit) return ::operator delete(block);
    spare_.blocks[spare_.count++] = block;
  }

private:
  struct TSpare {
    void* blocks[Limit] = {};
    int count = 0;
    ~TSpare() {
      while (count > 0) ::operator delete(blocks[--count]);
    }
  };
  static inline TSpare spare_;
};

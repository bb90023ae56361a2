// Heap use of a piece of code: how many blocks it takes, how many bytes in all, and the most
// it holds at once. A program that links heap_tally.cpp has its global operator new and delete
// replaced by counting ones; a library that calls malloc itself is given an allocator over
// tally_allocate, tally_reallocate and tally_release. Counting is per thread.
#pragma once

#include <cstddef>
#include <cstdint>

namespace bench {

struct HeapUse {
    uint64_t blocks = 0;      // allocations, a reallocation counting as one
    uint64_t bytes = 0;       // bytes asked for, all allocations together
    uint64_t peak_bytes = 0;  // most bytes held at once, above what was held at the start
};

// Counts the calling thread's allocations from now on, starting from zero.
void tally_begin();
// Stops counting and gives what was counted since tally_begin.
HeapUse tally_end();

// malloc, realloc and free that count; null when memory is exhausted (a failed reallocation
// leaves the block as it was). Blocks of these and of operator new are interchangeable.
void* tally_allocate(size_t size);
void* tally_reallocate(void* block, size_t size);
void tally_release(void* block);

}  // namespace bench

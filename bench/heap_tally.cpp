// The heap tally: counting replacements of the global operator new and delete, and malloc over it.
#include "heap_tally.h"

#include <cstdlib>
#include <cstring>
#include <new>

namespace bench {
namespace {

// Every block carries its size and its distance from what malloc returned just in front of
// it, so a release knows how much to uncount and what to free.
struct Header {
    size_t size;
    size_t offset;
};
constexpr size_t kHeader = 16;  // keeps malloc's 16-byte alignment
static_assert(sizeof(Header) <= kHeader, "the header fits its room");

struct Tally {
    bool on;
    uint64_t blocks;
    uint64_t bytes;
    int64_t live;  // may go below zero when blocks from before tally_begin are released
    int64_t peak;
};
thread_local Tally tally;  // plain data: no initialiser runs in operator new

Header* header_of(void* block) {
    return reinterpret_cast<Header*>(static_cast<char*>(block) - sizeof(Header));
}

void* finish(void* raw, size_t offset, size_t size) {
    if (raw == nullptr) return nullptr;
    char* block = static_cast<char*>(raw) + offset;
    *header_of(block) = Header{size, offset};
    if (tally.on) {
        ++tally.blocks;
        tally.bytes += size;
        tally.live += static_cast<int64_t>(size);
        if (tally.live > tally.peak) tally.peak = tally.live;
    }
    return block;
}

void uncount(size_t size) {
    if (tally.on) tally.live -= static_cast<int64_t>(size);
}

void* allocate_aligned(size_t size, size_t alignment) {
    if (alignment <= kHeader) return tally_allocate(size);
    if (size > SIZE_MAX - 2 * alignment) return nullptr;
    const size_t total = (size + alignment + alignment - 1) / alignment * alignment;
    return finish(std::aligned_alloc(alignment, total), alignment, size);
}

[[noreturn]] void out_of_memory() {
    throw std::bad_alloc();
}

}  // namespace

void tally_begin() {
    tally = Tally{true, 0, 0, 0, 0};
}

HeapUse tally_end() {
    tally.on = false;
    HeapUse use;
    use.blocks = tally.blocks;
    use.bytes = tally.bytes;
    use.peak_bytes = static_cast<uint64_t>(tally.peak);
    return use;
}

void* tally_allocate(size_t size) {
    if (size > SIZE_MAX - kHeader) return nullptr;
    return finish(std::malloc(size + kHeader), kHeader, size);
}

void* tally_reallocate(void* block, size_t size) {
    if (block == nullptr) return tally_allocate(size);
    const Header old = *header_of(block);
    if (old.offset != kHeader || size > SIZE_MAX - kHeader) {
        // an over-aligned block: realloc would not keep its alignment
        void* moved = tally_allocate(size);
        if (moved == nullptr) return nullptr;
        std::memcpy(moved, block, old.size < size ? old.size : size);
        tally_release(block);
        return moved;
    }
    void* raw = std::realloc(static_cast<char*>(block) - kHeader, size + kHeader);
    if (raw == nullptr) return nullptr;
    uncount(old.size);
    return finish(raw, kHeader, size);
}

void tally_release(void* block) {
    if (block == nullptr) return;
    const Header header = *header_of(block);
    uncount(header.size);
    std::free(static_cast<char*>(block) - header.offset);
}

}  // namespace bench

// The replaced global allocation functions. A request for 0 bytes still gets a block.

void* operator new(size_t size) {
    void* block = bench::tally_allocate(size != 0 ? size : 1);
    if (block == nullptr) bench::out_of_memory();
    return block;
}
void* operator new[](size_t size) {
    return operator new(size);
}
void* operator new(size_t size, const std::nothrow_t&) noexcept {
    return bench::tally_allocate(size != 0 ? size : 1);
}
void* operator new[](size_t size, const std::nothrow_t&) noexcept {
    return bench::tally_allocate(size != 0 ? size : 1);
}
void* operator new(size_t size, std::align_val_t alignment) {
    void* block = bench::allocate_aligned(size != 0 ? size : 1, static_cast<size_t>(alignment));
    if (block == nullptr) bench::out_of_memory();
    return block;
}
void* operator new[](size_t size, std::align_val_t alignment) {
    return operator new(size, alignment);
}
void* operator new(size_t size, std::align_val_t alignment, const std::nothrow_t&) noexcept {
    return bench::allocate_aligned(size != 0 ? size : 1, static_cast<size_t>(alignment));
}
void* operator new[](size_t size, std::align_val_t alignment, const std::nothrow_t&) noexcept {
    return bench::allocate_aligned(size != 0 ? size : 1, static_cast<size_t>(alignment));
}

void operator delete(void* block) noexcept {
    bench::tally_release(block);
}
void operator delete[](void* block) noexcept {
    bench::tally_release(block);
}
void operator delete(void* block, size_t) noexcept {
    bench::tally_release(block);
}
void operator delete[](void* block, size_t) noexcept {
    bench::tally_release(block);
}
void operator delete(void* block, const std::nothrow_t&) noexcept {
    bench::tally_release(block);
}
void operator delete[](void* block, const std::nothrow_t&) noexcept {
    bench::tally_release(block);
}
void operator delete(void* block, std::align_val_t) noexcept {
    bench::tally_release(block);
}
void operator delete[](void* block, std::align_val_t) noexcept {
    bench::tally_release(block);
}
void operator delete(void* block, size_t, std::align_val_t) noexcept {
    bench::tally_release(block);
}
void operator delete[](void* block, size_t, std::align_val_t) noexcept {
    bench::tally_release(block);
}
void operator delete(void* block, std::align_val_t, const std::nothrow_t&) noexcept {
    bench::tally_release(block);
}
void operator delete[](void* block, std::align_val_t, const std::nothrow_t&) noexcept {
    bench::tally_release(block);
}

// string_stream: the writer's growable byte buffer. It starts at 1 KiB and grows by whole
// KiB to the smallest size that fits (not by doubling): the documents written are small and
// the buffer lives for one encode call.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <new>

namespace lcdjson {

class string_stream {
public:
    static constexpr size_t kGranule = 1024;

    string_stream() {
        begin_ = std::allocator<char>().allocate(kGranule);
        pos_ = begin_;
        end_ = begin_ + kGranule;
        capacity_ = kGranule;
        mark_ = begin_;
    }
    ~string_stream() { std::allocator<char>().deallocate(begin_, capacity_); }
    string_stream(const string_stream&) = delete;
    string_stream& operator=(const string_stream&) = delete;

    void put(char c) {
        if (pos_ == end_) grow(1);
        *pos_++ = c;
    }

    void append(const char* bytes, size_t count) {
        if (static_cast<size_t>(end_ - pos_) < count) grow(count);
        if (count != 0) std::memcpy(pos_, bytes, count);
        pos_ += count;
    }

    const char* data() const { return begin_; }
    size_t size() const { return static_cast<size_t>(pos_ - begin_); }
    size_t capacity() const { return capacity_; }

private:
    // Makes room for count more bytes.
    __attribute__((noinline)) void grow(size_t count) {
        const size_t used = size();
        constexpr size_t kLargest = static_cast<size_t>(PTRDIFF_MAX);
        if (count > kLargest - used) throw std::bad_alloc();
        const size_t needed = used + count;
        if (needed <= capacity_) return;
        if (needed > kLargest - (kGranule - 1)) throw std::bad_alloc();
        const size_t capacity = (needed + kGranule - 1) / kGranule * kGranule;
        char* buffer = std::allocator<char>().allocate(capacity);
        std::memcpy(buffer, begin_, used);  // the bytes past the write position hold nothing
        std::allocator<char>().deallocate(begin_, capacity_);
        mark_ = buffer + (mark_ - begin_);
        begin_ = buffer;
        pos_ = buffer + used;
        end_ = buffer + capacity;
        capacity_ = capacity;
    }

    char* begin_;
    char* pos_;
    char* end_;
    size_t capacity_;
    char* mark_;  // a second position, kept at its offset; the writer does not use it
};

}  // namespace lcdjson

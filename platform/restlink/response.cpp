// The response body, its buffer reused from one exchange to the next.
#include "response.h"

namespace restlink {
namespace {

constexpr size_t kKeptCapacity = 64 * 1024;

}  // namespace

void Response::clear() {
    if (body_.capacity() > kKeptCapacity)
        std::string().swap(body_);
    else
        body_.clear();
}

bool Response::reserve(unsigned long long size) {
    if (size > kMaxBody) return false;
    body_.reserve(static_cast<size_t>(size));
    return true;
}

bool Response::append(const char* data, size_t size) {
    if (size > kMaxBody - body_.size()) return false;
    body_.append(data, size);
    return true;
}

}  // namespace restlink

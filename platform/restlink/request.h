// The library's own request object behind HttpRequest.
#ifndef RESTLINK_REQUEST_H
#define RESTLINK_REQUEST_H

#include <string>
#include <utility>
#include <vector>

#include "restlink.h"

namespace restlink {

using TextPairs = std::vector<std::pair<std::string, std::string>>;

// Everything is copied on entry, so callers may free their texts at once.
// Bad input does not throw (the plugin calls across a C++ ABI boundary and
// checks nothing but sendRequest's result); the first fault is kept and
// sendRequest refuses the request with that reason.
class Request final : public HttpRequest {
public:
    // Starts over for a new exchange, keeping the buffers for reuse.
    void reset(const char* method, const char* path);

    void addHeader(const char* name, const char* value);
    void addQueryItem(const char* key, const char* value);
    void assignBody(const char* body, int size);

    const std::string& method() const { return method_; }
    const std::string& path() const { return path_; }
    const TextPairs& headers() const { return headers_; }
    const TextPairs& query() const { return query_; }
    const std::string& body() const { return body_; }
    bool hasBody() const { return hasBody_; }
    // Empty when the request may be sent.
    const std::string& fault() const { return fault_; }
    // Set when copying a text failed; never allocates.
    void markOutOfMemory() noexcept { outOfMemory_ = true; }
    bool outOfMemory() const { return outOfMemory_; }
    // Header names set by the caller, case-insensitively.
    bool hasHeader(const char* name) const;
    // "METHOD /path", for the library's lines.
    std::string describe() const;

private:
    void fail(std::string reason);

    std::string method_;
    std::string path_;
    TextPairs headers_;
    TextPairs query_;
    std::string body_;
    bool hasBody_ = false;
    std::string fault_;
    bool outOfMemory_ = false;
};

}  // namespace restlink

#endif  // RESTLINK_REQUEST_H

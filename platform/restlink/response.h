// The library's own response object behind HttpRespon.
#ifndef RESTLINK_RESPONSE_H
#define RESTLINK_RESPONSE_H

#include <cstddef>
#include <string>

#include "restlink.h"

namespace restlink {

class Response final : public HttpRespon {
public:
    // Bodies above this are refused: getBodySize is 32-bit, and a controller
    // answer this large means something has gone wrong.
    static constexpr size_t kMaxBody = 64u * 1024u * 1024u;

    // Starts over for a new exchange, keeping a modest buffer for reuse.
    void clear();
    // Makes room for a body of the size an answer declares; false, and no room made, above
    // kMaxBody.
    bool reserve(unsigned long long size);
    // False, and nothing stored, once the body would exceed kMaxBody.
    bool append(const char* data, size_t size);

    // std::string keeps a NUL after the last byte, so a caller that wrongly
    // treats the body as a C string still stops inside the buffer.
    const std::string& body() const { return body_; }

private:
    std::string body_;
};

}  // namespace restlink

#endif  // RESTLINK_RESPONSE_H

// The request object: copies of the caller's texts, checked as they come, and the first fault.
#include "request.h"

#include <strings.h>

#include <cstring>

namespace restlink {
namespace {

// Buffers above this are released rather than kept for the next exchange.
constexpr size_t kKeptCapacity = 64 * 1024;

// RFC 9110 token characters: method words and header field names.
bool isToken(const char* text) {
    if (!text || !*text) return false;
    for (const char* p = text; *p; ++p) {
        unsigned char c = static_cast<unsigned char>(*p);
        if ((c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z')) continue;
        if (!std::strchr("!#$%&'*+-.^_`|~", c)) return false;
    }
    return true;
}

// Path and header values may not smuggle in line breaks or other controls.
bool hasControl(const char* text, bool blankAllowed) {
    for (const char* p = text; *p; ++p) {
        unsigned char c = static_cast<unsigned char>(*p);
        if (c == '\t' && blankAllowed) continue;
        if (c < 0x20 || c == 0x7f || (c == ' ' && !blankAllowed)) return true;
    }
    return false;
}

void clearText(std::string& text) {
    if (text.capacity() > kKeptCapacity)
        std::string().swap(text);
    else
        text.clear();
}

}  // namespace

void Request::reset(const char* method, const char* path) {
    outOfMemory_ = false;
    fault_.clear();
    headers_.clear();
    query_.clear();
    clearText(body_);
    hasBody_ = false;
    method_ = method ? method : "";
    path_ = path ? path : "";
    if (!isToken(method)) {
        fail(method ? "method \"" + method_ + "\" is not an HTTP method word" : "no method word");
        return;
    }
    if (!path) {
        fail("no path");
    } else if (!path_.empty() && path_[0] != '/') {
        fail("path does not start with '/'");
    } else if (hasControl(path, false)) {
        fail("path holds a blank or a control character");
    }
}

void Request::addHeader(const char* name, const char* value) {
    if (!isToken(name)) {
        fail(name ? "header name \"" + std::string(name) + "\" is not a field name"
                  : "header without a name");
        return;
    }
    // The value is never quoted back: it may be the token.
    if (!value) {
        fail("header \"" + std::string(name) + "\" without a value");
        return;
    }
    if (hasControl(value, true)) {
        fail("value of header \"" + std::string(name) + "\" holds a control character");
        return;
    }
    headers_.emplace_back(name, value);
}

void Request::addQueryItem(const char* key, const char* value) {
    if (!key || !value) {
        fail("URL key/value with a null text");
        return;
    }
    query_.emplace_back(key, value);
}

void Request::assignBody(const char* body, int size) {
    if (size < 0) {
        fail("negative body size " + std::to_string(size));
        return;
    }
    if (size > 0 && !body) {
        fail("null body of " + std::to_string(size) + " bytes");
        return;
    }
    body_.assign(body ? body : "", static_cast<size_t>(size));
    hasBody_ = true;
}

bool Request::hasHeader(const char* name) const {
    for (const auto& header : headers_)
        if (strcasecmp(header.first.c_str(), name) == 0) return true;
    return false;
}

void Request::fail(std::string reason) {
    if (fault_.empty()) fault_ = std::move(reason);
}

std::string Request::describe() const {
    return (method_.empty() ? std::string("?") : method_) + " " +
           (path_.empty() ? std::string("/") : path_);
}

}  // namespace restlink

// One exchange over libcurl: URL, headers, body, time-out, and why it failed.
#include "transport.h"

#include <cctype>
#include <cstring>
#include <memory>
#include <new>

#include "curl_library.h"
#include "log.h"
#include "request.h"
#include "response.h"
#include "settings.h"

namespace restlink {
namespace {

// Why the body was refused; libcurl itself reports only a write error.
enum class Refusal { none, tooLarge, outOfMemory };

struct BodySink {
    Response* response;
    CURL* handle;
    Refusal refused;
    // The answer's header block has ended with its blank line. An answer cut off before that (a
    // status line and then the connection closed) is no answer, though libcurl may report the
    // status and an empty body as a success.
    bool headersEnded;
};

size_t receiveBody(char* data, size_t size, size_t count, void* user) {
    auto* sink = static_cast<BodySink*>(user);
    const size_t bytes = size * count;
    Response& response = *sink->response;
    // No exception may cross libcurl's C frames; returning less than given makes it abort.
    try {
        // At the first piece: room for the whole declared body at once, instead of the copies
        // of a growing buffer; a declared body above the limit is refused before it is read.
        curl_off_t declared = -1;
        if (response.body().empty() &&
            curl_easy_getinfo(sink->handle, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &declared) ==
                CURLE_OK &&
            declared > 0 && !response.reserve(static_cast<unsigned long long>(declared))) {
            sink->refused = Refusal::tooLarge;
            return 0;
        }
        if (!response.append(data, bytes)) {
            sink->refused = Refusal::tooLarge;
            return 0;
        }
    } catch (const std::bad_alloc&) {
        sink->refused = Refusal::outOfMemory;
        return 0;
    }
    return bytes;
}

size_t receiveHeader(char* data, size_t size, size_t count, void* user) {
    auto* sink = static_cast<BodySink*>(user);
    const size_t bytes = size * count;
    // A status line starts a header block (an interim answer has one of its own); a line that is
    // only its line end closes it.
    if (bytes >= 5 && std::memcmp(data, "HTTP/", 5) == 0) sink->headersEnded = false;
    if ((bytes == 2 && data[0] == '\r' && data[1] == '\n') || (bytes == 1 && data[0] == '\n'))
        sink->headersEnded = true;
    return bytes;
}

bool appendHeader(HeaderList& list, const std::string& line) {
    curl_slist* grown = curl_slist_append(list.get(), line.c_str());
    if (!grown) return false;
    list.release();
    list.reset(grown);
    return true;
}

// Letters, digits and - . _ ~ stand for themselves in a URL; the keys and decimal values the
// component sends are made of nothing else, and go in without libcurl's copy.
bool unreserved(const std::string& text) {
    for (const char c : text)
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '-' && c != '.' && c != '_' &&
            c != '~')
            return false;
    return true;
}

bool appendEscaped(CURL* handle, std::string& url, const std::string& text) {
    if (unreserved(text)) {
        url += text;
        return true;
    }
    char* escaped = curl_easy_escape(handle, text.data(), static_cast<int>(text.size()));
    if (!escaped) return false;
    url += escaped;
    curl_free(escaped);
    return true;
}

bool buildUrl(CURL* handle, const Request& request, std::string& url) {
    url = settings().baseUrl + request.path();
    char separator = request.path().find('?') == std::string::npos ? '?' : '&';
    for (const auto& item : request.query()) {
        url += separator;
        separator = '&';
        if (!appendEscaped(handle, url, item.first)) return false;
        url += '=';
        if (!appendEscaped(handle, url, item.second)) return false;
    }
    return true;
}

// The header lines of a request, as libcurl takes them.
std::vector<std::string> headerLines(const Request& request, bool sendsBody) {
    std::vector<std::string> lines;
    for (const auto& header : request.headers()) {
        // "Name:" alone would make libcurl drop the field; "Name;" sends it
        // with an empty value (an empty token is still sent).
        lines.push_back(header.first + (header.second.empty() ? ";" : ": " + header.second));
    }
    // The wait for "100 Continue" costs a round trip on every PUT.
    if (!request.hasHeader("Expect")) lines.emplace_back("Expect:");
    // Without this libcurl labels a body as a form.
    if (sendsBody && !request.hasHeader("Content-Type")) lines.emplace_back("Content-Type:");
    return lines;
}

bool sendsBody(const Request& request) {
    const std::string& method = request.method();
    return request.hasBody() || method == "PUT" || method == "POST" || method == "PATCH";
}

std::string describe(CURLcode code, const char* detail, Refusal refused) {
    std::string text;
    switch (code) {
        case CURLE_COULDNT_CONNECT:
            text = "no connection (refused or unreachable)";
            break;
        case CURLE_COULDNT_RESOLVE_HOST:
            text = "unknown host";
            break;
        case CURLE_OPERATION_TIMEDOUT:
            text = "timed out after " + std::to_string(settings().timeoutMs) + " ms";
            break;
        case CURLE_WRITE_ERROR:
            if (refused == Refusal::tooLarge)
                return "answer body larger than " + std::to_string(Response::kMaxBody) + " bytes";
            if (refused == Refusal::outOfMemory) return "out of memory for the answer body";
            text = curl_easy_strerror(code);
            break;
        default:
            text = curl_easy_strerror(code);
            break;
    }
    if (detail && *detail) text += std::string(": ") + detail;
    return text;
}

// Failures that a reused connection gives when the server left something on it, or closed it.
bool staleConnection(CURLcode code) {
    return code == CURLE_WEIRD_SERVER_REPLY || code == CURLE_UNSUPPORTED_PROTOCOL ||
           code == CURLE_GOT_NOTHING || code == CURLE_RECV_ERROR || code == CURLE_SEND_ERROR;
}

}  // namespace

Transport::~Transport() {
    // The handle first: it may point at the header list.
    if (handle_) curl_easy_cleanup(handle_);
}

bool Transport::exchange(const Request& request, Response& response, long& status,
                         std::string& why) {
    status = 0;
    if (!curlReady(why)) return false;
    const Settings& config = settings();
    if (!handle_) {
        if (!(handle_ = curl_easy_init())) {
            why = "cannot create a libcurl handle";
            return false;
        }
        // What every exchange shares is set once: the handle keeps it, and its connection.
        CURL* h = handle_;
        curl_easy_setopt(h, CURLOPT_PROTOCOLS_STR, "http,https");
        curl_easy_setopt(h, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_1));
        // The controller is local: a proxy from the environment must not apply.
        curl_easy_setopt(h, CURLOPT_NOPROXY, "*");
        // Signals would hit the host's threads; time-outs then need no SIGALRM.
        curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
        curl_easy_setopt(h, CURLOPT_TIMEOUT_MS, config.timeoutMs);
        curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT_MS, config.timeoutMs);
        curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, receiveBody);
        curl_easy_setopt(h, CURLOPT_HEADERFUNCTION, receiveHeader);
    }

    const std::string& method = request.method();
    const bool withBody = sendsBody(request);
    std::string url;
    if (!buildUrl(handle_, request, url)) {
        // libcurl escapes at most 8 MB of a text, and fails on memory.
        why = "a URL key or value libcurl cannot escape (too long, or out of memory)";
        return false;
    }
    // Exchanges mostly repeat the headers of the one before (the same token, the same fields):
    // the list libcurl holds is built again only when they change.
    std::vector<std::string> lines = headerLines(request, withBody);
    if (lines != headerLines_ || !headers_) {
        HeaderList built;
        for (const std::string& line : lines) {
            if (!appendHeader(built, line)) {
                why = "out of memory while building the request";
                return false;
            }
        }
        headers_ = std::move(built);
        headerLines_ = std::move(lines);
    }

    char detail[CURL_ERROR_SIZE];
    detail[0] = '\0';
    CURL* h = handle_;
    BodySink sink{&response, h, Refusal::none, false};
    curl_easy_setopt(h, CURLOPT_URL, url.c_str());
    curl_easy_setopt(h, CURLOPT_ERRORBUFFER, detail);
    curl_easy_setopt(h, CURLOPT_HTTPHEADER, headers_.get());
    curl_easy_setopt(h, CURLOPT_WRITEDATA, &sink);
    curl_easy_setopt(h, CURLOPT_HEADERDATA, &sink);
    // The method's options are set whole every time: none of the previous exchange's remain.
    if (method == "HEAD") {
        curl_easy_setopt(h, CURLOPT_HTTPGET, 1L);
        curl_easy_setopt(h, CURLOPT_NOBODY, 1L);
    } else if (withBody) {
        curl_easy_setopt(h, CURLOPT_NOBODY, 0L);  // after a HEAD; before the body's options
        curl_easy_setopt(h, CURLOPT_POSTFIELDSIZE_LARGE,
                         static_cast<curl_off_t>(request.body().size()));
        curl_easy_setopt(h, CURLOPT_POSTFIELDS, request.body().data());
        if (method != "POST") curl_easy_setopt(h, CURLOPT_CUSTOMREQUEST, method.c_str());
    } else {
        curl_easy_setopt(h, CURLOPT_HTTPGET, 1L);  // also clears NOBODY
        if (method != "GET") curl_easy_setopt(h, CURLOPT_CUSTOMREQUEST, method.c_str());
    }

    CURLcode code = curl_easy_perform(h);
    // A kept connection can hold what the server sent beyond the last answer's Content-Length,
    // which libcurl then takes for the start of this answer; or the server closed it meanwhile.
    // Such an exchange is made once more, on a connection of its own.
    long connects = 0;
    if (staleConnection(code) &&
        curl_easy_getinfo(h, CURLINFO_NUM_CONNECTS, &connects) == CURLE_OK && connects == 0) {
        // Said once per retry, so that a controller that keeps breaking kept connections shows.
        writeLine(request.describe() + ": the kept connection failed (" +
                  describe(code, detail, Refusal::none) + "); made once more on a new connection");
        response.clear();
        sink.headersEnded = false;
        detail[0] = '\0';
        curl_easy_setopt(h, CURLOPT_FRESH_CONNECT, 1L);
        code = curl_easy_perform(h);
        curl_easy_setopt(h, CURLOPT_FRESH_CONNECT, 0L);
    }
    long answered = 0;
    if (curl_easy_getinfo(h, CURLINFO_RESPONSE_CODE, &answered) == CURLE_OK) status = answered;
    // The handle outlives these locals and the request; leave it no dangling pointer.
    curl_easy_setopt(h, CURLOPT_ERRORBUFFER, static_cast<char*>(nullptr));
    curl_easy_setopt(h, CURLOPT_WRITEDATA, static_cast<void*>(nullptr));
    curl_easy_setopt(h, CURLOPT_HEADERDATA, static_cast<void*>(nullptr));
    curl_easy_setopt(h, CURLOPT_CUSTOMREQUEST, static_cast<char*>(nullptr));
    curl_easy_setopt(h, CURLOPT_POSTFIELDS, static_cast<char*>(nullptr));

    if (code != CURLE_OK) {
        why = describe(code, detail, sink.refused);
        return false;
    }
    if (!sink.headersEnded) {
        why = "the answer ended inside its header block" +
              (status != 0 ? " (after status " + std::to_string(status) + ")" : std::string());
        return false;
    }
    if (status < 200 || status > 299) {
        why = "HTTP status " + std::to_string(status);
        return false;
    }
    return true;
}

}  // namespace restlink

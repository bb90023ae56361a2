// The capture file, written and read with nlohmann/json.
#include "controller/capturefile.h"

#include <cstdint>
#include <set>
#include <stdexcept>
#include <utility>

#include "controller/textnumbers.h"

namespace ControllerSim {

namespace {

const char* const kAnswers = "answers";

bool isUtf8(const std::string& text) {
    try {
        (void)Json(text).dump();
        return true;
    } catch (const Json::type_error&) {
        return false;
    }
}

// What went wrong with one answer of the file; readCapture says which answer.
struct Refusal : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// The member `key` of `answer` as a T, `fallback` when it is absent and one is given. `what` names
// the type for a refusal ("a string").
template <class T>
T member(const Json& answer, const char* key, const char* what, std::optional<T> fallback = {}) {
    const auto found = answer.find(key);
    if (found == answer.end()) {
        if (fallback) return *fallback;
        throw Refusal(std::string("no \"") + key + "\"");
    }
    try {
        return found->get<T>();
    } catch (const Json::exception&) {
        throw Refusal(std::string("\"") + key + "\" is " + found->type_name() + ", not " + what);
    }
}

std::string bodyOf(const Json& answer) {
    if (answer.contains("body")) return member<std::string>(answer, "body", "a string");
    const Json bytes = member<Json>(answer, "bodyBytes", "an array");
    if (!bytes.is_array()) throw Refusal("\"bodyBytes\" is not an array of byte values");
    std::string body;
    for (const Json& byte : bytes) {
        if (!byte.is_number_unsigned() || byte.get<uint64_t>() > 255)
            throw Refusal("\"bodyBytes\" holds " + byte.dump() + ", not a byte value");
        body += char(byte.get<uint64_t>());
    }
    return body;
}

CapturedAnswer readAnswer(const Json& item) {
    if (!item.is_object())
        throw Refusal(std::string("a JSON ") + item.type_name() + ", not an object");
    CapturedAnswer answer;
    if (member<std::string>(item, "method", "a string") != "GET")
        throw Refusal("not to a GET, the only request a capture keeps");
    answer.path = member<std::string>(item, "path", "a string");
    using Strings = std::map<std::string, std::string>;
    answer.query = member<Strings>(item, "query", "an object of strings", Strings());
    const Json status = member<Json>(item, "status", "an integer");
    if (!status.is_number_integer() || status < 200 || status > 299)
        throw Refusal("status " + status.dump() + ", not from 200 to 299");
    answer.status = status.get<int>();
    answer.reason = member<std::string>(item, "reason", "a string", std::string());
    const Strings headers = member<Strings>(item, "headers", "an object of strings");
    answer.body = bodyOf(item);
    if (const auto type = headers.find("Content-Type"); type != headers.end())
        answer.contentType = type->second;
    if (const auto framing = headers.find("Transfer-Encoding"); framing != headers.end()) {
        if (framing->second != "chunked" || headers.count("Content-Length"))
            throw Refusal("a Transfer-Encoding other than chunked alone");
        answer.chunked = true;
    } else if (const auto length = headers.find("Content-Length"); length != headers.end()) {
        int64_t size = 0;
        if (!parseDecimal(length->second, 0, INT64_MAX, size) || size_t(size) != answer.body.size())
            throw Refusal("Content-Length " + length->second + " but a body of " +
                          std::to_string(answer.body.size()) + " bytes");
    }
    answer.warnings = member<std::vector<std::string>>(item, "warnings", "an array of strings",
                                                       std::vector<std::string>());
    return answer;
}

}  // namespace

std::string requestText(const CapturedAnswer& answer, const std::string& root) {
    std::string text = "GET " + root + answer.path;
    char separator = '?';
    for (const auto& [key, value] : answer.query) {
        text += separator + key + "=" + value;
        separator = '&';
    }
    return text;
}

std::string captureText(const std::string& from, const std::string& at,
                        const std::vector<CapturedAnswer>& answers) {
    // Bodies that are not UTF-8 go in as bytes; anything else of that kind is only a note.
    const auto write = [](const Json& value) {
        return value.dump(-1, ' ', false, Json::error_handler_t::replace);
    };
    // One answer a line, so that a reader finds each request and its answer at a glance.
    std::string text = "{\"capturedFrom\":" + write(from) + ",\"capturedAt\":" + write(at) + ",\"" +
                       kAnswers + "\":[";
    const char* separator = "\n";
    for (const CapturedAnswer& answer : answers) {
        Json headers = Json::object();
        if (answer.contentType) headers["Content-Type"] = *answer.contentType;
        if (answer.chunked)
            headers["Transfer-Encoding"] = "chunked";
        else
            headers["Content-Length"] = std::to_string(answer.body.size());
        Json item = {{"method", "GET"},         {"path", answer.path},
                     {"query", answer.query},   {"status", answer.status},
                     {"reason", answer.reason}, {"headers", std::move(headers)}};
        if (!answer.warnings.empty()) item["warnings"] = answer.warnings;
        if (isUtf8(answer.body))
            item["body"] = answer.body;
        else
            item["bodyBytes"] = std::vector<unsigned char>(answer.body.begin(), answer.body.end());
        text += separator + write(item);
        separator = ",\n";
    }
    return text + "\n]}\n";
}

bool isCapture(const Json& fixture) {
    return fixture.is_object() && fixture.contains(kAnswers);
}

bool readCapture(const Json& fixture, std::vector<CapturedAnswer>& answers, std::string& error) {
    const Json& items = fixture[kAnswers];
    if (!items.is_array()) {
        error = std::string("its \"answers\" is ") + items.type_name() + ", not an array";
        return false;
    }
    std::vector<CapturedAnswer> read;
    std::set<std::string> requests;
    for (size_t i = 0; i < items.size(); ++i) {
        try {
            read.push_back(readAnswer(items[i]));
            if (!requests.insert(requestText(read.back())).second)
                throw Refusal("an earlier answer is to the same request");
        } catch (const Refusal& refusal) {
            error = "answer " + std::to_string(i + 1) +
                    (read.size() > i ? " (" + requestText(read[i]) + ")" : std::string()) + ": " +
                    refusal.what();
            return false;
        }
    }
    answers = std::move(read);
    return true;
}

}  // namespace ControllerSim

// The request path's parts for the benchmarks: controller, host with the plugin, raw libcurl.
#include "request_path.h"

#include <cstdlib>
#include <cstring>

#include "outputcolorspacemodel/messageids.h"
#include "protomodel/protoconstants.h"

namespace bench {

namespace {

size_t receive(char* data, size_t size, size_t count, void* user) {
    static_cast<std::string*>(user)->append(data, size * count);
    return size * count;
}

}  // namespace

RawClient::RawClient(const std::string& token) : handle_(curl_easy_init()) {
    headers_ = curl_slist_append(nullptr, ("Authorization: " + token).c_str());
    curl_easy_setopt(handle_, CURLOPT_HTTPHEADER, headers_);
    curl_easy_setopt(handle_, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_1));
    curl_easy_setopt(handle_, CURLOPT_NOPROXY, "*");
    curl_easy_setopt(handle_, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(handle_, CURLOPT_WRITEFUNCTION, receive);
    curl_easy_setopt(handle_, CURLOPT_WRITEDATA, &body_);
}

RawClient::~RawClient() {
    curl_easy_cleanup(handle_);
    curl_slist_free_all(headers_);
}

bool RawClient::get(const std::string& url) {
    body_.clear();
    curl_easy_setopt(handle_, CURLOPT_URL, url.c_str());
    long status = 0;
    return curl_easy_perform(handle_) == CURLE_OK &&
           curl_easy_getinfo(handle_, CURLINFO_RESPONSE_CODE, &status) == CURLE_OK &&
           status == 200 && !body_.empty();
}

bool RequestPath::setUp(std::string& why) {
    const char* url = std::getenv("RESTLINK_BASE_URL");
    const char* token = std::getenv("RESTLINK_TOKEN");
    std::string baseUrl;
    std::string login;
    if (url != nullptr && *url != '\0') {
        baseUrl = url;
        login = token != nullptr ? token : "";
    } else {
        login = "path-bench-token";
        controller_ = std::make_unique<ControllerProcess>(OCSM_CONTROLLER_SIM, login);
        baseUrl = controller_->url();
        if (baseUrl.empty()) {
            why = "controller-sim did not come up: " OCSM_CONTROLLER_SIM;
            return false;
        }
        // librestlink.so reads them at its first use.
        setenv("RESTLINK_BASE_URL", baseUrl.c_str(), 1);
        setenv("RESTLINK_TOKEN", login.c_str(), 1);
    }
    while (!baseUrl.empty() && baseUrl.back() == '/')
        baseUrl.pop_back();

    Seen& seen = seen_;
    host_ = std::make_unique<tvkhost::Host>([&seen](const tvkhost::Delivery& delivery) {
        const auto id = static_cast<unsigned int>(delivery.id);
        if (delivery.type == tvkhost::Delivery::Type::Event && id == ColorSpace::kColorSpaceId &&
            delivery.size == ColorSpace::kColorSpacePayloadSize) {
            ++seen.colorSpaceEvents;
        } else if (delivery.type == tvkhost::Delivery::Type::Reply &&
                   id == ColorSpace::kGetRegularScreenInterfaceInfoId &&
                   delivery.size == ColorSpace::kInterfaceInfoPayloadSize) {
            ++seen.interfaceReplies;
            std::memcpy(&seen.lastInterfaceId, delivery.data, sizeof seen.lastInterfaceId);
        }
    });
    if (!host_->load(OCSM_PLUGIN_PATH, why)) return false;
    if (!interfaceInfo()) {
        why = "no interface info reply from the plugin against " + baseUrl;
        return false;
    }
    // The URLs restlink builds for the component's two queries.
    namespace Constants = LCD::Proto::Constants;
    screensUrl_ = baseUrl + Constants::GETSCREENLISTDETAIL + "?screenType=2";
    interfaceUrl_ = baseUrl + Constants::GETINTERFACELISTDETAIL +
                    "?interfaceId=" + std::to_string(seen_.lastInterfaceId);
    raw_ = std::make_unique<RawClient>(login);
    if (!rawInterfaceInfo()) {
        why = "libcurl GETs of " + screensUrl_ + " and " + interfaceUrl_ + " failed";
        return false;
    }
    return true;
}

bool RequestPath::getColorSpace() {
    const int before = seen_.colorSpaceEvents;
    return host_->sendEvent(static_cast<int>(ColorSpace::kGetColorSpaceId), nullptr, 0) ==
               tvkhost::kOk &&
           seen_.colorSpaceEvents == before + 1;
}

bool RequestPath::interfaceInfo() {
    const int before = seen_.interfaceReplies;
    return host_
               ->sendCommand(static_cast<int>(ColorSpace::kGetRegularScreenInterfaceInfoId),
                             nullptr, 0)
               .replied &&
           seen_.interfaceReplies == before + 1;
}

bool RequestPath::rawGetColorSpace() {
    return raw_->get(screensUrl_);
}

bool RequestPath::rawInterfaceInfo() {
    return raw_->get(screensUrl_) && raw_->get(interfaceUrl_);
}

}  // namespace bench

// One exchange with the controller's REST service through restlink.
#include "outputcolorspacemodel/restexchange.h"

#include <cstdio>

#include "host/restlink.h"
#include "protomodel/protoconstants.h"

namespace ColorSpace {

bool exchangeWithController(const char* method, const char* path,
                            std::initializer_list<UrlKey> keys, const std::string* body,
                            std::string& answer) {
    HttpSingleTon* library = HttpSingleTon::getInstance();
    HttpClient* client = library ? library->getHttpClient() : nullptr;
    HttpRequest* request = client ? client->createRequest(method, path) : nullptr;
    if (!request) return false;

    if (body) request->setHead("Content-Type", LCD::Proto::Constants::CONTENTTYPE);
    HttpLogin* login = HttpLogin::getInstance();
    const std::string token = login ? login->getToken() : std::string();
    request->setHead("Authorization", token.c_str());

    for (const UrlKey& key : keys) {
        if (!key.value) continue;
        char text[16];  // "%d" of any int fits in 12 bytes
        std::snprintf(text, sizeof text, "%d", *key.value);
        request->addUrlKeyValue(key.key, text);
    }
    if (body) request->setBody(body->data(), static_cast<int>(body->size()));

    int status = 0;
    HttpRespon* response = client->sendRequest(request, &status);
    if (!response) return false;

    const char* bytes = response->getBody();
    const uint32_t size = response->getBodySize();
    if (bytes)
        answer.assign(bytes, size);
    else
        answer.clear();
    return true;
}

}  // namespace ColorSpace

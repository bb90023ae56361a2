// One GET through the installed device HTTP client library:
//   restlink_probe PATH [KEY VALUE]...
// prints "status S, N bytes, BODY" (the body cut at 200 bytes).
#include <cstdio>
#include <string>

#include "restlink.h"

int main(int argc, char** argv) {
    if (argc < 2 || argc % 2 != 0) {
        std::fprintf(stderr, "usage: restlink_probe PATH [KEY VALUE]...\n");
        return 2;
    }
    HttpClient* client = HttpSingleTon::getInstance()->getHttpClient();
    HttpRequest* request = client->createRequest("GET", argv[1]);
    request->setHead("Authorization", HttpLogin::getInstance()->getToken().c_str());
    for (int i = 2; i + 1 < argc; i += 2)
        request->addUrlKeyValue(argv[i], argv[i + 1]);
    int status = 0;
    HttpRespon* response = client->sendRequest(request, &status);
    if (response == nullptr) {
        std::printf("status %d, no response\n", status);
        return 1;
    }
    const std::string body(response->getBody(), response->getBodySize());
    std::printf("status %d, %zu bytes, %s\n", status, body.size(), body.substr(0, 200).c_str());
    return 0;
}

// A program of someone else's built against the installed package: it loads the installed plugin
// the way a host does and prints "NAME VERSION: ID", then makes one GET through the installed
// restlink (consumer PATH [KEY VALUE]...) and prints "status S, N bytes, BODY" (cut at 200 bytes).
#include <dlfcn.h>

#include <cstdio>
#include <string>

#include "restlink.h"
#include "tvk.h"

int main(int argc, char** argv) {
    void* library = dlopen(PLUGIN_PATH, RTLD_NOW | RTLD_LOCAL);
    const auto pluginfo =
        library ? reinterpret_cast<PluginInfo* (*)()>(dlsym(library, "pluginfo")) : nullptr;
    if (pluginfo == nullptr || argc < 2) {
        std::fprintf(stderr, "consumer: %s\n",
                     library ? "usage: consumer PATH [KEY VALUE]..." : dlerror());
        return 1;
    }
    std::printf("%s %s: %s\n", pluginfo()->name, pluginfo()->version,
                pluginfo()->components[0]->id);

    HttpClient* client = HttpSingleTon::getInstance()->getHttpClient();
    HttpRequest* request = client->createRequest("GET", argv[1]);
    request->setHead("Authorization", HttpLogin::getInstance()->getToken().c_str());
    for (int i = 2; i + 1 < argc; i += 2)
        request->addUrlKeyValue(argv[i], argv[i + 1]);
    int status = 0;
    HttpRespon* response = client->sendRequest(request, &status);
    if (response == nullptr) return std::printf("status %d, no response\n", status), 1;
    const std::string body(response->getBody(), response->getBodySize());
    std::printf("status %d, %zu bytes, %s\n", status, body.size(), body.substr(0, 200).c_str());
    return 0;
}

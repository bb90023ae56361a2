// Loads the installed plugin the way a host does and prints its name, version
// and component identifiers: "NAME VERSION: ID[, ID...]".
#include <dlfcn.h>

#include <cstdio>

#include "tvk.h"

int main() {
    void* library = dlopen(PLUGIN_PATH, RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr) {
        std::fprintf(stderr, "host_probe: %s\n", dlerror());
        return 1;
    }
    using Pluginfo = PluginInfo* (*)();
    const auto pluginfo = reinterpret_cast<Pluginfo>(dlsym(library, "pluginfo"));
    const PluginInfo* info = pluginfo != nullptr ? pluginfo() : nullptr;
    if (info == nullptr || info->components == nullptr) {
        std::fprintf(stderr, "host_probe: no plugin information in %s\n", PLUGIN_PATH);
        return 1;
    }
    std::printf("%s %s:", info->name, info->version);
    for (tvk::ComponentInfo** component = info->components; *component != nullptr; ++component) {
        std::printf("%s %s", component == info->components ? "" : ",", (*component)->id);
    }
    std::printf("\n");
    return 0;
}

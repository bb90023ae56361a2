// dlopen with reasons a person can act on.
#include "tvkhost/pluginloader.h"

#include <dlfcn.h>
#include <sys/stat.h>

namespace tvkhost {

namespace {

std::string lastDlError() {
    const char* text = dlerror();
    return text ? text : "unknown error";
}

}  // namespace

bool PluginLoader::open(const std::string& path, std::string& error) {
    if (handle_ != nullptr) {
        error = "a plugin is already loaded: " + path_;
        return false;
    }
    struct stat info {};
    if (stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) {
        error = "plugin not found: " + path;
        return false;
    }
    dlerror();
    // Closing releases the handle, but the plugin stays mapped until the process
    // ends: the libraries it pulls in (Qt among them) keep process-wide state
    // that does not survive being unloaded and loaded again.
    void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
    if (handle == nullptr) {
        error = "cannot load plugin " + path + ": " + lastDlError();
        return false;
    }
    void* infoSymbol = dlsym(handle, "pluginfo");
    void* initSymbol = dlsym(handle, "pluginit");
    if (infoSymbol == nullptr || initSymbol == nullptr) {
        error = "not a plugin (" + std::string(infoSymbol ? "pluginit" : "pluginfo") +
                " missing): " + path;
        dlclose(handle);
        return false;
    }
    handle_ = handle;
    path_ = path;
    pluginfo_ = reinterpret_cast<PluginfoFunction>(infoSymbol);
    pluginit_ = reinterpret_cast<PluginitFunction>(initSymbol);
    return true;
}

void PluginLoader::close() {
    if (handle_ != nullptr) dlclose(handle_);
    handle_ = nullptr;
    pluginfo_ = nullptr;
    pluginit_ = nullptr;
}

}  // namespace tvkhost

// Opening a plugin library and finding its two entry points.
#ifndef TVKHOST_PLUGINLOADER_H
#define TVKHOST_PLUGINLOADER_H

#include <string>

#include "host/tvk.h"

namespace tvkhost {

// One plugin library opened with dlopen.
class PluginLoader {
public:
    using PluginfoFunction = PluginInfo* (*)();
    using PluginitFunction = void (*)(tvk::IHost*);

    PluginLoader() = default;
    ~PluginLoader() { close(); }
    PluginLoader(const PluginLoader&) = delete;
    PluginLoader& operator=(const PluginLoader&) = delete;

    // False with a reason when the file is missing, cannot be loaded, or lacks
    // pluginfo or pluginit.
    bool open(const std::string& path, std::string& error);
    void close();

    const std::string& path() const { return path_; }
    PluginfoFunction pluginfo() const { return pluginfo_; }
    PluginitFunction pluginit() const { return pluginit_; }

private:
    void* handle_ = nullptr;
    std::string path_;
    PluginfoFunction pluginfo_ = nullptr;
    PluginitFunction pluginit_ = nullptr;
};

}  // namespace tvkhost

#endif  // TVKHOST_PLUGINLOADER_H

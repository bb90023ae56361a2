// The host: loads a plugin, starts its components and offers them the three message services.
#ifndef TVKHOST_HOST_H
#define TVKHOST_HOST_H

#include <chrono>
#include <string>
#include <vector>

#include "host/tvk.h"
#include "tvkhost/commanddispatcher.h"
#include "tvkhost/eventdispatcher.h"
#include "tvkhost/messagecenter.h"
#include "tvkhost/messagestore.h"
#include "tvkhost/pluginloader.h"
#include "tvkhost/router.h"

namespace tvkhost {

// Lets its owner send commands and events to the components; what comes back to the host side
// goes to the observer.
class Host final : public tvk::IHost {
public:
    static constexpr const char* kSenderName = "tvkhost";

    struct ComponentView {
        std::string id;
        std::string desc;
        std::vector<std::string> names;
        std::vector<Subscription> subscriptions;
    };

    struct CommandResult {
        int status;
        bool replied;
    };

    explicit Host(Observer observer = {});
    ~Host();
    Host(const Host&) = delete;
    Host& operator=(const Host&) = delete;

    void hostSlot0() override {}
    void hostSlot1() override {}
    void hostSlot2() override {}
    void* getService(const char* name) override;

    // dlopen, pluginit, pluginfo, then every component of the table is created and sent the
    // initialisation message. False with a reason on failure.
    bool load(const std::string& path, std::string& error);
    // Creates, registers and starts one component from its record, which must outlive it.
    bool addComponent(const tvk::ComponentInfo& info, std::string& error);

    const PluginInfo* pluginInfo() const { return pluginInfo_; }
    const std::string& pluginPath() const { return loader_.path(); }
    std::vector<ComponentView> components() const;

    // Messages from the host side; sender kSenderName. A reply goes to the observer.
    CommandResult sendCommand(int id, const void* data, int size);
    int sendEvent(int id, const void* data, int size);
    int postEvent(int id, const void* data, int size);
    bool hasSubscriber(Kind kind, int id) const { return router_.hasSubscriber(kind, id); }
    // Sends every component the initialisation message again, as a host restarting them does,
    // while other messages may be delivered; kOk or the first failure's status.
    int restartComponents();
    bool drain(std::chrono::milliseconds timeout) { return events_.drain(timeout); }

    // Stops event delivery, destroys the components, unloads the plugin and frees every message
    // still held. Idempotent; the destructor calls it.
    void shutdown();

    const MessageStore& store() const { return store_; }

private:
    int initialise(Router::ComponentIndex index);

    struct Component {
        const tvk::ComponentInfo* info;
        void* object;
        Router::ComponentIndex index;
    };

    MessageStore store_;
    Router router_;
    MessageCenter center_;
    CommandDispatcher commands_;
    EventDispatcher events_;
    PluginLoader loader_;
    PluginInfo* pluginInfo_ = nullptr;
    std::vector<Component> components_;
};

}  // namespace tvkhost

#endif  // TVKHOST_HOST_H

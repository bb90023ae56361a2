// Loading a plugin, starting and stopping its components, and the host's own sends.
#include "tvkhost/host.h"

#include <cstring>
#include <exception>
#include <utility>

namespace tvkhost {

namespace {

// A table without its null end must not run the host off into memory.
constexpr std::size_t kMaxComponents = 1024;

std::string text(const char* value) {
    return value ? value : "";
}

}  // namespace

Host::Host(Observer observer)
    : router_(store_, std::move(observer)),
      center_(store_),
      commands_(store_, router_),
      events_(store_, router_) {}

Host::~Host() {
    shutdown();
}

void* Host::getService(const char* name) {
    if (name == nullptr) return nullptr;
    if (std::strcmp(name, tvk::kMessageCenterService) == 0) {
        return static_cast<void*>(static_cast<tvk::IMessageCenter*>(&center_));
    }
    if (std::strcmp(name, tvk::kCommandDispatcherService) == 0) {
        return static_cast<void*>(static_cast<tvk::ICommandDispatcher*>(&commands_));
    }
    if (std::strcmp(name, tvk::kEventDispatcherService) == 0) {
        return static_cast<void*>(static_cast<tvk::IEventDispatcher*>(&events_));
    }
    return nullptr;
}

bool Host::load(const std::string& path, std::string& error) {
    if (!loader_.open(path, error)) return false;
    // Components look the services up while they are constructed, so the
    // host handle goes in first.
    loader_.pluginit()(this);
    pluginInfo_ = loader_.pluginfo()();
    if (pluginInfo_ == nullptr) {
        error = "pluginfo returned no plugin information: " + path;
        return false;
    }
    if (pluginInfo_->components == nullptr) return true;
    for (std::size_t i = 0; pluginInfo_->components[i] != nullptr; ++i) {
        if (i == kMaxComponents) {
            error =
                "component table has no end within " + std::to_string(kMaxComponents) + " entries";
            return false;
        }
        if (!addComponent(*pluginInfo_->components[i], error)) return false;
    }
    return true;
}

bool Host::addComponent(const tvk::ComponentInfo& info, std::string& error) {
    const std::string id = text(info.id);
    if (!info.creator || !info.deletor || !info.getMessageHandler) {
        error = "component " + id + ": incomplete component record";
        return false;
    }
    void* object = nullptr;
    tvk::IMessageHandler* handler = nullptr;
    try {
        object = info.creator();
        if (object != nullptr) handler = info.getMessageHandler(object);
    } catch (const std::exception& failure) {
        error = "component " + id + ": creator threw: " + failure.what();
        return false;
    } catch (...) {
        error = "component " + id + ": creator threw";
        return false;
    }
    if (object == nullptr) {
        error = "component " + id + ": creator returned null";
        return false;
    }
    if (handler == nullptr) {
        info.deletor(object);
        error = "component " + id + ": no message handler";
        return false;
    }
    const Router::ComponentIndex index = router_.addComponent(handler);
    components_.push_back(Component{&info, object, index});

    if (initialise(index) != kOk) {
        error = "component " + id + ": initialisation failed";
        return false;
    }
    return true;
}

int Host::initialise(Router::ComponentIndex index) {
    tvk::IMessage* init = store_.createMessage(
        tvk::kCommandType, static_cast<int>(tvk::kInitMessageId), kSenderName, nullptr, 0);
    const int status = router_.deliver(index, *init);
    store_.releaseObject(init);
    return status;
}

int Host::restartComponents() {
    int status = kOk;
    for (const Component& component : components_) {
        const int result = initialise(component.index);
        if (status == kOk) status = result;
    }
    return status;
}

std::vector<Host::ComponentView> Host::components() const {
    std::vector<ComponentView> views;
    for (const Component& component : components_) {
        views.push_back(ComponentView{text(component.info->id), text(component.info->desc),
                                      router_.namesOf(component.index),
                                      router_.subscriptionsOf(component.index)});
    }
    return views;
}

Host::CommandResult Host::sendCommand(int id, const void* data, int size) {
    tvk::IMessage* message = commands_.createMessage(id, size, data, kSenderName);
    if (message == nullptr) return {kBadMessage, false};
    tvk::IReply* reply = nullptr;
    const int status = commands_.send(&message, &reply, 0);
    const bool replied = reply != nullptr;
    if (replied) {
        // The dispatcher made the reply, so it is one of the store's messages.
        const auto& answer = *static_cast<const HostMessage*>(reply);
        router_.toHost(Delivery::Type::Reply, answer, answer.sender(), false);
    }
    commands_.releaseMessage(&reply);
    commands_.releaseMessage(&message);
    return {status, replied};
}

int Host::sendEvent(int id, const void* data, int size) {
    tvk::IMessage* message = events_.createMessage(id, size, data, kSenderName);
    if (message == nullptr) return kBadMessage;
    return events_.send(&message, 0);
}

int Host::postEvent(int id, const void* data, int size) {
    tvk::IMessage* message = events_.createMessage(id, size, data, kSenderName);
    if (message == nullptr) return kBadMessage;
    return events_.post(&message);
}

void Host::shutdown() {
    events_.shutdown();
    for (auto component = components_.rbegin(); component != components_.rend(); ++component) {
        router_.removeComponent(component->index);
        component->info->deletor(component->object);
    }
    components_.clear();
    pluginInfo_ = nullptr;
    loader_.close();
    store_.clear();
}

}  // namespace tvkhost

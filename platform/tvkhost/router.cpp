// Subscriptions and delivery, with handler failures and message loops contained.
#include "tvkhost/router.h"

#include <algorithm>
#include <cstdio>
#include <exception>

namespace tvkhost {

namespace {

constexpr std::size_t kNoComponent = static_cast<std::size_t>(-1);

// The component the current thread delivers to, so that its subscribe calls can be tied to it,
// and how deeply deliveries nest on this thread.
thread_local std::size_t currentComponent = kNoComponent;
thread_local int nesting = 0;

class DeliveryScope {
public:
    explicit DeliveryScope(std::size_t component) : previous_(currentComponent) {
        currentComponent = component;
        ++nesting;
    }
    ~DeliveryScope() {
        currentComponent = previous_;
        --nesting;
    }
    DeliveryScope(const DeliveryScope&) = delete;
    DeliveryScope& operator=(const DeliveryScope&) = delete;

private:
    std::size_t previous_;
};

}  // namespace

Router::ComponentIndex Router::addComponent(tvk::IMessageHandler* handler) {
    std::lock_guard<std::mutex> lock(mutex_);
    components_.push_back(Component{handler, {}});
    return components_.size() - 1;
}

void Router::removeComponent(ComponentIndex component) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (component >= components_.size()) return;
    Component& record = components_[component];
    record.handler = nullptr;
    for (const std::string& name : record.names)
        names_.erase(name);
}

int Router::subscribe(Kind kind, int id, const std::string& name) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (names_.count(name) == 0) {
        if (currentComponent >= components_.size() ||
            components_[currentComponent].handler == nullptr) {
            return kNoSubscriber;
        }
        names_.emplace(name, currentComponent);
        components_[currentComponent].names.push_back(name);
    }
    std::vector<std::string>& names = subscribers_[{kind, id}];
    if (std::find(names.begin(), names.end(), name) == names.end()) names.push_back(name);
    history_.push_back(Subscription{kind, id, name});
    return kOk;
}

std::vector<Router::ComponentIndex> Router::subscribers(Kind kind, int id) const {
    std::lock_guard<std::mutex> lock(mutex_);
    std::vector<ComponentIndex> result;
    const auto found = subscribers_.find({kind, id});
    if (found == subscribers_.end()) return result;
    for (const std::string& name : found->second) {
        const auto bound = names_.find(name);
        if (bound == names_.end() || components_[bound->second].handler == nullptr) continue;
        if (std::find(result.begin(), result.end(), bound->second) == result.end()) {
            result.push_back(bound->second);
        }
    }
    return result;
}

int Router::dispatch(Kind kind, const tvk::IMessage& message, bool posted,
                     const tvk::IMessage** answer) {
    std::vector<ComponentIndex> targets = subscribers(kind, message.getId());
    if (targets.empty()) {
        toHost(kind == Kind::Command ? Delivery::Type::Command : Delivery::Type::Event, message,
               store_.senderOf(&message), posted);
        return kNoSubscriber;
    }
    // A command has one handler: the first that subscribed.
    if (kind == Kind::Command) targets.resize(1);
    int status = kOk;
    for (const ComponentIndex target : targets) {
        const Result result = call(target, message);
        if (result.answer != nullptr) {
            if (answer != nullptr && *answer == nullptr) {
                *answer = result.answer;
            } else {
                store_.releaseObject(result.answer);
            }
        }
        if (result.status != kOk) status = result.status;
    }
    return status;
}

int Router::deliver(ComponentIndex component, const tvk::IMessage& message) {
    const Result result = call(component, message);
    if (result.answer != nullptr) store_.releaseObject(result.answer);
    return result.status;
}

Router::Result Router::call(ComponentIndex component, const tvk::IMessage& message) {
    tvk::IMessageHandler* handler = nullptr;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (component < components_.size()) handler = components_[component].handler;
    }
    if (handler == nullptr) return {kNoSubscriber, nullptr};
    if (nesting >= kMaxNesting) {
        std::fprintf(stderr, "tvkhost: message 0x%08X dropped: deliveries nested %d deep\n",
                     static_cast<unsigned int>(message.getId()), nesting);
        return {kTooDeep, nullptr};
    }
    DeliveryScope scope(component);
    // A handler's exception must not take the host down.
    try {
        return {kOk, handler->handleMessage(&message)};
    } catch (const std::exception& error) {
        std::fprintf(stderr, "tvkhost: handler of message 0x%08X threw: %s\n",
                     static_cast<unsigned int>(message.getId()), error.what());
    } catch (...) {
        std::fprintf(stderr, "tvkhost: handler of message 0x%08X threw\n",
                     static_cast<unsigned int>(message.getId()));
    }
    return {kHandlerFailed, nullptr};
}

void Router::toHost(Delivery::Type type, const tvk::IMessage& message, const std::string& sender,
                    bool posted) const {
    if (!observer_) return;
    bool fromComponent = false;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        fromComponent = names_.count(sender) != 0;
    }
    observer_(Delivery{type, message.getId(), sender,
                       static_cast<const unsigned char*>(message.getData()), message.getDataSize(),
                       posted, fromComponent});
}

std::vector<std::string> Router::namesOf(ComponentIndex component) const {
    std::lock_guard<std::mutex> lock(mutex_);
    if (component >= components_.size()) return {};
    return components_[component].names;
}

std::vector<Subscription> Router::subscriptionsOf(ComponentIndex component) const {
    std::lock_guard<std::mutex> lock(mutex_);
    std::vector<Subscription> result;
    if (component >= components_.size()) return result;
    const std::vector<std::string>& names = components_[component].names;
    for (const Subscription& entry : history_) {
        if (std::find(names.begin(), names.end(), entry.component) != names.end()) {
            result.push_back(entry);
        }
    }
    return result;
}

}  // namespace tvkhost

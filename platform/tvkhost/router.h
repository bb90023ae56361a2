#ifndef TVKHOST_ROUTER_H
#define TVKHOST_ROUTER_H

#include <cstddef>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "host/tvk.h"

namespace tvkhost {

// Status values the host's dispatchers return.
enum Status : int {
    kOk = 0,
    kNoSubscriber = -1,
    kBadMessage = -2,
    kRejected = -3,       // queue full or shutting down
    kHandlerFailed = -4,  // the handler threw
    kTooDeep = -5,        // deliveries nested too deeply (a message loop)
};

enum class Kind { Command, Event };

struct Subscription {
    Kind kind;
    int id;
    std::string component;
};

// A message that arrives at the host side: an event no component subscribed,
// a command nobody handles, or the reply to a command the host sent. `data`
// is valid only during the observer call.
struct Delivery {
    enum class Type { Command, Event, Reply };
    Type type;
    int id;
    std::string sender;
    const unsigned char* data;
    int size;
    bool posted;
    // The sender is a loaded component, so addresses inside the payload point
    // into this process.
    bool fromComponent;
};

using Observer = std::function<void(const Delivery&)>;

// Knows the components, who subscribed what, and delivers to components. A
// component is known by the name it subscribes under: a subscribe made while
// the host delivers to a component binds that name to the component.
class Router {
public:
    using ComponentIndex = std::size_t;
    static constexpr int kMaxNesting = 32;

    struct Result {
        int status;
        const tvk::IMessage* reply;  // what handleMessage returned
    };

    void setObserver(Observer observer);

    ComponentIndex addComponent(tvk::IMessageHandler* handler);
    // After this the component receives nothing more and its names are free.
    void removeComponent(ComponentIndex component);

    // kOk, or kNoSubscriber when the name is unknown and no delivery is running.
    int subscribe(Kind kind, int id, const std::string& name);

    // Live subscribers of an identifier, in the order they first subscribed.
    std::vector<ComponentIndex> subscribers(Kind kind, int id) const;
    bool hasSubscriber(Kind kind, int id) const { return !subscribers(kind, id).empty(); }

    // Calls the component's handleMessage, catching what it throws.
    Result deliver(ComponentIndex component, const tvk::IMessage& message);

    void toHost(const Delivery& delivery) const;

    bool isComponentName(const std::string& name) const;
    std::vector<std::string> namesOf(ComponentIndex component) const;
    // Every subscribe call of the component, in order, repeats included.
    std::vector<Subscription> subscriptionsOf(ComponentIndex component) const;

private:
    struct Component {
        tvk::IMessageHandler* handler;
        bool alive;
        std::vector<std::string> names;
    };

    mutable std::mutex mutex_;
    Observer observer_;
    std::vector<Component> components_;
    std::map<std::string, ComponentIndex> names_;
    std::map<std::pair<Kind, int>, std::vector<std::string>> subscribers_;
    std::vector<Subscription> history_;
};

}  // namespace tvkhost

#endif  // TVKHOST_ROUTER_H

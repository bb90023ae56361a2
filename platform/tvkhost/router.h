// Who subscribed what, and the delivery of messages to components and to the host side.
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
#include "tvkhost/messagestore.h"

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

// A message that arrives at the host side: an event no component subscribed, a command nobody
// handles, or the reply to a command the host sent. `data` is valid only during the observer
// call.
struct Delivery {
    enum class Type { Command, Event, Reply };
    Type type;
    int id;
    std::string sender;
    const unsigned char* data;
    int size;
    bool posted;
    // The sender is a loaded component, so addresses inside the payload point into this process.
    bool fromComponent;
};

using Observer = std::function<void(const Delivery&)>;

// A component is known by the name it subscribes under: a subscribe made while the router
// delivers to a component binds that name to the component. Messages a handler returns belong
// to the host and are freed through the store.
class Router {
public:
    using ComponentIndex = std::size_t;
    static constexpr int kMaxNesting = 32;

    Router(MessageStore& store, Observer observer)
        : store_(store), observer_(std::move(observer)) {}

    ComponentIndex addComponent(tvk::IMessageHandler* handler);
    // After this the component receives nothing more and its names are free.
    void removeComponent(ComponentIndex component);

    // kOk, or kNoSubscriber when the name is unknown and no delivery is running.
    int subscribe(Kind kind, int id, const std::string& name);
    bool hasSubscriber(Kind kind, int id) const { return !subscribers(kind, id).empty(); }

    // Delivers a command to its first subscriber, an event to every subscriber, in the order
    // they subscribed; a message nobody subscribed goes to the host side. A command's answer
    // goes to *answer when given (the caller frees it), any other returned message is freed.
    int dispatch(Kind kind, const tvk::IMessage& message, bool posted,
                 const tvk::IMessage** answer = nullptr);
    // Calls one component's handleMessage, catching what it throws; frees what it returns.
    int deliver(ComponentIndex component, const tvk::IMessage& message);
    void toHost(Delivery::Type type, const tvk::IMessage& message, const std::string& sender,
                bool posted) const;

    std::vector<std::string> namesOf(ComponentIndex component) const;
    // Every subscribe call of the component, in order, repeats included.
    std::vector<Subscription> subscriptionsOf(ComponentIndex component) const;

private:
    struct Component {
        tvk::IMessageHandler* handler;  // null once removed
        std::vector<std::string> names;
    };
    struct Result {
        int status;
        const tvk::IMessage* answer;  // what handleMessage returned
    };

    std::vector<ComponentIndex> subscribers(Kind kind, int id) const;
    Result call(ComponentIndex component, const tvk::IMessage& message);

    MessageStore& store_;
    const Observer observer_;
    mutable std::mutex mutex_;
    std::vector<Component> components_;
    std::map<std::string, ComponentIndex> names_;
    std::map<std::pair<Kind, int>, std::vector<std::string>> subscribers_;
    std::vector<Subscription> history_;
};

}  // namespace tvkhost

#endif  // TVKHOST_ROUTER_H

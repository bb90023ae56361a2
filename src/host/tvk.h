// The plugin host's interfaces as the host's vtables lay them out. The host
// calls through these slots, so the order and number of virtual functions in
// each interface is part of the binary interface: never reorder, insert or
// remove a virtual function here. Slots the plugin never calls are declared as
// placeholders named after their slot so that every counted slot exists.
#ifndef OCSM_HOST_TVK_H
#define OCSM_HOST_TVK_H

#include <cstddef>
#include <functional>
#include <new>
#include <string>
#include <type_traits>

namespace tvk {

// Message kinds, as read with IMessage::getType().
constexpr unsigned int kCommandType = 0xF0000001u;
constexpr unsigned int kEventType = 0xF0000002u;

// Identifiers the host reserves for itself.
constexpr unsigned int kInitMessageId = 0xFFFF0000u;  // start a component
constexpr unsigned int kReservedMessageId1 = 0xFFFF0001u;
constexpr unsigned int kReservedMessageId2 = 0xFFFF0002u;
constexpr unsigned int kReservedMessageId3 = 0xFFFFFFFEu;
constexpr unsigned int kReservedMessageId4 = 0xFFFFFFFFu;

// Service names for IHost::getService().
constexpr const char kMessageCenterService[] = "tvk_default_messagecenter";
constexpr const char kCommandDispatcherService[] = "commanddispatcher";
constexpr const char kEventDispatcherService[] = "eventdispatcher";

class IHost {
public:
    virtual void hostSlot0() = 0;
    virtual void hostSlot1() = 0;
    virtual void hostSlot2() = 0;
    // The named service's interface object converted to void*, or null.
    virtual void* getService(const char* name) = 0;

protected:
    ~IHost() = default;
};

class IMessage {
public:
    virtual void messageSlot0() = 0;
    virtual void messageSlot1() = 0;
    virtual unsigned int getType() const = 0;
    virtual int getId() const = 0;
    virtual int getDataSize() const = 0;
    virtual const void* getData() const = 0;

protected:
    ~IMessage() = default;
};

class IReply {
public:
    virtual void replySlot0() = 0;
    virtual const void* getData() const = 0;
    virtual int getDataSize() const = 0;

protected:
    ~IReply() = default;
};

class IMessageCenter {
public:
    virtual IMessage* createMessage(int id, const char* sender, int size, const void* data,
                                    int flags) = 0;

protected:
    ~IMessageCenter() = default;
};

class ICommandDispatcher {
public:
    virtual IMessage* createMessage(int id, int size, const void* data, const char* sender) = 0;
    // pointerAddress is the address of an IMessage* or an IReply* variable.
    virtual void releaseMessage(void* pointerAddress) = 0;
    virtual int send(IMessage** message, IReply** reply, int flags) = 0;
    virtual void commandSlot3() = 0;
    virtual int subscribe(int id, const std::string& component) = 0;

protected:
    ~ICommandDispatcher() = default;
};

class IEventDispatcher {
public:
    virtual IMessage* createMessage(int id, int size, const void* data, const char* sender) = 0;
    virtual void eventSlot1() = 0;
    virtual int post(IMessage** message) = 0;
    virtual void eventSlot3() = 0;
    virtual int send(IMessage** message, int flags) = 0;
    virtual int subscribe(int id, const std::string& component) = 0;

protected:
    ~IEventDispatcher() = default;
};

class IMessageHandler {
public:
    virtual ~IMessageHandler() = default;
    // Returns the reply (owned by the host from then on) or null.
    virtual const IMessage* handleMessage(const IMessage* message) = 0;
};

// Process-wide (per library) record of the host handle; only `host` is used.
struct api {
    IHost* host;
    void* reserved1;
    void* reserved2;

    static api& get() {
        static api instance{};
        return instance;
    }
};
static_assert(sizeof(api) == 3 * sizeof(void*), "tvk::api is three pointer-sized words");
static_assert(std::is_standard_layout<api>::value && offsetof(api, host) == 0,
              "tvk::api keeps the host in its first word");

struct ComponentInfo {
    std::function<void*()> creator;
    std::function<void(void*)> deletor;
    std::function<IMessageHandler*(void*)> getMessageHandler;
    const char* id;
    const char* desc;
};

// Creation callables for a component class T. Each plugin defines the record
// for its components as an explicit specialisation of `componentInfo`, which
// supplies the component's identifier and description texts.
template <class T>
class ComponentTmpl {
    static_assert(std::is_base_of<IMessageHandler, T>::value,
                  "a component is a tvk::IMessageHandler");

public:
    ComponentTmpl() = delete;

    // Initialisation comes later, by message; nothing is called on the object here.
    static void* creator() { return static_cast<void*>(new (std::nothrow) T()); }

    static void deletor(void* object) {
        if (object == nullptr) return;
        delete static_cast<T*>(object);
    }

    static IMessageHandler* getMessageHandler(void* object) {
        return static_cast<IMessageHandler*>(static_cast<T*>(object));
    }

    static ComponentInfo componentInfo;
};

}  // namespace tvk

struct PluginInfo {
    const char* apiVersion;
    tvk::ComponentInfo** components;  // null-terminated
    const char* name;
    const char* version;
    const char* desc;
};
static_assert(std::is_standard_layout<PluginInfo>::value &&
                  sizeof(PluginInfo) == 5 * sizeof(void*) &&
                  offsetof(PluginInfo, components) == sizeof(void*) &&
                  offsetof(PluginInfo, desc) == 4 * sizeof(void*),
              "PluginInfo is five pointer-sized fields in host order");

#define TVK_PLUGIN_EXPORT __attribute__((visibility("default")))

extern "C" TVK_PLUGIN_EXPORT PluginInfo* pluginfo();
extern "C" TVK_PLUGIN_EXPORT void pluginit(tvk::IHost* host);

#endif  // OCSM_HOST_TVK_H

// The message handler base: the host's services, the two handler tables, routing and sending.
#include "messagehandler/messagehandler.h"

#include <cstdint>
#include <cstring>

#include <QString>

#include "messagehandler/warning.h"

namespace LCD {
namespace Message {

namespace {

template <class Service>
Service* lookUp(const char* serviceName) {
    tvk::IHost* host = tvk::api::get().host;
    if (host == nullptr) return nullptr;
    return static_cast<Service*>(host->getService(serviceName));
}

// The flags the host expects with an event delivered before send returns.
constexpr int kSendEventFlags = 9;

QString hexId(int id) {
    return QStringLiteral("0x") + QStringLiteral("%1")
                                      .arg(static_cast<std::uint32_t>(id), 8, 16, QLatin1Char('0'))
                                      .toUpper();
}

// A component may run without one of the host's services (one created before pluginit, say):
// the call that needs the service is then skipped with one warning, in the caller's name,
// instead of calling through null.
bool present(const void* service, const char* serviceName, const char* skipped, int id, int line,
             const char* function) {
    if (service != nullptr) return true;
    OCSM_WARNING_AT(line, function).noquote()
        << "host service" << serviceName << "not found," << skipped << "id :" << hexId(id);
    return false;
}

#define OCSM_NEEDS(service, serviceName, skipped, id) \
    present(service, serviceName, skipped, id, __LINE__, Q_FUNC_INFO)

}  // namespace

MessageHandler::MessageHandler()
    : commandDispatcher(nullptr), eventDispatcher(nullptr), messageCenter(nullptr) {
    messageCenter = lookUp<tvk::IMessageCenter>(tvk::kMessageCenterService);
    commandDispatcher = lookUp<tvk::ICommandDispatcher>(tvk::kCommandDispatcherService);
    eventDispatcher = lookUp<tvk::IEventDispatcher>(tvk::kEventDispatcherService);
}

// The host services are borrowed: neither unsubscribed nor released here.
MessageHandler::~MessageHandler() = default;

const tvk::IMessage* MessageHandler::handleMessage(const tvk::IMessage* message) {
    if (message == nullptr) return nullptr;
    switch (static_cast<std::uint32_t>(message->getId())) {
        case tvk::kInitMessageId:
            onInit();
            return nullptr;
        case tvk::kReservedMessageId1:
        case tvk::kReservedMessageId2:
        case tvk::kReservedMessageId3:
        case tvk::kReservedMessageId4:
            return nullptr;
        default:
            return processMsg(message->getId(), message);
    }
}

const tvk::IMessage* MessageHandler::processMsg(int id, const tvk::IMessage* message) {
    std::unordered_map<int, MessageCallback>* table = nullptr;
    switch (message->getType()) {
        case tvk::kCommandType:
            table = &commands;
            break;
        case tvk::kEventType:
            table = &events;
            break;
        default:
            return nullptr;
    }
    // Copy under the lock, call outside it: the host may deliver while onInit
    // still registers, and a handler may register further handlers itself.
    MessageCallback callback;
    {
        std::lock_guard<std::mutex> lock(mutex);
        const auto found = table->find(id);
        if (found != table->end()) callback = found->second;
    }
    if (!callback) return nullptr;
    return callback(message);
}

int MessageHandler::registerCommand(int id, MessageCallback&& callback) {
    {
        std::lock_guard<std::mutex> lock(mutex);
        commands.emplace(id, std::move(callback));
    }
    if (!OCSM_NEEDS(commandDispatcher, tvk::kCommandDispatcherService, "command not subscribed.",
                    id))
        return -1;
    return commandDispatcher->subscribe(id, std::string(name));
}

int MessageHandler::registerEvent(int id, MessageCallback&& callback) {
    {
        std::lock_guard<std::mutex> lock(mutex);
        events.emplace(id, std::move(callback));
    }
    if (!OCSM_NEEDS(eventDispatcher, tvk::kEventDispatcherService, "event not subscribed.", id))
        return -1;
    return eventDispatcher->subscribe(id, std::string(name));
}

int MessageHandler::sendCommand(int id, int size, const void* data, int replySize, void* reply) {
    if (!OCSM_NEEDS(commandDispatcher, tvk::kCommandDispatcherService, "command not sent.", id))
        return -1;
    tvk::IMessage* message = commandDispatcher->createMessage(id, size, data, name.c_str());
    tvk::IReply* answer = nullptr;
    const int status = commandDispatcher->send(&message, &answer, 0);
    if (answer != nullptr && answer->getDataSize() == replySize) {
        const void* bytes = answer->getData();
        if (replySize > 0 && bytes != nullptr && reply != nullptr) {
            std::memcpy(reply, bytes, static_cast<std::size_t>(replySize));
        }
    }
    commandDispatcher->releaseMessage(&answer);
    commandDispatcher->releaseMessage(&message);
    return status;
}

void MessageHandler::postEvent(int id, int size, const void* data) {
    if (!OCSM_NEEDS(eventDispatcher, tvk::kEventDispatcherService, "event not posted.", id)) return;
    // The host owns the message from here on.
    tvk::IMessage* message = eventDispatcher->createMessage(id, size, data, name.c_str());
    eventDispatcher->post(&message);
}

void MessageHandler::sendEvent(int id, int size, const void* data) {
    if (!OCSM_NEEDS(eventDispatcher, tvk::kEventDispatcherService, "event not sent.", id)) return;
    // The host owns the message from here on.
    tvk::IMessage* message = eventDispatcher->createMessage(id, size, data, name.c_str());
    eventDispatcher->send(&message, kSendEventFlags);
}

}  // namespace Message
}  // namespace LCD

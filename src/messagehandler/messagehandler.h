// The message handler base class every component derives from.
#ifndef OCSM_MESSAGEHANDLER_MESSAGEHANDLER_H
#define OCSM_MESSAGEHANDLER_MESSAGEHANDLER_H

#include <functional>
#include <mutex>
#include <string>
#include <unordered_map>

#include "host/tvk.h"

namespace LCD {
namespace Message {

using MessageCallback = std::function<const tvk::IMessage*(const tvk::IMessage*)>;

// Base of every component: finds the host's message services, keeps the
// command and event handlers by identifier and routes the host's messages to
// them. A component names itself and registers its handlers in onInit().
class MessageHandler : public tvk::IMessageHandler {
public:
    MessageHandler();
    ~MessageHandler() override;

    MessageHandler(const MessageHandler&) = delete;
    MessageHandler& operator=(const MessageHandler&) = delete;

    const tvk::IMessage* handleMessage(const tvk::IMessage* message) override;
    virtual void onInit() = 0;
    virtual const tvk::IMessage* processMsg(int id, const tvk::IMessage* message);

    // Keep the first handler for an identifier, but subscribe on every call:
    // a repeated initialisation re-subscribes with the host. Return the
    // dispatcher's result, or -1 when the host has no such dispatcher.
    int registerCommand(int id, MessageCallback&& callback);
    int registerEvent(int id, MessageCallback&& callback);

    // Copies the reply into `reply` only when its size equals `replySize`.
    // Returns the dispatcher's status, or -1 when there is no dispatcher.
    int sendCommand(int id, int size, const void* data, int replySize, void* reply);
    void postEvent(int id, int size, const void* data);
    void sendEvent(int id, int size, const void* data);

protected:
    tvk::ICommandDispatcher* commandDispatcher;
    tvk::IEventDispatcher* eventDispatcher;
    tvk::IMessageCenter* messageCenter;
    std::string name;
    std::mutex mutex;
    std::unordered_map<int, MessageCallback> commands;
    std::unordered_map<int, MessageCallback> events;
};

}  // namespace Message
}  // namespace LCD

#endif  // OCSM_MESSAGEHANDLER_MESSAGEHANDLER_H

// The command dispatcher service: commands to their subscriber, answers back as replies.
#ifndef TVKHOST_COMMANDDISPATCHER_H
#define TVKHOST_COMMANDDISPATCHER_H

#include <string>

#include "host/tvk.h"
#include "tvkhost/messagestore.h"
#include "tvkhost/router.h"

namespace tvkhost {

// Delivers a command to the first component that subscribed its identifier, on the caller's
// thread, and hands the answer back as an IReply. The sender keeps the message and releases it,
// and the reply, through releaseMessage.
class CommandDispatcher final : public tvk::ICommandDispatcher {
public:
    CommandDispatcher(MessageStore& store, Router& router) : store_(store), router_(router) {}

    tvk::IMessage* createMessage(int id, int size, const void* data, const char* sender) override {
        return store_.createMessage(tvk::kCommandType, id, sender, data, size);
    }
    void releaseMessage(void* pointerAddress) override { store_.release(pointerAddress); }
    int send(tvk::IMessage** message, tvk::IReply** reply, int flags) override;
    void commandSlot3() override {}
    int subscribe(int id, const std::string& component) override {
        return router_.subscribe(Kind::Command, id, component);
    }

private:
    MessageStore& store_;
    Router& router_;
};

}  // namespace tvkhost

#endif  // TVKHOST_COMMANDDISPATCHER_H

#include "tvkhost/commanddispatcher.h"

namespace tvkhost {

tvk::IMessage* CommandDispatcher::createMessage(int id, int size, const void* data,
                                                const char* sender) {
    return store_.createMessage(tvk::kCommandType, id, sender, data, size);
}

void CommandDispatcher::releaseMessage(void* pointerAddress) {
    store_.release(pointerAddress);
}

int CommandDispatcher::send(tvk::IMessage** message, tvk::IReply** reply, int /*flags*/) {
    if (reply != nullptr) *reply = nullptr;
    if (message == nullptr || *message == nullptr) return kBadMessage;
    const tvk::IMessage& command = **message;

    const std::vector<Router::ComponentIndex> targets =
        router_.subscribers(Kind::Command, command.getId());
    if (targets.empty()) {
        const std::string sender = store_.senderOf(&command);
        router_.toHost(Delivery{Delivery::Type::Command, command.getId(), sender,
                                static_cast<const unsigned char*>(command.getData()),
                                command.getDataSize(), false, router_.isComponentName(sender)});
        return kNoSubscriber;
    }

    const Router::Result result = router_.deliver(targets.front(), command);
    if (result.reply != nullptr) {
        const tvk::IMessage& answer = *result.reply;
        if (reply != nullptr) {
            *reply = store_.createReply(answer.getId(), store_.senderOf(&answer), answer.getData(),
                                        answer.getDataSize());
        }
        // The reply message became the host's when handleMessage returned it.
        store_.releaseObject(result.reply);
    }
    return result.status;
}

int CommandDispatcher::subscribe(int id, const std::string& component) {
    return router_.subscribe(Kind::Command, id, component);
}

}  // namespace tvkhost

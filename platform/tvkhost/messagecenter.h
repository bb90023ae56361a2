// The message center service: where components make the messages they hand back as replies.
#ifndef TVKHOST_MESSAGECENTER_H
#define TVKHOST_MESSAGECENTER_H

#include "host/tvk.h"
#include "tvkhost/messagestore.h"

namespace tvkhost {

// Replies are of command kind and carry the identifier of the command they answer.
class MessageCenter final : public tvk::IMessageCenter {
public:
    explicit MessageCenter(MessageStore& store) : store_(store) {}

    tvk::IMessage* createMessage(int id, const char* sender, int size, const void* data,
                                 int /*flags*/) override {
        return store_.createMessage(tvk::kCommandType, id, sender, data, size);
    }

private:
    MessageStore& store_;
};

}  // namespace tvkhost

#endif  // TVKHOST_MESSAGECENTER_H

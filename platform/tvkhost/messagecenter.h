#ifndef TVKHOST_MESSAGECENTER_H
#define TVKHOST_MESSAGECENTER_H

#include "host/tvk.h"
#include "tvkhost/messagestore.h"

namespace tvkhost {

// Builds the messages components hand back as replies; they are of command
// kind and carry the identifier of the command they answer.
class MessageCenter final : public tvk::IMessageCenter {
public:
    explicit MessageCenter(MessageStore& store) : store_(store) {}

    tvk::IMessage* createMessage(int id, const char* sender, int size, const void* data,
                                 int flags) override;

private:
    MessageStore& store_;
};

}  // namespace tvkhost

#endif  // TVKHOST_MESSAGECENTER_H

// Sending a command: the answer a handler returns becomes the sender's reply.
#include "tvkhost/commanddispatcher.h"

namespace tvkhost {

int CommandDispatcher::send(tvk::IMessage** message, tvk::IReply** reply, int /*flags*/) {
    if (reply != nullptr) *reply = nullptr;
    if (message == nullptr || *message == nullptr) return kBadMessage;
    const tvk::IMessage* answer = nullptr;
    const int status = router_.dispatch(Kind::Command, **message, false, &answer);
    if (answer != nullptr) {
        if (reply != nullptr) *reply = store_.createReply(*answer);
        // The answer became the host's when handleMessage returned it.
        store_.releaseObject(answer);
    }
    return status;
}

}  // namespace tvkhost

#include "tvkhost/messagecenter.h"

namespace tvkhost {

tvk::IMessage* MessageCenter::createMessage(int id, const char* sender, int size, const void* data,
                                            int /*flags*/) {
    return store_.createMessage(tvk::kCommandType, id, sender, data, size);
}

}  // namespace tvkhost

#ifndef TVKHOST_MESSAGESTORE_H
#define TVKHOST_MESSAGESTORE_H

#include <cstddef>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>

#include "tvkhost/hostmessage.h"

namespace tvkhost {

// Owns every message and reply the host makes until it is released. Objects
// are known by the interface address handed out, so a release through the
// address of an IMessage* or an IReply* variable finds the right one.
class MessageStore {
public:
    static constexpr int kMaxPayload = 64 * 1024 * 1024;

    // Null when the size is negative or too large, or when bytes are announced
    // without a payload pointer.
    tvk::IMessage* createMessage(unsigned int type, int id, const char* sender, const void* data,
                                 int size);
    tvk::IReply* createReply(int id, const std::string& sender, const void* data, int size);

    // Releases what *pointerAddress points to when the store made it, and nulls
    // the variable in any case. True when something was released.
    bool release(void* pointerAddress);
    // Releases an object the host holds directly. False for a foreign object.
    bool releaseObject(const void* object);

    // The sender of a message the store made; empty for a foreign message.
    std::string senderOf(const tvk::IMessage* message) const;
    std::size_t liveCount() const;
    void clear();

private:
    static bool validPayload(const void* data, int size);

    mutable std::mutex mutex_;
    std::unordered_map<const void*, std::unique_ptr<HostMessage>> messages_;
    std::unordered_map<const void*, std::unique_ptr<HostReply>> replies_;
};

}  // namespace tvkhost

#endif  // TVKHOST_MESSAGESTORE_H

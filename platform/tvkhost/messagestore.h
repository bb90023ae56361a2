// The host's messages and the store that owns them until they are released.
#ifndef TVKHOST_MESSAGESTORE_H
#define TVKHOST_MESSAGESTORE_H

#include <cstddef>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

#include "host/tvk.h"

namespace tvkhost {

// One message as the host makes it. It serves as a reply too, so that a command's answer can be
// handed to its sender as an IReply. The payload is copied when the message is made, so the
// sender's buffer may go away right after createMessage returns.
class HostMessage final : public tvk::IMessage, public tvk::IReply {
public:
    HostMessage(unsigned int type, int id, std::string sender, const void* data, int size);

    void messageSlot0() override {}
    void messageSlot1() override {}
    void replySlot0() override {}
    unsigned int getType() const override { return type_; }
    int getId() const override { return id_; }
    int getDataSize() const override { return static_cast<int>(data_.size()); }
    const void* getData() const override { return data_.empty() ? nullptr : data_.data(); }

    const std::string& sender() const { return sender_; }

private:
    unsigned int type_;
    int id_;
    std::string sender_;
    std::vector<unsigned char> data_;
};

// Owns every message and reply the host makes until it is released. An object is known by the
// interface address handed out, so a release through the address of an IMessage* or an IReply*
// variable finds it. Safe to use from several threads.
class MessageStore {
public:
    static constexpr int kMaxPayload = 64 * 1024 * 1024;

    // Null when the size is negative or too large, or when bytes are announced without a
    // payload pointer.
    tvk::IMessage* createMessage(unsigned int type, int id, const char* sender, const void* data,
                                 int size);
    // The answer to a command, as its sender receives it.
    tvk::IReply* createReply(const tvk::IMessage& answer);

    // Frees what *pointerAddress points to when the store made it, and nulls the variable in any
    // case. True when something was freed.
    bool release(void* pointerAddress);
    // Frees an object the host holds directly (an address createMessage or createReply handed
    // out). False for a foreign object, which is left alone.
    bool releaseObject(const void* object);

    // The sender of a message the store made; empty for a foreign object.
    std::string senderOf(const void* object) const;
    std::size_t liveCount() const;
    void clear();

private:
    // Takes ownership; `handle` is the interface address handed out for it.
    void keep(const void* handle, std::unique_ptr<HostMessage> message);

    mutable std::mutex mutex_;
    std::unordered_map<const void*, std::unique_ptr<HostMessage>> owned_;
};

}  // namespace tvkhost

#endif  // TVKHOST_MESSAGESTORE_H

#ifndef TVKHOST_HOSTMESSAGE_H
#define TVKHOST_HOSTMESSAGE_H

#include <string>
#include <vector>

#include "host/tvk.h"

namespace tvkhost {

// A message made by the host. The payload is copied when the message is made,
// so the sender's buffer may go away right after createMessage returns.
class HostMessage final : public tvk::IMessage {
public:
    HostMessage(unsigned int type, int id, std::string sender, const void* data, int size);

    void messageSlot0() override {}
    void messageSlot1() override {}
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

// The answer to a command as the sender of the command receives it.
class HostReply final : public tvk::IReply {
public:
    HostReply(int id, std::string sender, const void* data, int size);

    void replySlot0() override {}
    const void* getData() const override { return data_.empty() ? nullptr : data_.data(); }
    int getDataSize() const override { return static_cast<int>(data_.size()); }

    int id() const { return id_; }
    const std::string& sender() const { return sender_; }

private:
    int id_;
    std::string sender_;
    std::vector<unsigned char> data_;
};

}  // namespace tvkhost

#endif  // TVKHOST_HOSTMESSAGE_H

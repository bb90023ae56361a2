// A host for code that runs inside the plugin: it hands out its three message services through
// getService, writes down every call made on them in order, and keeps what the plugin sends.
#pragma once

#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "host/tvk.h"
#include "testsupport.h"

namespace ocsm_test {

// A message as a host makes it: kind, identifier and payload. It serves as a reply too.
class Message final : public tvk::IMessage, public tvk::IReply {
public:
    // Keeps a copy of the bytes; getData() is null when there are none.
    Message(unsigned int type, unsigned int id, Bytes bytes = {});
    // Hands out this data and size, whatever they are (a host gone wrong).
    Message(unsigned int type, unsigned int id, const void* data, int size)
        : type_(type), id_(static_cast<int>(id)), data_(data), size_(size), raw_(true) {}

    void messageSlot0() override {}
    void messageSlot1() override {}
    void replySlot0() override {}
    unsigned int getType() const override { return type_; }
    int getId() const override { return id_; }
    int getDataSize() const override { return raw_ ? size_ : static_cast<int>(bytes_.size()); }
    const void* getData() const override {
        return raw_ ? data_ : bytes_.empty() ? nullptr : bytes_.data();
    }

private:
    unsigned int type_;
    int id_;
    Bytes bytes_;
    const void* data_ = nullptr;
    int size_ = 0;
    bool raw_ = false;
};

Message command(unsigned int id, Bytes bytes = {});
Message event(unsigned int id, Bytes bytes = {});

// One message the plugin handed to the host.
struct Sent {
    std::string how;  // "post", "send 9" (event send and its flags), "reply 0" (message center)
    unsigned int id;
    std::string sender;
    Bytes bytes;  // the payload; for the relayed colour space list, its entries as JSON text
    bool operator==(const Sent& other) const;
};
void PrintTo(const Sent& sent, std::ostream* out);

class RecordingHost {
public:
    enum Services : unsigned { kMessageCenter = 1, kCommands = 2, kEvents = 4, kAll = 7 };

    // Offers the services named; becomes the host handle of code linked into the test itself
    // (tvk::api) until destroyed. A plugin loaded with dlopen gets host() through pluginit.
    explicit RecordingHost(unsigned services = kAll);
    ~RecordingHost();  // frees every message it made
    RecordingHost(const RecordingHost&) = delete;
    RecordingHost& operator=(const RecordingHost&) = delete;

    tvk::IHost* host();

    // How the following command sends are answered: with a reply of these bytes (none for
    // nullopt) and this status.
    void answerCommands(std::optional<Bytes> reply, int status);

    // Subscriptions (each answered with the number of subscriptions so far), command sends and
    // releases, one line each, e.g.
    // "subscribe event 0xFC050206 outputcolorspacemodel", "send command 0x00000042 (4 bytes)
    // flags 0", "release reply", "release message".
    std::vector<std::string> calls() const;
    std::vector<Sent> sent() const;
    void clear();

private:
    struct Services_;
    std::unique_ptr<Services_> services_;
};

}  // namespace ocsm_test

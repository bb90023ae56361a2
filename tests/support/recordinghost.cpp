// The recording host: three services over one call log, and the messages it made.
#include "recordinghost.h"

#include <cstdio>
#include <memory>
#include <ostream>

#include "outputcolorspacemodel/messageids.h"
#include "protomodel/protomodel.h"

namespace ocsm_test {

namespace {

std::string hexId(int id) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned int>(id));
    return text;
}

}  // namespace

Message::Message(unsigned int type, unsigned int id, Bytes bytes)
    : type_(type), id_(static_cast<int>(id)), bytes_(std::move(bytes)) {}

Message::Message(unsigned int type, unsigned int id, const void* data, int size)
    : type_(type), id_(static_cast<int>(id)), raw_(true), data_(data), size_(size) {}

Message command(unsigned int id, Bytes bytes) {
    return Message(tvk::kCommandType, id, std::move(bytes));
}

Message event(unsigned int id, Bytes bytes) {
    return Message(tvk::kEventType, id, std::move(bytes));
}

bool Sent::operator==(const Sent& other) const {
    return how == other.how && id == other.id && sender == other.sender && bytes == other.bytes;
}

void PrintTo(const Sent& sent, std::ostream* out) {
    *out << sent.how << " " << hexId(static_cast<int>(sent.id)) << " from \"" << sent.sender
         << "\" [";
    for (const unsigned char byte : sent.bytes)
        *out << ' ' << static_cast<int>(byte);
    *out << " ]";
}

// The state every service writes to.
struct RecordingHost::Services_ {
    struct Host final : tvk::IHost {
        explicit Host(Services_& s) : s(s) {}
        void hostSlot0() override {}
        void hostSlot1() override {}
        void hostSlot2() override {}
        void* getService(const char* name) override {
            const std::string service = name ? name : "";
            if (service == tvk::kMessageCenterService && (s.offered & kMessageCenter))
                return static_cast<tvk::IMessageCenter*>(&s.center);
            if (service == tvk::kCommandDispatcherService && (s.offered & kCommands))
                return static_cast<tvk::ICommandDispatcher*>(&s.commands);
            if (service == tvk::kEventDispatcherService && (s.offered & kEvents))
                return static_cast<tvk::IEventDispatcher*>(&s.events);
            return nullptr;
        }
        Services_& s;
    };

    // Replies, which belong to the host once handed back.
    struct Center final : tvk::IMessageCenter {
        explicit Center(Services_& s) : s(s) {}
        tvk::IMessage* createMessage(int id, const char* sender, int size, const void* data,
                                     int flags) override {
            std::lock_guard<std::mutex> lock(s.mutex);
            s.sent.push_back({"reply " + std::to_string(flags), static_cast<unsigned int>(id),
                              sender ? sender : "", copy(data, size)});
            return s.keep(tvk::kCommandType, id, copy(data, size), "message");
        }
        Services_& s;
    };

    struct Commands final : tvk::ICommandDispatcher {
        explicit Commands(Services_& s) : s(s) {}
        tvk::IMessage* createMessage(int id, int size, const void* data, const char*) override {
            std::lock_guard<std::mutex> lock(s.mutex);
            return s.keep(tvk::kCommandType, id, copy(data, size), "message");
        }
        void releaseMessage(void* pointerAddress) override {
            std::lock_guard<std::mutex> lock(s.mutex);
            void** variable = static_cast<void**>(pointerAddress);
            const auto found = s.owners.find(*variable);
            s.calls.push_back(*variable == nullptr      ? "release null"
                              : found == s.owners.end() ? "release unknown"
                                                        : "release " + found->second);
            *variable = nullptr;
        }
        int send(tvk::IMessage** message, tvk::IReply** reply, int flags) override {
            std::lock_guard<std::mutex> lock(s.mutex);
            const tvk::IMessage* m = *message;
            s.calls.push_back("send command " + hexId(m->getId()) + " (" +
                              std::to_string(m->getDataSize()) + " bytes) flags " +
                              std::to_string(flags));
            *reply = nullptr;
            if (s.answer) {
                Message* answer = s.keep(tvk::kCommandType, m->getId(), *s.answer, "");
                *reply = answer;
                s.owners[static_cast<tvk::IReply*>(answer)] = "reply";
            }
            return s.status;
        }
        void commandSlot3() override {}
        int subscribe(int id, const std::string& component) override {
            return s.subscribe("command", id, component);
        }
        Services_& s;
    };

    struct Events final : tvk::IEventDispatcher {
        explicit Events(Services_& s) : s(s) {}
        tvk::IMessage* createMessage(int id, int size, const void* data,
                                     const char* sender) override {
            std::lock_guard<std::mutex> lock(s.mutex);
            Bytes bytes = copy(data, size);
            // The relayed list travels as the list object itself, readable while it is delivered.
            if (static_cast<unsigned int>(id) == ColorSpace::kColorSpaceChangedId &&
                size == ColorSpace::kListObjectSize && data != nullptr) {
                std::string text;
                LCD::ProtoModel::encode(
                    text,
                    *static_cast<const std::vector<LCD::ProtoModel::Screen::s_ScreenColorSpace>*>(
                        data));
                bytes.assign(text.begin(), text.end());
            }
            Message* message = s.keep(tvk::kEventType, id, copy(data, size), "message");
            s.pending[static_cast<tvk::IMessage*>(message)] = {"", static_cast<unsigned int>(id),
                                                               sender ? sender : "", bytes};
            return message;
        }
        void eventSlot1() override {}
        int post(tvk::IMessage** message) override { return deliver(message, "post"); }
        void eventSlot3() override {}
        int send(tvk::IMessage** message, int flags) override {
            return deliver(message, "send " + std::to_string(flags));
        }
        int subscribe(int id, const std::string& component) override {
            return s.subscribe("event", id, component);
        }
        int deliver(tvk::IMessage** message, const std::string& how) {
            std::lock_guard<std::mutex> lock(s.mutex);
            const auto found = s.pending.find(*message);
            if (found == s.pending.end()) {
                s.calls.push_back(how + " of a message not made here");
                return -1;
            }
            found->second.how = how;
            s.sent.push_back(found->second);
            s.pending.erase(found);
            return 0;
        }
        Services_& s;
    };

    explicit Services_(unsigned offered) : offered(offered) {}

    static Bytes copy(const void* data, int size) {
        if (data == nullptr || size <= 0) return {};
        const auto* bytes = static_cast<const unsigned char*>(data);
        return Bytes(bytes, bytes + size);
    }

    Message* keep(unsigned int type, int id, Bytes bytes, const char* owner) {
        messages.push_back(
            std::make_unique<Message>(type, static_cast<unsigned int>(id), std::move(bytes)));
        Message* message = messages.back().get();
        if (*owner != '\0') owners[static_cast<tvk::IMessage*>(message)] = owner;
        return message;
    }

    int subscribe(const char* kind, int id, const std::string& component) {
        std::lock_guard<std::mutex> lock(mutex);
        calls.push_back(std::string("subscribe ") + kind + " " + hexId(id) + " " + component);
        return ++subscriptions;
    }

    const unsigned offered;
    Host host{*this};
    Center center{*this};
    Commands commands{*this};
    Events events{*this};
    mutable std::mutex mutex;
    std::vector<std::string> calls;
    std::vector<Sent> sent;
    std::unordered_map<const void*, Sent> pending;  // made for an event, not yet posted or sent
    std::vector<std::unique_ptr<Message>> messages;
    std::unordered_map<const void*, std::string> owners;
    std::optional<Bytes> answer;
    int status = 0;
    int subscriptions = 0;
};

RecordingHost::RecordingHost(unsigned services) : services_(std::make_unique<Services_>(services)) {
    tvk::api::get().host = &services_->host;
}

RecordingHost::~RecordingHost() {
    if (tvk::api::get().host == &services_->host) tvk::api::get().host = nullptr;
}

tvk::IHost* RecordingHost::host() {
    return &services_->host;
}

void RecordingHost::answerCommands(std::optional<Bytes> reply, int status) {
    std::lock_guard<std::mutex> lock(services_->mutex);
    services_->answer = std::move(reply);
    services_->status = status;
}

std::vector<std::string> RecordingHost::calls() const {
    std::lock_guard<std::mutex> lock(services_->mutex);
    return services_->calls;
}

std::vector<Sent> RecordingHost::sent() const {
    std::lock_guard<std::mutex> lock(services_->mutex);
    return services_->sent;
}

void RecordingHost::clear() {
    std::lock_guard<std::mutex> lock(services_->mutex);
    services_->calls.clear();
    services_->sent.clear();
    services_->pending.clear();
}

}  // namespace ocsm_test

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

// The host and its message center, and the state every service writes to.
struct RecordingHost::Services_ final : tvk::IHost, tvk::IMessageCenter {
    void hostSlot0() override {}
    void hostSlot1() override {}
    void hostSlot2() override {}
    void* getService(const char* name) override {
        // The names as the host spells them, not through the plugin's constants.
        const std::string service = name ? name : "";
        if (service == "tvk_default_messagecenter" && (offered & kMessageCenter))
            return static_cast<tvk::IMessageCenter*>(this);
        if (service == "commanddispatcher" && (offered & kCommands))
            return static_cast<tvk::ICommandDispatcher*>(&commands);
        if (service == "eventdispatcher" && (offered & kEvents))
            return static_cast<tvk::IEventDispatcher*>(&events);
        return nullptr;
    }

    // Replies, which belong to the host once handed back.
    tvk::IMessage* createMessage(int id, const char* sender, int size, const void* data,
                                 int flags) override {
        return make("reply " + std::to_string(flags), id, sender, copy(data, size));
    }

    struct Commands final : tvk::ICommandDispatcher {
        explicit Commands(Services_& s) : s(s) {}
        tvk::IMessage* createMessage(int id, int size, const void* data, const char*) override {
            std::lock_guard<std::mutex> lock(s.mutex);
            s.messages.push_back(
                std::make_unique<Message>(tvk::kCommandType, id, copy(data, size)));
            return s.messages.back().get();
        }
        void releaseMessage(void* pointerAddress) override {
            std::lock_guard<std::mutex> lock(s.mutex);
            void*& variable = *static_cast<void**>(pointerAddress);
            std::string what = variable ? "unknown" : "null";
            for (const auto& message : s.messages) {
                if (variable == static_cast<tvk::IReply*>(message.get())) what = "reply";
                if (variable == static_cast<tvk::IMessage*>(message.get())) what = "message";
            }
            s.calls.push_back("release " + what);
            variable = nullptr;
        }
        int send(tvk::IMessage** message, tvk::IReply** reply, int flags) override {
            std::lock_guard<std::mutex> lock(s.mutex);
            s.calls.push_back("send command " + hexId((*message)->getId()) + " (" +
                              std::to_string((*message)->getDataSize()) + " bytes) flags " +
                              std::to_string(flags));
            *reply = nullptr;
            if (s.answer) {
                s.messages.push_back(std::make_unique<Message>(
                    tvk::kCommandType, static_cast<unsigned int>((*message)->getId()), *s.answer));
                *reply = s.messages.back().get();
            }
            return s.status;
        }
        void commandSlot3() override {}
        int subscribe(int id, const std::string& component) override {
            return s.subscribe("command", id, component);
        }
        Services_& s;
    };

    // An event is written down when it is made and marked when it is posted or sent.
    struct Events final : tvk::IEventDispatcher {
        explicit Events(Services_& s) : s(s) {}
        tvk::IMessage* createMessage(int id, int size, const void* data,
                                     const char* sender) override {
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
            return s.make("", id, sender, std::move(bytes));
        }
        void eventSlot1() override {}
        int post(tvk::IMessage** message) override { return mark(*message, "post"); }
        void eventSlot3() override {}
        int send(tvk::IMessage** message, int flags) override {
            return mark(*message, "send " + std::to_string(flags));
        }
        int subscribe(int id, const std::string& component) override {
            return s.subscribe("event", id, component);
        }
        int mark(const tvk::IMessage* message, const std::string& how) {
            std::lock_guard<std::mutex> lock(s.mutex);
            for (size_t i = s.sent.size(); i-- > 0;) {
                if (s.sent[i].how.empty() && static_cast<int>(s.sent[i].id) == message->getId()) {
                    s.sent[i].how = how;
                    return 0;
                }
            }
            s.calls.push_back(how + " of an event not made here");
            return -1;
        }
        Services_& s;
    };

    explicit Services_(unsigned offered) : offered(offered) {}

    static Bytes copy(const void* data, int size) {
        if (data == nullptr || size <= 0) return {};
        const auto* bytes = static_cast<const unsigned char*>(data);
        return Bytes(bytes, bytes + size);
    }

    tvk::IMessage* make(const std::string& how, int id, const char* sender, Bytes bytes) {
        std::lock_guard<std::mutex> lock(mutex);
        sent.push_back({how, static_cast<unsigned int>(id), sender ? sender : "", bytes});
        messages.push_back(
            std::make_unique<Message>(tvk::kEventType, static_cast<unsigned int>(id), bytes));
        return messages.back().get();
    }

    int subscribe(const char* kind, int id, const std::string& component) {
        std::lock_guard<std::mutex> lock(mutex);
        calls.push_back(std::string("subscribe ") + kind + " " + hexId(id) + " " + component);
        return ++subscriptions;
    }

    const unsigned offered;
    Commands commands{*this};
    Events events{*this};
    mutable std::mutex mutex;
    std::vector<std::string> calls;
    std::vector<Sent> sent;
    std::vector<std::unique_ptr<Message>> messages;
    std::optional<Bytes> answer;
    int status = 0;
    int subscriptions = 0;
};

RecordingHost::RecordingHost(unsigned services) : services_(std::make_unique<Services_>(services)) {
    tvk::api::get().host = services_.get();
}

RecordingHost::~RecordingHost() {
    if (tvk::api::get().host == services_.get()) tvk::api::get().host = nullptr;
}

tvk::IHost* RecordingHost::host() {
    return services_.get();
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
}

}  // namespace ocsm_test

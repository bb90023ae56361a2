// Arbitrary host messages into a live colour space component while the scripted device HTTP
// client library answers with bodies or failures chosen by the fuzzer. Checks what the host is
// handed per message: at most one event or reply, with the identifier, size and channel its
// handler defines; one on success, none on a failure path (a warning), except the set result,
// which reports the failure with flag 0 once the controller has answered at all.
//
// Input, per message (FuzzedDataProvider): from the end the kind (and whether the payload pointer
// is withheld), the identifier, and for each of two exchanges whether the controller answers;
// from the front the bodies of the answered exchanges, then the payload.
#include <fuzzer/FuzzedDataProvider.h>

#include <QString>
#include <QtGlobal>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "fuzzcheck.h"
#include "host/tvk.h"
#include "outputcolorspacemodel/messageids.h"
#include "outputcolorspacemodel/outputcolorspacemodel.h"
#include "restlink_double.h"

namespace {

using namespace ColorSpace;
using LCD::ProtoModel::Interface::s_InterfaceSourceInfo;
using LCD::ProtoModel::Screen::s_ScreenColorSpace;
using ocsm_fuzz::require;

int warnings = 0;

void countWarning(QtMsgType type, const QMessageLogContext&, const QString&) {
    if (type == QtWarningMsg) ++warnings;
}

class Message final : public tvk::IMessage, public tvk::IReply {
public:
    // A withheld payload keeps its size: hosts that hand a size without data exist.
    Message(unsigned int type, unsigned int id, std::string bytes, bool withheld = false)
        : type_(type), id_(id), bytes_(std::move(bytes)), withheld_(withheld) {}
    void messageSlot0() override {}
    void messageSlot1() override {}
    void replySlot0() override {}
    unsigned int getType() const override { return type_; }
    int getId() const override { return static_cast<int>(id_); }
    int getDataSize() const override { return static_cast<int>(bytes_.size()); }
    const void* getData() const override {
        return bytes_.empty() || withheld_ ? nullptr : bytes_.data();
    }
    const std::string& bytes() const { return bytes_; }

private:
    unsigned int type_;
    unsigned int id_;
    std::string bytes_;
    bool withheld_;
};

enum class Channel { reply, post, send };

struct Emitted {
    Channel channel;
    const Message* message;
};

// The host's three services in one object; it owns every message it makes.
class Host final : public tvk::IHost,
                   public tvk::IMessageCenter,
                   public tvk::ICommandDispatcher,
                   public tvk::IEventDispatcher {
public:
    std::vector<Emitted> emitted;

    void hostSlot0() override {}
    void hostSlot1() override {}
    void hostSlot2() override {}
    void* getService(const char* name) override {
        const std::string service(name);
        if (service == tvk::kMessageCenterService) return static_cast<tvk::IMessageCenter*>(this);
        if (service == tvk::kCommandDispatcherService)
            return static_cast<tvk::ICommandDispatcher*>(this);
        if (service == tvk::kEventDispatcherService)
            return static_cast<tvk::IEventDispatcher*>(this);
        return nullptr;
    }

    tvk::IMessage* createMessage(int id, const char*, int size, const void* data, int) override {
        Message* reply = make(id, size, data);
        emitted.push_back({Channel::reply, reply});
        return reply;
    }
    tvk::IMessage* createMessage(int id, int size, const void* data, const char*) override {
        return make(id, size, data);
    }
    void releaseMessage(void*) override {}
    int send(tvk::IMessage**, tvk::IReply**, int) override { return 0; }
    void commandSlot3() override {}
    int subscribe(int, const std::string&) override { return 0; }
    void eventSlot1() override {}
    int post(tvk::IMessage** message) override { return deliver(Channel::post, *message); }
    void eventSlot3() override {}
    int send(tvk::IMessage** message, int) override { return deliver(Channel::send, *message); }

private:
    Message* make(int id, int size, const void* data) {
        require(size >= 0 && (size == 0 || data != nullptr), "a payload's size matches its bytes");
        made_.push_back(std::make_unique<Message>(
            0, static_cast<unsigned int>(id),
            std::string(static_cast<const char*>(data), static_cast<size_t>(size))));
        return made_.back().get();
    }

    int deliver(Channel channel, tvk::IMessage* message) {
        const auto* made = static_cast<const Message*>(message);
        // The relayed list is readable while the event is delivered (ASan checks the copy).
        if (made->getId() == static_cast<int>(kColorSpaceChangedId) &&
            made->bytes().size() == kListObjectSize) {
            const s_ScreenColorSpace* range[2];
            std::memcpy(range, made->bytes().data(), sizeof range);
            require(range[0] <= range[1], "the list's ends are ordered");
            const std::vector<s_ScreenColorSpace> entries(range[0], range[1]);
        }
        emitted.push_back({channel, made});
        return 0;
    }

    std::vector<std::unique_ptr<Message>> made_;
};

// The message the handler for (type, id) hands the host when it succeeds.
struct Outcome {
    Channel channel;
    unsigned int id;
    size_t size;
};

std::optional<Outcome> handlerOutcome(unsigned int type, unsigned int id) {
    const bool command = type == tvk::kCommandType, event = type == tvk::kEventType;
    if (command && id == kGetRegularScreenInterfaceInfoId)
        return Outcome{Channel::reply, id, kInterfaceInfoPayloadSize};
    if ((command || event) && id == kSetColorSpaceId)
        return Outcome{Channel::post, kSetColorSpaceResultId, kSetResultPayloadSize};
    if (event && id == kGetColorSpaceId)
        return Outcome{Channel::send, kColorSpaceId, kColorSpacePayloadSize};
    if (event && id == kAutoReportId)
        return Outcome{Channel::send, kColorSpaceChangedId, kListObjectSize};
    return std::nullopt;
}

constexpr unsigned int kTypes[] = {tvk::kCommandType, tvk::kEventType, 0};
constexpr unsigned int kIds[] = {kGetRegularScreenInterfaceInfoId,
                                 kSetColorSpaceId,
                                 kGetColorSpaceId,
                                 kAutoReportId,
                                 kColorSpaceId,
                                 tvk::kInitMessageId,
                                 tvk::kReservedMessageId1,
                                 tvk::kReservedMessageId4};
constexpr int kMessagesPerInput = 8;

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    qInstallMessageHandler(countWarning);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider input(data, size);
    Host host;
    tvk::api::get().host = &host;
    OutputColorSpaceModel component;
    const Message init(tvk::kCommandType, tvk::kInitMessageId, {});
    component.handleMessage(&init);

    for (int n = 0; n < kMessagesPerInput && input.remaining_bytes() > 0; ++n) {
        const size_t kind = input.ConsumeIntegralInRange<size_t>(0, 2 * std::size(kTypes) - 1);
        const size_t pick = input.ConsumeIntegralInRange<size_t>(0, std::size(kIds));
        const unsigned int id =
            pick < std::size(kIds) ? kIds[pick] : input.ConsumeIntegral<uint32_t>();
        restlink_double::reset();
        bool answered = false;  // the first exchange gets a response
        for (int exchange = 0; exchange < 2; ++exchange) {
            std::optional<std::string> body;
            if (input.ConsumeBool()) body = input.ConsumeRandomLengthString();
            if (exchange == 0) answered = body.has_value();
            restlink_double::answer(std::move(body));
        }
        const unsigned int type = kTypes[kind % std::size(kTypes)];
        const Message message(type, id, input.ConsumeRandomLengthString(),
                              kind >= std::size(kTypes));

        host.emitted.clear();
        warnings = 0;
        const tvk::IMessage* reply = component.handleMessage(&message);

        const std::optional<Outcome> outcome = handlerOutcome(type, id);
        const auto& emitted = host.emitted;
        require(emitted.size() <= 1, "at most one event or reply per message");
        require(
            reply == (!emitted.empty() && emitted[0].channel == Channel::reply ? emitted[0].message
                                                                               : nullptr),
            "the reply returned is the one made");
        if (!outcome) {
            require(emitted.empty() && warnings == 0, "other messages are left alone");
            continue;
        }
        const bool set = outcome->id == kSetColorSpaceResultId;
        if (warnings == 0) require(emitted.size() == 1, "success hands the host its message");
        if (warnings != 0 && !set) require(emitted.empty(), "nothing on a failure path");
        if (set && message.getDataSize() == kColorSpacePayloadSize && message.getData() && answered)
            require(emitted.size() == 1, "an answered set posts its result");
        if (emitted.empty()) continue;

        const Message& sent = *emitted[0].message;
        require(emitted[0].channel == outcome->channel &&
                    sent.getId() == static_cast<int>(outcome->id) &&
                    sent.bytes().size() == outcome->size,
                "the handler's channel, identifier and payload size");
        if (set) require(sent.bytes()[0] == (warnings == 0 ? 1 : 0), "flag 1 exactly on success");
        if (outcome->channel == Channel::reply)
            require(sent.bytes()[offsetof(s_InterfaceSourceInfo, name) + 63] == '\0',
                    "the interface name is terminated");
    }
    tvk::api::get().host = nullptr;
    return 0;
}

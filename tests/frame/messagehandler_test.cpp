// The message handler base: routing by identifier and kind, registration, sending commands and
// events through the host's services, and what it does when a service is missing.
#include "messagehandler/messagehandler.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "qtlog.h"
#include "recordinghost.h"

namespace {

using namespace ocsm_test;
using Texts = std::vector<std::string>;

class Probe : public LCD::Message::MessageHandler {
public:
    Probe() { name = "probe"; }
    void onInit() override { ++inits; }
    int inits = 0;
};

// A handler that counts its calls and answers with a fixed reply.
struct Counter {
    int calls = 0;
    const tvk::IMessage* reply = nullptr;
    LCD::Message::MessageCallback callback() {
        return [this](const tvk::IMessage*) {
            ++calls;
            return reply;
        };
    }
};

int asInt(unsigned int id) {
    return static_cast<int>(id);
}

class MessageHandlerTest : public ::testing::Test {
protected:
    RecordingHost host;  // before the probe: the base looks the services up when constructed
    Probe probe;
};

TEST_F(MessageHandlerTest, ReservedIdentifiersNeverReachTheTablesAndKindSelectsOne) {
    const Message answer = command(1);
    const struct {
        unsigned int id;
        bool routed;
        int inits;  // onInit runs per message of this identifier, whatever its kind
    } cases[] = {{0xFFFF0000u, false, 1}, {0xFFFF0001u, false, 0}, {0xFFFF0002u, false, 0},
                 {0xFFFFFFFEu, false, 0}, {0xFFFFFFFFu, false, 0}, {0xFFFF0003u, true, 0},
                 {0xFFFFFFFDu, true, 0}};
    for (const auto& c : cases) {
        Counter commands, events;
        commands.reply = &answer;
        probe.registerCommand(asInt(c.id), commands.callback());
        probe.registerEvent(asInt(c.id), events.callback());
        const int initsBefore = probe.inits;
        const Message asCommand = command(c.id), asEvent = event(c.id);
        const Message otherKind(0xF0000003u, c.id);
        EXPECT_EQ(probe.handleMessage(&asCommand), c.routed ? &answer : nullptr) << c.id;
        EXPECT_EQ(probe.handleMessage(&asEvent), nullptr) << c.id;
        EXPECT_EQ(probe.handleMessage(&otherKind), nullptr) << c.id;
        EXPECT_EQ(commands.calls + 10 * events.calls, c.routed ? 11 : 0) << c.id;
        EXPECT_EQ(probe.inits - initsBefore, 3 * c.inits) << c.id;
    }
    probe.registerCommand(9, LCD::Message::MessageCallback());  // empty
    for (const Message& nobody : {command(9), command(8), event(9)})
        EXPECT_EQ(probe.handleMessage(&nobody), nullptr);
    EXPECT_EQ(probe.handleMessage(nullptr), nullptr);
}

TEST_F(MessageHandlerTest, SecondRegistrationKeepsTheFirstHandlerButSubscribesAgain) {
    Counter first, second;
    EXPECT_EQ(probe.registerCommand(5, first.callback()), 1);  // the dispatcher's answer
    EXPECT_EQ(probe.registerCommand(5, second.callback()), 2);
    EXPECT_EQ(probe.registerEvent(5, second.callback()), 3);
    const Message message = command(5);
    probe.handleMessage(&message);
    EXPECT_EQ(first.calls * 10 + second.calls, 10);
    EXPECT_EQ(host.calls(),
              (Texts{"subscribe command 0x00000005 probe", "subscribe command 0x00000005 probe",
                     "subscribe event 0x00000005 probe"}));
}

TEST_F(MessageHandlerTest, HandlersRunOutsideTheLockAndTheirExceptionsPassThrough) {
    Counter late;
    probe.registerEvent(1, [&](const tvk::IMessage*) -> const tvk::IMessage* {
        probe.registerEvent(2, late.callback());  // a handler may register further handlers
        return nullptr;
    });
    const Message first = event(1), second = event(2);
    probe.handleMessage(&first);
    probe.handleMessage(&second);
    EXPECT_EQ(late.calls, 1);
    probe.registerCommand(4, [](const tvk::IMessage*) -> const tvk::IMessage* {
        throw std::runtime_error("handler failed");
    });
    const Message throwing = command(4);
    EXPECT_THROW(probe.handleMessage(&throwing), std::runtime_error);
}

TEST_F(MessageHandlerTest, SendCommandCopiesOnlyAReplyOfTheExpectedSizeAndReleasesBoth) {
    const Bytes untouched = {0xAA, 0xAA, 0xAA, 0xAA};
    const struct {
        std::optional<Bytes> reply;
        int expectedSize;
        Bytes buffer;
    } cases[] = {{Bytes{1, 2, 3, 4}, 4, {1, 2, 3, 4}},
                 {Bytes{5}, 1, {5, 0xAA, 0xAA, 0xAA}},
                 {Bytes{1, 2, 3}, 4, untouched},
                 {Bytes{1, 2, 3, 4, 5}, 4, untouched},
                 {Bytes{}, 4, untouched},
                 {Bytes{}, 0, untouched},
                 {std::nullopt, 4, untouched}};
    int status = 17;
    for (const auto& c : cases) {
        host.clear();
        host.answerCommands(c.reply, ++status);
        Bytes buffer = untouched;
        const Bytes payload = {7, 8, 9};
        EXPECT_EQ(
            probe.sendCommand(asInt(0xFC050201u), 3, payload.data(), c.expectedSize, buffer.data()),
            status);
        EXPECT_EQ(buffer, c.buffer);
        EXPECT_EQ(host.calls(),
                  (Texts{"send command 0xFC050201 (3 bytes) flags 0",
                         c.reply ? "release reply" : "release null", "release message"}));
    }
}

TEST_F(MessageHandlerTest, EventsArePostedOrSentWithNine) {
    probe.postEvent(asInt(0xFC070203u), 1, Bytes{1}.data());
    probe.sendEvent(asInt(0xFC070204u), 8, le32({3, 4}).data());
    EXPECT_EQ(host.sent(), (std::vector<Sent>{{"post", 0xFC070203u, "probe", {1}},
                                              {"send 9", 0xFC070204u, "probe", le32({3, 4})}}));
}

// A component created without the host's services (before pluginit, say) warns, naming the
// service, instead of calling through null; handlers are kept all the same.
TEST(MissingServices, EveryOperationWarnsAndSkipsTheCall) {
    RecordingHost host(0);
    Probe probe;
    Counter handler;
    unsigned char buffer[2] = {0x55, 0x55};
    // The operations that return a status return -1; postEvent and sendEvent return nothing.
    const struct {
        const char* function;
        std::function<std::optional<int>()> call;
        const char* text;
    } cases[] = {
        {"registerCommand", [&] { return probe.registerCommand(3, handler.callback()); },
         "host service commanddispatcher not found, command not subscribed. id : 0x00000003"},
        {"registerEvent", [&] { return probe.registerEvent(0x71107, Counter().callback()); },
         "host service eventdispatcher not found, event not subscribed. id : 0x00071107"},
        {"sendCommand", [&] { return probe.sendCommand(3, 0, nullptr, 2, buffer); },
         "host service commanddispatcher not found, command not sent. id : 0x00000003"},
        {"postEvent", [&] { return probe.postEvent(-1, 0, nullptr), std::nullopt; },
         "host service eventdispatcher not found, event not posted. id : 0xFFFFFFFF"},
        {"sendEvent", [&] { return probe.sendEvent(3, 0, nullptr), std::nullopt; },
         "host service eventdispatcher not found, event not sent. id : 0x00000003"},
    };
    for (const auto& c : cases) {
        QtLogCapture log;
        if (const std::optional<int> status = c.call()) {
            EXPECT_EQ(*status, -1) << c.function;
        }
        const std::vector<LogLine> lines = log.lines();
        ASSERT_EQ(lines.size(), 1u) << c.function;
        EXPECT_EQ(lines[0].text, c.text);
        EXPECT_EQ(lines[0].type, QtWarningMsg);
        EXPECT_EQ(lines[0].file + " " + lines[0].category, "outputcolorspacemodel default");
        EXPECT_THAT(lines[0].function,
                    ::testing::HasSubstr(std::string("MessageHandler::") + c.function + "("));
    }
    EXPECT_EQ(buffer[0], 0x55);
    const Message message = command(3);
    probe.handleMessage(&message);
    EXPECT_EQ(handler.calls, 1);
}

// Before pluginit there is no host to ask: the services stay null and nothing is called through it.
TEST(MissingServices, AComponentMadeBeforeTheHostIsKnownHasNone) {
    ASSERT_EQ(tvk::api::get().host, nullptr);
    Probe probe;
    QtLogCapture log;
    EXPECT_EQ(probe.registerCommand(3, Counter().callback()), -1);
    EXPECT_EQ(log.texts().size(), 1u);
}

}  // namespace

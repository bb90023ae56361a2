#include "messagehandler/messagehandler.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>

#include "qtcapture.h"
#include "slotlayout.h"
#include "tvkmocks.h"

namespace {

using ocsm_test::AddressOfPointerTo;
using ocsm_test::command;
using ocsm_test::event;
using ocsm_test::FakeMessage;
using ocsm_test::ServicesFixtureHost;
using ::testing::_;
using ::testing::DoAll;
using ::testing::InSequence;
using ::testing::Pointee;
using ::testing::Return;
using ::testing::SetArgPointee;
using ::testing::StrEq;
using ::testing::StrictMock;

int asInt(std::uint32_t id) {
    return static_cast<int>(id);
}

// A component that counts onInit and lets tests see the base's members.
class Probe : public LCD::Message::MessageHandler {
public:
    Probe() { name = "probe"; }
    void onInit() override { ++initCount; }

    using MessageHandler::commandDispatcher;
    using MessageHandler::commands;
    using MessageHandler::eventDispatcher;
    using MessageHandler::events;
    using MessageHandler::messageCenter;

    int initCount = 0;
};

// A callback that counts its calls and answers with a fixed reply.
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

class MessageHandlerTest : public ::testing::Test {
protected:
    void SetUp() override {
        EXPECT_CALL(services.commands, subscribe(_, "probe"))
            .Times(::testing::AnyNumber())
            .WillRepeatedly(Return(0));
        EXPECT_CALL(services.events, subscribe(_, "probe"))
            .Times(::testing::AnyNumber())
            .WillRepeatedly(Return(0));
    }

    ServicesFixtureHost services;
    Probe probe;
};

TEST(MessageHandlerSlots, OnInitAndProcessMsgFollowHandleMessage) {
    struct PlusOne : LCD::Message::MessageHandler {
        virtual void next() = 0;
    };
    EXPECT_EQ(ocsm_test::vtableSlot(&LCD::Message::MessageHandler::handleMessage), 2);
    EXPECT_EQ(ocsm_test::vtableSlot(&LCD::Message::MessageHandler::onInit), 3);
    EXPECT_EQ(ocsm_test::vtableSlot(&LCD::Message::MessageHandler::processMsg), 4);
    EXPECT_EQ(ocsm_test::vtableSlot(&PlusOne::next), 5);
}

TEST(MessageHandlerConstruction, LooksTheServicesUpInOrderAndKeepsWhatIsFound) {
    StrictMock<ocsm_test::MockHost> host;
    ocsm_test::MockMessageCenter center;
    ocsm_test::MockCommandDispatcher commands;
    {
        InSequence order;
        EXPECT_CALL(host, getService(StrEq("tvk_default_messagecenter")))
            .WillOnce(Return(static_cast<tvk::IMessageCenter*>(&center)));
        EXPECT_CALL(host, getService(StrEq("commanddispatcher")))
            .WillOnce(Return(static_cast<tvk::ICommandDispatcher*>(&commands)));
        EXPECT_CALL(host, getService(StrEq("eventdispatcher"))).WillOnce(Return(nullptr));
    }
    tvk::api::get().host = &host;
    Probe probe;
    tvk::api::get().host = nullptr;
    EXPECT_EQ(probe.messageCenter, &center);
    EXPECT_EQ(probe.commandDispatcher, &commands);
    EXPECT_EQ(probe.eventDispatcher, nullptr);
    EXPECT_TRUE(probe.commands.empty() && probe.events.empty());

    // Created before the host handed over its handle: no services at all.
    Probe orphan;
    EXPECT_EQ(orphan.messageCenter, nullptr);
    EXPECT_EQ(orphan.commandDispatcher, nullptr);
    EXPECT_EQ(orphan.eventDispatcher, nullptr);
}

TEST_F(MessageHandlerTest, ReservedIdentifiersNeverReachTheTables) {
    FakeMessage answer = command(1);
    const struct {
        std::uint32_t id;
        bool routed;
        int inits;  // onInit runs per message of this identifier
    } cases[] = {
        {0xFFFF0000u, false, 1}, {0xFFFF0001u, false, 0}, {0xFFFF0002u, false, 0},
        {0xFFFFFFFEu, false, 0}, {0xFFFFFFFFu, false, 0}, {0xFFFF0003u, true, 0},
        {0xFFFFFFFDu, true, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << std::hex << c.id);
        Counter handler;
        handler.reply = &answer;
        probe.registerCommand(asInt(c.id), handler.callback());
        probe.registerEvent(asInt(c.id), handler.callback());
        const int initsBefore = probe.initCount;
        FakeMessage asCommand = command(c.id);
        FakeMessage asEvent = event(c.id);
        EXPECT_EQ(probe.handleMessage(&asCommand), c.routed ? &answer : nullptr);
        EXPECT_EQ(probe.handleMessage(&asEvent), c.routed ? &answer : nullptr);
        EXPECT_EQ(handler.calls, c.routed ? 2 : 0);
        EXPECT_EQ(probe.initCount - initsBefore, 2 * c.inits);
    }
}

TEST_F(MessageHandlerTest, KindSelectsTheTable) {
    Counter commandHandler;
    Counter eventHandler;
    FakeMessage commandReply = command(10);
    commandHandler.reply = &commandReply;
    const int id = asInt(0xFC050205u);
    probe.registerCommand(id, commandHandler.callback());
    probe.registerEvent(id, eventHandler.callback());
    probe.registerCommand(9, LCD::Message::MessageCallback());  // empty

    FakeMessage asCommand = command(0xFC050205u);
    FakeMessage asEvent = event(0xFC050205u);
    FakeMessage otherKind(0xF0000003u, 0xFC050205u);
    FakeMessage unknown = command(8);
    FakeMessage emptyHandler = command(9);
    FakeMessage commandAsEvent = event(9);
    EXPECT_EQ(probe.handleMessage(&asCommand), &commandReply);
    EXPECT_EQ(commandHandler.calls, 1);
    EXPECT_EQ(eventHandler.calls, 0);
    EXPECT_EQ(probe.handleMessage(&asEvent), nullptr);
    EXPECT_EQ(eventHandler.calls, 1);
    for (const FakeMessage* other : {&otherKind, &unknown, &emptyHandler, &commandAsEvent})
        EXPECT_EQ(probe.handleMessage(other), nullptr);
    EXPECT_EQ(probe.handleMessage(nullptr), nullptr);
    EXPECT_EQ(commandHandler.calls + eventHandler.calls, 2);
}

TEST_F(MessageHandlerTest, SecondRegistrationKeepsTheFirstHandlerButSubscribesAgain) {
    Counter first;
    Counter second;
    {
        InSequence order;
        EXPECT_CALL(services.commands, subscribe(5, "probe")).WillOnce(Return(11));
        EXPECT_CALL(services.commands, subscribe(5, "probe")).WillOnce(Return(12));
        EXPECT_CALL(services.events, subscribe(5, "probe")).WillOnce(Return(21));
    }
    EXPECT_EQ(probe.registerCommand(5, first.callback()), 11);
    EXPECT_EQ(probe.registerCommand(5, second.callback()), 12);
    EXPECT_EQ(probe.registerEvent(5, second.callback()), 21);
    FakeMessage message = command(5);
    probe.handleMessage(&message);
    EXPECT_EQ(first.calls, 1);
    EXPECT_EQ(second.calls, 0);
    EXPECT_EQ(probe.commands.size(), 1u);
    EXPECT_EQ(probe.events.size(), 1u);
}

TEST_F(MessageHandlerTest, HandlersRunOutsideTheLock) {
    // A handler may register further handlers.
    Counter late;
    probe.registerEvent(1, [&](const tvk::IMessage*) -> const tvk::IMessage* {
        probe.registerEvent(2, late.callback());
        return nullptr;
    });
    FakeMessage first = event(1);
    FakeMessage second = event(2);
    probe.handleMessage(&first);
    probe.handleMessage(&second);
    EXPECT_EQ(late.calls, 1);

    // A handler's exception passes to the caller; the lock is free again.
    probe.registerCommand(4, [](const tvk::IMessage*) -> const tvk::IMessage* {
        throw std::runtime_error("handler failed");
    });
    FakeMessage throwing = command(4);
    EXPECT_THROW(probe.handleMessage(&throwing), std::runtime_error);
    EXPECT_EQ(probe.registerCommand(40, Counter().callback()), 0);
}

TEST_F(MessageHandlerTest, SendCommandCopiesOnlyAReplyOfTheExpectedSize) {
    FakeMessage message = command(0xFC050201u);
    StrictMock<ocsm_test::MockReply> reply;
    const std::array<unsigned char, 4> answer{{1, 2, 3, 4}};
    const std::array<unsigned char, 4> untouched{{0xAA, 0xAA, 0xAA, 0xAA}};
    const std::array<unsigned char, 3> payload{{7, 8, 9}};
    const struct {
        std::optional<int> replySize;  // nullopt: no reply
        int expectedSize;
        bool copied;
    } cases[] = {{4, 4, true},  {3, 4, false}, {5, 4, false},
                 {0, 4, false}, {0, 0, false}, {std::nullopt, 4, false}};
    int status = 17;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.replySize.value_or(-1));
        std::array<unsigned char, 4> buffer = untouched;
        {
            InSequence order;
            EXPECT_CALL(services.commands,
                        createMessage(asInt(0xFC050201u), 3, payload.data(), StrEq("probe")))
                .WillOnce(Return(&message));
            tvk::IReply* given = c.replySize ? &reply : nullptr;
            EXPECT_CALL(services.commands, send(Pointee(&message), Pointee(nullptr), 0))
                .WillOnce(DoAll(SetArgPointee<1>(given), Return(++status)));
            if (c.replySize) EXPECT_CALL(reply, getDataSize()).WillOnce(Return(*c.replySize));
            if (c.replySize == c.expectedSize)
                EXPECT_CALL(reply, getData())
                    .Times(c.copied ? ::testing::Exactly(1) : ::testing::AtMost(1))
                    .WillRepeatedly(Return(answer.data()));
            EXPECT_CALL(services.commands, releaseMessage(AddressOfPointerTo(given)));
            EXPECT_CALL(services.commands, releaseMessage(AddressOfPointerTo(&message)));
        }
        EXPECT_EQ(
            probe.sendCommand(asInt(0xFC050201u), 3, payload.data(), c.expectedSize, buffer.data()),
            status);
        EXPECT_EQ(buffer, c.copied ? answer : untouched);
        ::testing::Mock::VerifyAndClearExpectations(&reply);
    }
}

TEST_F(MessageHandlerTest, EventsArePostedOrSentWithNine) {
    FakeMessage created = event(0xFC070203u);
    const std::array<unsigned char, 8> payload{};
    {
        InSequence order;
        EXPECT_CALL(services.events,
                    createMessage(asInt(0xFC070203u), 1, payload.data(), StrEq("probe")))
            .WillOnce(Return(&created));
        EXPECT_CALL(services.events, post(Pointee(&created))).WillOnce(Return(0));
        EXPECT_CALL(services.events,
                    createMessage(asInt(0xFC070204u), 8, payload.data(), StrEq("probe")))
            .WillOnce(Return(&created));
        EXPECT_CALL(services.events, send(Pointee(&created), 9)).WillOnce(Return(0));
    }
    probe.postEvent(asInt(0xFC070203u), 1, payload.data());
    probe.sendEvent(asInt(0xFC070204u), 8, payload.data());
}

// A component created before the host handed over its handle warns, naming
// the missing service, instead of calling through null.
TEST(MissingServices, EveryOperationWarnsAndSkipsTheCall) {
    tvk::api::get().host = nullptr;
    Probe probe;
    Counter handler;
    unsigned char buffer[2] = {0x55, 0x55};
    const struct {
        const char* function;
        const char* service;
        std::function<int()> call;
    } cases[] = {
        {"registerCommand", "commanddispatcher",
         [&] { return probe.registerCommand(3, handler.callback()); }},
        {"registerEvent", "eventdispatcher",
         [&] { return probe.registerEvent(3, Counter().callback()); }},
        {"sendCommand", "commanddispatcher",
         [&] { return probe.sendCommand(3, 0, nullptr, 2, buffer); }},
        {"postEvent", "eventdispatcher", [&] { return probe.postEvent(3, 0, nullptr), -1; }},
        {"sendEvent", "eventdispatcher", [&] { return probe.sendEvent(3, 0, nullptr), -1; }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.function);
        ocsm_test::QtLogCapture capture;
        EXPECT_EQ(c.call(), -1);
        const std::vector<ocsm_test::LogLine> lines = capture.taken();
        ASSERT_EQ(lines.size(), 1u);
        EXPECT_EQ(lines[0].type, QtWarningMsg);
        EXPECT_EQ(lines[0].file, "outputcolorspacemodel");
        EXPECT_EQ(lines[0].category, "default");
        EXPECT_GT(lines[0].line, 0);
        EXPECT_THAT(lines[0].function, ::testing::HasSubstr(c.function));
        EXPECT_THAT(lines[0].text, ::testing::HasSubstr(c.service));
    }
    EXPECT_EQ(buffer[0], 0x55);
    // The handler was kept all the same.
    FakeMessage message = command(3);
    probe.handleMessage(&message);
    EXPECT_EQ(handler.calls, 1);
}

}  // namespace

#include "messagehandler/messagehandler.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
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
using ::testing::NiceMock;
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
    using MessageHandler::name;

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
        ON_CALL(services.commands, subscribe(_, _)).WillByDefault(Return(0));
        ON_CALL(services.events, subscribe(_, _)).WillByDefault(Return(0));
        EXPECT_CALL(services.commands, subscribe(_, "probe")).Times(::testing::AnyNumber());
        EXPECT_CALL(services.events, subscribe(_, "probe")).Times(::testing::AnyNumber());
    }

    ServicesFixtureHost services;
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

TEST(MessageHandlerConstruction, LooksTheServicesUpInOrder) {
    StrictMock<ocsm_test::MockHost> host;
    ocsm_test::MockMessageCenter center;
    ocsm_test::MockCommandDispatcher commands;
    ocsm_test::MockEventDispatcher events;
    {
        InSequence order;
        EXPECT_CALL(host, getService(StrEq("tvk_default_messagecenter")))
            .WillOnce(Return(static_cast<tvk::IMessageCenter*>(&center)));
        EXPECT_CALL(host, getService(StrEq("commanddispatcher")))
            .WillOnce(Return(static_cast<tvk::ICommandDispatcher*>(&commands)));
        EXPECT_CALL(host, getService(StrEq("eventdispatcher")))
            .WillOnce(Return(static_cast<tvk::IEventDispatcher*>(&events)));
    }
    tvk::api::get().host = &host;
    Probe probe;
    tvk::api::get().host = nullptr;

    EXPECT_EQ(probe.messageCenter, &center);
    EXPECT_EQ(probe.commandDispatcher, &commands);
    EXPECT_EQ(probe.eventDispatcher, &events);
    EXPECT_TRUE(probe.commands.empty());
    EXPECT_TRUE(probe.events.empty());
}

TEST(MessageHandlerConstruction, ServiceNotFoundStaysNull) {
    NiceMock<ocsm_test::MockHost> host;
    ocsm_test::MockCommandDispatcher commands;
    ON_CALL(host, getService(StrEq("commanddispatcher")))
        .WillByDefault(Return(static_cast<tvk::ICommandDispatcher*>(&commands)));
    tvk::api::get().host = &host;
    Probe probe;
    tvk::api::get().host = nullptr;

    EXPECT_EQ(probe.messageCenter, nullptr);
    EXPECT_EQ(probe.commandDispatcher, &commands);
    EXPECT_EQ(probe.eventDispatcher, nullptr);
}

TEST(MessageHandlerConstruction, WithoutHostHasNoServices) {
    tvk::api::get().host = nullptr;
    Probe probe;
    EXPECT_EQ(probe.messageCenter, nullptr);
    EXPECT_EQ(probe.commandDispatcher, nullptr);
    EXPECT_EQ(probe.eventDispatcher, nullptr);
}

TEST_F(MessageHandlerTest, InitialisationMessageRunsOnInitEveryTime) {
    Probe probe;
    Counter handler;
    probe.registerCommand(asInt(0xFFFF0000u), handler.callback());
    FakeMessage init = command(0xFFFF0000u);
    EXPECT_EQ(probe.handleMessage(&init), nullptr);
    EXPECT_EQ(probe.handleMessage(&init), nullptr);
    EXPECT_EQ(probe.initCount, 2);
    EXPECT_EQ(handler.calls, 0);
}

TEST_F(MessageHandlerTest, ReservedIdentifiersNeverReachTheTables) {
    Probe probe;
    Counter handler;
    FakeMessage answer = command(1);
    handler.reply = &answer;
    for (std::uint32_t id : {0xFFFF0001u, 0xFFFF0002u, 0xFFFFFFFEu, 0xFFFFFFFFu}) {
        probe.registerCommand(asInt(id), handler.callback());
        probe.registerEvent(asInt(id), handler.callback());
        FakeMessage asCommand = command(id);
        FakeMessage asEvent = event(id);
        EXPECT_EQ(probe.handleMessage(&asCommand), nullptr) << std::hex << id;
        EXPECT_EQ(probe.handleMessage(&asEvent), nullptr) << std::hex << id;
    }
    EXPECT_EQ(handler.calls, 0);
    EXPECT_EQ(probe.initCount, 0);
}

TEST_F(MessageHandlerTest, NeighboursOfReservedIdentifiersAreRouted) {
    Probe probe;
    Counter handler;
    FakeMessage answer = command(2);
    handler.reply = &answer;
    for (std::uint32_t id : {0xFFFF0003u, 0xFFFFFFFDu}) {
        probe.registerCommand(asInt(id), handler.callback());
        FakeMessage message = command(id);
        EXPECT_EQ(probe.handleMessage(&message), &answer) << std::hex << id;
    }
    EXPECT_EQ(handler.calls, 2);
    EXPECT_EQ(probe.initCount, 0);
}

TEST_F(MessageHandlerTest, KindSelectsTheTable) {
    Probe probe;
    Counter commandHandler;
    Counter eventHandler;
    FakeMessage commandReply = command(10);
    commandHandler.reply = &commandReply;
    const int id = asInt(0xFC050205u);
    probe.registerCommand(id, commandHandler.callback());
    probe.registerEvent(id, eventHandler.callback());

    FakeMessage asCommand = command(0xFC050205u);
    FakeMessage asEvent = event(0xFC050205u);
    FakeMessage otherKind(0xF0000003u, 0xFC050205u);
    EXPECT_EQ(probe.handleMessage(&asCommand), &commandReply);
    EXPECT_EQ(commandHandler.calls, 1);
    EXPECT_EQ(eventHandler.calls, 0);
    EXPECT_EQ(probe.handleMessage(&asEvent), nullptr);
    EXPECT_EQ(eventHandler.calls, 1);
    EXPECT_EQ(probe.handleMessage(&otherKind), nullptr);
    EXPECT_EQ(commandHandler.calls + eventHandler.calls, 2);
}

TEST_F(MessageHandlerTest, UnknownIdentifierOrWrongKindYieldsNull) {
    Probe probe;
    Counter handler;
    FakeMessage answer = command(3);
    handler.reply = &answer;
    probe.registerCommand(7, handler.callback());
    FakeMessage other = command(8);
    FakeMessage asEvent = event(7);
    EXPECT_EQ(probe.handleMessage(&other), nullptr);
    EXPECT_EQ(probe.handleMessage(&asEvent), nullptr);
    EXPECT_EQ(handler.calls, 0);
    EXPECT_EQ(probe.handleMessage(nullptr), nullptr);
}

TEST_F(MessageHandlerTest, SecondRegistrationKeepsTheFirstHandlerButSubscribesAgain) {
    Probe probe;
    Counter first;
    Counter second;
    {
        InSequence order;
        EXPECT_CALL(services.commands, subscribe(5, "probe")).WillOnce(Return(11));
        EXPECT_CALL(services.commands, subscribe(5, "probe")).WillOnce(Return(12));
    }
    EXPECT_EQ(probe.registerCommand(5, first.callback()), 11);
    EXPECT_EQ(probe.registerCommand(5, second.callback()), 12);
    FakeMessage message = command(5);
    probe.handleMessage(&message);
    EXPECT_EQ(first.calls, 1);
    EXPECT_EQ(second.calls, 0);
    EXPECT_EQ(probe.commands.size(), 1u);
}

TEST_F(MessageHandlerTest, RegistrationsGoToTheirOwnDispatcher) {
    Probe probe;
    {
        InSequence order;
        EXPECT_CALL(services.events, subscribe(6, "probe")).WillOnce(Return(21));
        EXPECT_CALL(services.commands, subscribe(6, "probe")).WillOnce(Return(22));
    }
    EXPECT_EQ(probe.registerEvent(6, Counter().callback()), 21);
    EXPECT_EQ(probe.registerCommand(6, Counter().callback()), 22);
    EXPECT_EQ(probe.commands.count(6), 1u);
    EXPECT_EQ(probe.events.count(6), 1u);
}

TEST_F(MessageHandlerTest, EmptyHandlerYieldsNull) {
    Probe probe;
    probe.registerCommand(9, LCD::Message::MessageCallback());
    FakeMessage message = command(9);
    EXPECT_EQ(probe.handleMessage(&message), nullptr);
}

TEST_F(MessageHandlerTest, HandlerMayRegisterFurtherHandlers) {
    Probe probe;
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
}

TEST_F(MessageHandlerTest, HandlerExceptionPassesToTheCaller) {
    Probe probe;
    probe.registerCommand(4, [](const tvk::IMessage*) -> const tvk::IMessage* {
        throw std::runtime_error("handler failed");
    });
    FakeMessage message = command(4);
    EXPECT_THROW(probe.handleMessage(&message), std::runtime_error);
    // The table is unharmed and the lock free again.
    EXPECT_EQ(probe.registerCommand(40, Counter().callback()), 0);
}

class SendCommandTest : public MessageHandlerTest {
protected:
    FakeMessage message = command(0xFC050201u);
    StrictMock<ocsm_test::MockReply> reply;
    std::array<unsigned char, 4> buffer{{0xAA, 0xAA, 0xAA, 0xAA}};
    const std::array<unsigned char, 4> answer{{1, 2, 3, 4}};
    const std::array<unsigned char, 3> payload{{7, 8, 9}};
};

TEST_F(SendCommandTest, MatchingReplyIsCopiedThenReplyAndMessageAreReleased) {
    Probe probe;
    {
        InSequence order;
        EXPECT_CALL(services.commands,
                    createMessage(asInt(0xFC050201u), 3, payload.data(), StrEq("probe")))
            .WillOnce(Return(&message));
        EXPECT_CALL(services.commands, send(Pointee(&message), Pointee(nullptr), 0))
            .WillOnce(DoAll(SetArgPointee<1>(&reply), Return(17)));
        EXPECT_CALL(reply, getDataSize()).WillOnce(Return(4));
        EXPECT_CALL(reply, getData()).WillOnce(Return(answer.data()));
        EXPECT_CALL(services.commands, releaseMessage(AddressOfPointerTo(&reply)));
        EXPECT_CALL(services.commands, releaseMessage(AddressOfPointerTo(&message)));
    }
    EXPECT_EQ(probe.sendCommand(asInt(0xFC050201u), 3, payload.data(), 4, buffer.data()), 17);
    EXPECT_EQ(buffer, answer);
}

TEST_F(SendCommandTest, ReplyOfAnotherSizeLeavesTheBufferUntouched) {
    Probe probe;
    for (int size : {3, 5, 0}) {
        InSequence order;
        EXPECT_CALL(services.commands, createMessage(_, _, _, _)).WillOnce(Return(&message));
        EXPECT_CALL(services.commands, send(_, _, 0))
            .WillOnce(DoAll(SetArgPointee<1>(&reply), Return(-3)));
        EXPECT_CALL(reply, getDataSize()).WillOnce(Return(size));
        EXPECT_CALL(services.commands, releaseMessage(AddressOfPointerTo(&reply)));
        EXPECT_CALL(services.commands, releaseMessage(AddressOfPointerTo(&message)));
        EXPECT_EQ(probe.sendCommand(1, 3, payload.data(), 4, buffer.data()), -3) << size;
        EXPECT_EQ(buffer, (std::array<unsigned char, 4>{{0xAA, 0xAA, 0xAA, 0xAA}})) << size;
    }
}

TEST_F(SendCommandTest, NoReplyStillReleasesBoth) {
    Probe probe;
    {
        InSequence order;
        EXPECT_CALL(services.commands, createMessage(_, _, _, _)).WillOnce(Return(&message));
        EXPECT_CALL(services.commands, send(_, _, 0)).WillOnce(Return(5));
        EXPECT_CALL(services.commands, releaseMessage(AddressOfPointerTo(nullptr)));
        EXPECT_CALL(services.commands, releaseMessage(AddressOfPointerTo(&message)));
    }
    EXPECT_EQ(probe.sendCommand(1, 0, nullptr, 4, buffer.data()), 5);
    EXPECT_EQ(buffer[0], 0xAA);
}

TEST_F(SendCommandTest, EmptyReplyExpectedAndReceivedCopiesNothing) {
    Probe probe;
    EXPECT_CALL(services.commands, createMessage(_, _, _, _)).WillOnce(Return(&message));
    EXPECT_CALL(services.commands, send(_, _, 0))
        .WillOnce(DoAll(SetArgPointee<1>(&reply), Return(0)));
    EXPECT_CALL(reply, getDataSize()).WillOnce(Return(0));
    EXPECT_CALL(reply, getData()).WillRepeatedly(Return(answer.data()));
    EXPECT_CALL(services.commands, releaseMessage(_)).Times(2);
    EXPECT_EQ(probe.sendCommand(1, 0, nullptr, 0, buffer.data()), 0);
    EXPECT_EQ(buffer[0], 0xAA);
}

TEST_F(MessageHandlerTest, PostEventHandsTheNewMessageToPost) {
    Probe probe;
    FakeMessage created = event(0xFC070203u);
    const unsigned char flag = 1;
    {
        InSequence order;
        EXPECT_CALL(services.events, createMessage(asInt(0xFC070203u), 1, &flag, StrEq("probe")))
            .WillOnce(Return(&created));
        EXPECT_CALL(services.events, post(Pointee(&created))).WillOnce(Return(0));
    }
    probe.postEvent(asInt(0xFC070203u), 1, &flag);
}

TEST_F(MessageHandlerTest, SendEventPassesNine) {
    Probe probe;
    FakeMessage created = event(0xFC070204u);
    const std::array<unsigned char, 8> payload{};
    {
        InSequence order;
        EXPECT_CALL(services.events,
                    createMessage(asInt(0xFC070204u), 8, payload.data(), StrEq("probe")))
            .WillOnce(Return(&created));
        EXPECT_CALL(services.events, send(Pointee(&created), 9)).WillOnce(Return(0));
    }
    probe.sendEvent(asInt(0xFC070204u), 8, payload.data());
}

// A component created before the host handed over its handle.
class MissingServicesTest : public ::testing::Test {
protected:
    void SetUp() override { tvk::api::get().host = nullptr; }

    void expectOneWarningNaming(const char* service, const char* function) {
        const std::vector<ocsm_test::LogLine> lines = capture.taken();
        ASSERT_EQ(lines.size(), 1u);
        const ocsm_test::LogLine& line = lines.front();
        EXPECT_EQ(line.type, QtWarningMsg);
        EXPECT_EQ(line.file, "outputcolorspacemodel");
        EXPECT_EQ(line.category, "default");
        EXPECT_GT(line.line, 0);
        EXPECT_THAT(line.function, ::testing::HasSubstr(function));
        EXPECT_THAT(line.text, ::testing::HasSubstr(service));
    }

    ocsm_test::QtLogCapture capture;
};

TEST_F(MissingServicesTest, RegisterCommandKeepsTheHandlerAndWarns) {
    Probe probe;
    Counter handler;
    EXPECT_EQ(probe.registerCommand(3, handler.callback()), -1);
    expectOneWarningNaming("commanddispatcher", "registerCommand");
    FakeMessage message = command(3);
    probe.handleMessage(&message);
    EXPECT_EQ(handler.calls, 1);
}

TEST_F(MissingServicesTest, RegisterEventWarns) {
    Probe probe;
    EXPECT_EQ(probe.registerEvent(3, Counter().callback()), -1);
    expectOneWarningNaming("eventdispatcher", "registerEvent");
}

TEST_F(MissingServicesTest, SendCommandWarnsAndLeavesTheBuffer) {
    Probe probe;
    unsigned char buffer[2] = {0x55, 0x55};
    EXPECT_EQ(probe.sendCommand(3, 0, nullptr, 2, buffer), -1);
    EXPECT_EQ(buffer[0], 0x55);
    expectOneWarningNaming("commanddispatcher", "sendCommand");
}

TEST_F(MissingServicesTest, PostEventWarns) {
    Probe probe;
    probe.postEvent(3, 0, nullptr);
    expectOneWarningNaming("eventdispatcher", "postEvent");
}

TEST_F(MissingServicesTest, SendEventWarns) {
    Probe probe;
    probe.sendEvent(3, 0, nullptr);
    expectOneWarningNaming("eventdispatcher", "sendEvent");
}

}  // namespace

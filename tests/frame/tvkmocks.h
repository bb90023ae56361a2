// GoogleMock stand-ins for the host's services, for tests of code that runs
// inside the plugin.
#ifndef OCSM_TESTS_FRAME_TVKMOCKS_H
#define OCSM_TESTS_FRAME_TVKMOCKS_H

#include <gmock/gmock.h>

#include <cstring>
#include <string>
#include <vector>

#include "host/tvk.h"

namespace ocsm_test {

class MockHost : public tvk::IHost {
public:
    MOCK_METHOD(void, hostSlot0, (), (override));
    MOCK_METHOD(void, hostSlot1, (), (override));
    MOCK_METHOD(void, hostSlot2, (), (override));
    MOCK_METHOD(void*, getService, (const char* name), (override));
};

class MockMessageCenter : public tvk::IMessageCenter {
public:
    MOCK_METHOD(tvk::IMessage*, createMessage,
                (int id, const char* sender, int size, const void* data, int flags), (override));
};

class MockCommandDispatcher : public tvk::ICommandDispatcher {
public:
    MOCK_METHOD(tvk::IMessage*, createMessage,
                (int id, int size, const void* data, const char* sender), (override));
    MOCK_METHOD(void, releaseMessage, (void* pointerAddress), (override));
    MOCK_METHOD(int, send, (tvk::IMessage * *message, tvk::IReply** reply, int flags), (override));
    MOCK_METHOD(void, commandSlot3, (), (override));
    MOCK_METHOD(int, subscribe, (int id, const std::string& component), (override));
};

class MockEventDispatcher : public tvk::IEventDispatcher {
public:
    MOCK_METHOD(tvk::IMessage*, createMessage,
                (int id, int size, const void* data, const char* sender), (override));
    MOCK_METHOD(void, eventSlot1, (), (override));
    MOCK_METHOD(int, post, (tvk::IMessage * *message), (override));
    MOCK_METHOD(void, eventSlot3, (), (override));
    MOCK_METHOD(int, send, (tvk::IMessage * *message, int flags), (override));
    MOCK_METHOD(int, subscribe, (int id, const std::string& component), (override));
};

class MockReply : public tvk::IReply {
public:
    MOCK_METHOD(void, replySlot0, (), (override));
    MOCK_METHOD(const void*, getData, (), (const, override));
    MOCK_METHOD(int, getDataSize, (), (const, override));
};

// A plain message with a kind, an identifier and a payload.
class FakeMessage : public tvk::IMessage {
public:
    FakeMessage(unsigned int type, unsigned int id, std::vector<unsigned char> data = {})
        : type_(type), id_(static_cast<int>(id)), data_(std::move(data)) {}

    void messageSlot0() override {}
    void messageSlot1() override {}
    unsigned int getType() const override { return type_; }
    int getId() const override { return id_; }
    int getDataSize() const override { return static_cast<int>(data_.size()); }
    const void* getData() const override { return data_.empty() ? nullptr : data_.data(); }

private:
    unsigned int type_;
    int id_;
    std::vector<unsigned char> data_;
};

inline FakeMessage command(unsigned int id) {
    return FakeMessage(tvk::kCommandType, id);
}
inline FakeMessage event(unsigned int id) {
    return FakeMessage(tvk::kEventType, id);
}

// A host whose getService hands out the three mocks by their service names.
// Installs itself as the plugin's host handle and removes itself again.
class ServicesFixtureHost {
public:
    ServicesFixtureHost() {
        using ::testing::Return;
        using ::testing::StrEq;
        ON_CALL(host, getService(StrEq(tvk::kMessageCenterService)))
            .WillByDefault(Return(static_cast<tvk::IMessageCenter*>(&center)));
        ON_CALL(host, getService(StrEq(tvk::kCommandDispatcherService)))
            .WillByDefault(Return(static_cast<tvk::ICommandDispatcher*>(&commands)));
        ON_CALL(host, getService(StrEq(tvk::kEventDispatcherService)))
            .WillByDefault(Return(static_cast<tvk::IEventDispatcher*>(&events)));
        EXPECT_CALL(host, getService(::testing::_)).Times(::testing::AnyNumber());
        tvk::api::get().host = &host;
    }
    ~ServicesFixtureHost() { tvk::api::get().host = nullptr; }

    ::testing::NiceMock<MockHost> host;
    ::testing::StrictMock<MockMessageCenter> center;
    ::testing::StrictMock<MockCommandDispatcher> commands;
    ::testing::StrictMock<MockEventDispatcher> events;
};

// Matches the address of a pointer variable that currently holds `expected`.
MATCHER_P(AddressOfPointerTo, expected, "") {
    return arg != nullptr && *static_cast<void* const*>(arg) == static_cast<const void*>(expected);
}

}  // namespace ocsm_test

#endif  // OCSM_TESTS_FRAME_TVKMOCKS_H

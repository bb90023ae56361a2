#include "tvkhost/host.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "fakecomponent.h"

namespace {

using namespace std::chrono_literals;
using ocsm_test::FakeComponent;
using ocsm_test::FakeRecord;
using tvkhost::Delivery;
using tvkhost::Host;
using tvkhost::Kind;

// Collects what reaches the host side; the payload is copied during the call.
struct HostSide {
    struct Seen {
        Delivery::Type type;
        int id;
        std::string sender;
        std::vector<unsigned char> data;
        bool posted;
        bool fromComponent;
    };
    std::mutex mutex;
    std::vector<Seen> seen;

    tvkhost::Observer observer() {
        return [this](const Delivery& delivery) {
            std::lock_guard<std::mutex> lock(mutex);
            seen.push_back(
                Seen{delivery.type, delivery.id, delivery.sender,
                     std::vector<unsigned char>(delivery.data, delivery.data + delivery.size),
                     delivery.posted, delivery.fromComponent});
        };
    }
    std::vector<Seen> take() {
        std::lock_guard<std::mutex> lock(mutex);
        return seen;
    }
};

class HostTest : public ::testing::Test {
protected:
    void SetUp() override { tvk::api::get().host = &host; }
    void TearDown() override {
        host.shutdown();
        tvk::api::get().host = nullptr;
    }

    void start(FakeComponent& component, const char* id = "test.component") {
        records.push_back(FakeRecord::make(id));
        FakeRecord::next = &component;
        std::string error;
        ASSERT_TRUE(host.addComponent(records.back(), error)) << error;
    }

    HostSide side;
    Host host{side.observer()};
    std::deque<tvk::ComponentInfo> records;  // the host keeps their addresses
};

TEST_F(HostTest, ServicesAreTheThreeInterfaces) {
    EXPECT_EQ(host.getService("tvk_default_messagecenter"),
              static_cast<void*>(static_cast<tvk::IMessageCenter*>(&host.messageCenter())));
    EXPECT_EQ(host.getService("commanddispatcher"),
              static_cast<void*>(static_cast<tvk::ICommandDispatcher*>(&host.commandDispatcher())));
    EXPECT_EQ(host.getService("eventdispatcher"),
              static_cast<void*>(static_cast<tvk::IEventDispatcher*>(&host.eventDispatcher())));
    EXPECT_EQ(host.getService("nothing"), nullptr);
    EXPECT_EQ(host.getService(nullptr), nullptr);
}

TEST_F(HostTest, StartingAComponentSendsInitialisationAndRecordsItsSubscriptions) {
    FakeComponent component;
    component.subscriptions = {{Kind::Command, 1}, {Kind::Event, 2}, {Kind::Command, 1}};
    start(component);
    EXPECT_EQ(component.inits.load(), 1);
    EXPECT_EQ(component.subscribeResults, (std::vector<int>{0, 0, 0}));

    const auto views = host.components();
    ASSERT_EQ(views.size(), 1u);
    EXPECT_EQ(views[0].id, "test.component");
    EXPECT_EQ(views[0].names, std::vector<std::string>{"fake"});
    ASSERT_EQ(views[0].subscriptions.size(), 3u);  // repeats are listed
    EXPECT_EQ(views[0].subscriptions[1].kind, Kind::Event);
    EXPECT_EQ(views[0].subscriptions[1].id, 2);
    EXPECT_TRUE(host.hasSubscriber(Kind::Command, 1));
    EXPECT_FALSE(host.hasSubscriber(Kind::Event, 1));
    EXPECT_FALSE(host.hasSubscriber(Kind::Command, 2));
}

TEST_F(HostTest, SubscribingOutsideADeliveryUnderAnUnknownNameFails) {
    EXPECT_EQ(host.commandDispatcher().subscribe(1, "stranger"), tvkhost::kNoSubscriber);
    EXPECT_FALSE(host.hasSubscriber(Kind::Command, 1));
}

TEST_F(HostTest, CommandReachesItsSubscriberAndTheReplyComesBack) {
    FakeComponent component;
    component.subscriptions = {{Kind::Command, 7}};
    component.react = [](const tvk::IMessage& message) -> const tvk::IMessage* {
        auto* center = static_cast<tvk::IMessageCenter*>(
            tvk::api::get().host->getService(tvk::kMessageCenterService));
        const unsigned char answer[] = {0xAB, 0xCD};
        return center->createMessage(message.getId(), "fake", 2, answer, 0);
    };
    start(component);

    const unsigned char payload[] = {1, 2, 3};
    const Host::CommandResult result = host.sendCommand(7, payload, 3);
    EXPECT_EQ(result.status, tvkhost::kOk);
    EXPECT_TRUE(result.replied);
    const auto received = component.takeReceived();
    ASSERT_EQ(received.size(), 1u);
    EXPECT_EQ(received[0].type, tvk::kCommandType);
    EXPECT_EQ(received[0].data, (std::vector<unsigned char>{1, 2, 3}));

    const auto seen = side.take();
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].type, Delivery::Type::Reply);
    EXPECT_EQ(seen[0].id, 7);
    EXPECT_EQ(seen[0].sender, "fake");
    EXPECT_TRUE(seen[0].fromComponent);
    EXPECT_EQ(seen[0].data, (std::vector<unsigned char>{0xAB, 0xCD}));
    // Command, reply message and reply are all released again.
    EXPECT_EQ(host.store().liveCount(), 0u);
}

TEST_F(HostTest, ComponentCommandWithoutSubscriberGoesToTheHostSide) {
    FakeComponent component;
    component.subscriptions = {{Kind::Event, 3}};
    int status = 0;
    tvk::IReply* reply = reinterpret_cast<tvk::IReply*>(&status);  // must be reset
    component.react = [&](const tvk::IMessage&) -> const tvk::IMessage* {
        tvk::ICommandDispatcher& commands = host.commandDispatcher();
        tvk::IMessage* message = commands.createMessage(99, 0, nullptr, "fake");
        status = commands.send(&message, &reply, 0);
        commands.releaseMessage(&reply);
        commands.releaseMessage(&message);
        return nullptr;
    };
    start(component);
    EXPECT_EQ(host.sendEvent(3, nullptr, 0), tvkhost::kOk);
    EXPECT_EQ(status, tvkhost::kNoSubscriber);
    EXPECT_EQ(reply, nullptr);
    const auto seen = side.take();
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].type, Delivery::Type::Command);
    EXPECT_EQ(seen[0].id, 99);
    EXPECT_EQ(host.store().liveCount(), 0u);
}

TEST_F(HostTest, SentEventIsDeliveredBeforeSendReturnsOnTheCallingThread) {
    FakeComponent component;
    component.subscriptions = {{Kind::Event, 5}};
    start(component);
    const unsigned char payload[] = {4};
    EXPECT_EQ(host.sendEvent(5, payload, 1), tvkhost::kOk);
    const auto received = component.takeReceived();
    ASSERT_EQ(received.size(), 1u);
    EXPECT_EQ(received[0].type, tvk::kEventType);
    EXPECT_EQ(received[0].thread, std::this_thread::get_id());
}

TEST_F(HostTest, PostedEventsArriveInOrderOnTheDeliveryThread) {
    FakeComponent component;
    component.subscriptions = {{Kind::Event, 6}};
    start(component);
    for (unsigned char i = 0; i < 20; ++i)
        ASSERT_EQ(host.postEvent(6, &i, 1), tvkhost::kOk);
    ASSERT_TRUE(host.drain(10s));
    const auto received = component.takeReceived();
    ASSERT_EQ(received.size(), 20u);
    for (unsigned char i = 0; i < 20; ++i) {
        EXPECT_EQ(received[i].data, std::vector<unsigned char>{i});
        EXPECT_EQ(received[i].thread, host.eventDispatcher().deliveryThreadId());
    }
    EXPECT_NE(host.eventDispatcher().deliveryThreadId(), std::this_thread::get_id());
    EXPECT_EQ(host.store().liveCount(), 0u);
}

TEST_F(HostTest, UnsubscribedComponentEventsReachTheHostSideWhileTheirPayloadLives) {
    FakeComponent component;
    component.subscriptions = {{Kind::Event, 8}};
    component.react = [&](const tvk::IMessage&) -> const tvk::IMessage* {
        tvk::IEventDispatcher& events = host.eventDispatcher();
        const unsigned char bytes[] = {1, 0, 0, 0};
        tvk::IMessage* sent = events.createMessage(0x100, 4, bytes, "fake");
        events.send(&sent, 9);
        EXPECT_EQ(sent, nullptr);  // the dispatcher took it
        tvk::IMessage* posted = events.createMessage(0x101, 0, nullptr, "fake");
        events.post(&posted);
        EXPECT_EQ(posted, nullptr);
        return nullptr;
    };
    start(component);
    host.sendEvent(8, nullptr, 0);
    ASSERT_TRUE(host.drain(10s));
    const auto seen = side.take();
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0].id, 0x100);
    EXPECT_FALSE(seen[0].posted);
    EXPECT_EQ(seen[0].data, (std::vector<unsigned char>{1, 0, 0, 0}));
    EXPECT_TRUE(seen[0].fromComponent);
    EXPECT_EQ(seen[1].id, 0x101);
    EXPECT_TRUE(seen[1].posted);
    EXPECT_EQ(host.store().liveCount(), 0u);
}

TEST_F(HostTest, HandlerExceptionBecomesAStatus) {
    FakeComponent component;
    component.subscriptions = {{Kind::Command, 9}};
    component.react = [](const tvk::IMessage&) -> const tvk::IMessage* {
        throw std::runtime_error("boom");
    };
    start(component);
    EXPECT_EQ(host.sendCommand(9, nullptr, 0).status, tvkhost::kHandlerFailed);
    EXPECT_EQ(host.store().liveCount(), 0u);
}

TEST_F(HostTest, MessageLoopIsCutOff) {
    FakeComponent component;
    component.subscriptions = {{Kind::Event, 10}};
    component.react = [&](const tvk::IMessage& message) -> const tvk::IMessage* {
        tvk::IMessage* again =
            host.eventDispatcher().createMessage(message.getId(), 0, nullptr, "fake");
        host.eventDispatcher().send(&again, 9);
        return nullptr;
    };
    start(component);
    host.sendEvent(10, nullptr, 0);
    EXPECT_EQ(component.handled.load(), tvkhost::Router::kMaxNesting);
    EXPECT_EQ(host.store().liveCount(), 0u);
}

TEST_F(HostTest, ShutdownDestroysComponentsAndRefusesLaterPosts) {
    FakeComponent component;
    component.subscriptions = {{Kind::Event, 11}};
    start(component);
    const int deletedBefore = FakeRecord::deleted;
    host.shutdown();
    EXPECT_EQ(FakeRecord::deleted, deletedBefore + 1);
    EXPECT_FALSE(host.hasSubscriber(Kind::Event, 11));
    EXPECT_TRUE(host.components().empty());
    tvk::IMessage* late = host.eventDispatcher().createMessage(11, 0, nullptr, "x");
    EXPECT_EQ(host.eventDispatcher().post(&late), tvkhost::kRejected);
    EXPECT_EQ(host.store().liveCount(), 0u);
    host.shutdown();  // twice is harmless
}

TEST_F(HostTest, ShutdownWaitsForTheDeliveryInProgress) {
    FakeComponent component;
    component.subscriptions = {{Kind::Event, 12}};
    component.delay = 200ms;
    start(component);
    host.postEvent(12, nullptr, 0);
    host.postEvent(12, nullptr, 0);
    // Let the first delivery begin, then stop: it finishes, the second is dropped.
    const auto deadline = std::chrono::steady_clock::now() + 10s;
    while (component.entered.load() == 0 && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(1ms);
    }
    ASSERT_EQ(component.entered.load(), 1);
    host.shutdown();
    EXPECT_EQ(component.handled.load(), 1);
    EXPECT_EQ(host.store().liveCount(), 0u);
}

TEST_F(HostTest, FailingCreatorIsReported) {
    tvk::ComponentInfo record = FakeRecord::make("broken");
    record.creator = [] { return static_cast<void*>(nullptr); };
    std::string error;
    EXPECT_FALSE(host.addComponent(record, error));
    EXPECT_NE(error.find("broken"), std::string::npos);
    EXPECT_NE(error.find("creator returned null"), std::string::npos);
}

TEST(HostLoad, MissingFileOrNotAPluginIsReported) {
    Host host;
    std::string error;
    EXPECT_FALSE(host.load("/nonexistent/libnothing.so", error));
    EXPECT_EQ(error, "plugin not found: /nonexistent/libnothing.so");
    EXPECT_FALSE(host.load(TVKHOST_NOT_A_PLUGIN, error));
    EXPECT_NE(error.find("not a plugin"), std::string::npos) << error;
}

}  // namespace

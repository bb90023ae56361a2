// What a plugin and a person rely on of the host: delivery, replies, shutdown and loading.
#include "tvkhost/host.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "testsupport.h"

namespace {

using namespace std::chrono_literals;
using ocsm_test::Bytes;

Bytes payloadOf(const void* data, int size) {
    return Bytes(static_cast<const unsigned char*>(data),
                 static_cast<const unsigned char*>(data) + size);
}

// A host with one component in it, which subscribes to command and event 5 when started, writes
// down each payload and the thread it came on, and answers with the same payload.
struct HostWithComponent final : tvk::IMessageHandler {
    HostWithComponent() {
        std::string error;
        EXPECT_TRUE(host.addComponent(record, error)) << error;
    }
    ~HostWithComponent() { host.shutdown(); }  // while the component and its record exist

    const tvk::IMessage* handleMessage(const tvk::IMessage* message) override {
        if (static_cast<unsigned int>(message->getId()) == tvk::kInitMessageId) {
            commands->subscribe(5, "component");
            events->subscribe(5, "component");
            return nullptr;
        }
        ++entered;
        std::this_thread::sleep_for(delay);
        // Only one delivery runs at a time in these tests.
        received.push_back(
            {payloadOf(message->getData(), message->getDataSize()), std::this_thread::get_id()});
        return center->createMessage(5, "component", message->getDataSize(), message->getData(), 0);
    }

    tvkhost::Host host;
    tvk::IMessageCenter* center =
        static_cast<tvk::IMessageCenter*>(host.getService(tvk::kMessageCenterService));
    tvk::ICommandDispatcher* commands =
        static_cast<tvk::ICommandDispatcher*>(host.getService(tvk::kCommandDispatcherService));
    tvk::IEventDispatcher* events =
        static_cast<tvk::IEventDispatcher*>(host.getService(tvk::kEventDispatcherService));
    std::vector<std::pair<Bytes, std::thread::id>> received;
    std::atomic<int> entered{0};
    std::chrono::milliseconds delay{0};
    int destroyed = 0;
    const tvk::ComponentInfo record{
        [this] { return static_cast<void*>(this); }, [this](void*) { ++destroyed; },
        [this](void*) { return static_cast<tvk::IMessageHandler*>(this); }, "test", "{}"};
};

TEST(Host, MessagesReachTheSubscriberInOrderOnTheThreadTheirKindPromises) {
    enum How { kSendCommand, kSendEvent, kPostEvent };
    for (const How how : {kSendCommand, kSendEvent, kPostEvent}) {
        SCOPED_TRACE(how);
        HostWithComponent fixture;
        for (unsigned char i = 0; i < 20; ++i) {
            if (how == kSendCommand) {
                tvk::IMessage* command = fixture.commands->createMessage(5, 1, &i, "test");
                tvk::IReply* reply = nullptr;
                EXPECT_EQ(fixture.commands->send(&command, &reply, 0), tvkhost::kOk);
                ASSERT_NE(reply, nullptr);
                EXPECT_EQ(payloadOf(reply->getData(), reply->getDataSize()), Bytes{i});
                fixture.commands->releaseMessage(&reply);
                fixture.commands->releaseMessage(&command);
            } else {
                tvk::IMessage* event = fixture.events->createMessage(5, 1, &i, "test");
                EXPECT_EQ(how == kPostEvent ? fixture.events->post(&event)
                                            : fixture.events->send(&event, 0),
                          tvkhost::kOk);
                EXPECT_EQ(event, nullptr);  // the dispatcher took it
            }
            // A sent message is delivered before send returns; a posted one later, with the payload
            // as it was when the message was made (i has moved on by then).
            if (how != kPostEvent) {
                EXPECT_EQ(fixture.received.size(), i + 1u);
            }
        }
        ASSERT_TRUE(fixture.host.drain(20s));
        ASSERT_EQ(fixture.received.size(), 20u);
        const std::thread::id thread = fixture.received[0].second;
        EXPECT_EQ(thread == std::this_thread::get_id(), how != kPostEvent);
        for (unsigned char i = 0; i < 20; ++i)
            EXPECT_EQ(fixture.received[i], std::make_pair(Bytes{i}, thread));
        EXPECT_EQ(fixture.host.store().liveCount(), 0u);  // answers to events are freed too
    }
}

TEST(Host, ShutdownWaitsForTheDeliveryInProgressDestroysComponentsAndRefusesLaterPosts) {
    HostWithComponent fixture;
    fixture.delay = 100ms;  // long enough for shutdown to begin during the delivery
    ASSERT_EQ(fixture.host.postEvent(5, nullptr, 0), tvkhost::kOk);
    for (const auto end = std::chrono::steady_clock::now() + 20s;
         fixture.entered == 0 && std::chrono::steady_clock::now() < end;)
        std::this_thread::sleep_for(1ms);
    fixture.host.shutdown();
    EXPECT_EQ(fixture.received.size(), 1u);
    EXPECT_EQ(fixture.destroyed, 1);
    EXPECT_EQ(fixture.host.postEvent(5, nullptr, 0), tvkhost::kRejected);
    EXPECT_EQ(fixture.entered, 1);
    EXPECT_EQ(fixture.host.store().liveCount(), 0u);
}

TEST(Host, LoadingAMissingFileOrALibraryThatIsNotAPluginIsReported) {
    const std::pair<std::string, std::string> cases[] = {
        {"/nonexistent/libnothing.so", "plugin not found: /nonexistent/libnothing.so"},
        {TVKHOST_NOT_A_PLUGIN, "not a plugin (pluginfo missing): " TVKHOST_NOT_A_PLUGIN}};
    for (const auto& [path, reason] : cases) {
        tvkhost::Host host;
        std::string error;
        EXPECT_FALSE(host.load(path, error));
        EXPECT_EQ(error, reason);
    }
}

}  // namespace

// A host written from the interface table alone, sharing no code with
// tvkhost: it loads the plugin, starts its component, and sees the same
// subscriptions, events and replies against controller-sim.
#include <dlfcn.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "expected.h"
#include "host/tvk.h"
#include "simulator.h"

namespace {

using ::testing::ElementsAre;
using ::testing::Pair;

constexpr char kToken[] = "minimal-host-token";

class Message final : public tvk::IMessage, public tvk::IReply {
public:
    Message(unsigned int type, int id, const void* data, int size)
        : type_(type),
          id_(id),
          bytes_(static_cast<const unsigned char*>(data),
                 static_cast<const unsigned char*>(data) + size) {}
    void messageSlot0() override {}
    void messageSlot1() override {}
    void replySlot0() override {}
    unsigned int getType() const override { return type_; }
    int getId() const override { return id_; }
    int getDataSize() const override { return static_cast<int>(bytes_.size()); }
    const void* getData() const override { return bytes_.data(); }

    const std::vector<unsigned char>& bytes() const { return bytes_; }

private:
    unsigned int type_;
    int id_;
    std::vector<unsigned char> bytes_;
};

// Every service in one object: records subscriptions and the events the
// component sends; there is no other component to deliver to.
class MinimalHost : public tvk::IHost,
                    public tvk::IMessageCenter,
                    public tvk::ICommandDispatcher,
                    public tvk::IEventDispatcher {
public:
    void hostSlot0() override {}
    void hostSlot1() override {}
    void hostSlot2() override {}
    void* getService(const char* name) override {
        const std::string service = name;
        if (service == "tvk_default_messagecenter") return static_cast<tvk::IMessageCenter*>(this);
        if (service == "commanddispatcher") return static_cast<tvk::ICommandDispatcher*>(this);
        if (service == "eventdispatcher") return static_cast<tvk::IEventDispatcher*>(this);
        return nullptr;
    }

    tvk::IMessage* createMessage(int id, const char*, int size, const void* data, int) override {
        return new Message(0xF0000001u, id, data, size);
    }
    tvk::IMessage* createMessage(int id, int size, const void* data, const char*) override {
        return new Message(0xF0000002u, id, data, size);
    }
    void releaseMessage(void* pointerAddress) override {
        auto** message = static_cast<tvk::IMessage**>(pointerAddress);
        delete static_cast<Message*>(*message);
        *message = nullptr;
    }
    int send(tvk::IMessage**, tvk::IReply** reply, int) override {
        *reply = nullptr;
        return -1;  // nobody else to deliver a command to
    }
    void commandSlot3() override {}
    void eventSlot1() override {}
    void eventSlot3() override {}
    int post(tvk::IMessage** message) override { return keep(message); }
    int send(tvk::IMessage** message, int) override { return keep(message); }
    int subscribe(int id, const std::string& component) override {
        subscriptions.emplace_back(static_cast<unsigned int>(id), component);
        return 0;
    }

    std::vector<std::pair<unsigned int, std::string>> subscriptions;
    std::vector<std::pair<unsigned int, std::vector<unsigned char>>> events;

private:
    int keep(tvk::IMessage** message) {
        auto* owned = static_cast<Message*>(*message);
        events.emplace_back(static_cast<unsigned int>(owned->getId()), owned->bytes());
        delete owned;
        return 0;
    }
};

TEST(MinimalHostE2E, SeesTheSameSubscriptionsEventsAndReplies) {
    ocsm_test::Simulator simulator(kToken);
    ASSERT_FALSE(simulator.url().empty());
    setenv("RESTLINK_BASE_URL", simulator.url().c_str(), 1);
    setenv("RESTLINK_TOKEN", kToken, 1);

    void* library = dlopen(OCSM_PLUGIN_PATH, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(library, nullptr) << dlerror();
    auto pluginit = reinterpret_cast<void (*)(tvk::IHost*)>(dlsym(library, "pluginit"));
    auto pluginfo = reinterpret_cast<PluginInfo* (*)()>(dlsym(library, "pluginfo"));
    ASSERT_TRUE(pluginit && pluginfo);

    MinimalHost host;
    pluginit(&host);
    tvk::ComponentInfo* info = pluginfo()->components[0];
    ASSERT_NE(info, nullptr);
    EXPECT_EQ(pluginfo()->components[1], nullptr);
    void* object = info->creator();
    tvk::IMessageHandler* handler = info->getMessageHandler(object);

    const Message init(0xF0000001u, static_cast<int>(0xFFFF0000u), nullptr, 0);
    EXPECT_EQ(handler->handleMessage(&init), nullptr);
    const std::string name = "outputcolorspacemodel";
    EXPECT_THAT(host.subscriptions, ElementsAre(Pair(0xFC050201u, name), Pair(0xFC050205u, name),
                                                Pair(0xFC050205u, name), Pair(0xFC050206u, name),
                                                Pair(0x00071107u, name)));

    const auto expected = ocsm_test::firstRegularScreen();
    const Message get(0xF0000002u, static_cast<int>(0xFC050206u), nullptr, 0);
    EXPECT_EQ(handler->handleMessage(&get), nullptr);
    ASSERT_EQ(host.events.size(), 1u);
    EXPECT_EQ(host.events[0].first, 0xFC070204u);
    std::vector<unsigned char> colorSpace(8);
    std::memcpy(colorSpace.data(), &expected.screenId, 4);
    std::memcpy(colorSpace.data() + 4, &expected.preset, 4);
    EXPECT_EQ(host.events[0].second, colorSpace);

    const Message interfaceInfo(0xF0000001u, static_cast<int>(0xFC050201u), nullptr, 0);
    const tvk::IMessage* reply = handler->handleMessage(&interfaceInfo);
    ASSERT_NE(reply, nullptr);
    EXPECT_EQ(static_cast<unsigned int>(reply->getId()), 0xFC050201u);
    ASSERT_EQ(reply->getDataSize(), 108);
    int interfaceId = 0;
    std::memcpy(&interfaceId, reply->getData(), 4);
    EXPECT_EQ(interfaceId, expected.firstOutput.interfaceId);
    delete static_cast<const Message*>(reply);

    info->deletor(object);
    dlclose(library);
    EXPECT_EQ(simulator.stop(), 0);
}

}  // namespace

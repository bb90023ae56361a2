// Loads the built plugin the way a host does and checks what it offers.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "host/tvk.h"
#include "qtcapture.h"
#include "tvkhost/host.h"
#include "tvkhost/pluginloader.h"

namespace {

const char kPlugin[] = OCSM_PLUGIN_PATH;

TEST(PluginEntryPoints, InformationAndComponentTableAreExact) {
    tvkhost::PluginLoader loader;
    std::string error;
    ASSERT_TRUE(loader.open(kPlugin, error)) << error;
    const PluginInfo* info = loader.pluginfo()();
    ASSERT_NE(info, nullptr);
    EXPECT_EQ(info, loader.pluginfo()());

    EXPECT_STREQ(info->apiVersion, "0.1");
    EXPECT_STREQ(info->name, "outputcolorspacemodel");
    EXPECT_STREQ(info->version, "0.1.0");
    // 52 characters, a blank before the closing brace and no line end.
    EXPECT_EQ(std::string(info->desc),
              "{\"desc\":\"output color space model plugin!\",\"end\":0 }");

    tvk::ComponentInfo** table = info->components;
    ASSERT_NE(table, nullptr);
    ASSERT_NE(table[0], nullptr);
    EXPECT_EQ(table[1], nullptr);
    const tvk::ComponentInfo& record = *table[0];
    EXPECT_STREQ(record.id, "orvex.lcd.model.output.colorspace");
    EXPECT_EQ(std::string(record.desc), "{\"end\":0 }\r\n");  // 12 characters
    EXPECT_TRUE(record.creator && record.deletor && record.getMessageHandler);
}

TEST(PluginEntryPoints, ComponentCreatedBeforePluginitRunsWithoutServices) {
    tvkhost::PluginLoader loader;
    std::string error;
    ASSERT_TRUE(loader.open(kPlugin, error)) << error;
    // The library may still be loaded from an earlier test that stored a
    // host; start from "no host yet" explicitly.
    loader.pluginit()(nullptr);
    const tvk::ComponentInfo& record = *loader.pluginfo()()->components[0];

    ocsm_test::QtLogCapture capture;
    void* object = record.creator();
    ASSERT_NE(object, nullptr);
    tvk::IMessageHandler* handler = record.getMessageHandler(object);
    EXPECT_EQ(static_cast<void*>(handler), object);

    struct Init final : tvk::IMessage {
        void messageSlot0() override {}
        void messageSlot1() override {}
        unsigned int getType() const override { return tvk::kCommandType; }
        int getId() const override { return static_cast<int>(tvk::kInitMessageId); }
        int getDataSize() const override { return 0; }
        const void* getData() const override { return nullptr; }
    } init;
    EXPECT_EQ(handler->handleMessage(&init), nullptr);
    const auto lines = capture.taken();
    ASSERT_EQ(lines.size(), 5u);
    for (const auto& line : lines) {
        EXPECT_EQ(line.file, "outputcolorspacemodel");
        EXPECT_EQ(line.category, "default");
    }
    record.deletor(nullptr);
    record.deletor(object);
}

TEST(PluginInHost, ComponentSubscribesItsFiveIdentifiersInOrder) {
    tvkhost::Host host;
    std::string error;
    ASSERT_TRUE(host.load(kPlugin, error)) << error;
    const auto components = host.components();
    ASSERT_EQ(components.size(), 1u);
    EXPECT_EQ(components[0].id, "orvex.lcd.model.output.colorspace");
    EXPECT_EQ(components[0].names, std::vector<std::string>{"outputcolorspacemodel"});

    using tvkhost::Kind;
    const std::vector<std::pair<Kind, unsigned int>> expected = {
        {Kind::Command, 0xFC050201u}, {Kind::Event, 0xFC050205u}, {Kind::Command, 0xFC050205u},
        {Kind::Event, 0xFC050206u},   {Kind::Event, 0x00071107u},
    };
    const auto& subscriptions = components[0].subscriptions;
    ASSERT_EQ(subscriptions.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(subscriptions[i].kind, expected[i].first) << i;
        EXPECT_EQ(static_cast<unsigned int>(subscriptions[i].id), expected[i].second) << i;
        EXPECT_EQ(subscriptions[i].component, "outputcolorspacemodel") << i;
    }
    EXPECT_TRUE(host.hasSubscriber(Kind::Command, static_cast<int>(0xFC050205u)));
    EXPECT_FALSE(host.hasSubscriber(Kind::Command, static_cast<int>(0xFC050206u)));
    host.shutdown();
    EXPECT_EQ(host.store().liveCount(), 0u);
}

}  // namespace

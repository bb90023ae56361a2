#include "outputcolorspacemodel/outputcolorspacemodel.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <set>
#include <string>

#include "qtcapture.h"
#include "slotlayout.h"
#include "tvkmocks.h"

namespace {

using ocsm_test::ServicesFixtureHost;
using ::testing::InSequence;
using ::testing::Return;

int asInt(std::uint32_t id) {
    return static_cast<int>(id);
}

class ModelProbe : public ColorSpace::OutputColorSpaceModel {
public:
    using MessageHandler::commands;
    using MessageHandler::events;
    using MessageHandler::name;

    static std::set<std::uint32_t> keys(
        const std::unordered_map<int, LCD::Message::MessageCallback>& table) {
        std::set<std::uint32_t> result;
        for (const auto& entry : table) {
            if (entry.second) result.insert(static_cast<std::uint32_t>(entry.first));
        }
        return result;
    }
};

void expectFiveSubscriptionsInOrder(ServicesFixtureHost& services) {
    InSequence order;
    EXPECT_CALL(services.commands, subscribe(asInt(0xFC050201u), "outputcolorspacemodel"))
        .WillOnce(Return(0));
    EXPECT_CALL(services.events, subscribe(asInt(0xFC050205u), "outputcolorspacemodel"))
        .WillOnce(Return(0));
    EXPECT_CALL(services.commands, subscribe(asInt(0xFC050205u), "outputcolorspacemodel"))
        .WillOnce(Return(0));
    EXPECT_CALL(services.events, subscribe(asInt(0xFC050206u), "outputcolorspacemodel"))
        .WillOnce(Return(0));
    EXPECT_CALL(services.events, subscribe(asInt(0x00071107u), "outputcolorspacemodel"))
        .WillOnce(Return(0));
}

TEST(OutputColorSpaceModel, NamesItselfAndAddsNoVirtualOperation) {
    struct PlusOne : ColorSpace::OutputColorSpaceModel {
        virtual void next() = 0;
    };
    EXPECT_EQ(ocsm_test::vtableSlot(&PlusOne::next), 5);
    ServicesFixtureHost services;  // strict dispatchers: no call expected before initialisation
    ModelProbe model;
    EXPECT_EQ(model.name, "outputcolorspacemodel");
    EXPECT_TRUE(model.commands.empty() && model.events.empty());
}

TEST(OutputColorSpaceModel, EachInitialisationMakesTheFiveRegistrationsInOrder) {
    ServicesFixtureHost services;
    InSequence bothRounds;  // the helper's own sequence joins this one
    expectFiveSubscriptionsInOrder(services);
    expectFiveSubscriptionsInOrder(services);
    ModelProbe model;
    ocsm_test::FakeMessage init = ocsm_test::command(0xFFFF0000u);
    for (int round = 0; round < 2; ++round) {
        EXPECT_EQ(model.handleMessage(&init), nullptr);
        EXPECT_EQ(ModelProbe::keys(model.commands),
                  (std::set<std::uint32_t>{0xFC050201u, 0xFC050205u}));
        EXPECT_EQ(ModelProbe::keys(model.events),
                  (std::set<std::uint32_t>{0xFC050205u, 0xFC050206u, 0x00071107u}));
    }
}

TEST(OutputColorSpaceModel, WithoutHostServicesInitialisesWithWarningsOnly) {
    tvk::api::get().host = nullptr;
    ocsm_test::QtLogCapture capture;
    ModelProbe model;
    ocsm_test::FakeMessage init = ocsm_test::command(0xFFFF0000u);
    EXPECT_EQ(model.handleMessage(&init), nullptr);

    const auto lines = capture.taken();
    ASSERT_EQ(lines.size(), 5u);
    const char* services[] = {"commanddispatcher", "eventdispatcher", "commanddispatcher",
                              "eventdispatcher", "eventdispatcher"};
    for (std::size_t i = 0; i < lines.size(); ++i) {
        EXPECT_THAT(lines[i].text, ::testing::HasSubstr(services[i])) << i;
        EXPECT_EQ(lines[i].category, "default");
    }
    EXPECT_EQ(model.commands.size(), 2u);
    EXPECT_EQ(model.events.size(), 3u);
}

}  // namespace

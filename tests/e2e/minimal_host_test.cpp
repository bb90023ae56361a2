// The built plugin in a host that shares no code with tvkhost (the recording host of the tests),
// with the real restlink against controller-sim: the same events and replies come back.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "controllersim.h"
#include "recordinghost.h"

namespace {

using namespace ocsm_test;

TEST(MinimalHost, GetColorSpaceAndInterfaceInfoAgainstTheController) {
    ControllerSimProcess simulator("minimal-host-token");
    ASSERT_FALSE(simulator.url().empty());
    setenv("RESTLINK_BASE_URL", simulator.url().c_str(), 1);
    setenv("RESTLINK_TOKEN", "minimal-host-token", 1);

    void* library = dlopen(OCSM_PLUGIN_PATH, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(library, nullptr) << dlerror();
    const auto pluginit = reinterpret_cast<void (*)(tvk::IHost*)>(dlsym(library, "pluginit"));
    const auto pluginfo = reinterpret_cast<PluginInfo* (*)()>(dlsym(library, "pluginfo"));
    ASSERT_TRUE(pluginit && pluginfo);
    RecordingHost host;
    pluginit(host.host());
    tvk::ComponentInfo* info = pluginfo()->components[0];
    void* object = info->creator();
    tvk::IMessageHandler* handler = info->getMessageHandler(object);

    const auto first = firstRegularScreen();
    for (const Message& message : {command(tvk::kInitMessageId), event(0xFC050206u)})
        EXPECT_EQ(handler->handleMessage(&message), nullptr);
    const Message interfaceInfo = command(0xFC050201u);
    const tvk::IMessage* reply = handler->handleMessage(&interfaceInfo);
    ASSERT_NE(reply, nullptr);
    EXPECT_EQ(reply->getDataSize(), 108);

    const auto sent = host.sent();
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_EQ(sent[0], (Sent{"send 9", 0xFC070204u, "outputcolorspacemodel",
                             le32({first.screenId, first.preset})}));
    EXPECT_EQ(sent[1].how + " " + std::to_string(sent[1].bytes.size()), "reply 0 108");
    EXPECT_EQ(le32At(sent[1].bytes, 0), first.interfaceId);
    EXPECT_EQ(reinterpret_cast<const char*>(sent[1].bytes.data() + 41), first.interfaceName);

    info->deletor(object);
    dlclose(library);
    EXPECT_EQ(simulator.stop(), 0);
}

}  // namespace

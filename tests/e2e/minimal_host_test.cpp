// The built plugin loaded by a host that shares no code with tvkhost (the recording host of the
// tests): its information record and component table, and a component that subscribes and, with
// the real restlink against controller-sim serving a newer controller's indented answers, hands
// the host the payload bytes other firmware reads.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "controllersim.h"
#include "recordinghost.h"

namespace {

using namespace ocsm_test;

TEST(MinimalHost, LoadsThePluginAndGetsItsAnswersFromTheController) {
    ControllerSimProcess simulator(
        "minimal-host-token",
        {"--fixture", std::string(OCSM_DATA_DIR) + "/fixture-newer-controller.json", "--pretty"});
    ASSERT_FALSE(simulator.url().empty());
    setenv("RESTLINK_BASE_URL", simulator.url().c_str(), 1);
    setenv("RESTLINK_TOKEN", "minimal-host-token", 1);

    void* library = dlopen(OCSM_PLUGIN_PATH, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(library, nullptr) << dlerror();
    const auto pluginit = reinterpret_cast<void (*)(tvk::IHost*)>(dlsym(library, "pluginit"));
    const auto pluginfo = reinterpret_cast<PluginInfo* (*)()>(dlsym(library, "pluginfo"));
    ASSERT_TRUE(pluginit && pluginfo);
    const PluginInfo* info = pluginfo();
    ASSERT_EQ(info, pluginfo());
    EXPECT_STREQ(info->apiVersion, "0.1");
    EXPECT_STREQ(info->name, "outputcolorspacemodel");
    EXPECT_STREQ(info->version, "0.1.0");
    EXPECT_STREQ(info->desc, "{\"desc\":\"output color space model plugin!\",\"end\":0 }");
    ASSERT_NE(info->components[0], nullptr);
    EXPECT_EQ(info->components[1], nullptr);
    const tvk::ComponentInfo& component = *info->components[0];
    EXPECT_STREQ(component.id, "orvex.lcd.model.output.colorspace");
    EXPECT_STREQ(component.desc, "{\"end\":0 }\r\n");

    RecordingHost host;
    pluginit(host.host());
    void* object = component.creator();
    tvk::IMessageHandler* handler = component.getMessageHandler(object);
    for (const Message& message : {command(tvk::kInitMessageId), event(0xFC050206u)})
        EXPECT_EQ(handler->handleMessage(&message), nullptr);
    EXPECT_EQ(host.calls().size(), 5u);  // the component found the dispatchers and subscribed
    const Message interfaceInfo = command(0xFC050201u);
    const tvk::IMessage* reply = handler->handleMessage(&interfaceInfo);
    ASSERT_NE(reply, nullptr);
    EXPECT_EQ(reply->getId(), int(0xFC050201u));

    // Interface 2049 on slot 8, connector 1; capacity 4, connector type 9, work mode 3; its
    // 62-byte name with the zero after it, every other byte zero.
    const std::string name = "输出 8-1 大厅主屏幕左半区 HDMI 2.1 光纤延长 A-01";
    Bytes interface = le32({2049, 0, 0, 8, 1, 4, 9, 0, 3});
    interface.resize(41);
    interface.insert(interface.end(), name.begin(), name.end());
    interface.resize(108);
    EXPECT_EQ(host.sent(),
              (std::vector<Sent>{{"send 9", 0xFC070204u, "outputcolorspacemodel", le32({12, 1})},
                                 {"reply 0", 0xFC050201u, "outputcolorspacemodel", interface}}));

    component.deletor(nullptr);
    component.deletor(object);
    dlclose(library);
    EXPECT_EQ(simulator.stop(), 0);
}

}  // namespace

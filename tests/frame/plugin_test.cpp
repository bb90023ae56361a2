// The built plugin loaded the way a host loads it: its information record, its component table,
// and a component created through the table that finds the host pluginit handed over.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <string>

#include "host/tvk.h"
#include "recordinghost.h"

namespace {

TEST(PluginEntryPoints, InformationComponentTableAndCreation) {
    void* library = dlopen(OCSM_PLUGIN_PATH, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(library, nullptr) << dlerror();
    const auto pluginfo = reinterpret_cast<PluginInfo* (*)()>(dlsym(library, "pluginfo"));
    const auto pluginit = reinterpret_cast<void (*)(tvk::IHost*)>(dlsym(library, "pluginit"));
    ASSERT_TRUE(pluginfo && pluginit);

    const PluginInfo* info = pluginfo();
    ASSERT_EQ(info, pluginfo());
    EXPECT_STREQ(info->apiVersion, "0.1");
    EXPECT_STREQ(info->name, "outputcolorspacemodel");
    EXPECT_STREQ(info->version, "0.1.0");
    EXPECT_STREQ(info->desc, "{\"desc\":\"output color space model plugin!\",\"end\":0 }");
    ASSERT_NE(info->components[0], nullptr);
    EXPECT_EQ(info->components[1], nullptr);
    const tvk::ComponentInfo& record = *info->components[0];
    EXPECT_STREQ(record.id, "orvex.lcd.model.output.colorspace");
    EXPECT_STREQ(record.desc, "{\"end\":0 }\r\n");

    ocsm_test::RecordingHost host;
    pluginit(host.host());
    void* object = record.creator();
    ASSERT_NE(object, nullptr);
    const ocsm_test::Message init = ocsm_test::command(tvk::kInitMessageId);
    EXPECT_EQ(record.getMessageHandler(object)->handleMessage(&init), nullptr);
    EXPECT_EQ(host.calls().size(), 5u);  // the component found the host's dispatchers
    record.deletor(nullptr);
    record.deletor(object);
    pluginit(nullptr);
    dlclose(library);
}

}  // namespace

// The built plugin in a recording host against controller-sim answering with each of its faults
// (e2e/faults.tsv): per fault and per handler that asks the controller, the warnings, what the host
// is handed, that the handler returns within the library's time-out, and that the next exchange
// without the fault works again.
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <httplib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "controller/httplibtsan.h"
#include "controller/simroutes.h"
#include "controllersim.h"
#include "qtlog.h"
#include "recordinghost.h"

namespace {

using namespace ocsm_test;

const char kToken[] = "faults-token";
// Shorter than the 4 s the slow fault takes over the colour space answer, and long enough for a
// 64 MiB answer on a busy machine.
const int kTimeoutMs = 3000;
// Slower builds (sanitizers, the emulator) and runs (memcheck sets OCSM_TEST_SLOWDOWN) get more
// room beside the time-out for two 64 MiB answers and their decoding.
const int kSlowdown = std::getenv("OCSM_TEST_SLOWDOWN")
                          ? std::atoi(std::getenv("OCSM_TEST_SLOWDOWN"))
                          : OCSM_SLOWDOWN;
const int kBoundMs = kTimeoutMs + 1200 * kSlowdown;

// What the host was handed: "-" for nothing, "=" for the same as without a fault, else the message
// as "post 0xFC070203 0" (with a one-byte payload) or "reply 0 0xFC050201 name NAME" (interface
// info); the colour space event's bytes are the minimal host test's.
std::string handed(const std::vector<Sent>& sent, const std::vector<Sent>& normal) {
    if (sent.empty() || sent == normal) return sent.empty() ? "-" : "=";
    char id[16];
    std::snprintf(id, sizeof id, " 0x%08X", sent[0].id);
    const Bytes& b = sent[0].bytes;
    const std::string text = sent[0].how + id + (sent.size() > 1 ? " and more" : "");
    if (b.size() == 1) return text + " " + std::to_string(b[0]);
    // The interface's name is the field at byte 41.
    const auto name = b.begin() + 41;
    return b.size() != 108 ? text
                           : text + " name " + std::string(name, std::find(name, b.end(), 0));
}

TEST(Faults, HandlersWarnAndReturnInTimeOnEveryFaultAndWorkOnceItEnds) {
    if (dlopen("librestlink.so", RTLD_LAZY | RTLD_NOLOAD))
        GTEST_SKIP() << "restlink has its settings already; ctest runs each test on its own";
    ControllerSimProcess simulator(kToken);
    ASSERT_FALSE(simulator.url().empty());
    setenv("RESTLINK_BASE_URL", simulator.url().c_str(), 1);
    setenv("RESTLINK_TOKEN", kToken, 1);
    setenv("RESTLINK_TIMEOUT_MS", std::to_string(kTimeoutMs).c_str(), 1);
    void* library = dlopen(OCSM_PLUGIN_PATH, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(library, nullptr) << dlerror();
    RecordingHost host;
    reinterpret_cast<void (*)(tvk::IHost*)>(dlsym(library, "pluginit"))(host.host());
    const tvk::ComponentInfo& component =
        *reinterpret_cast<PluginInfo* (*)()>(dlsym(library, "pluginfo"))()->components[0];
    void* object = component.creator();
    tvk::IMessageHandler* handler = component.getMessageHandler(object);
    const Message init = command(tvk::kInitMessageId);
    handler->handleMessage(&init);

    // Setting the colour space it has (the data folder's screen 1 has 2) keeps the controller as it
    // was for the rows after.
    const std::map<std::string, Message> messages = {{"get", event(0xFC050206u)},
                                                     {"set", command(0xFC050205u, le32({1, 2}))},
                                                     {"info", command(0xFC050201u)}};
    std::map<std::string, std::vector<Sent>> normal;
    QtLogCapture log;
    httplib::Client control(simulator.url());
    const auto select = [&](const std::string& fault) {
        const auto answer = control.Put(ControllerSim::kFaultPath, {{"Authorization", kToken}},
                                        fault, "text/plain");
        ASSERT_TRUE(answer && answer->status == 200) << fault;
    };
    // Handles the message afresh: what the host was handed, a tab, the warnings (- for none, |
    // between them); `took` gets how many milliseconds that took.
    const auto run = [&](const std::string& name, long& took) {
        host.clear();
        log.clear();
        const auto start = std::chrono::steady_clock::now();
        handler->handleMessage(&messages.at(name));
        took = long((std::chrono::steady_clock::now() - start) / std::chrono::milliseconds(1));
        std::string warnings;
        for (const std::string& text : log.texts())
            warnings += (warnings.empty() ? "" : " | ") + text;
        return handed(host.sent(), normal[name]) + "\t" + (warnings.empty() ? "-" : warnings);
    };
    long took = 0;
    for (const auto& c : readCases("e2e/faults.tsv")) {
        SCOPED_TRACE(c.at(0) + " " + c.at(1));
        select(c[0]);
        EXPECT_EQ(run(c[1], took), c.at(2) + "\t" + c.at(3));
        if (c[0] == "none") normal[c[1]] = host.sent();
        EXPECT_LT(took, kBoundMs);
        select("none");
        // What restlink says while making the next exchange: a line when it has to make it once
        // more on a new connection.
        testing::internal::CaptureStderr();
        EXPECT_EQ(run(c[1], took), "=\t-");
        const std::string said = testing::internal::GetCapturedStderr();
        EXPECT_EQ(said.empty() ? "-" : said, c.size() > 4 ? c[4] + "\n" : "-");
    }
    component.deletor(object);
    dlclose(library);
    EXPECT_EQ(simulator.stop(), 0);
}

}  // namespace

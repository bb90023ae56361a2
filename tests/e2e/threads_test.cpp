// Eight host threads at once through tvkhost's host, with the built plugin and the real restlink
// against controller-sim, while posted events leave from the host's delivery thread and the
// component is restarted now and then: every request is answered and every event accounted for.
// The ThreadSanitizer build runs it to find races.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <map>
#include <mutex>
#include <thread>
#include <vector>

#include "controllersim.h"
#include "testsupport.h"
#include "tvkhost/host.h"

namespace {

using Delivery = tvkhost::Delivery;

TEST(Threads, EightHostThreadsGetAnAnswerToEveryMessage) {
    ocsm_test::ControllerSimProcess simulator("threads-token");
    ASSERT_FALSE(simulator.url().empty());
    setenv("RESTLINK_BASE_URL", simulator.url().c_str(), 1);
    setenv("RESTLINK_TOKEN", "threads-token", 1);

    std::mutex mutex;
    std::map<std::pair<Delivery::Type, unsigned int>, int> seen;  // what reached the host side
    tvkhost::Host host([&](const Delivery& delivery) {
        std::lock_guard<std::mutex> lock(mutex);
        ++seen[{delivery.type, static_cast<unsigned int>(delivery.id)}];
    });
    std::string error;
    ASSERT_TRUE(host.load(OCSM_PLUGIN_PATH, error)) << error;

    const int rounds =
        std::getenv("OCSM_THREAD_ROUNDS") ? std::atoi(std::getenv("OCSM_THREAD_ROUNDS")) : 300;
    const std::string report = R"({"body":"[{\"screenId\":1,\"colorSpace\":{\"preset\":2}}]"})";
    // What went wrong, by step: restart, get event, set command, report event, info command.
    std::atomic<int> failures[5] = {};
    std::atomic<bool> done{false};
    std::thread restarts([&] {
        while (!done) {
            failures[0] += host.restartComponents() != tvkhost::kOk;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    });
    std::vector<std::thread> threads;
    for (int t = 0; t < 8; ++t) {
        threads.emplace_back([&, t] {
            for (int r = 0; r < rounds; ++r) {
                const ocsm_test::Bytes colorSpace = ocsm_test::le32({1, (t + r) % 4});
                failures[1] += host.sendEvent(0xFC050206u, nullptr, 0) != tvkhost::kOk;
                failures[2] +=
                    host.sendCommand(0xFC050205u, colorSpace.data(), 8).status != tvkhost::kOk;
                failures[3] += host.sendEvent(0x00071107u, report.c_str(),
                                              int(report.size()) + 1) != tvkhost::kOk;
                failures[4] += !host.sendCommand(0xFC050201u, nullptr, 0).replied;
            }
        });
    }
    for (std::thread& thread : threads)
        thread.join();
    done = true;
    restarts.join();
    ASSERT_TRUE(host.drain(std::chrono::seconds(60)));
    for (int step = 0; step < 5; ++step)
        EXPECT_EQ(failures[step], 0) << "step " << step;
    const int each = 8 * rounds;
    EXPECT_EQ(seen, (std::map<std::pair<Delivery::Type, unsigned int>, int>{
                        {{Delivery::Type::Event, 0xFC070204u}, each},
                        {{Delivery::Type::Event, 0xFC070203u}, each},
                        {{Delivery::Type::Event, 0xFC080204u}, each},
                        {{Delivery::Type::Reply, 0xFC050201u}, each}}));
    host.shutdown();
    EXPECT_EQ(simulator.stop(), 0);
}

}  // namespace

// A component for host tests: subscribes on initialisation and records what
// it receives, on which thread.
#ifndef OCSM_TESTS_HOST_FAKECOMPONENT_H
#define OCSM_TESTS_HOST_FAKECOMPONENT_H

#include <atomic>
#include <chrono>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "host/tvk.h"
#include "tvkhost/router.h"

namespace ocsm_test {

struct Received {
    unsigned int type;
    int id;
    std::vector<unsigned char> data;
    std::thread::id thread;
};

class FakeComponent : public tvk::IMessageHandler {
public:
    using Reaction = std::function<const tvk::IMessage*(const tvk::IMessage&)>;

    // Subscriptions made when the initialisation message arrives.
    std::vector<std::pair<tvkhost::Kind, int>> subscriptions;
    std::string name = "fake";
    Reaction react;  // runs for every non-initialisation message
    std::chrono::milliseconds delay{0};

    const tvk::IMessage* handleMessage(const tvk::IMessage* message) override {
        if (static_cast<unsigned int>(message->getId()) == tvk::kInitMessageId) {
            ++inits;
            auto* host = tvk::api::get().host;
            auto* commands = static_cast<tvk::ICommandDispatcher*>(
                host->getService(tvk::kCommandDispatcherService));
            auto* events =
                static_cast<tvk::IEventDispatcher*>(host->getService(tvk::kEventDispatcherService));
            for (const auto& entry : subscriptions) {
                subscribeResults.push_back(entry.first == tvkhost::Kind::Command
                                               ? commands->subscribe(entry.second, name)
                                               : events->subscribe(entry.second, name));
            }
            return nullptr;
        }
        ++entered;
        if (delay.count() > 0) std::this_thread::sleep_for(delay);
        {
            const auto* bytes = static_cast<const unsigned char*>(message->getData());
            std::lock_guard<std::mutex> lock(mutex);
            received.push_back(Received{
                message->getType(), message->getId(),
                std::vector<unsigned char>(bytes, bytes ? bytes + message->getDataSize() : bytes),
                std::this_thread::get_id()});
        }
        ++handled;
        return react ? react(*message) : nullptr;
    }

    std::vector<Received> takeReceived() {
        std::lock_guard<std::mutex> lock(mutex);
        return received;
    }

    std::atomic<int> inits{0};
    std::atomic<int> entered{0};
    std::atomic<int> handled{0};
    std::vector<int> subscribeResults;

private:
    std::mutex mutex;
    std::vector<Received> received;
};

// A component record whose creator hands out one prepared FakeComponent.
struct FakeRecord {
    static inline FakeComponent* next = nullptr;
    static inline int deleted = 0;
    static tvk::ComponentInfo make(const char* id) {
        return tvk::ComponentInfo{
            [] { return static_cast<void*>(next); },
            [](void* object) {
                if (object != nullptr) ++deleted;
            },
            [](void* object) {
                return static_cast<tvk::IMessageHandler*>(static_cast<FakeComponent*>(object));
            },
            id, "{}"};
    }
};

}  // namespace ocsm_test

#endif  // OCSM_TESTS_HOST_FAKECOMPONENT_H

// The event dispatcher service: events sent at once, or posted to the delivery thread.
#ifndef TVKHOST_EVENTDISPATCHER_H
#define TVKHOST_EVENTDISPATCHER_H

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <mutex>
#include <string>
#include <thread>

#include "host/tvk.h"
#include "tvkhost/messagestore.h"
#include "tvkhost/router.h"

namespace tvkhost {

// Delivers an event to every component that subscribed its identifier: a sent event before send
// returns, on the caller's thread; a posted event later, in posting order, on the dispatcher's
// own delivery thread. Events no component subscribed go to the host side. The dispatcher owns
// every event handed to it and nulls the caller's pointer.
class EventDispatcher final : public tvk::IEventDispatcher {
public:
    // Posts beyond this many undelivered events are refused: a component posting in a loop
    // must not eat the memory.
    static constexpr std::size_t kQueueLimit = 4096;

    EventDispatcher(MessageStore& store, Router& router);
    ~EventDispatcher();
    EventDispatcher(const EventDispatcher&) = delete;
    EventDispatcher& operator=(const EventDispatcher&) = delete;

    tvk::IMessage* createMessage(int id, int size, const void* data, const char* sender) override {
        return store_.createMessage(tvk::kEventType, id, sender, data, size);
    }
    void eventSlot1() override {}
    int post(tvk::IMessage** message) override;
    void eventSlot3() override {}
    int send(tvk::IMessage** message, int flags) override;
    int subscribe(int id, const std::string& component) override {
        return router_.subscribe(Kind::Event, id, component);
    }

    // Waits until every posted event has been delivered. False on time-out, and when called
    // from the delivery thread itself (it would wait for itself).
    bool drain(std::chrono::milliseconds timeout);
    // Stops accepting posts, lets the delivery in progress finish, drops what is still queued
    // and joins the delivery thread. Idempotent.
    void shutdown();

private:
    void run();

    MessageStore& store_;
    Router& router_;

    std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable idle_;
    std::deque<tvk::IMessage*> queue_;
    bool stopping_ = false;
    bool busy_ = false;
    std::thread worker_;
};

}  // namespace tvkhost

#endif  // TVKHOST_EVENTDISPATCHER_H

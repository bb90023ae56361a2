// Event delivery: at once on the caller's thread, or queued for the delivery thread.
#include "tvkhost/eventdispatcher.h"

namespace tvkhost {

namespace {

// Takes the event out of the caller's variable: from here on it is the dispatcher's.
tvk::IMessage* take(tvk::IMessage** message) {
    if (message == nullptr) return nullptr;
    tvk::IMessage* event = *message;
    *message = nullptr;
    return event;
}

}  // namespace

EventDispatcher::EventDispatcher(MessageStore& store, Router& router)
    : store_(store),
      router_(router),
      // Last member: everything run() touches exists before the thread starts.
      worker_(&EventDispatcher::run, this) {}

EventDispatcher::~EventDispatcher() {
    shutdown();
}

int EventDispatcher::post(tvk::IMessage** message) {
    tvk::IMessage* event = take(message);
    if (event == nullptr) return kBadMessage;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (!stopping_ && queue_.size() < kQueueLimit) {
            queue_.push_back(event);
            wake_.notify_one();
            return kOk;
        }
    }
    store_.releaseObject(event);
    return kRejected;
}

int EventDispatcher::send(tvk::IMessage** message, int /*flags*/) {
    tvk::IMessage* event = take(message);
    if (event == nullptr) return kBadMessage;
    const int status = router_.dispatch(Kind::Event, *event, false);
    store_.releaseObject(event);
    return status;
}

bool EventDispatcher::drain(std::chrono::milliseconds timeout) {
    std::unique_lock<std::mutex> lock(mutex_);
    const auto settled = [this] { return queue_.empty() && !busy_; };
    if (std::this_thread::get_id() == worker_.get_id()) return settled();
    return idle_.wait_for(lock, timeout, settled);
}

void EventDispatcher::shutdown() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
        wake_.notify_all();
    }
    // A handler on the delivery thread that shuts the host down cannot join itself.
    if (worker_.joinable() && std::this_thread::get_id() != worker_.get_id()) worker_.join();
    std::deque<tvk::IMessage*> dropped;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        dropped.swap(queue_);
        idle_.notify_all();
    }
    for (tvk::IMessage* event : dropped)
        store_.releaseObject(event);
}

void EventDispatcher::run() {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
        if (stopping_) return;
        tvk::IMessage* event = queue_.front();
        queue_.pop_front();
        busy_ = true;
        lock.unlock();
        router_.dispatch(Kind::Event, *event, true);
        store_.releaseObject(event);
        lock.lock();
        busy_ = false;
        if (queue_.empty()) idle_.notify_all();
    }
}

}  // namespace tvkhost

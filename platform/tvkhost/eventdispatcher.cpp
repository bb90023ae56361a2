#include "tvkhost/eventdispatcher.h"

#include <vector>

namespace tvkhost {

EventDispatcher::EventDispatcher(MessageStore& store, Router& router, std::size_t queueLimit)
    : store_(store),
      router_(router),
      queueLimit_(queueLimit),
      // Last member: everything run() touches exists before the thread starts.
      worker_(&EventDispatcher::run, this) {}

EventDispatcher::~EventDispatcher() {
    shutdown();
}

tvk::IMessage* EventDispatcher::createMessage(int id, int size, const void* data,
                                              const char* sender) {
    return store_.createMessage(tvk::kEventType, id, sender, data, size);
}

int EventDispatcher::post(tvk::IMessage** message) {
    if (message == nullptr || *message == nullptr) return kBadMessage;
    tvk::IMessage* event = *message;
    *message = nullptr;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (!stopping_ && queue_.size() < queueLimit_) {
            queue_.push_back(event);
            wake_.notify_one();
            return kOk;
        }
    }
    store_.releaseObject(event);
    return kRejected;
}

int EventDispatcher::send(tvk::IMessage** message, int /*flags*/) {
    if (message == nullptr || *message == nullptr) return kBadMessage;
    tvk::IMessage* event = *message;
    *message = nullptr;
    const int status = deliver(*event, false);
    store_.releaseObject(event);
    return status;
}

int EventDispatcher::subscribe(int id, const std::string& component) {
    return router_.subscribe(Kind::Event, id, component);
}

bool EventDispatcher::drain(std::chrono::milliseconds timeout) {
    std::unique_lock<std::mutex> lock(mutex_);
    const auto settled = [this] { return queue_.empty() && !busy_; };
    if (std::this_thread::get_id() == worker_.get_id()) return settled();
    return idle_.wait_for(lock, timeout, settled);
}

void EventDispatcher::shutdown() {
    std::deque<tvk::IMessage*> dropped;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
        wake_.notify_all();
    }
    // A handler on the delivery thread that shuts the host down cannot join itself.
    if (worker_.joinable() && std::this_thread::get_id() != worker_.get_id()) worker_.join();
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
        deliver(*event, true);
        store_.releaseObject(event);
        lock.lock();
        busy_ = false;
        if (queue_.empty()) idle_.notify_all();
    }
}

int EventDispatcher::deliver(const tvk::IMessage& event, bool posted) {
    const std::vector<Router::ComponentIndex> targets =
        router_.subscribers(Kind::Event, event.getId());
    if (targets.empty()) {
        const std::string sender = store_.senderOf(&event);
        router_.toHost(Delivery{Delivery::Type::Event, event.getId(), sender,
                                static_cast<const unsigned char*>(event.getData()),
                                event.getDataSize(), posted, router_.isComponentName(sender)});
        return kNoSubscriber;
    }
    int status = kOk;
    for (Router::ComponentIndex target : targets) {
        const Router::Result result = router_.deliver(target, event);
        // An event has no answer; a message returned anyway is the host's to free.
        if (result.reply != nullptr) store_.releaseObject(result.reply);
        if (result.status != kOk) status = result.status;
    }
    return status;
}

}  // namespace tvkhost

#include "tvkhost/messagestore.h"

namespace tvkhost {

bool MessageStore::validPayload(const void* data, int size) {
    return size >= 0 && size <= kMaxPayload && (size == 0 || data != nullptr);
}

tvk::IMessage* MessageStore::createMessage(unsigned int type, int id, const char* sender,
                                           const void* data, int size) {
    if (!validPayload(data, size)) return nullptr;
    auto message = std::make_unique<HostMessage>(type, id, sender ? sender : "", data, size);
    tvk::IMessage* handle = message.get();
    std::lock_guard<std::mutex> lock(mutex_);
    messages_.emplace(handle, std::move(message));
    return handle;
}

tvk::IReply* MessageStore::createReply(int id, const std::string& sender, const void* data,
                                       int size) {
    if (!validPayload(data, size)) return nullptr;
    auto reply = std::make_unique<HostReply>(id, sender, data, size);
    tvk::IReply* handle = reply.get();
    std::lock_guard<std::mutex> lock(mutex_);
    replies_.emplace(handle, std::move(reply));
    return handle;
}

bool MessageStore::release(void* pointerAddress) {
    if (pointerAddress == nullptr) return false;
    // Both IMessage* and IReply* are plain object pointers of the same size.
    void*& variable = *static_cast<void**>(pointerAddress);
    const void* object = variable;
    variable = nullptr;
    return releaseObject(object);
}

bool MessageStore::releaseObject(const void* object) {
    if (object == nullptr) return false;
    std::unique_ptr<HostMessage> message;
    std::unique_ptr<HostReply> reply;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        auto m = messages_.find(object);
        if (m != messages_.end()) {
            message = std::move(m->second);
            messages_.erase(m);
        } else {
            auto r = replies_.find(object);
            if (r == replies_.end()) return false;
            reply = std::move(r->second);
            replies_.erase(r);
        }
    }
    return true;  // destroyed here, outside the lock
}

std::string MessageStore::senderOf(const tvk::IMessage* message) const {
    std::lock_guard<std::mutex> lock(mutex_);
    auto found = messages_.find(message);
    return found == messages_.end() ? std::string() : found->second->sender();
}

std::size_t MessageStore::liveCount() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return messages_.size() + replies_.size();
}

void MessageStore::clear() {
    std::unordered_map<const void*, std::unique_ptr<HostMessage>> messages;
    std::unordered_map<const void*, std::unique_ptr<HostReply>> replies;
    std::lock_guard<std::mutex> lock(mutex_);
    messages.swap(messages_);
    replies.swap(replies_);
}

}  // namespace tvkhost

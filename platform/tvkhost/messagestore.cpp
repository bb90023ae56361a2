// The host's messages: payload copies, and their ownership until released.
#include "tvkhost/messagestore.h"

#include <utility>

namespace tvkhost {

namespace {

std::vector<unsigned char> copyPayload(const void* data, int size) {
    if (data == nullptr || size <= 0) return {};
    const auto* bytes = static_cast<const unsigned char*>(data);
    return std::vector<unsigned char>(bytes, bytes + size);
}

bool validPayload(const void* data, int size) {
    return size >= 0 && size <= MessageStore::kMaxPayload && (size == 0 || data != nullptr);
}

}  // namespace

HostMessage::HostMessage(unsigned int type, int id, std::string sender, const void* data, int size)
    : type_(type), id_(id), sender_(std::move(sender)), data_(copyPayload(data, size)) {}

tvk::IMessage* MessageStore::createMessage(unsigned int type, int id, const char* sender,
                                           const void* data, int size) {
    if (!validPayload(data, size)) return nullptr;
    auto message = std::make_unique<HostMessage>(type, id, sender ? sender : "", data, size);
    tvk::IMessage* handle = message.get();
    keep(handle, std::move(message));
    return handle;
}

tvk::IReply* MessageStore::createReply(const tvk::IMessage& answer) {
    if (!validPayload(answer.getData(), answer.getDataSize())) return nullptr;
    auto reply = std::make_unique<HostMessage>(tvk::kCommandType, answer.getId(), senderOf(&answer),
                                               answer.getData(), answer.getDataSize());
    tvk::IReply* handle = reply.get();
    keep(handle, std::move(reply));
    return handle;
}

void MessageStore::keep(const void* handle, std::unique_ptr<HostMessage> message) {
    std::lock_guard<std::mutex> lock(mutex_);
    owned_.emplace(handle, std::move(message));
}

bool MessageStore::release(void* pointerAddress) {
    if (pointerAddress == nullptr) return false;
    // IMessage* and IReply* are plain object pointers of the same size.
    void*& variable = *static_cast<void**>(pointerAddress);
    const void* object = variable;
    variable = nullptr;
    return releaseObject(object);
}

bool MessageStore::releaseObject(const void* object) {
    std::unique_ptr<HostMessage> message;  // destroyed outside the lock
    std::lock_guard<std::mutex> lock(mutex_);
    const auto found = owned_.find(object);
    if (found == owned_.end()) return false;
    message = std::move(found->second);
    owned_.erase(found);
    return true;
}

std::string MessageStore::senderOf(const void* object) const {
    std::lock_guard<std::mutex> lock(mutex_);
    const auto found = owned_.find(object);
    return found == owned_.end() ? std::string() : found->second->sender();
}

std::size_t MessageStore::liveCount() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return owned_.size();
}

void MessageStore::clear() {
    std::unordered_map<const void*, std::unique_ptr<HostMessage>> owned;
    std::lock_guard<std::mutex> lock(mutex_);
    owned.swap(owned_);
}

}  // namespace tvkhost

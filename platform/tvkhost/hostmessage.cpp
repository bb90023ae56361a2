#include "tvkhost/hostmessage.h"

#include <utility>

namespace tvkhost {

namespace {

std::vector<unsigned char> copyPayload(const void* data, int size) {
    if (data == nullptr || size <= 0) return {};
    const auto* bytes = static_cast<const unsigned char*>(data);
    return std::vector<unsigned char>(bytes, bytes + size);
}

}  // namespace

HostMessage::HostMessage(unsigned int type, int id, std::string sender, const void* data, int size)
    : type_(type), id_(id), sender_(std::move(sender)), data_(copyPayload(data, size)) {}

HostReply::HostReply(int id, std::string sender, const void* data, int size)
    : id_(id), sender_(std::move(sender)), data_(copyPayload(data, size)) {}

}  // namespace tvkhost

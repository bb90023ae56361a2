#include "tvkhost/messagestore.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

using tvkhost::MessageStore;

TEST(MessageStore, CopiesThePayloadAtCreation) {
    MessageStore store;
    char payload[] = "abcd";
    tvk::IMessage* message = store.createMessage(tvk::kEventType, 42, "sender", payload, 4);
    ASSERT_NE(message, nullptr);
    std::memcpy(payload, "zzzz", 4);
    ASSERT_EQ(message->getDataSize(), 4);
    EXPECT_EQ(std::string(static_cast<const char*>(message->getData()), 4), "abcd");
    EXPECT_EQ(message->getType(), tvk::kEventType);
    EXPECT_EQ(message->getId(), 42);
    EXPECT_EQ(store.senderOf(message), "sender");

    // An empty payload has no data pointer.
    tvk::IMessage* empty = store.createMessage(tvk::kCommandType, 1, nullptr, nullptr, 0);
    ASSERT_NE(empty, nullptr);
    EXPECT_EQ(empty->getDataSize(), 0);
    EXPECT_EQ(empty->getData(), nullptr);
    EXPECT_EQ(store.senderOf(empty), "");
}

TEST(MessageStore, RefusesImpossiblePayloads) {
    MessageStore store;
    const char byte = 0;
    EXPECT_EQ(store.createMessage(tvk::kEventType, 1, "s", &byte, -1), nullptr);
    EXPECT_EQ(store.createMessage(tvk::kEventType, 1, "s", nullptr, 3), nullptr);
    EXPECT_EQ(store.createMessage(tvk::kEventType, 1, "s", &byte, MessageStore::kMaxPayload + 1),
              nullptr);
    EXPECT_EQ(store.createReply(1, "s", nullptr, 2), nullptr);
    EXPECT_EQ(store.liveCount(), 0u);
}

TEST(MessageStore, ReleaseThroughTheVariableFreesAndNullsIt) {
    MessageStore store;
    tvk::IMessage* message = store.createMessage(tvk::kEventType, 1, "s", nullptr, 0);
    const char bytes[] = {1, 2};
    tvk::IReply* reply = store.createReply(1, "s", bytes, 2);
    ASSERT_EQ(store.liveCount(), 2u);

    EXPECT_TRUE(store.release(&reply));
    EXPECT_EQ(reply, nullptr);
    EXPECT_TRUE(store.release(&message));
    EXPECT_EQ(message, nullptr);
    EXPECT_EQ(store.liveCount(), 0u);

    // Releasing again through the nulled variables does nothing.
    EXPECT_FALSE(store.release(&message));
    EXPECT_FALSE(store.release(&reply));
    EXPECT_FALSE(store.release(nullptr));

    // A foreign object is not freed, but the variable is nulled.
    tvk::IMessage* kept = store.createMessage(tvk::kEventType, 1, "s", nullptr, 0);
    int notAMessage = 0;
    void* foreign = &notAMessage;
    EXPECT_FALSE(store.release(&foreign));
    EXPECT_EQ(foreign, nullptr);
    EXPECT_EQ(store.liveCount(), 1u);
    EXPECT_TRUE(store.releaseObject(kept));
}

TEST(MessageStore, ReplyCarriesIdentifierSenderAndCopy) {
    MessageStore store;
    unsigned char bytes[] = {9, 8, 7};
    tvk::IReply* reply = store.createReply(-5, "component", bytes, 3);
    bytes[0] = 0;
    const auto* host = static_cast<const tvkhost::HostReply*>(reply);
    EXPECT_EQ(host->id(), -5);
    EXPECT_EQ(host->sender(), "component");
    ASSERT_EQ(reply->getDataSize(), 3);
    EXPECT_EQ(static_cast<const unsigned char*>(reply->getData())[0], 9);
    store.clear();
    EXPECT_EQ(store.liveCount(), 0u);
}

}  // namespace

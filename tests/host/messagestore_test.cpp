// The message store: payloads copied when made, and release through the caller's variable.
#include "tvkhost/messagestore.h"

#include <gtest/gtest.h>

#include "recordinghost.h"

namespace {

TEST(MessageStore, CopiesThePayloadWhenTheMessageIsMade) {
    tvkhost::MessageStore store;
    unsigned char bytes[] = {1, 2, 3};
    const tvk::IMessage* message = store.createMessage(tvk::kEventType, 42, "sender", bytes, 3);
    bytes[0] = 9;
    ASSERT_EQ(message->getDataSize(), 3);
    EXPECT_EQ(*static_cast<const unsigned char*>(message->getData()), 1);
}

TEST(MessageStore, ReleaseFreesWhatTheStoreMadeAndNullsTheVariable) {
    tvkhost::MessageStore store;
    tvk::IMessage* message = store.createMessage(tvk::kCommandType, 1, "sender", nullptr, 0);
    tvk::IReply* reply = store.createReply(ocsm_test::command(1, {7}));
    ocsm_test::Message notOurs = ocsm_test::event(1);
    tvk::IMessage* foreign = &notOurs;
    const struct {
        void* variable;
        bool freed;
        std::size_t left;
    } cases[] = {
        {&message, true, 1}, {&reply, true, 0}, {&message, false, 0}, {&foreign, false, 0}};
    for (const auto& c : cases) {
        EXPECT_EQ(store.release(c.variable), c.freed);
        EXPECT_EQ(*static_cast<void**>(c.variable), nullptr);
        EXPECT_EQ(store.liveCount(), c.left);
    }
}

}  // namespace

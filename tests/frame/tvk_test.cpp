// The host's interfaces as the host calls them: every operation in its vtable slot; a component's
// life as the host drives it.
#include "host/tvk.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <utility>

namespace {

// The vtable slot a pointer to a virtual member function stands for, from its Itanium C++ ABI
// representation; -1 when the function is not virtual.
template <class MemberFunction>
long vtableSlot(MemberFunction member) {
    struct {
        std::uintptr_t pointer;
        std::ptrdiff_t adjustment;
    } bits;
    static_assert(sizeof(MemberFunction) == sizeof bits, "Itanium member function pointer");
    std::memcpy(&bits, &member, sizeof bits);
#if defined(__aarch64__) || defined(__arm__)
    // ARM keeps the virtual flag in the adjustment and the plain offset in the pointer.
    if ((bits.adjustment & 1) == 0) return -1;
    return static_cast<long>(bits.pointer / sizeof(void*));
#else
    // Elsewhere the pointer holds 1 plus the offset of the slot in bytes.
    if ((bits.pointer & 1) == 0) return -1;
    return static_cast<long>((bits.pointer - 1) / sizeof(void*));
#endif
}

// Deriving one more pure virtual function shows how many slots the base has.
template <class Interface>
struct PlusOne : Interface {
    virtual void next() = 0;
};

TEST(HostInterfaceSlots, OperationsAndPlaceholdersSitInTheirSlots) {
    // clang-format off
    const std::pair<long, long> slots[] = {
        {vtableSlot(&tvk::IHost::hostSlot2), 2}, {vtableSlot(&tvk::IHost::getService), 3},
        {vtableSlot(&PlusOne<tvk::IHost>::next), 4},
        {vtableSlot(&tvk::IMessage::messageSlot1), 1}, {vtableSlot(&tvk::IMessage::getType), 2},
        {vtableSlot(&tvk::IMessage::getId), 3}, {vtableSlot(&tvk::IMessage::getDataSize), 4},
        {vtableSlot(&tvk::IMessage::getData), 5}, {vtableSlot(&PlusOne<tvk::IMessage>::next), 6},
        {vtableSlot(&tvk::IReply::getData), 1}, {vtableSlot(&tvk::IReply::getDataSize), 2},
        {vtableSlot(&PlusOne<tvk::IReply>::next), 3},
        {vtableSlot(&tvk::IMessageCenter::createMessage), 0},
        {vtableSlot(&PlusOne<tvk::IMessageCenter>::next), 1},
        {vtableSlot(&tvk::ICommandDispatcher::createMessage), 0},
        {vtableSlot(&tvk::ICommandDispatcher::releaseMessage), 1},
        {vtableSlot(&tvk::ICommandDispatcher::send), 2},
        {vtableSlot(&tvk::ICommandDispatcher::subscribe), 4},
        {vtableSlot(&PlusOne<tvk::ICommandDispatcher>::next), 5},
        {vtableSlot(&tvk::IEventDispatcher::createMessage), 0},
        {vtableSlot(&tvk::IEventDispatcher::post), 2}, {vtableSlot(&tvk::IEventDispatcher::send), 4},
        {vtableSlot(&tvk::IEventDispatcher::subscribe), 5},
        {vtableSlot(&PlusOne<tvk::IEventDispatcher>::next), 6},
        // the destructor takes slots 0 and 1
        {vtableSlot(&tvk::IMessageHandler::handleMessage), 2},
        {vtableSlot(&PlusOne<tvk::IMessageHandler>::next), 3},
    };
    // clang-format on
    for (size_t i = 0; i < sizeof slots / sizeof slots[0]; ++i)
        EXPECT_EQ(slots[i].first, slots[i].second) << "entry " << i;
}

// Counts the components alive.
struct Probe : tvk::IMessageHandler {
    static int alive;
    Probe() { ++alive; }
    ~Probe() override { --alive; }
    const tvk::IMessage* handleMessage(const tvk::IMessage*) override { return nullptr; }
};
int Probe::alive = 0;

TEST(ComponentTmpl, DestroysWhatItMadeAndPassesOverNull) {
    void* object = tvk::ComponentTmpl<Probe>::creator();
    ASSERT_NE(object, nullptr);
    EXPECT_EQ(Probe::alive, 1);
    tvk::ComponentTmpl<Probe>::deletor(nullptr);
    EXPECT_EQ(Probe::alive, 1);
    tvk::ComponentTmpl<Probe>::deletor(object);
    EXPECT_EQ(Probe::alive, 0);
}

}  // namespace

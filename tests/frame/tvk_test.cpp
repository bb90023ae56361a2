#include "host/tvk.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <new>
#include <stdexcept>
#include <string>
#include <utility>

#include "slotlayout.h"

namespace {

using ocsm_test::vtableOf;
using ocsm_test::vtableSlot;

// Deriving one more pure virtual function shows how many slots the base has.
template <class Interface>
struct PlusOne : Interface {
    virtual void next() = 0;
};

TEST(HostInterfaceSlots, OperationsAndPlaceholdersSitInTheirSlots) {
    const std::pair<long, long> slots[] = {
        {vtableSlot(&tvk::IHost::hostSlot0), 0},
        {vtableSlot(&tvk::IHost::hostSlot1), 1},
        {vtableSlot(&tvk::IHost::hostSlot2), 2},
        {vtableSlot(&tvk::IHost::getService), 3},
        {vtableSlot(&PlusOne<tvk::IHost>::next), 4},
        {vtableSlot(&tvk::IMessage::messageSlot0), 0},
        {vtableSlot(&tvk::IMessage::messageSlot1), 1},
        {vtableSlot(&tvk::IMessage::getType), 2},
        {vtableSlot(&tvk::IMessage::getId), 3},
        {vtableSlot(&tvk::IMessage::getDataSize), 4},
        {vtableSlot(&tvk::IMessage::getData), 5},
        {vtableSlot(&PlusOne<tvk::IMessage>::next), 6},
        {vtableSlot(&tvk::IReply::replySlot0), 0},
        {vtableSlot(&tvk::IReply::getData), 1},
        {vtableSlot(&tvk::IReply::getDataSize), 2},
        {vtableSlot(&PlusOne<tvk::IReply>::next), 3},
        {vtableSlot(&tvk::IMessageCenter::createMessage), 0},
        {vtableSlot(&PlusOne<tvk::IMessageCenter>::next), 1},
        {vtableSlot(&tvk::ICommandDispatcher::createMessage), 0},
        {vtableSlot(&tvk::ICommandDispatcher::releaseMessage), 1},
        {vtableSlot(&tvk::ICommandDispatcher::send), 2},
        {vtableSlot(&tvk::ICommandDispatcher::commandSlot3), 3},
        {vtableSlot(&tvk::ICommandDispatcher::subscribe), 4},
        {vtableSlot(&PlusOne<tvk::ICommandDispatcher>::next), 5},
        {vtableSlot(&tvk::IEventDispatcher::createMessage), 0},
        {vtableSlot(&tvk::IEventDispatcher::eventSlot1), 1},
        {vtableSlot(&tvk::IEventDispatcher::post), 2},
        {vtableSlot(&tvk::IEventDispatcher::eventSlot3), 3},
        {vtableSlot(&tvk::IEventDispatcher::send), 4},
        {vtableSlot(&tvk::IEventDispatcher::subscribe), 5},
        {vtableSlot(&PlusOne<tvk::IEventDispatcher>::next), 6},
        // The destructor takes slots 0 and 1.
        {vtableSlot(&tvk::IMessageHandler::handleMessage), 2},
        {vtableSlot(&PlusOne<tvk::IMessageHandler>::next), 3},
    };
    for (size_t i = 0; i < sizeof slots / sizeof slots[0]; ++i)
        EXPECT_EQ(slots[i].first, slots[i].second) << "entry " << i;
}

// Calls made the way the host makes them: through a raw slot of the object's
// vtable, with the object as first argument.
class RecordingHost final : public tvk::IHost {
public:
    void hostSlot0() override {}
    void hostSlot1() override {}
    void hostSlot2() override {}
    void* getService(const char* name) override {
        asked = name;
        return this;
    }
    std::string asked;
};

class RecordingDispatcher final : public tvk::IEventDispatcher {
public:
    tvk::IMessage* createMessage(int, int, const void*, const char*) override { return nullptr; }
    void eventSlot1() override {}
    int post(tvk::IMessage**) override { return 2; }
    void eventSlot3() override {}
    int send(tvk::IMessage**, int flags) override { return 4000 + flags; }
    int subscribe(int id, const std::string& component) override {
        subscribed = component;
        return id + 1;
    }
    std::string subscribed;
};

class RecordingHandler final : public tvk::IMessageHandler {
public:
    explicit RecordingHandler(bool& destroyed) : destroyed_(destroyed) {}
    ~RecordingHandler() override { destroyed_ = true; }
    const tvk::IMessage* handleMessage(const tvk::IMessage* message) override { return message; }

private:
    bool& destroyed_;
};

TEST(HostInterfaceSlots, RawSlotCallsReachTheDeclaredOperations) {
    RecordingHost host;
    tvk::IHost* asHost = &host;
    using GetService = void* (*)(tvk::IHost*, const char*);
    void* service = reinterpret_cast<GetService>(vtableOf(asHost)[3])(asHost, "eventdispatcher");
    EXPECT_EQ(service, &host);
    EXPECT_EQ(host.asked, "eventdispatcher");

    RecordingDispatcher dispatcher;
    tvk::IEventDispatcher* asDispatcher = &dispatcher;
    using Send = int (*)(tvk::IEventDispatcher*, tvk::IMessage**, int);
    using Subscribe = int (*)(tvk::IEventDispatcher*, int, const std::string&);
    EXPECT_EQ(reinterpret_cast<Send>(vtableOf(asDispatcher)[4])(asDispatcher, nullptr, 9), 4009);
    const std::string name = "outputcolorspacemodel";
    EXPECT_EQ(reinterpret_cast<Subscribe>(vtableOf(asDispatcher)[5])(asDispatcher, 41, name), 42);
    EXPECT_EQ(dispatcher.subscribed, name);

    bool destroyed = false;
    tvk::IMessageHandler* handler = new RecordingHandler(destroyed);
    using Handle = const tvk::IMessage* (*)(tvk::IMessageHandler*, const tvk::IMessage*);
    const auto* marker = reinterpret_cast<const tvk::IMessage*>(&destroyed);
    EXPECT_EQ(reinterpret_cast<Handle>(vtableOf(handler)[2])(handler, marker), marker);
    // Slot 1 is the deleting destructor.
    using Delete = void (*)(tvk::IMessageHandler*);
    reinterpret_cast<Delete>(vtableOf(handler)[1])(handler);
    EXPECT_TRUE(destroyed);
}

TEST(HostHandle, IsOneZeroFilledRecordPerLibrary) {
    tvk::api& first = tvk::api::get();
    EXPECT_EQ(&first, &tvk::api::get());
    EXPECT_EQ(first.host, nullptr);
    EXPECT_EQ(first.reserved1, nullptr);
    EXPECT_EQ(first.reserved2, nullptr);
}

// Components for the creation callables.
int liveObjects = 0;
int freedBlocks = 0;
bool refuseAllocation = false;

class Counted : public tvk::IMessageHandler {
public:
    Counted() { ++liveObjects; }
    ~Counted() override { --liveObjects; }
    const tvk::IMessage* handleMessage(const tvk::IMessage*) override { return nullptr; }

    static void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
        return refuseAllocation ? nullptr : std::malloc(size);
    }
    static void operator delete(void* block) noexcept {
        ++freedBlocks;
        std::free(block);
    }
    static void operator delete(void* block, const std::nothrow_t&) noexcept {
        ++freedBlocks;
        std::free(block);
    }
};

// The handler interface is not the first base, so the address must be adjusted.
struct Padding {
    virtual ~Padding() = default;
    long filler = 0;
};
class SecondBase : public Padding, public Counted {};

class Throwing : public Counted {
public:
    Throwing() { throw std::runtime_error("constructor failed"); }
};

TEST(ComponentTemplate, CreatorAndDeletorManageOneObject) {
    using Tmpl = tvk::ComponentTmpl<Counted>;
    void* object = Tmpl::creator();
    ASSERT_NE(object, nullptr);
    EXPECT_EQ(liveObjects, 1);
    EXPECT_EQ(Tmpl::getMessageHandler(object), static_cast<tvk::IMessageHandler*>(object));
    const int freedBefore = freedBlocks;
    Tmpl::deletor(nullptr);
    EXPECT_EQ(freedBlocks, freedBefore);
    Tmpl::deletor(object);  // through the virtual destructor
    EXPECT_EQ(liveObjects, 0);
    EXPECT_EQ(freedBlocks, freedBefore + 1);
}

TEST(ComponentTemplate, CreatorFailures) {
    refuseAllocation = true;
    EXPECT_EQ(tvk::ComponentTmpl<Counted>::creator(), nullptr);
    refuseAllocation = false;
    EXPECT_EQ(liveObjects, 0);

    // A throwing constructor releases the memory and passes the exception on.
    const int freedBefore = freedBlocks;
    EXPECT_THROW(tvk::ComponentTmpl<Throwing>::creator(), std::runtime_error);
    EXPECT_EQ(freedBlocks, freedBefore + 1);
    EXPECT_EQ(liveObjects, 0);
}

TEST(ComponentTemplate, GetMessageHandlerConvertsFromTheComponentType) {
    using Tmpl = tvk::ComponentTmpl<SecondBase>;
    void* object = Tmpl::creator();
    ASSERT_NE(object, nullptr);
    tvk::IMessageHandler* handler = Tmpl::getMessageHandler(object);
    EXPECT_EQ(handler, static_cast<tvk::IMessageHandler*>(static_cast<SecondBase*>(object)));
    EXPECT_NE(static_cast<void*>(handler), object);
    Tmpl::deletor(object);
    EXPECT_EQ(liveObjects, 0);
}

}  // namespace

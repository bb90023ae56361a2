#include "host/tvk.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <new>
#include <stdexcept>
#include <string>

#include "slotlayout.h"

namespace {

using ocsm_test::vtableOf;
using ocsm_test::vtableSlot;

// Deriving one more pure virtual function shows how many slots the base has.
struct HostPlusOne : tvk::IHost {
    virtual void next() = 0;
};
struct MessagePlusOne : tvk::IMessage {
    virtual void next() = 0;
};
struct ReplyPlusOne : tvk::IReply {
    virtual void next() = 0;
};
struct MessageCenterPlusOne : tvk::IMessageCenter {
    virtual void next() = 0;
};
struct CommandDispatcherPlusOne : tvk::ICommandDispatcher {
    virtual void next() = 0;
};
struct EventDispatcherPlusOne : tvk::IEventDispatcher {
    virtual void next() = 0;
};
struct MessageHandlerPlusOne : tvk::IMessageHandler {
    virtual void next() = 0;
};

TEST(HostInterfaceSlots, NamedOperationsSitInTheirSlots) {
    EXPECT_EQ(vtableSlot(&tvk::IHost::getService), 3);
    EXPECT_EQ(vtableSlot(&HostPlusOne::next), 4);

    EXPECT_EQ(vtableSlot(&tvk::IMessage::getType), 2);
    EXPECT_EQ(vtableSlot(&tvk::IMessage::getId), 3);
    EXPECT_EQ(vtableSlot(&tvk::IMessage::getDataSize), 4);
    EXPECT_EQ(vtableSlot(&tvk::IMessage::getData), 5);
    EXPECT_EQ(vtableSlot(&MessagePlusOne::next), 6);

    EXPECT_EQ(vtableSlot(&tvk::IReply::getData), 1);
    EXPECT_EQ(vtableSlot(&tvk::IReply::getDataSize), 2);
    EXPECT_EQ(vtableSlot(&ReplyPlusOne::next), 3);

    EXPECT_EQ(vtableSlot(&tvk::IMessageCenter::createMessage), 0);
    EXPECT_EQ(vtableSlot(&MessageCenterPlusOne::next), 1);

    EXPECT_EQ(vtableSlot(&tvk::ICommandDispatcher::createMessage), 0);
    EXPECT_EQ(vtableSlot(&tvk::ICommandDispatcher::releaseMessage), 1);
    EXPECT_EQ(vtableSlot(&tvk::ICommandDispatcher::send), 2);
    EXPECT_EQ(vtableSlot(&tvk::ICommandDispatcher::subscribe), 4);
    EXPECT_EQ(vtableSlot(&CommandDispatcherPlusOne::next), 5);

    EXPECT_EQ(vtableSlot(&tvk::IEventDispatcher::createMessage), 0);
    EXPECT_EQ(vtableSlot(&tvk::IEventDispatcher::post), 2);
    EXPECT_EQ(vtableSlot(&tvk::IEventDispatcher::send), 4);
    EXPECT_EQ(vtableSlot(&tvk::IEventDispatcher::subscribe), 5);
    EXPECT_EQ(vtableSlot(&EventDispatcherPlusOne::next), 6);

    // The destructor takes slots 0 and 1.
    EXPECT_EQ(vtableSlot(&tvk::IMessageHandler::handleMessage), 2);
    EXPECT_EQ(vtableSlot(&MessageHandlerPlusOne::next), 3);
}

TEST(HostInterfaceSlots, PlaceholdersFillTheUnnamedSlots) {
    EXPECT_EQ(vtableSlot(&tvk::IHost::hostSlot0), 0);
    EXPECT_EQ(vtableSlot(&tvk::IHost::hostSlot1), 1);
    EXPECT_EQ(vtableSlot(&tvk::IHost::hostSlot2), 2);
    EXPECT_EQ(vtableSlot(&tvk::IMessage::messageSlot0), 0);
    EXPECT_EQ(vtableSlot(&tvk::IMessage::messageSlot1), 1);
    EXPECT_EQ(vtableSlot(&tvk::IReply::replySlot0), 0);
    EXPECT_EQ(vtableSlot(&tvk::ICommandDispatcher::commandSlot3), 3);
    EXPECT_EQ(vtableSlot(&tvk::IEventDispatcher::eventSlot1), 1);
    EXPECT_EQ(vtableSlot(&tvk::IEventDispatcher::eventSlot3), 3);
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

TEST(ComponentTemplate, CreatorConstructsAndDeletorDestroysThroughTheVirtualDestructor) {
    using Tmpl = tvk::ComponentTmpl<Counted>;
    void* object = Tmpl::creator();
    ASSERT_NE(object, nullptr);
    EXPECT_EQ(liveObjects, 1);
    EXPECT_EQ(Tmpl::getMessageHandler(object), static_cast<tvk::IMessageHandler*>(object));
    const int freedBefore = freedBlocks;
    Tmpl::deletor(object);
    EXPECT_EQ(liveObjects, 0);
    EXPECT_EQ(freedBlocks, freedBefore + 1);
}

TEST(ComponentTemplate, DeletorIgnoresNull) {
    const int freedBefore = freedBlocks;
    tvk::ComponentTmpl<Counted>::deletor(nullptr);
    EXPECT_EQ(freedBlocks, freedBefore);
}

TEST(ComponentTemplate, CreatorReturnsNullWhenMemoryIsExhausted) {
    refuseAllocation = true;
    void* object = tvk::ComponentTmpl<Counted>::creator();
    refuseAllocation = false;
    EXPECT_EQ(object, nullptr);
    EXPECT_EQ(liveObjects, 0);
}

TEST(ComponentTemplate, ConstructorExceptionReleasesTheMemoryAndPassesOn) {
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

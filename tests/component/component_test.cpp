// The component's four handlers and two REST queries, against a scripted
// device HTTP client library and mocked host services: every request the
// component makes, every warning line and every payload byte it sends.
#include "outputcolorspacemodel/outputcolorspacemodel.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "qtcapture.h"
#include "restlink_double.h"
#include "tvkmocks.h"

namespace {

using LCD::ProtoModel::Interface::s_InterfaceSourceInfo;
using LCD::ProtoModel::Screen::s_ScreenColorSpace;
using LCD::ProtoModel::Screen::s_ScreenDetail;
using ocsm_test::FakeMessage;
using ::testing::_;
using ::testing::ElementsAre;
using ::testing::Invoke;
using ::testing::IsEmpty;
using ::testing::Return;
using Answers = std::vector<std::optional<std::string>>;
using Bytes = std::vector<unsigned char>;
using Texts = std::vector<std::string>;

const std::string kScreenPath = "/orvex/v1/screen/list-detail";
const std::string kInterfacePath = "/orvex/v1/interface/list-detail";
const std::string kColorSpacePath = "/orvex/v1/screen/color-space";
const std::string kScreenRequestFailed =
    "on get screen list-detail send request failed. url :  " + kScreenPath;

std::string joined(const Texts& items) {
    std::string text;
    for (const std::string& item : items)
        text += (text.empty() ? "" : ",") + item;
    return text;
}

// One screen object with an identifier, a colour space and the interface ids of
// its outputs.
std::string screen(int id, int preset, const std::vector<int>& outputs) {
    Texts objects;
    for (int output : outputs)
        objects.push_back("{\"interfaceId\":" + std::to_string(output) + "}");
    return "{\"screenId\":" + std::to_string(id) +
           ",\"screenIdObj\":{\"id\":" + std::to_string(id) +
           ",\"type\":2},\"colorSpace\":{\"preset\":" + std::to_string(preset) +
           "},\"mosaic\":{\"outputs\":[" + joined(objects) + "]}}";
}

std::string screenAnswer(const Texts& screens, int code = 0) {
    return "{\"code\":" + std::to_string(code) + ",\"message\":\"success\",\"data\":{\"list\":[" +
           joined(screens) + "],\"count\":" + std::to_string(screens.size()) + ",\"page\":1}}";
}

// Slot 3, connector 4, capacity 1300, connector type 6, work mode 2.
std::string interfaceEntry(int id, const std::string& name) {
    return "{\"interfaceId\":" + std::to_string(id) +
           ",\"interfaceIdObj\":{\"nodeId\":1,\"slotId\":3,\"connectorId\":4,\"splitId\":0},"
           "\"auxiliaryInfo\":{\"connectorInfo\":{\"interfaceType\":1,\"type\":6,\"workMode\":2,"
           "\"capacity\":1300}},\"general\":{\"name\":\"" +
           name + "\"}}";
}

std::string interfaceAnswer(const Texts& entries, int code = 0) {
    return "{\"code\":" + std::to_string(code) + ",\"message\":\"ok\",\"data\":{\"list\":[" +
           joined(entries) + "]}}";
}

void putInt32(Bytes& bytes, size_t offset, int32_t value) {
    std::memcpy(bytes.data() + offset, &value, 4);
}

// The 108 reply bytes for interfaceEntry(id, name): untouched bytes stay zero.
Bytes interfaceRecord(int id, const std::string& storedName) {
    Bytes bytes(108, 0);
    putInt32(bytes, 0, id);
    putInt32(bytes, 12, 3);
    putInt32(bytes, 16, 4);
    putInt32(bytes, 20, 1300);
    putInt32(bytes, 24, 6);
    putInt32(bytes, 32, 2);
    std::memcpy(bytes.data() + 41, storedName.data(), storedName.size());
    return bytes;
}

Bytes colorSpacePayload(int screenId, int preset) {
    Bytes bytes(8);
    putInt32(bytes, 0, screenId);
    putInt32(bytes, 4, preset);
    return bytes;
}

FakeMessage autoReport(const std::string& text) {
    return FakeMessage(tvk::kEventType, 0x00071107u, Bytes(text.begin(), text.end()));
}

// One event the component handed to the event dispatcher. For the list
// object the entries it points at are kept instead of its bytes.
struct Emitted {
    unsigned int id;
    int size;
    Bytes bytes;
    std::vector<std::pair<int, int>> list;
    std::string how;  // "send" (with 9) or "post"
    bool operator==(const Emitted& other) const {
        return id == other.id && size == other.size && bytes == other.bytes && list == other.list &&
               how == other.how;
    }
};

void PrintTo(const Emitted& e, std::ostream* out) {
    *out << std::hex << "0x" << e.id << std::dec << " size " << e.size << " " << e.how << " [";
    for (unsigned char byte : e.bytes)
        *out << int(byte) << " ";
    for (const auto& entry : e.list)
        *out << "{" << entry.first << "," << entry.second << "}";
    *out << "]";
}

class ComponentTest : public ::testing::Test {
protected:
    void SetUp() override {
        clear();
        // Every event goes through these: sender name, kind and flags are checked here.
        EXPECT_CALL(services.events,
                    createMessage(_, _, _, ::testing::StrEq("outputcolorspacemodel")))
            .WillRepeatedly(Invoke([this](int id, int size, const void* data, const char*) {
                Emitted e{static_cast<unsigned int>(id), size, {}, {}, ""};
                if (e.id == 0xFC080204u && size == 24) {
                    for (const auto& entry :
                         *static_cast<const std::vector<s_ScreenColorSpace>*>(data))
                        e.list.emplace_back(entry.screenId, entry.colorSpace.preset);
                } else {
                    const auto* bytes = static_cast<const unsigned char*>(data);
                    e.bytes.assign(bytes, bytes + size);
                }
                emitted.push_back(e);
                return &outgoing;
            }));
        const auto mark = [this](const char* how) {
            return [this, how](auto&&...) {
                if (emitted.empty() || !emitted.back().how.empty())
                    ADD_FAILURE() << how << " without a new message";
                else
                    emitted.back().how = how;
                return 0;
            };
        };
        EXPECT_CALL(services.events, send(::testing::Pointee(&outgoing), 9))
            .WillRepeatedly(Invoke(mark("send")));
        EXPECT_CALL(services.events, post(::testing::Pointee(&outgoing)))
            .WillRepeatedly(Invoke(mark("post")));
    }

    // Forgets calls, answers, events and log lines between the cases of a table.
    void clear(const Answers& answers = {}) {
        restlink_double::reset();
        restlink_double::setToken("t0ken");
        for (const auto& body : answers)
            restlink_double::answer(body);
        emitted.clear();
        log.clear();
    }

    Texts warnings() const {
        Texts texts;
        for (const auto& line : log.taken())
            texts.push_back(line.text);
        return texts;
    }

    ocsm_test::ServicesFixtureHost services;
    ColorSpace::OutputColorSpaceModel model;
    ocsm_test::QtLogCapture log;
    FakeMessage outgoing{tvk::kEventType, 0};  // what createMessage hands back
    std::vector<Emitted> emitted;
};

// ---------------------------------------------------------------- screen query

TEST_F(ComponentTest, ScreenQueryMakesTheLibraryCallsInOrder) {
    restlink_double::answer(screenAnswer({screen(1, 2, {})}));
    s_ScreenDetail detail;
    int type = 2;
    ASSERT_TRUE(model.getScreenDetail(detail, nullptr, &type));
    EXPECT_THAT(
        restlink_double::calls(),
        ElementsAre("HttpSingleTon::getInstance", "getHttpClient",
                    "createRequest GET " + kScreenPath, "HttpLogin::getInstance", "getToken",
                    "setHead Authorization=t0ken", "addUrlKeyValue screenType=2",
                    "sendRequest status=0", "getBody", "getBodySize"));
    ASSERT_EQ(detail.list.size(), 1u);
    EXPECT_EQ(detail.count, 1);
    EXPECT_EQ(detail.page, 1);
}

TEST_F(ComponentTest, ScreenQueryKeysFollowThePointersGiven) {
    int id = -1, type = 2;
    // clang-format off
    const struct {
        int* id;
        int* type;
        const char* token;
        Texts keys;
    } cases[] = {
        {nullptr, nullptr, "", {}},
        {&id, &type, "t0ken", {"addUrlKeyValue screenId=-1", "addUrlKeyValue screenType=2"}},
        {&id, nullptr, "t0ken", {"addUrlKeyValue screenId=-1"}},
    };
    // clang-format on
    for (const auto& c : cases) {
        clear({screenAnswer({})});
        restlink_double::setToken(c.token);
        s_ScreenDetail detail;
        EXPECT_TRUE(model.getScreenDetail(detail, c.id, c.type));
        Texts expected = {"createRequest GET " + kScreenPath, "HttpLogin::getInstance", "getToken",
                          std::string("setHead Authorization=") + c.token};
        expected.insert(expected.end(), c.keys.begin(), c.keys.end());
        expected.push_back("sendRequest status=0");
        EXPECT_EQ(restlink_double::requestCalls(), expected);
    }
}

TEST_F(ComponentTest, ScreenQueryFailuresLeaveTheRecordAsItWas) {
    s_ScreenDetail detail;
    detail.count = 9;
    detail.list.resize(2);
    detail.list[1].screenId = 44;
    int type = 2;
    // The cut-off document fails after part of it was read: 41 bytes on line 0,
    // the error comes at the terminating NUL, so column 41.
    clear({std::nullopt, "", "{\"data\":{\"count\":3,\"list\":[{\"screenId\":1}"});
    for (int i = 0; i < 3; ++i)
        EXPECT_FALSE(model.getScreenDetail(detail, nullptr, &type));

    EXPECT_EQ(detail.count, 9);
    ASSERT_EQ(detail.list.size(), 2u);
    EXPECT_EQ(detail.list[1].screenId, 44);
    EXPECT_EQ(warnings(), (Texts{kScreenRequestFailed,
                                 "screen detail decode json failed :  error at line :0 col :0 "
                                 "msg:read object must start with {!",
                                 "screen detail decode json failed :  error at line :0 col :41 "
                                 "msg:no valid array!"}));
}

TEST_F(ComponentTest, ScreenQueryTakesTheDataWhateverTheCode) {
    clear({screenAnswer({screen(4, 1, {})}, 1001), screenAnswer({})});
    s_ScreenDetail detail;
    detail.list.resize(3);
    ASSERT_TRUE(model.getScreenDetail(detail, nullptr, nullptr));
    ASSERT_EQ(detail.list.size(), 1u);
    EXPECT_EQ(detail.list[0].screenId, 4);
    ASSERT_TRUE(model.getScreenDetail(detail, nullptr, nullptr));
    EXPECT_THAT(detail.list, IsEmpty());
    EXPECT_THAT(warnings(), IsEmpty());
}

// ------------------------------------------------------------ colour space handlers

TEST_F(ComponentTest, GetColorSpaceSendsTheFirstScreensIdAndPreset) {
    // clang-format off
    const struct {
        const char* what;
        std::optional<std::string> answer;
        Bytes payload;  // empty: no event
        Texts warnings;
    } cases[] = {
        {"two screens", screenAnswer({screen(7, 3, {}), screen(8, 1, {})}), {7, 0, 0, 0, 3, 0, 0, 0}, {}},
        {"no colorSpace: preset -1", screenAnswer({"{\"screenId\":258}"}), {2, 1, 0, 0, 255, 255, 255, 255}, {}},
        {"no response", std::nullopt, {}, {kScreenRequestFailed, "screen list is empty."}},
        {"no screen", screenAnswer({}), {}, {"Fail to get color mode space:  size is 0"}},
    };
    // clang-format on
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        clear({c.answer});
        const FakeMessage in(tvk::kEventType, 0xFC050206u, {1, 2, 3});  // payload unread
        EXPECT_EQ(model.getColorSpace(&in), nullptr);
        std::vector<Emitted> expected;
        if (!c.payload.empty()) expected.push_back({0xFC070204u, 8, c.payload, {}, "send"});
        EXPECT_EQ(emitted, expected);
        EXPECT_EQ(warnings(), c.warnings);
    }
}

TEST_F(ComponentTest, SetColorSpacePutsOneRecordAndPostsTheOutcome) {
    const std::string put = "[{\"screenId\":3,\"colorSpace\":{\"preset\":1}}]";
    const std::string refused = "{\"code\":1002,\"message\":\"unknown screen 3\",\"data\":{}}";
    const std::string bad = "command does not correct.";
    // clang-format off
    const struct {
        const char* what;
        Bytes payload;
        std::optional<std::string> answer;
        std::string body;  // empty: no request at all
        int flag;          // -1: no event
        Texts warnings;
    } cases[] = {
        {"accepted", colorSpacePayload(3, 1), "{\"code\":0,\"data\":null}", put, 1, {}},
        {"negative values", colorSpacePayload(-2147483647 - 1, -1), "{\"code\":0}",
         "[{\"screenId\":-2147483648,\"colorSpace\":{\"preset\":-1}}]", 1, {}},
        {"refused", colorSpacePayload(3, 1), refused, put, 0,
         {"color space not set. code : 1002 message : unknown screen 3"}},
        // A word running into the end: column 6.
        {"undecodable answer", colorSpacePayload(3, 1), "<html>", put, 0,
         {"color space answer decode json failed :  error at line :0 col :6 msg:not a valid string!"}},
        {"no response", colorSpacePayload(3, 1), std::nullopt, put, -1,
         {"on put color space send request failed. url :  " + kColorSpacePath}},
        {"7 bytes", Bytes(7, 1), "{}", "", -1, {bad}},
        {"9 bytes", Bytes(9, 1), "{}", "", -1, {bad}},
        {"no payload", Bytes(), "{}", "", -1, {bad}},
    };
    // clang-format on
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        clear({c.answer});
        const FakeMessage in(tvk::kCommandType, 0xFC050205u, c.payload);
        EXPECT_EQ(model.setColorSpace(&in), nullptr);

        Texts calls;
        if (!c.body.empty()) {
            calls = {"HttpSingleTon::getInstance",
                     "getHttpClient",
                     "createRequest PUT " + kColorSpacePath,
                     "setHead Content-Type=application/json",
                     "HttpLogin::getInstance",
                     "getToken",
                     "setHead Authorization=t0ken",
                     "setBody " + c.body + " " + std::to_string(c.body.size()),
                     "sendRequest status=0"};
            if (c.answer) calls.insert(calls.end(), {"getBody", "getBodySize"});
        }
        EXPECT_EQ(restlink_double::calls(), calls);
        std::vector<Emitted> expected;
        if (c.flag >= 0)
            expected.push_back({0xFC070203u, 1, {static_cast<unsigned char>(c.flag)}, {}, "post"});
        EXPECT_EQ(emitted, expected);
        EXPECT_EQ(warnings(), c.warnings);
    }
}

TEST_F(ComponentTest, ChangeColorSpaceRelaysTheReportedList) {
    std::string nulInside = "{\"body\":\"[]\"}";
    nulInside += '\0';
    nulInside += "garbage that is never read";
    using List = std::vector<std::pair<int, int>>;
    // clang-format off
    const struct {
        const char* what;
        FakeMessage in;
        std::optional<List> list;  // nullopt: no event
        Texts warnings;
    } cases[] = {
        {"two screens, the second without colorSpace", autoReport(
             "{\"source\":\"device\",\"seq\":12,\"tl\":{\"CommandCode\":463111,\"ErrorCode\":0},"
             "\"body\":\"[{\\\"screenId\\\":1,\\\"colorSpace\\\":{\\\"preset\\\":2}},{\\\"screenId\\\":5}]\"}"),
         List{{1, 2}, {5, -1}}, {}},
        {"empty list", autoReport("{\"body\":\"[]\"}"), List{}, {}},
        {"text ends at the first NUL", autoReport(nulInside), List{}, {}},
        {"no payload", ocsm_test::event(0x00071107u), std::nullopt, {"msg data is null."}},
        // The number ends before the } at index 9.
        {"report not decodable", autoReport("{\"body\":5}"), std::nullopt,
         {"error at line :0 col :9 msg:not a valid string."}},
        {"error code", autoReport("{\"tl\":{\"ErrorCode\":5},\"body\":\"[]\"}"), std::nullopt,
         {"\"auto report data error. error code : 5.\""}},
        // In the body [{"screenId":1} x] the word x ends before the ] at index 17.
        {"body not a list", autoReport("{\"body\":\"[{\\\"screenId\\\":1} x]\"}"), std::nullopt,
         {"error at line :0 col :17 msg:no valid array!"}},
        // Without a NUL the text ends with the payload, inside a word: the
        // reader refuses it instead of running on past the 18 bytes.
        {"no NUL", autoReport("{\"body\":\"[]\"} tail"), std::nullopt,
         {"error at line :0 col :18 msg:not a valid string!"}},
    };
    // clang-format on
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        clear();
        EXPECT_EQ(model.changeColorSpace(&c.in), nullptr);
        std::vector<Emitted> expected;
        if (c.list) expected.push_back({0xFC080204u, 24, {}, *c.list, "send"});
        EXPECT_EQ(emitted, expected);
        EXPECT_EQ(warnings(), c.warnings);
        EXPECT_THAT(restlink_double::calls(), IsEmpty());  // no device query for a report
    }
}

// ------------------------------------------------- regular screen interface info

class InterfaceInfoTest : public ComponentTest {
protected:
    // Runs the command and returns the 108 bytes of its reply, or nothing.
    std::optional<Bytes> run() {
        std::optional<Bytes> reply;
        EXPECT_CALL(services.center, createMessage(_, _, _, _, _))
            .Times(::testing::AtMost(1))
            .WillRepeatedly(Invoke([&](int id, const char* sender, int size, const void* data,
                                       int flags) -> tvk::IMessage* {
                EXPECT_EQ(id, static_cast<int>(0xFC050201u));
                EXPECT_STREQ(sender, "outputcolorspacemodel");
                EXPECT_EQ(size, 108);
                EXPECT_EQ(flags, 0);
                const auto* bytes = static_cast<const unsigned char*>(data);
                reply.emplace(bytes, bytes + size);
                return &outgoing;
            }));
        const auto in = ocsm_test::command(0xFC050201u);
        const tvk::IMessage* result = model.getRegularScreenInterfaceInfo(&in);
        EXPECT_EQ(result, reply ? &outgoing : nullptr);
        ::testing::Mock::VerifyAndClearExpectations(&services.center);
        EXPECT_THAT(emitted, IsEmpty());
        return reply;
    }
};

TEST_F(InterfaceInfoTest, RepliesWithTheFirstOutputsInterface) {
    const std::string name62(62, 'n');
    const struct {
        std::string name;
        std::string stored;
    } cases[] = {{"HDMI 1-3", "HDMI 1-3"}, {name62, name62}, {name62 + "x", ""}, {"", ""}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        clear({screenAnswer({screen(1, 2, {7, 8}), screen(2, 2, {9})}),
               interfaceAnswer({interfaceEntry(7, c.name)})});
        EXPECT_EQ(run(), interfaceRecord(7, c.stored));
        EXPECT_THAT(restlink_double::requestCalls(),
                    ::testing::IsSupersetOf(Texts{"createRequest GET " + kInterfacePath,
                                                  "addUrlKeyValue interfaceId=7"}));
        EXPECT_THAT(warnings(), IsEmpty());
    }
}

TEST_F(InterfaceInfoTest, FailuresWarnAndReplyNothing) {
    const std::string null7 = "\"interface(7)'s info is null.\"";
    const std::string nullMinus3 = "\"interface(-3)'s info is null.\"";
    const std::string with7 = screenAnswer({screen(1, 2, {7})});
    const std::string withMinus3 = screenAnswer({screen(1, 2, {-3})});
    // clang-format off
    const struct {
        const char* what;
        Answers answers;
        Texts warnings;
    } cases[] = {
        {"first screen without outputs", {screenAnswer({screen(1, 2, {}), screen(2, 2, {9})})},
         {"output list is empty."}},
        {"no screen", {screenAnswer({})}, {"regular screen list is empty."}},
        {"screen query fails", {std::nullopt}, {kScreenRequestFailed}},
        {"another interface", {with7, interfaceAnswer({interfaceEntry(8, "other")})}, {null7}},
        {"two interfaces", {with7, interfaceAnswer({interfaceEntry(7, "a"), interfaceEntry(8, "b")})},
         {null7}},
        {"no interface", {with7, interfaceAnswer({})}, {null7}},
        {"interface query fails", {withMinus3, std::nullopt},
         {"on get interface list-detail send request failed. url :  " + kInterfacePath, nullMinus3}},
        {"interface answer not decodable", {withMinus3, "{"},
         {"interface detail decode json failed :  error at line :0 col :1 msg:object key must be string",
          nullMinus3}},
    };
    // clang-format on
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        clear(c.answers);
        EXPECT_FALSE(run());
        EXPECT_EQ(warnings(), c.warnings);
    }
    EXPECT_THAT(restlink_double::calls(), ::testing::Contains("addUrlKeyValue interfaceId=-3"));
}

TEST_F(InterfaceInfoTest, InterfaceQueryTouchesOnlyItsFields) {
    s_InterfaceSourceInfo info;
    const auto* bytes = reinterpret_cast<const unsigned char*>(&info);
    std::memset(static_cast<void*>(&info), 0x5A, sizeof info);
    clear({interfaceAnswer({interfaceEntry(8, "other")}),
           interfaceAnswer({interfaceEntry(7, "")}, 500)});
    EXPECT_FALSE(model.getScreenInterfaceInfo(info, 7));
    EXPECT_EQ(Bytes(bytes, bytes + sizeof info), Bytes(108, 0x5A));

    // A matching entry fills its fields and the name whatever the code, and nothing else.
    EXPECT_TRUE(model.getScreenInterfaceInfo(info, 7));
    Bytes expected = interfaceRecord(7, "");
    for (size_t offset :
         {4, 5, 6, 7, 8, 9, 10, 11, 28, 29, 30, 31, 36, 37, 38, 39, 40, 105, 106, 107})
        expected[offset] = 0x5A;
    EXPECT_EQ(Bytes(bytes, bytes + sizeof info), expected);
}

// ------------------------------------------------------------ routing and logs

TEST_F(ComponentTest, HandlersAreReachedThroughTheHostEntry) {
    EXPECT_CALL(services.commands, subscribe(_, _)).Times(2).WillRepeatedly(Return(0));
    EXPECT_CALL(services.events, subscribe(_, _)).Times(3).WillRepeatedly(Return(0));
    const auto init = ocsm_test::command(tvk::kInitMessageId);
    model.handleMessage(&init);

    clear({"{\"code\":0}", "{\"code\":0}"});
    const FakeMessage asCommand(tvk::kCommandType, 0xFC050205u, colorSpacePayload(1, 2));
    const FakeMessage asEvent(tvk::kEventType, 0xFC050205u, colorSpacePayload(1, 2));
    EXPECT_EQ(model.handleMessage(&asCommand), nullptr);  // the outcome goes out as an event
    EXPECT_EQ(model.handleMessage(&asEvent), nullptr);
    const Emitted posted{0xFC070203u, 1, {1}, {}, "post"};
    EXPECT_EQ(emitted, (std::vector<Emitted>{posted, posted}));
}

TEST_F(ComponentTest, WarningsCarryTheComponentsContext) {
    const auto in = ocsm_test::event(0x00071107u);
    model.changeColorSpace(&in);
    const auto lines = log.taken();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].type, QtWarningMsg);
    EXPECT_EQ(lines[0].file, "outputcolorspacemodel");
    EXPECT_EQ(lines[0].category, "default");
    EXPECT_GT(lines[0].line, 0);
    EXPECT_THAT(lines[0].function,
                ::testing::HasSubstr("ColorSpace::OutputColorSpaceModel::changeColorSpace("));
}

}  // namespace

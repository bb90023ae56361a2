// The component's four handlers and two REST queries, against a scripted
// device HTTP client library and mocked host services: every request the
// component makes, every warning line and every payload byte it sends.
#include "outputcolorspacemodel/outputcolorspacemodel.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "qtcapture.h"
#include "restlink_double.h"
#include "tvkmocks.h"

namespace {

using LCD::ProtoModel::Interface::s_InterfaceSourceInfo;
using LCD::ProtoModel::Screen::s_ScreenColorSpace;
using LCD::ProtoModel::Screen::s_ScreenDetail;
using ::testing::_;
using ::testing::ElementsAre;
using ::testing::Invoke;
using ::testing::IsEmpty;
using ::testing::Return;
using ::testing::StrEq;

constexpr char kScreenPath[] = "/orvex/v1/screen/list-detail";
constexpr char kInterfacePath[] = "/orvex/v1/interface/list-detail";
constexpr char kColorSpacePath[] = "/orvex/v1/screen/color-space";

int asInt(unsigned int id) {
    return static_cast<int>(id);
}

// One screen object with an identifier, a colour space and the interface ids of
// its outputs.
std::string screen(int id, int preset, const std::vector<int>& outputs) {
    std::string text = "{\"screenId\":" + std::to_string(id) +
                       ",\"screenIdObj\":{\"id\":" + std::to_string(id) +
                       ",\"type\":2},\"colorSpace\":{\"preset\":" + std::to_string(preset) +
                       "},\"mosaic\":{\"outputs\":[";
    for (size_t i = 0; i < outputs.size(); ++i) {
        if (i) text += ",";
        text += "{\"interfaceId\":" + std::to_string(outputs[i]) + "}";
    }
    return text + "]}}";
}

std::string screenAnswer(const std::vector<std::string>& screens, int code = 0) {
    std::string list;
    for (const std::string& s : screens)
        list += (list.empty() ? "" : ",") + s;
    return "{\"code\":" + std::to_string(code) + ",\"message\":\"success\",\"data\":{\"list\":[" +
           list + "],\"count\":" + std::to_string(screens.size()) + ",\"page\":1}}";
}

std::string interfaceEntry(int id, const std::string& name) {
    return "{\"interfaceId\":" + std::to_string(id) +
           ",\"interfaceIdObj\":{\"nodeId\":1,\"slotId\":3,\"connectorId\":4,\"splitId\":0},"
           "\"auxiliaryInfo\":{\"connectorInfo\":{\"interfaceType\":1,\"type\":6,\"workMode\":2,"
           "\"capacity\":1300}},\"general\":{\"name\":\"" +
           name + "\"}}";
}

std::string interfaceAnswer(const std::vector<std::string>& entries, int code = 0) {
    std::string list;
    for (const std::string& e : entries)
        list += (list.empty() ? "" : ",") + e;
    return "{\"code\":" + std::to_string(code) + ",\"message\":\"ok\",\"data\":{\"list\":[" + list +
           "]}}";
}

// A message the host hands back from createMessage; only its address matters.
ocsm_test::FakeMessage outgoing(tvk::kEventType, 0);

std::vector<std::string> warnings(const ocsm_test::QtLogCapture& log) {
    std::vector<std::string> texts;
    for (const auto& line : log.taken())
        texts.push_back(line.text);
    return texts;
}

class ComponentTest : public ::testing::Test {
protected:
    void SetUp() override {
        restlink_double::reset();
        restlink_double::setToken("t0ken");
    }

    // Expects exactly one event through sendEvent and keeps its payload bytes.
    void expectSentEvent(unsigned int id) {
        EXPECT_CALL(services.events, createMessage(asInt(id), _, _, StrEq("outputcolorspacemodel")))
            .WillOnce(Invoke([this](int, int size, const void* data, const char*) {
                sentSize = size;
                sent.assign(static_cast<const char*>(data), static_cast<const char*>(data) + size);
                return &outgoing;
            }));
        EXPECT_CALL(services.events,
                    send(::testing::Pointee(static_cast<tvk::IMessage*>(&outgoing)), 9))
            .WillOnce(Return(0));
    }

    void expectPostedFlag(unsigned char flag) {
        EXPECT_CALL(services.events,
                    createMessage(asInt(0xFC070203u), 1, _, StrEq("outputcolorspacemodel")))
            .WillOnce(Invoke([flag](int, int, const void* data, const char*) {
                EXPECT_EQ(*static_cast<const unsigned char*>(data), flag);
                return &outgoing;
            }));
        EXPECT_CALL(services.events,
                    post(::testing::Pointee(static_cast<tvk::IMessage*>(&outgoing))))
            .WillOnce(Return(0));
    }

    ocsm_test::ServicesFixtureHost services;
    ColorSpace::OutputColorSpaceModel model;
    ocsm_test::QtLogCapture log;
    int sentSize = -1;
    std::vector<char> sent;
};

std::vector<unsigned char> colorSpacePayload(int screenId, int preset) {
    std::vector<unsigned char> bytes(8);
    std::memcpy(bytes.data(), &screenId, 4);
    std::memcpy(bytes.data() + 4, &preset, 4);
    return bytes;
}

ocsm_test::FakeMessage autoReport(const std::string& text) {
    return ocsm_test::FakeMessage(tvk::kEventType, 0x00071107u,
                                  std::vector<unsigned char>(text.begin(), text.end()));
}

// ---------------------------------------------------------------- screen query

TEST_F(ComponentTest, ScreenQueryMakesTheLibraryCallsInOrder) {
    restlink_double::answer(screenAnswer({screen(1, 2, {})}));
    s_ScreenDetail detail;
    int type = 2;
    ASSERT_TRUE(model.getScreenDetail(detail, nullptr, &type));
    EXPECT_THAT(
        restlink_double::calls(),
        ElementsAre("HttpSingleTon::getInstance", "getHttpClient",
                    std::string("createRequest GET ") + kScreenPath, "HttpLogin::getInstance",
                    "getToken", "setHead Authorization=t0ken", "addUrlKeyValue screenType=2",
                    "sendRequest status=0", "getBody", "getBodySize"));
    ASSERT_EQ(detail.list.size(), 1u);
    EXPECT_EQ(detail.count, 1);
    EXPECT_EQ(detail.page, 1);
}

TEST_F(ComponentTest, ScreenQueryKeysFollowThePointersGiven) {
    s_ScreenDetail detail;
    int id = -1, type = 2;
    restlink_double::answer(screenAnswer({}));
    model.getScreenDetail(detail, nullptr, nullptr);
    restlink_double::answer(screenAnswer({}));
    model.getScreenDetail(detail, &id, &type);
    restlink_double::answer(screenAnswer({}));
    model.getScreenDetail(detail, &id, nullptr);

    std::vector<std::string> keys;
    for (const std::string& call : restlink_double::calls())
        if (call.rfind("addUrlKeyValue", 0) == 0 || call.rfind("createRequest", 0) == 0)
            keys.push_back(call);
    EXPECT_THAT(keys, ElementsAre(std::string("createRequest GET ") + kScreenPath,
                                  std::string("createRequest GET ") + kScreenPath,
                                  "addUrlKeyValue screenId=-1", "addUrlKeyValue screenType=2",
                                  std::string("createRequest GET ") + kScreenPath,
                                  "addUrlKeyValue screenId=-1"));
}

TEST_F(ComponentTest, ScreenQuerySendsAnEmptyTokenAsIs) {
    restlink_double::setToken("");
    restlink_double::answer(screenAnswer({}));
    s_ScreenDetail detail;
    model.getScreenDetail(detail, nullptr, nullptr);
    EXPECT_THAT(restlink_double::calls(), ::testing::Contains("setHead Authorization="));
}

TEST_F(ComponentTest, ScreenQueryFailuresLeaveTheRecordAsItWas) {
    s_ScreenDetail detail;
    detail.count = 9;
    detail.list.resize(2);
    detail.list[1].screenId = 44;
    int type = 2;

    restlink_double::answer(std::nullopt);
    EXPECT_FALSE(model.getScreenDetail(detail, nullptr, &type));
    restlink_double::answer("");
    EXPECT_FALSE(model.getScreenDetail(detail, nullptr, &type));
    // A document cut short fails after part of it was read: still untouched.
    // The text is 41 bytes on line 0; the error comes when the cursor has run
    // onto the terminating NUL at index 41, so column 41.
    restlink_double::answer("{\"data\":{\"count\":3,\"list\":[{\"screenId\":1}");
    EXPECT_FALSE(model.getScreenDetail(detail, nullptr, &type));

    EXPECT_EQ(detail.count, 9);
    ASSERT_EQ(detail.list.size(), 2u);
    EXPECT_EQ(detail.list[1].screenId, 44);
    EXPECT_THAT(warnings(log),
                ElementsAre(std::string("on get screen list-detail send request failed. url :  ") +
                                kScreenPath,
                            "screen detail decode json failed :  error at line :0 col :0 "
                            "msg:read object must start with {!",
                            "screen detail decode json failed :  error at line :0 col :41 "
                            "msg:no valid array!"));
}

TEST_F(ComponentTest, ScreenQueryTakesTheDataWhateverTheCode) {
    restlink_double::answer(screenAnswer({screen(4, 1, {})}, 1001));
    s_ScreenDetail detail;
    detail.list.resize(3);
    ASSERT_TRUE(model.getScreenDetail(detail, nullptr, nullptr));
    ASSERT_EQ(detail.list.size(), 1u);
    EXPECT_EQ(detail.list[0].screenId, 4);

    restlink_double::answer(screenAnswer({}));
    ASSERT_TRUE(model.getScreenDetail(detail, nullptr, nullptr));
    EXPECT_THAT(detail.list, IsEmpty());
    EXPECT_THAT(warnings(log), IsEmpty());
}

// ------------------------------------------------------------ get colour space

TEST_F(ComponentTest, GetColorSpaceSendsTheFirstScreensIdAndPreset) {
    restlink_double::answer(screenAnswer({screen(7, 3, {}), screen(8, 1, {})}));
    expectSentEvent(0xFC070204u);
    const ocsm_test::FakeMessage in(tvk::kEventType, 0xFC050206u, {1, 2, 3});  // payload unread
    EXPECT_EQ(model.getColorSpace(&in), nullptr);

    ASSERT_EQ(sentSize, 8);
    EXPECT_EQ(sent, std::vector<char>({7, 0, 0, 0, 3, 0, 0, 0}));
    EXPECT_THAT(warnings(log), IsEmpty());
}

TEST_F(ComponentTest, GetColorSpaceSendsANegativePresetLittleEndian) {
    restlink_double::answer(screenAnswer({"{\"screenId\":258}"}));  // no colorSpace: preset -1
    expectSentEvent(0xFC070204u);
    const auto in = ocsm_test::event(0xFC050206u);
    model.getColorSpace(&in);
    const char minusOne = static_cast<char>(0xFF);
    EXPECT_EQ(sent, std::vector<char>({2, 1, 0, 0, minusOne, minusOne, minusOne, minusOne}));
}

TEST_F(ComponentTest, GetColorSpaceWarnsWithoutScreens) {
    const auto in = ocsm_test::event(0xFC050206u);
    restlink_double::answer(std::nullopt);
    EXPECT_EQ(model.getColorSpace(&in), nullptr);
    restlink_double::answer(screenAnswer({}));
    EXPECT_EQ(model.getColorSpace(&in), nullptr);
    EXPECT_THAT(warnings(log),
                ElementsAre(std::string("on get screen list-detail send request failed. url :  ") +
                                kScreenPath,
                            "screen list is empty.", "Fail to get color mode space:  size is 0"));
}

// ------------------------------------------------------------ set colour space

TEST_F(ComponentTest, SetColorSpacePutsOneRecordAndPostsSuccess) {
    restlink_double::answer("{\"code\":0,\"message\":\"success\",\"data\":null}");
    expectPostedFlag(1);
    const ocsm_test::FakeMessage in(tvk::kCommandType, 0xFC050205u, colorSpacePayload(3, 1));
    EXPECT_EQ(model.setColorSpace(&in), nullptr);

    const std::string body = "[{\"screenId\":3,\"colorSpace\":{\"preset\":1}}]";
    EXPECT_THAT(restlink_double::calls(),
                ElementsAre("HttpSingleTon::getInstance", "getHttpClient",
                            std::string("createRequest PUT ") + kColorSpacePath,
                            "setHead Content-Type=application/json", "HttpLogin::getInstance",
                            "getToken", "setHead Authorization=t0ken",
                            "setBody " + body + " " + std::to_string(body.size()),
                            "sendRequest status=0", "getBody", "getBodySize"));
    EXPECT_THAT(warnings(log), IsEmpty());
}

TEST_F(ComponentTest, SetColorSpaceWritesNegativeValuesWithTheirSign) {
    restlink_double::answer("{\"code\":0}");
    expectPostedFlag(1);
    const ocsm_test::FakeMessage in(tvk::kEventType, 0xFC050205u,
                                    colorSpacePayload(-2147483647 - 1, -1));
    model.setColorSpace(&in);
    EXPECT_THAT(restlink_double::calls(),
                ::testing::Contains(
                    "setBody [{\"screenId\":-2147483648,\"colorSpace\":{\"preset\":-1}}] 53"));
}

TEST_F(ComponentTest, SetColorSpacePostsFailureWhenTheControllerRefuses) {
    restlink_double::answer("{\"code\":1002,\"message\":\"unknown screen 9\",\"data\":{}}");
    expectPostedFlag(0);
    const ocsm_test::FakeMessage in(tvk::kEventType, 0xFC050205u, colorSpacePayload(9, 1));
    model.setColorSpace(&in);
    EXPECT_THAT(warnings(log),
                ElementsAre("color space not set. code : 1002 message : unknown screen 9"));
}

TEST_F(ComponentTest, SetColorSpacePostsFailureOnAnUndecodableAnswer) {
    restlink_double::answer("<html>");  // a word running into the end: column 6
    expectPostedFlag(0);
    const ocsm_test::FakeMessage in(tvk::kEventType, 0xFC050205u, colorSpacePayload(1, 1));
    model.setColorSpace(&in);
    EXPECT_THAT(warnings(log), ElementsAre("color space answer decode json failed :  error at "
                                           "line :0 col :6 msg:not a valid string!"));
}

TEST_F(ComponentTest, SetColorSpaceWithoutResponsePostsNothing) {
    restlink_double::answer(std::nullopt);
    const ocsm_test::FakeMessage in(tvk::kEventType, 0xFC050205u, colorSpacePayload(1, 1));
    EXPECT_EQ(model.setColorSpace(&in), nullptr);
    EXPECT_THAT(warnings(log),
                ElementsAre(std::string("on put color space send request failed. url :  ") +
                            kColorSpacePath));
}

TEST_F(ComponentTest, SetColorSpaceRefusesPayloadsThatAreNotEightBytes) {
    for (size_t size : {0u, 7u, 9u}) {
        const ocsm_test::FakeMessage in(tvk::kEventType, 0xFC050205u,
                                        std::vector<unsigned char>(size, 1));
        EXPECT_EQ(model.setColorSpace(&in), nullptr);
    }
    EXPECT_THAT(restlink_double::calls(), IsEmpty());
    EXPECT_THAT(warnings(log), ElementsAre("command does not correct.", "command does not correct.",
                                           "command does not correct."));
}

// ---------------------------------------------------------- change colour space

TEST_F(ComponentTest, ChangeColorSpaceRelaysTheListObject) {
    std::vector<s_ScreenColorSpace> relayed;
    EXPECT_CALL(services.events, createMessage(asInt(0xFC080204u), 24, _, _))
        .WillOnce(Invoke([&](int, int, const void* data, const char*) {
            // The payload is the list object itself, readable while the event is delivered.
            relayed = *static_cast<const std::vector<s_ScreenColorSpace>*>(data);
            return &outgoing;
        }));
    EXPECT_CALL(services.events, send(_, 9)).WillOnce(Return(0));

    const auto in = autoReport(
        "{\"source\":\"device\",\"seq\":12,\"tl\":{\"CommandCode\":463111,\"ErrorCode\":0},"
        "\"body\":\"[{\\\"screenId\\\":1,\\\"colorSpace\\\":{\\\"preset\\\":2}},"
        "{\\\"screenId\\\":5}]\"}");
    EXPECT_EQ(model.changeColorSpace(&in), nullptr);

    ASSERT_EQ(relayed.size(), 2u);
    EXPECT_EQ(relayed[0].screenId, 1);
    EXPECT_EQ(relayed[0].colorSpace.preset, 2);
    EXPECT_EQ(relayed[1].screenId, 5);
    EXPECT_EQ(relayed[1].colorSpace.preset, -1);
    EXPECT_THAT(restlink_double::calls(), IsEmpty());  // no device query for a report
}

TEST_F(ComponentTest, ChangeColorSpaceRelaysAnEmptyList) {
    size_t entries = 99;
    EXPECT_CALL(services.events, createMessage(asInt(0xFC080204u), 24, _, _))
        .WillOnce(Invoke([&](int, int, const void* data, const char*) {
            entries = static_cast<const std::vector<s_ScreenColorSpace>*>(data)->size();
            return &outgoing;
        }));
    EXPECT_CALL(services.events, send(_, 9)).WillOnce(Return(0));
    const auto in = autoReport("{\"body\":\"[]\"}");
    model.changeColorSpace(&in);
    EXPECT_EQ(entries, 0u);
}

TEST_F(ComponentTest, ChangeColorSpaceWarnsAndSendsNothingOnBadReports) {
    const auto missing = ocsm_test::event(0x00071107u);
    const auto notJson = autoReport("{\"body\":5}");
    const auto errorCode = autoReport("{\"tl\":{\"ErrorCode\":5},\"body\":\"[]\"}");
    const auto badBody = autoReport("{\"body\":\"[{\\\"screenId\\\":1} x]\"}");
    // Columns: in {"body":5} the number ends before the } at index 9; in the
    // body text [{"screenId":1} x] the word x ends before the ] at index 17.
    for (const auto* in : {&missing, &notJson, &errorCode, &badBody})
        EXPECT_EQ(model.changeColorSpace(in), nullptr);
    EXPECT_THAT(warnings(log),
                ElementsAre("msg data is null.", "error at line :0 col :9 msg:not a valid string.",
                            "\"auto report data error. error code : 5.\"",
                            "error at line :0 col :17 msg:no valid array!"));
}

TEST_F(ComponentTest, ChangeColorSpaceReadsUpToTheFirstNulButNeverPastThePayload) {
    EXPECT_CALL(services.events, createMessage(asInt(0xFC080204u), 24, _, _))
        .WillOnce(Return(&outgoing));
    EXPECT_CALL(services.events, send(_, 9)).WillOnce(Return(0));
    std::string withNul = "{\"body\":\"[]\"}";
    withNul += '\0';
    withNul += "garbage that is never read";
    const auto nulInside = autoReport(withNul);
    model.changeColorSpace(&nulInside);

    // Without a NUL the text ends with the payload: here inside a word, which the
    // reader refuses instead of running on into whatever memory follows (the
    // 18-byte text ends at column 18).
    const auto noNul = autoReport("{\"body\":\"[]\"} tail");
    model.changeColorSpace(&noNul);
    EXPECT_THAT(warnings(log), ElementsAre("error at line :0 col :18 msg:not a valid string!"));
}

// ------------------------------------------------- regular screen interface info

class InterfaceInfoTest : public ComponentTest {
protected:
    // Runs the command and returns the 108 bytes of its reply, or nothing.
    std::optional<std::vector<unsigned char>> run() {
        std::optional<std::vector<unsigned char>> reply;
        ON_CALL(services.center, createMessage(_, _, _, _, _))
            .WillByDefault(Invoke([&](int id, const char* sender, int size, const void* data,
                                      int flags) -> tvk::IMessage* {
                EXPECT_EQ(id, asInt(0xFC050201u));
                EXPECT_STREQ(sender, "outputcolorspacemodel");
                EXPECT_EQ(size, 108);
                EXPECT_EQ(flags, 0);
                const auto* bytes = static_cast<const unsigned char*>(data);
                reply.emplace(bytes, bytes + size);
                return &outgoing;
            }));
        EXPECT_CALL(services.center, createMessage(_, _, _, _, _)).Times(::testing::AtMost(1));
        const auto in = ocsm_test::command(0xFC050201u);
        const tvk::IMessage* result = model.getRegularScreenInterfaceInfo(&in);
        EXPECT_EQ(result, reply ? &outgoing : nullptr);
        return reply;
    }

    static int32_t int32At(const std::vector<unsigned char>& bytes, size_t offset) {
        int32_t value;
        std::memcpy(&value, bytes.data() + offset, 4);
        return value;
    }
};

TEST_F(InterfaceInfoTest, RepliesWithTheFirstOutputsInterface) {
    restlink_double::answer(screenAnswer({screen(1, 2, {7, 8}), screen(2, 2, {9})}));
    restlink_double::answer(interfaceAnswer({interfaceEntry(7, "HDMI 1-3")}));
    const auto reply = run();
    ASSERT_TRUE(reply);

    EXPECT_EQ(int32At(*reply, 0), 7);
    EXPECT_EQ((*reply)[0], 7);  // little-endian
    EXPECT_EQ(int32At(*reply, 12), 3);
    EXPECT_EQ(int32At(*reply, 16), 4);
    EXPECT_EQ(int32At(*reply, 20), 1300);
    EXPECT_EQ(int32At(*reply, 24), 6);
    EXPECT_EQ(int32At(*reply, 32), 2);
    EXPECT_STREQ(reinterpret_cast<const char*>(reply->data() + 41), "HDMI 1-3");
    for (size_t offset : {4u,  5u,  6u,  7u,  8u,  9u,  10u, 11u,  28u,  29u,
                          30u, 31u, 36u, 37u, 38u, 39u, 40u, 105u, 106u, 107u})
        EXPECT_EQ((*reply)[offset], 0) << "reserved byte " << offset;
    for (size_t offset = 41 + 8; offset < 105; ++offset)
        EXPECT_EQ((*reply)[offset], 0);

    EXPECT_THAT(restlink_double::requestCalls(),
                ::testing::IsSupersetOf({std::string("createRequest GET ") + kInterfacePath,
                                         std::string("addUrlKeyValue interfaceId=7")}));
    EXPECT_THAT(warnings(log), IsEmpty());
}

TEST_F(InterfaceInfoTest, NamesOfSixtyThreeCharactersAreLeftOut) {
    const std::string name62(62, 'n');
    restlink_double::answer(screenAnswer({screen(1, 2, {7})}));
    restlink_double::answer(interfaceAnswer({interfaceEntry(7, name62)}));
    auto reply = run();
    ASSERT_TRUE(reply);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(reply->data() + 41)), name62);
    EXPECT_EQ((*reply)[41 + 62], 0);
    EXPECT_EQ((*reply)[41 + 63], 0);

    restlink_double::answer(screenAnswer({screen(1, 2, {7})}));
    restlink_double::answer(interfaceAnswer({interfaceEntry(7, name62 + "x")}));
    reply = run();
    ASSERT_TRUE(reply);
    EXPECT_EQ(std::vector<unsigned char>(reply->begin() + 41, reply->begin() + 105),
              std::vector<unsigned char>(64, 0));
    EXPECT_EQ(int32At(*reply, 0), 7);
}

TEST_F(InterfaceInfoTest, OnlyTheFirstScreenCounts) {
    restlink_double::answer(screenAnswer({screen(1, 2, {}), screen(2, 2, {9})}));
    EXPECT_FALSE(run());
    restlink_double::answer(screenAnswer({}));
    EXPECT_FALSE(run());
    EXPECT_THAT(warnings(log),
                ElementsAre("output list is empty.", "regular screen list is empty."));
}

TEST_F(InterfaceInfoTest, AnythingButTheOneInterfaceAskedForIsNoAnswer) {
    for (const std::string& answer :
         {interfaceAnswer({interfaceEntry(8, "other")}),
          interfaceAnswer({interfaceEntry(7, "a"), interfaceEntry(8, "b")}), interfaceAnswer({})}) {
        restlink_double::answer(screenAnswer({screen(1, 2, {7})}));
        restlink_double::answer(answer);
        EXPECT_FALSE(run());
    }
    EXPECT_THAT(warnings(log),
                ElementsAre("\"interface(7)'s info is null.\"", "\"interface(7)'s info is null.\"",
                            "\"interface(7)'s info is null.\""));
}

TEST_F(InterfaceInfoTest, QueryFailuresWarnBeforeTheHandler) {
    restlink_double::answer(screenAnswer({screen(1, 2, {-3})}));
    restlink_double::answer(std::nullopt);
    EXPECT_FALSE(run());
    restlink_double::answer(screenAnswer({screen(1, 2, {-3})}));
    restlink_double::answer("{");
    EXPECT_FALSE(run());
    restlink_double::answer(std::nullopt);  // the screen query itself fails
    EXPECT_FALSE(run());

    EXPECT_THAT(restlink_double::calls(), ::testing::Contains("addUrlKeyValue interfaceId=-3"));
    EXPECT_THAT(
        warnings(log),
        ElementsAre(
            std::string("on get interface list-detail send request failed. url :  ") +
                kInterfacePath,
            "\"interface(-3)'s info is null.\"",
            "interface detail decode json failed :  error at line :0 col :1 "
            "msg:object key must be string",
            "\"interface(-3)'s info is null.\"",
            std::string("on get screen list-detail send request failed. url :  ") + kScreenPath));
}

TEST_F(InterfaceInfoTest, InterfaceQueryLeavesTheRecordUntouchedOnFailure) {
    s_InterfaceSourceInfo info;
    std::memset(static_cast<void*>(&info), 0x5A, sizeof info);
    restlink_double::answer(interfaceAnswer({interfaceEntry(8, "other")}, 0));
    EXPECT_FALSE(model.getScreenInterfaceInfo(info, 7));
    const auto* bytes = reinterpret_cast<const unsigned char*>(&info);
    EXPECT_EQ(std::vector<unsigned char>(bytes, bytes + sizeof info),
              std::vector<unsigned char>(108, 0x5A));

    // A matching entry fills its fields and the name, and nothing else.
    restlink_double::answer(interfaceAnswer({interfaceEntry(7, "")}, 500));
    EXPECT_TRUE(model.getScreenInterfaceInfo(info, 7));
    EXPECT_EQ(bytes[4], 0x5A);
    EXPECT_EQ(bytes[28], 0x5A);
    EXPECT_EQ(bytes[36], 0x5A);
    EXPECT_EQ(bytes[105], 0x5A);
    EXPECT_EQ(std::vector<unsigned char>(bytes + 41, bytes + 105),
              std::vector<unsigned char>(64, 0));
}

// ------------------------------------------------------------ routing and logs

TEST_F(ComponentTest, HandlersAreReachedThroughTheHostEntry) {
    EXPECT_CALL(services.commands, subscribe(_, _)).Times(2).WillRepeatedly(Return(0));
    EXPECT_CALL(services.events, subscribe(_, _)).Times(3).WillRepeatedly(Return(0));
    const auto init = ocsm_test::command(tvk::kInitMessageId);
    model.handleMessage(&init);

    restlink_double::answer("{\"code\":0}");
    restlink_double::answer("{\"code\":0}");
    EXPECT_CALL(services.events, createMessage(asInt(0xFC070203u), 1, _, _))
        .Times(2)
        .WillRepeatedly(Return(&outgoing));
    EXPECT_CALL(services.events, post(_)).Times(2).WillRepeatedly(Return(0));
    const ocsm_test::FakeMessage asCommand(tvk::kCommandType, 0xFC050205u, colorSpacePayload(1, 2));
    const ocsm_test::FakeMessage asEvent(tvk::kEventType, 0xFC050205u, colorSpacePayload(1, 2));
    EXPECT_EQ(model.handleMessage(&asCommand), nullptr);  // the outcome goes out as an event
    EXPECT_EQ(model.handleMessage(&asEvent), nullptr);
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

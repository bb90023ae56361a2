// The colour space component against the scripted restlink and a recording host: its
// subscriptions, every request it makes, every warning line and every byte it hands the host.
#include "outputcolorspacemodel/outputcolorspacemodel.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "qtlog.h"
#include "recordinghost.h"
#include "restlink_double.h"

namespace {

using LCD::ProtoModel::Interface::s_InterfaceSourceInfo;
using LCD::ProtoModel::Screen::s_ScreenDetail;
using namespace ocsm_test;
using Answers = std::vector<std::optional<std::string>>;
using Texts = std::vector<std::string>;

const std::string kScreenPath = "/orvex/v1/screen/list-detail";
const std::string kInterfacePath = "/orvex/v1/interface/list-detail";
const std::string kColorSpacePath = "/orvex/v1/screen/color-space";
const std::string kScreenRequestFailed =
    "on get screen list-detail send request failed. url :  " + kScreenPath;
const char kName[] = "outputcolorspacemodel";

std::string joined(const Texts& items) {
    std::string text;
    for (const std::string& item : items)
        text += (text.empty() ? "" : ",") + item;
    return text;
}

// One screen with an identifier, a colour space and the interface ids of its outputs.
std::string screen(int id, int preset, const std::vector<int>& outputs) {
    Texts objects;
    for (int output : outputs)
        objects.push_back("{\"interfaceId\":" + std::to_string(output) + "}");
    return "{\"screenId\":" + std::to_string(id) +
           ",\"colorSpace\":{\"preset\":" + std::to_string(preset) + "},\"mosaic\":{\"outputs\":[" +
           joined(objects) + "]}}";
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

// The 108 reply bytes for interfaceEntry(id, name): what no field covers stays zero.
Bytes interfaceRecord(int id, const std::string& storedName) {
    Bytes bytes = le32({id, 0, 0, 3, 4, 1300, 6, 0, 2});
    bytes.resize(108);
    std::memcpy(bytes.data() + 41, storedName.data(), storedName.size());
    return bytes;
}

Sent event(unsigned int id, Bytes bytes, const char* how = "send 9") {
    return {how, id, kName, std::move(bytes)};
}

Bytes text(const std::string& json) {
    return Bytes(json.begin(), json.end());
}

Message autoReport(const std::string& report) {
    return ocsm_test::event(0x00071107u, text(report));
}

class ComponentTest : public ::testing::Test {
protected:
    // Forgets calls, answers, what was sent and log lines between the cases of a table.
    void clear(const Answers& answers = {}) {
        restlink_double::reset();
        restlink_double::setToken("t0ken");
        for (const auto& body : answers)
            restlink_double::answer(body);
        host.clear();
        log.clear();
    }

    RecordingHost host;  // before the model: it looks the services up when constructed
    ColorSpace::OutputColorSpaceModel model;
    QtLogCapture log;
};

TEST_F(ComponentTest, InitialisationSubscribesFourHandlersUnderFiveIdentifiersInOrder) {
    const Message init = command(tvk::kInitMessageId);
    for (int round = 0; round < 2; ++round) {  // a repeated start subscribes again
        host.clear();
        model.handleMessage(&init);
        EXPECT_EQ(host.calls(), (Texts{"subscribe command 0xFC050201 outputcolorspacemodel",
                                       "subscribe event 0xFC050205 outputcolorspacemodel",
                                       "subscribe command 0xFC050205 outputcolorspacemodel",
                                       "subscribe event 0xFC050206 outputcolorspacemodel",
                                       "subscribe event 0x00071107 outputcolorspacemodel"}));
    }
    // Set colour space is reached both as a command and as an event; the outcome is posted.
    clear({"{\"code\":0}", "{\"code\":0}"});
    const Message asCommand = command(0xFC050205u, le32({1, 2}));
    const Message asEvent = ocsm_test::event(0xFC050205u, le32({1, 2}));
    EXPECT_EQ(model.handleMessage(&asCommand), nullptr);
    EXPECT_EQ(model.handleMessage(&asEvent), nullptr);
    EXPECT_EQ(host.sent(), (std::vector<Sent>{event(0xFC070203u, {1}, "post"),
                                              event(0xFC070203u, {1}, "post")}));
}

// ---------------------------------------------------------------- screen query

// The library's calls in order; a null pointer leaves its key out; the token goes out as it is.
TEST_F(ComponentTest, ScreenQueryMakesTheLibraryCallsInOrder) {
    int id = -1, type = 2;
    const struct {
        int* id;
        int* type;
        const char* token;
        Texts keys;
    } cases[] = {
        {nullptr, &type, "t0ken", {"addUrlKeyValue screenType=2"}},
        {nullptr, nullptr, "", {}},
        {&id, &type, "t0ken", {"addUrlKeyValue screenId=-1", "addUrlKeyValue screenType=2"}},
        {&id, nullptr, "t0ken", {"addUrlKeyValue screenId=-1"}},
    };
    for (const auto& c : cases) {
        clear({screenAnswer({screen(1, 2, {})})});
        restlink_double::setToken(c.token);
        s_ScreenDetail detail;
        EXPECT_TRUE(model.getScreenDetail(detail, c.id, c.type));
        EXPECT_EQ(detail.list.size() * 100 + detail.count * 10 + detail.page, 111u);
        Texts expected = {"HttpSingleTon::getInstance",
                          "getHttpClient",
                          "createRequest GET " + kScreenPath,
                          "HttpLogin::getInstance",
                          "getToken",
                          std::string("setHead Authorization=") + c.token};
        expected.insert(expected.end(), c.keys.begin(), c.keys.end());
        expected.insert(expected.end(), {"sendRequest status=0", "getBody", "getBodySize"});
        EXPECT_EQ(restlink_double::calls(), expected);
    }
}

TEST_F(ComponentTest, ScreenQueryFailuresLeaveTheRecordAsItWasAndAnyCodeIsTaken) {
    s_ScreenDetail detail;
    detail.count = 9;
    detail.list.resize(2);
    detail.list[1].screenId = 44;
    int type = 2;
    // The cut-off document fails after part of it was read: 41 bytes on line 0, the error comes
    // at the terminating NUL, so column 41.
    clear({std::nullopt, "", "{\"data\":{\"count\":3,\"list\":[{\"screenId\":1}"});
    for (int i = 0; i < 3; ++i)
        EXPECT_FALSE(model.getScreenDetail(detail, nullptr, &type));
    EXPECT_EQ(detail.count, 9);
    ASSERT_EQ(detail.list.size(), 2u);
    EXPECT_EQ(detail.list[1].screenId, 44);
    EXPECT_EQ(log.texts(), (Texts{kScreenRequestFailed,
                                  "screen detail decode json failed :  error at line :0 col :0 "
                                  "msg:read object must start with {!",
                                  "screen detail decode json failed :  error at line :0 col :41 "
                                  "msg:no valid array!"}));
    // An error code does not matter; the list is replaced, even by an empty one.
    clear({screenAnswer({screen(4, 1, {})}, 1001), screenAnswer({})});
    ASSERT_TRUE(model.getScreenDetail(detail, nullptr, nullptr));
    ASSERT_EQ(detail.list.size(), 1u);
    EXPECT_EQ(detail.list[0].screenId, 4);
    ASSERT_TRUE(model.getScreenDetail(detail, nullptr, nullptr));
    EXPECT_TRUE(detail.list.empty());
    EXPECT_TRUE(log.texts().empty());
}

// ------------------------------------------------------------ colour space handlers

TEST_F(ComponentTest, GetColorSpaceSendsTheFirstScreensIdAndPreset) {
    const struct {
        const char* what;
        std::optional<std::string> answer;
        Bytes payload;  // empty: no event
        Texts warnings;
    } cases[] = {
        {"two screens", screenAnswer({screen(7, 3, {}), screen(8, 1, {})}), le32({7, 3}), {}},
        {"no colour space: preset -1", screenAnswer({"{\"screenId\":258}"}), le32({258, -1}), {}},
        {"no response", std::nullopt, {}, {kScreenRequestFailed, "screen list is empty."}},
        {"no screen", screenAnswer({}), {}, {"Fail to get color mode space:  size is 0"}},
    };
    for (const auto& c : cases) {
        clear({c.answer});
        const Message in = ocsm_test::event(0xFC050206u, {1, 2, 3});  // the payload is not read
        EXPECT_EQ(model.getColorSpace(&in), nullptr);
        std::vector<Sent> expected;
        if (!c.payload.empty()) expected.push_back(event(0xFC070204u, c.payload));
        EXPECT_EQ(host.sent(), expected) << c.what;
        EXPECT_EQ(log.texts(), c.warnings) << c.what;
        EXPECT_THAT(restlink_double::calls(), ::testing::Contains("addUrlKeyValue screenType=2"));
    }
}

TEST_F(ComponentTest, SetColorSpacePutsOneRecordAndPostsTheOutcome) {
    const std::string put = "[{\"screenId\":3,\"colorSpace\":{\"preset\":1}}]";
    const std::string bad = "command does not correct.";
    const struct {
        const char* what;
        Bytes payload;
        std::optional<std::string> answer;
        std::string body;  // empty: no request at all
        int flag;          // -1: no event
        Texts warnings;
    } cases[] = {
        {"accepted", le32({3, 1}), "{\"code\":0,\"data\":null}", put, 1, {}},
        {"negative values",
         le32({INT32_MIN, -1}),
         "{\"code\":0}",
         "[{\"screenId\":-2147483648,\"colorSpace\":{\"preset\":-1}}]",
         1,
         {}},
        {"refused",
         le32({3, 1}),
         "{\"code\":1002,\"message\":\"unknown screen 3\",\"data\":{}}",
         put,
         0,
         {"color space not set. code : 1002 message : unknown screen 3"}},
        // A word running into the end: column 6.
        {"undecodable answer",
         le32({3, 1}),
         "<html>",
         put,
         0,
         {"color space answer decode json failed :  error at line :0 col :6 msg:not a valid "
          "string!"}},
        {"no response",
         le32({3, 1}),
         std::nullopt,
         put,
         -1,
         {"on put color space send request failed. url :  " + kColorSpacePath}},
        {"7 bytes", Bytes(7, 1), "{}", "", -1, {bad}},
        {"9 bytes", Bytes(9, 1), "{}", "", -1, {bad}},
        {"no payload", Bytes(), "{}", "", -1, {bad}},
    };
    for (const auto& c : cases) {
        clear({c.answer});
        const Message in = command(0xFC050205u, c.payload);
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
        EXPECT_EQ(restlink_double::calls(), calls) << c.what;
        std::vector<Sent> expected;
        if (c.flag >= 0)
            expected.push_back(event(0xFC070203u, {static_cast<unsigned char>(c.flag)}, "post"));
        EXPECT_EQ(host.sent(), expected) << c.what;
        EXPECT_EQ(log.texts(), c.warnings) << c.what;
    }
}

TEST_F(ComponentTest, ChangeColorSpaceRelaysTheReportedList) {
    std::string nulInside = "{\"body\":\"[]\"}";
    nulInside += '\0';
    nulInside += "garbage that is never read";
    const struct {
        const char* what;
        Message in;
        std::optional<std::string> list;  // the relayed entries; nullopt: no event
        Texts warnings;
    } cases[] = {
        {"two screens, the second without a colour space",
         autoReport(
             "{\"source\":\"device\",\"seq\":12,\"tl\":{\"CommandCode\":463111,\"ErrorCode\":"
             "0},\"body\":\"[{\\\"screenId\\\":1,\\\"colorSpace\\\":{\\\"preset\\\":2}},{"
             "\\\"screenId\\\":5}]\"}"),
         "[{\"screenId\":1,\"colorSpace\":{\"preset\":2}},"
         "{\"screenId\":5,\"colorSpace\":{\"preset\":-1}}]",
         {}},
        {"empty list", autoReport("{\"body\":\"[]\"}"), "[]", {}},
        {"text ends at the first NUL", autoReport(nulInside), "[]", {}},
        // The error code is 16 bits wide: 65536 is 0.
        {"error code 65536",
         autoReport("{\"tl\":{\"ErrorCode\":65536},\"body\":\"[]\"}"),
         "[]",
         {}},
        {"no payload", ocsm_test::event(0x00071107u), std::nullopt, {"msg data is null."}},
        // The number ends before the } at index 9.
        {"report not decodable",
         autoReport("{\"body\":5}"),
         std::nullopt,
         {"error at line :0 col :9 msg:not a valid string."}},
        {"error code",
         autoReport("{\"tl\":{\"ErrorCode\":1},\"body\":\"[]\"}"),
         std::nullopt,
         {"\"auto report data error. error code : 1.\""}},
        // In the body [{"screenId":1} x] the word x ends before the ] at index 17.
        {"body not a list",
         autoReport("{\"body\":\"[{\\\"screenId\\\":1} x]\"}"),
         std::nullopt,
         {"error at line :0 col :17 msg:no valid array!"}},
        // Without a NUL the text ends with the payload, inside a word: the reader refuses it
        // instead of running on past the 18 bytes.
        {"no NUL",
         autoReport("{\"body\":\"[]\"} tail"),
         std::nullopt,
         {"error at line :0 col :18 msg:not a valid string!"}},
    };
    for (const auto& c : cases) {
        clear();
        EXPECT_EQ(model.changeColorSpace(&c.in), nullptr);
        std::vector<Sent> expected;
        if (c.list) expected.push_back(event(0xFC080204u, text(*c.list)));
        EXPECT_EQ(host.sent(), expected) << c.what;
        EXPECT_EQ(log.texts(), c.warnings) << c.what;
        EXPECT_TRUE(restlink_double::calls().empty());  // no device query for a report
    }
}

// ------------------------------------------------- regular screen interface info

TEST_F(ComponentTest, InterfaceInfoRepliesWithTheFirstOutputsInterface) {
    const std::string name62(62, 'n');
    const struct {
        std::string name;
        std::string stored;
        int code;  // the envelope's code does not matter
    } cases[] = {
        {"HDMI 1-3", "HDMI 1-3", 0}, {name62, name62, 500}, {name62 + "x", "", 0}, {"", "", 0}};
    for (const auto& c : cases) {
        clear({screenAnswer({screen(1, 2, {7, 8}), screen(2, 2, {9})}),
               interfaceAnswer({interfaceEntry(7, c.name)}, c.code)});
        const Message in = command(0xFC050201u);
        const tvk::IMessage* reply = model.getRegularScreenInterfaceInfo(&in);
        ASSERT_NE(reply, nullptr);
        EXPECT_EQ(static_cast<unsigned int>(reply->getId()), 0xFC050201u);
        EXPECT_EQ(
            host.sent(),
            (std::vector<Sent>{{"reply 0", 0xFC050201u, kName, interfaceRecord(7, c.stored)}}));
        EXPECT_THAT(restlink_double::calls(),
                    ::testing::IsSupersetOf(Texts{"createRequest GET " + kInterfacePath,
                                                  "addUrlKeyValue interfaceId=7"}));
        EXPECT_TRUE(log.texts().empty()) << c.name;
    }
}

TEST_F(ComponentTest, InterfaceInfoFailuresWarnAndReplyNothing) {
    const std::string null7 = "\"interface(7)'s info is null.\"";
    const std::string nullMinus3 = "\"interface(-3)'s info is null.\"";
    const std::string with7 = screenAnswer({screen(1, 2, {7})});
    const std::string withMinus3 = screenAnswer({screen(1, 2, {-3})});
    const struct {
        const char* what;
        Answers answers;
        Texts warnings;
    } cases[] = {
        {"first screen without outputs",
         {screenAnswer({screen(1, 2, {}), screen(2, 2, {9})})},
         {"output list is empty."}},
        {"no screen", {screenAnswer({})}, {"regular screen list is empty."}},
        {"screen query fails", {std::nullopt}, {kScreenRequestFailed}},
        {"another interface", {with7, interfaceAnswer({interfaceEntry(8, "other")})}, {null7}},
        {"two interfaces",
         {with7, interfaceAnswer({interfaceEntry(7, "a"), interfaceEntry(8, "b")})},
         {null7}},
        {"no interface", {with7, interfaceAnswer({})}, {null7}},
        {"interface query fails",
         {withMinus3, std::nullopt},
         {"on get interface list-detail send request failed. url :  " + kInterfacePath,
          nullMinus3}},
        {"interface answer not decodable",
         {withMinus3, "{"},
         {"interface detail decode json failed :  error at line :0 col :1 msg:object key must "
          "be string",
          nullMinus3}},
    };
    for (const auto& c : cases) {
        clear(c.answers);
        const Message in = command(0xFC050201u);
        EXPECT_EQ(model.getRegularScreenInterfaceInfo(&in), nullptr) << c.what;
        EXPECT_TRUE(host.sent().empty()) << c.what;
        EXPECT_EQ(log.texts(), c.warnings) << c.what;
    }
    EXPECT_THAT(restlink_double::calls(), ::testing::Contains("addUrlKeyValue interfaceId=-3"));
}

TEST_F(ComponentTest, WarningsCarryTheComponentsContext) {
    clear({std::nullopt});
    const Message in = ocsm_test::event(0xFC050206u);
    model.getColorSpace(&in);
    const auto lines = log.lines();
    ASSERT_EQ(lines.size(), 2u);
    for (const LogLine& line : lines) {
        EXPECT_EQ(line.type, QtWarningMsg);
        EXPECT_EQ(line.file + " " + line.category, "outputcolorspacemodel default");
        EXPECT_GT(line.line, 0);
    }
    // The query's warning names the query, the handler's the handler.
    EXPECT_THAT(lines[0].function,
                ::testing::HasSubstr("ColorSpace::OutputColorSpaceModel::getScreenDetail("));
    EXPECT_THAT(lines[1].function,
                ::testing::HasSubstr("ColorSpace::OutputColorSpaceModel::getColorSpace("));
}

}  // namespace

// The colour space component against the scripted restlink and a recording host: its
// subscriptions, every request it makes, every warning line and every byte it hands the host.
#include "outputcolorspacemodel/outputcolorspacemodel.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "qtlog.h"
#include "recordinghost.h"
#include "restlink_double.h"

namespace {

using LCD::ProtoModel::Screen::s_ScreenDetail;
using namespace ocsm_test;
using Answers = std::vector<std::optional<std::string>>;
using Texts = std::vector<std::string>;

const std::string kScreenPath = "/orvex/v1/screen/list-detail";
const char kOneScreen[] = R"({"code":0,"data":{"list":[{"screenId":1}],"count":1,"page":1}})";

// Little-endian 32-bit values as text: "7 3".
std::string int32s(const Bytes& bytes) {
    std::string text;
    for (size_t at = 0; at + 4 <= bytes.size(); at += 4) {
        int32_t value = 0;
        for (int i = 3; i >= 0; --i)
            value = static_cast<int32_t>(static_cast<uint32_t>(value) << 8 | bytes[at + i]);
        text += (text.empty() ? "" : " ") + std::to_string(value);
    }
    return text;
}

// What the host was handed, as text: "send 9 0xFC070204 7 3" (a payload of int32 values),
// "post 0xFC070203 1" (one byte), "send 9 0xFC080204 [...]" (the relayed list as JSON), and the
// 108-byte interface info by the offsets of its fields: "reply 0 0xFC050201 7 3 4 1300 6 2 NAME",
// with "+garbage" when a byte outside those fields is not zero.
std::string describe(const Sent& sent) {
    std::ostringstream out;
    out << sent.how << " 0x" << std::hex << std::uppercase << sent.id << std::dec << " ";
    const Bytes& b = sent.bytes;
    if (sent.id == ColorSpace::kColorSpaceChangedId)
        return out.str() + std::string(b.begin(), b.end());
    if (b.size() == 1) return out.str() + std::to_string(b[0]);
    if (b.size() != 108) return out.str() + int32s(b);
    const std::string name(reinterpret_cast<const char*>(&b[41]));
    out << int32s(Bytes(&b[0], &b[4])) << " " << int32s(Bytes(&b[12], &b[28])) << " "
        << int32s(Bytes(&b[32], &b[36])) << " " << name;
    Bytes rest = b;
    for (const size_t field : {0, 12, 16, 20, 24, 32})
        std::fill_n(rest.begin() + field, 4, 0);
    std::fill_n(rest.begin() + 41, name.size(), 0);
    return out.str() + (rest == Bytes(108, 0) ? "" : " +garbage");
}

// What went to the controller besides the headers: the URL keys and bodies, or "-".
std::string wire() {
    std::string text;
    for (const std::string& call : restlink_double::calls()) {
        std::string part;
        if (call.rfind("addUrlKeyValue ", 0) == 0) part = call.substr(15);
        if (call.rfind("setBody ", 0) == 0) part = call.substr(8, call.rfind(' ') - 8);
        if (!part.empty()) text += (text.empty() ? "" : " ") + part;
    }
    return text.empty() ? "-" : text;
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
}

// Every case of component/handlers.tsv through the host's entry, after initialisation.
TEST_F(ComponentTest, HandlersAnswerFromTheController) {
    const Message init = command(tvk::kInitMessageId);
    model.handleMessage(&init);
    const std::map<std::string, std::pair<unsigned int, unsigned int>> handlers = {
        {"get", {tvk::kEventType, 0xFC050206u}},
        {"set", {tvk::kCommandType, 0xFC050205u}},
        {"set-event", {tvk::kEventType, 0xFC050205u}},
        {"change", {tvk::kEventType, 0x00071107u}},
        {"info", {tvk::kCommandType, 0xFC050201u}}};
    for (const auto& c : readCases("component/handlers.tsv")) {
        Answers answers;
        for (size_t i = 5; i < c.size(); ++i)
            answers.push_back(c[i] == "-" ? std::nullopt : std::optional<std::string>(c[i]));
        clear(answers);
        Bytes payload(c.at(1).begin(), c.at(1).end());
        if (c[1] == "-") payload.clear();
        if (c[1].rfind("fill:", 0) == 0) payload.assign(std::stoul(c[1].substr(5)), 'x');
        if (c[1].rfind("i32:", 0) == 0) {
            std::istringstream values(c[1].substr(4));
            payload.clear();
            for (int32_t value; values >> value;) {
                const Bytes bytes = le32({value});
                payload.insert(payload.end(), bytes.begin(), bytes.end());
            }
        }
        // A handler's name, or a kind and an identifier: 0xF0000003/0xFC050206.
        const size_t slash = c.at(0).find('/');
        const auto [kind, id] =
            slash == std::string::npos
                ? handlers.at(c[0])
                : std::pair(
                      static_cast<unsigned int>(std::stoul(c[0], nullptr, 0)),
                      static_cast<unsigned int>(std::stoul(c[0].substr(slash + 1), nullptr, 0)));
        const bool raw = c[1].rfind("null:", 0) == 0 || c[1].rfind("data:", 0) == 0;
        const Message in = raw ? Message(kind, id, c[1][0] == 'n' ? nullptr : "{\"body\":\"[]\"}",
                                         std::stoi(c[1].substr(5)))
                               : Message(kind, id, payload);
        const tvk::IMessage* reply = model.handleMessage(&in);
        Texts sent, warnings = log.texts();
        for (const Sent& s : host.sent()) {
            sent.push_back(describe(s));
            EXPECT_EQ(s.sender, "outputcolorspacemodel");
        }
        EXPECT_EQ(reply != nullptr, !sent.empty() && sent[0].rfind("reply", 0) == 0);
        std::string warned;
        for (const std::string& line : warnings)
            warned += (warned.empty() ? "" : " | ") + line;
        EXPECT_EQ(wire(), c.at(2)) << c[0] << " " << c[1];
        EXPECT_EQ(sent, c.at(3) == "-" ? Texts{} : Texts{c[3]}) << c[0] << " " << c[1];
        EXPECT_EQ(warned.empty() ? "-" : warned, c.at(4)) << c[0] << " " << c[1];
    }
}

// The library's calls in order, for a GET and a PUT; a null pointer leaves its key out; the token
// goes out as it is.
TEST_F(ComponentTest, RequestsMakeTheLibraryCallsInOrder) {
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
    };
    for (const auto& c : cases) {
        clear({kOneScreen});
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
    clear({"{\"code\":0}"});
    const Message set = command(0xFC050205u, le32({3, 1}));
    model.setColorSpace(&set);
    const std::string body = R"([{"screenId":3,"colorSpace":{"preset":1}}])";
    EXPECT_EQ(restlink_double::calls(),
              (Texts{"HttpSingleTon::getInstance", "getHttpClient",
                     "createRequest PUT /orvex/v1/screen/color-space",
                     "setHead Content-Type=application/json", "HttpLogin::getInstance", "getToken",
                     "setHead Authorization=t0ken", "setBody " + body + " 42",
                     "sendRequest status=0", "getBody", "getBodySize"}));
}

// A library that hands out no object where one is asked for: without a request there is no
// exchange; without the login the request goes out with an empty token.
TEST_F(ComponentTest, ALibraryThatWithholdsAnObjectCostsTheExchangeOrTheToken) {
    const Message get = ocsm_test::event(0xFC050206u);
    for (const char* call : {"HttpSingleTon::getInstance", "getHttpClient", "createRequest"}) {
        clear({kOneScreen});
        restlink_double::withhold(call);
        model.getColorSpace(&get);
        EXPECT_EQ(log.texts(),
                  (Texts{"on get screen list-detail send request failed. url :  " + kScreenPath,
                         "screen list is empty."}))
            << call;
        EXPECT_TRUE(host.sent().empty()) << call;
    }
    clear({kOneScreen});
    restlink_double::withhold("HttpLogin::getInstance");
    model.getColorSpace(&get);
    EXPECT_THAT(restlink_double::calls(), ::testing::Contains("setHead Authorization="));
    EXPECT_EQ(host.sent().size(), 1u);
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
    EXPECT_EQ(log.texts(),
              (Texts{"on get screen list-detail send request failed. url :  " + kScreenPath,
                     "screen detail decode json failed :  error at line :0 col :0 "
                     "msg:read object must start with {!",
                     "screen detail decode json failed :  error at line :0 col :41 "
                     "msg:no valid array!"}));
    // An error code does not matter; the list is replaced, even by an empty one.
    clear({R"({"code":1001,"data":{"list":[{"screenId":4}]}})", R"({"data":{"list":[]}})"});
    ASSERT_TRUE(model.getScreenDetail(detail, nullptr, nullptr));
    ASSERT_EQ(detail.list.size(), 1u);
    EXPECT_EQ(detail.list[0].screenId, 4);
    ASSERT_TRUE(model.getScreenDetail(detail, nullptr, nullptr));
    EXPECT_TRUE(detail.list.empty());
    EXPECT_TRUE(log.texts().empty());
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

// A host without a message center: the interface info has nothing to reply with.
TEST(ComponentWithoutMessageCenter, InterfaceInfoWarnsAndRepliesNothing) {
    RecordingHost host(RecordingHost::kCommands | RecordingHost::kEvents);
    ColorSpace::OutputColorSpaceModel model;
    QtLogCapture log;
    restlink_double::reset();
    restlink_double::answer(R"({"data":{"list":[{"mosaic":{"outputs":[{"interfaceId":7}]}}]}})");
    restlink_double::answer(R"({"data":{"list":[{"interfaceId":7}]}})");
    const Message info = command(0xFC050201u);
    EXPECT_EQ(model.getRegularScreenInterfaceInfo(&info), nullptr);
    EXPECT_EQ(log.texts(), (Texts{"no host service tvk_default_messagecenter to reply with; "
                                  "interface info dropped."}));
    EXPECT_TRUE(host.sent().empty());
}

}  // namespace

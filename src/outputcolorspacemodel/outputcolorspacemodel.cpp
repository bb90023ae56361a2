// The colour space component: its handlers and its two REST queries.
#include "outputcolorspacemodel/outputcolorspacemodel.h"

#include <QString>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "json/lcdjson.h"
#include "messagehandler/warning.h"
#include "outputcolorspacemodel/colorspaceanswer.h"
#include "outputcolorspacemodel/restexchange.h"
#include "protomodel/protoconstants.h"

namespace ColorSpace {

namespace {

using LCD::ProtoModel::decode;
using LCD::ProtoModel::encode;
using LCD::ProtoModel::s_response;
using LCD::ProtoModel::Interface::s_InterfaceDetailInfo;
using LCD::ProtoModel::Interface::s_InterfaceSourceInfo;
using LCD::ProtoModel::Screen::s_ScreenColorSpace;
using LCD::ProtoModel::Screen::s_ScreenDetail;
namespace Constants = LCD::Proto::Constants;

// Screen type of the regular screens in the controller's screen list.
constexpr int kRegularScreenType = 2;

// The longest interface name the host's 64-byte field takes.
constexpr size_t kMaxInterfaceNameLength = 62;

static_assert(sizeof(s_ScreenColorSpace) == kColorSpacePayloadSize, "8-byte colour space payload");
static_assert(sizeof(s_InterfaceSourceInfo) == kInterfaceInfoPayloadSize,
              "108-byte interface info");
static_assert(sizeof(std::vector<s_ScreenColorSpace>) == kListObjectSize, "24-byte list object");

int asId(unsigned int id) {
    return static_cast<int>(id);
}

}  // namespace

OutputColorSpaceModel::OutputColorSpaceModel() {
    name = "outputcolorspacemodel";
}

OutputColorSpaceModel::~OutputColorSpaceModel() = default;

void OutputColorSpaceModel::onInit() {
    using std::placeholders::_1;
    registerCommand(asId(kGetRegularScreenInterfaceInfoId),
                    std::bind(&OutputColorSpaceModel::getRegularScreenInterfaceInfo, this, _1));
    registerEvent(asId(kSetColorSpaceId),
                  std::bind(&OutputColorSpaceModel::setColorSpace, this, _1));
    registerCommand(asId(kSetColorSpaceId),
                    std::bind(&OutputColorSpaceModel::setColorSpace, this, _1));
    registerEvent(asId(kGetColorSpaceId),
                  std::bind(&OutputColorSpaceModel::getColorSpace, this, _1));
    registerEvent(asId(kAutoReportId),
                  std::bind(&OutputColorSpaceModel::changeColorSpace, this, _1));
}

namespace {

// The texts of one list-detail query's two warnings.
struct ListQuery {
    const char* path;
    const char* requestFailed;  // followed by the path
    const char* decodeFailed;   // followed by the codec's error text
};
constexpr ListQuery kScreenQuery = {
    Constants::GETSCREENLISTDETAIL,
    "on get screen list-detail send request failed. url : ", "screen detail decode json failed : "};
constexpr ListQuery kInterfaceQuery = {Constants::GETINTERFACELISTDETAIL,
                                       "on get interface list-detail send request failed. url : ",
                                       "interface detail decode json failed : "};

// GETs a list-detail document and decodes its envelope. On failure writes the query's warning,
// in the name of the calling function, and returns false with `answer` as it was.
template <class T>
bool getListDetail(const ListQuery& query, std::initializer_list<UrlKey> keys,
                   s_response<T>& answer, const char* function) {
    std::string text;
    if (!exchangeWithController(Constants::HTTPGETREQUEST, query.path, keys, nullptr, text)) {
        OCSM_WARNING_AT(__LINE__, function) << query.requestFailed << query.path;
        return false;
    }
    std::string error;
    if (!decode(text, answer, error)) {
        OCSM_WARNING_AT(__LINE__, function) << query.decodeFailed << error.c_str();
        return false;
    }
    return true;
}

}  // namespace

bool OutputColorSpaceModel::getScreenDetail(s_ScreenDetail& detail, int* screenId,
                                            int* screenType) {
    s_response<s_ScreenDetail> answer;
    if (!getListDetail(kScreenQuery, {{"screenId", screenId}, {"screenType", screenType}}, answer,
                       Q_FUNC_INFO))
        return false;
    detail = std::move(answer.data);
    return true;
}

bool OutputColorSpaceModel::getScreenInterfaceInfo(s_InterfaceSourceInfo& info, int interfaceId) {
    s_response<s_InterfaceDetailInfo> answer;
    if (!getListDetail(kInterfaceQuery, {{"interfaceId", &interfaceId}}, answer, Q_FUNC_INFO))
        return false;
    // Anything but exactly the one interface asked for is not an answer.
    const auto& list = answer.data.list;
    if (list.size() != 1 || list.front().interfaceId != interfaceId) return false;

    const auto& entry = list.front();
    const auto& connector = entry.auxiliaryInfo.connectorInfo;
    info.interfaceId = interfaceId;
    info.slotId = entry.interfaceIdObj.slotId;
    info.connectorId = entry.interfaceIdObj.connectorId;
    info.capacity = connector.capacity;
    info.connectorType = connector.type;
    info.workMode = connector.workMode;
    std::memset(info.name, 0, sizeof info.name);
    const std::string& name = entry.general.name;
    if (name.size() <= kMaxInterfaceNameLength)
        std::memcpy(info.name, name.c_str(), name.size() + 1);
    return true;
}

tvk::IMessage* OutputColorSpaceModel::getRegularScreenInterfaceInfo(const tvk::IMessage* message) {
    s_ScreenDetail detail;
    int screenType = kRegularScreenType;
    if (!getScreenDetail(detail, nullptr, &screenType)) return nullptr;  // the query has warned
    if (detail.list.empty()) {
        OCSM_WARNING() << "regular screen list is empty.";
        return nullptr;
    }
    const auto& outputs = detail.list.front().mosaic.outputs;
    if (outputs.empty()) {
        OCSM_WARNING() << "output list is empty.";
        return nullptr;
    }

    const int interfaceId = outputs.front().interfaceId;
    s_InterfaceSourceInfo info;
    if (!getScreenInterfaceInfo(info, interfaceId)) {
        OCSM_WARNING() << QString("interface(%1)'s info is null.").arg(interfaceId);
        return nullptr;
    }
    if (!messageCenter) {
        OCSM_WARNING() << "no host service"
                       << "tvk_default_messagecenter"
                       << "to reply with; interface info dropped.";
        return nullptr;
    }
    return messageCenter->createMessage(message->getId(), name.c_str(), kInterfaceInfoPayloadSize,
                                        &info, 0);
}

tvk::IMessage* OutputColorSpaceModel::setColorSpace(const tvk::IMessage* message) {
    const void* data = message->getData();
    if (message->getDataSize() != kColorSpacePayloadSize || !data) {
        OCSM_WARNING() << "command does not correct.";
        return nullptr;
    }
    std::vector<s_ScreenColorSpace> request(1);
    std::memcpy(&request.front(), data, kColorSpacePayloadSize);
    std::string body;
    encode(body, request);

    std::string text;
    if (!exchangeWithController(Constants::HTTPPUTREQUEST, Constants::PUTSCREENCOLORSPACE, {},
                                &body, text)) {
        OCSM_WARNING() << "on put color space send request failed. url : "
                       << Constants::PUTSCREENCOLORSPACE;
        return nullptr;
    }

    // The controller answers with an envelope whose code is 0 when it took the change, or with
    // no body (nothing but blanks) at all. An envelope without a code refuses nothing: a refusal
    // always comes with its code.
    s_PutColorSpaceAnswer answer;
    std::string error;
    uint8_t succeeded = 0;
    if (text.find_first_not_of(" \t\r\n") == std::string::npos)
        succeeded = 1;
    else if (!decode(text, answer, error))
        OCSM_WARNING() << "color space answer decode json failed : " << error.c_str();
    else if (answer.code != 0)
        OCSM_WARNING() << "color space not set. code :" << answer.code
                       << "message :" << answer.message.c_str();
    else
        succeeded = 1;
    postEvent(asId(kSetColorSpaceResultId), kSetResultPayloadSize, &succeeded);
    return nullptr;
}

tvk::IMessage* OutputColorSpaceModel::getColorSpace(const tvk::IMessage*) {
    s_ScreenDetail detail;
    int screenType = kRegularScreenType;
    if (!getScreenDetail(detail, nullptr, &screenType)) {
        OCSM_WARNING() << "screen list is empty.";
        return nullptr;
    }
    if (detail.list.empty()) {
        OCSM_WARNING() << "Fail to get color mode space:  size is 0";
        return nullptr;
    }
    const auto& screen = detail.list.front();
    s_ScreenColorSpace payload;
    payload.screenId = screen.screenId;
    payload.colorSpace.preset = screen.colorSpace.preset;
    sendEvent(asId(kColorSpaceId), kColorSpacePayloadSize, &payload);
    return nullptr;
}

tvk::IMessage* OutputColorSpaceModel::changeColorSpace(const tvk::IMessage* message) {
    const int size = message->getDataSize();
    const char* data = static_cast<const char*>(message->getData());
    if (size <= 0 || !data) {
        OCSM_WARNING() << "msg data is null.";
        return nullptr;
    }
    // The report is a text up to its first NUL, but never beyond the payload.
    const std::string text(data, strnlen(data, static_cast<size_t>(size)));

    LCD::AutoReport::LCDAutoReportData report;
    std::string error;
    if (!decode(text, report, error)) {
        OCSM_WARNING() << error.c_str();
        return nullptr;
    }
    if (report.tl.ErrorCode != 0) {
        OCSM_WARNING()
            << QString("auto report data error. error code : %1.").arg(report.tl.ErrorCode);
        return nullptr;
    }
    std::vector<s_ScreenColorSpace> changed;
    if (!decode(report.body, changed, error)) {
        OCSM_WARNING() << error.c_str();
        return nullptr;
    }
    // Receivers in this process read the list itself while the event is delivered.
    sendEvent(asId(kColorSpaceChangedId), kListObjectSize, &changed);
    return nullptr;
}

}  // namespace ColorSpace

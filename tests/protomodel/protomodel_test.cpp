// The data model: a record the controller leaves out holds its defaults; against the controller's
// documents in data/, every key the documents carry binds to a member of the right type (nothing
// but the keys the model leaves out on purpose is lost in a decode and encode), and the screen and
// interface documents describe the same wiring.
#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <set>
#include <string>

#include "protomodel/protomodel.h"
#include "testsupport.h"

namespace {

using namespace LCD::ProtoModel;
using ocsm_test::decodeOrFail;
using ocsm_test::readDataFile;
using ScreenAnswer = s_response<Screen::s_ScreenDetail>;
using InterfaceAnswer = s_response<Interface::s_InterfaceDetailInfo>;
using Leaves = std::map<std::string, std::string>;

// Every value of a JSON text by its path: "data.list.0.general.name" -> "...". Numbers are
// compared as the float a member would hold, strings as their decoded bytes, containers as "{".
void collect(lcdjson::reader& rd, const std::string& path, Leaves& out) {
    const bool object = rd.token_kind == lcdjson::tk_punct && rd.current() == '{';
    if (rd.token_kind == lcdjson::tk_punct && (object || rd.current() == '[')) {
        out[path] = "{";
        rd.next();
        for (int index = 0; rd.current() != (object ? '}' : ']'); ++index) {
            std::string key = std::to_string(index);
            if (object) {
                key.assign(rd.token_text, rd.token_size);
                rd.next();  // the key
                rd.next();  // the colon
            }
            collect(rd, path.empty() ? key : path + "." + key, out);
            if (rd.current() == ',') rd.next();
        }
    } else if (rd.token_kind == lcdjson::tk_string) {
        lcdjson::escape_string(out[path], rd.token_text, rd.token_size);
    } else {
        const double magnitude = rd.token_kind == lcdjson::tk_real
                                     ? rd.token_value.d
                                     : static_cast<double>(rd.token_value.u);
        char text[32];
        std::snprintf(text, sizeof text, "%.9g",
                      static_cast<float>(rd.token_negative ? -magnitude : magnitude));
        out[path] = text;
    }
    rd.next();
}

Leaves leaves(const std::string& text) {
    lcdjson::reader rd(text.c_str(), 0);
    Leaves out;
    rd.next();
    collect(rd, "", out);
    return out;
}

// "data.list.0.name" as "data.list[].name".
std::string indexesAsBrackets(const std::string& path) {
    std::string out;
    for (size_t at = 0; at < path.size();) {
        size_t end = path.find('.', at + 1);
        end = end == std::string::npos ? path.size() : end;
        const std::string part = path.substr(at, end - at);
        const bool index = part.size() > 1 && part[0] == '.' &&
                           part.find_first_not_of("0123456789", 1) == std::string::npos;
        out += index ? "[]" : part;
        at = end;
    }
    return out;
}

// The text decoded into a new T and written back whole.
template <class T>
std::string rewritten(const std::string& text) {
    std::string written;
    encode(written, decodeOrFail<T>(text));
    return written;
}

// What of a document does not come back unchanged from a decode and encode: the outermost key
// missing from the encoded text, or a value that changed; array indexes shown as [].
template <class T>
std::set<std::string> lost(const std::string& file) {
    const std::string text = readDataFile(file);
    const Leaves kept = leaves(rewritten<T>(text));
    std::set<std::string> out;
    for (const auto& [path, value] : leaves(text)) {
        const auto found = kept.find(path);
        if (found != kept.end() && found->second == value) continue;
        std::string outermost = path;
        for (size_t dot = path.find('.'); dot != std::string::npos; dot = path.find('.', dot + 1))
            if (!kept.count(path.substr(0, dot))) {
                outermost = path.substr(0, dot);
                break;
            }
        out.insert(indexesAsBrackets(outermost) +
                   (found != kept.end() ? " " + found->second + " for " + value : ""));
    }
    return out;
}

// Every member the controller leaves out keeps its record's default: each answer decoded with one
// empty element in every list, and written back whole.
TEST(Records, MembersLeftOutHoldTheirDefaults) {
    const std::string rgb = R"({"R":50,"G":50,"B":50})";
    const std::string rgbw = R"({"R":50,"G":50,"B":50,"W":100})";
    const std::string axis =
        R"({"addTime":0,"frontPorch":0,"sync":0,"syncPolarity":0,"totalTime":0})";
    const std::string timing =
        R"({"interlaced":1,"refresh":0,"horizontal":)" + axis + R"(,"vertical":)" + axis + "}";
    const std::string thumb = R"({"interlaced":1,"frame":0,"width":0,"height":0})";
    const std::string rect = R"({"x":0,"y":0,"width":0,"height":0})";
    const std::string quality =
        R"({"imageQualityMode":0,"eyeCare":0,"hue":0,"saturation":50,"gamma":220,"contrast":)" +
        rgb + R"(,"brightness":)" + rgb + R"(,"shadow":)" + rgbw + R"(,"highLight":)" + rgbw +
        R"(,"colorTemperature":{"mode":0,"quickAdjust":{"value":0},"advanceAdjust":)" + rgb + "}}";
    const std::string pattern =
        R"({"enable":0,"type":5,"bright":3,"grid":5,"gridType":0,"gridLineWidth":1,"speed":4})";
    const std::string hdr =
        R"({"sdr":{"gamma":2.2},"hdr10":{"peakLuminance":0,"envLuminance":0,"pqMode":0,)"
        R"("toneMapping":0,"maxcll":{"enable":0,"presetMaxcll":0}},)"
        R"("hlg":{"peakLuminance":0,"envLuminance":0}})";
    const std::string page = R"(],"count":0,"page":0,"totalCount":0,"totalPage":0}})";
    const std::string preset = R"({"preset":-1})";
    const std::string pair = R"({"preset":-1,"actual":-1})";

    EXPECT_EQ(
        rewritten<ScreenAnswer>(R"({"data":{"list":[{"mosaic":{"outputs":[{"feather":[{}]}]}}]}})"),
        R"({"code":0,"message":"","data":{"list":[{"screenId":0,)"
        R"("screenIdObj":{"id":0,"type":0},"general":{"name":"","area":{"areaId":0,)"
        R"("areaName":""}},"mosaic":{"type":0,"splice":{"row":0,"column":0},"window":)" +
            rect + R"(,"outputs":[{"interfaceId":0,"interfaceOnline":0,"name":"","pos":)" + rect +
            R"(,"crop":)" + rect +
            R"(,"feather":[{"enable":0,"type":0,"gamma":0,"width":0}]}]},"colorDepth":)" + preset +
            R"(,"colorSpace":)" + preset + R"(,"colorRange":)" + preset + R"(,"colorGamut":)" +
            preset + R"(,"dynamicRange":)" + preset + R"(,"timing":)" + timing +
            R"(,"thumbTiming":)" + thumb +
            R"(,"timingSelect":{"select":0},"pgmEdit":0,"select":0,"imageQuality":)" + quality +
            R"(,"freeze":0,"ftb":{"enable":0,"time":700},"testPattern":)" + pattern + R"(,"hdr":)" +
            hdr +
            R"(,"hdcp":{"enable":0,"presetType":0,"actualType":0},"genlock":{"type":0,)"
            R"("phase":{"enable":0,"offset":0},"sourceId":0},"genlockStatus":{"status":0}})" +
            page);

    EXPECT_EQ(rewritten<InterfaceAnswer>(R"({"data":{"list":[{}]}})"),
              R"({"code":0,"message":"","data":{"list":[{"interfaceId":0,"state":0,)"
              R"("interfaceIdObj":{"nodeId":0,"slotId":0,"connectorId":0,"splitId":0},)"
              R"("auxiliaryInfo":{"connectorInfo":{"interfaceType":0,"type":0,"workMode":0,)"
              R"("copyInfo":{"type":0,"id":0},"capacity":0},"screenInfo":{"name":"N/A"}},)"
              R"("general":{"name":"N/A"},"presetThumbTiming":)" +
                  thumb + R"(,"actualThumbTiming":)" + thumb + R"(,"presetTiming":)" + timing +
                  R"(,"actualTiming":)" + timing +
                  R"(,"timingSelect":{"select":0},"imageQuality":)" + quality +
                  R"(,"crop":{"enable":0,"widthRatio":0,"heightRatio":0,"xRatio":0,"yRatio":0},)"
                  R"("hdcp":{"enable":0,"preset":-1,"actual":0},"colorSpace":)" +
                  pair + R"(,"colorDepth":)" + pair + R"(,"colorRange":)" + pair +
                  R"(,"colorGamut":)" + pair + R"(,"colorDynamicRange":)" + pair +
                  R"(,"testPattern":)" + pattern + R"(,"smpteMapping":)" + pair +
                  R"(,"removeInterlace":{"enable":0},"cutout":{"enable":0,"type":0,)"
                  R"("cursor":{"enable":0,"pos":{"x":0,"y":0},"color":)" +
                  rgb +
                  R"(},"brightness":{"threshold":0,"gain":0,"foregroundColor":)"
                  R"({"enable":0,"R":50,"G":50,"B":50}},"hue":{"color":)" +
                  rgb +
                  R"(,"hueClip":5,"hueRamp":5,"saturationClip":5,"saturationGain":5,)"
                  R"("spill":5,"shadow":5,"highLigh":5,"edgeSmooth":0}},"hdr":)" +
                  hdr + "}" + page);

    EXPECT_EQ(rewritten<LCD::AutoReport::LCDAutoReportData>("{}"),
              R"({"source":"","seq":0,"sn":"","tl":{"CommandCode":0,"ErrorCode":0,)"
              R"("UserDataLength":0},"body":""})");
    EXPECT_EQ(rewritten<std::vector<Screen::s_ScreenColorSpace>>("[{}]"),
              R"([{"screenId":0,"colorSpace":{"preset":-1}}])");
}

// The interface payload the host receives starts as 108 zero bytes; the query fills only its
// fields.
TEST(Records, NewInterfacePayloadIsAllZero) {
    const Interface::s_InterfaceSourceInfo info;
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&info), sizeof info),
              std::string(108, '\0'));
}

TEST(Documents, EveryKeyBindsExceptThoseTheModelLeavesOut) {
    // Keys of the controller's that the component has no use for.
    EXPECT_EQ(lost<ScreenAnswer>("screen-list-detail.json"),
              (std::set<std::string>{"data.list[].createTime", "data.list[].extra",
                                     "data.list[].mosaic.outputs[].backupInterfaceId",
                                     "data.list[].tags", "data.screenType"}));
    EXPECT_EQ(lost<InterfaceAnswer>("interface-list-detail.json"),
              (std::set<std::string>{"data.list[].firmware", "data.list[].lastSeen",
                                     "data.list[].ports"}));
    for (const char* report :
         {"autoreport-colorspace.json", "autoreport-empty.json", "autoreport-error.json"}) {
        EXPECT_EQ(lost<LCD::AutoReport::LCDAutoReportData>(report), std::set<std::string>{})
            << report;
    }
    const auto report = decodeOrFail<LCD::AutoReport::LCDAutoReportData>(
        readDataFile("autoreport-colorspace.json"));
    EXPECT_EQ(rewritten<std::vector<Screen::s_ScreenColorSpace>>(report.body), report.body);
}

// controller-sim serves both documents, so the plugin's answers rely on them describing the same
// wiring: every output of a screen is a listed interface that names that screen.
TEST(Documents, EveryScreenOutputIsAListedInterfaceServingThatScreen) {
    const auto screens = decodeOrFail<ScreenAnswer>(readDataFile("screen-list-detail.json"));
    const auto interfaces =
        decodeOrFail<InterfaceAnswer>(readDataFile("interface-list-detail.json"));
    std::map<int32_t, const Interface::s_InterfaceList*> byId;
    for (const auto& item : interfaces.data.list)
        EXPECT_TRUE(byId.emplace(item.interfaceId, &item).second) << item.interfaceId;
    std::set<int32_t> used;
    for (const auto& screen : screens.data.list) {
        EXPECT_FALSE(screen.mosaic.outputs.empty()) << "screen " << screen.screenId;
        for (const auto& output : screen.mosaic.outputs) {
            used.insert(output.interfaceId);
            const auto found = byId.find(output.interfaceId);
            ASSERT_NE(found, byId.end()) << "interface " << output.interfaceId;
            EXPECT_EQ(found->second->auxiliaryInfo.screenInfo.name, screen.general.name);
            EXPECT_EQ(found->second->general.name, output.name);
            EXPECT_EQ(found->second->state, output.interfaceOnline);
        }
    }
    EXPECT_EQ(used.size(), byId.size());
}

}  // namespace

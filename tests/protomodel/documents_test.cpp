// The shared answer documents under tests/data decode completely, with the values they hold.
#include <gtest/gtest.h>

#include <map>
#include <set>

#include "testsupport.h"

namespace {

using namespace LCD::ProtoModel;
using namespace protomodeltest;
using ScreenAnswer = s_response<Screen::s_ScreenDetail>;
using InterfaceAnswer = s_response<Interface::s_InterfaceDetailInfo>;

// Each document decoded once for all tests.
template <class T>
const T& document(const char* file) {
    static const T answer = decodeOrFail<T>(readDataFile(file));
    return answer;
}
const ScreenAnswer& screens() {
    return document<ScreenAnswer>("screen-list-detail.json");
}
const InterfaceAnswer& interfaces() {
    return document<InterfaceAnswer>("interface-list-detail.json");
}

const Interface::s_InterfaceList& byId(int32_t id) {
    for (const auto& item : interfaces().data.list) {
        if (item.interfaceId == id) return item;
    }
    ADD_FAILURE() << "interface " << id << " missing";
    static const Interface::s_InterfaceList none;
    return none;
}

std::string axis(int add, int front, int sync, int polarity, int total) {
    return "{\"addTime\":" + std::to_string(add) + ",\"frontPorch\":" + std::to_string(front) +
           ",\"sync\":" + std::to_string(sync) + ",\"syncPolarity\":" + std::to_string(polarity) +
           ",\"totalTime\":" + std::to_string(total) + "}";
}

TEST(ScreenDocument, EnvelopeNamesAndMosaics) {
    const ScreenAnswer& answer = screens();
    ASSERT_EQ(answer.data.list.size(), 4u);
    EXPECT_EQ(json(ScreenAnswer{answer.code, answer.message, {4, 1, 4, 1, {}}}),
              R"({"code":0,"message":"success",)"
              R"("data":{"list":[],"count":4,"page":1,"totalCount":4,"totalPage":1}})");
    std::string ids, names;
    for (const auto& s : answer.data.list) {
        ids += std::to_string(s.screenId) + " ";
        names += json(s.general) + "\n";
    }
    EXPECT_EQ(ids, "1 2 5 7 ");
    // Names keep their UTF-8 bytes; the writer shows them as escapes.
    EXPECT_EQ(names,
              R"({"name":"\u4E3B\u5C4F\u5E55","area":{"areaId":1,"areaName":"\u4E00\u53F7\u5385"}})"
              "\n"
              R"({"name":"\u00C9cran B","area":{"areaId":2,"areaName":"Salle de conf\u00E9rence"}})"
              "\n"
              R"({"name":"LED Wall \u2013 Hall 3","area":{"areaId":3,"areaName":"Hall 3"}})"
              "\n"
              R"({"name":"\u4F1A\u8BAE\u5BA4 Display","area":{"areaId":0,"areaName":""}})"
              "\n");
    EXPECT_EQ(answer.data.list[0].general.name, "\xE4\xB8\xBB\xE5\xB1\x8F\xE5\xB9\x95");

    const Screen::s_ScreenMosaic& first = answer.data.list[0].mosaic;
    ASSERT_EQ(first.outputs.size(), 4u);
    EXPECT_EQ(first.outputs[0].name, "输出 3-1 主屏幕左上");
    EXPECT_EQ(json(first.outputs[0].feather),
              R"([{"enable":0,"type":0,"gamma":2.2,"width":0},{"enable":0,"type":1,"gamma":2.2,)"
              R"("width":0},{"enable":1,"type":2,"gamma":2.2,"width":64},)"
              R"({"enable":1,"type":3,"gamma":2.2,"width":32}])");
    EXPECT_EQ(json(first.outputs[3].pos), R"({"x":1920,"y":1080,"width":1920,"height":1080})");
    EXPECT_EQ(first.outputs[3].interfaceOnline, 0);
    EXPECT_EQ(json(first.window), R"({"x":0,"y":0,"width":3840,"height":2160})");
    EXPECT_EQ(json(answer.data.list[1].mosaic.outputs.at(1).feather.at(0)),
              R"({"enable":1,"type":0,"gamma":1.8,"width":128})");
    EXPECT_EQ(json(answer.data.list[2].mosaic.outputs.at(1).crop),
              R"({"x":8,"y":0,"width":1904,"height":1080})");
    EXPECT_EQ(json(answer.data.list[3].mosaic.outputs.at(0).feather.at(3)),
              R"({"enable":1,"type":3,"gamma":2,"width":16})");
}

TEST(ScreenDocument, SettingsAwayFromTheDefaults) {
    const auto& list = screens().data.list;
    ASSERT_EQ(list.size(), 4u);
    const Screen::s_ScreenDetailInfo& first = list[0];
    EXPECT_EQ(json(first.timing), R"({"interlaced":0,"refresh":30,"horizontal":)" +
                                      axis(3840, 176, 88, 1, 4400) + R"(,"vertical":)" +
                                      axis(2160, 8, 10, 1, 2250) + "}");
    EXPECT_EQ(json(first.colorDepth) + json(first.colorSpace) + json(first.colorRange),
              R"({"preset":10}{"preset":2}{"preset":1})");
    EXPECT_EQ(json(first.hdcp), R"({"enable":1,"presetType":1,"actualType":1})");

    const Screen::s_ScreenDetailInfo& second = list[1];
    EXPECT_EQ(json(second.imageQuality),
              R"({"imageQualityMode":2,"eyeCare":1,"hue":-3,"saturation":55,"gamma":240,)"
              R"("contrast":{"R":48,"G":50,"B":52},"brightness":{"R":51,"G":49,"B":50},)"
              R"("shadow":{"R":45,"G":46,"B":47,"W":90},"highLight":{"R":55,"G":56,"B":57,"W":95},)"
              R"("colorTemperature":{"mode":2,"quickAdjust":{"value":5600},)"
              R"("advanceAdjust":{"R":52,"G":50,"B":47}}})");
    EXPECT_EQ(
        json(second.testPattern),
        R"({"enable":1,"type":2,"bright":4,"grid":6,"gridType":1,"gridLineWidth":2,"speed":3})");
    EXPECT_EQ(json(second.hdr),
              R"({"sdr":{"gamma":2.4},"hdr10":{"peakLuminance":1000,"envLuminance":5,"pqMode":1,)"
              R"("toneMapping":2,"maxcll":{"enable":1,"presetMaxcll":800}},)"
              R"("hlg":{"peakLuminance":1000,"envLuminance":5}})");
    EXPECT_EQ(json(second.genlock) + json(second.genlockStatus) + json(second.ftb),
              R"({"type":1,"phase":{"enable":1,"offset":-120},"sourceId":513})"
              R"({"status":1}{"enable":1,"time":1500})");
    EXPECT_EQ(second.timing.refresh, 59.94f);
    EXPECT_EQ(second.thumbTiming.frame, 59.94f);
    EXPECT_EQ(second.freeze, 1);
    EXPECT_EQ(list[2].imageQuality.gamma, 200);
    EXPECT_EQ(list[2].hdr.hdr10.peakLuminance, 4000);
    EXPECT_EQ(list[2].genlock.sourceId, 1027);
    EXPECT_EQ(list[3].timing.interlaced, 1);
    EXPECT_EQ(list[3].timing.refresh, 60.0f);
}

TEST(InterfaceDocument, EnvelopeAndInterfaces) {
    const InterfaceAnswer& answer = interfaces();
    ASSERT_EQ(answer.data.list.size(), 11u);
    EXPECT_EQ(answer.message, "success");
    EXPECT_EQ(answer.data.count + answer.data.totalCount, 22);
    EXPECT_EQ(answer.data.page + answer.data.totalPage, 2);

    const Interface::s_InterfaceList& first = byId(769);
    EXPECT_EQ(json(first.interfaceIdObj) + json(first.auxiliaryInfo),
              R"({"nodeId":1,"slotId":3,"connectorId":1,"splitId":0})"
              R"({"connectorInfo":{"interfaceType":2,"type":4,"workMode":2,)"
              R"("copyInfo":{"type":0,"id":0},"capacity":2},)"
              R"("screenInfo":{"name":"\u4E3B\u5C4F\u5E55"}})");
    EXPECT_EQ(first.general.name, "输出 3-1 主屏幕左上");
    EXPECT_EQ(json(first.actualThumbTiming) + json(first.actualTiming),
              R"({"interlaced":0,"frame":59.94,"width":1920,"height":1080})"
              R"({"interlaced":0,"refresh":59.94,"horizontal":)" +
                  axis(1920, 88, 44, 1, 2200) + R"(,"vertical":)" + axis(1080, 4, 5, 1, 1125) +
                  "}");
    EXPECT_EQ(
        json(first.hdcp) + json(first.colorSpace) + json(first.smpteMapping),
        R"({"enable":1,"preset":1,"actual":1}{"preset":2,"actual":2}{"preset":0,"actual":0})");
    EXPECT_EQ(first.crop.widthRatio, 10000);

    const Interface::s_InterfaceList& offline = byId(772);
    EXPECT_EQ(offline.state, 0);
    EXPECT_EQ(json(offline.actualTiming), R"({"interlaced":0,"refresh":0,"horizontal":)" +
                                              axis(0, 0, 0, 0, 0) + R"(,"vertical":)" +
                                              axis(0, 0, 0, 0, 0) + "}");
    EXPECT_EQ(json(offline.colorSpace), R"({"preset":2,"actual":-1})");

    // Names at the 63-byte limit of the interface payload and just below it.
    EXPECT_EQ(byId(1025).general.name.size(), 62u);
    EXPECT_EQ(byId(1027).general.name,
              "OUT 4-3 LED Wall Hall 3 left cabinet column A, receiver chain 1");
    EXPECT_EQ(byId(1026).imageQuality.colorTemperature.quickAdjust.value, 7500);
    EXPECT_EQ(json(byId(1026).imageQuality.highLight), R"({"R":70,"G":71,"B":72,"W":110})");
}

TEST(InterfaceDocument, KeyingCropAndPattern) {
    const Interface::s_InterfaceList& i = byId(1028);
    EXPECT_EQ(json(i.cutout),
              R"({"enable":1,"type":2,"cursor":{"enable":1,"pos":{"x":640,"y":360},)"
              R"("color":{"R":0,"G":255,"B":0}},"brightness":{"threshold":16,"gain":80,)"
              R"("foregroundColor":{"enable":1,"R":255,"G":0,"B":128}},)"
              R"("hue":{"color":{"R":0,"G":177,"B":64},"hueClip":12,"hueRamp":8,)"
              R"("saturationClip":20,"saturationGain":30,"spill":6,"shadow":7,"highLigh":9,)"
              R"("edgeSmooth":2}})");
    EXPECT_EQ(json(i.auxiliaryInfo.connectorInfo.copyInfo), R"({"type":1,"id":1027})");
    EXPECT_EQ(json(i.crop) + json(i.removeInterlace) + json(i.smpteMapping.preset),
              R"({"enable":1,"widthRatio":9917,"heightRatio":10000,"xRatio":42,"yRatio":0})"
              R"({"enable":1}1)");
    EXPECT_EQ(
        json(i.testPattern),
        R"({"enable":1,"type":7,"bright":2,"grid":8,"gridType":1,"gridLineWidth":3,"speed":6})");
}

// The simulator and the end-to-end tests rely on both documents describing the same wiring.
TEST(SharedDocuments, EveryScreenOutputIsAListedInterfaceServingThatScreen) {
    std::map<int32_t, const Interface::s_InterfaceList*> byId;
    for (const auto& item : interfaces().data.list) {
        EXPECT_TRUE(byId.emplace(item.interfaceId, &item).second)
            << "interface " << item.interfaceId << " listed twice";
    }
    std::set<int32_t> used;
    for (const auto& screen : screens().data.list) {
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

// The shared answer documents under tests/data decode completely, with the values they hold.
#include <gtest/gtest.h>

#include <map>
#include <set>

#include "testsupport.h"

namespace {

using namespace LCD::ProtoModel;
using protomodeltest::readDataFile;
using ScreenAnswer = s_response<Screen::s_ScreenDetail>;
using InterfaceAnswer = s_response<Interface::s_InterfaceDetailInfo>;

void expectRect(const s_Rect& r, int32_t x, int32_t y, int32_t width, int32_t height) {
    EXPECT_EQ(r.x, x);
    EXPECT_EQ(r.y, y);
    EXPECT_EQ(r.width, width);
    EXPECT_EQ(r.height, height);
}

void expectAxis(const s_Timing& t, int32_t add, int32_t front, int32_t sync, int32_t polarity,
                int32_t total) {
    EXPECT_EQ(t.addTime, add);
    EXPECT_EQ(t.frontPorch, front);
    EXPECT_EQ(t.sync, sync);
    EXPECT_EQ(t.syncPolarity, polarity);
    EXPECT_EQ(t.totalTime, total);
}

void expectRGB(const s_RGB& c, int32_t r, int32_t g, int32_t b) {
    EXPECT_EQ(c.R, r);
    EXPECT_EQ(c.G, g);
    EXPECT_EQ(c.B, b);
}

void expectRGBW(const s_RGBW& c, int32_t r, int32_t g, int32_t b, int32_t w) {
    EXPECT_EQ(c.R, r);
    EXPECT_EQ(c.G, g);
    EXPECT_EQ(c.B, b);
    EXPECT_EQ(c.W, w);
}

void expectFeather(const Screen::s_Feather& f, int32_t enable, int32_t type, float gamma,
                   int32_t width) {
    EXPECT_EQ(f.enable, enable);
    EXPECT_EQ(f.type, type);
    EXPECT_FLOAT_EQ(f.gamma, gamma);
    EXPECT_EQ(f.width, width);
}

class ScreenDocument : public testing::Test {
protected:
    static void SetUpTestSuite() {
        answer_ = new ScreenAnswer;
        std::string error;
        decoded_ = decode(readDataFile("screen-list-detail.json"), *answer_, error);
        error_ = new std::string(error);
    }
    static void TearDownTestSuite() {
        delete answer_;
        delete error_;
    }
    void SetUp() override {
        ASSERT_TRUE(decoded_) << *error_;
        ASSERT_EQ(answer_->data.list.size(), 4u);
    }
    static const Screen::s_ScreenDetailInfo& screen(size_t i) { return answer_->data.list[i]; }

    static ScreenAnswer* answer_;
    static std::string* error_;
    static bool decoded_;
};
ScreenAnswer* ScreenDocument::answer_ = nullptr;
std::string* ScreenDocument::error_ = nullptr;
bool ScreenDocument::decoded_ = false;

TEST_F(ScreenDocument, EnvelopeAndPage) {
    EXPECT_EQ(answer_->code, 0);
    EXPECT_EQ(answer_->message, "success");
    EXPECT_EQ(answer_->data.count, 4);
    EXPECT_EQ(answer_->data.page, 1);
    EXPECT_EQ(answer_->data.totalCount, 4);
    EXPECT_EQ(answer_->data.totalPage, 1);
    EXPECT_EQ(screen(0).screenId, 1);
    EXPECT_EQ(screen(1).screenId, 2);
    EXPECT_EQ(screen(2).screenId, 5);
    EXPECT_EQ(screen(3).screenId, 7);
}

TEST_F(ScreenDocument, NamesKeepTheirUtf8Bytes) {
    EXPECT_EQ(screen(0).general.name, "主屏幕");
    EXPECT_EQ(screen(0).general.name, "\xE4\xB8\xBB\xE5\xB1\x8F\xE5\xB9\x95");
    EXPECT_EQ(screen(0).general.area.areaName, "一号厅");
    EXPECT_EQ(screen(1).general.name,
              "\xC3\x89"
              "cran B");
    EXPECT_EQ(screen(1).general.area.areaName, "Salle de conférence");
    EXPECT_EQ(screen(2).general.name, "LED Wall \xE2\x80\x93 Hall 3");
    EXPECT_EQ(screen(3).general.name, "会议室 Display");
    EXPECT_EQ(screen(3).general.area.areaName, "");
    EXPECT_EQ(screen(0).mosaic.outputs[0].name, "输出 3-1 主屏幕左上");
}

TEST_F(ScreenDocument, FirstScreenMosaicWithFeathers) {
    const Screen::s_ScreenDetailInfo& s = screen(0);
    EXPECT_EQ(s.screenIdObj.id, 1);
    EXPECT_EQ(s.screenIdObj.type, 2);
    EXPECT_EQ(s.general.area.areaId, 1);
    EXPECT_EQ(s.mosaic.type, 1);
    EXPECT_EQ(s.mosaic.splice.row, 2);
    EXPECT_EQ(s.mosaic.splice.column, 2);
    expectRect(s.mosaic.window, 0, 0, 3840, 2160);
    ASSERT_EQ(s.mosaic.outputs.size(), 4u);

    const Screen::s_OutputDetail& first = s.mosaic.outputs[0];
    EXPECT_EQ(first.interfaceId, 769);
    EXPECT_EQ(first.interfaceOnline, 1);
    expectRect(first.pos, 0, 0, 1920, 1080);
    expectRect(first.crop, 0, 0, 1920, 1080);
    ASSERT_EQ(first.feather.size(), 4u);
    expectFeather(first.feather[0], 0, 0, 2.2f, 0);
    expectFeather(first.feather[1], 0, 1, 2.2f, 0);
    expectFeather(first.feather[2], 1, 2, 2.2f, 64);
    expectFeather(first.feather[3], 1, 3, 2.2f, 32);

    const Screen::s_OutputDetail& last = s.mosaic.outputs[3];
    EXPECT_EQ(last.interfaceId, 772);
    EXPECT_EQ(last.interfaceOnline, 0);
    expectRect(last.pos, 1920, 1080, 1920, 1080);
    ASSERT_EQ(last.feather.size(), 4u);
    expectFeather(last.feather[0], 1, 0, 2.2f, 64);
    expectFeather(last.feather[1], 1, 1, 2.2f, 32);
    expectFeather(last.feather[3], 0, 3, 2.2f, 0);
}

TEST_F(ScreenDocument, FirstScreenSettings) {
    const Screen::s_ScreenDetailInfo& s = screen(0);
    EXPECT_EQ(s.colorDepth.preset, 10);
    EXPECT_EQ(s.colorSpace.preset, 2);
    EXPECT_EQ(s.colorRange.preset, 1);
    EXPECT_EQ(s.colorGamut.preset, 0);
    EXPECT_EQ(s.dynamicRange.preset, 0);
    EXPECT_EQ(s.timing.interlaced, 0);
    EXPECT_EQ(s.timing.refresh, 30.0f);
    expectAxis(s.timing.horizontal, 3840, 176, 88, 1, 4400);
    expectAxis(s.timing.vertical, 2160, 8, 10, 1, 2250);
    EXPECT_EQ(s.thumbTiming.interlaced, 0);
    EXPECT_EQ(s.thumbTiming.frame, 30.0f);
    EXPECT_EQ(s.thumbTiming.width, 3840);
    EXPECT_EQ(s.thumbTiming.height, 2160);
    EXPECT_EQ(s.timingSelect.select, 12);
    EXPECT_EQ(s.pgmEdit, 1);
    EXPECT_EQ(s.select, 1);
    EXPECT_EQ(s.imageQuality.colorTemperature.mode, 1);
    EXPECT_EQ(s.imageQuality.colorTemperature.quickAdjust.value, 6500);
    EXPECT_EQ(s.ftb.time, 700);
    EXPECT_EQ(s.hdr.sdr.gamma, 2.2f);
    EXPECT_EQ(s.hdr.hdr10.peakLuminance, 1000);
    EXPECT_EQ(s.hdr.hdr10.envLuminance, 5);
    EXPECT_EQ(s.hdr.hdr10.toneMapping, 1);
    EXPECT_EQ(s.hdr.hdr10.maxcll.presetMaxcll, 1000);
    EXPECT_EQ(s.hdr.hlg.peakLuminance, 1000);
    EXPECT_EQ(s.hdcp.enable, 1);
    EXPECT_EQ(s.hdcp.presetType, 1);
    EXPECT_EQ(s.hdcp.actualType, 1);
}

TEST_F(ScreenDocument, SecondScreenEveryNonDefaultSetting) {
    const Screen::s_ScreenDetailInfo& s = screen(1);
    EXPECT_EQ(s.screenIdObj.id, 2);
    EXPECT_EQ(s.general.area.areaId, 2);
    EXPECT_EQ(s.mosaic.splice.row, 1);
    EXPECT_EQ(s.mosaic.splice.column, 2);
    expectRect(s.mosaic.window, 0, 0, 3712, 1080);
    ASSERT_EQ(s.mosaic.outputs.size(), 2u);
    EXPECT_EQ(s.mosaic.outputs[1].interfaceId, 1026);
    expectRect(s.mosaic.outputs[1].pos, 1792, 0, 1920, 1080);
    ASSERT_EQ(s.mosaic.outputs[1].feather.size(), 4u);
    expectFeather(s.mosaic.outputs[1].feather[0], 1, 0, 1.8f, 128);

    EXPECT_EQ(s.colorDepth.preset, 8);
    EXPECT_EQ(s.colorSpace.preset, 1);
    EXPECT_EQ(s.colorGamut.preset, 1);
    EXPECT_EQ(s.timing.refresh, 59.94f);
    expectAxis(s.timing.horizontal, 1920, 88, 44, 1, 2200);
    expectAxis(s.timing.vertical, 1080, 4, 5, 1, 1125);
    EXPECT_EQ(s.thumbTiming.frame, 59.94f);
    EXPECT_EQ(s.timingSelect.select, 3);

    const Screen::s_ImageQualityBody& q = s.imageQuality;
    EXPECT_EQ(q.imageQualityMode, 2);
    EXPECT_EQ(q.eyeCare, 1);
    EXPECT_EQ(q.hue, -3);
    EXPECT_EQ(q.saturation, 55);
    EXPECT_EQ(q.gamma, 240);
    expectRGB(q.contrast, 48, 50, 52);
    expectRGB(q.brightness, 51, 49, 50);
    expectRGBW(q.shadow, 45, 46, 47, 90);
    expectRGBW(q.highLight, 55, 56, 57, 95);
    EXPECT_EQ(q.colorTemperature.mode, 2);
    EXPECT_EQ(q.colorTemperature.quickAdjust.value, 5600);
    expectRGB(q.colorTemperature.advanceAdjust, 52, 50, 47);

    EXPECT_EQ(s.freeze, 1);
    EXPECT_EQ(s.ftb.enable, 1);
    EXPECT_EQ(s.ftb.time, 1500);
    EXPECT_EQ(s.testPattern.enable, 1);
    EXPECT_EQ(s.testPattern.type, 2);
    EXPECT_EQ(s.testPattern.bright, 4);
    EXPECT_EQ(s.testPattern.grid, 6);
    EXPECT_EQ(s.testPattern.gridType, 1);
    EXPECT_EQ(s.testPattern.gridLineWidth, 2);
    EXPECT_EQ(s.testPattern.speed, 3);
    EXPECT_EQ(s.hdr.sdr.gamma, 2.4f);
    EXPECT_EQ(s.hdr.hdr10.pqMode, 1);
    EXPECT_EQ(s.hdr.hdr10.toneMapping, 2);
    EXPECT_EQ(s.hdr.hdr10.maxcll.enable, 1);
    EXPECT_EQ(s.hdr.hdr10.maxcll.presetMaxcll, 800);
    EXPECT_EQ(s.hdr.hlg.envLuminance, 5);
    EXPECT_EQ(s.hdcp.enable, 0);
    EXPECT_EQ(s.genlock.type, 1);
    EXPECT_EQ(s.genlock.phase.enable, 1);
    EXPECT_EQ(s.genlock.phase.offset, -120);
    EXPECT_EQ(s.genlock.sourceId, 513);
    EXPECT_EQ(s.genlockStatus.status, 1);
}

TEST_F(ScreenDocument, OtherScreens) {
    const Screen::s_ScreenDetailInfo& wall = screen(2);
    EXPECT_EQ(wall.mosaic.type, 2);
    ASSERT_EQ(wall.mosaic.outputs.size(), 3u);
    expectRect(wall.mosaic.outputs[1].crop, 8, 0, 1904, 1080);
    EXPECT_EQ(wall.mosaic.outputs[2].interfaceId, 1281);
    EXPECT_EQ(wall.colorSpace.preset, 3);
    EXPECT_EQ(wall.dynamicRange.preset, 1);
    EXPECT_EQ(wall.timing.refresh, 50.0f);
    expectAxis(wall.timing.horizontal, 1920, 528, 44, 1, 2640);
    EXPECT_EQ(wall.imageQuality.hue, 4);
    EXPECT_EQ(wall.imageQuality.gamma, 200);
    expectRGB(wall.imageQuality.brightness, 60, 60, 60);
    EXPECT_EQ(wall.hdr.hdr10.peakLuminance, 4000);
    EXPECT_EQ(wall.hdr.hdr10.pqMode, 2);
    EXPECT_EQ(wall.hdcp.presetType, 2);
    EXPECT_EQ(wall.genlock.sourceId, 1027);
    EXPECT_EQ(wall.genlockStatus.status, 2);

    const Screen::s_ScreenDetailInfo& meeting = screen(3);
    EXPECT_EQ(meeting.colorSpace.preset, 0);
    EXPECT_EQ(meeting.timing.interlaced, 1);
    EXPECT_EQ(meeting.timing.refresh, 60.0f);
    ASSERT_EQ(meeting.mosaic.outputs.size(), 2u);
    expectFeather(meeting.mosaic.outputs[0].feather[3], 1, 3, 2.0f, 16);
    EXPECT_EQ(meeting.hdr.hdr10.peakLuminance, 0);
}

class InterfaceDocument : public testing::Test {
protected:
    static void SetUpTestSuite() {
        answer_ = new InterfaceAnswer;
        std::string error;
        decoded_ = decode(readDataFile("interface-list-detail.json"), *answer_, error);
        error_ = new std::string(error);
    }
    static void TearDownTestSuite() {
        delete answer_;
        delete error_;
    }
    void SetUp() override {
        ASSERT_TRUE(decoded_) << *error_;
        ASSERT_EQ(answer_->data.list.size(), 11u);
    }
    static const Interface::s_InterfaceList& byId(int32_t id) {
        for (const auto& item : answer_->data.list) {
            if (item.interfaceId == id) return item;
        }
        ADD_FAILURE() << "interface " << id << " missing";
        static const Interface::s_InterfaceList none;
        return none;
    }

    static InterfaceAnswer* answer_;
    static std::string* error_;
    static bool decoded_;
};
InterfaceAnswer* InterfaceDocument::answer_ = nullptr;
std::string* InterfaceDocument::error_ = nullptr;
bool InterfaceDocument::decoded_ = false;

TEST_F(InterfaceDocument, EnvelopeAndPage) {
    EXPECT_EQ(answer_->code, 0);
    EXPECT_EQ(answer_->message, "success");
    EXPECT_EQ(answer_->data.count, 11);
    EXPECT_EQ(answer_->data.page, 1);
    EXPECT_EQ(answer_->data.totalCount, 11);
    EXPECT_EQ(answer_->data.totalPage, 1);
}

TEST_F(InterfaceDocument, FirstOutputOfTheFirstScreen) {
    const Interface::s_InterfaceList& i = byId(769);
    EXPECT_EQ(i.state, 1);
    EXPECT_EQ(i.interfaceIdObj.nodeId, 1);
    EXPECT_EQ(i.interfaceIdObj.slotId, 3);
    EXPECT_EQ(i.interfaceIdObj.connectorId, 1);
    EXPECT_EQ(i.interfaceIdObj.splitId, 0);
    EXPECT_EQ(i.auxiliaryInfo.reserved, 0);
    EXPECT_EQ(i.auxiliaryInfo.connectorInfo.interfaceType, 2);
    EXPECT_EQ(i.auxiliaryInfo.connectorInfo.type, 4);
    EXPECT_EQ(i.auxiliaryInfo.connectorInfo.workMode, 2);
    EXPECT_EQ(i.auxiliaryInfo.connectorInfo.capacity, 2);
    EXPECT_EQ(i.auxiliaryInfo.screenInfo.name, "主屏幕");
    EXPECT_EQ(i.general.name, "输出 3-1 主屏幕左上");
    EXPECT_EQ(i.general.name.size(), 26u);

    EXPECT_EQ(i.presetThumbTiming.interlaced, 0);
    EXPECT_EQ(i.presetThumbTiming.frame, 60.0f);
    EXPECT_EQ(i.actualThumbTiming.frame, 59.94f);
    EXPECT_EQ(i.actualThumbTiming.width, 1920);
    EXPECT_EQ(i.actualThumbTiming.height, 1080);
    EXPECT_EQ(i.presetTiming.refresh, 60.0f);
    EXPECT_EQ(i.actualTiming.interlaced, 0);
    EXPECT_EQ(i.actualTiming.refresh, 59.94f);
    expectAxis(i.actualTiming.horizontal, 1920, 88, 44, 1, 2200);
    expectAxis(i.actualTiming.vertical, 1080, 4, 5, 1, 1125);
    EXPECT_EQ(i.timingSelect.select, 3);
    EXPECT_EQ(i.crop.widthRatio, 10000);
    EXPECT_EQ(i.crop.heightRatio, 10000);
    EXPECT_EQ(i.hdcp.enable, 1);
    EXPECT_EQ(i.hdcp.preset, 1);
    EXPECT_EQ(i.hdcp.actual, 1);
    EXPECT_EQ(i.colorSpace.preset, 2);
    EXPECT_EQ(i.colorSpace.actual, 2);
    EXPECT_EQ(i.colorDepth.preset, 10);
    EXPECT_EQ(i.colorRange.actual, 1);
    EXPECT_EQ(i.colorGamut.preset, 0);
    EXPECT_EQ(i.colorDynamicRange.actual, 0);
    EXPECT_EQ(i.smpteMapping.preset, 0);
    EXPECT_EQ(i.smpteMapping.actual, 0);
    EXPECT_EQ(i.hdr.hdr10.peakLuminance, 1000);
    EXPECT_EQ(i.cutout.hue.highLigh, 5);
}

TEST_F(InterfaceDocument, OfflineInterfaceHasNoActualTiming) {
    const Interface::s_InterfaceList& i = byId(772);
    EXPECT_EQ(i.state, 0);
    EXPECT_EQ(i.actualThumbTiming.interlaced, 0);
    EXPECT_EQ(i.actualThumbTiming.frame, 0.0f);
    EXPECT_EQ(i.actualThumbTiming.width, 0);
    EXPECT_EQ(i.actualTiming.refresh, 0.0f);
    expectAxis(i.actualTiming.horizontal, 0, 0, 0, 0, 0);
    EXPECT_EQ(i.colorSpace.preset, 2);
    EXPECT_EQ(i.colorSpace.actual, -1);
}

TEST_F(InterfaceDocument, NamesAtTheLengthLimit) {
    const Interface::s_InterfaceList& fits = byId(1025);
    EXPECT_EQ(fits.general.name, "OUT 4-1 Ecran B gauche - salle de conference principale niv.02");
    EXPECT_EQ(fits.general.name.size(), 62u);
    EXPECT_EQ(fits.auxiliaryInfo.screenInfo.name, "Écran B");
    EXPECT_EQ(fits.presetTiming.refresh, 59.94f);

    const Interface::s_InterfaceList& tooLong = byId(1027);
    EXPECT_EQ(tooLong.general.name,
              "OUT 4-3 LED Wall Hall 3 left cabinet column A, receiver chain 1");
    EXPECT_EQ(tooLong.general.name.size(), 63u);
    EXPECT_EQ(tooLong.auxiliaryInfo.screenInfo.name, "LED Wall – Hall 3");
    EXPECT_EQ(tooLong.hdcp.preset, 2);
    EXPECT_EQ(tooLong.colorDynamicRange.preset, 1);
}

TEST_F(InterfaceDocument, ImageQualityAwayFromDefaults) {
    const Interface::s_ImageQualityBody& q = byId(1026).imageQuality;
    EXPECT_EQ(q.imageQualityMode, 3);
    EXPECT_EQ(q.eyeCare, 1);
    EXPECT_EQ(q.hue, -5);
    EXPECT_EQ(q.saturation, 65);
    EXPECT_EQ(q.gamma, 180);
    expectRGB(q.contrast, 40, 45, 50);
    expectRGB(q.brightness, 55, 60, 65);
    expectRGBW(q.shadow, 30, 31, 32, 80);
    expectRGBW(q.highLight, 70, 71, 72, 110);
    EXPECT_EQ(q.colorTemperature.mode, 2);
    EXPECT_EQ(q.colorTemperature.quickAdjust.value, 7500);
    expectRGB(q.colorTemperature.advanceAdjust, 49, 51, 53);
    EXPECT_EQ(byId(1026).general.name, "OUT 4-2 Écran B droite");
}

TEST_F(InterfaceDocument, KeyingCropAndPattern) {
    const Interface::s_InterfaceList& i = byId(1028);
    EXPECT_EQ(i.auxiliaryInfo.connectorInfo.copyInfo.type, 1);
    EXPECT_EQ(i.auxiliaryInfo.connectorInfo.copyInfo.id, 1027);
    EXPECT_EQ(i.crop.enable, 1);
    EXPECT_EQ(i.crop.widthRatio, 9917);
    EXPECT_EQ(i.crop.xRatio, 42);
    EXPECT_EQ(i.smpteMapping.preset, 1);
    EXPECT_EQ(i.removeInterlace.enable, 1);
    EXPECT_EQ(i.testPattern.enable, 1);
    EXPECT_EQ(i.testPattern.type, 7);
    EXPECT_EQ(i.testPattern.speed, 6);

    const Interface::s_Cutout& c = i.cutout;
    EXPECT_EQ(c.enable, 1);
    EXPECT_EQ(c.type, 2);
    EXPECT_EQ(c.cursor.enable, 1);
    EXPECT_EQ(c.cursor.pos.x, 640);
    EXPECT_EQ(c.cursor.pos.y, 360);
    expectRGB(c.cursor.color, 0, 255, 0);
    EXPECT_EQ(c.brightness.threshold, 16);
    EXPECT_EQ(c.brightness.gain, 80);
    EXPECT_EQ(c.brightness.foregroundColor.enable, 1);
    EXPECT_EQ(c.brightness.foregroundColor.R, 255);
    EXPECT_EQ(c.brightness.foregroundColor.G, 0);
    EXPECT_EQ(c.brightness.foregroundColor.B, 128);
    expectRGB(c.hue.color, 0, 177, 64);
    EXPECT_EQ(c.hue.hueClip, 12);
    EXPECT_EQ(c.hue.hueRamp, 8);
    EXPECT_EQ(c.hue.saturationClip, 20);
    EXPECT_EQ(c.hue.saturationGain, 30);
    EXPECT_EQ(c.hue.spill, 6);
    EXPECT_EQ(c.hue.shadow, 7);
    EXPECT_EQ(c.hue.highLigh, 9);
    EXPECT_EQ(c.hue.edgeSmooth, 2);
}

// The simulator and the end-to-end tests rely on both documents describing the same wiring.
TEST(SharedDocuments, EveryScreenOutputIsAListedInterfaceServingThatScreen) {
    ScreenAnswer screens;
    InterfaceAnswer interfaces;
    std::string error;
    ASSERT_TRUE(decode(readDataFile("screen-list-detail.json"), screens, error)) << error;
    ASSERT_TRUE(decode(readDataFile("interface-list-detail.json"), interfaces, error)) << error;

    std::map<int32_t, const Interface::s_InterfaceList*> byId;
    for (const auto& item : interfaces.data.list) {
        EXPECT_TRUE(byId.emplace(item.interfaceId, &item).second)
            << "interface " << item.interfaceId << " listed twice";
    }
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

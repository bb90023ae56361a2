// Loading the start data: the default documents, fixtures, and the errors a user sees.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

#include "simtestsupport.h"

namespace ControllerSimTest {
namespace {

using ::testing::HasSubstr;

class ControllerDataTest : public ::testing::Test {
protected:
    ControllerData data;
    std::string source;
    std::string error;
};

TEST_F(ControllerDataTest, DefaultFoldersPreferTheInstalledDataBesideTheExecutable) {
    const auto dirs = defaultDataDirs("/opt/ocsm/bin");
    ASSERT_EQ(dirs.size(), 2u);
    EXPECT_EQ(dirs[0], "/opt/ocsm/bin/../share/outputcolorspacemodel");
    ASSERT_TRUE(loadDefaultData(dirs, data, source, error)) << error;
    EXPECT_EQ(data.screens.size(), 4u);
    EXPECT_EQ(data.interfaces.size(), 11u);
}

TEST_F(ControllerDataTest, TheFirstFolderHoldingBothDocumentsWins) {
    TempDir halfInstalled;  // only the screen document: passed over
    halfInstalled.write("screen-list-detail.json", "{}");
    TempDir installed;
    installed.write("screen-list-detail.json",
                    R"({"data":{"list":[{"screenId":42,"colorSpace":{"preset":1}}]}})");
    installed.write("interface-list-detail.json", R"({"data":{"list":[]}})");
    ASSERT_TRUE(loadDefaultData({halfInstalled.path(), installed.path(), OCSM_DATA_DIR}, data,
                                source, error))
        << error;
    EXPECT_EQ(source, installed.path());
    ASSERT_EQ(data.screens.size(), 1u);
    EXPECT_EQ(data.screens[0].screenId, 42);
    EXPECT_TRUE(data.interfaces.empty());
}

TEST_F(ControllerDataTest, NoFolderWithTheDocumentsNamesEveryFolderTried) {
    TempDir empty;
    EXPECT_FALSE(loadDefaultData({empty.path(), "/nonexistent"}, data, source, error));
    EXPECT_THAT(error, HasSubstr(empty.path()));
    EXPECT_THAT(error, HasSubstr("/nonexistent"));
}

TEST_F(ControllerDataTest, UndecodableDocumentIsNamedWithTheCodecError) {
    TempDir dir;
    const std::string screens =
        dir.write("screen-list-detail.json", R"({"data":{"list":[{"screenId":1})");
    const std::string interfaces = dir.write("interface-list-detail.json", "{}");
    EXPECT_FALSE(loadDefaultData({dir.path()}, data, source, error));
    EXPECT_THAT(error, HasSubstr(screens));
    EXPECT_THAT(error, HasSubstr("error at line :"));
    EXPECT_TRUE(data.screens.empty());
}

TEST_F(ControllerDataTest, FixtureHoldsBothAnswers) {
    TempDir dir;
    const std::string file = dir.write("fixture.json", R"({
        "screens": {"data": {"list": [{"screenId": 3, "screenIdObj": {"type": 1}}]}},
        "interfaces": {"data": {"list": [{"interfaceId": 7}, {"interfaceId": 8}]}}})");
    ASSERT_TRUE(loadFixture(file, data, error)) << error;
    ASSERT_EQ(data.screens.size(), 1u);
    EXPECT_EQ(data.screens[0].screenIdObj.type, 1);
    EXPECT_EQ(data.screens[0].colorSpace.preset, -1);
    ASSERT_EQ(data.interfaces.size(), 2u);
    EXPECT_EQ(data.interfaces[1].interfaceId, 8);
}

TEST_F(ControllerDataTest, FixtureErrorsNameTheFile) {
    TempDir dir;
    const std::string broken = dir.write("broken.json", R"({"screens": {"data": {"list": 5}}})");
    EXPECT_FALSE(loadFixture(broken, data, error));
    EXPECT_THAT(error, HasSubstr(broken));
    EXPECT_THAT(error, HasSubstr("array must start with [."));

    EXPECT_FALSE(loadFixture(dir.path() + "/missing.json", data, error));
    EXPECT_THAT(error, HasSubstr("cannot read " + dir.path() + "/missing.json"));
}

}  // namespace
}  // namespace ControllerSimTest

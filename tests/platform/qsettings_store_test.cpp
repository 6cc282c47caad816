// The real settings file under a temporary XDG_CONFIG_HOME.
#include "core/ift_option.h"
#include "platform/qsettings_store.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

namespace nuvrel {
namespace {

// Qt reads XDG_CONFIG_HOME once per process, so the whole program gets one
// scratch config folder, set before anything touches QSettings.
test::TempDir& configHome() {
    static test::TempDir dir;
    return dir;
}
const bool kConfigHomeSet = [] { return setenv("XDG_CONFIG_HOME", configHome().path().c_str(), 1) == 0; }();

class SettingsFile : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(kConfigHomeSet);
        std::filesystem::remove_all(dir.path() / "Ostrel");
    }
    std::string file() const { return QSettingsStore::fileFor(kSettingsKeyPath); }
    test::TempDir& dir = configHome();
    QSettingsStore store;
};

TEST_F(SettingsFile, LivesInTheUsersConfigFolder) {
    EXPECT_EQ(file(), (dir / "Ostrel/NuvRel.conf").string());
    EXPECT_EQ(QSettingsStore::fileFor("Software"), "");
}

TEST_F(SettingsFile, MissingKeyIsNotCreatedByReading) {
    EXPECT_EQ(store.openKey(kSettingsKeyPath, false), nullptr);
    IFTOption options(store);
    EXPECT_EQ(options.GPSModelID(), 59);
    EXPECT_FALSE(std::filesystem::exists(file()));
}

TEST_F(SettingsFile, SavedSettingsReadBackWithTheirTypes) {
    {
        IFTOption options(store);
        options.SetGPSModel("eTrex Vista");
        options.SetDatumName("WGS 84");
        options.SetPenColor(0x00FF8000);
        options.SetMapLoadWithStart(1);
        ASSERT_TRUE(options.save());
    }
    IFTOption again(store);
    EXPECT_EQ(again.GPSModel(), "eTrex Vista");
    EXPECT_EQ(again.DatumName(), "WGS 84");
    EXPECT_EQ(again.PenColor(), 0x00FF8000);
    EXPECT_EQ(again.MapLoadWithStart(), 1);
}

TEST_F(SettingsFile, HandEditedValuesOfTheWrongTypeOrEmptyKeepDefaults) {
    std::filesystem::create_directories(dir / "Ostrel");
    std::ofstream(dir / "Ostrel/NuvRel.conf") << "[General]\nGPSModel=\nGPSModelID=abc\nCommPort=12\n"
                                                 "PenWidth=0x3\nDatumName=Tokyo 2\nMapScale=99999999999\n"
                                                 "MapWidth=010\nMapHeight=0800\n";
    IFTOption options(store);
    EXPECT_EQ(options.GPSModel(), "GPS II");
    EXPECT_EQ(options.GPSModelID(), 59);
    EXPECT_EQ(options.CommPort(), 12);
    EXPECT_EQ(options.PenWidth(), 3);
    EXPECT_EQ(options.DatumName(), "Tokyo 2");
    EXPECT_EQ(options.MapScale(), 25000);
    EXPECT_EQ(options.MapWidth(), 10); // leading zeros read as decimal, never octal
    EXPECT_EQ(options.MapHeight(), 800);
}

TEST_F(SettingsFile, FolderMemoryRoundTripsPathsWithSpacesAndNonAscii) {
    ASSERT_NE(store.openKey(kSettingsKeyPath, true), nullptr);
    IFTOption options(store);
    const std::string folder = "/home/pilot/Flüge 2026/";
    options.rememberFolder(kDataFolderValue, folder);
    IFTOption again(store);
    EXPECT_EQ(again.folderMemory(kDataFolderValue), folder);
}

// Comment lines written by hand stay where they were after any write.
TEST_F(SettingsFile, CommentLinesSurviveEveryWrite) {
    std::filesystem::create_directories(std::filesystem::path(file()).parent_path());
    test::writeFileBytes(file(), "; written by hand: keep me\n[General]\n# the receiver\nGPSModel=GPS II\n"
                                 "DatumName=Tokyo\n; last words\n");
    for (const char* datum : {"WGS 84", "Tokyo"}) {
        IFTOption options(store);
        options.SetDatumName(datum);
        ASSERT_TRUE(options.save());
    }
    const std::string text = test::readFileBytes(file());
    const std::size_t top = text.find("; written by hand: keep me\n");
    const std::size_t receiver = text.find("# the receiver\nGPSModel=GPS II\n");
    const std::size_t last = text.find("; last words\n");
    ASSERT_NE(top, std::string::npos) << text;
    ASSERT_NE(receiver, std::string::npos) << text;
    ASSERT_NE(last, std::string::npos) << text;
    EXPECT_LT(top, receiver);
    EXPECT_EQ(text.find("; written by hand", top + 1), std::string::npos) << "once only";
    IFTOption again(store);
    EXPECT_EQ(again.DatumName(), "Tokyo");
    EXPECT_EQ(again.GPSModel(), "GPS II");
}

} // namespace
} // namespace nuvrel

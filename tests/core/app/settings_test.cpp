#include "core/ift_option.h"
#include "core/errors.h"
#include "core/time_zone.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace nuvrel {
namespace {

using test::MemorySettingsStore;

void expectDefaults(const IFTOption& o) {
    EXPECT_EQ(o.GPSModel(), "GPS II");
    EXPECT_EQ(o.GPSModelID(), 59);
    EXPECT_EQ(o.GPSCharSet(), 1);
    EXPECT_EQ(o.CommPort(), 1);
    EXPECT_EQ(o.PenColor(), 255);
    EXPECT_EQ(o.PenWidth(), 1);
    EXPECT_EQ(o.MapScale(), 25000);
    EXPECT_EQ(o.MapWidth(), 1004);
    EXPECT_EQ(o.MapHeight(), 632);
    EXPECT_EQ(o.TraceMark(), "HANGGLIDER");
    EXPECT_EQ(o.DatumName(), "Tokyo");
    EXPECT_EQ(o.MapLoadWithStart(), 0);
    EXPECT_EQ(o.TextCoordinateFormat(), 1);
    EXPECT_EQ(o.GPSSoftwareVersion(), 0);
}

TEST(Settings, FirstStartUsesDefaultsAndSavesAllFourteenValues) {
    MemorySettingsStore store;
    {
        IFTOption o(store);
        expectDefaults(o);
        EXPECT_TRUE(store.keys.empty()) << "loading must not create the key";
        EXPECT_TRUE(o.save());
    }
    ASSERT_EQ(store.keys.count(kSettingsKeyPath), 1u);
    const auto& values = store.keys[kSettingsKeyPath];
    EXPECT_EQ(values.size(), 14u);
    EXPECT_EQ(std::get<std::string>(values.at("GPSModel")), "GPS II");
    EXPECT_EQ(std::get<std::int32_t>(values.at("GPSModelID")), 59);
    EXPECT_EQ(std::get<std::string>(values.at("DatumName")), "Tokyo");
    EXPECT_EQ(std::get<std::int32_t>(values.at("GPSSoftwareVersion")), 0);
}

TEST(Settings, MissingEmptyAndWrongTypedValuesKeepTheirDefaultsAlone) {
    MemorySettingsStore store;
    auto& v = store.keys[kSettingsKeyPath];
    v["GPSModel"] = std::string();
    v["DatumName"] = std::string();
    v["TraceMark"] = std::string();
    v["GPSModelID"] = std::string("73");  // wrong type
    v["PenColor"] = std::int32_t{0x00FF00};
    v["PenWidth"] = std::string("3");     // wrong type
    v["MapLoadWithStart"] = std::int32_t{1};
    IFTOption o(store);
    EXPECT_EQ(o.GPSModel(), "GPS II");
    EXPECT_EQ(o.DatumName(), "Tokyo");
    EXPECT_EQ(o.TraceMark(), "HANGGLIDER");
    EXPECT_EQ(o.GPSModelID(), 59);
    EXPECT_EQ(o.PenColor(), 0x00FF00);
    EXPECT_EQ(o.PenWidth(), 1);
    EXPECT_EQ(o.MapLoadWithStart(), 1);
}

TEST(Settings, CommPortIsNotRangeCheckedOnLoadButTheSetterRefusesOutOfRange) {
    MemorySettingsStore store;
    store.keys[kSettingsKeyPath]["CommPort"] = std::int32_t{12};
    IFTOption o(store);
    EXPECT_EQ(o.CommPort(), 12);
    o.SetCommPort(3);
    EXPECT_EQ(o.CommPort(), 3);
    for (int bad : {0, 9, 12, -1}) {
        o.SetCommPort(bad);
        EXPECT_EQ(o.CommPort(), 3) << bad;
    }
    o.SetCommPort(8);
    EXPECT_EQ(o.CommPort(), 8);
}

TEST(Settings, FlightLogNamesAreWrittenOnceGivenAndCanBeCleared) {
    MemorySettingsStore store;
    {
        IFTOption o(store);
        o.SetPilotName("Hana Sato");
        o.SetGliderType("Ozone Rush 6");
        ASSERT_TRUE(o.save());
    }
    auto& values = store.keys[kSettingsKeyPath];
    EXPECT_EQ(values.count("GliderID"), 0u) << "a name never given is not written";
    {
        IFTOption o(store);
        EXPECT_EQ(o.PilotName(), "Hana Sato");
        EXPECT_EQ(o.GliderType(), "Ozone Rush 6");
        o.SetPilotName("");
        ASSERT_TRUE(o.save());
    }
    EXPECT_EQ(std::get<std::string>(values.at("PilotName")), "");
    EXPECT_EQ(IFTOption(store).PilotName(), "");
}

TEST(Settings, SaveWhenTheKeyCannotBeCreatedWritesNothing) {
    MemorySettingsStore store;
    store.refuseCreate = true;
    IFTOption o(store);
    EXPECT_FALSE(o.save());
    EXPECT_TRUE(store.keys.empty());
}

TEST(Settings, FolderMemoryIsKeptOnlyWhileTheKeyExists) {
    MemorySettingsStore store;
    IFTOption o(store);
    o.rememberFolder(kDataFolderValue, "/home/pilot/flights/");
    EXPECT_EQ(o.folderMemory(kDataFolderValue), "");
    store.keys[kSettingsKeyPath];
    o.rememberFolder(kDataFolderValue, "/home/pilot/flights/");
    EXPECT_EQ(o.folderMemory(kDataFolderValue), "/home/pilot/flights/");
    EXPECT_EQ(FolderOf("/home/pilot/flights/a.nvl"), "/home/pilot/flights/");
    EXPECT_EQ(FolderOf("a.nvl"), "");
}

TEST(Errors, TheTwelveMessages) {
    EXPECT_EQ(ErrorMessage(1), "Can't open serial port");
    EXPECT_EQ(ErrorMessage(2), "GPS doesn't respond");
    EXPECT_EQ(ErrorMessage(6), "can't allocate enough memory");
    EXPECT_EQ(ErrorMessage(7), "not a NUVREL file");
    EXPECT_EQ(ErrorMessage(10), "unsupport version/format");
    EXPECT_EQ(ErrorMessage(12), "Can't execute browser");
    EXPECT_EQ(ErrorMessage(0), "");
    EXPECT_EQ(ErrorMessage(13), "");
    test::RecordingPrompts prompts;
    ShowError(prompts, 4);
    ASSERT_EQ(prompts.entries.size(), 1u);
    EXPECT_EQ(prompts.entries[0].title, "Error");
    EXPECT_EQ(prompts.entries[0].text, "DAT file not found!");
}

TEST(TimeZone, OffsetFollowsTheDaylightRuleNotTheDate) {
    EXPECT_EQ(TimeOffsetFor({-32400, true}), -36000);
    EXPECT_EQ(TimeOffsetFor({-32400, false}), -32400);

    CLibraryTimeZone zone;
    setenv("TZ", "JST-9", 1);
    EXPECT_EQ(TimeOffsetFor(zone.read()), -32400);
    setenv("TZ", "CET-1CEST,M3.5.0,M10.5.0/3", 1);
    ZoneInfo cet = zone.read();
    EXPECT_EQ(cet.biasSeconds, -3600);
    EXPECT_TRUE(cet.daylight);
    EXPECT_EQ(TimeOffsetFor(cet), -7200);
    setenv("TZ", "UTC", 1);
    EXPECT_EQ(TimeOffsetFor(zone.read()), 0);
}

} // namespace
} // namespace nuvrel

// What the nuvrel-cli tests share: the program run with a fresh
// configuration folder, and a fixture holding a data set to save as a .nvl
// file for the program to read.
#pragma once

#include "core/data/ift_garmin_data.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

// render and print are built only with the Qt renderer (not in the sanitizer build).
#ifdef NUVREL_CLI_RENDER
#define NUVREL_REQUIRE_RENDERER() (void)0
#else
#define NUVREL_REQUIRE_RENDERER() GTEST_SKIP() << "nuvrel-cli built without the map renderer"
#endif

namespace nuvrel::test {

// Runs nuvrel-cli with default settings: a fresh configuration folder under dir.
ProgramRun runCli(const TempDir& dir, const std::vector<std::string>& args);

inline TrackPoint pt(double lat, double lon, std::uint32_t time, std::int16_t segment = 1) {
    return TrackPoint{lat, lon, time, segment, 0, 0.f, 0.f};
}

struct CliDataFile : ::testing::Test {
    TempDir dir;
    RecordingPrompts prompts;
    FixedTimeZone zone;
    IFTGarminData data{DataContext{prompts, zone}};
    CRouteField routes{0};

    // Saves the data set and its routes as dir/name; the file's path.
    std::string save(const std::string& name = "d.nvl");
};

} // namespace nuvrel::test

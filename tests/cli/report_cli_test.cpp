// nuvrel-cli report, run as the real program on simulated flights.
#include "cli_data_file.h"
#include "support/flight_generator.h"

#include <regex>

namespace nuvrel {
namespace {

struct ReportCli : test::CliDataFile {
    // Two flights, one per segment.
    std::string save() {
        test::FlightSim a;
        a.cycles = 2;
        a.noiseM = 3;
        test::FlightSim b = a;
        b.segment = 2;
        b.windKmh = 25;
        data.setTrack(std::make_unique<IFTGarminTrack>(test::simulateDay({a, b}).points));
        return CliDataFile::save("flights.nvl");
    }
    test::ProgramRun run(const std::vector<std::string>& args) { return test::runCli(dir, args); }
};

std::size_t count(const std::string& text, const std::string& what) {
    std::size_t n = 0;
    for (auto at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        ++n;
    return n;
}

// The JSON object's shape, for the whole log and for one segment under the
// other rules; the readable text; the barogram file; refused arguments.
TEST_F(ReportCli, JsonTextBarogramAndArguments) {
    const std::string file = save();
    test::ProgramRun r = run({"report", file, "--json"});
    ASSERT_EQ(r.status, 0) << r.err;
    const std::regex shape(
        R"re(^\{"flights":\[\{"takeoff":\{"index":\d+,"time":"\d{4}-\d\d-\d\dT\d\d:\d\d:\d\dZ"\},"landing":\{"index":\d+,"time":"[^"]+"\},"air_time_s":\d+,"track_km":[\d.]+,"wind":\{"speed_kmh":[\d.]+,"from_deg":\d+,"quality":[\d.]+,"source":"thermals(\+turns)?"\},"thermals":\[\{"start":\d+,"end":\d+,"gain_m":\d+,"climb_ms":[\d.]+,"wind":\{"speed_kmh":[\d.]+,"from_deg":\d+,"quality":[\d.]+,"source":"thermals"\}\},.*\],"turn_winds":\[.*\],"score":\{"rules":"xcontest","type":"[^"]+","distance_km":[\d.]+,"points":[\d.]+,"turnpoints":\[\[[\d.-]+,[\d.-]+\],\[[\d.-]+,[\d.-]+\],\[[\d.-]+,[\d.-]+\]\].*\}\}\]\}\n$)re");
    EXPECT_TRUE(std::regex_match(r.out, shape)) << r.out;
    EXPECT_EQ(count(r.out, "\"takeoff\""), 2u);
    EXPECT_EQ(count(r.out, "\"gain_m\""), 4u);

    r = run({"report", file, "--segment", "2", "--rules", "ffvl", "--json"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(count(r.out, "\"takeoff\""), 1u);
    EXPECT_NE(r.out.find("\"rules\":\"ffvl\""), std::string::npos);

    r = run({"report", file});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("Flight 2\n  take-off:  point "), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("  score:     xcontest, "), std::string::npos) << r.out;
#ifdef NUVREL_CLI_RENDER // the barogram is drawn with the Qt renderer (not in the sanitizer build)
    const std::string png = (dir / "baro.png").string();
    r = run({"report", file, "--barogram", png});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(test::readFileBytes(png).substr(0, 4), "\x89PNG");
#endif

    for (const auto& bad : std::vector<std::vector<std::string>>{
             {"report", file, "--rules", "fai"}, {"report", file, "--segment", "x"}, {"report"}})
        EXPECT_NE(run(bad).status, 0);
}

} // namespace
} // namespace nuvrel

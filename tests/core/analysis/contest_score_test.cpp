#include "core/analysis/contest_score.h"
#include "core/formats/igc_format.h"
#include "core/formats/text_sink.h"

#include "support/flight_generator.h"
#include "support/score_reference.h"
#include "support/test_support.h"
#include "support/outside_reference.h"
#include "support/sanitized.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <regex>
#include <stop_token>
#include <string>

namespace nuvrel {
namespace {

const std::string kReferenceDir = std::string(NUVREL_SOURCE_DIR) + "/tests/reference/node";


// The outside scorer's answer for an IGC file: one JSON line.
std::string referenceScore(const std::string& igc, const char* rules) {
    const std::string cmd = "node " + kReferenceDir + "/score_igc.cjs " + igc + " " + rules + " 2>&1";
    std::string out;
    if (FILE* p = popen(cmd.c_str(), "r")) {
        char buf[4096];
        while (std::fgets(buf, sizeof buf, p))
            out += buf;
        pclose(p);
    }
    return out;
}

// The [lat, lon] pairs of a JSON array field.
std::vector<std::pair<double, double>> positions(const std::string& json, const std::string& field) {
    std::vector<std::pair<double, double>> out;
    const auto at = json.find("\"" + field + "\":[");
    if (at == std::string::npos)
        return out;
    const auto end = json.find("]]", at);
    const std::string list = json.substr(at, end == std::string::npos ? std::string::npos : end - at + 2);
    const std::regex pair(R"(\[(-?[0-9.eE+-]+),(-?[0-9.eE+-]+)\])");
    for (std::sregex_iterator it(list.begin(), list.end(), pair), e; it != e; ++it)
        out.emplace_back(std::stod((*it)[1]), std::stod((*it)[2]));
    return out;
}

// Flights of every shape against the outside scorer: the same type, the
// score within 0.1 %, the turnpoints (and a free flight's start and finish)
// within 50 m, or else tied with the scorer's choice.
TEST(ContestScore, AgreesWithTheReferenceScorer) {
    NUVREL_REQUIRE_REFERENCE(std::system("command -v node >/dev/null 2>&1") == 0 &&
                                 std::filesystem::exists(kReferenceDir + "/node_modules/igc-xc-score"),
                             "node or the reference scorer igc-xc-score");
    struct Shape {
        const char* name;
        double courseTurnDeg;
        int cycles;
        double windKmh;
    };
    const Shape shapes[] = {
        {"triangle", 120, 3, 0},      {"drifting triangle", 120, 3, 15}, {"square", 90, 4, 0},
        {"out and return", 180, 2, 10}, {"open distance", 15, 5, 25},     {"zigzag", 100, 7, 12},
        {"wide triangle", 110, 3, 8},
    };
    test::TempDir dir;
    for (const Shape& s : shapes)
        for (const auto rules : {ContestRules::XContest, ContestRules::FFVL}) {
            SCOPED_TRACE(std::string(s.name) + " " + contestRulesName(rules));
            test::FlightSim f;
            f.dt = 5;
            f.courseTurnDeg = s.courseTurnDeg;
            f.cycles = s.cycles;
            f.windKmh = s.windKmh;
            f.glideSeconds = 900;
            f.noiseM = 3;
            f.walkSeconds = f.standSeconds = f.standAfterSeconds = f.walkAfterSeconds = 0;
            const auto points = test::simulateFlight(f).points;
            const std::string igc = (dir / "flight.igc").string();
            {
                TextSink out(igc);
                ASSERT_EQ(IgcWriter("WGS 84").write(out, points, IgcHeader{}).fixes, points.size());
                ASSERT_TRUE(out.finish());
            }
            const std::string json = referenceScore(igc, rules == ContestRules::FFVL ? "FFVL" : "XContest");
            std::smatch m;
            ASSERT_TRUE(std::regex_search(json, m, std::regex(R"re("type":"([^"]*)","score":([0-9.]+))re"))) << json;
            const ContestScore ours = scoreFlight(points, rules);
            EXPECT_EQ(ours.type, m[1].str());
            const double theirs = std::stod(m[2]);
            EXPECT_NEAR(ours.points, theirs, theirs * 0.001) << json;
            std::printf("%-16s %-8s %-22s %8.2f points (reference %.2f)\n", s.name, contestRulesName(rules), ours.type.c_str(), ours.points, theirs);
            auto expected = positions(json, "tp");
            auto tp = ours.turnpoints;
            const bool triangle = ours.triangle;
            if (!triangle) {
                const auto ends = positions(json, "ep");
                ASSERT_EQ(ends.size(), 2u) << json;
                ASSERT_EQ(ours.ends.size(), 2u);
                expected.insert(expected.begin(), ends[0]);
                expected.push_back(ends[1]);
                tp.insert(tp.begin(), ours.ends[0]);
                tp.push_back(ours.ends[1]);
            }
            ASSERT_EQ(tp.size(), expected.size());
            for (std::size_t i = 0; i < expected.size(); ++i) {
                const double off =
                    contestDistanceKm(tp[i].latitude, tp[i].longitude, expected[i].first, expected[i].second);
                if (off <= 0.05)
                    continue;
                // A point further off must be a tie: on a straight glide any
                // point between its neighbours gives the same legs.
                const std::size_t n = expected.size(), a = (i + n - 1) % n, b = (i + 1) % n;
                auto via = [&](double lat, double lon) {
                    const bool open = !triangle;
                    return (open && i == 0 ? 0 : contestDistanceKm(tp[a].latitude, tp[a].longitude, lat, lon)) +
                           (open && i + 1 == n ? 0 : contestDistanceKm(lat, lon, tp[b].latitude, tp[b].longitude));
                };
                EXPECT_NEAR(via(tp[i].latitude, tp[i].longitude), via(expected[i].first, expected[i].second), 0.01)
                    << "turnpoint " << i << " is " << off << " km off in " << json;
            }
        }
}

// The real flight logs that ship with the outside scorer, under both rules:
// the same type and the score within 0.1 %. The reference runs once for all
// logs, one node process per rules side by side.
TEST(ContestScore, RealFlightLogsScoreAsTheReference) {
    NUVREL_REQUIRE_REFERENCE(test::scoreReferenceAvailable(), "node or the reference scorer igc-xc-score");
    ASSERT_EQ(test::realFlightLogs().size(), 33u);
    const auto files = test::sampledUnderSanitizers(test::realFlightLogs());
    std::FILE* ffvl = test::startScoreReference(files, "FFVL", false);
    auto flights = test::runScoreReference(files, "XContest", true);
    for (auto& f : test::readScoreReference(ffvl))
        for (auto& g : flights)
            if (g.file == f.file)
                g.scores.merge(f.scores);
    ASSERT_EQ(flights.size(), files.size());
    for (const auto& f : flights) {
        ASSERT_TRUE(f.error.empty()) << f.file << ": " << f.error;
        for (const auto rules : {ContestRules::XContest, ContestRules::FFVL}) {
            const char* name = rules == ContestRules::FFVL ? "FFVL" : "XContest";
            SCOPED_TRACE(f.file.filename().string() + " " + name);
            const auto it = f.scores.find(name);
            ASSERT_NE(it, f.scores.end());
            const ContestScore ours = scoreFlight(f.points, rules);
            EXPECT_EQ(ours.type, it->second.type) << it->second.json;
            EXPECT_NEAR(ours.points, it->second.points, it->second.points * 0.001) << it->second.json;
        }
    }
}

// A stop request ends the search with no score.
TEST(ContestScore, StopsWhenAsked) {
    test::FlightSim f;
    f.dt = 1;
    f.cycles = 6;
    f.noiseM = 3;
    const auto points = test::simulateFlight(f).points;
    std::stop_source stop;
    stop.request_stop();
    const ContestScore s = scoreFlight(points, ContestRules::XContest, stop.get_token());
    EXPECT_TRUE(s.cancelled);
    EXPECT_TRUE(s.type.empty());
    EXPECT_EQ(s.points, 0);
    EXPECT_FALSE(scoreFlight(points, ContestRules::XContest).cancelled);
}

} // namespace
} // namespace nuvrel

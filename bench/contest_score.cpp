// The contest score of a 10,000-point flight (XContest and FFVL rules), timed
// beside the outside reference scorer on the same flight as an IGC file when
// node and the reference are installed (tests/reference/node).
#include "core/analysis/contest_score.h"
#include "core/formats/igc_format.h"
#include "core/formats/text_sink.h"
#include "bench_cpu.h"
#include "../tests/support/flight_generator.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

using namespace nuvrel;

int main(int argc, char** argv) {
    test::FlightSim sim;
    sim.dt = 1;
    sim.walkSeconds = sim.standSeconds = sim.standAfterSeconds = sim.walkAfterSeconds = 0;
    sim.cycles = 13;
    sim.glideSeconds = 420;
    sim.thermalSeconds = 300;
    sim.courseTurnDeg = 125;
    sim.noiseM = 3;
    sim.windKmh = 12;
    auto points = test::simulateFlight(sim).points;
    points.resize(std::min<std::size_t>(points.size(), 10'000));
    std::printf("flight: %zu points\n", points.size());

    const std::string igc = "/tmp/nuvrel_bench_flight.igc";
    {
        TextSink out(igc);
        IgcWriter("WGS 84").write(out, points, IgcHeader{});
        out.finish();
    }
    const std::string script = std::string(NUVREL_SOURCE_DIR) + "/tests/reference/node/score_igc.cjs";
    for (const auto rules : {ContestRules::XContest, ContestRules::FFVL}) {
        const auto wall0 = std::chrono::steady_clock::now();
        const double cpu0 = bench::cpuSeconds();
        const ContestScore s = scoreFlight(points, rules);
        const double cpu = bench::cpuSeconds() - cpu0;
        const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - wall0).count();
        std::printf("%-8s nuvrel:         %-22s %8.2f km %8.2f points  %7.3f s (cpu %.3f s)\n",
                    contestRulesName(rules), s.type.c_str(), s.distanceKm, s.points, wall, cpu);
        if (argc > 1 && std::string(argv[1]) == "--no-reference")
            continue;
        const std::string cmd = "node " + script + " " + igc + (rules == ContestRules::FFVL ? " FFVL" : " XContest") +
                                " 2>/dev/null";
        if (FILE* p = popen(cmd.c_str(), "r")) {
            char line[4096] = {};
            const bool got = std::fgets(line, sizeof line, p) != nullptr;
            pclose(p);
            if (got)
                std::printf("%-8s igc-xc-score:   %s", contestRulesName(rules), line);
            else
                std::printf("%-8s igc-xc-score:   not available\n", contestRulesName(rules));
        }
    }
    return 0;
}

// The contest score of the real flight logs that ship with the outside
// reference scorer (tests/reference/node), under XContest and FFVL rules:
// our CPU time beside the reference's on the same file in the same run, both
// answers, and the worst ratio of the times.
//   bench_contest_score [--no-reference] [NAME-FILTER...]
#include "core/analysis/contest_score.h"
#include "bench_cpu.h"
#include "../tests/support/score_reference.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

using namespace nuvrel;

int main(int argc, char** argv) {
    bool reference = true;
    std::vector<std::string> filters;
    for (int i = 1; i < argc; ++i) {
        if (std::string(argv[i]) == "--no-reference")
            reference = false;
        else
            filters.emplace_back(argv[i]);
    }
    std::vector<std::filesystem::path> files;
    for (const auto& f : test::realFlightLogs())
        if (filters.empty() || std::any_of(filters.begin(), filters.end(), [&](const std::string& s) {
                return f.filename().string().find(s) != std::string::npos;
            }))
            files.push_back(f);
    if (files.empty() || !test::scoreReferenceAvailable()) {
        std::printf("the real flight logs or node are missing (scripts/install-deps)\n");
        return 1;
    }
    const auto flights = test::runScoreReference(files, reference ? "XContest,FFVL" : "-", true);
    std::printf("%-38s %6s %-8s | %-20s %8s %8s | %-20s %8s %8s | %6s\n", "log", "fixes", "rules", "nuvrel", "points",
                "cpu s", "igc-xc-score", "points", "cpu s", "ratio");
    double worst = 0, ours = 0, theirs = 0;
    std::string worstAt;
    int differ = 0;
    for (const auto& f : flights) {
        for (const auto rules : {ContestRules::XContest, ContestRules::FFVL}) {
            const char* name = rules == ContestRules::FFVL ? "FFVL" : "XContest";
            const double cpu0 = bench::cpuSeconds();
            const ContestScore s = scoreFlight(f.points, rules);
            const double cpu = bench::cpuSeconds() - cpu0;
            ours += cpu;
            std::printf("%-38s %6zu %-8s | %-20s %8.2f %8.3f |", f.file.filename().c_str(), f.points.size(), name,
                        s.type.c_str(), s.points, cpu);
            const auto it = f.scores.find(name);
            if (it == f.scores.end()) {
                std::printf("\n");
                continue;
            }
            const auto& r = it->second;
            const double ratio = cpu / std::max(r.cpuMs / 1000, 1e-6);
            theirs += r.cpuMs / 1000;
            const bool same = s.type == r.type && std::abs(s.points - r.points) <= r.points * 0.001;
            differ += same ? 0 : 1;
            std::printf(" %-20s %8.2f %8.3f | %6.3f%s\n", r.type.c_str(), r.points, r.cpuMs / 1000, ratio,
                        same ? "" : "  DIFFERS");
            if (ratio > worst)
                worst = ratio, worstAt = f.file.filename().string() + " " + name;
        }
    }
    std::printf("total cpu: nuvrel %.3f s", ours);
    if (reference)
        std::printf(", igc-xc-score %.3f s; worst ratio %.3f (%s); %d answers differ", theirs, worst,
                    worstAt.c_str(), differ);
    std::printf("\n");
    return 0;
}

// The logbook with a long career in it: 1,000 flights of 2,000 fixes each
// added in one go (one transaction), then the list and the totals of all of
// them read from the file as the Logbook window and `logbook list` and
// `logbook totals` read them. Prints each figure beside its aim (list and
// totals under 50 ms) and the size of the file.
#include "core/logbook/logbook.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

using namespace nuvrel;
using Clock = std::chrono::steady_clock;

double msSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

std::vector<NewLogbookFlight> career(int flights, int fixes) {
    std::vector<NewLogbookFlight> out(static_cast<std::size_t>(flights));
    const char* gliders[] = {"Ozone Rush 6", "Advance Iota 2", "Gin Bonanza 3"};
    for (int k = 0; k < flights; ++k) {
        NewLogbookFlight& n = out[static_cast<std::size_t>(k)];
        // Twenty take-offs a few km apart, spread over ten seasons.
        const double lat0 = 45 + (k % 20) * 0.05, lon0 = 6 + (k % 20) * 0.04;
        const std::int64_t t0 = 1262304000 + std::int64_t(k) * 3 * 86400 + 36000;
        for (int i = 0; i < fixes; ++i) {
            const double a = i * 0.01;
            n.fixes.push_back({t0 + i, lat0 + 0.02 * std::sin(a) + i * 1e-5, lon0 + 0.02 * std::cos(a),
                               1500 + 300 * std::sin(a * 0.3)});
        }
        LogbookFlight& f = n.flight;
        f.takeoffTime = n.fixes.front().time;
        f.landingTime = n.fixes.back().time;
        f.takeoffLatitude = lat0, f.takeoffLongitude = lon0 + 0.02, f.takeoffAltitude = 1500;
        f.landingLatitude = n.fixes.back().latitude, f.landingLongitude = n.fixes.back().longitude;
        f.airTimeS = fixes - 1;
        f.trackKm = 40 + k % 50;
        f.maxAltitude = 1800;
        f.xcontest = {"Free Flight", 20.0 + k % 30, 20.0 + k % 30};
        f.ffvl = {"Distance 3 points", 20.0 + k % 30, 20.0 + k % 30};
        f.glider = gliders[k % 3];
        f.pilot = "Hana Sato";
        f.source = "flight" + std::to_string(k) + ".igc";
    }
    return out;
}

} // namespace

int main() {
    char pattern[] = "/tmp/nuvrel-bench-logbook-XXXXXX";
    const char* dir = mkdtemp(pattern);
    if (!dir) {
        std::perror("mkdtemp");
        return 1;
    }
    const std::string path = std::string(dir) + "/logbook.sqlite";
    const auto flights = career(1000, 2000);
    std::string error;
    auto book = Logbook::open(path, error);
    if (!book) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    auto start = Clock::now();
    const Logbook::AddResult added = book->add(flights);
    const double addMs = msSince(start);
    if (!added.error.empty()) {
        std::fprintf(stderr, "%s\n", added.error.c_str());
        return 1;
    }
    start = Clock::now();
    const Logbook::AddResult again = book->add(flights);
    const double againMs = msSince(start);
    book.reset();

    // Each read in a freshly opened logbook, as a command or the window does.
    std::vector<double> listMs, totalsMs, openMs, fixesMs;
    std::size_t listed = 0;
    for (int run = 0; run < 7; ++run) {
        start = Clock::now();
        auto b = Logbook::open(path, error, false);
        openMs.push_back(msSince(start));
        start = Clock::now();
        listed = b->flights().size();
        listMs.push_back(msSince(start));
        start = Clock::now();
        const auto totals = logbookTotals(b->flights(), LogbookGroup::Year);
        totalsMs.push_back(msSince(start));
        start = Clock::now();
        const auto fixes = b->fixes(500);
        fixesMs.push_back(msSince(start));
        if (totals.empty() || fixes.size() != 2000)
            return 1;
    }
    auto median = [](std::vector<double> v) {
        std::sort(v.begin(), v.end());
        return v[v.size() / 2];
    };
    std::printf("logbook of 1000 flights x 2000 fixes (%s)\n", path.c_str());
    std::printf("  add 1000 flights, one transaction:   %8.0f ms  (added %d)\n", addMs, added.added);
    std::printf("  add the same again (all known):      %8.0f ms  (already there %d)\n", againMs, again.already);
    std::printf("  open the file:                       %8.2f ms\n", median(openMs));
    std::printf("  list all flights:                    %8.2f ms  aim < 50 ms  (%zu flights)\n", median(listMs), listed);
    std::printf("  totals by year:                      %8.2f ms  aim < 50 ms\n", median(totalsMs));
    std::printf("  fixes of one flight (for the map):   %8.2f ms\n", median(fixesMs));
    std::printf("  file size:                           %8.1f MB  (%.1f bytes per fix)\n",
                static_cast<double>(std::filesystem::file_size(path)) / 1e6,
                static_cast<double>(std::filesystem::file_size(path)) / 2e6);
    std::filesystem::remove_all(dir);
    return 0;
}

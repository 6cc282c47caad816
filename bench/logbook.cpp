// The logbook with a long career in it: 1,000 flights of 2,000 fixes each
// added in one go (one transaction), then the list and the totals of all of
// them read from the file as the Logbook window and `logbook list` and
// `logbook totals` read them. Prints each figure beside its aim (list and
// totals under 50 ms) and the size of the file.
#include "bench_logbook_career.h"
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

} // namespace

int main() {
    char pattern[] = "/tmp/nuvrel-bench-logbook-XXXXXX";
    const char* dir = mkdtemp(pattern);
    if (!dir) {
        std::perror("mkdtemp");
        return 1;
    }
    const std::string path = std::string(dir) + "/logbook.sqlite";
    const auto flights = bench::career(1000, 2000);
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

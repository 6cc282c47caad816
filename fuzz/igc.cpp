// IGC logs: the reader over arbitrary bytes; what it gives is either an error
// with no point, or points in time order within each segment, segments not
// decreasing, on the globe.
#include "core/formats/igc_reader.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

using namespace nuvrel;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const IgcRead r = readIgcText(text, "Tokyo");
    if (!r.error.empty() && !r.points.empty())
        std::abort();
    for (std::size_t i = 0; i < r.points.size(); ++i) {
        const TrackPoint& p = r.points[i];
        if (!(p.latitude > -91 && p.latitude < 91 && p.longitude > -181 && p.longitude < 181))
            std::abort();
        if (i > 0) {
            const TrackPoint& q = r.points[i - 1];
            if (p.segment < q.segment || (p.segment == q.segment && p.time <= q.time))
                std::abort();
        }
    }
    (void)r.notes();
    return 0;
}

// NMEA logs: the RMC/GGA track reader over arbitrary bytes; every field
// turned into degrees as the formula does.
#include "core/c_number.h"
#include "core/formats/nmea_format.h"
#include "core/formats/text_lines.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string_view>

using namespace nuvrel;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    NmeaTrackReader reader;
    forEachLine(text, [&](std::string_view line) { return reader.line(line); });
    (void)reader.take();
    forEachLine(text, [](std::string_view line) {
        for (std::size_t start = 0; start <= line.size();) {
            const std::size_t comma = std::min(line.find(',', start), line.size());
            const std::string_view field = line.substr(start, comma - start);
            const double v = parseDouble(field);
            const double d = std::trunc(v / 100);
            const double expected = d + (v - 100 * d) / 60;
            const double got = NMEA0183::degreesMinutes(field);
            if (std::memcmp(&expected, &got, sizeof got) != 0)
                std::abort();
            start = comma + 1;
        }
        return true;
    });
    return 0;
}

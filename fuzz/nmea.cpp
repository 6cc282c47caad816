// NMEA logs: the RMC/GGA track reader over arbitrary bytes.
#include "core/formats/nmea_format.h"
#include "core/formats/text_lines.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

using namespace nuvrel;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    NmeaTrackReader reader;
    forEachLine(text, [&](std::string_view line) { return reader.line(line); });
    (void)reader.take();
    return 0;
}

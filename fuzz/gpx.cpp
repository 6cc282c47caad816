// GPX: the reader over arbitrary bytes (Tokyo datum, a receiver with named
// symbols, CP932 texts), and, in WGS-84, what it read written out again,
// which must read back without error and with as many records.
#include "core/formats/gpx_format.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

using namespace nuvrel;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    GpxSettings settings;
    settings.datumName = "Tokyo";
    settings.productId = 72;
    settings.codePage = size % 2 ? CodePage::Cp932 : CodePage::Utf8;
    const GpxRead read = readGpxText(std::string_view(reinterpret_cast<const char*>(data), size), settings);
    if (!read.error.empty())
        return 0;
    settings.datumName = "WGS 84";
    const GpxRead wgs = readGpxText(std::string_view(reinterpret_cast<const char*>(data), size), settings);
    TextSink out;
    writeGpx(out, GpxSource{wgs.content.track, wgs.content.waypoints, wgs.content.routes}, settings);
    const GpxRead again = readGpxText(out.text(), settings);
    if (!again.error.empty() || again.content.track.size() != wgs.content.track.size() ||
        again.content.waypoints.size() != wgs.content.waypoints.size() ||
        again.content.routes.size() != wgs.content.routes.size())
        __builtin_trap();
    return 0;
}

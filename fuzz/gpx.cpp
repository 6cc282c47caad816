// GPX: the reader over arbitrary bytes (Tokyo datum, a receiver with named
// symbols, CP932 texts), read whole and again in small pieces (characters
// and lines cut between pieces), which must agree on what they take; and,
// in WGS-84, what it read written out again, which must read back without
// error and with as many records.
#include "core/formats/gpx_format.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

using namespace nuvrel;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    GpxSettings settings;
    settings.datumName = "Tokyo";
    settings.productId = 72;
    settings.codePage = size % 2 ? CodePage::Cp932 : CodePage::Utf8;
    const GpxRead read = readGpxText(text, settings);
    const GpxRead pieces = readGpxTextInPieces(text, 1 + size % 7, settings);
    // Which fault is named first may differ when a file has several (an XML
    // fault and bytes that are not of its encoding); refused it is either way.
    if (pieces.error.empty() != read.error.empty() || pieces.notes != read.notes ||
        pieces.content.track.size() != read.content.track.size() ||
        pieces.content.waypoints.size() != read.content.waypoints.size() ||
        pieces.content.routes.size() != read.content.routes.size())
        __builtin_trap();
    if (!read.error.empty()) {
        // A refused file gives nothing.
        if (!read.content.track.empty() || !read.content.waypoints.empty() || !read.content.routes.empty() ||
            !read.notes.empty())
            __builtin_trap();
        return 0;
    }
    settings.datumName = "WGS 84";
    const GpxRead wgs = readGpxText(text, settings);
    TextSink out;
    writeGpx(out, GpxSource{wgs.content.track, wgs.content.waypoints, wgs.content.routes}, settings);
    const GpxRead again = readGpxText(out.text(), settings);
    if (!again.error.empty() || again.content.track.size() != wgs.content.track.size() ||
        again.content.waypoints.size() != wgs.content.waypoints.size() ||
        again.content.routes.size() != wgs.content.routes.size())
        __builtin_trap();
    return 0;
}

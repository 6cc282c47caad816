// The records are the file's bytes: check them byte by byte, not only by size.
#include "core/data/records.h"

#include <gtest/gtest.h>

#include <cstring>

namespace nuvrel {
namespace {

template <typename T>
void expectBytesAt(const T& rec, std::size_t offset, const void* bytes, std::size_t n) {
    EXPECT_EQ(0, std::memcmp(reinterpret_cast<const unsigned char*>(&rec) + offset, bytes, n)) << "offset " << offset;
}

TEST(Records, TrackPointBytes) {
    TrackPoint p{};
    p.latitude = 35.5;
    p.longitude = 139.77;
    p.time = 0x01020304;
    p.segment = -2;
    p.reserved = 0xBEEF;
    p.altitude = 123.5f;
    p.depth = 1.25f;
    const double lat = 35.5, lon = 139.77;
    const unsigned char time[] = {4, 3, 2, 1};
    const unsigned char seg[] = {0xFE, 0xFF};
    const unsigned char res[] = {0xEF, 0xBE};
    const float alt = 123.5f, depth = 1.25f;
    expectBytesAt(p, 0, &lat, 8);
    expectBytesAt(p, 8, &lon, 8);
    expectBytesAt(p, 16, time, 4);
    expectBytesAt(p, 20, seg, 2);
    expectBytesAt(p, 22, res, 2);
    expectBytesAt(p, 24, &alt, 4);
    expectBytesAt(p, 28, &depth, 4);
}

TEST(Records, WaypointAndRouteBytes) {
    WaypointRecord w{};
    w.symbol = 0x1234;
    w.display = 3;
    std::memcpy(w.ident, "ABC", 4);
    std::memcpy(w.comment, "xyz", 4);
    const unsigned char sym[] = {0x34, 0x12, 3, 0};
    expectBytesAt(w, 24, sym, 4);
    expectBytesAt(w, 28, "ABC", 4);
    expectBytesAt(w, 52, "xyz", 4);

    RouteHeader h{};
    h.entryCount = 7;
    std::memcpy(h.name, "ROUTE-00", 9);
    const unsigned char count[] = {7, 0, 0, 0};
    expectBytesAt(h, 0, count, 4);
    expectBytesAt(h, 4, "ROUTE-00", 9);

    RouteEntry e{};
    e.proximity = 50.0f;
    e.symbol = 18;
    e.display = -1;
    std::memcpy(e.ident, "WPT", 4);
    std::memcpy(e.comment, "C", 2);
    const float prox = 50.0f;
    const unsigned char sd[] = {18, 0, 0xFF, 0xFF};
    expectBytesAt(e, 16, &prox, 4);
    expectBytesAt(e, 20, sd, 4);
    expectBytesAt(e, 32, "WPT", 4);
    expectBytesAt(e, 56, "C", 2);
}

} // namespace
} // namespace nuvrel

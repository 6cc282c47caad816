// What an NMEA log gives where its sentences disagree or are damaged: the
// altitude of the nearest GGA within 2 s or none, sentences that lost their
// checksum in a log that has them, dates that do not exist.
#include "core/formats/format_read.h"
#include "core/formats/format_registry.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace nuvrel {
namespace {

// The sentence with its "*hh".
std::string summed(const std::string& body) {
    unsigned sum = 0;
    for (char c : body.substr(1))
        sum ^= static_cast<unsigned char>(c);
    char tail[8];
    std::snprintf(tail, sizeof tail, "*%02X", sum);
    return body + tail;
}

std::string rmc(const char* hms, const char* date = "230394") {
    return "$GPRMC," + std::string(hms) + ",A,4807.038,N,01131.000,E,022.4,084.4," + date + ",003.1,W";
}
std::string gga(const char* hms, const char* altitude, const char* quality = "1") {
    return "$GPGGA," + std::string(hms) + ",4807.038,N,01131.000,E," + quality + ",08,0.9," + altitude +
           ",M,46.9,M,,";
}

struct Case {
    const char* what;
    std::vector<std::string> lines;
    std::vector<float> altitudes; // of the points read, in order
    std::string note;             // the one note expected, or none
};

TEST(NmeaRules, AltitudesChecksumsAndDates) {
    const std::string badSum = gga("120001", "1500.0") + "*00";
    const Case cases[] = {
        {"GGA of the same second",
         {summed(rmc("120000")), summed(gga("120000", "1160.0"))}, {1160.0f}, ""},
        {"GGA missing: the nearest within 2 s, before or after",
         {summed(gga("115958", "1100.0")), summed(rmc("120000")), summed(gga("120001", "1161.0"))},
         {1161.0f}, ""},
        {"GGA with a bad checksum: not that one, and none other near",
         {summed(gga("115950", "900.0")), summed(rmc("120000")), badSum, summed(gga("120010", "1200.0"))},
         {-9999.0f}, "skipped 1 sentence with a wrong checksum"},
        {"no GGA at all: no altitude, not 0 m", {summed(rmc("120000")), summed(rmc("120001"))},
         {-9999.0f, -9999.0f}, ""},
        {"GGA without a fix gives no altitude", {summed(rmc("120000")), summed(gga("120000", "0.0", "0"))},
         {-9999.0f}, ""},
        {"a sentence that lost its checksum in a log that has them",
         {summed(rmc("120000")), summed(gga("120000", "1160.0")), rmc("120001"), summed(rmc("120002"))},
         {1160.0f, 1160.0f}, "skipped 1 sentence without a checksum in a log whose sentences have one"},
        {"a log written without checksums", {rmc("120000"), gga("120000", "1160.0"), rmc("120001")},
         {1160.0f, 1160.0f}, ""},
        {"31 February does not exist", {summed(rmc("120000", "310201")), summed(rmc("120001", "280201"))},
         {-9999.0f}, "skipped 1 RMC sentence with an empty or malformed field"},
        {"29 February of a leap year", {summed(rmc("120000", "290200")), summed(rmc("120001", "290201"))},
         {-9999.0f}, "skipped 1 RMC sentence with an empty or malformed field"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::string log;
        for (const std::string& l : c.lines)
            log += l + "\r\n";
        const TrackRead r = readTrackText(kTrackFileNmea, log, ImportOptions{});
        ASSERT_EQ(r.points.size(), c.altitudes.size());
        for (std::size_t i = 0; i < r.points.size(); ++i)
            EXPECT_EQ(r.points[i].altitude, c.altitudes[i]) << i;
        EXPECT_EQ(r.notes, c.note.empty() ? std::vector<std::string>{} : std::vector<std::string>{c.note});
    }
}

} // namespace
} // namespace nuvrel

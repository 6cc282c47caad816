// The POT reader's shortcut for lines in the track writer's layout must give
// the very record (to the bit) that the item-by-item reading gives, and must
// leave every other line to that reading.
#include "core/formats/pot_format.h"
#include "core/formats/text_lines.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

namespace nuvrel {
namespace {

using test::ZoneScope;

std::uint64_t bits(double v) { return std::bit_cast<std::uint64_t>(v); }

// Both records hold the same values, doubles compared bit for bit.
::testing::AssertionResult sameRecord(const POT& a, const POT& b) {
    if (a.kind != b.kind || a.time != b.time || a.address != b.address || a.text != b.text ||
        bits(a.latitude) != bits(b.latitude) || bits(a.longitude) != bits(b.longitude) ||
        bits(a.altitude) != bits(b.altitude) || bits(a.direction) != bits(b.direction)) {
        char buf[512];
        std::snprintf(buf, sizeof buf,
                      "kind %d/%d time %lld/%lld adr %d/%d lat %.17g/%.17g lon %.17g/%.17g alt %.17g/%.17g", a.kind,
                      b.kind, static_cast<long long>(a.time), static_cast<long long>(b.time), a.address, b.address,
                      a.latitude, b.latitude, a.longitude, b.longitude, a.altitude, b.altitude);
        return ::testing::AssertionFailure() << buf;
    }
    return ::testing::AssertionSuccess();
}

// parse (shortcut first) and the general reading agree on a line; the
// records persist across lines as in a reader, so the date caches are used.
class Compare {
public:
    ::testing::AssertionResult line(const std::string& text) {
        fast_.parse(text);
        general_.parseGeneral(text);
        auto r = sameRecord(fast_, general_);
        if (!r)
            r << " for \"" << text << "\"";
        return r;
    }

private:
    POT fast_, general_;
};

std::string usualLine(const char* ido, const char* kei, const char* altitude, const char* date, const char* time,
                      const char* adr) {
    return std::string("ORD=POI/tex=/ido=") + ido + "/kei=" + kei + "/altitude=" + altitude + "/pdate=" + date +
           "/ptime=" + time + "/col=14/lev=8/adr=" + adr;
}

const std::string kUsual = usualLine("035'12'34'5", "139'45'06'7", "01234", "12-MAR-01", "03:25:45", "1");

TEST(PotShortcut, TakesTheWritersLinesAndAgreesToTheBit) {
    // Points of every kind the writer meets: both hemispheres, the sign
    // below one degree, altitudes below zero and beyond five digits,
    // segments of many digits, dates across the centuries.
    std::vector<TrackPoint> points;
    std::uint32_t seed = 12345;
    auto next = [&seed] {
        seed = seed * 1103515245u + 12345u;
        return (seed >> 8) & 0xFFFFFF;
    };
    for (int i = 0; i < 3000; ++i) {
        TrackPoint p{};
        p.latitude = (static_cast<double>(next()) / 0xFFFFFF - 0.5) * (i % 3 == 0 ? 2 : 180);
        p.longitude = (static_cast<double>(next()) / 0xFFFFFF - 0.5) * (i % 5 == 0 ? 2 : 360);
        p.altitude = static_cast<float>((static_cast<double>(next()) / 0xFFFFFF - 0.3) * (i % 7 == 0 ? 3e6 : 9000));
        p.segment = static_cast<std::int16_t>(i % 11 == 0 ? 32767 - i : 1 + i / 100);
        p.time = next() * 200u + static_cast<std::uint32_t>(i); // before 2100, two-digit years
        points.push_back(p);
    }
    TextSink out;
    writePotTrack(out, points, DatumInfo{});
    int lines = 0;
    Compare compare;
    forEachLine(out.text(), [&](std::string_view l) {
        if (++lines == 1)
            return true; // the datum line
        POT shortcut;
        EXPECT_TRUE(shortcut.parseTrackPointShortcut(l)) << l;
        EXPECT_TRUE(compare.line(std::string(l)));
        return true;
    });
    EXPECT_EQ(lines, 3001);
}

TEST(PotShortcut, EveryMinuteSecondAndTenthAgrees) {
    Compare compare;
    char angle[32];
    for (const char* degrees : {"000", "035", "-00", "-35", "179", "-179"})
        for (int m = 0; m < 100; ++m)
            for (int s = 0; s < 100; ++s)
                for (int t = 0; t < 10; ++t) {
                    std::snprintf(angle, sizeof angle, "%s'%02d'%02d'%d", degrees, m, s, t);
                    const std::string l = usualLine(angle, angle, "00000", "01-JAN-70", "00:00:00", "1");
                    ASSERT_TRUE(compare.line(l));
                }
}

TEST(PotShortcut, UnusualShapesGoTheGeneralWay) {
    const char* lines[] = {
        // other case, other order, items missing or added
        "ord=poi/tex=/ido=035'12'34'5/kei=139'45'06'7/altitude=01234/pdate=12-mar-01/ptime=03:25:45/col=14/lev=8/adr=1",
        "ORD=POI/TEX=/IDO=035'12'34'5/KEI=139'45'06'7/ALTITUDE=01234/PDATE=12-MAR-01/PTIME=03:25:45/COL=14/LEV=8/ADR=1",
        "ORD=POI/tex=/kei=139'45'06'7/ido=035'12'34'5/altitude=01234/pdate=12-MAR-01/ptime=03:25:45/col=14/lev=8/adr=1",
        "ORD=POI/tex=/ido=035'12'34'5/kei=139'45'06'7/altitude=01234/ptime=03:25:45/col=14/lev=8/adr=1",
        "ORD=POI/tex=/ido=035'12'34'5/kei=139'45'06'7/pdate=12-MAR-01/ptime=03:25:45/col=14/lev=8/adr=1",
        "ORD=POI/tex=/ido=035'12'34'5/kei=139'45'06'7/altitude=01234/pdate=12-MAR-01/col=14/lev=8/adr=1",
        "ORD=POI/tex=/ido=035'12'34'5/kei=139'45'06'7/altitude=01234/pdate=12-MAR-01/ptime=03:25:45/col=14/lev=8",
        "ORD=POI/tex=/ido=035'12'34'5/kei=139'45'06'7/altitude=01234/pdate=12-MAR-01/ptime=03:25:45/col=14/lev=8/adr=1/"
        "deg=090'30'00'0",
        "ORD=POI/tex=/ido=035'12'34'5/kei=139'45'06'7/altitude=01234/pdate=12-MAR-01/ptime=03:25:45/col=14/lev=8/adr=1/"
        "adr=2",
        "ORD=POI/tex=/ido=035'12'34'5/kei=139'45'06'7/deg=-00'30'00'0/altitude=01234/pdate=12-MAR-01/"
        "ptime=03:25:45/col=14/lev=8/adr=1",
        "ORD=POI/tex=A:b/ido=035'12'34'5/kei=139'45'06'7/altitude=01234/pdate=12-MAR-01/ptime=03:25:45/col=14/lev=8/"
        "adr=1",
        "ORD=POI/tex=/ido=035'12'34'5/kei=139'45'06'7/altitude=01234/pdate=12-MAR-01/ptime=03:25:45/col=14/lev=8/"
        "adr=1\r",
        "ORD=POI/tex=/ido=035'12'34'5/kei=139'45'06'7/altitude=01234/pdate=12-MAR-01/ptime=03:25:45/col=14/lev=8/adr=",
        // signs and widths
        "ORD=POI/tex=/ido=-0'12'34'5/kei=-0'45'06'7/altitude=-0000/pdate=12-MAR-01/ptime=03:25:45/col=14/lev=8/adr=-3",
        "ORD=POI/tex=/ido=-00'00'00'0/kei=-000'00'00'0/altitude=-00000/pdate=12-MAR-01/ptime=03:25:45/col=14/lev=8/"
        "adr=0",
        "ORD=POI/tex=/ido=+35'12'34'5/kei=+139'45'06'7/altitude=+1234/pdate=12-MAR-01/ptime=03:25:45/col=14/lev=8/"
        "adr=+1",
        "ORD=POI/tex=/ido= 35'12'34'5/kei=139'45'06'7/altitude= 1234/pdate=12-MAR-01/ptime=03:25:45/col=14/lev=8/adr= "
        "1",
        "ORD=POI/tex=/ido=--35'12'34'5/kei=139'45'06'7/altitude=--1234/pdate=12-MAR-01/ptime=03:25:45/col=14/lev=8/"
        "adr=1",
        "ORD=POI/tex=/ido=123456'12'34'5/kei=99999'45'06'7/altitude=1234567890/pdate=12-MAR-01/ptime=03:25:45/col=14/"
        "lev=8/adr=1234567890123",
        "ORD=POI/tex=/ido=035'1'34'5/kei=139'45'6'7/altitude=12.5/pdate=12-MAR-01/ptime=3:25:45/col=14/lev=8/adr=1",
        "ORD=POI/tex=/ido=035'123'34'5/kei=139'45'06'75/altitude=1e3/pdate=12-MAR-01/ptime=03:25:456/col=14/lev=8/"
        "adr=1",
        "ORD=POI/tex=/ido=035'12'34/kei=139'45/altitude=01234/pdate=12-MAR-01/ptime=03:25:45/col=14/lev=8/adr=1",
        "ORD=POI/tex=/ido=035'12'34'5'9/kei=139.5'45.5'06'7/altitude=01234/pdate=12-MAR-01/ptime=03:25:45/col=14/"
        "lev=8/adr=1",
        "ORD=POI/tex=/ido=035'12'34'.5/kei=139'45'06'7/altitude=01234/pdate=12-MAR-01/ptime=03:25:45/col=14/lev=8/"
        "adr=1",
        // dates and times out of the usual shape
        "ORD=POI/tex=/ido=035'12'34'5/kei=139'45'06'7/altitude=01234/pdate=12-XYZ-01/ptime=03:25:45/col=14/lev=8/adr=1",
        "ORD=POI/tex=/ido=035'12'34'5/kei=139'45'06'7/altitude=01234/pdate=1-MAR-01/ptime=03:25:45/col=14/lev=8/adr=1",
        "ORD=POI/tex=/ido=035'12'34'5/kei=139'45'06'7/altitude=01234/pdate=12-MAR-1/ptime=03:25:45/col=14/lev=8/adr=1",
        "ORD=POI/tex=/ido=035'12'34'5/kei=139'45'06'7/altitude=01234/pdate=12/MAR/01/ptime=03:25:45/col=14/lev=8/adr=1",
        "ORD=POI/tex=/ido=035'12'34'5/kei=139'45'06'7/altitude=01234/pdate=12 MAR 01/ptime=03:25:45/col=14/lev=8/adr=1",
        "ORD=POI/tex=/ido=035'12'34'5/kei=139'45'06'7/altitude=01234/pdate=99-DEC-99/ptime=99:99:99/col=14/lev=8/adr=1",
        "ORD=POI/tex=/ido=035'12'34'5/kei=139'45'06'7/altitude=01234/pdate=00-FEB-69/ptime=24:00:00/col=14/lev=8/adr=1",
        "ORD=POI/tex=/ido=035'12'34'5/kei=139'45'06'7/altitude=01234/pdate=12-MAR-01x/ptime=03:25:45/col=14/lev=8/"
        "adr=1",
        "ORD=POI/tex=/ido=035'12'34'5/kei=139'45'06'7/altitude=01234/pdate=12-MAR-01/ptime=03-25-45/col=14/lev=8/adr=1",
        "ORD=POI/tex=/ido=035'12'34'5/kei=139'45'06'7/altitude=01234/pdate=12-MAR/ptime=03:25:45/col=14/lev=8/adr=1",
        "ORD=POI/tex=/ido=035'12'34'5/kei=139'45'06'7/altitude=01234/pdate=12-MAR-01/ptime=03:25/col=14/lev=8/adr=1",
        "ORD=POI/tex=/ido=035'12'34'5/kei=139'45'06'7/altitude=01234/pdate=12-MAR-01/ptime=03:25:45/col=15/lev=8/adr=1",
    };
    Compare compare;
    for (const char* l : lines) {
        EXPECT_TRUE(compare.line(l));
        EXPECT_TRUE(compare.line(kUsual)); // and the usual line between, with its cached date
    }
    // Shapes the shortcut must refuse (its record is not the whole story).
    POT p;
    EXPECT_FALSE(p.parseTrackPointShortcut(lines[0]));
    EXPECT_FALSE(p.parseTrackPointShortcut(lines[7]));  // deg= after adr
    EXPECT_FALSE(p.parseTrackPointShortcut(lines[10])); // a text: a route point
    EXPECT_FALSE(p.parseTrackPointShortcut(lines[15])); // "+" signs
    EXPECT_TRUE(p.parseTrackPointShortcut(lines[13]));  // "-" signs and narrow fields are the writer's
    EXPECT_EQ(p.address, -3);
    EXPECT_EQ(std::signbit(p.latitude), true);
}

TEST(PotShortcut, EveryByteChangedInTheUsualLineAgrees) {
    Compare compare;
    const char replacements[] = {'0', '5', '9', '-', '+',  '/',  '\'',   ':',   '=',
                                 '.', ' ', 'a', 'M', '\r', '\0', '\x80', '\xFF'};
    for (std::size_t i = 0; i < kUsual.size(); ++i) {
        for (char c : replacements) {
            std::string l = kUsual;
            l[i] = c;
            ASSERT_TRUE(compare.line(l));
            ASSERT_TRUE(compare.line(kUsual.substr(0, i) + c + kUsual.substr(i))); // inserted
        }
        ASSERT_TRUE(compare.line(kUsual.substr(0, i) + kUsual.substr(i + 1))); // removed
        ASSERT_TRUE(compare.line(kUsual.substr(0, i)));                        // cut
    }
}

TEST(PotShortcut, DatesFollowTheZoneAndItsDaylightRule) {
    ZoneScope zone("Europe/Berlin");
    Compare compare;
    // Across the change to summer time and back, with dates alternating so
    // that the cached midnight is replaced often.
    for (const char* date : {"25-MAR-01", "26-MAR-01", "25-mar-01", "25-MAR-01", "28-OCT-01", "29-OCT-01", "28-OCT-01",
                             "01-JAN-70", "31-DEC-69", "29-FEB-00", "29-FEB-01", "01-JAN-38", "01-JAN-39"})
        for (const char* time : {"00:00:00", "02:30:00", "23:59:59"})
            ASSERT_TRUE(compare.line(usualLine("047'30'00'0", "008'15'00'0", "00400", date, time, "2")));
}

TEST(PotShortcut, TrackReaderGivesTheGeneralPoints) {
    // A file of usual lines with others mixed in: the points equal those
    // made from the general reading.
    std::string file = "Dat=Tokyo/Bessel 1841/739.845/0.10037483/-128/481/664/\r\n";
    for (int i = 0; i < 500; ++i) {
        char line[256];
        std::snprintf(line, sizeof line,
                      "ORD=POI/tex=/ido=%s%02d'%02d'%02d'%d/kei=%03d'%02d'%02d'%d/altitude=%05d/pdate=%02d-%s-%02d/"
                      "ptime=%02d:%02d:%02d/col=14/lev=8/adr=%d\r\n",
                      i % 4 == 0 ? "-" : "0", i % 90, i % 60, (i * 7) % 60, i % 10, (i * 3) % 180, (i * 11) % 60,
                      (i * 13) % 60, (i * 17) % 10, i % 9 == 0 ? -i : i * 37, 1 + i % 28, i % 3 == 0 ? "Mar" : "OCT",
                      (i / 10) % 100, i % 24, (i * 7) % 60, (i * 11) % 60, i / 50);
        file += line;
        if (i % 50 == 0)
            file += "ORD=POI/tex=WPT:x/ido=035'00'00'0/kei=139'00'00'0/altitude=00010/col=14/lev=8\r\n";
    }
    PotTrackReader reader;
    forEachLine(file, [&](std::string_view l) { return reader.line(l); });
    const std::vector<TrackPoint> points = reader.take();

    std::vector<TrackPoint> expected;
    POT record;
    std::int32_t lastAddress = 0;
    int segment = 0;
    forEachLine(file, [&](std::string_view l) {
        if (record.parseGeneral(l) != POT::kTrackPoint)
            return true;
        if (segment == 0 || record.address != lastAddress)
            ++segment;
        lastAddress = record.address;
        TrackPoint p{};
        p.latitude = record.latitude;
        p.longitude = record.longitude;
        p.altitude = static_cast<float>(record.altitude);
        p.segment = static_cast<std::int16_t>(segment);
        p.time = static_cast<std::uint32_t>(record.time - kReceiverEpochOffset);
        expected.push_back(p);
        return true;
    });
    ASSERT_EQ(points.size(), 500u);
    ASSERT_EQ(points.size(), expected.size());
    for (std::size_t i = 0; i < points.size(); ++i)
        EXPECT_EQ(std::memcmp(&points[i], &expected[i], sizeof(TrackPoint)), 0) << i;
}

} // namespace
} // namespace nuvrel

#include "core/c_number.h"
#include "core/formats/nmea_format.h"
#include "core/formats/text_lines.h"

#include <gtest/gtest.h>
#include <vector>
#include <string>
#include <cmath>
#include <random>
#include <cstdio>
#include <cstring>

#include <cstdlib>
#include <ctime>

namespace nuvrel {
namespace {

constexpr const char* kRmc = "$GPRMC,123519,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W*6A";
constexpr const char* kGga = "$GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,*47";

std::vector<TrackPoint> read(std::string_view text, bool* sawRmc = nullptr) {
    NmeaTrackReader reader;
    forEachLine(text, [&](std::string_view l) { return reader.line(l); });
    if (sawRmc)
        *sawRmc = reader.sawRmc();
    return reader.take();
}

TEST(Nmea0183, RmcGivesPositionAndUtcTime) {
    NMEA0183 s;
    EXPECT_EQ(s.parse(kRmc), NMEA0183::kRmc);
    EXPECT_EQ(s.valid, 1);
    EXPECT_NEAR(s.latitude, 48.1173, 1e-9);
    EXPECT_NEAR(s.longitude, 11.516666667, 1e-8);
    EXPECT_EQ(s.time, 764426119); // 1994-03-23 12:35:19 UTC
}

TEST(Nmea0183, RmcTimeStaysUtcInDaylightZones) {
    setenv("TZ", "Europe/Berlin", 1);
    tzset();
    NMEA0183 s;
    s.parse(kRmc);
    setenv("TZ", "UTC", 1);
    tzset();
    EXPECT_EQ(s.time, 764426119);
}

TEST(Nmea0183, SouthWestTalkersAndShortSentences) {
    NMEA0183 s;
    EXPECT_EQ(s.parse("$GNRMC,000000,A,3330.000,S,07015.000,W,0,0,010170"), NMEA0183::kRmc);
    EXPECT_DOUBLE_EQ(s.latitude, -33.5);
    EXPECT_DOUBLE_EQ(s.longitude, -70.25);
    EXPECT_EQ(s.time, 0);
    EXPECT_EQ(s.parse("$GPRMC,123519,A,4807.038,N,01131.000,E,022.4,084.4"), NMEA0183::kOther);
    EXPECT_EQ(s.parse("$GPRMC,123519,A,4807.038,N,01131.000,E,022.4,084.4,"), NMEA0183::kOther);
    EXPECT_EQ(s.parse("$GPRMC,1"), NMEA0183::kOther);
    EXPECT_EQ(s.parse("$GPRMC,,V,,,,,,,,,"), NMEA0183::kRmc);
    EXPECT_EQ(s.valid, 0);
    EXPECT_EQ(s.parse("$gprmc,123519,A"), NMEA0183::kOther); // compared case-sensitively
    EXPECT_EQ(s.parse("GPRMC,123519,A"), NMEA0183::kOther);
    EXPECT_EQ(s.parse(kGga), NMEA0183::kGga);
    EXPECT_DOUBLE_EQ(s.altitude, 545.4);
    EXPECT_EQ(s.parse("$GPGGA,1,2,3,4,5,6,7,8"), NMEA0183::kOther);
    EXPECT_EQ(s.parse("$GPGSV,3,1,11,03,03,111,00,04,15,270,00,06,01,010,00,13,06,292,00*74"), NMEA0183::kOther);
}

TEST(NmeaTrack, GgaOfTheSameTimeSetsTheAltitude) {
    const std::string log = std::string("$GPGGA,1,2,3,4,5,6,7,8,99.0\r\n") + kRmc + "\r\n" +
                            "$GPGSA,A,3,04,05,,09,12,,,24,,,,,2.5,1.3,2.1*39\r\n" + kGga + "\r\n" +
                            "$GPGGA,1,2,3,4,5,6,7,8,600.5,M\r\nsome text\r\n";
    bool sawRmc = false;
    const auto points = read(log, &sawRmc);
    EXPECT_TRUE(sawRmc);
    ASSERT_EQ(points.size(), 1u);
    EXPECT_FLOAT_EQ(points[0].altitude, 545.4f); // not the later GGA of another time
    EXPECT_EQ(points[0].segment, 1);
    EXPECT_EQ(points[0].time, 764426119u - 631065600u);
}

TEST(NmeaTrack, VoidFixesAddNoPoint) {
    const std::string log = std::string(kRmc) + "\n$GPRMC,123520,V,,,,,,,230394,,\n" + kGga + "\n" + kRmc;
    bool sawRmc = false;
    const auto points = read(log, &sawRmc);
    ASSERT_EQ(points.size(), 2u);
    EXPECT_FLOAT_EQ(points[0].altitude, 545.4f); // the GGA of its own second
    EXPECT_FLOAT_EQ(points[1].altitude, 545.4f);
    EXPECT_NEAR(points[1].latitude, 48.1173, 1e-9);
}

TEST(NmeaTrack, LogsWithoutRmc) {
    bool sawRmc = true;
    EXPECT_TRUE(read("", &sawRmc).empty());
    EXPECT_FALSE(sawRmc);
    EXPECT_TRUE(read(std::string(kGga) + "\n", &sawRmc).empty());
    EXPECT_FALSE(sawRmc);
    std::string binary;
    for (int i = 0; i < 4096; ++i)
        binary += static_cast<char>(i * 31);
    EXPECT_TRUE(read(binary, &sawRmc).empty());
}

// Damaged sentences give no point, and each is counted with its reason.
TEST(NmeaTrack, DamagedSentencesAreSkippedAndCounted) {
    struct Case {
        const char* name;
        std::string line;
        std::size_t NmeaSkips::*reason;
    };
    const std::string good = kRmc;
    auto swap = [&](const std::string& from, const std::string& to) {
        std::string l = good;
        l.replace(l.find(from), from.size(), to);
        return l;
    };
    auto resum = [](std::string l) { // the line with the checksum its characters give
        l = l.substr(0, l.find('*'));
        unsigned sum = 0;
        for (std::size_t i = 1; i < l.size(); ++i)
            sum ^= static_cast<unsigned char>(l[i]);
        char hex[4];
        std::snprintf(hex, sizeof hex, "*%02X", sum);
        return l + hex;
    };
    const Case cases[] = {
        {"flipped digit", swap("4807.038", "4817.038"), &NmeaSkips::badChecksum},
        {"checksum cut", good.substr(0, good.size() - 1), &NmeaSkips::badChecksum},
        {"date cut", resum(swap("230394", "2303")), &NmeaSkips::malformed},
        {"empty date", resum(swap("230394", "")), &NmeaSkips::malformed},
        {"empty latitude", resum(swap("4807.038", "")), &NmeaSkips::malformed},
        {"empty hemisphere", resum(swap(",E,", ",,")), &NmeaSkips::malformed},
        {"time with a letter", resum(swap("123519", "12x519")), &NmeaSkips::malformed},
        {"merged lines", good.substr(0, 30) + kGga, &NmeaSkips::cutShort},
        {"void", "$GPRMC,123520,V,,,,,,,230394,,", &NmeaSkips::voidFixes},
        {"1980", resum(swap("230394", "060180")), &NmeaSkips::tooEarly},
        {"1970", resum(swap("230394", "010170")), &NmeaSkips::tooEarly},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        NmeaTrackReader reader;
        reader.line(c.line);
        reader.line(good); // the next good fix is read as usual
        const auto points = reader.take();
        ASSERT_EQ(points.size(), 1u);
        EXPECT_NEAR(points[0].latitude, 48.1173, 1e-9);
        EXPECT_EQ(reader.skips().*c.reason, 1u);
        EXPECT_EQ(reader.skips().total(), 1u);
    }
    NmeaSkips two;
    two.badChecksum = 2;
    two.tooEarly = 1;
    EXPECT_EQ(two.describe(), (std::vector<std::string>{"skipped 2 sentences with a wrong checksum",
                                                        "skipped 1 fix dated before 1990-01-01"}));
}

// The GGA of a fix's time gives its altitude in either order of the two.
TEST(NmeaTrack, AltitudeByTimeInEitherOrder) {
    auto gga = [](const char* time, const char* alt) {
        return std::string("$GPGGA,") + time + ",4807.038,N,01131.000,E,1,08,0.9," + alt + ",M,46.9,M,,";
    };
    auto rmc = [](const char* time) {
        return std::string("$GPRMC,") + time + ",A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W";
    };
    const std::string ggaFirst = gga("120000", "100") + "\n" + rmc("120000") + "\n" + gga("120001", "200") + "\n" +
                                 rmc("120001") + "\n";
    const std::string rmcFirst = rmc("120000") + "\n" + gga("120000", "100") + "\n" + rmc("120001") + "\n" +
                                 gga("120001", "200") + "\n";
    for (const std::string& log : {ggaFirst, rmcFirst}) {
        const auto points = read(log);
        ASSERT_EQ(points.size(), 2u);
        EXPECT_EQ(points[0].altitude, 100.0f);
        EXPECT_EQ(points[1].altitude, 200.0f);
    }
}

TEST(NmeaTrack, LastLineWithoutLineFeedCounts) {
    EXPECT_EQ(read(std::string(kRmc) + "\n" + kRmc).size(), 2u);
}

} // namespace
// The shortcut for usual fields must give the formula's value exactly,
// above all just below a whole degree (x99.999...), where rounding could
// carry the minutes over.
TEST(Nmea, DegreesMinutesFollowTheFormulaExactly) {
    auto formula = [](std::string_view field) {
        const double v = parseDouble(field);
        const double d = std::trunc(v / 100);
        return d + (v - 100 * d) / 60;
    };
    std::mt19937_64 rng(3);
    std::vector<std::string> fields = {"4807.038", "01131.000", "0", "0.", "59.9999999999", "4799.999999999",
                                       "4799.9999999999999", "17999.999999999", "1048575.5", "1048576.5",
                                       "99.99999999", "12.5e2", "-4807.038", " 4807.038", ".5", "", "x"};
    for (int i = 0; i < 200000; ++i) {
        const unsigned whole = static_cast<unsigned>(rng() % 4 == 0 ? rng() % 100 * 100 + 99 : rng() % 2000000);
        const int places = static_cast<int>(rng() % 12);
        std::string text = std::to_string(whole);
        if (places > 0 || rng() % 2) {
            text += '.';
            for (int k = 0; k < places; ++k)
                text += rng() % 3 == 0 ? '9' : static_cast<char>('0' + rng() % 10);
        }
        fields.push_back(text);
    }
    for (const std::string& f : fields) {
        const double expected = formula(f);
        const double got = NMEA0183::degreesMinutes(f);
        ASSERT_EQ(std::memcmp(&expected, &got, sizeof got), 0) << f << " " << expected << " " << got;
    }
}

} // namespace nuvrel

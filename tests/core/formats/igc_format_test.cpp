#include "core/data/ift_garmin_track.h"
#include "core/analysis/flight_analysis.h"
#include "core/analysis/flight_report.h"
#include "core/analysis/igc_flights.h"
#include "core/formats/igc_format.h"
#include "sample_data.h"
#include "support/flight_generator.h"
#include "support/igc_reference.h"
#include "support/test_support.h"
#include "support/outside_reference.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>

namespace nuvrel {
namespace {

using test::goldenPath;
using test::makePoint;
using test::readFileBytes;

const IgcHeader kHeader{"Hana Sato", "Ozone Rush 6", "D-1234", "GPS 12"};

TEST(IgcWriter, GoldenFileByteForByte) {
    TextSink out;
    const IgcWritten w = IgcWriter("WGS 84").write(out, test::sampleTrack(), kHeader);
    EXPECT_EQ(w.fixes, 3u);
    EXPECT_EQ(out.text(), readFileBytes(goldenPath("track.igc")));
}

TEST(IgcWriter, FixRecordFields) {
    struct Case {
        double lat, lon, alt;
        std::int64_t time;
        const char* record;
    } cases[] = {
        {47.5, 8.25, 1234.4, 86399, "B2359594730000N00815000EA0000001234"},
        {-33.8688, -151.2093, -12.6, 3661, "B0101013352128S15112558WA00000-0013"},
        {35.99999999, 0.0000001, 0.49, 0, "B0000003600000N00000000EA0000000000"}, // rounding carries into degrees
        {0, -179.9999999, 123456, 0, "B0000000000000N18000000WA0000099999"},     // altitude clamped
        {0, 0, -20000, -1, "B2359590000000N00000000EV0000000000"},                // before 1970; no altitude: 2D fix
        {0, 0, -9998, 0, "B0000000000000N00000000EA00000-9998"},                  // the lowest real altitude
    };
    for (const Case& c : cases)
        EXPECT_EQ(IgcWriter::fixRecord(c.time, c.lat, c.lon, c.alt), c.record) << c.record;
}

// The times written of points at the given receiver-relative seconds.
std::vector<std::int64_t> writtenTimes(const std::vector<std::int64_t>& times, std::size_t& leftOut) {
    std::vector<TrackPoint> points;
    for (std::int64_t t : times)
        points.push_back(makePoint(46, 7, 1000, 1, 983750400 + t));
    TextSink out;
    leftOut = IgcWriter("WGS 84").writeFixes(out, points).leftOut;
    std::vector<std::int64_t> written;
    for (std::size_t p = 0; (p = out.text().find('B', p)) != std::string::npos; p += 35) {
        const std::string hms = out.text().substr(p + 1, 6);
        written.push_back(std::stoll(hms.substr(0, 2)) * 3600 + std::stoll(hms.substr(2, 2)) * 60 +
                          std::stoll(hms.substr(4, 2)));
    }
    return written;
}

TEST(IgcWriter, KeepsOnlyTimesAReaderCanDate) {
    struct Case {
        std::vector<std::int64_t> in;
        std::vector<std::int64_t> out; // seconds of the day written
        std::size_t leftOut;
    } cases[] = {
        {{10, 20, 15, 20, 30}, {10, 20, 30}, 2},                      // back in time and repeated
        {{86390, 86400, 86410}, {86390, 0, 10}, 0},                   // across midnight UTC
        {{0, 82799, 2 * 82799}, {0, 82799, 2 * 82799 - 86400}, 0},   // gaps just under 23 h
        {{0, 82800, 3600}, {0, 3600}, 1},                             // a gap of 23 h is left out
    };
    for (const Case& c : cases) {
        std::size_t leftOut = 0;
        EXPECT_EQ(writtenTimes(c.in, leftOut), c.out);
        EXPECT_EQ(leftOut, c.leftOut);
    }
}

TEST(IgcPointRange, FlightWithGroundMarginWholeAndSegment) {
    test::FlightPlan plan;
    plan.walkBefore = 40; // 80 s on foot before the launch, 2 s apart
    plan.walkAfter = 40;
    std::vector<TrackPoint> points = test::generateFlight(plan);
    plan.segment = 2;
    plan.startTime += 20000;
    const auto second = test::generateFlight(plan);
    points.insert(points.end(), second.begin(), second.end());
    const IFTGarminTrack track(points);
    const FlightRange flight = detectFlight(track, -1, kFlightThresholdKmh);
    ASSERT_GT(flight.takeOff, 30u);

    // By default the flight of the report that is longest in the air.
    const FlightReport flights = buildFlightReport(points, -1, ContestRules::XContest);
    ASSERT_FALSE(flights.flights.empty());
    int longest = 1;
    for (std::size_t k = 0; k < flights.flights.size(); ++k)
        if (flights.flights[k].airTimeS > flights.flights[std::size_t(longest) - 1].airTimeS)
            longest = int(k) + 1;
    const std::vector<IgcFlight> found = igcFlights(track);
    ASSERT_EQ(found.size(), flights.flights.size());
    EXPECT_EQ(igcPointRange(track, IgcSpan::Flight, 0, defaultIgcFlight(track)),
              igcPointRange(track, IgcSpan::NumberedFlight, longest, found[std::size_t(longest) - 1]));
    const std::size_t half = points.size() / 2;
    EXPECT_EQ(igcPointRange(track, IgcSpan::Whole).end, points.size());
    EXPECT_EQ(igcPointRange(track, IgcSpan::Segment, 2).first, half);
    EXPECT_EQ(igcPointRange(track, IgcSpan::Segment, 2).end, points.size());
    EXPECT_TRUE(igcPointRange(track, IgcSpan::Segment, 3).empty());
    EXPECT_TRUE(igcPointRange(IFTGarminTrack(), IgcSpan::Flight, 0, defaultIgcFlight(IFTGarminTrack())).empty());

    // A flight of the flight report, by its number, with the same ground.
    const FlightReport report = buildFlightReport(points, -1, ContestRules::XContest);
    ASSERT_EQ(report.flights.size(), 2u);
    ExportSettings settings;
    settings.igcSpan = IgcSpan::NumberedFlight;
    settings.igcNumber = 2;
    chooseIgcFlight(track, settings);
    EXPECT_EQ(igcPointRange(track, IgcSpan::NumberedFlight, 2, settings.igcFlight),
              (PointRange{report.flights[1].takeoff - 30u, report.flights[1].landing + 31u}));
    for (int missing : {0, 3}) {
        settings.igcNumber = missing;
        chooseIgcFlight(track, settings);
        EXPECT_TRUE(igcPointRange(track, IgcSpan::NumberedFlight, missing, settings.igcFlight).empty()) << missing;
    }
}

// With ground jitter making a short hop before the real flight, the default
// export takes the flight with the longest air time.
TEST(IgcPointRange, DefaultFlightIsTheLongestInTheAir) {
    test::FlightPlan plan;
    plan.walkBefore = plan.walkAfter = 40;
    plan.cycles = 1; // a hop of about four minutes
    std::vector<TrackPoint> points = test::generateFlight(plan);
    const std::size_t hop = points.size();
    plan.cycles = 6;
    plan.startTime += 20000;
    const std::vector<TrackPoint> flight = test::generateFlight(plan);
    points.insert(points.end(), flight.begin(), flight.end());
    const IFTGarminTrack track(points);
    ASSERT_EQ(buildFlightReport(points, -1, ContestRules::XContest).flights.size(), 2u);
    const PointRange f = igcPointRange(track, IgcSpan::Flight, 0, defaultIgcFlight(track));
    EXPECT_NEAR(double(f.first), double(hop + 40 - 30), 8);
    EXPECT_NEAR(double(f.end), double(hop + plan.landingIndex() + 31), 8);
}

// The list a pilot picks from: only when there is more than one flight or
// segment; each flight, the whole log, then each segment.
TEST(IgcChoices, OfferedOnlyWhenThereIsAChoice) {
    test::FlightPlan plan;
    plan.walkBefore = plan.walkAfter = 40; // enough ground between two flights
    const std::vector<TrackPoint> one = test::generateFlight(plan);
    std::vector<TrackPoint> walkApart = one; // the walk after landing recorded as segment 3
    for (std::size_t i = walkApart.size() - 5; i < walkApart.size(); ++i)
        walkApart[i].segment = 3;
    const std::size_t n = one.size();
    struct Case {
        const char* name;
        std::vector<TrackPoint> points;
        std::string expected; // span letter, number, from-to
    } cases[] = {
        {"one flight", one, ""},
        {"empty", {}, ""},
        {"two flights", test::generateTwoFlights(plan, 20000),
         "F1 F2 W0:0-" + std::to_string(2 * n - 1) + " S1:0-" + std::to_string(n - 1) + " S2:" + std::to_string(n) +
             "-" + std::to_string(2 * n - 1)},
        {"one flight, two segments", walkApart,
         "F1 W0:0-" + std::to_string(n - 1) + " S1:0-" + std::to_string(n - 6) + " S3:" + std::to_string(n - 5) + "-" +
             std::to_string(n - 1)},
    };
    for (const Case& c : cases) {
        const IFTGarminTrack track(c.points);
        std::string got;
        for (const IgcChoice& choice : igcChoices(track)) {
            got += got.empty() ? "" : " ";
            got += choice.span == IgcSpan::NumberedFlight ? "F" : choice.span == IgcSpan::Whole ? "W" : "S";
            got += std::to_string(choice.number);
            if (choice.span != IgcSpan::NumberedFlight)
                got += ":" + std::to_string(choice.from) + "-" + std::to_string(choice.to);
        }
        EXPECT_EQ(got, c.expected) << c.name;
    }
}

// The outside parser reads what we write and finds the same fixes: a flight
// held in the Tokyo datum that crosses midnight UTC and has a point that
// goes back in time.
TEST(IgcWriter, ReadByIgcParserWithTheSameFixes) {
    NUVREL_REQUIRE_REFERENCE(test::igcReferenceAvailable(), "node or igc-parser");
    test::FlightPlan plan;
    plan.startTime = 362534400 + 86400 - 300; // five minutes before midnight UTC
    std::vector<TrackPoint> points = test::generateFlight(plan);
    points.insert(points.begin() + 50, points[40]); // back in time
    test::TempDir dir;
    {
        TextSink out((dir / "flight.igc").string());
        IgcWriter("Tokyo").write(out, points, kHeader);
        ASSERT_TRUE(out.finish());
    }
    const test::IgcReading r = test::readWithIgcParser(dir / "flight.igc");
    ASSERT_TRUE(r.ok) << r.message;
    EXPECT_EQ(r.header.at("date"), "2001-06-27");
    EXPECT_EQ(r.header.at("pilot"), kHeader.pilot);
    EXPECT_EQ(r.header.at("glider"), kHeader.gliderType);
    EXPECT_EQ(r.header.at("registration"), kHeader.gliderId);
    points.erase(points.begin() + 50);
    ASSERT_EQ(r.fixes.size(), points.size());
    const MapDatum tokyo("Tokyo");
    for (std::size_t i = 0; i < points.size(); ++i) {
        const TrackPoint& p = points[i];
        double lat, lon, alt;
        tokyo.toWgs84(p.latitude, p.longitude, p.altitude, lat, lon, alt);
        EXPECT_EQ(r.fixes[i].ms, (std::int64_t(p.time) + kReceiverEpochOffset) * 1000) << i;
        EXPECT_NEAR(r.fixes[i].latitude, lat, 0.5 / 60000) << i;
        EXPECT_NEAR(r.fixes[i].longitude, lon, 0.5 / 60000) << i;
        EXPECT_EQ(r.fixes[i].altitude, std::to_string(std::lround(alt))) << i;
    }
}

} // namespace
} // namespace nuvrel

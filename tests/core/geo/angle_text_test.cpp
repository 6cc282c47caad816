#include "core/geo/angle_text.h"

#include <gtest/gtest.h>

#include <cstring>

namespace nuvrel {
namespace {

struct FormRow {
    double x;
    AngleAxis axis;
    const char* dms;
    const char* hemisphere;
    const char* proAtlas;
    const char* dm;
};

TEST(AngleText, FormsMatchTheReferenceTable) {
    const FormRow rows[] = {
        {139.77, AngleAxis::Longitude, "139^46'12.00\"", "E139:46:12.00", "139/46/12000", "139^46.200'"},
        {5.5, AngleAxis::Longitude, "  5^30'00.00\"", "E5:30:00.00", "5/30/00000", "  5^30.000'"},
        {-35.5, AngleAxis::Latitude, "-35^30'00.00\"", "S35:30:00.00", "35/30/00000", "-35^30.000'"},
        {35.681236, AngleAxis::Latitude, " 35^40'52.45\"", "N35:40:52.45", "35/40/52449", " 35^40.874'"},
        {-139.767125, AngleAxis::Longitude, "-139^46'01.65\"", "W139:46:01.65", "139/46/01650", "-139^46.028'"},
        {0.0, AngleAxis::Latitude, "  0^00'00.00\"", "S0:00:00.00", "0/00/00000", "  0^00.000'"},
        {0.0, AngleAxis::Longitude, "  0^00'00.00\"", "W0:00:00.00", "0/00/00000", "  0^00.000'"},
    };
    for (const auto& r : rows) {
        const double x = roundMicro(r.x);
        SCOPED_TRACE(r.x);
        EXPECT_EQ(formatDMS(x), r.dms);
        EXPECT_EQ(formatHemisphere(x, r.axis), r.hemisphere);
        EXPECT_EQ(formatProAtlas(x), r.proAtlas);
        EXPECT_EQ(formatDM(x), r.dm);
    }
}

TEST(AngleText, SmallNegativeAnglesKeepTheirSignAndReadBack) {
    const double x = roundMicro(-0.5);
    EXPECT_EQ(formatDMS(x), " -0^30'00.00\"");
    EXPECT_EQ(formatDM(x), " -0^30.000'");
    EXPECT_EQ(formatHemisphere(x, AngleAxis::Latitude), "S0:30:00.00");
    EXPECT_DOUBLE_EQ(parseAngle(formatDMS(x)), -0.5);
    EXPECT_DOUBLE_EQ(parseAngle(formatDM(x)), -0.5);
    EXPECT_DOUBLE_EQ(parseAngle(formatHemisphere(x, AngleAxis::Latitude)), -0.5);
    EXPECT_EQ(formatDMS(roundMicro(-0.0000001)), "  0^00'00.00\"") << "rounds to zero: no sign";
}

TEST(AngleText, SecondsThatPrintAsSixtyCarry) {
    // 0.999999 minutes of seconds would print as 60.00.
    const double x = roundMicro(12.0 + 59.0 / 60.0 + 59.999 / 3600.0);
    EXPECT_EQ(formatDMS(x), " 13^00'00.00\"");
    EXPECT_EQ(formatHemisphere(x, AngleAxis::Longitude), "E13:00:00.00");
    EXPECT_EQ(formatProAtlas(x), "12/59/59996");
    const double y = roundMicro(-(7.0 + 59.9999 / 60.0));
    EXPECT_EQ(formatDM(y), " -8^00.000'");
    EXPECT_EQ(formatDMS(y), " -7^59'59.99\"");
}

TEST(AngleText, BufferTooSmallGivesEmptyText) {
    char buf[32];
    std::memset(buf, 'x', sizeof buf);
    EXPECT_EQ(formatDMS(roundMicro(139.77), buf, 8), 0u);
    EXPECT_STREQ(buf, "");
    // 13 characters need 14 bytes.
    EXPECT_EQ(formatDMS(roundMicro(139.77), buf, 13), 0u);
    EXPECT_STREQ(buf, "");
    EXPECT_EQ(formatDMS(roundMicro(139.77), buf, 14), 13u);
    EXPECT_STREQ(buf, "139^46'12.00\"");
    EXPECT_EQ(formatHemisphere(roundMicro(139.77), AngleAxis::Longitude, buf, 13), 0u);
    EXPECT_STREQ(buf, "");
    EXPECT_EQ(formatHemisphere(roundMicro(139.77), AngleAxis::Longitude, buf, 14), 13u);
    EXPECT_EQ(formatProAtlas(roundMicro(5.5), buf, 10), 0u);
    EXPECT_EQ(formatProAtlas(roundMicro(5.5), buf, 11), 10u);
    EXPECT_STREQ(buf, "5/30/00000");
    EXPECT_EQ(formatDM(roundMicro(5.5), buf, 11), 0u);
    EXPECT_EQ(formatDM(roundMicro(5.5), buf, 12), 11u);
    EXPECT_EQ(formatDM(1.0, nullptr, 0), 0u);
}

TEST(AngleText, NonFiniteAndHugeValuesGiveEmptyText) {
    EXPECT_EQ(formatDMS(std::numeric_limits<double>::quiet_NaN()), "");
    EXPECT_EQ(formatDM(std::numeric_limits<double>::infinity()), "");
    EXPECT_EQ(formatProAtlas(1e300), "");
}

TEST(AngleText, RoundMicroBiasesAwayFromZero) {
    EXPECT_NEAR(roundMicro(35.0000008), 35.000001, 1e-12);
    EXPECT_NEAR(roundMicro(35.0000007), 35.0, 1e-12);
    EXPECT_NEAR(roundMicro(-35.0000008), -35.000001, 1e-12);
    EXPECT_NEAR(roundMicro(-35.0000007), -35.0, 1e-12);
    EXPECT_NEAR(roundMicro(139.77), 139.77, 1e-12);
    EXPECT_EQ(roundMicro(0.0), 0.0);
}

TEST(AngleText, ParseReadsEveryForm) {
    struct Row {
        const char* text;
        double value;
        double tolerance;
    };
    const Row rows[] = {
        {"139^46'12.00\"", 139.77, 1e-9},
        {"E139:46:12.00", 139.77, 1e-9},
        {"139/46/12000", 139.77, 1.0 / 3600000.0},
        {"139.77", 139.77, 1e-12},
        {"S35:30:00.00", -35.5, 1e-12},
        {"-35^30'00.00\"", -35.5, 1e-12},
        {"N35:30", 35.5, 1e-12},
        {"abc", 0, 0},
        {"", 0, 0},
        {"  5^30'00.00\"", 5.5, 1e-12},
        {"W5:30:00.00", -5.5, 1e-12},
        {"Lat 35 30 36", 35.51, 1e-12},
        {"35^", 35, 0},
        {"35:30:", 35.5, 1e-12},
        {".5", 0.5, 0},
        {"x-", 0, 0},
        // Five-digit seconds without a point are thousandths even below 1000.
        {"35/39/00500", 35.0 + 39.0 / 60.0 + 0.5 / 3600.0, 1e-12},
        {"35:39:500", 35.0 + 39.0 / 60.0 + 500.0 / 3600.0, 1e-12},
        {"35:39:01000", 35.0 + 39.0 / 60.0 + 1.0 / 3600.0, 1e-12},
        // A multi-byte sign is one separator: UTF-8 degree, prime, double
        // prime, and the CP932 degree sign.
        {"35\u00b040'12.5\"", 35.0 + 40.0 / 60.0 + 12.5 / 3600.0, 1e-12},
        {"35\u00b040\u203212.5\u2033", 35.0 + 40.0 / 60.0 + 12.5 / 3600.0, 1e-12},
        {"-35\x81\x8b" "30", -35.5, 1e-12},
    };
    for (const auto& r : rows)
        EXPECT_NEAR(parseAngle(r.text), r.value, r.tolerance) << r.text;
}

TEST(AngleText, FormsRoundTripThroughTheParser) {
    for (double v : {0.000001, 1.5, -12.345678, 89.999999, -179.999999, 35.681236, 139.767125}) {
        const double x = roundMicro(v);
        EXPECT_NEAR(parseAngle(formatDMS(x)), x, 0.005 / 3600) << v;
        EXPECT_NEAR(parseAngle(formatHemisphere(x, AngleAxis::Latitude)), x, 0.005 / 3600) << v;
        EXPECT_NEAR(std::abs(parseAngle(formatProAtlas(x))), std::abs(x), 0.001 / 3600) << v;
        EXPECT_NEAR(parseAngle(formatDM(x)), x, 0.0005 / 60 + 1e-9) << v;
    }
}

} // namespace
} // namespace nuvrel

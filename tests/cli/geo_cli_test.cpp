#include "support/test_support.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

namespace {

struct CliResult {
    int status = -1;
    std::string out;
};

// Runs nuvrel-cli with a private settings folder; stderr is dropped unless mergeErr.
CliResult cli(const std::vector<std::string>& args, const std::string& configHome, bool mergeErr = false) {
    const auto run = nuvrel::test::runProgram(NUVREL_CLI, args, {"XDG_CONFIG_HOME=" + configHome});
    return {run.status, mergeErr ? run.out + run.err : run.out};
}

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string l; std::getline(in, l);)
        out.push_back(l);
    return out;
}

struct GeoCli : ::testing::Test {
    nuvrel::test::TempDir config;
    CliResult run(const std::vector<std::string>& args, bool mergeErr = false) {
        return cli(args, config.path().string(), mergeErr);
    }
};

TEST_F(GeoCli, DatumsListsTheWholeTable) {
    const CliResult r = run({"datums"});
    ASSERT_EQ(r.status, 0);
    const auto l = lines(r.out);
    ASSERT_EQ(l.size(), 125u);
    EXPECT_EQ(l[0], "index\tname\tellipsoid\tda\tdf*10000\tdx\tdy\tdz");
    EXPECT_EQ(l[1], "0\tAdindan\tClarke_1880\t-112.145\t-0.54750714\t-162\t-12\t206");
    EXPECT_EQ(l[40], "39\tGGRS 87\tGGRS 87\t0\t-1.64348e-07\t200\t-75\t-246");
    EXPECT_EQ(l[117], "116\tTokyo\tBessel_1841\t739.845\t0.10037483\t-128\t481\t664");
    EXPECT_EQ(l[122], "121\tWGS 84\tWGS 84\t0\t0\t0\t0\t0");
}

TEST_F(GeoCli, DatumConvertBothWays) {
    // Without --datum the settings' datum is used: Tokyo by default.
    CliResult r = run({"datum-convert", "35.68", "139.77"});
    ASSERT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "WGS 84 -> Tokyo\n35.67671831 139.77314332 -1.734\n");

    r = run({"datum-convert", "--datum", "Tokyo", "--to-wgs84", "35.67671831", "139.77314332", "-1.734"});
    ASSERT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "Tokyo -> WGS 84\n35.68000000 139.77000000 0.000\n");

    r = run({"datum-convert", "--datum", "WGS 84", "N35:30", "E139:46:12", "100"});
    ASSERT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "WGS 84 -> WGS 84\n35.50000000 139.77000000 100.000\n");

    r = run({"datum-convert", "--datum", "tokyo", "35.68", "139.77"}, true);
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("unknown datum \"tokyo\": using Tokyo"), std::string::npos) << r.out;

    EXPECT_EQ(run({"datum-convert", "35.68"}).status, 2);
    EXPECT_EQ(run({"datum-convert", "--bogus", "1", "2"}).status, 2);
}

TEST_F(GeoCli, AngleShowsEveryFormAndReadsItBack) {
    CliResult r = run({"angle", "LON", "139.77"});
    ASSERT_EQ(r.status, 0);
    EXPECT_EQ(r.out,
              "parsed      139.770000000\n"
              "dms         139^46'12.00\"   -> 139.770000000\n"
              "hemisphere  E139:46:12.00   -> 139.770000000\n"
              "proatlas    139/46/12000    -> 139.770000000\n"
              "dm          139^46.200'     -> 139.770000000\n");
    r = run({"angle", "lat", "S35:30:00.00"});
    ASSERT_EQ(r.status, 0);
    const auto l = lines(r.out);
    ASSERT_EQ(l.size(), 5u);
    EXPECT_EQ(l[0], "parsed      -35.500000000");
    EXPECT_EQ(l[1], "dms         -35^30'00.00\"   -> -35.500000000");
    EXPECT_EQ(l[2], "hemisphere  S35:30:00.00    -> -35.500000000");
    EXPECT_EQ(run({"angle", "height", "1"}).status, 2);
    EXPECT_EQ(run({"angle", "lat"}).status, 2);
}

} // namespace

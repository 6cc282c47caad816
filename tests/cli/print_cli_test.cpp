// nuvrel-cli print: the printed page as a PDF file, read back with the
// poppler tools (pdftotext, pdftoppm).
#include "cli_data_file.h"
#include "core/analysis/print_summary.h"

#include <cstring>
#include <sstream>

namespace nuvrel {
namespace {

using test::TempDir;
using test::pt;
using test::runCli;

// A binary PPM (P6) picture.
struct Ppm {
    int width = 0, height = 0;
    std::string pixels;
    std::uint32_t at(int x, int y) const {
        const auto* p = reinterpret_cast<const unsigned char*>(pixels.data() + (std::size_t(y) * width + x) * 3);
        return (p[0] << 16) | (p[1] << 8) | p[2];
    }
    static Ppm read(const std::filesystem::path& path) {
        const std::string b = test::readFileBytes(path);
        std::istringstream in(b);
        std::string magic;
        int max = 0;
        Ppm ppm;
        in >> magic >> ppm.width >> ppm.height >> max;
        in.get();
        if (magic != "P6")
            return {};
        ppm.pixels = b.substr(static_cast<std::size_t>(in.tellg()));
        return ppm;
    }
};

using PrintCli = test::CliDataFile;

TEST_F(PrintCli, PrintsTheMapTrackAndSummary) {
    NUVREL_REQUIRE_RENDERER();
    // 200 x 100 pixels over 35 .. 36 / 139 .. 141; at 300 dpi on A4 (210 mm,
    // 2480 pixels wide): margin 150, frame 150 .. 2330, 10.9 page pixels per
    // map pixel.
    test::writeGreyBitmap(dir / "m.bmp", 200, 100);
    test::writeFileBytes(dir / "m.dat", "ido_top = 36\nido_bottom = 35\nkei_left = 139\nkei_right = 141\n"
                                        "bitmap_width = 200\nbitmap_height = 100\n");
    const std::uint32_t t0 = 1714979289u - 631065600u; // 2024-05-06 07:08:09 UTC
    data.setTrack(std::make_unique<IFTGarminTrack>(
        std::vector<TrackPoint>{pt(35.5, 139.5, t0), pt(35.5, 140.5, t0 + 5400)}));
    data.setTimeOffset(3600);
    const std::string path = save();
    // The pen width of the settings counts in page pixels: 18 is 3 at 50 dpi.
    ASSERT_EQ(runCli(dir, {"settings", "--pen-width", "18"}).status, 0);
    const auto pdf = dir / "page.pdf";
    const test::ProgramRun r = runCli(dir, {"print", path, "-o", pdf.string(), "--map", (dir / "m.dat").string(),
                                            "--dpi", "300"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("page 2480 x 3507 pixels at 300 dpi, map frame 150,150 - 2330,1240"), std::string::npos)
        << r.out;

    const test::ProgramRun text = test::runProgram("/usr/bin/pdftotext", {"-layout", pdf.string(), "-"});
    ASSERT_EQ(text.status, 0) << text.err;
    EXPECT_NE(text.out.find((dir / "m.bmp").string()), std::string::npos) << text.out;
    // The value column: 06:08:09 is UTC less the file's offset of one hour.
    for (const char* line : {"** <Longest Track> **", "06:08:09 2024/05/06", "07:38:09 2024/05/06", "01:30:00",
                             "** <Total> **"})
        EXPECT_NE(text.out.find(line), std::string::npos) << line << "\n" << text.out;

    const auto prefix = dir / "page";
    ASSERT_EQ(test::runProgram("/usr/bin/pdftoppm", {"-r", "50", "-singlefile", pdf.string(), prefix.string()}).status,
              0);
    const Ppm page = Ppm::read(dir / "page.ppm");
    ASSERT_GT(page.width, 400);
    // The track at page row trunc(50 * 10.9 + 150) = 695, x 695 .. 1785 (1/6 at 50 dpi).
    const std::uint32_t track = page.at(1200 / 6, 695 / 6);
    EXPECT_GT(track >> 16, 0xd0u) << std::hex << track; // red
    EXPECT_LT(track >> 8 & 0xff, 0x40u) << std::hex << track;
    EXPECT_EQ(page.at(2000 / 6, 400 / 6), 0xc0c0c0u); // the map
    EXPECT_EQ(page.at(60 / 6, 400 / 6), 0xffffffu);   // the margin
}

TEST_F(PrintCli, ATallMapEndsAtTheBottomMarginAndTheSummaryTakesPageTwo) {
    NUVREL_REQUIRE_RENDERER();
    // 100 x 400 pixels: at the page width it would be 2904 pixels high on a
    // page of 1169 at 100 dpi; it ends at the bottom margin instead.
    test::writeGreyBitmap(dir / "tall.bmp", 100, 400);
    test::writeFileBytes(dir / "tall.dat", "ido_top = 36\nido_bottom = 35\nkei_left = 139\nkei_right = 139.25\n"
                                           "bitmap_width = 100\nbitmap_height = 400\n");
    data.setTrack(std::make_unique<IFTGarminTrack>(
        std::vector<TrackPoint>{pt(35.5, 139.1, 100), pt(35.6, 139.2, 700)}));
    const std::string path = save();
    const auto pdf = dir / "tall.pdf";
    const test::ProgramRun r = runCli(dir, {"print", path, "-o", pdf.string(), "--map", (dir / "tall.dat").string(),
                                            "--dpi", "100"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("map frame 50,50 - 317,1119"), std::string::npos) << r.out;
    const auto page = [&](const char* n) {
        return test::runProgram("/usr/bin/pdftotext", {"-f", n, "-l", n, "-layout", pdf.string(), "-"}).out;
    };
    EXPECT_EQ(page("1").find("<Longest Track>"), std::string::npos);
    const std::string second = page("2");
    EXPECT_NE(second.find("<Longest Track>"), std::string::npos) << second;
    EXPECT_NE(second.find("tall.bmp"), std::string::npos) << second;
    EXPECT_NE(second.find("00:10:00"), std::string::npos) << second;
}

TEST_F(PrintCli, NothingToPrintWithoutAView) {
    NUVREL_REQUIRE_RENDERER();
    const std::string path = save(); // no data: nothing to fit
    const auto pdf = dir / "none.pdf";
    const test::ProgramRun r = runCli(dir, {"print", path, "-o", pdf.string(), "--fit", "300x200"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("Load map first!"), std::string::npos) << r.err;
    EXPECT_FALSE(std::filesystem::exists(pdf));
    EXPECT_EQ(runCli(dir, {"print", path, "-o", pdf.string(), "--fit", "300x200", "--dpi", "5"}).status, 2);
    EXPECT_EQ(runCli(dir, {"print", path, "-o", pdf.string(), "--fit", "300x200", "--page", "B5"}).status, 2);
}

} // namespace
} // namespace nuvrel

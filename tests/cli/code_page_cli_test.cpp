// nuvrel-cli and the code page: the "CodePage" setting before the locale, and
// text files in the other code page converted on import.
#include "support/test_support.h"

#include <gtest/gtest.h>

namespace nuvrel {
namespace {

using test::readFileBytes;
using test::TempDir;
using test::writeFileBytes;

// "A富士山" with the comment "x", in CP932 and in UTF-8.
const std::string kCp932Line = "ORD=POI/tex=A\x95\x78\x8E\x6D\x8E\x52:x/ido=035'21'38'0/kei=138'43'39'0/altitude=03776\r\n";
const std::string kUtf8Line =
    "ORD=POI/tex=A\xE5\xAF\x8C\xE5\xA3\xAB\xE5\xB1\xB1:x/ido=035'21'38'0/kei=138'43'39'0/altitude=03776\r\n";

// The identifier counts characters: A富士山 is kept whole in both code pages.
const std::string kCp932Out = "tex=A\x95\x78\x8E\x6D\x8E\x52:x";
const std::string kUtf8Out = "tex=A\xE5\xAF\x8C\xE5\xA3\xAB\xE5\xB1\xB1:x";

test::ProgramRun run(const TempDir& dir, const std::vector<std::string>& args, const std::string& lang) {
    return test::runProgram(NUVREL_CLI, args,
                            {"XDG_CONFIG_HOME=" + dir.path().string(), "LC_ALL=", "LC_CTYPE=", "LANG=" + lang});
}

// Imports a POT waypoint file and exports it again; the exported "tex" field.
std::string roundTrip(const TempDir& dir, const std::string& input, const std::string& lang, std::string* err) {
    const std::string file = (dir / "in.pot").string(), nvl = (dir / "w.nvl").string(),
                      out = (dir / "out.pot").string();
    std::filesystem::remove(nvl);
    writeFileBytes(file, input);
    auto r = run(dir, {"import", "pot", file, "--waypoints", "-o", nvl}, lang);
    EXPECT_EQ(r.status, 0) << r.err;
    *err = r.err;
    r = run(dir, {"export", "pot", nvl, "--waypoints", "-o", out}, lang);
    EXPECT_EQ(r.status, 0) << r.err;
    const std::string text = readFileBytes(out);
    const auto at = text.find("tex=");
    return at == std::string::npos ? text : text.substr(at, text.find('/', at) - at);
}

TEST(CliCodePage, TheSettingComesFirstAndForeignFilesAreConverted) {
    TempDir dir;
    std::string err;
    // The locale decides while nothing is set: LANG when LC_ALL and LC_CTYPE are empty.
    auto r = run(dir, {"settings"}, "ja_JP.UTF-8");
    EXPECT_NE(r.out.find("CodePage: auto (CP932)\n"), std::string::npos) << r.out;
    EXPECT_EQ(roundTrip(dir, kCp932Line, "ja_JP.UTF-8", &err), kCp932Out);

    // CP932 chosen in the settings on a UTF-8 locale: the name stays whole.
    r = run(dir, {"settings", "--code-page", "CP932"}, "C.UTF-8");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("CodePage: CP932 (CP932)\n"), std::string::npos) << r.out;
    EXPECT_EQ(roundTrip(dir, kCp932Line, "C.UTF-8", &err), kCp932Out);
    EXPECT_EQ(err.find("Converted"), std::string::npos) << err;
    // A UTF-8 file (with or without a byte-order mark) is converted into CP932.
    for (const std::string& bom : {std::string(), std::string("\xEF\xBB\xBF")}) {
        EXPECT_EQ(roundTrip(dir, bom + kUtf8Line, "C.UTF-8", &err), kCp932Out);
        EXPECT_NE(err.find("Converted from UTF-8 to CP932"), std::string::npos) << err;
    }

    // UTF-8 chosen on a Japanese locale: a CP932 file is converted the other way.
    r = run(dir, {"settings", "--code-page", "UTF-8"}, "ja_JP.UTF-8");
    EXPECT_NE(r.out.find("CodePage: UTF-8 (UTF-8)\n"), std::string::npos) << r.out;
    EXPECT_EQ(roundTrip(dir, kCp932Line, "ja_JP.UTF-8", &err), kUtf8Out);
    EXPECT_NE(err.find("Converted from CP932 to UTF-8"), std::string::npos) << err;

    r = run(dir, {"settings", "--code-page", "auto"}, "C.UTF-8");
    EXPECT_NE(r.out.find("CodePage: auto (UTF-8)\n"), std::string::npos) << r.out;
    EXPECT_EQ(run(dir, {"settings", "--code-page", "latin1"}, "C").status, 2);
}

} // namespace
} // namespace nuvrel

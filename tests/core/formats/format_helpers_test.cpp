#include "core/c_number.h"
#include "core/formats/calendar.h"
#include "core/formats/field_splitter.h"
#include "core/formats/text_lines.h"
#include "core/formats/text_sink.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <sys/stat.h>
#include <ctime>
#include <vector>

namespace nuvrel {
namespace {

TEST(CNumber, ReadsLikeTheCLibrary) {
    EXPECT_DOUBLE_EQ(parseDouble("  35.123456"), 35.123456);
    EXPECT_DOUBLE_EQ(parseDouble("-12.50\r"), -12.5);
    EXPECT_DOUBLE_EQ(parseDouble("+7"), 7);
    EXPECT_DOUBLE_EQ(parseDouble("1e3x"), 1000);
    EXPECT_DOUBLE_EQ(parseDouble(".5"), 0.5);
    EXPECT_DOUBLE_EQ(parseDouble("545.4,M"), 545.4);
    EXPECT_DOUBLE_EQ(parseDouble("12345678901234567890.5"), 12345678901234567890.5);
    EXPECT_EQ(parseDouble("abc"), 0);
    EXPECT_EQ(parseDouble(""), 0);
    EXPECT_EQ(parseDouble("-"), 0);
    EXPECT_EQ(parseDouble("--5"), 0); // one sign only, as atof
    EXPECT_EQ(parseDouble("nan"), 0);
    EXPECT_EQ(parseDouble("1e999"), 0);
    // The fast path rounds exactly as strtod does.
    for (const char* s : {"0.1", "139.767125", "35.658083", "-70.250000", "0.000001", "999999.999999"})
        EXPECT_EQ(parseDouble(s), std::strtod(s, nullptr)) << s;

    EXPECT_EQ(parseLong(" 42abc"), 42);
    EXPECT_EQ(parseLong("-7"), -7);
    EXPECT_EQ(parseLong("x"), 0);
    EXPECT_EQ(parseLong("99999999999999999999"), INT64_MAX);
    EXPECT_EQ(parseLong("-99999999999999999999"), INT64_MIN);
    EXPECT_EQ(parseLong("9223372036854775807"), INT64_MAX);
    EXPECT_EQ(parseLong("9223372036854775808"), INT64_MAX);
    EXPECT_EQ(parseLong("-9223372036854775808"), INT64_MIN);
    EXPECT_EQ(parseLong("-9223372036854775807"), -INT64_MAX);
    EXPECT_EQ(parseLong("000000000000000000000000042"), 42);
    EXPECT_EQ(parseLong("999999999999999999"), 999999999999999999);
    EXPECT_EQ(parseInt32(" 1004 "), 1004);
    EXPECT_EQ(parseInt32("5000000000"), INT32_MAX);
    EXPECT_EQ(parseInt32("-5000000000"), INT32_MIN);
    EXPECT_EQ(parseDigits("123519", 2, 2), 35);
    EXPECT_EQ(parseDigits("1", 2, 2), 0);
    EXPECT_EQ(truncateToInt(-12.9), -12);
    EXPECT_EQ(truncateToInt(1e20), INT32_MAX);
    EXPECT_EQ(toFloat(1e300), 3.4028234663852886e38f);
}

TEST(Calendar, UtcArithmetic) {
    EXPECT_EQ(utcSeconds({1994, 3, 23, 12, 35, 19}), 764426119);
    EXPECT_EQ(utcSeconds({1970, 13, 1, 0, 0, 0}), 365 * 86400); // months carry over
    EXPECT_EQ(utcSeconds({2069, 12, 31, 23, 59, 59}), 3155759999);
    const CalendarTime t = utcFields(764426119);
    EXPECT_EQ(t.year, 1994);
    EXPECT_EQ(t.month, 3);
    EXPECT_EQ(t.day, 23);
    EXPECT_EQ(t.hour, 12);
    EXPECT_EQ(t.second, 19);
    EXPECT_EQ(utcFields(-1).year, 1969);
    EXPECT_STREQ(monthAbbreviation(12), "DEC");
    EXPECT_EQ(monthFromAbbreviation("sep", 3), 9);
    EXPECT_EQ(monthFromAbbreviation("se", 2), 1);
    EXPECT_EQ(fullYear(69), 2069);
    EXPECT_EQ(fullYear(70), 1970);
    EXPECT_EQ(centuryYear(1999), 99);
    EXPECT_EQ(centuryYear(2005), 5);
}

TEST(Calendar, LocalTimeFollowsTheZoneRules) {
    setenv("TZ", "Europe/Berlin", 1);
    tzset();
    EXPECT_EQ(localSeconds({2001, 1, 15, 12, 0, 0}), utcSeconds({2001, 1, 15, 11, 0, 0}));
    EXPECT_EQ(localSeconds({2001, 7, 15, 12, 0, 0}), utcSeconds({2001, 7, 15, 10, 0, 0}));
    EXPECT_EQ(localFields(utcSeconds({2001, 7, 15, 10, 0, 0})).hour, 12);
    setenv("TZ", "UTC", 1);
    tzset();
}

TEST(FieldSplitter, EmptyFieldsButNoTrailingOne) {
    auto split = [](std::string_view text, std::string_view delims) {
        std::vector<std::string> out;
        FieldSplitter s(text, delims);
        std::string_view f;
        while (s.next(f))
            out.emplace_back(f);
        return out;
    };
    EXPECT_EQ(split("a,,b", ","), (std::vector<std::string>{"a", "", "b"}));
    EXPECT_EQ(split("a,", ","), (std::vector<std::string>{"a"}));
    EXPECT_EQ(split("abc", ",\t"), (std::vector<std::string>{"abc"}));
    EXPECT_EQ(split("a\tb c", ",\t "), (std::vector<std::string>{"a", "b", "c"}));
    EXPECT_TRUE(split("", ",").empty());
    // A CP932 name whose trail byte is 0x5C or 0x7C is never split at "," or tab.
    EXPECT_EQ(split("\x95\x5C,\x83\x7C", ","), (std::vector<std::string>{"\x95\x5C", "\x83\x7C"}));
}

std::vector<std::string> memoryLines(std::string_view text) {
    std::vector<std::string> out;
    forEachLine(text, [&](std::string_view l) {
        out.emplace_back(l);
        return true;
    });
    return out;
}

TEST(TextLines, LineEndsAndLastLine) {
    EXPECT_EQ(memoryLines("a\r\nb\r\n"), (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(memoryLines("a\n\nb"), (std::vector<std::string>{"a", "", "b"}));
    EXPECT_EQ(memoryLines("\n"), (std::vector<std::string>{""}));
    EXPECT_TRUE(memoryLines("").empty());
    EXPECT_EQ(memoryLines("no line feed"), (std::vector<std::string>{"no line feed"}));
}

TEST(TextLines, FileReaderMatchesMemoryAcrossBlocks) {
    test::TempDir dir;
    std::string text;
    for (int i = 0; i < 200000; ++i)
        text += "line " + std::to_string(i) + (i % 3 ? "\r\n" : "\n");
    text += std::string(3 * LineFileReader::kBlockSize, 'x'); // a last line longer than a block
    test::writeFileBytes(dir / "f.txt", text);
    std::vector<std::string> fromFile;
    const LineScan scan = forEachFileLine((dir / "f.txt").string(), [&](std::string_view l) {
        fromFile.emplace_back(l);
        return true;
    });
    EXPECT_TRUE(scan.opened);
    EXPECT_EQ(scan.lineFeeds, 200000u);
    EXPECT_EQ(fromFile, memoryLines(text));
    EXPECT_FALSE(forEachFileLine((dir / "missing").string(), [](std::string_view) { return true; }).opened);
    EXPECT_FALSE(forEachFileLine(dir.path().string(), [](std::string_view) { return true; }).opened);
}

// A file that is one endless line, or a folder, FIFO or device given as an
// import: skipped or refused, never read into memory or waited on.
TEST(TextLines, OverlongLinesAreSkippedAndOddFilesRefused) {
    test::TempDir dir;
    const std::string path = (dir / "long.txt").string();
    test::writeFileBytes(path, "first\n" + std::string(LineFileReader::kMaxLineLength + 1, 'x') + "\nlast\n" +
                                   std::string(3 * LineFileReader::kMaxLineLength, 'y'));
    LineFileReader reader(path);
    std::vector<std::string> lines;
    std::string_view line;
    while (reader.next(line))
        lines.emplace_back(line);
    EXPECT_EQ(lines, (std::vector<std::string>{"first", "last"}));
    EXPECT_EQ(reader.overlongLines(), 2u);

    const std::string fifo = (dir / "fifo").string();
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    for (const std::string& odd : {fifo, std::string("/dev/zero"), dir.path().string()})
        EXPECT_FALSE(forEachFileLine(odd, [](std::string_view) { return true; }).opened) << odd;
}

TEST(TextSink, WritesFilesAndReportsFailure) {
    test::TempDir dir;
    TextSink sink((dir / "out.txt").string());
    ASSERT_TRUE(sink.isOpen());
    for (int i = 0; i < 100000; ++i)
        sink.format(64, "%d\r\n", i);
    EXPECT_TRUE(sink.finish());
    EXPECT_EQ(test::readFileBytes(dir / "out.txt").size(), 688890u);
    TextSink nowhere((dir / "no" / "such" / "folder").string());
    EXPECT_FALSE(nowhere.isOpen());
    EXPECT_FALSE(nowhere.finish());
}

} // namespace
} // namespace nuvrel

#include "core/formats/number_text.h"

#include <cstdio>
#include <random>

namespace nuvrel {
namespace {

// The fast number fields agree with printf, digit for digit.
TEST(NumberText, SameAsPrintf) {
    std::mt19937_64 random(42);
    std::uniform_real_distribution<double> wide(-200, 200);
    std::uniform_int_distribution<int> exponent(-12, 12);
    auto check = [](double v, int precision, NumberField f, const char* pattern) {
        std::string fast;
        appendFixed(fast, v, precision, f);
        char ref[512];
        std::snprintf(ref, sizeof ref, pattern, v);
        ASSERT_EQ(fast, ref) << pattern << " " << v;
    };
    std::vector<double> values = {0.0, -0.0, 5.25, -5.25, 12.5, -12.5, 0.5, 2.5, 1e-7, -1e-7, 0.0000005, 0.00000049999,
                                  1e300, -1e300, 123456789.123456789, 35.658083333333336, 139.77};
    for (int i = 0; i < 20000; ++i)
        values.push_back(wide(random) * std::pow(10.0, exponent(random)));
    for (double v : values) {
        check(v, 6, {10}, "%10.6f");
        check(v, 2, {7}, "%7.2f");
        check(v, 7, {10, true}, "%+10.7f");
        check(v, 7, {11, true}, "%+11.7f");
        check(v, 7, {10, true, true}, "%+010.7f");
        check(v, 7, {11, true, true}, "%+011.7f");
        check(v, 6, {}, "%f");
    }
    std::string s;
    appendInteger(s, -12, {5, false, true});
    appendInteger(s, 13, {5, false, true});
    appendInteger(s, 7, {2, false, true});
    appendInteger(s, -7, {6});
    appendInteger(s, INT64_MIN);
    EXPECT_EQ(s, "-00120001307    -7-9223372036854775808");
}

} // namespace
} // namespace nuvrel

namespace nuvrel {
namespace {

// The word-wide delimiter search against a byte-by-byte reference, for
// texts of every length around the 8-byte steps and delimiter sets of one
// to five bytes (five takes the general path), NUL included.
TEST(FieldSplitter, MatchesByteByByteSplittingOnRandomTexts) {
    const std::string alphabet("ab,\t/ '\0\x80\xFF", 10);
    const std::string_view sets[] = {",", "/", ",\t", std::string_view("\0,", 2), ",\t ", ",\t /", ",\t /="};
    std::mt19937 rng(7);
    for (int round = 0; round < 4000; ++round) {
        std::string text(rng() % 40, 'x');
        for (char& c : text)
            c = alphabet[rng() % alphabet.size()];
        for (std::string_view delims : sets) {
            std::vector<std::string> expected;
            std::size_t start = 0;
            while (start < text.size()) {
                std::size_t end = start;
                while (end < text.size() && delims.find(text[end]) == std::string_view::npos)
                    ++end;
                expected.push_back(text.substr(start, end - start));
                start = end + 1;
            }
            std::vector<std::string> got;
            FieldSplitter s(text, delims);
            std::string_view f;
            while (s.next(f))
                got.emplace_back(f);
            ASSERT_EQ(got, expected) << "delimiters of size " << delims.size();
        }
    }
}

TEST(FieldSplitter, FindDelimitersAgreesWithAPlainScan) {
    // Texts around the sixteen-byte steps, with bytes that only look alike.
    const std::string alphabet("ab,,\0\xAC\x80", 7);
    std::mt19937 rng(11);
    for (int round = 0; round < 4000; ++round) {
        std::string text(rng() % 50, 'x');
        for (char& c : text)
            c = alphabet[rng() % alphabet.size()];
        std::vector<std::uint32_t> expected;
        for (std::size_t i = 0; i < text.size(); ++i)
            if (text[i] == ',')
                expected.push_back(static_cast<std::uint32_t>(i));
        for (std::size_t max : {std::size_t{0}, std::size_t{1}, std::size_t{5}, std::size_t{10}, std::size_t{64}}) {
            std::uint32_t at[64];
            const std::size_t n = findDelimiters(text, ',', at, max);
            const std::size_t want = std::min(max, expected.size());
            ASSERT_EQ(n, want) << max;
            for (std::size_t i = 0; i < n; ++i)
                ASSERT_EQ(at[i], expected[i]) << i;
        }
    }
}

// The eight-digit steps of the number reading against strtod, for runs of
// digits of every length at every place of texts up to 40 bytes.
TEST(CNumber, ParseDoubleAgreesWithStrtodOnRandomDigitRuns) {
    const std::string alphabet = "0123456789012345678901234567890123456789.- ,";
    std::mt19937 rng(5);
    for (int round = 0; round < 100000; ++round) {
        std::string text(rng() % 41, '0');
        for (char& c : text)
            c = alphabet[rng() % alphabet.size()];
        const double expected = std::strtod(text.c_str(), nullptr);
        ASSERT_EQ(parseDouble(text), expected) << '"' << text << '"';
        double plain = -1;
        const bool isPlain = parsePlainDecimal(text, plain);
        // Plain: an optional "-", digits, then optionally "." and digits, nothing else.
        std::size_t i = text.size() > 0 && text[0] == '-' ? 1 : 0;
        const std::size_t digitsFrom = i;
        while (i < text.size() && text[i] >= '0' && text[i] <= '9')
            ++i;
        bool shape = i > digitsFrom;
        if (shape && i < text.size() && text[i] == '.')
            for (++i; i < text.size() && text[i] >= '0' && text[i] <= '9';)
                ++i;
        const auto digitCount = std::count_if(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
        if (isPlain) {
            ASSERT_EQ(plain, expected) << '"' << text << '"';
        } else {
            // Only texts of another shape, or with mantissas beyond 2^53, are refused.
            ASSERT_FALSE(shape && i == text.size() && digitCount <= 15) << '"' << text << '"';
        }
    }
}

TEST(CNumber, ParseDigitsMatchesParseLongOfTheField) {
    const std::string texts[] = {"123519", "12:35:19", "230394", " 12", "-5", "1", "", "9x", "+7", "0000000000"};
    for (const std::string& t : texts)
        for (std::size_t pos = 0; pos <= t.size() + 1; ++pos)
            for (std::size_t count = 0; count <= 10; ++count) {
                const int expected =
                    pos >= t.size() ? 0 : static_cast<int>(parseLong(std::string_view(t).substr(pos, count)));
                EXPECT_EQ(parseDigits(t, pos, count), expected) << t << " " << pos << " " << count;
            }
}

} // namespace
} // namespace nuvrel

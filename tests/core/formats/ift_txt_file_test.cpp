#include "core/formats/ift_txt_file.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace nuvrel {
namespace {

using test::RecordingPrompts;
using test::TempDir;

// Reads every line with a buffer of the given size until -1.
std::vector<std::string> readAll(IFTxtFile& f, std::size_t size = 1024) {
    std::vector<std::string> lines;
    std::vector<char> buf(size);
    int n;
    while ((n = f.readLine(buf.data(), size)) >= 0) {
        EXPECT_EQ(buf[static_cast<std::size_t>(n)], '\0');
        lines.emplace_back(buf.data(), static_cast<std::size_t>(n));
    }
    return lines;
}

struct TxtFileTest : ::testing::Test {
    TempDir dir;
    RecordingPrompts prompts;
    std::string write(const std::string& bytes, const std::string& name = "f.txt") {
        const auto p = dir / name;
        test::writeFileBytes(p, bytes);
        return p.string();
    }
};

using Lines = std::vector<std::string>;

TEST_F(TxtFileTest, LineEndsAreStrippedExactly) {
    struct Case {
        const char* name;
        std::string bytes;
        Lines lines;
    };
    const Case cases[] = {
        {"crlf", "one\r\ntwo\r\n\r\nfour\r\n", {"one", "two", "", "four"}},
        {"lf only", "one\ntwo\n\nfour\n", {"one", "two", "", "four"}},
        {"no final line feed", "one\r\ntwo", {"one", "two"}},
        {"single byte last line", "a\nb", {"a", "b"}},
        {"only empty lines", "\n\n", {"", ""}},
        {"cr kept when not before the line end", "a\rb\r\r\n", {"a\rb\r"}},
        {"empty file", "", {}},
        {"bytes kept as they are", std::string("x\0y\xff\n", 5), {std::string("x\0y\xff", 4)}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        IFTxtFile f(prompts);
        ASSERT_TRUE(f.open(write(c.bytes)));
        EXPECT_EQ(readAll(f), c.lines);
        char buf[16] = "unchanged";
        EXPECT_EQ(f.readLine(buf, sizeof buf), -1) << "stays at the end";
        EXPECT_STREQ(buf, "unchanged");
    }
    EXPECT_TRUE(prompts.entries.empty());
}

TEST_F(TxtFileTest, StringOverloadReadsTheSameLines) {
    IFTxtFile f(prompts);
    ASSERT_TRUE(f.open(write("a,b\r\n\nlast")));
    std::string line = "x";
    EXPECT_EQ(f.readLine(line), 3);
    EXPECT_EQ(line, "a,b");
    EXPECT_EQ(f.readLine(line), 0);
    EXPECT_EQ(line, "");
    EXPECT_EQ(f.readLine(line), 4);
    EXPECT_EQ(line, "last");
    EXPECT_EQ(f.readLine(line), -1);
}

TEST_F(TxtFileTest, NoFileOpen) {
    IFTxtFile f(prompts);
    char buf[8] = "junk";
    EXPECT_EQ(f.readLine(buf, sizeof buf), 0);
    EXPECT_STREQ(buf, "");
    EXPECT_EQ(f.countLines(), 0);
    f.rewind();
    f.close();
    EXPECT_FALSE(f.open((dir / "missing.txt").string()));
    EXPECT_FALSE(f.open(dir.path().string())) << "a folder is not a text file";
    EXPECT_FALSE(f.isOpen());
}

TEST_F(TxtFileTest, OpenTwiceFailsWithoutEffect) {
    IFTxtFile f(prompts);
    ASSERT_TRUE(f.open(write("first\n", "a.txt")));
    EXPECT_FALSE(f.open(write("second\n", "b.txt")));
    EXPECT_EQ(readAll(f), Lines{"first"});
    f.close();
    EXPECT_TRUE(f.open((dir / "b.txt").string()));
    EXPECT_EQ(readAll(f), Lines{"second"});
}

TEST_F(TxtFileTest, BufferSizeLimits) {
    IFTxtFile f(prompts);
    ASSERT_TRUE(f.open(write("hello\r\nworld\r\n")));
    std::vector<char> big(16384, 'x');
    EXPECT_EQ(f.readLine(big.data(), 16384), -1);
    EXPECT_EQ(big[0], '\0');
    ASSERT_EQ(prompts.entries.size(), 1u);
    EXPECT_EQ(prompts.entries[0].kind, "message");
    EXPECT_EQ(prompts.entries[0].title, "IFTxtFile");
    EXPECT_EQ(prompts.entries[0].text, "Too big buffer");

    EXPECT_EQ(f.readLine(big.data(), 16383), 5) << "the line was not consumed";
    // A line that does not fit the caller's buffer: empty text, -1, and the
    // line stays for a bigger buffer.
    char small[5] = "abcd";
    EXPECT_EQ(f.readLine(small, 5), -1);
    EXPECT_STREQ(small, "");
    char fits[6];
    EXPECT_EQ(f.readLine(fits, 6), 5);
    EXPECT_STREQ(fits, "world");
    EXPECT_EQ(f.readLine(nullptr, 0), -1);
    EXPECT_EQ(prompts.entries.size(), 1u);
}

TEST_F(TxtFileTest, FileOfExactlyOneWindow) {
    // 32768 bytes of 16-byte lines: the window is full and nothing follows.
    std::string bytes;
    Lines expected;
    for (int i = 0; bytes.size() < 32768; ++i) {
        char line[32];
        std::snprintf(line, sizeof line, "%06d,abcdefg", i % 1000000);
        bytes += line;
        bytes += "\r\n";
        expected.emplace_back(line);
    }
    ASSERT_EQ(bytes.size(), 32768u);
    IFTxtFile f(prompts);
    ASSERT_TRUE(f.open(write(bytes)));
    EXPECT_EQ(f.countLines(), 2048);
    EXPECT_EQ(readAll(f), expected);
    EXPECT_TRUE(prompts.entries.empty());
}

TEST_F(TxtFileTest, LongLinesAroundTheHalfWindow) {
    // Line lengths chosen so line ends fall just before, on and after the
    // 16 KB and 32 KB marks of successive windows.
    const int lengths[] = {16381, 1, 16382, 0, 2, 16000, 383, 16382, 16382, 5, 16380, 16382, 7};
    std::string bytes;
    Lines expected;
    for (int i = 0; i < static_cast<int>(std::size(lengths)); ++i) {
        std::string line(static_cast<std::size_t>(lengths[i]), static_cast<char>('a' + i));
        bytes += line;
        bytes += (i % 2) ? "\n" : "\r\n";
        expected.push_back(line);
    }
    bytes += "tail-without-newline";
    expected.emplace_back("tail-without-newline");
    IFTxtFile f(prompts);
    ASSERT_TRUE(f.open(write(bytes)));
    EXPECT_EQ(readAll(f, 16383), expected);
    EXPECT_TRUE(prompts.entries.empty());
    f.rewind();
    EXPECT_EQ(readAll(f, 16383), expected);
}

// The reader against a plain model of its 32 KB window sliding by halves,
// over files of several megabytes (well past the read-ahead store) whose
// lines reach to the window's limit, so that some of them overflow it.
TEST_F(TxtFileTest, BigFilesReadAsThroughTheSlidingWindow) {
    struct Model {
        const std::string& data;
        std::size_t next = 0; // next file byte to read
        std::string window;
        int pos = 0;
        void fill(std::size_t count) {
            const std::size_t n = std::min(count, data.size() - next);
            window.append(data, next, n);
            next += n;
        }
        // Returns the line length, -1 at the end, -2 on an overflow.
        int readLine(std::string& line) {
            const int filled = static_cast<int>(window.size());
            if (filled < 32768 && pos >= filled)
                return -1;
            const std::size_t hit = window.find('\n', static_cast<std::size_t>(pos));
            const int end = hit == std::string::npos ? filled : static_cast<int>(hit);
            if (end == 32768)
                return -2;
            int length = end - pos;
            if (hit != std::string::npos && length > 0 && window[static_cast<std::size_t>(end) - 1] == '\r')
                --length;
            if (length >= 16383)
                return -3;
            line = window.substr(static_cast<std::size_t>(pos), static_cast<std::size_t>(length));
            pos = end + 1;
            if (filled == 32768 && pos > 16384) {
                window.erase(0, 16384);
                pos -= 16384;
                fill(16384);
            }
            return length;
        }
    };
    unsigned seed = 99;
    auto next = [&] { return (seed = seed * 1103515245u + 12345u) >> 8; };
    for (int round = 0; round < 3; ++round) {
        std::string bytes;
        while (bytes.size() < 3000000) {
            const unsigned kind = next() % 100;
            const std::size_t length = kind < 90 ? next() % 80 : next() % 16383;
            bytes.append(length, static_cast<char>('a' + next() % 26));
            bytes += (next() % 3 == 0) ? "\r\n" : "\n";
        }
        if (round == 1)
            bytes += "last line without a line feed";
        if (round == 2) // a line longer than the window, far into the file
            bytes += std::string(40000, 'x') + "\nafter\n";
        Model model{bytes, 0, {}, 0};
        model.fill(32768);
        IFTxtFile f(prompts);
        ASSERT_TRUE(f.open(write(bytes, "big" + std::to_string(round) + ".txt")));
        std::vector<char> buf(16383);
        std::string expected;
        int lines = 0;
        for (;;) {
            const int want = model.readLine(expected);
            // Now and then first with a buffer too small for the line: -1,
            // "", and the line stays.
            if (want >= 0 && next() % 4 == 0) {
                const std::size_t sizes[] = {1, 16, 17, 32, 33, 48, 64, 65};
                const std::size_t size = sizes[next() % std::size(sizes)];
                if (static_cast<std::size_t>(want) >= size) {
                    ASSERT_EQ(f.readLine(buf.data(), size), -1) << "line " << lines;
                    ASSERT_EQ(buf[0], '\0');
                }
            }
            const int got = f.readLine(buf.data(), buf.size());
            if (want < 0) {
                EXPECT_EQ(got, -1) << "line " << lines;
                break;
            }
            ASSERT_EQ(got, want) << "line " << lines;
            ASSERT_EQ(std::string(buf.data(), static_cast<std::size_t>(got)), expected) << "line " << lines;
            ++lines;
        }
        EXPECT_GT(lines, 1000);
    }
}

// Lines around the 16-byte blocks the reader copies in, read with buffers
// just below, at and above their length: no byte past the buffer's size is
// ever written.
TEST_F(TxtFileTest, BuffersAroundTheLineLength) {
    const std::size_t lengths[] = {0, 1, 14, 15, 16, 17, 30, 31, 32, 33, 47, 48, 49, 63, 64, 65, 100};
    std::string bytes;
    Lines expected;
    for (std::size_t i = 0; i < std::size(lengths); ++i) {
        for (const char* end : {"\n", "\r\n"}) {
            std::string line(lengths[i], static_cast<char>('a' + i));
            if (!line.empty())
                line.back() = ',';
            bytes += line + end;
            expected.push_back(line);
        }
    }
    bytes += std::string(17, 'z'); // a last line without a line feed
    expected.emplace_back(17, 'z');
    IFTxtFile f(prompts);
    ASSERT_TRUE(f.open(write(bytes)));
    for (const std::string& line : expected) {
        SCOPED_TRACE(line.size());
        const std::size_t n = line.size();
        for (std::size_t size : {n > 0 ? n - 1 : 0, n, n + 1, n + 2, (n | 15) + 1, n + 16}) {
            std::vector<char> buf(size + 48, '#');
            const int got = f.readLine(buf.data(), size);
            const bool fits = n < size;
            if (!fits) {
                EXPECT_EQ(got, -1) << size;
                if (size > 0) {
                    EXPECT_EQ(buf[0], '\0') << size;
                }
            } else {
                EXPECT_EQ(got, static_cast<int>(n)) << size;
                EXPECT_EQ(std::string(buf.data(), n), line) << size;
                EXPECT_EQ(buf[n], '\0') << size;
            }
            EXPECT_EQ(std::count(buf.begin() + static_cast<std::ptrdiff_t>(size), buf.end(), '#'), 48)
                << "written past the buffer, size " << size;
            if (fits)
                break;
        }
    }
    char buf[64] = "unchanged";
    EXPECT_EQ(f.readLine(buf, sizeof buf), -1);
    EXPECT_STREQ(buf, "unchanged");
    EXPECT_TRUE(prompts.entries.empty());
}

// A line that starts at the middle of the first window (no slide yet) and
// ends on its last byte or just before, while more of the file follows; one
// byte more and it overflows the window.
TEST_F(TxtFileTest, LineEndsAtTheWindowEnd) {
    for (int lineFeedAt : {32764, 32765, 32766, 32767, 32768}) {
        for (bool crlf : {false, true}) {
            SCOPED_TRACE(std::to_string(lineFeedAt) + (crlf ? " CR LF" : " LF"));
            std::string bytes;
            Lines expected;
            while (bytes.size() < 16300) {
                expected.emplace_back(99, 'a');
                bytes += expected.back() + "\n";
            }
            expected.emplace_back(16384 - bytes.size() - 1, 'b');
            bytes += expected.back() + "\n";
            ASSERT_EQ(bytes.size(), 16384u);
            const std::size_t length = static_cast<std::size_t>(lineFeedAt) - 16384 - (crlf ? 1 : 0);
            expected.emplace_back(length, 'c');
            bytes += expected.back() + (crlf ? "\r\n" : "\n");
            for (int i = 0; i < 3000; ++i) {
                expected.push_back(std::to_string(i));
                bytes += expected.back() + "\n";
            }
            RecordingPrompts messages;
            IFTxtFile f(messages);
            ASSERT_TRUE(f.open(write(bytes)));
            // (Up to 16382 bytes fit the largest buffer.)
            const Lines lines = readAll(f, 16383);
            const std::size_t count = lineFeedAt < 32768 && length < 16383 ? expected.size() : 164;
            ASSERT_EQ(lines.size(), count);
            for (std::size_t i = 0; i < count; ++i)
                ASSERT_EQ(lines[i], expected[i]) << "line " << i;
            if (lineFeedAt < 32768) {
                EXPECT_TRUE(messages.entries.empty());
            } else {
                ASSERT_EQ(messages.entries.size(), 1u);
                EXPECT_EQ(messages.entries[0].text, "Buffer Over Flow");
            }
        }
    }
}

TEST_F(TxtFileTest, LineLongerThanTheWindowOverflows) {
    std::string bytes = "short\n" + std::string(40000, 'x') + "\nafter\n";
    IFTxtFile f(prompts);
    ASSERT_TRUE(f.open(write(bytes)));
    char buf[100];
    EXPECT_EQ(f.readLine(buf, sizeof buf), 5);
    EXPECT_EQ(f.readLine(buf, sizeof buf), -1);
    EXPECT_STREQ(buf, "");
    ASSERT_EQ(prompts.entries.size(), 1u);
    EXPECT_EQ(prompts.entries[0].title, "IFTxtFile");
    EXPECT_EQ(prompts.entries[0].text, "Buffer Over Flow");
}

TEST_F(TxtFileTest, CountLinesCountsLineFeedsAndLeavesTheReaderAtTheStart) {
    std::string big;
    for (int i = 0; i < 10000; ++i)
        big += "35.123456,139.123456,100\r\n";
    const struct {
        std::string bytes;
        int count;
    } cases[] = {{"", 0}, {"a", 0}, {"a\nb", 1}, {"a\nb\n", 2}, {"\r\n\r\n\r\n", 3}, {big, 10000}};
    for (const auto& c : cases) {
        IFTxtFile f(prompts);
        ASSERT_TRUE(f.open(write(c.bytes)));
        EXPECT_EQ(f.countLines(), c.count);
        EXPECT_EQ(f.countLines(), c.count) << "cached";
        const auto lines = readAll(f);
        EXPECT_EQ(lines.size(), static_cast<std::size_t>(c.count) + (c.bytes.empty() || c.bytes.back() == '\n' ? 0 : 1));
    }
}

TEST_F(TxtFileTest, CountLinesAfterReadingStartsOver) {
    IFTxtFile f(prompts);
    ASSERT_TRUE(f.open(write("1\n2\n3\n")));
    char buf[8];
    EXPECT_EQ(f.readLine(buf, sizeof buf), 1);
    EXPECT_EQ(f.countLines(), 3);
    EXPECT_EQ(readAll(f), (Lines{"1", "2", "3"}));
    f.rewind();
    EXPECT_EQ(readAll(f), (Lines{"1", "2", "3"}));
}

} // namespace
} // namespace nuvrel

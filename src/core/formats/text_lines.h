// Splitting text into lines for the importers: lines end at a line feed, a
// carriage return just before it is dropped, and a last line without a line
// feed is a line too (an empty remainder after the last line feed is not).
// Files are read in blocks; a line longer than kMaxLineLength (4 MiB, far
// beyond any record of the formats) is skipped whole, so memory stays bounded
// whatever the file holds.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace nuvrel {

// How reading a file went.
struct LineScan {
    bool opened = false;        // false: the file could not be opened or read
    std::uint64_t lineFeeds = 0; // line feed bytes seen
    std::uint64_t lines = 0;     // lines handed out
};

namespace detail {
inline std::string_view trimCarriageReturn(std::string_view line) {
    if (!line.empty() && line.back() == '\r')
        line.remove_suffix(1);
    return line;
}
} // namespace detail

// Calls onLine(std::string_view) for every line of data; onLine returns false
// to stop early. Counts the line feeds of the part read.
template <typename OnLine>
LineScan forEachLine(std::string_view data, OnLine&& onLine) {
    LineScan scan;
    scan.opened = true;
    const char* p = data.data();
    const char* const end = p + data.size();
    while (p < end) {
        const char* lf = static_cast<const char*>(std::memchr(p, '\n', static_cast<std::size_t>(end - p)));
        const char* lineEnd = lf ? lf : end;
        if (lf)
            ++scan.lineFeeds;
        ++scan.lines;
        if (!onLine(detail::trimCarriageReturn(std::string_view(p, static_cast<std::size_t>(lineEnd - p)))))
            return scan;
        p = lf ? lf + 1 : end;
    }
    return scan;
}

// Reads a file block by block and hands out its lines as forEachLine does.
class LineFileReader {
public:
    static constexpr std::size_t kBlockSize = 1 << 20;
    static constexpr std::size_t kMaxLineLength = 4 << 20;

    explicit LineFileReader(const std::string& path);
    ~LineFileReader();
    LineFileReader(const LineFileReader&) = delete;
    LineFileReader& operator=(const LineFileReader&) = delete;

    bool isOpen() const { return fd_ >= 0; }
    // The next line; false at the end of the file or after a read error.
    bool next(std::string_view& line) {
        // The usual case, a whole line in the buffer, is kept inline.
        if (pos_ < fill_) {
            const char* const base = buffer_.data();
            const void* lf = std::memchr(base + pos_, '\n', fill_ - pos_);
            const auto end = lf ? static_cast<std::size_t>(static_cast<const char*>(lf) - base) : 0;
            if (lf && end - pos_ <= kMaxLineLength) {
                line = detail::trimCarriageReturn(std::string_view(base + pos_, end - pos_));
                pos_ = end + 1;
                ++lineFeeds_;
                return true;
            }
        }
        return nextAfterRefill(line);
    }
    bool failed() const { return failed_; }
    // Lines skipped for being longer than kMaxLineLength.
    std::uint64_t overlongLines() const { return overlongLines_; }
    std::uint64_t lineFeeds() const { return lineFeeds_; }
    // The file's size when it was opened, and the bytes handed out so far
    // (lines with their line ends).
    std::uint64_t fileSize() const { return fileSize_; }
    std::uint64_t consumed() const { return readTotal_ - (fill_ - pos_); }

private:
    // Reads more of the file behind the unread rest; false at the end.
    bool refill();
    // The next line when the buffer holds no whole line.
    bool nextAfterRefill(std::string_view& line);

    int fd_ = -1;
    std::string buffer_;
    std::size_t pos_ = 0;  // start of the unread rest
    std::size_t fill_ = 0; // bytes of the buffer in use
    bool eof_ = false;
    bool failed_ = false;
    bool skipping_ = false; // inside an overlong line, its start dropped
    std::uint64_t overlongLines_ = 0;
    std::uint64_t lineFeeds_ = 0;
    std::uint64_t fileSize_ = 0;
    std::uint64_t readTotal_ = 0; // bytes read from the file
};

template <typename OnLine>
LineScan forEachFileLine(const std::string& path, OnLine&& onLine) {
    LineScan scan;
    LineFileReader reader(path);
    if (!reader.isOpen())
        return scan;
    std::string_view line;
    while (reader.next(line)) {
        ++scan.lines;
        if (!onLine(line))
            break;
    }
    scan.opened = !reader.failed();
    scan.lineFeeds = reader.lineFeeds();
    return scan;
}

// The whole file, or false when it cannot be opened or read.
bool readWholeFile(const std::string& path, std::string& contents);

} // namespace nuvrel

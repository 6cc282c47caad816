#include "core/formats/text_lines.h"

#include "core/regular_file.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace nuvrel {

namespace {

// The open regular file and its size.
int openForReading(const std::string& path, std::uint64_t* size = nullptr) {
    const int fd = OpenRegularFile(path);
    if (fd < 0)
        return -1;
    struct stat st {};
    if (size)
        *size = ::fstat(fd, &st) == 0 && st.st_size > 0 ? static_cast<std::uint64_t>(st.st_size) : 0;
    return fd;
}

// Reads up to count bytes; -1 on an error.
long readSome(int fd, char* into, std::size_t count) {
    for (;;) {
        const ssize_t n = ::read(fd, into, count);
        if (n >= 0 || errno != EINTR)
            return static_cast<long>(n);
    }
}

} // namespace

LineFileReader::LineFileReader(const std::string& path) {
    fd_ = openForReading(path, &fileSize_);
    if (fd_ >= 0)
        buffer_.resize(kBlockSize);
}

LineFileReader::~LineFileReader() {
    if (fd_ >= 0)
        ::close(fd_);
}

bool LineFileReader::refill() {
    if (eof_ || failed_)
        return false;
    // Keep the unread rest at the front, and make room for a block behind it.
    // (Only the unread rest moves; the buffer keeps its size, so no byte is
    // cleared or copied needlessly.)
    if (pos_ > 0) {
        std::memmove(buffer_.data(), buffer_.data() + pos_, fill_ - pos_);
        fill_ -= pos_;
        pos_ = 0;
    }
    if (buffer_.size() - fill_ < kBlockSize / 2)
        buffer_.resize(std::max(buffer_.size() * 2, fill_ + kBlockSize));
    const long n = readSome(fd_, buffer_.data() + fill_, buffer_.size() - fill_);
    if (n < 0) {
        failed_ = true;
        return false;
    }
    if (n == 0) {
        eof_ = true;
        return false;
    }
    fill_ += static_cast<std::size_t>(n);
    readTotal_ += static_cast<std::uint64_t>(n);
    return true;
}

bool LineFileReader::nextAfterRefill(std::string_view& line) {
    if (fd_ < 0)
        return false;
    std::size_t scanned = 0; // bytes after pos_ known to hold no line feed
    for (;;) {
        const char* base = buffer_.data();
        const void* lf = scanned < fill_ - pos_ ? std::memchr(base + pos_ + scanned, '\n', fill_ - pos_ - scanned)
                                                : nullptr;
        if (lf) {
            const std::size_t end = static_cast<std::size_t>(static_cast<const char*>(lf) - base);
            ++lineFeeds_;
            if (skipping_ || end - pos_ > kMaxLineLength) {
                skipping_ = false;
                ++overlongLines_;
                pos_ = end + 1;
                scanned = 0;
                continue;
            }
            line = detail::trimCarriageReturn(std::string_view(base + pos_, end - pos_));
            pos_ = end + 1;
            return true;
        }
        scanned = fill_ - pos_;
        if (scanned > kMaxLineLength) {
            // Too long for a line: what is read of it goes, the rest is
            // passed over up to its line feed.
            skipping_ = true;
            pos_ = fill_;
            scanned = 0;
        }
        if (!refill()) { // refill keeps the unread rest at pos_
            if (skipping_) { // the file ends inside an overlong line
                skipping_ = false;
                ++overlongLines_;
                pos_ = fill_;
                return false;
            }
            if (failed_ || fill_ == pos_)
                return false;
            // The last line, without a line feed.
            line = detail::trimCarriageReturn(std::string_view(buffer_.data() + pos_, fill_ - pos_));
            pos_ = fill_;
            return true;
        }
    }
}

bool readWholeFile(const std::string& path, std::string& contents) {
    contents.clear();
    const int fd = openForReading(path);
    if (fd < 0)
        return false;
    struct stat st {};
    if (::fstat(fd, &st) == 0 && st.st_size > 0)
        contents.reserve(static_cast<std::size_t>(st.st_size));
    char block[65536];
    bool ok = true;
    for (;;) {
        const long n = readSome(fd, block, sizeof block);
        if (n < 0) {
            ok = false;
            break;
        }
        if (n == 0)
            break;
        contents.append(block, static_cast<std::size_t>(n));
    }
    ::close(fd);
    if (!ok)
        contents.clear();
    return ok;
}

} // namespace nuvrel

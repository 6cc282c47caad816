#include "core/formats/ift_txt_file.h"

#include "core/regular_file.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace nuvrel {

namespace {
constexpr int kHalf = IFTxtFile::kBufferSize / 2;
constexpr const char* kCaption = "IFTxtFile";
} // namespace

IFTxtFile::IFTxtFile(UserPrompts& prompts, int lineEnd)
    : prompts_(prompts), buffer_(new char[kStoreSize + kStorePadding]()), lineEnd_(lineEnd & 0xFF) {}

IFTxtFile::~IFTxtFile() { close(); }

bool IFTxtFile::open(const std::string& fileName) {
    if (fd_ >= 0)
        return false;
    const int fd = OpenRegularFile(fileName);
    if (fd < 0)
        return false;
    fd_ = fd;
    readFailed_ = false;
    pos_ = 0;
    base_ = 0;
    stored_ = 0;
    atEnd_ = false;
    fill_ = fillWindow();
    lineCount_ = -1;
    if (readFailed_) { // a folder, or unreadable
        close();
        return false;
    }
    return true;
}

void IFTxtFile::report(const char* text) { prompts_.showMessage(kCaption, text); }

int IFTxtFile::readSome(char* into, int count) {
    for (;;) {
        const ssize_t n = ::read(fd_, into, static_cast<std::size_t>(count));
        if (n >= 0)
            return static_cast<int>(n);
        if (errno != EINTR) {
            readFailed_ = true;
            return 0;
        }
    }
}

int IFTxtFile::fillWindow() {
    if (stored_ - base_ < kBufferSize && !atEnd_) {
        char* const buf = buffer_.get();
        if (base_ + kBufferSize > kStoreSize) {
            // No room behind the window: its data moves to the front.
            std::memmove(buf, buf + base_, static_cast<std::size_t>(stored_ - base_));
            stored_ -= base_;
            base_ = 0;
        }
        while (stored_ - base_ < kBufferSize && !atEnd_) {
            const int n = readSome(buf + stored_, kStoreSize - stored_);
            stored_ += n;
            atEnd_ = n == 0; // the end, or a failed read
        }
    }
    return std::min(stored_ - base_, kBufferSize);
}

void IFTxtFile::reload() {
    if (::lseek(fd_, 0, SEEK_SET) < 0)
        readFailed_ = true;
    pos_ = 0;
    base_ = 0;
    stored_ = 0;
    atEnd_ = readFailed_;
    fill_ = readFailed_ ? 0 : fillWindow();
}

int IFTxtFile::locateLine(int& length) {
    if (fill_ < kBufferSize && pos_ >= fill_)
        return -1; // end of file
    const char* const buf = buffer_.get() + base_;
    const void* hit = std::memchr(buf + pos_, lineEnd_, static_cast<std::size_t>(fill_ - pos_));
    const int end = hit ? static_cast<int>(static_cast<const char*>(hit) - buf) : fill_;
    if (end == kBufferSize) {
        report("Buffer Over Flow");
        return -2;
    }
    // Without a line end this is the file's last line, taken whole; before a
    // line end only a carriage return is dropped.
    length = end - pos_;
    if (hit && length > 0 && buf[end - 1] == '\r')
        --length;
    return end;
}

void IFTxtFile::slideWindow() {
    // The window slides on by half its size (its bytes stay in place: the
    // store behind it is read ahead in large blocks).
    base_ += kHalf;
    pos_ -= kHalf;
    fill_ = fillWindow();
}

int IFTxtFile::readLineChecked(char* dest, std::size_t size) {
    auto clear = [&] {
        if (dest && size > 0)
            dest[0] = '\0';
    };
    if (fd_ < 0) {
        clear();
        return 0;
    }
    if (size >= static_cast<std::size_t>(kHalf)) {
        report("Too big buffer");
        clear();
        return -1;
    }
    int length = 0;
    const int end = locateLine(length);
    if (end == -1)
        return -1; // dest unchanged at the end of the file
    if (end < 0 || dest == nullptr || static_cast<std::size_t>(length) >= size) {
        clear();
        return -1;
    }
    std::memcpy(dest, buffer_.get() + base_ + pos_, static_cast<std::size_t>(length));
    dest[length] = '\0';
    consumeLine(end);
    return length;
}

int IFTxtFile::readLine(std::string& line) {
    line.clear();
    if (fd_ < 0)
        return 0;
    int length = 0;
    const int end = locateLine(length);
    if (end < 0 || length >= kHalf - 1)
        return -1;
    line.assign(buffer_.get() + base_ + pos_, static_cast<std::size_t>(length));
    consumeLine(end);
    return length;
}

int IFTxtFile::countLines() {
    if (fd_ < 0)
        return 0;
    if (lineCount_ >= 0)
        return lineCount_;
    int count = 0;
    if (::lseek(fd_, 0, SEEK_SET) < 0)
        readFailed_ = true;
    while (!readFailed_) {
        const int n = readSome(buffer_.get(), kStoreSize);
        if (n <= 0)
            break;
        const char* p = buffer_.get();
        const char* const stop = p + n;
        while ((p = static_cast<const char*>(std::memchr(p, lineEnd_, static_cast<std::size_t>(stop - p))))) {
            ++count;
            ++p;
        }
    }
    reload();
    lineCount_ = count;
    return count;
}

void IFTxtFile::rewind() {
    if (fd_ < 0)
        return;
    reload();
    lineCount_ = -1;
}

void IFTxtFile::close() {
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
    pos_ = 0;
    fill_ = 0;
    base_ = 0;
    stored_ = 0;
    lineCount_ = -1;
}

} // namespace nuvrel

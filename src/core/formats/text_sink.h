// Where the writers put their text: into memory, or through a buffer into a
// file. Every format writes its own line ends (CR LF).
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

namespace nuvrel {

class TextSink {
public:
    // Collects everything in memory (text()).
    TextSink() = default;
    // Writes into a file created (or truncated) at path; isOpen() tells
    // whether that worked.
    explicit TextSink(const std::string& path);
    ~TextSink();
    TextSink(const TextSink&) = delete;
    TextSink& operator=(const TextSink&) = delete;

    bool isOpen() const { return toMemory_ || file_ != nullptr; }

    void put(std::string_view text) {
        buffer_.append(text);
        if (!toMemory_ && buffer_.size() >= kFlushSize)
            flush();
    }
    // printf-style formatting of one line; a line longer than limit - 1
    // bytes is written empty (the line end is the caller's).
    void format(std::size_t limit, const char* pattern, ...) __attribute__((format(printf, 3, 4)));

    // Writes the rest and closes the file; false when any write failed.
    bool finish();
    const std::string& text() const { return buffer_; }

private:
    static constexpr std::size_t kFlushSize = 1 << 16;
    void flush();

    std::string buffer_;
    std::FILE* file_ = nullptr;
    bool toMemory_ = true;
    bool failed_ = false;
};

} // namespace nuvrel

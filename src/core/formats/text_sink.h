// Where the writers put their text: into memory, or through a buffer into a
// file. Every format writes its own line ends (CR LF).
#pragma once

#include "core/safe_save.h"

#include <memory>
#include <string>
#include <string_view>

namespace nuvrel {

class TextSink {
public:
    // Collects everything in memory (text()).
    TextSink() = default;
    // Writes into a new file that replaces the one at path only when
    // finished (a safe save; another user's file is not taken over);
    // isOpen() tells whether that could start.
    explicit TextSink(const std::string& path);
    ~TextSink();
    TextSink(const TextSink&) = delete;
    TextSink& operator=(const TextSink&) = delete;

    bool isOpen() const { return toMemory_ || open_; }
    // Why the file could not be written.
    std::string error() const;

    void put(std::string_view text) {
        buffer_.append(text);
        if (!toMemory_ && buffer_.size() >= kFlushSize)
            flush();
    }
    // printf-style formatting of one line; a line longer than limit - 1
    // bytes is written empty (the line end is the caller's).
    void format(std::size_t limit, const char* pattern, ...) __attribute__((format(printf, 3, 4)));

    // Writes the rest and puts the file in place; false when any write
    // failed (the old file is then left as it was). A sink destroyed
    // unfinished leaves no file behind.
    bool finish();
    const std::string& text() const { return buffer_; }

private:
    static constexpr std::size_t kFlushSize = 1 << 16;
    void flush();

    std::string buffer_;
    std::unique_ptr<SafeSave> file_;
    bool toMemory_ = true;
    bool open_ = false;
    bool failed_ = false;
};

} // namespace nuvrel

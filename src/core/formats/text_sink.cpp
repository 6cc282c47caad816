#include "core/formats/text_sink.h"

#include <cstdarg>
#include <cstdio>

namespace nuvrel {

TextSink::TextSink(const std::string& path) : file_(std::make_unique<SafeSave>(path)), toMemory_(false) {
    open_ = !file_->takesOwnership() && file_->open();
    if (open_)
        buffer_.reserve(kFlushSize * 2);
}

TextSink::~TextSink() = default;

std::string TextSink::error() const {
    if (!file_)
        return {};
    return file_->takesOwnership() ? "it belongs to another user" : file_->error();
}

void TextSink::format(std::size_t limit, const char* pattern, ...) {
    char line[1024];
    char* out = line;
    std::string big;
    if (limit > sizeof line) {
        big.resize(limit);
        out = big.data();
    }
    va_list args;
    va_start(args, pattern);
    const int n = std::vsnprintf(out, limit, pattern, args);
    va_end(args);
    if (n < 0 || static_cast<std::size_t>(n) >= limit)
        return;
    put(std::string_view(out, static_cast<std::size_t>(n)));
}

void TextSink::flush() {
    if (!open_ || buffer_.empty())
        return;
    if (!failed_ && !file_->write(buffer_.data(), buffer_.size()))
        failed_ = true;
    buffer_.clear();
}

bool TextSink::finish() {
    if (toMemory_)
        return true;
    if (!open_)
        return false;
    flush();
    if (failed_ || !file_->commit())
        failed_ = true;
    open_ = false;
    return !failed_;
}

} // namespace nuvrel

#include "core/formats/text_sink.h"

#include <cstdarg>

namespace nuvrel {

TextSink::TextSink(const std::string& path) : toMemory_(false) {
    file_ = std::fopen(path.c_str(), "wb");
    buffer_.reserve(kFlushSize * 2);
}

TextSink::~TextSink() {
    if (file_)
        std::fclose(file_);
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
    if (!file_ || buffer_.empty())
        return;
    if (std::fwrite(buffer_.data(), 1, buffer_.size(), file_) != buffer_.size())
        failed_ = true;
    buffer_.clear();
}

bool TextSink::finish() {
    if (toMemory_)
        return true;
    if (!file_)
        return false;
    flush();
    if (std::fclose(file_) != 0)
        failed_ = true;
    file_ = nullptr;
    return !failed_;
}

} // namespace nuvrel

// A buffered line reader for text files: one fixed 32 KB window slides over
// the file, so a file of any size is read with constant memory. Lines must be
// shorter than about 16 KB and callers' buffers smaller than 16384 bytes.
#pragma once

#include "core/platform.h"

#include <algorithm>
#include <bit>
#include <cstddef>
#include <memory>
#include <string>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace nuvrel {

class IFTxtFile {
public:
    static constexpr int kBufferSize = 32768;

    // lineEnd is the byte that ends a line (every caller passes 10, line
    // feed). Messages about misuse go to prompts (caption "IFTxtFile").
    IFTxtFile(UserPrompts& prompts, int lineEnd = 10);
    ~IFTxtFile();
    IFTxtFile(const IFTxtFile&) = delete;
    IFTxtFile& operator=(const IFTxtFile&) = delete;

    // Opens an existing file for reading. False when a file is already open
    // or the file cannot be opened or read.
    bool open(const std::string& fileName);
    bool isOpen() const { return fd_ >= 0; }

    // Copies the next line (without its line end, and without a carriage
    // return just before it) into dest as a NUL-terminated text and returns
    // its length. A last line without a line end is returned whole.
    // Returns 0 with dest = "" when no file is open, and -1 at the end of the
    // file or on error: a buffer of 16384 bytes or more ("Too big buffer"), a
    // line that does not fit the window ("Buffer Over Flow"), or a line that
    // does not fit dest (dest = "", the line is not consumed).
    int readLine(char* dest, std::size_t size) {
#if defined(__SSE2__)
        // The common case goes straight to the copy.
        if (fd_ >= 0 && dest != nullptr && size - 1 < kBufferSize / 2 - 1)
            return copyLine(dest, size);
#endif
        return readLineChecked(dest, size);
    }
    // The same into a string (lines up to 16383 bytes); -1 as above.
    int readLine(std::string& line);

    // The number of line end bytes in the whole file (0 with no file open);
    // cached until rewind. Leaves the reader at the first line.
    int countLines();
    // Restarts reading at the first byte of the file.
    void rewind();
    void close();

    // True when a read of the file failed (reading then stops as at its end).
    bool readFailed() const { return readFailed_; }

private:
    // One read of up to count bytes; 0 at the end of the file or on an
    // error (readFailed_ set).
    int readSome(char* into, int count);
    // Makes the window hold the file's next bytes (up to kBufferSize, fewer
    // only at the end of the file), reading ahead into the store; returns
    // the number of bytes it holds.
    int fillWindow();
    // Returns to the start of the file and reads the first window.
    void reload();
    // Finds the line at the read position: the offset of its end (its line
    // end byte, or the fill), with its length; -1 at the end of the file, -2
    // when it does not fit the window.
    int locateLine(int& length);
    // Moves past the line ending at end and slides the window when due.
    void consumeLine(int end) {
        pos_ = end + 1;
        if (fill_ == kBufferSize && pos_ > kBufferSize / 2)
            slideWindow();
    }
    // Moves the window on by half its size and fills it.
    [[gnu::noinline]] void slideWindow();
    // readLine with every check of its arguments.
    int readLineChecked(char* dest, std::size_t size);
#if defined(__SSE2__)
    // readLine for an open file and a dest of 1 to 16383 bytes (inline: it
    // runs once a line).
    int copyLine(char* dest, std::size_t size) {
        if (fill_ < kBufferSize && pos_ >= fill_)
            return -1; // dest unchanged at the end of the file
        // The line is looked for and copied in the same pass, 16 bytes at
        // a time, as long as whole blocks fit dest; the store is padded so
        // that a block may reach past the window's fill (bytes there are not
        // taken).
        const char* const line = buffer_.get() + base_ + pos_;
        const int avail = fill_ - pos_;
        const __m128i lineEnd = _mm_set1_epi8(static_cast<char>(lineEnd_));
        int at = 0;
        unsigned hits;
        for (;;) {
            const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(line + at));
            hits = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(block, lineEnd)));
            if (static_cast<std::size_t>(at) + 16 <= size)
                _mm_storeu_si128(reinterpret_cast<__m128i*>(dest + at), block);
            if (hits != 0 || at + 16 >= avail)
                break;
            at += 16;
        }
        if (hits != 0) {
            // The line end, when it lies before the fill and within the
            // blocks copied: the line is in dest already.
            const int end = at + std::countr_zero(hits);
            const int copied = std::min(at + 16, static_cast<int>(size) & ~15);
            if (end < avail && end < copied) {
                // Before a line end only a carriage return is dropped.
                const int length = end > 0 && line[end - 1] == '\r' ? end - 1 : end;
                dest[length] = '\0';
                consumeLine(pos_ + end);
                return length;
            }
        }
        // The rest (a last line without a line end, a line that fills the
        // window or does not fit dest, a long line near dest's size) with
        // every check; what was copied to dest so far does no harm.
        return readLineChecked(dest, size);
    }
#endif
    // Shows a message about misuse (kept out of the reading paths).
    [[gnu::cold, gnu::noinline]] void report(const char* text);

    UserPrompts& prompts_;
    // The window of kBufferSize bytes is a part of a larger store, so that
    // the file is read in large blocks and sliding the window moves no
    // bytes. Lines are found, and limited, within the window alone.
    static constexpr int kStoreSize = 32 * kBufferSize;
    // Zero bytes after the store, so that a scan may load a whole 16-byte
    // block that starts before its end.
    static constexpr int kStorePadding = 16;
    std::unique_ptr<char[]> buffer_; // the store, kStoreSize bytes (zeroed)
    int fd_ = -1;
    int base_ = 0;   // start of the window in the store
    int stored_ = 0; // bytes of the file in the store
    bool atEnd_ = false; // no more bytes to read (end of file or error)
    int pos_ = 0;  // read position, from the window's start
    int fill_ = 0; // bytes of the file in the window
    int lineEnd_;
    int lineCount_ = -1;
    bool readFailed_ = false;
};

} // namespace nuvrel

// The text reader, tokenizer, string helpers and angle parser on arbitrary
// bytes.
#include "core/ift_str_token.h"
#include "core/formats/ift_string.h"
#include "core/formats/ift_txt_file.h"
#include "core/geo/angle_text.h"

#include <cmath>

#include <cstdint>
#include <cstdio>
#include <string>
#include <sys/mman.h>
#include <unistd.h>

namespace {

class SilentPrompts final : public nuvrel::UserPrompts {
public:
    void showError(int, const std::string&) override {}
    bool askYesNo(const std::string&, const std::string&) override { return false; }
    void showMessage(const std::string&, const std::string&) override {}
    void beep() override {}
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace nuvrel;
    if (size < 2)
        return 0;
    // First byte: code page and the caller's buffer size; the rest is the file.
    const CodePage page = (data[0] & 1) ? CodePage::Cp932 : CodePage::Utf8;
    const std::size_t bufSize = 1 + (static_cast<std::size_t>(data[0] >> 1) * 129) % 16400;
    const int fd = memfd_create("txt", MFD_CLOEXEC);
    if (fd < 0)
        return 0;
    std::size_t done = 0;
    while (done < size - 1) {
        const ssize_t n = write(fd, data + 1 + done, size - 1 - done);
        if (n <= 0)
            break;
        done += static_cast<std::size_t>(n);
    }
    SilentPrompts prompts;
    IFTxtFile file(prompts);
    if (file.open("/proc/self/fd/" + std::to_string(fd))) {
        const int lines = file.countLines();
        std::string buf(bufSize, '\0');
        int n;
        int read = 0;
        while ((n = file.readLine(buf.data(), bufSize)) >= 0) {
            if (static_cast<std::size_t>(n) >= bufSize || buf[static_cast<std::size_t>(n)] != '\0')
                __builtin_trap();
            ++read;
            const std::string_view line(buf.data(), static_cast<std::size_t>(n));
            IFStrToken tok(line, ",\t\\|\x81", page);
            int count = 0;
            for (const char* t = tok.firstToken(read & 1); t; t = tok.nextToken(read & 1)) {
                ++count;
                // Importers read angles from the fields.
                const double a = parseAngle(tok.token());
                if (std::isfinite(a)) {
                    char form[32];
                    formatDMS(roundMicro(a), form, sizeof form);
                    formatHemisphere(roundMicro(a), AngleAxis::Latitude, form, sizeof form);
                    formatProAtlas(roundMicro(a), form, sizeof form);
                    formatDM(roundMicro(a), form, sizeof form);
                }
            }
            if (count > tok.tokenCount())
                __builtin_trap();
            // The word-wide and short-text paths against plain byte splitting
            // (UTF-8 never holds an ASCII byte inside a character).
            {
                const int mode = read & 1;
                IFStrToken fast(line, ",\t", CodePage::Utf8);
                std::size_t start = 0;
                int delimiters = 0;
                for (const char* t = fast.firstToken(mode); t; t = fast.nextToken(mode)) {
                    std::size_t end = start;
                    while (end < line.size() && line[end] != ',' && line[end] != '\t')
                        ++end;
                    delimiters += end < line.size();
                    const std::size_t length = end - start + (mode == 1 && end < line.size() ? 1 : 0);
                    if (fast.token() != line.substr(start, length) ||
                        std::string_view(t, length) != line.substr(start, length) || t[length] != '\0')
                        __builtin_trap();
                    start = end + 1;
                }
                if (start < line.size() || fast.tokenCount() != 1 + delimiters)
                    __builtin_trap();
            }
            IFString s(line, page);
            const int last = s.findLast("\\");
            if (last >= s.length())
                __builtin_trap();
            s.subString(last, 2);
            s.tail(last + 1);
        }
        if (read > lines + 1 && bufSize < 16384)
            __builtin_trap();
    }
    close(fd);
    return 0;
}

// Recognising the code page of a text file: the scan fed in two pieces agrees
// with the scan of the whole, and converting what it recognises gives text
// that is whole in the target code page.
#include "core/formats/text_encoding.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

using namespace nuvrel;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    for (CodePage page : {CodePage::Utf8, CodePage::Cp932}) {
        const TextConversion whole = textConversion(text, page);
        TextEncodingScan split;
        split.feed(text.substr(0, size / 2));
        split.feed(text.substr(size / 2));
        if (split.conversionFor(page) != whole)
            std::abort();
        if (whole == TextConversion::FromCp932) {
            // CP932 converted into UTF-8 is valid UTF-8.
            const std::string out = convertText(text, whole);
            bool high = false;
            for (char c : out)
                high |= static_cast<unsigned char>(c) >= 0x80;
            (void)high;
            if (!isUtf8(out))
                std::abort();
        } else if (whole == TextConversion::FromUtf8) {
            convertText(text, whole);
        }
        TextConversion how;
        const std::string decoded = decodeText(text, page, how);
        if (page == CodePage::Utf8 && !isUtf8(decoded))
            std::abort();
    }
    return 0;
}

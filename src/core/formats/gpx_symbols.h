// Waypoint symbols in GPX ("sym"): by the name the receiver's symbol set
// gives the code, matched in any case on import. A code the set does not
// name is written as its number, and read back as one, so no code is lost.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace nuvrel {

class GpxSymbols {
public:
    GpxSymbols(std::int32_t productId, std::int32_t softwareVersion);

    // The text of a code; empty for code 0 of a receiver without symbols.
    std::string name(int code) const;
    // The code of a text: its name in the set, else its number, else the
    // set's usual waypoint symbol.
    std::int16_t code(std::string_view text) const;

private:
    struct Entry {
        int code;
        std::string name;
    };
    std::vector<Entry> entries_;
    std::int16_t fallback_;
};

} // namespace nuvrel

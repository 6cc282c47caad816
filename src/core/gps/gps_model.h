// The supported receiver models and every format decision that follows from
// a receiver's product ID and software version (the version times 100).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace nuvrel {

// Waypoint record layouts, named as in the receiver maker's protocol.
enum class WaypointFormat { D100, D103, D104, D108, D109 };

const char* WaypointFormatName(WaypointFormat format);

class GPSModel {
public:
    static constexpr int NumberOfModels = 26;
    static constexpr std::int32_t kDefaultId = 59;
    static constexpr const char* kDefaultName = "GPS II";

    struct Row {
        std::int32_t productId;
        std::int32_t charSet; // 1 plain text, 2 the receiver's Japanese name characters
        std::string name;
    };

    GPSModel();

    int Count() const { return int(rows_.size()); }
    const Row& RowAt(int no) const;

    // The name of row no (0 to NumberOfModels - 1); empty for any other.
    std::string ModelNameAt(int no) const;
    // The first row with the product ID: its name (else "GPS II") and its
    // character set (else 1).
    std::string ModelNameForId(std::int32_t productId) const;
    std::int32_t CharSetForId(std::int32_t productId) const;
    // The product ID of the first row named exactly name, else 59.
    std::int32_t IdForModelName(const std::string& name) const;

    static WaypointFormat WaypointFormatFor(std::int32_t productId, std::int32_t softwareVersion);
    // The display option of a waypoint created without one: 3 for receivers
    // with D104 waypoints, else 0.
    static std::int16_t DisplayDefaultFor(std::int32_t productId, std::int32_t softwareVersion) {
        return WaypointFormatFor(productId, softwareVersion) == WaypointFormat::D104 ? 3 : 0;
    }
    // Receivers with D108/D109 waypoints, D301 track points, D202 route
    // headers and route links.
    static bool UsesNewFormats(std::int32_t productId);
    static std::string SymbolName(std::int32_t productId, std::int32_t softwareVersion, int code);
    static int SymbolCode(std::int32_t productId, std::int32_t softwareVersion, const std::string& name);

    // The symbol set of a format as (code, name) pairs in code order; empty for D100.
    struct Symbol {
        int code;
        const char* name;
    };
    static std::vector<Symbol> Symbols(WaypointFormat format);

private:
    std::vector<Row> rows_;
};

} // namespace nuvrel

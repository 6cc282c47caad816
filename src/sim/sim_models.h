// The receivers the simulator can play, with the record layouts each one
// speaks (as its protocol capability list would announce them).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace gpssim {

enum class WptType { D100, D103, D104, D108, D109 };

struct Model {
    int productId = 59;
    int softwareVersion = 300; // times 100
    std::string name;          // e.g. "GPS 12"
    int charSet = 1;           // 2: names in the receiver's Japanese character set
    WptType wpt = WptType::D100;
    bool newFormat = false; // D108/D109 units: D301 points with track headers, D202 routes with links
    bool known = false;

    const char* wptName() const;
    std::string description() const;
    // The capability list (tag letter and number) sent after the product data
    // by new-format units; empty for the others.
    std::vector<std::pair<char, int>> protocols() const;
};

// The model for a product ID and version; an unknown ID plays a plain D100 unit.
Model ModelFor(int productId, int softwareVersion);

// Every product ID of the table, for --help.
std::vector<std::pair<int, std::string>> KnownModels();

} // namespace gpssim

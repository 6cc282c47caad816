// The npm igc-parser (installed by scripts/install-deps into
// tests/reference/node) as an outside reader of the IGC files we write.
// Tests skip when Node or the package is missing.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace nuvrel::test {

struct IgcReading {
    struct Fix {
        long long ms = 0; // Unix time in milliseconds
        double latitude = 0;
        double longitude = 0;
        std::string altitude; // GNSS altitude, "null" for 00000
    };
    bool ok = false;                          // the parser read the file without error
    std::string message;                      // its complaint otherwise
    std::map<std::string, std::string> header; // date, pilot, glider, registration, datum
    std::vector<Fix> fixes;
};

inline std::filesystem::path igcReferenceScript() {
    return std::filesystem::path(__FILE__).parent_path().parent_path() / "reference" / "igc_fixes.js";
}

// False when Node or the package is not installed.
inline bool igcReferenceAvailable() {
    const auto modules = igcReferenceScript().parent_path() / "node" / "node_modules" / "igc-parser";
    return std::filesystem::exists(modules) && std::system("command -v node >/dev/null 2>&1") == 0;
}

inline IgcReading readWithIgcParser(const std::filesystem::path& file) {
    IgcReading r;
    const std::string command = "node '" + igcReferenceScript().string() + "' '" + file.string() + "' 2>&1";
    std::string text;
    if (std::FILE* pipe = popen(command.c_str(), "r")) {
        char buffer[4096];
        for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
            text.append(buffer, n);
        r.ok = pclose(pipe) == 0;
    }
    if (!r.ok) {
        r.message = text;
        return r;
    }
    std::istringstream in(text);
    for (std::string key; in >> key;) {
        if (key == "fix") {
            IgcReading::Fix f;
            in >> f.ms >> f.latitude >> f.longitude >> f.altitude;
            r.fixes.push_back(f);
        } else {
            std::string value;
            std::getline(in, value);
            r.header[key] = value.empty() ? value : value.substr(1);
        }
    }
    return r;
}

} // namespace nuvrel::test

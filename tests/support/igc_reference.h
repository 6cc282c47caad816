// The npm igc-parser (installed by scripts/install-deps into
// tests/reference/node) as an outside reader of the IGC files we write and
// read.
// Tests skip when Node or the package is missing.
#pragma once

#include <algorithm>
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

// The real flight logs that come with the reference scorer, sorted by name
// (none when the package is not installed).
inline std::vector<std::filesystem::path> realIgcLogs() {
    std::vector<std::filesystem::path> logs;
    const auto dir = igcReferenceScript().parent_path() / "node" / "node_modules" / "igc-xc-score" / "test";
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(dir, ec))
        if (entry.path().extension() == ".igc")
            logs.push_back(entry.path());
    std::sort(logs.begin(), logs.end());
    return logs;
}

namespace detail {
inline std::string runIgcParser(const std::string& arguments, bool& ok) {
    const std::string command = "node '" + igcReferenceScript().string() + "' " + arguments + " 2>&1";
    std::string text;
    ok = false;
    if (std::FILE* pipe = popen(command.c_str(), "r")) {
        char buffer[65536];
        for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
            text.append(buffer, n);
        ok = pclose(pipe) == 0;
    }
    return text;
}

inline void parseIgcReading(std::istream& in, IgcReading& r, std::string* nextFile = nullptr) {
    for (std::string key; in >> key;) {
        if (key == "file" && nextFile) {
            std::getline(in, *nextFile);
            if (!nextFile->empty())
                nextFile->erase(0, 1);
            return;
        }
        if (key == "fix") {
            IgcReading::Fix f;
            in >> f.ms >> f.latitude >> f.longitude >> f.altitude;
            r.fixes.push_back(f);
        } else {
            std::string value;
            std::getline(in, value);
            r.header[key] = value.empty() ? value : value.substr(1);
            if (key == "error")
                r.ok = false;
        }
    }
    if (nextFile)
        nextFile->clear();
}
} // namespace detail

inline IgcReading readWithIgcParser(const std::filesystem::path& file) {
    IgcReading r;
    const std::string text = detail::runIgcParser("'" + file.string() + "'", r.ok);
    if (!r.ok) {
        r.message = text;
        return r;
    }
    std::istringstream in(text);
    detail::parseIgcReading(in, r);
    return r;
}

// Several files in one run of the parser, read leniently as real logs are.
inline std::map<std::filesystem::path, IgcReading> readAllWithIgcParser(const std::vector<std::filesystem::path>& files) {
    std::map<std::filesystem::path, IgcReading> out;
    std::string arguments;
    for (const auto& f : files)
        arguments += " '" + f.string() + "'";
    bool ok = false;
    const std::string text = detail::runIgcParser(arguments, ok);
    if (!ok)
        return out;
    std::istringstream in(text);
    std::string file, key;
    in >> key;
    if (key != "file")
        return out;
    std::getline(in, file);
    file.erase(0, 1);
    while (!file.empty()) {
        IgcReading r;
        r.ok = true;
        const std::string name = file;
        detail::parseIgcReading(in, r, &file);
        out[name] = std::move(r);
    }
    return out;
}

} // namespace nuvrel::test

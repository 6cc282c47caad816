// The npm contest scorer igc-xc-score (installed by scripts/install-deps into
// tests/reference/node) run on the real flight logs that ship with it, in one
// node process, for the score's test and benchmark.
#pragma once

#include "core/data/records.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

namespace nuvrel::test {

inline std::filesystem::path scoreReferenceDir() {
#ifdef NUVREL_SOURCE_DIR
    return std::filesystem::path(NUVREL_SOURCE_DIR) / "tests" / "reference" / "node";
#else
    return std::filesystem::path(__FILE__).parent_path().parent_path() / "reference" / "node";
#endif
}

// The real flight logs, sorted by name (empty when the package is missing).
inline std::vector<std::filesystem::path> realFlightLogs() {
    std::vector<std::filesystem::path> out;
    const auto dir = scoreReferenceDir() / "node_modules" / "igc-xc-score" / "test";
    std::error_code ec;
    for (const auto& e : std::filesystem::directory_iterator(dir, ec))
        if (e.path().extension() == ".igc")
            out.push_back(e.path());
    std::sort(out.begin(), out.end());
    return out;
}

// False when node or the package is not installed.
inline bool scoreReferenceAvailable() {
    return std::filesystem::exists(scoreReferenceDir() / "node_modules" / "igc-xc-score") &&
           std::system("command -v node >/dev/null 2>&1") == 0;
}

struct ReferenceScore {
    std::string json; // the scorer's answer
    std::string type;
    double points = 0;
    double cpuMs = 0; // the scorer's CPU time on the file
};

struct ReferenceFlight {
    std::filesystem::path file;
    std::string error;                 // the parser's complaint
    std::vector<TrackPoint> points;    // the valid fixes, as the scorer takes them (when asked for)
    std::map<std::string, ReferenceScore> scores; // by rules: "XContest", "FFVL"
};

// Starts the reference scorer over the files under each of the rules
// ("XContest,FFVL"; "-" for none), with the fixes when asked; read its
// answer with readScoreReference. Several may run side by side.
inline std::FILE* startScoreReference(const std::vector<std::filesystem::path>& files, const std::string& rules,
                                      bool withFixes) {
    std::string command = "node '" + (scoreReferenceDir() / "score_all.cjs").string() + "'" +
                          (withFixes ? " --fixes " : " ") + rules;
    for (const auto& f : files)
        command += " '" + f.string() + "'";
    command += " 2>&1";
    return popen(command.c_str(), "r");
}

inline std::vector<ReferenceFlight> readScoreReference(std::FILE* pipe) {
    std::string text;
    if (pipe) {
        char buffer[1 << 16];
        for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
            text.append(buffer, n);
        pclose(pipe);
    }
    std::vector<ReferenceFlight> out;
    std::istringstream in(text);
    // (No raw strings: moc reads this header too.)
    const std::regex typeScore("\"type\":\"([^\"]*)\",\"score\":([0-9.eE+-]+)");
    const std::regex cpu("\"cpuMs\":([0-9.eE+-]+)");
    constexpr long long kEpochOffset = 631065600; // 1989-12-31 in Unix seconds
    for (std::string line; std::getline(in, line);) {
        const auto space = line.find(' ');
        const std::string key = line.substr(0, space), rest = space == std::string::npos ? "" : line.substr(space + 1);
        if (key == "file") {
            out.push_back({});
            out.back().file = rest;
        } else if (out.empty()) {
            continue;
        } else if (key == "fix") {
            std::istringstream f(rest);
            long long ms = 0;
            TrackPoint p{};
            std::string validity;
            double altitude = 0;
            f >> ms >> p.latitude >> p.longitude >> validity >> altitude;
            p.altitude = static_cast<float>(altitude);
            if (validity != "A")
                continue;
            p.time = static_cast<std::uint32_t>(ms / 1000 - kEpochOffset);
            out.back().points.push_back(p);
        } else if (key == "score") {
            const auto sp = rest.find(' ');
            ReferenceScore s;
            s.json = rest.substr(sp + 1);
            std::smatch m;
            if (std::regex_search(s.json, m, typeScore))
                s.type = m[1], s.points = std::stod(m[2]);
            if (std::regex_search(s.json, m, cpu))
                s.cpuMs = std::stod(m[1]);
            out.back().scores[rest.substr(0, sp)] = s;
        } else if (key == "error") {
            out.back().error = rest;
        }
    }
    return out;
}

inline std::vector<ReferenceFlight> runScoreReference(const std::vector<std::filesystem::path>& files,
                                                      const std::string& rules, bool withFixes) {
    return readScoreReference(startScoreReference(files, rules, withFixes));
}

} // namespace nuvrel::test

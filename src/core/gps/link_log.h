// The link log: with NUVREL_LINK_LOG=FILE every packet that crosses the line
// is appended to FILE as one line of hex with its time and direction, e.g.
//
//   2026-12-07 08:20:26.123 COM1 host>gps 10 FE 00 02 10 03
//   2026-12-07 08:20:26.131 COM1 gps>host 10 06 02 FE 00 FA 10 03
//
// Bytes are shown as they went over the wire (stuffing included). A packet
// read that failed is logged with what did arrive and a note.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

namespace nuvrel {

class LinkLog {
public:
    enum class Direction { HostToGps, GpsToHost };

    // Opens path for appending; a log that cannot be opened stays silent.
    LinkLog(const std::string& path, std::string portName);
    ~LinkLog();
    LinkLog(const LinkLog&) = delete;
    LinkLog& operator=(const LinkLog&) = delete;

    bool isOpen() const { return file_ != nullptr; }
    void frame(Direction direction, const std::uint8_t* bytes, std::size_t n, const char* note = nullptr);
    void event(const std::string& text);

private:
    void stamp();
    std::FILE* file_ = nullptr;
    std::string port_;
};

} // namespace nuvrel

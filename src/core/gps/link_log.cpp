#include "core/gps/link_log.h"

#include <ctime>

namespace nuvrel {

LinkLog::LinkLog(const std::string& path, std::string portName) : port_(std::move(portName)) {
    if (!path.empty())
        file_ = std::fopen(path.c_str(), "a");
}

LinkLog::~LinkLog() {
    if (file_)
        std::fclose(file_);
}

void LinkLog::stamp() {
    timespec ts{};
    clock_gettime(CLOCK_REALTIME, &ts);
    tm t{};
    gmtime_r(&ts.tv_sec, &t);
    char buf[40];
    std::strftime(buf, sizeof buf, "%Y-%m-%d %H:%M:%S", &t);
    std::fprintf(file_, "%s.%03ld %s ", buf, long(ts.tv_nsec / 1000000), port_.c_str());
}

void LinkLog::frame(Direction direction, const std::uint8_t* bytes, std::size_t n, const char* note) {
    if (!file_)
        return;
    stamp();
    std::fputs(direction == Direction::HostToGps ? "host>gps" : "gps>host", file_);
    for (std::size_t i = 0; i < n; ++i)
        std::fprintf(file_, " %02X", bytes[i]);
    if (note)
        std::fprintf(file_, " (%s)", note);
    std::fputc('\n', file_);
    std::fflush(file_);
}

void LinkLog::event(const std::string& text) {
    if (!file_)
        return;
    stamp();
    std::fprintf(file_, "%s\n", text.c_str());
    std::fflush(file_);
}

} // namespace nuvrel

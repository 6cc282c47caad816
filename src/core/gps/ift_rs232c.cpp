#include "core/gps/ift_rs232c.h"

#include <new>
#include <vector>

namespace nuvrel {

IFTRS232C::IFTRS232C(SerialPorts ports) : ports_(std::move(ports)) {}

IFTRS232C::~IFTRS232C() { ClosePort(); }

int IFTRS232C::OpenPort(int port) {
    if (device_)
        return 0;
    const std::string path = ports_.DevicePath(port);
    if (path.empty() || !ports_.makeDevice)
        return 0;
    auto device = ports_.makeDevice();
    if (!device || !device->open(path))
        return 0;
    device_ = std::move(device);
    path_ = path;
    if (const std::string logPath = ports_.LinkLogPath(); !logPath.empty()) {
        log_ = std::make_unique<LinkLog>(logPath, PortName(port));
        log_->event("open " + path);
    }
    return 1;
}

void IFTRS232C::ClosePort() {
    if (!device_)
        return;
    device_->close();
    device_.reset();
    if (log_) {
        log_->event("close " + path_);
        log_.reset();
    }
    path_.clear();
}

int IFTRS232C::ReadByte() {
    if (!device_)
        return -1;
    if (!stop_.stop_possible())
        return device_->readByte(byteTimeoutMs_);
    // In slices, so that a stop is seen while the receiver is silent.
    constexpr int kSliceMs = 100;
    for (int left = byteTimeoutMs_; left > 0 && !stop_.stop_requested(); left -= kSliceMs) {
        const int b = device_->readByte(left < kSliceMs ? left : kSliceMs);
        if (b >= 0)
            return b;
    }
    return -1;
}

// WritePacket and ReadPacket are the only places where packets cross the
// line, and so the one place where they are logged.

int IFTRS232C::WritePacket(std::uint8_t* bytes, int n) {
    if (!device_ || !bytes || n < int(kPacketOverhead))
        return -1;
    std::vector<std::uint8_t> wire;
    try {
        wire.reserve(2 * std::size_t(n));
    } catch (const std::bad_alloc&) {
        return -1;
    }
    FramePacket(bytes, std::size_t(n), wire);
    const long written = device_->write(wire.data(), wire.size());
    if (log_)
        log_->frame(LinkLog::Direction::HostToGps, wire.data(), wire.size(),
                    written == long(wire.size()) ? nullptr : "write failed");
    return int(written);
}

int IFTRS232C::ReadPacket(std::uint8_t* buffer, std::size_t capacity) {
    if (!device_) {
        lastStatus_ = FrameStatus::TimedOut;
        return 0;
    }
    std::vector<std::uint8_t> raw;
    const FrameResult r = ReadFrame([this] { return ReadByte(); }, buffer, capacity, log_ ? &raw : nullptr);
    lastStatus_ = r.status;
    if (log_) {
        const char* note = nullptr;
        switch (r.status) {
        case FrameStatus::Ok: note = r.checksumOk ? nullptr : "bad checksum"; break;
        case FrameStatus::TimedOut: note = "timed out"; break;
        case FrameStatus::TooLong: note = "too long for the buffer"; break;
        case FrameStatus::NoStart: note = "no packet start"; break;
        }
        log_->frame(LinkLog::Direction::GpsToHost, raw.data(), raw.size(), note);
    }
    return r.status == FrameStatus::Ok ? r.length : 0;
}

int IFTRS232C::Acknowledge(std::uint8_t id) {
    auto ack = AckPacket(id);
    return WritePacket(ack.data(), int(ack.size()));
}

} // namespace nuvrel

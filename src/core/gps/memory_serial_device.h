// A SerialDevice over memory: reads come from a prepared byte string, writes
// are collected. A read with nothing left returns -1 at once instead of
// waiting. Used to replay exchanges without a line (tests, fuzzing).
#pragma once

#include "core/gps/serial_device.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace nuvrel {

// What both ends see; shared by the devices a factory makes.
struct MemoryLine {
    std::vector<std::uint8_t> input; // bytes the "receiver" will send
    std::size_t readPos = 0;
    std::vector<std::uint8_t> output; // bytes the host wrote
    std::vector<std::string> opened;  // paths opened, in order
    int timeouts = 0;                 // reads that found nothing
    bool refuseOpen = false;
    long writeLimit = -1; // when >= 0, writes stop after this many bytes in all

    void feed(const std::vector<std::uint8_t>& bytes) { input.insert(input.end(), bytes.begin(), bytes.end()); }
};

class MemorySerialDevice final : public SerialDevice {
public:
    explicit MemorySerialDevice(std::shared_ptr<MemoryLine> line) : line_(std::move(line)) {}

    bool open(const std::string& path) override {
        if (open_ || line_->refuseOpen)
            return false;
        line_->opened.push_back(path);
        open_ = true;
        return true;
    }
    void close() override { open_ = false; }
    bool isOpen() const override { return open_; }
    int bytesWaiting() override { return open_ ? int(line_->input.size() - line_->readPos) : -1; }
    int readByte(int) override {
        if (!open_ || line_->readPos >= line_->input.size()) {
            ++line_->timeouts;
            return -1;
        }
        return line_->input[line_->readPos++];
    }
    long write(const std::uint8_t* bytes, std::size_t n) override {
        if (!open_)
            return -1;
        std::size_t take = n;
        if (line_->writeLimit >= 0) {
            const std::size_t room =
                line_->output.size() >= std::size_t(line_->writeLimit) ? 0 : std::size_t(line_->writeLimit) - line_->output.size();
            take = n < room ? n : room;
        }
        line_->output.insert(line_->output.end(), bytes, bytes + take);
        return long(take);
    }

private:
    std::shared_ptr<MemoryLine> line_;
    bool open_ = false;
};

inline SerialDeviceFactory MemorySerialDeviceFactory(std::shared_ptr<MemoryLine> line) {
    return [line] { return std::make_unique<MemorySerialDevice>(line); };
}

} // namespace nuvrel

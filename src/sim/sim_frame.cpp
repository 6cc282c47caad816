#include "sim_frame.h"

namespace gpssim {

namespace {
constexpr std::uint8_t DLE = 0x10;
constexpr std::uint8_t ETX = 0x03;

void putStuffed(Bytes& out, std::uint8_t b) {
    out.push_back(b);
    if (b == DLE)
        out.push_back(DLE);
}
} // namespace

Bytes Encode(std::uint8_t id, const Bytes& data, std::uint8_t checksumFlip) {
    Bytes out;
    out.reserve(2 * data.size() + 8);
    out.push_back(DLE);
    out.push_back(id);
    std::uint8_t sum = std::uint8_t(id + data.size());
    putStuffed(out, std::uint8_t(data.size()));
    for (std::uint8_t b : data) {
        sum = std::uint8_t(sum + b);
        putStuffed(out, b);
    }
    putStuffed(out, std::uint8_t((0x100 - sum) ^ checksumFlip));
    out.push_back(DLE);
    out.push_back(ETX);
    return out;
}

void Decoder::fail() {
    dropped_ += building_.data.size() + 2;
    state_ = State::Hunt;
    pendingDle_ = false;
}

// Undoes the doubling of 16: returns true when out holds the next value.
bool Decoder::stuffedByte(std::uint8_t byte, std::uint8_t& out) {
    if (pendingDle_) {
        pendingDle_ = false;
        if (byte != DLE) {
            fail(); // a lone 16 inside a packet: the frame is broken
            if (byte == ETX)
                return false;
            // the lone 16 may have been a new start byte
            state_ = State::Id;
            building_ = Frame{};
            return false;
        }
        out = DLE;
        return true;
    }
    if (byte == DLE) {
        pendingDle_ = true;
        return false;
    }
    out = byte;
    return true;
}

bool Decoder::push(std::uint8_t byte) {
    std::uint8_t v = 0;
    switch (state_) {
    case State::Hunt:
        if (byte == DLE) {
            building_ = Frame{};
            state_ = State::Id;
        } else {
            ++dropped_;
        }
        return false;
    case State::Id:
        if (byte == DLE || byte == ETX) { // not a start after all
            dropped_ += 2;
            state_ = byte == DLE ? State::Id : State::Hunt;
            return false;
        }
        building_.id = byte;
        checksum_ = byte;
        state_ = State::Size;
        return false;
    case State::Size:
        if (!stuffedByte(byte, v))
            return false;
        size_ = v;
        checksum_ = std::uint8_t(checksum_ + v);
        state_ = size_ ? State::Data : State::Checksum;
        return false;
    case State::Data:
        if (!stuffedByte(byte, v))
            return false;
        building_.data.push_back(v);
        checksum_ = std::uint8_t(checksum_ + v);
        if (building_.data.size() == size_)
            state_ = State::Checksum;
        return false;
    case State::Checksum:
        if (!stuffedByte(byte, v))
            return false;
        building_.checksumOk = std::uint8_t(checksum_ + v) == 0;
        state_ = State::End1;
        return false;
    case State::End1:
        if (byte != DLE) {
            fail();
            return false;
        }
        state_ = State::End2;
        return false;
    case State::End2:
        if (byte != ETX) {
            fail();
            return false;
        }
        state_ = State::Hunt;
        frame_ = std::move(building_);
        return true;
    }
    return false;
}

} // namespace gpssim

#include "core/gps/receiver_text.h"

#include <array>
#include <cmath>

namespace nuvrel {

std::int32_t DegreesToSemicircles(double degrees) {
    const double v = degrees * 2147483648.0 / 180.0 + 0.5;
    if (std::isnan(v))
        return 0;
    if (v >= 2147483647.0)
        return 2147483647;
    if (v <= -2147483648.0)
        return -2147483647 - 1;
    return std::int32_t(v); // truncation toward zero
}

float ReceiverAltitude(float altitude, float highest) {
    if (std::isnan(altitude) || altitude < -9999.0f || altitude > highest)
        return -9999.0f;
    return altitude;
}

namespace {

constexpr std::array<unsigned char, 256> makeDownloadTable() {
    std::array<unsigned char, 256> t{};
    for (int c = 0; c < 256; ++c) {
        unsigned char v = '?';
        if (c == 0)
            v = 0;
        else if (c <= 32)
            v = ' ';
        else if (c <= 77)
            v = static_cast<unsigned char>(177 + (c - 33));
        else if (c == 78)
            v = 166;
        else if (c <= 81)
            v = static_cast<unsigned char>(172 + (c - 79));
        else if (c <= 91)
            v = static_cast<unsigned char>('0' + (c - 82));
        else if (c == 92)
            v = '-';
        else if (c == 93)
            v = 223;
        else if (c == 94)
            v = 222;
        else if (c <= 127)
            v = ' ';
        t[static_cast<std::size_t>(c)] = v;
    }
    return t;
}

constexpr std::array<unsigned char, 256> makeUploadTable() {
    std::array<unsigned char, 256> t{};
    for (int c = 0; c < 256; ++c) {
        unsigned char v = 82;
        if (c == 0)
            v = 0;
        else if (c == ' ')
            v = 32;
        else if (c >= '1' && c <= '9')
            v = static_cast<unsigned char>(83 + (c - '1'));
        else if (c >= 172 && c <= 174)
            v = static_cast<unsigned char>(79 + (c - 172));
        else if (c >= 192 && c <= 201)
            v = static_cast<unsigned char>(48 + (c - 192));
        else if (c >= 209 && c <= 221)
            v = static_cast<unsigned char>(65 + (c - 209));
        t[static_cast<std::size_t>(c)] = v;
    }
    return t;
}

constexpr auto kDownload = makeDownloadTable();
constexpr auto kUpload = makeUploadTable();

} // namespace

unsigned char ReceiverCodeToChar(unsigned char code) { return kDownload[code]; }
unsigned char CharToReceiverCode(unsigned char character) { return kUpload[character]; }

} // namespace nuvrel

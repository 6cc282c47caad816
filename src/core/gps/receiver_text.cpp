#include "core/gps/receiver_text.h"

#include "core/gps/gps_model.h"

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

// The inverse of the download table for every character it produces, so that
// names downloaded from the receiver go back to it byte for byte (a space
// goes as 32, the first of the codes shown as a space). Characters the
// receiver cannot show go as 82, which it shows as "0".
constexpr std::array<unsigned char, 256> makeUploadTable(const std::array<unsigned char, 256>& download) {
    std::array<unsigned char, 256> t{};
    for (auto& v : t)
        v = 82;
    t[0] = 0;
    for (int code = 32; code <= 94; ++code)
        t[download[static_cast<std::size_t>(code)]] = static_cast<unsigned char>(code);
    return t;
}

constexpr auto kDownload = makeDownloadTable();
constexpr auto kUpload = makeUploadTable(kDownload);

} // namespace

unsigned char ReceiverCodeToChar(unsigned char code) { return kDownload[code]; }
unsigned char CharToReceiverCode(unsigned char character) { return kUpload[character]; }

std::string ReceiverShownName(std::string_view name) {
    std::string shown(name);
    for (char& c : shown)
        c = char(ReceiverCodeToChar(CharToReceiverCode(static_cast<unsigned char>(c))));
    return shown;
}

CodePage ReceiverCodePage(std::int32_t productId) {
    return GPSModel().CharSetForId(productId) == 2 ? CodePage::Cp932 : activeCodePage();
}

bool ConvertsReceiverText(std::int32_t productId) { return ReceiverCodePage(productId) != activeCodePage(); }

std::string ReceiverToProgramText(std::string_view text, std::int32_t productId) {
    if (!ConvertsReceiverText(productId))
        return std::string(text);
    return codePageToUtf8(text, ReceiverCodePage(productId));
}

std::string ProgramToReceiverText(std::string_view text, std::int32_t productId) {
    if (!ConvertsReceiverText(productId) || !isUtf8(text))
        return std::string(text);
    return utf8ToCodePage(text, ReceiverCodePage(productId), '?');
}

std::string ReceivedTexts::fit(std::string_view text, std::size_t fieldSize) {
    if (!converts() || fieldSize == 0)
        return std::string(text);
    std::string whole = ReceiverToProgramText(text, productId_);
    std::string kept = whole.substr(0, fitLength(whole, fieldSize - 1));
    while (!whole.empty() && whole.back() == ' ')
        whole.pop_back();
    if (kept.size() < whole.size()) {
        std::string shown = kept;
        while (!shown.empty() && shown.back() == ' ')
            shown.pop_back();
        cut_.push_back(whole + " -> " + shown);
    }
    return kept;
}

std::string ReceivedTexts::notice() const {
    if (cut_.empty())
        return {};
    constexpr std::size_t kListed = 20;
    std::string text = "These names and comments are longer in UTF-8 than the data set holds and were cut:\n";
    for (std::size_t i = 0; i < cut_.size() && i < kListed; ++i)
        text += "  " + cut_[i] + "\n";
    if (cut_.size() > kListed)
        text += "  ... and " + std::to_string(cut_.size() - kListed) + " more\n";
    return text;
}

} // namespace nuvrel

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
    // Nearest forms the table has: small katakana as large ones, the long
    // vowel mark as a hyphen.
    for (int small = 167; small <= 171; ++small) // ｧｨｩｪｫ -> ｱｲｳｴｵ
        t[static_cast<std::size_t>(small)] = t[static_cast<std::size_t>(small + 10)];
    t[175] = t[194]; // ｯ -> ﾂ
    t[176] = t['-']; // ｰ
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
    if (GPSModel().CharSetForId(productId) == 2)
        return CodePage::Cp932;
    return GPSModel::UsesNewFormats(productId) ? CodePage::Latin1 : CodePage::Ascii;
}

bool ConvertsReceiverText(std::int32_t productId) { return ReceiverCodePage(productId) != activeCodePage(); }

std::string ReceiverToProgramText(std::string_view text, std::int32_t productId, bool* changed) {
    if (changed)
        *changed = false;
    const CodePage page = ReceiverCodePage(productId);
    if (page == activeCodePage())
        return std::string(text);
    return convertCodePage(text, page, activeCodePage(), changed);
}

namespace {
std::string toReceiver(std::string_view text, std::int32_t productId, bool name, bool* changed) {
    CodePage from = activeCodePage();
    // A text that is not UTF-8 at all is a name kept from a data file of
    // CP932 mode.
    if (from == CodePage::Utf8 && !isUtf8(text))
        from = CodePage::Cp932;
    const CodePage to = ReceiverCodePage(productId);
    if (!name || to != CodePage::Cp932)
        return convertCodePage(text, from, to, changed);
    // The Japanese character sets hold half-width katakana only.
    std::string utf8 = convertCodePage(text, from, CodePage::Utf8);
    const std::string half = halfWidthForm(utf8);
    std::string out = convertCodePage(half, CodePage::Utf8, to, changed);
    if (changed)
        *changed = *changed || half != utf8;
    return out;
}
} // namespace

std::string ProgramToReceiverText(std::string_view text, std::int32_t productId, bool* changed) {
    return toReceiver(text, productId, false, changed);
}

std::string ProgramToReceiverName(std::string_view text, std::int32_t productId, bool* changed) {
    return toReceiver(text, productId, true, changed);
}

std::string ReceivedTexts::fit(std::string_view text, std::size_t fieldSize) {
    if (!converts() || fieldSize == 0)
        return std::string(text);
    bool changed = false;
    std::string whole = ReceiverToProgramText(text, productId_, &changed);
    std::string kept = whole.substr(0, fitLength(whole, fieldSize - 1));
    while (!whole.empty() && whole.back() == ' ')
        whole.pop_back();
    if (kept.size() < whole.size() || changed) {
        std::string shown = kept;
        while (!shown.empty() && shown.back() == ' ')
            shown.pop_back();
        cut_.push_back(kept.size() < whole.size() ? whole + " -> " + shown : shown + " (characters replaced)");
    }
    return kept;
}

std::string ReceivedTexts::notice() const {
    if (cut_.empty())
        return {};
    constexpr std::size_t kListed = 20;
    std::string text = "These names and comments could not be kept as the receiver sent them (changed or cut):\n";
    for (std::size_t i = 0; i < cut_.size() && i < kListed; ++i)
        text += "  " + cut_[i] + "\n";
    if (cut_.size() > kListed)
        text += "  ... and " + std::to_string(cut_.size() - kListed) + " more\n";
    return text;
}

} // namespace nuvrel

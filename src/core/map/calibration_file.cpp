#include "core/map/calibration_file.h"

#include "core/c_number.h"
#include "core/map/map_file_names.h"
#include "core/regular_file.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <unistd.h>

namespace nuvrel {

PlainMapPaths plainMapPaths(std::string_view chosen) {
    const std::string stem(chosen.substr(0, chosen.size() >= 4 ? chosen.size() - 4 : 0));
    return {stem + ".bmp", stem + ".dat"};
}

PlainMapPaths findPlainMapFiles(std::string_view chosen) {
    const PlainMapPaths formed = plainMapPaths(chosen);
    FileNameResolver names;
    return {names.resolve(formed.bitmap), names.resolve(formed.calibration)};
}

std::string calibrationSavePath(std::string_view chosen) {
    const std::size_t slash = chosen.rfind('/');
    const std::size_t dot = chosen.rfind('.');
    const bool hasExtension = dot != std::string_view::npos && (slash == std::string_view::npos || dot > slash + 1);
    const std::string_view ext = hasExtension ? chosen.substr(dot + 1) : std::string_view();
    bool upper = !ext.empty();
    for (char c : ext)
        upper = upper && !(c >= 'a' && c <= 'z');
    const std::string formed = std::string(hasExtension ? chosen.substr(0, dot) : chosen) + ".dat";
    const std::string found = findFileAnyCase(formed);
    if (found != formed)
        return found;
    return formed.substr(0, formed.size() - 4) + (upper ? ".DAT" : ".dat");
}

bool IsCalibrationFile(const std::string& path) {
    const int fd = OpenRegularFile(path);
    if (fd < 0)
        return false;
    std::string text(kMaxCalibrationFileSize + 1, '\0');
    std::size_t got = 0;
    for (ssize_t n; got < text.size() && (n = ::read(fd, text.data() + got, text.size() - got)) > 0;)
        got += std::size_t(n);
    ::close(fd);
    if (got > kMaxCalibrationFileSize)
        return false;
    text.resize(got);
    if (text.find('\0') != std::string::npos)
        return false;
    for (std::size_t pos = 0; pos < text.size();) {
        const std::size_t nl = std::min(text.find('\n', pos), text.size());
        const std::string_view line(text.data() + pos, nl - pos);
        for (std::string_view key : {"ido_top", "ido_bottom", "kei_left", "kei_right", "bitmap_width", "bitmap_height"})
            if (line.starts_with(key) && line.find('=') != std::string_view::npos)
                return true;
        pos = nl + 1;
    }
    return false;
}

namespace {

// One piece of a line, as a 64-byte line buffer holds it.
void readPiece(std::string_view piece, IFTMapParam& param) {
    piece = piece.substr(0, piece.find('\0'));
    const auto eq = piece.find('=');
    if (eq == std::string_view::npos)
        return;
    const std::string_view key = piece.substr(0, eq);
    std::string_view value = piece.substr(eq + 1);
    value = value.substr(0, value.find('='));
    auto is = [&](std::string_view name) { return key.substr(0, name.size()) == name; };
    if (is("ido_top"))
        param.ido_top = parseDouble(value);
    else if (is("ido_bottom"))
        param.ido_bottom = parseDouble(value);
    else if (is("kei_left"))
        param.kei_left = parseDouble(value);
    else if (is("kei_right"))
        param.kei_right = parseDouble(value);
    else if (is("bitmap_width"))
        param.bitmap_width = parseInt32(value);
    else if (is("bitmap_height"))
        param.bitmap_height = parseInt32(value);
}

} // namespace

void ReadCalibration(std::string_view text, IFTMapParam& param) {
    constexpr std::size_t kPiece = 63; // a 64-byte buffer with its final NUL
    std::size_t pos = 0;
    while (pos < text.size()) {
        const std::size_t nl = text.find('\n', pos);
        const std::size_t lineEnd = nl == std::string_view::npos ? text.size() : nl + 1;
        while (pos < lineEnd) {
            const std::size_t n = std::min(kPiece, lineEnd - pos);
            readPiece(text.substr(pos, n), param);
            pos += n;
        }
    }
}

bool ReadCalibrationFile(const std::string& path, IFTMapParam& param) {
    if (!IsReadableRegularFile(path))
        return false;
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ReadCalibration(text, param);
    return true;
}

std::string CalibrationFileText(const CalibrationTexts& t) {
    std::string out;
    auto line = [&](const char* format, const std::string& a, const std::string* b = nullptr) {
        std::array<char, 256> buf{};
        if (b)
            std::snprintf(buf.data(), buf.size(), format, a.c_str(), b->c_str());
        else
            std::snprintf(buf.data(), buf.size(), format, a.c_str());
        out += buf.data();
        out += "\r\n";
    };
    line("; center of latitude = %-9.9s, center of longitude = %-9.9s", t.latitude, &t.longitude);
    line("ido_top       =  %9.9s", t.top);
    line("kei_left      = %10.10s", t.left);
    line("ido_bottom    =  %9.9s", t.bottom);
    line("kei_right     = %10.10s", t.right);
    // The sizes are written as typed, whatever their length.
    out += "bitmap_width  = " + t.width + "\r\n";
    out += "bitmap_height = " + t.height + "\r\n";
    return out;
}

} // namespace nuvrel

#include "core/geo/angle_text.h"

#include <charconv>
#include <cmath>
#include <cstring>

namespace nuvrel {

namespace {

// Largest degree value the forms handle; anything beyond (or not finite)
// gives the empty text.
constexpr double kMaxDegrees = 1.0e9;

// A small fixed text builder: formatting never allocates.
class Text {
public:
    void put(char c) {
        if (len_ < sizeof buf_ - 1)
            buf_[len_++] = c;
    }
    void put(std::string_view s) {
        for (char c : s)
            put(c);
    }
    // An integer, zero-padded to at least width digits.
    void putInt(long long v, int width = 0) {
        char digits[24];
        auto [end, ec] = std::to_chars(digits, digits + sizeof digits, v < 0 ? -v : v);
        (void)ec;
        const int n = static_cast<int>(end - digits);
        if (v < 0)
            put('-');
        for (int i = n; i < width; ++i)
            put('0');
        put(std::string_view(digits, n));
    }
    // A fixed-point number with the given decimals, zero-padded to width.
    void putFixed(double v, int decimals, int width) {
        char digits[64];
        auto [end, ec] = std::to_chars(digits, digits + sizeof digits, v, std::chars_format::fixed, decimals);
        if (ec != std::errc())
            return;
        const int n = static_cast<int>(end - digits);
        for (int i = n; i < width; ++i)
            put('0');
        put(std::string_view(digits, n));
    }
    // The degrees right-aligned in three places ("%3d"), with "-0" for
    // angles between -1 and 0.
    void putDegrees(long long absDegrees, bool negative) {
        Text d;
        if (negative)
            d.put('-');
        d.putInt(absDegrees);
        for (std::size_t i = d.len_; i < 3; ++i)
            put(' ');
        put(d.view());
    }
    std::string_view view() const { return {buf_, len_}; }

private:
    char buf_[96];
    std::size_t len_ = 0;
};

// The fields of the forms: |D|, M and S (seconds) as the forms compute them.
struct Fields {
    bool negative = false; // x < 0
    long long absDegrees = 0;
    int minutes = 0;
    double seconds = 0;      // |(m - M) * 60| + 1e-9
    double decimalMinutes = 0; // |(x - D) * 60| + 1e-9
};

bool splitAngle(double x, Fields& f) {
    if (!std::isfinite(x) || std::fabs(x) >= kMaxDegrees)
        return false;
    const double d = std::trunc(x);
    f.negative = x < 0;
    f.absDegrees = static_cast<long long>(std::fabs(d));
    const double m = std::fabs((x - d) * 60.0) + 0.000000001;
    f.decimalMinutes = m;
    f.minutes = static_cast<int>(m);
    f.seconds = std::fabs((m - f.minutes) * 60.0) + 0.000000001;
    return true;
}

// Seconds or minutes that would show as 60 move into the next field.
void carryMinutes(Fields& f) {
    if (f.minutes >= 60) {
        f.minutes -= 60;
        ++f.absDegrees;
    }
}

// True when v printed with the given decimals reads 60 or more.
bool printsAsSixty(double v, int decimals) {
    char digits[64];
    auto [end, ec] = std::to_chars(digits, digits + sizeof digits, v, std::chars_format::fixed, decimals);
    if (ec != std::errc())
        return false;
    double printed = 0;
    std::from_chars(digits, end, printed);
    return printed >= 60.0;
}

void carrySeconds(Fields& f, int decimals) {
    carryMinutes(f);
    if (printsAsSixty(f.seconds, decimals)) {
        f.seconds = 0;
        ++f.minutes;
        carryMinutes(f);
    }
}

std::size_t deliver(const Text& t, char* buffer, std::size_t size) {
    if (size == 0 || buffer == nullptr)
        return 0;
    const auto s = t.view();
    if (s.size() > size - 1) {
        buffer[0] = '\0';
        return 0;
    }
    std::memcpy(buffer, s.data(), s.size());
    buffer[s.size()] = '\0';
    return s.size();
}

bool buildDMS(double x, Text& t) {
    Fields f;
    if (!splitAngle(x, f))
        return false;
    carrySeconds(f, 2);
    t.putDegrees(f.absDegrees, f.negative);
    t.put('^');
    t.putInt(f.minutes, 2);
    t.put('\'');
    t.putFixed(f.seconds, 2, 5);
    t.put('"');
    return true;
}

bool buildHemisphere(double x, AngleAxis axis, Text& t) {
    Fields f;
    if (!splitAngle(x, f))
        return false;
    carrySeconds(f, 2);
    if (axis == AngleAxis::Latitude)
        t.put(x > 0 ? 'N' : 'S');
    else
        t.put(x > 0 ? 'E' : 'W');
    t.putInt(f.absDegrees);
    t.put(':');
    t.putInt(f.minutes, 2);
    t.put(':');
    t.putFixed(f.seconds, 2, 5);
    return true;
}

bool buildProAtlas(double x, Text& t) {
    Fields f;
    if (!splitAngle(x, f))
        return false;
    carryMinutes(f);
    long long thousandths = static_cast<long long>(f.seconds * 1000.0);
    if (thousandths >= 60000) {
        thousandths = 0;
        ++f.minutes;
        carryMinutes(f);
    }
    t.putInt(f.absDegrees);
    t.put('/');
    t.putInt(f.minutes, 2);
    t.put('/');
    t.putInt(thousandths, 5);
    return true;
}

bool buildDM(double x, Text& t) {
    Fields f;
    if (!splitAngle(x, f))
        return false;
    double minutes = f.decimalMinutes;
    if (printsAsSixty(minutes, 3)) {
        minutes = 0;
        ++f.absDegrees;
    }
    t.putDegrees(f.absDegrees, f.negative);
    t.put('^');
    t.putFixed(minutes, 3, 6);
    t.put('\'');
    return true;
}

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// The decimal number at text[pos] as scanf's "%lf" reads it (leading blanks
// and a sign allowed); 0 when there is none. Does not move pos.
double numberAt(std::string_view text, std::size_t pos) {
    while (pos < text.size() && (text[pos] == ' ' || text[pos] == '\t'))
        ++pos;
    bool negative = false;
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
        negative = text[pos] == '-';
        ++pos;
    }
    if (pos >= text.size() || !(isDigit(text[pos]) || text[pos] == '.'))
        return 0;
    double v = 0;
    auto [end, ec] = std::from_chars(text.data() + pos, text.data() + text.size(), v);
    (void)end;
    if (ec != std::errc() || !std::isfinite(v))
        return 0;
    return negative ? -v : v;
}

void skipNumber(std::string_view text, std::size_t& pos) {
    while (pos < text.size() && (isDigit(text[pos]) || text[pos] == '.'))
        ++pos;
}

// True when the field at pos is written as five or more digits without a
// point: the zero-padded thousandths of the Pro Atlas form ("00500" is half a
// second, not 500 seconds).
bool isThousandthsField(std::string_view text, std::size_t pos) {
    std::size_t digits = 0;
    while (pos < text.size() && isDigit(text[pos])) {
        ++pos;
        ++digits;
    }
    return digits >= 5 && (pos >= text.size() || text[pos] != '.');
}

} // namespace

double roundMicro(double x) {
    const double biased = x > 0 ? x + 0.00000027 : x - 0.00000027;
    return std::trunc(biased * 1000000.0) * 0.000001;
}

std::size_t formatDMS(double x, char* buffer, std::size_t size) {
    Text t;
    buildDMS(x, t);
    return deliver(t, buffer, size);
}

std::size_t formatHemisphere(double x, AngleAxis axis, char* buffer, std::size_t size) {
    Text t;
    buildHemisphere(x, axis, t);
    return deliver(t, buffer, size);
}

std::size_t formatProAtlas(double x, char* buffer, std::size_t size) {
    Text t;
    buildProAtlas(x, t);
    return deliver(t, buffer, size);
}

std::size_t formatDM(double x, char* buffer, std::size_t size) {
    Text t;
    buildDM(x, t);
    return deliver(t, buffer, size);
}

std::string formatDMS(double x) {
    Text t;
    buildDMS(x, t);
    return std::string(t.view());
}

std::string formatHemisphere(double x, AngleAxis axis) {
    Text t;
    buildHemisphere(x, axis, t);
    return std::string(t.view());
}

std::string formatProAtlas(double x) {
    Text t;
    buildProAtlas(x, t);
    return std::string(t.view());
}

std::string formatDM(double x) {
    Text t;
    buildDM(x, t);
    return std::string(t.view());
}

std::size_t separatorLength(std::string_view text, std::size_t pos) {
    const auto byte = [&](std::size_t i) { return i < text.size() ? static_cast<unsigned char>(text[i]) : 0u; };
    const unsigned lead = byte(pos);
    // CP932: 0x81 0x8B degree, 0x8C prime, 0x8D double prime (0x81 never
    // starts a UTF-8 sequence).
    if (lead == 0x81 && byte(pos + 1) >= 0x8B && byte(pos + 1) <= 0x8D)
        return 2;
    const std::size_t length = lead > 0xF4 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC2 ? 2 : 1;
    for (std::size_t i = 1; i < length; ++i)
        if ((byte(pos + i) & 0xC0) != 0x80)
            return 1; // not a whole UTF-8 sequence: one byte
    return length;
}

double parseAngle(std::string_view text) {
    std::size_t pos = 0;
    const std::size_t n = text.size();
    while (pos < n && !(isDigit(text[pos]) || text[pos] == '.' || text[pos] == '-' || text[pos] == 'S' ||
                        text[pos] == 'W'))
        ++pos;
    if (pos >= n)
        return 0;
    double sign = 1;
    if (text[pos] == '-' || text[pos] == 'S' || text[pos] == 'W') {
        sign = -1;
        ++pos;
    }
    const double degrees = numberAt(text, pos);
    skipNumber(text, pos);
    if (pos >= n)
        return sign * degrees;

    pos += separatorLength(text, pos); // the separator: "^", "°", ":", "/", " " ...
    const double minutes = numberAt(text, pos);
    skipNumber(text, pos);
    if (pos >= n)
        return sign * (degrees + minutes / 60.0);

    pos += separatorLength(text, pos);
    double seconds = numberAt(text, pos);
    if (seconds > 1000 || isThousandthsField(text, pos))
        seconds *= 0.001; // thousandths of a second
    return sign * (degrees + minutes / 60.0 + seconds / 3600.0);
}

bool isAngleText(std::string_view text) {
    bool digit = false;
    for (const char c : text) {
        const auto u = static_cast<unsigned char>(c);
        if (u >= '0' && u <= '9')
            digit = true;
        else if (u < 0x80 && !std::strchr(" +-.:/^'\"NSEWnsew\t", c))
            return false;
    }
    return digit;
}

} // namespace nuvrel

// The GPX reader: expat's events turned into records. This file and no other
// knows the XML parser.
#include "core/formats/calendar.h"
#include "core/formats/gpx_format.h"
#include "core/formats/gpx_symbols.h"
#include "core/geo/map_datum.h"
#include "core/regular_file.h"

#include <expat.h>

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <memory>
#include <unistd.h>

namespace nuvrel {

namespace {

enum class Tag { Other, Gpx, Wpt, Rte, Rtept, Trk, Trkseg, Trkpt, Ele, Time, Name, Cmt, Desc, Sym, Extensions };

// A name without its prefix ("gpx:trkpt" -> "trkpt"): GPX files of every
// writer are read alike whatever namespaces they declare, and expat's
// namespace processing would cost a fifth of the reading time.
std::string_view localName(const XML_Char* name) {
    const char* colon = std::strrchr(name, ':');
    return colon ? std::string_view(colon + 1) : std::string_view(name);
}

std::string_view trimmed(std::string_view s) {
    const auto space = [](char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; };
    while (!s.empty() && space(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && space(s.back()))
        s.remove_suffix(1);
    return s;
}

bool parseNumber(std::string_view text, double& value) {
    text = trimmed(text);
    if (!text.empty() && text.front() == '+')
        text.remove_prefix(1);
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    return ec == std::errc() && end == text.data() + text.size() && std::isfinite(value);
}

// A name as written, unless the writer wrapped it in line breaks and
// indentation.
std::string_view nameText(std::string_view text) {
    const std::string_view t = trimmed(text);
    const bool wrapped = text.find_first_of("\r\n\t") != std::string_view::npos;
    return wrapped ? t : text;
}

struct Point {
    double latitude = 0;
    double longitude = 0;
    bool located = false;
    double elevation = 0;
    bool hasElevation = false;
    std::uint32_t time = 0;
    std::string name, comment, description, symbol;
    bool hasSymbol = false;
};

class Reader {
public:
    Reader(const GpxSettings& settings, GpxKinds kinds)
        : settings_(settings), kinds_(kinds), datum_(settings.datumName),
          symbols_(settings.productId, settings.softwareVersion),
          parser_(XML_ParserCreate(nullptr), XML_ParserFree) {
        XML_SetUserData(parser_.get(), this);
        XML_SetElementHandler(parser_.get(), &Reader::onStart, &Reader::onEnd);
        XML_SetCharacterDataHandler(parser_.get(), &Reader::onText);
    }

    bool valid() const { return parser_ != nullptr; }

    // One piece of the document; false once it cannot go on.
    bool feed(const char* data, std::size_t size, bool last) {
        if (XML_Parse(parser_.get(), data, static_cast<int>(size), last) == XML_STATUS_ERROR) {
            if (error_.empty())
                error_ = "line " + std::to_string(XML_GetCurrentLineNumber(parser_.get())) + ": " +
                         XML_ErrorString(XML_GetErrorCode(parser_.get()));
            return false;
        }
        if (last && !sawRoot_)
            error_ = "not a GPX file";
        return true;
    }

    GpxRead result() {
        GpxRead read;
        if (!error_.empty())
            read.error = error_;
        else
            read.content = std::move(content_);
        return read;
    }

private:
    static void onStart(void* self, const XML_Char* name, const XML_Char** attributes) {
        static_cast<Reader*>(self)->start(localName(name), attributes);
    }
    static void onEnd(void* self, const XML_Char* name) { static_cast<Reader*>(self)->end(localName(name)); }
    static void onText(void* self, const XML_Char* text, int length) {
        auto* r = static_cast<Reader*>(self);
        if (r->collecting_)
            r->text_.append(text, static_cast<std::size_t>(length));
    }

    Tag parent() const { return stack_.empty() ? Tag::Other : stack_.back(); }
    static bool isPoint(Tag t) { return t == Tag::Wpt || t == Tag::Rtept || t == Tag::Trkpt; }

    Tag classify(std::string_view name) const {
        const Tag up = parent();
        if (ignored_ > 0)
            return Tag::Other;
        if (name == "extensions")
            return Tag::Extensions;
        if (up == Tag::Gpx) {
            if (name == "wpt")
                return Tag::Wpt;
            if (name == "rte")
                return Tag::Rte;
            if (name == "trk")
                return Tag::Trk;
        } else if (up == Tag::Rte) {
            if (name == "rtept")
                return Tag::Rtept;
            if (name == "name")
                return Tag::Name;
        } else if (up == Tag::Trk && name == "trkseg") {
            return Tag::Trkseg;
        } else if (up == Tag::Trkseg && name == "trkpt") {
            return Tag::Trkpt;
        } else if (isPoint(up)) {
            if (name == "ele")
                return Tag::Ele;
            if (name == "time")
                return Tag::Time;
            if (name == "name")
                return Tag::Name;
            if (name == "cmt")
                return Tag::Cmt;
            if (name == "desc")
                return Tag::Desc;
            if (name == "sym")
                return Tag::Sym;
        }
        return Tag::Other;
    }

    void start(std::string_view name, const XML_Char** attributes) {
        if (!sawRoot_) {
            sawRoot_ = true;
            if (name != "gpx") {
                error_ = "not a GPX file";
                XML_StopParser(parser_.get(), XML_FALSE);
                return;
            }
            stack_.push_back(Tag::Gpx);
            return;
        }
        const Tag tag = classify(name);
        stack_.push_back(tag);
        collecting_ = false;
        switch (tag) {
        case Tag::Extensions:
            ++ignored_;
            break;
        case Tag::Wpt:
        case Tag::Rtept:
        case Tag::Trkpt:
            point_ = Point{};
            for (const XML_Char** a = attributes; a[0]; a += 2) {
                const std::string_view attribute = localName(a[0]);
                if (attribute == "lat")
                    point_.located = parseNumber(a[1], point_.latitude);
                else if (attribute == "lon")
                    point_.located = parseNumber(a[1], point_.longitude) && point_.located;
            }
            point_.located = point_.located && std::abs(point_.latitude) <= 90 && std::abs(point_.longitude) <= 180;
            break;
        case Tag::Rte:
            route_ = CRouteField::Route{};
            break;
        case Tag::Trkseg:
            segmentOpen_ = false;
            break;
        case Tag::Ele:
        case Tag::Time:
        case Tag::Name:
        case Tag::Cmt:
        case Tag::Desc:
        case Tag::Sym:
            text_.clear();
            collecting_ = true;
            break;
        default:
            break;
        }
    }

    void end(std::string_view) {
        if (stack_.empty())
            return;
        const Tag tag = stack_.back();
        stack_.pop_back();
        collecting_ = false;
        const Tag up = parent();
        switch (tag) {
        case Tag::Extensions:
            --ignored_;
            break;
        case Tag::Ele:
            point_.hasElevation = parseNumber(text_, point_.elevation);
            break;
        case Tag::Time:
            if (!parseGpxTime(trimmed(text_), point_.time))
                point_.time = 0;
            break;
        case Tag::Name:
            (up == Tag::Rte ? route_.name : point_.name) = text_;
            break;
        case Tag::Cmt:
            point_.comment = text_;
            break;
        case Tag::Desc:
            point_.description = text_;
            break;
        case Tag::Sym:
            point_.symbol = trimmed(text_);
            point_.hasSymbol = !point_.symbol.empty();
            break;
        case Tag::Wpt:
            if (kinds_.waypoints && point_.located)
                content_.waypoints.push_back(waypoint());
            break;
        case Tag::Rtept:
            if (kinds_.routes && point_.located)
                route_.entries.push_back(routeEntry());
            break;
        case Tag::Rte:
            if (kinds_.routes && !route_.entries.empty()) {
                const std::string name = codePageName(route_.name);
                route_.name = name.substr(0, fitLength(name, kRouteNameSize - 1, settings_.codePage));
                content_.routes.push_back(std::move(route_));
            }
            break;
        case Tag::Trkpt:
            if (kinds_.track && point_.located)
                content_.track.push_back(trackPoint());
            break;
        default:
            break;
        }
    }

    std::string codePageName(std::string_view utf8) const {
        return utf8ToCodePage(nameText(utf8), settings_.codePage);
    }

    // The position in the map datum; the height only when the file gives one.
    void position(double& latitude, double& longitude, float& altitude) const {
        double height;
        datum_.toLocal(point_.latitude, point_.longitude, point_.hasElevation ? point_.elevation : 0, latitude,
                       longitude, height);
        altitude = point_.hasElevation ? static_cast<float>(height) : 0.0f;
    }

    std::string comment() const { return codePageName(point_.comment.empty() ? point_.description : point_.comment); }
    std::int16_t symbol() const { return point_.hasSymbol ? symbols_.code(point_.symbol) : symbols_.code(""); }

    WaypointRecord waypoint() const {
        WaypointRecord w{};
        position(w.latitude, w.longitude, w.altitude);
        w.symbol = symbol();
        w.display = settings_.displayDefault;
        copyToField(w.ident, kIdentSize, codePageName(point_.name), settings_.codePage);
        copyToField(w.comment, kCommentSize, comment(), settings_.codePage);
        return w;
    }

    RouteEntry routeEntry() const {
        RouteEntry e{};
        position(e.latitude, e.longitude, e.altitude);
        e.symbol = symbol();
        e.display = settings_.displayDefault;
        copyToField(e.ident, kIdentSize, codePageName(point_.name), settings_.codePage);
        copyToField(e.comment, kCommentSize, comment(), settings_.codePage);
        return e;
    }

    TrackPoint trackPoint() {
        if (!segmentOpen_) {
            segmentOpen_ = true;
            if (segment_ < std::numeric_limits<std::int16_t>::max())
                ++segment_;
        }
        TrackPoint p{};
        position(p.latitude, p.longitude, p.altitude);
        p.time = point_.time;
        p.segment = segment_;
        return p;
    }

    const GpxSettings& settings_;
    GpxKinds kinds_;
    MapDatum datum_;
    GpxSymbols symbols_;
    std::unique_ptr<std::remove_pointer_t<XML_Parser>, decltype(&XML_ParserFree)> parser_;

    std::vector<Tag> stack_;
    int ignored_ = 0; // open "extensions" elements
    bool sawRoot_ = false;
    bool collecting_ = false;
    std::string text_;
    Point point_;
    CRouteField::Route route_;
    bool segmentOpen_ = false;
    std::int16_t segment_ = 0;
    GpxContent content_;
    std::string error_;
};

// Digits of a fixed count at s[at]; false when any is missing.
bool digits(std::string_view s, std::size_t at, std::size_t count, int& value) {
    if (at + count > s.size())
        return false;
    value = 0;
    for (std::size_t i = at; i < at + count; ++i) {
        if (s[i] < '0' || s[i] > '9')
            return false;
        value = value * 10 + (s[i] - '0');
    }
    return true;
}

} // namespace

bool parseGpxTime(std::string_view s, std::uint32_t& receiverTime) {
    CalendarTime t;
    if (!digits(s, 0, 4, t.year) || s.size() < 19 || s[4] != '-' || !digits(s, 5, 2, t.month) || s[7] != '-' ||
        !digits(s, 8, 2, t.day) || (s[10] != 'T' && s[10] != 't' && s[10] != ' ') || !digits(s, 11, 2, t.hour) ||
        s[13] != ':' || !digits(s, 14, 2, t.minute) || s[16] != ':' || !digits(s, 17, 2, t.second))
        return false;
    if (t.month < 1 || t.month > 12 || t.day < 1 || t.day > 31 || t.hour > 24 || t.minute > 59 || t.second > 60)
        return false;
    std::size_t at = 19;
    if (at < s.size() && (s[at] == '.' || s[at] == ',')) {
        ++at;
        const std::size_t first = at;
        while (at < s.size() && s[at] >= '0' && s[at] <= '9')
            ++at;
        if (at == first)
            return false;
    }
    std::int64_t offset = 0; // seconds east of UTC
    if (at < s.size()) {
        if (s[at] == 'Z' || s[at] == 'z') {
            ++at;
        } else if (s[at] == '+' || s[at] == '-') {
            int hours = 0, minutes = 0;
            const int sign = s[at] == '-' ? -1 : 1;
            if (!digits(s, at + 1, 2, hours))
                return false;
            at += 3;
            if (at < s.size() && s[at] == ':')
                ++at;
            if (at < s.size()) {
                if (!digits(s, at, 2, minutes))
                    return false;
                at += 2;
            }
            offset = sign * (hours * 3600 + minutes * 60);
        }
    }
    if (at != s.size())
        return false;
    const std::int64_t seconds = utcSeconds(t) - offset - kReceiverEpochOffset;
    if (seconds < 0 || seconds > std::numeric_limits<std::uint32_t>::max())
        return false;
    receiverTime = static_cast<std::uint32_t>(seconds);
    return true;
}

GpxRead readGpxText(std::string_view text, const GpxSettings& settings, GpxKinds kinds) {
    Reader reader(settings, kinds);
    if (!reader.valid())
        return GpxRead{{}, "out of memory"};
    // XML_Parse takes an int length: long texts go in pieces.
    constexpr std::size_t kPiece = 1 << 24;
    do {
        const std::size_t n = std::min(text.size(), kPiece);
        if (!reader.feed(text.data(), n, n == text.size()))
            break;
        text.remove_prefix(n);
    } while (!text.empty());
    return reader.result();
}

GpxRead readGpxFile(const std::string& path, const GpxSettings& settings, GpxKinds kinds) {
    // A FIFO, a device or a folder is refused at once, never waited on.
    std::string why;
    const int fd = OpenRegularFile(path, &why);
    if (fd < 0)
        return GpxRead{{}, "cannot open " + path + (why.rfind("it is", 0) == 0 ? ": " + why : "")};
    std::unique_ptr<std::FILE, decltype(&std::fclose)> file(::fdopen(fd, "rb"), std::fclose);
    if (!file) {
        ::close(fd);
        return GpxRead{{}, "cannot open " + path};
    }
    Reader reader(settings, kinds);
    if (!reader.valid())
        return GpxRead{{}, "out of memory"};
    std::vector<char> buffer(1 << 20);
    for (;;) {
        const std::size_t n = std::fread(buffer.data(), 1, buffer.size(), file.get());
        if (std::ferror(file.get()))
            return GpxRead{{}, "cannot read " + path};
        const bool last = n < buffer.size();
        if (!reader.feed(buffer.data(), n, last) || last)
            break;
    }
    return reader.result();
}

} // namespace nuvrel

// The GPX reader: the document parsed in place by pugixml, then walked for
// the records. This file and no other knows the XML parser.
#include "core/c_number.h"
#include "core/formats/calendar.h"
#include "core/formats/gpx_format.h"
#include "core/formats/gpx_symbols.h"
#include "core/geo/map_datum.h"
#include "core/regular_file.h"

#include <pugixml.hpp>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace nuvrel {

namespace {

// A name without its prefix ("gpx:trkpt" -> "trkpt"): GPX files of every
// writer are read alike whatever namespaces they declare.
std::string_view localName(const pugi::char_t* name) {
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
    if (parsePlainDecimal(text, value)) // what writers write, read exactly
        return true;
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

// The character data directly inside an element (CDATA sections included):
// no copy for the usual single piece.
std::string_view elementText(pugi::xml_node element, std::string& joined) {
    std::string_view text = element.value(); // held in the element itself
    bool copied = false;
    for (pugi::xml_node child = element.first_child(); child; child = child.next_sibling()) {
        if (child.type() != pugi::node_pcdata && child.type() != pugi::node_cdata)
            continue;
        if (text.empty() && !copied) {
            text = child.value();
            continue;
        }
        if (!copied) {
            joined.assign(text);
            copied = true;
        }
        joined += child.value();
    }
    return copied ? std::string_view(joined) : text;
}

// Parse options: entities and CDATA as XML has them, line ends normalised,
// the text of an element held in the element (half the nodes of a track).
constexpr unsigned kParseOptions =
    pugi::parse_escapes | pugi::parse_cdata | pugi::parse_eol | pugi::parse_embed_pcdata;

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
          symbols_(settings.productId, settings.softwareVersion) {}

    // The records of a parsed document; an error when its root is not "gpx".
    GpxRead read(const pugi::xml_document& document) {
        const pugi::xml_node root = document.document_element();
        if (!root || localName(root.name()) != "gpx")
            return GpxRead{{}, "not a GPX file"};
        for (pugi::xml_node child = root.first_child(); child; child = child.next_sibling()) {
            if (child.type() != pugi::node_element)
                continue;
            const std::string_view name = localName(child.name());
            if (name == "wpt" && kinds_.waypoints)
                waypoint(child);
            else if (name == "rte" && kinds_.routes)
                route(child);
            else if (name == "trk" && kinds_.track)
                track(child);
        }
        GpxRead read;
        read.content = std::move(content_);
        return read;
    }

private:
    // "wpt", "rtept" or "trkpt": the position and what the point tells of
    // itself; named says whether names, comments and symbols are wanted.
    bool readPoint(pugi::xml_node element, bool named) {
        point_ = Point{};
        bool hasLatitude = false, hasLongitude = false;
        for (pugi::xml_attribute a = element.first_attribute(); a; a = a.next_attribute()) {
            const std::string_view attribute = localName(a.name());
            if (attribute == "lat")
                hasLatitude = parseNumber(a.value(), point_.latitude);
            else if (attribute == "lon")
                hasLongitude = parseNumber(a.value(), point_.longitude);
        }
        point_.located = hasLatitude && hasLongitude && std::abs(point_.latitude) <= 90 &&
                         std::abs(point_.longitude) <= 180;
        if (!point_.located)
            return false;
        for (pugi::xml_node child = element.first_child(); child; child = child.next_sibling()) {
            if (child.type() != pugi::node_element)
                continue;
            const std::string_view name = localName(child.name());
            if (name == "ele") {
                point_.hasElevation = parseNumber(elementText(child, text_), point_.elevation);
            } else if (name == "time") {
                if (!parseGpxTime(trimmed(elementText(child, text_)), point_.time))
                    point_.time = 0;
            } else if (!named) {
                continue;
            } else if (name == "name") {
                point_.name = elementText(child, text_);
            } else if (name == "cmt") {
                point_.comment = elementText(child, text_);
            } else if (name == "desc") {
                point_.description = elementText(child, text_);
            } else if (name == "sym") {
                point_.symbol = trimmed(elementText(child, text_));
                point_.hasSymbol = !point_.symbol.empty();
            }
        }
        return true;
    }

    void waypoint(pugi::xml_node element) {
        if (!readPoint(element, true))
            return;
        content_.waypoints.push_back(namedRecord<WaypointRecord>());
    }

    // A waypoint or route entry of the point just read.
    template <typename Record>
    Record namedRecord() const {
        Record r{};
        position(r.latitude, r.longitude, r.altitude);
        r.symbol = symbol();
        r.display = settings_.displayDefault;
        copyToField(r.ident, kIdentSize, codePageName(point_.name), settings_.codePage);
        copyToField(r.comment, kCommentSize, comment(), settings_.codePage);
        return r;
    }

    void route(pugi::xml_node element) {
        CRouteField::Route route;
        std::string name;
        for (pugi::xml_node child = element.first_child(); child; child = child.next_sibling()) {
            if (child.type() != pugi::node_element)
                continue;
            const std::string_view tag = localName(child.name());
            if (tag == "name") {
                name = elementText(child, text_);
            } else if (tag == "rtept" && readPoint(child, true)) {
                route.entries.push_back(namedRecord<RouteEntry>());
            }
        }
        if (route.entries.empty())
            return;
        name = codePageName(name);
        route.name = name.substr(0, fitLength(name, kRouteNameSize - 1, settings_.codePage));
        content_.routes.push_back(std::move(route));
    }

    // Segments are numbered over every "trkseg" that holds a point.
    void track(pugi::xml_node element) {
        std::size_t points = content_.track.size();
        for (pugi::xml_node segment = element.first_child(); segment; segment = segment.next_sibling())
            for (pugi::xml_node p = segment.first_child(); p; p = p.next_sibling())
                ++points;
        content_.track.reserve(points); // an upper bound, taken once
        for (pugi::xml_node segment = element.first_child(); segment; segment = segment.next_sibling()) {
            if (segment.type() != pugi::node_element || localName(segment.name()) != "trkseg")
                continue;
            bool open = false;
            for (pugi::xml_node p = segment.first_child(); p; p = p.next_sibling()) {
                if (p.type() != pugi::node_element || localName(p.name()) != "trkpt" || !readPoint(p, false))
                    continue;
                if (!open) {
                    open = true;
                    if (segment_ < std::numeric_limits<std::int16_t>::max())
                        ++segment_;
                }
                TrackPoint t{};
                position(t.latitude, t.longitude, t.altitude);
                t.time = point_.time;
                t.segment = segment_;
                content_.track.push_back(t);
            }
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

    const GpxSettings& settings_;
    GpxKinds kinds_;
    MapDatum datum_;
    GpxSymbols symbols_;
    Point point_;
    std::string text_; // an element's text when it comes in pieces
    std::int16_t segment_ = 0;
    GpxContent content_;
};

// What went wrong, in the reader's words.
std::string parseError(const pugi::xml_parse_result& result, bool atEnd) {
    switch (result.status) {
    case pugi::status_out_of_memory: return "out of memory";
    case pugi::status_no_document_element: return "no element found";
    case pugi::status_end_element_mismatch: return atEnd ? "no element found" : "mismatched tag";
    case pugi::status_bad_start_element: return "bad start tag";
    case pugi::status_bad_end_element: return "bad end tag";
    case pugi::status_bad_attribute: return "bad attribute";
    case pugi::status_bad_pcdata: return "bad character data";
    case pugi::status_bad_cdata: return "bad CDATA section";
    case pugi::status_bad_comment: return "bad comment";
    case pugi::status_bad_pi: return "bad processing instruction";
    case pugi::status_bad_doctype: return "bad document type declaration";
    case pugi::status_unrecognized_tag: return "not well-formed";
    default: return result.description();
    }
}

// Parses size bytes at buffer (allocated with pugixml's allocator; the
// document owns it from here). lineAt counts the lines before a byte offset
// of the original text, for the error message.
template <typename LineAt>
GpxRead parseOwned(char* buffer, std::size_t size, const GpxSettings& settings, GpxKinds kinds, LineAt lineAt) {
    pugi::xml_document document;
    const pugi::xml_parse_result parsed =
        document.load_buffer_inplace_own(buffer, size, kParseOptions, pugi::encoding_auto);
    if (!parsed) {
        if (parsed.status == pugi::status_out_of_memory)
            return GpxRead{{}, "out of memory"};
        auto offset = static_cast<std::size_t>(std::max<std::ptrdiff_t>(parsed.offset, 0));
        // An element left open is reported at the last byte: the file's end.
        const bool atEnd = offset + 1 >= size;
        if (atEnd)
            offset = size;
        return GpxRead{{}, "line " + std::to_string(lineAt(offset)) + ": " + parseError(parsed, atEnd)};
    }
    return Reader(settings, kinds).read(document);
}

std::size_t lineOf(std::string_view text, std::size_t offset) {
    const std::string_view before = text.substr(0, std::min(offset, text.size()));
    return 1 + static_cast<std::size_t>(std::count(before.begin(), before.end(), '\n'));
}

char* allocate(std::size_t size) {
    // One byte more: pugixml is never handed a zero-byte allocation.
    return static_cast<char*>(pugi::get_memory_allocation_function()(size + 1));
}

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
    char* buffer = allocate(text.size());
    if (!buffer)
        return GpxRead{{}, "out of memory"};
    if (!text.empty())
        std::memcpy(buffer, text.data(), text.size());
    return parseOwned(buffer, text.size(), settings, kinds,
                      [&](std::size_t offset) { return lineOf(text, offset); });
}

GpxRead readGpxFile(const std::string& path, const GpxSettings& settings, GpxKinds kinds) {
    // A FIFO, a device or a folder is refused at once, never waited on.
    std::string why;
    const int fd = OpenRegularFile(path, &why);
    if (fd < 0)
        return GpxRead{{}, "cannot open " + path + (why.rfind("it is", 0) == 0 ? ": " + why : "")};
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};
    struct stat st {};
    if (::fstat(fd, &st) != 0 || st.st_size < 0)
        return GpxRead{{}, "cannot read " + path};
    // The whole file in one buffer, parsed in place: the fastest way through it.
    const auto size = static_cast<std::size_t>(st.st_size);
    char* buffer = allocate(size);
    if (!buffer)
        return GpxRead{{}, "out of memory"};
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = ::read(fd, buffer + done, size - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            pugi::get_memory_deallocation_function()(buffer);
            return GpxRead{{}, "cannot read " + path};
        }
        if (n == 0)
            break; // the file shrank meanwhile
        done += static_cast<std::size_t>(n);
    }
    // The buffer is changed by the parse: lines are counted in the file again.
    return parseOwned(buffer, done, settings, kinds, [&](std::size_t offset) {
        std::size_t lines = 1;
        char piece[1 << 16];
        for (std::size_t at = 0; at < offset;) {
            const ssize_t n = ::pread(fd, piece, std::min(sizeof piece, offset - at), static_cast<off_t>(at));
            if (n <= 0)
                break;
            lines += static_cast<std::size_t>(std::count(piece, piece + n, '\n'));
            at += static_cast<std::size_t>(n);
        }
        return lines;
    });
}

} // namespace nuvrel

// The GPX reader: the file streamed through expat in pieces, the records
// taken as their elements close. Memory holds the records kept and one
// piece of the file, never the file or a document tree. A file that is not
// well-formed XML gives the line of the first fault and no records. This
// file and no other knows the XML parser.
#include "core/c_number.h"
#include "core/formats/calendar.h"
#include "core/formats/gpx_format.h"
#include "core/formats/gpx_symbols.h"
#include "core/geo/map_datum.h"
#include "core/regular_file.h"
#include "core/text_helpers.h"

#include <expat.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstring>
#include <functional>
#include <limits>
#include <memory>
#include <new>
#include <unistd.h>

namespace nuvrel {

namespace {

// The bytes read and parsed at a time.
constexpr std::size_t kPiece = 1 << 18;
// The start of the file where its XML declaration is looked for.
constexpr std::size_t kDeclarationBytes = 1024;
// Track points are kept in blocks of this many while the file is read, so
// that the log never stands in memory twice while it grows.
constexpr std::size_t kBlockPoints = 1 << 15;
// Notes about names cut and points skipped: how many are listed one by one.
constexpr std::size_t kListedNotes = 20;

// A name without its prefix ("gpx:trkpt" -> "trkpt"): GPX files of every
// writer are read alike whatever namespaces they declare.
std::string_view localName(const XML_Char* name) {
    const char* colon = std::strrchr(name, ':');
    return colon ? std::string_view(colon + 1) : std::string_view(name);
}

bool parseNumber(std::string_view text, double& value) {
    text = TrimBlanks(text);
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
    const std::string_view t = TrimBlanks(text);
    const bool wrapped = text.find_first_of("\r\n\t") != std::string_view::npos;
    return wrapped ? t : text;
}

// A text from the file as a note quotes it: at most limit bytes, whole
// UTF-8 characters (the parser hands over nothing else).
std::string quoted(std::string_view text, std::size_t limit = 40) {
    if (text.size() <= limit)
        return "\"" + std::string(text) + "\"";
    return "\"" + std::string(text.substr(0, fitLength(text, limit, CodePage::Utf8))) + "...\"";
}

// The encodings expat reads itself; any other declared one is turned into
// UTF-8 before the parser sees it.
bool parserKnows(std::string_view encoding) {
    const auto is = [&](std::string_view name) {
        return encoding.size() == name.size() &&
               std::equal(name.begin(), name.end(), encoding.begin(), [](char a, char b) {
                   return a == (b >= 'a' && b <= 'z' ? static_cast<char>(b - 'a' + 'A') : b);
               });
    };
    return is("UTF-8") || is("UTF-16") || is("ISO-8859-1") || is("US-ASCII");
}

// The encoding that the XML declaration at the start of the file names, ""
// when there is none or the file starts with a byte-order mark (the parser
// reads those itself).
std::string declaredEncoding(std::string_view start) {
    if (start.size() < 6 || start.substr(0, 5) != "<?xml" ||
        std::string_view(" \t\r\n").find(start[5]) == std::string_view::npos)
        return {};
    start = start.substr(0, start.find("?>"));
    std::size_t at = 5;
    while ((at = start.find("encoding", at)) != std::string_view::npos) {
        at += 8;
        std::size_t i = at;
        while (i < start.size() && std::string_view(" \t\r\n").find(start[i]) != std::string_view::npos)
            ++i;
        if (i >= start.size() || start[i] != '=')
            continue;
        ++i;
        while (i < start.size() && std::string_view(" \t\r\n").find(start[i]) != std::string_view::npos)
            ++i;
        if (i >= start.size() || (start[i] != '"' && start[i] != '\''))
            continue;
        const std::size_t end = start.find(start[i], i + 1);
        if (end == std::string_view::npos)
            return {};
        return std::string(start.substr(i + 1, end - i - 1));
    }
    return {};
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
    unsigned long line = 0; // of its start tag
};

// Where the parser stands: the elements that matter, and everything else.
enum class Node : std::uint8_t {
    Skipped, Gpx, Waypoint, Route, RoutePoint, Track, Segment, TrackPoint,
    Elevation, Time, Name, Comment, Description, Symbol, RouteName,
};

class Reader {
public:
    Reader(const GpxSettings& settings, GpxKinds kinds, std::size_t piece = kPiece)
        : piece_(std::max<std::size_t>(piece, 1)), settings_(settings), kinds_(kinds), datum_(settings.datumName),
          symbols_(settings.productId, settings.softwareVersion) {}
    ~Reader() {
        if (parser_)
            XML_ParserFree(parser_);
    }
    Reader(const Reader&) = delete;
    Reader& operator=(const Reader&) = delete;

    // Reads the text that read(buffer, size) hands over piece by piece
    // (returning the bytes given, 0 at the end, -1 on failure).
    GpxRead run(const std::function<long(char*, std::size_t)>& read) {
        try {
            return runOrThrow(read);
        } catch (const std::bad_alloc&) {
            return GpxRead{{}, "out of memory", {}};
        }
    }

private:
    GpxRead runOrThrow(const std::function<long(char*, std::size_t)>& read) {
        // The first piece tells the encoding.
        std::string first(std::max(piece_, kDeclarationBytes), '\0');
        const std::size_t wanted = first.size();
        long n = fill(read, first.data(), first.size());
        if (n < 0)
            return failed("cannot read");
        first.resize(static_cast<std::size_t>(n));
        const std::string declared = declaredEncoding(std::string_view(first).substr(0, kDeclarationBytes));
        std::unique_ptr<Utf8Decoder> decoder;
        if (!declared.empty() && !parserKnows(declared)) {
            decoder = std::make_unique<Utf8Decoder>(declared);
            if (!decoder->known())
                return failed("line 1: unknown encoding " + quoted(declared));
        }
        // A decoded text is UTF-8 whatever its declaration says.
        parser_ = XML_ParserCreate(decoder ? "UTF-8" : nullptr);
        if (!parser_)
            return failed("out of memory");
        XML_SetUserData(parser_, this);
        XML_SetElementHandler(parser_, onStart, onEnd);

        bool last = static_cast<std::size_t>(n) < wanted;
        if (!decoder) {
            if (!parse(first.data(), first.size(), last))
                return failed(error());
            first = std::string(); // the parser's own buffer from here
            while (!last) {
                void* buffer = XML_GetBuffer(parser_, static_cast<int>(piece_));
                if (!buffer)
                    return failed("out of memory");
                n = fill(read, static_cast<char*>(buffer), piece_);
                if (n < 0)
                    return failed("cannot read");
                last = static_cast<std::size_t>(n) < piece_;
                if (XML_ParseBuffer(parser_, static_cast<int>(n), last) != XML_STATUS_OK)
                    return failed(error());
            }
        } else {
            std::string raw = std::move(first);
            std::string utf8;
            unsigned long lines = 1;
            for (;;) {
                utf8.clear();
                const bool decoded = decoder->decode(raw, utf8, last);
                lines += static_cast<unsigned long>(std::count(utf8.begin(), utf8.end(), '\n'));
                // What came before a byte that does not decode is parsed
                // first: an XML fault there is the file's first fault.
                if (!parse(utf8.data(), utf8.size(), last && decoded))
                    return failed(error());
                if (!decoded)
                    return failed("line " + std::to_string(lines) + ": bytes that are not " + declared);
                if (last)
                    break;
                raw.resize(piece_);
                n = fill(read, raw.data(), raw.size());
                if (n < 0)
                    return failed("cannot read");
                raw.resize(static_cast<std::size_t>(n));
                last = static_cast<std::size_t>(n) < piece_;
            }
        }
        if (!error_.empty())
            return failed(error_);
        GpxRead result;
        result.content.track = takeTrack();
        result.content.waypoints = std::move(waypoints_);
        result.content.routes = std::move(routes_);
        result.notes = notes();
        return result;
    }

    // Fills buffer as far as the source goes (short only at its end).
    long fill(const std::function<long(char*, std::size_t)>& read, char* buffer, std::size_t size) {
        std::size_t done = 0;
        while (done < size) {
            const long n = read(buffer + done, size - done);
            if (n < 0)
                return -1;
            if (n == 0)
                break;
            done += static_cast<std::size_t>(n);
        }
        return static_cast<long>(done);
    }

    bool parse(const char* data, std::size_t size, bool last) {
        // The parser takes an int: a long text goes in pieces.
        do {
            const std::size_t part = std::min(size, piece_);
            const bool final = last && part == size;
            if (XML_Parse(parser_, data, static_cast<int>(part), final) != XML_STATUS_OK)
                return false;
            data += part;
            size -= part;
        } while (size > 0);
        return true;
    }

    // The parser's complaint with its line, or what stopped it.
    std::string error() const {
        if (!error_.empty())
            return error_;
        return "line " + std::to_string(XML_GetCurrentLineNumber(parser_)) + ": " +
               XML_ErrorString(XML_GetErrorCode(parser_));
    }

    static GpxRead failed(std::string why) { return GpxRead{{}, std::move(why), {}}; }

    // Ends the parse with a reason of ours.
    void stop(std::string why) {
        if (error_.empty())
            error_ = std::move(why);
        XML_StopParser(parser_, XML_FALSE);
    }

    static void XMLCALL onStart(void* self, const XML_Char* name, const XML_Char** attributes) {
        auto& r = *static_cast<Reader*>(self);
        try {
            r.start(localName(name), attributes);
        } catch (const std::bad_alloc&) {
            r.stop("out of memory");
        }
    }
    static void XMLCALL onEnd(void* self, const XML_Char*) {
        auto& r = *static_cast<Reader*>(self);
        try {
            r.end();
        } catch (const std::bad_alloc&) {
            r.stop("out of memory");
        }
    }
    static void XMLCALL onText(void* self, const XML_Char* s, int length) {
        auto& r = *static_cast<Reader*>(self);
        if (r.collecting_ && r.depth_ == r.stack_.size())
            try {
                r.text_.append(s, static_cast<std::size_t>(length));
            } catch (const std::bad_alloc&) {
                r.stop("out of memory");
            }
    }

    Node top() const { return stack_.empty() ? Node::Skipped : stack_.back(); }

    void start(std::string_view name, const XML_Char** attributes) {
        if (stack_.empty() && !rootSeen_) {
            rootSeen_ = true;
            if (name != "gpx")
                return stop("not a GPX file");
            stack_.push_back(Node::Gpx);
            return;
        }
        Node node = Node::Skipped;
        switch (top()) {
        case Node::Gpx:
            if (name == "wpt" && kinds_.waypoints)
                node = Node::Waypoint;
            else if (name == "rte" && kinds_.routes)
                node = Node::Route;
            else if (name == "trk" && kinds_.track)
                node = Node::Track;
            break;
        case Node::Route:
            if (name == "name")
                node = Node::RouteName;
            else if (name == "rtept")
                node = Node::RoutePoint;
            break;
        case Node::Track:
            if (name == "trkseg") {
                node = Node::Segment;
                segmentOpen_ = false;
            }
            break;
        case Node::Segment:
            if (name == "trkpt")
                node = Node::TrackPoint;
            break;
        case Node::Waypoint:
        case Node::RoutePoint:
        case Node::TrackPoint:
            if (!point_.located)
                break; // a point skipped: its contents do not matter
            if (name == "ele")
                node = Node::Elevation;
            else if (name == "time")
                node = Node::Time;
            else if (top() == Node::TrackPoint)
                break; // track points keep no names
            else if (name == "name")
                node = Node::Name;
            else if (name == "cmt")
                node = Node::Comment;
            else if (name == "desc")
                node = Node::Description;
            else if (name == "sym")
                node = Node::Symbol;
            break;
        default:
            break;
        }
        if (node == Node::Waypoint || node == Node::RoutePoint || node == Node::TrackPoint)
            startPoint(attributes);
        stack_.push_back(node);
        if (node == Node::Route) {
            route_ = CRouteField::Route{};
            routeName_.clear();
            routeLine_ = XML_GetCurrentLineNumber(parser_);
        } else if (node >= Node::Elevation) {
            // Text is handed over only inside the elements it is wanted from.
            collecting_ = true;
            depth_ = stack_.size();
            text_.clear();
            XML_SetCharacterDataHandler(parser_, onText);
        }
    }

    void end() {
        if (stack_.empty())
            return;
        const Node node = stack_.back();
        stack_.pop_back();
        switch (node) {
        case Node::Elevation: point_.hasElevation = parseNumber(text_, point_.elevation); break;
        case Node::Time:
            if (!parseGpxTime(TrimBlanks(text_), point_.time))
                point_.time = 0;
            break;
        case Node::Name: point_.name = text_; break;
        case Node::Comment: point_.comment = text_; break;
        case Node::Description: point_.description = text_; break;
        case Node::Symbol:
            point_.symbol = TrimBlanks(text_);
            point_.hasSymbol = !point_.symbol.empty();
            break;
        case Node::RouteName: routeName_ = text_; break;
        case Node::Waypoint:
            if (point_.located)
                waypoints_.push_back(namedRecord<WaypointRecord>("waypoint"));
            break;
        case Node::RoutePoint:
            if (point_.located)
                route_.entries.push_back(namedRecord<RouteEntry>("route point"));
            break;
        case Node::TrackPoint:
            if (point_.located)
                addTrackPoint();
            break;
        case Node::Route: endRoute(); break;
        default: break;
        }
        if (node >= Node::Elevation) {
            collecting_ = false;
            XML_SetCharacterDataHandler(parser_, nullptr);
        }
    }

    // "wpt", "rtept" or "trkpt": the position; a point without a usable
    // one is skipped, with a note.
    void startPoint(const XML_Char** attributes) {
        point_.name.clear();
        point_.comment.clear();
        point_.description.clear();
        point_.symbol.clear();
        point_.hasSymbol = point_.hasElevation = false;
        point_.time = 0;
        // The parser finds a line by counting the bytes since it last did:
        // asked for at every track point, that would double the work.
        point_.line = top() == Node::Segment ? 0 : XML_GetCurrentLineNumber(parser_);
        const char* latitude = nullptr;
        const char* longitude = nullptr;
        for (const XML_Char** a = attributes; *a; a += 2) {
            const std::string_view attribute = localName(a[0]);
            if (attribute == "lat")
                latitude = a[1];
            else if (attribute == "lon")
                longitude = a[1];
        }
        point_.located = latitude && longitude && parseNumber(latitude, point_.latitude) &&
                         parseNumber(longitude, point_.longitude) && std::abs(point_.latitude) <= 90 &&
                         std::abs(point_.longitude) <= 180;
        if (point_.located)
            return;
        point_.line = XML_GetCurrentLineNumber(parser_);
        const char* kind = top() == Node::Gpx ? "waypoint" : top() == Node::Route ? "route point" : "track point";
        ++skipped_;
        note(point_.line, std::string(kind) + " skipped: no usable position (lat=" +
                              (latitude ? quoted(latitude) : "none") +
                              ", lon=" + (longitude ? quoted(longitude) : "none") + ")");
    }

    void note(unsigned long line, std::string text) {
        if (listed_.size() < kListedNotes)
            listed_.push_back("line " + std::to_string(line) + ": " + text);
        else
            ++unlisted_;
    }

    // Text for a record field of fieldSize bytes: the code page's, cut on a
    // whole character, with a note when it had to be cut.
    std::string fitted(std::string_view utf8, std::size_t fieldSize, const char* what, int& cuts) {
        // The parser hands over well-formed UTF-8 only.
        std::string text = settings_.codePage == CodePage::Utf8 ? std::string(utf8)
                                                                 : utf8ToCodePage(utf8, settings_.codePage);
        const std::size_t keep = fitLength(text, fieldSize - 1, settings_.codePage);
        if (keep < text.size()) {
            ++cuts;
            text.resize(keep);
            note(point_.line, std::string(what) + " " + quoted(utf8) + " cut to " + std::to_string(fieldSize - 1) +
                                  " bytes: " + quoted(codePageToUtf8(text, settings_.codePage), 64));
        }
        return text;
    }

    // A waypoint or route entry of the point just read.
    template <typename Record>
    Record namedRecord(const char* kind) {
        Record r{};
        position(r.latitude, r.longitude, r.altitude);
        r.symbol = point_.hasSymbol ? symbols_.code(point_.symbol) : symbols_.code("");
        r.display = settings_.displayDefault;
        const std::string_view name = nameText(point_.name);
        const std::string ident = fitted(name, kIdentSize, (std::string(kind) + " name").c_str(), namesCut_);
        copyToField(r.ident, kIdentSize, ident, settings_.codePage);
        const std::string_view comment =
            nameText(point_.comment.empty() ? point_.description : point_.comment);
        const std::string text =
            fitted(comment, kCommentSize, ("comment of " + std::string(kind) + " " + quoted(name)).c_str(),
                   commentsCut_);
        copyToField(r.comment, kCommentSize, text, settings_.codePage);
        return r;
    }

    void endRoute() {
        if (route_.entries.empty())
            return;
        const std::string_view name = nameText(routeName_);
        std::string text =
            settings_.codePage == CodePage::Utf8 ? std::string(name) : utf8ToCodePage(name, settings_.codePage);
        const std::size_t keep = fitLength(text, kRouteNameSize - 1, settings_.codePage);
        if (keep < text.size()) {
            ++namesCut_;
            text.resize(keep);
            note(routeLine_, "route name " + quoted(name) + " cut to " + std::to_string(kRouteNameSize - 1) +
                                 " bytes: " + quoted(codePageToUtf8(text, settings_.codePage), 64));
        }
        route_.name = std::move(text);
        routes_.push_back(std::move(route_));
    }

    // Segments are numbered over every "trkseg" that holds a point.
    void addTrackPoint() {
        if (!segmentOpen_) {
            segmentOpen_ = true;
            if (segment_ < std::numeric_limits<std::int16_t>::max())
                ++segment_;
        }
        if (blocks_.empty() || blocks_.back().size() == kBlockPoints) {
            blocks_.emplace_back();
            blocks_.back().reserve(kBlockPoints);
        }
        TrackPoint t{};
        position(t.latitude, t.longitude, t.altitude);
        t.time = point_.time;
        t.segment = segment_;
        blocks_.back().push_back(t);
    }

    // The track in one array of exactly its size: each block is released as
    // soon as it is copied, so the log is held about once throughout.
    std::vector<TrackPoint> takeTrack() {
        std::size_t count = 0;
        for (const auto& b : blocks_)
            count += b.size();
        std::vector<TrackPoint> track;
        track.reserve(count);
        for (auto& b : blocks_) {
            track.insert(track.end(), b.begin(), b.end());
            std::vector<TrackPoint>().swap(b);
        }
        blocks_.clear();
        return track;
    }

    std::vector<std::string> notes() const {
        std::vector<std::string> out;
        if (listed_.empty())
            return out;
        const auto count = [](int n, const char* one, const char* many) {
            return std::to_string(n) + " " + (n == 1 ? one : many);
        };
        std::string summary;
        const auto add = [&](const std::string& part) { summary += (summary.empty() ? "" : ", ") + part; };
        if (skipped_)
            add(count(skipped_, "point", "points") + " skipped");
        if (namesCut_)
            add(count(namesCut_, "name", "names") + " cut");
        if (commentsCut_)
            add(count(commentsCut_, "comment", "comments") + " cut");
        out.push_back(summary);
        out.insert(out.end(), listed_.begin(), listed_.end());
        if (unlisted_)
            out.push_back("and " + std::to_string(unlisted_) + " more");
        return out;
    }

    // The position in the map datum; the height only when the file gives one.
    void position(double& latitude, double& longitude, float& altitude) const {
        double height;
        datum_.toLocal(point_.latitude, point_.longitude, point_.hasElevation ? point_.elevation : 0, latitude,
                       longitude, height);
        altitude = point_.hasElevation ? static_cast<float>(height) : 0.0f;
    }

    const std::size_t piece_;
    const GpxSettings& settings_;
    GpxKinds kinds_;
    MapDatum datum_;
    GpxSymbols symbols_;
    XML_Parser parser_ = nullptr;
    std::string error_; // a reason of ours to stop

    std::vector<Node> stack_;
    std::size_t depth_ = 0; // of the element whose own text is collected
    bool rootSeen_ = false;
    bool collecting_ = false;
    std::string text_; // the text of the element being collected
    Point point_;
    CRouteField::Route route_;
    std::string routeName_;
    unsigned long routeLine_ = 0;
    bool segmentOpen_ = false;
    std::int16_t segment_ = 0;

    std::vector<std::vector<TrackPoint>> blocks_;
    std::vector<WaypointRecord> waypoints_;
    std::vector<CRouteField::Route> routes_;

    int skipped_ = 0, namesCut_ = 0, commentsCut_ = 0;
    std::vector<std::string> listed_;
    std::size_t unlisted_ = 0;
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
    return readGpxTextInPieces(text, kPiece, settings, kinds);
}

GpxRead readGpxTextInPieces(std::string_view text, std::size_t pieceSize, const GpxSettings& settings,
                            GpxKinds kinds) {
    return Reader(settings, kinds, pieceSize).run([&](char* buffer, std::size_t size) {
        const std::size_t n = std::min(size, text.size());
        std::memcpy(buffer, text.data(), n);
        text.remove_prefix(n);
        return static_cast<long>(n);
    });
}

GpxRead readGpxFile(const std::string& path, const GpxSettings& settings, GpxKinds kinds) {
    // A FIFO, a device or a folder is refused at once, never waited on.
    std::string why;
    const int fd = OpenRegularFile(path, &why);
    if (fd < 0)
        return GpxRead{{}, "cannot open " + path + (why.rfind("it is", 0) == 0 ? ": " + why : ""), {}};
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};
    bool failed = false;
    GpxRead read = Reader(settings, kinds).run([&](char* buffer, std::size_t size) -> long {
        for (;;) {
            const ssize_t n = ::read(fd, buffer, size);
            if (n < 0 && errno == EINTR)
                continue;
            failed = n < 0;
            return static_cast<long>(n);
        }
    });
    if (failed)
        return GpxRead{{}, "cannot read " + path, {}};
    return read;
}

} // namespace nuvrel

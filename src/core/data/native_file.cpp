#include "core/data/native_file.h"

#include "core/codepage.h"
#include "core/errors.h"
#include "core/regular_file.h"
#include "core/safe_save.h"
#include "core/time_zone.h"

#include <algorithm>
#include <bit>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <limits>
#include <new>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace nuvrel {

// Records move between memory and the file as they are: the file is
// little-endian, and so must the host be.
static_assert(std::endian::native == std::endian::little, "the native data file needs a little-endian host");

namespace {

constexpr char kMagic[6] = {'N', 'U', 'V', 'R', 'E', 'L'};
constexpr std::size_t kChunkBytes = 64 * 1024;

std::uint32_t le32(const unsigned char* p) {
    std::uint32_t v;
    std::memcpy(&v, p, 4);
    return v;
}

std::int32_t les32(const unsigned char* p) {
    std::int32_t v;
    std::memcpy(&v, p, 4);
    return v;
}

std::string quoted(const std::string& name) { return "\"" + name + "\""; }

// Record sizes of the file versions.
std::size_t pointSize(int version) { return version >= 5 ? 32 : 24; }
std::size_t waypointSize(int version) { return version >= 5 ? 116 : version == 4 ? 76 : 32; }
std::size_t entrySize(int version) { return version >= 5 ? 120 : version == 4 ? 80 : 40; }

// Old records, upgraded one by one.
void upgradePoint24(const unsigned char* src, TrackPoint& p) {
    std::memset(&p, 0, sizeof p);
    std::memcpy(&p, src, 24); // latitude, longitude, time, segment, reserved
}

void upgradeWaypoint(const unsigned char* src, WaypointRecord& w, int version, std::int16_t display) {
    std::memset(&w, 0, sizeof w);
    std::memcpy(&w.latitude, src, 8);
    std::memcpy(&w.longitude, src + 8, 8);
    if (version == 4) {
        std::memcpy(&w.proximity, src + 16, 4);
        std::memcpy(&w.symbol, src + 20, 2);
        std::memcpy(&w.display, src + 22, 2);
        copyToField(w.ident, sizeof w.ident, fieldText(reinterpret_cast<const char*>(src + 24), 52));
    } else {
        // Bytes 16-23 carry nothing kept; the name is the 8 bytes at 24.
        std::memcpy(w.ident, src + 24, 8);
        w.display = display;
    }
}

void upgradeEntry(const unsigned char* src, RouteEntry& e, int version) {
    auto* dst = reinterpret_cast<unsigned char*>(&e);
    std::memset(dst, 0, sizeof e);
    if (version == 4) {
        std::memcpy(dst, src, 24);           // position, proximity, symbol, display
        std::memcpy(dst + 32, src + 24, 8);  // the name's first 8 bytes
        std::memcpy(dst + 56, src + 32, 44); // the comment's first 44 bytes
    } else {
        std::memcpy(dst, src, 40); // the name is at most 8 bytes long
    }
}

// Texts of records from a file are not trusted to be terminated.
void terminate(WaypointRecord& w) {
    w.ident[kIdentSize - 1] = 0;
    w.comment[kCommentSize - 1] = 0;
}
void terminate(RouteEntry& e) {
    e.ident[kIdentSize - 1] = 0;
    e.comment[kCommentSize - 1] = 0;
}

class FileByteSource final : public ByteSource {
public:
    explicit FileByteSource(int fd, std::uint64_t size) : fd_(fd), size_(size) {}
    ~FileByteSource() override { ::close(fd_); }
    std::uint64_t size() const override { return size_; }
    bool readAt(std::uint64_t offset, void* dst, std::size_t n) override {
        auto* p = static_cast<char*>(dst);
        while (n > 0) {
            const std::size_t step = std::min<std::size_t>(n, 1u << 30);
            const ssize_t got = ::pread(fd_, p, step, static_cast<off_t>(offset));
            if (got < 0) {
                if (errno == EINTR)
                    continue;
                error = std::strerror(errno);
                return false;
            }
            if (got == 0) {
                error = "the file became shorter while it was read";
                return false;
            }
            p += got;
            offset += static_cast<std::uint64_t>(got);
            n -= static_cast<std::size_t>(got);
        }
        return true;
    }

private:
    int fd_;
    std::uint64_t size_;
};

} // namespace

bool MemoryByteSource::readAt(std::uint64_t offset, void* dst, std::size_t n) {
    if (offset > bytes_.size() || n > bytes_.size() - offset) {
        error = "read past the end";
        return false;
    }
    if (n > 0)
        std::memcpy(dst, bytes_.data() + offset, n);
    return true;
}

// ---------------------------------------------------------------- reading

// Reads every section into stores of its own and hands them to the data set
// and the route store only once the whole file has been read: a file that is
// refused, damaged, unreadable or too large for memory changes nothing.
class NativeFile::Reader {
public:
    Reader(ByteSource& src, const std::string& name, IFTGarminData& data, CRouteField& routes)
        : src_(src), name_(name), data_(data), routes_(routes), prompts_(data.context().prompts) {}

    LoadResult run();

private:
    enum class Outcome { Read, OutOfMemory, Damaged };

    Outcome readAll(const std::int32_t (&offsets)[3]);
    Outcome readTrack(std::uint64_t offset);
    Outcome readWaypoints(std::uint64_t offset);
    Outcome readRoutes(std::uint64_t offset);
    // Hands what was read over; nothing in it can fail.
    void commit(LoadResult& result) noexcept;

    // Reads count records of oldSize bytes at offset, turning each into a
    // record of the current layout with convert.
    template <typename Rec, typename Convert>
    bool readConverted(std::uint64_t offset, std::size_t oldSize, Rec* out, std::size_t count, Convert convert);
    bool readBytes(std::uint64_t offset, void* dst, std::size_t n);

    // The bytes left from offset to the end of the file (0 beyond it).
    std::uint64_t room(std::uint64_t offset) const { return offset < size_ ? size_ - offset : 0; }
    Outcome damaged(const std::string& why) {
        prompts_.showMessage("Error", quoted(name_) + " is damaged: " + why + "; it was not read further");
        return Outcome::Damaged;
    }
    Outcome unreadable() {
        prompts_.showMessage("Error", "Cannot read " + quoted(name_) + ": " + src_.error);
        return Outcome::Damaged;
    }
    Outcome outOfMemory() {
        ShowError(prompts_, kErrOutOfMemory);
        return Outcome::OutOfMemory;
    }

    ByteSource& src_;
    const std::string& name_;
    IFTGarminData& data_;
    CRouteField& routes_;
    UserPrompts& prompts_;
    std::uint64_t size_ = 0;
    int version_ = 0;
    std::vector<unsigned char> chunk_;

    // What the file holds; a section that is not in the file stays unset and
    // leaves its store as it is.
    std::int32_t timeOffset_ = 0;
    std::unique_ptr<IFTGarminTrack> track_;
    std::unique_ptr<IFTGarminWaypoint> waypoints_;
    std::optional<std::vector<CRouteField::Route>> routeList_;
};

bool NativeFile::Reader::readBytes(std::uint64_t offset, void* dst, std::size_t n) {
    if (n > room(offset)) {
        damaged("it ends before its sections do");
        return false;
    }
    if (!src_.readAt(offset, dst, n)) {
        unreadable();
        return false;
    }
    return true;
}

template <typename Rec, typename Convert>
bool NativeFile::Reader::readConverted(std::uint64_t offset, std::size_t oldSize, Rec* out, std::size_t count,
                                       Convert convert) {
    const std::size_t perChunk = std::max<std::size_t>(1, kChunkBytes / oldSize);
    chunk_.resize(perChunk * oldSize);
    for (std::size_t done = 0; done < count;) {
        const std::size_t n = std::min(perChunk, count - done);
        if (!readBytes(offset + done * oldSize, chunk_.data(), n * oldSize))
            return false;
        for (std::size_t i = 0; i < n; ++i)
            convert(chunk_.data() + i * oldSize, out[done + i]);
        done += n;
    }
    return true;
}

NativeFile::Reader::Outcome NativeFile::Reader::readTrack(std::uint64_t offset) {
    unsigned char head[8];
    if (room(offset) < sizeof head)
        return damaged("its track section lies outside the file");
    if (!readBytes(offset, head, sizeof head))
        return Outcome::Damaged;
    const std::uint32_t count = le32(head);
    const std::uint32_t segments = le32(head + 4);
    const std::size_t recSize = pointSize(version_);
    if (count > room(offset + 8) / recSize)
        return damaged("its track section promises " + std::to_string(count) + " points but the file holds at most " +
                       std::to_string(room(offset + 8) / recSize));
    auto track = std::make_unique<IFTGarminTrack>();
    track->points_.resize(count);
    bool ok;
    if (recSize == sizeof(TrackPoint))
        ok = readBytes(offset + 8, track->points_.data(), std::size_t{count} * sizeof(TrackPoint));
    else
        ok = readConverted(offset + 8, recSize, track->points_.data(), count, upgradePoint24);
    if (!ok)
        return Outcome::Damaged;
    track->segmentCount_ = count > 0 ? segments : 0;
    track_ = std::move(track);
    return Outcome::Read;
}

NativeFile::Reader::Outcome NativeFile::Reader::readWaypoints(std::uint64_t offset) {
    unsigned char head[4];
    if (room(offset) < sizeof head)
        return damaged("its waypoint section lies outside the file");
    if (!readBytes(offset, head, sizeof head))
        return Outcome::Damaged;
    const std::uint32_t count = le32(head);
    const std::size_t recSize = waypointSize(version_);
    if (count > room(offset + 4) / recSize)
        return damaged("its waypoint section promises " + std::to_string(count) +
                       " waypoints but the file holds at most " + std::to_string(room(offset + 4) / recSize));
    auto store = std::make_unique<IFTGarminWaypoint>();
    store->records_.resize(count);
    WaypointRecord* out = store->records_.data();
    bool ok;
    if (recSize == sizeof(WaypointRecord)) {
        ok = readBytes(offset + 4, out, std::size_t{count} * sizeof(WaypointRecord));
        if (ok)
            std::for_each(out, out + count, [](WaypointRecord& w) { terminate(w); });
    } else {
        const std::int16_t display = version_ < 4 ? data_.displayDefault() : std::int16_t{0};
        const int version = version_;
        ok = readConverted(offset + 4, recSize, out, count, [&](const unsigned char* src, WaypointRecord& w) {
            upgradeWaypoint(src, w, version, display);
        });
    }
    if (!ok)
        return Outcome::Damaged;
    waypoints_ = std::move(store);
    return Outcome::Read;
}

NativeFile::Reader::Outcome NativeFile::Reader::readRoutes(std::uint64_t offset) {
    unsigned char head[4];
    if (room(offset) < sizeof head)
        return damaged("its route section lies outside the file");
    if (!readBytes(offset, head, sizeof head))
        return Outcome::Damaged;
    const std::uint32_t count = le32(head);
    if (count > room(offset + 4) / sizeof(RouteHeader))
        return damaged("its route section promises " + std::to_string(count) + " routes but the file holds at most " +
                       std::to_string(room(offset + 4) / sizeof(RouteHeader)));
    const std::uint64_t entriesAt = offset + 4 + std::uint64_t{count} * sizeof(RouteHeader);
    const std::size_t recSize = entrySize(version_);
    std::vector<RouteHeader> headers(count);
    if (!readBytes(offset + 4, headers.data(), headers.size() * sizeof(RouteHeader)))
        return Outcome::Damaged;
    // Every entry count is checked against the file before anything is allocated for it.
    std::uint64_t entries = 0;
    for (const RouteHeader& h : headers) {
        entries += h.entryCount;
        if (entries > room(entriesAt) / recSize)
            return damaged("its routes promise more entries than the file holds");
    }
    std::vector<CRouteField::Route> list(count);
    std::uint64_t at = entriesAt;
    for (std::uint32_t i = 0; i < count; ++i) {
        CRouteField::Route& route = list[i];
        const std::string name = fieldText(headers[i].name, sizeof headers[i].name);
        route.name = name.substr(0, fitLength(name, kRouteNameSize - 1));
        const std::uint32_t n = headers[i].entryCount;
        route.entries.resize(n);
        bool ok;
        if (recSize == sizeof(RouteEntry)) {
            ok = readBytes(at, route.entries.data(), std::size_t{n} * sizeof(RouteEntry));
            if (ok)
                std::for_each(route.entries.begin(), route.entries.end(), [](RouteEntry& e) { terminate(e); });
        } else {
            const int version = version_;
            ok = readConverted(at, recSize, route.entries.data(), n,
                               [&](const unsigned char* src, RouteEntry& e) { upgradeEntry(src, e, version); });
        }
        if (!ok)
            return Outcome::Damaged;
        at += std::uint64_t{n} * recSize;
    }
    routeList_ = std::move(list);
    return Outcome::Read;
}

NativeFile::Reader::Outcome NativeFile::Reader::readAll(const std::int32_t (&offsets)[3]) {
    static const char* const kSection[3] = {"track", "waypoint", "route"};
    try {
        for (int i = 0; i < 3; ++i) {
            if (offsets[i] == 0)
                continue; // not in the file: that store stays as it is
            // Offsets are signed in the file: a negative one points before its start.
            if (offsets[i] < 0)
                return damaged(std::string("its ") + kSection[i] + " section lies outside the file");
            const auto at = static_cast<std::uint64_t>(offsets[i]);
            const Outcome outcome = i == 0 ? readTrack(at) : i == 1 ? readWaypoints(at) : readRoutes(at);
            if (outcome != Outcome::Read)
                return outcome;
        }
    } catch (const std::bad_alloc&) {
        return outOfMemory();
    }
    return Outcome::Read;
}

void NativeFile::Reader::commit(LoadResult& result) noexcept {
    data_.setTimeOffset(timeOffset_);
    if (track_) {
        data_.setTrack(std::move(track_));
        result.trackRead = true;
    }
    if (waypoints_) {
        data_.setWaypoints(std::move(waypoints_));
        result.waypointsRead = true;
    }
    if (routeList_) {
        routes_.replaceAll(std::move(*routeList_));
        result.routesRead = true;
    }
    result.read = result.trackRead || result.waypointsRead || result.routesRead ? 1 : 0;
    result.ok = true;
}

NativeFile::LoadResult NativeFile::Reader::run() {
    LoadResult result;
    size_ = src_.size();
    unsigned char header[kHeaderSize] = {};
    const std::size_t first = static_cast<std::size_t>(std::min<std::uint64_t>(size_, kVersion1HeaderSize));
    if (!src_.readAt(0, header, first)) {
        unreadable();
        return result;
    }
    if (first < sizeof kMagic || std::memcmp(header, kMagic, sizeof kMagic) != 0) {
        ShowError(prompts_, kErrNotNuvrelFile);
        return result;
    }
    if (first < kVersion1HeaderSize) {
        damaged("it ends inside its header");
        return result;
    }
    const std::int32_t version = les32(header + 16);
    if (version < 1 || version > kVersion) {
        ShowError(prompts_, kErrUnsupportedFormat);
        return result;
    }
    version_ = version;
    result.version = version;

    std::int32_t offsets[3] = {static_cast<std::int32_t>(kVersion1HeaderSize), 0, 0};
    if (version != 1) {
        if (size_ < kHeaderSize) {
            damaged("it ends inside its header");
            return result;
        }
        if (!src_.readAt(kVersion1HeaderSize, header + kVersion1HeaderSize, kHeaderSize - kVersion1HeaderSize)) {
            unreadable();
            return result;
        }
        for (int i = 0; i < 3; ++i)
            offsets[i] = les32(header + 20 + 4 * i);
    }
    // Versions 1 and 2 carry no time offset: the computer's zone gives it.
    timeOffset_ = version >= 3 ? les32(header + 104) : TimeOffsetFor(data_.context().timeZone.read());

    if (readAll(offsets) == Outcome::Read)
        commit(result);
    return result;
}

NativeFile::LoadResult NativeFile::load(ByteSource& source, const std::string& name, IFTGarminData& data,
                                        CRouteField& routes) {
    return Reader(source, name, data, routes).run();
}

NativeFile::LoadResult NativeFile::loadFromMemory(std::span<const unsigned char> bytes, const std::string& name,
                                                  IFTGarminData& data, CRouteField& routes) {
    MemoryByteSource source(bytes);
    return load(source, name, data, routes);
}

NativeFile::LoadResult NativeFile::load(const std::string& path, IFTGarminData& data, CRouteField& routes) {
    UserPrompts& prompts = data.context().prompts;
    std::string why;
    const int fd = OpenRegularFile(path, &why);
    if (fd < 0) {
        prompts.showMessage("Error", "Cannot open " + quoted(path) + ": " + why);
        return {};
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        const int err = errno;
        ::close(fd);
        prompts.showMessage("Error", "Cannot open " + quoted(path) + ": " + std::strerror(err));
        return {};
    }
    FileByteSource source(fd, static_cast<std::uint64_t>(st.st_size));
    return load(source, path, data, routes);
}

// ---------------------------------------------------------------- writing

namespace {

// Buffers the small pieces and hands large arrays to the kernel as they are.
class Writer {
public:
    explicit Writer(int fd) : fd_(fd) { buffer_.reserve(kChunkBytes); }

    bool put(const void* data, std::size_t n) {
        if (n >= kChunkBytes / 2) {
            return flush() && writeAll(static_cast<const char*>(data), n);
        }
        if (buffer_.size() + n > kChunkBytes && !flush())
            return false;
        const auto* p = static_cast<const char*>(data);
        buffer_.insert(buffer_.end(), p, p + n);
        return true;
    }
    bool put32(std::uint32_t v) { return put(&v, 4); }
    bool flush() {
        const bool ok = writeAll(buffer_.data(), buffer_.size());
        buffer_.clear();
        return ok;
    }
    int error = 0;

private:
    bool writeAll(const char* p, std::size_t n) {
        while (n > 0) {
            const ssize_t done = ::write(fd_, p, std::min<std::size_t>(n, 1u << 30));
            if (done < 0) {
                if (errno == EINTR)
                    continue;
                error = errno;
                return false;
            }
            p += done;
            n -= static_cast<std::size_t>(done);
        }
        return true;
    }
    int fd_;
    std::vector<char> buffer_;
};

} // namespace

std::uint64_t NativeFile::routeSectionSize(const CRouteField* routes) {
    std::uint64_t size = 4;
    if (routes)
        for (const auto& r : routes->routes())
            size += sizeof(RouteHeader) + sizeof(RouteEntry) * std::uint64_t{r.entries.size()};
    return size;
}

std::uint64_t NativeFile::fileSize(const IFTGarminData& data, const CRouteField* routes) {
    const std::uint64_t track = data.track() ? data.track()->fileSize() : 8;
    const std::uint64_t waypoints = data.waypoints() ? data.waypoints()->fileSize() : 4;
    return kHeaderSize + track + waypoints + routeSectionSize(routes);
}

bool NativeFile::save(const std::string& path, IFTGarminData& data, const CRouteField* routes,
                      bool sync) {
    UserPrompts& prompts = data.context().prompts;
    auto fail = [&](const std::string& why) {
        prompts.showMessage("Error", "Cannot save " + quoted(path) + ": " + why);
        return false;
    };

    const IFTGarminTrack* track = data.track();
    const IFTGarminWaypoint* waypoints = data.waypoints();
    const std::uint64_t trackSize = track ? track->fileSize() : 8;
    const std::uint64_t waypointSize = waypoints ? waypoints->fileSize() : 4;
    const std::uint64_t waypointOffset = kHeaderSize + trackSize;
    const std::uint64_t routeOffset = waypointOffset + waypointSize;
    if (routeOffset > static_cast<std::uint64_t>(std::numeric_limits<std::int32_t>::max()))
        return fail("the data is too large for the file format (sections beyond 2 GB)");

    SafeSave file(path);
    if (file.takesOwnership() && !prompts.askYesNo("Confirm", TakesOwnershipQuestion(path)))
        return false;
    if (!file.open())
        return fail(file.error());
    const int fd = file.fd();

    Writer w(fd);
    unsigned char header[kHeaderSize] = {};
    std::memcpy(header, kMagic, sizeof kMagic);
    const std::int32_t fields[4] = {kVersion, static_cast<std::int32_t>(kHeaderSize),
                                    static_cast<std::int32_t>(waypointOffset), static_cast<std::int32_t>(routeOffset)};
    std::memcpy(header + 16, fields, sizeof fields);
    const std::int32_t timeOffset = data.timeOffset();
    std::memcpy(header + 104, &timeOffset, 4);
    bool ok = w.put(header, sizeof header);

    // Track section.
    const std::uint32_t pointCount = track ? track->count() : 0;
    ok = ok && w.put32(pointCount) && w.put32(pointCount > 0 ? track->segmentCount() : 0);
    if (pointCount > 0)
        ok = ok && w.put(track->points().data(), track->points().size_bytes());
    // Waypoint section.
    const std::uint32_t waypointCount = waypoints ? waypoints->count() : 0;
    ok = ok && w.put32(waypointCount);
    if (waypointCount > 0)
        ok = ok && w.put(waypoints->records().data(), waypoints->records().size_bytes());
    // Route section: always present, so its offset points at a readable count.
    const std::uint32_t routeCount = routes ? routes->RouteCount() : 0;
    ok = ok && w.put32(routeCount);
    if (routeCount > 0) {
        for (const auto& r : routes->routes()) {
            RouteHeader h;
            std::memset(&h, 0, sizeof h);
            h.entryCount = static_cast<std::uint32_t>(r.entries.size());
            copyToField(h.name, sizeof h.name, r.name);
            ok = ok && w.put(&h, sizeof h);
        }
        for (const auto& r : routes->routes())
            if (!r.entries.empty())
                ok = ok && w.put(r.entries.data(), r.entries.size() * sizeof(RouteEntry));
    }
    ok = ok && w.flush();
    if (!ok)
        return fail(std::strerror(w.error ? w.error : EIO));
    if (!file.commit(sync))
        return fail(file.error());
    if (IFTGarminTrack* t = data.track())
        t->setModified(0);
    if (IFTGarminWaypoint* wp = data.waypoints())
        wp->setModified(0);
    return true;
}

} // namespace nuvrel

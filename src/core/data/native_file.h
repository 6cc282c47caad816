// The program's own data file (".nvl"): the track log, the waypoint store and
// the routes in one binary file. Version 5 is written; versions 1 to 5 are
// read, older records being upgraded as they are read.
#pragma once

#include "core/data/ift_garmin_data.h"
#include "core/data/route_store.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace nuvrel {

// Random access to the bytes of a data file: a file on disk, or bytes held in
// memory (tests, fuzzing).
class ByteSource {
public:
    virtual ~ByteSource() = default;
    virtual std::uint64_t size() const = 0;
    // Reads exactly n bytes at offset (inside size()) into dst; false with a
    // reason in `error` when the bytes cannot be had.
    virtual bool readAt(std::uint64_t offset, void* dst, std::size_t n) = 0;
    std::string error;
};

class MemoryByteSource final : public ByteSource {
public:
    explicit MemoryByteSource(std::span<const unsigned char> bytes) : bytes_(bytes) {}
    std::uint64_t size() const override { return bytes_.size(); }
    bool readAt(std::uint64_t offset, void* dst, std::size_t n) override;

private:
    std::span<const unsigned char> bytes_;
};

class NativeFile {
public:
    static constexpr std::int32_t kVersion = 5;
    static constexpr std::uint32_t kHeaderSize = 108;
    static constexpr std::uint32_t kVersion1HeaderSize = 20;

    struct LoadResult {
        int read = 0;        // 1 when the whole file was read and held at least one section
        int version = 0;     // the file's version; 0 when refused before it was known
        bool ok = false;     // false when the file was refused, a section was damaged or memory ran out
        // The stores that the file replaced (its sections with an offset).
        bool trackRead = false;
        bool waypointsRead = false;
        bool routesRead = false;
    };

    // Writes version 5 into a temporary file beside path and renames it over
    // path once everything is written; clears `modified` of both stores.
    // sync flushes the file to the disk before it replaces the old one (off
    // only for measurements from and to the page cache).
    // On failure reports through the data set's prompts, removes the
    // temporary file, leaves any old file untouched and returns false.
    static bool save(const std::string& path, IFTGarminData& data, const CRouteField* routes,
                     bool sync = true);

    // Reads a file of version 1 to 5 into the data set and the route store.
    // Every section is read apart first; the stores and the time offset are
    // replaced only once the whole file has been read. Any failure is
    // reported and changes nothing, the stores' `modified` flags included:
    // wrong magic (error 7), version outside 1..5 (error 10), a damaged file
    // (cut short, counts larger than the file, offsets outside it), a read
    // error, or too little memory (error 6).
    static LoadResult load(const std::string& path, IFTGarminData& data, CRouteField& routes);
    static LoadResult load(ByteSource& source, const std::string& name, IFTGarminData& data, CRouteField& routes);
    static LoadResult loadFromMemory(std::span<const unsigned char> bytes, const std::string& name,
                                     IFTGarminData& data, CRouteField& routes);

    // The size in bytes of the file that save would write.
    static std::uint64_t fileSize(const IFTGarminData& data, const CRouteField* routes);
    static std::uint64_t routeSectionSize(const CRouteField* routes);

private:
    class Reader;
};

} // namespace nuvrel

#include "core/formats/igc_import.h"

#include "core/formats/igc_reader.h"

#include <algorithm>
#include <memory>
#include <new>

namespace nuvrel {

namespace {

std::string fileName(const std::string& path) {
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

} // namespace

IgcImport ImportIgc(IFTGarminData& data, std::span<const std::string> paths, const std::string& datumName) {
    IgcImport result;
    auto refuse = [&](const std::string& error) {
        result = IgcImport{};
        result.error = error;
        data.context().prompts.showMessage("Error", error);
        return result;
    };
    struct Read {
        std::string path;
        IgcRead read;
    };
    std::vector<Read> reads;
    try {
        for (const std::string& path : paths) {
            IgcRead read = readIgcFile(path, datumName);
            if (!read.error.empty())
                return refuse(read.error.rfind("cannot ", 0) == 0 ? read.error : path + ": " + read.error);
            reads.push_back(Read{path, std::move(read)});
        }
        if (reads.empty())
            return result;
        std::stable_sort(reads.begin(), reads.end(),
                         [](const Read& a, const Read& b) { return a.read.firstTime < b.read.firstTime; });
        std::vector<TrackPoint> points;
        std::size_t total = 0;
        for (const Read& r : reads)
            total += r.read.points.size();
        points.reserve(total);
        int offset = 0; // segments of the files before
        for (const Read& r : reads) {
            const int first = r.read.points.front().segment;
            for (TrackPoint p : r.read.points) {
                p.segment = std::int16_t(std::min(32767, offset + p.segment - first + 1));
                points.push_back(p);
            }
            offset = points.back().segment;
            const std::string prefix = reads.size() > 1 ? fileName(r.path) + ": " : "";
            result.notes.push_back(prefix + std::to_string(r.read.points.size()) + " fixes");
            for (const std::string& note : r.read.notes())
                result.notes.push_back(prefix + note);
        }
        result.points = points.size();
        result.segments = std::size_t(offset);
        data.setTrack(std::make_unique<IFTGarminTrack>(std::move(points)));
        data.resetTimeOffset();
    } catch (const std::bad_alloc&) {
        return refuse("out of memory");
    }
    return result;
}

} // namespace nuvrel

// Feeds arbitrary bytes to the native data file reader, then walks what it
// built the way the program's windows would.
#include "core/data/native_file.h"

#include <cstddef>
#include <cstdint>

namespace {

using namespace nuvrel;

class SilentPrompts final : public UserPrompts {
public:
    void showError(int, const std::string&) override {}
    bool askYesNo(const std::string&, const std::string&) override { return false; }
    void showMessage(const std::string&, const std::string&) override {}
    void beep() override {}
};

class UtcZone final : public TimeZoneSource {
public:
    ZoneInfo read() override { return {}; }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
    SilentPrompts prompts;
    UtcZone zone;
    IFTGarminData data{DataContext{prompts, zone, [] { return std::int16_t{3}; }}};
    CRouteField routes(1);
    NativeFile::loadFromMemory({bytes, size}, "fuzz.nvl", data, routes);

    double top, bottom, left, right;
    data.DataExtent(top, bottom, left, right);
    if (const IFTGarminTrack* t = data.track()) {
        int first, last;
        t->segmentRange(t->count() ? t->segment(t->count() - 1) : 1, first, last);
        for (std::size_t i = 0; i < t->count() && i < 64; ++i)
            (void)t->unixTime(i);
    }
    if (const IFTGarminWaypoint* w = data.waypoints())
        for (std::size_t i = 0; i < w->count() && i < 64; ++i)
            (void)(w->ident(i).size() + w->comment(i).size());
    std::size_t total = 0;
    for (std::uint32_t r = 0; r < routes.RouteCount(); ++r) {
        total += routes.GetRouteName(r).size();
        for (std::uint32_t e = 0; e < routes.EntryCount(r) && e < 64; ++e)
            total += routes.GetEntryIdent(r, e).size() + routes.GetEntryComment(r, e).size();
    }
    return total == static_cast<std::size_t>(-1);
}

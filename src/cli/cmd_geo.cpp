// datums, datum-convert and angle: the geodesy from the command line.
#include "cli/cli.h"

#include "core/ift_option.h"
#include "core/geo/angle_text.h"
#include "core/geo/map_datum.h"

#include <cstdio>
#include <cstring>
#include <ostream>
#include <strings.h>

namespace nuvrel::cli {

namespace {

std::string printf1(const char* format, double v) {
    char buf[64];
    std::snprintf(buf, sizeof buf, format, v);
    // No "-0.000": a value that rounds to zero shows without a sign.
    if (buf[0] == '-' && std::strspn(buf + 1, "0.") == std::strlen(buf + 1))
        return buf + 1;
    return buf;
}

} // namespace

int runDatums(Context& ctx) {
    ctx.rejectUnknownOptions();
    if (!ctx.args.empty())
        throw UsageError{"takes no arguments"};
    const MapDatum table("WGS 84");
    ctx.out << "index\tname\tellipsoid\tda\tdf*10000\tdx\tdy\tdz\n";
    for (int i = 0; i < table.count(); ++i) {
        const DatumRow r = table.row(i);
        ctx.out << i << '\t' << r.name << '\t' << r.ellipsoid << '\t' << printf1("%.10g", r.da) << '\t'
                << printf1("%.10g", r.df * 10000.0) << '\t' << printf1("%.10g", r.dx) << '\t'
                << printf1("%.10g", r.dy) << '\t' << printf1("%.10g", r.dz) << '\n';
    }
    return 0;
}

int runDatumConvert(Context& ctx) {
    std::string name = ctx.takeOption("--datum");
    const bool toWgs84 = ctx.takeFlag("--to-wgs84");
    ctx.rejectUnknownOptions();
    if (ctx.args.size() < 2 || ctx.args.size() > 3)
        throw UsageError{"needs LAT LON [HEIGHT]"};
    if (name.empty()) {
        IFTOption options(ctx.settings);
        name = options.DatumName();
    }
    const MapDatum datum(name);
    if (datum.name() != name)
        ctx.err << "unknown datum \"" << name << "\": using " << datum.name() << '\n';
    const double lat = parseAngle(ctx.args[0]);
    const double lon = parseAngle(ctx.args[1]);
    const double height = ctx.args.size() > 2 ? parseAngle(ctx.args[2]) : 0.0;
    double outLat, outLon, outHeight;
    if (toWgs84)
        datum.toWgs84(lat, lon, height, outLat, outLon, outHeight);
    else
        datum.toLocal(lat, lon, height, outLat, outLon, outHeight);
    ctx.out << (toWgs84 ? datum.name() + " -> WGS 84" : "WGS 84 -> " + datum.name()) << '\n'
            << printf1("%.8f", outLat) << ' ' << printf1("%.8f", outLon) << ' ' << printf1("%.3f", outHeight)
            << '\n';
    return 0;
}

int runAngle(Context& ctx) {
    ctx.rejectUnknownOptions();
    if (ctx.args.size() != 2)
        throw UsageError{"needs LAT|LON VALUE"};
    AngleAxis axis;
    if (strcasecmp(ctx.args[0].c_str(), "lat") == 0)
        axis = AngleAxis::Latitude;
    else if (strcasecmp(ctx.args[0].c_str(), "lon") == 0)
        axis = AngleAxis::Longitude;
    else
        throw UsageError{"first argument must be LAT or LON"};
    const double value = parseAngle(ctx.args[1]);
    const double x = roundMicro(value);
    ctx.out << "parsed      " << printf1("%.9f", value) << '\n';
    const std::pair<const char*, std::string> forms[] = {
        {"dms", formatDMS(x)},
        {"hemisphere", formatHemisphere(x, axis)},
        {"proatlas", formatProAtlas(x)},
        {"dm", formatDM(x)},
    };
    for (const auto& [label, text] : forms) {
        char line[128];
        std::snprintf(line, sizeof line, "%-11s %-15s -> %.9f", label, text.c_str(), parseAngle(text));
        ctx.out << line << '\n';
    }
    return 0;
}

} // namespace nuvrel::cli

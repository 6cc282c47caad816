#include "core/formats/format_export.h"

#include "core/formats/pcx5_format.h"
#include "core/formats/plain_text_format.h"
#include "core/formats/pot_format.h"
#include "core/formats/pro_atlas_format.h"

namespace nuvrel {

namespace {

PointRange igcRange(const ExportSource& source, const ExportSettings& settings) {
    return igcPointRange(*source.data->track(), settings.igcSpan, settings.igcNumber, settings.igcFlight);
}

bool hasSource(const ExportSource& source, DataKind kind, const FormatDescriptor& format,
               const ExportSettings& settings) {
    switch (kind) {
    case DataKind::Track:
        if (source.data && source.data->track() && format.id == FormatId::Igc)
            return !igcRange(source, settings).empty();
        return source.data && source.data->track();
    case DataKind::Waypoints:
        return source.data && source.data->waypoints();
    case DataKind::Routes:
        return source.routes != nullptr;
    }
    return false;
}

GpxSettings gpxSettings(const ExportSettings& settings) {
    GpxSettings gpx;
    gpx.datumName = settings.datum.name;
    gpx.productId = settings.productId;
    gpx.softwareVersion = settings.softwareVersion;
    gpx.codePage = activeCodePage();
    return gpx;
}

// What the source has of the kinds asked for.
GpxSource gpxSource(const ExportSource& source, GpxKinds kinds) {
    GpxSource gpx;
    if (kinds.track && source.data && source.data->track())
        gpx.track = source.data->track()->points();
    if (kinds.waypoints && source.data && source.data->waypoints())
        gpx.waypoints = source.data->waypoints()->records();
    if (kinds.routes && source.routes)
        gpx.routes = source.routes->routes();
    return gpx;
}

GpxKinds onlyKind(DataKind kind) {
    return GpxKinds{kind == DataKind::Track, kind == DataKind::Waypoints, kind == DataKind::Routes};
}

} // namespace

ExportResult exportTo(TextSink& out, const FormatDescriptor& format, DataKind kind, const ExportSource& source,
                      const ExportSettings& settings) {
    if (!format.writes(kind))
        return ExportResult::NotSupported;
    if (!hasSource(source, kind, format, settings))
        return ExportResult::NothingToWrite;
    const FormatId id = format.id;
    if (id == FormatId::Gpx) {
        writeGpx(out, gpxSource(source, onlyKind(kind)), gpxSettings(settings));
        return ExportResult::Written;
    }
    if (kind == DataKind::Track) {
        const auto points = source.data->track()->points();
        const std::int32_t offset = source.data->timeOffset();
        switch (id) {
        case FormatId::Text:
            writeTextTrack(out, points, offset, settings.dms);
            break;
        case FormatId::Pot:
            writePotTrack(out, points, settings.datum);
            break;
        case FormatId::ProAtlas:
            writeProAtlasTrack(out, points);
            break;
        case FormatId::Pcx5:
            PCX5(settings.datum, settings.now).writeTrack(out, points, offset);
            break;
        case FormatId::Igc: {
            const PointRange r = igcRange(source, settings);
            const IgcWritten w =
                IgcWriter(settings.datum.name).write(out, points.subspan(r.first, r.end - r.first), settings.igc);
            if (settings.igcWritten)
                *settings.igcWritten = w;
            break;
        }
        case FormatId::Kml: {
            const IFTGarminWaypoint* waypoints = source.data->waypoints();
            KmlWriter(settings.datum.name, settings.kml)
                .write(out, points, waypoints ? waypoints->records() : std::span<const WaypointRecord>{});
            break;
        }
        case FormatId::Nmea:
        case FormatId::Gpx:
            return ExportResult::NotSupported;
        }
    } else if (kind == DataKind::Waypoints) {
        const auto waypoints = source.data->waypoints()->records();
        switch (id) {
        case FormatId::Text:
            writeTextWaypoints(out, waypoints, settings.dms);
            break;
        case FormatId::Pot:
            writePotWaypoints(out, waypoints, settings.datum);
            break;
        case FormatId::ProAtlas:
            writeProAtlasWaypoints(out, waypoints);
            break;
        case FormatId::Pcx5:
            PCX5(settings.datum, settings.now).writeWaypoints(out, waypoints);
            break;
        case FormatId::Kml:
            KmlWriter(settings.datum.name, settings.kml).write(out, {}, waypoints);
            break;
        case FormatId::Nmea:
        case FormatId::Gpx:
        case FormatId::Igc:
            return ExportResult::NotSupported;
        }
    } else {
        const auto routes = source.routes->routes();
        switch (id) {
        case FormatId::Pot:
            writePotRoutes(out, routes, settings.datum);
            break;
        case FormatId::Pcx5:
            PCX5(settings.datum, settings.now).writeRoutes(out, routes);
            break;
        default:
            return ExportResult::NotSupported;
        }
    }
    return ExportResult::Written;
}

ExportResult exportFile(const std::string& path, const FormatDescriptor& format, DataKind kind,
                        const ExportSource& source, const ExportSettings& settings) {
    if (!format.writes(kind))
        return ExportResult::NotSupported;
    if (!hasSource(source, kind, format, settings))
        return ExportResult::NothingToWrite;
    TextSink out(path);
    if (!out.isOpen())
        return ExportResult::CantCreate;
    // Only a complete export replaces the file (an unfinished sink leaves
    // no trace).
    const ExportResult r = exportTo(out, format, kind, source, settings);
    if (r == ExportResult::Written && !out.finish())
        return ExportResult::CantCreate;
    return r;
}

ExportResult exportGpxFile(const std::string& path, GpxKinds kinds, const ExportSource& source,
                           const ExportSettings& settings) {
    const GpxSource gpx = gpxSource(source, kinds);
    bool routes = false;
    for (const CRouteField::Route& r : gpx.routes)
        routes = routes || !r.entries.empty();
    if (gpx.track.empty() && gpx.waypoints.empty() && !routes)
        return ExportResult::NothingToWrite;
    TextSink out(path);
    if (!out.isOpen())
        return ExportResult::CantCreate;
    writeGpx(out, gpx, gpxSettings(settings));
    return out.finish() ? ExportResult::Written : ExportResult::CantCreate;
}

} // namespace nuvrel

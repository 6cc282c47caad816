#include "core/formats/format_export.h"

#include "core/formats/pcx5_format.h"
#include "core/formats/plain_text_format.h"
#include "core/formats/pot_format.h"
#include "core/formats/pro_atlas_format.h"

namespace nuvrel {

namespace {

bool hasSource(const ExportSource& source, DataKind kind) {
    switch (kind) {
    case DataKind::Track:
        return source.data && source.data->track();
    case DataKind::Waypoints:
        return source.data && source.data->waypoints();
    case DataKind::Routes:
        return source.routes != nullptr;
    }
    return false;
}

} // namespace

ExportResult exportTo(TextSink& out, const FormatDescriptor& format, DataKind kind, const ExportSource& source,
                      const ExportSettings& settings) {
    if (!format.writes(kind))
        return ExportResult::NotSupported;
    if (!hasSource(source, kind))
        return ExportResult::NothingToWrite;
    const FormatId id = format.id;
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
        case FormatId::Nmea:
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
        case FormatId::Nmea:
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
    if (!hasSource(source, kind))
        return ExportResult::NothingToWrite;
    TextSink out(path);
    if (!out.isOpen())
        return ExportResult::CantCreate;
    const ExportResult r = exportTo(out, format, kind, source, settings);
    if (!out.finish())
        return ExportResult::CantCreate;
    return r;
}

} // namespace nuvrel

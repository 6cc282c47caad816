#include "core/formats/format_registry.h"

namespace nuvrel {

const FormatDescriptor* findFormat(std::string_view name) {
    for (const FormatDescriptor& f : kFormats)
        if (f.name == name)
            return &f;
    return nullptr;
}

std::string_view dataKindName(DataKind kind) {
    switch (kind) {
    case DataKind::Track:
        return "track";
    case DataKind::Waypoints:
        return "waypoints";
    case DataKind::Routes:
        return "routes";
    }
    return "";
}

} // namespace nuvrel

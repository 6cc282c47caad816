// settings: shows the preferences, and sets them as Option > Preference does
// (port, receiver model typed or detected, track pen, playback marker, map at
// start, text coordinate form), the map datum, the pilot and glider of flight
// logs, and the code page. Written to the settings file at once.
#include "cli/cli.h"

#include "core/app/gps_commands.h"
#include "core/ift_option.h"
#include "core/app/preference_values.h"
#include "core/codepage.h"
#include "core/errors.h"
#include "core/gps/gps_model.h"

#include "core/gps/product_request.h"
#include "core/gps/serial_device_list.h"
#include "core/gps/serial_ports.h"
#include "core/geo/map_datum.h"

#include <algorithm>
#include <cstdio>
#include <optional>
#include <strings.h>
#include <ostream>
#include <utility>

namespace nuvrel::cli {

namespace {

const std::string kAbsent = "\x01";

bool yesNo(const std::string& option, const std::string& value) {
    if (value == "yes" || value == "on" || value == "1")
        return true;
    if (value == "no" || value == "off" || value == "0")
        return false;
    throw UsageError{option + " wants yes or no"};
}

// "#RRGGBB" or "RRGGBB" as a 0x00BBGGRR settings colour.
std::int32_t penColor(std::string text) {
    if (!text.empty() && text[0] == '#')
        text.erase(0, 1);
    if (text.size() != 6 || text.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos)
        throw UsageError{"--pen-color wants RRGGBB in hexadecimal, e.g. FF0000 for red"};
    const unsigned long rgb = std::stoul(text, nullptr, 16);
    return ColorRefFromRgb(int(rgb >> 16 & 0xff), int(rgb >> 8 & 0xff), int(rgb & 0xff));
}

std::string colorText(std::int32_t color) {
    int r = 0, g = 0, b = 0;
    RgbFromColorRef(color, r, g, b);
    char text[8];
    std::snprintf(text, sizeof text, "#%02X%02X%02X", r, g, b);
    return text;
}

void print(std::ostream& out, const IFTOption& o, const SerialPorts& ports) {
    out << "GPSModel: " << o.GPSModel() << '\n'
        << "GPSModelID: " << o.GPSModelID() << '\n'
        << "GPSCharSet: " << o.GPSCharSet() << '\n'
        << "GPSSoftwareVersion: " << o.GPSSoftwareVersion() << '\n'
        << "CommPort: " << o.CommPort() << " (" << PortName(o.CommPort()) << ' ' << ports.DevicePath(o.CommPort())
        << ")\n"
        << "PenColor: " << o.PenColor() << " (" << colorText(o.PenColor()) << ")\n"
        << "PenWidth: " << o.PenWidth() << '\n'
        << "TraceMark: " << o.TraceMark() << '\n'
        << "DatumName: " << o.DatumName() << '\n'
        << "MapLoadWithStart: " << o.MapLoadWithStart() << '\n'
        << "TextCoordinateFormat: " << o.TextCoordinateFormat() << '\n'
        << "MapScale: " << o.MapScale() << '\n'
        << "MapWidth: " << o.MapWidth() << '\n'
        << "MapHeight: " << o.MapHeight() << '\n'
        << "PilotName: " << o.PilotName() << '\n'
        << "GliderType: " << o.GliderType() << '\n'
        << "GliderID: " << o.GliderID() << '\n';
    const std::string page = codePageSetting(o.store());
    out << "CodePage: " << (page.empty() ? "auto" : page) << " (" << codePageName(chooseCodePage(o.store()))
        << ")\n";
}

// Each port with the device it reaches now, then the devices present, as the
// preferences dialog shows them.
void listPorts(std::ostream& out, const SerialPorts& ports) {
    auto device = [&](const std::string& path) {
        const std::string problem = DeviceProblem(path);
        return path + (problem.empty() ? "" : " (" + problem + ")");
    };
    for (int port = kFirstPort; port <= kLastPort; ++port)
        out << PortName(port) << ": " << device(ports.DevicePath(port)) << '\n';
    out << "Serial devices present:\n";
    const std::vector<std::string> present = ports.PresentDevices();
    for (const std::string& path : present)
        out << "  " << device(path) << '\n';
    if (present.empty())
        out << "  none\n";
}

} // namespace

int runSettings(Context& ctx) {
    IFTOption option(ctx.settings);
    const std::string port = ctx.takeOption("--port", kAbsent);
    const std::string model = ctx.takeOption("--model", kAbsent);
    const std::string color = ctx.takeOption("--pen-color", kAbsent);
    const std::string width = ctx.takeOption("--pen-width", kAbsent);
    const std::string mark = ctx.takeOption("--trace-mark", kAbsent);
    const std::string mapAtStart = ctx.takeOption("--map-at-start", kAbsent);
    const std::string dms = ctx.takeOption("--dms", kAbsent);
    const std::string pilot = ctx.takeOption("--pilot", kAbsent);
    const std::string glider = ctx.takeOption("--glider", kAbsent);
    const std::string gliderId = ctx.takeOption("--glider-id", kAbsent);
    const std::string codePage = ctx.takeOption("--code-page", kAbsent);
    const std::string mapPort = ctx.takeOption("--map-port", kAbsent);
    const std::string datum = ctx.takeOption("--datum", kAbsent);
    const bool detect = ctx.takeFlag("--detect");
    const bool listPortsOnly = ctx.takeFlag("--list-ports");
    ctx.rejectUnknownOptions();
    if (!ctx.args.empty())
        throw UsageError{"unexpected argument " + ctx.args.front()};
    if (listPortsOnly) {
        listPorts(ctx.out, SerialPorts::System(&ctx.settings));
        return 0;
    }

    // Everything is checked before anything is stored.
    std::optional<int> newPort;
    if (port != kAbsent && !(newPort = ParseCommPort(port)))
        throw UsageError{"--port wants COM1 to COM8 (or 1 to 8)"};
    std::optional<std::int32_t> newColor;
    if (color != kAbsent)
        newColor = penColor(color);
    std::optional<std::int32_t> newWidth;
    if (width != kAbsent) {
        newWidth = ParseInteger(width);
        if (!newWidth || *newWidth < 1 || *newWidth > kMaxPenWidth)
            throw UsageError{"--pen-width wants a number from 1 to " + std::to_string(kMaxPenWidth)};
    }
    const auto& marks = TraceMarkNames();
    if (mark != kAbsent && std::find(marks.begin(), marks.end(), mark) == marks.end())
        throw UsageError{"--trace-mark wants HANGGLIDER, KAYAK, CAR, BICYCLE or FOOT"};
    std::optional<bool> newMapAtStart, newDms;
    if (mapAtStart != kAbsent)
        newMapAtStart = yesNo("--map-at-start", mapAtStart);
    if (dms != kAbsent)
        newDms = yesNo("--dms", dms);
    if (detect && model != kAbsent)
        throw UsageError{"--model and --detect exclude each other"};
    // "COM2=/dev/ttyUSB0", or "COM2=auto" for the default device.
    std::optional<std::pair<int, std::string>> newMapping;
    if (mapPort != kAbsent) {
        const auto equals = mapPort.find('=');
        const auto mapped = equals == std::string::npos ? std::nullopt : ParseCommPort(mapPort.substr(0, equals));
        std::string device = equals == std::string::npos ? std::string() : mapPort.substr(equals + 1);
        if (device == "auto")
            device.clear();
        if (!mapped || (!device.empty() && device.front() != '/'))
            throw UsageError{"--map-port wants COMn=DEVICE (an absolute path) or COMn=auto"};
        newMapping.emplace(*mapped, device);
    }
    // A datum of the table, named as "nuvrel-cli datums" lists it (any case).
    std::optional<std::string> newDatum;
    if (datum != kAbsent) {
        const MapDatum table("WGS 84");
        for (const DatumRow& row : table.rows())
            if (strcasecmp(row.name.c_str(), datum.c_str()) == 0)
                newDatum = row.name;
        if (!newDatum)
            throw UsageError{"unknown datum \"" + datum + "\" (nuvrel-cli datums lists the names)"};
    }
    std::optional<std::string> newCodePage;
    if (codePage == "auto") {
        newCodePage = "";
    } else if (CodePage page; codePage != kAbsent) {
        if (!parseCodePageName(codePage, page))
            throw UsageError{"--code-page wants auto, CP932 or UTF-8"};
        newCodePage = codePageName(page);
    }

    if (newPort)
        option.SetCommPort(*newPort);
    if (newMapping && !MapPortDevice(ctx.settings, newMapping->first, newMapping->second)) {
        ctx.err << "the settings could not be written\n";
        return 1;
    }
    const SerialPorts ports = SerialPorts::System(&ctx.settings);
    if (detect) {
        const ProductData product = RequestProductData(ports, option.CommPort());
        if (!product.ok) {
            ShowNoResponse(ctx.prompts, ports, option.CommPort());
            return 1;
        }
        StoreDetectedModel(option, product);
        ctx.out << "detected: " << product.productId << ' ' << product.description << '\n';
    }
    if (model != kAbsent) {
        const GPSModel table;
        const std::int32_t id = table.IdForModelName(model);
        option.SetGPSModel(model);
        option.SetGPSModelID(id);
        option.SetGPSCharSet(table.CharSetForId(id));
        if (model != "Others" && table.ModelNameForId(id) != model && id == GPSModel::kDefaultId)
            ctx.err << "note: \"" << model << "\" is not in the model table; it is handled as ID 59\n";
    }
    if (newColor)
        option.SetPenColor(*newColor);
    if (newWidth)
        option.SetPenWidth(*newWidth);
    if (mark != kAbsent)
        option.SetTraceMark(mark);
    if (newMapAtStart)
        option.SetMapLoadWithStart(*newMapAtStart ? 1 : 0);
    if (newDms)
        option.SetTextCoordinateFormat(*newDms ? 3 : 1);
    if (pilot != kAbsent)
        option.SetPilotName(pilot);
    if (glider != kAbsent)
        option.SetGliderType(glider);
    if (gliderId != kAbsent)
        option.SetGliderID(gliderId);
    if (newDatum)
        option.SetDatumName(*newDatum);

    const bool changed = newPort || detect || model != kAbsent || newColor || newWidth || mark != kAbsent ||
                         newMapAtStart || newDms || pilot != kAbsent || glider != kAbsent || gliderId != kAbsent ||
                         newDatum;
    if ((changed && !option.save()) || (newCodePage && !setCodePageSetting(ctx.settings, *newCodePage))) {
        ctx.err << "the settings could not be written\n";
        return 1;
    }
    print(ctx.out, option, ports);
    if (newMapping) {
        const int mapped = newMapping->first;
        const std::string path = ports.DevicePath(mapped);
        const std::string problem = DeviceProblem(path);
        ctx.out << PortName(mapped) << ": " << path << (problem.empty() ? "" : " (" + problem + ")") << '\n';
        if (ports.environment && ports.environment("NUVREL_" + PortName(mapped)).value_or("") != "")
            ctx.err << "note: NUVREL_" << PortName(mapped) << " is set and leads " << PortName(mapped)
                    << " elsewhere while it is\n";
    }
    return 0;
}

} // namespace nuvrel::cli

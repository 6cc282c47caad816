// identify: asks the receiver on a port who it is.
#include "cli/cli.h"

#include "core/app/gps_commands.h"
#include "core/ift_option.h"
#include "core/errors.h"
#include "core/gps/gps_model.h"
#include "core/gps/product_request.h"
#include "core/gps/serial_ports.h"

#include <ostream>

namespace nuvrel::cli {

int parsePort(const std::string& text) {
    int port = 0;
    try {
        std::size_t used = 0;
        port = std::stoi(text, &used);
        if (used != text.size())
            throw UsageError{"--port wants a number from 1 to 8"};
    } catch (const std::logic_error&) {
        throw UsageError{"--port wants a number from 1 to 8"};
    }
    if (port < kFirstPort || port > kLastPort)
        throw UsageError{"--port wants a number from 1 to 8"};
    return port;
}

int runIdentify(Context& ctx) {
    IFTOption option(ctx.settings);
    const std::string portText = ctx.takeOption("--port");
    ctx.rejectUnknownOptions();
    if (!ctx.args.empty())
        throw UsageError{"unexpected argument " + ctx.args.front()};
    // A stored port outside 1 to 8 is asked as it is: no receiver answers.
    const int port = portText.empty() ? option.CommPort() : parsePort(portText);

    const SerialPorts ports = SerialPorts::System(&ctx.settings);
    const ProductData p = RequestProductData(ports, port);
    if (!p.ok) {
        ShowNoResponse(ctx.prompts, ports, port);
        return 1;
    }
    const GPSModel table;
    ctx.out << "port: " << PortName(port) << " (" << ports.DevicePath(port) << ")\n"
            << "product ID: " << p.productId << '\n'
            << "software version: " << p.softwareVersion << '\n'
            << "description: " << p.description << '\n'
            << "model: " << table.ModelNameForId(p.productId) << '\n'
            << "character set: " << table.CharSetForId(p.productId) << '\n'
            << "waypoint format: " << WaypointFormatName(GPSModel::WaypointFormatFor(p.productId, p.softwareVersion))
            << '\n'
            << "new formats: " << (GPSModel::UsesNewFormats(p.productId) ? "yes" : "no") << '\n';
    if (!p.protocols.empty()) {
        ctx.out << "protocols:";
        for (const auto& tag : p.protocols)
            ctx.out << ' ' << tag;
        ctx.out << '\n';
    }
    return 0;
}

} // namespace nuvrel::cli

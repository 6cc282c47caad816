// render: the map window's picture of a data file, written as a bitmap.
#include "cli/cli.h"

#include "core/app/ift_option.h"
#include "core/data/ift_garmin_data.h"
#include "core/data/route_store.h"
#include "core/map/fitted_view.h"
#include "render/map_canvas.h"

#include <QFile>
#include <QGuiApplication>

#include <cstdlib>
#include <ostream>
#include <regex>

namespace nuvrel::cli {

int runRender(Context& ctx) {
    const std::string output = ctx.takeOption("-o");
    const std::string map = ctx.takeOption("--map");
    const std::string zoomText = ctx.takeOption("--zoom", "0");
    const std::string fit = ctx.takeOption("--fit");
    const bool keepAspect = !ctx.takeFlag("--no-keep-aspect");
    const bool waypoints = !ctx.takeFlag("--no-waypoints");
    ctx.rejectUnknownOptions();
    if (ctx.args.size() != 1)
        throw UsageError{"expects one data file"};
    if (output.empty())
        throw UsageError{"needs -o OUT.bmp"};
    if (map.empty() == fit.empty())
        throw UsageError{"needs either --map MAP or --fit WIDTHxHEIGHT"};
    int zoom = 0;
    try {
        std::size_t used = 0;
        zoom = std::stoi(zoomText, &used);
        if (used != zoomText.size())
            throw std::invalid_argument(zoomText);
    } catch (const std::exception&) {
        throw UsageError{"--zoom needs a whole number"};
    }
    int width = 0, height = 0;
    if (!fit.empty()) {
        std::smatch m;
        if (!std::regex_match(fit, m, std::regex("([0-9]{1,5})x([0-9]{1,5})")) ||
            (width = std::stoi(m[1])) < 1 || (height = std::stoi(m[2])) < 1)
            throw UsageError{"--fit needs WIDTHxHEIGHT, for example 800x600"};
    }

    // Text needs a GUI application object; no screen is needed.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    int argc = 1;
    char name[] = "nuvrel-cli";
    char* argv[] = {name, nullptr};
    QGuiApplication app(argc, argv);

    IFTGarminData data(DataContext{ctx.prompts, ctx.timeZone});
    CRouteField routes;
    if (!data.load(ctx.args[0], routes))
        return 1;
    IFTOption option(ctx.settings);
    render::MapCanvas canvas(data, routes, option, ctx.prompts);

    if (!map.empty()) {
        canvas.param().mapFileName = map;
        if (!canvas.LoadMap())
            return 1;
        for (int i = 0; i != zoom; i += zoom > 0 ? 1 : -1) {
            if (const std::string why = canvas.Zoom(zoom > 0); !why.empty()) {
                ctx.err << "zoom step " << (i + (zoom > 0 ? 1 : -1)) << " refused: " << why << '\n';
                return 1;
            }
        }
    } else {
        canvas.FillBackground(width, height);
        FittedDistances d;
        if (canvas.FitViewToData(width, height, keepAspect, d))
            ctx.out << "width " << DistanceLabel(d.horizontalKm) << ", height " << DistanceLabel(d.verticalKm)
                    << '\n';
        else
            ctx.err << "nothing to fit: the picture is blank\n";
    }
    canvas.RedrawAll(waypoints);
    const QImage picture = canvas.image().convertToFormat(QImage::Format_RGB888);
    if (!picture.save(QFile::decodeName(QByteArray::fromStdString(output)), "BMP")) {
        ctx.err << "can't write " << output << '\n';
        return 1;
    }
    ctx.out << "wrote " << output << " (" << picture.width() << " x " << picture.height() << ")\n";
    return 0;
}

} // namespace nuvrel::cli

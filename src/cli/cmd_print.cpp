// print: the printed page of a data file over a map or a fitted view,
// written as a PDF file.
#include "cli/cli.h"

#include <ostream>

#ifdef NUVREL_CLI_RENDER
#include "core/app/errors.h"
#include "core/app/ift_option.h"
#include "core/data/ift_garmin_data.h"
#include "core/data/route_store.h"
#include "core/map/fitted_view.h"
#include "render/map_canvas.h"
#include "render/print_page.h"

#include <QFile>
#include <QGuiApplication>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>

#include <regex>
#endif

namespace nuvrel::cli {

#ifndef NUVREL_CLI_RENDER
// Built without the GUI libraries: there is no page to paint.
int runPrint(Context& ctx) {
    ctx.err << "print: this nuvrel-cli was built without the map renderer (NUVREL_BUILD_GUI=OFF)\n";
    return 1;
}
#else

namespace {

int wholeNumber(const std::string& text, const char* option) {
    try {
        std::size_t used = 0;
        const int v = std::stoi(text, &used);
        if (used == text.size())
            return v;
    } catch (const std::exception&) {
    }
    throw UsageError{std::string(option) + " needs a whole number"};
}

} // namespace

int runPrint(Context& ctx) {
    const std::string output = ctx.takeOption("-o");
    const std::string map = ctx.takeOption("--map");
    const int zoom = wholeNumber(ctx.takeOption("--zoom", "0"), "--zoom");
    const std::string fit = ctx.takeOption("--fit");
    const bool keepAspect = !ctx.takeFlag("--no-keep-aspect");
    const int dpi = wholeNumber(ctx.takeOption("--dpi", "600"), "--dpi");
    const std::string pageName = ctx.takeOption("--page", "A4");
    ctx.rejectUnknownOptions();
    if (ctx.args.size() != 1)
        throw UsageError{"expects one data file"};
    if (output.empty())
        throw UsageError{"needs -o OUT.pdf"};
    if (map.empty() == fit.empty())
        throw UsageError{"needs either --map MAP or --fit WIDTHxHEIGHT"};
    if (dpi < 36 || dpi > 2400)
        throw UsageError{"--dpi must lie between 36 and 2400"};
    QPageSize::PageSizeId pageSize = QPageSize::A4;
    if (pageName == "A3")
        pageSize = QPageSize::A3;
    else if (pageName == "Letter")
        pageSize = QPageSize::Letter;
    else if (pageName == "Legal")
        pageSize = QPageSize::Legal;
    else if (pageName != "A4")
        throw UsageError{"--page needs A4, A3, Letter or Legal"};
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
        canvas.FitViewToData(width, height, keepAspect, d);
    }
    if (canvas.param().bitmap_height == 0) {
        ShowError(ctx.prompts, kErrLoadMapFirst);
        return 1;
    }

    std::string unreadable;
    const render::PrintPageContent content = render::PrintContentOf(canvas, data, option, unreadable);
    if (!unreadable.empty())
        ctx.err << "the map can't be read again (" << unreadable << "): the page shows the data without it\n";
    QPdfWriter writer(QFile::decodeName(QByteArray::fromStdString(output)));
    writer.setTitle(QStringLiteral("NUVREL"));
    writer.setCreator(QStringLiteral("NUVREL"));
    writer.setResolution(dpi);
    writer.setPageSize(QPageSize(pageSize));
    writer.setPageMargins(QMarginsF(0, 0, 0, 0));
    QPainter painter;
    if (!painter.begin(&writer)) {
        ctx.err << "can't write " << output << '\n';
        return 1;
    }
    const render::PrintDevice device = render::pagedDevice(painter);
    const bool complete = render::PaintPrintPage(painter, device, content);
    painter.end();
    const auto g = render::printPageGeometry(device, content.bitmapWidth, content.bitmapHeight);
    ctx.out << "wrote " << output << " (page " << device.pageWidth << " x " << device.pageHeight << " pixels at "
            << dpi << " dpi, map frame "
            << g.left << "," << g.top << " - " << g.right << "," << g.bottom << ")\n";
    if (!complete)
        ctx.err << "drawing stopped early: the page holds what was drawn\n";
    return 0;
}

#endif

} // namespace nuvrel::cli

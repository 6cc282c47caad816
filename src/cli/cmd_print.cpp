// print: the printed page of a data file over a map or a fitted view,
// written as a PDF file.
#include "cli/cli.h"

#include <ostream>

#ifdef NUVREL_CLI_RENDER
#include "cli/map_view_session.h"
#include "core/errors.h"
#include "render/print_page.h"

#include <QFile>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#endif

namespace nuvrel::cli {

#ifndef NUVREL_CLI_RENDER
// Built without the GUI libraries: there is no page to paint.
int runPrint(Context& ctx) {
    ctx.err << "print: this nuvrel-cli was built without the map renderer (NUVREL_BUILD_GUI=OFF)\n";
    return 1;
}
#else

int runPrint(Context& ctx) {
    const std::string output = ctx.takeOption("-o");
    const MapViewOptions view = MapViewOptions::take(ctx);
    const int dpi = wholeNumber(ctx.takeOption("--dpi", "600"), "--dpi");
    const std::string pageName = ctx.takeOption("--page", "A4");
    ctx.rejectUnknownOptions();
    if (ctx.args.size() != 1)
        throw UsageError{"expects one data file"};
    if (output.empty())
        throw UsageError{"needs -o OUT.pdf"};
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
    MapViewSession session(ctx);
    if (!session.open(ctx.args[0], view))
        return 1;
    render::MapCanvas& canvas = session.canvas();
    if (canvas.param().bitmap_height == 0) {
        ShowError(ctx.prompts, kErrLoadMapFirst);
        return 1;
    }

    std::string unreadable;
    const render::PrintPageContent content = render::PrintContentOf(canvas, session.data(), session.option(), unreadable);
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

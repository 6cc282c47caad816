// render: the map window's picture of a data file, written as a bitmap.
#include "cli/cli.h"

#include "cli/map_view_session.h"
#include "render/image_file.h"

#include <QFile>

#include <ostream>

namespace nuvrel::cli {

int runRender(Context& ctx) {
    const std::string output = ctx.takeOption("-o");
    const MapViewOptions view = MapViewOptions::take(ctx);
    const bool waypoints = !ctx.takeFlag("--no-waypoints");
    ctx.rejectUnknownOptions();
    if (ctx.args.size() != 1)
        throw UsageError{"expects one data file"};
    if (output.empty())
        throw UsageError{"needs -o OUT.bmp"};

    MapViewSession session(ctx);
    if (!session.open(ctx.args[0], view))
        return 1;
    session.canvas().RedrawAll(waypoints);
    QImage whole;
    if (const std::string why = session.canvas().WholePicture(whole); !why.empty()) {
        ctx.err << "can't make the picture: " << why << '\n';
        return 1;
    }
    const QImage picture = whole.convertToFormat(QImage::Format_RGB888);
    if (const std::string why = render::SaveImageFile(picture, output, "BMP"); !why.empty()) {
        ctx.err << "can't write " << output << ": " << why << '\n';
        return 1;
    }
    ctx.out << "wrote " << output << " (" << picture.width() << " x " << picture.height() << ")\n";
    return 0;
}

} // namespace nuvrel::cli

#include "cli/map_view_session.h"

#include "core/map/fitted_view.h"

#include <ostream>
#include <regex>

namespace nuvrel::cli {

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

MapViewOptions MapViewOptions::take(Context& ctx) {
    MapViewOptions view;
    view.map = ctx.takeOption("--map");
    view.zoom = wholeNumber(ctx.takeOption("--zoom", "0"), "--zoom");
    const std::string fit = ctx.takeOption("--fit");
    view.keepAspect = !ctx.takeFlag("--no-keep-aspect");
    if (view.map.empty() == fit.empty())
        throw UsageError{"needs either --map MAP or --fit WIDTHxHEIGHT"};
    if (!fit.empty()) {
        std::smatch m;
        if (!std::regex_match(fit, m, std::regex("([0-9]{1,5})x([0-9]{1,5})")) ||
            (view.width = std::stoi(m[1])) < 1 || (view.height = std::stoi(m[2])) < 1)
            throw UsageError{"--fit needs WIDTHxHEIGHT, for example 800x600"};
    }
    return view;
}

MapViewSession::MapViewSession(Context& ctx)
    : ctx_(ctx), data_(DataContext{ctx.prompts, ctx.timeZone}), option_(ctx.settings) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    app_ = std::make_unique<QGuiApplication>(argc_, argv_);
    canvas_ = std::make_unique<render::MapCanvas>(data_, routes_, option_, ctx.prompts);
}

bool MapViewSession::open(const std::string& dataFile, const MapViewOptions& view) {
    if (!data_.load(dataFile, routes_))
        return false;
    if (!view.map.empty()) {
        canvas_->param().mapFileName = view.map;
        if (!canvas_->LoadMap())
            return false;
        if (!canvas_->loadNote().empty())
            ctx_.err << canvas_->loadNote() << '\n';
        for (int i = 0; i != view.zoom; i += view.zoom > 0 ? 1 : -1) {
            if (const std::string why = canvas_->Zoom(view.zoom > 0); !why.empty()) {
                ctx_.err << "zoom step " << (i + (view.zoom > 0 ? 1 : -1)) << " refused: " << why << '\n';
                return false;
            }
        }
        return true;
    }
    canvas_->FillBackground(view.width, view.height);
    FittedDistances d;
    if (canvas_->FitViewToData(view.width, view.height, view.keepAspect, d))
        ctx_.out << "width " << DistanceLabel(d.horizontalKm) << ", height " << DistanceLabel(d.verticalKm) << '\n';
    else
        ctx_.err << "nothing to fit: the picture is blank\n";
    return true;
}

} // namespace nuvrel::cli

// What the render and print commands share: the map view options
// (--map MAP [--zoom K] | --fit WxH [--no-keep-aspect]), and a data file
// shown over that view in a map canvas, as the map window would show it.
#pragma once

#include "cli/cli.h"
#include "core/ift_option.h"
#include "core/data/ift_garmin_data.h"
#include "core/data/route_store.h"
#include "render/map_canvas.h"

#include <QGuiApplication>

#include <memory>
#include <string>

namespace nuvrel::cli {

struct MapViewOptions {
    std::string map; // a map file, or empty for a fitted view
    int zoom = 0;
    int width = 0; // size of the fitted view
    int height = 0;
    bool keepAspect = true;

    // Takes the options from the command line; a UsageError for bad ones.
    static MapViewOptions take(Context& ctx);
};

// "--zoom" and friends: the whole text as an int, else a UsageError.
int wholeNumber(const std::string& text, const char* option);

class MapViewSession {
public:
    explicit MapViewSession(Context& ctx);

    // Loads the data file and sets up the view: the map at its zoom, or a
    // blank view fitted to the data. False (with the reason reported) when
    // either fails.
    bool open(const std::string& dataFile, const MapViewOptions& view);

    IFTGarminData& data() { return data_; }
    IFTOption& option() { return option_; }
    render::MapCanvas& canvas() { return *canvas_; }

private:
    Context& ctx_;
    int argc_ = 1;
    char name_[11] = "nuvrel-cli";
    char* argv_[2] = {name_, nullptr};
    std::unique_ptr<QGuiApplication> app_; // text needs one; no screen is needed
    IFTGarminData data_;
    CRouteField routes_;
    IFTOption option_;
    std::unique_ptr<render::MapCanvas> canvas_;
};

} // namespace nuvrel::cli

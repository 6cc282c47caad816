#include "core/app/start_arguments.h"

namespace nuvrel {

StartArguments ParseStartArguments(const std::vector<std::string>& args) {
    StartArguments out;
    bool options = true;
    for (const std::string& arg : args) {
        if (options && arg == "--") {
            options = false;
        } else if (options && (arg == "--help" || arg == "-h")) {
            out.help = true;
        } else if (options && arg.size() > 1 && arg[0] == '-') {
            out.error = "unknown option " + arg;
        } else if (out.file.empty()) {
            out.file = arg;
        } else {
            out.error = "only one file can be opened: " + arg;
        }
    }
    return out;
}

std::string StartUsage() {
    return "Usage: nuvrel [FILE]\n"
           "Shows the GPS data of FILE (a .nvl data file) over the map; without FILE the program starts empty.\n"
           "  -h, --help  print this help and stop\n";
}

} // namespace nuvrel

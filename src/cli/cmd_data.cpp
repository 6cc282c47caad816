// info and upgrade: the native data file from the command line.
#include "cli/cli.h"

namespace nuvrel::cli {

int runInfo(Context& ctx) {
    ctx.err << "info: not built yet\n";
    return 1;
}

int runUpgrade(Context& ctx) {
    ctx.err << "upgrade: not built yet\n";
    return 1;
}

} // namespace nuvrel::cli

#include "cli/cli.h"
#include "cli/terminal_text.h"

#include "core/ift_option.h"
#include "core/codepage.h"
#include "core/time_zone.h"
#include "platform/qsettings_store.h"

#include <algorithm>
#include <clocale>
#include <cstring>
#include <iostream>
#include <langinfo.h>

namespace nuvrel::cli {

const std::vector<Command>& commands() {
    static const std::vector<Command> table = {
        {"info", "info FILE.nvl", runInfo},
        {"upgrade", "upgrade OLD.nvl NEW.nvl", runUpgrade},
        {"retime", "retime DATA.nvl -o OUT.nvl --weeks N", runRetime},
        {"settings", "settings [--port COMn] [--model NAME | --detect] [--pen-color RRGGBB] [--pen-width N] [--trace-mark NAME] [--map-at-start yes|no] [--dms yes|no] [--datum NAME] [--pilot NAME] [--glider TYPE] [--glider-id ID] [--code-page auto|CP932|UTF-8] [--map-port COMn=DEVICE|auto] | settings --list-ports", runSettings},
        {"datums", "datums", runDatums},
        {"datum-convert", "datum-convert [--datum NAME] [--to-wgs84] LAT LON [HEIGHT]", runDatumConvert},
        {"angle", "angle LAT|LON VALUE", runAngle},
        {"identify", "identify [--port N]", runIdentify},
        {"download", "download track|waypoints|routes [--port N] -o FILE.nvl [--datum NAME] [--model-id N] [--software-version N] [--fix-rollover]", runDownload},
        {"upload", "upload waypoints|routes FILE.nvl [--port N] [--datum NAME] [--model-id N] [--software-version N]", runUpload},
        {"position", "position [--port N] [--count K] [--datum NAME]", runPosition},
        {"measures", "measures DATA.nvl", runMeasures},
        {"analyse", "analyse DATA.nvl [--segment N | --segments TOP-BOTTOM] [--detail N [--total-time]]", runAnalyse},
        {"report", "report DATA.nvl [--segment N] [--rules xcontest|ffvl] [--json] [--barogram OUT.png]", runReport},
        {"logbook", "logbook add FILE... | list [--year YYYY] [--site NAME] [--json] | show ID [--json] | totals [--by year|glider|site] [--json] | edit ID [--site NAME] [--glider TYPE] [--note TEXT] | remove ID | export ID -o OUT.igc|OUT.gpx | export-csv -o OUT.csv; each [--logbook DB] (the pilot's logbook, SQLite)", runLogbook},
        {"render", "render DATA.nvl -o OUT.bmp (--map MAP [--zoom K] | --fit WxH [--no-keep-aspect]) [--no-waypoints]", runRender},
        {"print", "print DATA.nvl -o OUT.pdf (--map MAP [--zoom K] | --fit WxH [--no-keep-aspect]) [--dpi N] [--page A4|A3|Letter|Legal]", runPrint},
        {"import", "import FORMAT FILE -o DATA.nvl [--track|--waypoints|--routes] [--tz ZONE] (gpx: all three by default; igc: FILE.igc... as segments)", runImport},
        {"export", "export FORMAT DATA.nvl -o FILE [--track|--waypoints|--routes] [--dms] [--datum NAME] [--tz ZONE] [--now SECONDS] (gpx: all three by default); igc: [--whole | --segment N | --flight N] [--pilot NAME] [--glider TYPE] [--glider-id ID]", runExport},
    };
    return table;
}

void ConsolePrompts::showError(int number, const std::string& message) {
    ++errorCount;
    lastError = number;
    err_ << "error " << number << ": " << message << '\n';
}

bool ConsolePrompts::askYesNo(const std::string& title, const std::string& text) {
    err_ << title << ": " << text << " -> " << (answer ? "yes" : "no") << '\n';
    return answer;
}

void ConsolePrompts::showMessage(const std::string& title, const std::string& text) {
    err_ << title << ": " << text << '\n';
}

std::string Context::takeOption(const std::string& name, const std::string& fallback) {
    auto it = std::find(args.begin(), args.end(), name);
    if (it == args.end())
        return fallback;
    if (it + 1 == args.end())
        throw UsageError{name + " needs a value"};
    std::string value = *(it + 1);
    args.erase(it, it + 2);
    return value;
}

bool Context::takeFlag(const std::string& name) {
    auto it = std::find(args.begin(), args.end(), name);
    if (it == args.end())
        return false;
    args.erase(it);
    return true;
}

void Context::rejectUnknownOptions() const {
    for (const auto& a : args)
        if (a.size() > 2 && a.compare(0, 2, "--") == 0)
            throw UsageError{"unknown option " + a};
}

} // namespace nuvrel::cli

namespace {

void printUsage(std::ostream& os) {
    os << "usage: nuvrel-cli COMMAND [ARGS...] [--yes]\ncommands:\n";
    for (const auto& c : nuvrel::cli::commands())
        os << "  " << c.usage << '\n';
    os << "options of every command:\n"
          "  --yes  answer Yes to the questions a command asks (such as \"Mismatch GPS Type. Do you wish to\n"
          "         continue?\"); without it they are answered No\n";
}

} // namespace

int main(int argc, char** argv) {
    using namespace nuvrel;
    std::setlocale(LC_ALL, "");
    std::setlocale(LC_NUMERIC, "C");

    if (argc < 2 || !std::strcmp(argv[1], "--help") || !std::strcmp(argv[1], "-h")) {
        printUsage(argc < 2 ? std::cerr : std::cout);
        return argc < 2 ? 2 : 0;
    }
    const auto& table = cli::commands();
    auto it = std::find_if(table.begin(), table.end(),
                           [&](const cli::Command& c) { return std::strcmp(c.name, argv[1]) == 0; });
    if (it == table.end()) {
        std::cerr << "nuvrel-cli: unknown command " << argv[1] << '\n';
        printUsage(std::cerr);
        return 2;
    }
    QSettingsStore settings;
    setActiveCodePage(chooseCodePage(settings));
    // What the commands print goes to the terminal in its locale's encoding.
    const CodePage terminal = cli::terminalCodePage(nl_langinfo(CODESET));
    cli::TerminalText outText(std::cout, activeCodePage(), terminal);
    cli::TerminalText errText(std::cerr, activeCodePage(), terminal);
    cli::ConsolePrompts prompts(std::cerr);
    CLibraryTimeZone timeZone;
    cli::Context ctx{{argv + 2, argv + argc}, std::cout, std::cerr, settings, prompts, timeZone};
    ctx.prompts.answer = ctx.takeFlag("--yes");
    try {
        return it->run(ctx);
    } catch (const cli::UsageError& e) {
        std::cerr << "nuvrel-cli " << it->name << ": " << e.message << '\n';
        return 2;
    } catch (const std::exception& e) {
        std::cerr << "nuvrel-cli " << it->name << ": " << e.what() << '\n';
        return 1;
    }
}

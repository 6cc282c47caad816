// logbook: the pilot's logbook from the command line: add flights from data
// files, IGC logs and GPX files, list, show, total, edit, remove and export
// them.
#include "cli/cli.h"

#include "core/ift_option.h"
#include "core/data/ift_garmin_data.h"
#include "core/logbook/logbook.h"
#include "core/logbook/logbook_entries.h"
#include "core/logbook/logbook_export.h"
#include "core/logbook/logbook_text.h"

#include <filesystem>
#include <ostream>

namespace nuvrel::cli {

namespace {

const char* const kUsage =
    "usage: logbook add FILE... | list [--year YYYY] [--site NAME] [--json] | show ID [--json] | "
    "totals [--by year|glider|site] [--json] | edit ID [--site NAME] [--glider TYPE] [--note TEXT] | remove ID | "
    "export ID -o OUT.igc|OUT.gpx | export-csv -o OUT.csv; each [--logbook DB]";

std::int64_t parseId(const std::string& text) {
    std::int64_t id = 0;
    if (text.empty() || text.size() > 15 || text.find_first_not_of("0123456789") != std::string::npos ||
        (id = std::stoll(text)) <= 0)
        throw UsageError{"expects a flight number, not \"" + text + "\""};
    return id;
}

std::optional<std::string> optionalOption(Context& ctx, const std::string& name) {
    if (std::find(ctx.args.begin(), ctx.args.end(), name) == ctx.args.end())
        return std::nullopt;
    return ctx.takeOption(name);
}

std::unique_ptr<Logbook> openBook(Context& ctx, const std::string& path, bool create) {
    std::string error;
    std::unique_ptr<Logbook> book = Logbook::open(path, error, create);
    if (!book)
        ctx.err << "logbook: " << error << '\n';
    return book;
}

int add(Context& ctx, const std::string& path) {
    if (ctx.args.size() < 2)
        throw UsageError{"usage: logbook add FILE... [--logbook DB]"};
    const std::unique_ptr<Logbook> book = openBook(ctx, path, true);
    if (!book)
        return 1;
    if (book->readOnly()) {
        ctx.err << "logbook: cannot add to " << path << ": it is read-only; nothing changed\n";
        return 1;
    }
    const IFTOption options(ctx.settings);
    LogbookDefaults defaults;
    defaults.pilot = options.PilotName();
    defaults.glider = options.GliderType();
    defaults.receiver = options.GPSModel();
    const std::vector<std::string> files(ctx.args.begin() + 1, ctx.args.end());
    const LogbookFilesAdded result = addLogbookFiles(*book, files, options.DatumName(), dataContextFor(ctx), defaults);
    if (!result.error.empty()) {
        ctx.err << "logbook: " << result.error << '\n';
        return 1;
    }
    ctx.out << "added " << result.added << ", already there " << result.already << '\n';
    return 0;
}

int list(Context& ctx, const std::string& path) {
    LogbookFilter filter;
    const std::string year = ctx.takeOption("--year");
    filter.site = ctx.takeOption("--site");
    const bool json = ctx.takeFlag("--json");
    ctx.rejectUnknownOptions();
    if (ctx.args.size() != 1)
        throw UsageError{"usage: logbook list [--year YYYY] [--site NAME] [--json] [--logbook DB]"};
    if (!year.empty()) {
        if (year.size() != 4 || year.find_first_not_of("0123456789") != std::string::npos)
            throw UsageError{"--year expects a year such as 2024, not \"" + year + "\""};
        filter.year = std::stoi(year);
    }
    const std::unique_ptr<Logbook> book = openBook(ctx, path, false);
    if (!book)
        return 1;
    const std::vector<LogbookFlight> flights = book->flights(filter);
    if (!book->lastError().empty()) {
        ctx.err << "logbook: " << book->lastError() << '\n';
        return 1;
    }
    if (json)
        ctx.out << logbookListJson(flights);
    else
        for (const std::string& line : logbookListLines(flights))
            ctx.out << line << '\n';
    return 0;
}

int show(Context& ctx, const std::string& path) {
    const bool json = ctx.takeFlag("--json");
    ctx.rejectUnknownOptions();
    if (ctx.args.size() != 2)
        throw UsageError{"usage: logbook show ID [--json] [--logbook DB]"};
    const std::int64_t id = parseId(ctx.args[1]);
    const std::unique_ptr<Logbook> book = openBook(ctx, path, false);
    if (!book)
        return 1;
    const std::optional<LogbookFlight> f = book->flight(id);
    if (!f) {
        ctx.err << "logbook: no flight " << id << " in " << path << '\n';
        return 1;
    }
    if (json)
        ctx.out << logbookFlightJson(*f);
    else
        for (const std::string& line : logbookFlightLines(*f))
            ctx.out << line << '\n';
    return 0;
}

int totals(Context& ctx, const std::string& path) {
    const std::string by = ctx.takeOption("--by");
    const bool json = ctx.takeFlag("--json");
    ctx.rejectUnknownOptions();
    if (ctx.args.size() != 1)
        throw UsageError{"usage: logbook totals [--by year|glider|site] [--json] [--logbook DB]"};
    LogbookGroup group = LogbookGroup::All;
    if (by == "year")
        group = LogbookGroup::Year;
    else if (by == "glider")
        group = LogbookGroup::Glider;
    else if (by == "site")
        group = LogbookGroup::Site;
    else if (!by.empty())
        throw UsageError{"--by expects year, glider or site, not \"" + by + "\""};
    const std::unique_ptr<Logbook> book = openBook(ctx, path, false);
    if (!book)
        return 1;
    const std::vector<LogbookFlight> flights = book->flights();
    if (!book->lastError().empty()) {
        ctx.err << "logbook: " << book->lastError() << '\n';
        return 1;
    }
    const std::vector<LogbookTotal> t = logbookTotals(flights, group);
    if (json)
        ctx.out << logbookTotalsJson(t);
    else
        for (const std::string& line : logbookTotalsLines(t))
            ctx.out << line << '\n';
    return 0;
}

int edit(Context& ctx, const std::string& path) {
    const auto site = optionalOption(ctx, "--site");
    const auto glider = optionalOption(ctx, "--glider");
    const auto note = optionalOption(ctx, "--note");
    ctx.rejectUnknownOptions();
    if (ctx.args.size() != 2)
        throw UsageError{"usage: logbook edit ID [--site NAME] [--glider TYPE] [--note TEXT] [--logbook DB]"};
    const std::int64_t id = parseId(ctx.args[1]);
    const std::unique_ptr<Logbook> book = openBook(ctx, path, false);
    if (!book)
        return 1;
    if (const std::string why = book->edit(id, site, glider, note); !why.empty()) {
        ctx.err << "logbook: " << why << '\n';
        return 1;
    }
    ctx.out << "flight " << id << " changed\n";
    return 0;
}

int remove(Context& ctx, const std::string& path) {
    ctx.rejectUnknownOptions();
    if (ctx.args.size() != 2)
        throw UsageError{"usage: logbook remove ID [--logbook DB]"};
    const std::int64_t id = parseId(ctx.args[1]);
    const std::unique_ptr<Logbook> book = openBook(ctx, path, false);
    if (!book)
        return 1;
    if (const std::string why = book->remove(id); !why.empty()) {
        ctx.err << "logbook: " << why << '\n';
        return 1;
    }
    ctx.out << "flight " << id << " removed\n";
    return 0;
}

int exportFlight(Context& ctx, const std::string& path) {
    const std::string output = ctx.takeOption("-o");
    ctx.rejectUnknownOptions();
    if (ctx.args.size() != 2 || output.empty())
        throw UsageError{"usage: logbook export ID -o OUT.igc|OUT.gpx [--logbook DB]"};
    const std::int64_t id = parseId(ctx.args[1]);
    bool igc = false;
    if (!logbookFlightFileKind(output, igc))
        throw UsageError{"-o expects a name ending in .igc or .gpx, not \"" + output + "\""};
    const std::unique_ptr<Logbook> book = openBook(ctx, path, false);
    if (!book)
        return 1;
    const std::optional<LogbookFlight> f = book->flight(id);
    if (!f) {
        ctx.err << "logbook: no flight " << id << " in " << path << '\n';
        return 1;
    }
    const std::vector<LogbookFix> fixes = book->fixes(id);
    if (const std::string why = writeLogbookFlight(*f, fixes, output); !why.empty()) {
        ctx.err << "logbook: " << why << '\n';
        return 1;
    }
    ctx.out << "flight " << id << ": " << fixes.size() << " fixes written to " << output << '\n';
    return 0;
}

int exportCsv(Context& ctx, const std::string& path) {
    const std::string output = ctx.takeOption("-o");
    ctx.rejectUnknownOptions();
    if (ctx.args.size() != 1 || output.empty())
        throw UsageError{"usage: logbook export-csv -o OUT.csv [--logbook DB]"};
    const std::unique_ptr<Logbook> book = openBook(ctx, path, false);
    if (!book)
        return 1;
    const std::vector<LogbookFlight> flights = book->flights();
    if (const std::string why = writeLogbookCsv(flights, output); !why.empty()) {
        ctx.err << "logbook: " << why << '\n';
        return 1;
    }
    ctx.out << flights.size() << " flights written to " << output << '\n';
    return 0;
}

} // namespace

int runLogbook(Context& ctx) {
    std::string path = ctx.takeOption("--logbook");
    if (path.empty())
        path = defaultLogbookPath();
    if (ctx.args.empty())
        throw UsageError{kUsage};
    const std::string verb = ctx.args[0];
    if (verb == "add") {
        ctx.rejectUnknownOptions();
        return add(ctx, path);
    }
    if (verb == "list")
        return list(ctx, path);
    if (verb == "show")
        return show(ctx, path);
    if (verb == "totals")
        return totals(ctx, path);
    if (verb == "edit")
        return edit(ctx, path);
    if (verb == "remove")
        return remove(ctx, path);
    if (verb == "export")
        return exportFlight(ctx, path);
    if (verb == "export-csv")
        return exportCsv(ctx, path);
    throw UsageError{kUsage};
}

} // namespace nuvrel::cli

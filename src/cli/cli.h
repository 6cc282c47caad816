// nuvrel-cli: the core's commands for scripts and tests.
#pragma once

#include "core/platform.h"

#include <iosfwd>
#include <string>
#include <vector>

namespace nuvrel {
struct DataContext;
} // namespace nuvrel

namespace nuvrel::cli {

// Thrown by a command for bad input; main() prints it as one line and exits 1.
struct UsageError {
    std::string message;
};

// Prints errors and messages to stderr; questions take the answer given by
// --yes / --no (default No) and say so.
class ConsolePrompts final : public UserPrompts {
public:
    explicit ConsolePrompts(std::ostream& err) : err_(err) {}
    bool answer = false;
    int errorCount = 0;
    int lastError = 0;

    void showError(int number, const std::string& message) override;
    bool askYesNo(const std::string& title, const std::string& text) override;
    void showMessage(const std::string& title, const std::string& text) override;
    void beep() override {}

private:
    std::ostream& err_;
};

// What every command gets: its arguments (after the command name), the
// streams, and the platform services.
struct Context {
    std::vector<std::string> args;
    std::ostream& out;
    std::ostream& err;
    SettingsStore& settings;
    ConsolePrompts& prompts;
    TimeZoneSource& timeZone;

    // Removes "--name VALUE" from args and returns VALUE (or fallback).
    std::string takeOption(const std::string& name, const std::string& fallback = {});
    // Removes "--name" from args; true when it was there.
    bool takeFlag(const std::string& name);
    // Fails when anything starting with "--" is left.
    void rejectUnknownOptions() const;
};

using CommandFn = int (*)(Context&);

struct Command {
    const char* name;
    const char* usage;
    CommandFn run;
};

// The table of commands (defined in main.cpp).
const std::vector<Command>& commands();

// Commands, one file each.
int runInfo(Context& ctx);
int runUpgrade(Context& ctx);
int runRetime(Context& ctx);
int runSettings(Context& ctx);
int runDatums(Context& ctx);
int runDatumConvert(Context& ctx);
int runAngle(Context& ctx);
int runIdentify(Context& ctx);
int runDownload(Context& ctx);
int runUpload(Context& ctx);
int runPosition(Context& ctx);

// The data set of a command: waypoints created without a display option
// (old data files, imports) get that of the receiver selected in the
// settings, 3 for one with D104 waypoints, else 0.
DataContext dataContextFor(Context& ctx);

// The number of a --port value, 1 to 8; a UsageError for anything else.
int parsePort(const std::string& text);
int runMeasures(Context& ctx);
int runRender(Context& ctx);
int runPrint(Context& ctx);
int runImport(Context& ctx);
int runExport(Context& ctx);
int runAnalyse(Context& ctx);
int runReport(Context& ctx);
int runLogbook(Context& ctx);

} // namespace nuvrel::cli

// Help > "&Help": opens the help page installed beside the program in the
// desktop's default web browser. The browser is the desktop entry that the
// desktop names as the handler of text/html (as `xdg-mime query default
// text/html` reports it); its Exec line is started with the help page.
#pragma once

#include "core/platform.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace nuvrel {

// What the help command needs from the system; tests provide their own.
struct HelpEnvironment {
    // The desktop file ID of the default text/html handler ("firefox.desktop");
    // empty when none is set or the desktop cannot be asked.
    std::function<std::string()> defaultHtmlHandler;
    // Reads an environment variable.
    std::function<std::optional<std::string>(const std::string&)> environment;
    // The whole contents of a file, or empty when it cannot be read.
    std::function<std::optional<std::string>(const std::string&)> readFile;
    // True when the path names an existing file.
    std::function<bool(const std::string&)> fileExists;
    // Starts a program (argv[0] searched in PATH) without waiting for it;
    // false when it cannot be started.
    std::function<bool(const std::vector<std::string>&)> startDetached;
    // The folder of the running program.
    std::string programFolder;
};

// The help page beside the program: <folder>/help/nuvrel.htm.
std::string HelpFilePath(const std::string& programFolder);

// The folders searched for desktop entries, most important first: the
// "applications" folders of $XDG_DATA_HOME (~/.local/share) and of every
// folder in $XDG_DATA_DIRS (/usr/local/share:/usr/share).
std::vector<std::string> DesktopEntryFolders(const HelpEnvironment& env);

// The file of a desktop file ID: "a-b.desktop" may also live in a/b.desktop.
// Empty when no folder holds it.
std::string FindDesktopEntry(const std::string& desktopId, const HelpEnvironment& env);

// The Exec value of the [Desktop Entry] group (string escapes undone);
// empty when there is none.
std::optional<std::string> DesktopEntryExec(const std::string& contents);

// Splits an Exec value into arguments, undoing the quoting; empty when a
// quote is not closed. Field codes may not stand inside quotes: a "%" there
// is text and comes out as "%%", which ExpandExecArguments turns back into
// "%", so that the help page never becomes part of a quoted command such as
// sh -c "browser %f" (a folder named "a;b" would run b).
std::optional<std::vector<std::string>> SplitExecLine(const std::string& exec);

// The command that opens `file`, as an argument vector (never a shell
// line): the file path goes where the field codes %f %F %u %U stand (after
// the arguments when there is none), %% becomes %, and the other field
// codes are dropped.
std::vector<std::string> ExpandExecArguments(const std::vector<std::string>& arguments, const std::string& file);

// The whole command: error 3 "No browser is assigned" when the desktop names
// no browser or its Exec line cannot be read as a command, error 12 "Can't
// execute browser" when it has no command or the command cannot be started.
// True when the browser was started.
bool OpenHelp(const HelpEnvironment& env, UserPrompts& prompts);

} // namespace nuvrel

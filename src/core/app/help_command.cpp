#include "core/app/help_command.h"

#include "core/errors.h"
#include "core/text_helpers.h"

#include <cctype>

namespace nuvrel {

namespace {

std::string withSlash(std::string folder) {
    if (folder.empty() || folder.back() != '/')
        folder.push_back('/');
    return folder;
}

std::optional<std::string> envValue(const HelpEnvironment& env, const std::string& name) {
    if (!env.environment)
        return std::nullopt;
    auto v = env.environment(name);
    if (v && v->empty())
        return std::nullopt;
    return v;
}

// Undoes the escapes of a desktop entry string value (\s \n \t \r \\).
std::string unescapeValue(const std::string& value) {
    std::string out;
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (value[i] != '\\' || i + 1 == value.size()) {
            out.push_back(value[i]);
            continue;
        }
        switch (value[++i]) {
        case 's': out.push_back(' '); break;
        case 'n': out.push_back('\n'); break;
        case 't': out.push_back('\t'); break;
        case 'r': out.push_back('\r'); break;
        case '\\': out.push_back('\\'); break;
        default:
            out.push_back('\\');
            out.push_back(value[i]);
        }
    }
    return out;
}

} // namespace

std::string HelpFilePath(const std::string& programFolder) { return withSlash(programFolder) + "help/nuvrel.htm"; }

std::vector<std::string> DesktopEntryFolders(const HelpEnvironment& env) {
    std::vector<std::string> folders;
    if (auto home = envValue(env, "XDG_DATA_HOME"))
        folders.push_back(withSlash(*home) + "applications/");
    else if (auto user = envValue(env, "HOME"))
        folders.push_back(withSlash(*user) + ".local/share/applications/");
    const std::string dirs = envValue(env, "XDG_DATA_DIRS").value_or("/usr/local/share/:/usr/share/");
    std::size_t start = 0;
    while (start <= dirs.size()) {
        std::size_t end = dirs.find(':', start);
        if (end == std::string::npos)
            end = dirs.size();
        if (end > start)
            folders.push_back(withSlash(dirs.substr(start, end - start)) + "applications/");
        start = end + 1;
    }
    return folders;
}

std::string FindDesktopEntry(const std::string& desktopId, const HelpEnvironment& env) {
    if (desktopId.empty() || desktopId.find('/') != std::string::npos || !env.fileExists)
        return {};
    // "kde4-konqueror.desktop" may be kde4/konqueror.desktop.
    std::vector<std::string> names{desktopId};
    for (std::size_t i = 0; i < desktopId.size(); ++i)
        if (desktopId[i] == '-') {
            std::string n = names.back();
            n[i] = '/';
            names.push_back(n);
        }
    for (const std::string& folder : DesktopEntryFolders(env))
        for (const std::string& name : names)
            if (env.fileExists(folder + name))
                return folder + name;
    return {};
}

std::optional<std::string> DesktopEntryExec(const std::string& contents) {
    bool inEntry = false;
    std::size_t start = 0;
    while (start < contents.size()) {
        std::size_t end = contents.find('\n', start);
        if (end == std::string::npos)
            end = contents.size();
        std::string line = contents.substr(start, end - start);
        start = end + 1;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (!line.empty() && line[0] == '[') {
            inEntry = line == "[Desktop Entry]";
            continue;
        }
        if (!inEntry)
            continue;
        const std::size_t eq = line.find('=');
        if (eq == std::string::npos || TrimBlanks(std::string_view(line).substr(0, eq)) != "Exec")
            continue;
        std::string value = line.substr(eq + 1);
        std::size_t b = 0;
        while (b < value.size() && (value[b] == ' ' || value[b] == '\t'))
            ++b;
        return unescapeValue(value.substr(b));
    }
    return std::nullopt;
}

std::optional<std::vector<std::string>> SplitExecLine(const std::string& exec) {
    std::vector<std::string> args;
    std::size_t i = 0;
    const std::size_t n = exec.size();
    while (true) {
        while (i < n && std::isspace(static_cast<unsigned char>(exec[i])))
            ++i;
        if (i == n)
            break;
        std::string arg;
        while (i < n && !std::isspace(static_cast<unsigned char>(exec[i]))) {
            if (exec[i] != '"') {
                arg.push_back(exec[i++]);
                continue;
            }
            ++i; // a quoted part: \" \` \$ \\ stand for the character itself
            bool closed = false;
            while (i < n) {
                const char c = exec[i++];
                if (c == '"') {
                    closed = true;
                    break;
                }
                if (c == '\\' && i < n && (exec[i] == '"' || exec[i] == '`' || exec[i] == '$' || exec[i] == '\\'))
                    arg.push_back(exec[i++]);
                else if (c == '%')
                    arg += "%%"; // never a field code: the page is not put into a quoted command
                else
                    arg.push_back(c);
            }
            if (!closed)
                return std::nullopt;
        }
        args.push_back(std::move(arg));
    }
    return args;
}

std::vector<std::string> ExpandExecArguments(const std::vector<std::string>& arguments, const std::string& file) {
    std::vector<std::string> out;
    bool placed = false;
    for (const std::string& arg : arguments) {
        std::string expanded;
        bool dropped = false;
        for (std::size_t i = 0; i < arg.size(); ++i) {
            if (arg[i] != '%' || i + 1 == arg.size()) {
                expanded.push_back(arg[i]);
                continue;
            }
            const char code = arg[++i];
            if (code == '%') {
                expanded.push_back('%');
            } else if (code == 'f' || code == 'F' || code == 'u' || code == 'U') {
                if (!placed)
                    expanded += file;
                placed = true;
            } else if (arg.size() == 2) {
                dropped = true; // a field code standing alone (%i, %c, %k...) goes
            }
        }
        if (!dropped && !(expanded.empty() && !arg.empty()))
            out.push_back(expanded);
    }
    if (!placed)
        out.push_back(file);
    return out;
}

bool OpenHelp(const HelpEnvironment& env, UserPrompts& prompts) {
    const std::string handler = env.defaultHtmlHandler ? std::string(TrimBlanks(env.defaultHtmlHandler())) : std::string();
    if (handler.empty()) {
        ShowError(prompts, kErrNoBrowser);
        return false;
    }
    std::string exec;
    const std::string entry = FindDesktopEntry(handler, env);
    if (!entry.empty() && env.readFile)
        if (auto contents = env.readFile(entry))
            exec = DesktopEntryExec(*contents).value_or(std::string());
    const auto arguments = SplitExecLine(exec);
    if (!arguments) {
        ShowError(prompts, kErrNoBrowser);
        return false;
    }
    if (arguments->empty() || !env.startDetached) {
        ShowError(prompts, kErrCantExecuteBrowser);
        return false;
    }
    if (!env.startDetached(ExpandExecArguments(*arguments, HelpFilePath(env.programFolder)))) {
        ShowError(prompts, kErrCantExecuteBrowser);
        return false;
    }
    return true;
}

} // namespace nuvrel

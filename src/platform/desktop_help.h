// The help command's view of the desktop: the default text/html handler as
// xdg-mime reports it, the environment, files, and detached starts.
#pragma once

#include "core/app/help_command.h"

#include <string>

namespace nuvrel {

// xdg-mime is given this long to answer.
inline constexpr int kXdgMimeTimeoutMs = 5000;

HelpEnvironment SystemHelpEnvironment(const std::string& programFolder);

} // namespace nuvrel

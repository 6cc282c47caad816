// Desktop entries as the help command reads them: the Exec line of any file,
// its quoting and its field codes.
#include "core/app/help_command.h"

#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace nuvrel;
    const std::string text(reinterpret_cast<const char*>(data), size);
    if (const auto exec = DesktopEntryExec(text)) {
        if (const auto args = SplitExecLine(*exec)) {
            const auto command = ExpandExecArguments(*args, "/opt/nuvrel/bin/help/nuvrel.htm");
            if (command.empty())
                __builtin_trap(); // the help page is always passed
        }
    }
    (void)SplitExecLine(text);
    return 0;
}

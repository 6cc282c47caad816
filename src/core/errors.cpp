#include "core/errors.h"

#include <array>

namespace nuvrel {

std::string ErrorMessage(int number) {
    static constexpr std::array<const char*, 12> kMessages = {
        "Can't open serial port",
        "GPS doesn't respond",
        "No browser is assigned",
        "DAT file not found!",
        "Load map first!",
        "can't allocate enough memory",
        "not a NUVREL file",
        "File open error",
        "not a POT file",
        "unsupport version/format",
        "No Waypoint ID",
        "Can't execute browser",
    };
    if (number < 1 || number > static_cast<int>(kMessages.size()))
        return {};
    return kMessages[static_cast<std::size_t>(number - 1)];
}

void ShowError(UserPrompts& prompts, int number) { prompts.showError(number, ErrorMessage(number)); }

void ShowError(UserPrompts& prompts, int number, const std::string& file) {
    prompts.showError(number, ErrorMessage(number) + "\n" + file);
}

} // namespace nuvrel

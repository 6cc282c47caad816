// The settings store as an INI file in the user's XDG config folder:
// "Software\Ostrel\NuvRel" is $XDG_CONFIG_HOME/Ostrel/NuvRel.conf, and any
// deeper key components become groups inside it.
#pragma once

#include "core/platform.h"

namespace nuvrel {

class QSettingsStore final : public SettingsStore {
public:
    std::unique_ptr<SettingsKey> openKey(const std::string& path, bool create) override;

    // The file behind a key path ("" for a path of fewer than three components).
    static std::string fileFor(const std::string& path);
};

} // namespace nuvrel

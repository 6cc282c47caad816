#include "sim_main_form.h"

#include <cstdio>

namespace nuvrel::test {

std::string writePositionFile(const TempDir& dir, double lat, double lon) {
    const std::string path = (dir / "pos.txt").string();
    std::FILE* f = std::fopen(path.c_str(), "w");
    std::fprintf(f, "position|%.17g|%.17g\n", lat, lon);
    std::fclose(f);
    return path;
}

SimMainForm::SimMainForm(std::vector<std::string> simOptions, int modelId, int softwareVersion)
    : sim(std::move(simOptions)) {
    form.setSerialPorts(sim.ports());
    if (modelId != 0)
        form.options().SetGPSModelID(modelId);
    if (softwareVersion != 0)
        form.options().SetGPSSoftwareVersion(softwareVersion);
}

} // namespace nuvrel::test

#include "cli_data_file.h"

namespace nuvrel::test {

ProgramRun runCli(const TempDir& dir, const std::vector<std::string>& args) {
    return runProgram(NUVREL_CLI, args, {"XDG_CONFIG_HOME=" + (dir / "config").string()});
}

std::string CliDataFile::save(const std::string& name) {
    const std::string path = (dir / name).string();
    EXPECT_TRUE(data.save(path, &routes));
    return path;
}

} // namespace nuvrel::test

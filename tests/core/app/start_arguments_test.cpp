#include "core/app/start_arguments.h"

#include <gtest/gtest.h>

namespace nuvrel {
namespace {

TEST(StartArguments, HelpAFileOrAClearError) {
    struct Row {
        std::vector<std::string> args;
        bool help;
        const char* file;
        const char* error;
    };
    const Row rows[] = {
        {{}, false, "", ""},
        {{"--help"}, true, "", ""},
        {{"-h"}, true, "", ""},
        {{"flight.nvl"}, false, "flight.nvl", ""},
        {{"--", "--help"}, false, "--help", ""}, // a file of that name
        {{"--frobnicate"}, false, "", "unknown option --frobnicate"},
        {{"a.nvl", "b.nvl"}, false, "a.nvl", "only one file can be opened: b.nvl"},
    };
    for (const Row& r : rows) {
        const StartArguments a = ParseStartArguments(r.args);
        EXPECT_EQ(a.help, r.help);
        EXPECT_EQ(a.file, r.file);
        EXPECT_EQ(a.error, r.error);
    }
    EXPECT_EQ(StartUsage().rfind("Usage: nuvrel [FILE]\n", 0), 0u);
}

} // namespace
} // namespace nuvrel

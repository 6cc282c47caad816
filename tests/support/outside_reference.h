// Outside references the tests compare against (GPSBabel, GDAL's tools, the
// npm IGC parser and scorer). On a developer's machine a missing one skips the
// test; in CI, where scripts/install-deps has put them in place, it fails, so
// a green run always means the references were consulted.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

namespace nuvrel::test {

inline bool inContinuousIntegration()
{
    const char* ci = std::getenv("CI");
    return ci && *ci && std::strcmp(ci, "false") != 0 && std::strcmp(ci, "0") != 0;
}

} // namespace nuvrel::test

#define NUVREL_REQUIRE_REFERENCE(available, what)                                              \
    do {                                                                                       \
        if (!(available)) {                                                                    \
            if (::nuvrel::test::inContinuousIntegration())                                     \
                GTEST_FAIL() << what << " is missing (scripts/install-deps installs it)";      \
            GTEST_SKIP() << what << " is missing (scripts/install-deps installs it)";          \
        }                                                                                      \
    } while (0)

// Whether the test runs in the AddressSanitizer build. There the exhaustive
// tables over real logs and simulated flights run on a sample: the sanitizers
// look for memory faults, which a sample finds as well, and the release pass
// still runs every case.
#pragma once

#include <cstddef>
#include <vector>

#if defined(__SANITIZE_ADDRESS__)
#define NUVREL_TEST_SANITIZED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define NUVREL_TEST_SANITIZED 1
#endif
#endif

namespace nuvrel::test {

#ifdef NUVREL_TEST_SANITIZED
inline constexpr bool kSanitized = true;
#else
inline constexpr bool kSanitized = false;
#endif

// Under the sanitizers every third case (the first included), else all.
inline bool caseRunsHere(std::size_t index) { return !kSanitized || index % 3 == 0; }

template <class T>
std::vector<T> sampledUnderSanitizers(const std::vector<T>& all) {
    std::vector<T> out;
    for (std::size_t i = 0; i < all.size(); ++i)
        if (caseRunsHere(i))
            out.push_back(all[i]);
    return out;
}

} // namespace nuvrel::test

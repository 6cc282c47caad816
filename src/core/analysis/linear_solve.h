// The small dense linear systems of the fits (hinges at take-off and
// landing, circles and winds): Gaussian elimination with partial pivoting.
#pragma once

#include <array>
#include <cmath>
#include <cstddef>
#include <optional>
#include <utility>

namespace nuvrel {

// What a vanishing pivot (below 1e-12) means for the caller.
enum class SingularPivot {
    Refuse,    // no solution
    LeaveZero, // its unknown stays 0 (a basis column the fit does not use)
};

// Solves m * x = r.
template <std::size_t N>
std::optional<std::array<double, N>> SolveLinear(std::array<std::array<double, N>, N> m, std::array<double, N> r,
                                                 SingularPivot singular = SingularPivot::Refuse) {
    constexpr double kTiny = 1e-12;
    for (std::size_t c = 0; c < N; ++c) {
        std::size_t p = c;
        for (std::size_t i = c + 1; i < N; ++i)
            if (std::abs(m[i][c]) > std::abs(m[p][c]))
                p = i;
        std::swap(m[c], m[p]);
        std::swap(r[c], r[p]);
        if (std::abs(m[c][c]) < kTiny) {
            if (singular == SingularPivot::Refuse)
                return std::nullopt;
            continue;
        }
        for (std::size_t i = c + 1; i < N; ++i) {
            const double f = m[i][c] / m[c][c];
            for (std::size_t j = c; j < N; ++j)
                m[i][j] -= f * m[c][j];
            r[i] -= f * r[c];
        }
    }
    std::array<double, N> x{};
    for (std::size_t c = N; c-- > 0;) {
        if (std::abs(m[c][c]) < kTiny)
            continue;
        double s = r[c];
        for (std::size_t j = c + 1; j < N; ++j)
            s -= m[c][j] * x[j];
        x[c] = s / m[c][c];
    }
    return x;
}

} // namespace nuvrel

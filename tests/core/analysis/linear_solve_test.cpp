#include "core/analysis/linear_solve.h"

#include <gtest/gtest.h>

namespace nuvrel {
namespace {

TEST(LinearSolve, SolvesPivotsAndTreatsASingularColumnAsAsked) {
    // Needs a row swap: the first pivot is zero.
    const auto x = SolveLinear<3>({{{0, 2, 1}, {1, 1, 0}, {2, 0, 3}}}, {7, 3, 11});
    ASSERT_TRUE(x);
    EXPECT_NEAR((*x)[0], 1, 1e-12);
    EXPECT_NEAR((*x)[1], 2, 1e-12);
    EXPECT_NEAR((*x)[2], 3, 1e-12);

    // The last column unused by the fit (all zero): refused, or left at 0
    // with the rest solved.
    const std::array<std::array<double, 3>, 3> m{{{2, 0, 0}, {0, 4, 0}, {0, 0, 0}}};
    EXPECT_FALSE(SolveLinear<3>(m, {2, 8, 0}));
    const auto z = SolveLinear<3>(m, {2, 8, 0}, SingularPivot::LeaveZero);
    ASSERT_TRUE(z);
    EXPECT_EQ(*z, (std::array<double, 3>{1, 2, 0}));
}

} // namespace
} // namespace nuvrel

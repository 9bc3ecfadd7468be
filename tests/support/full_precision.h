// Values pinned at full precision: bit for bit (or word for word, as a
// file writes them) on x86-64, where they were taken; elsewhere, where the
// C library's erf differs in the last bit, within `relative` of the pinned
// value, or within `absolute` for counts.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <string>

namespace kestor::test {

inline void expect_full_precision(double got, double expected, const std::string& what, double relative = 1e-4,
                                  double absolute = 0.0) {
#if defined(__x86_64__)
    (void)relative;
    (void)absolute;
    EXPECT_EQ(got, expected) << what;
#else
    EXPECT_NEAR(got, expected, absolute + relative * std::abs(expected)) << what;
#endif
}

// A number as a file writes it, against the word it was pinned at.
inline void expect_full_precision(const std::string& got, const std::string& expected, const std::string& what,
                                  double relative = 1e-4, double absolute = 0.0) {
#if defined(__x86_64__)
    (void)relative;
    (void)absolute;
    EXPECT_EQ(got, expected) << what;
#else
    expect_full_precision(std::strtod(got.c_str(), nullptr), std::strtod(expected.c_str(), nullptr), what, relative,
                          absolute);
#endif
}

}  // namespace kestor::test

// The floating-point mode of the whole run: subnormal results flushed to
// zero and subnormal operands read as zero.
#include <gtest/gtest.h>

#include "driver/program.h"

#if defined(__x86_64__) || defined(__SSE__)
#include <xmmintrin.h>
#define KESTOR_TEST_MXCSR 1
#endif

namespace kestor {
namespace {

TEST(FloatingPointMode, SubnormalsBecomeZero) {
#if defined(KESTOR_TEST_MXCSR)
    const unsigned saved = _mm_getcsr();
    volatile double tiny = 1e-300;
    volatile double subnormal = 1e-310;
    volatile double one = 1.0;
    ASSERT_NE(tiny * 1e-10, 0.0);  // without the mode: a subnormal result
    set_floating_point_mode();
    const double result = tiny * 1e-10;
    const double operand = subnormal * one;
    _mm_setcsr(saved);
    EXPECT_EQ(result, 0.0);   // flush to zero
    EXPECT_EQ(operand, 0.0);  // denormals are zero
#else
    GTEST_SKIP() << "no MXCSR on this processor";
#endif
}

}  // namespace
}  // namespace kestor

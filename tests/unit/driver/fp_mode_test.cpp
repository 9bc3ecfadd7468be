// The floating-point mode of the whole run: subnormal results flushed to
// zero and subnormal operands read as zero.
#include <gtest/gtest.h>

#include "common/fp_mode.h"

namespace kestor {
namespace {

TEST(FloatingPointMode, SubnormalsBecomeZero) {
    const FpMode saved = save_fp_mode();
    volatile double tiny = 1e-300;
    volatile double subnormal = 1e-310;
    volatile double one = 1.0;
    ASSERT_NE(tiny * 1e-10, 0.0);  // without the mode: a subnormal result
    set_floating_point_mode();
    const double result = tiny * 1e-10;
    const double operand = subnormal * one;
    restore_fp_mode(saved);
    EXPECT_EQ(result, 0.0);   // flush to zero
    EXPECT_EQ(operand, 0.0);  // denormals are zero
    EXPECT_NE(tiny * 1e-10, 0.0);  // restored
}

}  // namespace
}  // namespace kestor

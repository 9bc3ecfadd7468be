// The processor's floating-point mode of the whole run: results too small
// to be normal numbers are flushed to zero, and subnormal operands are read
// as zero. The solver's results depend on it, so the program sets it once
// at start-up; tests that need it save the mode first and restore it after.
#pragma once

#include <cstdint>

namespace kestor {

// The floating-point control word of the calling thread (MXCSR on x86-64,
// FPCR on aarch64).
struct FpMode {
    std::uint64_t control = 0;
};

FpMode save_fp_mode();
void restore_fp_mode(FpMode mode);

// Turns on flush-to-zero for results and operands: the FTZ and DAZ bits of
// MXCSR on x86-64, the FZ bit of FPCR on aarch64 (which flushes both).
void set_floating_point_mode();

}  // namespace kestor

#include "common/fp_mode.h"

#if defined(__x86_64__)
#include <xmmintrin.h>
#elif !defined(__aarch64__)
#error "no flush-to-zero control known for this processor"
#endif

namespace kestor {

namespace {

#if defined(__x86_64__)
constexpr std::uint64_t kFlushToZero = 0x8000;      // MXCSR FTZ: subnormal results become 0
constexpr std::uint64_t kDenormalsAreZero = 0x0040; // MXCSR DAZ: subnormal operands read as 0
constexpr std::uint64_t kFlushBits = kFlushToZero | kDenormalsAreZero;

std::uint64_t read_control() { return _mm_getcsr(); }
void write_control(std::uint64_t c) { _mm_setcsr(static_cast<unsigned>(c)); }
#else
constexpr std::uint64_t kFlushBits = std::uint64_t{1} << 24;  // FPCR FZ: results and operands

std::uint64_t read_control() {
    std::uint64_t c;
    asm volatile("mrs %0, fpcr" : "=r"(c));
    return c;
}
void write_control(std::uint64_t c) { asm volatile("msr fpcr, %0" : : "r"(c)); }
#endif

}  // namespace

FpMode save_fp_mode() { return FpMode{read_control()}; }

void restore_fp_mode(FpMode mode) { write_control(mode.control); }

void set_floating_point_mode() { write_control(read_control() | kFlushBits); }

}  // namespace kestor

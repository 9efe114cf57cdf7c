#pragma once

namespace data {

/// Marks the upper halves of the processor's AVX registers unused, changing no value. Code
/// elsewhere in the process (Qt's start-up and painting) can leave them in use, and then every
/// SSE instruction after it, glibc's exp and log included, runs many times slower. The entry
/// points heavy in logarithms and exponentials call this first. Does nothing on processors
/// without AVX and on other architectures.
inline void ClearUpperVectorState() {
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
    if (__builtin_cpu_supports("avx")) {
        // The clobbers keep the compiler from holding any value across it in a register whose
        // upper half this zeroes.
        asm volatile("vzeroupper" ::
                         : "xmm0", "xmm1", "xmm2", "xmm3", "xmm4", "xmm5", "xmm6", "xmm7", "xmm8",
                           "xmm9", "xmm10", "xmm11", "xmm12", "xmm13", "xmm14", "xmm15");
    }
#endif
}

} // namespace data

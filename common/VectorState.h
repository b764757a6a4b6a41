#pragma once

// Some library calls (the AVX-512 string functions of glibc, for one) return with the upper
// halves of the vector registers in use. On some processors every legacy-encoded SSE
// instruction then pays for a false dependency on them, which makes plain compiled code several
// times slower until the next vzeroupper. Two defences for heavy start-up work:

// Clears the upper halves; call it on entry to heavy work that calls no such library function
// on its way. Does nothing on processors without AVX, where the state cannot be dirty.
inline void clearUpperVectorState() {
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
    if (__builtin_cpu_supports("avx"))
        __asm__ volatile("vzeroupper" ::
                             : "xmm0", "xmm1", "xmm2", "xmm3", "xmm4", "xmm5", "xmm6", "xmm7",
                               "xmm8", "xmm9", "xmm10", "xmm11", "xmm12", "xmm13", "xmm14",
                               "xmm15");
#endif
}

// Builds a hot function twice, VEX-encoded for processors with AVX and plainly for the rest,
// chosen when the program loads; VEX-encoded code pays nothing for a dirty upper state. The
// function's callees are inlined into it so they share its encoding.
#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__) && defined(__ELF__)
#define VEX_ENCODED_HOT_PATH __attribute__((target_clones("avx", "default"), flatten))
#else
#define VEX_ENCODED_HOT_PATH
#endif

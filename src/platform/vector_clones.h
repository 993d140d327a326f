// Hot loops built twice: once for the processors every target supports (SSE2 on x86) and once
// for AVX2, the better one chosen when the library is loaded (GCC's function multiversioning).
// The choice needs the loader's indirect functions, which ELF systems have and Windows does
// not: there the loops are built once; so they are with clang (the fuzzing builds), which does
// not clone templates.
#pragma once

#if defined(__GNUC__) && !defined(__clang__) && defined(__ELF__) && (defined(__x86_64__) || defined(__i386__))
#define ZRT_VECTOR_CLONES __attribute__((target_clones("avx2", "default")))
#else
#define ZRT_VECTOR_CLONES
#endif

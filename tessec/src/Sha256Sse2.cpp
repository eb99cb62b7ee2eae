// SHA-256 with the vector message schedule (Sha256Avx2.cpp), built for SSE2 alone: byte swaps
// and word alignments by shifts and shuffles, rotations of the rounds by ror. Called only after
// CpuFeatures() reported SSE2.
#define TESSEC_SHA256_SIMD_NAME Sha256BlocksSse2
#define TESSEC_SSE2_ONLY
#include "Sha256Avx2.cpp"

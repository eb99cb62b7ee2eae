// SHA-1 with the SSE message schedule (Sha1Ssse3.cpp), built for CPUs with AVX2 and BMI2 (the
// schedule of two blocks at once, rorx for the rounds' rotations). Called only after
// CpuFeatures() reported both.
#define TESSEC_SHA1_SIMD_NAME Sha1BlocksAvx2
#include "Sha1Ssse3.cpp"

// SHA-1 with the SSE message schedule (Sha1Ssse3.cpp), built for x86-64 CPUs with AVX2 and
// BMI2. Called only after CpuFeatures() reported both.
#define TESSEC_SHA1_SIMD_NAME Sha1BlocksAvx2
#include "Sha1Ssse3.cpp"

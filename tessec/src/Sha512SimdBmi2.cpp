// SHA-384/512 with the SSE message schedule, built for CPUs with BMI2. Its rotation without
// flags (rorx) leaves its source intact, so each Sigma of the scalar rounds takes fewer moves;
// that is worth about a tenth of the throughput. Called only after CpuFeatures() reported
// SSSE3 and BMI2.
#define TESSEC_SHA512_SIMD_NAME Sha512BlocksSsse3Bmi2
#include "Sha512Simd.cpp"

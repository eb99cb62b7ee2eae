// The whole tessec library: codecs, digests, the Rijndael cipher and the random generators,
// all in the namespace public_crypt.
//
// On x86 the library picks instruction-set paths (AES-NI, SHA extensions, SSE2 to AVX2, BMI2)
// by what the CPU has; every path gives exactly the results of the plain integer code. The
// environment variable TESSEC_CPU, read once when the library loads, limits them: a
// comma-separated list of the extensions it may use, from sse2, ssse3, sse41, aesni, shani, bmi2
// and avx2, or "none" for integer code only. Unknown names are ignored, and nothing the CPU
// lacks is ever used. Unset, everything the CPU has is used.
#pragma once

#include "BaseN.h"
#include "Cipher.h"
#include "Hash.h"
#include "Rand.h"

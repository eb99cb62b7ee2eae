// SHA-384/512 compression with the message schedule in SSE registers. Compiled with SSSE3
// enabled for this file only (see CMakeLists.txt) and called only after CpuFeatures()
// reported SSSE3.
//
// The rounds stay in scalar registers; the schedule of the next sixteen message words (plus
// round constants) is worked out two words per vector while the current sixteen rounds run.
// That takes the schedule's shifts and rotations off the scalar shift units, which are what
// limits the scalar code, and lets the vector units do them alongside.
#include "Internal.h"

#include <immintrin.h>

// Sha512SimdAvx2.cpp builds this file a second time under another name.
#ifndef TESSEC_SHA512_SIMD_NAME
#define TESSEC_SHA512_SIMD_NAME Sha512BlocksSsse3
#endif

namespace tessec_detail {

namespace {

inline __m128i Rotr(__m128i x, int n) {
  return _mm_xor_si128(_mm_srli_epi64(x, n), _mm_slli_epi64(x, 64 - n));
}

inline __m128i LoadK(int i) {
  return _mm_load_si128(reinterpret_cast<const __m128i*>(kSha512K + i));
}

inline void Store(uint64_t* p, __m128i v) { _mm_store_si128(reinterpret_cast<__m128i*>(p), v); }

}  // namespace

// Message words t and t + 1 into m0, which held words t - 16 and t - 15; m1 holds t - 14 and
// t - 13, m4 and m5 hold t - 8 to t - 5, m7 holds t - 2 and t - 1. Word plus constant goes
// to `out`.
#define TESSEC_SHA512_SCHEDULE(m0, m1, m4, m5, m7, kIndex, out)                           \
  {                                                                                       \
    const __m128i w15 = _mm_alignr_epi8(m1, m0, 8);                                       \
    const __m128i w7 = _mm_alignr_epi8(m5, m4, 8);                                        \
    const __m128i s0 =                                                                    \
        _mm_xor_si128(_mm_xor_si128(Rotr(w15, 1), Rotr(w15, 8)), _mm_srli_epi64(w15, 7)); \
    const __m128i s1 =                                                                    \
        _mm_xor_si128(_mm_xor_si128(Rotr(m7, 19), Rotr(m7, 61)), _mm_srli_epi64(m7, 6));  \
    m0 = _mm_add_epi64(_mm_add_epi64(m0, s0), _mm_add_epi64(w7, s1));                     \
    Store(out, _mm_add_epi64(m0, LoadK(kIndex)));                                         \
  }

// One round with word-plus-constant x. Three separate rotations per Sigma: their latency is
// shorter than the nested form's, and the shift units have room now that the schedule is gone.
#define TESSEC_SHA512_VROUND(a, b, c, d, e, f, g, h, x)                                     \
  h += (x) + ((g) ^ ((e) & ((f) ^ (g)))) + (Rotr64(e, 14) ^ Rotr64(e, 18) ^ Rotr64(e, 41)); \
  d += h;                                                                                   \
  bc = ab;                                                                                  \
  ab = (a) ^ (b);                                                                           \
  h += (Rotr64(a, 28) ^ Rotr64(a, 34) ^ Rotr64(a, 39)) + ((b) ^ (ab & bc));

// Rounds i and i + 1 of a group, then (unless this is the last group) one schedule step.
#define TESSEC_SHA512_PAIR(a, b, c, d, e, f, g, h, i, SCHEDULE) \
  TESSEC_SHA512_VROUND(a, b, c, d, e, f, g, h, x[i])            \
  TESSEC_SHA512_VROUND(h, a, b, c, d, e, f, g, x[(i) + 1])      \
  if (more) SCHEDULE

void TESSEC_SHA512_SIMD_NAME(uint64_t state[8], const unsigned char* p, size_t blocks) {
  // Byte order: each 64-bit lane big-endian.
  const __m128i swap = _mm_set_epi8(8, 9, 10, 11, 12, 13, 14, 15, 0, 1, 2, 3, 4, 5, 6, 7);
  // Word plus constant of the current group and of the next one.
  alignas(16) uint64_t wk[2][16];

  for (; blocks; --blocks, p += 128) {
    const __m128i* in = reinterpret_cast<const __m128i*>(p);
    __m128i m0 = _mm_shuffle_epi8(_mm_loadu_si128(in), swap);
    __m128i m1 = _mm_shuffle_epi8(_mm_loadu_si128(in + 1), swap);
    __m128i m2 = _mm_shuffle_epi8(_mm_loadu_si128(in + 2), swap);
    __m128i m3 = _mm_shuffle_epi8(_mm_loadu_si128(in + 3), swap);
    __m128i m4 = _mm_shuffle_epi8(_mm_loadu_si128(in + 4), swap);
    __m128i m5 = _mm_shuffle_epi8(_mm_loadu_si128(in + 5), swap);
    __m128i m6 = _mm_shuffle_epi8(_mm_loadu_si128(in + 6), swap);
    __m128i m7 = _mm_shuffle_epi8(_mm_loadu_si128(in + 7), swap);
    Store(wk[0], _mm_add_epi64(m0, LoadK(0)));
    Store(wk[0] + 2, _mm_add_epi64(m1, LoadK(2)));
    Store(wk[0] + 4, _mm_add_epi64(m2, LoadK(4)));
    Store(wk[0] + 6, _mm_add_epi64(m3, LoadK(6)));
    Store(wk[0] + 8, _mm_add_epi64(m4, LoadK(8)));
    Store(wk[0] + 10, _mm_add_epi64(m5, LoadK(10)));
    Store(wk[0] + 12, _mm_add_epi64(m6, LoadK(12)));
    Store(wk[0] + 14, _mm_add_epi64(m7, LoadK(14)));

    uint64_t a = state[0], b = state[1], c = state[2], d = state[3];
    uint64_t e = state[4], f = state[5], g = state[6], h = state[7];
    uint64_t ab = b ^ c, bc;
    for (int j = 0; j < 80; j += 16) {
      const uint64_t* x = wk[(j >> 4) & 1];
      uint64_t* next = wk[((j >> 4) + 1) & 1];
      const bool more = j < 64;
      const int n = j + 16;  // first round of the next group
      TESSEC_SHA512_PAIR(a, b, c, d, e, f, g, h, 0,
                         TESSEC_SHA512_SCHEDULE(m0, m1, m4, m5, m7, n, next))
      TESSEC_SHA512_PAIR(g, h, a, b, c, d, e, f, 2,
                         TESSEC_SHA512_SCHEDULE(m1, m2, m5, m6, m0, n + 2, next + 2))
      TESSEC_SHA512_PAIR(e, f, g, h, a, b, c, d, 4,
                         TESSEC_SHA512_SCHEDULE(m2, m3, m6, m7, m1, n + 4, next + 4))
      TESSEC_SHA512_PAIR(c, d, e, f, g, h, a, b, 6,
                         TESSEC_SHA512_SCHEDULE(m3, m4, m7, m0, m2, n + 6, next + 6))
      TESSEC_SHA512_PAIR(a, b, c, d, e, f, g, h, 8,
                         TESSEC_SHA512_SCHEDULE(m4, m5, m0, m1, m3, n + 8, next + 8))
      TESSEC_SHA512_PAIR(g, h, a, b, c, d, e, f, 10,
                         TESSEC_SHA512_SCHEDULE(m5, m6, m1, m2, m4, n + 10, next + 10))
      TESSEC_SHA512_PAIR(e, f, g, h, a, b, c, d, 12,
                         TESSEC_SHA512_SCHEDULE(m6, m7, m2, m3, m5, n + 12, next + 12))
      TESSEC_SHA512_PAIR(c, d, e, f, g, h, a, b, 14,
                         TESSEC_SHA512_SCHEDULE(m7, m0, m3, m4, m6, n + 14, next + 14))
    }
    AddToState(state, a, b, c, d, e, f, g, h);
  }
}

#undef TESSEC_SHA512_SCHEDULE
#undef TESSEC_SHA512_VROUND
#undef TESSEC_SHA512_PAIR

}  // namespace tessec_detail

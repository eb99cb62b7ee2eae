// SHA-1 compression with the message schedule in SSE registers, for CPUs without the SHA
// extensions. Compiled with SSSE3 enabled for this file only (see CMakeLists.txt) and called
// only after CpuFeatures() reported SSE2 and SSSE3. On x86-64 it pays only with rotations that
// keep their source (rorx): Sha1Avx2.cpp builds it once more for CPUs with AVX2 and BMI2.
//
// The rounds stay in general registers; the message words plus round constants are worked out
// four per vector, five rounds ahead of the first of them, between groups of five rounds.
#include <immintrin.h>

#include "Internal.h"

#ifndef TESSEC_SHA1_SIMD_NAME
#define TESSEC_SHA1_SIMD_NAME Sha1BlocksSsse3
#endif

namespace tessec_detail {

namespace {

typedef __m128i V;

alignas(16) const uint32_t kSha1K[4][4] = {{0x5a827999u, 0x5a827999u, 0x5a827999u, 0x5a827999u},
                                           {0x6ed9eba1u, 0x6ed9eba1u, 0x6ed9eba1u, 0x6ed9eba1u},
                                           {0x8f1bbcdcu, 0x8f1bbcdcu, 0x8f1bbcdcu, 0x8f1bbcdcu},
                                           {0xca62c1d6u, 0xca62c1d6u, 0xca62c1d6u, 0xca62c1d6u}};
// The round constants of word t, four times.
inline V K(int t) { return _mm_load_si128(reinterpret_cast<const V*>(kSha1K[t / 20])); }
template <int N>
inline V Rotl(V x) {
  return _mm_or_si128(_mm_slli_epi32(x, N), _mm_srli_epi32(x, 32 - N));
}
// Words t..t+3 into m0 (which held t-16..t-13); m1, m2, m3 hold t-12..t-1. Their sums with
// the round constants go to wk[t..t+3].
//   W[t] = rotl1(W[t-3] ^ W[t-8] ^ W[t-14] ^ W[t-16])
// W[t+3] needs W[t]: its share is added afterwards, as rotl1 of the first new word.
inline void Step(V& m0, V m1, V m2, V m3, uint32_t* wk, int t) {
  V x = _mm_xor_si128(_mm_xor_si128(m0, _mm_alignr_epi8(m1, m0, 8)),
                      _mm_xor_si128(m2, _mm_srli_si128(m3, 4)));
  x = Rotl<1>(x);
  m0 = _mm_xor_si128(x, Rotl<1>(_mm_slli_si128(x, 12)));
  _mm_store_si128(reinterpret_cast<V*>(wk + t), _mm_add_epi32(m0, K(t)));
}
inline uint32_t Ch(uint32_t b, uint32_t c, uint32_t d) { return d ^ (b & (c ^ d)); }
inline uint32_t Parity(uint32_t b, uint32_t c, uint32_t d) { return b ^ c ^ d; }
inline uint32_t Maj(uint32_t b, uint32_t c, uint32_t d) { return (b & c) | (d & (b | c)); }
template <uint32_t (*F)(uint32_t, uint32_t, uint32_t)>
inline void R(uint32_t a, uint32_t& b, uint32_t c, uint32_t d, uint32_t& e, uint32_t w) {
  e += Rotl32(a, 5) + F(b, c, d) + w;
  b = Rotl32(b, 30);
}
template <uint32_t (*F)(uint32_t, uint32_t, uint32_t)>
inline void Five(uint32_t& a, uint32_t& b, uint32_t& c, uint32_t& d, uint32_t& e,
                 const uint32_t* x) {
  R<F>(a, b, c, d, e, x[0]);
  R<F>(e, a, b, c, d, x[1]);
  R<F>(d, e, a, b, c, x[2]);
  R<F>(c, d, e, a, b, x[3]);
  R<F>(b, c, d, e, a, x[4]);
}
// Rounds 20Q .. 20Q + 19 (round function F), with the schedule steps for words 16 + 16Q ..
// 31 + 16Q between their groups of five: every word is ready before its round.
template <int Q, uint32_t (*F)(uint32_t, uint32_t, uint32_t)>
inline void Quarter(uint32_t& a, uint32_t& b, uint32_t& c, uint32_t& d, uint32_t& e, V& m0, V& m1,
                    V& m2, V& m3, uint32_t* wk) {
  const int t = 16 + 16 * Q, r = 20 * Q;
  Step(m0, m1, m2, m3, wk, t);
  Five<F>(a, b, c, d, e, wk + r);
  Step(m1, m2, m3, m0, wk, t + 4);
  Five<F>(a, b, c, d, e, wk + r + 5);
  Step(m2, m3, m0, m1, wk, t + 8);
  Five<F>(a, b, c, d, e, wk + r + 10);
  Step(m3, m0, m1, m2, wk, t + 12);
  Five<F>(a, b, c, d, e, wk + r + 15);
}
}  // namespace

void TESSEC_SHA1_SIMD_NAME(uint32_t state[5], const unsigned char* p, size_t blocks) {
  const V swap = _mm_set_epi8(12, 13, 14, 15, 8, 9, 10, 11, 4, 5, 6, 7, 0, 1, 2, 3);
  alignas(16) uint32_t wk[80];
  for (; blocks; --blocks, p += 64) {
    const V* in = reinterpret_cast<const V*>(p);
    V m0 = _mm_shuffle_epi8(_mm_loadu_si128(in), swap),
      m1 = _mm_shuffle_epi8(_mm_loadu_si128(in + 1), swap);
    V m2 = _mm_shuffle_epi8(_mm_loadu_si128(in + 2), swap),
      m3 = _mm_shuffle_epi8(_mm_loadu_si128(in + 3), swap);
    _mm_store_si128(reinterpret_cast<V*>(wk), _mm_add_epi32(m0, K(0)));
    _mm_store_si128(reinterpret_cast<V*>(wk + 4), _mm_add_epi32(m1, K(0)));
    _mm_store_si128(reinterpret_cast<V*>(wk + 8), _mm_add_epi32(m2, K(0)));
    _mm_store_si128(reinterpret_cast<V*>(wk + 12), _mm_add_epi32(m3, K(0)));
    uint32_t a = state[0], b = state[1], c = state[2], d = state[3], e = state[4];
    Quarter<0, Ch>(a, b, c, d, e, m0, m1, m2, m3, wk);
    Quarter<1, Parity>(a, b, c, d, e, m0, m1, m2, m3, wk);
    Quarter<2, Maj>(a, b, c, d, e, m0, m1, m2, m3, wk);
    Quarter<3, Parity>(a, b, c, d, e, m0, m1, m2, m3, wk);
    state[0] += a;
    state[1] += b;
    state[2] += c;
    state[3] += d;
    state[4] += e;
  }
}

}  // namespace tessec_detail

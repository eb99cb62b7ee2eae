// SHA-1 compression with the message schedule in SSE registers, for CPUs without the SHA
// extensions. Compiled with SSSE3 enabled for this file only (see CMakeLists.txt) and called
// only after CpuFeatures() reported SSE2 and SSSE3. On x86-64 it pays only with rotations that
// keep their source (rorx): Sha1Avx2.cpp builds it once more for CPUs with AVX2 and BMI2.
//
// The rounds stay in general registers and take each message word plus round constant from a
// small buffer in memory, as one operand of an addition. The vector unit works those sums out
// four at a time, sixteen rounds ahead, between the rounds: words 16 to 31 by the definition
//   W[t] = rotl1(W[t-3] ^ W[t-8] ^ W[t-14] ^ W[t-16]),
// words 32 to 79 by the same recurrence applied twice,
//   W[t] = rotl2(W[t-6] ^ W[t-16] ^ W[t-28] ^ W[t-32]),
// whose four words of a step do not depend on each other.
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

template <int N>
inline V Rotl(V x) {
  return _mm_or_si128(_mm_slli_epi32(x, N), _mm_srli_epi32(x, 32 - N));
}

// The schedule of a block: w[k] holds message words 4k .. 4k + 3, wk the words plus their round
// constants, which the rounds read from memory.
struct Schedule {
  V w[20];
  alignas(16) uint32_t wk[80];

  void Store(int k, V x) {
    w[k] = x;
    _mm_store_si128(reinterpret_cast<V*>(wk + 4 * k),
                    _mm_add_epi32(x, _mm_load_si128(reinterpret_cast<const V*>(kSha1K[k / 5]))));
  }

  // Words 4k .. 4k + 3 for k = 4 .. 19 (nothing for larger k).
  void Step(int k) {
    if (k >= 20) return;
    if (k < 8) {
      // W[t + 3] needs W[t]: its share is added afterwards, as rotl1 of the first new word.
      V x = _mm_xor_si128(_mm_xor_si128(w[k - 4], _mm_alignr_epi8(w[k - 3], w[k - 4], 8)),
                          _mm_xor_si128(w[k - 2], _mm_srli_si128(w[k - 1], 4)));
      x = Rotl<1>(x);
      Store(k, _mm_xor_si128(x, Rotl<1>(_mm_slli_si128(x, 12))));
    } else {
      const V x = _mm_xor_si128(_mm_xor_si128(_mm_alignr_epi8(w[k - 1], w[k - 2], 8), w[k - 4]),
                                _mm_xor_si128(w[k - 7], w[k - 8]));
      Store(k, Rotl<2>(x));
    }
  }
};

inline uint32_t Ch(uint32_t b, uint32_t c, uint32_t d) { return d ^ (b & (c ^ d)); }
inline uint32_t Parity(uint32_t b, uint32_t c, uint32_t d) { return b ^ c ^ d; }
// The two terms share no bit, so they can be added one by one.
inline uint32_t Maj(uint32_t b, uint32_t c, uint32_t d) { return (b & c) + (d & (b ^ c)); }

// Round t: e and b are the words that change, the caller rotates the names.
// The sums are read as volatile: otherwise the compiler hands them over from the vector
// registers by extractions, which cost more than a store and a load.
template <int T>
inline void R(uint32_t a, uint32_t& b, uint32_t c, uint32_t d, uint32_t& e,
              const volatile uint32_t* wk) {
  const uint32_t f = T < 20   ? Ch(b, c, d)
                     : T < 40 ? Parity(b, c, d)
                     : T < 60 ? Maj(b, c, d)
                              : Parity(b, c, d);
  e += wk[T] + f + Rotl32(a, 5);
  b = Rotl32(b, 30);
}

// Rounds T .. T + 4.
template <int T>
inline void Five(uint32_t& a, uint32_t& b, uint32_t& c, uint32_t& d, uint32_t& e, Schedule& s) {
  R<T>(a, b, c, d, e, s.wk);
  R<T + 1>(e, a, b, c, d, s.wk);
  R<T + 2>(d, e, a, b, c, s.wk);
  R<T + 3>(c, d, e, a, b, s.wk);
  R<T + 4>(b, c, d, e, a, s.wk);
}

}  // namespace

void TESSEC_SHA1_SIMD_NAME(uint32_t state[5], const unsigned char* p, size_t blocks) {
  const V swap = _mm_set_epi8(12, 13, 14, 15, 8, 9, 10, 11, 4, 5, 6, 7, 0, 1, 2, 3);
  Schedule s;
  for (; blocks; --blocks, p += 64) {
    const V* in = reinterpret_cast<const V*>(p);
    for (int k = 0; k < 4; ++k) s.Store(k, _mm_shuffle_epi8(_mm_loadu_si128(in + k), swap));
    uint32_t a = state[0], b = state[1], c = state[2], d = state[3], e = state[4];
    // Four rounds per schedule step; the step for words 4k .. 4k + 3 runs with the rounds
    // 4k - 16 .. 4k - 13.
#define TESSEC_SHA1_TWENTY(T)       \
  s.Step((T) / 4 + 4);              \
  Five<T>(a, b, c, d, e, s);        \
  s.Step((T) / 4 + 5);              \
  Five<(T) + 5>(a, b, c, d, e, s);  \
  s.Step((T) / 4 + 6);              \
  Five<(T) + 10>(a, b, c, d, e, s); \
  s.Step((T) / 4 + 7);              \
  Five<(T) + 15>(a, b, c, d, e, s); \
  s.Step((T) / 4 + 8);
    TESSEC_SHA1_TWENTY(0)
    TESSEC_SHA1_TWENTY(20)
    TESSEC_SHA1_TWENTY(40)
    TESSEC_SHA1_TWENTY(60)
#undef TESSEC_SHA1_TWENTY
    state[0] += a;
    state[1] += b;
    state[2] += c;
    state[3] += d;
    state[4] += e;
  }
}

}  // namespace tessec_detail

// SHA-384/512 compression for x86-64 with the message schedule in SSE registers. Built for SSE2
// alone (byte swaps and word alignments by shifts and shuffles; x86-64 always has SSE2, but
// TESSEC_CPU=none switches it off) and called only after CpuFeatures() reported SSE2.
//
// The rounds stay in scalar registers; the schedule of the next sixteen message words (plus
// round constants) is worked out two words per vector while the current sixteen rounds run.
// That takes the schedule's shifts and rotations off the scalar shift units, which are what
// limits the scalar code, and lets the vector units do them alongside. Built for AVX2
// (Sha512SimdAvx2.cpp), the schedule covers two blocks at once, one per 128-bit lane, while the
// rounds of the first block run; the second block's rounds then find all their words done.
#include <immintrin.h>

// Sha512SimdAvx2.cpp builds this file a second time, for AVX2 and BMI2.
#ifndef TESSEC_SHA512_SIMD_NAME
#define TESSEC_SHA512_SIMD_NAME Sha512BlocksSse2
#define TESSEC_SSE2_ONLY
#endif

#include "Internal.h"
#include "ShaVectorBlocks.h"
#include "SseBytes.h"

namespace tessec_detail {

namespace {

// The vector operations of the schedule, on one block (two words per register) or two blocks
// side by side (two words of each, one block per 128-bit lane: the byte alignments of AVX2 work
// per lane).
struct OneBlock {
  typedef __m128i V;
  static const int kBlocks = 1;
  static V Load(const unsigned char* p, int i) {
    return SwapBytes64(_mm_loadu_si128(reinterpret_cast<const V*>(p) + i));
  }
  static V Add(V a, V b) { return _mm_add_epi64(a, b); }
  static V Xor(V a, V b) { return _mm_xor_si128(a, b); }
  template <int N>
  static V Shr(V x) {
    return _mm_srli_epi64(x, N);
  }
  template <int N>
  static V Shl(V x) {
    return _mm_slli_epi64(x, N);
  }
  // The high word of lo and the low word of hi.
  static V Middle(V hi, V lo) { return AlignRight<8>(hi, lo); }
  static void StoreSum(uint64_t* p, V x, int i) {
    const V k = _mm_load_si128(reinterpret_cast<const V*>(kSha512K + 2 * i));
    _mm_store_si128(reinterpret_cast<V*>(p), _mm_add_epi64(x, k));
  }
};

#if defined(__AVX2__)
struct TwoBlocks {
  typedef __m256i V;
  static const int kBlocks = 2;
  static V Load(const unsigned char* p, int i) {
    const V swap = _mm256_set_epi8(8, 9, 10, 11, 12, 13, 14, 15, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10,
                                   11, 12, 13, 14, 15, 0, 1, 2, 3, 4, 5, 6, 7);
    const __m128i* in = reinterpret_cast<const __m128i*>(p);
    const V x = _mm256_inserti128_si256(_mm256_castsi128_si256(_mm_loadu_si128(in + i)),
                                        _mm_loadu_si128(in + 8 + i), 1);
    return _mm256_shuffle_epi8(x, swap);
  }
  static V Add(V a, V b) { return _mm256_add_epi64(a, b); }
  static V Xor(V a, V b) { return _mm256_xor_si256(a, b); }
  template <int N>
  static V Shr(V x) {
    return _mm256_srli_epi64(x, N);
  }
  template <int N>
  static V Shl(V x) {
    return _mm256_slli_epi64(x, N);
  }
  static V Middle(V hi, V lo) { return _mm256_alignr_epi8(hi, lo, 8); }
  static void StoreSum(uint64_t* p, V x, int i) {
    const V k = _mm256_broadcastsi128_si256(
        _mm_load_si128(reinterpret_cast<const __m128i*>(kSha512K + 2 * i)));
    _mm256_storeu_si256(reinterpret_cast<V*>(p), _mm256_add_epi64(x, k));
  }
};
#endif

// The schedule of a block (or of two side by side): m[i % 8] holds message words 2i and 2i + 1,
// wk the words plus their round constants, which the rounds read from memory: words 2i, 2i + 1
// of block b at wk[2 (i * kBlocks + b)]. The compiler barrier after each step keeps the compiler
// from handing the sums to the rounds through vector extractions, which cost more than a store
// and a load (wk, unlike m, is known to the barrier).
template <class L>
struct Schedule {
  typedef typename L::V V;
  V m[8];
  uint64_t* wk;

  // Words 2i and 2i + 1 for i = 8 .. 39 (nothing for larger i), from words 2i - 16 .. 2i - 1,
  // where K = i % 8:
  //   W[t] = sigma1(W[t-2]) + W[t-7] + sigma0(W[t-15]) + W[t-16]
  // with sigma0(x) = rotr(x, 1) ^ rotr(x, 8) ^ (x >> 7), sigma1(x) = rotr(x, 19) ^ rotr(x, 61) ^
  // (x >> 6).
  template <int K>
  void Step(int i) {
    if (i >= 40) return;
    const V w15 = L::Middle(m[(K + 1) & 7], m[K]);
    const V w7 = L::Middle(m[(K + 5) & 7], m[(K + 4) & 7]);
    const V w2 = m[(K + 7) & 7];
    const V s0 = L::Xor(L::Xor(L::Xor(L::template Shr<1>(w15), L::template Shl<63>(w15)),
                               L::Xor(L::template Shr<8>(w15), L::template Shl<56>(w15))),
                        L::template Shr<7>(w15));
    const V s1 = L::Xor(L::Xor(L::Xor(L::template Shr<19>(w2), L::template Shl<45>(w2)),
                               L::Xor(L::template Shr<61>(w2), L::template Shl<3>(w2))),
                        L::template Shr<6>(w2));
    m[K] = L::Add(L::Add(m[K], s0), L::Add(w7, s1));
    L::StoreSum(wk + 2 * L::kBlocks * i, m[K], i);
    TESSEC_COMPILER_BARRIER();
  }
};

// One round with word-plus-constant x. Three separate rotations per Sigma: their latency is
// shorter than the nested form's, and the shift units have room now that the schedule is gone.
inline void Round(uint64_t a, uint64_t b, uint64_t& d, uint64_t e, uint64_t f, uint64_t g,
                  uint64_t& h, uint64_t x, uint64_t& ab) {
  h += x + (g ^ (e & (f ^ g)));
  TESSEC_PIN(h);
  h += Rotr64(e, 14) ^ Rotr64(e, 18) ^ Rotr64(e, 41);
  d += h;
  const uint64_t bc = ab;
  ab = a ^ b;
  h += (Rotr64(a, 28) ^ Rotr64(a, 34) ^ Rotr64(a, 39)) + (b ^ (ab & bc));
}

// The rounds for the shared block driver (ShaVectorBlocks.h).
struct Rounds {
  typedef uint64_t Word;
  static const int kRounds = 80;
  template <class L>
  using Schedule = tessec_detail::Schedule<L>;

  // Rounds t .. t + 15 (t a multiple of 16) of a block whose sums are at wk (kBlocks blocks
  // interleaved), with the schedule steps for the words sixteen rounds ahead between every two
  // rounds.
  template <int kBlocks, class S>
  static void Sixteen(int t, uint64_t* v, const uint64_t* wk, uint64_t& ab, S& s) {
    uint64_t a = v[0], b = v[1], c = v[2], d = v[3], e = v[4], f = v[5], g = v[6], h = v[7];
    const uint64_t* x = wk + kBlocks * t;
    const int i = t / 2 + 8;  // the first step
#define TESSEC_SHA512_PAIR(a, b, c, d, e, f, g, h, k)       \
  Round(a, b, d, e, f, g, h, x[2 * kBlocks * (k)], ab);     \
  Round(h, a, c, d, e, f, g, x[2 * kBlocks * (k) + 1], ab); \
  s.template Step<k>(i + (k));
    TESSEC_SHA512_PAIR(a, b, c, d, e, f, g, h, 0)
    TESSEC_SHA512_PAIR(g, h, a, b, c, d, e, f, 1)
    TESSEC_SHA512_PAIR(e, f, g, h, a, b, c, d, 2)
    TESSEC_SHA512_PAIR(c, d, e, f, g, h, a, b, 3)
    TESSEC_SHA512_PAIR(a, b, c, d, e, f, g, h, 4)
    TESSEC_SHA512_PAIR(g, h, a, b, c, d, e, f, 5)
    TESSEC_SHA512_PAIR(e, f, g, h, a, b, c, d, 6)
    TESSEC_SHA512_PAIR(c, d, e, f, g, h, a, b, 7)
#undef TESSEC_SHA512_PAIR
    v[0] = a;
    v[1] = b;
    v[2] = c;
    v[3] = d;
    v[4] = e;
    v[5] = f;
    v[6] = g;
    v[7] = h;
  }
};

}  // namespace

TESSEC_CODE_ALIGN void TESSEC_SHA512_SIMD_NAME(uint64_t state[8], const unsigned char* p,
                                               size_t blocks) {
#if defined(__AVX2__)
  VectorBlocks<Rounds, TwoBlocks>(state, p, blocks);
#endif
  VectorBlocks<Rounds, OneBlock>(state, p, blocks);
}

}  // namespace tessec_detail

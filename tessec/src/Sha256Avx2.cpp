// SHA-256 compression with the message schedule in SSE registers, for CPUs without the SHA
// extensions. Compiled with AVX2 and BMI2 enabled for this file only (see CMakeLists.txt) and
// called only after CpuFeatures() reported both: the VEX encoding needs no copy before a vector
// shift, and rorx rotates without destroying its source.
//
// The rounds stay in general registers. The message words, plus their round constants, are
// worked out four per vector sixteen rounds ahead of their use: the vector unit does the
// schedule's shifts and rotations alongside the rounds, and each round only adds a word from
// memory. On x86-64 the schedule covers two blocks at once, one per 128-bit lane, while the
// rounds of the first block run; the second block's rounds then find all their words done.
#include <immintrin.h>

// Sha256Sse2.cpp builds this file a second time, for SSE2 alone.
#ifndef TESSEC_SHA256_SIMD_NAME
#define TESSEC_SHA256_SIMD_NAME Sha256BlocksAvx2
#endif

#include "Internal.h"
#include "ShaVectorBlocks.h"
#include "SseBytes.h"

namespace tessec_detail {

namespace {

// The vector operations of the schedule, on one block (four words per register) or, in 64-bit
// builds, two blocks side by side (four words of each, one block per 128-bit lane: the byte
// shifts and alignments of AVX2 work per lane).
struct OneBlock {
  typedef __m128i V;
  static const int kBlocks = 1;
  static V Load(const unsigned char* p, int i) {
    return SwapBytes32(_mm_loadu_si128(reinterpret_cast<const V*>(p) + i));
  }
  static V Add(V a, V b) { return _mm_add_epi32(a, b); }
  static V Xor(V a, V b) { return _mm_xor_si128(a, b); }
  template <int N>
  static V Shr(V x) {
    return _mm_srli_epi32(x, N);
  }
  template <int N>
  static V Shl(V x) {
    return _mm_slli_epi32(x, N);
  }
  // Words 1 to 3 of lo and word 0 of hi.
  static V Next(V hi, V lo) { return AlignRight<4>(hi, lo); }
  // Words 2, 3 down to 0, 1 (zeros above); words 0, 1 up to 2, 3 (zeros below); words 0, 1 only.
  static V High(V x) { return _mm_srli_si128(x, 8); }
  static V Up(V x) { return _mm_slli_si128(x, 8); }
  static V Low(V x) { return _mm_move_epi64(x); }
  static void StoreSum(uint32_t* p, V x, int i) {
    const V k = _mm_load_si128(reinterpret_cast<const V*>(kSha256K + 4 * i));
    _mm_store_si128(reinterpret_cast<V*>(p), _mm_add_epi32(x, k));
  }
};

#if defined(TESSEC_X86_64) && defined(__AVX2__)
struct TwoBlocks {
  typedef __m256i V;
  static const int kBlocks = 2;
  static V Load(const unsigned char* p, int i) {
    const V swap = _mm256_set_epi8(12, 13, 14, 15, 8, 9, 10, 11, 4, 5, 6, 7, 0, 1, 2, 3, 12, 13, 14,
                                   15, 8, 9, 10, 11, 4, 5, 6, 7, 0, 1, 2, 3);
    const __m128i* in = reinterpret_cast<const __m128i*>(p);
    const V x = _mm256_inserti128_si256(_mm256_castsi128_si256(_mm_loadu_si128(in + i)),
                                        _mm_loadu_si128(in + 4 + i), 1);
    return _mm256_shuffle_epi8(x, swap);
  }
  static V Add(V a, V b) { return _mm256_add_epi32(a, b); }
  static V Xor(V a, V b) { return _mm256_xor_si256(a, b); }
  template <int N>
  static V Shr(V x) {
    return _mm256_srli_epi32(x, N);
  }
  template <int N>
  static V Shl(V x) {
    return _mm256_slli_epi32(x, N);
  }
  static V Next(V hi, V lo) { return _mm256_alignr_epi8(hi, lo, 4); }
  static V High(V x) { return _mm256_bsrli_epi128(x, 8); }
  static V Up(V x) { return _mm256_bslli_epi128(x, 8); }
  static V Low(V x) { return _mm256_blend_epi32(x, _mm256_setzero_si256(), 0xCC); }
  static void StoreSum(uint32_t* p, V x, int i) {
    const V k = _mm256_broadcastsi128_si256(
        _mm_load_si128(reinterpret_cast<const __m128i*>(kSha256K + 4 * i)));
    _mm256_storeu_si256(reinterpret_cast<V*>(p), _mm256_add_epi32(x, k));
  }
};
#endif

// The schedule of a block (or of two side by side): m[i % 4] holds message words 4i .. 4i + 3,
// wk the words plus their round constants, which the rounds read from memory: words 4i .. 4i + 3
// of block b at wk[4 (i * kBlocks + b)]. The compiler barrier after each step keeps the compiler
// from handing the sums to the rounds through vector extractions, which cost more than a store
// and a load (wk, unlike m, is known to the barrier).
template <class L>
struct Schedule {
  typedef typename L::V V;
  V m[4];
  uint32_t* wk;

  // sigma0(x) = rotr(x, 7) ^ rotr(x, 18) ^ (x >> 3); sigma1(x) = rotr(x, 17) ^ rotr(x, 19) ^
  // (x >> 10)
  static V SmallSigma0(V x) {
    const V r = L::Xor(L::template Shr<7>(x), L::template Shr<18>(x));
    const V l = L::Xor(L::template Shl<25>(x), L::template Shl<14>(x));
    return L::Xor(L::Xor(r, l), L::template Shr<3>(x));
  }
  static V SmallSigma1(V x) {
    const V r = L::Xor(L::template Shr<17>(x), L::template Shr<19>(x));
    const V l = L::Xor(L::template Shl<15>(x), L::template Shl<13>(x));
    return L::Xor(L::Xor(r, l), L::template Shr<10>(x));
  }

  // Words 4i .. 4i + 3 (i = 4 .. 15, nothing for larger i) into m[K], K = i % 4, from the sixteen
  // before:
  //   W[t] = sigma1(W[t-2]) + W[t-7] + sigma0(W[t-15]) + W[t-16]
  // Words 4i + 2 and 4i + 3 need sigma1 of words 4i and 4i + 1: a second pass over the upper half.
  template <int K>
  void Step(int i) {
    if (i >= 16) return;
    const V m0 = m[K], m1 = m[(K + 1) & 3], m2 = m[(K + 2) & 3], m3 = m[(K + 3) & 3];
    V x = L::Add(L::Add(m0, SmallSigma0(L::Next(m1, m0))), L::Next(m3, m2));
    // sigma1(0) = 0: the shifted-in zeros add nothing.
    x = L::Add(x, SmallSigma1(L::High(m3)));
    m[K] = L::Add(x, L::Up(SmallSigma1(L::Low(x))));
    L::StoreSum(wk + 4 * L::kBlocks * i, m[K], i);
    TESSEC_COMPILER_BARRIER();
  }
};

// One round with word-plus-constant wk; ab is a ^ b of the round before (b ^ c of this one).
#if defined(TESSEC_X86_64) || !defined(TESSEC_SSE2_ONLY)
inline void Round(uint32_t a, uint32_t b, uint32_t& d, uint32_t e, uint32_t f, uint32_t g,
                  uint32_t& h, uint32_t wk, uint32_t& ab) {
  h += wk + (g ^ (e & (f ^ g))) + (Rotr32(e, 6) ^ Rotr32(e, 11) ^ Rotr32(e, 25));
  d += h;
  const uint32_t bc = ab;
  ab = a ^ b;
  h += (Rotr32(a, 2) ^ Rotr32(a, 13) ^ Rotr32(a, 22)) + (b ^ (ab & bc));
}
#else
// 32-bit code without rorx: nested rotations (one copy of the word, not three, among the seven
// registers) and Sigma1(e) added last (pinned by an empty statement), as in the table code.
inline void Round(uint32_t a, uint32_t b, uint32_t& d, uint32_t e, uint32_t f, uint32_t g,
                  uint32_t& h, uint32_t wk, uint32_t& ab) {
  h += wk + (g ^ (e & (f ^ g)));
  TESSEC_PIN(h);
  h += Rotr32(Rotr32(Rotr32(e, 14) ^ e, 5) ^ e, 6);
  d += h;
  const uint32_t bc = ab;
  ab = a ^ b;
  h += Rotr32(Rotr32(Rotr32(a, 9) ^ a, 11) ^ a, 2) + (b ^ (ab & bc));
}
#endif

// The rounds for the shared block driver (ShaVectorBlocks.h).
struct Rounds {
  typedef uint32_t Word;
  static const int kRounds = 64;
  template <class L>
  using Schedule = tessec_detail::Schedule<L>;

  // Rounds t .. t + 15 (t a multiple of 16) of a block whose sums are at wk (kBlocks blocks
  // interleaved), with a schedule step for the words sixteen rounds ahead every four rounds.
  template <int kBlocks, class S>
  static void Sixteen(int t, uint32_t* v, const uint32_t* wk, uint32_t& ab, S& s) {
    uint32_t a = v[0], b = v[1], c = v[2], d = v[3], e = v[4], f = v[5], g = v[6], h = v[7];
    const uint32_t* x = wk + kBlocks * t;
    const int i = t / 4 + 4;  // the first step
#define TESSEC_SHA256_FOUR(a, b, c, d, e, f, g, h, k)       \
  s.template Step<k>(i + (k));                              \
  Round(a, b, d, e, f, g, h, x[4 * kBlocks * (k)], ab);     \
  Round(h, a, c, d, e, f, g, x[4 * kBlocks * (k) + 1], ab); \
  Round(g, h, b, c, d, e, f, x[4 * kBlocks * (k) + 2], ab); \
  Round(f, g, a, b, c, d, e, x[4 * kBlocks * (k) + 3], ab);
    TESSEC_SHA256_FOUR(a, b, c, d, e, f, g, h, 0)
    TESSEC_SHA256_FOUR(e, f, g, h, a, b, c, d, 1)
    TESSEC_SHA256_FOUR(a, b, c, d, e, f, g, h, 2)
    TESSEC_SHA256_FOUR(e, f, g, h, a, b, c, d, 3)
#undef TESSEC_SHA256_FOUR
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

void TESSEC_SHA256_SIMD_NAME(uint32_t state[8], const unsigned char* p, size_t blocks) {
#if defined(TESSEC_X86_64) && defined(__AVX2__)
  VectorBlocks<Rounds, TwoBlocks>(state, p, blocks);
#endif
  VectorBlocks<Rounds, OneBlock>(state, p, blocks);
}

}  // namespace tessec_detail

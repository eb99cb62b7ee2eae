// SHA-1 compression with the message schedule in SSE registers, for CPUs without the SHA
// extensions. Compiled with SSSE3 enabled for this file only (see CMakeLists.txt) and called
// only after CpuFeatures() reported SSE2 and SSSE3; built on 32-bit x86 only (on x86-64 the
// table code is as fast without rotations that keep their source). Sha1Avx2.cpp builds it once
// more, on both word sizes, for CPUs with AVX2 and BMI2.
//
// The rounds stay in general registers and take each message word plus round constant from a
// small buffer in memory, as one operand of an addition. The vector unit works those sums out
// four at a time, sixteen rounds ahead, between the rounds (built for AVX2, for two blocks at
// once, ahead of the first block's rounds): words 16 to 31 by the definition
//   W[t] = rotl1(W[t-3] ^ W[t-8] ^ W[t-14] ^ W[t-16]),
// words 32 to 79 by the same recurrence applied twice,
//   W[t] = rotl2(W[t-6] ^ W[t-16] ^ W[t-28] ^ W[t-32]),
// whose four words of a step do not depend on each other.
#include <immintrin.h>

#include "Internal.h"
#include "SseBytes.h"

#ifndef TESSEC_SHA1_SIMD_NAME
#define TESSEC_SHA1_SIMD_NAME Sha1BlocksSsse3
#endif

namespace tessec_detail {

namespace {

alignas(16) const uint32_t kSha1K[4] = {0x5a827999u, 0x6ed9eba1u, 0x8f1bbcdcu, 0xca62c1d6u};

// The vector operations of the schedule, on one block (four words per register) or, in builds
// for AVX2, on two blocks side by side (four words of each, one block per 128-bit lane: the
// byte shifts and alignments of AVX2 work per lane).
struct OneBlock {
  typedef __m128i V;
  static const int kBlocks = 1;
  static V Load(const unsigned char* p, int k) {
    return SwapBytes32(_mm_loadu_si128(reinterpret_cast<const V*>(p) + k));
  }
  static V Xor(V a, V b) { return _mm_xor_si128(a, b); }
  template <int N>
  static V Rotl(V x) {
    return _mm_or_si128(_mm_slli_epi32(x, N), _mm_srli_epi32(x, 32 - N));
  }
  // Words 2, 3 of lo and 0, 1 of hi; words 1 to 3 of x and a zero; a zero and word 0 of x.
  static V Middle(V hi, V lo) { return AlignRight<8>(hi, lo); }
  static V Down1(V x) { return _mm_srli_si128(x, 4); }
  static V Up3(V x) { return _mm_slli_si128(x, 12); }
  static void StoreSum(uint32_t* p, V x, int q) {
    const V k = _mm_set1_epi32(static_cast<int>(kSha1K[q]));
    _mm_store_si128(reinterpret_cast<V*>(p), _mm_add_epi32(x, k));
  }
};

#if defined(__AVX2__)
struct TwoBlocks {
  typedef __m256i V;
  static const int kBlocks = 2;
  static V Load(const unsigned char* p, int k) {
    const V swap = _mm256_set_epi8(12, 13, 14, 15, 8, 9, 10, 11, 4, 5, 6, 7, 0, 1, 2, 3, 12, 13, 14,
                                   15, 8, 9, 10, 11, 4, 5, 6, 7, 0, 1, 2, 3);
    const __m128i* in = reinterpret_cast<const __m128i*>(p);
    const V x = _mm256_inserti128_si256(_mm256_castsi128_si256(_mm_loadu_si128(in + k)),
                                        _mm_loadu_si128(in + 4 + k), 1);
    return _mm256_shuffle_epi8(x, swap);
  }
  static V Xor(V a, V b) { return _mm256_xor_si256(a, b); }
  template <int N>
  static V Rotl(V x) {
    return _mm256_or_si256(_mm256_slli_epi32(x, N), _mm256_srli_epi32(x, 32 - N));
  }
  static V Middle(V hi, V lo) { return _mm256_alignr_epi8(hi, lo, 8); }
  static V Down1(V x) { return _mm256_bsrli_epi128(x, 4); }
  static V Up3(V x) { return _mm256_bslli_epi128(x, 12); }
  static void StoreSum(uint32_t* p, V x, int q) {
    const V k = _mm256_set1_epi32(static_cast<int>(kSha1K[q]));
    _mm256_store_si256(reinterpret_cast<V*>(p), _mm256_add_epi32(x, k));
  }
};
#endif

// The schedule of a block (or of two side by side): w[k] holds message words 4k .. 4k + 3, wk
// the words plus their round constants, which the rounds read from memory: words 4k .. 4k + 3 of
// block b at wk[4 (k * kBlocks + b)]. The compiler barrier after each step keeps the compiler
// from handing the sums to the rounds through vector extractions, which cost more than a store
// and a load (wk, unlike w, is known to the barrier).
template <class L>
struct Schedule {
  typedef typename L::V V;
  V w[20];
  uint32_t* wk;

  void Store(int k, V x) {
    w[k] = x;
    L::StoreSum(wk + 4 * L::kBlocks * k, x, k / 5);
    TESSEC_COMPILER_BARRIER();
  }

  // Words 4k .. 4k + 3 for k = 4 .. 19 (nothing for larger k).
  void Step(int k) {
    if (k >= 20) return;
    if (k < 8) {
      // W[t + 3] needs W[t]: its share is added afterwards, as rotl1 of the first new word.
      V x = L::Xor(L::Xor(w[k - 4], L::Middle(w[k - 3], w[k - 4])),
                   L::Xor(w[k - 2], L::Down1(w[k - 1])));
      x = L::template Rotl<1>(x);
      Store(k, L::Xor(x, L::template Rotl<1>(L::Up3(x))));
    } else {
      const V x =
          L::Xor(L::Xor(L::Middle(w[k - 1], w[k - 2]), w[k - 4]), L::Xor(w[k - 7], w[k - 8]));
      Store(k, L::template Rotl<2>(x));
    }
  }
};

// Does nothing: the rounds of the second block of a pair, whose words are all done.
struct NoSchedule {
  void Step(int) {}
};

inline uint32_t Ch(uint32_t b, uint32_t c, uint32_t d) { return d ^ (b & (c ^ d)); }
inline uint32_t Parity(uint32_t b, uint32_t c, uint32_t d) { return b ^ c ^ d; }
// The two terms share no bit, so they can be added one by one.
inline uint32_t Maj(uint32_t b, uint32_t c, uint32_t d) { return (b & c) + (d & (b ^ c)); }

// Round t, with the word sums of its block at wk (kBlocks blocks interleaved): e and b are the
// words that change, the caller rotates the names.
template <int T, int kBlocks>
inline void R(uint32_t a, uint32_t& b, uint32_t c, uint32_t d, uint32_t& e, const uint32_t* wk) {
  const uint32_t f = T < 20   ? Ch(b, c, d)
                     : T < 40 ? Parity(b, c, d)
                     : T < 60 ? Maj(b, c, d)
                              : Parity(b, c, d);
  e += wk[4 * kBlocks * (T / 4) + T % 4] + f + Rotl32(a, 5);
  b = Rotl32(b, 30);
}

// Rounds T .. T + 4.
template <int T, int kBlocks>
inline void Five(uint32_t* v, const uint32_t* wk) {
  uint32_t a = v[0], b = v[1], c = v[2], d = v[3], e = v[4];
  R<T, kBlocks>(a, b, c, d, e, wk);
  R<T + 1, kBlocks>(e, a, b, c, d, wk);
  R<T + 2, kBlocks>(d, e, a, b, c, wk);
  R<T + 3, kBlocks>(c, d, e, a, b, wk);
  R<T + 4, kBlocks>(b, c, d, e, a, wk);
  v[0] = a;
  v[1] = b;
  v[2] = c;
  v[3] = d;
  v[4] = e;
}

// Rounds T .. T + 19, with the schedule steps for the words sixteen rounds ahead: the step for
// words 4k .. 4k + 3 runs with the rounds 4k - 16 .. 4k - 13.
template <int T, int kBlocks, class S>
inline void Twenty(uint32_t* v, const uint32_t* wk, S& s) {
  s.Step(T / 4 + 4);
  Five<T, kBlocks>(v, wk);
  s.Step(T / 4 + 5);
  Five<T + 5, kBlocks>(v, wk);
  s.Step(T / 4 + 6);
  Five<T + 10, kBlocks>(v, wk);
  s.Step(T / 4 + 7);
  Five<T + 15, kBlocks>(v, wk);
  s.Step(T / 4 + 8);
}

template <int kBlocks, class S>
inline void Eighty(uint32_t state[5], const uint32_t* wk, S& s) {
  uint32_t v[5] = {state[0], state[1], state[2], state[3], state[4]};
  Twenty<0, kBlocks>(v, wk, s);
  Twenty<20, kBlocks>(v, wk, s);
  Twenty<40, kBlocks>(v, wk, s);
  Twenty<60, kBlocks>(v, wk, s);
  for (int i = 0; i < 5; ++i) state[i] += v[i];
}

// Every group of L::kBlocks blocks: the schedule of all of them runs with the rounds of the
// first.
template <class L>
void Blocks(uint32_t state[5], const unsigned char*& p, size_t& blocks) {
  alignas(32) uint32_t wk[80 * L::kBlocks];
  TESSEC_ESCAPE(wk);
  Schedule<L> s;
  s.wk = wk;
  for (; blocks >= L::kBlocks; blocks -= L::kBlocks, p += 64 * L::kBlocks) {
    for (int k = 0; k < 4; ++k) s.Store(k, L::Load(p, k));
    Eighty<L::kBlocks>(state, wk, s);
    NoSchedule none;
    for (int b = 1; b < L::kBlocks; ++b) Eighty<L::kBlocks>(state, wk + 4 * b, none);
  }
}

}  // namespace

void TESSEC_SHA1_SIMD_NAME(uint32_t state[5], const unsigned char* p, size_t blocks) {
#if defined(__AVX2__)
  Blocks<TwoBlocks>(state, p, blocks);
#endif
  Blocks<OneBlock>(state, p, blocks);
}

}  // namespace tessec_detail

// The SHA-384/512 message schedule in SSE2 registers, two words per register, for the files
// that are compiled with SSE2 or later enabled (Sha512Lanes.cpp, Sha512Avx2.cpp). Everything here
// is internal to the including file.
#pragma once

#include <emmintrin.h>

#include "Internal.h"

namespace tessec_detail {
namespace {

typedef __m128i V;

// Makes the compiler take the vector x as computed up to this point (it emits nothing): a sum
// of terms pinned after each one is built one term at a time, with few values live at once,
// where the compiler would otherwise start every term first and, short of registers in 32-bit
// code, send some of them through the stack.
#if defined(__GNUC__) || defined(__clang__)
#define TESSEC_PIN_V(x) __asm__("" : "+x"(x))
#else
#define TESSEC_PIN_V(x) (void)0
#endif

inline V Add(V a, V b) { return _mm_add_epi64(a, b); }
inline V Xor(V a, V b) { return _mm_xor_si128(a, b); }

// rotr(x, A) ^ rotr(x, B) ^ rotr(x, C) for A < B < C, each shift taken from the one before, so
// that only two copies of x are made.
template <int A, int B, int C>
inline V Sigma(V x) {
  V r = _mm_srli_epi64(x, A), l = _mm_slli_epi64(x, 64 - C);
  V s = Xor(r, l);
  r = _mm_srli_epi64(r, B - A);
  l = _mm_slli_epi64(l, C - B);
  s = Xor(s, Xor(r, l));
  r = _mm_srli_epi64(r, C - B);
  l = _mm_slli_epi64(l, B - A);
  return Xor(s, Xor(r, l));
}

// sigma0(x) = rotr(x, 1) ^ rotr(x, 8) ^ (x >> 7); sigma1(x) = rotr(x, 19) ^ rotr(x, 61) ^ (x >> 6).
inline V SmallSigma0(V x) {
  V r = _mm_srli_epi64(x, 1), l = _mm_slli_epi64(x, 56);
  V s = Xor(r, l);
  r = _mm_srli_epi64(r, 6);  // x >> 7
  l = _mm_slli_epi64(l, 7);  // x << 63
  s = Xor(s, Xor(r, l));
  return Xor(s, _mm_srli_epi64(r, 1));  // x >> 8
}
inline V SmallSigma1(V x) {
  V r = _mm_srli_epi64(x, 6), l = _mm_slli_epi64(x, 3);
  V s = Xor(r, l);
  r = _mm_srli_epi64(r, 13);  // x >> 19
  l = _mm_slli_epi64(l, 42);  // x << 45
  s = Xor(s, Xor(r, l));
  return Xor(s, _mm_srli_epi64(r, 42));  // x >> 61
}

// Two big-endian words into the lanes of a register.
inline V LoadBigEndian(const unsigned char* p) {
  V x = _mm_loadu_si128(reinterpret_cast<const V*>(p));
  x = _mm_or_si128(_mm_srli_epi16(x, 8), _mm_slli_epi16(x, 8));
  x = _mm_shufflelo_epi16(x, 0x1B);
  return _mm_shufflehi_epi16(x, 0x1B);
}

// The high lane of a and the low lane of b.
inline V Middle(V a, V b) {
  return _mm_castpd_si128(_mm_shuffle_pd(_mm_castsi128_pd(a), _mm_castsi128_pd(b), 1));
}

// The message schedule of one block in pairs of words, w[i] holding words 2i and 2i + 1, and
// each word plus its round constant in wk[t]. LoadMessage fills w[0..7] and wk[0..15] from the
// block; ScheduleStep(i) then works out w[i] and wk[2i], wk[2i + 1] for i = 8..39, each from the
// pairs before it. A caller that runs the steps between its rounds hides their latency there.
inline void LoadMessage(const unsigned char* p, V* w, uint64_t* wk) {
  const V* k = reinterpret_cast<const V*>(kSha512K);
  V* out = reinterpret_cast<V*>(wk);
  for (int i = 0; i < 8; ++i) {
    w[i] = LoadBigEndian(p + 16 * i);
    out[i] = Add(w[i], _mm_load_si128(k + i));
  }
}

inline void ScheduleStep(V* w, uint64_t* wk, int i) {
  // Words 2i and 2i + 1 from words 2i - 16 ... 2i - 1.
  V x = SmallSigma1(w[i - 1]);
  TESSEC_PIN_V(x);
  x = Add(x, SmallSigma0(Middle(w[i - 8], w[i - 7])));
  TESSEC_PIN_V(x);
  w[i] = Add(Add(x, w[i - 8]), Middle(w[i - 4], w[i - 3]));
  _mm_store_si128(reinterpret_cast<V*>(wk) + i,
                  Add(w[i], _mm_load_si128(reinterpret_cast<const V*>(kSha512K) + i)));
}

}  // namespace
}  // namespace tessec_detail

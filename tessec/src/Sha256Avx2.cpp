// SHA-256 compression with the message schedule in SSE registers, for CPUs without the SHA
// extensions. Compiled with AVX2 and BMI2 enabled for this file only (see CMakeLists.txt) and
// called only after CpuFeatures() reported both: the VEX encoding needs no copy before a vector
// shift, and rorx rotates without destroying its source.
//
// The rounds stay in general registers. The message words, plus their round constants, are
// worked out four per vector sixteen rounds ahead of their use: the vector unit does the
// schedule's shifts and rotations alongside the rounds, and each round only adds a word from
// memory.
#include <immintrin.h>

#include "Internal.h"

namespace tessec_detail {

namespace {

typedef __m128i V;

inline V Load(const uint32_t* p) { return _mm_load_si128(reinterpret_cast<const V*>(p)); }
inline void Store(uint32_t* p, V v) { _mm_store_si128(reinterpret_cast<V*>(p), v); }

// Four big-endian words.
inline V LoadBigEndian(const unsigned char* p) {
  const V swap = _mm_set_epi8(12, 13, 14, 15, 8, 9, 10, 11, 4, 5, 6, 7, 0, 1, 2, 3);
  return _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const V*>(p)), swap);
}

// sigma0(x) = rotr(x, 7) ^ rotr(x, 18) ^ (x >> 3); sigma1(x) = rotr(x, 17) ^ rotr(x, 19) ^ (x >>
// 10)
inline V SmallSigma0(V x) {
  const V r = _mm_xor_si128(_mm_srli_epi32(x, 7), _mm_srli_epi32(x, 18));
  const V l = _mm_xor_si128(_mm_slli_epi32(x, 25), _mm_slli_epi32(x, 14));
  return _mm_xor_si128(_mm_xor_si128(r, l), _mm_srli_epi32(x, 3));
}
inline V SmallSigma1(V x) {
  const V r = _mm_xor_si128(_mm_srli_epi32(x, 17), _mm_srli_epi32(x, 19));
  const V l = _mm_xor_si128(_mm_slli_epi32(x, 15), _mm_slli_epi32(x, 13));
  return _mm_xor_si128(_mm_xor_si128(r, l), _mm_srli_epi32(x, 10));
}

// Words t..t+3 into m0 (which held t-16..t-13); m1, m2, m3 hold t-12..t-1.
//   W[t] = sigma1(W[t-2]) + W[t-7] + sigma0(W[t-15]) + W[t-16]
// Words t+2 and t+3 need sigma1 of words t and t+1: a second pass over the upper half.
inline V Sha256Step(V m0, V m1, V m2, V m3) {
  V x = _mm_add_epi32(_mm_add_epi32(m0, SmallSigma0(_mm_alignr_epi8(m1, m0, 4))),
                      _mm_alignr_epi8(m3, m2, 4));
  // sigma1(0) = 0: the shifted-in zeros add nothing.
  x = _mm_add_epi32(x, SmallSigma1(_mm_srli_si128(m3, 8)));
  return _mm_add_epi32(x, _mm_slli_si128(SmallSigma1(_mm_move_epi64(x)), 8));
}

// One round with word-plus-constant wk; ab is a ^ b of the round before (b ^ c of this one).
inline void Sha256Round(uint32_t a, uint32_t b, uint32_t& d, uint32_t e, uint32_t f, uint32_t g,
                        uint32_t& h, uint32_t wk, uint32_t& ab) {
  h += wk + (g ^ (e & (f ^ g))) + (Rotr32(e, 6) ^ Rotr32(e, 11) ^ Rotr32(e, 25));
  d += h;
  const uint32_t bc = ab;
  ab = a ^ b;
  h += (Rotr32(a, 2) ^ Rotr32(a, 13) ^ Rotr32(a, 22)) + (b ^ (ab & bc));
}

// Eight rounds from wk[0..7]; the names come back to where they started.
inline void Sha256Eight(uint32_t& a, uint32_t& b, uint32_t& c, uint32_t& d, uint32_t& e,
                        uint32_t& f, uint32_t& g, uint32_t& h, const uint32_t* wk, uint32_t& ab) {
  Sha256Round(a, b, d, e, f, g, h, wk[0], ab);
  Sha256Round(h, a, c, d, e, f, g, wk[1], ab);
  Sha256Round(g, h, b, c, d, e, f, wk[2], ab);
  Sha256Round(f, g, a, b, c, d, e, wk[3], ab);
  Sha256Round(e, f, h, a, b, c, d, wk[4], ab);
  Sha256Round(d, e, g, h, a, b, c, wk[5], ab);
  Sha256Round(c, d, f, g, h, a, b, wk[6], ab);
  Sha256Round(b, c, e, f, g, h, a, wk[7], ab);
}

}  // namespace

// The last sixteen message words are in m[0..3], the words plus constants in wk, which the
// schedule fills ahead of the rounds.
void Sha256BlocksAvx2(uint32_t state[8], const unsigned char* p, size_t blocks) {
  alignas(16) uint32_t wk[64];
  for (; blocks; --blocks, p += 64) {
    V m[4];
    for (int i = 0; i < 4; ++i) {
      m[i] = LoadBigEndian(p + 16 * i);
      Store(wk + 4 * i, _mm_add_epi32(m[i], Load(kSha256K + 4 * i)));
    }
    uint32_t a = state[0], b = state[1], c = state[2], d = state[3];
    uint32_t e = state[4], f = state[5], g = state[6], h = state[7];
    uint32_t ab = b ^ c;
    TESSEC_UNROLL
    for (int t = 0; t < 64; t += 8) {
      // Words t + 16 .. t + 23, while rounds t .. t + 7 run.
      TESSEC_COMPILER_BARRIER();
      if (t < 48) {
        const int i = (t / 4) & 3;
        const int j = i + 1, k = (i + 2) & 3, l = (i + 3) & 3;
        m[i] = Sha256Step(m[i], m[j], m[k], m[l]);
        Store(wk + t + 16, _mm_add_epi32(m[i], Load(kSha256K + t + 16)));
        m[j] = Sha256Step(m[j], m[k], m[l], m[i]);
        Store(wk + t + 20, _mm_add_epi32(m[j], Load(kSha256K + t + 20)));
      }
      Sha256Eight(a, b, c, d, e, f, g, h, wk + t, ab);
    }
    AddToState(state, a, b, c, d, e, f, g, h);
  }
}

}  // namespace tessec_detail

// SHA-384/512 compression for 32-bit x86, entirely in SSE2 registers. Compiled with SSE2
// enabled for this file only (see CMakeLists.txt) and called only after CpuFeatures() reported
// SSE2.
//
// In 32-bit code every 64-bit word of the portable rounds is a pair of general registers, of
// which there are seven: the rounds spend most of their time moving halves to and from the
// stack. An SSE register holds a whole word, and the vector unit adds, shifts and combines
// 64-bit lanes directly. Each round keeps its word in the low lane; the message schedule fills
// both lanes, two words at a time, for the whole block before its rounds begin.
#include "Sha512Schedule.h"

namespace tessec_detail {

namespace {

inline V LoadWord(const uint64_t* p) { return _mm_loadl_epi64(reinterpret_cast<const V*>(p)); }
inline void StoreWord(uint64_t* p, V v) { _mm_storel_epi64(reinterpret_cast<V*>(p), v); }

// rotr(x, A) ^ rotr(x, B) ^ rotr(x, C), every shift taken from x itself and the terms added to
// the sum one at a time: three live values at most. The empty statements that pin the partial
// sum keep the compiler from starting all six shifts at once, which needs more than the eight
// vector registers of 32-bit code and sends values through the stack, on the round's critical
// path (that costs about a fifth of the speed).
template <int A, int B, int C>
inline V SigmaFromX(V x) {
  V s = Xor(_mm_srli_epi64(x, A), _mm_slli_epi64(x, 64 - A));
  TESSEC_PIN_V(s);
  s = Xor(s, _mm_srli_epi64(x, B));
  TESSEC_PIN_V(s);
  s = Xor(s, _mm_slli_epi64(x, 64 - B));
  TESSEC_PIN_V(s);
  s = Xor(s, _mm_srli_epi64(x, C));
  TESSEC_PIN_V(s);
  return Xor(s, _mm_slli_epi64(x, 64 - C));
}

// One round: d, c, b at as[0..2] and h, g, f at es[0..2], a and e in registers; the new a and e
// go to as[4] and es[4].
//   e' = (d + h + wk) + Ch(e, f, g) + Sigma1(e); a' = e' - d + Sigma0(a) + Maj(a, b, c)
inline void Round(uint64_t* as, uint64_t* es, const uint64_t* wk, V& a, V& e) {
  const V hw = Add(LoadWord(es), LoadWord(wk));
  const V f = LoadWord(es + 2), g = LoadWord(es + 1);
  const V t1 = Add(hw, Add(Xor(g, _mm_and_si128(e, Xor(f, g))), SigmaFromX<14, 18, 41>(e)));
  e = Add(LoadWord(as), t1);
  // The e half done before the a half's loads: fewer values live at once.
  StoreWord(es + 4, e);
  TESSEC_COMPILER_BARRIER();
  const V b = LoadWord(as + 2), c = LoadWord(as + 1);
  const V maj = _mm_or_si128(_mm_and_si128(a, b), _mm_and_si128(c, _mm_or_si128(a, b)));
  a = Add(t1, Add(SigmaFromX<28, 34, 39>(a), maj));
  StoreWord(as + 4, a);
}

}  // namespace

// The eight registers of 32-bit code cannot hold the eight state words and the round's
// temporaries, so the state lives where a round finds it without moving anything: of the words
// a to h, each round makes only a new a and a new e, and b, c, d are the a's of the three rounds
// before, f, g, h the e's. Each round appends its a and e to two arrays and reads the others
// back from them; only a, e and a ^ b stay in registers from round to round.
void Sha512BlocksSse2(uint64_t state[8], const unsigned char* p, size_t blocks) {
  alignas(16) uint64_t wk[80];
  V w[40];
  // Round t finds d, c, b, a at as[t..t + 3] and h, g, f, e at es[t..t + 3].
  alignas(16) uint64_t as[84], es[84];
  TESSEC_ESCAPE(as);
  TESSEC_ESCAPE(es);
  for (; blocks; --blocks, p += 128) {
    LoadMessage(p, w, wk);
    for (int i = 0; i < 4; ++i) {
      as[i] = state[3 - i];
      es[i] = state[7 - i];
    }
    V a = LoadWord(as + 3), e = LoadWord(es + 3);
    for (int t = 0; t < 80; t += 2) {
      // The words of earlier rounds come from memory, each where it is used: otherwise the
      // compiler keeps them in registers from round to round and spills a or e instead.
      TESSEC_COMPILER_BARRIER();
      // Message words t + 16 and t + 17, well before their rounds.
      if (t < 64) ScheduleStep(w, wk, t / 2 + 8);
      Round(as + t, es + t, wk + t, a, e);
      TESSEC_COMPILER_BARRIER();
      Round(as + t + 1, es + t + 1, wk + t + 1, a, e);
    }
    for (int i = 0; i < 4; ++i) {
      state[i] += as[83 - i];
      state[4 + i] += es[83 - i];
    }
  }
}

}  // namespace tessec_detail

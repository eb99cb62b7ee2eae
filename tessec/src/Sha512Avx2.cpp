// SHA-384/512 compression with AVX2, for 32-bit x86 and x86-64 alike. Compiled with AVX2 enabled
// for this file only (see CMakeLists.txt) and called only after CpuFeatures() reported AVX2.
//
// A round makes a new a and a new e, by work of the same shape on either side: Sigma0(a) +
// Maj(a, b, c) and Sigma1(e) + Ch(e, f, g). So the state is kept in pairs, one register each:
// [a | e], [b | f], [c | g], [d | h] (low lane | high lane), and one instruction does each step
// for both sides. AVX2 shifts each lane by its own count, which gives both Sigmas from one
// register; Maj and Ch are both x ^ (y & z) with operands that one blend or mask apiece puts
// side by side. The message schedule (Sha512Schedule.h) runs two rounds ahead of its words
// being needed, between the rounds.
#include <immintrin.h>

#include "Sha512Schedule.h"

namespace tessec_detail {

namespace {

// Shift counts of the three rotations of Sigma0 (low lane) and Sigma1 (high lane).
alignas(16) const uint64_t kRight[3][2] = {{28, 14}, {34, 18}, {39, 41}};
alignas(16) const uint64_t kLeft[3][2] = {{36, 50}, {30, 46}, {25, 23}};

inline V Count(const uint64_t* c) { return _mm_load_si128(reinterpret_cast<const V*>(c)); }

inline V Rotate(V x, int i) {
  return Xor(_mm_srlv_epi64(x, Count(kRight[i])), _mm_sllv_epi64(x, Count(kLeft[i])));
}

// One round: from [a | e], [b | f], [c | g], [d | h] and the round's word plus constant, the new
// [a | e] goes into dh, whose words are not needed after this round.
//   t1 = Sigma1(e) + Ch(e, f, g) + h + wk, t2 = Sigma0(a) + Maj(a, b, c);  new [a | e] = [t1 + t2 |
//   t1 + d]
// With m = [Maj | Ch] and s = [Sigma0 | Sigma1], that is (s + m + [h + wk | h + wk + d]) plus the
// high lane of s + m moved to the low one: everything but s is ready early, and s is followed by
// only three steps.
inline void Round(V ae, V bf, V cg, V& dh, const uint64_t* wk) {
  // [b ^ ((a ^ b) & (b ^ c)) | g ^ (e & (f ^ g))] = [Maj(a, b, c) | Ch(e, f, g)]
  const V y = Xor(ae, _mm_move_epi64(bf));  // [a ^ b | e]
  const V m = Xor(_mm_blend_epi32(bf, cg, 0xC), _mm_and_si128(y, Xor(bf, cg)));
  const V hw = Add(_mm_unpackhi_epi64(dh, dh),
                   _mm_broadcastq_epi64(_mm_loadl_epi64(reinterpret_cast<const V*>(wk))));
  const V g = Add(m, Add(hw, _mm_slli_si128(dh, 8)));
  V s = Rotate(ae, 0);
  TESSEC_PIN_V(s);
  s = Xor(s, Rotate(ae, 1));
  TESSEC_PIN_V(s);
  s = Xor(s, Rotate(ae, 2));
  dh = Add(Add(s, g), _mm_srli_si128(Add(s, m), 8));
}

}  // namespace

void Sha512BlocksAvx2(uint64_t state[8], const unsigned char* p, size_t blocks) {
  alignas(16) uint64_t wk[80];
  V w[40];
  // Pairs of the rounds so far: round t reads [d | h], [c | g], [b | f] at pairs[t..t + 2] and
  // appends the new [a | e] at pairs[t + 4]; [a | e] itself stays in a register as well.
  V pairs[84];
  for (int i = 0; i < 4; ++i) {
    pairs[3 - i] =
        _mm_set_epi64x(static_cast<long long>(state[4 + i]), static_cast<long long>(state[i]));
  }
  for (; blocks; --blocks, p += 128) {
    LoadMessage(p, w, wk);
    V ae = pairs[3];
    for (int t = 0; t < 80; t += 2) {
      // The older pairs and message words are read from memory where they are used, and not
      // carried over in registers, which 32-bit code has too few of.
      TESSEC_COMPILER_BARRIER();
      // Words t + 16 and t + 17, well before their rounds.
      if (t < 64) ScheduleStep(w, wk, t / 2 + 8);
      V dh = pairs[t];
      Round(ae, pairs[t + 2], pairs[t + 1], dh, wk + t);
      pairs[t + 4] = ae = dh;
      TESSEC_COMPILER_BARRIER();
      dh = pairs[t + 1];
      Round(ae, pairs[t + 3], pairs[t + 2], dh, wk + t + 1);
      pairs[t + 5] = ae = dh;
    }
    for (int i = 0; i < 4; ++i) pairs[i] = Add(pairs[i], pairs[80 + i]);
  }
  alignas(16) uint64_t out[4][2];
  for (int i = 0; i < 4; ++i) _mm_store_si128(reinterpret_cast<V*>(out[3 - i]), pairs[i]);
  for (int i = 0; i < 4; ++i) {
    state[i] = out[i][0];
    state[4 + i] = out[i][1];
  }
}

}  // namespace tessec_detail

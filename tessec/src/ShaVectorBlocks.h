// The block driver shared by the SHA-2 compressions whose message schedule runs in vector
// registers (Sha256Avx2.cpp for 32-bit words, Sha512Simd.cpp for 64-bit words). Each file brings
// its rounds as R:
//   R::Word                 the word type
//   R::kRounds              rounds per block (a multiple of 16)
//   R::Schedule<L>          the vector schedule (members m[], wk; Step<K>(i))
//   R::Sixteen<kBlocks>(t, v, wk, ab, s)   rounds t .. t + 15 with the schedule's steps between
// and L the vector layout (one block, or two side by side, L::kBlocks). Everything here is
// internal to the including file.
#pragma once

#include "Internal.h"

namespace tessec_detail {
namespace {

// Does nothing: the rounds of the second block of a pair, whose words are all done.
struct NoSchedule {
  template <int K>
  void Step(int) {}
};

// Every round of one block whose sums are at wk (kBlocks blocks interleaved), added to state.
template <class R, int kBlocks, class S>
inline void AllRounds(typename R::Word state[8], const typename R::Word* wk, S& s) {
  typename R::Word v[8];
  for (int i = 0; i < 8; ++i) v[i] = state[i];
  typename R::Word ab = v[1] ^ v[2];
  for (int t = 0; t < R::kRounds; t += 16) R::template Sixteen<kBlocks>(t, v, wk, ab, s);
  for (int i = 0; i < 8; ++i) state[i] += v[i];
}

// Every group of L::kBlocks blocks: the schedule of all of them runs with the rounds of the
// first.
template <class R, class L>
void VectorBlocks(typename R::Word state[8], const unsigned char*& p, size_t& blocks) {
  typedef typename R::Word Word;
  const int kPerLane = 16 / sizeof(Word);  // words per 128-bit lane
  const int kBlockBytes = 16 * sizeof(Word);
  // Only the stack's own 16-byte alignment: asking for 32 makes the compiler realign the frame
  // through a base register, which the rounds then miss (they spilled); the 32-byte stores that
  // straddle a line cost less.
  alignas(16) Word wk[R::kRounds * L::kBlocks];
  TESSEC_ESCAPE(wk);
  typename R::template Schedule<L> s;
  s.wk = wk;
  for (; blocks >= L::kBlocks; blocks -= L::kBlocks, p += kBlockBytes * L::kBlocks) {
    for (int i = 0; i < 16 / kPerLane; ++i) {
      s.m[i] = L::Load(p, i);
      L::StoreSum(wk + kPerLane * L::kBlocks * i, s.m[i], i);
    }
    TESSEC_COMPILER_BARRIER();
    AllRounds<R, L::kBlocks>(state, wk, s);
    NoSchedule none;
    for (int b = 1; b < L::kBlocks; ++b) AllRounds<R, L::kBlocks>(state, wk + kPerLane * b, none);
  }
}

}  // namespace
}  // namespace tessec_detail

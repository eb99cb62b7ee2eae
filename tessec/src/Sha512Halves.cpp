// SHA-384/512 compression for 32-bit targets without vector registers, in portable C++ on
// 32-bit halves of the 64-bit words.
//
// Written plainly over 64-bit words, 32-bit code spends most of its time moving halves between
// too few registers and the stack: the compiler keeps the working variables in register pairs
// and spills whatever does not fit, in no useful order. Here the work is laid out the way the
// registers allow:
//
// - The working variables live in memory, where each round finds them without moving anything:
//   a round makes only a new a and a new e; b, c, d are the a's of the three rounds before and
//   f, g, h the e's. Round t appends its a and e to a frame (slot t + 4) and reads the others at
//   fixed distances behind.
// - A round is split into pieces that need at most the six free registers: Sigma1 and Ch from
//   e, Sigma0 and Maj from a, each written to the frame as it is done, and then the sums, which
//   the compiler makes as add/adc pairs with memory operands. Compiler barriers between the
//   pieces keep the compiler from carrying values across them in registers (it would pair and
//   spill them through the stack).
// - The rotations are done on 32-bit halves with 32-bit rotations: a 64-bit rotation right by
//   n < 32 of (l, h) is lo = ror(h, n) ^ (x >> n), hi = ror(l, n) ^ (x >> n) with x = l ^ h (the
//   bits that cross between the halves are where they differ), and by 32 + n the halves trade
//   places first. Three rotations share x, so a Sigma costs 9 shifts and rotations instead of 12
//   shifts, and no double-register shifts (slow on several x86 cores).
#include "Internal.h"

namespace tessec_detail {

namespace {

// A 64-bit word as two 32-bit halves.
struct Halves {
  uint32_t l, h;
};

inline Halves Split(uint64_t x) {
  return {static_cast<uint32_t>(x), static_cast<uint32_t>(x >> 32)};
}
inline uint64_t Join(Halves x) { return (uint64_t(x.h) << 32) | x.l; }

// Sigma0(x) = rotr(x, 28) ^ rotr(x, 34) ^ rotr(x, 39)
inline Halves BigSigma0(Halves v) {
  const uint32_t l = v.l, h = v.h, x = l ^ h;
  const uint32_t d = ((((x >> 21) ^ x) >> 5) ^ x) >> 2;  // x >> 2 ^ x >> 7 ^ x >> 28
  return {Rotr32(h, 28) ^ Rotr32(Rotr32(l, 5) ^ l, 2) ^ d,
          Rotr32(l, 28) ^ Rotr32(Rotr32(h, 5) ^ h, 2) ^ d};
}
// Sigma1(x) = rotr(x, 14) ^ rotr(x, 18) ^ rotr(x, 41)
inline Halves BigSigma1(Halves v) {
  const uint32_t l = v.l, h = v.h, x = l ^ h;
  const uint32_t d = ((((x >> 4) ^ x) >> 5) ^ x) >> 9;  // x >> 9 ^ x >> 14 ^ x >> 18
  return {Rotr32(Rotr32(h, 4) ^ h, 14) ^ Rotr32(l, 9) ^ d,
          Rotr32(Rotr32(l, 4) ^ l, 14) ^ Rotr32(h, 9) ^ d};
}
// sigma0(x) = rotr(x, 1) ^ rotr(x, 8) ^ (x >> 7); the shift is a rotation whose high half is
// h >> 7.
inline Halves SmallSigma0(Halves v) {
  const uint32_t l = v.l, h = v.h, x = l ^ h, x7 = x >> 7;
  const uint32_t d = (x7 ^ x) >> 1;  // x >> 1 ^ x >> 8
  const uint32_t h7 = Rotr32(h, 7);
  return {Rotr32(h7 ^ h, 1) ^ h7 ^ d ^ x7, Rotr32(Rotr32(l, 7) ^ l, 1) ^ (h >> 7) ^ d};
}
// sigma1(x) = rotr(x, 19) ^ rotr(x, 61) ^ (x >> 6); the shift is a rotation whose high half is
// h >> 6.
inline Halves SmallSigma1(Halves v) {
  const uint32_t l = v.l, h = v.h, x = l ^ h;
  const uint32_t d = ((x >> 10) ^ x) >> 19;  // x >> 19 ^ x >> 29
  return {Rotr32(Rotr32(h, 13) ^ h, 6) ^ Rotr32(l, 29) ^ d ^ (x >> 6),
          Rotr32(l, 19) ^ Rotr32(h, 29) ^ (h >> 6) ^ d};
}
inline Halves Ch(Halves e, Halves f, Halves g) {
  return {g.l ^ (e.l & (f.l ^ g.l)), g.h ^ (e.h & (f.h ^ g.h))};
}
inline Halves Maj(Halves a, Halves b, Halves c) {
  return {(a.l & b.l) | (c.l & (a.l | b.l)), (a.h & b.h) | (c.h & (a.h | b.h))};
}

// Slot t of a block's frame: the a and e made by round t - 4 (slots 0 to 3: the initial d, c, b,
// a and h, g, f, e), message word t, round constant t, and the pieces of round t - 4 and of the
// message word t.
struct Slot {
  uint64_t a, e, w, k;
  uint64_t s1, ch, s0, maj;
};

// Round t, with s = frame + t.
inline void Round(Slot* s) {
  {
    const Halves e = Split(s[3].e);
    s[4].s1 = Join(BigSigma1(e));
    s[4].ch = Join(Ch(e, Split(s[2].e), Split(s[1].e)));
  }
  TESSEC_COMPILER_BARRIER();
  {
    const Halves a = Split(s[3].a);
    s[4].s0 = Join(BigSigma0(a));
    s[4].maj = Join(Maj(a, Split(s[2].a), Split(s[1].a)));
  }
  TESSEC_COMPILER_BARRIER();
  const uint64_t t1 = s[0].e + s[0].w + s[0].k + s[4].s1 + s[4].ch;
  s[4].e = s[0].a + t1;
  s[4].a = t1 + s[4].s0 + s[4].maj;
  TESSEC_COMPILER_BARRIER();
}

// Message word t (t >= 16), with s = frame + t. Its pieces go where round t - 4, long done, kept
// its own.
inline void Schedule(Slot* s) {
  s[0].s1 = Join(SmallSigma1(Split(s[-2].w)));
  TESSEC_COMPILER_BARRIER();
  s[0].s0 = Join(SmallSigma0(Split(s[-15].w)));
  TESSEC_COMPILER_BARRIER();
  s[0].w = s[-16].w + s[-7].w + s[0].s1 + s[0].s0;
  TESSEC_COMPILER_BARRIER();
}

}  // namespace

void Sha512BlocksHalves(uint64_t state[8], const unsigned char* p, size_t blocks) {
  Slot frame[84];
  TESSEC_ESCAPE(frame);
  for (int i = 0; i < 80; ++i) frame[i].k = kSha512K[i];
  for (; blocks; --blocks, p += 128) {
    for (int i = 0; i < 16; ++i) frame[i].w = Load64BE(p + 8 * i);
    for (int i = 0; i < 4; ++i) {
      frame[i].a = state[3 - i];
      frame[i].e = state[7 - i];
    }
    Slot* s = frame;
    for (; s < frame + 16; s += 2) {
      Round(s);
      Round(s + 1);
    }
    for (; s < frame + 80; s += 2) {
      Schedule(s);
      Round(s);
      Schedule(s + 1);
      Round(s + 1);
    }
    for (int i = 0; i < 4; ++i) {
      state[i] += frame[83 - i].a;
      state[4 + i] += frame[83 - i].e;
    }
  }
}

}  // namespace tessec_detail

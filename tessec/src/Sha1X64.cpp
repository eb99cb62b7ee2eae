// SHA-1 compression for x86-64 in general registers, written out in assembly (GCC and Clang):
// the integer code for CPUs, or TESSEC_CPU settings, without the vector paths.
//
// Compiled from the portable rounds, the message schedule goes through memory on its own chain
// (word t needs word t - 3, stored three rounds before and loaded back), and that chain, not the
// rounds, sets the pace. Here the last four words stay in registers as well as in the sixteen-word
// window in memory, every round is
//   e += W[t] + K (one lea), e += f(b, c, d) with b, the previous round's word, used last,
//   e += rotl(a, 5), b = rotl(b, 30)
// and the older words of the schedule are operands read from the window. A round makes the word
// of the round after next, after its own additions: ahead of them in the code, the schedule's
// operations, which have time, took the integer units first from the chain of a to the next a,
// which has none (1% slower).
#include "Internal.h"

#if defined(TESSEC_SHA1_X64_ASM)

namespace tessec_detail {

// Operand names of the working variables (renamed from round to round, as in the portable code),
// as text of the assembly.
#define TESSEC_R(n) "%k[" #n "]"
#define TESSEC_Q(n) "%q[" #n "]"
#define TESSEC_S(x) #x

// Word t into the register of slot s (slot s3 holds word t - 3): loaded and byte-swapped
// (t < 16) or worked out from the window, and stored in the window. Word t - 3 comes from its
// register: read back from the window, it would put a store and a load on the schedule's own
// chain (word t needs word t - 3), which then limits the rounds.
#define TESSEC_SHA1_LOAD(t, s, s3)          \
  "movl 4*(" TESSEC_S(t) ")(%[p]), %k[x" #s \
                         "]\n\t"            \
                         "bswapl %k[x" #s   \
                         "]\n\t"            \
                         "movl %k[x" #s "], 4*(" TESSEC_S(t) ")(%[w])\n\t"
#define TESSEC_SHA1_NEXT(t, s, s3)                                                    \
  "movl 4*((" TESSEC_S(t) "+8)&15)(%[w]), %k[x" #s                                    \
                          "]\n\t"                                                     \
                          "xorl 4*((" TESSEC_S(t) "+2)&15)(%[w]), %k[x" #s            \
                                                  "]\n\t"                             \
                                                  "xorl 4*((" TESSEC_S(               \
                                                      t) ")&15)(%[w]), %k[x" #s       \
                                                         "]\n\t"                      \
                                                         "xorl %k[x" #s3 "], %k[x" #s \
                                                         "]\n\t"                      \
                                                         "roll $1, %k[x" #s           \
                                                         "]\n\t"                      \
                                                         "movl %k[x" #s               \
                                                         "], 4*((" TESSEC_S(t) ")&15)(%[w])\n\t"

// f(b, c, d) into f, b last.
#define TESSEC_SHA1_CH(b, c, d) \
  "movl " TESSEC_R(c) ", %k[f]\n\t" \
  "xorl " TESSEC_R(d) ", %k[f]\n\t" \
  "andl " TESSEC_R(b) ", %k[f]\n\t" \
  "xorl " TESSEC_R(d) ", %k[f]\n\t"
#define TESSEC_SHA1_PARITY(b, c, d) \
  "movl " TESSEC_R(d) ", %k[f]\n\t" \
  "xorl " TESSEC_R(c) ", %k[f]\n\t" \
  "xorl " TESSEC_R(b) ", %k[f]\n\t"
// (b & (c | d)) | (c & d)
#define TESSEC_SHA1_MAJ(b, c, d) \
  "movl " TESSEC_R(c) ", %k[f]\n\t" \
  "movl " TESSEC_R(c) ", %k[g]\n\t" \
  "orl " TESSEC_R(d) ", %k[f]\n\t"  \
  "andl " TESSEC_R(d) ", %k[g]\n\t" \
  "andl " TESSEC_R(b) ", %k[f]\n\t" \
  "orl %k[g], %k[f]\n\t"

// For the rounds whose word after next is past the last.
#define TESSEC_SHA1_NONE(t, s, s3) ""

// Round t, its word in slot s, and word t + 2 made into slot s2 (word t - 1 in slot s3).
#define TESSEC_SHA1_ROUND(a, b, c, d, e, F, K, W, t, s, s2, s3) \
  "leal " K "(" TESSEC_Q(e) ", %q[x" #s "]), " TESSEC_R(e) "\n\t"     \
  F(b, c, d)                                                           \
  "addl %k[f], " TESSEC_R(e) "\n\t"                                   \
  "movl " TESSEC_R(a) ", %k[f]\n\t"                                   \
  "roll $5, %k[f]\n\t"                                                \
  "addl %k[f], " TESSEC_R(e) "\n\t"                                   \
  "roll $30, " TESSEC_R(b) "\n\t"                                     \
  W(t + 2, s2, s3)

// Rounds t .. t + 19 (t a multiple of 20: the names of the working variables repeat every five
// rounds, the word slots every four); the words two rounds ahead come from W1 for the first
// fourteen, W2 for the next four and W3 for the last two.
#define TESSEC_SHA1_TWENTY(F, K, W1, W2, W3, t)               \
  TESSEC_SHA1_ROUND(a, b, c, d, e, F, K, W1, t, 0, 2, 3)      \
  TESSEC_SHA1_ROUND(e, a, b, c, d, F, K, W1, t + 1, 1, 3, 0)  \
  TESSEC_SHA1_ROUND(d, e, a, b, c, F, K, W1, t + 2, 2, 0, 1)  \
  TESSEC_SHA1_ROUND(c, d, e, a, b, F, K, W1, t + 3, 3, 1, 2)  \
  TESSEC_SHA1_ROUND(b, c, d, e, a, F, K, W1, t + 4, 0, 2, 3)  \
  TESSEC_SHA1_ROUND(a, b, c, d, e, F, K, W1, t + 5, 1, 3, 0)  \
  TESSEC_SHA1_ROUND(e, a, b, c, d, F, K, W1, t + 6, 2, 0, 1)  \
  TESSEC_SHA1_ROUND(d, e, a, b, c, F, K, W1, t + 7, 3, 1, 2)  \
  TESSEC_SHA1_ROUND(c, d, e, a, b, F, K, W1, t + 8, 0, 2, 3)  \
  TESSEC_SHA1_ROUND(b, c, d, e, a, F, K, W1, t + 9, 1, 3, 0)  \
  TESSEC_SHA1_ROUND(a, b, c, d, e, F, K, W1, t + 10, 2, 0, 1) \
  TESSEC_SHA1_ROUND(e, a, b, c, d, F, K, W1, t + 11, 3, 1, 2) \
  TESSEC_SHA1_ROUND(d, e, a, b, c, F, K, W1, t + 12, 0, 2, 3) \
  TESSEC_SHA1_ROUND(c, d, e, a, b, F, K, W1, t + 13, 1, 3, 0) \
  TESSEC_SHA1_ROUND(b, c, d, e, a, F, K, W2, t + 14, 2, 0, 1) \
  TESSEC_SHA1_ROUND(a, b, c, d, e, F, K, W2, t + 15, 3, 1, 2) \
  TESSEC_SHA1_ROUND(e, a, b, c, d, F, K, W2, t + 16, 0, 2, 3) \
  TESSEC_SHA1_ROUND(d, e, a, b, c, F, K, W2, t + 17, 1, 3, 0) \
  TESSEC_SHA1_ROUND(c, d, e, a, b, F, K, W3, t + 18, 2, 0, 1) \
  TESSEC_SHA1_ROUND(b, c, d, e, a, F, K, W3, t + 19, 3, 1, 2)

#define TESSEC_K0 "0x5a827999"
#define TESSEC_K1 "0x6ed9eba1"
#define TESSEC_K2 "-0x70e44324"  // 0x8f1bbcdc as a signed displacement
#define TESSEC_K3 "-0x359d3e2a"  // 0xca62c1d6

void Sha1BlocksX64(uint32_t state[5], const unsigned char* p, size_t blocks) {
  uint32_t w[16];
  uint32_t a = state[0], b = state[1], c = state[2], d = state[3], e = state[4];
  for (; blocks; --blocks, p += 64) {
    const uint32_t a0 = a, b0 = b, c0 = c, d0 = d, e0 = e;
    uint64_t x0, x1, x2, x3, f, g;
    // Words 0 and 1 first; every round then makes the word two rounds ahead.
    __asm__(TESSEC_SHA1_LOAD(0, 0, 0) TESSEC_SHA1_LOAD(1, 1, 1) TESSEC_SHA1_TWENTY(
                TESSEC_SHA1_CH, TESSEC_K0, TESSEC_SHA1_LOAD, TESSEC_SHA1_NEXT, TESSEC_SHA1_NEXT, 0)
                TESSEC_SHA1_TWENTY(TESSEC_SHA1_PARITY, TESSEC_K1, TESSEC_SHA1_NEXT,
                                   TESSEC_SHA1_NEXT, TESSEC_SHA1_NEXT, 20)
                    TESSEC_SHA1_TWENTY(TESSEC_SHA1_MAJ, TESSEC_K2, TESSEC_SHA1_NEXT,
                                       TESSEC_SHA1_NEXT, TESSEC_SHA1_NEXT, 40)
                        TESSEC_SHA1_TWENTY(TESSEC_SHA1_PARITY, TESSEC_K3, TESSEC_SHA1_NEXT,
                                           TESSEC_SHA1_NEXT, TESSEC_SHA1_NONE, 60)
            : [a] "+r"(a), [b] "+r"(b), [c] "+r"(c), [d] "+r"(d), [e] "+r"(e), [x0] "=&r"(x0),
              [x1] "=&r"(x1), [x2] "=&r"(x2), [x3] "=&r"(x3), [f] "=&r"(f), [g] "=&r"(g)
            : [p] "r"(p), [w] "r"(w)
            : "cc", "memory");
    a += a0;
    b += b0;
    c += c0;
    d += d0;
    e += e0;
  }
  state[0] = a;
  state[1] = b;
  state[2] = c;
  state[3] = d;
  state[4] = e;
}

}  // namespace tessec_detail

#endif

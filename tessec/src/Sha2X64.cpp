// SHA-256 and SHA-384/512 compression for x86-64 in general registers, written out in assembly
// (GCC and Clang, System V calling convention): the integer code for TESSEC_CPU settings without
// the vector paths. One round, and one block loop, serve both word sizes.
//
// The compiled rounds take the Sigma functions as nested rotations, which need the fewest
// registers but put five dependent instructions on the chain from one round to the next. With
// all sixteen registers at hand, the working variables a to h stay in eight of them (renamed
// from round to round) and the Sigma functions take their three rotations side by side:
//   ax bx cx dx r8 r9 r10 r11   a to h of the first round
//   r12, r13                    a ^ b, and b ^ c (carried: the previous round's a ^ b)
//   r14, r15                    scratch
//   si, di                      the message word being made, and scratch (the input pointer in
//                               the first sixteen rounds)
//   rbp                         the round constants of the current sixteen rounds
// The message words are made in the round that uses them, in a sixteen-word window on the
// stack. The first sixteen rounds are written out, the later ones are a loop of sixteen: all of
// them written out would not stay in the decoded-instruction cache.
#include "Internal.h"

#if defined(TESSEC_SHA2_X64_ASM)

// clang-format off
__asm__(R"(
  .text

# The stack frame: the message window (up to byte 127), the state and input pointers, the end of
# the input and the table of round constants.
.set .Lsha2_frame, 160
.set .Lsha2_state, 128
.set .Lsha2_input, 136
.set .Lsha2_end, 144
.set .Lsha2_k, 152

# X = Sigma(x): ror p ^ ror q ^ ror (q + r), the third rotation made from the second; Y is
# scratch.
.macro tessec_sha2_sigma s, x, p, q, r, X, Y
  mov\s \x, \X
  ror\s $\p, \X
  mov\s \x, \Y
  ror\s $\q, \Y
  xor\s \Y, \X
  ror\s $\r, \Y
  xor\s \Y, \X
.endm

# Round t on words of n bytes, instructions with suffix s. a to h name the working variables; AB
# receives a ^ b, BC holds b ^ c; W and S are si and di at the word size, X and Y r14 and r15.
# h becomes the next a and d the next e, and the caller renames. The rotation counts are the
# symbols .Lsha2_*, set for each word size.
.macro tessec_sha2_round s, n, t, a, b, c, d, e, f, g, h, AB, BC, W, S, X, Y
.if \t < 16
  movq .Lsha2_input(%rsp), %rdi
  mov\s \n*\t(%rdi), \W
  bswap\s \W
.else
  # sigma0(w[t-15]) + w[t-7] + w[t-16] + sigma1(w[t-2])
  mov\s \n*((\t+1)&15)(%rsp), \W
  mov\s \W, \S
  ror\s $.Lsha2_s0a, \S
  xor\s \W, \S
  ror\s $.Lsha2_s0b, \S
  shr\s $.Lsha2_s0c, \W
  xor\s \W, \S
  add\s \n*((\t+9)&15)(%rsp), \S
  add\s \n*(\t&15)(%rsp), \S
  mov\s \n*((\t+14)&15)(%rsp), \W
  mov\s \W, \X
  ror\s $.Lsha2_s1a, \X
  xor\s \W, \X
  ror\s $.Lsha2_s1b, \X
  shr\s $.Lsha2_s1c, \W
  xor\s \X, \W
  add\s \S, \W
.endif
  mov\s \W, \n*(\t&15)(%rsp)
  # h += k + w[t] + Ch(e, f, g) + Sigma1(e); d += h
  add\s \n*(\t&15)(%rbp), \h
  add\s \W, \h
  mov\s \f, \X
  xor\s \g, \X
  and\s \e, \X
  xor\s \g, \X
  add\s \X, \h
  tessec_sha2_sigma \s, \e, .Lsha2_S1a, .Lsha2_S1b, .Lsha2_S1c, \X, \Y
  add\s \X, \h
  add\s \h, \d
  # h += Maj(a, b, c) + Sigma0(a), Maj = b ^ ((a ^ b) & (b ^ c))
  mov\s \a, \AB
  xor\s \b, \AB
  and\s \AB, \BC
  xor\s \b, \BC
  tessec_sha2_sigma \s, \a, .Lsha2_S0a, .Lsha2_S0b, .Lsha2_S0c, \X, \Y
  add\s \X, \BC
  add\s \BC, \h
.endm

# Rounds t to t + 7 on the registers r0 to r7 (a to h of round t), the names of the working
# variables come back after eight rounds, those of a ^ b and b ^ c after two.
.macro tessec_sha2_eight s, n, t, r0, r1, r2, r3, r4, r5, r6, r7, AB, BC, W, S, X, Y
  tessec_sha2_round \s, \n, \t, \r0, \r1, \r2, \r3, \r4, \r5, \r6, \r7, \AB, \BC, \W, \S, \X, \Y
  tessec_sha2_round \s, \n, (\t+1), \r7, \r0, \r1, \r2, \r3, \r4, \r5, \r6, \BC, \AB, \W, \S, \X, \Y
  tessec_sha2_round \s, \n, (\t+2), \r6, \r7, \r0, \r1, \r2, \r3, \r4, \r5, \AB, \BC, \W, \S, \X, \Y
  tessec_sha2_round \s, \n, (\t+3), \r5, \r6, \r7, \r0, \r1, \r2, \r3, \r4, \BC, \AB, \W, \S, \X, \Y
  tessec_sha2_round \s, \n, (\t+4), \r4, \r5, \r6, \r7, \r0, \r1, \r2, \r3, \AB, \BC, \W, \S, \X, \Y
  tessec_sha2_round \s, \n, (\t+5), \r3, \r4, \r5, \r6, \r7, \r0, \r1, \r2, \BC, \AB, \W, \S, \X, \Y
  tessec_sha2_round \s, \n, (\t+6), \r2, \r3, \r4, \r5, \r6, \r7, \r0, \r1, \AB, \BC, \W, \S, \X, \Y
  tessec_sha2_round \s, \n, (\t+7), \r1, \r2, \r3, \r4, \r5, \r6, \r7, \r0, \BC, \AB, \W, \S, \X, \Y
.endm

# The function name(state (rdi), input (rsi), blocks (rdx), round constants (rcx)) over blocks of
# sixteen words of n bytes, with suffix s, in the given rounds, and r0 to r7 the word-size names
# of ax to r11 and then r12 to r15, si and di.
.macro tessec_sha2_blocks name, s, n, rounds, r0, r1, r2, r3, r4, r5, r6, r7, AB, BC, X, Y, W, S
  .globl \name
  .hidden \name
  .type \name, @function
  .p2align 6
\name:
  testq %rdx, %rdx
  jz 2f
  pushq %rbx
  pushq %rbp
  pushq %r12
  pushq %r13
  pushq %r14
  pushq %r15
  subq $.Lsha2_frame, %rsp
  shlq $4, %rdx
  imulq $\n, %rdx
  addq %rsi, %rdx
  movq %rdi, .Lsha2_state(%rsp)
  movq %rsi, .Lsha2_input(%rsp)
  movq %rdx, .Lsha2_end(%rsp)
  movq %rcx, .Lsha2_k(%rsp)
  mov\s 0*\n(%rdi), \r0
  mov\s 1*\n(%rdi), \r1
  mov\s 2*\n(%rdi), \r2
  mov\s 3*\n(%rdi), \r3
  mov\s 4*\n(%rdi), \r4
  mov\s 5*\n(%rdi), \r5
  mov\s 6*\n(%rdi), \r6
  mov\s 7*\n(%rdi), \r7
  .p2align 4
1:
  mov\s \r1, \BC
  xor\s \r2, \BC
  movq .Lsha2_k(%rsp), %rbp
  tessec_sha2_eight \s, \n, 0, \r0, \r1, \r2, \r3, \r4, \r5, \r6, \r7, \AB, \BC, \W, \S, \X, \Y
  tessec_sha2_eight \s, \n, 8, \r0, \r1, \r2, \r3, \r4, \r5, \r6, \r7, \AB, \BC, \W, \S, \X, \Y
  # The later rounds: the same sixteen, with the next sixteen constants each time.
  .p2align 4
3:
  addq $16*\n, %rbp
  tessec_sha2_eight \s, \n, 16, \r0, \r1, \r2, \r3, \r4, \r5, \r6, \r7, \AB, \BC, \W, \S, \X, \Y
  tessec_sha2_eight \s, \n, 24, \r0, \r1, \r2, \r3, \r4, \r5, \r6, \r7, \AB, \BC, \W, \S, \X, \Y
  movq .Lsha2_k(%rsp), %rdi
  addq $(\rounds-16)*\n, %rdi
  cmpq %rdi, %rbp
  jne 3b
  movq .Lsha2_state(%rsp), %rdi
  add\s 0*\n(%rdi), \r0
  mov\s \r0, 0*\n(%rdi)
  add\s 1*\n(%rdi), \r1
  mov\s \r1, 1*\n(%rdi)
  add\s 2*\n(%rdi), \r2
  mov\s \r2, 2*\n(%rdi)
  add\s 3*\n(%rdi), \r3
  mov\s \r3, 3*\n(%rdi)
  add\s 4*\n(%rdi), \r4
  mov\s \r4, 4*\n(%rdi)
  add\s 5*\n(%rdi), \r5
  mov\s \r5, 5*\n(%rdi)
  add\s 6*\n(%rdi), \r6
  mov\s \r6, 6*\n(%rdi)
  add\s 7*\n(%rdi), \r7
  mov\s \r7, 7*\n(%rdi)
  movq .Lsha2_input(%rsp), %rsi
  addq $16*\n, %rsi
  movq %rsi, .Lsha2_input(%rsp)
  cmpq .Lsha2_end(%rsp), %rsi
  jne 1b
  addq $.Lsha2_frame, %rsp
  popq %r15
  popq %r14
  popq %r13
  popq %r12
  popq %rbp
  popq %rbx
2:
  ret
  .size \name, .-\name
.endm

# SHA-256: Sigma1 = ror 6 ^ ror 11 ^ ror 25, Sigma0 = ror 2 ^ ror 13 ^ ror 22 (the third
# rotation of each from the second), sigma0 = ror 7 ^ ror 18 ^ shr 3 and
# sigma1 = ror 17 ^ ror 19 ^ shr 10 (nested: ror(ror(x, p) ^ x, q)).
.set .Lsha2_S1a, 6
.set .Lsha2_S1b, 11
.set .Lsha2_S1c, 14
.set .Lsha2_S0a, 2
.set .Lsha2_S0b, 13
.set .Lsha2_S0c, 9
.set .Lsha2_s0a, 11
.set .Lsha2_s0b, 7
.set .Lsha2_s0c, 3
.set .Lsha2_s1a, 2
.set .Lsha2_s1b, 17
.set .Lsha2_s1c, 10
tessec_sha2_blocks tessec_sha256_x64_core, l, 4, 64, %eax, %ebx, %ecx, %edx, %r8d, %r9d, %r10d, %r11d, %r12d, %r13d, %r14d, %r15d, %esi, %edi

# SHA-384/512: Sigma1 = ror 14 ^ ror 18 ^ ror 41, Sigma0 = ror 28 ^ ror 34 ^ ror 39,
# sigma0 = ror 1 ^ ror 8 ^ shr 7, sigma1 = ror 19 ^ ror 61 ^ shr 6.
.set .Lsha2_S1a, 14
.set .Lsha2_S1b, 18
.set .Lsha2_S1c, 23
.set .Lsha2_S0a, 28
.set .Lsha2_S0b, 34
.set .Lsha2_S0c, 5
.set .Lsha2_s0a, 7
.set .Lsha2_s0b, 1
.set .Lsha2_s0c, 7
.set .Lsha2_s1a, 42
.set .Lsha2_s1b, 19
.set .Lsha2_s1c, 6
tessec_sha2_blocks tessec_sha512_x64_core, q, 8, 80, %rax, %rbx, %rcx, %rdx, %r8, %r9, %r10, %r11, %r12, %r13, %r14, %r15, %rsi, %rdi

.purgem tessec_sha2_sigma
.purgem tessec_sha2_round
.purgem tessec_sha2_eight
.purgem tessec_sha2_blocks
)");
// clang-format on

// The assembly's entries, with the table of round constants as a fourth argument (which keeps
// the code free of absolute addresses).
extern "C" void TessecSha256X64Core(uint32_t state[8], const unsigned char* data, size_t blocks,
                                    const uint32_t* k) __asm__("tessec_sha256_x64_core");
extern "C" void TessecSha512X64Core(uint64_t state[8], const unsigned char* data, size_t blocks,
                                    const uint64_t* k) __asm__("tessec_sha512_x64_core");

namespace tessec_detail {
void Sha256BlocksX64(uint32_t state[8], const unsigned char* data, size_t blocks) {
  TessecSha256X64Core(state, data, blocks, kSha256K);
}
void Sha512BlocksX64(uint64_t state[8], const unsigned char* data, size_t blocks) {
  TessecSha512X64Core(state, data, blocks, kSha512K);
}
}  // namespace tessec_detail

#endif

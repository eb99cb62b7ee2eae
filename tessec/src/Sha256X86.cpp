// SHA-256 compression for 32-bit x86 in general registers, written out in assembly (GCC and
// Clang): the integer code for CPUs, or TESSEC_CPU settings, without the vector paths.
//
// With the seven registers of 32-bit code, the compiler's allocation spills and reloads working
// variables and schedule words as it sees fit. Here every register has one job for the whole
// block:
//   edx        e of the round
//   eax, ebx   a of the round, and the sum that becomes the next a (the two swap every round)
//   ecx, esi   b ^ c of the round (carried: it is the previous round's a ^ b), and a ^ b
//   edi        the message block in rounds 0 to 15, then the current sixteen round constants
//   ebp        scratch
// The other working variables live in two rings of four words on the stack: round t stores the
// new a and e, and reads b, d, f, g and h as the values stored one to three rounds before, never
// one stored in the round right before. Each message word is made in the round that uses it, in
// a sixteen-word window.
//
// The rounds run at the limit of the integer units (some 36 operations a round), so what counts
// is that the code stays small enough to run from the decoded-instruction cache: the first sixteen
// rounds are written out with their constants as immediates, and the other 48 are a loop of
// sixteen that reads its constants from the table (spelled out, the 64 rounds ran 10% slower).
// Sigma1 takes its three rotations side by side, as e's chain from round to round is the one
// that limits; Sigma0 nests them (one register copy fewer), and a new a adds the sum from e last.
#include "Internal.h"

#if defined(TESSEC_SHA256_X86_ASM)

#if defined(__ELF__)
#define TESSEC_SHA256_X86_HEAD \
  ".hidden tessec_sha256_x86_core\n.type tessec_sha256_x86_core, @function\n"
#define TESSEC_SHA256_X86_TAIL ".size tessec_sha256_x86_core, .-tessec_sha256_x86_core\n"
#else
#define TESSEC_SHA256_X86_HEAD ""
#define TESSEC_SHA256_X86_TAIL ""
#endif

// clang-format off
__asm__(".text\n.globl tessec_sha256_x86_core\n" TESSEC_SHA256_X86_HEAD R"(
# The stack frame, from esp after the prologue: the message window (bytes 0 to 63), the rings of
# a and e, the state and input pointers, the end of the input and the end of the table; then the
# four saved registers, the return address and the arguments (state, input, blocks, constants).
.set .Ls256_frame, 112
.set .Ls256_ring_a, 64
.set .Ls256_ring_e, 80
.set .Ls256_state, 96
.set .Ls256_input, 100
.set .Ls256_end, 104
.set .Ls256_kend, 108

# Round t, with round constant k when t < 16 (later rounds take theirs from the table). A holds
# a; T receives the next a; AB holds b ^ c and X receives a ^ b.
.macro tessec_s256_round t, k, A, T, AB, X
  # T = h + k + w[t] + Ch(e, f, g) + Sigma1(e)
.if \t < 16
  movl 4*\t(%edi), %ebp
  bswapl %ebp
  movl %ebp, 4*\t(%esp)
  movl .Ls256_ring_e+4*((\t+1)&3)(%esp), \T
  leal \k(\T,%ebp), \T
.else
  # w[t] = sigma1(w[t-2]) + w[t-7] + sigma0(w[t-15]) + w[t-16], made in T
  movl 4*((\t+14)&15)(%esp), %ebp
  movl %ebp, \T
  rorl $2, \T
  xorl %ebp, \T
  rorl $17, \T
  shrl $10, %ebp
  xorl %ebp, \T
  addl 4*((\t+9)&15)(%esp), \T
  addl 4*(\t&15)(%esp), \T
  movl 4*((\t+1)&15)(%esp), %ebp
  movl %ebp, \X
  rorl $11, \X
  xorl %ebp, \X
  rorl $7, \X
  shrl $3, %ebp
  xorl %ebp, \X
  addl \X, \T
  movl \T, 4*(\t&15)(%esp)
  addl .Ls256_ring_e+4*((\t+1)&3)(%esp), \T
  addl 4*(\t&15)(%edi), \T
.endif
  movl .Ls256_ring_e+4*((\t+3)&3)(%esp), \X
  xorl .Ls256_ring_e+4*((\t+2)&3)(%esp), \X
  andl %edx, \X
  xorl .Ls256_ring_e+4*((\t+2)&3)(%esp), \X
  addl \X, \T
  movl %edx, \X
  rorl $6, \X
  movl %edx, %ebp
  rorl $11, %ebp
  xorl %ebp, \X
  rorl $14, %ebp
  xorl %ebp, \X
  addl \X, \T
  # next e = d + T
  movl .Ls256_ring_a+4*((\t+1)&3)(%esp), %edx
  addl \T, %edx
  movl %edx, .Ls256_ring_e+4*((\t+1)&3)(%esp)
  # next a = T + (Maj(a, b, c) + Sigma0(a)), Maj = b ^ ((a ^ b) & (b ^ c))
  movl \A, %ebp
  rorl $9, %ebp
  xorl \A, %ebp
  rorl $11, %ebp
  xorl \A, %ebp
  rorl $2, %ebp
  movl \A, \X
  xorl .Ls256_ring_a+4*((\t+3)&3)(%esp), \X
  andl \X, \AB
  xorl .Ls256_ring_a+4*((\t+3)&3)(%esp), \AB
  addl %ebp, \AB
  addl \AB, \T
  movl \T, .Ls256_ring_a+4*((\t+1)&3)(%esp)
.endm

# Rounds t and t + 1: the registers of a and the next a swap, and so do those of b ^ c and a ^ b.
.macro tessec_s256_pair t, k0, k1
  tessec_s256_round \t, \k0, %eax, %ebx, %ecx, %esi
  tessec_s256_round (\t+1), \k1, %ebx, %eax, %esi, %ecx
.endm

# Puts state word i at ring word r.
.macro tessec_s256_put ring, r, i
  movl 4*\i(%edi), %eax
  movl %eax, \ring+4*\r(%esp)
.endm

# Adds state word i to R, which holds ring word r, and puts the sum back in both.
.macro tessec_s256_keep ring, r, i, R
  addl 4*\i(%edi), \R
  movl \R, 4*\i(%edi)
  movl \R, \ring+4*\r(%esp)
.endm

# The same for a ring word that is not in a register.
.macro tessec_s256_add ring, r, i, R
  movl \ring+4*\r(%esp), \R
  tessec_s256_keep \ring, \r, \i, \R
.endm

  .p2align 6
tessec_sha256_x86_core:
  pushl %ebp
  pushl %ebx
  pushl %esi
  pushl %edi
  subl $.Ls256_frame, %esp
  movl .Ls256_frame+20(%esp), %edi
  movl .Ls256_frame+24(%esp), %ebx
  movl .Ls256_frame+28(%esp), %ecx
  testl %ecx, %ecx
  jz 2f
  shll $6, %ecx
  addl %ebx, %ecx
  movl %edi, .Ls256_state(%esp)
  movl %ebx, .Ls256_input(%esp)
  movl %ecx, .Ls256_end(%esp)
  movl .Ls256_frame+32(%esp), %ecx
  addl $256, %ecx
  movl %ecx, .Ls256_kend(%esp)
  # a, b, c, d at ring places 0, 3, 2, 1 (b is the a of the round before); e to h alike.
  tessec_s256_put .Ls256_ring_a, 0, 0
  tessec_s256_put .Ls256_ring_a, 3, 1
  tessec_s256_put .Ls256_ring_a, 2, 2
  tessec_s256_put .Ls256_ring_a, 1, 3
  tessec_s256_put .Ls256_ring_e, 0, 4
  tessec_s256_put .Ls256_ring_e, 3, 5
  tessec_s256_put .Ls256_ring_e, 2, 6
  tessec_s256_put .Ls256_ring_e, 1, 7
  movl .Ls256_ring_a+0(%esp), %eax
  movl .Ls256_ring_e+0(%esp), %edx
  movl .Ls256_ring_a+12(%esp), %ecx
  xorl .Ls256_ring_a+8(%esp), %ecx
  .p2align 4
1:
  movl .Ls256_input(%esp), %edi
  tessec_s256_pair 0, 0x428a2f98, 0x71374491
  tessec_s256_pair 2, 0xb5c0fbcf, 0xe9b5dba5
  tessec_s256_pair 4, 0x3956c25b, 0x59f111f1
  tessec_s256_pair 6, 0x923f82a4, 0xab1c5ed5
  tessec_s256_pair 8, 0xd807aa98, 0x12835b01
  tessec_s256_pair 10, 0x243185be, 0x550c7dc3
  tessec_s256_pair 12, 0x72be5d74, 0x80deb1fe
  tessec_s256_pair 14, 0x9bdc06a7, 0xc19bf174
  # Rounds 16 to 63: three times the same sixteen, with the next sixteen constants.
  movl .Ls256_frame+32(%esp), %edi
  addl $64, %edi
  .p2align 4
3:
  tessec_s256_pair 16, 0, 0
  tessec_s256_pair 18, 0, 0
  tessec_s256_pair 20, 0, 0
  tessec_s256_pair 22, 0, 0
  tessec_s256_pair 24, 0, 0
  tessec_s256_pair 26, 0, 0
  tessec_s256_pair 28, 0, 0
  tessec_s256_pair 30, 0, 0
  addl $64, %edi
  cmpl .Ls256_kend(%esp), %edi
  jne 3b
  # After 64 rounds the rings hold a to d and e to h at their starting places again, and eax and
  # edx hold a and e: the sums stay there for the next block, which also needs b ^ c in ecx.
  movl .Ls256_state(%esp), %edi
  tessec_s256_keep .Ls256_ring_a, 0, 0, %eax
  tessec_s256_keep .Ls256_ring_e, 0, 4, %edx
  tessec_s256_add .Ls256_ring_a, 3, 1, %ecx
  tessec_s256_add .Ls256_ring_a, 2, 2, %esi
  xorl %esi, %ecx
  tessec_s256_add .Ls256_ring_a, 1, 3, %ebx
  tessec_s256_add .Ls256_ring_e, 3, 5, %ebx
  tessec_s256_add .Ls256_ring_e, 2, 6, %ebx
  tessec_s256_add .Ls256_ring_e, 1, 7, %ebx
  movl .Ls256_input(%esp), %ebx
  addl $64, %ebx
  movl %ebx, .Ls256_input(%esp)
  cmpl .Ls256_end(%esp), %ebx
  jne 1b
2:
  addl $.Ls256_frame, %esp
  popl %edi
  popl %esi
  popl %ebx
  popl %ebp
  ret
)" TESSEC_SHA256_X86_TAIL R"(
.purgem tessec_s256_round
.purgem tessec_s256_pair
.purgem tessec_s256_add
.purgem tessec_s256_keep
.purgem tessec_s256_put
)");
// clang-format on

// The assembly's entry, with the table of round constants as a fourth argument (which keeps the
// code free of absolute addresses).
extern "C" void TessecSha256X86Core(uint32_t state[8], const unsigned char* data, size_t blocks,
                                    const uint32_t* k) __asm__("tessec_sha256_x86_core");

namespace tessec_detail {
void Sha256BlocksX86(uint32_t state[8], const unsigned char* data, size_t blocks) {
  TessecSha256X86Core(state, data, blocks, kSha256K);
}
}  // namespace tessec_detail

#endif

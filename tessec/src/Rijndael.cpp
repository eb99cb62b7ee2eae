// The Rijndael cipher: key schedule, block transformation, chaining modes and the padded
// message format.
//
// Blocks are handled as big-endian 32-bit column words (a column's first byte in the high
// bits), which is the form of the round tables. 16-byte blocks take a fully unrolled path, or
// AES-NI when the CPU has it; 24- and 32-byte blocks take the general path with the row
// offsets of sm_shifts.
//
// Every mode operation reads a block before it writes the block's output, in all three modes
// and both directions, so out == in works everywhere (and so does any out that trails in).
#include "tessec/Cipher.h"

#include <climits>
#include <cstdint>
#include <cstring>
#include <utility>

#include "Internal.h"
#include "RijndaelData.h"

using namespace tessec_detail;

namespace public_crypt {

namespace {

const char kZeros[32] = {0};

inline const unsigned char* Bytes(const char* p) {
  return reinterpret_cast<const unsigned char*>(p);
}
inline unsigned char* Bytes(char* p) { return reinterpret_cast<unsigned char*>(p); }

}  // namespace

const char* const CRijndael::sm_chain0 = kZeros;
const char* const CRijndael::sm_szErrorMsg1 = "Object not Initialized";
const char* const CRijndael::sm_szErrorMsg2 = "Data not multiple of Block Size";

// ---- CCipher ------------------------------------------------------------------------------

CCipher::CCipher() = default;
CCipher::CCipher(const CCipher&) = default;
CCipher& CCipher::operator=(const CCipher&) = default;
CCipher::~CCipher() = default;

// ---- Construction -------------------------------------------------------------------------

CRijndael::CRijndael(const char* key, const char* chain, int mode, int keyLength, int blockSize)
    : m_pfnEncrypt(nullptr),
      m_pfnDecrypt(nullptr),
      m_bReady(false),
      m_encKeys(),
      m_decKeys(),
      m_keyLength(0),
      m_blockSize(0),
      m_rounds(0),
      m_initialChain(),
      m_chain(),
      m_tk(),
      m_a(),
      m_t() {
  Init(key, chain, mode, keyLength, blockSize);
}

CRijndael::CRijndael(const CRijndael& other) = default;
CRijndael& CRijndael::operator=(const CRijndael& other) = default;
CRijndael::~CRijndael() = default;

// ---- Key schedule -------------------------------------------------------------------------

int CRijndael::Init(const char* key, const char* chain, int mode, int keyLength, int blockSize) {
  if (!key) return -1;
  if (keyLength != 16 && keyLength != 24 && keyLength != 32) return -1;
  if (blockSize != 16 && blockSize != 24 && blockSize != 32) return -1;

  m_keyLength = keyLength;
  m_blockSize = blockSize;
  if (!chain) chain = sm_chain0;
  std::memcpy(m_initialChain, chain, blockSize);
  std::memcpy(m_chain, chain, blockSize);
  m_rounds = (keyLength > blockSize ? keyLength : blockSize) / 4 + 6;
  std::memset(m_encKeys, 0, sizeof(m_encKeys));
  std::memset(m_decKeys, 0, sizeof(m_decKeys));

  // Key expansion, keeping the last Nk words in m_tk: word i is word i - Nk combined with a
  // function of word i - 1. Word i goes to row i / BC, column i % BC of the encryption keys,
  // and to the mirrored row of the decryption keys.
  const int nk = keyLength / 4;
  const int bc = blockSize / 4;
  const int total = bc * (m_rounds + 1);
  for (int i = 0; i < nk; ++i) m_tk[i] = Load32BE(Bytes(key) + 4 * i);
  for (int i = 0; i < total; ++i) {
    if (i >= nk) {
      uint32_t temp = m_tk[(i - 1) % nk];
      if (i % nk == 0) {
        temp = (uint32_t(sm_S[(temp >> 16) & 0xFF]) << 24) |
               (uint32_t(sm_S[(temp >> 8) & 0xFF]) << 16) | (uint32_t(sm_S[temp & 0xFF]) << 8) |
               uint32_t(sm_S[temp >> 24]);
        temp ^= uint32_t(sm_rcon[i / nk - 1]) << 24;
      } else if (nk == 8 && i % nk == 4) {
        temp = (uint32_t(sm_S[temp >> 24]) << 24) | (uint32_t(sm_S[(temp >> 16) & 0xFF]) << 16) |
               (uint32_t(sm_S[(temp >> 8) & 0xFF]) << 8) | uint32_t(sm_S[temp & 0xFF]);
      }
      m_tk[i % nk] ^= temp;
    }
    const uint32_t w = m_tk[i % nk];
    m_encKeys[i / bc][i % bc] = w;
    m_decKeys[m_rounds - i / bc][i % bc] = w;
  }
  // The equivalent inverse cipher: InvMixColumns over the inner decryption rows.
  for (int r = 1; r < m_rounds; ++r) {
    for (int j = 0; j < bc; ++j) {
      const uint32_t w = m_decKeys[r][j];
      m_decKeys[r][j] =
          sm_U1[w >> 24] ^ sm_U2[(w >> 16) & 0xFF] ^ sm_U3[(w >> 8) & 0xFF] ^ sm_U4[w & 0xFF];
    }
  }

  m_bReady = true;
  switch (mode) {
    case CBC:
      m_pfnEncrypt = &CRijndael::Encrypt_CBC;
      m_pfnDecrypt = &CRijndael::Decrypt_CBC;
      break;
    case CFB:
      m_pfnEncrypt = &CRijndael::Encrypt_CFB;
      m_pfnDecrypt = &CRijndael::Decrypt_CFB;
      break;
    default:
      m_pfnEncrypt = &CRijndael::Encrypt_OTHER;
      m_pfnDecrypt = &CRijndael::Decrypt_OTHER;
      break;
  }
  return 0;
}

// ---- Block transformation -----------------------------------------------------------------
//
// The transformations work on a block as column words (first byte in the high bits). Both
// directions have one shape, thanks to the equivalent inverse cipher: round-key row 0, middle
// rounds of four table lookups per column, a last round through the S-box. The class's tables
// of a direction are template arguments, so that the code addresses them as constants.

namespace {

typedef const unsigned int (*RoundKeys)[8];

inline uint32_t LastColumn(const unsigned char* box, uint32_t w0, uint32_t w1, uint32_t w2,
                           uint32_t w3) {
  return (uint32_t(box[w0 >> 24]) << 24) | (uint32_t(box[(w1 >> 16) & 0xFF]) << 16) |
         (uint32_t(box[(w2 >> 8) & 0xFF]) << 8) | uint32_t(box[w3 & 0xFF]);
}

// clang-format off
#if defined(__GNUC__) && defined(__i386__) && !defined(__PIC__)
// 32-bit x86 with the tables at fixed addresses (the DLL): the rounds of a 16-byte block in
// assembly. A compiler spreads the state over registers that have no byte parts (esi, edi, ebp)
// and then spends two or three instructions on each table index; here the four columns stay in
// eax, ebx, ecx and edx, whose first two bytes (al, ah, ...) are indices in one instruction.
// esi and edi hold an output column and an index, ebp the round keys. Three output columns wait
// on the stack while the fourth is made from what is left of the input. Each column takes the
// round key, which is there early, right after its first lookup, so that the chain of
// dependent instructions from one round to the next stays short (it bounds CBC encryption).
#define TESSEC_X86_ASM_ROUNDS 1

// Output column from input columns a (row 0), b (row 1), c (byte register, row 2) and e (byte
// register, row 3) through the tables T1 to T4 (operands t1 to t4, or l1 to l4 for the last
// round: P is "t" or "l"), with round-key word k; kept at slot(%esp). The lookups of rows 1 to 3
// come in the order ORDER gives: the one from edx (the column the previous round made last)
// comes last.
#define TESSEC_X86_COLUMN(P, ORDER, a, b, c, e, k, slot) \
  "mov %%" a ",%%esi\n\t"                          \
  "shr $24,%%esi\n\t"                              \
  "mov %c[" P "1](,%%esi,4),%%esi\n\t"             \
  "xor " k "(%%ebp),%%esi\n\t"                     \
  ORDER(P, b, c, e)                                \
  "mov %%esi," slot "(%%esp)\n\t"
#define TESSEC_X86_ROW1(P, b)                      \
  "mov %%" b ",%%edi\n\t"                          \
  "shr $16,%%edi\n\t"                              \
  "and $255,%%edi\n\t"                             \
  "xor %c[" P "2](,%%edi,4),%%esi\n\t"
#define TESSEC_X86_ROW2(P, c)                      \
  "movzbl %%" c ",%%edi\n\t"                       \
  "xor %c[" P "3](,%%edi,4),%%esi\n\t"
#define TESSEC_X86_ROW3(P, e)                      \
  "movzbl %%" e ",%%edi\n\t"                       \
  "xor %c[" P "4](,%%edi,4),%%esi\n\t"
#define TESSEC_X86_BCE(P, b, c, e) TESSEC_X86_ROW1(P, b) TESSEC_X86_ROW2(P, c) TESSEC_X86_ROW3(P, e)
#define TESSEC_X86_BEC(P, b, c, e) TESSEC_X86_ROW1(P, b) TESSEC_X86_ROW3(P, e) TESSEC_X86_ROW2(P, c)
#define TESSEC_X86_CEB(P, b, c, e) TESSEC_X86_ROW2(P, c) TESSEC_X86_ROW3(P, e) TESSEC_X86_ROW1(P, b)

// The fourth output column into edx (row 0 from edx itself), using up the inputs: row 1 from
// the word b (low byte bl), row 2 from byte c, row 3 from byte e. Then the three others come
// back from the stack.
#define TESSEC_X86_LAST_COLUMN(P, b, bl, c, e)     \
  "movzbl %%" e ",%%esi\n\t"                       \
  "movzbl %%" c ",%%edi\n\t"                       \
  "shr $16,%%" b "\n\t"                            \
  "movzbl %%" bl ",%%" b "\n\t"                    \
  "shr $24,%%edx\n\t"                              \
  "mov %c[" P "1](,%%edx,4),%%edx\n\t"             \
  "xor 12(%%ebp),%%edx\n\t"                        \
  "xor %c[" P "2](,%%" b ",4),%%edx\n\t"           \
  "xor %c[" P "3](,%%edi,4),%%edx\n\t"             \
  "xor %c[" P "4](,%%esi,4),%%edx\n\t"             \
  "mov 0(%%esp),%%eax\n\t"                         \
  "mov 4(%%esp),%%ebx\n\t"                         \
  "mov 8(%%esp),%%ecx\n\t"

// Output column j takes row k from column j + k (encryption) or j - k (decryption).
#define TESSEC_X86_ENC_ROUND(P)                                           \
  TESSEC_X86_COLUMN(P, TESSEC_X86_BCE, "eax", "ebx", "ch", "dl", "0", "0") \
  TESSEC_X86_COLUMN(P, TESSEC_X86_BEC, "ebx", "ecx", "dh", "al", "4", "4") \
  TESSEC_X86_COLUMN(P, TESSEC_X86_CEB, "ecx", "edx", "ah", "bl", "8", "8") \
  TESSEC_X86_LAST_COLUMN(P, "eax", "al", "bh", "cl")
#define TESSEC_X86_DEC_ROUND(P)                                           \
  TESSEC_X86_COLUMN(P, TESSEC_X86_CEB, "eax", "edx", "ch", "bl", "0", "0") \
  TESSEC_X86_COLUMN(P, TESSEC_X86_BEC, "ebx", "eax", "dh", "cl", "4", "4") \
  TESSEC_X86_COLUMN(P, TESSEC_X86_BCE, "ecx", "ebx", "ah", "dl", "8", "8") \
  TESSEC_X86_LAST_COLUMN(P, "ecx", "cl", "bh", "al")

// The whole block: round-key row 0, the middle rounds in a loop (ebp walks the key rows up to
// row `rounds`, whose address waits at 12(%esp)), the last round. esi and edi come in with the
// keys and the round count. The loop stops at or past that row, so that a round count of 0 or 1
// (the private block functions on an object never initialised) stays within the key rows. ebp is
// saved and restored here rather than named as clobbered, as the compiler may need it for the
// frame; nothing below esp is used.
#define TESSEC_X86_BLOCK(ROUND)                    \
  "push %%ebp\n\t"                                 \
  "sub $16,%%esp\n\t"                              \
  "mov %%esi,%%ebp\n\t"                            \
  "shl $5,%%edi\n\t"                               \
  "add %%esi,%%edi\n\t"                            \
  "mov %%edi,12(%%esp)\n\t"                        \
  "xor 0(%%ebp),%%eax\n\t"                         \
  "xor 4(%%ebp),%%ebx\n\t"                         \
  "xor 8(%%ebp),%%ecx\n\t"                         \
  "xor 12(%%ebp),%%edx\n\t"                        \
  "add $32,%%ebp\n"                                \
  "1:\n\t"                                         \
  ROUND("t")                                       \
  "add $32,%%ebp\n\t"                              \
  "cmp 12(%%esp),%%ebp\n\t"                        \
  "jb 1b\n\t"                                      \
  ROUND("l")                                       \
  "add $16,%%esp\n\t"                              \
  "pop %%ebp\n\t"
#endif
// clang-format on

#if UINTPTR_MAX <= 0xFFFFFFFFu
// 16-byte blocks in 32-bit code, every round spelled out. Column j takes row k from column
// j + k when encrypting and from column j - k when decrypting (modulo 4).
#define TESSEC_ENC_ROUND(o, i, r)                                                              \
  o##0 = T1[i##0 >> 24] ^ T2[(i##1 >> 16) & 0xFF] ^ T3[(i##2 >> 8) & 0xFF] ^ T4[i##3 & 0xFF] ^ \
         rk[r][0];                                                                             \
  o##1 = T1[i##1 >> 24] ^ T2[(i##2 >> 16) & 0xFF] ^ T3[(i##3 >> 8) & 0xFF] ^ T4[i##0 & 0xFF] ^ \
         rk[r][1];                                                                             \
  o##2 = T1[i##2 >> 24] ^ T2[(i##3 >> 16) & 0xFF] ^ T3[(i##0 >> 8) & 0xFF] ^ T4[i##1 & 0xFF] ^ \
         rk[r][2];                                                                             \
  o##3 = T1[i##3 >> 24] ^ T2[(i##0 >> 16) & 0xFF] ^ T3[(i##1 >> 8) & 0xFF] ^ T4[i##2 & 0xFF] ^ \
         rk[r][3];

#define TESSEC_DEC_ROUND(o, i, r)                                                              \
  o##0 = T1[i##0 >> 24] ^ T2[(i##3 >> 16) & 0xFF] ^ T3[(i##2 >> 8) & 0xFF] ^ T4[i##1 & 0xFF] ^ \
         rk[r][0];                                                                             \
  o##1 = T1[i##1 >> 24] ^ T2[(i##0 >> 16) & 0xFF] ^ T3[(i##3 >> 8) & 0xFF] ^ T4[i##2 & 0xFF] ^ \
         rk[r][1];                                                                             \
  o##2 = T1[i##2 >> 24] ^ T2[(i##1 >> 16) & 0xFF] ^ T3[(i##0 >> 8) & 0xFF] ^ T4[i##3 & 0xFF] ^ \
         rk[r][2];                                                                             \
  o##3 = T1[i##3 >> 24] ^ T2[(i##2 >> 16) & 0xFF] ^ T3[(i##1 >> 8) & 0xFF] ^ T4[i##0 & 0xFF] ^ \
         rk[r][3];

// Rounds 1 to rounds - 1, from s into t: nine, then two or four more for longer keys or blocks.
#define TESSEC_MIDDLE_ROUNDS(ROUND) \
  ROUND(t, s, 1)                    \
  ROUND(s, t, 2)                    \
  ROUND(t, s, 3)                    \
  ROUND(s, t, 4)                    \
  ROUND(t, s, 5)                    \
  ROUND(s, t, 6)                    \
  ROUND(t, s, 7)                    \
  ROUND(s, t, 8)                    \
  ROUND(t, s, 9)                    \
  if (rounds > 10) {                \
    ROUND(s, t, 10)                 \
    ROUND(t, s, 11)                 \
    if (rounds > 12) {              \
      ROUND(s, t, 12)               \
      ROUND(t, s, 13)               \
    }                               \
  }
#endif

// One direction of the cipher: its four round tables and its S-box. In a round, output column j
// takes row k from input column j + S_k when encrypting and j - S_k when decrypting (modulo the
// column count), with the offsets S_k of kRijndaelShifts.
template <const uint32_t (&Tables)[4][256], const uint32_t (&LastTables)[4][256],
          const unsigned char* Box, bool kDecrypt>
struct Direction {
  static constexpr const uint32_t* T1 = Tables[0];
  static constexpr const uint32_t* T2 = Tables[1];
  static constexpr const uint32_t* T3 = Tables[2];
  static constexpr const uint32_t* T4 = Tables[3];

  // The last round of a 16-byte block: S-box bytes already in place in their words.
  TESSEC_FORCE_INLINE static uint32_t Last16(uint32_t w0, uint32_t w1, uint32_t w2, uint32_t w3,
                                             uint32_t k) {
    return LastTables[0][w0 >> 24] ^ k ^ LastTables[1][(w1 >> 16) & 0xFF] ^
           LastTables[2][(w2 >> 8) & 0xFF] ^ LastTables[3][w3 & 0xFF];
  }

  // 16-byte blocks, three ways, each the fastest one where it is used.
#if UINTPTR_MAX > 0xFFFFFFFFu
  // 64-bit code: a round goes through the input columns one by one, each adding its four
  // lookups to the four output columns it feeds, and every input word is done with after its
  // turn. The rounds are spelled out (round keys at fixed offsets) and the block function is
  // inlined into the mode loops, so that a block stays in registers from input to output.
  template <int I>
  TESSEC_FORCE_INLINE static void Spread(uint32_t s, uint32_t* t) {
    const int d = kDecrypt ? 1 : 3;  // row k of input column I feeds column I -/+ k
    t[(I + 3 * d) & 3] ^= T4[s & 0xFF];
    s >>= 8;
    t[(I + 2 * d) & 3] ^= T3[s & 0xFF];
    s >>= 8;
    t[(I + d) & 3] ^= T2[s & 0xFF];
    t[I] ^= T1[s >> 8];
  }

  TESSEC_FORCE_INLINE static void Round(const unsigned int* k, uint32_t* s) {
    uint32_t t[4] = {k[0], k[1], k[2], k[3]};
    Spread<0>(s[0], t);
    Spread<1>(s[1], t);
    Spread<2>(s[2], t);
    Spread<3>(s[3], t);
    for (int j = 0; j < 4; ++j) s[j] = t[j];
  }

  TESSEC_FORCE_INLINE static void LastRound(const unsigned int* last, const uint32_t* s,
                                            uint32_t* b) {
    const int d = kDecrypt ? 3 : 1;  // output column j takes row k from column j +/- k
    for (int j = 0; j < 4; ++j) {
      const uint32_t w1 = s[(j + d) & 3], w2 = s[(j + 2 * d) & 3], w3 = s[(j + 3 * d) & 3];
      // Decryption (whose blocks overlap in the processor) goes faster here through the 256-byte
      // S-box, which stays in the cache while long inputs stream past, than through the 4 KB of
      // shifted tables; encryption (one chain of blocks) gains from the shorter lookups.
      if constexpr (kDecrypt) {
        b[j] = LastColumn(Box, s[j], w1, w2, w3) ^ last[j];
      } else {
        b[j] = Last16(s[j], w1, w2, w3, last[j]);
      }
    }
  }

  TESSEC_FORCE_INLINE static void Block16(RoundKeys rk, int rounds, uint32_t* b) {
    uint32_t s[4] = {b[0] ^ rk[0][0], b[1] ^ rk[0][1], b[2] ^ rk[0][2], b[3] ^ rk[0][3]};
    for (int r = 1; r < 10; ++r) Round(rk[r], s);
    if (rounds > 10) {
      Round(rk[10], s);
      Round(rk[11], s);
      if (rounds > 12) {
        Round(rk[12], s);
        Round(rk[13], s);
      }
    }
    LastRound(rk[rounds], s, b);
  }

  // Two independent blocks, their rounds taken in turn, so that the processor has the work of
  // one to do while the other waits for its lookups (decryption, where blocks do not chain).
  TESSEC_FORCE_INLINE static void Block16x2(RoundKeys rk, int rounds, uint32_t* a, uint32_t* b) {
    uint32_t s[4] = {a[0] ^ rk[0][0], a[1] ^ rk[0][1], a[2] ^ rk[0][2], a[3] ^ rk[0][3]};
    uint32_t u[4] = {b[0] ^ rk[0][0], b[1] ^ rk[0][1], b[2] ^ rk[0][2], b[3] ^ rk[0][3]};
    for (int r = 1; r < rounds; ++r) {
      Round(rk[r], s);
      Round(rk[r], u);
    }
    LastRound(rk[rounds], s, a);
    LastRound(rk[rounds], u, b);
  }

#elif defined(TESSEC_X86_ASM_ROUNDS)
  TESSEC_FORCE_INLINE static void Block16(RoundKeys rk, int rounds, uint32_t* b) {
    uint32_t s0 = b[0], s1 = b[1], s2 = b[2], s3 = b[3];
    const void* keys = rk;
    if constexpr (kDecrypt) {
      __asm__ __volatile__(
          TESSEC_X86_BLOCK(TESSEC_X86_DEC_ROUND)
          : "+a"(s0), "+b"(s1), "+c"(s2), "+d"(s3), "+S"(keys), "+D"(rounds)
          : [t1] "i"(T1), [t2] "i"(T2), [t3] "i"(T3), [t4] "i"(T4), [l1] "i"(LastTables[0]),
            [l2] "i"(LastTables[1]), [l3] "i"(LastTables[2]), [l4] "i"(LastTables[3])
          : "memory", "cc");
    } else {
      __asm__ __volatile__(
          TESSEC_X86_BLOCK(TESSEC_X86_ENC_ROUND)
          : "+a"(s0), "+b"(s1), "+c"(s2), "+d"(s3), "+S"(keys), "+D"(rounds)
          : [t1] "i"(T1), [t2] "i"(T2), [t3] "i"(T3), [t4] "i"(T4), [l1] "i"(LastTables[0]),
            [l2] "i"(LastTables[1]), [l3] "i"(LastTables[2]), [l4] "i"(LastTables[3])
          : "memory", "cc");
    }
    b[0] = s0;
    b[1] = s1;
    b[2] = s2;
    b[3] = s3;
  }

#else
  // 32-bit code (where a table's address is a constant of the instruction): every round spelled
  // out, alternating between two sets of variables.
  static void Block16(RoundKeys rk, int rounds, uint32_t* b) {
    uint32_t s0 = b[0] ^ rk[0][0], s1 = b[1] ^ rk[0][1], s2 = b[2] ^ rk[0][2];
    uint32_t s3 = b[3] ^ rk[0][3];
    uint32_t t0, t1, t2, t3;
    const unsigned int* last = rk[rounds];
    if constexpr (kDecrypt) {
      TESSEC_MIDDLE_ROUNDS(TESSEC_DEC_ROUND)
      b[0] = Last16(t0, t3, t2, t1, last[0]);
      b[1] = Last16(t1, t0, t3, t2, last[1]);
      b[2] = Last16(t2, t1, t0, t3, last[2]);
      b[3] = Last16(t3, t2, t1, t0, last[3]);
    } else {
      TESSEC_MIDDLE_ROUNDS(TESSEC_ENC_ROUND)
      b[0] = Last16(t0, t1, t2, t3, last[0]);
      b[1] = Last16(t1, t2, t3, t0, last[1]);
      b[2] = Last16(t2, t3, t0, t1, last[2]);
      b[3] = Last16(t3, t0, t1, t2, last[3]);
    }
  }

#endif

  // 24- and 32-byte blocks: BC columns, row k of column j taken from column j + Sk (mod BC).
  // The columns are spelled out by pack expansion, so that every index is a constant and the
  // state stays in registers.
  template <int BC, int S1, int S2, int S3, size_t... J>
  static void BlockWide(RoundKeys rk, int rounds, uint32_t* b, std::index_sequence<J...>) {
    uint32_t s[BC] = {(b[J] ^ rk[0][J])...};
    for (int r = 1; r < rounds; ++r) {
      const uint32_t t[BC] = {(T1[s[J] >> 24] ^ T2[(s[(J + S1) % BC] >> 16) & 0xFF] ^
                               T3[(s[(J + S2) % BC] >> 8) & 0xFF] ^ T4[s[(J + S3) % BC] & 0xFF] ^
                               rk[r][J])...};
      for (int j = 0; j < BC; ++j) s[j] = t[j];
    }
    const uint32_t out[BC] = {
        (LastColumn(Box, s[J], s[(J + S1) % BC], s[(J + S2) % BC], s[(J + S3) % BC]) ^
         rk[rounds][J])...};
    for (int j = 0; j < BC; ++j) b[j] = out[j];
  }

  template <int BC, int kRow>
  struct Shift {
    static constexpr int kValue = tessec_detail::kRijndaelShifts[BC / 2 - 2][kRow][kDecrypt];
  };

  template <int BC>
  static void Wide(RoundKeys rk, int rounds, uint32_t* b) {
    BlockWide<BC, Shift<BC, 1>::kValue, Shift<BC, 2>::kValue, Shift<BC, 3>::kValue>(
        rk, rounds, b, std::make_index_sequence<BC>());
  }

  // One block of bc columns, in place.
  TESSEC_FORCE_INLINE static void Block(RoundKeys rk, int rounds, int bc, uint32_t* b) {
    if (bc == 4) {
      Block16(rk, rounds, b);
    } else if (bc == 6) {
      Wide<6>(rk, rounds, b);
    } else {
      Wide<8>(rk, rounds, b);
    }
  }
};

#if UINTPTR_MAX <= 0xFFFFFFFFu
#undef TESSEC_ENC_ROUND
#undef TESSEC_DEC_ROUND
#undef TESSEC_MIDDLE_ROUNDS
#endif

inline void LoadWords(const char* p, int n, uint32_t* w) {
  for (int j = 0; j < n; ++j) w[j] = Load32BE(Bytes(p) + 4 * j);
}
inline void StoreWords(const uint32_t* w, int n, char* p) {
  for (int j = 0; j < n; ++j) Store32BE(Bytes(p) + 4 * j, w[j]);
}

enum class Mode { kEcb, kCbc, kCfb };

// A chaining mode over whole blocks of BC columns with the table code: the chain is loaded once
// per call and kept as words; every block is read completely before its output is written.
template <Mode kMode, bool kDecrypt, class Encryption, class Decryption, int BC>
void RunColumns(RoundKeys encKeys, RoundKeys decKeys, int rounds, char* chainBytes, const char* in,
                char* out, unsigned int len) {
  uint32_t chain[BC], block[BC], ct[BC];
  LoadWords(chainBytes, BC, chain);
  unsigned int pos = 0;
#if UINTPTR_MAX > 0xFFFFFFFFu
  // 64-bit CBC decryption of 16-byte blocks: two blocks at a time (see Block16x2), each read
  // again from the input after the pair is done, and both before either output is written.
  if constexpr (kMode == Mode::kCbc && kDecrypt && BC == 4) {
    for (; len - pos >= 32; pos += 32) {
      uint32_t second[4], ct2[4];
      LoadWords(in + pos, 4, block);
      LoadWords(in + pos + 16, 4, second);
      Decryption::Block16x2(decKeys, rounds, block, second);
      TESSEC_COMPILER_BARRIER();
      LoadWords(in + pos, 4, ct);
      LoadWords(in + pos + 16, 4, ct2);
      for (int j = 0; j < 4; ++j) {
        block[j] ^= chain[j];
        second[j] ^= ct[j];
        chain[j] = ct2[j];
      }
      StoreWords(block, 4, out + pos);
      StoreWords(second, 4, out + pos + 16);
    }
  }
#endif
  for (; pos < len; pos += 4 * BC) {
    LoadWords(in + pos, BC, block);
    if constexpr (kMode == Mode::kEcb) {
      if constexpr (kDecrypt) {
        Decryption::Block(decKeys, rounds, BC, block);
      } else {
        Encryption::Block(encKeys, rounds, BC, block);
      }
    } else if constexpr (kMode == Mode::kCbc) {
      if constexpr (kDecrypt) {
        // The ciphertext is read again from the input (not yet written over): kept across the
        // block, it would crowd out the block's own words.
        Decryption::Block(decKeys, rounds, BC, block);
        TESSEC_COMPILER_BARRIER();
        LoadWords(in + pos, BC, ct);
        for (int j = 0; j < BC; ++j) {
          block[j] ^= chain[j];
          chain[j] = ct[j];
        }
      } else {
        for (int j = 0; j < BC; ++j) block[j] ^= chain[j];
        Encryption::Block(encKeys, rounds, BC, block);
        for (int j = 0; j < BC; ++j) chain[j] = block[j];
      }
    } else {
      // CFB: both directions encrypt the chain; the ciphertext becomes the next chain.
      for (int j = 0; j < BC; ++j) ct[j] = block[j];
      Encryption::Block(encKeys, rounds, BC, chain);
      for (int j = 0; j < BC; ++j) block[j] ^= chain[j];
      for (int j = 0; j < BC; ++j) chain[j] = kDecrypt ? ct[j] : block[j];
    }
    StoreWords(block, BC, out + pos);
  }
  StoreWords(chain, BC, chainBytes);
}

template <Mode kMode, bool kDecrypt, class Encryption, class Decryption>
void RunMode(RoundKeys encKeys, RoundKeys decKeys, int rounds, int blockSize, char* chainBytes,
             const char* in, char* out, unsigned int len) {
  if (blockSize == 16) {
    RunColumns<kMode, kDecrypt, Encryption, Decryption, 4>(encKeys, decKeys, rounds, chainBytes, in,
                                                           out, len);
  } else if (blockSize == 24) {
    RunColumns<kMode, kDecrypt, Encryption, Decryption, 6>(encKeys, decKeys, rounds, chainBytes, in,
                                                           out, len);
  } else {
    RunColumns<kMode, kDecrypt, Encryption, Decryption, 8>(encKeys, decKeys, rounds, chainBytes, in,
                                                           out, len);
  }
}

}  // namespace

// The two directions over the class's own tables, and the mode operations over the object's
// keys and chain: a friend of the class, which only it can reach them as.
struct RijndaelBlocks {
  typedef Direction<kRijndaelEncTables, kRijndaelEncLast, CRijndael::sm_S, false> Encryption;
  typedef Direction<kRijndaelDecTables, kRijndaelDecLast, CRijndael::sm_Si, true> Decryption;

  // One 16-byte block.
  template <class Direction>
  static void Block16(RoundKeys keys, int rounds, const char* in, char* out) {
    uint32_t b[4];
    LoadWords(in, 4, b);
    Direction::Block16(keys, rounds, b);
    StoreWords(b, 4, out);
  }

  // One block of the object's size: 16-byte blocks go to the dedicated path; the others pass
  // through the scratch words m_t (in) and m_a (out).
  template <class Direction>
  static int OneBlock(CRijndael& c, RoundKeys keys, const char* in, char* out) {
    if (!c.m_bReady) return -1;
    if (c.m_blockSize == 16) {
      Block16<Direction>(keys, c.m_rounds, in, out);
      return 0;
    }
    const int bc = c.m_blockSize / 4;
    LoadWords(in, bc, c.m_t);
    std::memcpy(c.m_a, c.m_t, sizeof(c.m_a));
    Direction::Block(keys, c.m_rounds, bc, c.m_a);
    StoreWords(c.m_a, bc, out);
    return 0;
  }

  // Checks the object and the length, hands 16-byte blocks to AES-NI when the CPU has it and
  // runs the table code otherwise.
  template <Mode kMode, bool kDecrypt>
  static int Run(CRijndael& c, const char* in, char* out, unsigned int len) {
    if (!c.m_bReady || len == 0 || len % c.m_blockSize) return -1;
#if defined(TESSEC_X86_ACCEL)
    if (c.m_blockSize == 16 && UseAesNi()) {
      const unsigned char* src = Bytes(in);
      unsigned char* dst = Bytes(out);
      unsigned char* chain = Bytes(c.m_chain);
      if constexpr (kMode == Mode::kEcb) {
        if constexpr (kDecrypt) {
          AesNiDecryptEcb(c.m_decKeys, c.m_rounds, src, dst, len / 16);
        } else {
          AesNiEncryptEcb(c.m_encKeys, c.m_rounds, src, dst, len / 16);
        }
      } else if constexpr (kMode == Mode::kCbc) {
        if constexpr (kDecrypt) {
          AesNiDecryptCbc(c.m_decKeys, c.m_rounds, chain, src, dst, len / 16);
        } else {
          AesNiEncryptCbc(c.m_encKeys, c.m_rounds, chain, src, dst, len / 16);
        }
      } else if constexpr (kDecrypt) {
        AesNiDecryptCfb(c.m_encKeys, c.m_rounds, chain, src, dst, len / 16);
      } else {
        AesNiEncryptCfb(c.m_encKeys, c.m_rounds, chain, src, dst, len / 16);
      }
      return 0;
    }
#endif
    RunMode<kMode, kDecrypt, Encryption, Decryption>(c.m_encKeys, c.m_decKeys, c.m_rounds,
                                                     c.m_blockSize, c.m_chain, in, out, len);
    return 0;
  }
};

namespace {

typedef RijndaelBlocks::Encryption Encryption;
typedef RijndaelBlocks::Decryption Decryption;

}  // namespace

void CRijndael::DefEncryptBlock(const char* in, char* out) {
  RijndaelBlocks::Block16<Encryption>(m_encKeys, m_rounds, in, out);
}

void CRijndael::DefDecryptBlock(const char* in, char* out) {
  RijndaelBlocks::Block16<Decryption>(m_decKeys, m_rounds, in, out);
}

int CRijndael::EncryptBlock(const char* in, char* out) {
  return RijndaelBlocks::OneBlock<Encryption>(*this, m_encKeys, in, out);
}

int CRijndael::DecryptBlock(const char* in, char* out) {
  return RijndaelBlocks::OneBlock<Decryption>(*this, m_decKeys, in, out);
}

int CRijndael::Xor(char* buf, const char* data) {
  if (!m_bReady) return -1;
  for (int i = 0; i < m_blockSize; ++i) buf[i] ^= data[i];
  return 0;
}

// ---- Chaining modes -----------------------------------------------------------------------

int CRijndael::Encrypt_OTHER(const char* in, char* out, unsigned int len) {
  return RijndaelBlocks::Run<Mode::kEcb, false>(*this, in, out, len);
}
int CRijndael::Decrypt_OTHER(const char* in, char* out, unsigned int len) {
  return RijndaelBlocks::Run<Mode::kEcb, true>(*this, in, out, len);
}
int CRijndael::Encrypt_CBC(const char* in, char* out, unsigned int len) {
  return RijndaelBlocks::Run<Mode::kCbc, false>(*this, in, out, len);
}
int CRijndael::Decrypt_CBC(const char* in, char* out, unsigned int len) {
  return RijndaelBlocks::Run<Mode::kCbc, true>(*this, in, out, len);
}
int CRijndael::Encrypt_CFB(const char* in, char* out, unsigned int len) {
  return RijndaelBlocks::Run<Mode::kCfb, false>(*this, in, out, len);
}
int CRijndael::Decrypt_CFB(const char* in, char* out, unsigned int len) {
  return RijndaelBlocks::Run<Mode::kCfb, true>(*this, in, out, len);
}

// ---- Block and message level --------------------------------------------------------------

int CRijndael::EncryptBlockN(const char* in, char* out, unsigned int len) {
  if (!m_pfnEncrypt) return -1;
  if (len && (!in || !out)) return -1;
  (this->*m_pfnEncrypt)(in, out, len);
  return 0;
}

int CRijndael::DecryptBlockN(const char* in, char* out, unsigned int len) {
  if (!m_pfnDecrypt) return -1;
  if (len && (!in || !out)) return -1;
  (this->*m_pfnDecrypt)(in, out, len);
  return 0;
}

int CRijndael::Encrypt(const char* in, unsigned int inLen, char* out, unsigned int outSize) {
  if (!m_bReady || !m_pfnEncrypt) return -1;
  const unsigned int bs = m_blockSize;
  const unsigned int rest = inLen % bs;
  const unsigned int pad = rest ? bs - rest : 0;
  const uint64_t total = 1 + uint64_t(inLen) + pad;
  if (outSize < total) return -2;
  // The length must be representable in the result, which is an int.
  if (total > INT_MAX) return -1;
  if (!out || (inLen && !in)) return -1;

  // An output area that overlaps the input ahead of it would overwrite input before it is
  // read: move the data into place first and encrypt it there (every mode works in place).
  const uintptr_t inBegin = reinterpret_cast<uintptr_t>(in);
  const uintptr_t outBegin = reinterpret_cast<uintptr_t>(out);
  if (inLen && outBegin < inBegin + inLen && inBegin < outBegin + total) {
    std::memmove(out + 1, in, inLen);
    in = out + 1;
  }

  out[0] = static_cast<char>(pad);
  const unsigned int whole = inLen - rest;
  if (whole) (this->*m_pfnEncrypt)(in, out + 1, whole);
  if (rest) {
    char last[32] = {0};
    std::memcpy(last, in + whole, rest);
    (this->*m_pfnEncrypt)(last, out + 1 + whole, bs);
  }
  return static_cast<int>(total);
}

int CRijndael::Decrypt(const char* in, unsigned int inLen, char* out, unsigned int outSize) {
  if (outSize < inLen) return -2;
  if (!m_bReady || !m_pfnDecrypt) return -1;
  // The count byte must be there, below the block size and not above the data; the data must
  // be whole blocks. Anything else is not a message of this format, and nothing is written.
  if (inLen == 0 || !in) return -1;
  const unsigned int data = inLen - 1;
  const signed char count = static_cast<signed char>(in[0]);
  if (count < 0 || count >= m_blockSize) return -1;
  if (data % m_blockSize || unsigned(count) > data || data > INT_MAX) return -1;
  if (data) {
    if (!out) return -1;
    (this->*m_pfnDecrypt)(in + 1, out, data);
  }
  return static_cast<int>(data - count);
}

// ---- Queries ------------------------------------------------------------------------------

int CRijndael::GetNeedLen(int len) {
  if (!m_bReady) return -1;
  if (len <= 0) return 0;
  const int64_t blocks = (int64_t(len) + m_blockSize - 1) / m_blockSize;
  const int64_t need = blocks * m_blockSize;
  return need > INT_MAX ? -1 : static_cast<int>(need);
}

int CRijndael::GetKeyLength() { return m_bReady ? m_keyLength : -1; }
int CRijndael::GetBlockSize() { return m_bReady ? m_blockSize : -1; }
int CRijndael::GetRounds() { return m_bReady ? m_rounds : -1; }

void CRijndael::ResetChain() {
  if (m_bReady) std::memcpy(m_chain, m_initialChain, m_blockSize);
}

// ---- GF(2^8) arithmetic -------------------------------------------------------------------

int CRijndael::Mul(int a, int b) {
  a &= 0xFF;
  b &= 0xFF;
  if (!a || !b) return 0;
  return sm_alog[(sm_log[a] + sm_log[b]) % 255];
}

int CRijndael::Mul4(int a, char* const b) {
  a &= 0xFF;
  if (!a) return 0;
  a = sm_log[a];
  unsigned int result = 0;
  for (int i = 0; i < 4; ++i) {
    const int x = static_cast<unsigned char>(b[i]);
    const unsigned int product = x ? static_cast<unsigned int>(sm_alog[(a + sm_log[x]) % 255]) : 0u;
    result |= product << (24 - 8 * i);
  }
  return static_cast<int>(result);
}

}  // namespace public_crypt

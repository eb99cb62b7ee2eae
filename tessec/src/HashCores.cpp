// Compression functions of MD5, SHA-1, SHA-256 and SHA-512 over whole blocks, in portable
// C++ with every round spelled out; SHA-1 and SHA-256 hand over to the SHA extensions when the
// CPU has them.
#include "Internal.h"

namespace tessec_detail {

// ---- MD5 (RFC 1321) -----------------------------------------------------------------------

namespace {

const uint32_t kMd5T[64] = {
    0xd76aa478u, 0xe8c7b756u, 0x242070dbu, 0xc1bdceeeu, 0xf57c0fafu, 0x4787c62au, 0xa8304613u,
    0xfd469501u, 0x698098d8u, 0x8b44f7afu, 0xffff5bb1u, 0x895cd7beu, 0x6b901122u, 0xfd987193u,
    0xa679438eu, 0x49b40821u, 0xf61e2562u, 0xc040b340u, 0x265e5a51u, 0xe9b6c7aau, 0xd62f105du,
    0x02441453u, 0xd8a1e681u, 0xe7d3fbc8u, 0x21e1cde6u, 0xc33707d6u, 0xf4d50d87u, 0x455a14edu,
    0xa9e3e905u, 0xfcefa3f8u, 0x676f02d9u, 0x8d2a4c8au, 0xfffa3942u, 0x8771f681u, 0x6d9d6122u,
    0xfde5380cu, 0xa4beea44u, 0x4bdecfa9u, 0xf6bb4b60u, 0xbebfbc70u, 0x289b7ec6u, 0xeaa127fau,
    0xd4ef3085u, 0x04881d05u, 0xd9d4d039u, 0xe6db99e5u, 0x1fa27cf8u, 0xc4ac5665u, 0xf4292244u,
    0x432aff97u, 0xab9423a7u, 0xfc93a039u, 0x655b59c3u, 0x8f0ccc92u, 0xffeff47du, 0x85845dd1u,
    0x6fa87e4fu, 0xfe2ce6e0u, 0xa3014314u, 0x4e0811a1u, 0xf7537e82u, 0xbd3af235u, 0x2ad7d2bbu,
    0xeb86d391u,
};

// Every step is a + (message word + constant) + f(b, c, d), rotated, plus b: a chain of
// dependent steps where only f depends on the previous step. Compilers that see the constants
// as immediates reassociate them to the end of that sum, which puts one more addition on the
// critical path of all 64 steps (about 15% of the speed). Reading them through a pointer the
// compiler cannot see through keeps them with the message word, off the chain.
const uint32_t* const volatile g_md5T = kMd5T;

inline void Md5F(uint32_t& a, uint32_t b, uint32_t c, uint32_t d, uint32_t xt, int s) {
  a += xt;
  a += d ^ (b & (c ^ d));
  a = Rotl32(a, s) + b;
}
// G(b, c, d) = (b & d) | (c & ~d): the two halves share no bit, so they can be added one by
// one, and the half that does not depend on b starts early.
inline void Md5G(uint32_t& a, uint32_t b, uint32_t c, uint32_t d, uint32_t xt, int s) {
  a += xt + (c & ~d);
  a += b & d;
  a = Rotl32(a, s) + b;
}
inline void Md5H(uint32_t& a, uint32_t b, uint32_t c, uint32_t d, uint32_t xt, int s) {
  a += xt;
  a += b ^ c ^ d;
  a = Rotl32(a, s) + b;
}
inline void Md5I(uint32_t& a, uint32_t b, uint32_t c, uint32_t d, uint32_t xt, int s) {
  a += xt;
  a += c ^ (b | ~d);
  a = Rotl32(a, s) + b;
}

}  // namespace

void Md5Blocks(uint32_t state[4], const unsigned char* p, size_t blocks) {
  const uint32_t* t = g_md5T;
  uint32_t a = state[0], b = state[1], c = state[2], d = state[3];
  for (; blocks; --blocks, p += 64) {
    uint32_t x[16];
    for (int i = 0; i < 16; ++i) x[i] = Load32LE(p + 4 * i);
    const uint32_t a0 = a, b0 = b, c0 = c, d0 = d;

    Md5F(a, b, c, d, x[0] + t[0], 7);
    Md5F(d, a, b, c, x[1] + t[1], 12);
    Md5F(c, d, a, b, x[2] + t[2], 17);
    Md5F(b, c, d, a, x[3] + t[3], 22);
    Md5F(a, b, c, d, x[4] + t[4], 7);
    Md5F(d, a, b, c, x[5] + t[5], 12);
    Md5F(c, d, a, b, x[6] + t[6], 17);
    Md5F(b, c, d, a, x[7] + t[7], 22);
    Md5F(a, b, c, d, x[8] + t[8], 7);
    Md5F(d, a, b, c, x[9] + t[9], 12);
    Md5F(c, d, a, b, x[10] + t[10], 17);
    Md5F(b, c, d, a, x[11] + t[11], 22);
    Md5F(a, b, c, d, x[12] + t[12], 7);
    Md5F(d, a, b, c, x[13] + t[13], 12);
    Md5F(c, d, a, b, x[14] + t[14], 17);
    Md5F(b, c, d, a, x[15] + t[15], 22);

    Md5G(a, b, c, d, x[1] + t[16], 5);
    Md5G(d, a, b, c, x[6] + t[17], 9);
    Md5G(c, d, a, b, x[11] + t[18], 14);
    Md5G(b, c, d, a, x[0] + t[19], 20);
    Md5G(a, b, c, d, x[5] + t[20], 5);
    Md5G(d, a, b, c, x[10] + t[21], 9);
    Md5G(c, d, a, b, x[15] + t[22], 14);
    Md5G(b, c, d, a, x[4] + t[23], 20);
    Md5G(a, b, c, d, x[9] + t[24], 5);
    Md5G(d, a, b, c, x[14] + t[25], 9);
    Md5G(c, d, a, b, x[3] + t[26], 14);
    Md5G(b, c, d, a, x[8] + t[27], 20);
    Md5G(a, b, c, d, x[13] + t[28], 5);
    Md5G(d, a, b, c, x[2] + t[29], 9);
    Md5G(c, d, a, b, x[7] + t[30], 14);
    Md5G(b, c, d, a, x[12] + t[31], 20);

    Md5H(a, b, c, d, x[5] + t[32], 4);
    Md5H(d, a, b, c, x[8] + t[33], 11);
    Md5H(c, d, a, b, x[11] + t[34], 16);
    Md5H(b, c, d, a, x[14] + t[35], 23);
    Md5H(a, b, c, d, x[1] + t[36], 4);
    Md5H(d, a, b, c, x[4] + t[37], 11);
    Md5H(c, d, a, b, x[7] + t[38], 16);
    Md5H(b, c, d, a, x[10] + t[39], 23);
    Md5H(a, b, c, d, x[13] + t[40], 4);
    Md5H(d, a, b, c, x[0] + t[41], 11);
    Md5H(c, d, a, b, x[3] + t[42], 16);
    Md5H(b, c, d, a, x[6] + t[43], 23);
    Md5H(a, b, c, d, x[9] + t[44], 4);
    Md5H(d, a, b, c, x[12] + t[45], 11);
    Md5H(c, d, a, b, x[15] + t[46], 16);
    Md5H(b, c, d, a, x[2] + t[47], 23);

    Md5I(a, b, c, d, x[0] + t[48], 6);
    Md5I(d, a, b, c, x[7] + t[49], 10);
    Md5I(c, d, a, b, x[14] + t[50], 15);
    Md5I(b, c, d, a, x[5] + t[51], 21);
    Md5I(a, b, c, d, x[12] + t[52], 6);
    Md5I(d, a, b, c, x[3] + t[53], 10);
    Md5I(c, d, a, b, x[10] + t[54], 15);
    Md5I(b, c, d, a, x[1] + t[55], 21);
    Md5I(a, b, c, d, x[8] + t[56], 6);
    Md5I(d, a, b, c, x[15] + t[57], 10);
    Md5I(c, d, a, b, x[6] + t[58], 15);
    Md5I(b, c, d, a, x[13] + t[59], 21);
    Md5I(a, b, c, d, x[4] + t[60], 6);
    Md5I(d, a, b, c, x[11] + t[61], 10);
    Md5I(c, d, a, b, x[2] + t[62], 15);
    Md5I(b, c, d, a, x[9] + t[63], 21);

    a += a0;
    b += b0;
    c += c0;
    d += d0;
  }
  state[0] = a;
  state[1] = b;
  state[2] = c;
  state[3] = d;
}

// ---- SHA-1 (FIPS 180-2) -------------------------------------------------------------------

// One round; e and b are the words that change, the caller rotates the names.
#define TESSEC_SHA1_ROUND(a, b, c, d, e, f, k, w) \
  e += Rotl32(a, 5) + (f) + (k) + (w);            \
  b = Rotl32(b, 30);

#define TESSEC_SHA1_CH(b, c, d) ((d) ^ ((b) & ((c) ^ (d))))
// b is the word the previous round made, c and d are older: the terms without b start early.
#define TESSEC_SHA1_PARITY(b, c, d) ((b) ^ ((c) ^ (d)))
#define TESSEC_SHA1_MAJ(b, c, d) (((b) & ((c) | (d))) | ((c) & (d)))

// Message word t (t >= 16) computed in place in the 16-word window.
#define TESSEC_SHA1_W(t) \
  (w[(t)&15] = Rotl32(w[((t) + 13) & 15] ^ w[((t) + 8) & 15] ^ w[((t) + 2) & 15] ^ w[(t)&15], 1))

#define TESSEC_SHA1_FIVE(t, F, K, W)                           \
  TESSEC_SHA1_ROUND(a, b, c, d, e, F(b, c, d), K, W(t));       \
  TESSEC_SHA1_ROUND(e, a, b, c, d, F(a, b, c), K, W((t) + 1)); \
  TESSEC_SHA1_ROUND(d, e, a, b, c, F(e, a, b), K, W((t) + 2)); \
  TESSEC_SHA1_ROUND(c, d, e, a, b, F(d, e, a), K, W((t) + 3)); \
  TESSEC_SHA1_ROUND(b, c, d, e, a, F(c, d, e), K, W((t) + 4));

#define TESSEC_SHA1_LOADED(t) w[t]

namespace {

constexpr uint32_t kSha1K[4] = {0x5a827999u, 0x6ed9eba1u, 0x8f1bbcdcu, 0xca62c1d6u};
// As for MD5: with the round constants as immediates, 64-bit compilers add them last, one more
// addition on the chain of dependent rounds; read through a pointer they cannot see through, the
// constants stay with the message word. 32-bit code, short of registers, keeps the immediates.
#if UINTPTR_MAX > 0xFFFFFFFFu
const uint32_t* const volatile g_sha1K = kSha1K;
#endif

}  // namespace

void Sha1BlocksPortable(uint32_t state[5], const unsigned char* p, size_t blocks) {
#if UINTPTR_MAX > 0xFFFFFFFFu
  const uint32_t* const k = g_sha1K;
#else
  const uint32_t* const k = kSha1K;
#endif
  for (; blocks; --blocks, p += 64) {
    uint32_t w[16];
    for (int i = 0; i < 16; ++i) w[i] = Load32BE(p + 4 * i);
    uint32_t a = state[0], b = state[1], c = state[2], d = state[3], e = state[4];

    TESSEC_SHA1_FIVE(0, TESSEC_SHA1_CH, k[0], TESSEC_SHA1_LOADED)
    TESSEC_SHA1_FIVE(5, TESSEC_SHA1_CH, k[0], TESSEC_SHA1_LOADED)
    TESSEC_SHA1_FIVE(10, TESSEC_SHA1_CH, k[0], TESSEC_SHA1_LOADED)
    TESSEC_SHA1_ROUND(a, b, c, d, e, TESSEC_SHA1_CH(b, c, d), k[0], w[15]);
    TESSEC_SHA1_ROUND(e, a, b, c, d, TESSEC_SHA1_CH(a, b, c), k[0], TESSEC_SHA1_W(16));
    TESSEC_SHA1_ROUND(d, e, a, b, c, TESSEC_SHA1_CH(e, a, b), k[0], TESSEC_SHA1_W(17));
    TESSEC_SHA1_ROUND(c, d, e, a, b, TESSEC_SHA1_CH(d, e, a), k[0], TESSEC_SHA1_W(18));
    TESSEC_SHA1_ROUND(b, c, d, e, a, TESSEC_SHA1_CH(c, d, e), k[0], TESSEC_SHA1_W(19));

    TESSEC_SHA1_FIVE(20, TESSEC_SHA1_PARITY, k[1], TESSEC_SHA1_W)
    TESSEC_SHA1_FIVE(25, TESSEC_SHA1_PARITY, k[1], TESSEC_SHA1_W)
    TESSEC_SHA1_FIVE(30, TESSEC_SHA1_PARITY, k[1], TESSEC_SHA1_W)
    TESSEC_SHA1_FIVE(35, TESSEC_SHA1_PARITY, k[1], TESSEC_SHA1_W)

    TESSEC_SHA1_FIVE(40, TESSEC_SHA1_MAJ, k[2], TESSEC_SHA1_W)
    TESSEC_SHA1_FIVE(45, TESSEC_SHA1_MAJ, k[2], TESSEC_SHA1_W)
    TESSEC_SHA1_FIVE(50, TESSEC_SHA1_MAJ, k[2], TESSEC_SHA1_W)
    TESSEC_SHA1_FIVE(55, TESSEC_SHA1_MAJ, k[2], TESSEC_SHA1_W)

    TESSEC_SHA1_FIVE(60, TESSEC_SHA1_PARITY, k[3], TESSEC_SHA1_W)
    TESSEC_SHA1_FIVE(65, TESSEC_SHA1_PARITY, k[3], TESSEC_SHA1_W)
    TESSEC_SHA1_FIVE(70, TESSEC_SHA1_PARITY, k[3], TESSEC_SHA1_W)
    TESSEC_SHA1_FIVE(75, TESSEC_SHA1_PARITY, k[3], TESSEC_SHA1_W)

    state[0] += a;
    state[1] += b;
    state[2] += c;
    state[3] += d;
    state[4] += e;
  }
}

// ---- SHA-256, SHA-384/512 (FIPS 180-2) ----------------------------------------------------

alignas(16) const uint32_t kSha256K[64] = {
    0x428a2f98u, 0x71374491u, 0xb5c0fbcfu, 0xe9b5dba5u, 0x3956c25bu, 0x59f111f1u, 0x923f82a4u,
    0xab1c5ed5u, 0xd807aa98u, 0x12835b01u, 0x243185beu, 0x550c7dc3u, 0x72be5d74u, 0x80deb1feu,
    0x9bdc06a7u, 0xc19bf174u, 0xe49b69c1u, 0xefbe4786u, 0x0fc19dc6u, 0x240ca1ccu, 0x2de92c6fu,
    0x4a7484aau, 0x5cb0a9dcu, 0x76f988dau, 0x983e5152u, 0xa831c66du, 0xb00327c8u, 0xbf597fc7u,
    0xc6e00bf3u, 0xd5a79147u, 0x06ca6351u, 0x14292967u, 0x27b70a85u, 0x2e1b2138u, 0x4d2c6dfcu,
    0x53380d13u, 0x650a7354u, 0x766a0abbu, 0x81c2c92eu, 0x92722c85u, 0xa2bfe8a1u, 0xa81a664bu,
    0xc24b8b70u, 0xc76c51a3u, 0xd192e819u, 0xd6990624u, 0xf40e3585u, 0x106aa070u, 0x19a4c116u,
    0x1e376c08u, 0x2748774cu, 0x34b0bcb5u, 0x391c0cb3u, 0x4ed8aa4au, 0x5b9cca4fu, 0x682e6ff3u,
    0x748f82eeu, 0x78a5636fu, 0x84c87814u, 0x8cc70208u, 0x90befffau, 0xa4506cebu, 0xbef9a3f7u,
    0xc67178f2u,
};

alignas(16) const uint64_t kSha512K[80] = {
    0x428a2f98d728ae22ull, 0x7137449123ef65cdull, 0xb5c0fbcfec4d3b2full, 0xe9b5dba58189dbbcull,
    0x3956c25bf348b538ull, 0x59f111f1b605d019ull, 0x923f82a4af194f9bull, 0xab1c5ed5da6d8118ull,
    0xd807aa98a3030242ull, 0x12835b0145706fbeull, 0x243185be4ee4b28cull, 0x550c7dc3d5ffb4e2ull,
    0x72be5d74f27b896full, 0x80deb1fe3b1696b1ull, 0x9bdc06a725c71235ull, 0xc19bf174cf692694ull,
    0xe49b69c19ef14ad2ull, 0xefbe4786384f25e3ull, 0x0fc19dc68b8cd5b5ull, 0x240ca1cc77ac9c65ull,
    0x2de92c6f592b0275ull, 0x4a7484aa6ea6e483ull, 0x5cb0a9dcbd41fbd4ull, 0x76f988da831153b5ull,
    0x983e5152ee66dfabull, 0xa831c66d2db43210ull, 0xb00327c898fb213full, 0xbf597fc7beef0ee4ull,
    0xc6e00bf33da88fc2ull, 0xd5a79147930aa725ull, 0x06ca6351e003826full, 0x142929670a0e6e70ull,
    0x27b70a8546d22ffcull, 0x2e1b21385c26c926ull, 0x4d2c6dfc5ac42aedull, 0x53380d139d95b3dfull,
    0x650a73548baf63deull, 0x766a0abb3c77b2a8ull, 0x81c2c92e47edaee6ull, 0x92722c851482353bull,
    0xa2bfe8a14cf10364ull, 0xa81a664bbc423001ull, 0xc24b8b70d0f89791ull, 0xc76c51a30654be30ull,
    0xd192e819d6ef5218ull, 0xd69906245565a910ull, 0xf40e35855771202aull, 0x106aa07032bbd1b8ull,
    0x19a4c116b8d2d0c8ull, 0x1e376c085141ab53ull, 0x2748774cdf8eeb99ull, 0x34b0bcb5e19b48a8ull,
    0x391c0cb3c5c95a63ull, 0x4ed8aa4ae3418acbull, 0x5b9cca4f7763e373ull, 0x682e6ff3d6b2b8a3ull,
    0x748f82ee5defb2fcull, 0x78a5636f43172f60ull, 0x84c87814a1f0ab72ull, 0x8cc702081a6439ecull,
    0x90befffa23631e28ull, 0xa4506cebde82bde9ull, 0xbef9a3f7b2c67915ull, 0xc67178f2e372532bull,
    0xca273eceea26619cull, 0xd186b8c721c0c207ull, 0xeada7dd6cde0eb1eull, 0xf57d4f7fee6ed178ull,
    0x06f067aa72176fbaull, 0x0a637dc5a2c898a6ull, 0x113f9804bef90daeull, 0x1b710b35131c471bull,
    0x28db77f523047d84ull, 0x32caab7b40c72493ull, 0x3c9ebe0a15c9bebcull, 0x431d67c49c100d4cull,
    0x4cc5d4becb3e42b6ull, 0x597f299cfc657e2aull, 0x5fcb6fab3ad6faecull, 0x6c44198c4a475817ull,
};

namespace {

// The SHA-2 rounds of both word sizes share their structure (Sha2Blocks below). The message
// schedule is worked out inside the rounds (word t of the 16-word window in place), so that it
// fills the gaps of the round chain instead of running as a separate pass. The Sigma functions
// are nested rotations (rotr(rotr(rotr(x, p) ^ x, q) ^ x, r)), which need fewer registers and
// instructions than three separate rotations. Maj(a, b, c) = b ^ ((a ^ b) & (b ^ c)), and a ^ b
// is the next round's b ^ c.
struct Sha256Words {
  typedef uint32_t Word;
  static const int kRounds = 64;
  // Rounds between compiler barriers, less one (a mask of the round number): 64-bit code
  // schedules SHA-256 best with a few rounds between them.
  static const int kFenceMask = UINTPTR_MAX > 0xFFFFFFFFu ? 3 : 0;
  static const uint32_t* K() { return kSha256K; }
  static Word Load(const unsigned char* p) { return Load32BE(p); }
  static Word Sigma0(Word x) { return Rotr32(Rotr32(Rotr32(x, 9) ^ x, 11) ^ x, 2); }
  static Word Sigma1(Word x) { return Rotr32(Rotr32(Rotr32(x, 14) ^ x, 5) ^ x, 6); }
  static Word SmallSigma0(Word x) { return Rotr32(Rotr32(x, 11) ^ x, 7) ^ (x >> 3); }
  static Word SmallSigma1(Word x) { return Rotr32(Rotr32(x, 2) ^ x, 17) ^ (x >> 10); }
};

struct Sha512Words {
  typedef uint64_t Word;
  static const int kRounds = 80;
  static const int kFenceMask = 0;
  static const uint64_t* K() { return kSha512K; }
  static Word Load(const unsigned char* p) { return Load64BE(p); }
  static Word Sigma0(Word x) { return Rotr64(Rotr64(Rotr64(x, 5) ^ x, 6) ^ x, 28); }
  static Word Sigma1(Word x) { return Rotr64(Rotr64(Rotr64(x, 23) ^ x, 4) ^ x, 14); }
  static Word SmallSigma0(Word x) { return Rotr64(Rotr64(x, 7) ^ x, 1) ^ (x >> 7); }
  static Word SmallSigma1(Word x) { return Rotr64(Rotr64(x, 42) ^ x, 19) ^ (x >> 6); }
};

// The window of message words lives in memory, and a compiler barrier after every round or few
// makes the compiler store each new word there and read the words back as memory operands: left to
// itself it keeps some of the window in registers, and then spills working variables, whose
// round trips through memory land on the chain of dependent rounds. 64-bit code also spells out
// all its rounds, with the round constants read through a pointer the compiler cannot see
// through (as immediates, they are added last, one more addition on that chain); 32-bit code,
// short of registers, is faster with a loop over the groups of sixteen rounds, and with Sigma1(e)
// pinned to be added last (the compiler's own order puts more on the chain).
#define TESSEC_SHA2_FENCE() TESSEC_COMPILER_BARRIER()
#if UINTPTR_MAX > 0xFFFFFFFFu
#define TESSEC_SHA2_K(k) Opaque(k)
#define TESSEC_SHA2_UNROLL TESSEC_UNROLL
#define TESSEC_SHA2_PIN(x) (void)0
#else
#define TESSEC_SHA2_K(k) (k)
#define TESSEC_SHA2_UNROLL
#define TESSEC_SHA2_PIN(x) TESSEC_PIN(x)
#endif

// Message word i of a group: as loaded, or the next word of the schedule.
#define TESSEC_SHA2_LOADED(i) w[i]
#define TESSEC_SHA2_NEXT(i) \
  (w[(i)&15] +=             \
   T::SmallSigma1(w[((i) + 14) & 15]) + w[((i) + 9) & 15] + T::SmallSigma0(w[((i) + 1) & 15]))

#define TESSEC_SHA2_ROUND(a, b, c, d, e, f, g, h, i, W) \
  h += W(i) + k[i] + ((g) ^ ((e) & ((f) ^ (g))));       \
  TESSEC_SHA2_PIN(h);                                   \
  h += T::Sigma1(e);                                    \
  d += h;                                               \
  bc = ab;                                              \
  ab = (a) ^ (b);                                       \
  h += T::Sigma0(a) + ((b) ^ (ab & bc));                \
  if (((i)&T::kFenceMask) == 0) TESSEC_SHA2_FENCE();

#define TESSEC_SHA2_SIXTEEN(W)                     \
  TESSEC_SHA2_ROUND(a, b, c, d, e, f, g, h, 0, W)  \
  TESSEC_SHA2_ROUND(h, a, b, c, d, e, f, g, 1, W)  \
  TESSEC_SHA2_ROUND(g, h, a, b, c, d, e, f, 2, W)  \
  TESSEC_SHA2_ROUND(f, g, h, a, b, c, d, e, 3, W)  \
  TESSEC_SHA2_ROUND(e, f, g, h, a, b, c, d, 4, W)  \
  TESSEC_SHA2_ROUND(d, e, f, g, h, a, b, c, 5, W)  \
  TESSEC_SHA2_ROUND(c, d, e, f, g, h, a, b, 6, W)  \
  TESSEC_SHA2_ROUND(b, c, d, e, f, g, h, a, 7, W)  \
  TESSEC_SHA2_ROUND(a, b, c, d, e, f, g, h, 8, W)  \
  TESSEC_SHA2_ROUND(h, a, b, c, d, e, f, g, 9, W)  \
  TESSEC_SHA2_ROUND(g, h, a, b, c, d, e, f, 10, W) \
  TESSEC_SHA2_ROUND(f, g, h, a, b, c, d, e, 11, W) \
  TESSEC_SHA2_ROUND(e, f, g, h, a, b, c, d, 12, W) \
  TESSEC_SHA2_ROUND(d, e, f, g, h, a, b, c, 13, W) \
  TESSEC_SHA2_ROUND(c, d, e, f, g, h, a, b, 14, W) \
  TESSEC_SHA2_ROUND(b, c, d, e, f, g, h, a, 15, W)

template <class T>
TESSEC_CODE_ALIGN void Sha2Blocks(typename T::Word state[8], const unsigned char* p,
                                  size_t blocks) {
  typedef typename T::Word Word;
  const size_t kBlock = 16 * sizeof(Word);
  for (; blocks; --blocks, p += kBlock) {
    Word w[16];
    TESSEC_ESCAPE(w);
    for (int i = 0; i < 16; ++i) w[i] = T::Load(p + sizeof(Word) * i);
    Word a = state[0], b = state[1], c = state[2], d = state[3];
    Word e = state[4], f = state[5], g = state[6], h = state[7];
    Word ab = b ^ c, bc;
    const Word* const k0 = TESSEC_SHA2_K(T::K());
    const Word* k = k0;
    TESSEC_SHA2_SIXTEEN(TESSEC_SHA2_LOADED)
    TESSEC_SHA2_UNROLL
    for (int j = 16; j < T::kRounds; j += 16) {
      k = k0 + j;
      TESSEC_SHA2_SIXTEEN(TESSEC_SHA2_NEXT)
    }
    AddToState(state, a, b, c, d, e, f, g, h);
  }
}

#undef TESSEC_SHA2_LOADED
#undef TESSEC_SHA2_NEXT
#undef TESSEC_SHA2_ROUND
#undef TESSEC_SHA2_SIXTEEN
#undef TESSEC_SHA2_FENCE
#undef TESSEC_SHA2_K
#undef TESSEC_SHA2_UNROLL
#undef TESSEC_SHA2_PIN

}  // namespace

TESSEC_CODE_ALIGN void Sha256BlocksPortable(uint32_t state[8], const unsigned char* p,
                                            size_t blocks) {
  Sha2Blocks<Sha256Words>(state, p, blocks);
}

void Sha512BlocksPortable(uint64_t state[8], const unsigned char* p, size_t blocks) {
  Sha2Blocks<Sha512Words>(state, p, blocks);
}

// ---- Dispatch -----------------------------------------------------------------------------

void Sha1Blocks(uint32_t state[5], const unsigned char* data, size_t blocks) {
#if defined(TESSEC_X86_ACCEL)
  if (UseShaNi()) return Sha1BlocksShaNi(state, data, blocks);
  if (Have(kCpuAvx2 | kCpuBmi2)) return Sha1BlocksAvx2(state, data, blocks);
#if !defined(TESSEC_X86_64)
  if (Have(kCpuSsse3 | kCpuSse2)) return Sha1BlocksSsse3(state, data, blocks);
#endif
#if defined(TESSEC_SHA1_X64_ASM)
  return Sha1BlocksX64(state, data, blocks);
#endif
#endif
  Sha1BlocksPortable(state, data, blocks);
}

void Sha256Blocks(uint32_t state[8], const unsigned char* data, size_t blocks) {
#if defined(TESSEC_X86_ACCEL)
  if (UseShaNi()) return Sha256BlocksShaNi(state, data, blocks);
  if (Have(kCpuAvx2 | kCpuBmi2)) return Sha256BlocksAvx2(state, data, blocks);
  if (Have(kCpuSse2)) return Sha256BlocksSse2(state, data, blocks);
#endif
#if defined(TESSEC_SHA256_X86_ASM)
  return Sha256BlocksX86(state, data, blocks);
#elif defined(TESSEC_SHA2_X64_ASM)
  return Sha256BlocksX64(state, data, blocks);
#endif
  Sha256BlocksPortable(state, data, blocks);
}

void Sha512Blocks(uint64_t state[8], const unsigned char* data, size_t blocks) {
#if defined(TESSEC_X86_ACCEL)
#if defined(TESSEC_X86_64)
  if (Have(kCpuAvx2 | kCpuBmi2)) return Sha512BlocksAvx2Bmi2(state, data, blocks);
  if (Have(kCpuSse2)) return Sha512BlocksSse2(state, data, blocks);
#else
  // 32-bit x86: the rounds in vector registers (too few general ones for 64-bit words).
  if (Have(kCpuAvx2)) return Sha512BlocksAvx2(state, data, blocks);
  if (Have(kCpuSse2)) return Sha512BlocksSse2(state, data, blocks);
#endif
#endif
#if defined(TESSEC_SHA2_X64_ASM)
  return Sha512BlocksX64(state, data, blocks);
#endif
#if UINTPTR_MAX <= 0xFFFFFFFFu
  Sha512BlocksHalves(state, data, blocks);
#else
  Sha512BlocksPortable(state, data, blocks);
#endif
}

}  // namespace tessec_detail

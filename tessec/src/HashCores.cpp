// Compression functions of MD5, SHA-1, SHA-256 and SHA-512 over whole blocks, in portable
// C++ with every round spelled out; SHA-1 and SHA-256 hand over to the SHA extensions when the
// CPU has them.
#include "Internal.h"

namespace tessec_detail {

// ---- MD5 (RFC 1321) -----------------------------------------------------------------------

namespace {

inline void Md5F(uint32_t& a, uint32_t b, uint32_t c, uint32_t d, uint32_t x, int s, uint32_t t) {
  a += (d ^ (b & (c ^ d))) + x + t;
  a = Rotl32(a, s) + b;
}
// G(b, c, d) = (b & d) | (c & ~d): the two halves share no bit, so they can be added one by
// one, and the half that does not depend on b (the previous step's result) starts earlier.
inline void Md5G(uint32_t& a, uint32_t b, uint32_t c, uint32_t d, uint32_t x, int s, uint32_t t) {
  a += (c & ~d) + x + t;
  a += b & d;
  a = Rotl32(a, s) + b;
}
inline void Md5H(uint32_t& a, uint32_t b, uint32_t c, uint32_t d, uint32_t x, int s, uint32_t t) {
  a += (b ^ c ^ d) + x + t;
  a = Rotl32(a, s) + b;
}
inline void Md5I(uint32_t& a, uint32_t b, uint32_t c, uint32_t d, uint32_t x, int s, uint32_t t) {
  a += (c ^ (b | ~d)) + x + t;
  a = Rotl32(a, s) + b;
}

}  // namespace

void Md5Blocks(uint32_t state[4], const unsigned char* p, size_t blocks) {
  uint32_t a = state[0], b = state[1], c = state[2], d = state[3];
  for (; blocks; --blocks, p += 64) {
    uint32_t x[16];
    for (int i = 0; i < 16; ++i) x[i] = Load32LE(p + 4 * i);
    const uint32_t a0 = a, b0 = b, c0 = c, d0 = d;

    Md5F(a, b, c, d, x[0], 7, 0xd76aa478u);
    Md5F(d, a, b, c, x[1], 12, 0xe8c7b756u);
    Md5F(c, d, a, b, x[2], 17, 0x242070dbu);
    Md5F(b, c, d, a, x[3], 22, 0xc1bdceeeu);
    Md5F(a, b, c, d, x[4], 7, 0xf57c0fafu);
    Md5F(d, a, b, c, x[5], 12, 0x4787c62au);
    Md5F(c, d, a, b, x[6], 17, 0xa8304613u);
    Md5F(b, c, d, a, x[7], 22, 0xfd469501u);
    Md5F(a, b, c, d, x[8], 7, 0x698098d8u);
    Md5F(d, a, b, c, x[9], 12, 0x8b44f7afu);
    Md5F(c, d, a, b, x[10], 17, 0xffff5bb1u);
    Md5F(b, c, d, a, x[11], 22, 0x895cd7beu);
    Md5F(a, b, c, d, x[12], 7, 0x6b901122u);
    Md5F(d, a, b, c, x[13], 12, 0xfd987193u);
    Md5F(c, d, a, b, x[14], 17, 0xa679438eu);
    Md5F(b, c, d, a, x[15], 22, 0x49b40821u);

    Md5G(a, b, c, d, x[1], 5, 0xf61e2562u);
    Md5G(d, a, b, c, x[6], 9, 0xc040b340u);
    Md5G(c, d, a, b, x[11], 14, 0x265e5a51u);
    Md5G(b, c, d, a, x[0], 20, 0xe9b6c7aau);
    Md5G(a, b, c, d, x[5], 5, 0xd62f105du);
    Md5G(d, a, b, c, x[10], 9, 0x02441453u);
    Md5G(c, d, a, b, x[15], 14, 0xd8a1e681u);
    Md5G(b, c, d, a, x[4], 20, 0xe7d3fbc8u);
    Md5G(a, b, c, d, x[9], 5, 0x21e1cde6u);
    Md5G(d, a, b, c, x[14], 9, 0xc33707d6u);
    Md5G(c, d, a, b, x[3], 14, 0xf4d50d87u);
    Md5G(b, c, d, a, x[8], 20, 0x455a14edu);
    Md5G(a, b, c, d, x[13], 5, 0xa9e3e905u);
    Md5G(d, a, b, c, x[2], 9, 0xfcefa3f8u);
    Md5G(c, d, a, b, x[7], 14, 0x676f02d9u);
    Md5G(b, c, d, a, x[12], 20, 0x8d2a4c8au);

    Md5H(a, b, c, d, x[5], 4, 0xfffa3942u);
    Md5H(d, a, b, c, x[8], 11, 0x8771f681u);
    Md5H(c, d, a, b, x[11], 16, 0x6d9d6122u);
    Md5H(b, c, d, a, x[14], 23, 0xfde5380cu);
    Md5H(a, b, c, d, x[1], 4, 0xa4beea44u);
    Md5H(d, a, b, c, x[4], 11, 0x4bdecfa9u);
    Md5H(c, d, a, b, x[7], 16, 0xf6bb4b60u);
    Md5H(b, c, d, a, x[10], 23, 0xbebfbc70u);
    Md5H(a, b, c, d, x[13], 4, 0x289b7ec6u);
    Md5H(d, a, b, c, x[0], 11, 0xeaa127fau);
    Md5H(c, d, a, b, x[3], 16, 0xd4ef3085u);
    Md5H(b, c, d, a, x[6], 23, 0x04881d05u);
    Md5H(a, b, c, d, x[9], 4, 0xd9d4d039u);
    Md5H(d, a, b, c, x[12], 11, 0xe6db99e5u);
    Md5H(c, d, a, b, x[15], 16, 0x1fa27cf8u);
    Md5H(b, c, d, a, x[2], 23, 0xc4ac5665u);

    Md5I(a, b, c, d, x[0], 6, 0xf4292244u);
    Md5I(d, a, b, c, x[7], 10, 0x432aff97u);
    Md5I(c, d, a, b, x[14], 15, 0xab9423a7u);
    Md5I(b, c, d, a, x[5], 21, 0xfc93a039u);
    Md5I(a, b, c, d, x[12], 6, 0x655b59c3u);
    Md5I(d, a, b, c, x[3], 10, 0x8f0ccc92u);
    Md5I(c, d, a, b, x[10], 15, 0xffeff47du);
    Md5I(b, c, d, a, x[1], 21, 0x85845dd1u);
    Md5I(a, b, c, d, x[8], 6, 0x6fa87e4fu);
    Md5I(d, a, b, c, x[15], 10, 0xfe2ce6e0u);
    Md5I(c, d, a, b, x[6], 15, 0xa3014314u);
    Md5I(b, c, d, a, x[13], 21, 0x4e0811a1u);
    Md5I(a, b, c, d, x[4], 6, 0xf7537e82u);
    Md5I(d, a, b, c, x[11], 10, 0xbd3af235u);
    Md5I(c, d, a, b, x[2], 15, 0x2ad7d2bbu);
    Md5I(b, c, d, a, x[9], 21, 0xeb86d391u);

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
#define TESSEC_SHA1_PARITY(b, c, d) ((b) ^ (c) ^ (d))
#define TESSEC_SHA1_MAJ(b, c, d) (((b) & (c)) | ((d) & ((b) | (c))))

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

void Sha1BlocksPortable(uint32_t state[5], const unsigned char* p, size_t blocks) {
  for (; blocks; --blocks, p += 64) {
    uint32_t w[16];
    for (int i = 0; i < 16; ++i) w[i] = Load32BE(p + 4 * i);
    uint32_t a = state[0], b = state[1], c = state[2], d = state[3], e = state[4];

    TESSEC_SHA1_FIVE(0, TESSEC_SHA1_CH, 0x5a827999u, TESSEC_SHA1_LOADED)
    TESSEC_SHA1_FIVE(5, TESSEC_SHA1_CH, 0x5a827999u, TESSEC_SHA1_LOADED)
    TESSEC_SHA1_FIVE(10, TESSEC_SHA1_CH, 0x5a827999u, TESSEC_SHA1_LOADED)
    TESSEC_SHA1_ROUND(a, b, c, d, e, TESSEC_SHA1_CH(b, c, d), 0x5a827999u, w[15]);
    TESSEC_SHA1_ROUND(e, a, b, c, d, TESSEC_SHA1_CH(a, b, c), 0x5a827999u, TESSEC_SHA1_W(16));
    TESSEC_SHA1_ROUND(d, e, a, b, c, TESSEC_SHA1_CH(e, a, b), 0x5a827999u, TESSEC_SHA1_W(17));
    TESSEC_SHA1_ROUND(c, d, e, a, b, TESSEC_SHA1_CH(d, e, a), 0x5a827999u, TESSEC_SHA1_W(18));
    TESSEC_SHA1_ROUND(b, c, d, e, a, TESSEC_SHA1_CH(c, d, e), 0x5a827999u, TESSEC_SHA1_W(19));

    TESSEC_SHA1_FIVE(20, TESSEC_SHA1_PARITY, 0x6ed9eba1u, TESSEC_SHA1_W)
    TESSEC_SHA1_FIVE(25, TESSEC_SHA1_PARITY, 0x6ed9eba1u, TESSEC_SHA1_W)
    TESSEC_SHA1_FIVE(30, TESSEC_SHA1_PARITY, 0x6ed9eba1u, TESSEC_SHA1_W)
    TESSEC_SHA1_FIVE(35, TESSEC_SHA1_PARITY, 0x6ed9eba1u, TESSEC_SHA1_W)

    TESSEC_SHA1_FIVE(40, TESSEC_SHA1_MAJ, 0x8f1bbcdcu, TESSEC_SHA1_W)
    TESSEC_SHA1_FIVE(45, TESSEC_SHA1_MAJ, 0x8f1bbcdcu, TESSEC_SHA1_W)
    TESSEC_SHA1_FIVE(50, TESSEC_SHA1_MAJ, 0x8f1bbcdcu, TESSEC_SHA1_W)
    TESSEC_SHA1_FIVE(55, TESSEC_SHA1_MAJ, 0x8f1bbcdcu, TESSEC_SHA1_W)

    TESSEC_SHA1_FIVE(60, TESSEC_SHA1_PARITY, 0xca62c1d6u, TESSEC_SHA1_W)
    TESSEC_SHA1_FIVE(65, TESSEC_SHA1_PARITY, 0xca62c1d6u, TESSEC_SHA1_W)
    TESSEC_SHA1_FIVE(70, TESSEC_SHA1_PARITY, 0xca62c1d6u, TESSEC_SHA1_W)
    TESSEC_SHA1_FIVE(75, TESSEC_SHA1_PARITY, 0xca62c1d6u, TESSEC_SHA1_W)

    state[0] += a;
    state[1] += b;
    state[2] += c;
    state[3] += d;
    state[4] += e;
  }
}

// ---- SHA-256 (FIPS 180-2) -----------------------------------------------------------------

namespace {

const uint32_t kSha256K[64] = {
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

}  // namespace

#define TESSEC_SHA256_ROUND(a, b, c, d, e, f, g, h, i)                                     \
  h += (Rotr32(e, 6) ^ Rotr32(e, 11) ^ Rotr32(e, 25)) + (g ^ (e & (f ^ g))) + k[i] + w[i]; \
  d += h;                                                                                  \
  h += (Rotr32(a, 2) ^ Rotr32(a, 13) ^ Rotr32(a, 22)) + ((a & b) | (c & (a | b)));

#define TESSEC_SHA256_SIXTEEN                     \
  TESSEC_SHA256_ROUND(a, b, c, d, e, f, g, h, 0)  \
  TESSEC_SHA256_ROUND(h, a, b, c, d, e, f, g, 1)  \
  TESSEC_SHA256_ROUND(g, h, a, b, c, d, e, f, 2)  \
  TESSEC_SHA256_ROUND(f, g, h, a, b, c, d, e, 3)  \
  TESSEC_SHA256_ROUND(e, f, g, h, a, b, c, d, 4)  \
  TESSEC_SHA256_ROUND(d, e, f, g, h, a, b, c, 5)  \
  TESSEC_SHA256_ROUND(c, d, e, f, g, h, a, b, 6)  \
  TESSEC_SHA256_ROUND(b, c, d, e, f, g, h, a, 7)  \
  TESSEC_SHA256_ROUND(a, b, c, d, e, f, g, h, 8)  \
  TESSEC_SHA256_ROUND(h, a, b, c, d, e, f, g, 9)  \
  TESSEC_SHA256_ROUND(g, h, a, b, c, d, e, f, 10) \
  TESSEC_SHA256_ROUND(f, g, h, a, b, c, d, e, 11) \
  TESSEC_SHA256_ROUND(e, f, g, h, a, b, c, d, 12) \
  TESSEC_SHA256_ROUND(d, e, f, g, h, a, b, c, 13) \
  TESSEC_SHA256_ROUND(c, d, e, f, g, h, a, b, 14) \
  TESSEC_SHA256_ROUND(b, c, d, e, f, g, h, a, 15)

void Sha256BlocksPortable(uint32_t state[8], const unsigned char* p, size_t blocks) {
  for (; blocks; --blocks, p += 64) {
    uint32_t w[16];
    for (int i = 0; i < 16; ++i) w[i] = Load32BE(p + 4 * i);
    uint32_t a = state[0], b = state[1], c = state[2], d = state[3];
    uint32_t e = state[4], f = state[5], g = state[6], h = state[7];
    for (int j = 0; j < 64; j += 16) {
      if (j) {
        // The next sixteen message words, in place: word i of the window becomes word t + 16.
        for (int i = 0; i < 16; ++i) {
          const uint32_t x = w[(i + 1) & 15], y = w[(i + 14) & 15];
          w[i] += (Rotr32(x, 7) ^ Rotr32(x, 18) ^ (x >> 3)) + w[(i + 9) & 15] +
                  (Rotr32(y, 17) ^ Rotr32(y, 19) ^ (y >> 10));
        }
      }
      const uint32_t* k = kSha256K + j;
      TESSEC_SHA256_SIXTEEN
    }
    state[0] += a;
    state[1] += b;
    state[2] += c;
    state[3] += d;
    state[4] += e;
    state[5] += f;
    state[6] += g;
    state[7] += h;
  }
}

// ---- SHA-512 (FIPS 180-2) -----------------------------------------------------------------

namespace {

const uint64_t kSha512K[80] = {
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

}  // namespace

#define TESSEC_SHA512_ROUND(a, b, c, d, e, f, g, h, i)                                      \
  h += (Rotr64(e, 14) ^ Rotr64(e, 18) ^ Rotr64(e, 41)) + (g ^ (e & (f ^ g))) + k[i] + w[i]; \
  d += h;                                                                                   \
  h += (Rotr64(a, 28) ^ Rotr64(a, 34) ^ Rotr64(a, 39)) + ((a & b) | (c & (a | b)));

#define TESSEC_SHA512_SIXTEEN                     \
  TESSEC_SHA512_ROUND(a, b, c, d, e, f, g, h, 0)  \
  TESSEC_SHA512_ROUND(h, a, b, c, d, e, f, g, 1)  \
  TESSEC_SHA512_ROUND(g, h, a, b, c, d, e, f, 2)  \
  TESSEC_SHA512_ROUND(f, g, h, a, b, c, d, e, 3)  \
  TESSEC_SHA512_ROUND(e, f, g, h, a, b, c, d, 4)  \
  TESSEC_SHA512_ROUND(d, e, f, g, h, a, b, c, 5)  \
  TESSEC_SHA512_ROUND(c, d, e, f, g, h, a, b, 6)  \
  TESSEC_SHA512_ROUND(b, c, d, e, f, g, h, a, 7)  \
  TESSEC_SHA512_ROUND(a, b, c, d, e, f, g, h, 8)  \
  TESSEC_SHA512_ROUND(h, a, b, c, d, e, f, g, 9)  \
  TESSEC_SHA512_ROUND(g, h, a, b, c, d, e, f, 10) \
  TESSEC_SHA512_ROUND(f, g, h, a, b, c, d, e, 11) \
  TESSEC_SHA512_ROUND(e, f, g, h, a, b, c, d, 12) \
  TESSEC_SHA512_ROUND(d, e, f, g, h, a, b, c, 13) \
  TESSEC_SHA512_ROUND(c, d, e, f, g, h, a, b, 14) \
  TESSEC_SHA512_ROUND(b, c, d, e, f, g, h, a, 15)

void Sha512Blocks(uint64_t state[8], const unsigned char* p, size_t blocks) {
  for (; blocks; --blocks, p += 128) {
    uint64_t w[16];
    for (int i = 0; i < 16; ++i) w[i] = Load64BE(p + 8 * i);
    uint64_t a = state[0], b = state[1], c = state[2], d = state[3];
    uint64_t e = state[4], f = state[5], g = state[6], h = state[7];
    for (int j = 0; j < 80; j += 16) {
      if (j) {
        for (int i = 0; i < 16; ++i) {
          const uint64_t x = w[(i + 1) & 15], y = w[(i + 14) & 15];
          w[i] += (Rotr64(x, 1) ^ Rotr64(x, 8) ^ (x >> 7)) + w[(i + 9) & 15] +
                  (Rotr64(y, 19) ^ Rotr64(y, 61) ^ (y >> 6));
        }
      }
      const uint64_t* k = kSha512K + j;
      TESSEC_SHA512_SIXTEEN
    }
    state[0] += a;
    state[1] += b;
    state[2] += c;
    state[3] += d;
    state[4] += e;
    state[5] += f;
    state[6] += g;
    state[7] += h;
  }
}

// ---- Dispatch -----------------------------------------------------------------------------

void Sha1Blocks(uint32_t state[5], const unsigned char* data, size_t blocks) {
#if defined(TESSEC_X86_ACCEL)
  if (UseShaNi()) return Sha1BlocksShaNi(state, data, blocks);
#endif
  Sha1BlocksPortable(state, data, blocks);
}

void Sha256Blocks(uint32_t state[8], const unsigned char* data, size_t blocks) {
#if defined(TESSEC_X86_ACCEL)
  if (UseShaNi()) return Sha256BlocksShaNi(state, data, blocks);
#endif
  Sha256BlocksPortable(state, data, blocks);
}

}  // namespace tessec_detail

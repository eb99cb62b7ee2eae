// The cipher's 16-byte-block modes with AES-NI. Compiled with the instruction set enabled for
// this file only (see CMakeLists.txt) and called only after CpuFeatures() reported AES-NI and
// SSE2. Besides speed, the instructions take no table lookups, so they leak nothing through
// cache timing.
//
// The round keys come from the table code's key schedule; decryption uses its equivalent-
// inverse-cipher rows, which is exactly the key form aesdec expects.
//
// aesenc and aesdec take several cycles each but can start one or two per cycle, so the modes
// that allow it keep several blocks in flight: eight on x86-64, seven on 32-bit x86, whose eight
// registers then hold the blocks and the round key (with eight blocks the compiler spills two of
// them every round, which halves the speed). Every lane loop below is unrolled, so the blocks
// are plain values to the compiler, never an array in memory.
#include "Internal.h"

#include <immintrin.h>

namespace tessec_detail {

namespace {

#if defined(__x86_64__) || defined(_M_X64)
const int kLanes = 8;
#else
const int kLanes = 7;
#endif

// A key row holds its words with the column's first byte in the high bits: reversing the
// bytes of each word gives the byte order of the state.
void LoadKeys(const uint32_t (*rows)[8], int rounds, __m128i* keys) {
  for (int r = 0; r <= rounds; ++r) {
    const uint32_t* w = rows[r];
    keys[r] = _mm_set_epi32(static_cast<int>(ByteSwap32(w[3])), static_cast<int>(ByteSwap32(w[2])),
                            static_cast<int>(ByteSwap32(w[1])), static_cast<int>(ByteSwap32(w[0])));
  }
}

inline __m128i Load(const unsigned char* p) {
  return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}
inline void Store(unsigned char* p, __m128i v) {
  _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v);
}

// All rounds over N blocks, in place: whitening, rounds - 1 middle rounds, the last round.
template <int N, bool kDecrypt>
inline void Cipher(__m128i* b, const __m128i* keys, int rounds) {
  TESSEC_UNROLL
  for (int i = 0; i < N; ++i) b[i] = _mm_xor_si128(b[i], keys[0]);
  for (int r = 1; r < rounds; ++r) {
    TESSEC_UNROLL
    for (int i = 0; i < N; ++i) {
      b[i] = kDecrypt ? _mm_aesdec_si128(b[i], keys[r]) : _mm_aesenc_si128(b[i], keys[r]);
    }
  }
  TESSEC_UNROLL
  for (int i = 0; i < N; ++i) {
    b[i] = kDecrypt ? _mm_aesdeclast_si128(b[i], keys[rounds])
                    : _mm_aesenclast_si128(b[i], keys[rounds]);
  }
}

// ECB over N blocks.
template <int N, bool kDecrypt>
inline void EcbGroup(const __m128i* keys, int rounds, const unsigned char* in, unsigned char* out) {
  __m128i b[N];
  TESSEC_UNROLL
  for (int i = 0; i < N; ++i) b[i] = Load(in + 16 * i);
  Cipher<N, kDecrypt>(b, keys, rounds);
  TESSEC_UNROLL
  for (int i = 0; i < N; ++i) Store(out + 16 * i, b[i]);
}

template <bool kDecrypt>
void Ecb(const uint32_t (*rows)[8], int rounds, const unsigned char* in, unsigned char* out,
         size_t blocks) {
  __m128i keys[15];
  LoadKeys(rows, rounds, keys);
  for (; blocks >= kLanes; blocks -= kLanes, in += 16 * kLanes, out += 16 * kLanes) {
    EcbGroup<kLanes, kDecrypt>(keys, rounds, in, out);
  }
  if (blocks >= 4) {
    EcbGroup<4, kDecrypt>(keys, rounds, in, out);
    blocks -= 4, in += 64, out += 64;
  }
  for (; blocks; --blocks, in += 16, out += 16) EcbGroup<1, kDecrypt>(keys, rounds, in, out);
}

// The chained modes' decryption needs only ciphertext, all of which is known up front: N blocks
// at a time. The group's ciphertext is read completely (and kept in a local copy, from which the
// chaining reads it) before any of its output is written, so in == out works.
//   CBC: out[i] = D(ct[i]) ^ ct[i - 1];  CFB: out[i] = E(ct[i - 1]) ^ ct[i];  ct[-1] = chain.
template <int N, bool kCbc>
inline __m128i ChainedDecryptGroup(const __m128i* keys, int rounds, __m128i chain,
                                   const unsigned char* in, unsigned char* out) {
  __m128i ct[N + 1], b[N];
  ct[0] = chain;
  TESSEC_UNROLL
  for (int i = 0; i < N; ++i) ct[i + 1] = Load(in + 16 * i);
  TESSEC_UNROLL
  for (int i = 0; i < N; ++i) b[i] = kCbc ? ct[i + 1] : ct[i];
  Cipher<N, kCbc>(b, keys, rounds);
  TESSEC_UNROLL
  for (int i = 0; i < N; ++i) Store(out + 16 * i, _mm_xor_si128(b[i], kCbc ? ct[i] : ct[i + 1]));
  return ct[N];
}

template <bool kCbc>
void ChainedDecrypt(const uint32_t (*rows)[8], int rounds, unsigned char* chain,
                    const unsigned char* in, unsigned char* out, size_t blocks) {
  __m128i keys[15];
  LoadKeys(rows, rounds, keys);
  __m128i c = Load(chain);
  for (; blocks >= kLanes; blocks -= kLanes, in += 16 * kLanes, out += 16 * kLanes) {
    c = ChainedDecryptGroup<kLanes, kCbc>(keys, rounds, c, in, out);
  }
  for (; blocks; --blocks, in += 16, out += 16) {
    c = ChainedDecryptGroup<1, kCbc>(keys, rounds, c, in, out);
  }
  Store(chain, c);
}

}  // namespace

void AesNiEncryptEcb(const uint32_t (*rk)[8], int rounds, const unsigned char* in,
                     unsigned char* out, size_t blocks) {
  Ecb<false>(rk, rounds, in, out, blocks);
}

void AesNiDecryptEcb(const uint32_t (*dk)[8], int rounds, const unsigned char* in,
                     unsigned char* out, size_t blocks) {
  Ecb<true>(dk, rounds, in, out, blocks);
}

// CBC encryption and CFB encryption chain every block into the next: one block at a time.
void AesNiEncryptCbc(const uint32_t (*rk)[8], int rounds, unsigned char* chain,
                     const unsigned char* in, unsigned char* out, size_t blocks) {
  __m128i keys[15];
  LoadKeys(rk, rounds, keys);
  __m128i c = Load(chain);
  for (; blocks; --blocks, in += 16, out += 16) {
    c = _mm_xor_si128(c, Load(in));
    Cipher<1, false>(&c, keys, rounds);
    Store(out, c);
  }
  Store(chain, c);
}

void AesNiEncryptCfb(const uint32_t (*rk)[8], int rounds, unsigned char* chain,
                     const unsigned char* in, unsigned char* out, size_t blocks) {
  __m128i keys[15];
  LoadKeys(rk, rounds, keys);
  __m128i c = Load(chain);
  for (; blocks; --blocks, in += 16, out += 16) {
    Cipher<1, false>(&c, keys, rounds);
    c = _mm_xor_si128(c, Load(in));
    Store(out, c);
  }
  Store(chain, c);
}

void AesNiDecryptCbc(const uint32_t (*dk)[8], int rounds, unsigned char* chain,
                     const unsigned char* in, unsigned char* out, size_t blocks) {
  ChainedDecrypt<true>(dk, rounds, chain, in, out, blocks);
}

void AesNiDecryptCfb(const uint32_t (*rk)[8], int rounds, unsigned char* chain,
                     const unsigned char* in, unsigned char* out, size_t blocks) {
  ChainedDecrypt<false>(rk, rounds, chain, in, out, blocks);
}

}  // namespace tessec_detail

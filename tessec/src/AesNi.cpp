// The cipher's 16-byte-block modes with AES-NI. Compiled with the instruction set enabled for
// this file only (see CMakeLists.txt) and called only after CpuFeatures() reported AES-NI and
// SSSE3. Besides speed, the instructions take no table lookups, so they leak nothing through
// cache timing.
//
// The round keys come from the table code's key schedule; decryption uses its equivalent-
// inverse-cipher rows, which is exactly the key form aesdec expects.
#include "Internal.h"

#include <immintrin.h>

namespace tessec_detail {

namespace {

// Blocks in flight at once in the modes that allow it: enough to cover the latency of aesenc
// and aesdec, within the registers of the target (8 on 32-bit x86, 16 on x86-64).
#if defined(__x86_64__) || defined(_M_X64)
const int kLanes = 8;
#else
const int kLanes = 4;
#endif

// A key row holds its words with the column's first byte in the high bits: reversing the
// bytes of each word gives the byte order of the state. (A plain local array rather than a
// struct: the round keys of one call, kept in registers as far as they go.)
void LoadKeys(const uint32_t (*rows)[8], int rounds, __m128i* keys) {
  const __m128i swap = _mm_set_epi8(12, 13, 14, 15, 8, 9, 10, 11, 4, 5, 6, 7, 0, 1, 2, 3);
  for (int r = 0; r <= rounds; ++r) {
    keys[r] = _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(rows[r])), swap);
  }
}

inline __m128i Load(const unsigned char* p) {
  return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}
inline void Store(unsigned char* p, __m128i v) {
  _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v);
}

inline __m128i EncryptOne(__m128i b, const __m128i* keys, int rounds) {
  b = _mm_xor_si128(b, keys[0]);
  for (int r = 1; r < rounds; ++r) b = _mm_aesenc_si128(b, keys[r]);
  return _mm_aesenclast_si128(b, keys[rounds]);
}

inline __m128i DecryptOne(__m128i b, const __m128i* keys, int rounds) {
  b = _mm_xor_si128(b, keys[0]);
  for (int r = 1; r < rounds; ++r) b = _mm_aesdec_si128(b, keys[r]);
  return _mm_aesdeclast_si128(b, keys[rounds]);
}

template <int N>
inline void EncryptLanes(__m128i* b, const __m128i* keys, int rounds) {
  for (int i = 0; i < N; ++i) b[i] = _mm_xor_si128(b[i], keys[0]);
  for (int r = 1; r < rounds; ++r) {
    const __m128i k = keys[r];
    for (int i = 0; i < N; ++i) b[i] = _mm_aesenc_si128(b[i], k);
  }
  const __m128i last = keys[rounds];
  for (int i = 0; i < N; ++i) b[i] = _mm_aesenclast_si128(b[i], last);
}

template <int N>
inline void DecryptLanes(__m128i* b, const __m128i* keys, int rounds) {
  for (int i = 0; i < N; ++i) b[i] = _mm_xor_si128(b[i], keys[0]);
  for (int r = 1; r < rounds; ++r) {
    const __m128i k = keys[r];
    for (int i = 0; i < N; ++i) b[i] = _mm_aesdec_si128(b[i], k);
  }
  const __m128i last = keys[rounds];
  for (int i = 0; i < N; ++i) b[i] = _mm_aesdeclast_si128(b[i], last);
}

}  // namespace

void AesNiEncryptEcb(const uint32_t (*rk)[8], int rounds, const unsigned char* in,
                     unsigned char* out, size_t blocks) {
  __m128i keys[15];
  LoadKeys(rk, rounds, keys);
  for (; blocks >= kLanes; blocks -= kLanes, in += 16 * kLanes, out += 16 * kLanes) {
    __m128i b[kLanes];
    for (int i = 0; i < kLanes; ++i) b[i] = Load(in + 16 * i);
    EncryptLanes<kLanes>(b, keys, rounds);
    for (int i = 0; i < kLanes; ++i) Store(out + 16 * i, b[i]);
  }
  for (; blocks; --blocks, in += 16, out += 16) Store(out, EncryptOne(Load(in), keys, rounds));
}

void AesNiDecryptEcb(const uint32_t (*dk)[8], int rounds, const unsigned char* in,
                     unsigned char* out, size_t blocks) {
  __m128i keys[15];
  LoadKeys(dk, rounds, keys);
  for (; blocks >= kLanes; blocks -= kLanes, in += 16 * kLanes, out += 16 * kLanes) {
    __m128i b[kLanes];
    for (int i = 0; i < kLanes; ++i) b[i] = Load(in + 16 * i);
    DecryptLanes<kLanes>(b, keys, rounds);
    for (int i = 0; i < kLanes; ++i) Store(out + 16 * i, b[i]);
  }
  for (; blocks; --blocks, in += 16, out += 16) Store(out, DecryptOne(Load(in), keys, rounds));
}

// CBC encryption and CFB encryption chain every block into the next: one block at a time.
void AesNiEncryptCbc(const uint32_t (*rk)[8], int rounds, unsigned char* chain,
                     const unsigned char* in, unsigned char* out, size_t blocks) {
  __m128i keys[15];
  LoadKeys(rk, rounds, keys);
  __m128i c = Load(chain);
  for (; blocks; --blocks, in += 16, out += 16) {
    c = EncryptOne(_mm_xor_si128(c, Load(in)), keys, rounds);
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
    c = _mm_xor_si128(EncryptOne(c, keys, rounds), Load(in));
    Store(out, c);
  }
  Store(chain, c);
}

// Decryption in both chained modes needs only ciphertext, all of which is known up front:
// several blocks at a time. Each group is read completely before any of it is written.
void AesNiDecryptCbc(const uint32_t (*dk)[8], int rounds, unsigned char* chain,
                     const unsigned char* in, unsigned char* out, size_t blocks) {
  __m128i keys[15];
  LoadKeys(dk, rounds, keys);
  __m128i c = Load(chain);
  for (; blocks >= kLanes; blocks -= kLanes, in += 16 * kLanes, out += 16 * kLanes) {
    __m128i ct[kLanes], b[kLanes];
    for (int i = 0; i < kLanes; ++i) b[i] = ct[i] = Load(in + 16 * i);
    DecryptLanes<kLanes>(b, keys, rounds);
    Store(out, _mm_xor_si128(b[0], c));
    for (int i = 1; i < kLanes; ++i) Store(out + 16 * i, _mm_xor_si128(b[i], ct[i - 1]));
    c = ct[kLanes - 1];
  }
  for (; blocks; --blocks, in += 16, out += 16) {
    const __m128i ct = Load(in);
    Store(out, _mm_xor_si128(DecryptOne(ct, keys, rounds), c));
    c = ct;
  }
  Store(chain, c);
}

void AesNiDecryptCfb(const uint32_t (*rk)[8], int rounds, unsigned char* chain,
                     const unsigned char* in, unsigned char* out, size_t blocks) {
  __m128i keys[15];
  LoadKeys(rk, rounds, keys);
  __m128i c = Load(chain);
  for (; blocks >= kLanes; blocks -= kLanes, in += 16 * kLanes, out += 16 * kLanes) {
    __m128i ct[kLanes], b[kLanes];
    b[0] = c;
    for (int i = 0; i < kLanes; ++i) ct[i] = Load(in + 16 * i);
    for (int i = 1; i < kLanes; ++i) b[i] = ct[i - 1];
    EncryptLanes<kLanes>(b, keys, rounds);
    for (int i = 0; i < kLanes; ++i) Store(out + 16 * i, _mm_xor_si128(b[i], ct[i]));
    c = ct[kLanes - 1];
  }
  for (; blocks; --blocks, in += 16, out += 16) {
    const __m128i ct = Load(in);
    Store(out, _mm_xor_si128(EncryptOne(c, keys, rounds), ct));
    c = ct;
  }
  Store(chain, c);
}

}  // namespace tessec_detail

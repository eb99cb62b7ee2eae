// Library-internal helpers: byte order, CPU feature selection and the block functions behind
// the digest and cipher classes. Nothing here is exported from the shared library.
#pragma once

#include <cstddef>
#include <cstdint>

namespace tessec_detail {

// ---- Byte order ---------------------------------------------------------------------------
// Written byte by byte so that they are independent of the host's byte order; compilers turn
// them into single (byte-swapping) loads and stores.

inline uint32_t Load32BE(const unsigned char* p) {
  return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | uint32_t(p[3]);
}
inline uint32_t Load32LE(const unsigned char* p) {
  return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}
inline uint64_t Load64BE(const unsigned char* p) {
  return (uint64_t(Load32BE(p)) << 32) | Load32BE(p + 4);
}
inline void Store32BE(unsigned char* p, uint32_t v) {
  p[0] = static_cast<unsigned char>(v >> 24);
  p[1] = static_cast<unsigned char>(v >> 16);
  p[2] = static_cast<unsigned char>(v >> 8);
  p[3] = static_cast<unsigned char>(v);
}
inline void Store32LE(unsigned char* p, uint32_t v) {
  p[0] = static_cast<unsigned char>(v);
  p[1] = static_cast<unsigned char>(v >> 8);
  p[2] = static_cast<unsigned char>(v >> 16);
  p[3] = static_cast<unsigned char>(v >> 24);
}
inline void Store64BE(unsigned char* p, uint64_t v) {
  Store32BE(p, static_cast<uint32_t>(v >> 32));
  Store32BE(p + 4, static_cast<uint32_t>(v));
}
inline uint32_t Rotl32(uint32_t x, int n) { return (x << n) | (x >> (32 - n)); }
inline uint32_t Rotr32(uint32_t x, int n) { return (x >> n) | (x << (32 - n)); }
inline uint64_t Rotr64(uint64_t x, int n) { return (x >> n) | (x << (64 - n)); }

// ---- CPU features -------------------------------------------------------------------------
// Instruction-set paths are chosen at run time. They give exactly the results of the portable
// table code, which every test checks them against.

enum CpuFeature : unsigned {
  kCpuSsse3 = 1u << 0,
  kCpuSse41 = 1u << 1,
  kCpuAesNi = 1u << 2,
  kCpuShaNi = 1u << 3,
  kCpuBmi2 = 1u << 4,
};

// Features of this CPU that the library has a path for (detected once), limited by the mask.
unsigned CpuFeatures();
// Limits the features in use (tests and benchmarks compare the paths); returns the old mask.
unsigned SetCpuFeatureMask(unsigned mask);

inline bool UseAesNi() {
  const unsigned need = kCpuAesNi | kCpuSsse3;
  return (CpuFeatures() & need) == need;
}
inline bool UseSsse3() { return (CpuFeatures() & kCpuSsse3) != 0; }
inline bool UseSsse3Bmi2() {
  const unsigned need = kCpuSsse3 | kCpuBmi2;
  return (CpuFeatures() & need) == need;
}
inline bool UseShaNi() {
  const unsigned need = kCpuShaNi | kCpuSsse3 | kCpuSse41;
  return (CpuFeatures() & need) == need;
}

// ---- Digest compression over whole blocks -------------------------------------------------

void Md5Blocks(uint32_t state[4], const unsigned char* data, size_t blocks);
void Sha1Blocks(uint32_t state[5], const unsigned char* data, size_t blocks);
void Sha256Blocks(uint32_t state[8], const unsigned char* data, size_t blocks);
void Sha512Blocks(uint64_t state[8], const unsigned char* data, size_t blocks);

// Portable versions, always present.
void Sha1BlocksPortable(uint32_t state[5], const unsigned char* data, size_t blocks);
void Sha256BlocksPortable(uint32_t state[8], const unsigned char* data, size_t blocks);
void Sha512BlocksPortable(uint64_t state[8], const unsigned char* data, size_t blocks);

// The SHA-384/512 round constants (16-byte aligned for vector loads).
extern const uint64_t kSha512K[80];

#if defined(TESSEC_X86_ACCEL)
// SHA-512 with the message schedule in SSE registers; callers check UseSsse3().
void Sha512BlocksSsse3(uint64_t state[8], const unsigned char* data, size_t blocks);
// The same, built for CPUs with BMI2; callers check UseSsse3Bmi2().
void Sha512BlocksSsse3Bmi2(uint64_t state[8], const unsigned char* data, size_t blocks);

// SHA extensions (SHA-NI); callers check UseShaNi().
void Sha1BlocksShaNi(uint32_t state[5], const unsigned char* data, size_t blocks);
void Sha256BlocksShaNi(uint32_t state[8], const unsigned char* data, size_t blocks);

// AES-NI over 16-byte blocks. Round keys are rows of the cipher's key tables (8 words per
// row, the first four used, each word holding its column's first byte in the high bits);
// decryption takes the equivalent-inverse-cipher rows. `chain` is 16 bytes, updated.
// Every function reads a block before writing its output, so in == out is fine.
void AesNiEncryptEcb(const uint32_t (*rk)[8], int rounds, const unsigned char* in,
                     unsigned char* out, size_t blocks);
void AesNiDecryptEcb(const uint32_t (*dk)[8], int rounds, const unsigned char* in,
                     unsigned char* out, size_t blocks);
void AesNiEncryptCbc(const uint32_t (*rk)[8], int rounds, unsigned char* chain,
                     const unsigned char* in, unsigned char* out, size_t blocks);
void AesNiDecryptCbc(const uint32_t (*dk)[8], int rounds, unsigned char* chain,
                     const unsigned char* in, unsigned char* out, size_t blocks);
void AesNiEncryptCfb(const uint32_t (*rk)[8], int rounds, unsigned char* chain,
                     const unsigned char* in, unsigned char* out, size_t blocks);
void AesNiDecryptCfb(const uint32_t (*rk)[8], int rounds, unsigned char* chain,
                     const unsigned char* in, unsigned char* out, size_t blocks);
#endif

}  // namespace tessec_detail

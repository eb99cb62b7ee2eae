// Library-internal helpers: byte order, CPU feature selection and the block functions behind
// the digest and cipher classes. Nothing here is exported from the shared library.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#if defined(_MSC_VER)
#include <stdlib.h>
#endif

namespace tessec_detail {

// ---- Byte order ---------------------------------------------------------------------------
// Loads are written byte by byte so that they are independent of the host's byte order;
// compilers turn them into single (byte-swapping) loads. Stores written that way are not always
// merged (among other stores, compilers have been seen to keep sixteen byte stores per cipher
// block), so on hosts that store the low byte first they swap the word and store it whole.

#if defined(_MSC_VER) || (defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__)
#define TESSEC_LITTLE_ENDIAN 1
#endif

inline uint32_t ByteSwap32(uint32_t x) {
#if defined(_MSC_VER)
  return _byteswap_ulong(x);
#else
  return (x >> 24) | ((x >> 8) & 0xFF00u) | ((x << 8) & 0xFF0000u) | (x << 24);
#endif
}

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
#if defined(TESSEC_LITTLE_ENDIAN)
  v = ByteSwap32(v);
  std::memcpy(p, &v, 4);
#else
  p[0] = static_cast<unsigned char>(v >> 24);
  p[1] = static_cast<unsigned char>(v >> 16);
  p[2] = static_cast<unsigned char>(v >> 8);
  p[3] = static_cast<unsigned char>(v);
#endif
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

// Fully unrolls the loop that follows (GCC and Clang); the instruction-set paths use it where a
// loop over lanes must become straight code so that its values stay in registers.
#if defined(__GNUC__) || defined(__clang__)
#define TESSEC_UNROLL _Pragma("GCC unroll 16")
#else
#define TESSEC_UNROLL
#endif

// Inlines a function whatever its size (for block functions called once per block).
#if defined(__GNUC__) || defined(__clang__)
#define TESSEC_FORCE_INLINE __attribute__((always_inline)) inline
#elif defined(_MSC_VER)
#define TESSEC_FORCE_INLINE __forceinline
#else
#define TESSEC_FORCE_INLINE inline
#endif

// Keeps the compiler from carrying values it read from memory over this point in registers (it
// must read them again): for code whose registers are too few to carry them.
#if defined(__GNUC__) || defined(__clang__)
#define TESSEC_COMPILER_BARRIER() __asm__ __volatile__("" ::: "memory")
#elif defined(_MSC_VER)
#define TESSEC_COMPILER_BARRIER() _ReadWriteBarrier()
#else
#define TESSEC_COMPILER_BARRIER()
#endif

// The same address, but one the compiler cannot trace back to the object: reads through it are
// real loads from memory, which it can neither forward from earlier stores (say through vector
// extractions) nor move ahead of them.
template <typename T>
inline T* Opaque(T* p) {
  T* volatile q = p;
  return q;
}

// Makes the compiler treat an object as reachable from elsewhere, so that the barrier above
// applies to it even when its address was never passed on (a local the compiler could otherwise
// keep in registers across the barrier).
#if defined(__GNUC__) || defined(__clang__)
#define TESSEC_ESCAPE(p) __asm__ __volatile__("" : : "g"(p) : "memory")
#else
#define TESSEC_ESCAPE(p) TESSEC_COMPILER_BARRIER()
#endif

// Puts a function at the start of a 64-byte line. Long straight-line round code runs some five
// percent faster or slower depending on where it starts within a line (how the instructions fall
// into the decoded-instruction cache); the start of a line, measured to be a good place, makes it
// the same in every program that links the library.
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define TESSEC_CODE_ALIGN __attribute__((aligned(64)))
#else
#define TESSEC_CODE_ALIGN
#endif

// Makes the compiler take x as computed up to this point (it emits nothing): it may not move
// later additions into the sum, so the term that comes last on a chain of dependent rounds can
// be added last, where compilers otherwise order the terms as they like.
#if defined(__GNUC__) || defined(__clang__)
#define TESSEC_PIN(x) __asm__("" : "+r"(x))
#else
#define TESSEC_PIN(x) (void)0
#endif

// ---- CPU features -------------------------------------------------------------------------
// Instruction-set paths are chosen at run time. They give exactly the results of the portable
// table code, which every test checks them against. A path runs only when every extension whose
// instructions it uses is both present and allowed.

enum CpuFeature : unsigned {
  kCpuSse2 = 1u << 0,
  kCpuSsse3 = 1u << 1,
  kCpuSse41 = 1u << 2,
  kCpuAesNi = 1u << 3,
  kCpuShaNi = 1u << 4,
  kCpuBmi2 = 1u << 5,
  kCpuAvx2 = 1u << 6,
};

// Features of this CPU that the library has a path for and may use: detected once, limited by
// the environment variable TESSEC_CPU as the library loads (see Cpu.cpp) and by the mask below.
unsigned CpuFeatures();
// Limits the features in use (tests and benchmarks compare the paths); returns the old mask.
unsigned SetCpuFeatureMask(unsigned mask);
// The features a TESSEC_CPU value allows: a comma-separated list of the names sse2, ssse3,
// sse41, aesni, shani, bmi2 and avx2 (case and spaces ignored); "none" and unknown names add
// nothing. A null value (the variable unset) allows everything.
unsigned ParseCpuList(const char* list);

inline bool Have(unsigned need) { return (CpuFeatures() & need) == need; }
inline bool UseAesNi() { return Have(kCpuAesNi | kCpuSse2); }
inline bool UseShaNi() { return Have(kCpuShaNi | kCpuSsse3 | kCpuSse41 | kCpuSse2); }

// ---- Digest compression over whole blocks -------------------------------------------------

void Md5Blocks(uint32_t state[4], const unsigned char* data, size_t blocks);
void Sha1Blocks(uint32_t state[5], const unsigned char* data, size_t blocks);
void Sha256Blocks(uint32_t state[8], const unsigned char* data, size_t blocks);
void Sha512Blocks(uint64_t state[8], const unsigned char* data, size_t blocks);

// Portable versions, always present.
void Sha1BlocksPortable(uint32_t state[5], const unsigned char* data, size_t blocks);
void Sha256BlocksPortable(uint32_t state[8], const unsigned char* data, size_t blocks);
void Sha512BlocksPortable(uint64_t state[8], const unsigned char* data, size_t blocks);
// SHA-384/512 on 32-bit halves, for 32-bit targets without vector paths (Sha512Halves.cpp).
void Sha512BlocksHalves(uint64_t state[8], const unsigned char* data, size_t blocks);

// The SHA-256 and SHA-384/512 round constants (16-byte aligned for vector loads).
extern const uint32_t kSha256K[64];
extern const uint64_t kSha512K[80];

// Adds the working variables of a block to the state (the last step of every SHA-2 block).
template <typename Word>
inline void AddToState(Word* state, Word a, Word b, Word c, Word d, Word e, Word f, Word g,
                       Word h) {
  state[0] += a;
  state[1] += b;
  state[2] += c;
  state[3] += d;
  state[4] += e;
  state[5] += f;
  state[6] += g;
  state[7] += h;
}

#if defined(TESSEC_X86_ACCEL)
#if defined(__x86_64__) || defined(_M_X64)
#define TESSEC_X86_64 1
#endif

#if defined(TESSEC_X86_64) && (defined(__GNUC__) || defined(__clang__))
// SHA-1 in general registers, in assembly, for x86-64 (Sha1X64.cpp); needs no extension.
#define TESSEC_SHA1_X64_ASM 1
void Sha1BlocksX64(uint32_t state[5], const unsigned char* data, size_t blocks);
#endif

#if defined(TESSEC_X86_64) && !defined(_WIN32) && (defined(__GNUC__) || defined(__clang__))
// SHA-256 and SHA-384/512 in general registers, in assembly, for x86-64 with the System V
// calling convention (Sha2X64.cpp); need no extension.
#define TESSEC_SHA2_X64_ASM 1
void Sha256BlocksX64(uint32_t state[8], const unsigned char* data, size_t blocks);
void Sha512BlocksX64(uint64_t state[8], const unsigned char* data, size_t blocks);
#endif

#if !defined(TESSEC_X86_64) && (defined(__GNUC__) || defined(__clang__))
// SHA-256 in general registers, in assembly, for 32-bit x86 (Sha256X86.cpp); needs no extension.
#define TESSEC_SHA256_X86_ASM 1
void Sha256BlocksX86(uint32_t state[8], const unsigned char* data, size_t blocks);
#endif

// SHA-1 with the message schedule in SSE registers (Sha1Ssse3.cpp), built for AVX2 and BMI2
// (Sha1Avx2.cpp); callers check both.
void Sha1BlocksAvx2(uint32_t state[5], const unsigned char* data, size_t blocks);

#if defined(TESSEC_X86_64)
// SHA-512 with the message schedule in SSE registers (Sha512Simd.cpp); callers check SSE2. The
// same, built for CPUs with AVX2 and BMI2 (Sha512SimdAvx2.cpp); callers check both.
void Sha512BlocksSse2(uint64_t state[8], const unsigned char* data, size_t blocks);
void Sha512BlocksAvx2Bmi2(uint64_t state[8], const unsigned char* data, size_t blocks);
#else
// SHA-1 with the message schedule in SSE registers, for 32-bit x86 (Sha1Ssse3.cpp); callers
// check SSE2 and SSSE3.
void Sha1BlocksSsse3(uint32_t state[5], const unsigned char* data, size_t blocks);
// SHA-512 entirely in SSE registers, for 32-bit x86 (Sha512Lanes.cpp); callers check SSE2.
void Sha512BlocksSse2(uint64_t state[8], const unsigned char* data, size_t blocks);
// SHA-512 with the state in lane pairs (Sha512Avx2.cpp); callers check AVX2.
void Sha512BlocksAvx2(uint64_t state[8], const unsigned char* data, size_t blocks);
#endif

// SHA-256 with the message schedule in SSE registers, built for SSE2 alone (Sha256Sse2.cpp);
// callers check SSE2.
void Sha256BlocksSse2(uint32_t state[8], const unsigned char* data, size_t blocks);
// SHA-256 with the message schedule in SSE registers (Sha256Avx2.cpp); callers check AVX2 and
// BMI2.
void Sha256BlocksAvx2(uint32_t state[8], const unsigned char* data, size_t blocks);

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

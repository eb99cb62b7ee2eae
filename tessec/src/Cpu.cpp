// Run-time CPU feature detection for the instruction-set paths, and the TESSEC_CPU setting that
// limits them.
//
// TESSEC_CPU is read once, when the library loads, in the spirit of OpenSSL's OPENSSL_ia32cap:
// it names the extensions the library may use (say "sse2,ssse3" to compare with an older CPU,
// or "none" for integer code only, or to keep away from one path on a CPU with an erratum).
// It never enables what the CPU lacks. Unset, every detected extension is used.
#include <atomic>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <string>

#include "Internal.h"

#if defined(_WIN32)
#include <windows.h>
#endif
#if defined(TESSEC_X86_ACCEL)
#if defined(_MSC_VER)
#include <immintrin.h>
#include <intrin.h>
#else
#include <cpuid.h>
#endif
#endif

namespace tessec_detail {

namespace {

// Set once the features are known, so that 0 can mean "not detected yet". Detection is
// idempotent: threads that race on the first call all store the same value.
const unsigned kDetected = 1u << 31;

std::atomic<unsigned> g_features{0};
std::atomic<unsigned> g_mask{~0u};

#if defined(TESSEC_X86_ACCEL)
void Cpuid(unsigned leaf, unsigned subleaf, unsigned regs[4]) {
#if defined(_MSC_VER)
  int r[4];
  __cpuidex(r, static_cast<int>(leaf), static_cast<int>(subleaf));
  for (int i = 0; i < 4; ++i) regs[i] = static_cast<unsigned>(r[i]);
#else
  __cpuid_count(leaf, subleaf, regs[0], regs[1], regs[2], regs[3]);
#endif
}

// Whether the operating system saves the upper halves of the YMM registers (XCR0 bits 1, 2).
bool OsSavesYmm() {
#if defined(_MSC_VER)
  return (_xgetbv(0) & 6) == 6;
#else
  unsigned lo, hi;
  __asm__ volatile("xgetbv" : "=a"(lo), "=d"(hi) : "c"(0));
  return (lo & 6) == 6;
#endif
}

unsigned Detect() {
  unsigned regs[4] = {0, 0, 0, 0};
  Cpuid(0, 0, regs);
  const unsigned maxLeaf = regs[0];
  unsigned features = 0;
  bool avx = false;
  if (maxLeaf >= 1) {
    Cpuid(1, 0, regs);
    const unsigned ecx = regs[2], edx = regs[3];
    if (edx & (1u << 26)) features |= kCpuSse2;
    if (ecx & (1u << 9)) features |= kCpuSsse3;
    if (ecx & (1u << 19)) features |= kCpuSse41;
    if (ecx & (1u << 25)) features |= kCpuAesNi;
    avx = (ecx & (1u << 27)) && (ecx & (1u << 28)) && OsSavesYmm();
  }
  if (maxLeaf >= 7) {
    Cpuid(7, 0, regs);
    if (avx && (regs[1] & (1u << 5))) features |= kCpuAvx2;
    if (regs[1] & (1u << 8)) features |= kCpuBmi2;
    if (regs[1] & (1u << 29)) features |= kCpuShaNi;
  }
  return features;
}
#else
unsigned Detect() { return 0; }
#endif

// Detection limited by TESSEC_CPU. On Windows from the process environment itself, which a
// DLL's own runtime may have copied before the program set the variable.
unsigned Allowed() {
#if defined(_WIN32)
  // The size with the terminating zero; 0 when the variable is not set.
  const DWORD size = GetEnvironmentVariableA("TESSEC_CPU", nullptr, 0);
  if (!size) return Detect();
  std::string value(size, '\0');
  const DWORD n = GetEnvironmentVariableA("TESSEC_CPU", &value[0], size);
  value.resize(n < size ? n : 0);
  return Detect() & ParseCpuList(value.c_str());
#else
  return Detect() & ParseCpuList(std::getenv("TESSEC_CPU"));
#endif
}

// Reads the setting as the library loads, before any caller can ask.
[[maybe_unused]] const unsigned g_loaded = CpuFeatures();

}  // namespace

unsigned ParseCpuList(const char* list) {
  if (!list) return ~0u;
  static const struct {
    const char* name;
    unsigned feature;
  } kNames[] = {{"sse2", kCpuSse2},   {"ssse3", kCpuSsse3}, {"sse41", kCpuSse41},
                {"aesni", kCpuAesNi}, {"shani", kCpuShaNi}, {"bmi2", kCpuBmi2},
                {"avx2", kCpuAvx2}};
  unsigned allowed = 0;
  while (*list) {
    // One name: up to the next comma, without spaces, in lower case; too long is unknown.
    char name[8];
    size_t n = 0;
    bool tooLong = false;
    for (; *list && *list != ','; ++list) {
      const unsigned char c = static_cast<unsigned char>(*list);
      if (std::isspace(c)) continue;
      if (n + 1 < sizeof(name)) {
        name[n++] = static_cast<char>(std::tolower(c));
      } else {
        tooLong = true;
      }
    }
    if (*list == ',') ++list;
    name[n] = '\0';
    if (tooLong) continue;
    for (const auto& known : kNames) {
      if (std::strcmp(name, known.name) == 0) allowed |= known.feature;
    }
  }
  return allowed;
}

unsigned CpuFeatures() {
  unsigned features = g_features.load(std::memory_order_relaxed);
  if (!features) {
    features = Allowed() | kDetected;
    g_features.store(features, std::memory_order_relaxed);
  }
  return features & g_mask.load(std::memory_order_relaxed) & ~kDetected;
}

unsigned SetCpuFeatureMask(unsigned mask) { return g_mask.exchange(mask); }

}  // namespace tessec_detail

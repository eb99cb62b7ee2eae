// Run-time CPU feature detection for the instruction-set paths.
#include "Internal.h"

#include <atomic>

#if defined(TESSEC_X86_ACCEL)
#if defined(_MSC_VER)
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

unsigned Detect() {
  unsigned regs[4] = {0, 0, 0, 0};
  Cpuid(0, 0, regs);
  const unsigned maxLeaf = regs[0];
  unsigned features = 0;
  if (maxLeaf >= 1) {
    Cpuid(1, 0, regs);
    const unsigned ecx = regs[2];
    if (ecx & (1u << 9)) features |= kCpuSsse3;
    if (ecx & (1u << 19)) features |= kCpuSse41;
    if (ecx & (1u << 25)) features |= kCpuAesNi;
  }
  if (maxLeaf >= 7) {
    Cpuid(7, 0, regs);
    if (regs[1] & (1u << 8)) features |= kCpuBmi2;
    if (regs[1] & (1u << 29)) features |= kCpuShaNi;
  }
  return features;
}
#else
unsigned Detect() { return 0; }
#endif

}  // namespace

unsigned CpuFeatures() {
  unsigned features = g_features.load(std::memory_order_relaxed);
  if (!features) {
    features = Detect() | kDetected;
    g_features.store(features, std::memory_order_relaxed);
  }
  return features & g_mask.load(std::memory_order_relaxed) & ~kDetected;
}

unsigned SetCpuFeatureMask(unsigned mask) { return g_mask.exchange(mask); }

}  // namespace tessec_detail

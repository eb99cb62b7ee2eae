// Throughput of tessec beside a reference doing the same work in the same run: OpenSSL for
// every digest, AES (16-byte blocks) with 128- and 256-bit keys in ECB, CBC and CFB, the
// 32-byte-block path, Base64 and hex; an inlined std::mt19937 for the twister's outputs taken
// through the generator interface. A summary table at the end prints each pair's MB/s and the
// ratio tessec / reference.
//
// Both libraries take their instruction-set paths as the environment allows: tessec by
// TESSEC_CPU, OpenSSL by OPENSSL_ia32cap. bench/tessec/run_profiles.sh runs this program once
// per CPU profile with both set alike.
#include <benchmark/benchmark.h>
#include <openssl/crypto.h>
#include <openssl/evp.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "Internal.h"
#include "tessec/tessec.h"

using namespace public_crypt;

namespace {

const size_t kSize = 64 * 1024;

std::vector<unsigned char> Data(size_t n) {
  std::vector<unsigned char> v(n);
  uint32_t x = 12345;
  for (auto& b : v) {
    x = x * 1103515245u + 12345u;
    b = static_cast<unsigned char>(x >> 16);
  }
  return v;
}

// ---- Digests ------------------------------------------------------------------------------

template <class H>
void TessecDigest(benchmark::State& state) {
  std::vector<unsigned char> buf = Data(kSize);
  H h;
  unsigned char out[64];
  for (auto _ : state) {
    h.Init();
    h.Update(buf.data(), static_cast<unsigned int>(buf.size()));
    h.Final(out);
    benchmark::DoNotOptimize(out);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * kSize);
}

void OpenSslDigest(benchmark::State& state, const EVP_MD* md) {
  std::vector<unsigned char> buf = Data(kSize);
  EVP_MD_CTX* ctx = EVP_MD_CTX_new();
  unsigned char out[EVP_MAX_MD_SIZE];
  unsigned int len = 0;
  for (auto _ : state) {
    EVP_DigestInit_ex(ctx, md, nullptr);
    EVP_DigestUpdate(ctx, buf.data(), buf.size());
    EVP_DigestFinal_ex(ctx, out, &len);
    benchmark::DoNotOptimize(out);
  }
  EVP_MD_CTX_free(ctx);
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * kSize);
}

// ---- Cipher -------------------------------------------------------------------------------

void TessecCipher(benchmark::State& state, int keyLength, int blockSize, int mode, bool decrypt) {
  std::vector<unsigned char> key = Data(32), iv = Data(32);
  std::vector<unsigned char> in = Data(kSize), out(kSize);
  CRijndael c(reinterpret_cast<const char*>(key.data()), reinterpret_cast<const char*>(iv.data()),
              mode, keyLength, blockSize);
  const char* src = reinterpret_cast<const char*>(in.data());
  char* dst = reinterpret_cast<char*>(out.data());
  for (auto _ : state) {
    if (decrypt) {
      c.DecryptBlockN(src, dst, static_cast<unsigned int>(kSize));
    } else {
      c.EncryptBlockN(src, dst, static_cast<unsigned int>(kSize));
    }
    benchmark::DoNotOptimize(out.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * kSize);
}

const EVP_CIPHER* OpenSslAes(int keyLength, int mode) {
  const bool k128 = keyLength == 16;
  switch (mode) {
    case CRijndael::CBC:
      return k128 ? EVP_aes_128_cbc() : EVP_aes_256_cbc();
    case CRijndael::CFB:
      return k128 ? EVP_aes_128_cfb128() : EVP_aes_256_cfb128();
    default:
      return k128 ? EVP_aes_128_ecb() : EVP_aes_256_ecb();
  }
}

void OpenSslCipher(benchmark::State& state, int keyLength, int mode, bool decrypt) {
  std::vector<unsigned char> key = Data(32), iv = Data(32);
  std::vector<unsigned char> in = Data(kSize), out(kSize + 32);
  EVP_CIPHER_CTX* ctx = EVP_CIPHER_CTX_new();
  EVP_CipherInit_ex(ctx, OpenSslAes(keyLength, mode), nullptr, key.data(), iv.data(),
                    decrypt ? 0 : 1);
  EVP_CIPHER_CTX_set_padding(ctx, 0);
  int len = 0;
  for (auto _ : state) {
    EVP_CipherUpdate(ctx, out.data(), &len, in.data(), static_cast<int>(kSize));
    benchmark::DoNotOptimize(out.data());
  }
  EVP_CIPHER_CTX_free(ctx);
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * kSize);
}

// ---- Codecs -------------------------------------------------------------------------------

// Base64 and hex: both sides code the same input; throughput counts the binary bytes.
const size_t kBinary = 48 * 1024;

void TessecCodec(benchmark::State& state, CBaseN& codec, bool decode) {
  std::vector<unsigned char> bin = Data(kBinary);
  std::vector<unsigned char> text(codec.GetNeedLen(kBinary, 1));
  unsigned int textLen = static_cast<unsigned int>(text.size());
  codec.Encode(bin.data(), kBinary, text.data(), &textLen);
  std::vector<unsigned char> back(kBinary + 4);
  for (auto _ : state) {
    if (decode) {
      unsigned int len = static_cast<unsigned int>(back.size());
      codec.Decode(text.data(), textLen, back.data(), &len);
    } else {
      unsigned int len = static_cast<unsigned int>(text.size());
      codec.Encode(bin.data(), kBinary, text.data(), &len);
    }
    benchmark::DoNotOptimize(back.data());
    benchmark::DoNotOptimize(text.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * kBinary);
}

void OpenSslBase64(benchmark::State& state, bool decode) {
  std::vector<unsigned char> bin = Data(kBinary);
  std::vector<unsigned char> text(kBinary * 2);
  const int textLen = EVP_EncodeBlock(text.data(), bin.data(), static_cast<int>(kBinary));
  std::vector<unsigned char> back(kBinary + 4);
  for (auto _ : state) {
    if (decode) {
      benchmark::DoNotOptimize(EVP_DecodeBlock(back.data(), text.data(), textLen));
    } else {
      benchmark::DoNotOptimize(EVP_EncodeBlock(text.data(), bin.data(), static_cast<int>(kBinary)));
    }
    benchmark::DoNotOptimize(back.data());
    benchmark::DoNotOptimize(text.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * kBinary);
}

void OpenSslHex(benchmark::State& state, bool decode) {
  std::vector<unsigned char> bin = Data(kBinary);
  std::vector<char> text(kBinary * 2 + 1);
  size_t textLen = 0;
  OPENSSL_buf2hexstr_ex(text.data(), text.size(), &textLen, bin.data(), kBinary, '\0');
  std::vector<unsigned char> back(kBinary);
  for (auto _ : state) {
    size_t len = 0;
    if (decode) {
      OPENSSL_hexstr2buf_ex(back.data(), back.size(), &len, text.data(), '\0');
    } else {
      OPENSSL_buf2hexstr_ex(text.data(), text.size(), &len, bin.data(), kBinary, '\0');
    }
    benchmark::DoNotOptimize(len);
    benchmark::DoNotOptimize(back.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * kBinary);
}

// ---- Mersenne Twister ---------------------------------------------------------------------

// Outputs of CRaknetRand through its interface, as a program calls the library, beside the
// standard library's MT19937 inlined into the loop (the yardstick of what the recurrence costs).
// Throughput counts four bytes per RandomInt.
const int kDraws = 4096;

CRand* Opaque(CRand* r) {
  benchmark::DoNotOptimize(r);
  return r;
}

void TessecRandInt(benchmark::State& state) {
  CRaknetRand raknet;
  CRand* rand = Opaque(&raknet);
  rand->Seed(5489);
  for (auto _ : state) {
    unsigned sum = 0;
    for (int i = 0; i < kDraws; ++i) sum += static_cast<unsigned>(rand->RandomInt());
    benchmark::DoNotOptimize(sum);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * kDraws * 4);
}

void TessecRandBytes(benchmark::State& state) {
  CRaknetRand raknet;
  CRand* rand = Opaque(&raknet);
  rand->Seed(5489);
  std::vector<char> buf(kSize);
  for (auto _ : state) {
    rand->RandomByte(buf.data(), static_cast<int>(buf.size()), 0, nullptr);
    benchmark::DoNotOptimize(buf.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * kSize);
}

void StdRandInt(benchmark::State& state) {
  std::mt19937 mt(5489);
  for (auto _ : state) {
    unsigned sum = 0;
    for (int i = 0; i < kDraws; ++i) sum += static_cast<unsigned>(mt());
    benchmark::DoNotOptimize(sum);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * kDraws * 4);
}

void StdRandBytes(benchmark::State& state) {
  std::mt19937 mt(5489);
  std::vector<char> buf(kSize);
  for (auto _ : state) {
    for (size_t i = 0; i < buf.size(); i += 4) {
      const uint32_t v = static_cast<uint32_t>(mt());
      std::memcpy(buf.data() + i, &v, 4);
    }
    benchmark::DoNotOptimize(buf.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * kSize);
}

// ---- Registration and the summary ---------------------------------------------------------

// Benchmarks are named "<side>/<work>" with side tessec or the reference (openssl, std).
void Add(const std::string& name, std::function<void(benchmark::State&)> fn) {
  benchmark::RegisterBenchmark(name.c_str(), [fn](benchmark::State& st) { fn(st); })
      ->MinTime(0.1)
      ->Unit(benchmark::kMicrosecond)
      ->ComputeStatistics("best", [](const std::vector<double>& v) -> double {
        return v.empty() ? 0.0 : *std::max_element(v.begin(), v.end());
      });
}

void RegisterAll() {
  struct DigestCase {
    const char* work;
    void (*tessec)(benchmark::State&);
    const EVP_MD* (*md)();
  } digests[] = {
      {"md5", TessecDigest<CMD5>, EVP_md5},          {"sha1", TessecDigest<CSHA1>, EVP_sha1},
      {"sha256", TessecDigest<CSHA256>, EVP_sha256}, {"sha384", TessecDigest<CSHA384>, EVP_sha384},
      {"sha512", TessecDigest<CSHA512>, EVP_sha512},
  };
  for (const DigestCase& d : digests) {
    auto md = d.md;
    Add(std::string("tessec/") + d.work, d.tessec);
    Add(std::string("openssl/") + d.work, [md](benchmark::State& st) { OpenSslDigest(st, md()); });
  }

  const char* modeNames[] = {"ecb", "cbc", "cfb"};
  for (int keyLength : {16, 32}) {
    for (int mode : {0, 1, 2}) {
      for (bool decrypt : {false, true}) {
        const std::string work = std::string("aes") + (keyLength == 16 ? "128-" : "256-") +
                                 modeNames[mode] + (decrypt ? "-dec" : "-enc");
        Add("tessec/" + work,
            [=](benchmark::State& st) { TessecCipher(st, keyLength, 16, mode, decrypt); });
        Add("openssl/" + work,
            [=](benchmark::State& st) { OpenSslCipher(st, keyLength, mode, decrypt); });
      }
    }
  }
  // The 32-byte-block path has no counterpart in OpenSSL; for scale it stands beside AES-256
  // (16-byte blocks, also 14 rounds) in the same mode.
  for (int mode : {0, 1}) {
    const std::string work = std::string("rijndael256-block32-") + modeNames[mode] + "-enc";
    Add("tessec/" + work, [=](benchmark::State& st) { TessecCipher(st, 32, 32, mode, false); });
    Add("openssl/" + work, [=](benchmark::State& st) { OpenSslCipher(st, 32, mode, false); });
  }

  Add("tessec/mt19937-int", TessecRandInt);
  Add("std/mt19937-int", StdRandInt);
  Add("tessec/mt19937-bytes", TessecRandBytes);
  Add("std/mt19937-bytes", StdRandBytes);

  static CBase64 base64;
  static CHex hex;
  for (bool decode : {false, true}) {
    const std::string suffix = decode ? "-decode" : "-encode";
    Add("tessec/base64" + suffix, [=](benchmark::State& st) { TessecCodec(st, base64, decode); });
    Add("openssl/base64" + suffix, [=](benchmark::State& st) { OpenSslBase64(st, decode); });
    Add("tessec/hex" + suffix, [=](benchmark::State& st) { TessecCodec(st, hex, decode); });
    Add("openssl/hex" + suffix, [=](benchmark::State& st) { OpenSslHex(st, decode); });
  }
}

// Collects each run's bytes per second, then prints the comparison.
class SummaryReporter : public benchmark::ConsoleReporter {
 public:
  // With repetitions the best round stands for the benchmark (the largest rate: on a busy
  // machine the other rounds lost time to other work); without, its only run.
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      auto it = run.counters.find("bytes_per_second");
      if (it == run.counters.end()) continue;
      const std::string& name = run.run_name.function_name;
      if (run.run_type == Run::RT_Aggregate) {
        if (run.aggregate_name == "best") best_[name] = it->second.value;
      } else {
        rates_[name] = it->second.value;
      }
    }
    ConsoleReporter::ReportRuns(runs);
  }

  void PrintSummary() const {
    std::printf("\n%-30s %12s %12s %9s\n", "work (MB/s)", "tessec", "reference", "ratio");
    std::set<std::string> order;
    for (const auto* rates : {&rates_, &best_}) {
      for (const auto& kv : *rates) {
        const std::string& name = kv.first;
        if (name.compare(0, 7, "tessec/") == 0) order.insert(name.substr(7));
      }
    }
    for (const std::string& work : order) {
      const double ours = Rate("tessec/" + work);
      double theirs = Rate("openssl/" + work);
      if (theirs <= 0) theirs = Rate("std/" + work);
      std::printf("%-30s %12.0f %12.0f %9.2f\n", work.c_str(), ours / 1e6, theirs / 1e6,
                  theirs > 0 ? ours / theirs : 0.0);
    }
    std::printf("(ratio: tessec / reference: OpenSSL, or std::mt19937 for the mt19937 rows)\n");
  }

 private:
  double Rate(const std::string& name) const {
    auto best = best_.find(name);
    if (best != best_.end()) return best->second;
    auto it = rates_.find(name);
    return it == rates_.end() ? 0.0 : it->second;
  }

  std::map<std::string, double> rates_;
  std::map<std::string, double> best_;
};

std::string ExtensionNames(unsigned features) {
  static const struct {
    unsigned bit;
    const char* name;
  } kNames[] = {{tessec_detail::kCpuSse2, "sse2"},   {tessec_detail::kCpuSsse3, "ssse3"},
                {tessec_detail::kCpuSse41, "sse41"}, {tessec_detail::kCpuAesNi, "aesni"},
                {tessec_detail::kCpuShaNi, "shani"}, {tessec_detail::kCpuBmi2, "bmi2"},
                {tessec_detail::kCpuAvx2, "avx2"}};
  std::string names;
  for (const auto& n : kNames) {
    if (features & n.bit) names += std::string(" ") + n.name;
  }
  return names.empty() ? " none" : names;
}

}  // namespace

int main(int argc, char** argv) {
  const char* cap = std::getenv("OPENSSL_ia32cap");
  std::printf("OpenSSL %s, OPENSSL_ia32cap=%s\n", OpenSSL_version(OPENSSL_VERSION),
              cap ? cap : "(unset: all CPU features)");
  const char* allowed = std::getenv("TESSEC_CPU");
  std::printf("TESSEC_CPU=%s, extensions in use:%s\n", allowed ? allowed : "(unset: all)",
              ExtensionNames(tessec_detail::CpuFeatures()).c_str());
  RegisterAll();
  // The machine may be busy with other work: by default every benchmark runs five times, in
  // random order among the others, and the summary takes the best round. Arguments given on the
  // command line come later and override these.
  std::vector<char*> args(argv, argv + argc);
  char repetitions[] = "--benchmark_repetitions=5";
  char interleave[] = "--benchmark_enable_random_interleaving=true";
  char aggregates[] = "--benchmark_display_aggregates_only=true";
  args.insert(args.begin() + 1, {repetitions, interleave, aggregates});
  int count = static_cast<int>(args.size());
  benchmark::Initialize(&count, args.data());
  argc = count;
  argv = args.data();
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  SummaryReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.PrintSummary();
  benchmark::Shutdown();
  return 0;
}

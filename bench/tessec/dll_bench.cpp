// Throughput of the library through its public interface alone, with nothing but the standard
// library: built as a Windows program against the real tessec.dll (run under Wine) and as a
// native 32-bit program, so that bench/tessec/run_dll_bench.sh can show that the shipped DLL
// runs as fast as the native build whose figures stand in the goal tables.
//
// Prints one line per work: "<work> <MB/s>", the best of several rounds.
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <vector>

#include "tessec/tessec.h"

using namespace public_crypt;

namespace {

const unsigned kSize = 64 * 1024;

std::vector<unsigned char> Data(size_t n) {
  std::vector<unsigned char> v(n);
  uint32_t x = 12345;
  for (auto& b : v) {
    x = x * 1103515245u + 12345u;
    b = static_cast<unsigned char>(x >> 16);
  }
  return v;
}

// MB/s of `bytes` per call: the fastest of many short rounds of about 20 ms, within about half
// a second, so that a busy machine costs rounds rather than accuracy.
double Rate(const std::function<void()>& work, double bytes) {
  using Clock = std::chrono::steady_clock;
  double best = 0;
  const Clock::time_point end = Clock::now() + std::chrono::milliseconds(500);
  while (Clock::now() < end) {
    const Clock::time_point start = Clock::now();
    int calls = 0;
    do {
      work();
      ++calls;
    } while (Clock::now() - start < std::chrono::milliseconds(20));
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    best = std::max(best, calls * bytes / seconds / 1e6);
  }
  return best;
}

void Report(const char* work, double rate) { std::printf("%-16s %8.0f\n", work, rate); }

void Digest(const char* name, CHash& hash, std::vector<unsigned char>& data) {
  unsigned char out[64];
  Report(name, Rate(
                   [&] {
                     hash.Init();
                     hash.Update(data.data(), kSize);
                     hash.Final(out);
                   },
                   kSize));
}

void Cipher(const char* name, int keyLength, int mode, bool decrypt,
            const std::vector<unsigned char>& in, std::vector<unsigned char>& out) {
  const std::vector<unsigned char> key = Data(32);
  CRijndael c(reinterpret_cast<const char*>(key.data()), CRijndael::sm_chain0, mode, keyLength, 16);
  const char* src = reinterpret_cast<const char*>(in.data());
  char* dst = reinterpret_cast<char*>(out.data());
  Report(name, Rate(
                   [&] {
                     if (decrypt) {
                       c.DecryptBlockN(src, dst, kSize);
                     } else {
                       c.EncryptBlockN(src, dst, kSize);
                     }
                   },
                   kSize));
}

}  // namespace

int main() {
  std::vector<unsigned char> data = Data(kSize), out(kSize + 4);
  CMD5 md5;
  CSHA1 sha1;
  CSHA256 sha256;
  CSHA512 sha512;
  Digest("md5", md5, data);
  Digest("sha1", sha1, data);
  Digest("sha256", sha256, data);
  Digest("sha512", sha512, data);
  Cipher("aes128-ecb-enc", 16, CRijndael::ECB, false, data, out);
  Cipher("aes128-ecb-dec", 16, CRijndael::ECB, true, data, out);
  Cipher("aes128-cbc-enc", 16, CRijndael::CBC, false, data, out);
  Cipher("aes128-cbc-dec", 16, CRijndael::CBC, true, data, out);
  Cipher("aes256-cfb-enc", 32, CRijndael::CFB, false, data, out);
  Cipher("aes256-cfb-dec", 32, CRijndael::CFB, true, data, out);

  CBase64 base64;
  std::vector<unsigned char> text(base64.GetNeedLen(kSize, 1));
  unsigned textLen = static_cast<unsigned>(text.size());
  base64.Encode(data.data(), kSize, text.data(), &textLen);
  Report("base64-encode", Rate(
                              [&] {
                                unsigned len = static_cast<unsigned>(text.size());
                                base64.Encode(data.data(), kSize, text.data(), &len);
                              },
                              kSize));
  Report("base64-decode", Rate(
                              [&] {
                                unsigned len = kSize + 4;
                                base64.Decode(text.data(), textLen, out.data(), &len);
                              },
                              kSize));

  CRaknetRand raknet;
  CRand& rand = raknet;
  rand.Seed(5489);
  Report("mt19937-int", Rate(
                            [&] {
                              unsigned sum = 0;
                              for (int i = 0; i < 4096; ++i) sum += rand.RandomInt();
                              data[0] = static_cast<unsigned char>(sum);
                            },
                            4096 * 4));
  return 0;
}

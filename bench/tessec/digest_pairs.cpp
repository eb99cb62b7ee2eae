// tessec's digests against OpenSSL's, measured in turns: one 64 KiB message with tessec, then the
// same with OpenSSL, then the next digest, and so on for a few thousand turns; each side's
// fastest turn counts. Where
// the two run within a few percent of each other, this settles the ratio better than whole
// benchmarks one after the other: a busy moment on a shared machine hits both sides alike.
//   digest_pairs [turns]   (profiles as for bench_tessec: TESSEC_CPU and OPENSSL_ia32cap)
#include <openssl/evp.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <vector>

#include "tessec/tessec.h"

using namespace public_crypt;

namespace {

double Seconds(const std::function<void()>& work) {
  const auto start = std::chrono::steady_clock::now();
  work();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

template <class H>
std::function<void()> Tessec(std::vector<unsigned char>& message) {
  return [&message] {
    H h;
    unsigned char out[64];
    h.Init();
    h.Update(message.data(), static_cast<unsigned int>(message.size()));
    h.Final(out);
  };
}

std::function<void()> OpenSsl(std::vector<unsigned char>& message, const EVP_MD* md) {
  return [&message, md] {
    unsigned char out[EVP_MAX_MD_SIZE];
    unsigned int len = 0;
    EVP_Digest(message.data(), message.size(), out, &len, md, nullptr);
  };
}

}  // namespace

int main(int argc, char** argv) {
  const int turns = argc > 1 ? std::atoi(argv[1]) : 5000;
  std::vector<unsigned char> message(64 * 1024);
  for (size_t i = 0; i < message.size(); ++i) message[i] = static_cast<unsigned char>(i * 131 + 7);
  struct Pair {
    const char* work;
    std::function<void()> tessec, reference;
  } pairs[] = {
      {"md5", Tessec<CMD5>(message), OpenSsl(message, EVP_md5())},
      {"sha1", Tessec<CSHA1>(message), OpenSsl(message, EVP_sha1())},
      {"sha256", Tessec<CSHA256>(message), OpenSsl(message, EVP_sha256())},
      {"sha384", Tessec<CSHA384>(message), OpenSsl(message, EVP_sha384())},
      {"sha512", Tessec<CSHA512>(message), OpenSsl(message, EVP_sha512())},
  };
  // The turns of all digests are spread over the whole run, so that a busy stretch of the
  // machine falls on every digest alike.
  const size_t n = sizeof(pairs) / sizeof(pairs[0]);
  std::vector<double> tessec(n, 1e9), reference(n, 1e9);
  for (int i = 0; i < turns; ++i) {
    for (size_t j = 0; j < n; ++j) {
      tessec[j] = std::min(tessec[j], Seconds(pairs[j].tessec));
      reference[j] = std::min(reference[j], Seconds(pairs[j].reference));
    }
  }
  std::printf("%-8s %10s %10s %7s  (MB/s, fastest of %d turns each)\n", "work", "tessec", "openssl",
              "ratio", turns);
  const double mb = message.size() / 1e6;
  for (size_t j = 0; j < n; ++j) {
    std::printf("%-8s %10.0f %10.0f %7.3f\n", pairs[j].work, mb / tessec[j], mb / reference[j],
                reference[j] / tessec[j]);
  }
}

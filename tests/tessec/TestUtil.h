// Small helpers shared by the tessec tests: byte strings, hex, deterministic random data.
#pragma once

#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace tessec_test {

using Bytes = std::vector<unsigned char>;

inline Bytes FromHex(const std::string& hex) {
  Bytes out;
  auto value = [](char c) -> int {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return c - 'A' + 10;
  };
  for (size_t i = 0; i + 1 < hex.size(); i += 2) {
    out.push_back(static_cast<unsigned char>(value(hex[i]) * 16 + value(hex[i + 1])));
  }
  return out;
}

inline std::string ToHex(const unsigned char* p, size_t n) {
  static const char digits[] = "0123456789abcdef";
  std::string s;
  for (size_t i = 0; i < n; ++i) {
    s += digits[p[i] >> 4];
    s += digits[p[i] & 15];
  }
  return s;
}
inline std::string ToHex(const Bytes& b) { return ToHex(b.data(), b.size()); }

inline Bytes FromString(const std::string& s) { return Bytes(s.begin(), s.end()); }

// Deterministic pseudo-random data for the randomised checks (seeded per test, so a failure
// reproduces).
class Random {
 public:
  explicit Random(uint32_t seed) : engine_(seed) {}
  uint32_t Next() { return static_cast<uint32_t>(engine_()); }
  // Uniform in [0, n).
  size_t Below(size_t n) { return n ? static_cast<size_t>(engine_() % n) : 0; }
  Bytes RandomBytes(size_t n) {
    Bytes b(n);
    for (auto& x : b) x = static_cast<unsigned char>(engine_());
    return b;
  }

 private:
  std::mt19937_64 engine_;
};

}  // namespace tessec_test

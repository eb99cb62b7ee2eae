// CBase64 and CHex over arbitrary text and capacities. The output area is allocated with
// exactly the capacity given, so any write past it is caught by AddressSanitizer. Besides
// memory safety it checks the result codes, the produced lengths, agreement of Base64 decoding
// with a character-by-character reference, and that re-encoding decoded bytes round-trips.
//
// Input: byte 0 chooses the codec and the hex case, bytes 1-2 the capacity, the rest is text.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "tessec/BaseN.h"

using public_crypt::CBase64;
using public_crypt::CBaseN;
using public_crypt::CHex;

namespace {

void Check(bool ok) {
  if (!ok) std::abort();
}

// Base64 decoding as documented: returns the code and fills `out` (written bytes) and `len`.
int ReferenceBase64(const unsigned char* src, size_t n, size_t capacity,
                    std::vector<unsigned char>* out) {
  static const char alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  uint32_t acc = 0;
  int count = 0;
  long long perGroup = 3;
  for (size_t i = 0; i < n; ++i) {
    const unsigned char c = src[i];
    const char* hit = c ? std::strchr(alphabet, c) : nullptr;
    if (c == '=') {
      acc <<= 6;
      --perGroup;
    } else if (hit) {
      acc = (acc << 6) | static_cast<uint32_t>(hit - alphabet);
    } else {
      continue;
    }
    if (++count < 4) continue;
    const size_t yield = 1 + (perGroup >= 2) + (perGroup >= 3);
    if (out->size() + yield > capacity) return 6;
    out->push_back(static_cast<unsigned char>(acc >> 16));
    if (yield >= 2) out->push_back(static_cast<unsigned char>(acc >> 8));
    if (yield == 3) out->push_back(static_cast<unsigned char>(acc));
    acc = 0;
    count = 0;
  }
  return count ? 7 : 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 3) return 0;
  const bool base64 = (data[0] & 1) == 0;
  const unsigned int capacity = data[1] | (unsigned(data[2]) << 8);
  const unsigned char* text = data + 3;
  const unsigned int n = static_cast<unsigned int>(size - 3);

  CBase64 b64;
  CHex hex;
  hex.SetUpperCase(data[0] & 2);
  CBaseN& codec = base64 ? static_cast<CBaseN&>(b64) : static_cast<CBaseN&>(hex);

  // Decode into exactly `capacity` bytes.
  std::unique_ptr<unsigned char[]> out(new unsigned char[capacity ? capacity : 1]);
  std::memset(out.get(), 0xA5, capacity ? capacity : 1);
  unsigned int len = capacity;
  const int rc = codec.Decode(text, n, out.get(), &len);
  Check(rc == 0 || rc == 6 || rc == 7);
  if (rc == 0) Check(len <= capacity);
  if (base64) {
    std::vector<unsigned char> want;
    const int wantRc = ReferenceBase64(text, n, capacity, &want);
    Check(rc == wantRc);
    if (rc == 0) Check(len == want.size());
    if (rc != 0) Check(len == capacity);  // unchanged on failure
    Check(want.empty() || std::memcmp(out.get(), want.data(), want.size()) == 0);
  } else {
    if (rc == 0) Check(len == n / 2 && n % 2 == 0);
    if (rc == 6) Check(2ull * capacity < n && len == capacity);
    if (rc == 7) Check(len == 0);
  }

  // Whatever decoded re-encodes and decodes back to the same bytes.
  if (rc == 0) {
    const unsigned int need = codec.GetNeedLen(len, 1);
    std::unique_ptr<unsigned char[]> enc(new unsigned char[need ? need : 1]);
    unsigned int encLen = need;
    Check(codec.Encode(out.get(), len, enc.get(), &encLen) == 0);
    std::unique_ptr<unsigned char[]> back(new unsigned char[len ? len : 1]);
    unsigned int backLen = len;
    Check(codec.Decode(enc.get(), encLen, back.get(), &backLen) == 0);
    Check(backLen == len && std::memcmp(back.get(), out.get(), len) == 0);
  }

  // Encode the raw input into exactly `capacity` bytes.
  std::unique_ptr<unsigned char[]> enc(new unsigned char[capacity ? capacity : 1]);
  unsigned int encLen = capacity;
  const int encRc = codec.Encode(text, n, enc.get(), &encLen);
  const unsigned long long need = base64 ? (n + 2ull) / 3 * 4 + 1 : 2ull * n;
  Check(encRc == (capacity < need ? 6 : 0));
  if (encRc == 0) Check(encLen == (base64 ? need - 1 : need));
  return 0;
}

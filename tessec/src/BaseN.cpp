// Base64 and hex codecs.
//
// Capacity checks are made in 64-bit arithmetic: with 32-bit lengths near 4 GiB the products
// and sums would wrap and let a write pass the caller's capacity. GetNeedLen keeps its
// documented 32-bit wrapping results.
#include "tessec/BaseN.h"

#include <cstdint>
#include <cstring>

#include "TableMacros.h"

namespace public_crypt {

namespace {

const unsigned char kPad = 254;
const unsigned char kSkip = 255;

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

constexpr unsigned char DecodeEntry(int c) {
  return c >= 'A' && c <= 'Z'   ? static_cast<unsigned char>(c - 'A')
         : c >= 'a' && c <= 'z' ? static_cast<unsigned char>(c - 'a' + 26)
         : c >= '0' && c <= '9' ? static_cast<unsigned char>(c - '0' + 52)
         : c == '+'             ? 62
         : c == '/'             ? 63
         : c == '='             ? kPad
                                : kSkip;
}

// The fast decoding path looks up four characters at once: each table holds the character's
// six bits already in place within the 24-bit group, or kBad for anything that is not an
// alphabet character (pad and skip bytes go through the character-by-character path).
const uint32_t kBad = 0x80000000u;
constexpr uint32_t Shifted(int c, int shift) {
  return DecodeEntry(c) < 64 ? uint32_t(DecodeEntry(c)) << shift : kBad;
}
constexpr uint32_t Shift18(int c) { return Shifted(c, 18); }
constexpr uint32_t Shift12(int c) { return Shifted(c, 12); }
constexpr uint32_t Shift6(int c) { return Shifted(c, 6); }
constexpr uint32_t Shift0(int c) { return Shifted(c, 0); }
const uint32_t kDec18[256] = {TESSEC_TABLE256(Shift18)};
const uint32_t kDec12[256] = {TESSEC_TABLE256(Shift12)};
const uint32_t kDec6[256] = {TESSEC_TABLE256(Shift6)};
const uint32_t kDec0[256] = {TESSEC_TABLE256(Shift0)};

// Encoding takes twelve bits at a time: the two characters for every 12-bit value.
struct CharPairs {
  char pair[4096][2];
};
constexpr CharPairs MakeBase64Pairs() {
  CharPairs t{};
  for (int v = 0; v < 4096; ++v) {
    t.pair[v][0] = kAlphabet[v >> 6];
    t.pair[v][1] = kAlphabet[v & 63];
  }
  return t;
}
constexpr CharPairs kBase64Pairs = MakeBase64Pairs();

inline void EncodeGroup(uint32_t v, unsigned char* out) {
  std::memcpy(out, kBase64Pairs.pair[v >> 12], 2);
  std::memcpy(out + 2, kBase64Pairs.pair[v & 0xFFF], 2);
}

inline uint32_t Group(const unsigned char* p) {
  return (uint32_t(p[0]) << 16) | (uint32_t(p[1]) << 8) | p[2];
}

inline void WriteGroup(uint32_t v, unsigned char* out) {
  out[0] = static_cast<unsigned char>(v >> 16);
  out[1] = static_cast<unsigned char>(v >> 8);
  out[2] = static_cast<unsigned char>(v);
}

// Hex: digit value of every byte, or 0xFF.
constexpr unsigned char HexValue(int c) {
  return c >= '0' && c <= '9'   ? static_cast<unsigned char>(c - '0')
         : c >= 'a' && c <= 'f' ? static_cast<unsigned char>(c - 'a' + 10)
         : c >= 'A' && c <= 'F' ? static_cast<unsigned char>(c - 'A' + 10)
                                : 0xFF;
}
const unsigned char kHexValue[256] = {TESSEC_TABLE256(HexValue)};

struct HexPairs {
  char pair[256][2];
};
constexpr HexPairs MakeHexPairs(const char* digits) {
  HexPairs t{};
  for (int b = 0; b < 256; ++b) {
    t.pair[b][0] = digits[b >> 4];
    t.pair[b][1] = digits[b & 15];
  }
  return t;
}
constexpr char kUpper[] = "0123456789ABCDEF";
constexpr char kLower[] = "0123456789abcdef";
constexpr HexPairs kUpperPairs = MakeHexPairs(kUpper);
constexpr HexPairs kLowerPairs = MakeHexPairs(kLower);

}  // namespace

// ---- CBaseN -------------------------------------------------------------------------------

CBaseN::CBaseN() = default;
CBaseN::CBaseN(const CBaseN&) = default;
CBaseN& CBaseN::operator=(const CBaseN&) = default;
CBaseN::~CBaseN() = default;

// ---- CBase64 ------------------------------------------------------------------------------

const char CBase64::sm_alphabet[65] =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
const unsigned char CBase64::sm_decode[256] = {TESSEC_TABLE256(DecodeEntry)};

CBase64::CBase64() = default;
CBase64::CBase64(const CBase64& other) = default;
CBase64& CBase64::operator=(const CBase64& other) = default;
CBase64::~CBase64() = default;

unsigned int CBase64::GetNeedLen(unsigned int len, unsigned char encode) {
  if (encode) return (len + 2u) / 3u * 4u + 1u;
  return 4u * len / 3u - 1u;
}

int CBase64::Encode(const unsigned char* src, unsigned int srcLen, unsigned char* dst,
                    unsigned int* dstLen) {
  if (!src || !dst || !dstLen) return -1;
  const uint64_t need = (uint64_t(srcLen) + 2) / 3 * 4 + 1;
  if (*dstLen < need) return 6;

  const unsigned char* in = src;
  unsigned char* out = dst;
  size_t groups = srcLen / 3;
  for (; groups >= 4; groups -= 4, in += 12, out += 16) {
    EncodeGroup(Group(in), out);
    EncodeGroup(Group(in + 3), out + 4);
    EncodeGroup(Group(in + 6), out + 8);
    EncodeGroup(Group(in + 9), out + 12);
  }
  for (; groups > 0; --groups, in += 3, out += 4) EncodeGroup(Group(in), out);

  switch (srcLen % 3) {
    case 1:
      out[0] = static_cast<unsigned char>(sm_alphabet[in[0] >> 2]);
      out[1] = static_cast<unsigned char>(sm_alphabet[(in[0] & 3) << 4]);
      out[2] = '=';
      out[3] = '=';
      out += 4;
      break;
    case 2:
      out[0] = static_cast<unsigned char>(sm_alphabet[in[0] >> 2]);
      out[1] = static_cast<unsigned char>(sm_alphabet[((in[0] & 3) << 4) | (in[1] >> 4)]);
      out[2] = static_cast<unsigned char>(sm_alphabet[(in[1] & 15) << 2]);
      out[3] = '=';
      out += 4;
      break;
    default:
      break;
  }
  *out = 0;
  *dstLen = static_cast<unsigned int>(out - dst);
  return 0;
}

int CBase64::Decode(const unsigned char* src, unsigned int srcLen, unsigned char* dst,
                    unsigned int* dstLen) {
  if (!src || !dst || !dstLen) return -1;
  const size_t capacity = *dstLen;
  size_t pos = 0;
  size_t i = 0;
  uint32_t acc = 0;
  int count = 0;
  // Bytes that a complete group yields: every '=' lowers it for the rest of the call. It
  // stops at 0, below which a group still yields its first byte, so nothing changes.
  int perGroup = 3;

  while (i < srcLen) {
    if (count == 0 && perGroup == 3) {
      // Whole groups of four alphabet characters, as long as they come.
      while (srcLen - i >= 16 && capacity - pos >= 12) {
        const unsigned char* s = src + i;
        const uint32_t v0 = kDec18[s[0]] | kDec12[s[1]] | kDec6[s[2]] | kDec0[s[3]];
        const uint32_t v1 = kDec18[s[4]] | kDec12[s[5]] | kDec6[s[6]] | kDec0[s[7]];
        const uint32_t v2 = kDec18[s[8]] | kDec12[s[9]] | kDec6[s[10]] | kDec0[s[11]];
        const uint32_t v3 = kDec18[s[12]] | kDec12[s[13]] | kDec6[s[14]] | kDec0[s[15]];
        if ((v0 | v1 | v2 | v3) & kBad) break;
        WriteGroup(v0, dst + pos);
        WriteGroup(v1, dst + pos + 3);
        WriteGroup(v2, dst + pos + 6);
        WriteGroup(v3, dst + pos + 9);
        pos += 12;
        i += 16;
      }
      while (srcLen - i >= 4 && capacity - pos >= 3) {
        const unsigned char* s = src + i;
        const uint32_t v = kDec18[s[0]] | kDec12[s[1]] | kDec6[s[2]] | kDec0[s[3]];
        if (v & kBad) break;
        WriteGroup(v, dst + pos);
        pos += 3;
        i += 4;
      }
      if (i >= srcLen) break;
    }

    // One character at a time: skip bytes, pad characters, groups split by either, and the
    // capacity test of a group that may not fit.
    const unsigned char value = sm_decode[src[i++]];
    if (value == kSkip) continue;
    if (value == kPad) {
      acc <<= 6;
      if (perGroup > 0) --perGroup;
    } else {
      acc = (acc << 6) | value;
    }
    if (++count < 4) continue;

    const size_t yield = 1 + (perGroup >= 2 ? 1 : 0) + (perGroup >= 3 ? 1 : 0);
    if (yield > capacity - pos) return 6;
    dst[pos++] = static_cast<unsigned char>(acc >> 16);
    if (yield >= 2) dst[pos++] = static_cast<unsigned char>(acc >> 8);
    if (yield == 3) dst[pos++] = static_cast<unsigned char>(acc);
    acc = 0;
    count = 0;
  }

  if (count != 0) return 7;
  *dstLen = static_cast<unsigned int>(pos);
  return 0;
}

// ---- CHex ---------------------------------------------------------------------------------

const char CHex::sm_upperDigits[17] = "0123456789ABCDEF";
const char CHex::sm_lowerDigits[17] = "0123456789abcdef";

CHex::CHex() : m_digits(sm_upperDigits) {}
CHex::CHex(const CHex& other) = default;
CHex& CHex::operator=(const CHex& other) = default;
CHex::~CHex() = default;

void CHex::SetUpperCase(unsigned char upper) { m_digits = upper ? sm_upperDigits : sm_lowerDigits; }

unsigned int CHex::GetNeedLen(unsigned int len, unsigned char encode) {
  return encode ? 2u * len : len / 2u;
}

int CHex::Encode(const unsigned char* src, unsigned int srcLen, unsigned char* dst,
                 unsigned int* dstLen) {
  if (!src || !dst || !dstLen) return -1;
  const uint64_t need = uint64_t(srcLen) * 2;
  if (*dstLen < need) return 6;

  if (m_digits == sm_upperDigits || m_digits == sm_lowerDigits) {
    const HexPairs& pairs = m_digits == sm_upperDigits ? kUpperPairs : kLowerPairs;
    for (size_t i = 0; i < srcLen; ++i) std::memcpy(dst + 2 * i, pairs.pair[src[i]], 2);
  } else {
    for (size_t i = 0; i < srcLen; ++i) {
      dst[2 * i] = static_cast<unsigned char>(m_digits[src[i] >> 4]);
      dst[2 * i + 1] = static_cast<unsigned char>(m_digits[src[i] & 15]);
    }
  }
  *dstLen = static_cast<unsigned int>(need);
  return 0;
}

int CHex::Decode(const unsigned char* src, unsigned int srcLen, unsigned char* dst,
                 unsigned int* dstLen) {
  if (!src || !dst || !dstLen) return -1;
  if (uint64_t(*dstLen) * 2 < srcLen) return 6;

  const size_t pairs = srcLen / 2;
  for (size_t i = 0; i < pairs; ++i) {
    const unsigned hi = kHexValue[src[2 * i]];
    const unsigned lo = kHexValue[src[2 * i + 1]];
    if ((hi | lo) > 15) {
      *dstLen = 0;
      return 7;
    }
    dst[i] = static_cast<unsigned char>((hi << 4) | lo);
  }
  if (srcLen % 2) {
    // The lone last character is never read: an odd length is undecodable as it stands.
    *dstLen = 0;
    return 7;
  }
  *dstLen = static_cast<unsigned int>(pairs);
  return 0;
}

}  // namespace public_crypt

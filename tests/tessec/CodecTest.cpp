// Base64 and hex codecs: published examples, the documented edge cases, and randomised
// comparison with plain reference decoders written here character by character.
#include <gtest/gtest.h>

#include <cctype>
#include <cstring>
#include <string>

#include "TestUtil.h"
#include "tessec/BaseN.h"

using public_crypt::CBase64;
using public_crypt::CBaseN;
using public_crypt::CHex;
using tessec_test::Bytes;
using tessec_test::FromString;
using tessec_test::Random;

namespace {

const unsigned char kGuard = 0xA5;

struct CodecResult {
  int rc;
  unsigned int len;
  Bytes out;  // the whole output area, guard bytes included
};

// Runs Encode or Decode into an area of `capacity` bytes followed by guard bytes, so that a
// write past the capacity shows.
CodecResult RunCodec(CBaseN& codec, bool encode, const Bytes& src, unsigned int capacity,
                     unsigned int initialLen) {
  CodecResult r;
  r.out.assign(capacity + 16, kGuard);
  r.len = initialLen;
  static const unsigned char empty = 0;
  const unsigned char* in = src.empty() ? &empty : src.data();
  r.rc = encode ? codec.Encode(in, static_cast<unsigned int>(src.size()), r.out.data(), &r.len)
                : codec.Decode(in, static_cast<unsigned int>(src.size()), r.out.data(), &r.len);
  return r;
}
CodecResult RunCodec(CBaseN& codec, bool encode, const Bytes& src, unsigned int capacity) {
  return RunCodec(codec, encode, src, capacity, capacity);
}

void ExpectGuardIntact(const CodecResult& r, unsigned int capacity) {
  for (size_t i = capacity; i < r.out.size(); ++i) ASSERT_EQ(r.out[i], kGuard) << "byte " << i;
}

std::string Text(const CodecResult& r) { return std::string(r.out.begin(), r.out.begin() + r.len); }

// Base64 decoding as documented, one character at a time.
CodecResult ReferenceBase64Decode(const Bytes& src, unsigned int capacity) {
  static const std::string alphabet =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  CodecResult r;
  r.out.assign(capacity + 16, kGuard);
  r.len = capacity;
  size_t pos = 0;
  uint32_t acc = 0;
  int count = 0;
  long long perGroup = 3;
  for (unsigned char c : src) {
    const size_t v = alphabet.find(static_cast<char>(c));
    if (c == '=') {
      acc <<= 6;
      --perGroup;
    } else if (v != std::string::npos && c != 0) {
      acc = (acc << 6) | static_cast<uint32_t>(v);
    } else {
      continue;
    }
    if (++count < 4) continue;
    const size_t yield = 1 + (perGroup >= 2) + (perGroup >= 3);
    if (pos + yield > capacity) {
      r.rc = 6;
      return r;
    }
    r.out[pos++] = static_cast<unsigned char>(acc >> 16);
    if (yield >= 2) r.out[pos++] = static_cast<unsigned char>(acc >> 8);
    if (yield == 3) r.out[pos++] = static_cast<unsigned char>(acc);
    acc = 0;
    count = 0;
  }
  if (count) {
    r.rc = 7;
    return r;
  }
  r.rc = 0;
  r.len = static_cast<unsigned int>(pos);
  return r;
}

// ---- Base64 -------------------------------------------------------------------------------

TEST(Base64, PublishedExamplesRoundTrip) {
  const char* cases[][2] = {{"", ""},
                            {"f", "Zg=="},
                            {"fo", "Zm8="},
                            {"foo", "Zm9v"},
                            {"foob", "Zm9vYg=="},
                            {"fooba", "Zm9vYmE="},
                            {"foobar", "Zm9vYmFy"}};
  CBase64 b64;
  for (auto& c : cases) {
    const Bytes plain = FromString(c[0]);
    const unsigned int need = b64.GetNeedLen(static_cast<unsigned int>(plain.size()), 1);
    CodecResult enc = RunCodec(b64, true, plain, need);
    ASSERT_EQ(enc.rc, 0) << c[0];
    EXPECT_EQ(Text(enc), c[1]);
    EXPECT_EQ(enc.out[enc.len], 0) << "terminating zero";
    ExpectGuardIntact(enc, need);

    CodecResult dec = RunCodec(b64, false, FromString(c[1]), 16);
    ASSERT_EQ(dec.rc, 0) << c[1];
    EXPECT_EQ(Text(dec), c[0]);
  }
}

TEST(Base64, EncodeCapacityIsCheckedBeforeWriting) {
  CBase64 b64;
  // Empty input: capacity 1 holds the zero byte, capacity 0 does not.
  CodecResult r = RunCodec(b64, true, Bytes(), 1);
  EXPECT_EQ(r.rc, 0);
  EXPECT_EQ(r.len, 0u);
  EXPECT_EQ(r.out[0], 0);
  r = RunCodec(b64, true, Bytes(), 0);
  EXPECT_EQ(r.rc, 6);
  EXPECT_EQ(r.len, 0u);

  // One short of room for the zero byte: nothing written, *dstLen unchanged.
  for (unsigned int n : {1u, 2u, 3u, 4u, 5u, 6u, 47u, 48u}) {
    const Bytes src(n, 'x');
    const unsigned int exact = (n + 2) / 3 * 4;
    r = RunCodec(b64, true, src, exact);
    EXPECT_EQ(r.rc, 6) << n;
    EXPECT_EQ(r.len, exact);
    for (unsigned char b : r.out) ASSERT_EQ(b, kGuard);
    r = RunCodec(b64, true, src, exact + 1);
    EXPECT_EQ(r.rc, 0) << n;
    EXPECT_EQ(r.len, exact);
  }
}

TEST(Base64, NullPointersAreRejectedFirst) {
  CBase64 b64;
  unsigned char buf[8];
  unsigned int len = sizeof(buf);
  const unsigned char src[1] = {0};
  EXPECT_EQ(b64.Encode(nullptr, 0, buf, &len), -1);
  EXPECT_EQ(b64.Encode(src, 0, nullptr, &len), -1);
  EXPECT_EQ(b64.Encode(src, 0, buf, nullptr), -1);
  EXPECT_EQ(b64.Decode(nullptr, 0, buf, &len), -1);
  EXPECT_EQ(b64.Decode(src, 0, nullptr, &len), -1);
  EXPECT_EQ(b64.Decode(src, 0, buf, nullptr), -1);
  EXPECT_EQ(len, sizeof(buf));
}

TEST(Base64, GetNeedLenKeepsItsWrappingArithmetic) {
  CBase64 b64;
  EXPECT_EQ(b64.GetNeedLen(0, 0), 4294967295u);
  EXPECT_EQ(b64.GetNeedLen(1, 0), 0u);
  EXPECT_EQ(b64.GetNeedLen(2, 0), 1u);  // 8 / 3 - 1
  EXPECT_EQ(b64.GetNeedLen(4, 0), 4u);
  EXPECT_EQ(b64.GetNeedLen(4, 1), 9u);
  EXPECT_EQ(b64.GetNeedLen(0, 1), 1u);
  EXPECT_EQ(b64.GetNeedLen(3, 7), 5u);
  EXPECT_EQ(b64.GetNeedLen(0xFFFFFFFFu, 1), 1u);  // (2^32 + 1) / 3 wraps to 1 / 3
}

TEST(Base64, HugeLengthsNeverPassTheCapacityTest) {
  // A length near 4 GiB makes the 32-bit figure wrap to a tiny one; the codec must refuse
  // without touching the (small) buffers.
  CBase64 b64;
  unsigned char src[4] = {1, 2, 3, 4};
  unsigned char dst[16];
  for (unsigned int n : {0xFFFFFFFFu, 0xFFFFFFFEu, 0xFFFFFFFDu, 0xC0000000u}) {
    unsigned int cap = sizeof(dst);
    EXPECT_EQ(b64.Encode(src, n, dst, &cap), 6) << n;
    EXPECT_EQ(cap, sizeof(dst));
  }
}

TEST(Base64, DecodeSkipsBytesOutsideTheAlphabet) {
  CBase64 b64;
  const std::string clean = "SGVsbG8sIHdvcmxkIQ==";
  const std::string noisy = " SGVs\r\nbG8s\tIHdv*cm\x01xk!IQ= =\n\xff";
  CodecResult a = RunCodec(b64, false, FromString(clean), 32);
  CodecResult b = RunCodec(b64, false, FromString(noisy), 32);
  ASSERT_EQ(a.rc, 0);
  ASSERT_EQ(b.rc, 0);
  EXPECT_EQ(Text(a), "Hello, world!");
  EXPECT_EQ(Text(b), "Hello, world!");
  // Nothing but skipped bytes: an empty result.
  CodecResult c = RunCodec(b64, false, FromString(" \r\n-_.~"), 4);
  EXPECT_EQ(c.rc, 0);
  EXPECT_EQ(c.len, 0u);
}

TEST(Base64, IncompleteGroupsAndPadCarryOver) {
  CBase64 b64;
  CodecResult r = RunCodec(b64, false, FromString("QQ"), 8);
  EXPECT_EQ(r.rc, 7);
  EXPECT_EQ(r.len, 8u);  // unchanged
  r = RunCodec(b64, false, FromString("QUJDRA"), 8);
  EXPECT_EQ(r.rc, 7);
  r = RunCodec(b64, false, FromString("QQ=="), 8);
  ASSERT_EQ(r.rc, 0);
  EXPECT_EQ(Text(r), "A");
  // The pad count carries over: the second group yields one byte as well.
  r = RunCodec(b64, false, FromString("QQ==QUJD"), 8);
  ASSERT_EQ(r.rc, 0);
  EXPECT_EQ(Text(r), "AA");
  // Pad characters count as characters of value 0, and a group never yields less than one
  // byte: "QQ==" "====" "QUJD".
  r = RunCodec(b64, false, FromString("QQ======QUJD"), 8);
  ASSERT_EQ(r.rc, 0);
  ASSERT_EQ(r.len, 3u);
  EXPECT_EQ(r.out[0], 'A');
  EXPECT_EQ(r.out[1], 0);
  EXPECT_EQ(r.out[2], 'A');
  EXPECT_EQ(RunCodec(b64, false, FromString("QQ========QUJD"), 8).rc, 7);
}

TEST(Base64, DecodeChecksCapacityGroupByGroup) {
  CBase64 b64;
  // Two groups of three bytes into four: the first group stays written.
  CodecResult r = RunCodec(b64, false, FromString("QUJDREVG"), 4);
  EXPECT_EQ(r.rc, 6);
  EXPECT_EQ(r.len, 4u);
  EXPECT_EQ(std::string(r.out.begin(), r.out.begin() + 3), "ABC");
  ExpectGuardIntact(r, 4);
  // Exactly enough room.
  r = RunCodec(b64, false, FromString("QUJDREVG"), 6);
  EXPECT_EQ(r.rc, 0);
  EXPECT_EQ(Text(r), "ABCDEF");
  // A final group of one byte fits in the last byte.
  r = RunCodec(b64, false, FromString("QUJDRA=="), 4);
  EXPECT_EQ(r.rc, 0);
  EXPECT_EQ(Text(r), "ABCD");
}

TEST(Base64, RandomRoundTripsAndNoisyTextMatchTheReference) {
  Random rng(1234);
  CBase64 b64;
  for (int iter = 0; iter < 600; ++iter) {
    const Bytes plain = rng.RandomBytes(rng.Below(200));
    const unsigned int need = b64.GetNeedLen(static_cast<unsigned int>(plain.size()), 1);
    CodecResult enc = RunCodec(b64, true, plain, need + static_cast<unsigned int>(rng.Below(3)));
    ASSERT_EQ(enc.rc, 0);
    Bytes text(enc.out.begin(), enc.out.begin() + enc.len);

    CodecResult dec = RunCodec(b64, false, text, static_cast<unsigned int>(plain.size()));
    ASSERT_EQ(dec.rc, 0);
    ASSERT_EQ(Bytes(dec.out.begin(), dec.out.begin() + dec.len), plain);

    // Noise: skipped bytes, stray pads, truncation, and any capacity.
    Bytes noisy;
    for (unsigned char c : text) {
      if (rng.Below(8) == 0) noisy.push_back(static_cast<unsigned char>(rng.Next()));
      if (rng.Below(50) == 0) noisy.push_back('=');
      noisy.push_back(c);
    }
    if (rng.Below(4) == 0 && !noisy.empty()) noisy.resize(rng.Below(noisy.size()));
    const unsigned int cap = static_cast<unsigned int>(rng.Below(plain.size() + 8));
    CodecResult got = RunCodec(b64, false, noisy, cap);
    CodecResult want = ReferenceBase64Decode(noisy, cap);
    ASSERT_EQ(got.rc, want.rc) << "iteration " << iter;
    ASSERT_EQ(got.len, want.len);
    ASSERT_EQ(got.out, want.out) << "iteration " << iter;
  }
}

// ---- Hex ----------------------------------------------------------------------------------

TEST(Hex, EncodesUpperCaseByDefaultAndLowerOnRequest) {
  CHex hex;
  const Bytes src = {0xAB, 0x01};
  CodecResult r = RunCodec(hex, true, src, 4);
  ASSERT_EQ(r.rc, 0);
  EXPECT_EQ(r.len, 4u);
  EXPECT_EQ(Text(r), "AB01");
  ExpectGuardIntact(r, 4);  // no terminating zero
  hex.SetUpperCase(0);
  r = RunCodec(hex, true, src, 4);
  EXPECT_EQ(Text(r), "ab01");
  hex.SetUpperCase(7);
  r = RunCodec(hex, true, src, 4);
  EXPECT_EQ(Text(r), "AB01");
  r = RunCodec(hex, true, src, 3);
  EXPECT_EQ(r.rc, 6);
  for (unsigned char b : r.out) ASSERT_EQ(b, kGuard);

  // Copies carry the selection.
  CHex lower;
  lower.SetUpperCase(0);
  CHex copy(lower);
  EXPECT_EQ(Text(RunCodec(copy, true, src, 4)), "ab01");
  CHex assigned;
  assigned = lower;
  EXPECT_EQ(Text(RunCodec(assigned, true, src, 4)), "ab01");
}

TEST(Hex, DecodesEitherCaseAndRejectsOtherCharacters) {
  CHex hex;
  for (int upper = 0; upper < 2; ++upper) {
    hex.SetUpperCase(static_cast<unsigned char>(upper));
    CodecResult r = RunCodec(hex, false, FromString("aB01"), 2);
    ASSERT_EQ(r.rc, 0);
    EXPECT_EQ(r.len, 2u);
    EXPECT_EQ(r.out[0], 0xAB);
    EXPECT_EQ(r.out[1], 0x01);
  }
  for (const char* bad : {"0G", "0x", "g0", " 1", "1 "}) {
    CodecResult r = RunCodec(hex, false, FromString(bad), 4);
    EXPECT_EQ(r.rc, 7) << bad;
    EXPECT_EQ(r.len, 0u) << bad;
  }
  // Earlier pairs stay written.
  CodecResult r = RunCodec(hex, false, FromString("A1B2zz"), 3);
  EXPECT_EQ(r.rc, 7);
  EXPECT_EQ(r.out[0], 0xA1);
  EXPECT_EQ(r.out[1], 0xB2);
  EXPECT_EQ(r.out[2], kGuard);
  // Odd length: complete pairs written, then 7; the lone character is not read.
  r = RunCodec(hex, false, FromString("ABC"), 2);
  EXPECT_EQ(r.rc, 7);
  EXPECT_EQ(r.len, 0u);
  EXPECT_EQ(r.out[0], 0xAB);
  EXPECT_EQ(r.out[1], kGuard);
}

TEST(Hex, LengthsAndCapacities) {
  CHex hex;
  EXPECT_EQ(hex.GetNeedLen(5, 0), 2u);
  EXPECT_EQ(hex.GetNeedLen(5, 1), 10u);
  EXPECT_EQ(hex.GetNeedLen(0x80000001u, 1), 2u);  // wraps, as documented
  CodecResult r = RunCodec(hex, false, FromString("0123456789"), 4);
  EXPECT_EQ(r.rc, 6);
  for (unsigned char b : r.out) ASSERT_EQ(b, kGuard);
  r = RunCodec(hex, false, FromString("0123456789"), 5);
  EXPECT_EQ(r.rc, 0);
  // An empty input decodes and encodes to nothing.
  EXPECT_EQ(RunCodec(hex, false, Bytes(), 0).rc, 0);
  EXPECT_EQ(RunCodec(hex, true, Bytes(), 0).rc, 0);

  unsigned char src[4] = {'0', '1', '0', '2'};
  unsigned char dst[16];
  // 2 x capacity would wrap to 0 in 32 bits: still plenty of room, no false refusal.
  unsigned int cap = 0x80000000u;
  EXPECT_EQ(hex.Decode(src, 4, dst, &cap), 0);
  EXPECT_EQ(cap, 2u);
  // 2 x length would wrap to 0: no room, refused before anything is read or written.
  cap = sizeof(dst);
  EXPECT_EQ(hex.Encode(src, 0x80000000u, dst, &cap), 6);
  EXPECT_EQ(cap, sizeof(dst));
  unsigned char one[1];
  EXPECT_EQ(hex.Decode(src, 0, nullptr, &cap), -1);
  EXPECT_EQ(hex.Encode(nullptr, 0, one, &cap), -1);
  EXPECT_EQ(hex.Encode(src, 0, one, nullptr), -1);
}

TEST(Hex, RandomRoundTrips) {
  Random rng(99);
  CHex hex;
  for (int iter = 0; iter < 300; ++iter) {
    const Bytes plain = rng.RandomBytes(rng.Below(100));
    const bool upper = rng.Below(2) == 1;
    hex.SetUpperCase(upper ? 1 : 0);
    const unsigned int n = static_cast<unsigned int>(plain.size());
    CodecResult enc = RunCodec(hex, true, plain, hex.GetNeedLen(n, 1));
    ASSERT_EQ(enc.rc, 0);
    ASSERT_EQ(enc.len, 2 * n);
    std::string want = tessec_test::ToHex(plain);
    if (upper) {
      for (char& c : want) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    EXPECT_EQ(Text(enc), want);
    CodecResult dec = RunCodec(hex, false, Bytes(enc.out.begin(), enc.out.begin() + enc.len), n);
    ASSERT_EQ(dec.rc, 0);
    ASSERT_EQ(Bytes(dec.out.begin(), dec.out.begin() + dec.len), plain);
  }
}

TEST(Codecs, WorkThroughTheInterfaceAndDeleteThroughIt) {
  CBaseN* codecs[] = {new CBase64, new CHex};
  const Bytes src = FromString("hi");
  const char* expected[] = {"aGk=", "6869"};
  for (int i = 0; i < 2; ++i) {
    unsigned char out[8] = {0};
    unsigned int len = codecs[i]->GetNeedLen(2, 1);
    ASSERT_LE(len, sizeof(out));
    ASSERT_EQ(codecs[i]->Encode(src.data(), 2, out, &len), 0);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(out), len), expected[i]);
    unsigned char back[8];
    unsigned int backLen = sizeof(back);
    ASSERT_EQ(codecs[i]->Decode(out, len, back, &backLen), 0);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(back), backLen), "hi");
    delete codecs[i];
  }
}

}  // namespace

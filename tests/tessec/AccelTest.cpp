// The instruction-set paths (AES-NI, SHA extensions, the SSSE3 schedule of SHA-512) against the
// portable table code, which is switched on by masking the CPU features (an internal switch, so
// this test links the library statically). The table path for 16-byte blocks is also checked on its
// own against the published AES examples and the textbook cipher, since with AES-NI present the
// other tests never reach it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>

#include "Internal.h"
#include "TestUtil.h"
#include "TextbookRijndael.h"
#include "tessec/tessec.h"

using namespace public_crypt;
using tessec_detail::SetCpuFeatureMask;
using tessec_test::Bytes;
using tessec_test::FromHex;
using tessec_test::Random;
using tessec_test::TextbookRijndael;
using tessec_test::ToHex;

namespace {

// Restricts the library to the given features for the scope.
class FeatureMask {
 public:
  explicit FeatureMask(unsigned mask) : saved_(SetCpuFeatureMask(mask)) {}
  ~FeatureMask() { SetCpuFeatureMask(saved_); }

 private:
  unsigned saved_;
};

const char* C(const Bytes& b) { return reinterpret_cast<const char*>(b.data()); }
char* C(Bytes& b) { return reinterpret_cast<char*>(b.data()); }

TEST(Paths, MaskSwitchesThePathsOff) {
  std::printf("CPU paths: AES-NI %s, SHA extensions %s\n", tessec_detail::UseAesNi() ? "yes" : "no",
              tessec_detail::UseShaNi() ? "yes" : "no");
  FeatureMask none(0);
  EXPECT_EQ(tessec_detail::CpuFeatures(), 0u);
  EXPECT_FALSE(tessec_detail::UseAesNi());
  EXPECT_FALSE(tessec_detail::UseShaNi());
}

TEST(Paths, TablePathForSixteenByteBlocks) {
  FeatureMask none(0);
  const Bytes plain = FromHex("00112233445566778899aabbccddeeff");
  const char* expected[] = {"69c4e0d86a7b0430d8cdb78070b4c55a", "dda97ca4864cdfe06eaf70a0ec0d7191",
                            "8ea2b7ca516745bfeafc49904b496089"};
  Bytes key(32);
  for (int i = 0; i < 32; ++i) key[i] = static_cast<unsigned char>(i);
  for (int k = 0; k < 3; ++k) {
    CRijndael aes(C(key), nullptr, 0, 16 + 8 * k, 16);
    Bytes out(16), back(16);
    aes.EncryptBlockN(C(plain), C(out), 16);
    EXPECT_EQ(ToHex(out), expected[k]);
    aes.DecryptBlockN(C(out), C(back), 16);
    EXPECT_EQ(back, plain);
  }

  Random rng(17);
  for (int keyLength : {16, 24, 32}) {
    for (int mode : {0, 1, 2}) {
      const Bytes k = rng.RandomBytes(keyLength), iv = rng.RandomBytes(16);
      const Bytes data = rng.RandomBytes(16 * (1 + rng.Below(12)));
      TextbookRijndael book(k.data(), keyLength, 16);
      CRijndael c(C(k), C(iv), mode, keyLength, 16);
      Bytes chain(iv), got(data.size()), back(data.size());
      c.EncryptBlockN(C(data), C(got), static_cast<unsigned>(data.size()));
      ASSERT_EQ(got, book.Encrypt(TextbookRijndael::Mode(mode), chain, data));
      c.ResetChain();
      c.DecryptBlockN(C(got), C(back), static_cast<unsigned>(got.size()));
      ASSERT_EQ(back, data);
    }
  }
}

TEST(Paths, AesNiMatchesTheTables) {
  if (!tessec_detail::UseAesNi()) GTEST_SKIP() << "no AES-NI on this CPU";
  Random rng(23);
  for (int keyLength : {16, 24, 32}) {
    for (int mode : {0, 1, 2}) {
      for (int iter = 0; iter < 20; ++iter) {
        const Bytes k = rng.RandomBytes(keyLength), iv = rng.RandomBytes(16);
        const Bytes data = rng.RandomBytes(16 * (1 + rng.Below(iter < 10 ? 20 : 300)));
        CRijndael fast(C(k), C(iv), mode, keyLength, 16);
        CRijndael table(fast);
        Bytes a(data.size()), b(data.size());
        // The same split into calls on both sides, so both chains move alike.
        size_t pos = 0;
        while (pos < data.size()) {
          const size_t n = 16 * (1 + rng.Below((data.size() - pos) / 16));
          fast.EncryptBlockN(C(data) + pos, C(a) + pos, static_cast<unsigned>(n));
          {
            FeatureMask none(0);
            table.EncryptBlockN(C(data) + pos, C(b) + pos, static_cast<unsigned>(n));
          }
          pos += n;
        }
        ASSERT_EQ(ToHex(a), ToHex(b)) << keyLength << " " << mode;
        fast.ResetChain();
        table.ResetChain();
        Bytes da(a), db(a);
        fast.DecryptBlockN(C(da), C(da), static_cast<unsigned>(da.size()));  // in place
        {
          FeatureMask none(0);
          table.DecryptBlockN(C(db), C(db), static_cast<unsigned>(db.size()));
        }
        ASSERT_EQ(da, data);
        ASSERT_EQ(db, data);
      }
    }
  }
}

std::string Hash(CHash& h, const Bytes& data) {
  Bytes copy(data);
  unsigned char out[64];
  h.Init();
  h.Update(copy.data(), static_cast<unsigned int>(copy.size()));
  h.Final(out);
  return ToHex(out, h.GetDigestLen());
}

TEST(Paths, ShaPathsMatchThePortableCode) {
  {
    FeatureMask none(0);
    CSHA1 sha1;
    CSHA256 sha256;
    CSHA512 sha512;
    EXPECT_EQ(Hash(sha1, Bytes{'a', 'b', 'c'}), "a9993e364706816aba3e25717850c26c9cd0d89d");
    EXPECT_EQ(Hash(sha256, Bytes{'a', 'b', 'c'}),
              "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    EXPECT_EQ(Hash(sha512, Bytes{'a', 'b', 'c'}),
              "ddaf35a193617abacc417349ae20413112e6fa4e89a97ea20a9eeee64b55d39a2192992a274fc1a836"
              "ba3c23a3feebbd454d4423643ce80e2a9ac94fa54ca49f");
  }
  if (!tessec_detail::UseShaNi() || !tessec_detail::Have(tessec_detail::kCpuSsse3)) {
    GTEST_SKIP() << "no SHA extensions or SSSE3 on this CPU";
  }
  Random rng(29);
  CSHA1 sha1;
  CSHA256 sha256;
  CSHA384 sha384;
  CSHA512 sha512;
  for (int iter = 0; iter < 200; ++iter) {
    const Bytes msg = rng.RandomBytes(iter < 150 ? iter * 3 : rng.Below(10000));
    const std::string fast1 = Hash(sha1, msg), fast256 = Hash(sha256, msg);
    const std::string fast384 = Hash(sha384, msg), fast512 = Hash(sha512, msg);
    FeatureMask none(0);
    ASSERT_EQ(Hash(sha1, msg), fast1) << msg.size();
    ASSERT_EQ(Hash(sha256, msg), fast256) << msg.size();
    ASSERT_EQ(Hash(sha384, msg), fast384) << msg.size();
    ASSERT_EQ(Hash(sha512, msg), fast512) << msg.size();
  }
#if defined(TESSEC_X86_ACCEL)
  // The block functions themselves, from arbitrary states.
  for (int iter = 0; iter < 50; ++iter) {
    uint64_t x[8], y[8];
    for (int i = 0; i < 8; ++i) x[i] = y[i] = (uint64_t(rng.Next()) << 32) | rng.Next();
    const Bytes big = rng.RandomBytes(128 * (1 + rng.Below(5)));
    uint64_t z[8];
    std::copy(x, x + 8, z);
    tessec_detail::Sha512BlocksSsse3(x, big.data(), big.size() / 128);
    tessec_detail::Sha512BlocksPortable(y, big.data(), big.size() / 128);
    ASSERT_EQ(ToHex(reinterpret_cast<unsigned char*>(x), 64),
              ToHex(reinterpret_cast<unsigned char*>(y), 64));
    if (tessec_detail::Have(tessec_detail::kCpuSsse3 | tessec_detail::kCpuBmi2)) {
      tessec_detail::Sha512BlocksSsse3Bmi2(z, big.data(), big.size() / 128);
      ASSERT_EQ(ToHex(reinterpret_cast<unsigned char*>(z), 64),
                ToHex(reinterpret_cast<unsigned char*>(y), 64));
    }
  }
  for (int iter = 0; iter < 50; ++iter) {
    uint32_t a[8], b[8];
    for (int i = 0; i < 8; ++i) a[i] = b[i] = rng.Next();
    const Bytes blocks = rng.RandomBytes(64 * (1 + rng.Below(5)));
    tessec_detail::Sha256BlocksShaNi(a, blocks.data(), blocks.size() / 64);
    tessec_detail::Sha256BlocksPortable(b, blocks.data(), blocks.size() / 64);
    ASSERT_EQ(ToHex(reinterpret_cast<unsigned char*>(a), 32),
              ToHex(reinterpret_cast<unsigned char*>(b), 32));
    tessec_detail::Sha1BlocksShaNi(a, blocks.data(), blocks.size() / 64);
    tessec_detail::Sha1BlocksPortable(b, blocks.data(), blocks.size() / 64);
    ASSERT_EQ(ToHex(reinterpret_cast<unsigned char*>(a), 20),
              ToHex(reinterpret_cast<unsigned char*>(b), 20));
  }
#endif
}

}  // namespace

// The instruction-set paths (AES-NI, SHA extensions, the vector SHA-2 paths) against the portable
// table code, which is switched on by masking the CPU features (an internal switch, so this test
// links the library statically), and the TESSEC_CPU list that limits them. The table path for
// 16-byte blocks is also checked on its own against the published AES examples and the textbook
// cipher, since with AES-NI present the other tests never reach it. scripts/test.sh runs these
// tests once per TESSEC_CPU profile, so that each path also runs through the classes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

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

TEST(Paths, CpuListNamesTheAllowedExtensions) {
  using namespace tessec_detail;
  const struct {
    const char* list;
    unsigned allowed;
  } cases[] = {
      {nullptr, ~0u},
      {"", 0},
      {"none", 0},
      {"sse2", kCpuSse2},
      {"sse2,ssse3,sse41,aesni,shani,bmi2,avx2",
       kCpuSse2 | kCpuSsse3 | kCpuSse41 | kCpuAesNi | kCpuShaNi | kCpuBmi2 | kCpuAvx2},
      {" SSE2 , AesNi,,bogus,avx512f,", kCpuSse2 | kCpuAesNi},  // case, spaces, unknown names
      {"none,bmi2", kCpuBmi2},
      {"ssse3x,sse", 0},  // only whole names count
      {"averyveryverylongname,shani", kCpuShaNi},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ParseCpuList(c.list), c.allowed) << (c.list ? c.list : "(unset)");
  }
  // Whatever the environment allowed, the features in use are the CPU's own.
  const unsigned inUse = CpuFeatures();
  FeatureMask all(~0u);
  EXPECT_EQ(CpuFeatures() & inUse, inUse);
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
  // Through the classes: the paths this CPU and the environment allow against the table code.
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
}

// Every block function of this build that the CPU can run, from arbitrary states over one to
// five blocks, against the portable code.
template <typename Word>
struct BlockPath {
  const char* name;
  unsigned needs;
  void (*fn)(Word*, const unsigned char*, size_t);
  void (*portable)(Word*, const unsigned char*, size_t);
  int words;
  size_t block;
};

template <typename Word>
void CheckBlockPaths(const std::vector<BlockPath<Word>>& paths) {
  Random rng(31);
  for (const BlockPath<Word>& path : paths) {
    if (!tessec_detail::Have(path.needs)) {
      std::printf("skipped %s: not on this CPU or not allowed\n", path.name);
      continue;
    }
    for (int iter = 0; iter < 50; ++iter) {
      Word x[8], y[8];
      for (int i = 0; i < path.words; ++i) {
        x[i] = y[i] = static_cast<Word>((uint64_t(rng.Next()) << 32) | rng.Next());
      }
      const Bytes data = rng.RandomBytes(path.block * (1 + rng.Below(5)));
      path.fn(x, data.data(), data.size() / path.block);
      path.portable(y, data.data(), data.size() / path.block);
      ASSERT_TRUE(std::equal(x, x + path.words, y)) << path.name << " " << data.size();
    }
  }
}

TEST(Paths, BlockFunctionsMatchThePortableCode) {
  using namespace tessec_detail;
  std::vector<BlockPath<uint32_t>> paths32;
  // Integer code of 32-bit targets, built everywhere.
  std::vector<BlockPath<uint64_t>> paths64 = {
      {"sha512 halves", 0, Sha512BlocksHalves, Sha512BlocksPortable, 8, 128},
  };
#if defined(TESSEC_SHA1_X64_ASM)
  paths32.push_back({"sha1 x64", 0, Sha1BlocksX64, Sha1BlocksPortable, 5, 64});
#endif
#if defined(TESSEC_SHA2_X64_ASM)
  paths32.push_back({"sha256 x64", 0, Sha256BlocksX64, Sha256BlocksPortable, 8, 64});
  paths64.push_back({"sha512 x64", 0, Sha512BlocksX64, Sha512BlocksPortable, 8, 128});
#endif
#if defined(TESSEC_SHA256_X86_ASM)
  paths32.push_back({"sha256 x86", 0, Sha256BlocksX86, Sha256BlocksPortable, 8, 64});
#endif
#if defined(TESSEC_X86_ACCEL)
  const unsigned shaNi = kCpuShaNi | kCpuSse41 | kCpuSsse3 | kCpuSse2;
  paths32.push_back({"sha1 shani", shaNi, Sha1BlocksShaNi, Sha1BlocksPortable, 5, 64});
  paths32.push_back({"sha256 shani", shaNi, Sha256BlocksShaNi, Sha256BlocksPortable, 8, 64});
  paths32.push_back({"sha1 avx2", kCpuAvx2 | kCpuBmi2, Sha1BlocksAvx2, Sha1BlocksPortable, 5, 64});
  paths32.push_back(
      {"sha256 avx2", kCpuAvx2 | kCpuBmi2, Sha256BlocksAvx2, Sha256BlocksPortable, 8, 64});
  paths32.push_back({"sha256 sse2", kCpuSse2, Sha256BlocksSse2, Sha256BlocksPortable, 8, 64});
#if defined(TESSEC_X86_64)
  paths64.push_back({"sha512 sse2", kCpuSse2, Sha512BlocksSse2, Sha512BlocksPortable, 8, 128});
  paths64.push_back({"sha512 avx2 bmi2", kCpuAvx2 | kCpuBmi2, Sha512BlocksAvx2Bmi2,
                     Sha512BlocksPortable, 8, 128});
#else
  paths32.push_back(
      {"sha1 ssse3", kCpuSsse3 | kCpuSse2, Sha1BlocksSsse3, Sha1BlocksPortable, 5, 64});
  paths64.push_back({"sha512 sse2", kCpuSse2, Sha512BlocksSse2, Sha512BlocksPortable, 8, 128});
  paths64.push_back({"sha512 avx2", kCpuAvx2, Sha512BlocksAvx2, Sha512BlocksPortable, 8, 128});
#endif
#endif
  CheckBlockPaths(paths32);
  CheckBlockPaths(paths64);
}

}  // namespace

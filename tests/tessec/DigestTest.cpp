// Message digests: the published examples (RFC 1321, FIPS 180-2), every length up to 300
// bytes against figures computed with another implementation, splits over Update, the
// object model (Final, Init, copies) and use through the CHash interface.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "TestUtil.h"
#include "tessec/Hash.h"

using namespace public_crypt;
using tessec_test::Bytes;
using tessec_test::FromString;
using tessec_test::Random;
using tessec_test::ToHex;

namespace {

enum Algo { kMd5, kSha1, kSha256, kSha384, kSha512 };
const Algo kAll[] = {kMd5, kSha1, kSha256, kSha384, kSha512};
const char* const kNames[] = {"MD5", "SHA-1", "SHA-256", "SHA-384", "SHA-512"};
const unsigned char kLengths[] = {16, 20, 32, 48, 64};

std::unique_ptr<CHash> Make(Algo a) {
  switch (a) {
    case kMd5:
      return std::unique_ptr<CHash>(new CMD5);
    case kSha1:
      return std::unique_ptr<CHash>(new CSHA1);
    case kSha256:
      return std::unique_ptr<CHash>(new CSHA256);
    case kSha384:
      return std::unique_ptr<CHash>(new CSHA384);
    default:
      return std::unique_ptr<CHash>(new CSHA512);
  }
}

std::string Digest(CHash& h, const Bytes& data) {
  Bytes copy = data;  // Update takes a non-const pointer
  unsigned char out[64];
  h.Init();
  h.Update(copy.empty() ? nullptr : copy.data(), static_cast<unsigned int>(copy.size()));
  h.Final(out);
  return ToHex(out, h.GetDigestLen());
}

std::string Digest(Algo a, const Bytes& data) { return Digest(*Make(a), data); }

Bytes Pattern(size_t n) {
  Bytes b(n);
  for (size_t i = 0; i < n; ++i) b[i] = static_cast<unsigned char>(i * 31 + 7);
  return b;
}

TEST(Digest, PublishedExamples) {
  struct Case {
    Algo algo;
    std::string message;
    const char* digest;
  };
  const std::string two448 = "abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq";
  const std::string two896 =
      "abcdefghbcdefghicdefghijdefghijkefghijklfghijklmghijklmnhijklmnoijklmnopjklmnopqklmnopqrlm"
      "nopqrsmnopqrstnopqrstu";
  const Case cases[] = {
      {kMd5, "", "d41d8cd98f00b204e9800998ecf8427e"},
      {kMd5, "a", "0cc175b9c0f1b6a831c399e269772661"},
      {kMd5, "abc", "900150983cd24fb0d6963f7d28e17f72"},
      {kMd5, "message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
      {kMd5, "abcdefghijklmnopqrstuvwxyz", "c3fcd3d76192e4007dfb496cca67e13b"},
      {kMd5, "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789",
       "d174ab98d277d9f5a5611c2c9f419d9f"},
      {kMd5,
       "1234567890123456789012345678901234567890123456789012345678901234567890123456789"
       "0",
       "57edf4a22be3c955ac49da2e2107b67a"},
      {kSha1, "", "da39a3ee5e6b4b0d3255bfef95601890afd80709"},
      {kSha1, "abc", "a9993e364706816aba3e25717850c26c9cd0d89d"},
      {kSha1, two448, "84983e441c3bd26ebaae4aa1f95129e5e54670f1"},
      {kSha256, "", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
      {kSha256, "abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
      {kSha256, two448, "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
      {kSha384, "",
       "38b060a751ac96384cd9327eb1b1e36a21fdb71114be07434c0cc7bf63f6e1da274edebfe76f65fbd51ad2f14"
       "898b95b"},
      {kSha384, "abc",
       "cb00753f45a35e8bb5a03d699ac65007272c32ab0eded1631a8b605a43ff5bed8086072ba1e7cc2358baeca13"
       "4c825a7"},
      {kSha384, two896,
       "09330c33f71147e83d192fc782cd1b4753111b173b3b05d22fa08086e3b0f712fcc7c71a557e2db966c3e9fa9"
       "1746039"},
      {kSha512, "",
       "cf83e1357eefb8bdf1542850d66d8007d620e4050b5715dc83f4a921d36ce9ce47d0d13c5d85f2b0ff8318d28"
       "77eec2f63b931bd47417a81a538327af927da3e"},
      {kSha512, "abc",
       "ddaf35a193617abacc417349ae20413112e6fa4e89a97ea20a9eeee64b55d39a2192992a274fc1a836ba3c23a"
       "3feebbd454d4423643ce80e2a9ac94fa54ca49f"},
      {kSha512, two896,
       "8e959b75dae313da8cf4f72814fc143f8f7779c6eb9f7fa17299aeadb6889018501d289e4900f7e4331b99dec"
       "4b5433ac7d329eeb6dd26545e96e55b874be909"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Digest(c.algo, FromString(c.message)), c.digest)
        << kNames[c.algo] << " of \"" << c.message << "\"";
  }
}

TEST(Digest, MillionAsInPiecesOfAThousand) {
  const char* expected[] = {
      "7707d6ae4e027c70eea2a935c2296f21",
      "34aa973cd4c4daa4f61eeb2bdbad27316534016f",
      "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0",
      "9d0e1809716474cb086e834e310a4a1ced149e9c00f248527972cec5704c2a5b07b8b3dc38ecc4ebae97ddd87f3"
      "d8985",
      "e718483d0ce769644e2e42c7bc15b4638e1f98b13b2044285632a803afa973ebde0ff244877ea60a4cb0432ce57"
      "7c31beb009c5c2c49aa2e4eadb217ad8cc09b",
  };
  Bytes a(1000, 'a');
  for (Algo algo : kAll) {
    auto h = Make(algo);
    for (int i = 0; i < 1000; ++i) h->Update(a.data(), 1000);
    unsigned char out[64];
    h->Final(out);
    EXPECT_EQ(ToHex(out, h->GetDigestLen()), expected[algo]) << kNames[algo];
  }
}

// The digests of the pattern messages of every length from 0 to 300 bytes (which crosses the
// padding boundaries of both block sizes several times), concatenated and hashed with
// SHA-256. The figures come from Python's hashlib.
TEST(Digest, EveryLengthUpTo300MatchesAnotherImplementation) {
  const char* expected[] = {
      "7495fa7174642f8ea28e394ba6503afe745a98bd6ccac316cf0568ec77fbec1f",
      "b8827a8ad628f97a078d7262c874e22c7dd5958bb8ca260ece99d0c54d4d94a7",
      "78f25692e2f4dd74482ac3dcf4f505a7c278fa279588b764b99a497144bcd49c",
      "fc2fe00f1cf27f5ff93b72070bc0aa303a22f0ee4d7c2c2c6475da9b6761d94b",
      "13ec09c8eca7c2f1c407c31094ea949647bcea1f96277d8490485a76d98ca851",
  };
  for (Algo algo : kAll) {
    auto h = Make(algo);
    Bytes all;
    for (size_t n = 0; n <= 300; ++n) {
      Bytes msg = Pattern(n);
      unsigned char out[64];
      h->Init();
      h->Update(msg.data(), static_cast<unsigned int>(n));
      h->Final(out);
      all.insert(all.end(), out, out + h->GetDigestLen());
    }
    EXPECT_EQ(Digest(kSha256, all), expected[algo]) << kNames[algo];
  }
}

TEST(Digest, AnySplitOverUpdateGivesTheSameDigest) {
  Random rng(7);
  for (Algo algo : kAll) {
    for (int iter = 0; iter < 40; ++iter) {
      Bytes msg = rng.RandomBytes(rng.Below(700));
      const std::string whole = Digest(algo, msg);
      auto h = Make(algo);
      size_t pos = 0;
      while (pos < msg.size()) {
        const size_t n = rng.Below(4) == 0 ? 0 : 1 + rng.Below(msg.size() - pos);
        h->Update(msg.data() + pos, static_cast<unsigned int>(n));
        pos += n;
      }
      unsigned char out[64];
      h->Final(out);
      ASSERT_EQ(ToHex(out, h->GetDigestLen()), whole) << kNames[algo] << " " << msg.size();
    }
    // One byte per Update over a long message.
    Bytes msg = Pattern(1500);
    auto h = Make(algo);
    for (unsigned char& b : msg) h->Update(&b, 1);
    unsigned char out[64];
    h->Final(out);
    EXPECT_EQ(ToHex(out, h->GetDigestLen()), Digest(algo, msg)) << kNames[algo];
  }
}

TEST(Digest, LengthsAndConstants) {
  for (Algo algo : kAll) EXPECT_EQ(Make(algo)->GetDigestLen(), kLengths[algo]);
  EXPECT_EQ(CMD5::MD5_DIGESTSIZE, 16);
  EXPECT_EQ(CSHA1::SHA1_DIGESTSIZE, 20);
  EXPECT_EQ(CSHA1::SHA1_DATASIZE, 64);
  // Read through the library's own storage too (an odr-use, not a folded constant).
  const int* md5Size = &CMD5::MD5_DIGESTSIZE;
  const int* sha1Data = &CSHA1::SHA1_DATASIZE;
  EXPECT_EQ(*md5Size, 16);
  EXPECT_EQ(*sha1Data, 64);
}

TEST(Digest, ObjectModel) {
  for (Algo algo : kAll) {
    SCOPED_TRACE(kNames[algo]);
    auto h = Make(algo);
    const std::string empty = Digest(algo, Bytes());
    const std::string abc = Digest(algo, FromString("abc"));
    unsigned char out[64];

    // A new object is ready without Init; the three-argument Final is Update + Final.
    auto fresh = Make(algo);
    unsigned char msg[3] = {'a', 'b', 'c'};
    fresh->Final(msg, 3, out);
    EXPECT_EQ(ToHex(out, fresh->GetDigestLen()), abc);
    fresh->Init();
    fresh->Final(msg, 0, out);
    EXPECT_EQ(ToHex(out, fresh->GetDigestLen()), empty);

    // Init after Final repeats the digest; without Init the next result is no digest of the
    // message.
    h->Init();
    h->Final(msg, 3, out);
    EXPECT_EQ(ToHex(out, h->GetDigestLen()), abc);
    h->Final(msg, 3, out);
    EXPECT_NE(ToHex(out, h->GetDigestLen()), abc);
    h->Init();
    h->Final(msg, 3, out);
    EXPECT_EQ(ToHex(out, h->GetDigestLen()), abc);

    // Init abandons a message in progress.
    h->Update(msg, 3);
    h->Init();
    h->Final(out);
    EXPECT_EQ(ToHex(out, h->GetDigestLen()), empty);

    // A null digest area finishes without writing; a null data pointer adds nothing.
    h->Init();
    h->Update(nullptr, 0);
    h->Update(nullptr, 5);
    h->Final(nullptr);
    h->Init();
    h->Update(nullptr, 0);
    h->Final(out);
    EXPECT_EQ(ToHex(out, h->GetDigestLen()), empty);
  }
}

TEST(Digest, CopiesCarryTheRunningStateIntoTheirOwnContext) {
  Bytes msg = Pattern(200);
  CMD5 md5;
  CSHA1 sha1;
  CSHA256 sha256;
  CSHA384 sha384;
  CSHA512 sha512;
  CHash* sources[] = {&md5, &sha1, &sha256, &sha384, &sha512};
  for (Algo algo : kAll) {
    SCOPED_TRACE(kNames[algo]);
    CHash& src = *sources[algo];
    src.Init();
    src.Update(msg.data(), 70);  // mid-block for both block sizes
    std::unique_ptr<CHash> copy;
    std::unique_ptr<CHash> assigned = Make(algo);
    switch (algo) {
      case kMd5:
        copy.reset(new CMD5(md5));
        *static_cast<CMD5*>(assigned.get()) = md5;
        break;
      case kSha1:
        copy.reset(new CSHA1(sha1));
        *static_cast<CSHA1*>(assigned.get()) = sha1;
        break;
      case kSha256:
        copy.reset(new CSHA256(sha256));
        *static_cast<CSHA256*>(assigned.get()) = sha256;
        break;
      case kSha384:
        copy.reset(new CSHA384(sha384));
        *static_cast<CSHA384*>(assigned.get()) = sha384;
        break;
      case kSha512:
        copy.reset(new CSHA512(sha512));
        *static_cast<CSHA512*>(assigned.get()) = sha512;
        break;
    }
    // The source goes on with another message; the copies finish the original one.
    src.Update(msg.data(), 10);
    copy->Update(msg.data() + 70, 130);
    assigned->Update(msg.data() + 70, 130);
    unsigned char a[64], b[64], c[64];
    src.Final(a);
    copy->Final(b);
    assigned->Final(c);
    Bytes other(msg.begin(), msg.begin() + 70);
    other.insert(other.end(), msg.begin(), msg.begin() + 10);
    EXPECT_EQ(ToHex(a, src.GetDigestLen()), Digest(algo, other));
    EXPECT_EQ(ToHex(b, src.GetDigestLen()), Digest(algo, msg));
    EXPECT_EQ(ToHex(c, src.GetDigestLen()), Digest(algo, msg));
  }
  // Self-assignment keeps the state.
  CSHA256 self;
  self.Update(msg.data(), 100);
  CSHA256& alias = self;
  self = alias;
  self.Update(msg.data() + 100, 100);
  unsigned char out[32];
  self.Final(out);
  EXPECT_EQ(ToHex(out, 32), Digest(kSha256, msg));
}

TEST(Digest, FinalLeavesStateAsDocumented) {
  // MD5 and SHA-1 clear their record: without Init, hashing "abc" again is the same as
  // starting from all-zero state words, which gives the same result every time.
  for (Algo algo : {kMd5, kSha1}) {
    auto h = Make(algo);
    unsigned char msg[3] = {'a', 'b', 'c'};
    unsigned char first[64], second[64];
    h->Final(msg, 3, first);
    h->Final(msg, 3, first);
    h->Final(msg, 3, second);
    EXPECT_EQ(ToHex(first, h->GetDigestLen()), ToHex(second, h->GetDigestLen())) << kNames[algo];
  }
  // The SHA-2 classes keep the finished state, so repeated Finals keep moving.
  for (Algo algo : {kSha256, kSha384, kSha512}) {
    auto h = Make(algo);
    unsigned char msg[3] = {'a', 'b', 'c'};
    unsigned char first[64], second[64];
    h->Final(msg, 3, first);
    h->Final(msg, 3, first);
    h->Final(msg, 3, second);
    EXPECT_NE(ToHex(first, h->GetDigestLen()), ToHex(second, h->GetDigestLen())) << kNames[algo];
  }
}

}  // namespace

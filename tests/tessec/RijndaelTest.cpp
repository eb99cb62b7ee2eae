// The Rijndael cipher: FIPS 197 examples, every key/block size and mode against the textbook
// cipher written in the tests, the padded message format and its edge cases, in-place use,
// chain handling and the state of uninitialised objects.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <vector>

#include "TestUtil.h"
#include "TextbookRijndael.h"
#include "tessec/Cipher.h"

using public_crypt::CCipher;
using public_crypt::CRijndael;
using tessec_test::Bytes;
using tessec_test::FromHex;
using tessec_test::Random;
using tessec_test::TextbookRijndael;
using tessec_test::ToHex;

namespace {

const char* C(const Bytes& b) { return reinterpret_cast<const char*>(b.data()); }
char* C(Bytes& b) { return reinterpret_cast<char*>(b.data()); }

const int kSizes[] = {16, 24, 32};
const int kModes[] = {CRijndael::ECB, CRijndael::CBC, CRijndael::CFB};

TEST(Rijndael, Fips197Examples) {
  const Bytes plain = FromHex("00112233445566778899aabbccddeeff");
  struct Case {
    const char* key;
    const char* cipher;
  } cases[] = {
      {"000102030405060708090a0b0c0d0e0f", "69c4e0d86a7b0430d8cdb78070b4c55a"},
      {"000102030405060708090a0b0c0d0e0f1011121314151617", "dda97ca4864cdfe06eaf70a0ec0d7191"},
      {"000102030405060708090a0b0c0d0e0f101112131415161718191a1b1c1d1e1f",
       "8ea2b7ca516745bfeafc49904b496089"},
  };
  for (const Case& c : cases) {
    const Bytes key = FromHex(c.key);
    CRijndael aes(C(key), CRijndael::sm_chain0, 0, static_cast<int>(key.size()), 16);
    Bytes out(16), back(16);
    ASSERT_EQ(aes.EncryptBlockN(C(plain), C(out), 16), 0);
    EXPECT_EQ(ToHex(out), c.cipher);
    ASSERT_EQ(aes.DecryptBlockN(C(out), C(back), 16), 0);
    EXPECT_EQ(back, plain);
  }
  // Appendix B.
  const Bytes key = FromHex("2b7e151628aed2a6abf7158809cf4f3c");
  const Bytes pt = FromHex("3243f6a8885a308d313198a2e0370734");
  CRijndael aes(C(key), nullptr, 0, 16, 16);
  Bytes out(16);
  aes.EncryptBlockN(C(pt), C(out), 16);
  EXPECT_EQ(ToHex(out), "3925841d02dc09fbdc118597196a0b32");
}

TEST(Rijndael, EveryKeyAndBlockSizeAndModeMatchesTheTextbookCipher) {
  Random rng(2024);
  for (int keyLength : kSizes) {
    for (int blockSize : kSizes) {
      for (int mode : kModes) {
        SCOPED_TRACE(testing::Message()
                     << "key " << keyLength << " block " << blockSize << " mode " << mode);
        const Bytes key = rng.RandomBytes(keyLength);
        const Bytes iv = rng.RandomBytes(blockSize);
        TextbookRijndael book(key.data(), keyLength, blockSize);
        CRijndael cipher(C(key), C(iv), mode, keyLength, blockSize);
        ASSERT_EQ(cipher.GetRounds(), book.Rounds());

        for (int round = 0; round < 3; ++round) {
          // Several calls in a row: the chain carries over from one to the next.
          const Bytes data = rng.RandomBytes(blockSize * (1 + rng.Below(5)));
          Bytes chain(iv);
          cipher.ResetChain();
          Bytes want = book.Encrypt(TextbookRijndael::Mode(mode), chain, data);
          const size_t half = (data.size() / blockSize / 2) * blockSize;
          Bytes got(data.size());
          ASSERT_EQ(cipher.EncryptBlockN(C(data), C(got), static_cast<unsigned>(half)), 0);
          ASSERT_EQ(cipher.EncryptBlockN(C(data) + half, C(got) + half,
                                         static_cast<unsigned>(data.size() - half)),
                    0);
          ASSERT_EQ(ToHex(got), ToHex(want));

          chain = iv;
          cipher.ResetChain();
          Bytes back(data.size());
          ASSERT_EQ(cipher.DecryptBlockN(C(got), C(back), static_cast<unsigned>(data.size())), 0);
          ASSERT_EQ(back, data);
          ASSERT_EQ(book.Decrypt(TextbookRijndael::Mode(mode), chain, got), data);
        }
      }
    }
  }
}

TEST(Rijndael, RoundsAndSizes) {
  Bytes key(32, 7);
  for (int keyLength : kSizes) {
    for (int blockSize : kSizes) {
      CRijndael c(C(key), nullptr, 0, keyLength, blockSize);
      EXPECT_EQ(c.GetKeyLength(), keyLength);
      EXPECT_EQ(c.GetBlockSize(), blockSize);
      EXPECT_EQ(c.GetRounds(), (keyLength > blockSize ? keyLength : blockSize) / 4 + 6);
    }
  }
  EXPECT_EQ(CRijndael(C(key), nullptr, 0, 32, 16).GetRounds(), 14);
  EXPECT_EQ(CRijndael(C(key), nullptr, 0, 16, 24).GetRounds(), 12);

  CRijndael big(C(key), nullptr, 0, 16, 32);
  EXPECT_EQ(big.GetNeedLen(33), 64);
  EXPECT_EQ(big.GetNeedLen(32), 32);
  EXPECT_EQ(big.GetNeedLen(1), 32);
  EXPECT_EQ(big.GetNeedLen(0), 0);
  EXPECT_EQ(big.GetNeedLen(-5), 0);
  EXPECT_EQ(big.GetNeedLen(INT_MAX), -1);  // rounding up would overflow int
  EXPECT_EQ(big.GetNeedLen(INT_MAX - 40), INT_MAX - 31);

  for (int i = 0; i < 32; ++i) EXPECT_EQ(CRijndael::sm_chain0[i], 0);
}

TEST(Rijndael, BadArgumentsLeaveTheObjectAsItWas) {
  Bytes key(32, 1), other(32, 2), data(16, 3);
  CRijndael never;
  CRijndael bad(C(key), nullptr, 0, 20, 16);
  CRijndael badBlock(C(key), nullptr, 0, 16, 8);
  CRijndael noKey(nullptr, nullptr, 0, 16, 16);
  for (CRijndael* c : {&never, &bad, &badBlock, &noKey}) {
    EXPECT_EQ(c->GetKeyLength(), -1);
    EXPECT_EQ(c->GetBlockSize(), -1);
    EXPECT_EQ(c->GetRounds(), -1);
    EXPECT_EQ(c->GetNeedLen(5), -1);
    Bytes out(64, 0xEE);
    EXPECT_EQ(c->EncryptBlockN(C(data), C(out), 16), -1);
    EXPECT_EQ(c->DecryptBlockN(C(data), C(out), 16), -1);
    EXPECT_EQ(c->Encrypt(C(data), 16, C(out), 64), -1);
    EXPECT_EQ(c->Decrypt(C(data), 16, C(out), 64), -1);
    c->ResetChain();
    for (unsigned char b : out) EXPECT_EQ(b, 0xEE);
  }
  EXPECT_EQ(never.Init(C(key), nullptr, 0, 20, 16), -1);
  EXPECT_EQ(never.Init(C(key), nullptr, 0, 16, 8), -1);
  EXPECT_EQ(never.Init(nullptr, nullptr, 0, 16, 16), -1);
  EXPECT_EQ(never.GetRounds(), -1);

  // A failed Init on an initialised object keeps its key, mode and chain.
  CRijndael ok(C(key), nullptr, CRijndael::CBC, 16, 16);
  Bytes first(16), second(16);
  ok.EncryptBlockN(C(data), C(first), 16);
  ok.ResetChain();
  EXPECT_EQ(ok.Init(C(other), nullptr, 0, 16, 12), -1);
  EXPECT_EQ(ok.Init(nullptr, nullptr, 0, 16, 16), -1);
  ok.EncryptBlockN(C(data), C(second), 16);
  EXPECT_EQ(first, second);
  EXPECT_EQ(ok.GetBlockSize(), 16);
}

TEST(Rijndael, ModeValuesAndNullChain) {
  Bytes key(16, 9), data(48);
  for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<unsigned char>(i);
  CRijndael ecb(C(key), nullptr, 0, 16, 16);
  Bytes want(48), got(48);
  ecb.EncryptBlockN(C(data), C(want), 48);
  for (int mode : {3, 7, -1, 1000}) {
    CRijndael c(C(key), nullptr, mode, 16, 16);
    c.EncryptBlockN(C(data), C(got), 48);
    EXPECT_EQ(got, want) << "mode " << mode;
  }
  // A null chain is the zero chain.
  CRijndael a(C(key), nullptr, CRijndael::CBC, 16, 16);
  CRijndael b(C(key), CRijndael::sm_chain0, CRijndael::CBC, 16, 16);
  Bytes ca(48), cb(48);
  a.EncryptBlockN(C(data), C(ca), 48);
  b.EncryptBlockN(C(data), C(cb), 48);
  EXPECT_EQ(ca, cb);
}

TEST(Rijndael, BlockLevelLengths) {
  Bytes key(16, 4), data(32, 5);
  CRijndael c(C(key), nullptr, CRijndael::CBC, 16, 16);
  Bytes out(32, 0xEE);
  EXPECT_EQ(c.EncryptBlockN(C(data), C(out), 10), 0);
  EXPECT_EQ(c.EncryptBlockN(C(data), C(out), 0), 0);
  EXPECT_EQ(c.DecryptBlockN(C(data), C(out), 31), 0);
  for (unsigned char b : out) EXPECT_EQ(b, 0xEE);
  // The failed calls did not move the chain.
  CRijndael fresh(C(key), nullptr, CRijndael::CBC, 16, 16);
  Bytes a(32), b(32);
  c.EncryptBlockN(C(data), C(a), 32);
  fresh.EncryptBlockN(C(data), C(b), 32);
  EXPECT_EQ(a, b);
}

TEST(Rijndael, PaddedMessages) {
  Bytes key(16, 0x11);
  Bytes five = {1, 2, 3, 4, 5};
  CRijndael enc(C(key), nullptr, CRijndael::CBC, 16, 16);
  Bytes out(17, 0);
  EXPECT_EQ(enc.Encrypt(C(five), 5, C(out), 16), -2);
  EXPECT_EQ(enc.Encrypt(C(five), 5, C(out), 17), 17);
  EXPECT_EQ(out[0], 11);
  enc.ResetChain();
  Bytes back(17, 0xEE);
  EXPECT_EQ(enc.Decrypt(C(out), 17, C(back), 16), -2);
  EXPECT_EQ(enc.Decrypt(C(out), 17, C(back), 17), 5);
  EXPECT_EQ(Bytes(back.begin(), back.begin() + 5), five);
  for (int i = 5; i < 16; ++i) EXPECT_EQ(back[i], 0);  // the zero padding, decrypted

  // A whole block gets no extra block and a count of 0.
  Bytes block(16, 0x42), out2(17);
  enc.ResetChain();
  EXPECT_EQ(enc.Encrypt(C(block), 16, C(out2), 17), 17);
  EXPECT_EQ(out2[0], 0);

  // An empty input is the single byte 0, and reads back as 0 bytes.
  Bytes one(1, 0xEE), none(4, 0xEE);
  EXPECT_EQ(enc.Encrypt(C(block), 0, C(one), 1), 1);
  EXPECT_EQ(one[0], 0);
  EXPECT_EQ(enc.Decrypt(C(one), 1, C(none), 1), 0);
  EXPECT_EQ(none[0], 0xEE);

  // Every length, every mode and size, against the textbook cipher.
  Random rng(5);
  for (int blockSize : kSizes) {
    for (int mode : kModes) {
      const Bytes k = rng.RandomBytes(24);
      const Bytes iv = rng.RandomBytes(blockSize);
      TextbookRijndael book(k.data(), 24, blockSize);
      CRijndael c(C(k), C(iv), mode, 24, blockSize);
      for (unsigned n = 0; n <= 70; ++n) {
        const Bytes msg = rng.RandomBytes(n);
        const unsigned pad = n % blockSize ? blockSize - n % blockSize : 0;
        Bytes ct(1 + n + pad + 8, 0xEE);
        c.ResetChain();
        ASSERT_EQ(c.Encrypt(C(msg), n, C(ct), static_cast<unsigned>(ct.size())),
                  static_cast<int>(1 + n + pad));
        ASSERT_EQ(ct[0], pad);
        for (size_t i = 1 + n + pad; i < ct.size(); ++i) ASSERT_EQ(ct[i], 0xEE);
        Bytes padded(msg);
        padded.resize(n + pad, 0);
        Bytes chain(iv);
        const Bytes want = book.Encrypt(TextbookRijndael::Mode(mode), chain, padded);
        ASSERT_EQ(Bytes(ct.begin() + 1, ct.begin() + 1 + n + pad), want) << n;
        ASSERT_EQ(c.GetNeedLen(static_cast<int>(n)), static_cast<int>(n + pad));

        Bytes pt(1 + n + pad);
        c.ResetChain();
        ASSERT_EQ(c.Decrypt(C(ct), 1 + n + pad, C(pt), 1 + n + pad), static_cast<int>(n));
        ASSERT_EQ(Bytes(pt.begin(), pt.begin() + n), msg);
      }
    }
  }
}

TEST(Rijndael, CbcMessagesNeedResetChainBetweenThem) {
  Bytes key(16, 3), msg(20, 'm');
  CRijndael c(C(key), nullptr, CRijndael::CBC, 16, 16);
  Bytes a(33), b(33);
  c.Encrypt(C(msg), 20, C(a), 33);
  c.Encrypt(C(msg), 20, C(b), 33);
  EXPECT_NE(a, b);
  c.ResetChain();
  c.Encrypt(C(msg), 20, C(a), 33);
  c.ResetChain();
  c.Encrypt(C(msg), 20, C(b), 33);
  EXPECT_EQ(a, b);
}

TEST(Rijndael, MalformedMessagesAreRefusedWithoutWriting) {
  Bytes key(16, 8);
  for (int blockSize : kSizes) {
    CRijndael c(C(key), nullptr, CRijndael::CBC, 16, blockSize);
    Bytes msg(1 + 2 * blockSize);
    for (size_t i = 1; i < msg.size(); ++i) msg[i] = static_cast<unsigned char>(i * 13);
    auto decrypt = [&](const Bytes& m) {
      Bytes out(m.size() + 16, 0xEE);
      const int rc = c.Decrypt(C(m), static_cast<unsigned>(m.size()), C(out),
                               static_cast<unsigned>(out.size()));
      if (rc < 0) {
        for (unsigned char b : out) EXPECT_EQ(b, 0xEE);
      }
      return rc;
    };
    // Counts that are negative as a signed byte, or not below the block size.
    for (int count : {0x80, 0xFF, 0x90, blockSize, blockSize + 1, 0x7F}) {
      msg[0] = static_cast<unsigned char>(count);
      EXPECT_EQ(decrypt(msg), -1) << "count " << count;
    }
    msg[0] = static_cast<unsigned char>(blockSize - 1);
    EXPECT_EQ(decrypt(msg), 2 * blockSize - (blockSize - 1));
    // Data that is not whole blocks.
    for (size_t len :
         {size_t(2), size_t(blockSize), size_t(blockSize + 2), size_t(2 * blockSize)}) {
      Bytes m(msg.begin(), msg.begin() + len);
      m[0] = 0;
      EXPECT_EQ(decrypt(m), -1) << "length " << len;
    }
    // No count byte at all, and a count larger than the (empty) data.
    EXPECT_EQ(decrypt(Bytes()), -1);
    EXPECT_EQ(decrypt(Bytes{5}), -1);
    EXPECT_EQ(decrypt(Bytes{0}), 0);
  }
}

TEST(Rijndael, HugeLengthsAreRefusedBeforeAnyAccess) {
  Bytes key(16, 1);
  CRijndael c(C(key), nullptr, 0, 16, 16);
  char small[32];
  // 1 + length + pad wraps in 32 bits or exceeds int: never written, never read.
  EXPECT_EQ(c.Encrypt(small, 0xFFFFFFF5u, small, sizeof(small)), -2);
  EXPECT_EQ(c.Encrypt(small, 0xFFFFFFF0u, small, 0xFFFFFFFFu), -1);
  EXPECT_EQ(c.Encrypt(small, 0x80000000u, small, 0xFFFFFFFFu), -1);
  EXPECT_EQ(c.Decrypt(small, 0xFFFFFFFFu, small, sizeof(small)), -2);
}

TEST(Rijndael, EveryModeWorksInPlace) {
  Random rng(11);
  for (int blockSize : kSizes) {
    for (int mode : kModes) {
      const Bytes key = rng.RandomBytes(32);
      const Bytes iv = rng.RandomBytes(blockSize);
      const Bytes data = rng.RandomBytes(blockSize * 9);
      CRijndael a(C(key), C(iv), mode, 32, blockSize);
      CRijndael b(a);
      Bytes separate(data.size());
      a.EncryptBlockN(C(data), C(separate), static_cast<unsigned>(data.size()));
      Bytes inPlace(data);
      b.EncryptBlockN(C(inPlace), C(inPlace), static_cast<unsigned>(data.size()));
      ASSERT_EQ(inPlace, separate) << blockSize << " " << mode;
      a.ResetChain();
      b.ResetChain();
      a.DecryptBlockN(C(separate), C(separate), static_cast<unsigned>(data.size()));
      ASSERT_EQ(separate, data) << blockSize << " " << mode;

      // Messages in place: the output one byte ahead of the data, and one byte behind.
      const unsigned n = static_cast<unsigned>(data.size()) - 3;
      Bytes buf(data.size() + 1);
      std::memcpy(buf.data(), data.data(), n);
      a.ResetChain();
      const int len = a.Encrypt(C(buf), n, C(buf), static_cast<unsigned>(buf.size()));
      ASSERT_EQ(len, static_cast<int>(data.size() + 1));
      a.ResetChain();
      ASSERT_EQ(a.Decrypt(C(buf), len, C(buf), len), static_cast<int>(n));
      ASSERT_EQ(Bytes(buf.begin(), buf.begin() + n), Bytes(data.begin(), data.begin() + n));
    }
  }
}

TEST(Rijndael, CopiesContinueFromTheSameChainIndependently) {
  Bytes key(24, 6), data(64, 9);
  CRijndael a(C(key), nullptr, CRijndael::CFB, 24, 16);
  Bytes skip(32);
  a.EncryptBlockN(C(data), C(skip), 32);
  CRijndael copy(a);
  CRijndael assigned;
  assigned = a;
  Bytes x(32), y(32), z(32);
  a.EncryptBlockN(C(data), C(x), 32);
  copy.EncryptBlockN(C(data), C(y), 32);
  assigned.EncryptBlockN(C(data), C(z), 32);
  EXPECT_EQ(x, y);
  EXPECT_EQ(x, z);
  // Resetting the source's chain leaves the copies' where they were.
  CRijndael twin(copy);
  a.ResetChain();
  Bytes fromSource(32), fromCopy(32), fromTwin(32);
  a.EncryptBlockN(C(data), C(fromSource), 32);
  copy.EncryptBlockN(C(data), C(fromCopy), 32);
  twin.EncryptBlockN(C(data), C(fromTwin), 32);
  EXPECT_EQ(fromSource, skip);
  EXPECT_EQ(fromCopy, fromTwin);
  EXPECT_NE(fromCopy, skip);
}

TEST(Rijndael, WorksThroughTheCipherInterface) {
  Bytes key(16, 2), iv(16, 1), msg(40, 'x');
  CRijndael* concrete = new CRijndael;
  CCipher* cipher = concrete;
  EXPECT_EQ(cipher->Encrypt(C(msg), 40, C(msg), 40), -1);
  ASSERT_EQ(cipher->Init(C(key), C(iv), CRijndael::CBC, 16, 16), 0);
  Bytes ct(49), pt(49);
  EXPECT_EQ(cipher->Encrypt(C(msg), 40, C(ct), 49), 49);
  concrete->ResetChain();
  EXPECT_EQ(cipher->Decrypt(C(ct), 49, C(pt), 49), 40);
  EXPECT_EQ(Bytes(pt.begin(), pt.begin() + 40), msg);
  delete concrete;  // CCipher has no virtual destructor
}

}  // namespace

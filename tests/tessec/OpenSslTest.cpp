// Cross-checks against OpenSSL (native builds only): every digest over many random lengths and
// splits, including a message whose bit count passes 2^32; AES-128/192/256 in ECB, CBC and CFB
// over random keys, chain blocks, lengths and call splits; Base64 encoding.
#include <gtest/gtest.h>

#include <openssl/evp.h>

#include <memory>
#include <string>

#include "TestUtil.h"
#include "tessec/tessec.h"

using namespace public_crypt;
using tessec_test::Bytes;
using tessec_test::Random;
using tessec_test::ToHex;

namespace {

struct DigestPair {
  const char* name;
  const EVP_MD* (*md)();
  CHash* (*make)();
};

const DigestPair kDigests[] = {
    {"MD5", EVP_md5, [] { return static_cast<CHash*>(new CMD5); }},
    {"SHA-1", EVP_sha1, [] { return static_cast<CHash*>(new CSHA1); }},
    {"SHA-256", EVP_sha256, [] { return static_cast<CHash*>(new CSHA256); }},
    {"SHA-384", EVP_sha384, [] { return static_cast<CHash*>(new CSHA384); }},
    {"SHA-512", EVP_sha512, [] { return static_cast<CHash*>(new CSHA512); }},
};

std::string OpenSslDigest(const EVP_MD* md, const Bytes& data) {
  unsigned char out[EVP_MAX_MD_SIZE];
  unsigned int len = 0;
  EVP_Digest(data.data(), data.size(), out, &len, md, nullptr);
  return ToHex(out, len);
}

TEST(OpenSsl, DigestsOverRandomLengthsAndSplits) {
  Random rng(31337);
  for (const DigestPair& d : kDigests) {
    std::unique_ptr<CHash> h(d.make());
    for (int iter = 0; iter < 300; ++iter) {
      const size_t n = iter < 260 ? static_cast<size_t>(iter) : rng.Below(20000);
      Bytes msg = rng.RandomBytes(n);
      h->Init();
      size_t pos = 0;
      while (pos < n) {
        const size_t step = rng.Below(3) == 0 ? rng.Below(200) : rng.Below(n - pos + 1);
        const size_t take = step < n - pos ? step : n - pos;
        h->Update(msg.data() + pos, static_cast<unsigned int>(take));
        pos += take;
      }
      unsigned char out[64];
      h->Final(out);
      ASSERT_EQ(ToHex(out, h->GetDigestLen()), OpenSslDigest(d.md(), msg)) << d.name << " " << n;
    }
  }
}

// 513 MiB: the 32-bit low word of the bit count wraps (MD5, SHA-1 and SHA-256 keep it in two
// 32-bit words).
TEST(OpenSsl, BitCountPastTwoToThe32) {
  const size_t chunk = 1 << 20;
  Bytes block(chunk);
  for (size_t i = 0; i < chunk; ++i) block[i] = static_cast<unsigned char>(i * 7 + (i >> 9));
  for (int k = 0; k < 3; ++k) {
    const DigestPair& d = kDigests[k];
    std::unique_ptr<CHash> h(d.make());
    EVP_MD_CTX* ctx = EVP_MD_CTX_new();
    EVP_DigestInit_ex(ctx, d.md(), nullptr);
    for (int i = 0; i < 513; ++i) {
      h->Update(block.data(), static_cast<unsigned int>(chunk) - (i == 512 ? 3 : 0));
      EVP_DigestUpdate(ctx, block.data(), chunk - (i == 512 ? 3 : 0));
    }
    unsigned char ours[64], theirs[EVP_MAX_MD_SIZE];
    unsigned int len = 0;
    h->Final(ours);
    EVP_DigestFinal_ex(ctx, theirs, &len);
    EVP_MD_CTX_free(ctx);
    EXPECT_EQ(ToHex(ours, h->GetDigestLen()), ToHex(theirs, len)) << d.name;
  }
}

const EVP_CIPHER* Aes(int keyLength, int mode) {
  switch (mode) {
    case CRijndael::CBC:
      return keyLength == 16   ? EVP_aes_128_cbc()
             : keyLength == 24 ? EVP_aes_192_cbc()
                               : EVP_aes_256_cbc();
    case CRijndael::CFB:
      return keyLength == 16   ? EVP_aes_128_cfb128()
             : keyLength == 24 ? EVP_aes_192_cfb128()
                               : EVP_aes_256_cfb128();
    default:
      return keyLength == 16   ? EVP_aes_128_ecb()
             : keyLength == 24 ? EVP_aes_192_ecb()
                               : EVP_aes_256_ecb();
  }
}

Bytes OpenSslCrypt(bool encrypt, int keyLength, int mode, const Bytes& key, const Bytes& iv,
                   const Bytes& data) {
  EVP_CIPHER_CTX* ctx = EVP_CIPHER_CTX_new();
  EVP_CipherInit_ex(ctx, Aes(keyLength, mode), nullptr, key.data(), iv.data(), encrypt ? 1 : 0);
  EVP_CIPHER_CTX_set_padding(ctx, 0);
  Bytes out(data.size() + 32);
  int len = 0, tail = 0;
  EVP_CipherUpdate(ctx, out.data(), &len, data.data(), static_cast<int>(data.size()));
  EVP_CipherFinal_ex(ctx, out.data() + len, &tail);
  EVP_CIPHER_CTX_free(ctx);
  out.resize(len + tail);
  return out;
}

TEST(OpenSsl, AesModesOverRandomKeysChainsAndSplits) {
  Random rng(4711);
  for (int keyLength : {16, 24, 32}) {
    for (int mode : {CRijndael::ECB, CRijndael::CBC, CRijndael::CFB}) {
      for (int iter = 0; iter < 40; ++iter) {
        const Bytes key = rng.RandomBytes(keyLength);
        const Bytes iv = rng.RandomBytes(16);
        const Bytes data = rng.RandomBytes(16 * (1 + rng.Below(iter < 30 ? 20 : 700)));
        CRijndael c(reinterpret_cast<const char*>(key.data()),
                    reinterpret_cast<const char*>(iv.data()), mode, keyLength, 16);
        // Encrypt in pieces: the chain carries over between calls.
        Bytes ours(data.size());
        size_t pos = 0;
        while (pos < data.size()) {
          const size_t blocks = 1 + rng.Below((data.size() - pos) / 16);
          c.EncryptBlockN(reinterpret_cast<const char*>(data.data()) + pos,
                          reinterpret_cast<char*>(ours.data()) + pos,
                          static_cast<unsigned int>(16 * blocks));
          pos += 16 * blocks;
        }
        const Bytes theirs = OpenSslCrypt(true, keyLength, mode, key, iv, data);
        ASSERT_EQ(ToHex(ours), ToHex(theirs)) << keyLength << " " << mode << " " << data.size();
        c.ResetChain();
        Bytes back(data.size());
        c.DecryptBlockN(reinterpret_cast<const char*>(ours.data()),
                        reinterpret_cast<char*>(back.data()),
                        static_cast<unsigned int>(ours.size()));
        ASSERT_EQ(back, data);
        ASSERT_EQ(OpenSslCrypt(false, keyLength, mode, key, iv, ours), data);
      }
    }
  }
}

TEST(OpenSsl, Base64MatchesEvpEncodeBlock) {
  Random rng(8);
  CBase64 b64;
  for (int iter = 0; iter < 300; ++iter) {
    const Bytes data = rng.RandomBytes(rng.Below(3000));
    Bytes ours(b64.GetNeedLen(static_cast<unsigned int>(data.size()), 1));
    unsigned int len = static_cast<unsigned int>(ours.size());
    ASSERT_EQ(b64.Encode(data.data(), static_cast<unsigned int>(data.size()), ours.data(), &len),
              0);
    Bytes theirs(ours.size() + 4);
    const int n = EVP_EncodeBlock(theirs.data(), data.data(), static_cast<int>(data.size()));
    ASSERT_EQ(static_cast<int>(len), n);
    ASSERT_EQ(Bytes(ours.begin(), ours.begin() + len), Bytes(theirs.begin(), theirs.begin() + n));
  }
}

}  // namespace

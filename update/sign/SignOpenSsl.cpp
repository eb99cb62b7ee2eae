// The platform's part natively: OpenSSL's EVP interface. Keys go in and out as the DER that
// SignFormats.h writes and reads, so OpenSSL sees exactly what a key file holds.
#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/x509.h>

#include <cstring>

#include "Sign.h"

namespace qsign {

namespace {

struct PkeyDeleter {
  void operator()(EVP_PKEY* key) const { EVP_PKEY_free(key); }
};
struct PkeyCtxDeleter {
  void operator()(EVP_PKEY_CTX* ctx) const { EVP_PKEY_CTX_free(ctx); }
};
struct MdCtxDeleter {
  void operator()(EVP_MD_CTX* ctx) const { EVP_MD_CTX_free(ctx); }
};
using Pkey = std::unique_ptr<EVP_PKEY, PkeyDeleter>;
using PkeyCtx = std::unique_ptr<EVP_PKEY_CTX, PkeyCtxDeleter>;

bool FailOpenSsl(std::string* why, const char* what) {
  const unsigned long error = ERR_get_error();
  ERR_clear_error();
  if (why) {
    *why = what;
    if (error != 0) {
      char text[256];
      ERR_error_string_n(error, text, sizeof text);
      *why += std::string(" (") + text + ")";
    }
  }
  return false;
}

Pkey LoadPublic(const PublicKey& key) {
  const std::vector<uint8_t> der = EncodePublicKeyDer(key);
  const unsigned char* p = der.data();
  return Pkey(d2i_PUBKEY(nullptr, &p, static_cast<long>(der.size())));
}

Pkey LoadPrivate(const PrivateKey& key) {
  std::vector<uint8_t> der = EncodePrivateKeyDer(key);
  const unsigned char* p = der.data();
  Pkey pkey(d2i_AutoPrivateKey(nullptr, &p, static_cast<long>(der.size())));
  std::fill(der.begin(), der.end(), 0);
  return pkey;
}

}  // namespace

struct Sha256::State {
  std::unique_ptr<EVP_MD_CTX, MdCtxDeleter> ctx;
  bool ok = false;
};

Sha256::Sha256() : state_(new State) {
  state_->ctx.reset(EVP_MD_CTX_new());
  state_->ok = state_->ctx && EVP_DigestInit_ex(state_->ctx.get(), EVP_sha256(), nullptr) == 1;
}

Sha256::~Sha256() = default;

void Sha256::Update(const void* data, size_t size) {
  if (state_->ok && size > 0) {
    state_->ok = EVP_DigestUpdate(state_->ctx.get(), data, size) == 1;
  }
}

bool Sha256::Finish(uint8_t (&digest)[kDigestSize]) {
  unsigned int n = 0;
  const bool ok =
      state_->ok && EVP_DigestFinal_ex(state_->ctx.get(), digest, &n) == 1 && n == kDigestSize;
  state_->ok = false;
  return ok;
}

bool VerifyDigest(const PublicKey& key, const uint8_t (&digest)[kDigestSize],
                  const uint8_t (&rs)[kRawSignatureSize], std::string* why) {
  const Pkey pkey = LoadPublic(key);
  if (!pkey) return FailOpenSsl(why, "the public key is not a point of P-256");
  const PkeyCtx ctx(EVP_PKEY_CTX_new(pkey.get(), nullptr));
  const std::vector<uint8_t> der = SignatureToDer(rs);
  if (!ctx || EVP_PKEY_verify_init(ctx.get()) != 1 ||
      EVP_PKEY_CTX_set_signature_md(ctx.get(), EVP_sha256()) != 1) {
    return FailOpenSsl(why, "OpenSSL could not start checking");
  }
  if (EVP_PKEY_verify(ctx.get(), der.data(), der.size(), digest, kDigestSize) != 1) {
    ERR_clear_error();
    if (why) *why = "the signature does not match the package and key";
    return false;
  }
  return true;
}

bool GenerateKey(PrivateKey* key, std::string* why) {
  const Pkey pkey(EVP_PKEY_Q_keygen(nullptr, nullptr, "EC", "P-256"));
  if (!pkey) return FailOpenSsl(why, "OpenSSL could not make a key");
  // Out as PKCS#8 DER and back in through our own reader.
  unsigned char* der = nullptr;
  const int n = i2d_PrivateKey(pkey.get(), &der);
  if (n <= 0) return FailOpenSsl(why, "OpenSSL could not write the key");
  std::string reason;
  const bool ok = ParsePrivateKeyDer(der, static_cast<size_t>(n), key, &reason) && key->hasPublic;
  OPENSSL_clear_free(der, static_cast<size_t>(n));
  if (!ok && why) *why = "OpenSSL wrote a key we can't read: " + reason;
  return ok;
}

bool SignDigest(const PrivateKey& key, const uint8_t (&digest)[kDigestSize],
                uint8_t (&rs)[kRawSignatureSize], std::string* why) {
  const Pkey pkey = LoadPrivate(key);
  if (!pkey) return FailOpenSsl(why, "OpenSSL refused the private key");
  const PkeyCtx ctx(EVP_PKEY_CTX_new(pkey.get(), nullptr));
  if (!ctx || EVP_PKEY_sign_init(ctx.get()) != 1 ||
      EVP_PKEY_CTX_set_signature_md(ctx.get(), EVP_sha256()) != 1) {
    return FailOpenSsl(why, "OpenSSL could not start signing");
  }
  unsigned char der[kMaxDerSignatureSize + 8];
  size_t n = sizeof der;
  if (EVP_PKEY_sign(ctx.get(), der, &n, digest, kDigestSize) != 1) {
    return FailOpenSsl(why, "OpenSSL could not sign");
  }
  std::string reason;
  if (!SignatureFromDer(der, n, rs, &reason)) {
    if (why) *why = "OpenSSL wrote a signature we can't read: " + reason;
    return false;
  }
  return true;
}

}  // namespace qsign

// Package signatures over the platform's hash and ECDSA: parse what came from outside first,
// then let the platform decide.
#include "Sign.h"

namespace qsign {

namespace {

bool Fail(std::string* why, const std::string& reason) {
  if (why) *why = reason;
  return false;
}

bool ParseSignature(const std::vector<uint8_t>& derSignature, uint8_t (&rs)[kRawSignatureSize],
                    std::string* why) {
  if (derSignature.empty()) return Fail(why, "the signature is empty");
  std::string reason;
  if (!SignatureFromDer(derSignature.data(), derSignature.size(), rs, &reason)) {
    return Fail(why, "damaged signature: " + reason);
  }
  return true;
}

bool ParsePublicKey(const std::string& publicKeyPem, PublicKey* key, std::string* why) {
  std::string reason;
  if (!ReadPublicKeyPem(publicKeyPem, key, &reason)) return Fail(why, "public key: " + reason);
  return true;
}

}  // namespace

bool VerifyPackageSignature(const std::string& publicKeyPem, const uint8_t* data, size_t size,
                            const std::vector<uint8_t>& derSignature, std::string* why) {
  PublicKey key;
  uint8_t rs[kRawSignatureSize];
  if (!ParsePublicKey(publicKeyPem, &key, why) || !ParseSignature(derSignature, rs, why)) {
    return false;
  }
  Sha256 hash;
  hash.Update(data, size);
  uint8_t digest[kDigestSize];
  if (!hash.Finish(digest)) return Fail(why, "SHA-256 failed");
  return VerifyDigest(key, digest, rs, why);
}

bool VerifyPackageSignature(const std::string& publicKeyPem, const PathString& packagePath,
                            const std::vector<uint8_t>& derSignature, std::string* why,
                            const HashProgress& progress) {
  PublicKey key;
  uint8_t rs[kRawSignatureSize];
  if (!ParsePublicKey(publicKeyPem, &key, why) || !ParseSignature(derSignature, rs, why)) {
    return false;
  }
  uint8_t digest[kDigestSize];
  return HashFile(packagePath, digest, why, progress) && VerifyDigest(key, digest, rs, why);
}

}  // namespace qsign

// Signing a package file: for the release tool only, apart from checking, so that a program
// that only checks links none of the signing code.
#include "Sign.h"

namespace qsign {

namespace {

bool Fail(std::string* why, const std::string& reason) {
  if (why) *why = reason;
  return false;
}

}  // namespace

bool SignPackageFile(const std::string& privateKeyPem, const PathString& packagePath,
                     std::vector<uint8_t>* derSignature, std::string* why,
                     const HashProgress& progress) {
  PrivateKey key;
  std::string reason;
  if (!ReadPrivateKeyPem(privateKeyPem, &key, &reason)) return Fail(why, "private key: " + reason);
  if (!key.hasPublic) {
    return Fail(why,
                "private key: the file holds no public key; 'openssl pkey -in KEY -out "
                "FULL.pem' writes one that does");
  }
  uint8_t digest[kDigestSize], rs[kRawSignatureSize];
  bool ok = HashFile(packagePath, digest, why, progress) && SignDigest(key, digest, rs, why);
  // A key whose halves don't belong together would sign what nobody can check.
  if (ok && !VerifyDigest(key.publicKey, digest, rs, nullptr)) {
    ok = Fail(why, "private key: its public key does not match it");
  }
  for (uint8_t& b : key.d) b = 0;
  if (ok) *derSignature = SignatureToDer(rs);
  return ok;
}

}  // namespace qsign

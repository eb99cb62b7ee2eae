// Making keys and signing with CNG (bcrypt), for the release tool on Windows. Kept apart from
// checking so that the updater links none of it.
#include "Sign.h"
#include "SignCng.h"

namespace qsign {

namespace {

bool OpenEcdsa(unique_bcrypt_alg* alg, std::string* why) {
  const NTSTATUS status =
      BCryptOpenAlgorithmProvider(alg->put(), BCRYPT_ECDSA_P256_ALGORITHM, nullptr, 0);
  return BCRYPT_SUCCESS(status) || FailStatus(why, "CNG has no ECDSA P-256", status);
}

}  // namespace

bool GenerateKey(PrivateKey* key, std::string* why) {
  unique_bcrypt_alg alg;
  if (!OpenEcdsa(&alg, why)) return false;
  unique_bcrypt_key handle;
  NTSTATUS status = BCryptGenerateKeyPair(alg.get(), handle.put(), 256, 0);
  if (BCRYPT_SUCCESS(status)) status = BCryptFinalizeKeyPair(handle.get(), 0);
  if (!BCRYPT_SUCCESS(status)) return FailStatus(why, "CNG could not make a key", status);
  std::vector<uint8_t> blob(sizeof(BCRYPT_ECCKEY_BLOB) + 3 * kScalarSize);
  ULONG n = 0;
  status = BCryptExportKey(handle.get(), nullptr, BCRYPT_ECCPRIVATE_BLOB, blob.data(),
                           static_cast<ULONG>(blob.size()), &n, 0);
  bool ok = BCRYPT_SUCCESS(status) && n == blob.size();
  if (ok) {
    const uint8_t* p = blob.data() + sizeof(BCRYPT_ECCKEY_BLOB);
    std::memcpy(key->publicKey.x, p, kScalarSize);
    std::memcpy(key->publicKey.y, p + kScalarSize, kScalarSize);
    std::memcpy(key->d, p + 2 * kScalarSize, kScalarSize);
    key->hasPublic = true;
    ok = IsValidScalar(key->d);
  }
  SecureZeroMemory(blob.data(), blob.size());
  return ok || FailStatus(why, "CNG could not hand out the new key", status);
}

bool SignDigest(const PrivateKey& key, const uint8_t (&digest)[kDigestSize],
                uint8_t (&rs)[kRawSignatureSize], std::string* why) {
  if (!key.hasPublic) {
    if (why) *why = "CNG signs only with a key file that holds the public key too";
    return false;
  }
  unique_bcrypt_alg alg;
  if (!OpenEcdsa(&alg, why)) return false;
  std::vector<uint8_t> blob = EccBlob(BCRYPT_ECDSA_PRIVATE_P256_MAGIC, key.publicKey, key.d);
  unique_bcrypt_key handle;
  NTSTATUS status = BCryptImportKeyPair(alg.get(), nullptr, BCRYPT_ECCPRIVATE_BLOB, handle.put(),
                                        blob.data(), static_cast<ULONG>(blob.size()), 0);
  SecureZeroMemory(blob.data(), blob.size());
  if (!BCRYPT_SUCCESS(status)) return FailStatus(why, "CNG refused the private key", status);
  uint8_t hash[kDigestSize];
  std::memcpy(hash, digest, sizeof hash);
  ULONG n = 0;
  status = BCryptSignHash(handle.get(), nullptr, hash, sizeof hash, rs, kRawSignatureSize, &n, 0);
  if (!BCRYPT_SUCCESS(status) || n != kRawSignatureSize) {
    return FailStatus(why, "CNG could not sign", status);
  }
  return true;
}

}  // namespace qsign

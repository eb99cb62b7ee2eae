// The platform's part on Windows, as the updater needs it: SHA-256 and ECDSA P-256 checking
// with CNG (bcrypt). CNG takes a signature as the 64-byte r||s, which SignFormats.h makes from
// the DER that OpenSSL writes.
#include "SignCng.h"

#include "Sign.h"

namespace qsign {

namespace {

// Not in every mingw header set.
constexpr NTSTATUS kInvalidSignature = static_cast<NTSTATUS>(0xC000A000L);

}  // namespace

struct Sha256::State {
  unique_bcrypt_alg alg;  // closed after the hash: declared first
  unique_bcrypt_hash hash;
  bool ok = false;
};

Sha256::Sha256() : state_(new State) {
  state_->ok = BCRYPT_SUCCESS(BCryptOpenAlgorithmProvider(state_->alg.put(),
                                                          BCRYPT_SHA256_ALGORITHM, nullptr, 0)) &&
               BCRYPT_SUCCESS(BCryptCreateHash(state_->alg.get(), state_->hash.put(), nullptr, 0,
                                               nullptr, 0, 0));
}

Sha256::~Sha256() = default;

void Sha256::Update(const void* data, size_t size) {
  const uint8_t* p = static_cast<const uint8_t*>(data);
  while (state_->ok && size > 0) {
    const ULONG n = size > 0x40000000 ? 0x40000000 : static_cast<ULONG>(size);
    state_->ok = BCRYPT_SUCCESS(BCryptHashData(state_->hash.get(), const_cast<PUCHAR>(p), n, 0));
    p += n;
    size -= n;
  }
}

bool Sha256::Finish(uint8_t (&digest)[kDigestSize]) {
  const bool ok =
      state_->ok && BCRYPT_SUCCESS(BCryptFinishHash(state_->hash.get(), digest, kDigestSize, 0));
  state_->ok = false;
  return ok;
}

bool VerifyDigest(const PublicKey& key, const uint8_t (&digest)[kDigestSize],
                  const uint8_t (&rs)[kRawSignatureSize], std::string* why) {
  unique_bcrypt_alg alg;
  NTSTATUS status = BCryptOpenAlgorithmProvider(alg.put(), BCRYPT_ECDSA_P256_ALGORITHM, nullptr, 0);
  if (!BCRYPT_SUCCESS(status)) return FailStatus(why, "CNG has no ECDSA P-256", status);
  std::vector<uint8_t> blob = EccBlob(BCRYPT_ECDSA_PUBLIC_P256_MAGIC, key, nullptr);
  unique_bcrypt_key handle;
  status = BCryptImportKeyPair(alg.get(), nullptr, BCRYPT_ECCPUBLIC_BLOB, handle.put(), blob.data(),
                               static_cast<ULONG>(blob.size()), 0);
  if (!BCRYPT_SUCCESS(status)) return FailStatus(why, "CNG refused the public key", status);
  uint8_t hash[kDigestSize], signature[kRawSignatureSize];
  std::memcpy(hash, digest, sizeof hash);
  std::memcpy(signature, rs, sizeof signature);
  status = BCryptVerifySignature(handle.get(), nullptr, hash, sizeof hash, signature,
                                 sizeof signature, 0);
  if (status == kInvalidSignature) {
    if (why) *why = "the signature does not match the package and key";
    return false;
  }
  if (!BCRYPT_SUCCESS(status)) return FailStatus(why, "CNG could not check the signature", status);
  return true;
}

}  // namespace qsign

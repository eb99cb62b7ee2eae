// Arbitrary bytes as what an update key or signature file may hold. The first byte picks the
// reader; the rest is its input. Besides memory safety it checks that the strict readers
// accept only the one encoding of a value: what they accept, written back, is what came in
// (keys in PKCS#8 form, which can't be told apart from SEC1 and optional fields, read back to
// the same key).
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "SignFormats.h"

using namespace qsign;

namespace {

void CheckSignature(const uint8_t* data, size_t size) {
  uint8_t rs[kRawSignatureSize];
  if (!SignatureFromDer(data, size, rs, nullptr)) return;
  const std::vector<uint8_t> der = SignatureToDer(rs);
  if (der.size() != size || std::memcmp(der.data(), data, size) != 0) std::abort();
}

void CheckPublicKey(const uint8_t* data, size_t size) {
  PublicKey key;
  if (!ParsePublicKeyDer(data, size, &key, nullptr)) return;
  const std::vector<uint8_t> der = EncodePublicKeyDer(key);
  if (der.size() != size || std::memcmp(der.data(), data, size) != 0) std::abort();
}

void CheckPrivateKey(const uint8_t* data, size_t size) {
  PrivateKey key, again;
  if (!ParsePrivateKeyDer(data, size, &key, nullptr)) return;
  const std::vector<uint8_t> der = EncodePrivateKeyDer(key);
  if (!ParsePrivateKeyDer(der.data(), der.size(), &again, nullptr)) std::abort();
  if (std::memcmp(key.d, again.d, kScalarSize) != 0 || key.hasPublic != again.hasPublic)
    std::abort();
  if (key.hasPublic && std::memcmp(&key.publicKey, &again.publicKey, sizeof key.publicKey) != 0) {
    std::abort();
  }
}

void CheckPem(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  std::vector<uint8_t> der, again;
  PublicKey publicKey;
  PrivateKey privateKey;
  ReadPublicKeyPem(text, &publicKey, nullptr);
  ReadPrivateKeyPem(text, &privateKey, nullptr);
  if (!ParsePem(text, "PUBLIC KEY", &der, nullptr)) return;
  if (!ParsePem(EncodePem("PUBLIC KEY", der), "PUBLIC KEY", &again, nullptr) || again != der) {
    std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  switch (data[0] & 3) {
    case 0:
      CheckSignature(data + 1, size - 1);
      break;
    case 1:
      CheckPublicKey(data + 1, size - 1);
      break;
    case 2:
      CheckPrivateKey(data + 1, size - 1);
      break;
    default:
      CheckPem(data + 1, size - 1);
      break;
  }
  return 0;
}

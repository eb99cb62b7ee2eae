// The outside forms of update-signing keys and signatures: PEM armour, the DER of an EC P-256
// public key (SubjectPublicKeyInfo) and private key (PKCS#8, or SEC1 "EC PRIVATE KEY"), and the
// DER ECDSA signature that OpenSSL writes, against the plain numbers the platforms take (X and
// Y, d, the 64-byte r||s). Portable and strict, because these bytes come from outside: built
// natively too, tested under ASan/UBSan and fuzzed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace qsign {

constexpr size_t kScalarSize = 32;        // a P-256 coordinate, private value, r or s
constexpr size_t kDigestSize = 32;        // SHA-256
constexpr size_t kRawSignatureSize = 64;  // r || s, big-endian, 32 bytes each
// The longest DER signature: two 33-byte integers and their headers.
constexpr size_t kMaxDerSignatureSize = 72;

struct PublicKey {
  uint8_t x[kScalarSize];
  uint8_t y[kScalarSize];
};

struct PrivateKey {
  uint8_t d[kScalarSize];
  // Key files normally carry the public point too; Windows CNG can't sign without it.
  bool hasPublic = false;
  PublicKey publicKey;
};

// The first PEM block labelled `label` ("PUBLIC KEY") in `text`, decoded. Text around the
// block is ignored, as OpenSSL does; line ends may be LF or CRLF. False, with a reason in `why`,
// when there is no such block or its Base64 is damaged.
bool ParsePem(const std::string& text, const char* label, std::vector<uint8_t>* der,
              std::string* why);
std::string EncodePem(const char* label, const std::vector<uint8_t>& der);

// SubjectPublicKeyInfo of an EC key on P-256 with an uncompressed point.
bool ParsePublicKeyDer(const uint8_t* der, size_t size, PublicKey* key, std::string* why);
std::vector<uint8_t> EncodePublicKeyDer(const PublicKey& key);

// PKCS#8 PrivateKeyInfo (version 0 or 1) holding a SEC1 ECPrivateKey on P-256, or a bare SEC1
// ECPrivateKey (what "openssl ecparam -genkey" writes).
bool ParsePrivateKeyDer(const uint8_t* der, size_t size, PrivateKey* key, std::string* why);
// PKCS#8 as OpenSSL writes it: the curve in the algorithm, the public point inside.
std::vector<uint8_t> EncodePrivateKeyDer(const PrivateKey& key);

// A PEM file's key: "PUBLIC KEY"; "PRIVATE KEY" or "EC PRIVATE KEY". The reasons name what the
// file holds instead when it is the other kind of key or an encrypted one.
bool ReadPublicKeyPem(const std::string& pem, PublicKey* key, std::string* why);
bool ReadPrivateKeyPem(const std::string& pem, PrivateKey* key, std::string* why);
std::string WritePublicKeyPem(const PublicKey& key);
std::string WritePrivateKeyPem(const PrivateKey& key);

// ECDSA-Sig-Value (SEQUENCE of two INTEGERs) in strict DER, r and s in 1 .. n-1, to r||s.
bool SignatureFromDer(const uint8_t* der, size_t size, uint8_t (&rs)[kRawSignatureSize],
                      std::string* why);
// r||s to the DER that OpenSSL writes (minimal integers).
std::vector<uint8_t> SignatureToDer(const uint8_t (&rs)[kRawSignatureSize]);

// Whether a big-endian 32-byte value lies in 1 .. n-1, n the order of P-256.
bool IsValidScalar(const uint8_t (&value)[kScalarSize]);

}  // namespace qsign

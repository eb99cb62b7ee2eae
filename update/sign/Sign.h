// Update signatures: ECDSA on P-256 over the SHA-256 of the whole package, stored as the DER
// signature that "openssl dgst -sha256 -sign KEY -out update.zip.sig update.zip" writes.
//
// The platform does the arithmetic (Windows CNG in the Windows build, OpenSSL natively); what
// comes from outside (PEM keys, DER signatures) is parsed by the portable SignFormats.h first.
// Failures are results with a reason in words, never exceptions.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "SignFormats.h"

namespace qsign {

#ifdef _WIN32
typedef std::wstring PathString;
#else
typedef std::string PathString;  // a file-system path as the C library takes it
#endif

// ---- What each platform provides (SignCng*.cpp, SignOpenSsl.cpp) ---------------------------

// SHA-256 fed in pieces. A platform failure shows only in Finish.
class Sha256 {
 public:
  Sha256();
  ~Sha256();
  Sha256(const Sha256&) = delete;
  Sha256& operator=(const Sha256&) = delete;

  void Update(const void* data, size_t size);
  bool Finish(uint8_t (&digest)[kDigestSize]);

 private:
  struct State;
  std::unique_ptr<State> state_;
};

// True only when `rs` is a valid signature of `digest` by `key`. `why` (may be null) says why
// not: a wrong signature, or a key the platform refused.
bool VerifyDigest(const PublicKey& key, const uint8_t (&digest)[kDigestSize],
                  const uint8_t (&rs)[kRawSignatureSize], std::string* why);

// A new key pair from the platform's random source, public point included.
bool GenerateKey(PrivateKey* key, std::string* why);

// Signs `digest`. Windows needs the key's public point (key files carry it).
bool SignDigest(const PrivateKey& key, const uint8_t (&digest)[kDigestSize],
                uint8_t (&rs)[kRawSignatureSize], std::string* why);

// ---- Files and packages (portable, over the above) -----------------------------------------

// Called as hashing goes on with the bytes done and the file's size; false stops it.
typedef std::function<bool(uint64_t done, uint64_t total)> HashProgress;

// SHA-256 of a file, read in pieces of 1 MiB: a package of hundreds of MB is never held whole.
bool HashFile(const PathString& path, uint8_t (&digest)[kDigestSize], std::string* why,
              const HashProgress& progress = nullptr);

// Reads a small file whole (a key or a signature); refuses files larger than `limit`.
bool ReadSmallFile(const PathString& path, size_t limit, std::string* bytes, std::string* why);

// Whether `derSignature` is the signature of the package by the holder of the key in
// `publicKeyPem` (a "PUBLIC KEY" PEM block). The package is given as bytes or as a file, which
// is hashed in pieces. False, with the reason in `why` (may be null), for a damaged key or
// signature, a wrong signature, or a file that can't be read.
bool VerifyPackageSignature(const std::string& publicKeyPem, const uint8_t* data, size_t size,
                            const std::vector<uint8_t>& derSignature, std::string* why);
bool VerifyPackageSignature(const std::string& publicKeyPem, const PathString& packagePath,
                            const std::vector<uint8_t>& derSignature, std::string* why,
                            const HashProgress& progress = nullptr);

// The DER signature of a file by the key in `privateKeyPem`, checked against the key's public
// point before it is handed out.
bool SignPackageFile(const std::string& privateKeyPem, const PathString& packagePath,
                     std::vector<uint8_t>* derSignature, std::string* why,
                     const HashProgress& progress = nullptr);

}  // namespace qsign

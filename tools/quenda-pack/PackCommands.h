// The commands besides "build" (PackBuild.h).
#pragma once

#include <string>

namespace qpack {

// "keygen --out DIR": a new ECDSA P-256 key pair, DIR/update-key.pem (PKCS#8) and
// DIR/update-key.pub.pem (SubjectPublicKeyInfo), never over existing keys. Exit code.
int RunKeygen(const std::string& outDir);

struct VerifyOptions {
  std::string package;
  std::string key;      // public key PEM; empty: the signature is not checked
  std::string version;  // empty: any
};

// "verify PACKAGE": 0 only when the updater would install the package as it is (and the
// signature PACKAGE.sig checks against the key, when one is given).
int RunVerify(const VerifyOptions& options);

}  // namespace qpack

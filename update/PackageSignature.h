// The vendor's signature on a package. An updater built with a public key (a resource, named
// UPDATE_PUBLIC_KEY) installs only packages signed with the matching private key: before
// anything is staged it fetches "<package address>.sig" and checks the downloaded package
// against it. Built without a key, it asks for no signature at all.
#pragma once

#include <Ferrow.h>

#include <atomic>
#include <string>

// The downloader of the signature: the file is small and its progress of no interest.
class CSignatureGetFile : public CWebGetFile {
 public:
  CSignatureGetFile() : CWebGetFile(0, 0, 0) {}
  int OnProgress(double, double) override { return 0; }
};

// The PEM public key built into this program; empty when it was built without one.
std::string BuiltInPublicKey();

// Fetches the signature with `download` into "<packagePath>.sig" and checks the package at
// `packagePath` against it and `publicKeyPem`. `cancel` stops the hashing; a stop of the
// download ends the fetch. True only for a package signed with the key; the signature file
// is removed either way.
bool CheckPackageSignature(const std::string& publicKeyPem, const std::wstring& packageUrl,
                           const std::wstring& packagePath, CWebGetFile& download,
                           const std::atomic<bool>& cancel);

#include "PackageSignature.h"

#include <windows.h>

#include <vector>

#include "DownloadArgs.h"
#include "Sign.h"
#include "UpdateCore.h"

namespace {

// A DER ECDSA P-256 signature takes at most 72 bytes; anything much larger is not one.
constexpr size_t kMaxSignatureBytes = 4096;

}  // namespace

std::string BuiltInPublicKey() {
  HRSRC found = FindResourceW(nullptr, L"UPDATE_PUBLIC_KEY", MAKEINTRESOURCEW(10));  // RT_RCDATA
  if (!found) return std::string();
  HGLOBAL loaded = LoadResource(nullptr, found);
  const void* bytes = loaded ? LockResource(loaded) : nullptr;
  if (!bytes) return std::string();
  return std::string(static_cast<const char*>(bytes), SizeofResource(nullptr, found));
}

bool CheckPackageSignature(const std::string& publicKeyPem, const std::wstring& packageUrl,
                           const std::wstring& packagePath, CWebGetFile& download,
                           const std::atomic<bool>& cancel) {
  const std::wstring signaturePath = packagePath + L".sig";
  const std::string url = DownloadUrl(SignatureUrl(packageUrl));
  std::string path;
  if (!DownloadPath(signaturePath, &path) ||
      download.GetFile(url.c_str(), path.c_str(), FERROW_NO_RESUME) != FERROW_OK) {
    DeleteFileW(signaturePath.c_str());
    return false;
  }
  std::string signature, why;
  const bool read = qsign::ReadSmallFile(signaturePath, kMaxSignatureBytes, &signature, &why);
  DeleteFileW(signaturePath.c_str());
  return read &&
         qsign::VerifyPackageSignature(publicKeyPem, packagePath,
                                       std::vector<uint8_t>(signature.begin(), signature.end()),
                                       &why, [&cancel](uint64_t, uint64_t) { return !cancel; });
}

// Owners of CNG handles and the blobs that carry P-256 keys into CNG, shared by the Windows
// backend's files.
#pragma once

#include <windows.h>
#include <bcrypt.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "SignFormats.h"
#include "UniqueHandle.h"

namespace qsign {

struct bcrypt_alg_traits {
  using pointer = BCRYPT_ALG_HANDLE;
  static pointer empty() noexcept { return nullptr; }
  static void close(pointer h) noexcept { ::BCryptCloseAlgorithmProvider(h, 0); }
};
using unique_bcrypt_alg = quenda::unique_any<bcrypt_alg_traits>;

using unique_bcrypt_key = quenda::unique_fn<BCRYPT_KEY_HANDLE, &::BCryptDestroyKey>;
using unique_bcrypt_hash = quenda::unique_fn<BCRYPT_HASH_HANDLE, &::BCryptDestroyHash>;

// A BCRYPT_ECCKEY_BLOB header and the 32-byte X and Y (and d for a private blob).
inline std::vector<uint8_t> EccBlob(ULONG magic, const PublicKey& key, const uint8_t* d) {
  std::vector<uint8_t> blob(sizeof(BCRYPT_ECCKEY_BLOB) + (d ? 3 : 2) * kScalarSize);
  BCRYPT_ECCKEY_BLOB header = {magic, static_cast<ULONG>(kScalarSize)};
  std::memcpy(blob.data(), &header, sizeof header);
  uint8_t* p = blob.data() + sizeof header;
  std::memcpy(p, key.x, kScalarSize);
  std::memcpy(p + kScalarSize, key.y, kScalarSize);
  if (d) std::memcpy(p + 2 * kScalarSize, d, kScalarSize);
  return blob;
}

inline bool FailStatus(std::string* why, const char* what, NTSTATUS status) {
  if (why) {
    char code[16];
    std::snprintf(code, sizeof code, "%08lX", static_cast<unsigned long>(status));
    *why = std::string(what) + " (CNG status 0x" + code + ")";
  }
  return false;
}

}  // namespace qsign

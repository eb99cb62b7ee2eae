// Hashing a file in pieces and reading small files whole, over the platform's InputFile.
#include <vector>

#include "SignFile.h"

namespace qsign {

bool HashFile(const PathString& path, uint8_t (&digest)[kDigestSize], std::string* why,
              const HashProgress& progress) {
  InputFile file(path);
  uint64_t total = 0;
  if (!file.Size(&total, why)) return false;
  std::vector<uint8_t> buffer(1 << 20);
  Sha256 hash;
  uint64_t done = 0;
  for (;;) {
    const int64_t n = file.Read(buffer.data(), buffer.size(), why);
    if (n < 0) return false;
    if (n == 0) break;
    hash.Update(buffer.data(), static_cast<size_t>(n));
    done += static_cast<uint64_t>(n);
    if (progress && !progress(done, total)) {
      if (why) *why = "stopped";
      return false;
    }
  }
  if (!hash.Finish(digest)) {
    if (why) *why = "SHA-256 failed";
    return false;
  }
  return true;
}

bool ReadSmallFile(const PathString& path, size_t limit, std::string* bytes, std::string* why) {
  InputFile file(path);
  uint64_t size = 0;
  if (!file.Size(&size, why)) return false;
  if (size > limit) {
    if (why) *why = PathText(path) + ": larger than " + std::to_string(limit) + " bytes";
    return false;
  }
  bytes->assign(static_cast<size_t>(size), '\0');
  size_t have = 0;
  while (have < bytes->size()) {
    const int64_t n =
        file.Read(reinterpret_cast<uint8_t*>(&(*bytes)[have]), bytes->size() - have, why);
    if (n < 0) return false;
    if (n == 0) break;
    have += static_cast<size_t>(n);
  }
  bytes->resize(have);
  return true;
}

}  // namespace qsign

// Whether the updater would install a package as it stands: the one check behind "verify",
// also run on every package "build" writes before it is put in place.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "ZipArchive.h"

namespace qpack {

struct PackageCheckResult {
  int entries = 0;
  int files = 0;
  uint64_t bytes = 0;                 // the files' data, unpacked
  std::string version;                // what lastver.xml declares
  std::vector<std::string> problems;  // each names the entry and says why
};

// Every entry must have a usable name that stays below the program folder (update/zip's
// rules) within kMaxPackagePath; folders are the entries whose names end in a separator or
// that carry the folder attribute; no two entries may name the same file, or a file and a
// folder, as Windows compares names; every file must unpack without a password to its CRC;
// lastver.xml must lie at the top and declare a version, `expectedVersion` when that is not
// empty. `progress` (may be empty) hears the unpacked bytes as they are checked, of
// `totalBytes` it is told first.
void CheckPackage(qzip::CZipArchive& archive, const std::string& expectedVersion,
                  PackageCheckResult* result,
                  const std::function<void(uint64_t done, uint64_t totalBytes)>& progress);

}  // namespace qpack

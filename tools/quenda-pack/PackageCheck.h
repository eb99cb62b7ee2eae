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

// The updater's own install plan (qzip::PlanPackage: usable, safe names within
// kMaxPackagePath, no file that is also a folder), nothing in the updater's work folder, every
// file of the plan unpacking without a password to its CRC, and a lastver.xml at the top that
// declares a version, `expectedVersion` when that is not empty. `progress` (may be empty)
// hears the unpacked bytes as they are checked, and their total.
void CheckPackage(qzip::CZipArchive& archive, const std::string& expectedVersion,
                  PackageCheckResult* result,
                  const std::function<void(uint64_t done, uint64_t totalBytes)>& progress);

}  // namespace qpack

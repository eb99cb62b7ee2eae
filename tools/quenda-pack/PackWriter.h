// Writing the package with minizip: entries in the order given, names in UTF-8 with the
// language flag, DOS attribute bits, times from the entries only, deflated at the best level.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "Progress.h"

namespace qpack {

struct PackEntry {
  std::string name;    // in the archive: '/' between components, folders end in '/'
  std::string source;  // the file to read, or empty: then `content` is the data
  std::string content;
  bool folder = false;
  uint64_t size = 0;
  int64_t time = 0;         // seconds since 1970 UTC
  uint32_t attributes = 0;  // read-only, hidden, system
};

// The earliest and latest times a package entry carries: DOS dates start in 1980, and the
// "UT" block holds a signed 32-bit count of seconds. Times outside are moved to the nearer end.
constexpr int64_t kEarliestTime = 315532800;  // 1980-01-01 00:00:00 UTC
constexpr int64_t kLatestTime = 0x7FFFFFFF;   // 2038-01-19 03:14:07 UTC
int64_t ClampTime(int64_t time);

// The DOS date and time fields of a UTC time, taken as it is: the package must not depend on
// the time zone of the machine that built it. The updater reads the exact time from the "UT"
// block that every entry carries.
uint32_t DosDateTime(int64_t time);

// Writes `entries` to a new archive at `path`. False, with the reason, when a file can't be
// read, has changed size since it was listed, or the archive can't be written.
bool WritePackage(const std::string& path, const std::vector<PackEntry>& entries, ProgressBar* bar,
                  std::string* why);

}  // namespace qpack

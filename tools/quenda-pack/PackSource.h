// What a source folder holds, with every name checked against what the updater can install,
// and the difference to a previous release's folder.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "Utf16.h"

namespace qpack {

struct SourceEntry {
  std::string path;  // relative, '/' between components
  bool folder = false;
  uint64_t size = 0;
  int64_t time = 0;  // seconds since 1970 UTC
  uint32_t attributes = 0;
};

// A file or folder of the source that can't go into a package, and why.
struct Problem {
  std::string path;
  std::string why;
};

// Walks a folder. With `checkNames`, entries whose names the updater could not install are
// refused (and not walked into): see RefuseName, plus names that differ only in case from
// another beside them, paths longer than kMaxPackagePath, files of 4 GiB or more.
class SourceScan {
 public:
  explicit SourceScan(bool checkNames) : checkNames_(checkNames) {}
  void Walk(const std::string& root);

  std::vector<SourceEntry> entries;  // in the order walked
  std::vector<Problem> problems;

 private:
  void WalkFolder(const std::string& root, const std::string& relative);
  std::string Refuse(const std::string& path, const std::string& name, bool folder, uint64_t size,
                     std::map<Utf16String, std::string>* seen) const;

  bool checkNames_;
};

// The key under which Windows finds a relative path: case folded.
Utf16String PathKey(const std::string& path);

// What a delta package holds: the entries of `current` that PREVIOUS lacks or whose file
// content differs; files and folders only in PREVIOUS (top-most only) as warnings, since a
// package can't remove them; a file in one and folder in the other as problems, since the
// updater can't put one in place of the other.
struct Delta {
  std::vector<SourceEntry> chosen;
  std::vector<std::string> onlyInPrevious;
  std::vector<Problem> problems;
};
void ComputeDelta(const std::string& root, const std::vector<SourceEntry>& current,
                  const std::string& previousRoot, const std::vector<SourceEntry>& previous,
                  Delta* delta);

}  // namespace qpack

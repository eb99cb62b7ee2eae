// The install plan of a whole package: every entry of an archive checked against the rules the
// updater installs by, before a single byte is written. A package is installed whole or not at
// all, so one entry that can't be placed refuses the package, and the caller learns which entry
// and why. Portable: the release tool checks packages with the same rules as the updater.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "Utf16.h"
#include "Zip.h"
#include "ZipArchive.h"

namespace qzip {

struct PlanEntry {
  int index;  // position in the archive
  // Relative to the installation folder: components joined by single backslashes, no "."
  // components, no leading or trailing separator. Never empty.
  Utf16String path;
  bool folder;
  uint32_t attributes;  // kZipAttr* bits; never kZipAttrDirectory for a file
  ZipFileTime creationTime, accessTime, writeTime;
  uint64_t size;  // uncompressed
};

enum class PlanProblem {
  kNone,
  kUnreadable,     // the entry's headers can't be read
  kNameUnusable,   // the stored name can't stand for a path (too long, a zero byte, empty)
  kNameUnsafe,     // it would leave the folder or names what Windows can't create
  kPathTooLong,    // below the installation folder it would not fit Windows' path limit
  kFileAndFolder,  // a file of the package is also a folder of it (or of one of its paths)
};

struct PlanError {
  PlanProblem problem = PlanProblem::kNone;
  int index = -1;
  Utf16String name;  // the entry's name as far as it could be read
};

// A short English description of a problem, for tools and logs.
const char* DescribePlanProblem(PlanProblem problem);

// Builds the plan of every entry of `archive`, in archive order. An entry whose name ends in a
// separator is a folder whatever its attributes say (some tools write none). Folder entries
// that name the installation folder itself ("/", "C:\") add nothing. Two file entries for the
// same path (compared as Windows compares names) keep the later one, as unpacking in order
// would. `maxPathUnits` is the longest relative path that fits (the path limit less the
// installation folder's own length). False, with `error` filled, when any entry can't be
// placed.
bool PlanPackage(CZipArchive& archive, size_t maxPathUnits, std::vector<PlanEntry>* plan,
                 PlanError* error);

// Whether two relative paths name the same file under Windows' case rules (ordinal, ignoring
// the case of ASCII and of the other letters that have a simple upper-case form).
bool SamePathNoCase(const Utf16String& a, const Utf16String& b);

// The folders a plan needs, outermost first and each once: every folder entry and every
// folder that holds a file.
std::vector<Utf16String> PlanFolders(const std::vector<PlanEntry>& plan);

}  // namespace qzip

// The names a package may carry, by the updater's rules and Windows' own: what a file or
// folder of the source may be called, how Windows compares names (letter case, trailing dots
// and spaces), and how long a path may be below the program folder. Portable.
#pragma once

#include <cstddef>
#include <string>

#include "Utf16.h"

namespace qpack {

// Room kept for the program folder a package is unpacked into (and the updater's working
// folder inside it): "C:\Program Files (x86)\Quenda\" takes 30 of it. What is left of
// Windows' MAX_PATH (259 characters and the terminating zero) is the longest path a package
// may hold.
constexpr size_t kProgramFolderAllowance = 80;
constexpr size_t kMaxPackagePath = 259 - kProgramFolderAllowance;

// The folder at the top of the installation where the updater stages a package and keeps its
// journal (CPackageInstall::kWorkFolderName): a package may not bring anything there.
constexpr char kUpdaterWorkFolder[] = "~update.work";

// Why a file or folder called `name` (one component, UTF-8) can't be installed by the
// updater; "" when it can. Uses the updater's own rule (IsSafeRelativeName) as the last word.
// Names that differ only in case are compared with FoldCase below, which knows more letters
// than the updater's plan check: the updater would meet the others only when staging fails.
std::string RefuseName(const std::string& name);

// `name` as Windows compares names: every letter in upper case, as the file systems' case
// table maps it (ASCII, Latin, Greek, Cyrillic, Armenian and full-width letters).
Utf16String FoldCase(const Utf16String& name);

// Length of a UTF-8 path in UTF-16 units, as Windows counts it.
size_t WindowsLength(const std::string& path);

}  // namespace qpack

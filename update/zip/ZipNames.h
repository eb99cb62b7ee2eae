// Entry names: from the bytes stored in an archive to the record's name, and from a target
// name to the decision whether it may be written below the base folder. Portable, because
// these decide where untrusted names may write: they are tested natively and fuzzed.
#pragma once

#include <cstddef>
#include <cstdint>

#include "Utf16.h"
#include "Zip.h"

namespace qzip {

// Longest stored name, in bytes, that the record holds with its terminating zero. UTF-8 never
// takes fewer bytes than UTF-16 units, so such a name always converts within the record.
constexpr size_t kMaxNameBytes = kZipMaxPath - 1;

// Converts a stored name from UTF-8 (whatever the entry's flags say; invalid bytes become
// U+FFFD) into `out`. False, with `out` empty, when the name can't stand for a path: longer
// than kMaxNameBytes (cutting it would name another file) or holding a zero byte.
bool ConvertEntryName(const char* bytes, size_t size, Utf16Char (&out)[kZipMaxPath]);

// The name without drive prefixes, leading separators and everything up to each "\..\",
// "\../", "/../" or "/..\" (the first found in that order), cut again and again until none of
// these applies. Returns a pointer into `name`. What remains may still climb ("../b", "a/..");
// IsSafeRelativeName refuses such names.
const Utf16Char* SanitiseEntryName(const Utf16Char* name);

inline bool IsSeparator(Utf16Char c) { return c == U16('\\') || c == U16('/'); }

// A target name is absolute when it starts with a separator or its second character is a
// colon (a drive).
bool IsAbsoluteName(const Utf16Char* name);

// Whether a relative target name stays below the folder it is taken from and names an
// ordinary file or folder there. Refused: a leading separator; a ".." component, or any
// component made only of dots and spaces (Windows trims trailing dots and spaces, so "... "
// and ".. " are no safer), except "." inside the path; colons (drives, alternate streams);
// control characters and the wildcard and quoting characters Windows forbids; device names
// (CON, NUL, COM1, ...). Empty components ("a//b") and an empty name are allowed.
bool IsSafeRelativeName(const Utf16Char* name, size_t length);

// Files the layer leaves beside targets: a new file being written ("~qz" + 8 hex digits +
// ".new") and an old file moved aside because a running program still held it ("~qz" + 8
// hex digits + ".old"). Both are removed when files are next extracted into their folder.
constexpr size_t kLeftoverNameLength = 15;
enum class LeftoverKind { kNew, kOld };
void MakeLeftoverName(LeftoverKind kind, uint32_t unique,
                      Utf16Char (&out)[kLeftoverNameLength + 1]);
bool IsLeftoverName(const Utf16Char* name);

}  // namespace qzip

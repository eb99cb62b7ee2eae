// lastver.xml, the file by which a package declares its version: made for the package when the
// source has none, and read exactly as the updater reads it (update/xml).
#pragma once

#include <string>

namespace qpack {

constexpr char kVersionFileName[] = "lastver.xml";

// Why `version` can't be declared; "" when it can. The updater compares the whole text unit by
// unit, so a version with blanks around it or control characters would never match.
std::string RefuseVersion(const std::string& version);

// <config><version>V</version></config> in UTF-8 with its declaration.
std::string MakeVersionFile(const std::string& version);

// The text of config/version, as the updater takes it from the file at `path` (any encoding
// update/xml reads). False, with the reason, when the file can't be read, is not well-formed or
// declares no version.
bool ReadVersionFile(const std::string& path, std::string* version, std::string* why);

// The same for the bytes of a package's entry.
bool ReadVersionBytes(const std::string& bytes, std::string* version, std::string* why);

}  // namespace qpack

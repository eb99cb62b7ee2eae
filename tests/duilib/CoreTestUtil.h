// Helpers for the tests of the portable skin core: UTF-8 literals as UTF-16 and back.
#pragma once

#include "Utf16.h"

#include <string>

inline Utf16String U(const std::string& utf8) { return Utf8ToUtf16(utf8); }
inline std::string A(const Utf16String& utf16) { return Utf16ToUtf8(utf16); }

// UTF-16 code units for the portable parts.
//
// On Windows a UTF-16 unit is wchar_t, so portable code takes GetCommandLineW() and other
// wide Win32 strings directly. Elsewhere wchar_t is 32 bits wide; the same code then runs
// over char16_t so that it can be built and fuzzed natively with identical behaviour.
#pragma once

#include <string>

#ifdef _WIN32
typedef wchar_t Utf16Char;
#define U16(s) L##s
#else
typedef char16_t Utf16Char;
#define U16(s) u##s
#endif

typedef std::basic_string<Utf16Char> Utf16String;

static_assert(sizeof(Utf16Char) == 2, "a UTF-16 code unit is two bytes");

// Length of a zero-terminated UTF-16 string.
inline size_t Utf16Length(const Utf16Char* s) {
  size_t n = 0;
  while (s[n] != 0) ++n;
  return n;
}

// Conversions used at the portable edges (tests, native file loading). Invalid input is
// replaced by U+FFFD rather than rejected.
Utf16String Utf8ToUtf16(const std::string& utf8);
std::string Utf16ToUtf8(const Utf16String& utf16);

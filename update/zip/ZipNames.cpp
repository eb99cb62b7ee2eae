#include "ZipNames.h"

#include <cstring>
#include <string>

namespace qzip {

namespace {

Utf16Char AsciiUpper(Utf16Char c) {
  return (c >= U16('a') && c <= U16('z')) ? static_cast<Utf16Char>(c - 32) : c;
}

bool EqualsAsciiNoCase(const Utf16Char* s, size_t n, const char* ascii) {
  if (std::strlen(ascii) != n) return false;
  for (size_t i = 0; i < n; ++i) {
    if (AsciiUpper(s[i]) != static_cast<Utf16Char>(ascii[i])) return false;
  }
  return true;
}

// First occurrence of `first` '.' '.' `last` in `s`, or null. Each character is compared only
// when the ones before it matched, so the search never reads past the terminator.
const Utf16Char* FindClimb(const Utf16Char* s, Utf16Char first, Utf16Char last) {
  for (; *s != 0; ++s) {
    if (s[0] == first && s[1] == U16('.') && s[2] == U16('.') && s[3] == last) return s;
  }
  return nullptr;
}

// Device names that Windows opens instead of a file, with or without an extension
// ("NUL.txt" is the null device too). Digits include the superscripts that Windows accepts.
bool IsDeviceName(const Utf16Char* begin, const Utf16Char* end) {
  const Utf16Char* stem = begin;
  while (stem < end && *stem != U16('.')) ++stem;
  while (stem > begin && stem[-1] == U16(' ')) --stem;
  const size_t n = static_cast<size_t>(stem - begin);
  if (n == 3) {
    return EqualsAsciiNoCase(begin, 3, "CON") || EqualsAsciiNoCase(begin, 3, "PRN") ||
           EqualsAsciiNoCase(begin, 3, "AUX") || EqualsAsciiNoCase(begin, 3, "NUL");
  }
  if (n == 4 && (EqualsAsciiNoCase(begin, 3, "COM") || EqualsAsciiNoCase(begin, 3, "LPT"))) {
    const Utf16Char d = begin[3];
    return (d >= U16('1') && d <= U16('9')) || d == 0x00B9 || d == 0x00B2 || d == 0x00B3;
  }
  return EqualsAsciiNoCase(begin, n, "CONIN$") || EqualsAsciiNoCase(begin, n, "CONOUT$");
}

bool IsForbiddenChar(Utf16Char c) {
  if (c < 0x20) return true;
  switch (c) {
    case U16('<'):
    case U16('>'):
    case U16(':'):
    case U16('"'):
    case U16('|'):
    case U16('?'):
    case U16('*'):
      return true;
    default:
      return false;
  }
}

// One component of a relative name, [begin, end), the last one when `last`.
bool IsSafeComponent(const Utf16Char* begin, const Utf16Char* end, bool last) {
  if (begin == end) return true;  // "a//b" or a trailing separator: no component at all
  bool onlyDotsAndSpaces = true;
  for (const Utf16Char* p = begin; p < end; ++p) {
    if (IsForbiddenChar(*p)) return false;
    if (*p != U16('.') && *p != U16(' ')) onlyDotsAndSpaces = false;
  }
  if (onlyDotsAndSpaces) {
    // "." stays where it is; as the last component it would name the folder itself.
    return end - begin == 1 && *begin == U16('.') && !last;
  }
  return !IsDeviceName(begin, end);
}

bool IsHexDigit(Utf16Char c) {
  return (c >= U16('0') && c <= U16('9')) || (c >= U16('a') && c <= U16('f')) ||
         (c >= U16('A') && c <= U16('F'));
}

}  // namespace

bool ConvertEntryName(const char* bytes, size_t size, Utf16Char (&out)[kZipMaxPath]) {
  out[0] = 0;
  if (size > kMaxNameBytes || std::memchr(bytes, 0, size) != nullptr) return false;
  const Utf16String name = Utf8ToUtf16(std::string(bytes, size));
  // Never more units than bytes, so the name fits; the check keeps that visible.
  if (name.size() >= static_cast<size_t>(kZipMaxPath)) return false;
  std::memcpy(out, name.data(), name.size() * sizeof(Utf16Char));
  out[name.size()] = 0;
  return true;
}

const Utf16Char* SanitiseEntryName(const Utf16Char* name) {
  const Utf16Char* p = name;
  for (;;) {
    if (p[0] != 0 && p[1] == U16(':')) {  // drive prefixes, also several in a row
      while (p[0] != 0 && p[1] == U16(':')) p += 2;
      continue;
    }
    if (IsSeparator(p[0])) {
      ++p;
      continue;
    }
    const Utf16Char* climb = FindClimb(p, U16('\\'), U16('\\'));
    if (!climb) climb = FindClimb(p, U16('\\'), U16('/'));
    if (!climb) climb = FindClimb(p, U16('/'), U16('/'));
    if (!climb) climb = FindClimb(p, U16('/'), U16('\\'));
    if (climb) {
      p = climb + 4;
      continue;
    }
    return p;
  }
}

bool IsAbsoluteName(const Utf16Char* name) {
  return IsSeparator(name[0]) || (name[0] != 0 && name[1] == U16(':'));
}

bool IsSafeRelativeName(const Utf16Char* name, size_t length) {
  if (length > 0 && IsSeparator(name[0])) return false;
  const Utf16Char* end = name + length;
  const Utf16Char* begin = name;
  for (const Utf16Char* p = name; p <= end; ++p) {
    if (p == end || IsSeparator(*p)) {
      if (!IsSafeComponent(begin, p, p == end)) return false;
      begin = p + 1;
    }
  }
  return true;
}

void MakeLeftoverName(LeftoverKind kind, uint32_t unique,
                      Utf16Char (&out)[kLeftoverNameLength + 1]) {
  static const char kHex[] = "0123456789abcdef";
  const char* suffix = kind == LeftoverKind::kNew ? ".new" : ".old";
  size_t n = 0;
  out[n++] = U16('~');
  out[n++] = U16('q');
  out[n++] = U16('z');
  for (int shift = 28; shift >= 0; shift -= 4) out[n++] = kHex[(unique >> shift) & 15];
  for (const char* s = suffix; *s; ++s) out[n++] = *s;
  out[n] = 0;
}

bool IsLeftoverName(const Utf16Char* name) {
  if (Utf16Length(name) != kLeftoverNameLength) return false;
  if (name[0] != U16('~') || AsciiUpper(name[1]) != U16('Q') || AsciiUpper(name[2]) != U16('Z')) {
    return false;
  }
  for (size_t i = 3; i < 11; ++i) {
    if (!IsHexDigit(name[i])) return false;
  }
  return EqualsAsciiNoCase(name + 11, 4, ".NEW") || EqualsAsciiNoCase(name + 11, 4, ".OLD");
}

}  // namespace qzip

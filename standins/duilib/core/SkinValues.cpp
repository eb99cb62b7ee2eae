#include "SkinValues.h"

namespace DuiLib {
namespace Skin {

namespace {

Utf16Char FoldAscii(Utf16Char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<Utf16Char>(c - 'A' + 'a') : c;
}

bool IsSpace(Utf16Char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

int HexValue(Utf16Char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

bool EqualsNoCase(const Utf16Char* a, const Utf16Char* b) {
  if (!a || !b) return a == b;
  while (*a && FoldAscii(*a) == FoldAscii(*b)) {
    ++a;
    ++b;
  }
  return *a == 0 && *b == 0;
}

bool ParseColor(const Utf16Char* s, uint32_t* argb) {
  if (!s) return false;
  while (IsSpace(*s)) ++s;
  if (*s == '#') {
    ++s;
  } else if (s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) {
    s += 2;
  }
  uint32_t value = 0;
  int digits = 0;
  for (; HexValue(*s) >= 0; ++s) {
    if (++digits > 8) return false;
    value = (value << 4) | static_cast<uint32_t>(HexValue(*s));
  }
  while (IsSpace(*s)) ++s;
  if (digits == 0 || *s != 0) return false;
  // Six digits or fewer name an opaque colour; eight carry their own alpha.
  if (digits <= 6)
    value |= 0xFF000000u;
  else if (digits == 7)
    return false;
  *argb = value;
  return true;
}

int ParseInts(const Utf16Char* s, int* out, int count) {
  for (int i = 0; i < count; ++i) out[i] = 0;
  if (!s) return 0;
  int read = 0;
  while (read < count) {
    while (IsSpace(*s)) ++s;
    bool negative = false;
    if (*s == '-' || *s == '+') {
      negative = *s == '-';
      ++s;
    }
    if (*s < '0' || *s > '9') break;
    long long v = 0;
    for (; *s >= '0' && *s <= '9'; ++s) {
      if (v <= kMaxCoordinate) v = v * 10 + (*s - '0');
    }
    if (v > kMaxCoordinate) v = kMaxCoordinate;
    out[read++] = static_cast<int>(negative ? -v : v);
    while (IsSpace(*s)) ++s;
    if (*s != ',') break;
    ++s;
  }
  return read;
}

bool ParseBool(const Utf16Char* s) {
  if (!s) return false;
  static const Utf16Char kTrue[] = {'t', 'r', 'u', 'e', 0};
  static const Utf16Char kYes[] = {'y', 'e', 's', 0};
  static const Utf16Char kOn[] = {'o', 'n', 0};
  static const Utf16Char kOne[] = {'1', 0};
  return EqualsNoCase(s, kTrue) || EqualsNoCase(s, kYes) || EqualsNoCase(s, kOn) ||
         EqualsNoCase(s, kOne);
}

}  // namespace Skin
}  // namespace DuiLib

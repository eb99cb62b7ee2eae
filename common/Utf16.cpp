#include "Utf16.h"

#include <cstdint>

Utf16String Utf8ToUtf16(const std::string& utf8) {
  Utf16String out;
  out.reserve(utf8.size());
  const size_t n = utf8.size();
  size_t i = 0;
  while (i < n) {
    const unsigned char b = static_cast<unsigned char>(utf8[i]);
    uint32_t cp = 0xFFFD;
    size_t len = 1;
    if (b < 0x80) {
      cp = b;
    } else if (b >= 0xC2 && b <= 0xF4) {
      len = b < 0xE0 ? 2 : (b < 0xF0 ? 3 : 4);
      uint32_t v = b & (0x3F >> (len - 1));
      bool ok = i + len <= n;
      for (size_t k = 1; ok && k < len; ++k) {
        const unsigned char c = static_cast<unsigned char>(utf8[i + k]);
        ok = (c & 0xC0) == 0x80;
        v = (v << 6) | (c & 0x3F);
      }
      // Reject overlong forms, surrogates and values past U+10FFFF.
      static const uint32_t kMin[5] = {0, 0, 0x80, 0x800, 0x10000};
      if (ok && v >= kMin[len] && v <= 0x10FFFF && !(v >= 0xD800 && v <= 0xDFFF)) {
        cp = v;
      } else {
        len = 1;
      }
    }
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out.push_back(static_cast<Utf16Char>(0xD800 + (cp >> 10)));
      out.push_back(static_cast<Utf16Char>(0xDC00 + (cp & 0x3FF)));
    } else {
      out.push_back(static_cast<Utf16Char>(cp));
    }
    i += len;
  }
  return out;
}

std::string Utf16ToUtf8(const Utf16String& utf16) {
  std::string out;
  out.reserve(utf16.size());
  const size_t n = utf16.size();
  for (size_t i = 0; i < n; ++i) {
    uint32_t cp = static_cast<uint16_t>(utf16[i]);
    if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < n) {
      const uint32_t lo = static_cast<uint16_t>(utf16[i + 1]);
      if (lo >= 0xDC00 && lo <= 0xDFFF) {
        cp = 0x10000 + ((cp - 0xD800) << 10) + (lo - 0xDC00);
        ++i;
      }
    }
    if (cp >= 0xD800 && cp <= 0xDFFF) cp = 0xFFFD;  // unpaired surrogate
    if (cp < 0x80) {
      out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
      out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
      out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
      out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
  }
  return out;
}

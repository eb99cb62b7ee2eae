#include "XmlEncoding.h"

#include <cstring>

#include "XmlScan.h"

namespace {

#include "XmlCodePageTable.inc"

// Value of attribute `name` in text[begin, end), if present.
bool FindAttrib(const Utf16Char* text, size_t begin, size_t end, const char* name, size_t* start,
                size_t* length) {
  XmlAttrib a;
  size_t pos = begin;
  while (XmlNextAttrib(text, &pos, end, &a)) {
    if (XmlNameIs(text + a.nameStart, a.nameLength, name, true)) {
      *start = a.valueStart;
      *length = a.valueLength;
      return true;
    }
  }
  return false;
}

// The word after "charset" and "=" in a meta element's content value.
Utf16String CharsetOfContent(const Utf16Char* value, size_t length) {
  static const char kCharset[] = "charset";
  const size_t n = sizeof kCharset - 1;
  for (size_t i = 0; i + n <= length; ++i) {
    if (!XmlNameIs(value + i, n, kCharset, true)) continue;
    size_t k = i + n;
    while (k < length && XmlIsSpace(value[k])) ++k;
    if (k >= length || value[k] != '=') return Utf16String();
    ++k;
    while (k < length && XmlIsSpace(value[k])) ++k;
    size_t e = k;
    while (e < length && !XmlIsSpace(value[e]) && value[e] != ';' && value[e] != ',' &&
           value[e] != '"' && value[e] != '\'') {
      ++e;
    }
    return Utf16String(value + k, e - k);
  }
  return Utf16String();
}

}  // namespace

unsigned XmlCodePageOfName(const Utf16Char* name, size_t length, bool* found) {
  if (found) *found = false;
  if (length == 0) return XML_CP_ANSI;
  if (length >= 6 && XmlNameIs(name, 6, "utf-32", true)) {
    if (found) *found = true;
    return XML_CP_UTF32;
  }
  if (length >= 100) return XML_CP_ANSI;
  char folded[100];
  unsigned sum = 0;
  for (size_t i = 0; i < length; ++i) {
    const Utf16Char c = XmlFoldAscii(name[i]);
    if (c == 0 || c >= 0x80) return XML_CP_ANSI;  // every known name is ASCII
    folded[i] = static_cast<char>(c);
    sum += static_cast<unsigned>(c);
  }
  const unsigned bucket = sum % kCodePageBuckets;
  for (unsigned r = kCodePageBucketStart[bucket]; r < kCodePageBucketStart[bucket + 1]; ++r) {
    const char* candidate = kCodePages[r].name;
    if (std::strncmp(candidate, folded, length) == 0 && candidate[length] == 0) {
      if (found) *found = true;
      return kCodePages[r].value;
    }
  }
  return XML_CP_ANSI;
}

XmlBom XmlDetectBom(const unsigned char* bytes, size_t length, size_t* markLength) {
  *markLength = 0;
  if (length >= 3 && bytes[0] == 0xEF && bytes[1] == 0xBB && bytes[2] == 0xBF) {
    *markLength = 3;
    return XML_BOM_UTF8;
  }
  if (length >= 2 && bytes[0] == 0xFF && bytes[1] == 0xFE) {
    *markLength = 2;
    return XML_BOM_UTF16LE;
  }
  if (length >= 2 && bytes[0] == 0xFE && bytes[1] == 0xFF) {
    *markLength = 2;
    return XML_BOM_UTF16BE;
  }
  return XML_BOM_NONE;
}

Utf16String XmlDeclaredEncoding(const Utf16Char* text, size_t length) {
  bool tagSeen = false;  // a start or end tag came before
  bool piSeen = false;   // only the first processing instruction can declare
  bool html = false;     // the first start tag was "html": look for a meta charset
  XmlToken t;
  for (size_t pos = 0;; pos = t.start + t.length) {
    XmlScanNode(text, pos, length, &t);
    const Utf16Char* name = text + t.nameStart;
    size_t begin, end, start, valueLength;
    switch (t.type) {
      case XML_END_OF_TEXT:
      case XML_BAD_NODE:
        return Utf16String();
      case XML_PROCESSING_INSTRUCTION:
        if (piSeen || tagSeen) break;
        piSeen = true;
        if (!XmlNameIs(name, t.nameLength, "xml", true)) break;
        XmlAttribRange(text, t, &begin, &end);
        if (FindAttrib(text, begin, end, "encoding", &start, &valueLength)) {
          return Utf16String(text + start, valueLength);
        }
        return Utf16String();
      case XML_START_TAG:
        tagSeen = true;
        if (!html) {
          if (!XmlNameIs(name, t.nameLength, "html", true)) return Utf16String();
          html = true;
          break;
        }
        if (!XmlNameIs(name, t.nameLength, "meta", true)) break;
        XmlAttribRange(text, t, &begin, &end);
        if (!FindAttrib(text, begin, end, "http-equiv", &start, &valueLength) ||
            !XmlNameIs(text + start, valueLength, "content-type", true)) {
          break;
        }
        if (FindAttrib(text, begin, end, "content", &start, &valueLength)) {
          return CharsetOfContent(text + start, valueLength);
        }
        return Utf16String();
      case XML_END_TAG:
        tagSeen = true;
        if (XmlNameIs(name, t.nameLength, "head", true)) return Utf16String();
        break;
      default:
        break;
    }
  }
}

bool XmlLooksLikeUtf8(const unsigned char* bytes, size_t length) {
  size_t i = 0;
  while (i < length) {
    const unsigned char b = bytes[i];
    if (b == 0) break;
    if (b < 0x80) {
      ++i;
      continue;
    }
    // A lead byte announces its followers by bits 5 and 4; bits 5, 4 and 3 all set announce
    // nothing valid. A byte of the follower form 10xxxxxx can't lead, and a follower must
    // have that form: a looser test (any byte of 0x80 or above) lets most GBK text through
    // as UTF-8, which would then turn into replacement characters.
    if ((b & 0x38) == 0x38 || (b & 0xC0) == 0x80) return false;
    const size_t follow = !(b & 0x20) ? 1 : !(b & 0x10) ? 2 : 3;
    for (size_t k = 1; k <= follow; ++k) {
      if (i + k >= length || (bytes[i + k] & 0xC0) != 0x80) return false;
    }
    i += follow + 1;
  }
  return true;
}

size_t XmlRemoveZeroBytes(char* bytes, size_t* length) {
  const size_t n = *length;
  const void* zero = std::memchr(bytes, 0, n);
  if (!zero) return 0;
  size_t out = static_cast<size_t>(static_cast<const char*>(zero) - bytes);
  for (size_t in = out; in < n; ++in) {
    if (bytes[in] != 0) bytes[out++] = bytes[in];
  }
  *length = out;
  return n - out;
}

size_t XmlUnitsInPlace(Utf16Char* units, size_t* count, bool bigEndian) {
  unsigned char* bytes = reinterpret_cast<unsigned char*>(units);
  const unsigned hi = bigEndian ? 0 : 1;
  const unsigned lo = bigEndian ? 1 : 0;
  const size_t n = *count;
  size_t kept = 0;
  for (size_t i = 0; i < n; ++i) {
    // Both bytes are read before unit `kept` (at or before unit i) is written.
    const Utf16Char u = static_cast<Utf16Char>((bytes[2 * i + hi] << 8) | bytes[2 * i + lo]);
    units[kept] = u;
    kept += u != 0;
  }
  *count = kept;
  return n - kept;
}

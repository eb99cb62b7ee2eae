#include "XmlScan.h"

#include <cstring>

namespace {

#include "XmlEntityTable.inc"

const size_t kNone = static_cast<size_t>(-1);

// Names are mostly letters, above '>': one comparison for them.
inline bool EndsTagName(Utf16Char c) { return c <= '>' && (c == '>' || c == '/' || XmlIsSpace(c)); }

const uint64_t kLaneOnes = 0x0001000100010001ull;
const uint64_t kLaneHighs = 0x8000800080008000ull;

// Top bit set in (at least) the first 16-bit lane of `x` that is zero; none when no lane is.
// Borrows may mark lanes after a zero one, never one before it.
inline uint64_t ZeroLanes(uint64_t x) { return (x - kLaneOnes) & ~x & kLaneHighs; }

// Offset of the first of the units a, b, c in text[pos, end), or `end`; four at a time.
size_t FindAnyOf3(const Utf16Char* text, size_t pos, size_t end, Utf16Char a, Utf16Char b,
                  Utf16Char c) {
  const uint64_t pa = kLaneOnes * static_cast<uint16_t>(a);
  const uint64_t pb = kLaneOnes * static_cast<uint16_t>(b);
  const uint64_t pc = kLaneOnes * static_cast<uint16_t>(c);
  while (end - pos >= 4) {
    uint64_t block;
    std::memcpy(&block, text + pos, sizeof block);
    if ((ZeroLanes(block ^ pa) | ZeroLanes(block ^ pb) | ZeroLanes(block ^ pc)) != 0) break;
    pos += 4;
  }
  while (pos < end && text[pos] != a && text[pos] != b && text[pos] != c) ++pos;
  return pos;
}

// Offset of the first `pattern` (ASCII, 2 or 3 units) in text[pos, end), or kNone.
size_t FindSequence(const Utf16Char* text, size_t pos, size_t end, const char* pattern,
                    size_t patternLength) {
  if (end < patternLength) return kNone;
  const Utf16Char first = static_cast<Utf16Char>(pattern[0]);
  for (size_t last = end - patternLength; pos <= last; ++pos) {
    pos = XmlFindUnit(text, pos, last + 1, first);
    if (pos > last) break;
    size_t k = 1;
    while (k < patternLength && text[pos + k] == static_cast<Utf16Char>(pattern[k])) ++k;
    if (k == patternLength) return pos;
  }
  return kNone;
}

size_t TagNameEnd(const Utf16Char* text, size_t pos, size_t end) {
  while (pos < end && !EndsTagName(text[pos])) ++pos;
  return pos;
}

void SetBad(XmlToken* token, int problem, size_t end) {
  token->type = XML_BAD_NODE;
  token->problem = problem;
  token->length = end - token->start;
}

// A node that can't be read ends at the next '>' (included) or just before the next '<'.
void ScanBadNode(const Utf16Char* text, size_t end, int problem, XmlToken* token) {
  size_t i = token->start + 1;
  while (i < end && text[i] != '<' && text[i] != '>') ++i;
  if (i < end && text[i] == '>') ++i;
  SetBad(token, problem, i);
}

// Ends the node just past `pattern`, searched from `from`; still open at the end of the text
// it becomes a bad node.
void EndAtSequence(const Utf16Char* text, size_t from, size_t end, const char* pattern,
                   size_t patternLength, int problem, XmlToken* token) {
  const size_t at = FindSequence(text, from < end ? from : end, end, pattern, patternLength);
  if (at == kNone) {
    SetBad(token, problem, end);
  } else {
    token->length = at + patternLength - token->start;
  }
}

void ScanStartTag(const Utf16Char* text, size_t end, XmlToken* token) {
  const size_t pos = token->start;
  const size_t nameEnd = TagNameEnd(text, pos + 1, end);
  token->type = XML_START_TAG;
  token->nameStart = pos + 1;
  token->nameLength = nameEnd - pos - 1;
  size_t lastCloseQuote = kNone;
  for (size_t i = nameEnd;; ++i) {
    i = FindAnyOf3(text, i, end, '>', '"', '\'');
    if (i >= end) break;
    const Utf16Char c = text[i];
    if (c == '>') {
      token->length = i + 1 - pos;
      // "/>" closes an empty element when the '/' follows the name, whitespace or a value.
      if (i - 1 >= nameEnd && text[i - 1] == '/' &&
          (i - 1 == nameEnd || XmlIsSpace(text[i - 2]) || i - 2 == lastCloseQuote)) {
        token->flags |= XML_TOKEN_EMPTY_ELEMENT;
      }
      return;
    }
    // A quote opens a value only after '=' (whitespace may stand between). Each run of
    // whitespace is looked back over at most once, so this stays linear.
    size_t b = i;
    while (b > nameEnd && XmlIsSpace(text[b - 1])) --b;
    if (b > nameEnd && text[b - 1] == '=') {
      const size_t q = XmlFindUnit(text, i + 1, end, c);
      if (q >= end) break;
      i = q;
      lastCloseQuote = q;
    }
  }
  SetBad(token, XML_OPEN_START_TAG, end);
}

// DOCTYPE: ends at the first '>' that closes no construct nested in it. Nested constructs
// (the declarations of an internal subset) are skipped whole, quotes counting only inside
// them; a nested comment is skipped to its "-->".
void ScanDoctype(const Utf16Char* text, size_t end, XmlToken* token) {
  token->type = XML_DECLARATION;
  int depth = 0;
  Utf16Char quote = 0;
  for (size_t i = token->start + 2; i < end; ++i) {
    const Utf16Char c = text[i];
    if (depth == 0) {
      if (c == '>') {
        token->length = i + 1 - token->start;
        return;
      }
      if (c == '<') {
        if (i + 3 < end && text[i + 1] == '!' && text[i + 2] == '-' && text[i + 3] == '-') {
          const size_t close = FindSequence(text, i + 4, end, "-->", 3);
          if (close == kNone) break;
          i = close + 2;
        } else {
          depth = 1;
        }
      }
    } else if (quote != 0) {
      if (c == quote) quote = 0;
    } else if (c == '"' || c == '\'') {
      quote = c;
    } else if (c == '<') {
      ++depth;
    } else if (c == '>') {
      --depth;
    }
  }
  SetBad(token, XML_OPEN_DOCTYPE, end);
}

// "<!ELEMENT", "<!ATTLIST", "<!NOTATION", "<!ENTITY": the first '>' outside quotes.
void ScanDeclaration(const Utf16Char* text, size_t end, XmlToken* token) {
  token->type = XML_DECLARATION;
  Utf16Char quote = 0;
  for (size_t i = token->start + 2; i < end; ++i) {
    const Utf16Char c = text[i];
    if (quote != 0) {
      if (c == quote) quote = 0;
    } else if (c == '"' || c == '\'') {
      quote = c;
    } else if (c == '>') {
      token->length = i + 1 - token->start;
      return;
    }
  }
  SetBad(token, XML_OPEN_DECLARATION, end);
}

void ScanMarkup(const Utf16Char* text, size_t end, XmlToken* token) {
  const size_t pos = token->start;
  const Utf16Char c1 = pos + 1 < end ? text[pos + 1] : 0;
  if ((c1 >= 'A' && c1 <= 'Z') || c1 == '_' || c1 == ':' || c1 >= 'a') {
    ScanStartTag(text, end, token);
  } else if (c1 == '/') {
    token->type = XML_END_TAG;
    const size_t nameEnd = TagNameEnd(text, pos + 2, end);
    token->nameStart = pos + 2;
    token->nameLength = nameEnd - pos - 2;
    const size_t i = XmlFindUnit(text, nameEnd, end, '>');
    if (i < end) {
      token->length = i + 1 - pos;
    } else {
      SetBad(token, XML_OPEN_END_TAG, end);
    }
  } else if (c1 == '?') {
    token->type = XML_PROCESSING_INSTRUCTION;
    token->nameStart = pos + 2;
    token->nameLength = TagNameEnd(text, pos + 2, end) - pos - 2;
    EndAtSequence(text, pos + 2, end, "?>", 2, XML_OPEN_PROCESSING_INSTRUCTION, token);
  } else if (c1 == '!') {
    const Utf16Char c2 = pos + 2 < end ? text[pos + 2] : 0;
    const Utf16Char c3 = pos + 3 < end ? text[pos + 3] : 0;
    if (c2 == '-') {
      if (c3 != '-') return ScanBadNode(text, end, XML_BAD_COMMENT_TAG, token);
      token->type = XML_COMMENT;
      EndAtSequence(text, pos + 4, end, "-->", 3, XML_OPEN_COMMENT, token);
    } else if (c2 == '[') {
      if (c3 != 'C') return ScanBadNode(text, end, XML_BAD_TAG, token);
      token->type = XML_CDATA;
      EndAtSequence(text, pos + 9, end, "]]>", 3, XML_OPEN_CDATA, token);
    } else if (c2 == 'D') {
      ScanDoctype(text, end, token);
    } else if (c2 == 'E' || c2 == 'A' || c2 == 'N') {
      ScanDeclaration(text, end, token);
    } else {
      ScanBadNode(text, end, XML_BAD_BANG_TAG, token);
    }
  } else {
    ScanBadNode(text, end, XML_BAD_TAG_NAME_CHAR, token);
  }
}

}  // namespace

size_t XmlFindUnit(const Utf16Char* text, size_t pos, size_t end, Utf16Char unit) {
  const uint64_t pattern = kLaneOnes * static_cast<uint16_t>(unit);
  while (end - pos >= 4) {
    uint64_t block;
    std::memcpy(&block, text + pos, sizeof block);
    if (ZeroLanes(block ^ pattern) != 0) break;
    pos += 4;
  }
  while (pos < end && text[pos] != unit) ++pos;
  return pos;
}

void XmlScanNode(const Utf16Char* text, size_t pos, size_t end, XmlToken* token) {
  // Field by field: assigning a fresh XmlToken() went through a stack copy whose mixed-width
  // stores stalled the loads that followed, a third of the whole indexing time.
  token->type = XML_END_OF_TEXT;
  token->start = pos;
  token->length = 0;
  token->flags = 0;
  token->nameStart = 0;
  token->nameLength = 0;
  token->problem = XML_OK;
  if (pos >= end) {
    token->type = XML_END_OF_TEXT;
    token->start = end;
    return;
  }
  if (text[pos] == '<') return ScanMarkup(text, end, token);

  size_t i = pos;
  token->type = XML_WHITESPACE;
  while (i < end && XmlIsSpace(text[i])) ++i;
  if (i < end && text[i] != '<') {
    // Text runs to just before the next '<', or through a '>'.
    token->type = XML_TEXT;
    while (i < end) {
      const Utf16Char c = text[i];
      if (c == '<') break;
      ++i;
      if (c == '>') break;
    }
  }
  token->length = i - pos;
}

Utf16String XmlProblemText(const XmlToken& token) {
  static const char* const kIncorrect[] = {"tag name character", "comment tag", "tag", "! tag"};
  static const char* const kOpen[] = {"Element tag",
                                      "Element end tag",
                                      "CDATA Section",
                                      "Processing instruction",
                                      "Comment",
                                      "Doctype",
                                      "tag"};
  Utf16String text;
  const int p = token.problem;
  if (p >= XML_BAD_TAG_NAME_CHAR && p <= XML_BAD_BANG_TAG) {
    XmlAppendAscii(&text, "Incorrect ");
    XmlAppendAscii(&text, kIncorrect[p - XML_BAD_TAG_NAME_CHAR]);
    XmlAppendAscii(&text, " at offset ");
    XmlAppendNumber(&text, token.start);
  } else if (p >= XML_OPEN_START_TAG && p <= XML_OPEN_DECLARATION) {
    XmlAppendAscii(&text, kOpen[p - XML_OPEN_START_TAG]);
    XmlAppendAscii(&text, " at offset ");
    XmlAppendNumber(&text, token.start);
    XmlAppendAscii(&text, " unterminated");
  }
  return text;
}

bool XmlNextAttrib(const Utf16Char* text, size_t* pos, size_t end, XmlAttrib* attrib) {
  size_t i = *pos;
  while (i < end && (XmlIsSpace(text[i]) || text[i] == '/' || text[i] == '>')) ++i;
  if (i >= end) {
    *pos = end;
    return false;
  }
  *attrib = XmlAttrib();
  attrib->nameStart = i;
  while (i < end && !EndsTagName(text[i]) && text[i] != '=') ++i;
  attrib->nameLength = i - attrib->nameStart;
  attrib->valueStart = i;

  size_t j = i;
  while (j < end && XmlIsSpace(text[j])) ++j;
  if (j < end && text[j] == '=') {
    attrib->hasValue = true;
    ++j;
    while (j < end && XmlIsSpace(text[j])) ++j;
    if (j < end && (text[j] == '"' || text[j] == '\'')) {
      const Utf16Char quote = text[j];
      size_t k = j + 1;
      while (k < end && text[k] != quote) ++k;
      attrib->valueStart = j + 1;
      attrib->valueLength = k - j - 1;
      i = k < end ? k + 1 : end;
    } else {
      size_t k = j;
      while (k < end && !XmlIsSpace(text[k]) && text[k] != '>') ++k;
      attrib->valueStart = j;
      attrib->valueLength = k - j;
      i = k;
    }
  }
  *pos = i;
  return true;
}

void XmlAttribRange(const Utf16Char* /*text*/, const XmlToken& token, size_t* begin, size_t* end) {
  *begin = token.nameStart + token.nameLength;
  const size_t closing = token.type == XML_PROCESSING_INSTRUCTION ? 2 : 1;
  const size_t tokenEnd = token.start + token.length;
  *end = tokenEnd >= *begin + closing ? tokenEnd - closing : *begin;
}

bool XmlNameIs(const Utf16Char* a, size_t aLength, const char* ascii, bool ignoreCase) {
  size_t i = 0;
  for (; i < aLength; ++i) {
    const Utf16Char c = static_cast<Utf16Char>(static_cast<unsigned char>(ascii[i]));
    if (c == 0) return false;
    if (ignoreCase ? XmlFoldAscii(a[i]) != XmlFoldAscii(c) : a[i] != c) return false;
  }
  return ascii[i] == 0;
}

uint32_t XmlEntityCodePoint(const Utf16Char* name, size_t length) {
  // At most 9 characters, all ASCII, compared after folding A-Z to lower case.
  if (length == 0 || length > 9) return 0;
  char folded[10];
  for (size_t i = 0; i < length; ++i) {
    if (name[i] >= 0x80) return 0;
    folded[i] = static_cast<char>(XmlFoldAscii(name[i]));
  }
  folded[length] = 0;

  if (folded[0] == '#') {
    const bool hex = length >= 2 && folded[1] == 'x';
    size_t i = hex ? 2 : 1;
    if (i == length) return 0;  // no digits
    uint32_t value = 0;         // at most 8 digits: no overflow
    for (; i < length; ++i) {
      const char c = folded[i];
      uint32_t digit;
      if (c >= '0' && c <= '9') {
        digit = static_cast<uint32_t>(c - '0');
      } else if (hex && c >= 'a' && c <= 'f') {
        digit = static_cast<uint32_t>(c - 'a' + 10);
      } else {
        return 0;
      }
      value = value * (hex ? 16 : 10) + digit;
    }
    // Past U+10FFFF, or a lone surrogate, there is no character to write: the reference
    // stays as written, like an unknown name.
    if (value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return 0;
    return value;
  }

  unsigned sum = 0;
  for (size_t i = 0; i < length; ++i) sum += static_cast<unsigned char>(folded[i]);
  const unsigned bucket = sum % kEntityBuckets;
  uint32_t folding = 0;
  for (unsigned r = kEntityBucketStart[bucket]; r < kEntityBucketStart[bucket + 1]; ++r) {
    const char* candidate = kEntities[r].name;
    size_t k = 0;
    bool exact = true;
    while (k < length && candidate[k] != 0 &&
           static_cast<char>(XmlFoldAscii(static_cast<Utf16Char>(candidate[k]))) == folded[k]) {
      exact = exact && static_cast<Utf16Char>(candidate[k]) == name[k];
      ++k;
    }
    if (k != length || candidate[k] != 0) continue;
    // Names that differ only in case (Eacute/eacute, rArr/rarr) share the folded name: the
    // one written exactly wins; any other spelling takes the first, the capital form.
    if (exact) return kEntities[r].value;
    if (folding == 0) folding = kEntities[r].value;
  }
  return folding;
}

void XmlDecodeEntities(const Utf16Char* text, size_t length, Utf16String* out) {
  size_t copied = 0;
  size_t i = 0;
  while (i < length) {
    if (text[i] != '&') {
      ++i;
      continue;
    }
    const size_t amp = i;
    const size_t limit = length - amp > 10 ? amp + 11 : length;
    size_t k = amp + 1;
    while (k < limit && text[k] != ';' && text[k] < 0x80) ++k;
    uint32_t cp = 0;
    if (k < limit && text[k] == ';') cp = XmlEntityCodePoint(text + amp + 1, k - amp - 1);
    if (cp == 0) {
      ++i;
      continue;
    }
    out->append(text + copied, amp - copied);
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out->push_back(static_cast<Utf16Char>(0xD800 + (cp >> 10)));
      out->push_back(static_cast<Utf16Char>(0xDC00 + (cp & 0x3FF)));
    } else {
      out->push_back(static_cast<Utf16Char>(cp));
    }
    copied = i = k + 1;
  }
  out->append(text + copied, length - copied);
}

void XmlAppendAscii(Utf16String* out, const char* ascii) {
  while (*ascii) out->push_back(static_cast<Utf16Char>(static_cast<unsigned char>(*ascii++)));
}

void XmlAppendNumber(Utf16String* out, uint64_t value) {
  char digits[24];
  size_t n = 0;
  do {
    digits[n++] = static_cast<char>('0' + value % 10);
    value /= 10;
  } while (value != 0);
  while (n > 0) out->push_back(static_cast<Utf16Char>(digits[--n]));
}
